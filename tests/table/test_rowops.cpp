#include "edittesthelpers.h"
#include "table/duplicates.h"
#include "table/rowmoves.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace qm;
using namespace qm::test;
using F = FieldNumber;

namespace {

const Numbering kPerFolder{NumberStyle::LeadingZero, NumberScope::PerFolder};

RowTable named(const QStringList &names)
{
    RowTable t;
    for (const QString &n : names)
        t.setCell(t.appendRows(1), F::Old, n);
    renumberRows(t, 1, NumberStyle::LeadingZero, NumberScope::WholeTable);
    return t;
}

RowTable inFolders(const QStringList &dirs)
{
    RowTable t;
    for (const QString &d : dirs) {
        const int r = t.appendRows(1);
        t.setCell(r, F::Dir, d);
        t.setCell(r, F::Old, QString::number(r));
    }
    renumberRows(t, 1, NumberStyle::LeadingZero, NumberScope::PerFolder);
    return t;
}

} // namespace

TEST(RowMoves, KeysMoveOnlyBetweenFileRows)
{
    RowTable t = named({"a", "b", "c"});
    EXPECT_EQ(moveRowByKey(t, 1, true, Numbering{}), 1);
    EXPECT_EQ(moveRowByKey(t, 3, false, Numbering{}), 3);
    EXPECT_EQ(moveRowByKey(t, t.blankRow(), true, Numbering{}), t.blankRow());
    EXPECT_EQ(columnTexts(t, F::Old), QStringList({"a", "b", "c", ""}));

    EXPECT_EQ(moveRowByKey(t, 1, false, Numbering{}), 2);
    EXPECT_EQ(columnTexts(t, F::Old), QStringList({"b", "a", "c", ""}));
    EXPECT_EQ(columnTexts(t, F::No), QStringList({"01", "02", "03", ""}));
}

TEST(RowMoves, DragRenumbersOnlyTheRowsBetween)
{
    RowTable t = named({"a", "b", "c", "d", "e"});
    t.setCell(5, F::No, "mine");
    ASSERT_TRUE(moveRow(t, 4, 2));
    EXPECT_TRUE(completeRowMove(t, 4, 2, Numbering{}));
    EXPECT_EQ(columnTexts(t, F::Old), QStringList({"a", "d", "b", "c", "e", ""}));
    EXPECT_EQ(columnTexts(t, F::No), QStringList({"01", "02", "03", "04", "mine", ""}));

    moveRow(t, 1, 3);
    EXPECT_TRUE(completeRowMove(t, 1, 3, Numbering{NumberStyle::Plain, NumberScope::WholeTable}));
    EXPECT_EQ(columnTexts(t, F::Old), QStringList({"d", "b", "a", "c", "e", ""}));
    EXPECT_EQ(columnTexts(t, F::No), QStringList({"1", "2", "3", "04", "mine", ""}));

    // The blank last row never takes part.
    moveRow(t, 2, t.blankRow());
    EXPECT_FALSE(completeRowMove(t, 2, t.blankRow(), Numbering{}));
    EXPECT_EQ(columnTexts(t, F::Old), QStringList({"d", "b", "a", "c", "e", ""}));
}

TEST(RowMoves, SeparateNumberingKeepsEachFolderTogether)
{
    RowTable t = inFolders({"/a", "/a", "/a", "/b", "/b"});
    // Down into the next folder: taken back.
    EXPECT_EQ(moveRowByKey(t, 3, false, kPerFolder), 3);
    EXPECT_EQ(columnTexts(t, F::Old), QStringList({"1", "2", "3", "4", "5", ""}));

    EXPECT_EQ(moveRowByKey(t, 2, true, kPerFolder), 1);
    EXPECT_EQ(columnTexts(t, F::Old), QStringList({"2", "1", "3", "4", "5", ""}));
    moveRow(t, 5, 4);
    EXPECT_TRUE(completeRowMove(t, 5, 4, kPerFolder));
    EXPECT_EQ(columnTexts(t, F::Old), QStringList({"2", "1", "3", "5", "4", ""}));
    EXPECT_EQ(columnTexts(t, F::No), QStringList({"01", "02", "03", "01", "02", ""}));

    moveRow(t, 1, 5);
    EXPECT_FALSE(completeRowMove(t, 1, 5, kPerFolder));
    EXPECT_EQ(columnTexts(t, F::Old), QStringList({"2", "1", "3", "5", "4", ""}));

    // The folder check is exact, while numbering groups ignore case.
    RowTable cased = inFolders({"/a", "/A"});
    EXPECT_EQ(moveRowByKey(cased, 1, false, kPerFolder), 1);
    EXPECT_EQ(moveRowByKey(cased, 1, false, Numbering{}), 2);
}

TEST(DuplicateRows, VisibleColumnsIgnoreHiddenOnesAllColumnsDoNot)
{
    RowTable t = tableOf({{{F::Old, "a"}, {F::New, "b"}, {F::Tit, "t1"}},
                          {{F::Old, "a"}, {F::New, "b"}, {F::Tit, "t2"}},
                          {{F::Old, "a"}, {F::New, "b"}, {F::Tit, "t1"}},
                          {{F::Old, "c"}}});
    t.setColumnShown(t.layout().position(F::Tit), false);
    RowTable all = t;

    EXPECT_EQ(removeDuplicateRows(t, DuplicateKey::VisibleColumns), 2);
    EXPECT_EQ(columnTexts(t, F::Tit), QStringList({"t1", "", ""}));
    EXPECT_EQ(columnTexts(t, F::Old), QStringList({"a", "c", ""}));

    // The No cells differ in every row and count for nothing.
    EXPECT_EQ(removeDuplicateRows(all, DuplicateKey::AllColumns), 1);
    EXPECT_EQ(columnTexts(all, F::Tit), QStringList({"t1", "t2", "", ""}));
    EXPECT_EQ(columnTexts(all, F::No), QStringList({"01", "02", "04", ""}));
}

TEST(DuplicateRows, KeysCompareCellByCellAndWithCase)
{
    RowTable t = tableOf({{{F::Old, "ab"}, {F::New, "c"}},
                          {{F::Old, "a"}, {F::New, "bc"}},
                          {{F::Old, "AB"}, {F::New, "c"}},
                          {{F::Old, "ab"}, {F::New, "c"}},
                          {{F::Old, "a"}, {F::New, "bc"}}});
    EXPECT_EQ(removeDuplicateRows(t, DuplicateKey::AllColumns), 2);
    EXPECT_EQ(columnTexts(t, F::Old), QStringList({"ab", "a", "AB", ""}));

    RowTable none = tableOf({{{F::Old, "x"}}});
    EXPECT_EQ(removeDuplicateRows(none, DuplicateKey::VisibleColumns), 0);
    EXPECT_EQ(none.fileRowCount(), 1);
}

TEST(DuplicateRows, ProgressAndStop)
{
    RowTable t;
    const int rows = 3000;
    t.appendRows(rows);
    for (int r = 1; r <= rows; ++r)
        t.setCell(r, F::New, "same");

    std::vector<int> percents;
    const auto marked = findDuplicateRows(t, DuplicateKey::VisibleColumns, [&](int, int percent, int) {
        percents.push_back(percent);
        return true;
    });
    EXPECT_EQ(std::count(marked.begin(), marked.end(), true), rows - 1);
    ASSERT_FALSE(percents.empty());
    EXPECT_EQ(percents.back(), 100);

    // Stopped at the first report: only the rows examined so far go.
    int found = -1;
    const int removed = removeDuplicateRows(t, DuplicateKey::VisibleColumns, [&](int done, int percent, int n) {
        found = n;
        EXPECT_EQ(percent, done * 100 / (rows - 1));
        return false;
    });
    EXPECT_EQ(removed, found);
    EXPECT_GT(removed, 0);
    EXPECT_EQ(t.fileRowCount(), rows - removed);

    RowTable one = tableOf({{{F::New, "x"}}});
    findDuplicateRows(one, DuplicateKey::AllColumns, [](int, int percent, int) {
        EXPECT_EQ(percent, -1);
        return true;
    });
}
