#pragma once

#include <QAbstractTableModel>
#include <QTableView>

#include "options/options.h"

class QMimeData;

namespace qm {

// The scan table of the options as a grid: rank, field number (zero
// width), the "+" mark and the field's caption.
class ScanGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { RankColumn, FieldColumn, MarkColumn, NameColumn, ColumnCount };

    explicit ScanGridModel(ScanFields &fields, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    // A dragged row travels as its position.
    static constexpr const char *kRowMimeType = "application/x-quillmark-scan-row";
    QStringList mimeTypes() const override;
    QMimeData *mimeData(const QModelIndexList &indexes) const override;

    void toggle(int row);
    void moveRow(int from, int to);
    void setAllEnabled(bool on);
    void setDefaultPattern();
    // The scan fields were replaced from outside (settings).
    void reset();

signals:
    // A mark or the order changed through the grid.
    void edited();

private:
    ScanFields &fields_;
};

// The scan grid: a click on a mark toggles it; a row dragged onto another
// takes its place. The drop moves the row itself and reports a copy, so the
// drag never removes anything afterwards.
class ScanGrid : public QTableView {
    Q_OBJECT
public:
    explicit ScanGrid(QWidget *parent = nullptr);

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
};

} // namespace qm
