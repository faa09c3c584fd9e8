#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

class QFile;

struct stat;

namespace qm {

// Small positioned reads and writes for the tag and stream readers. All
// return false on any error and never throw.

// The unit of the readers' block reads: blocks end on its multiples in the
// file, so that a reader holding the first block can serve the next reader.
inline constexpr qint64 kReadBlockSize = 8 * 1024;

// Reads up to `length` bytes at `pos`; *out holds what the file had there.
// The bytes may be shared with a buffer of the reader (QByteArray::
// fromRawData), so *out is used while the reader lives and not kept.
using BlockReader = std::function<bool(qint64 pos, qint64 length, QByteArray *out)>;

// A file opened for reading only, read by position. Readers of many files
// open one of these per file: on Unix it is a bare descriptor read with
// pread, without the bookkeeping of a QFile.
// What identifies a file's state between planning a change and making it:
// the same inode, size and modification time.
struct FileStamp {
    quint64 device = 0;
    quint64 inode = 0;
    qint64 size = -1;
    qint64 mtimeNs = 0;
    bool operator==(const FileStamp &) const = default;
};

class ReadOnlyFile {
public:
    ReadOnlyFile() = default;
    ~ReadOnlyFile();
    ReadOnlyFile(const ReadOnlyFile &) = delete;
    ReadOnlyFile &operator=(const ReadOnlyFile &) = delete;

    bool open(const QString &fileName);
#ifdef Q_OS_UNIX
    // As open(); *seen gets what the open found at the name, also when it
    // is no regular file (which is not kept open), and stays as it was when
    // nothing could be opened there.
    bool open(const QString &fileName, struct stat *seen);
#endif
    bool isOpen() const;
    qint64 size() const { return size_; }
    bool readUpTo(qint64 pos, qint64 length, QByteArray *out);
    BlockReader reader();
    // The stamp of the open file as it was opened, as stampOf gives it for
    // its name.
    bool stamp(FileStamp *stamp) const;

private:
#ifdef Q_OS_UNIX
    int fd_ = -1;
#else
    QFile *file_ = nullptr;
#endif
    qint64 size_ = 0;
    FileStamp stamp_; // as the file was opened
};

// A file opened for reading and writing, read and written by position: a tag
// written in place costs one open, its reads and one write. Like
// ReadOnlyFile, only regular files open.
class ReadWriteFile {
public:
    ReadWriteFile() = default;
    ~ReadWriteFile();
    ReadWriteFile(const ReadWriteFile &) = delete;
    ReadWriteFile &operator=(const ReadWriteFile &) = delete;

    bool open(const QString &fileName);
    qint64 size() const { return size_; }
    bool readUpTo(qint64 pos, qint64 length, QByteArray *out);
    // True only when every byte was written.
    bool writeAt(qint64 pos, const QByteArray &bytes);
    bool resize(qint64 size);
    void close();

private:
#ifdef Q_OS_UNIX
    int fd_ = -1;
#else
    QFile *file_ = nullptr;
#endif
    qint64 size_ = 0;
};

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

// False when the file cannot be examined or is not a regular file.
bool stampOf(const QString &fileName, FileStamp *stamp);
#ifdef Q_OS_UNIX
// The stamp in a stat the caller already made.
FileStamp stampOfInfo(const struct stat &info);
#endif

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
// replaced it meanwhile), or to `expected` when given, nothing is replaced
// and the failure is Changed.
bool rewriteFile(const QString &fileName, const QByteArray &prefix, qint64 skip,
                 WriteFailure *failure = nullptr, const FileStamp *expected = nullptr);

// A name with a NUL, which a path on Linux cannot hold: the system would
// see the name up to the NUL, another file.
bool holdsNul(QStringView fileName);

// Reads up to `length` bytes at `pos`; *out holds what the file had there.
bool readUpTo(QFile &file, qint64 pos, qint64 length, QByteArray *out);
bool writeAt(QFile &file, qint64 pos, const QByteArray &bytes);
// "Set the file's attributes to normal": make it writable for its owner,
// leaving the other mode bits as they were.
bool makeWritable(const QString &fileName);

} // namespace qm
