#include "table/cellblock.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace qm {
namespace {

// Selected data columns, clamped to the table.
std::pair<int, int> dataColumns(const RowTable &table, const CellRect &selection)
{
    return {std::max(selection.left, table.layout().noPosition() + 1),
            std::min(selection.right, kColumnCount - 1)};
}

void renumberFrom(RowTable &table, int row, const Numbering &numbering)
{
    renumberRows(table, row, numbering.style, numbering.scope);
}

} // namespace

QStringList cellBlockLines(QStringView text)
{
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != u'\r' && c != u'\n')
            continue;
        lines << text.sliced(start, i - start).toString();
        if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines << text.sliced(start).toString();
    return lines;
}

QString copyCellBlock(const RowTable &table, const CellRect &selection)
{
    const auto [left, right] = dataColumns(table, selection);
    const int top = std::max(selection.top, 1);
    const int bottom = std::min(selection.bottom, table.lastFileRow());
    QString text;
    bool filled = false;
    for (int r = top; r <= bottom && left <= right; ++r) {
        for (int c = left; c <= right; ++c) {
            if (c > left)
                text += u'\t';
            const QString &cell = table.cellAt(r, c);
            filled = filled || std::any_of(cell.begin(), cell.end(), [](QChar ch) {
                         return ch.unicode() > 0x20;
                     });
            text += cell;
        }
        text += u"\r\n";
    }
    return filled ? text : QString();
}

bool pasteCellBlock(RowTable &table, const CellRect &selection, QStringView text, PasteMode mode,
                    const Numbering &numbering)
{
    const QStringList lines = cellBlockLines(text);
    if (lines.isEmpty())
        return false;
    const int n = int(std::min<qsizetype>(lines.size(), std::numeric_limits<int>::max() / 2));
    const int width = int(lines.front().count(u'\t')) + 1;
    const int left = std::clamp(selection.left, table.layout().noPosition() + 1, kColumnCount - 1);
    const int top = std::clamp(selection.top, 1, table.blankRow());
    const int firstAdded = table.blankRow();

    if (mode == PasteMode::Insert) {
        table.appendRows(n);
        const int blank = table.blankRow();
        for (int c = left; c <= std::min(left + width - 1, kColumnCount - 1); ++c) {
            const FieldNumber f = table.layout().fieldAt(c);
            for (int r = blank; r >= top + n; --r)
                table.row(r)[size_t(toInt(f))] = std::move(table.row(r - n)[size_t(toInt(f))]);
            for (int r = top; r < top + n; ++r)
                table.setCell(r, f, QString());
        }
    }

    // Paste into a block of several cells stays inside it.
    const bool limited =
        mode == PasteMode::Into && (selection.rowCount() > 1 || selection.columnCount() > 1);
    const int maxLines = limited ? selection.rowCount() : n;
    const int maxCells = limited ? selection.columnCount() : kColumnCount;
    for (int i = 0; i < std::min(n, maxLines); ++i) {
        const int row = top + i;
        // An empty line at the blank last row leaves it blank; the next
        // line still goes one row further down.
        if (row > table.blankRow())
            table.appendRows(row - table.blankRow());
        const QString &line = lines[i];
        qsizetype start = 0;
        for (int j = 0; j < maxCells && left + j < kColumnCount && start <= line.size(); ++j) {
            qsizetype tab = line.indexOf(u'\t', start);
            if (tab < 0)
                tab = line.size();
            table.setCellAt(row, left + j, line.mid(start, tab - start));
            start = tab + 1;
        }
        promoteBlankRow(table);
    }

    table.deleteEmptyRows(firstAdded, table.lastFileRow());
    // The No cells never move, so with one running count only the new rows
    // need numbers; per folder, a pasted folder changes the groups above too.
    renumberFrom(table, numbering.separate() ? std::min(top, firstAdded) : firstAdded, numbering);
    return true;
}

bool spansAllDataColumns(const RowTable &table, const CellRect &selection)
{
    return selection.left <= table.layout().noPosition() + 1 && selection.right >= kColumnCount - 1;
}

bool clearSelection(RowTable &table, const CellRect &selection, const Numbering &numbering)
{
    const int top = std::max(selection.top, 1);
    if (top >= table.blankRow())
        return false;
    const int bottom = std::min(selection.bottom, table.lastFileRow());
    if (spansAllDataColumns(table, selection)) {
        for (int r = top; r <= bottom; ++r)
            table.row(r).fill(QString());
    } else {
        const auto [left, right] = dataColumns(table, selection);
        for (int c = left; c <= right; ++c) {
            for (int r = top; r <= bottom; ++r)
                table.setCellAt(r, c, QString());
        }
    }
    table.deleteEmptyRows(top, bottom);
    renumberFrom(table, top, numbering);
    return true;
}

CellRect deleteSelection(RowTable &table, const CellRect &selection, const Numbering &numbering)
{
    const int top = std::max(selection.top, 1);
    if (top >= table.blankRow())
        return {};
    const int last = table.lastFileRow();
    const int n = std::min(selection.bottom, last) - top + 1;
    const auto [left, right] = dataColumns(table, selection);
    if (n < 1 || left > right)
        return {};
    if (spansAllDataColumns(table, selection)) {
        for (int r = top; r < top + n; ++r)
            table.row(r).fill(QString());
        table.deleteEmptyRows(top, top + n - 1);
    } else {
        for (int c = left; c <= right; ++c) {
            const size_t f = size_t(toInt(table.layout().fieldAt(c)));
            for (int r = top; r + n <= last; ++r)
                table.row(r)[f] = std::move(table.row(r + n)[f]);
            for (int r = std::max(top, last - n + 1); r <= last; ++r)
                table.row(r)[f].clear();
        }
        table.deleteEmptyRows(top, table.lastFileRow());
    }
    renumberFrom(table, top, numbering);
    const int column = std::clamp(selection.left, left, kColumnCount - 1);
    return {column, top, column, top};
}

CellRect selectAllCells(const RowTable &table)
{
    if (table.lastFileRow() < 1)
        return {};
    return {table.layout().noPosition() + 1, 1, kColumnCount - 1, table.lastFileRow()};
}

void replaceFileRows(RowTable &table, const std::vector<QStringList> &rows,
                     const ColumnLayout &layout, int columns)
{
    columns = std::min(columns, int(kColumnCount));
    table.removeAllFileRows();
    if (rows.empty())
        return;
    const int first = table.appendRows(int(rows.size()));
    for (size_t i = 0; i < rows.size(); ++i) {
        const QStringList &cells = rows[i];
        for (int position = 0; position < columns && position < cells.size(); ++position) {
            const FieldNumber field = layout.fieldAt(position);
            if (field != FieldNumber::No)
                table.setCell(first + int(i), field, cells[position]);
        }
    }
}

} // namespace qm
