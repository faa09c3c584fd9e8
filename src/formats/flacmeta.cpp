#include "formats/flacmeta.h"

#include "formats/id3v2frames.h"

#include <QtEndian>

namespace qm::flac {
namespace {

constexpr qint64 kBlockHeaderSize = 4;
constexpr qint64 kMaxBlockSize = (qint64(1) << 24) - 1;
constexpr qsizetype kStreamInfoSize = 34;

Walk invalid(Fault *fault, Fault why)
{
    if (fault)
        *fault = why;
    return Walk::Invalid;
}

Walk needMore(qint64 *needed, qint64 bytes)
{
    if (needed)
        *needed = bytes;
    return Walk::NeedMore;
}

StreamInfo parseStreamInfo(QByteArrayView data)
{
    const auto *p = reinterpret_cast<const uchar *>(data.data());
    StreamInfo info;
    // Bytes 10..17: 20 bits rate, 3 bits channels - 1, 5 bits bits - 1,
    // 36 bits total samples.
    const quint64 packed = qFromBigEndian<quint64>(p + 10);
    info.sampleRate = quint32(packed >> 44);
    info.channels = quint8(((packed >> 41) & 0x7) + 1);
    info.bitsPerSample = quint8(((packed >> 36) & 0x1f) + 1);
    info.totalSamples = packed & ((quint64(1) << 36) - 1);
    info.md5 = data.sliced(18, 16).toByteArray();
    return info;
}

void appendBlock(QByteArray &out, quint8 type, QByteArrayView data, bool last)
{
    const quint32 header = (quint32(last ? 0x80 | type : type) << 24) | quint32(data.size());
    char bytes[4];
    qToBigEndian(header, bytes);
    out.append(bytes, 4);
    out.append(data);
}

} // namespace

Walk parse(QByteArrayView head, qint64 fileSize, Metadata *meta, qint64 *needed, Fault *fault)
{
    Metadata read;
    qint64 at = 0;
    id3v2::TagHeader tag;
    switch (id3v2::parseHeader(head, tag)) {
    case id3v2::HeaderKind::Tag:
        if (tag.totalSize > fileSize)
            return invalid(fault, Fault::BrokenId3v2);
        if (tag.totalSize + 4 > head.size())
            return needMore(needed, tag.totalSize + 4);
        read.id3v2 = head.first(tag.totalSize).toByteArray();
        at = tag.totalSize;
        break;
    case id3v2::HeaderKind::Garbage:
        return invalid(fault, Fault::BrokenId3v2);
    case id3v2::HeaderKind::None:
        if (head.size() < qMin<qint64>(fileSize, id3v2::HeaderSize))
            return needMore(needed, qMin<qint64>(fileSize, id3v2::HeaderSize));
        break;
    }
    if (head.size() - at < 4 && fileSize - at >= 4)
        return needMore(needed, at + 4);
    if (head.size() - at < 4 || head.sliced(at, 4) != "fLaC")
        return invalid(fault, Fault::NotThisFormat);
    at += 4;
    bool last = false;
    while (!last) {
        if (fileSize - at < kBlockHeaderSize)
            return invalid(fault, Fault::Truncated);
        if (head.size() - at < kBlockHeaderSize)
            return needMore(needed, at + kBlockHeaderSize);
        const quint32 header = qFromBigEndian<quint32>(head.data() + at);
        last = (header >> 31) != 0;
        const quint8 type = quint8((header >> 24) & 0x7f);
        const qint64 size = header & 0xffffff;
        if (type == 127)
            return invalid(fault, Fault::BadBlock);
        if (read.blocks.isEmpty() != (type == StreamInfoBlock))
            return invalid(fault, Fault::BadBlock);
        if (type == StreamInfoBlock && size != kStreamInfoSize)
            return invalid(fault, Fault::BadBlock);
        at += kBlockHeaderSize;
        if (fileSize - at < size)
            return invalid(fault, Fault::Truncated);
        // Padding is never read: a big one costs no read and no copy.
        if (type == PaddingBlock) {
            read.blocks.append(Block{type, {}});
            at += size;
            continue;
        }
        if (head.size() - at < size)
            return needMore(needed, at + size);
        const QByteArrayView data = head.sliced(at, size);
        if (type == VorbisCommentBlock) {
            if (read.commentBlock >= 0)
                return invalid(fault, Fault::BadBlock);
            qsizetype used = 0;
            if (!vorbis::parseComment(data, &read.comment, &used, fault))
                return Walk::Invalid;
            if (used != data.size())
                return invalid(fault, Fault::BadComment);
            read.commentBlock = int(read.blocks.size());
        } else if (type == PictureBlock) {
            vorbis::Picture picture;
            if (!vorbis::parsePicture(data, &picture, fault))
                return Walk::Invalid;
        } else if (type == StreamInfoBlock) {
            read.info = parseStreamInfo(data);
            if (read.info.sampleRate == 0)
                return invalid(fault, Fault::BadBlock);
        }
        read.blocks.append({type, data.toByteArray()});
        at += size;
    }
    read.audioStart = at;
    // Audio frames start with the 14-bit sync code 0x3ffe and a zero bit.
    if (at < fileSize) {
        if (head.size() - at < 2)
            return needMore(needed, at + 2);
        if (uchar(head[at]) != 0xff || (uchar(head[at + 1]) & 0xfe) != 0xf8)
            return invalid(fault, Fault::NoAudioFrame);
    }
    *meta = std::move(read);
    return Walk::Ok;
}

QString streamText(const StreamInfo &info)
{
    return QStringLiteral("FLAC, %1 Hz, %2, %3 bit")
        .arg(info.sampleRate)
        .arg(channelsText(info.channels))
        .arg(info.bitsPerSample);
}

NativeRead readResult(const Metadata &meta)
{
    NativeRead result;
    result.fields = vorbis::readFields(meta.comment);
    // A stream encoded through a pipe leaves its sample count 0, unknown,
    // which is no length of zero.
    if (meta.info.sampleRate && meta.info.totalSamples)
        result.duration = double(meta.info.totalSamples) / meta.info.sampleRate;
    else
        result.duration = -1;
    result.streamText = streamText(meta.info);
    result.pictures = int(vorbis::pictures(meta.comment).size());
    for (const Block &block : meta.blocks)
        result.pictures += block.type == PictureBlock ? 1 : 0;
    return result;
}

bool planWrite(const Metadata &meta, const vorbis::Comment &comment, WritePlan *plan, Fault *fault)
{
    *plan = {};
    const bool hadComment = meta.commentBlock >= 0;
    if (hadComment ? comment == meta.comment : comment.entries.isEmpty())
        return true; // Unchanged
    // The blocks as they will be, padding left out: the comment where it was
    // (after STREAMINFO when it is new), unless it is new and empty.
    QList<Block> blocks;
    const QByteArray commentData = vorbis::buildComment(comment);
    for (qsizetype i = 0; i < meta.blocks.size(); ++i) {
        const Block &block = meta.blocks[i];
        if (i == meta.commentBlock)
            blocks.append({VorbisCommentBlock, commentData});
        else if (block.type != PaddingBlock)
            blocks.append(block);
        if (i == 0 && meta.commentBlock < 0 && !comment.entries.isEmpty())
            blocks.append({VorbisCommentBlock, commentData});
    }
    return planBlocks(meta, blocks, plan, fault);
}

bool planBlocks(const Metadata &meta, const QList<Block> &blocks, WritePlan *plan, Fault *fault)
{
    *plan = {};
    for (const Block &block : blocks) {
        if (block.data.size() > kMaxBlockSize) {
            if (fault)
                *fault = Fault::TagTooBig;
            return false;
        }
    }
    qint64 needed = 0;
    for (const Block &block : blocks)
        needed += kBlockHeaderSize + block.data.size();
    const qint64 metadataStart = meta.id3v2.size() + 4;
    const qint64 room = meta.audioStart - metadataStart;
    // The old room is kept when the blocks fill it exactly or leave space
    // for a padding block's header.
    const bool inPlace = needed == room || needed + kBlockHeaderSize <= room;
    const qint64 padding = inPlace ? room - needed : kRewritePadding + kBlockHeaderSize;
    QByteArray out;
    out.reserve(needed + padding);
    for (qsizetype i = 0; i < blocks.size(); ++i)
        appendBlock(out, blocks[i].type, blocks[i].data, padding == 0 && i == blocks.size() - 1);
    // Padding beyond what one block holds goes into several, none left
    // smaller than a block header.
    for (qint64 left = padding; left > 0;) {
        qint64 block = qMin(left, kMaxBlockSize + kBlockHeaderSize);
        if (left - block > 0 && left - block < kBlockHeaderSize)
            block -= kBlockHeaderSize;
        left -= block;
        appendBlock(out, PaddingBlock, QByteArray(block - kBlockHeaderSize, '\0'), left == 0);
    }
    if (inPlace) {
        plan->kind = WritePlan::InPlace;
        plan->offset = metadataStart;
        plan->bytes = std::move(out);
        return true;
    }
    plan->kind = WritePlan::Rewrite;
    plan->bytes = meta.id3v2 + "fLaC" + out;
    plan->audioFrom = meta.audioStart;
    return true;
}

} // namespace qm::flac
