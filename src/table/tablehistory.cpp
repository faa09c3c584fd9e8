#include "table/tablehistory.h"

#include <QHash>

#include <algorithm>
#include <unordered_map>

namespace qm {
namespace {

constexpr size_t kNo = size_t(toInt(FieldNumber::No));

// A row that moved keeps its cells' text handles; numbers aside, which a
// move rewrites.
bool sameHandles(const Row &a, const Row &b)
{
    for (size_t f = 0; f < a.size(); ++f)
        if (f != kNo && a[f].handle() != b[f].handle())
            return false;
    return true;
}

size_t handleHash(const Row &row)
{
    size_t h = 0;
    for (size_t f = 0; f < row.size(); ++f)
        if (f != kNo)
            h = h * 1000003u ^ std::hash<std::uintptr_t>()(row[f].handle());
    return h;
}

// A row whose cells were also rewritten is still known by its file.
bool hasFile(const Row &row)
{
    for (FieldNumber f : {FieldNumber::Dir, FieldNumber::Old, FieldNumber::Ext})
        if (!row[size_t(toInt(f))].isEmpty())
            return true;
    return false;
}

bool sameFile(const Row &a, const Row &b)
{
    for (FieldNumber f : {FieldNumber::Dir, FieldNumber::Old, FieldNumber::Ext})
        if (a[size_t(toInt(f))] != b[size_t(toInt(f))])
            return false;
    return true;
}

size_t fileHash(const Row &row)
{
    return qHashMulti(0, row[size_t(toInt(FieldNumber::Dir))], row[size_t(toInt(FieldNumber::Old))],
                      row[size_t(toInt(FieldNumber::Ext))]);
}

// Rows of the earlier table by a hash, each bucket in table order, so that
// equal rows pair up in order and a deletion or insertion keeps long runs.
class RowIndex {
public:
    void add(size_t hash, int row) { buckets_[hash].rows.push_back(row); }
    template <typename Same> int take(size_t hash, std::vector<char> &used, Same same)
    {
        const auto it = buckets_.find(hash);
        if (it == buckets_.end())
            return -1;
        Bucket &bucket = it->second;
        while (bucket.next < bucket.rows.size() && used[size_t(bucket.rows[bucket.next])])
            ++bucket.next;
        for (size_t k = bucket.next; k < bucket.rows.size(); ++k) {
            const int row = bucket.rows[k];
            if (!used[size_t(row)] && same(row)) {
                used[size_t(row)] = 1;
                return row;
            }
        }
        return -1;
    }

private:
    struct Bucket {
        std::vector<int> rows;
        size_t next = 0;
    };
    std::unordered_map<size_t, Bucket> buckets_;
};

} // namespace

struct HistoryCell {
    int row; // in the table after the step
    int field;
    QString before;
    QString after;
};

// Rows [after, after + count) of the later table were rows [before, ...) of
// the earlier one.
struct HistoryRun {
    int after;
    int before;
    int count;
};

struct HistoryRow {
    int index;
    Row cells;
};

struct TableHistory::Step {
    // Rows moved, came or went; otherwise only `cells` changed.
    bool rows = false;
    int beforeCount = 0;
    int afterCount = 0;
    std::vector<HistoryRun> runs;
    std::vector<HistoryRow> removed; // by their place before the step
    std::vector<HistoryRow> added;   // by their place after it
    std::vector<HistoryCell> cells;  // of rows that stayed, by their place after it
    std::shared_ptr<const void> extraBefore;
    std::shared_ptr<const void> extraAfter;

    size_t cost() const
    {
        return cells.size() + (removed.size() + added.size()) * size_t(kColumnCount) + runs.size();
    }
};

namespace {

void diffCells(const Row &before, const Row &after, int row, std::vector<HistoryCell> &out)
{
    for (size_t f = 0; f < before.size(); ++f)
        if (before[f] != after[f])
            out.push_back({row, int(f), before[f], after[f]});
}

// The step as cell changes only, rows staying in place.
TableHistory::Step inPlaceStep(const std::vector<Row> &before, const std::vector<Row> &after,
                               int *changedRows)
{
    TableHistory::Step step;
    step.beforeCount = step.afterCount = int(after.size());
    *changedRows = 0;
    for (size_t r = 1; r < after.size(); ++r) {
        const size_t was = step.cells.size();
        diffCells(before[r], after[r], int(r), step.cells);
        if (step.cells.size() != was)
            ++*changedRows;
    }
    return step;
}

// The step as rows kept (found again by their text handles, then by their
// file), rows removed and rows added, plus the cells the kept rows changed.
TableHistory::Step rowStep(const std::vector<Row> &before, const std::vector<Row> &after)
{
    const size_t n = before.size();
    const size_t m = after.size();
    std::vector<int> source(m, -1);
    std::vector<char> used(n, 0);
    source[0] = 0;
    used[0] = 1;

    RowIndex byHandles;
    for (size_t i = 1; i < n; ++i)
        byHandles.add(handleHash(before[i]), int(i));
    for (size_t j = 1; j < m; ++j)
        source[j] = byHandles.take(handleHash(after[j]), used,
                                   [&](int i) { return sameHandles(before[size_t(i)], after[j]); });

    RowIndex byFile;
    for (size_t i = 1; i < n; ++i)
        if (!used[i] && hasFile(before[i]))
            byFile.add(fileHash(before[i]), int(i));
    for (size_t j = 1; j < m; ++j)
        if (source[j] < 0 && hasFile(after[j]))
            source[j] = byFile.take(fileHash(after[j]), used,
                                    [&](int i) { return sameFile(before[size_t(i)], after[j]); });

    TableHistory::Step step;
    step.rows = true;
    step.beforeCount = int(n);
    step.afterCount = int(m);
    for (size_t j = 0; j < m; ++j) {
        const int i = source[j];
        if (i < 0) {
            step.added.push_back({int(j), after[j]});
            continue;
        }
        if (j > 0)
            diffCells(before[size_t(i)], after[j], int(j), step.cells);
        HistoryRun *last = step.runs.empty() ? nullptr : &step.runs.back();
        if (last && last->after + last->count == int(j) && last->before + last->count == i)
            ++last->count;
        else
            step.runs.push_back({int(j), i, 1});
    }
    for (size_t i = 1; i < n; ++i)
        if (!used[i])
            step.removed.push_back({int(i), before[i]});
    return step;
}

void widen(TableHistory::Touched &touched, int row)
{
    if (touched.first > touched.last) {
        touched.first = touched.last = row;
        return;
    }
    touched.first = std::min(touched.first, row);
    touched.last = std::max(touched.last, row);
}

// Moves the kept rows of `table` to their places in a table of `count`
// rows and puts `placed` in the others; the header stays the current one.
void rebuildRows(RowTable &table, int count, const std::vector<HistoryRun> &runs, bool forward,
                 const std::vector<HistoryRow> &placed)
{
    std::vector<Row> rows(static_cast<size_t>(count));
    for (const HistoryRun &run : runs) {
        const int from = forward ? run.before : run.after;
        const int to = forward ? run.after : run.before;
        for (int k = 0; k < run.count; ++k)
            rows[size_t(to) + size_t(k)] = std::move(table.row(from + k));
    }
    for (const HistoryRow &row : placed)
        rows[size_t(row.index)] = row.cells;
    table.replaceRows(std::move(rows));
}

} // namespace

TableHistory::TableHistory() = default;
TableHistory::~TableHistory() = default;

TableSnapshot TableHistory::snapshot(const RowTable &table)
{
    return TableSnapshot{table.rows(), {}};
}

bool TableHistory::record(const TableSnapshot &before, const RowTable &table,
                          std::shared_ptr<const void> extra)
{
    const std::vector<Row> &after = table.rows();
    if (before.rows.size() < 2)
        return false;
    Step step;
    const bool extraChanged = before.extra != extra;
    if (before.rows.size() == after.size()) {
        int changedRows = 0;
        step = inPlaceStep(before.rows, after, &changedRows);
        if (step.cells.empty() && !extraChanged)
            return false;
        // Rows that moved show as whole rows of changed cells in place; their
        // permutation may cost less.
        if (changedRows > 1) {
            Step moved = rowStep(before.rows, after);
            if (moved.cost() < step.cost())
                step = std::move(moved);
        }
    } else {
        step = rowStep(before.rows, after);
    }
    step.extraBefore = before.extra;
    step.extraAfter = std::move(extra);
    undo_.push_back(std::move(step));
    if (undo_.size() > size_t(kMaxSteps))
        undo_.erase(undo_.begin());
    redo_.clear();
    return true;
}

TableHistory::Touched TableHistory::undo(RowTable &table)
{
    Touched touched;
    if (undo_.empty())
        return touched;
    Step step = std::move(undo_.back());
    undo_.pop_back();
    if (table.rowCount() != step.afterCount) {
        // The table changed outside the history: its steps no longer fit.
        clear();
        return touched;
    }
    for (const HistoryCell &c : step.cells) {
        table.setCell(c.row, toField(c.field), c.before);
        widen(touched, c.row);
    }
    if (step.rows) {
        rebuildRows(table, step.beforeCount, step.runs, false, step.removed);
        touched.rows = true;
    }
    touched.extraChanged = step.extraBefore != step.extraAfter;
    touched.extra = step.extraBefore;
    redo_.push_back(std::move(step));
    return touched;
}

TableHistory::Touched TableHistory::redo(RowTable &table)
{
    Touched touched;
    if (redo_.empty())
        return touched;
    Step step = std::move(redo_.back());
    redo_.pop_back();
    if (table.rowCount() != step.beforeCount) {
        clear();
        return touched;
    }
    if (step.rows) {
        rebuildRows(table, step.afterCount, step.runs, true, step.added);
        touched.rows = true;
    }
    for (const HistoryCell &c : step.cells) {
        table.setCell(c.row, toField(c.field), c.after);
        widen(touched, c.row);
    }
    touched.extraChanged = step.extraBefore != step.extraAfter;
    touched.extra = step.extraAfter;
    undo_.push_back(std::move(step));
    return touched;
}

bool TableHistory::canUndo() const { return !undo_.empty(); }

bool TableHistory::canRedo() const { return !redo_.empty(); }

void TableHistory::clear()
{
    undo_.clear();
    redo_.clear();
}

size_t TableHistory::storedCells() const
{
    size_t cells = 0;
    for (const auto *stack : {&undo_, &redo_})
        for (const Step &step : *stack)
            cells += step.cells.size() + (step.removed.size() + step.added.size()) * kColumnCount;
    return cells;
}

} // namespace qm
