#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

class QFile;

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
class ReadOnlyFile {
public:
    ReadOnlyFile() = default;
    ~ReadOnlyFile();
    ReadOnlyFile(const ReadOnlyFile &) = delete;
    ReadOnlyFile &operator=(const ReadOnlyFile &) = delete;

    bool open(const QString &fileName);
    bool isOpen() const;
    qint64 size() const { return size_; }
    bool readUpTo(qint64 pos, qint64 length, QByteArray *out);
    BlockReader reader();

private:
#ifdef Q_OS_UNIX
    int fd_ = -1;
#else
    QFile *file_ = nullptr;
#endif
    qint64 size_ = 0;
};

// Reads up to `length` bytes at `pos`; *out holds what the file had there.
bool readUpTo(QFile &file, qint64 pos, qint64 length, QByteArray *out);
bool writeAt(QFile &file, qint64 pos, const QByteArray &bytes);
// "Set the file's attributes to normal": make it writable for its owner,
// leaving the other mode bits as they were.
bool makeWritable(const QString &fileName);

} // namespace qm
