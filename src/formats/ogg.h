#pragma once

// Ogg files with Vorbis or Opus audio: the page walk with its checksums,
// the identification and comment headers of the first logical stream, and
// the header pages rebuilt for a new comment. A chained or multiplexed file
// is read to its first logical stream; the other streams' pages are never
// changed.

#include "formats/fileio.h"
#include "formats/nativetag.h"
#include "formats/vorbiscomment.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace qm::ogg {

constexpr qsizetype kPageHeaderSize = 27;

// The page checksum: CRC-32 with polynomial 0x04c11db7, unreflected, over
// the page with its checksum field zero.
quint32 pageCrc(QByteArrayView page);

struct Page {
    qint64 offset = 0; // of "OggS"
    qint64 size = 0;   // header, segment table and body
    quint8 flags = 0;  // 1: continues a packet, 2: first page, 4: last page
    qint64 granule = 0;
    quint32 serial = 0;
    quint32 sequence = 0;
    QByteArray lacing; // the segment table
};

// The page at `at`; Invalid also when its checksum is wrong. NeedMore with
// *needed: the bytes from the start of `bytes` it needs.
Walk parsePage(QByteArrayView bytes, qint64 at, Page *page, qint64 *needed, Fault *fault);

enum class Codec { Vorbis, Opus };

struct StreamHeaders {
    Codec codec = Codec::Vorbis;
    quint32 serial = 0;
    quint8 channels = 0;
    quint32 sampleRate = 0;    // Vorbis: the stream's; Opus: the input's
    qint32 nominalBitrate = 0; // Vorbis, bit/s; 0 or less when not given
    quint16 preSkip = 0;       // Opus
    vorbis::Comment comment;
    QByteArray commentTail;          // Opus: binary data after the comments kept
    QByteArray setup;                // Vorbis: the setup header packet
    QByteArray leading;              // the file's bytes before the comment's first page
    qint64 headerEnd = 0;            // the end of the last header page
    int headerPages = 0;             // pages from leading.size() to headerEnd
    quint32 firstSequence = 0;       // of the comment's first page
    bool endsStream = false;         // the last header page ends the stream (no audio)
    Fault notWritable = Fault::None; // why the header pages cannot be rebuilt
};

// Walks the pages at the start of a file (`head` its first bytes) to the
// end of the first logical stream's header packets.
Walk parseHeaders(QByteArrayView head, qint64 fileSize, StreamHeaders *headers, qint64 *needed,
                  Fault *fault);

// The granule position of the last page of stream `serial` in `bytes` (the
// file's end, or all of it) that starts at `from` or later: past the header
// pages, whose granule is 0 and whose bytes a write changes.
std::optional<qint64> lastGranule(QByteArrayView bytes, quint32 serial, qint64 from = 0);

// The same for a file of `fileSize` bytes whose pages past the headers
// start at `from`: its end first, then, when other streams or bytes that
// are no pages follow the stream (a chained file, or one whose end was
// never written), the rest backwards, a window at a time: a file of any
// size is looked through in a few megabytes.
std::optional<qint64> lastGranuleIn(const BlockReader &read, qint64 fileSize, quint32 serial,
                                    qint64 from);

// Duration from the last granule position, stream text ("Opus, 48000 Hz,
// stereo, 96 kbps"; the bit rate over `fileSize`).
NativeRead readResult(const StreamHeaders &headers, std::optional<qint64> granule, qint64 fileSize);

// Rewrite padding in the comment packet, for the next edit to go in place;
// none follows kept data after Opus comments.
constexpr qsizetype kRewritePadding = 1024;

// The write that gives the stream `comment`: in place when the new header
// pages, padded, take exactly the old pages' bytes and number; otherwise a
// rewrite whose following pages of the stream are renumbered when the page
// count changed. False with the reason when the headers cannot be rebuilt.
bool planWrite(const StreamHeaders &headers, const vorbis::Comment &comment, WritePlan *plan,
               Fault *fault);

// Adds `shift` to the sequence numbers of the pages of stream `serial` in
// `pages` (whole pages, as a rewrite plan's bytes from audioFrom on), up to
// the stream's last page, and sets their checksums anew; the bytes after
// that page are left as they are. False with the reason when the bytes up
// to it are not whole valid pages.
bool renumberPages(QByteArray &pages, quint32 serial, int shift, Fault *fault);

} // namespace qm::ogg
