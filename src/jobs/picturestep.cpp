#include "jobs/picturestep.h"

#include "formats/filepictures.h"
#include "jobs/picturejob.h"

namespace qm {

namespace {

// The file `bytes` with `change` made on it.
QByteArray changed(const QByteArray &bytes, const FileChange &change)
{
    return QByteArray(bytes).replace(change.offset, change.oldBytes.size(), change.newBytes);
}

} // namespace

bool AddPictureEdits(FileChange *change, const QString &fileName,
                     const QList<pictures::PictureEdit> &edits, quint8 id3v2Version,
                     QString *reason)
{
    // The whole file in memory: the tag's change and the pictures' may
    // each move what follows them, so they are put together here.
    ReadOnlyFile file;
    FileStamp stamp;
    QByteArray whole;
    if (!file.open(fileName) || !file.stamp(&stamp) || !file.readUpTo(0, file.size(), &whole)
        || whole.size() != file.size()) {
        *reason = PictureMessage::FileFault(pictures::FileFault::Unreadable);
        return false;
    }
    const bool tagChanges = !change->isEmpty();
    if (tagChanges
        && (!(change->planned == stamp)
            || whole.mid(change->offset, change->oldBytes.size()) != change->oldBytes)) {
        *reason = PictureMessage::FileFault(pictures::FileFault::Unreadable);
        return false;
    }
    const QByteArray tagged = tagChanges ? changed(whole, *change) : whole;
    pictures::FilePictures pictures;
    pictures.setId3v2Version(id3v2Version);
    pictures::FileFault fault = pictures::FileFault::None;
    FileChange pictured;
    if (!pictures.readBytes(fileName, tagged, stamp, &fault)) {
        *reason = PictureMessage::FileFault(fault);
        return false;
    }
    for (const pictures::PictureEdit &edit : edits)
        pictures.apply(edit);
    if (!pictures.plan(&pictured, &fault)) {
        *reason = PictureMessage::FileFault(fault);
        return false;
    }
    if (pictured.isEmpty())
        return true;
    const QByteArray result = changed(tagged, pictured);
    // What both changes leave as it was at the end, and, for a file that
    // keeps its size, at the start.
    const qsizetype shorter = std::min(whole.size(), result.size());
    qsizetype same = 0;
    while (same < shorter && whole[whole.size() - 1 - same] == result[result.size() - 1 - same])
        ++same;
    FileChange both;
    both.fileName = fileName;
    both.planned = stamp;
    both.oldSize = whole.size();
    both.newSize = result.size();
    both.rewrite = whole.size() != result.size();
    both.oldBytes = whole.first(whole.size() - same);
    both.newBytes = result.first(result.size() - same);
    if (!both.rewrite)
        narrowChange(&both);
    *change = std::move(both);
    return true;
}

} // namespace qm
