#pragma once

#include "table/rowtable.h"

#include <QString>
#include <QStringView>

namespace qm {

// "01, 02, 03, ..." (a zero below 10 only) or "1, 2, 3, ...".
enum class NumberStyle { LeadingZero, Plain };
// One running count, or a count restarting for each run of rows with the
// same folder.
enum class NumberScope { WholeTable, PerFolder };

QString numberText(int n, NumberStyle style);

// Folders are the same when their texts are equal without regard to case.
bool sameFolder(QStringView a, QStringView b);

// Rewrites the No cells from row `from` to the last file row. Rows above
// `from` are left as they are; in the per-folder scope a group that starts
// above `from` continues from the number of row `from`-1, and a group that
// starts at `from` counts from 1. The blank last row is never numbered.
void renumberRows(RowTable &table, int from, NumberStyle style, NumberScope scope);

// Rewrites the numbers after the style was changed to `style`: in the
// whole-table scope only rows 1..9 differ between the styles; in the
// per-folder scope every number below 10 gains or loses its leading zero.
void restyleNumbers(RowTable &table, NumberStyle style, NumberScope scope);

} // namespace qm
