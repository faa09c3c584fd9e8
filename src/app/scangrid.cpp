#include "app/scangrid.h"

#include <QDragEnterEvent>
#include <QHeaderView>
#include <QMimeData>

namespace qm {

namespace {

const QString kMarkText = QStringLiteral("+");

} // namespace

ScanGridModel::ScanGridModel(ScanFields &fields, QObject *parent)
    : QAbstractTableModel(parent), fields_(fields)
{}

int ScanGridModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ScanFields::kRows;
}

int ScanGridModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ScanGridModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::TextAlignmentRole))
        return {};
    const int row = index.row();
    if (role == Qt::TextAlignmentRole)
        return index.column() == NameColumn ? QVariant() : QVariant(Qt::AlignCenter);
    switch (index.column()) {
    case RankColumn: {
        const int rank = fields_.rank(row);
        return rank > 0 ? QString::number(rank) : QString();
    }
    case FieldColumn:
        return QString::number(toInt(fields_.field(row)));
    case MarkColumn:
        return fields_.isEnabled(row) ? kMarkText : QString();
    case NameColumn:
        return ScanFields::caption(fields_.field(row));
    }
    return {};
}

QVariant ScanGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    if (section == MarkColumn)
        return tr("Вкл");
    if (section == NameColumn)
        return tr("Сканируемое поле");
    return QString();
}

Qt::ItemFlags ScanGridModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::ItemIsDropEnabled;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled | Qt::ItemIsDropEnabled;
}

QStringList ScanGridModel::mimeTypes() const { return {QString::fromLatin1(kRowMimeType)}; }

QMimeData *ScanGridModel::mimeData(const QModelIndexList &indexes) const
{
    if (indexes.isEmpty())
        return nullptr;
    auto *data = new QMimeData;
    data->setData(QString::fromLatin1(kRowMimeType), QByteArray::number(indexes.first().row()));
    return data;
}

void ScanGridModel::toggle(int row)
{
    if (row < 0 || row >= ScanFields::kRows)
        return;
    fields_.toggle(row);
    // Every rank below may change.
    emit dataChanged(index(0, RankColumn), index(ScanFields::kRows - 1, MarkColumn));
    emit edited();
}

void ScanGridModel::moveRow(int from, int to)
{
    if (from < 0 || from >= ScanFields::kRows || to < 0 || to >= ScanFields::kRows || from == to)
        return;
    beginMoveRows({}, from, from, {}, to > from ? to + 1 : to);
    fields_.moveRow(from, to);
    endMoveRows();
    emit dataChanged(index(0, RankColumn), index(ScanFields::kRows - 1, RankColumn));
    emit edited();
}

void ScanGridModel::setAllEnabled(bool on)
{
    fields_.setAllEnabled(on);
    emit dataChanged(index(0, RankColumn), index(ScanFields::kRows - 1, MarkColumn));
    emit edited();
}

void ScanGridModel::setDefaultPattern()
{
    fields_.setDefaultPattern();
    emit dataChanged(index(0, RankColumn), index(ScanFields::kRows - 1, MarkColumn));
    emit edited();
}

void ScanGridModel::reset()
{
    beginResetModel();
    endResetModel();
}

// ---------------------------------------------------------------------------

ScanGrid::ScanGrid(QWidget *parent) : QTableView(parent)
{
    setSelectionBehavior(SelectRows);
    setSelectionMode(SingleSelection);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(true);
    setDragDropMode(DragDrop);
    setDefaultDropAction(Qt::CopyAction);
    setEditTriggers(NoEditTriggers);
    verticalHeader()->hide();
    horizontalHeader()->setStretchLastSection(true);
    horizontalHeader()->setSectionsClickable(false);
    setShowGrid(true);
}

namespace {

// The row a drag from the scan grid carries, or -1.
int draggedRow(const QMimeData *data)
{
    if (!data || !data->hasFormat(QString::fromLatin1(ScanGridModel::kRowMimeType)))
        return -1;
    bool ok = false;
    const int row = data->data(QString::fromLatin1(ScanGridModel::kRowMimeType)).toInt(&ok);
    return ok && row >= 0 && row < ScanFields::kRows ? row : -1;
}

} // namespace

void ScanGrid::dragEnterEvent(QDragEnterEvent *event)
{
    if (draggedRow(event->mimeData()) >= 0)
        event->acceptProposedAction();
    else
        event->ignore();
}

void ScanGrid::dragMoveEvent(QDragMoveEvent *event)
{
    if (draggedRow(event->mimeData()) >= 0)
        event->acceptProposedAction();
    else
        event->ignore();
}

void ScanGrid::dropEvent(QDropEvent *event)
{
    auto *grid = qobject_cast<ScanGridModel *>(model());
    const int from = draggedRow(event->mimeData());
    if (from < 0 || !grid) {
        event->ignore();
        return;
    }
    const QModelIndex at = indexAt(event->position().toPoint());
    const int to = at.isValid() ? at.row() : grid->rowCount() - 1;
    grid->moveRow(from, to);
    selectRow(to);
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

} // namespace qm
