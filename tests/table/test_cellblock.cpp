#include "edittesthelpers.h"
#include "table/cellblock.h"

#include <gtest/gtest.h>

using namespace qm;
using namespace qm::test;
using F = FieldNumber;

namespace {

RowTable fiveFiles()
{
    return tableOf({{{F::Old, "o1"}, {F::New, "n1"}},
                    {{F::Old, "o2"}, {F::New, "n2"}},
                    {{F::Old, "o3"}, {F::New, "n3"}},
                    {{F::Old, "o4"}, {F::New, "n4"}},
                    {{F::Old, "o5"}, {F::New, "n5"}}});
}

CellRect cellAt(const RowTable &t, F f, int row) { return columnRect(t, f, row, row); }

} // namespace

TEST(CellBlockCopy, LinesOfTabbedCellsEachEndingWithCrLf)
{
    RowTable t =
        tableOf({{{F::Old, "a"}, {F::New, "b"}, {F::Ext, "c"}}, {{F::Old, "d"}, {F::Ext, "f"}}});
    // The blank last row in the selection is left out.
    EXPECT_EQ(copyCellBlock(t, columnsRect(t, F::Old, F::Ext, 1, t.blankRow())),
              "a\tb\tc\r\nd\t\tf\r\n");
    t.setCell(1, F::Tit, " \t");
    EXPECT_EQ(copyCellBlock(t, columnRect(t, F::Tit, 1, 2)), "");
    // LF then CR LF is two line ends; a final line end starts no line.
    EXPECT_EQ(cellBlockLines(u"a\n\r\nb\r"), QStringList({"a", "", "b"}));
}

TEST(CellBlockPaste, InsertingMovesOnlyTheBlocksColumnsDown)
{
    RowTable t = fiveFiles();
    ASSERT_TRUE(
        pasteCellBlock(t, cellAt(t, F::New, 3), u"x\r\ny\r\n", PasteMode::Insert, Numbering{}));
    EXPECT_EQ(t.fileRowCount(), 7);
    EXPECT_EQ(columnTexts(t, F::New), QStringList({"n1", "n2", "x", "y", "n3", "n4", "n5", ""}));
    EXPECT_EQ(columnTexts(t, F::Old), QStringList({"o1", "o2", "o3", "o4", "o5", "", "", ""}));
    EXPECT_EQ(columnTexts(t, F::No), QStringList({"01", "02", "03", "04", "05", "06", "07", ""}));
}

TEST(CellBlockPaste, OddClipboardsGiveTheSameCells)
{
    for (const QString &block :
         {QString("p\tq\r\nr\ts\r\n"), QString("p\tq\nr\ts"), QString("p\tq\rr\ts\r")}) {
        RowTable t = fiveFiles();
        ASSERT_TRUE(pasteCellBlock(t, columnsRect(t, F::Old, F::New, 2, 4), block, PasteMode::Into,
                                   Numbering{}));
        EXPECT_EQ(columnTexts(t, F::Old), QStringList({"o1", "p", "r", "o4", "o5", ""}));
        EXPECT_EQ(columnTexts(t, F::New), QStringList({"n1", "q", "s", "n4", "n5", ""}));
    }
    // Into a selection of several cells, lines and cells beyond it go.
    RowTable t = fiveFiles();
    pasteCellBlock(t, columnRect(t, F::New, 1, 2), u"a\tb\nc\td\ne\tf\n", PasteMode::Into,
                   Numbering{});
    EXPECT_EQ(columnTexts(t, F::New), QStringList({"a", "c", "n3", "n4", "n5", ""}));
    EXPECT_EQ(copyCellBlock(t, columnRect(t, F::Ext, 1, 5)), "");
    EXPECT_FALSE(pasteCellBlock(t, cellAt(t, F::New, 1), u"", PasteMode::Insert, Numbering{}));
    EXPECT_EQ(t.fileRowCount(), 5);
}

TEST(CellBlockPaste, IntoOneCellGrowsTheTableAndDropsWhatFallsOffTheRight)
{
    RowTable t = fiveFiles();
    const int second = kColumnCount - 2;
    const F lastField = t.layout().fieldAt(kColumnCount - 1);
    // Wider than the table, longer than the rest of it, with an empty line
    // that must not leave an empty row behind.
    const QString block = "1\t2\t3\n4\t5\t6\n\t\n7\t8\t9\n";
    ASSERT_TRUE(pasteCellBlock(t, {second, 5, second, 5}, block, PasteMode::Into, Numbering{}));
    EXPECT_EQ(t.fileRowCount(), 7);
    EXPECT_EQ(columnTexts(t, t.layout().fieldAt(second)),
              QStringList({"", "", "", "", "1", "4", "7", ""}));
    EXPECT_EQ(columnTexts(t, lastField), QStringList({"", "", "", "", "2", "5", "8", ""}));
    EXPECT_EQ(t.cell(7, F::No), "07");
    EXPECT_TRUE(t.cell(t.blankRow(), F::No).isEmpty());
}

TEST(CellBlockPaste, CopyThenPasteRoundTrips)
{
    RowTable from =
        tableOf({{{F::Old, "a b"}, {F::New, ""}, {F::Ext, "mp3"}}, {{F::Old, "ж"}, {F::New, "x"}}});
    const QString block = copyCellBlock(from, columnsRect(from, F::Old, F::Ext, 1, 2));
    RowTable to;
    ASSERT_TRUE(pasteCellBlock(to, columnsRect(to, F::Old, F::Old, 1, 1), block, PasteMode::Insert,
                               Numbering{}));
    for (F f : {F::Old, F::New, F::Ext})
        EXPECT_EQ(columnTexts(to, f), columnTexts(from, f));
    EXPECT_EQ(copyCellBlock(to, columnsRect(to, F::Old, F::Ext, 1, 2)), block);
}

TEST(CellClearDelete, ClearEmptiesCellsOrRemovesWholeRows)
{
    RowTable t = fiveFiles();
    EXPECT_TRUE(clearSelection(t, columnRect(t, F::New, 2, 3), Numbering{}));
    EXPECT_EQ(columnTexts(t, F::New), QStringList({"n1", "", "", "n4", "n5", ""}));
    EXPECT_EQ(t.fileRowCount(), 5);

    EXPECT_TRUE(clearSelection(t, CellRect{1, 2, kColumnCount - 1, 3}, Numbering{}));
    EXPECT_EQ(columnTexts(t, F::Old), QStringList({"o1", "o4", "o5", ""}));
    EXPECT_EQ(columnTexts(t, F::No), QStringList({"01", "02", "03", ""}));

    // A row whose every filled cell is cleared goes.
    clearSelection(t, columnsRect(t, F::Old, F::New, 1, 1), Numbering{});
    EXPECT_EQ(columnTexts(t, F::Old), QStringList({"o4", "o5", ""}));
    EXPECT_FALSE(clearSelection(t, columnRect(t, F::Old, t.blankRow(), t.blankRow()), Numbering{}));
}

TEST(CellClearDelete, DeleteMovesTheColumnUpOrRemovesRows)
{
    RowTable t = tableOf({{{F::Old, "o1"}, {F::Tit, "t1"}},
                          {{F::Old, "o2"}, {F::Tit, "t2"}},
                          {{F::Old, "o3"}, {F::Tit, "t3"}},
                          {{F::Old, "o4"}, {F::Tit, "t4"}},
                          {{F::Old, "o5"}, {F::Tit, "t5"}}});
    const CellRect after = deleteSelection(t, columnRect(t, F::Tit, 2, 3), Numbering{});
    EXPECT_EQ(after, cellAt(t, F::Tit, 2));
    EXPECT_EQ(columnTexts(t, F::Tit), QStringList({"t1", "t4", "t5", "", "", ""}));
    EXPECT_EQ(columnTexts(t, F::Old), QStringList({"o1", "o2", "o3", "o4", "o5", ""}));

    // Whole rows, the selection reaching into the blank last row.
    deleteSelection(t, CellRect{1, 4, kColumnCount - 1, t.blankRow()}, Numbering{});
    EXPECT_EQ(columnTexts(t, F::Old), QStringList({"o1", "o2", "o3", ""}));
    EXPECT_EQ(columnTexts(t, F::No), QStringList({"01", "02", "03", ""}));

    // A row that only had the moved cells goes.
    RowTable u = tableOf({{{F::Tit, "a"}}, {{F::Tit, "b"}}, {{F::Old, "c"}}});
    deleteSelection(u, columnRect(u, F::Tit, 1, 1), Numbering{});
    EXPECT_EQ(columnTexts(u, F::Tit), QStringList({"b", "", ""}));
    EXPECT_EQ(columnTexts(u, F::Old), QStringList({"", "c", ""}));

    const CellRect blank = cellAt(u, F::Tit, u.blankRow());
    EXPECT_TRUE(deleteSelection(u, blank, Numbering{}).isEmpty());
    EXPECT_EQ(u.fileRowCount(), 2);
    EXPECT_EQ(selectAllCells(u), (CellRect{1, 1, kColumnCount - 1, 2}));
}
