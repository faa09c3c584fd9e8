#include "jobs/picturestep.h"

#include "formats/filepictures.h"
#include "jobs/picturejob.h"

namespace qm {

namespace {

bool unreadable(QString *reason)
{
    *reason = PictureMessage::FileFault(pictures::FileFault::Unreadable);
    return false;
}

} // namespace

bool AddPictureEdits(FileChange *change, const QString &fileName,
                     const QList<pictures::PictureEdit> &edits, quint8 id3v2Version,
                     QString *reason)
{
    // Only the start of the file is read: the metadata the pictures are in
    // and the region the tag's change covers. What follows (the audio) is
    // the same before and after both changes and stays on disk; only a tag
    // at the end (ID3v1) makes the two changes span the whole file.
    ReadOnlyFile file;
    FileStamp stamp;
    if (!file.open(fileName) || !file.stamp(&stamp))
        return unreadable(reason);
    const qint64 size = file.size();
    const bool tagChanges = !change->isEmpty();
    // The tag's change: [from, to) of the file becomes its new bytes, and
    // what follows moves by `grown`.
    const qint64 from = tagChanges ? change->offset : 0;
    const qint64 to = tagChanges ? from + change->oldBytes.size() : 0;
    const qint64 grown = tagChanges ? change->newBytes.size() - change->oldBytes.size() : 0;
    if (tagChanges) {
        QByteArray region;
        if (!(change->planned == stamp) || !file.readUpTo(from, to - from, &region)
            || region != change->oldBytes)
            return unreadable(reason);
    }

    // old: the file's first bytes, read as far as asked; tagged: the same
    // with the tag's change made, once they reach past it.
    QByteArray old;
    QByteArray tagged;
    const auto readOld = [&](qint64 length) {
        length = std::min(length, size);
        if (length <= old.size())
            return true;
        QByteArray more;
        if (!file.readUpTo(old.size(), length - old.size(), &more)
            || more.size() != length - old.size())
            return false;
        old += more;
        tagged = tagChanges && old.size() >= to
                     ? QByteArray(old).replace(from, to - from, change->newBytes)
                     : old;
        return true;
    };
    const auto readTagged = [&](qint64 length, QByteArray *out) {
        if (!readOld(tagChanges && length > from ? std::max(to, length - grown) : length))
            return false;
        *out = tagged.first(std::min<qint64>(length, tagged.size()));
        return true;
    };

    pictures::FilePictures pictures;
    pictures.setId3v2Version(id3v2Version);
    pictures::FileFault fault = pictures::FileFault::None;
    FileChange pictured;
    if (!pictures.read(fileName, size + grown, stamp, readTagged, &fault)) {
        *reason = PictureMessage::FileFault(fault);
        return false;
    }
    for (const pictures::PictureEdit &edit : edits)
        pictures.apply(edit);
    if (!pictures.plan(&pictured, &fault, readTagged)) {
        *reason = PictureMessage::FileFault(fault);
        return false;
    }
    if (pictured.isEmpty())
        return true;
    // Where the pictures' change ends, in the file as it is: past the
    // tag's change it has moved by `grown`; before its end, the tag's
    // region is taken whole.
    const qint64 picturedEnd = pictured.offset + pictured.oldBytes.size();
    const qint64 oldEnd = !tagChanges                                    ? picturedEnd
                          : picturedEnd > from + change->newBytes.size() ? picturedEnd - grown
                                                                         : to;
    if (!readOld(oldEnd))
        return unreadable(reason);
    const QByteArray before = old.first(oldEnd);
    const QByteArray result =
        tagged.first(oldEnd + grown)
            .replace(pictured.offset, pictured.oldBytes.size(), pictured.newBytes);
    // What both changes leave as it was at the end of that start, and, for
    // a file that keeps its size, at its start.
    const qsizetype shorter = std::min(before.size(), result.size());
    qsizetype same = 0;
    while (same < shorter && before[before.size() - 1 - same] == result[result.size() - 1 - same])
        ++same;
    FileChange both;
    both.fileName = fileName;
    both.planned = stamp;
    both.oldSize = size;
    both.newSize = size + result.size() - before.size();
    both.rewrite = both.newSize != size;
    both.oldBytes = before.first(before.size() - same);
    both.newBytes = result.first(result.size() - same);
    if (!both.rewrite)
        narrowChange(&both);
    *change = std::move(both);
    return true;
}

} // namespace qm
