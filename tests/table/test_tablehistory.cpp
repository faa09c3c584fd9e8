#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "table/cellblock.h"
#include "table/numbering.h"
#include "table/rowmoves.h"
#include "table/tablehistory.h"

using namespace qm;
using F = FieldNumber;

namespace {

const Numbering kPlain{NumberStyle::Plain, NumberScope::WholeTable};

// `count` numbered file rows, each with its own folder, name and title.
RowTable filledTable(int count)
{
    RowTable table;
    table.appendRows(count);
    for (int r = 1; r <= count; ++r) {
        table.setCell(r, F::Dir, QStringLiteral("/music/%1/").arg(r % 7));
        table.setCell(r, F::Old, QStringLiteral("file%1").arg(r));
        table.setCell(r, F::Ext, QStringLiteral("mp3"));
        table.setCell(r, F::Tit, QStringLiteral("Title %1").arg(r));
    }
    renumberRows(table, 1, kPlain.style, kPlain.scope);
    return table;
}

int position(const RowTable &table, F field) { return table.layout().position(field); }

CellRect column(const RowTable &table, F field, int top, int bottom)
{
    const int p = position(table, field);
    return CellRect{p, top, p, bottom};
}

CellRect wholeRows(const RowTable &table, int top, int bottom)
{
    return CellRect{table.layout().noPosition() + 1, top, kColumnCount - 1, bottom};
}

struct ChangeCase {
    const char *name;
    std::function<void(RowTable &)> change;
};

} // namespace

TEST(TableHistory, EveryKindOfChangeUndoesAndRedoesExactly)
{
    const ChangeCase cases[] = {
        {"cell edit", [](RowTable &t) { t.setCell(3, F::Tit, "edited"); }},
        {"paste into",
         [](RowTable &t) {
             pasteCellBlock(t, column(t, F::Art, 2, 5), u"a\r\nb\r\nc", PasteMode::Into, kPlain);
         }},
        {"paste inserting rows",
         [](RowTable &t) {
             pasteCellBlock(t, wholeRows(t, 4, 4), u"x\ty\r\nz\tw", PasteMode::Insert, kPlain);
         }},
        {"paste past the last row",
         [](RowTable &t) {
             pasteCellBlock(t, column(t, F::Tit, 19, 19), u"1\r\n2\r\n3\r\n4", PasteMode::Into,
                            kPlain);
         }},
        {"delete rows", [](RowTable &t) { deleteSelection(t, wholeRows(t, 3, 6), kPlain); }},
        {"delete cells moving up",
         [](RowTable &t) { deleteSelection(t, column(t, F::Tit, 2, 4), kPlain); }},
        {"clear rows", [](RowTable &t) { clearSelection(t, wholeRows(t, 1, 2), kPlain); }},
        {"row move",
         [](RowTable &t) {
             moveRow(t, 2, 15);
             completeRowMove(t, 2, 15, kPlain);
         }},
        {"permutation with cells changed",
         [](RowTable &t) {
             t.setCell(5, F::Trc, "05");
             for (int r = 1, s = t.lastFileRow(); r < s; ++r, --s)
                 std::swap(t.row(r), t.row(s));
             renumberRows(t, 1, kPlain.style, kPlain.scope);
         }},
        {"every row removed", [](RowTable &t) { t.removeAllFileRows(); }},
    };
    for (const ChangeCase &c : cases) {
        SCOPED_TRACE(c.name);
        RowTable table = filledTable(20);
        const std::vector<Row> original = table.rows();
        TableHistory history;
        const TableSnapshot before = TableHistory::snapshot(table);
        c.change(table);
        const std::vector<Row> changed = table.rows();
        ASSERT_TRUE(history.record(before, table));
        history.undo(table);
        EXPECT_EQ(table.rows(), original);
        EXPECT_TRUE(history.canRedo());
        history.redo(table);
        EXPECT_EQ(table.rows(), changed);
        history.undo(table);
        EXPECT_EQ(table.rows(), original);
    }
}

TEST(TableHistory, NothingChangedRecordsNoStepAndANewStepDropsRedo)
{
    RowTable table = filledTable(5);
    TableHistory history;
    TableSnapshot before = TableHistory::snapshot(table);
    table.setCell(2, F::Tit, QString(table.cell(2, F::Tit))); // same text, new copy
    EXPECT_FALSE(history.record(before, table));

    table.setCell(2, F::Tit, "one");
    ASSERT_TRUE(history.record(before, table));
    history.undo(table);
    before = TableHistory::snapshot(table);
    table.setCell(3, F::Tit, "two");
    ASSERT_TRUE(history.record(before, table));
    EXPECT_FALSE(history.canRedo());
}

TEST(TableHistory, MemoryFollowsTheChangeNotTheTable)
{
    RowTable table = filledTable(100000);
    TableHistory history;

    // 5,000 cells pasted over the titles.
    QString block;
    for (int i = 0; i < 5000; ++i)
        block += QStringLiteral("pasted %1\r\n").arg(i);
    TableSnapshot before = TableHistory::snapshot(table);
    pasteCellBlock(table, column(table, F::Tit, 1000, 5999), block, PasteMode::Into, kPlain);
    ASSERT_TRUE(history.record(before, table));
    EXPECT_EQ(history.storedCells(), 5000u);

    // One row deleted: that row and the numbers after it would be all; the
    // numbers are rewritten, so the row and the renumbered cells.
    before = TableHistory::snapshot(table);
    deleteSelection(table, wholeRows(table, 50000, 50000), kPlain);
    ASSERT_TRUE(history.record(before, table));
    EXPECT_LE(history.storedCells(), 5000u + kColumnCount + 50001u);

    // Two rows swapped far apart: a few runs and their numbers.
    before = TableHistory::snapshot(table);
    const size_t stored = history.storedCells();
    moveRow(table, 10, 90000);
    completeRowMove(table, 10, 90000, kPlain);
    ASSERT_TRUE(history.record(before, table));
    EXPECT_LE(history.storedCells() - stored, 2u * 90000u);

    history.undo(table);
    history.undo(table);
    history.undo(table);
    EXPECT_EQ(table.rows(), filledTable(100000).rows());
}

// A sort tells the history where each row came from; a wrong account must
// still give a step that undoes exactly.
TEST(TableHistory, ARowOrderGivenWithTheChangeRecordsTheSameStep)
{
    constexpr int kRows = 12;
    std::vector<int> reversed(kRows);
    for (int i = 0; i < kRows; ++i)
        reversed[size_t(i)] = kRows - i;
    std::vector<int> shifted = reversed;
    std::rotate(shifted.begin(), shifted.begin() + 1, shifted.end());
    // Rows 3 and 4 alike: only their places tell them apart.
    std::vector<int> twice = reversed;
    twice[kRows - 4] = 3;
    const std::pair<const char *, std::vector<int>> orders[] = {
        {"the order", reversed},
        {"another order", shifted},
        {"a row twice", twice},
        {"too short", {1, 2}},
        {"out of range", std::vector<int>(kRows, kRows + 1)},
    };
    RowTable table = filledTable(kRows);
    table.row(4) = table.row(3);
    renumberRows(table, 1, kPlain.style, kPlain.scope);
    const std::vector<Row> original = table.rows();
    const TableSnapshot before = TableHistory::snapshot(table);
    table.setCell(5, F::Trc, "05");
    table.reorderFileRows(reversed);
    renumberRows(table, 1, kPlain.style, kPlain.scope);
    const std::vector<Row> changed = table.rows();
    TableHistory found;
    ASSERT_TRUE(found.record(before, table));
    for (const auto &[name, order] : orders) {
        SCOPED_TRACE(name);
        TableHistory history;
        ASSERT_TRUE(history.record(before, table, {}, order));
        EXPECT_EQ(history.storedCells(), found.storedCells());
        history.undo(table);
        EXPECT_EQ(table.rows(), original);
        history.redo(table);
        EXPECT_EQ(table.rows(), changed);
    }
}
