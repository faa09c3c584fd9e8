#pragma once

#include "session/session.h"

#include <QDialog>

class QAction;
class QTreeWidget;
class QPushButton;

namespace qm {

class TfrmTagEditor;

// "Исправить кодировку": the cells whose text reads better in another code
// page, each with its text, the reading proposed and the other readings by
// their names; the ticked ones are written as one undoable step.
class TfrmRepairEncoding : public QDialog {
    Q_OBJECT
public:
    TfrmRepairEncoding(Session &session, const QList<SuspectCell> &cells,
                       QWidget *parent = nullptr);

    // The repairs the ticks and choices make.
    QList<CellRepair> chosenRepairs() const;

private:
    void applyChosen();

    Session &session_;
    QList<SuspectCell> cells_;
    QTreeWidget *lstCells_ = nullptr;
    QPushButton *btnApply_ = nullptr;
};

// The command "Исправить кодировку…" in the Replace menu and the cells'
// menu: over the selected cells of New and the tag columns, or over all of
// them when one cell is selected.
void connectRepairCommand(TfrmTagEditor &window);
// `command` at the end of the Replace menu and of the cells' menu, with the
// commands over the cells' text.
void addToTextMenus(TfrmTagEditor &window, QAction *command);

} // namespace qm
