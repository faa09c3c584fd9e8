#include "table/selectionstate.h"

#include <QCoreApplication>

#include <algorithm>

namespace qm {

QString folderLockedMessage()
{
    return QCoreApplication::translate("qm::SelectionState",
                                       "Нельзя изменить путь при данной нумерации!");
}

SelectionState selectionState(const RowTable &table, const CellRect &selection,
                              bool separateNumbering, bool clipboardHasText)
{
    SelectionState state;
    const ColumnLayout &layout = table.layout();
    for (int f = 0; f < kColumnCount; ++f) {
        const int p = layout.position(toField(f));
        state.pasteFromColumn[size_t(f)] = !(p >= selection.left && p <= selection.right);
    }
    state.pasteNameEnabled = state.pasteFromColumn[size_t(toInt(FieldNumber::Old))]
                             || state.pasteFromColumn[size_t(toInt(FieldNumber::New))];
    state.genreList = selection.columnCount() == 1 && layout.isValidPosition(selection.left)
                      && layout.fieldAt(selection.left) == FieldNumber::Gen;

    const CellRect cells = CellRect{selection.left, std::max(selection.top, 1), selection.right,
                                    std::min(selection.bottom, table.blankRow())};
    bool anyFilled = false;
    for (int c = std::max(cells.left, 0);
         c <= std::min(cells.right, kColumnCount - 1) && !anyFilled; ++c) {
        for (int r = cells.top; r <= cells.bottom && !anyFilled; ++r)
            anyFilled = !table.cellAt(r, c).isEmpty();
    }
    state.copyEnabled = state.cutEnabled = anyFilled;
    state.pasteEnabled = clipboardHasText;

    const int dir = layout.position(FieldNumber::Dir);
    if (separateNumbering && dir >= selection.left && dir <= selection.right) {
        state.folderLocked = true;
        state.status = folderLockedMessage();
        state.pasteEnabled = false;
        state.replaceEnabled = false;
        const bool wholeRows =
            selection.left <= layout.noPosition() + 1 && selection.right >= kColumnCount - 1;
        if (!wholeRows)
            state.cutEnabled = state.deleteEnabled = false;
    }
    return state;
}

} // namespace qm
