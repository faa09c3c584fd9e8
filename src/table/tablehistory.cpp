#include "table/tablehistory.h"

#include <QHash>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <vector>

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
// Flat: a table of 100,000 rows sorted would otherwise make a heap block a
// bucket.
class RowIndex {
public:
    explicit RowIndex(size_t rows)
    {
        hashes_.reserve(rows);
        rows_.reserve(rows);
    }
    void add(size_t hash, int row)
    {
        hashes_.push_back(hash);
        rows_.push_back(row);
    }
    // After the last add, before the first take.
    void seal()
    {
        size_t slotCount = 16;
        while (slotCount < 2 * hashes_.size())
            slotCount *= 2;
        slots_.assign(slotCount, 0);
        std::vector<uint32_t> bucketOf(hashes_.size());
        for (size_t i = 0; i < hashes_.size(); ++i) {
            uint32_t &slot = slotFor(hashes_[i]);
            if (slot == 0) {
                buckets_.push_back({hashes_[i], 0, 0, 0});
                slot = uint32_t(buckets_.size());
            }
            bucketOf[i] = slot - 1;
            ++buckets_[slot - 1].end;
        }
        uint32_t begin = 0;
        for (Bucket &bucket : buckets_) {
            const uint32_t count = bucket.end;
            bucket.begin = bucket.next = bucket.end = begin;
            begin += count;
        }
        std::vector<int> byBucket(rows_.size());
        for (size_t i = 0; i < rows_.size(); ++i)
            byBucket[buckets_[bucketOf[i]].end++] = rows_[i];
        rows_ = std::move(byBucket);
    }
    template <typename Same> int take(size_t hash, std::vector<char> &used, Same same)
    {
        const uint32_t slot = slotFor(hash);
        if (slot == 0)
            return -1;
        Bucket &bucket = buckets_[slot - 1];
        while (bucket.next < bucket.end && used[size_t(rows_[bucket.next])])
            ++bucket.next;
        for (uint32_t k = bucket.next; k < bucket.end; ++k) {
            const int row = rows_[k];
            if (!used[size_t(row)] && same(row)) {
                used[size_t(row)] = 1;
                return row;
            }
        }
        return -1;
    }

private:
    struct Bucket {
        size_t hash;
        uint32_t begin, next, end; // its rows in rows_, in table order
    };
    // The slot of `hash`: the bucket's number + 1, or the empty slot it
    // would take.
    uint32_t &slotFor(size_t hash)
    {
        const size_t mask = slots_.size() - 1;
        for (size_t at = size_t((hash * 0x9E3779B97F4A7C15ull) >> 32) & mask;;
             at = (at + 1) & mask) {
            uint32_t &slot = slots_[at];
            if (slot == 0 || buckets_[slot - 1].hash == hash)
                return slot;
        }
    }

    std::vector<size_t> hashes_;
    std::vector<int> rows_; // as added, then bucket by bucket
    std::vector<Bucket> buckets_;
    std::vector<uint32_t> slots_;
};

} // namespace

struct HistoryCell {
    int row; // in the table after the step
    int field;
    Cell before; // sharing the text with the table, as a snapshot does
    Cell after;
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

// The step as cell changes only, rows staying in place: those of `rows`,
// the rows whose cells changed handles (the others hold the same texts).
TableHistory::Step inPlaceStep(const std::vector<Row> &before, const std::vector<Row> &after,
                               const std::vector<int> &rows)
{
    TableHistory::Step step;
    step.beforeCount = step.afterCount = int(after.size());
    for (const int r : rows)
        diffCells(before[size_t(r)], after[size_t(r)], r, step.cells);
    return step;
}

// The rows whose cells changed text handles, and how many cells: about
// what inPlaceStep would keep, told without reading the texts. A cell
// rewritten with its own text counts too, which can only make the other
// step the choice; both undo exactly.
struct InPlaceChanges {
    std::vector<int> rows;
    size_t cells = 0;
};

InPlaceChanges changesInPlace(const std::vector<Row> &before, const std::vector<Row> &after)
{
    InPlaceChanges changes;
    for (size_t r = 1; r < after.size(); ++r) {
        size_t changed = 0;
        for (size_t f = 0; f < after[r].size(); ++f)
            changed += before[r][f].handle() != after[r][f].handle();
        if (changed > 0) {
            changes.rows.push_back(int(r));
            changes.cells += changed;
        }
    }
    return changes;
}

// Whether the rows stayed in place, so that their permutation could only
// cost more: no more than one differs from the row in its place before,
// the rows that differ do in a cell or two each (a column edited, file
// names among them), or each row keeps its file there.
bool rowsInPlace(const std::vector<Row> &before, const std::vector<Row> &after,
                 const InPlaceChanges &changes)
{
    const size_t rows = changes.rows.size();
    if (rows <= 1 || changes.cells <= 2 * rows)
        return true;
    for (size_t r = 1; r < after.size(); ++r)
        if (!sameFile(before[r], after[r]))
            return false;
    return true;
}

// Where each row of `after` was in `before`: found again by its text
// handles, then by its file; -1 for a row that came. The rows that begin
// and end both tables alike are paired in place first, so that a few rows
// added to or taken from a large table cost no look at the others.
void findSources(const std::vector<Row> &before, const std::vector<Row> &after,
                 std::vector<int> &source, std::vector<char> &used)
{
    const size_t n = before.size();
    const size_t m = after.size();
    size_t first = 1;
    for (; first < std::min(n, m) && sameHandles(before[first], after[first]); ++first) {
        source[first] = int(first);
        used[first] = 1;
    }
    size_t endBefore = n, endAfter = m;
    for (; endBefore > first && endAfter > first
           && sameHandles(before[endBefore - 1], after[endAfter - 1]);
         --endBefore, --endAfter) {
        source[endAfter - 1] = int(endBefore - 1);
        used[endBefore - 1] = 1;
    }

    RowIndex byHandles(endBefore - first);
    for (size_t i = first; i < endBefore; ++i)
        byHandles.add(handleHash(before[i]), int(i));
    byHandles.seal();
    for (size_t j = first; j < endAfter; ++j)
        source[j] = byHandles.take(handleHash(after[j]), used,
                                   [&](int i) { return sameHandles(before[size_t(i)], after[j]); });

    RowIndex byFile(endBefore - first);
    for (size_t i = first; i < endBefore; ++i)
        if (!used[i] && hasFile(before[i]))
            byFile.add(fileHash(before[i]), int(i));
    byFile.seal();
    for (size_t j = first; j < endAfter; ++j)
        if (source[j] < 0 && hasFile(after[j]))
            source[j] = byFile.take(fileHash(after[j]), used,
                                    [&](int i) { return sameFile(before[size_t(i)], after[j]); });
}

// Row j of `after`, which was row i of `before`, kept by the step with the
// cells it changed.
void keepRow(TableHistory::Step &step, const Row &before, const Row &after, int j, int i)
{
    if (j > 0)
        diffCells(before, after, j, step.cells);
    HistoryRun *last = step.runs.empty() ? nullptr : &step.runs.back();
    if (last && last->after + last->count == j && last->before + last->count == i)
        ++last->count;
    else
        step.runs.push_back({j, i, 1});
}

TableHistory::Step emptyRowStep(size_t before, size_t after)
{
    TableHistory::Step step;
    step.rows = true;
    step.beforeCount = int(before);
    step.afterCount = int(after);
    return step;
}

// The step when `fileOrder` (the file rows' new order) holds for every row:
// the row it names still has its text handles or its file. The rows before
// are read once each, in the order's random order, so they are fetched
// ahead.
std::optional<TableHistory::Step> knownRowStep(const std::vector<Row> &before,
                                               const std::vector<Row> &after,
                                               std::span<const int> fileOrder)
{
    const size_t n = before.size();
    if (n != after.size() || n < 2 || fileOrder.size() != n - 2)
        return std::nullopt;
    constexpr size_t kAhead = 8;
    std::vector<char> used(n, 0);
    TableHistory::Step step = emptyRowStep(n, n);
    keepRow(step, before[0], after[0], 0, 0);
    for (size_t j = 1; j + 1 < n; ++j) {
        if (j - 1 + kAhead < fileOrder.size()) {
            const size_t ahead = size_t(fileOrder[j - 1 + kAhead]);
            if (ahead < n)
                prefetchRow(before[ahead]);
        }
        const int i = fileOrder[j - 1];
        if (i < 1 || size_t(i) + 1 >= n || used[size_t(i)])
            return std::nullopt;
        const Row &was = before[size_t(i)];
        if (!sameHandles(was, after[j]) && !(hasFile(was) && sameFile(was, after[j])))
            return std::nullopt;
        used[size_t(i)] = 1;
        keepRow(step, was, after[j], int(j), i);
    }
    keepRow(step, before[n - 1], after[n - 1], int(n - 1), int(n - 1)); // the blank last row
    return step;
}

// The step as rows kept, rows removed and rows added, plus the cells the
// kept rows changed.
TableHistory::Step rowStep(const std::vector<Row> &before, const std::vector<Row> &after,
                           std::span<const int> fileOrder)
{
    if (!fileOrder.empty())
        if (std::optional<TableHistory::Step> known = knownRowStep(before, after, fileOrder))
            return std::move(*known);
    const size_t n = before.size();
    const size_t m = after.size();
    std::vector<int> source(m, -1);
    std::vector<char> used(n, 0);
    source[0] = 0;
    used[0] = 1;
    findSources(before, after, source, used);

    TableHistory::Step step = emptyRowStep(n, m);
    for (size_t j = 0; j < m; ++j) {
        if (const int i = source[j]; i >= 0)
            keepRow(step, before[size_t(i)], after[j], int(j), i);
        else
            step.added.push_back({int(j), after[j]});
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
    // Rows that only moved (a sort) are put in place along the order's
    // cycles, without a second table's worth of fresh memory.
    if (placed.empty() && count == table.rowCount() && count >= 2) {
        std::vector<int> order(size_t(count) - 2, 0);
        bool fileRowsOnly = true;
        for (const HistoryRun &run : runs) {
            const int from = forward ? run.before : run.after;
            const int to = forward ? run.after : run.before;
            for (int k = 0; k < run.count && fileRowsOnly; ++k) {
                if (table.isFileRow(to + k))
                    order[size_t(to + k - 1)] = from + k;
                else
                    fileRowsOnly = from + k == to + k;
            }
        }
        if (fileRowsOnly && table.reorderFileRows(order))
            return;
    }
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
    const std::vector<Row> &rows = table.rows();
    TableSnapshot snapshot;
    snapshot.rows.reserve(rows.size());
    for (size_t r = 0; r < rows.size(); ++r) {
        if (r + kTextsAhead < rows.size())
            prefetchTexts(rows[r + kTextsAhead]);
        snapshot.rows.push_back(rows[r]);
    }
    return snapshot;
}

bool TableHistory::record(const TableSnapshot &before, const RowTable &table,
                          std::shared_ptr<const void> extra, std::span<const int> fileOrder)
{
    const std::vector<Row> &after = table.rows();
    if (before.rows.size() < 2)
        return false;
    Step step;
    const bool extraChanged = before.extra != extra;
    if (before.rows.size() != after.size()) {
        step = rowStep(before.rows, after, fileOrder);
    } else if (const InPlaceChanges changes = changesInPlace(before.rows, after);
               rowsInPlace(before.rows, after, changes)) {
        step = inPlaceStep(before.rows, after, changes.rows);
        if (step.cells.empty() && !extraChanged)
            return false;
    } else {
        // Rows that moved show as whole rows of changed cells in place; their
        // permutation may cost less. A sort changes every cell in place, so
        // those cells are only written out when they are the cheaper step.
        step = rowStep(before.rows, after, fileOrder);
        if (changes.cells <= step.cost())
            step = inPlaceStep(before.rows, after, changes.rows);
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
