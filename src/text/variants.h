#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

#include "table/selection.h"
#include "text/alphabet.h"

namespace qm {

class RowTable;

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
VariantGroups variantGroups(const SymbolPairs &pairs);

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
    explicit VariantWalk(const SymbolPairs &pairs = {}) : m_groups(variantGroups(pairs)) {}

    const VariantGroups &groups() const { return m_groups; }
    // Back to the selection's top-left cell, before its first character.
    void restart(const CellRect &selection);
    // The next stop after the current one within `selection` (read afresh
    // each time, so a changed selection bounds the rest of the walk);
    // nothing at the end of the selection.
    std::optional<VariantStop> next(const RowTable &table, const CellRect &selection);
    // Replaces the character of the current stop by `text` in the table.
    // False when the walk stands at no character.
    bool apply(RowTable &table, const QString &text) const;
    int row() const { return m_row; }

private:
    VariantGroups m_groups;
    int m_column = 0;
    int m_row = 0;
    int m_position = -1;
};

} // namespace qm
