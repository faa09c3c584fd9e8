#include "text/variants.h"

#include "table/rowtable.h"

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

std::optional<VariantStop> VariantWalk::next(const RowTable &table, const CellRect &selection)
{
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
                return VariantStop{column, row,           int(p),
                                   text,   characters[p], std::move(alternatives)};
            }
        }
    }
    m_column = cells.right + 1;
    return std::nullopt;
}

bool VariantWalk::apply(RowTable &table, const QString &text) const
{
    if (m_position < 0 || m_row < 1 || m_row > table.lastFileRow() || m_column < 0
        || m_column >= kColumnCount)
        return false;
    QStringList characters = splitCharacters(table.cellAt(m_row, m_column));
    if (m_position >= characters.size())
        return false;
    characters[m_position] = text;
    table.setCellAt(m_row, m_column, characters.join(QString()));
    return true;
}

} // namespace qm
