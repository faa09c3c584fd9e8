#pragma once

#include "jobs/readkinds.h"
#include "table/rowtable.h"

namespace qm {

// The file of file row `row`, as a read names it: Dir + Old + "." + Ext.
inline QString RowPath(const RowTable &table, int row) { return RowFileName(table.row(row)); }

} // namespace qm
