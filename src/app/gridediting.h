#pragma once

#include <QObject>
#include <QPoint>

#include "table/celleditor.h"
#include "table/selectionstate.h"
#include "table/duplicates.h"
#include "table/selection.h"

class QAction;
class QEvent;
class QMenu;

namespace qm {

class CellBox;
class CellEditorBar;
class TfrmTagEditor;

// How the user works on cells of grdNames: the selection rectangle, mouse
// and keys of the table, row moves, and the commands of the "&Правка" menu
// (copy, cut, paste, clear, delete, select all, duplicate removal). It owns
// the two editor boxes: cmbEdit on the "Редактор ячеек" bar and the
// in-place cmbCell. The table logic itself lives in the table layer; this
// class gathers the selection, calls it and shows the result.
class GridEditing : public QObject {
    Q_OBJECT
public:
    explicit GridEditing(TfrmTagEditor &window);
    ~GridEditing() override;

    TfrmTagEditor &window() const { return window_; }
    CellEditorBar &editorBar() const { return *editorBar_; }
    CellBox &cellBox() const { return *cellBox_; }

    // The selected rectangle by column position and table row; empty when
    // nothing is selected.
    CellRect selection() const;
    // Selects the rectangle (clipped to the data columns and rows) and makes
    // (currentColumn, currentRow) the current cell.
    void setSelection(const CellRect &rect, int currentColumn, int currentRow);
    // Where selectRows puts the current cell: at the end of the row, the view
    // keeping its columns in sight; or, for rows the program brought into
    // view (added, run), at their first data column, the view going there.
    enum class RowFocus { KeepColumns, FirstColumn };
    // Whole rows across every data column, the current cell in the last row
    // (or in `currentRow`). With FirstColumn the hidden columns and the
    // numbers are selected as well, so the row numbers show the rows as
    // wholly selected.
    void selectRows(int first, int last);
    void selectRows(int first, int last, int currentRow, RowFocus focus = RowFocus::KeepColumns);
    // The current cell's position and row (-1 when there is none).
    int currentColumn() const;
    int currentRow() const;

    Numbering numbering() const;
    bool separateNumbering() const;
    // True while a job runs (the table is disabled) or the window closes.
    bool busy() const;
    // The window is being taken down: the boxes must not touch the table
    // or the grid when they lose the focus on the way.
    void shutDown() { closing_ = true; }
    bool closing() const { return closing_; }

    // Paste-from-column states, hiding the cell box, and the editor text.
    void refreshSelectionState();
    // Columns moved, shown or hidden, or a view switched.
    void layoutChanged();
    void computeEditorText();
    // Enabled states of the edit commands for the clipboard and selection.
    void updateEditActions();

    // After the session changed rows (count or order): the selection put
    // back as far as it still exists. The view follows the session itself.
    void reselect(const CellRect &reselect);
    void setStatus(const QString &text);

    // Commands of the "&Правка" menu.
    void copySelection();
    void cutSelection();
    void paste(bool into);
    void clearSelected();
    void deleteSelected();
    void selectAll();
    void removeDuplicates(DuplicateKey key);
    // Undo or redo of the last table step, the selection kept where it was.
    void undoStep(bool redo);
    // The enabled states of undo and redo.
    void updateUndoActions();
    // Ctrl+Up / Ctrl+Down on the current row.
    void moveCurrentRow(bool up);
    // After the row at `from` was dragged to `to`.
    void rowMoved(int from, int to);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void connectCommands();
    void connectSelection();
    void onCellClicked();
    bool gridKeyPress(QEvent *event);
    void gridToolTip(QEvent *event, bool rowHeader);
    void onRowHeaderMoved(int logical, int from, int to);
    // A click on a row's number: that row, or with Shift the rows up to it.
    void onRowNumberClicked(int section);

    TfrmTagEditor &window_;
    CellEditorBar *editorBar_ = nullptr;
    CellBox *cellBox_ = nullptr;
    QPoint lastClicked_{-1, -1};        // position, row
    QPoint currentBeforeReset_{-1, -1}; // logical column, view row
    Qt::KeyboardModifiers rowPressModifiers_;
    bool undoingRowDrag_ = false;
    bool selectionConnected_ = false;
    bool closing_ = false;
};

} // namespace qm
