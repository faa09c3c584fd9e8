#pragma once

#include "formats/fileio.h"

#include <QByteArray>
#include <QList>

namespace qm {

// The first read of a file's head: the ID3v2 header with it, and with a
// small tag the tag and the first audio frames too.
inline constexpr qint64 kHeadSize = 4 * 1024;

// The reads of one file's tags and stream served from as few reads of the
// file as they allow: its head (`headSize` bytes, read once), its end
// (`tailSize` bytes, read once when first asked for) and, between them,
// exactly the bytes asked for, nothing around them: the padding of a tag or
// a picture no field needs is never read. Every read hands out the bytes
// the file holds there (fewer at its end) as a view of a buffer of the
// windows, valid while they live.
class FileWindows {
public:
    FileWindows(ReadOnlyFile &file, qint64 tailSize, qint64 headSize = kHeadSize);
    ~FileWindows();
    FileWindows(const FileWindows &) = delete;
    FileWindows &operator=(const FileWindows &) = delete;

    // Reads whose bytes stay valid while the windows live (the frames of a
    // tag are parsed from them after the walk).
    bool read(qint64 pos, qint64 length, QByteArray *out);
    // Reads whose bytes the caller is done with before its next read: one
    // buffer serves them all, however many blocks a search looks through.
    bool scan(qint64 pos, qint64 length, QByteArray *out);

    BlockReader reader();
    BlockReader scanner();
    // What the head already holds from `pos` on (nothing when it does not
    // reach there, or has not been read), without reading.
    QByteArray heldFrom(qint64 pos) const;
    // Makes the end window `tailSize` bytes when that is more and it has
    // not been read yet.
    void widenTail(qint64 tailSize);

private:
    // Serves [pos, pos + length) from the windows when it is inside one;
    // false when the file must be read.
    bool inWindows(qint64 pos, qint64 length, QByteArray *out);
    // read (`keep`) or scan.
    bool readOrScan(qint64 pos, qint64 length, QByteArray *out, bool keep);
    // Reads [pos, pos + length) into *buffer, taking what the head holds of
    // it from there.
    bool fill(qint64 pos, qint64 length, QByteArray *buffer);

    ReadOnlyFile &file_;
    qint64 size_;
    qint64 headSize_;
    qint64 tailAt_;
    QByteArray head_;
    QByteArray tail_;
    bool headRead_ = false;
    bool tailRead_ = false;
    // Bytes read between head and tail, each kept at its position.
    QList<QByteArray> kept_;
    QList<qint64> keptAt_;
    QByteArray scratch_;
};

} // namespace qm
