#include "app/namegrid.h"

#include <QAbstractButton>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMenu>
#include <QPaintEvent>
#include <QPainter>
#include <QStyleOptionHeader>

#include "app/gridmodel.h"

namespace qm {

NameGrid::NameGrid(GridModel *model, QWidget *parent) : QTableView(parent), model_(model)
{
    setObjectName(QStringLiteral("grdNames"));
    headerSelection_ = new QItemSelectionModel(model_, this);
    setModel(model_);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);

    QHeaderView *columns = horizontalHeader();
    columns->setSectionsMovable(true);
    columns->setHighlightSections(false);
    columns->setMinimumSectionSize(8);
    columns->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    columns->setFixedHeight(defaultRowHeight() + 1
                            + 2 * style()->pixelMetric(QStyle::PM_HeaderMargin));
    columns->setContextMenuPolicy(Qt::CustomContextMenu);

    QHeaderView *rows = verticalHeader();
    // One fixed height for every row keeps a table of 100,000 rows cheap.
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setMinimumSectionSize(defaultRowHeight());
    rows->setDefaultSectionSize(defaultRowHeight());
    rows->setDefaultAlignment(Qt::AlignRight | Qt::AlignVCenter);
    rows->setContextMenuPolicy(Qt::CustomContextMenu);
    setContextMenuPolicy(Qt::CustomContextMenu);

    connect(columns, &QHeaderView::sectionMoved, this, &NameGrid::onSectionMoved);
    connect(columns, &QHeaderView::sectionResized, this, &NameGrid::onSectionResized);
    connect(columns, &QWidget::customContextMenuRequested, this,
            [this, columns](const QPoint &pos) { popup(columnMenu_, columns->mapToGlobal(pos)); });
    connect(rows, &QWidget::customContextMenuRequested, this,
            [this, rows](const QPoint &pos) { popup(cellsMenu_, rows->mapToGlobal(pos)); });
    connect(this, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { popup(cellsMenu_, viewport()->mapToGlobal(pos)); });

    // The corner above the numbers carries the No column's header text.
    corner_ = findChild<QAbstractButton *>();
    if (corner_)
        corner_->installEventFilter(this);
    connect(model_, &QAbstractItemModel::headerDataChanged, this, [this] {
        if (corner_)
            corner_->update();
    });
    syncLayout();
}

const RowTable &NameGrid::table() const { return model_->table(); }

void NameGrid::setSelectionModel(QItemSelectionModel *selectionModel)
{
    QTableView::setSelectionModel(selectionModel);
    if (headerSelection_)
        horizontalHeader()->setSelectionModel(headerSelection_);
}

int NameGrid::defaultRowHeight() const
{
    return fontMetrics().boundingRect(QStringLiteral("Высота у ячеек")).height() + 3;
}

void NameGrid::syncLayout()
{
    syncing_ = true;
    const ColumnLayout &layout = table().layout();
    QHeaderView *header = horizontalHeader();
    for (int position = 0; position < kColumnCount; ++position) {
        const int logical = toInt(layout.fieldAt(position));
        const int visual = header->visualIndex(logical);
        if (visual != position)
            header->moveSection(visual, position);
    }
    for (int position = 0; position < kColumnCount; ++position) {
        const FieldNumber f = layout.fieldAt(position);
        const bool shown = layout.isDataPosition(position);
        header->setSectionHidden(toInt(f), !shown);
        if (shown)
            header->resizeSection(toInt(f), qMax(table().width(f), 0));
    }
    verticalHeader()->setMinimumWidth(qMax(table().width(FieldNumber::No), 0));
    syncing_ = false;
}

void NameGrid::onSectionMoved(int logical, int from, int to)
{
    Q_UNUSED(logical);
    if (syncing_)
        return;
    // Only data columns move; a drop into the frozen zone is put back.
    emit columnMoveRequested(from, to);
    syncLayout();
    emit columnMoved();
}

void NameGrid::onSectionResized(int logical, int oldSize, int newSize)
{
    Q_UNUSED(oldSize);
    if (syncing_ || !isFieldNumber(logical))
        return;
    const FieldNumber f = toField(logical);
    if (table().layout().isShown(f) && newSize > 0)
        emit columnResized(f, newSize);
}

void NameGrid::popup(QMenu *menu, const QPoint &globalPos)
{
    if (!menu)
        return;
    for (QAction *action : menu->actions()) {
        if (!action->isSeparator() && action->isVisible()) {
            menu->popup(globalPos);
            return;
        }
    }
}

bool NameGrid::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == corner_ && event->type() == QEvent::Paint) {
        QPainter painter(corner_);
        QStyleOptionHeader option;
        option.initFrom(corner_);
        option.rect = corner_->rect();
        option.position = QStyleOptionHeader::OnlyOneSection;
        option.text = table().cell(0, FieldNumber::No);
        option.textAlignment = Qt::AlignLeft | Qt::AlignVCenter;
        style()->drawControl(QStyle::CE_Header, &option, &painter, corner_);
        return true;
    }
    return QTableView::eventFilter(watched, event);
}

} // namespace qm
