#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

#include <sys/stat.h>

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

// What identifies a file's state between planning a change and making it:
// the same inode, size and modification time. Within a job that is enough
// (the job's own steps, such as making a read-only file writable, change
// the file's change time).
struct FileStamp {
    quint64 device = 0;
    quint64 inode = 0;
    qint64 size = -1;
    qint64 mtimeNs = 0;
    // The change time, 0 where it was not kept (the journal's records).
    qint64 ctimeNs = 0;
    friend bool operator==(const FileStamp &a, const FileStamp &b)
    {
        return a.device == b.device && a.inode == b.inode && a.size == b.size
               && a.mtimeNs == b.mtimeNs;
    }
};

// Whether a file is as it was when `then` was taken, also for another
// program's write in between: taggers that keep a file's modification time
// (an option of many) set it back after their write, but the change time no
// program can set.
inline bool unchangedSince(const FileStamp &then, const FileStamp &now)
{
    return then == now && (then.ctimeNs == 0 || now.ctimeNs == 0 || then.ctimeNs == now.ctimeNs);
}

// A file opened for reading only, read by position. Readers of many files
// open one of these per file: a bare descriptor read with pread, without
// the bookkeeping of a QFile.
class ReadOnlyFile {
public:
    ReadOnlyFile() = default;
    ~ReadOnlyFile();
    ReadOnlyFile(const ReadOnlyFile &) = delete;
    ReadOnlyFile &operator=(const ReadOnlyFile &) = delete;

    bool open(const QString &fileName);
    // As open(); *seen gets what the open found at the name, also when it
    // is no regular file (which is not kept open), and stays as it was when
    // nothing could be opened there.
    bool open(const QString &fileName, struct stat *seen);
    bool isOpen() const;
    qint64 size() const { return size_; }
    bool readUpTo(qint64 pos, qint64 length, QByteArray *out);
    // Reads up to `length` bytes at `pos` into `to`; *done says how many.
    bool readInto(qint64 pos, qint64 length, char *to, qint64 *done);
    BlockReader reader();
    // The stamp of the open file as it was opened, as stampOf gives it for
    // its name.
    bool stamp(FileStamp *stamp) const;
    // Takes over `fd`, a regular file the caller opened (a writer opens it
    // for reading and writing, to write through the same descriptor), whose
    // state `info` is from an fstat of it.
    void adopt(int fd, const struct stat &info);
    // Hands the descriptor to the caller, who closes it; -1 when none.
    int release();

private:
    int fd_ = -1;
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
    int fd_ = -1;
    qint64 size_ = 0;
};

// False when the file cannot be examined or is not a regular file.
bool stampOf(const QString &fileName, FileStamp *stamp);
// The stamp in a stat the caller already made.
FileStamp stampOfInfo(const struct stat &info);

// A name with a NUL, which a path on Linux cannot hold: the system would
// see the name up to the NUL, another file.
bool holdsNul(QStringView fileName);

// "Set the file's attributes to normal": make it writable for its owner,
// leaving the other mode bits as they were.
bool makeWritable(const QString &fileName);

// The descriptor-level steps the classes above and the file changes share.
// Opens a regular file of an encoded name with `flags`; -1 on failure (errno
// says why). Only regular files: a FIFO or device would block or never end
// (and O_NONBLOCK keeps opening a FIFO from waiting for its other end).
// *info gets the open file's state.
int openRegular(const QByteArray &path, int flags, struct stat *info);
// The same for `name` in the open folder `folder` (or AT_FDCWD).
int openRegularAt(int folder, const char *name, int flags, struct stat *info);
// Reads up to `length` bytes at `pos` of `fd`.
bool preadInto(int fd, qint64 pos, qint64 length, char *to, qint64 *done);
bool preadUpTo(int fd, qint64 pos, qint64 length, QByteArray *out);
// True only when every byte was written; *written, when given, says how
// many were, also when the write stopped short.
bool pwriteAll(int fd, qint64 pos, const QByteArray &bytes, qint64 *written = nullptr);
// The same at the file's own position (an appended file, a pipe).
bool writeAll(int fd, const QByteArray &bytes);
// Makes a rename or a new name in the file's folder durable.
bool syncFolderOf(const QString &fileName);

} // namespace qm
