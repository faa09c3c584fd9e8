#include "text/variants.h"

#include <cstdlib>

namespace qm {

QStringList VariantGroups::alternatives(const QString &character) const
{
    const qsizetype group = keys.indexOf(character.toLower());
    if (group < 0)
        return {};
    QStringList result = groups[group];
    if (isCapital(character)) {
        for (QString &symbol : result)
            symbol = symbol.toUpper();
    }
    return result;
}

VariantGroups variantGroups(const SymbolPairs &pairs)
{
    VariantGroups result;
    for (size_t i = 0; i < pairs.size(); ++i) {
        // A key that is no character could never be found.
        if (pairs[i].symbol.isEmpty())
            continue;
        QStringList group{pairs[i].symbol};
        for (size_t later = i + 1; later < pairs.size(); ++later) {
            if (pairs[later].change.compare(pairs[i].change, Qt::CaseInsensitive) == 0)
                group << pairs[later].symbol;
        }
        if (group.size() > 1) {
            result.keys << pairs[i].symbol;
            result.groups.push_back(std::move(group));
        }
    }
    return result;
}

void VariantWalk::restart(const CellRect &selection)
{
    m_column = selection.left;
    m_row = selection.top;
    m_position = -1;
}

namespace {

// The same row: its cells alike but for the number, which a deletion or a
// sort above it rewrites.
bool sameRow(const Row &a, const Row &b)
{
    for (size_t f = 0; f < a.size(); ++f) {
        if (f != size_t(toInt(FieldNumber::No)) && !(a[f] == b[f]))
            return false;
    }
    return true;
}

} // namespace

bool VariantWalk::followRow(const RowTable &table)
{
    if (table.isFileRow(m_row) && sameRow(table.row(m_row), m_rowCells)) {
        m_column = table.layout().position(m_field);
        return true;
    }
    int found = -1;
    for (int row = 1; row <= table.lastFileRow(); ++row) {
        if (sameRow(table.row(row), m_rowCells)
            && (found < 0 || std::abs(row - m_row) < std::abs(found - m_row)))
            found = row;
    }
    if (found < 0)
        return false;
    m_row = found;
    m_column = table.layout().position(m_field);
    return true;
}

std::optional<VariantStop> VariantWalk::next(const RowTable &table, const CellRect &selection)
{
    // A stop whose row was edited meanwhile is reviewed again from its
    // first character.
    if (m_position >= 0 && !followRow(table))
        m_position = -1;
    const CellRect cells = selection.fileCells(table);
    for (int column = std::max(m_column, cells.left); column <= cells.right; ++column) {
        const int top = column == m_column ? std::max(m_row, cells.top) : cells.top;
        for (int row = top; row <= cells.bottom; ++row) {
            // Only the cell of the last stop goes on after its character.
            const int start = column == m_column && row == m_row ? m_position + 1 : 0;
            const QString &text = table.cellAt(row, column);
            const QStringList characters = splitCharacters(text);
            for (qsizetype p = start; p < characters.size(); ++p) {
                QStringList alternatives = m_groups.alternatives(characters[p]);
                if (alternatives.isEmpty())
                    continue;
                m_column = column;
                m_row = row;
                m_position = int(p);
                m_rowCells = table.row(row);
                m_field = table.layout().fieldAt(column);
                return VariantStop{column, row,           int(p),
                                   text,   characters[p], std::move(alternatives)};
            }
        }
    }
    m_column = cells.right + 1;
    return std::nullopt;
}

bool VariantWalk::apply(RowTable &table, const QString &text)
{
    if (m_position < 0 || !followRow(table))
        return false;
    QStringList characters = splitCharacters(table.cell(m_row, m_field));
    if (m_position >= characters.size())
        return false;
    characters[m_position] = text;
    table.setCell(m_row, m_field, characters.join(QString()));
    m_rowCells = table.row(m_row);
    return true;
}

} // namespace qm
