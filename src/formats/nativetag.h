#pragma once

// What the readers of the formats that carry Vorbis comments (FLAC, Ogg
// Vorbis, Opus) give the table, and how their writers say what to write.
// Bytes in, bytes out: the file I/O belongs to the jobs.

#include "formats/id3v2frames.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <array>

namespace qm {

using TagFields = std::array<QString, id3v2::FieldCount>;

// Where a parser stands after looking at the first bytes of a file.
enum class Walk {
    Ok,
    NeedMore, // give it at least the number of bytes it asked for
    Invalid,  // the file is not one it can walk; the error says why
};

struct NativeRead {
    TagFields fields;    // by the mapping in vorbisfields.h
    double duration = 0; // seconds
    QString streamText;  // "FLAC, 44100 Hz, stereo, 16 bit"
    int pictures = 0;
};

// The bytes a tag change needs. A rewrite plan's new file is `bytes`
// followed by the old file's bytes from `audioFrom` on; with a
// sequenceShift, the pages of stream `serial` among them get new sequence
// numbers and checksums on the way (ogg::renumberPages).
struct WritePlan {
    enum Kind {
        Unchanged, // the file already holds these bytes
        InPlace,   // `bytes` over the old ones at `offset`; the file keeps its size
        Rewrite,
    };
    Kind kind = Unchanged;
    qint64 offset = 0;
    QByteArray bytes;
    qint64 audioFrom = 0;
    quint32 serial = 0;
    int sequenceShift = 0;
};

// The new file a plan makes of `file` (all of the old one), in memory; the
// jobs take the same steps on files. False with the reason when the pages
// to renumber are not whole valid pages.
bool applyWritePlan(const QByteArray &file, const WritePlan &plan, QByteArray *out, QString *error);

// "mono", "stereo", "6 channels"
QString channelsText(int channels);

} // namespace qm
