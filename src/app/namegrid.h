#pragma once

#include <QTableView>

#include "table/rowtable.h"

class QMenu;

namespace qm {

class GridModel;

// grdNames: the table view. Column positions, hidden columns and widths
// come from the row table's layout; a drag or resize by the user goes back
// into it. The No column is drawn as the vertical header (frozen, never
// scrolled sideways) with its header text in the corner above it.
class NameGrid : public QTableView {
    Q_OBJECT
public:
    NameGrid(GridModel *model, QWidget *parent = nullptr);

    GridModel *gridModel() const { return model_; }
    RowTable &table() const;

    // Puts every section at its column's position and width; hides the
    // hidden zone.
    void syncLayout();
    // The default row height: the sample text's height plus 3.
    int defaultRowHeight() const;

    void setCellsMenu(QMenu *menu) { cellsMenu_ = menu; }
    void setColumnMenu(QMenu *menu) { columnMenu_ = menu; }

signals:
    // The user dragged a data column; the layout has recorded it.
    void columnMoved();

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
    bool syncing_ = false;
};

} // namespace qm
