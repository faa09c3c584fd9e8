#pragma once

#include "table/numbering.h"
#include "table/rowtable.h"

namespace qm {

// The file rows an add brought in, after their completion.
struct AddedRows {
    int first = 0;
    int last = -1; // below first when nothing is left
    bool isEmpty() const { return last < first; }
};

// The table's part of completing the rows an add job appended from `first`
// to the last file row: rows left empty are removed, the whole file names
// are split into Old, Ext and New (unless `splitNames` is false: a column
// list brings those columns itself), and the rows from the first change on
// are renumbered. Reading the files into the rows is left to the caller's
// jobs.
AddedRows completeAddedRows(RowTable &table, int first, NumberStyle style, NumberScope scope,
                            bool splitNames = true);

} // namespace qm
