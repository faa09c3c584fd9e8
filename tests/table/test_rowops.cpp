#include "edittesthelpers.h"
#include "table/duplicates.h"
#include "table/rowmoves.h"

#include <gtest/gtest.h>

using namespace qm;
using namespace qm::test;
using F = FieldNumber;

namespace {

// Old holds the row's first position; numbered in the given scope.
RowTable inFolders(const QStringList &dirs, NumberScope scope)
{
    RowTable t;
    for (const QString &d : dirs) {
        const int r = t.appendRows(1);
        t.setCell(r, F::Dir, d);
        t.setCell(r, F::Old, QString::number(r));
    }
    renumberRows(t, 1, NumberStyle::LeadingZero, scope);
    return t;
}

} // namespace

TEST(RowMoves, KeysAndDragsRenumberOnlyTheRowsBetween)
{
    RowTable t = inFolders({"/a", "/a", "/a", "/a", "/a"}, NumberScope::WholeTable);
    EXPECT_EQ(moveRowByKey(t, 1, true, Numbering{}), 1);
    EXPECT_EQ(moveRowByKey(t, 5, false, Numbering{}), 5);
    EXPECT_EQ(moveRowByKey(t, 1, false, Numbering{}), 2);
    EXPECT_EQ(columnTexts(t, F::Old), QStringList({"2", "1", "3", "4", "5", ""}));

    t.setCell(5, F::No, "mine");
    ASSERT_TRUE(moveRow(t, 4, 2));
    EXPECT_TRUE(completeRowMove(t, 4, 2, Numbering{NumberStyle::Plain, NumberScope::WholeTable}));
    EXPECT_EQ(columnTexts(t, F::Old), QStringList({"2", "4", "1", "3", "5", ""}));
    EXPECT_EQ(columnTexts(t, F::No), QStringList({"01", "2", "3", "4", "mine", ""}));

    // The blank last row never takes part.
    moveRow(t, 2, t.blankRow());
    EXPECT_FALSE(completeRowMove(t, 2, t.blankRow(), Numbering{}));
    EXPECT_EQ(columnTexts(t, F::Old), QStringList({"2", "4", "1", "3", "5", ""}));
}

TEST(RowMoves, SeparateNumberingKeepsEachFolderTogether)
{
    const Numbering perFolder{NumberStyle::LeadingZero, NumberScope::PerFolder};
    RowTable t = inFolders({"/a", "/a", "/a", "/b", "/b"}, NumberScope::PerFolder);
    EXPECT_EQ(moveRowByKey(t, 3, false, perFolder), 3); // into the next folder: taken back
    EXPECT_EQ(moveRowByKey(t, 2, true, perFolder), 1);
    moveRow(t, 5, 4);
    EXPECT_TRUE(completeRowMove(t, 5, 4, perFolder));
    EXPECT_EQ(columnTexts(t, F::Old), QStringList({"2", "1", "3", "5", "4", ""}));
    EXPECT_EQ(columnTexts(t, F::No), QStringList({"01", "02", "03", "01", "02", ""}));
    moveRow(t, 1, 5);
    EXPECT_FALSE(completeRowMove(t, 1, 5, perFolder));
    EXPECT_EQ(columnTexts(t, F::Old), QStringList({"2", "1", "3", "5", "4", ""}));

    // The folder check is exact, while numbering groups ignore case.
    RowTable cased = inFolders({"/a", "/A"}, NumberScope::PerFolder);
    EXPECT_EQ(moveRowByKey(cased, 1, false, perFolder), 1);
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
    // The No cells differ in every row and count for nothing.
    EXPECT_EQ(removeDuplicateRows(all, DuplicateKey::AllColumns), 1);
    EXPECT_EQ(columnTexts(all, F::Tit), QStringList({"t1", "t2", "", ""}));

    // Cell boundaries and case matter; the first of each key stays.
    RowTable k = tableOf({{{F::Old, "ab"}, {F::New, "c"}},
                          {{F::Old, "a"}, {F::New, "bc"}},
                          {{F::Old, "AB"}, {F::New, "c"}},
                          {{F::Old, "ab"}, {F::New, "c"}},
                          {{F::Old, "a"}, {F::New, "bc"}}});
    EXPECT_EQ(removeDuplicateRows(k, DuplicateKey::AllColumns), 2);
    EXPECT_EQ(columnTexts(k, F::Old), QStringList({"ab", "a", "AB", ""}));
}

TEST(DuplicateRows, ProgressAndStop)
{
    RowTable t;
    const int rows = 3000;
    t.appendRows(rows);
    for (int r = 1; r <= rows; ++r)
        t.setCell(r, F::New, "same");
    // Stopped at the first report: only the rows examined so far go.
    int found = -1;
    const int removed =
        removeDuplicateRows(t, DuplicateKey::VisibleColumns, [&](int done, int percent, int n) {
            found = n;
            EXPECT_EQ(percent, done * 100 / (rows - 1));
            return false;
        });
    EXPECT_EQ(removed, found);
    EXPECT_EQ(t.fileRowCount(), rows - removed);
}
