#include "table/rowmoves.h"

#include <QCoreApplication>

#include <algorithm>
#include <utility>

namespace qm {

QString rowMoveHint()
{
    return QCoreApplication::translate(
        "qm::RowMoves",
        "Для перемещения строки можно использовать клавишы [Ctrl] + [Up] или [Down]");
}

bool moveRow(RowTable &table, int from, int to)
{
    if (from < 1 || to < 1 || !table.isValidRow(from) || !table.isValidRow(to))
        return false;
    for (int r = from; r < to; ++r)
        std::swap(table.row(r), table.row(r + 1));
    for (int r = from; r > to; --r)
        std::swap(table.row(r), table.row(r - 1));
    return true;
}

bool completeRowMove(RowTable &table, int from, int to, const Numbering &numbering)
{
    if (from == to || !table.isValidRow(from) || !table.isValidRow(to) || from < 1 || to < 1)
        return false;
    const int blank = table.blankRow();
    bool allowed = from != blank && to != blank;
    if (allowed && numbering.separate()) {
        const int neighbour = to > from ? to - 1 : to + 1;
        allowed = table.cell(neighbour, FieldNumber::Dir) == table.cell(to, FieldNumber::Dir);
    }
    if (!allowed) {
        moveRow(table, to, from);
        return false;
    }

    const int low = std::min(from, to);
    const int high = std::max(from, to);
    // Moving down, the moved row brought its number along and the rows it
    // passed follow it; moving up, it takes the number of the row it
    // displaced, which is now just below it.
    bool ok = false;
    const int start = table.cell(to > from ? to : to + 1, FieldNumber::No).toInt(&ok);
    if (!ok || start < 0) {
        // Rows that carried no number: number them as a whole from here.
        renumberRows(table, low, numbering.style, numbering.scope);
        return true;
    }
    for (int r = low; r <= high; ++r)
        table.setCell(r, FieldNumber::No, numberText(start + (r - low), numbering.style));
    return true;
}

int moveRowByKey(RowTable &table, int row, bool up, const Numbering &numbering)
{
    const int target = up ? row - 1 : row + 1;
    if (!table.isFileRow(row) || !table.isFileRow(target))
        return row;
    moveRow(table, row, target);
    return completeRowMove(table, row, target, numbering) ? target : row;
}

} // namespace qm
