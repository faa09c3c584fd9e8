#include "session/session.h"

#include <QSet>

namespace qm {

void Session::appendOutsideRow(Row row, const std::optional<FileStamp> &read)
{
    if (read)
        readStamps_.insert(RowFileName(row), *read);
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
    if (readStamps_.isEmpty())
        return;
    for (int row = 1; row <= table_.lastFileRow(); ++row) {
        if (!failed.contains(RowFileName(table_.row(row))))
            stampRow(table_.row(row));
    }
}

} // namespace qm
