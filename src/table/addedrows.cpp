#include "table/addedrows.h"

#include <algorithm>

namespace qm {

AddedRows completeAddedRows(RowTable &table, int first, NumberStyle style, NumberScope scope,
                            bool splitNames)
{
    first = std::max(first, 1);
    // Removed rows all lie at or after `first`, so numbering from `first`
    // covers them too.
    table.deleteEmptyRows(first, table.lastFileRow());
    const AddedRows added{first, table.lastFileRow()};
    if (!added.isEmpty()) {
        if (splitNames)
            table.splitAddedNames(added.first, added.last);
        renumberRows(table, first, style, scope);
    }
    return added;
}

} // namespace qm
