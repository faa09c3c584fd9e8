#include "session/session.h"

#include <QSet>

#include <memory>
#include <new>
#include <optional>
#include <utility>

namespace qm {

namespace {

// Whether `a` was taken of the file before `b` was: the change time moves on
// with every change, the modification time where no change time was kept.
bool stampIsOlder(const FileStamp &a, const FileStamp &b)
{
    if (a.ctimeNs != 0 && b.ctimeNs != 0)
        return a.ctimeNs < b.ctimeNs;
    return a.mtimeNs < b.mtimeNs;
}

} // namespace

void Session::appendOutsideRow(Row row, const std::optional<FileStamp> &read,
                               const QString &codepage)
{
    // The rows' file is checked against one state. Two rows of it read at
    // different times keep the older: checked against the newer, the row
    // read before another program's change would write over that change.
    if (read) {
        const FileStamp *known = readStamps_.find(row);
        if (!known || stampIsOlder(*read, *known))
            readStamps_.insert(row, *read);
    }
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

TUpdateThread::FileStamped Session::readStampRecorder(int first, int last)
{
    if (state_.readStamps)
        return stampRecorder();
    // A file read again on rows [first, last] may also stand on a row
    // outside them whose cells are of an earlier read: that row is held to
    // the older state, and so asked about when the file changed in between.
    // The outside rows' files are looked up once a state differs.
    auto outside = std::make_shared<std::optional<QSet<QString>>>();
    return [this, first, last, outside](const Cell &dir, const Cell &name, const Cell &ext,
                                        const FileStamp &stamp) {
        const FileStamp *known =
            dir.isEmpty() && ext.isEmpty() ? readStamps_.find(name.toString()) : nullptr;
        if (known && !unchangedSince(*known, stamp) && !stampIsOlder(stamp, *known)) {
            if (!*outside) {
                outside->emplace();
                for (int row = 1; row <= table_.lastFileRow(); ++row) {
                    if (row < first || row > last)
                        (*outside)->insert(RowFileName(table_.row(row)));
                }
            }
            if ((*outside)->contains(name.toString()))
                return;
        }
        readStamps_.insert(dir, name, ext, stamp);
    };
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
    if (readStamps_.isEmpty()) {
        writtenStamps_ = FileStamps();
        return;
    }
    // The write's states become the rows' own: they name the files as the
    // rows do now, and the names renamed rows left go with the old states.
    const FileStamps before = std::exchange(readStamps_, std::exchange(writtenStamps_, {}));
    for (int row = 1; row <= table_.lastFileRow(); ++row) {
        const Row &cells = table_.row(row);
        if (!failed.isEmpty() && failed.contains(RowFileName(cells))) {
            if (const FileStamp *stamp = before.find(cells))
                readStamps_.insert(cells, *stamp);
            else
                readStamps_.remove(cells);
        } else if (!readStamps_.find(cells)) {
            stampRow(cells);
        }
    }
}

} // namespace qm
