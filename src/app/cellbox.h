#pragma once

#include <QObject>
#include <QStringList>

#include "table/columns.h"

class QComboBox;
class QWidget;

namespace qm {

class GridEditing;

// The genre names and one empty entry, sorted as the box shows them (the
// empty entry first).
QStringList genreList();

// cmbCell: the box that edits one cell in place over the table. It writes
// every change into its cell at once; leaving it finishes the row (an
// emptied row goes, a filled blank last row becomes a file row).
class CellBox : public QObject {
    Q_OBJECT
public:
    CellBox(GridEditing &editing, QWidget *viewport);

    QComboBox *box() const { return cmbCell_; }
    bool isOpen() const;
    int row() const { return row_; }

    // OpenCellBox on the grid's current cell.
    void open();
    // Hides the box; when it was open this is cmbCellExit.
    void close();
    // Closes, moves the current cell one row up or down and opens again;
    // false when there is no such row.
    bool step(bool up);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void cmbCellChange(const QString &text);
    void cmbCellExit();
    void watchEditor();
    bool id3v1View() const;

    GridEditing &editing_;
    QComboBox *cmbCell_;
    QStringList genres_;
    int row_ = -1;
    FieldNumber field_ = FieldNumber::No;
    bool opening_ = false;
    bool closing_ = false;
};

} // namespace qm
