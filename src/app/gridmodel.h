#pragma once

#include <QAbstractTableModel>

#include <functional>

#include "table/rowtable.h"

namespace qm {

// The Qt face of the row table. It owns no data: a model row is a table row
// below the header (model row r = table row r + 1, the blank last row
// included), and a model column is a field number, so the view's logical
// section is the FieldNumber and its visual index the column's position.
// The header row's cells are the horizontal header texts; the No cells are
// the vertical header, which keeps them frozen at the left edge.
class GridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit GridModel(const RowTable &table, QObject *parent = nullptr);

    const RowTable &table() const { return table_; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    static int tableRow(const QModelIndex &index) { return index.row() + 1; }
    static FieldNumber field(const QModelIndex &index) { return toField(index.column()); }

    // The table changed behind the model's back: rows came or went.
    void reloadRows();
    // File rows were appended to the table (before its blank last row): the
    // view is told about them as one insertion, keeping its selection.
    void rowsAppended();
    // Cells of the rows [first, last] (table rows) changed in any column.
    void cellsChanged(int first, int last);
    void headerRowChanged();
    // The code page chosen for a row's file (empty: none), shown as the
    // tooltip of its cells and its number.
    void setRowCodepage(std::function<QString(int row)> codepage)
    {
        codepage_ = std::move(codepage);
    }

private:
    QVariant codepageTip(int row) const;

    const RowTable &table_;
    std::function<QString(int row)> codepage_;
    // The rows the view has been told about; the table may run ahead of it
    // between an append and rowsAppended().
    int rows_ = 0;
};

} // namespace qm
