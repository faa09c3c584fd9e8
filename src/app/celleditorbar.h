#pragma once

#include <QObject>
#include <QStringList>

#include "table/celleditor.h"
#include "table/selectionstate.h"

class QAction;
class QComboBox;
class QKeyEvent;
class QLabel;
class QMenu;
class QToolBar;

namespace qm {

class GridEditing;
struct SelectionState;

// cmbEdit on the "Редактор ячеек" tool bar: shows the template of the
// selected cells and writes every change of its text into all of them, with
// the paste-from-column commands and the box's own menu.
class CellEditorBar : public QObject {
    Q_OBJECT
public:
    CellEditorBar(GridEditing &editing, QToolBar *bar);

    QComboBox *box() const { return cmbEdit_; }
    // The session's cell editor, which the box drives: every change the box
    // makes to the cells joins one undo step, closed when the box is left.
    const CellEditor &editor() const;

    // ComputeEditorText for the selection (nothing while a job runs).
    void computeEditorText();
    // Paste-from-column enabling and the pick-only state.
    void applySelectionState(const SelectionState &state);
    // The box's width within its bar.
    void layoutBar();

    // The editor box menu commands and PasteFromCol.
    void undo();
    void cut();
    void copy();
    void paste();
    void deleteSelected();
    void selectAll();
    void pasteFromColumn(QAction *command);
    // The editor box menu with its enabled states for the moment.
    QMenu *prepareMenu();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void cmbEditChange(const QString &text);
    // Writes the box text into the cells, whatever the undo text is.
    void applyBoxText(const QString &text);
    // Keys of the box; true when the key is used up here.
    bool cmbEditKeyPress(QKeyEvent *key);
    void cmbEditExit();
    // Writes a text computed by the editor into the box without applying it
    // a second time.
    void showText(const QString &text, bool selectAll);
    void replaceSelection(const QString &insertion);

    GridEditing &editing_;
    QToolBar *bar_;
    QComboBox *cmbEdit_;
    QLabel *plus_;
    QMenu *menu_;
    QStringList genres_;
    // The text the selected cells show: the box text last applied or computed.
    QString cellsText_;
    bool showingText_ = false;
};

} // namespace qm
