#pragma once

#include "table/rowtable.h"

#include <memory>
#include <span>
#include <vector>

namespace qm {

// The rows as they were when a change began. Cells share their text with
// the table, so taking one copies no text, only the cell handles.
struct TableSnapshot {
    TableSnapshot() = default;
    TableSnapshot(const TableSnapshot &) = default;
    TableSnapshot(TableSnapshot &&) = default;
    TableSnapshot &operator=(const TableSnapshot &) = default;
    TableSnapshot &operator=(TableSnapshot &&other) noexcept
    {
        if (this != &other) {
            releaseRows(rows);
            rows = std::move(other.rows);
            extra = std::move(other.extra);
        }
        return *this;
    }
    // The rows go through releaseRows, faster than their destructors.
    ~TableSnapshot() { releaseRows(rows); }

    std::vector<Row> rows;
    // State the owner keeps beside the rows that steps take back with them
    // (never looked into here).
    std::shared_ptr<const void> extra;
    bool isEmpty() const { return rows.empty(); }
};

// Undo and redo of table changes. A change is recorded by comparing the
// rows after it with a snapshot taken before it, and only what differs is
// kept: the cells that changed (row, field, old and new text), the rows that
// went or came with their places, and, when rows moved, the runs of rows
// that kept their neighbours (a sort keeps its permutation). So the memory
// of a step follows the size of the change, not of the table. The header
// row is never part of a step: it follows the views.
class TableHistory {
public:
    TableHistory();
    ~TableHistory();

    static TableSnapshot snapshot(const RowTable &table);
    // The step from `before` to the table as it is now, and from the extra
    // state of `before` to `extra`, put on the undo stack (the redo stack is
    // dropped). Returns false when nothing changed.
    // `fileOrder`, when the change put the file rows in another order (as
    // RowTable::reorderFileRows takes it), saves looking for where each row
    // went; a row it names wrongly only costs that look.
    bool record(const TableSnapshot &before, const RowTable &table,
                std::shared_ptr<const void> extra = {}, std::span<const int> fileOrder = {});

    bool canUndo() const;
    bool canRedo() const;

    // What an undo or redo touched: rows moved, came or went (the view
    // rebuilds), or only the cells of rows [first, last].
    struct Touched {
        bool rows = false;
        int first = 0;
        int last = -1;
        // The extra state the step took back or brought again, when it
        // changed one.
        bool extraChanged = false;
        std::shared_ptr<const void> extra;
        bool isEmpty() const { return !rows && first > last; }
    };
    Touched undo(RowTable &table);
    Touched redo(RowTable &table);
    void clear();

    // How many cell texts the steps hold (a stored row counts all its
    // cells): what the memory of the history grows with.
    size_t storedCells() const;

    // The oldest steps go beyond this many.
    static constexpr int kMaxSteps = 100;

    struct Step;

private:
    std::vector<Step> undo_;
    std::vector<Step> redo_;
};

} // namespace qm
