#pragma once

// The integers of ID3v2 headers: big-endian and "syncsafe" (7 bits a byte)
// numbers, and the unsynchronisation scheme that keeps 0xFF bytes from
// looking like an MPEG frame sync.

#include <QByteArray>
#include <QByteArrayView>
#include <QtGlobal>

namespace qm::id3v2 {

inline quint32 bigEndian(QByteArrayView bytes, qsizetype at, int count)
{
    quint32 value = 0;
    for (int i = 0; i < count; ++i)
        value = (value << 8) | uchar(bytes[at + i]);
    return value;
}

inline bool isSyncsafe(QByteArrayView bytes, qsizetype at)
{
    for (int i = 0; i < 4; ++i)
        if (uchar(bytes[at + i]) & 0x80)
            return false;
    return true;
}

inline quint32 syncsafe(QByteArrayView bytes, qsizetype at)
{
    quint32 value = 0;
    for (int i = 0; i < 4; ++i)
        value = (value << 7) | (uchar(bytes[at + i]) & 0x7F);
    return value;
}

// The bytes are put together first and appended at once: a frame header
// is three of these, and every append is a call into the library.
inline void appendBigEndian(QByteArray &out, quint32 value, int count)
{
    char bytes[4];
    for (int i = 0; i < count; ++i)
        bytes[i] = char((value >> (8 * (count - 1 - i))) & 0xFF);
    out.append(bytes, count);
}

inline void appendSyncsafe(QByteArray &out, quint32 value)
{
    char bytes[4];
    for (int i = 0; i < 4; ++i)
        bytes[i] = char((value >> (7 * (3 - i))) & 0x7F);
    out.append(bytes, 4);
}

QByteArray undoUnsync(QByteArrayView bytes);

} // namespace qm::id3v2
