#pragma once

#include "table/cell.h"
#include "table/columnlayout.h"
#include "table/columns.h"

#include <QList>
#include <QString>

#include <array>
#include <span>
#include <utility>
#include <vector>

namespace qm {

inline constexpr int kDefaultColumnWidth = 80;
inline constexpr int kHiddenColumnWidth = -1;

// One row: its 25 cells by field number. A cell reads and takes QStrings.
using Row = std::array<Cell, kColumnCount>;

// Starts fetching a row from memory (it spans up to five cache lines), for
// a reader that goes through rows in a scattered order.
inline void prefetchRow(const Row &row)
{
    const char *bytes = reinterpret_cast<const char *>(row.data());
    for (size_t at = 0; at < sizeof(Row); at += 64)
        __builtin_prefetch(bytes + at);
    __builtin_prefetch(bytes + sizeof(Row) - 1);
}

// Copying or dropping a row counts its texts' holders up or down, and the
// texts' blocks lie all over the heap: a pass over many rows fetches them
// this many rows ahead.
inline constexpr size_t kTextsAhead = 4;
inline void prefetchTexts(const Row &row)
{
    for (const Cell &cell : row)
        cell.prefetch();
}

// Empties `rows`, as their destructor would, faster.
void releaseRows(std::vector<Row> &rows);

// An added file's name split into Old and Ext at its last dot, New the same
// text as Old.
void splitFileName(Row &row);

// The same row: its cells alike but for the number, which a deletion or a
// sort above it rewrites.
bool sameRow(const Row &a, const Row &b);

// Whether a file name joined to `dir` needs a "/" between: not for an empty
// Dir, one ending with "/", or a Windows folder a list brought ("C:\Music\",
// ending with "\" and holding no "/"), which would otherwise mix the two.
bool DirLacksSeparator(QStringView dir);

// The table: row 0 the header, rows 1..N the files, row N+1 the blank last
// row, so never fewer than 2 rows. Cells are kept by field number, and
// positions go through the layout, so moving, hiding or showing a column
// never moves a cell. Every operation over rows is linear.
class RowTable {
public:
    RowTable();

    int rowCount() const { return int(rows_.size()); }
    int fileRowCount() const { return rowCount() - 2; }
    // The last file row; 0 (the header) when there is none.
    int lastFileRow() const { return rowCount() - 2; }
    int blankRow() const { return rowCount() - 1; }
    bool isFileRow(int row) const { return row >= 1 && row <= lastFileRow(); }
    bool isValidRow(int row) const { return row >= 0 && row < rowCount(); }

    // row must be valid (isValidRow). Row 0 holds the header texts.
    QString cell(int row, FieldNumber f) const
    {
        return rows_[size_t(row)][size_t(toInt(f))].toString();
    }
    // Takes a QString, or a cell already made (on a job's thread).
    void setCell(int row, FieldNumber f, Cell text)
    {
        rows_[size_t(row)][size_t(toInt(f))] = std::move(text);
    }
    QString cellAt(int row, int position) const { return cell(row, layout_.fieldAt(position)); }
    void setCellAt(int row, int position, const QString &text)
    {
        setCell(row, layout_.fieldAt(position), text);
    }
    const Row &row(int r) const { return rows_[size_t(r)]; }
    Row &row(int r) { return rows_[size_t(r)]; }
    // Every row, the header first (an undo step compares and restores them).
    const std::vector<Row> &rows() const { return rows_; }
    // `rows` must hold the header and the blank last row at least.
    void replaceRows(std::vector<Row> rows) { rows_ = std::move(rows); }
    // Puts the file rows in `order`, a permutation of them: entry i is the
    // row (1-based) that becomes row i + 1. The header and the blank last
    // row stay. False, the table as it was, for an order that is no
    // permutation of the file rows.
    bool reorderFileRows(std::span<const int> order);

    const ColumnLayout &layout() const { return layout_; }
    // Replacing the layout (settings) keeps the cells; hidden columns get
    // width -1 and columns coming out of the hidden zone the default width.
    void setLayout(const ColumnLayout &layout);

    // Widths by column; a hidden column always reads -1.
    int width(FieldNumber f) const;
    int widthAt(int position) const { return width(layout_.fieldAt(position)); }
    // Ignored for a hidden column: it stays -1 until shown.
    void setWidth(FieldNumber f, int width);
    void setWidthAt(int position, int width) { setWidth(layout_.fieldAt(position), width); }

    // "ColWidths": the width at each position 0..24, joined with commas.
    QString colWidthsText() const;
    // Reads "ColWidths" over the current layout: an item that is not a
    // number gives 80, a negative width right of the hidden zone gives No's
    // width, and the hidden zone stays hidden whatever the list says.
    // Returns the hidden columns, whose show/hide commands go unchecked.
    QList<FieldNumber> readColWidths(QStringView text);
    QList<FieldNumber> hiddenFields() const;

    // Header row: every column's caption "text (%XX)".
    void buildHeaderRow();
    // The Cop and Ory headers while the ID3v1 view shows Lyrics3 fields
    // ("Автор", "Комментарий 2") or after that view is switched off
    // ("Авторское пр.", "Ориг. год"); neither form carries a template code.
    void setLyricsHeaders(bool lyricsView);

    // Appends count empty file rows before the blank last row; returns the
    // first of them.
    int appendRows(int count);
    // Room for `count` more file rows, so that appending them one by one
    // neither moves the rows already there nor touches fresh memory twice.
    void reserveRows(int count);
    // A file row with Dir and Old (the whole file name, split later by
    // splitAddedNames); returns its row.
    int appendFileRow(const QString &dir, const QString &fileName);
    void clearBlankRow();
    // Removes every file row (the header and an empty blank last row stay).
    void removeAllFileRows();

    // Shows or hides the column at `position` (see ColumnLayout::setShown)
    // and sets its width: 80 when shown again, -1 when hidden. Returns the
    // column's new position.
    int setColumnShown(int position, bool show);
    // After the view dragged a data column from one position to another.
    bool applyColumnMove(int from, int to);
    // Empties the column's cells in every row but the header.
    void clearColumnData(int position);

    // Removes the file rows in [first, last] whose cells (No aside) hold
    // nothing but blanks and control characters, in one compacting pass.
    // Returns the smallest removed row, from which the caller renumbers, or
    // 0 when nothing was removed.
    int deleteEmptyRows(int first, int last);

    // Freshly added rows carry the whole file name in Old: split it into Old
    // (without extension), Ext (after the last dot, empty without one), and
    // copy Old into New.
    void splitAddedNames(int first, int last);

    // What the rows an add job is bringing in already carry, so that their
    // completion skips reading it: file information, and the tag version
    // (0 none, 1 ID3v1, 2 ID3v2).
    bool carriedFileInfo() const { return carriedFileInfo_; }
    int carriedTagVersion() const { return carriedTagVersion_; }
    void setCarried(bool fileInfo, int tagVersion);

private:
    std::vector<Row> rows_;
    ColumnLayout layout_;
    std::array<int, kColumnCount> width_{}; // by field; hidden columns -1
    // Rows added from one folder share its Dir cell.
    QString lastDirText_;
    Cell lastDir_;
    bool carriedFileInfo_ = false;
    int carriedTagVersion_ = 0;
};

} // namespace qm
