#pragma once

// The metadata of a FLAC file: an ID3v2 tag some taggers put in front (kept
// as it is), "fLaC", then the metadata blocks up to the first audio frame.
// Reading walks the blocks; writing rebuilds them with a new Vorbis comment
// and passes every other block through byte for byte.

#include "formats/nativetag.h"
#include "formats/vorbiscomment.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace qm::flac {

enum BlockType : quint8 {
    StreamInfoBlock = 0,
    PaddingBlock = 1,
    VorbisCommentBlock = 4,
    PictureBlock = 6,
};

// A block without its header: the builder sets the last-block flag anew.
// Padding blocks are kept without their (zero) bytes.
struct Block {
    quint8 type = 0;
    QByteArray data;
};

struct StreamInfo {
    quint32 sampleRate = 0;
    quint8 channels = 0;
    quint8 bitsPerSample = 0;
    quint64 totalSamples = 0; // 0: not known
    QByteArray md5;           // of the decoded audio, 16 bytes
};

struct Metadata {
    QByteArray id3v2;      // the tag in front of "fLaC", as it is
    qint64 audioStart = 0; // the first audio frame
    QList<Block> blocks;   // in file order, padding included
    StreamInfo info;
    int commentBlock = -1; // the index of the Vorbis comment block
    vorbis::Comment comment;
};

// Room a rewrite gives a growing file for later edits.
constexpr qint64 kRewritePadding = 8192;

// Walks the metadata in the first bytes of a file of `fileSize` bytes. With
// NeedMore, *needed says how many first bytes it wants. The walk checks that
// an audio frame starts where the metadata ends (unless the file ends
// there), so a file whose blocks were not understood is never written.
Walk parse(QByteArrayView head, qint64 fileSize, Metadata *meta, qint64 *needed, Fault *fault);

NativeRead readResult(const Metadata &meta);
// "FLAC, 44100 Hz, stereo, 16 bit"
QString streamText(const StreamInfo &info);

// The write that gives the file `comment`: in place when the blocks fit in
// the old metadata (padding taking up the rest), else a rewrite with
// kRewritePadding of padding. False with the reason when a block would
// exceed what a block can hold.
bool planWrite(const Metadata &meta, const vorbis::Comment &comment, WritePlan *plan, Fault *fault);
// The write that gives the file `blocks` (padding left out), kept in place
// and rewritten as planWrite does. False with the reason when a block is
// more than a block can hold.
bool planBlocks(const Metadata &meta, const QList<Block> &blocks, WritePlan *plan, Fault *fault);

} // namespace qm::flac
