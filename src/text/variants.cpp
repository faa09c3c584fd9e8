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

VariantGroups variantGroups(const AlphabetPairs &pairs)
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
    column_ = selection.left;
    row_ = selection.top;
    position_ = -1;
}

bool VariantWalk::followRow(const RowTable &table)
{
    if (table.isFileRow(row_) && sameRow(table.row(row_), rowCells_)) {
        column_ = table.layout().position(field_);
        return true;
    }
    int found = -1;
    for (int row = 1; row <= table.lastFileRow(); ++row) {
        if (sameRow(table.row(row), rowCells_)
            && (found < 0 || std::abs(row - row_) < std::abs(found - row_)))
            found = row;
    }
    if (found < 0)
        return false;
    row_ = found;
    column_ = table.layout().position(field_);
    return true;
}

std::optional<VariantStop> VariantWalk::next(const RowTable &table, const CellRect &selection)
{
    // A stop whose row was edited meanwhile is reviewed again from its
    // first character.
    if (position_ >= 0 && !followRow(table))
        position_ = -1;
    const CellRect cells = selection.fileCells(table);
    for (int column = std::max(column_, cells.left); column <= cells.right; ++column) {
        const int top = column == column_ ? std::max(row_, cells.top) : cells.top;
        for (int row = top; row <= cells.bottom; ++row) {
            // Only the cell of the last stop goes on after its character.
            const int start = column == column_ && row == row_ ? position_ + 1 : 0;
            const QString &text = table.cellAt(row, column);
            const QStringList characters = splitCharacters(text);
            for (qsizetype p = start; p < characters.size(); ++p) {
                QStringList alternatives = groups_.alternatives(characters[p]);
                if (alternatives.isEmpty())
                    continue;
                column_ = column;
                row_ = row;
                position_ = int(p);
                rowCells_ = table.row(row);
                field_ = table.layout().fieldAt(column);
                return VariantStop{column, row,           int(p),
                                   text,   characters[p], std::move(alternatives)};
            }
        }
    }
    column_ = cells.right + 1;
    return std::nullopt;
}

bool VariantWalk::apply(RowTable &table, const QString &text)
{
    if (position_ < 0 || !followRow(table))
        return false;
    QStringList characters = splitCharacters(table.cell(row_, field_));
    if (position_ >= characters.size())
        return false;
    characters[position_] = text;
    table.setCell(row_, field_, characters.join(QString()));
    rowCells_ = table.row(row_);
    return true;
}

} // namespace qm
