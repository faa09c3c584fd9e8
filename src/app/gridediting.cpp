#include "app/gridediting.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QProgressBar>
#include <QScrollBar>
#include <QToolBar>
#include <QToolTip>
#include <algorithm>
#include <climits>

#include "app/cellbox.h"
#include "app/celleditorbar.h"
#include "app/commands.h"
#include "app/dropdown.h"
#include "app/gridmodel.h"
#include "app/infopanel.h"
#include "app/jobcontrol.h"
#include "app/mainwindow.h"
#include "app/namegrid.h"
#include "session/session.h"
#include "table/cellblock.h"
#include "table/rowmoves.h"

namespace qm {
namespace {

bool clipboardHasText()
{
    const QMimeData *data = QGuiApplication::clipboard()->mimeData();
    return data && data->hasText() && !data->text().isEmpty();
}

} // namespace

GridEditing::GridEditing(TfrmTagEditor &window) : QObject(&window), window_(window)
{
    NameGrid *grid = window_.grid();
    // One rectangle of cells, as every edit command expects.
    grid->setSelectionMode(QAbstractItemView::ContiguousSelection);
    editorBar_ = new CellEditorBar(*this, window_.toolBars().value(6));
    cellBox_ = new CellBox(*this, grid->viewport());

    grid->installEventFilter(this);
    grid->viewport()->installEventFilter(this);
    grid->verticalHeader()->viewport()->installEventFilter(this);
    grid->viewport()->setMouseTracking(true);
    grid->verticalHeader()->setSectionsMovable(true);
    connect(grid->verticalHeader(), &QHeaderView::sectionMoved, this,
            &GridEditing::onRowHeaderMoved);
    connect(grid->horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int logical) {
        const RowTable &table = window_.table();
        const int position = table.layout().position(toField(logical));
        if (!table.layout().isDataPosition(position))
            return;
        const int last = std::max(table.lastFileRow(), 1);
        setSelection(CellRect{position, 1, position, last}, position, last);
    });
    connect(grid->verticalHeader(), &QHeaderView::sectionClicked, this,
            &GridEditing::onRowNumberClicked);
    // A right click on a number selects its row before the cells menu opens.
    connect(grid->verticalHeader(), &QWidget::customContextMenuRequested, this,
            [this, grid](const QPoint &pos) {
                const int section = grid->verticalHeader()->logicalIndexAt(pos);
                if (section >= 0)
                    selectRows(section + 1, section + 1);
            });
    connect(grid, &QAbstractItemView::clicked, this, &GridEditing::onCellClicked);
    connect(grid, &QAbstractItemView::doubleClicked, this, [this] { cellBox_->open(); });
    // A reset of the rows (a sort, a list opened, rows gone) leaves the view
    // without a current cell, and the commands would then do nothing: the
    // cell stays where it was (the first one at first), the view unmoved.
    connect(window_.gridModel(), &QAbstractItemModel::modelAboutToBeReset, this, [this, grid] {
        const QModelIndex current = grid->currentIndex();
        if (current.isValid())
            currentBeforeReset_ = {current.column(), current.row()};
    });
    connect(window_.gridModel(), &QAbstractItemModel::modelReset, this, [this, grid] {
        connectSelection();
        GridModel *model = window_.gridModel();
        if (grid->currentIndex().isValid() || model->rowCount() < 1)
            return;
        const ColumnLayout &layout = window_.table().layout();
        int column = currentBeforeReset_.x();
        if (column < 0 || !layout.isDataPosition(layout.position(toField(column))))
            column = toInt(layout.fieldAt(std::min(layout.noPosition() + 1, kColumnCount - 1)));
        const int row = std::clamp(currentBeforeReset_.y(), 0, model->rowCount() - 1);
        const bool autoScroll = grid->hasAutoScroll();
        grid->setAutoScroll(false);
        grid->selectionModel()->setCurrentIndex(model->index(row, column),
                                                QItemSelectionModel::NoUpdate);
        grid->setAutoScroll(autoScroll);
    });
    connectSelection();
    connectCommands();
    // Every job ends in a fresh look at the selection.
    connect(&window_.jobs().runner(), &JobRunner::controlsEnabledChanged, this,
            [this](bool enabled) {
                if (enabled)
                    computeEditorText();
                updateUndoActions();
            });
}

GridEditing::~GridEditing() = default;

void GridEditing::connectSelection()
{
    // A model reset keeps the selection model; the connection is made once.
    if (selectionConnected_)
        return;
    selectionConnected_ = true;
    connect(window_.grid()->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { refreshSelectionState(); });
}

void GridEditing::connectCommands()
{
    const NamedCommands &c = window_.commands().named();
    const auto ready = [](QAction *action) {
        CommandSet::setPending(action, false);
        action->setVisible(true);
        return action;
    };
    connect(ready(c.aCopy), &QAction::triggered, this, &GridEditing::copySelection);
    connect(ready(c.aCut), &QAction::triggered, this, &GridEditing::cutSelection);
    connect(ready(c.aPaste), &QAction::triggered, this, [this] { paste(false); });
    connect(ready(c.aPasteIn), &QAction::triggered, this, [this] { paste(true); });
    connect(ready(c.aClearSelect), &QAction::triggered, this, &GridEditing::clearSelected);
    connect(ready(c.aDeleteSelect), &QAction::triggered, this, &GridEditing::deleteSelected);
    connect(ready(c.aSelectAll), &QAction::triggered, this, &GridEditing::selectAll);
    connect(ready(c.aUndo), &QAction::triggered, this, [this] { undoStep(false); });
    connect(ready(c.aRedo), &QAction::triggered, this, [this] { undoStep(true); });
    connect(&window_.session(), &Session::historyChanged, this, &GridEditing::updateUndoActions);
    updateUndoActions();

    if (auto *duplicates = window_.findChild<QMenu *>(QStringLiteral("mmiDeleteDuplicates"))) {
        const QList<QAction *> items = duplicates->actions();
        for (int i = 0; i < items.size() && i < 2; ++i) {
            CommandSet::setPending(items[i], false);
            items[i]->setVisible(true);
            items[i]->setObjectName(i == 0 ? QStringLiteral("mmiDuplicatedVisible")
                                           : QStringLiteral("mmiDeleteAll"));
            const DuplicateKey key =
                i == 0 ? DuplicateKey::VisibleColumns : DuplicateKey::AllColumns;
            connect(items[i], &QAction::triggered, this, [this, key] { removeDuplicates(key); });
        }
    }
    // Any command closes the cell box first.
    for (QAction *action : window_.commands().all())
        connect(
            action, &QAction::triggered, this, [this] { cellBox_->close(); }, Qt::DirectConnection);
}

bool GridEditing::busy() const { return closing_ || !window_.grid()->isEnabled(); }

bool GridEditing::separateNumbering() const
{
    return window_.numberScope() == NumberScope::PerFolder;
}

Numbering GridEditing::numbering() const { return window_.session().numbering(); }

CellRect GridEditing::selection() const
{
    NameGrid *grid = window_.grid();
    const ColumnLayout &layout = window_.table().layout();
    const QItemSelection ranges = grid->selectionModel()->selection();
    int left = INT_MAX, right = INT_MIN, top = INT_MAX, bottom = INT_MIN;
    for (const QItemSelectionRange &range : ranges) {
        for (int logical = range.left(); logical <= range.right(); ++logical) {
            if (!isFieldNumber(logical))
                continue;
            const int position = layout.position(toField(logical));
            if (!layout.isDataPosition(position))
                continue;
            left = std::min(left, position);
            right = std::max(right, position);
        }
        top = std::min(top, range.top() + 1);
        bottom = std::max(bottom, range.bottom() + 1);
    }
    if (left > right || top > bottom) {
        // The view makes a cell current on getting the focus without
        // selecting it; the commands take the current cell then, as the
        // user sees it marked, rather than doing nothing.
        const QModelIndex current = grid->currentIndex();
        if (!current.isValid())
            return {};
        const int position = layout.position(GridModel::field(current));
        const int row = GridModel::tableRow(current);
        if (!layout.isDataPosition(position) || row < 1 || row > window_.table().blankRow())
            return {};
        return CellRect{position, row, position, row};
    }
    return CellRect{left, top, right, std::min(bottom, window_.table().blankRow())};
}

void GridEditing::setSelection(const CellRect &rect, int currentColumn, int currentRow)
{
    NameGrid *grid = window_.grid();
    GridModel *model = window_.gridModel();
    const RowTable &table = window_.table();
    const ColumnLayout &layout = table.layout();
    CellRect r = rect;
    r.left = std::max(r.left, layout.noPosition() + 1);
    r.right = std::min(r.right, kColumnCount - 1);
    r.top = std::max(r.top, 1);
    r.bottom = std::min(r.bottom, table.blankRow());
    QItemSelection cells;
    for (int position = r.left; position <= r.right && r.top <= r.bottom; ++position) {
        const int logical = toInt(layout.fieldAt(position));
        cells.select(model->index(r.top - 1, logical), model->index(r.bottom - 1, logical));
    }
    currentColumn = std::clamp(currentColumn, layout.noPosition() + 1, kColumnCount - 1);
    currentRow = std::clamp(currentRow, 1, table.blankRow());
    const QModelIndex current = model->index(currentRow - 1, toInt(layout.fieldAt(currentColumn)));
    grid->selectionModel()->setCurrentIndex(current, QItemSelectionModel::NoUpdate);
    grid->selectionModel()->select(cells, QItemSelectionModel::ClearAndSelect);
    grid->scrollTo(current);
}

void GridEditing::selectRows(int first, int last) { selectRows(first, last, last); }

void GridEditing::selectRows(int first, int last, int currentRow, RowFocus focus)
{
    const ColumnLayout &layout = window_.table().layout();
    const CellRect rows{layout.noPosition() + 1, first, kColumnCount - 1, last};
    if (focus == RowFocus::FirstColumn) {
        setSelection(rows, rows.left, currentRow);
        GridModel *model = window_.gridModel();
        QItemSelection rest;
        for (int position = 0; position < rows.left; ++position) {
            const int logical = toInt(layout.fieldAt(position));
            rest.select(model->index(first - 1, logical), model->index(last - 1, logical));
        }
        window_.grid()->selectionModel()->select(rest, QItemSelectionModel::Select);
        return;
    }
    // The current cell is the row's last one, but the view stays on the
    // columns the user is looking at.
    QScrollBar *across = window_.grid()->horizontalScrollBar();
    const int scrolled = across->value();
    setSelection(rows, kColumnCount - 1, currentRow);
    across->setValue(scrolled);
}

void GridEditing::onRowNumberClicked(int section)
{
    const int row = section + 1;
    const CellRect sel = selection();
    if (!(rowPressModifiers_ & Qt::ShiftModifier) || sel.isEmpty()) {
        selectRows(row, row);
        return;
    }
    // Shift extends the rows from the end of the selection away from the
    // current cell to the clicked row.
    const int anchor = currentRow() == sel.top ? sel.bottom : sel.top;
    selectRows(std::min(anchor, row), std::max(anchor, row), row);
}

int GridEditing::currentColumn() const
{
    const QModelIndex current = window_.grid()->currentIndex();
    return current.isValid() ? window_.table().layout().position(GridModel::field(current)) : -1;
}

int GridEditing::currentRow() const
{
    const QModelIndex current = window_.grid()->currentIndex();
    return current.isValid() ? GridModel::tableRow(current) : -1;
}

void GridEditing::refreshSelectionState()
{
    if (closing_)
        return;
    cellBox_->close();
    // Typing in the editor box is one step until the selection changes.
    window_.session().closeEdit();
    computeEditorText();
}

void GridEditing::layoutChanged()
{
    editorBar_->layoutBar();
    refreshSelectionState();
}

void GridEditing::computeEditorText()
{
    if (busy())
        return;
    editorBar_->computeEditorText();
    updateEditActions();
}

void GridEditing::updateEditActions()
{
    const CellRect sel = selection();
    const SelectionState state =
        selectionState(window_.table(), sel, separateNumbering(), clipboardHasText());
    const NamedCommands &c = window_.commands().named();
    c.aDeleteSelect->setEnabled(state.deleteEnabled);
    c.aCopy->setEnabled(state.copyEnabled);
    c.aCut->setEnabled(state.cutEnabled);
    c.aPaste->setEnabled(state.pasteEnabled);
    c.aPasteIn->setEnabled(state.pasteEnabled);
    c.aEditPaste->setEnabled(state.pasteEnabled);
    for (QAction *action : {c.aReplace, c.aRestore})
        action->setEnabled(state.replaceEnabled);
    if (DropDownCommand *replaceButton = window_.dropDown(QStringLiteral("Relace")))
        replaceButton->face()->setEnabled(state.replaceEnabled);
    editorBar_->applySelectionState(state);
    // A current cell the view chose by itself (after a sort, say) is no
    // selection of the user's: it must not take the status line from what a
    // job just reported there.
    if (!state.status.isEmpty() && window_.grid()->selectionModel()->hasSelection())
        setStatus(state.status);
}

void GridEditing::setStatus(const QString &text) { window_.infoPanel()->setStatusText(text); }

void GridEditing::reselect(const CellRect &reselect)
{
    const RowTable &table = window_.table();
    CellRect r = reselect;
    r.bottom = std::min(r.bottom, table.blankRow());
    r.top = std::min(r.top, r.bottom);
    if (r.isEmpty()) {
        refreshSelectionState();
        return;
    }
    setSelection(r, r.left, r.top);
}

void GridEditing::copySelection()
{
    const QString block = copyCellBlock(window_.table(), selection());
    if (block.isEmpty())
        QGuiApplication::clipboard()->clear();
    else
        QGuiApplication::clipboard()->setText(block);
    updateEditActions();
}

void GridEditing::cutSelection()
{
    copySelection();
    deleteSelected();
}

void GridEditing::paste(bool into)
{
    const QString text = QGuiApplication::clipboard()->text();
    if (text.isEmpty())
        return;
    const CellRect sel = selection();
    if (sel.isEmpty())
        return;
    if (!window_.session().pasteCells(sel, text, into ? PasteMode::Into : PasteMode::Insert))
        return;
    reselect(sel);
    computeEditorText();
}

void GridEditing::clearSelected()
{
    const CellRect sel = selection();
    if (sel.isEmpty() || !window_.session().clearCells(sel))
        return;
    reselect(sel);
    computeEditorText();
}

void GridEditing::deleteSelected()
{
    const CellRect sel = selection();
    if (sel.isEmpty())
        return;
    const CellRect after = window_.session().deleteCells(sel);
    if (after.isEmpty())
        return;
    reselect(after);
    computeEditorText();
}

void GridEditing::selectAll()
{
    const CellRect all = selectAllCells(window_.table());
    if (all.isEmpty())
        return;
    setSelection(all, all.right, all.bottom);
}

void GridEditing::removeDuplicates(DuplicateKey key)
{
    if (busy())
        return;
    window_.session().removeDuplicates(key);
}

void GridEditing::undoStep(bool redo)
{
    if (busy())
        return;
    cellBox_->close();
    const CellRect sel = selection();
    Session &session = window_.session();
    if (redo)
        session.redo();
    else
        session.undo();
    reselect(sel);
    computeEditorText();
}

void GridEditing::updateUndoActions()
{
    const Session &session = window_.session();
    const NamedCommands &c = window_.commands().named();
    c.aUndo->setEnabled(session.canUndo() && !session.busy());
    c.aRedo->setEnabled(session.canRedo() && !session.busy());
}

void GridEditing::moveCurrentRow(bool up)
{
    const int row = currentRow();
    if (!window_.table().isFileRow(row))
        return;
    const int selected = window_.session().moveRowByKey(row, up);
    if (selected != row)
        setStatus(rowMoveHint());
    selectRows(selected, selected);
}

void GridEditing::rowMoved(int from, int to)
{
    setStatus(rowMoveHint());
    const int selected = window_.session().dragRow(from, to);
    if (selected >= 0)
        selectRows(selected, selected);
}

void GridEditing::onRowHeaderMoved(int logical, int from, int to)
{
    Q_UNUSED(logical);
    if (undoingRowDrag_)
        return;
    // The view only records the drag; the rows move in the table, so the
    // header goes back to its natural order at once.
    undoingRowDrag_ = true;
    window_.grid()->verticalHeader()->moveSection(to, from);
    undoingRowDrag_ = false;
    rowMoved(from + 1, to + 1);
}

void GridEditing::onCellClicked()
{
    refreshSelectionState();
    const CellRect sel = selection();
    const QPoint current(currentColumn(), currentRow());
    if (sel.columnCount() == 1 && sel.rowCount() == 1 && current == lastClicked_
        && sel.left == current.x() && sel.top == current.y())
        cellBox_->open();
    lastClicked_ = current;
}

bool GridEditing::gridKeyPress(QEvent *event)
{
    auto *key = static_cast<QKeyEvent *>(event);
    const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
    const NamedCommands &c = window_.commands().named();
    const auto runIfEnabled = [](QAction *action) {
        if (action->isEnabled())
            action->trigger();
    };
    switch (key->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
        if (mods != Qt::ControlModifier)
            return false;
        moveCurrentRow(key->key() == Qt::Key_Up);
        return true;
    case Qt::Key_Insert:
        if (mods == Qt::ControlModifier) {
            runIfEnabled(c.aCopy);
            return true;
        }
        if (mods == Qt::ShiftModifier) {
            runIfEnabled(c.aPasteIn);
            return true;
        }
        return false;
    case Qt::Key_Delete:
        if (mods != Qt::NoModifier)
            return false;
        runIfEnabled(c.aDeleteSelect);
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_F2:
        cellBox_->open();
        return true;
    default:
        return false;
    }
}

void GridEditing::gridToolTip(QEvent *event, bool rowHeader)
{
    auto *help = static_cast<QHelpEvent *>(event);
    NameGrid *grid = window_.grid();
    if (rowHeader) {
        QToolTip::showText(help->globalPos(),
                           tr("Нажмите для выделения или перемещения строк в таблице"), grid);
        return;
    }
    const QModelIndex index = grid->indexAt(help->pos());
    const QString text = index.isValid() ? index.data().toString() : QString();
    const QRect cell = grid->visualRect(index);
    if (!text.isEmpty() && grid->fontMetrics().horizontalAdvance(text) + 6 > cell.width())
        QToolTip::showText(help->globalPos(), text, grid);
    else
        QToolTip::hideText();
}

bool GridEditing::eventFilter(QObject *watched, QEvent *event)
{
    if (closing_)
        return false;
    NameGrid *grid = window_.grid();
    if (watched == grid && event->type() == QEvent::KeyPress)
        return gridKeyPress(event);
    if (event->type() == QEvent::ToolTip) {
        if (watched == grid->viewport()) {
            gridToolTip(event, false);
            return true;
        }
        if (watched == grid->verticalHeader()->viewport()) {
            gridToolTip(event, true);
            return true;
        }
    }
    if (watched == grid->viewport() && event->type() == QEvent::Wheel && cellBox_->isOpen())
        return QCoreApplication::sendEvent(cellBox_->box(), event);
    if (watched == grid->viewport() && event->type() == QEvent::MouseButtonRelease)
        grid->viewport()->update();
    if (watched == grid->verticalHeader()->viewport() && event->type() == QEvent::MouseButtonPress)
        rowPressModifiers_ = static_cast<QMouseEvent *>(event)->modifiers();
    return false;
}

} // namespace qm
