#pragma once

#include "table/celleditor.h"
#include "table/rowtable.h"

#include <QString>

namespace qm {

// The status line after a row was moved.
QString rowMoveHint();

// Moves the row at `from` to `to`, the rows between shifting by one; both
// must be valid rows below the header. False (no change) otherwise.
bool moveRow(RowTable &table, int from, int to);

// grdNamesRowMoved: after the row at `from` was moved to `to`. The move is
// taken back when it involves the blank last row, or when the folders are
// numbered separately and the row landed next to another folder on the side
// it came from (case-sensitive); then the result is false. Otherwise the rows
// between get consecutive numbers, continuing from the neighbour the row
// came from.
bool completeRowMove(RowTable &table, int from, int to, const Numbering &numbering);

// Ctrl+Up / Ctrl+Down on the current row: swaps it with its neighbour when
// both are file rows and completes the move. Returns the row to select (the
// moved row, or the original one when the move was refused or taken back).
int moveRowByKey(RowTable &table, int row, bool up, const Numbering &numbering);

} // namespace qm
