#include "journal/recovery.h"

#include <QCoreApplication>
#include <QFile>

namespace qm::journal {
namespace {

bool readExactly(const FileView &file, qint64 pos, qint64 length, QByteArray *out)
{
    if (!file.read || length < 0 || !file.read(pos, length, out) || out->size() != length)
        return false;
    out->detach(); // the reader's bytes may be a view of its buffer
    return true;
}

// The old bytes of the entry as they would read between `from` and `to`;
// past the old end of a grown file, the zeros of its added room.
QByteArray oldImage(const Entry &e, qint64 from, qint64 to)
{
    QByteArray image(to - from, '\0');
    const qint64 oldEnd = e.offset + e.oldBytes.size();
    if (from < oldEnd) {
        const qint64 n = std::min(to, oldEnd) - from;
        std::copy_n(e.oldBytes.constData() + (from - e.offset), n, image.data());
    }
    return image;
}

// Judges a file of the old or new size that holds neither state whole.
bool explainedAsTorn(const Entry &e, const FileView &file)
{
    const qint64 size = file.stamp.size;
    if (size < std::min(e.oldSize, e.newSize) || size > std::max(e.oldSize, e.newSize))
        return false;
    const qint64 regionEnd = e.offset + std::max<qint64>(e.oldBytes.size(), e.newLength);
    const qint64 end = std::min(size, regionEnd);
    // Past the region, a region that ends the file leaves nothing; one in
    // the middle leaves bytes the change did not touch.
    if (end <= e.offset)
        return size == e.offset;
    QByteArray span;
    if (!readExactly(file, e.offset, end - e.offset, &span))
        return false;
    const qint64 newEnd = e.offset + e.newLength;
    int unexplained = 0;
    qint64 at = e.offset;
    while (at < end) {
        const qint64 blockEnd = std::min(end, (at / kBlockSize + 1) * kBlockSize);
        const QByteArrayView bytes = QByteArrayView(span).sliced(at - e.offset, blockEnd - at);
        bool explained = bytes == oldImage(e, at, blockEnd);
        if (!explained && at < newEnd) {
            // Only a block the file holds as far as the new bytes reach can
            // match its hash.
            const qint64 hashEnd = std::min(newEnd, (at / kBlockSize + 1) * kBlockSize);
            const qsizetype index = at / kBlockSize - e.offset / kBlockSize;
            explained = blockEnd == hashEnd && index < e.newHashes.size()
                        && blockHash(bytes, e.hashVersion) == e.newHashes[index];
        }
        if (!explained && ++unexplained > 1)
            return false;
        at = blockEnd;
    }
    return true;
}

bool holdsOld(const Entry &e, const FileView &file)
{
    QByteArray bytes;
    return file.stamp.size == e.oldSize && readExactly(file, e.offset, e.oldBytes.size(), &bytes)
           && bytes == e.oldBytes;
}

} // namespace

FileView viewOf(const QString &fileName, ReadOnlyFile *file)
{
    FileView view;
    if (!file->open(fileName) || !stampOf(fileName, &view.stamp))
        return view;
    view.exists = true;
    view.read = file->reader();
    return view;
}

bool holdsNew(const Entry &e, const FileView &file)
{
    if (file.stamp.size != e.newSize)
        return false;
    QByteArray bytes;
    return readExactly(file, e.offset, e.newLength, &bytes)
           && blockHashes(e.offset, bytes, e.hashVersion) == e.newHashes;
}

Decision decide(const Entry &e, const FileView &file, const FileView &renamed)
{
    if (e.kind == EntryKind::Rename) {
        // The file is told by its inode where it was recorded: in a swap
        // both names exist whether it happened or not.
        const auto isIt = [&](const FileView &view) {
            return view.exists && view.stamp.inode == e.before.inode
                   && view.stamp.device == e.before.device;
        };
        if (e.before.inode != 0 && isIt(renamed))
            return {Verdict::New, {}};
        if (e.before.inode != 0 && isIt(file))
            return {Verdict::Old, {}};
        if (renamed.exists && !file.exists)
            return {Verdict::New, {}};
        if (file.exists && !renamed.exists)
            return {Verdict::Old, {}};
        if (!file.exists)
            return {Verdict::Missing,
                    QCoreApplication::translate("Recovery", "нет файла ни под одним из двух имен")};
        return {Verdict::Foreign, QCoreApplication::translate("Recovery", "заняты оба имени")};
    }
    if (!file.exists)
        return {Verdict::Missing, QCoreApplication::translate("Recovery", "файл не найден")};
    // Written in place, the file keeps its inode; another inode is another
    // file. A rewrite gives the file a new one.
    if (e.kind == EntryKind::InPlace && e.before.inode != 0
        && (file.stamp.inode != e.before.inode || file.stamp.device != e.before.device))
        return {Verdict::Foreign,
                QCoreApplication::translate("Recovery", "под этим именем другой файл")};
    if (holdsNew(e, file))
        return {Verdict::New, {}};
    if (holdsOld(e, file))
        return {Verdict::Old, {}};
    if (e.kind == EntryKind::InPlace && explainedAsTorn(e, file))
        return {Verdict::Torn, {}};
    return {Verdict::Foreign, QCoreApplication::translate("Recovery", "файл с тех пор изменен")};
}

bool restoringChange(const Entry &e, const FileView &file, FileChange *change)
{
    const qint64 size = file.stamp.size;
    // A rewrite replaces the new tag at the start; in place, the region
    // runs as far as either state reached, within the file.
    const qint64 end =
        e.kind == EntryKind::Rewrite
            ? e.offset + e.newLength
            : std::min(size, e.offset + std::max<qint64>(e.oldBytes.size(), e.newLength));
    if (end < e.offset || end > size)
        return false;
    change->fileName = e.path;
    change->offset = e.offset;
    if (!readExactly(file, e.offset, end - e.offset, &change->oldBytes))
        return false;
    change->newBytes = e.oldBytes;
    change->oldSize = size;
    change->newSize = e.oldSize;
    change->rewrite = e.kind == EntryKind::Rewrite;
    change->planned = file.stamp;
    // In place, a region in the middle of the file must keep its length.
    return change->rewrite || end == size || change->oldBytes.size() == change->newBytes.size();
}

} // namespace qm::journal
