#include "session/session.h"

#include <QSet>

#include <new>
#include <utility>

namespace qm {

void Session::appendOutsideRow(Row row, const std::optional<FileStamp> &read,
                               const QString &codepage)
{
    if (read)
        readStamps_.insert(row, *read);
    if (!codepage.isEmpty())
        codepages_.insert(RowFileName(row), codepage);
    table_.row(table_.appendRows(1)) = std::move(row);
}

void Session::reserveOutsideRows(int count)
{
    // Only a guess of what comes: without the room the rows still grow. The
    // rows' states are not reserved for: a hash table larger than its
    // entries takes memory for each part of it they reach.
    try {
        table_.reserveRows(count);
    } catch (const std::bad_alloc &) {}
}

void Session::stampRow(const Row &row)
{
    FileStamp stamp;
    if (stampOf(RowFileName(row), &stamp))
        readStamps_.insert(row, stamp);
    else
        readStamps_.remove(row);
}

void Session::restampWrittenRows(const QSet<QString> &failed)
{
    const FileStamps written = std::exchange(writtenStamps_, {});
    if (readStamps_.isEmpty())
        return;
    for (int row = 1; row <= table_.lastFileRow(); ++row) {
        const Row &cells = table_.row(row);
        if (!failed.isEmpty() && failed.contains(RowFileName(cells)))
            continue;
        if (const FileStamp *stamp = written.find(cells))
            readStamps_.insert(cells, *stamp);
        else
            stampRow(cells);
    }
}

} // namespace qm
