#pragma once

#include "table/celleditor.h"
#include "table/rowtable.h"
#include "table/selection.h"

#include <QString>
#include <QStringList>
#include <QStringView>
#include <vector>

namespace qm {

// The clipboard cell block: one line per row, each ending with CR LF, the
// cells of a line separated by one tab. No quoting: a cell holding a tab or a
// line break splits into more cells or lines.

// The lines of a block, which may end in CR LF, LF or CR; a line break at the
// very end does not start another line.
QStringList cellBlockLines(QStringView text);

// aCopy: the selected cells, row by row, without a selected blank last row.
// Empty when the block would hold nothing but blanks and control characters
// (the clipboard is then emptied).
QString copyCellBlock(const RowTable &table, const CellRect &selection);

enum class PasteMode {
    Insert, // aPaste: the block's columns move down to make room
    Into,   // aPasteIn: overwrites; limited to a selection of several cells
};

// aPaste and aPasteIn. Writes the block at the selection's top left corner,
// growing the table where lines run past the blank last row; cells right of
// the last column are dropped. Rows left empty among the new ones are removed
// and the rows renumbered. Returns false (no change) for an empty block.
bool pasteCellBlock(RowTable &table, const CellRect &selection, QStringView text, PasteMode mode,
                    const Numbering &numbering);

// Whether the selection covers every data column, so that whole rows are
// meant.
bool spansAllDataColumns(const RowTable &table, const CellRect &selection);

// aClearSelect: empties the selected cells (whole rows when every data
// column is selected); rows left empty go. False when the selection starts
// at the blank last row.
bool clearSelection(RowTable &table, const CellRect &selection, const Numbering &numbering);

// aDeleteSelect: removes the selected rows when every data column is
// selected; otherwise the cells below the selection move up in the selected
// columns only. Returns the selection afterwards (the cell at the old top
// left corner), or an empty rect when nothing was deleted (the selection
// starts at the blank last row). A single selected cell stays where it was,
// so only the empty rect says that nothing changed.
CellRect deleteSelection(RowTable &table, const CellRect &selection, const Numbering &numbering);

// The error window's "Удалить измененные": the file rows become exactly
// `rows`, each cell by its position in `layout`; the No column and the
// cells from position `columns` on are left out.
void replaceFileRows(RowTable &table, const std::vector<QStringList> &rows,
                     const ColumnLayout &layout, int columns);

// aSelectAll: every data column of the file rows; empty when there are none.
CellRect selectAllCells(const RowTable &table);

} // namespace qm
