#include "session/session.h"

#include <QSet>

#include <utility>

namespace qm {

void Session::appendOutsideRow(Row row, const std::optional<FileStamp> &read,
                               const QString &codepage)
{
    if (read)
        readStamps_.insert(RowFileName(row), *read);
    if (!codepage.isEmpty())
        codepages_.insert(RowFileName(row), codepage);
    table_.row(table_.appendRows(1)) = std::move(row);
}

void Session::stampRow(const Row &row)
{
    const QString path = RowFileName(row);
    FileStamp stamp;
    if (stampOf(path, &stamp))
        readStamps_.insert(path, stamp);
    else
        readStamps_.remove(path);
}

void Session::restampWrittenRows(const QSet<QString> &failed)
{
    const QHash<QString, FileStamp> written = std::exchange(writtenStamps_, {});
    if (readStamps_.isEmpty())
        return;
    for (int row = 1; row <= table_.lastFileRow(); ++row) {
        const QString path = RowFileName(table_.row(row));
        if (failed.contains(path))
            continue;
        if (const auto it = written.constFind(path); it != written.constEnd())
            readStamps_.insert(path, *it);
        else
            stampRow(table_.row(row));
    }
}

} // namespace qm
