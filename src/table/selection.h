#pragma once

#include "table/rowtable.h"

#include <algorithm>

namespace qm {

// A rectangle of cells by column position and row, both ends included.
// Cells are visited column by column, left to right, and top to bottom
// within a column.
struct CellRect {
    int left = 0;
    int top = 0;
    int right = -1;
    int bottom = -1;

    static CellRect spanning(int column1, int row1, int column2, int row2)
    {
        return {std::min(column1, column2), std::min(row1, row2), std::max(column1, column2),
                std::max(row1, row2)};
    }

    bool isEmpty() const { return right < left || bottom < top; }
    int columnCount() const { return isEmpty() ? 0 : right - left + 1; }
    int rowCount() const { return isEmpty() ? 0 : bottom - top + 1; }
    bool contains(int column, int row) const
    {
        return column >= left && column <= right && row >= top && row <= bottom;
    }
    friend bool operator==(const CellRect &, const CellRect &) = default;

    // The part that transformations work on: data columns only, and file
    // rows only (a selection reaching the blank last row leaves it out).
    CellRect fileCells(const RowTable &table) const
    {
        CellRect r = *this;
        r.left = std::max(r.left, table.layout().noPosition() + 1);
        r.right = std::min(r.right, kColumnCount - 1);
        r.top = std::max(r.top, 1);
        r.bottom = std::min(r.bottom, table.lastFileRow());
        return r;
    }

    template <typename Visit> void forEachCell(Visit &&visit) const
    {
        for (int c = left; c <= right; ++c) {
            for (int r = top; r <= bottom; ++r)
                visit(c, r);
        }
    }
};

} // namespace qm
