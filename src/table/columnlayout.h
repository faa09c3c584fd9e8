#pragma once

#include "table/columns.h"

#include <QString>

#include <array>

namespace qm {

// The current position (0..24) of every column. Left to right the table has
// the hidden zone (positions below No's), the No column, and the shown data
// columns; so No's position is the number of hidden columns, a column is
// shown exactly when its position is greater than No's, and the frozen
// column count is No's position + 1. The positions are always a permutation
// of 0..24: every operation keeps that, and invalid input is refused.
class ColumnLayout {
public:
    ColumnLayout(); // the default positions

    int position(FieldNumber f) const { return position_[size_t(toInt(f))]; }
    // position must be 0..24.
    FieldNumber fieldAt(int position) const { return field_[size_t(position)]; }

    int noPosition() const { return position(FieldNumber::No); }
    int hiddenCount() const { return noPosition(); }
    int frozenCount() const { return noPosition() + 1; }
    bool isShown(FieldNumber f) const { return position(f) > noPosition(); }
    bool isValidPosition(int p) const { return p >= 0 && p < kColumnCount; }
    bool isDataPosition(int p) const { return p > noPosition() && p < kColumnCount; }

    // The positions in layout order (slot i = the column whose default
    // position is i), as the settings store them.
    std::array<int, kColumnCount> values() const;
    static bool isPermutation(const std::array<int, kColumnCount> &values);
    // Refuses (false, no change) anything but a permutation.
    bool setValues(const std::array<int, kColumnCount> &values);

    // "ColIndex": the values joined with commas. The reader never fails:
    // duplicates, gaps, numbers out of range and non-numbers fall back so
    // that the result is always a permutation (see the .cpp).
    static ColumnLayout fromColIndex(QStringView text);
    QString toColIndex() const;

    // Shows a hidden column at the right end (24) or hides a shown data
    // column just left of No. Returns the column's new position; the No
    // column, a position out of range, or a column already in the wanted
    // state leave the layout unchanged (returning No's position for the
    // first two, the column's own for the last).
    int setShown(int position, bool show);

    // Records a drag of the data column at `from` to `to` (both data
    // positions); the columns between shift by one. False for anything else.
    bool move(int from, int to);

    friend bool operator==(const ColumnLayout &, const ColumnLayout &) = default;

private:
    void rebuildInverse();

    std::array<int, kColumnCount> position_{};      // by field number
    std::array<FieldNumber, kColumnCount> field_{}; // by position
};

} // namespace qm
