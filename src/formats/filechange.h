#pragma once

#include "formats/fileio.h"

namespace qm {

// Why a change of a file was not made; the file is then as it was.
enum class WriteFailure {
    None,
    DiskFull,     // no room for the grown file (ENOSPC, EDQUOT, EFBIG)
    NoPermission, // EACCES, EPERM, EROFS
    // The same for the file's folder: no new file or name can be made there
    // (a rewrite's new copy).
    NoFolderPermission,
    Changed,     // the file is not the one the change was planned on
    HardLinked,  // a file of several names would split into two by a rewrite
    NameTooLong, // ENAMETOOLONG
    BadName,     // a NUL in the name: no Linux path can hold it
    NoJournal,   // the journal could not keep the change, so it was not made
    JournalFull, // the same, for want of room on the journal's disk
    Other,
};
WriteFailure writeFailureOf(int error);

// One planned change of a file's bytes: the `oldBytes` at `offset` of a file
// of `oldSize` bytes become `newBytes`, and the file `newSize` bytes long.
// Made in place, where the bytes after the region stay where they are (a
// tag of the same size at the start) or the region is the end of the file
// (a tail); or, with `rewrite`, by writing the whole file anew beside the
// old one and renaming it over it (a tag of another size at the start).
struct FileChange {
    QString fileName;
    qint64 offset = 0;
    QByteArray oldBytes;
    QByteArray newBytes;
    qint64 oldSize = 0;
    qint64 newSize = 0;
    bool rewrite = false;
    FileStamp planned; // the file when the change was planned
    bool isEmpty() const { return oldBytes == newBytes && oldSize == newSize; }
};

// Keeps what is needed to put a file back before the file is changed, so a
// change cut short by a crash can be undone (the write journal).
class ChangeRecorder {
public:
    virtual ~ChangeRecorder() = default;
    // The change is recorded durably when this returns true; on false it
    // must not be made.
    virtual bool recordChange(const FileChange &change) = 0;
    // Why recordChange said false.
    virtual WriteFailure recordFailure() const { return WriteFailure::NoJournal; }
    // After the attempt: whether the change was made (when not, the file is
    // as it was).
    virtual void changeDone(const FileChange &change, bool made) = 0;
};

// The same change over the smallest region: the bytes an in-place change
// of the same length leaves as they are (the padding after a tag's frames)
// are neither kept in a journal nor written again.
void narrowChange(FileChange *change);

// Makes a planned change, the file made writable for its owner first. The
// room a grown file needs is secured before any byte of it is overwritten,
// and the new bytes reach the disk before this returns. On false the file
// is exactly as it was (for a failed write, the old bytes are written back)
// and *failure says why. A made change leaves the file's new stamp in
// *after when it is given.
bool applyChange(const FileChange &change, WriteFailure *failure = nullptr,
                 FileStamp *after = nullptr);
// The same for a change in place of a file the caller holds open for
// reading and writing on `fd` (and closes), `opened` its state from an fstat
// of it: no lookup of the name; a file whose stamp is no longer that state's
// is refused (Changed). A rewrite is refused (Other): it needs the name.
bool applyChangeOpen(int fd, const struct stat &opened, const FileChange &change,
                     WriteFailure *failure = nullptr, FileStamp *after = nullptr);
// The same, told to `recorder` first when one is given.
bool applyRecordedChange(const FileChange &change, ChangeRecorder *recorder, WriteFailure *failure);

// A tag class's whole save: plan, make the change (nothing when the file
// holds the new bytes already) and let the tag note it; *failure says why
// on false.
template <typename Tag>
bool savePlanned(Tag &tag, const QString &fileName, ChangeRecorder *recorder, WriteFailure *failure)
{
    *failure = WriteFailure::None;
    FileChange change;
    if (!tag.PlanSave(fileName, &change)) {
        *failure = WriteFailure::Other;
        return false;
    }
    if (!change.isEmpty() && !applyRecordedChange(change, recorder, failure))
        return false;
    tag.NoteSaved(change);
    return true;
}

// Replaces the first `skip` bytes of the file by `prefix`. The new file is
// written completely beside the old one, synced, and renamed over it in one
// step, so a failure at any point leaves the original as it was. Through a
// symbolic link the file it points to is rewritten and the link stays; a
// file of several hard links is refused (HardLinked). When the name no
// longer leads to the file that was copied (another program renamed or
// replaced it meanwhile), or to `expected` when given, or the file was
// written while it was copied, nothing is replaced and the failure is
// Changed.
bool rewriteFile(const QString &fileName, const QByteArray &prefix, qint64 skip,
                 WriteFailure *failure = nullptr, const FileStamp *expected = nullptr);

} // namespace qm
