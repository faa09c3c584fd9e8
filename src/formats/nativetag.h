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
    Invalid,  // the file is not one it can walk; the fault says why
};

// Why a file cannot be walked or written. The formats give no texts: the
// jobs tell the user.
enum class Fault {
    None,
    NotThisFormat, // no "fLaC" marker or Ogg page at the start; an Ogg stream of another codec
    BrokenId3v2,   // the ID3v2 tag in front of "fLaC" is broken or runs past the file
    Truncated,     // the file ends inside the metadata, the headers or a page
    BadBlock,      // a FLAC block against the rules (type 127, STREAMINFO, two comment blocks)
    BadComment,    // a comment block running past its end, with bytes after it or no framing bit
    BadPicture,    // a picture block running past its end
    NoAudioFrame,  // no FLAC audio frame where the metadata ends
    BadPage,       // no Ogg page where one must be, or one of an unknown version
    BadChecksum,   // an Ogg page fails its checksum
    BrokenPacket,  // pages that do not join into packets as their flags say
    BadHeader,     // an identification, comment or setup header that is not as the codec has it
    AudioOnHeaderPage,  // writing: the audio starts on the last header page
    InterleavedStreams, // writing: another stream's pages among the header pages
    TagTooBig,          // writing: the comment is more than a FLAC block holds
};

struct NativeRead {
    TagFields fields;    // by the mapping in vorbisfields.h
    double duration = 0; // seconds; below 0 when the file does not tell
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
bool applyWritePlan(const QByteArray &file, const WritePlan &plan, QByteArray *out, Fault *fault);

// "mono", "stereo", "6 channels"
QString channelsText(int channels);

} // namespace qm
