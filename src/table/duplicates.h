#pragma once

#include "table/rowtable.h"

#include <functional>
#include <vector>

namespace qm {

enum class DuplicateKey {
    VisibleColumns, // the shown data columns, left to right
    AllColumns,     // all 25 cells, No counted as empty
};

// Called now and then with the file rows examined so far, the percentage for
// the progress bar (-1: leave it, the table being too small to measure), and
// the duplicates found so far; returning false stops the search there.
using DuplicateProgress = std::function<bool(int rowsDone, int percent, int found)>;

// Marks every file row whose key (compared case-sensitively, cell by cell)
// an earlier file row already had: the first of each key stays. Reads the
// table only, so it may run off the runner's thread. A stop leaves the rows
// not yet examined unmarked. Index i of the result is row i.
std::vector<bool> findDuplicateRows(const RowTable &table, DuplicateKey key,
                                    const DuplicateProgress &progress = {});

// Removes the marked file rows in one pass; returns how many went.
int removeMarkedRows(RowTable &table, const std::vector<bool> &marked);

// Both steps; the caller renumbers from row 1 when rows went.
int removeDuplicateRows(RowTable &table, DuplicateKey key, const DuplicateProgress &progress = {});

} // namespace qm
