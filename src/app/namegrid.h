#pragma once

#include <QTableView>

#include "table/rowtable.h"

class QMenu;

namespace qm {

class GridModel;

// grdNames: the table view. Column positions, hidden columns and widths
// come from the row table's layout; a drag or resize by the user is handed
// on as a request for the layout's owner to record. The No column is drawn as the vertical header
// (frozen, never scrolled sideways) with its header text in the corner above it.
class NameGrid : public QTableView {
    Q_OBJECT
public:
    NameGrid(GridModel *model, QWidget *parent = nullptr);

    GridModel *gridModel() const { return model_; }
    const RowTable &table() const;

    // Puts every section at its column's position and width; hides the
    // hidden zone.
    void syncLayout();
    // The default row height: the sample text's height plus 3.
    int defaultRowHeight() const;

    // The view's selection model; the column header keeps its own empty one
    // (see headerSelection_).
    void setSelectionModel(QItemSelectionModel *selectionModel) override;

    void setCellsMenu(QMenu *menu) { cellsMenu_ = menu; }
    void setColumnMenu(QMenu *menu) { columnMenu_ = menu; }

signals:
    // The user dragged a column from one position to another: the layout is
    // to record it (a move into the frozen zone it refuses).
    void columnMoveRequested(int from, int to);
    // The user dragged a data column; the layout has recorded it.
    void columnMoved();
    // The user resized the shown column `f`.
    void columnResized(FieldNumber f, int width);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void onSectionMoved(int logical, int from, int to);
    void onSectionResized(int logical, int oldSize, int newSize);
    void popup(QMenu *menu, const QPoint &globalPos);

    GridModel *model_;
    QWidget *corner_ = nullptr;
    QMenu *cellsMenu_ = nullptr;
    QMenu *columnMenu_ = nullptr;
    // The column header does not highlight selected columns, yet on every
    // paint it would ask the view's selection model whether each shown column
    // is wholly selected, and that question walks every selected row: with
    // 100,000 rows selected after an add, every repaint during the read cost
    // a pass over the table. An empty selection model of its own answers at
    // once; the column clicks select through the view's model as before.
    QItemSelectionModel *headerSelection_ = nullptr;
    bool syncing_ = false;
};

} // namespace qm
