#pragma once

#include "table/columns.h"

#include <QList>
#include <QString>

#include <array>

namespace qm {

// The scan table of the options: every column of the table once, in the
// order the cell editor's analysis tries them, each switched on or off.
// Rows are addressed by position from the top (0..24).
class ScanFields {
public:
    static constexpr int kRows = kColumnCount;

    // Field order 0..24 with the default rows switched on.
    ScanFields();

    FieldNumber field(int row) const { return fields_[size_t(row)]; }
    bool isEnabled(int row) const { return enabled_[size_t(row)]; }
    void setEnabled(int row, bool on) { enabled_[size_t(row)] = on; }
    void toggle(int row) { enabled_[size_t(row)] = !enabled_[size_t(row)]; }
    void setAllEnabled(bool on);
    // The default on/off pattern by row position, whatever fields the rows
    // hold now; the order stays.
    void setDefaultPattern();
    // Moves the row at `from` so that it ends up at position `to`, carrying
    // its mark with it. Out-of-range positions do nothing.
    void moveRow(int from, int to);

    // The 1-based rank of an enabled row among the enabled rows, 0 for a
    // disabled one.
    int rank(int row) const;
    // The enabled fields in row order: the fields the analysis looks for.
    QList<FieldNumber> enabledFields() const;

    // Replaces the order from stored field numbers: each entry, up to 25,
    // that is a field number not used before fills the next row; the
    // fields left over follow in ascending order. Marks stay by position.
    void setOrder(const QList<int> &fieldNumbers);

    static bool isDefaultEnabled(int row);
    // "Номер строки (%NS)": the text of the field's row in the scan table.
    static QString caption(FieldNumber f);

    friend bool operator==(const ScanFields &, const ScanFields &) = default;

private:
    std::array<FieldNumber, kRows> fields_;
    std::array<bool, kRows> enabled_;
};

} // namespace qm
