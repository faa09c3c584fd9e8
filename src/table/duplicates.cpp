#include "table/duplicates.h"

#include <QSet>

#include <algorithm>
#include <utility>

namespace qm {
namespace {

constexpr int kProgressEvery = 1024;

// The cells of a row in one text, each preceded by its length, so that
// different cells never give the same key.
void appendKeyCell(QString &key, const QString &cell)
{
    const auto n = quint32(cell.size());
    key += QChar(char16_t(n >> 16));
    key += QChar(char16_t(n & 0xffff));
    key += cell;
}

QString rowKey(const RowTable &table, int row, DuplicateKey mode)
{
    QString key;
    const Row &cells = table.row(row);
    if (mode == DuplicateKey::AllColumns) {
        for (int f = 0; f < kColumnCount; ++f)
            appendKeyCell(key,
                          f == toInt(FieldNumber::No) ? QString() : cells[size_t(f)].toString());
    } else {
        const ColumnLayout &layout = table.layout();
        for (int p = layout.noPosition() + 1; p < kColumnCount; ++p)
            appendKeyCell(key, cells[size_t(toInt(layout.fieldAt(p)))]);
    }
    return key;
}

} // namespace

std::vector<bool> findDuplicateRows(const RowTable &table, DuplicateKey key,
                                    const DuplicateProgress &progress)
{
    const int last = table.lastFileRow();
    std::vector<bool> marked(size_t(table.rowCount()), false);
    QSet<QString> seen;
    seen.reserve(last);
    int found = 0;
    const int divisor = table.rowCount() - 3;
    for (int r = 1; r <= last; ++r) {
        const qsizetype before = seen.size();
        seen.insert(rowKey(table, r, key));
        if (seen.size() == before) {
            marked[size_t(r)] = true;
            ++found;
        }
        if (progress && (r % kProgressEvery == 0 || r == last)) {
            const int percent =
                divisor > 0 ? int(qint64(std::min(r, divisor)) * 100 / divisor) : -1;
            if (!progress(r, percent, found))
                break;
        }
    }
    return marked;
}

int removeMarkedRows(RowTable &table, const std::vector<bool> &marked)
{
    const int last = table.lastFileRow();
    int kept = 0;
    for (int r = 1; r <= last; ++r) {
        if (size_t(r) < marked.size() && marked[size_t(r)])
            continue;
        ++kept;
        if (kept != r)
            std::swap(table.row(kept), table.row(r));
    }
    const int removed = last - kept;
    if (removed == 0)
        return 0;
    // The removed rows now sit at the end: empty them so that the table
    // drops them in one go.
    for (int r = kept + 1; r <= last; ++r)
        table.row(r).fill(QString());
    table.deleteEmptyRows(kept + 1, last);
    return removed;
}

int removeDuplicateRows(RowTable &table, DuplicateKey key, const DuplicateProgress &progress)
{
    return removeMarkedRows(table, findDuplicateRows(table, key, progress));
}

} // namespace qm
