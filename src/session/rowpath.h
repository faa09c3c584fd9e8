#pragma once

#include "jobs/readkinds.h"
#include "table/rowtable.h"

namespace qm {

// The file of file row `row`, as a read names it: Dir + Old + "." + Ext.
inline QString RowPath(const RowTable &table, int row)
{
    QString dir = table.cell(row, FieldNumber::Dir);
    return BuildFileName(dir, table.cell(row, FieldNumber::Old), table.cell(row, FieldNumber::Ext));
}

} // namespace qm
