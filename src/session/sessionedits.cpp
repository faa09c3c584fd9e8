// The session's view state and the user's edits of cells and rows: every
// write of the window to the table comes through here, as an undoable step.

#include "session/session.h"

#include "options/optionssection.h"
#include "table/numbering.h"
#include "table/rowmoves.h"

#include <QFileInfo>

namespace qm {

void Session::setTagView(TagView view)
{
    if (state_.tagView == view)
        return;
    state_.tagView = view;
    emit tagViewChanged(view);
}

void Session::setFileInfo(bool on)
{
    if (state_.fileInfo == on)
        return;
    state_.fileInfo = on;
    emit fileInfoChanged(on);
}

// The numbering changes inside the step that renumbers, so that undo takes
// the style or the scope back with the numbers: rows numbered later would
// otherwise mix two styles, or count per folder over rows no longer grouped.
void Session::setNumberStyle(NumberStyle style)
{
    if (state_.numbering.style == style)
        return;
    step([&] {
        state_.numbering.style = style;
        qm::restyleNumbers(table_, style, state_.numbering.scope);
    });
    emit numberingChanged();
    emit cellsChanged(1, table_.lastFileRow());
    emit rowsRenumbered();
}

void Session::setNumberScope(NumberScope scope)
{
    if (state_.numbering.scope == scope)
        return;
    if (scope == NumberScope::WholeTable && busy()) {
        // Stop on the sort that groups the folders: its end numbers the rows
        // in this scope, and its step takes the table back whole.
        state_.numbering.scope = scope;
        emit numberingChanged();
        return;
    }
    if (scope == NumberScope::WholeTable) {
        step([this] {
            state_.numbering.scope = NumberScope::WholeTable;
            renumberRows(1);
        });
        emit numberingChanged();
        return;
    }
    // A snapshot taken while another job runs would hold that job's changes.
    const std::shared_ptr<TableSnapshot> before = busy() ? nullptr : jobSnapshot();
    state_.numbering.scope = scope;
    emit numberingChanged();
    // Per-folder numbers need each folder's rows together first.
    runner_.separateNumberingPending = true;
    startSortJob({FieldNumber::Dir}, before);
}

std::optional<IniFile> Session::loadSettings(const QString &path)
{
    IniFile ini;
    if (!QFileInfo::exists(path) || !ini.load(path))
        return std::nullopt;
    readOptionsSection(ini, options_);
    scanFields_ = options_.scanFields().enabledFields();
    return ini;
}

void Session::announceCells(const CellRect &cells)
{
    if (!cells.isEmpty())
        emit cellsChanged(cells.top, cells.bottom);
}

bool Session::announceRows(int rowsBefore, int first)
{
    if (table_.rowCount() != rowsBefore) {
        emit rowsReset();
        return true;
    }
    if (first <= table_.lastFileRow())
        emit cellsChanged(first, table_.lastFileRow());
    return false;
}

void Session::editCell(int row, FieldNumber field, const QString &text)
{
    if (!table_.isValidRow(row) || row == 0)
        return;
    // The typing in a cell is one step, closed when the cell is left.
    openEdit();
    table_.setCell(row, field, text);
    emit cellsChanged(row, row);
}

bool Session::finishCellEdit(int row)
{
    if (!table_.isValidRow(row) || row == 0)
        return false;
    const int rowsBefore = table_.rowCount();
    int renumberFrom = table_.deleteEmptyRows(row, row);
    if (renumberFrom == 0 && row == table_.blankRow())
        renumberFrom = promoteBlankRow(table_);
    if (renumberFrom > 0)
        qm::renumberRows(table_, renumberFrom, state_.numbering.style, state_.numbering.scope);
    closeEdit();
    return announceRows(rowsBefore, row);
}

bool Session::pasteCells(const CellRect &selection, const QString &text, PasteMode mode)
{
    if (!step([&] { return pasteCellBlock(table_, selection, text, mode, state_.numbering); }))
        return false;
    emit rowsReset();
    return true;
}

bool Session::clearCells(const CellRect &selection)
{
    if (!step([&] { return clearSelection(table_, selection, state_.numbering); }))
        return false;
    emit rowsReset();
    return true;
}

CellRect Session::deleteCells(const CellRect &selection)
{
    const CellRect after =
        step([&] { return deleteSelection(table_, selection, state_.numbering); });
    if (!after.isEmpty())
        emit rowsReset();
    return after;
}

int Session::moveRowByKey(int row, bool up)
{
    if (!table_.isFileRow(row))
        return row;
    const int selected = step([&] { return qm::moveRowByKey(table_, row, up, state_.numbering); });
    emit cellsChanged(std::min(row, selected), std::max(row, selected));
    return selected;
}

int Session::dragRow(int from, int to)
{
    bool moved = false;
    bool kept = false;
    step([&] {
        moved = moveRow(table_, from, to);
        kept = moved && completeRowMove(table_, from, to, state_.numbering);
    });
    if (!moved)
        return -1;
    emit cellsChanged(std::min(from, to), std::max(from, to));
    return kept ? to : from;
}

void Session::emptyColumns(const QList<FieldNumber> &fields)
{
    step([&] {
        for (FieldNumber f : fields)
            table_.clearColumnData(table_.layout().position(f));
        const int removedFrom = table_.deleteEmptyRows(1, table_.lastFileRow());
        emit rowsReset();
        if (removedFrom > 0)
            renumberRows(removedFrom);
    });
}

void Session::replaceFileRows(const std::vector<QStringList> &rows, const ColumnLayout &layout,
                              int columns)
{
    qm::replaceFileRows(table_, rows, layout, columns);
    // The failed rows come back as the disk has them: no undo step.
    forgetHistory();
    table_.setCarried(false, 0);
    emit rowsReset();
    renumberRows(1);
}

QString Session::computeEditorText(const CellRect &selection)
{
    if (selection.isEmpty()) {
        editor_ = CellEditor();
        return {};
    }
    return editor_.computeEditorText(table_, selection, scanFields_);
}

void Session::applyEditorText(const QString &text)
{
    openEdit();
    editor_.applyText(table_, text);
    announceCells(editor_.cells());
}

QString Session::undoEditorText(const QString &shown)
{
    openEdit();
    QString text = editor_.undo(table_, shown);
    announceCells(editor_.cells());
    return text;
}

QString Session::insertEditorText(const QString &shown, int from, int length,
                                  const QString &insertion)
{
    openEdit();
    QString text = editor_.editBoxText(table_, shown, from, length, insertion);
    announceCells(editor_.cells());
    return text;
}

bool Session::finishEditorEdit(const CellRect &selection)
{
    const int rowsBefore = table_.rowCount();
    editor_.finishEditing(table_, selection, state_.numbering);
    closeEdit();
    return announceRows(rowsBefore, selection.top);
}

QString Session::setColumnText(FieldNumber field, const std::optional<QString> &text)
{
    if (table_.fileRowCount() == 0)
        return {};
    const int position = table_.layout().position(field);
    // The whole column: its file rows, never the blank last row.
    const CellRect column{position, 1, position, table_.lastFileRow()};
    QString before = computeEditorText(column);
    if (text) {
        applyEditorText(*text);
        finishEditorEdit(column);
    }
    return before;
}

} // namespace qm
