#include "table/columnlayout.h"
#include "table/rowtable.h"

#include <gtest/gtest.h>

#include <random>

using namespace qm;
using F = FieldNumber;

namespace {

QString layoutOrderCodes(const ColumnLayout &layout)
{
    QStringList codes;
    for (int p = 0; p < kColumnCount; ++p)
        codes << columnCode(layout.fieldAt(p));
    return codes.join(u' ');
}

} // namespace

TEST(Catalogue, DefaultOrderAndHeaders)
{
    EXPECT_EQ(
        layoutOrderCodes(ColumnLayout()),
        "No Dir Old New Ext Tit Trc Art Alb Yea Gen Com Cmp Enc Cop Lan Xxx Ory Ope Tt1 Oal Slt "
        "Siz Dur Inf");
    for (int f = 0; f < kColumnCount; ++f) {
        EXPECT_EQ(fieldByCode(columnCode(toField(f))), toField(f));
        EXPECT_EQ(fieldByTemplateCode(templateCode(toField(f))), toField(f));
    }
    RowTable table;
    EXPECT_EQ(table.cell(0, F::Old), QStringLiteral("Старое имя (%ON)"));
    EXPECT_EQ(table.cell(0, F::No), QStringLiteral("№      (%NS)"));
    table.setLyricsHeaders(true);
    EXPECT_EQ(table.cell(0, F::Cop), QStringLiteral("Автор"));
    table.setLyricsHeaders(false);
    EXPECT_EQ(table.cell(0, F::Ory), QStringLiteral("Ориг. год"));
}

TEST(ColumnLayout, ColIndexFallsBackToAPermutation)
{
    QString identity;
    for (int i = 0; i < kColumnCount; ++i)
        identity += (i ? "," : "") + QString::number(i);
    EXPECT_EQ(ColumnLayout::fromColIndex(identity), ColumnLayout());
    EXPECT_EQ(ColumnLayout::fromColIndex(u""), ColumnLayout());
    EXPECT_EQ(ColumnLayout().toColIndex(), identity);

    // Too short and duplicated: the rest take the smallest free positions.
    const ColumnLayout l = ColumnLayout::fromColIndex(u"0,5,5");
    EXPECT_EQ(l.position(F::No), 0);
    EXPECT_EQ(l.position(F::Dir), 5);
    EXPECT_EQ(l.position(F::Old), 1);
    EXPECT_EQ(l.position(F::New), 2);
    EXPECT_EQ(l.position(F::Ext), 3);
    EXPECT_EQ(l.position(F::Tit), 4);
    EXPECT_EQ(l.position(F::Trc), 6);
    EXPECT_EQ(l.position(F::Inf), 24);

    // A non-number keeps the slot's own position; out of range falls back.
    const ColumnLayout junk = ColumnLayout::fromColIndex(u"2,x,99,-1, 4 ,,");
    EXPECT_EQ(junk.position(F::No), 2);
    EXPECT_EQ(junk.position(F::Dir), 1);
    EXPECT_EQ(junk.position(F::Old), 0);
    EXPECT_EQ(junk.position(F::New), 3);
    EXPECT_EQ(junk.position(F::Ext), 4);
    EXPECT_EQ(junk.position(F::Tit), 5);

    std::mt19937 rng(3);
    for (int round = 0; round < 300; ++round) {
        QString text;
        const int items = int(rng() % 40);
        for (int i = 0; i < items; ++i)
            text += QString::number(int(rng() % 60) - 15) + (rng() % 9 ? "," : "a,");
        const ColumnLayout read = ColumnLayout::fromColIndex(text);
        ASSERT_TRUE(ColumnLayout::isPermutation(read.values())) << text.toStdString();
        EXPECT_EQ(ColumnLayout::fromColIndex(read.toColIndex()), read);
    }
}

TEST(ColumnLayout, HideAndShowKeepTheZones)
{
    RowTable table;
    table.appendFileRow("/music/", "a.mp3");
    table.setCell(1, F::Tit, "Title");
    table.setWidth(F::Tit, 150);

    EXPECT_EQ(table.setColumnShown(5, false), 0); // Tit
    EXPECT_EQ(table.layout().position(F::Tit), 0);
    EXPECT_EQ(table.layout().noPosition(), 1);
    EXPECT_EQ(table.layout().position(F::Dir), 2);
    EXPECT_EQ(table.layout().position(F::Trc), 6); // right of the hidden column: unchanged
    EXPECT_EQ(table.width(F::Tit), -1);
    EXPECT_EQ(table.cellAt(1, 0), "Title"); // the cell went with its column
    EXPECT_EQ(table.hiddenFields(), QList<F>({F::Tit}));

    // Hiding another data column puts it just left of No.
    EXPECT_EQ(table.setColumnShown(table.layout().position(F::Gen), false), 1);
    EXPECT_EQ(table.layout().position(F::Tit), 0);
    EXPECT_EQ(table.layout().noPosition(), 2);

    EXPECT_EQ(table.setColumnShown(0, true), 24);
    EXPECT_EQ(table.layout().position(F::Tit), 24);
    EXPECT_EQ(table.layout().position(F::Inf), 23);
    EXPECT_EQ(table.layout().position(F::Gen), 0);
    EXPECT_EQ(table.layout().noPosition(), 1);
    EXPECT_EQ(table.width(F::Tit), 80);
    EXPECT_EQ(table.cell(1, F::Tit), "Title");

    // Refusals: No itself and positions out of range change nothing.
    const ColumnLayout before = table.layout();
    EXPECT_EQ(table.setColumnShown(1, false), 1);
    EXPECT_EQ(table.setColumnShown(-1, true), 1);
    EXPECT_EQ(table.setColumnShown(25, false), 1);
    EXPECT_EQ(table.setColumnShown(5, true), 5); // already shown
    EXPECT_EQ(table.layout(), before);
}

TEST(ColumnLayout, MovesShiftTheColumnsBetween)
{
    RowTable table;
    table.setCell(1, F::Art, "artist");
    ASSERT_TRUE(table.applyColumnMove(7, 2)); // Art
    const ColumnLayout &l = table.layout();
    EXPECT_EQ(l.position(F::Art), 2);
    EXPECT_EQ(l.position(F::Old), 3);
    EXPECT_EQ(l.position(F::New), 4);
    EXPECT_EQ(l.position(F::Ext), 5);
    EXPECT_EQ(l.position(F::Tit), 6);
    EXPECT_EQ(l.position(F::Trc), 7);
    EXPECT_EQ(l.position(F::Dir), 1);
    EXPECT_EQ(l.position(F::Alb), 8);
    EXPECT_EQ(table.cellAt(1, 2), "artist");

    ASSERT_TRUE(table.applyColumnMove(2, 24));
    EXPECT_EQ(l.position(F::Art), 24);
    EXPECT_EQ(l.position(F::Inf), 23);
    EXPECT_EQ(l.position(F::Old), 2);

    // The frozen zone does not take part in drags.
    table.setColumnShown(l.position(F::Dir), false);
    const ColumnLayout before = l;
    EXPECT_FALSE(table.applyColumnMove(1, 5));
    EXPECT_FALSE(table.applyColumnMove(5, 0));
    EXPECT_FALSE(table.applyColumnMove(5, 25));
    EXPECT_EQ(l, before);
}

TEST(ColumnLayout, ColWidthsReaderCopesWithBadInput)
{
    RowTable table;
    table.setLayout(ColumnLayout::fromColIndex(u"2,0,1"));
    ASSERT_EQ(table.layout().noPosition(), 2);
    table.setWidth(F::No, 37);

    // Hidden zone: 120 and -1 alike leave the column hidden. Right of it a
    // -1 takes No's width and a non-number the default.
    const QList<F> hidden = table.readColWidths(u"120,-1,-5,-1,abc,99999999,7,,8");
    EXPECT_EQ(hidden, QList<F>({table.layout().fieldAt(0), table.layout().fieldAt(1)}));
    EXPECT_EQ(table.widthAt(0), -1);
    EXPECT_EQ(table.widthAt(1), -1);
    EXPECT_EQ(table.widthAt(2), 37); // No keeps its own
    EXPECT_EQ(table.widthAt(3), 37);
    EXPECT_EQ(table.widthAt(4), 80);
    EXPECT_EQ(table.widthAt(5), 10000);
    EXPECT_EQ(table.widthAt(6), 7);
    EXPECT_EQ(table.widthAt(7), 80);
    EXPECT_EQ(table.widthAt(8), 8);
    EXPECT_EQ(table.widthAt(9), 80); // beyond the list: untouched

    RowTable back;
    back.setLayout(table.layout());
    back.readColWidths(table.colWidthsText());
    EXPECT_EQ(back.colWidthsText(), table.colWidthsText());
    EXPECT_EQ(back.readColWidths(u""), back.hiddenFields());
}
