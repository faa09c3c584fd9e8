#include "app/gridmodel.h"

namespace qm {

GridModel::GridModel(RowTable& table, QObject* parent) : QAbstractTableModel(parent), table_(table) {}

int GridModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : table_.rowCount() - 1;
}

int GridModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumnCount; }

QVariant GridModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole)) return {};
  const int row = tableRow(index);
  if (!table_.isValidRow(row) || !isFieldNumber(index.column())) return {};
  return table_.cell(row, field(index));
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole) return QAbstractTableModel::headerData(section, orientation, role);
  if (orientation == Qt::Horizontal) {
    if (!isFieldNumber(section)) return {};
    return table_.cell(0, toField(section));
  }
  const int row = section + 1;
  if (!table_.isValidRow(row)) return {};
  return table_.cell(row, FieldNumber::No);
}

Qt::ItemFlags GridModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsSelectable | Qt::ItemIsEnabled;
}

void GridModel::reloadRows() {
  beginResetModel();
  endResetModel();
}

void GridModel::cellsChanged(int first, int last) {
  first = qMax(first, 1);
  last = qMin(last, table_.rowCount() - 1);
  if (first > last) return;
  emit dataChanged(index(first - 1, 0), index(last - 1, kColumnCount - 1));
  emit headerDataChanged(Qt::Vertical, first - 1, last - 1);
}

void GridModel::headerRowChanged() { emit headerDataChanged(Qt::Horizontal, 0, kColumnCount - 1); }

}  // namespace qm
