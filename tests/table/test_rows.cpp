#include "table/numbering.h"
#include "table/rowtable.h"
#include "table/selection.h"

#include <tuple>

#include <gtest/gtest.h>

using namespace qm;
using F = FieldNumber;

namespace {

QStringList column(const RowTable &t, F f)
{
    QStringList cells;
    for (int r = 1; r < t.rowCount(); ++r)
        cells << t.cell(r, f);
    return cells;
}

RowTable tableWithFolders(const QStringList &dirs)
{
    RowTable t;
    for (const QString &d : dirs)
        t.appendFileRow(d, "x.mp3");
    return t;
}

} // namespace

TEST(Cell, EveryTextComesBackAsItWentInAndCompareByContent)
{
    const QString raw =
        QStringLiteral(u"name") + QChar(char16_t(0xDC80 + 0xE9)) + QStringLiteral(".mp3");
    const QString pair = QString::fromUtf8("\xF0\x9F\x8E\xB5 song");
    const QStringList texts{"", "a", "1234567", "12345678", "Год", "Годы", "Исполнитель", raw, pair,
                            QString(3, QChar(0)), QString(QChar(0xDC80)),
                            // Stray byte-order marks, in place and in a block.
                            QString(2, QChar(0xFEFF)),
                            QString(QChar(0xFEFF)) + QStringLiteral("Title of a song"),
                            QString(70000, QChar(u'ж'))};
    QString reused; // each text read into the memory of the one before
    for (const QString &text : texts) {
        const Cell cell(text);
        EXPECT_EQ(cell.toString(), text) << text.size();
        cell.readInto(reused);
        EXPECT_EQ(reused, text) << text.size();
        EXPECT_EQ(cell.isEmpty(), text.isEmpty());
        // A copy shares the text: the copy is what is tested.
        // NOLINTNEXTLINE(performance-unnecessary-copy-initialization)
        const Cell copy = cell;
        const Cell again(QString(text.data(), text.size()));
        EXPECT_EQ(copy.handle(), cell.handle());
        EXPECT_TRUE(again == cell);
        EXPECT_EQ(qHash(again), qHash(cell));
        if (text.isValidUtf16()) {
            EXPECT_TRUE(Cell::fromValidUtf8(text.toUtf8()) == cell) << text.size();
        }
        for (const QString &other : texts)
            EXPECT_EQ(Cell(other) == cell, other == text) << text.size() << " " << other.size();
    }
}

TEST(RowTable, EmptyTableKeepsHeaderAndBlankRow)
{
    RowTable t;
    EXPECT_EQ(t.rowCount(), 2);
    EXPECT_EQ(t.lastFileRow(), 0);
    EXPECT_EQ(t.deleteEmptyRows(1, t.lastFileRow()), 0);
    renumberRows(t, 1, NumberStyle::LeadingZero, NumberScope::PerFolder);
    EXPECT_EQ(t.rowCount(), 2);
    EXPECT_TRUE(t.cell(1, F::No).isEmpty());

    EXPECT_EQ(t.appendRows(3), 1);
    EXPECT_EQ(t.rowCount(), 5);
    t.removeAllFileRows();
    EXPECT_EQ(t.rowCount(), 2);
}

TEST(RowTable, DeleteEmptyRowsCompactsInOnePass)
{
    RowTable t;
    t.appendRows(7);
    t.setCell(1, F::Old, "keep1");
    t.setCell(2, F::Tit, " \t\r\n"); // blanks only: empty
    t.setCell(3, F::No, "03");       // the number alone does not count
    t.setCell(4, F::Xxx, "hidden but kept");
    t.setCell(6, F::Old, "keep6");
    t.setCell(7, F::Dir, QString(QChar(0x1F))); // control character only
    t.setColumnShown(t.layout().position(F::Xxx), false);
    t.setCell(t.blankRow(), F::New, "typed");

    EXPECT_EQ(t.deleteEmptyRows(3, t.lastFileRow()), 3); // row 2 is outside the range
    EXPECT_EQ(t.lastFileRow(), 4);
    EXPECT_EQ(column(t, F::Old), QStringList({"keep1", "", "", "keep6", ""}));
    EXPECT_EQ(t.cell(3, F::Xxx), "hidden but kept");
    EXPECT_TRUE(t.cell(t.blankRow(), F::New).isEmpty());

    EXPECT_EQ(t.deleteEmptyRows(-5, 99), 2);
    EXPECT_EQ(t.rowCount(), 5);
    EXPECT_EQ(t.deleteEmptyRows(1, 3), 0);

    // A large table: every other row empty.
    RowTable big;
    big.appendRows(100000);
    for (int r = 1; r <= big.lastFileRow(); r += 2)
        big.setCell(r, F::Old, QString::number(r));
    EXPECT_EQ(big.deleteEmptyRows(1, big.lastFileRow()), 2);
    ASSERT_EQ(big.lastFileRow(), 50000);
    EXPECT_EQ(big.cell(50000, F::Old), "99999");
}

TEST(RowTable, SplitAddedNames)
{
    RowTable t;
    for (const char *name : {"song.mp3", "README", "a.b.c", ".hidden", "trailing."})
        t.appendFileRow("/m/", name);
    t.splitAddedNames(2, 99);
    EXPECT_EQ(column(t, F::Old), QStringList({"song.mp3", "README", "a.b", "", "trailing.", ""}));
    EXPECT_EQ(column(t, F::New), QStringList({"", "README", "a.b", "", "trailing.", ""}));
    EXPECT_EQ(column(t, F::Ext), QStringList({"", "", "c", "hidden", "", ""}));
    t.splitAddedNames(1, 1);
    EXPECT_EQ(t.cell(1, F::Old), "song");
    EXPECT_EQ(t.cell(1, F::Ext), "mp3");

    // Names held as UTF-8, in place or in a block, and as UTF-16 (a lone
    // surrogate) are cut alike.
    const QString lone(QChar(0xDC80));
    const std::tuple<QString, QString, QString> names[] = {
        {"é.ё", "é", "ё"},
        {"Песня.тёмная", "Песня", "тёмная"},
        {lone + ".mp3", lone, "mp3"},
        {"a.b" + lone, "a", "b" + lone},
        {lone + "x.", lone + "x.", ""},
    };
    for (const auto &[name, old, ext] : names) {
        RowTable u;
        u.appendFileRow("/m/", name);
        u.splitAddedNames(1, 1);
        EXPECT_EQ(u.cell(1, F::Old), old) << name.size();
        EXPECT_EQ(u.cell(1, F::New), old);
        EXPECT_EQ(u.cell(1, F::Ext), ext);
    }
}

TEST(RowTable, ClearColumnDataKeepsTheHeader)
{
    RowTable t = tableWithFolders({"/a/", "/b/"});
    const int dir = t.layout().position(F::Dir);
    t.clearColumnData(dir);
    EXPECT_EQ(column(t, F::Dir), QStringList({"", "", ""}));
    EXPECT_EQ(t.cell(0, F::Dir), QStringLiteral("Путь (%PA)"));
    EXPECT_EQ(column(t, F::Old), QStringList({"x.mp3", "x.mp3", ""}));
}

TEST(CellRect, FileCellsLeaveOutFrozenColumnsAndTheBlankRow)
{
    RowTable t = tableWithFolders({"/a/", "/b/"});
    t.setColumnShown(5, false);
    const CellRect r = CellRect::spanning(20, 3, 0, 0).fileCells(t);
    EXPECT_EQ(r, (CellRect{2, 1, 20, 2}));
    int visits = 0;
    int lastColumn = -1;
    r.forEachCell([&](int c, int row) {
        EXPECT_GE(c, lastColumn);
        lastColumn = c;
        EXPECT_TRUE(t.isFileRow(row));
        ++visits;
    });
    EXPECT_EQ(visits, 19 * 2);
    EXPECT_TRUE(CellRect::spanning(3, 5, 4, 5).fileCells(t).isEmpty());
}

TEST(Numbering, StylesInTheWholeTableScope)
{
    RowTable t = tableWithFolders(QStringList(12, "/a/"));
    renumberRows(t, 1, NumberStyle::LeadingZero, NumberScope::WholeTable);
    EXPECT_EQ(column(t, F::No), QStringList({"01", "02", "03", "04", "05", "06", "07", "08", "09",
                                             "10", "11", "12", ""}));
    t.setCell(10, F::No, "marker");
    restyleNumbers(t, NumberStyle::Plain, NumberScope::WholeTable);
    EXPECT_EQ(t.cell(1, F::No), "1");
    EXPECT_EQ(t.cell(9, F::No), "9");
    EXPECT_EQ(t.cell(10, F::No), "marker"); // rows from 10 on are not touched
    renumberRows(t, 10, NumberStyle::Plain, NumberScope::WholeTable);
    EXPECT_EQ(t.cell(10, F::No), "10");
    EXPECT_EQ(numberText(123, NumberStyle::LeadingZero), "123");
}

TEST(Numbering, PerFolderGroupsIgnoreCase)
{
    RowTable t =
        tableWithFolders({"C:/A/", "C:/A/", "C:/A/", "c:/a/", "c:/a/", "/b/", "/b/", "/c/"});
    renumberRows(t, 1, NumberStyle::Plain, NumberScope::PerFolder);
    EXPECT_EQ(column(t, F::No), QStringList({"1", "2", "3", "4", "5", "1", "2", "1", ""}));

    restyleNumbers(t, NumberStyle::LeadingZero, NumberScope::PerFolder);
    EXPECT_EQ(column(t, F::No), QStringList({"01", "02", "03", "04", "05", "01", "02", "01", ""}));
    restyleNumbers(t, NumberStyle::Plain, NumberScope::PerFolder);
    EXPECT_EQ(column(t, F::No), QStringList({"1", "2", "3", "4", "5", "1", "2", "1", ""}));

    // Deleting the middle row of a group continues from the row above.
    t.setCell(3, F::Dir, "");
    t.setCell(3, F::Old, "");
    const int removed = t.deleteEmptyRows(1, t.lastFileRow());
    ASSERT_EQ(removed, 3);
    renumberRows(t, removed, NumberStyle::Plain, NumberScope::PerFolder);
    EXPECT_EQ(column(t, F::No), QStringList({"1", "2", "3", "4", "1", "2", "1", ""}));

    // Without a number above, or below a group of another folder, the
    // count starts at 1; rows above the start stay as they were.
    t.setCell(2, F::No, "");
    renumberRows(t, 3, NumberStyle::LeadingZero, NumberScope::PerFolder);
    EXPECT_EQ(column(t, F::No), QStringList({"1", "", "01", "02", "01", "02", "01", ""}));
    t.setCell(4, F::Dir, "/b/");
    renumberRows(t, 4, NumberStyle::Plain, NumberScope::PerFolder);
    EXPECT_EQ(column(t, F::No), QStringList({"1", "", "01", "1", "2", "3", "1", ""}));
}
