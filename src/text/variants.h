#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

#include "table/rowtable.h"
#include "table/selection.h"
#include "text/alphabet.h"

namespace qm {

// The ambiguities of restore by one alphabet: for each row whose change
// recurs in later rows (ignoring case), its symbol followed by the symbols
// of those later rows, in row order.
struct VariantGroups {
    std::vector<QStringList> groups;
    // The first symbol of each group, in the order of the groups.
    QStringList keys;

    // The alternatives for `character`: the group of its small-letter form,
    // in capitals for a capital; empty when it has none.
    QStringList alternatives(const QString &character) const;
};
VariantGroups variantGroups(const AlphabetPairs &pairs);

// Where the walk stopped: a character with alternatives in a cell.
struct VariantStop {
    int column = 0; // column position
    int row = 0;
    int position = 0; // 0-based character index in the cell
    QString text;     // the cell's text
    QString character;
    QStringList alternatives;
};

// The walk of the variants window over the selected cells, column by
// column, stopping at every character that has alternatives.
class VariantWalk {
public:
    explicit VariantWalk(const AlphabetPairs &pairs = {}) : groups_(variantGroups(pairs)) {}

    const VariantGroups &groups() const { return groups_; }
    // Back to the selection's top-left cell, before its first character.
    void restart(const CellRect &selection);
    // The next stop after the current one within `selection` (read afresh
    // each time, so a changed selection bounds the rest of the walk);
    // nothing at the end of the selection.
    std::optional<VariantStop> next(const RowTable &table, const CellRect &selection);
    // Replaces the character of the current stop by `text` in the table.
    // False when the walk stands at no character, or its row is gone.
    bool apply(RowTable &table, const QString &text);
    int row() const { return row_; }

private:
    // The rows may have moved since the stop (a deletion, a sort, an undo
    // while the window is open): finds the stop's row again by its cells,
    // the nearest one to where it was. False when no row has them.
    bool followRow(const RowTable &table);

    VariantGroups groups_;
    int column_ = 0;
    int row_ = 0;
    int position_ = -1;
    // The cells of the stop's row and the field of its cell.
    Row rowCells_;
    FieldNumber field_ = FieldNumber::No;
};

} // namespace qm
