#pragma once

#include <QCollator>
#include <QtGlobal>
#include <functional>
#include <optional>
#include <vector>

#include "text/sortkeys.h"

namespace qm {

class RowTable;

// The locale's order of texts, without regard to case (the rows' sort and
// the lists the window shows sorted).
QCollator textCollator();

// A new order of the file rows: entry i is the row (1-based) that becomes
// row i + 1.
using RowOrder = std::vector<int>;

// Told, for the key `level` (0-based, of `levels`), how many of the `total`
// rows have been looked at; false stops.
struct SortProgress {
    std::function<bool(int level, int levels, int done, int total)> report;
    bool operator()(int level, int levels, int done, int total) const
    {
        return !report || report(level, levels, done, total);
    }
};

// The order of the file rows ascending by `keys`: text compared as the
// locale orders it without regard to case, numbers (isNumericSortKey) as
// numbers with the cells that hold none first. Rows equal in every key keep
// their order. Only the table's cells are read, so it may run on a job's
// thread while the window leaves the table alone. A later key is read only
// for rows the earlier ones left tied, and at most one key per row is held
// at a time. Nothing when `progress` asked to stop.
std::optional<RowOrder> sortedRowOrder(const RowTable &table, const SortKeys &keys,
                                       const SortProgress &progress = {});

// A uniformly random order of the file rows, drawn from `seed`.
RowOrder shuffledRowOrder(const RowTable &table, quint64 seed);

// Puts the rows in `order` (a permutation of the file rows) in one linear
// pass, each row moved once; the header and the blank last row stay.
void applyRowOrder(RowTable &table, const RowOrder &order);

} // namespace qm
