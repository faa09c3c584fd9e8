#include "app/gridmodel.h"

#include "formats/pathcodec.h"

namespace qm {

GridModel::GridModel(const RowTable &table, QObject *parent)
    : QAbstractTableModel(parent), table_(table), rows_(table.rowCount() - 1)
{}

int GridModel::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : rows_; }

int GridModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant GridModel::data(const QModelIndex &index, int role) const
{
    if (index.isValid() && role == Qt::ToolTipRole)
        return codepageTip(tableRow(index));
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    const int row = tableRow(index);
    if (!table_.isValidRow(row) || !isFieldNumber(index.column()))
        return {};
    const QString &text = table_.cell(row, field(index));
    // A name that is not UTF-8 is shown through the legacy code page; the
    // cell, and the editor, keep its bytes so that it still names its file.
    return role == Qt::DisplayRole ? readableFileName(text) : text;
}

QVariant GridModel::codepageTip(int row) const
{
    const QString name = codepage_ && table_.isFileRow(row) ? codepage_(row) : QString();
    if (name.isEmpty())
        return {};
    return tr("Кодовая страница старых тегов: %1").arg(name);
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Vertical && role == Qt::ToolTipRole)
        return codepageTip(section + 1);
    if (role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (orientation == Qt::Horizontal) {
        if (!isFieldNumber(section))
            return {};
        return table_.cell(0, toField(section));
    }
    const int row = section + 1;
    if (!table_.isValidRow(row))
        return {};
    return table_.cell(row, FieldNumber::No);
}

Qt::ItemFlags GridModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled;
}

void GridModel::reloadRows()
{
    beginResetModel();
    rows_ = table_.rowCount() - 1;
    endResetModel();
}

void GridModel::rowsAppended()
{
    const int rows = table_.rowCount() - 1;
    if (rows == rows_)
        return;
    if (rows < rows_) {
        reloadRows();
        return;
    }
    // The new rows went in before the blank last row, which the view already
    // shows as row rows_ - 1.
    const int at = qMax(0, rows_ - 1);
    beginInsertRows({}, at, at + rows - rows_ - 1);
    rows_ = rows;
    endInsertRows();
}

void GridModel::cellsChanged(int first, int last)
{
    // Rows may have come or gone as well: the view must not be left behind.
    if (table_.rowCount() - 1 != rows_) {
        reloadRows();
        return;
    }
    first = qMax(first, 1);
    last = qMin(last, table_.rowCount() - 1);
    if (first > last)
        return;
    emit dataChanged(index(first - 1, 0), index(last - 1, kColumnCount - 1));
    emit headerDataChanged(Qt::Vertical, first - 1, last - 1);
}

void GridModel::headerRowChanged() { emit headerDataChanged(Qt::Horizontal, 0, kColumnCount - 1); }

} // namespace qm
