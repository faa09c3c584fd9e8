#include "session/tablelayout.h"

namespace qm {

TableLayout::TableLayout(RowTable &table, QObject *parent) : QObject(parent), table_(table) {}

void TableLayout::setColumnShown(FieldNumber f, bool shown)
{
    if (table_.layout().isShown(f) == shown)
        return;
    table_.setColumnShown(table_.layout().position(f), shown);
    emit columnShownChanged(f, shown);
    emit changed();
}

bool TableLayout::moveColumn(int from, int to)
{
    if (!table_.applyColumnMove(from, to))
        return false;
    emit changed();
    return true;
}

void TableLayout::setColumnWidth(FieldNumber f, int width)
{
    if (table_.width(f) == width)
        return;
    table_.setWidth(f, width);
    emit changed();
}

void TableLayout::restore(QStringView colIndex, QStringView colWidths)
{
    table_.setLayout(ColumnLayout::fromColIndex(colIndex));
    table_.readColWidths(colWidths);
    emit changed();
}

void TableLayout::setLyricsHeaders(bool lyricsView)
{
    table_.setLyricsHeaders(lyricsView);
    emit changed();
}

void TableLayout::retranslateHeaders()
{
    table_.buildHeaderRow();
    emit changed();
}

} // namespace qm
