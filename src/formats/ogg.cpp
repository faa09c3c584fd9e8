#include "formats/ogg.h"

#include <QList>
#include <QtEndian>

#include <array>
#include <cstring>
#include <utility>

namespace qm::ogg {
namespace {

// Eight tables, the k-th the checksum of a byte followed by k zero bytes,
// so that eight bytes take one step: every page read is checked, and a
// byte at a time the check was half of reading an Ogg file.
using CrcTables = std::array<std::array<quint32, 256>, 8>;

constexpr CrcTables makeCrcTables()
{
    CrcTables tables{};
    for (quint32 i = 0; i < 256; ++i) {
        quint32 r = i << 24;
        for (int bit = 0; bit < 8; ++bit)
            r = (r & 0x80000000u) ? (r << 1) ^ 0x04c11db7u : r << 1;
        tables[0][i] = r;
    }
    for (size_t k = 1; k < tables.size(); ++k) {
        for (size_t i = 0; i < 256; ++i)
            tables[k][i] = tables[k - 1][i] << 8 ^ tables[0][tables[k - 1][i] >> 24];
    }
    return tables;
}

constexpr CrcTables kCrcTables = makeCrcTables();

quint32 updateCrc(quint32 crc, QByteArrayView bytes)
{
    const auto *p = reinterpret_cast<const uchar *>(bytes.data());
    const uchar *const end = p + bytes.size();
    const auto &t = kCrcTables;
    for (; end - p >= 8; p += 8) {
        crc ^= qFromBigEndian<quint32>(p);
        crc = t[7][crc >> 24] ^ t[6][crc >> 16 & 0xff] ^ t[5][crc >> 8 & 0xff] ^ t[4][crc & 0xff]
              ^ t[3][p[4]] ^ t[2][p[5]] ^ t[1][p[6]] ^ t[0][p[7]];
    }
    for (; p != end; ++p)
        crc = crc << 8 ^ t[0][(crc >> 24 ^ *p) & 0xff];
    return crc;
}

// The start of the last "OggS" that ends by `end`, or -1: the pages near a
// file's end are found from there backwards.
qsizetype lastCapture(QByteArrayView bytes, qsizetype end)
{
    const char *const data = bytes.data();
    for (qsizetype limit = end - 3; limit > 0;) {
        const void *found = memrchr(data, 'O', size_t(limit));
        if (!found)
            return -1;
        const qsizetype at = static_cast<const char *>(found) - data;
        if (std::memcmp(data + at, "OggS", 4) == 0)
            return at;
        limit = at;
    }
    return -1;
}

constexpr qsizetype kCrcOffset = 22;
constexpr quint8 kContinued = 1;
constexpr quint8 kFirstPage = 2;
constexpr quint8 kLastPage = 4;
constexpr int kMaxSegments = 255;

Walk invalid(Fault *fault, Fault why)
{
    if (fault)
        *fault = why;
    return Walk::Invalid;
}

bool refuse(Fault *fault, Fault why)
{
    invalid(fault, why);
    return false;
}

Walk needMore(qint64 *needed, qint64 bytes)
{
    if (needed)
        *needed = bytes;
    return Walk::NeedMore;
}

void setCrc(char *page, qsizetype size)
{
    qToLittleEndian<quint32>(0, page + kCrcOffset);
    qToLittleEndian(pageCrc(QByteArrayView(page, size)), page + kCrcOffset);
}

// Segments a packet of `size` bytes takes: a last one under 255 bytes ends it.
qint64 segmentsOf(qint64 size) { return size / 255 + 1; }

// Bytes and pages the packets take when laid out by paginate().
struct Layout {
    qint64 bytes = 0;
    qint64 pages = 0;
};

// The number of pages `segments` take: `wanted` when they fill that many
// and fit in them, else as few as hold them.
qint64 pagesFor(qint64 segments, qint64 wanted)
{
    if (wanted > 0 && segments >= wanted && segments <= wanted * kMaxSegments)
        return wanted;
    return qMax<qint64>(1, (segments + kMaxSegments - 1) / kMaxSegments);
}

Layout layoutOf(const QList<qint64> &sizes, qint64 wanted)
{
    qint64 segments = 0;
    qint64 body = 0;
    for (qint64 size : sizes) {
        segments += segmentsOf(size);
        body += size;
    }
    const qint64 pages = pagesFor(segments, wanted);
    return {body + segments + pages * kPageHeaderSize, pages};
}

// The packets on pages of up to 255 segments each, one packet flowing into
// the next; a page where no packet ends has the granule position -1. With
// `wanted` pages, when the segments fill that many and fit in them, they are
// spread over exactly that many: the stream's later pages then keep their
// numbers.
QByteArray paginate(const QList<QByteArray> &packets, quint32 serial, quint32 sequence,
                    bool endsStream, int *pageCount, int wanted = 0)
{
    struct Segment {
        const char *data;
        int size;
        bool ends;
    };
    QList<Segment> segments;
    for (const QByteArray &packet : packets) {
        for (qsizetype at = 0;; at += 255) {
            const int size = int(qMin<qsizetype>(255, packet.size() - at));
            segments.append({packet.constData() + at, size, size < 255});
            if (size < 255)
                break;
        }
    }
    const qsizetype total = segments.size();
    const qsizetype spread = pagesFor(total, wanted);
    QByteArray out;
    int pages = 0;
    bool continued = false;
    for (qsizetype first = 0, count = 0; first < total; first += count) {
        count = total / spread + (pages < total % spread ? 1 : 0);
        const qsizetype start = out.size();
        out.append("OggS\0", 5);
        bool ends = false;
        for (qsizetype i = first; i < first + count; ++i)
            ends = ends || segments[i].ends;
        const bool last = first + count == segments.size();
        out.append(char((continued ? kContinued : 0) | (last && endsStream ? kLastPage : 0)));
        char fields[16];
        qToLittleEndian<qint64>(ends ? 0 : -1, fields);
        qToLittleEndian(serial, fields + 8);
        qToLittleEndian(quint32(sequence + quint32(pages)), fields + 12);
        out.append(fields, 16);
        out.append(4, '\0'); // the checksum, set below
        out.append(char(count));
        for (qsizetype i = first; i < first + count; ++i)
            out.append(char(segments[i].size));
        for (qsizetype i = first; i < first + count; ++i)
            out.append(segments[i].data, segments[i].size);
        setCrc(out.data() + start, out.size() - start);
        continued = !segments[first + count - 1].ends;
        ++pages;
    }
    *pageCount = pages;
    return out;
}

bool parseIdentification(QByteArrayView packet, StreamHeaders &headers, Fault *fault)
{
    const auto *p = reinterpret_cast<const uchar *>(packet.data());
    if (packet.size() >= 30 && packet.startsWith("\x01vorbis")) {
        headers.codec = Codec::Vorbis;
        headers.channels = p[11];
        headers.sampleRate = qFromLittleEndian<quint32>(p + 12);
        headers.nominalBitrate = qFromLittleEndian<qint32>(p + 20);
        if (qFromLittleEndian<quint32>(p + 7) != 0 || headers.channels == 0
            || headers.sampleRate == 0)
            return refuse(fault, Fault::BadHeader);
        return true;
    }
    if (packet.size() >= 19 && packet.startsWith("OpusHead")) {
        headers.codec = Codec::Opus;
        headers.channels = p[9];
        headers.preSkip = qFromLittleEndian<quint16>(p + 10);
        headers.sampleRate = qFromLittleEndian<quint32>(p + 12);
        if ((p[8] & 0xf0) != 0 || headers.channels == 0)
            return refuse(fault, Fault::BadHeader);
        return true;
    }
    return refuse(fault, Fault::NotThisFormat);
}

bool parseCommentPacket(QByteArrayView packet, StreamHeaders &headers, Fault *fault)
{
    const QByteArrayView magic =
        headers.codec == Codec::Vorbis ? QByteArrayView("\x03vorbis") : QByteArrayView("OpusTags");
    if (!packet.startsWith(magic))
        return refuse(fault, Fault::BadHeader);
    qsizetype used = 0;
    if (!vorbis::parseComment(packet.sliced(magic.size()), &headers.comment, &used, fault))
        return false;
    const QByteArrayView rest = packet.sliced(magic.size() + used);
    if (headers.codec == Codec::Vorbis) {
        if (rest.isEmpty() || (rest[0] & 1) == 0)
            return refuse(fault, Fault::BadComment);
    } else if (!rest.isEmpty() && (rest[0] & 1) != 0) {
        headers.commentTail = rest.toByteArray(); // data to keep; zeros are padding
    }
    return true;
}

} // namespace

quint32 pageCrc(QByteArrayView page) { return updateCrc(0, page); }

Walk parsePage(QByteArrayView bytes, qint64 at, Page *page, qint64 *needed, Fault *fault)
{
    if (bytes.size() - at < kPageHeaderSize)
        return needMore(needed, at + kPageHeaderSize);
    const auto *p = reinterpret_cast<const uchar *>(bytes.data() + at);
    if (bytes.sliced(at, 4) != "OggS")
        return invalid(fault, Fault::BadPage);
    if (p[4] != 0)
        return invalid(fault, Fault::BadPage);
    const int segments = p[26];
    if (bytes.size() - at < kPageHeaderSize + segments)
        return needMore(needed, at + kPageHeaderSize + segments);
    qint64 size = kPageHeaderSize + segments;
    for (int i = 0; i < segments; ++i)
        size += p[kPageHeaderSize + i];
    if (bytes.size() - at < size)
        return needMore(needed, at + size);
#ifndef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION // a fuzzer would hardly get past it
    // The checksum is of the page with its own field zeroed.
    const QByteArrayView whole = bytes.sliced(at, size);
    quint32 crc = updateCrc(0, whole.first(kCrcOffset));
    crc = updateCrc(crc, QByteArrayView("\0\0\0\0", 4));
    crc = updateCrc(crc, whole.sliced(kCrcOffset + 4));
    if (crc != qFromLittleEndian<quint32>(p + kCrcOffset))
        return invalid(fault, Fault::BadChecksum);
#endif
    page->offset = at;
    page->size = size;
    page->flags = p[5];
    page->granule = qFromLittleEndian<qint64>(p + 6);
    page->serial = qFromLittleEndian<quint32>(p + 14);
    page->sequence = qFromLittleEndian<quint32>(p + 18);
    page->lacing = bytes.sliced(at + kPageHeaderSize, segments).toByteArray();
    return Walk::Ok;
}

Walk parseHeaders(QByteArrayView head, qint64 fileSize, StreamHeaders *headers, qint64 *needed,
                  Fault *fault)
{
    StreamHeaders read;
    QList<QByteArray> packets;
    QByteArray partial; // a packet that continues on the next page
    bool inPacket = false;
    qint64 at = 0;
    int wanted = 3; // packets: set to 2 once the codec is known to be Opus
    bool interleaved = false;
    while (packets.size() < wanted) {
        if (at >= fileSize)
            return invalid(fault, Fault::Truncated);
        Page page;
        Fault why = Fault::None;
        qint64 more = 0;
        const Walk walk = parsePage(head, at, &page, &more, &why);
        if (walk == Walk::NeedMore && more > fileSize)
            return invalid(fault, Fault::Truncated);
        // Past the first page, ask for twice the bytes at least: a comment
        // with pictures spans many pages, each of which would be another read.
        if (walk == Walk::NeedMore)
            return needMore(needed, at == 0 ? more : qMin(fileSize, qMax(more, 2 * head.size())));
        if (walk == Walk::Invalid)
            return invalid(fault, why);
        if (at == 0) {
            if (!(page.flags & kFirstPage))
                return invalid(fault, Fault::NotThisFormat);
            read.serial = page.serial;
        }
        if (page.serial != read.serial) {
            // Another logical stream: its first pages come first in a
            // multiplexed file; later pages among ours stop a rewrite.
            interleaved = interleaved || read.headerPages > 0;
            at += page.size;
            continue;
        }
        if (bool(page.flags & kContinued) != inPacket)
            return invalid(fault, Fault::BrokenPacket);
        if (packets.size() == 1 && !inPacket && read.leading.isEmpty())
            read.leading = head.first(at).toByteArray();
        if (packets.size() >= 1) {
            ++read.headerPages;
            read.endsStream = (page.flags & kLastPage) != 0;
        }
        if (packets.size() == 1 && read.headerPages == 1)
            read.firstSequence = page.sequence;
        qint64 body = page.offset + kPageHeaderSize + page.lacing.size();
        bool pageDone = false;
        for (qsizetype segment = 0; segment < page.lacing.size(); ++segment) {
            const int size = uchar(page.lacing[segment]);
            if (pageDone) {
                // A packet after the last header on its page: the audio
                // shares the page, which the rebuild cannot keep.
                read.notWritable = Fault::AudioOnHeaderPage;
                break;
            }
            partial.append(head.sliced(body, size));
            body += size;
            inPacket = size == 255;
            if (!inPacket) {
                packets.append(std::exchange(partial, {}));
                if (packets.size() == 1) {
                    if (!parseIdentification(packets[0], read, fault))
                        return Walk::Invalid;
                    wanted = read.codec == Codec::Opus ? 2 : 3;
                    if (segment + 1 != page.lacing.size())
                        return invalid(fault, Fault::BadHeader);
                }
                pageDone = packets.size() == wanted;
            }
        }
        at += page.size;
    }
    if (!parseCommentPacket(packets[1], read, fault))
        return Walk::Invalid;
    if (read.codec == Codec::Vorbis) {
        if (!packets[2].startsWith("\x05vorbis"))
            return invalid(fault, Fault::BadHeader);
        read.setup = packets[2];
    }
    read.headerEnd = at;
    if (interleaved)
        read.notWritable = Fault::InterleavedStreams;
    *headers = std::move(read);
    return Walk::Ok;
}

std::optional<qint64> lastGranule(QByteArrayView bytes, quint32 serial, qint64 from)
{
    for (qsizetype at = lastCapture(bytes, bytes.size()); at >= from; at = lastCapture(bytes, at)) {
        Page page;
        if (parsePage(bytes, at, &page, nullptr, nullptr) == Walk::Ok && page.serial == serial
            && page.granule != -1)
            return page.granule;
    }
    return std::nullopt;
}

std::optional<qint64> lastGranuleIn(const BlockReader &read, qint64 fileSize, quint32 serial,
                                    qint64 from)
{
    // A page holds 65307 bytes at most: each window reaches that far into
    // the one looked at before, so a page across their border lies whole
    // in one of them.
    constexpr qint64 kMaxPageBytes = 65307;
    constexpr qint64 kTailBytes = 72 * 1024;
    constexpr qint64 kWindowBytes = 1024 * 1024;
    QByteArray bytes;
    qint64 end = fileSize;
    qint64 window = kTailBytes;
    while (end > from) {
        const qint64 start = qMax(from, end - window);
        if (!read(start, end - start, &bytes))
            return std::nullopt;
        if (const std::optional<qint64> granule = lastGranule(bytes, serial))
            return granule;
        if (start == from)
            break;
        end = start + kMaxPageBytes;
        window = kWindowBytes;
    }
    return std::nullopt;
}

NativeRead readResult(const StreamHeaders &headers, std::optional<qint64> granule, qint64 fileSize)
{
    NativeRead result;
    result.fields = vorbis::readFields(headers.comment);
    result.pictures = int(vorbis::pictures(headers.comment).size());
    const bool opus = headers.codec == Codec::Opus;
    const quint32 rate = opus ? 48000 : headers.sampleRate;
    if (granule && rate)
        result.duration = double(qMax<qint64>(0, *granule - (opus ? headers.preSkip : 0))) / rate;
    qint64 kbps = !opus && headers.nominalBitrate > 0 ? headers.nominalBitrate / 1000 : 0;
    if (kbps == 0 && result.duration > 0)
        kbps = qRound64(fileSize * 8 / result.duration / 1000);
    result.streamText = QStringLiteral("%1, %2 Hz, %3, %4 kbps")
                            .arg(opus ? QStringLiteral("Opus") : QStringLiteral("Vorbis"))
                            .arg(rate)
                            .arg(channelsText(headers.channels))
                            .arg(kbps);
    return result;
}

bool planWrite(const StreamHeaders &headers, const vorbis::Comment &comment, WritePlan *plan,
               Fault *fault)
{
    *plan = {};
    if (comment == headers.comment)
        return true; // Unchanged
    if (headers.notWritable != Fault::None) {
        if (fault)
            *fault = headers.notWritable;
        return false;
    }
    const bool vorbis = headers.codec == Codec::Vorbis;
    QByteArray packet = (vorbis ? QByteArray("\x03vorbis") : QByteArray("OpusTags"))
                        + vorbis::buildComment(comment)
                        + (vorbis ? QByteArray("\x01") : headers.commentTail);
    QList<qint64> sizes = {packet.size()};
    if (vorbis)
        sizes.append(headers.setup.size());
    const qint64 oldBytes = headers.headerEnd - headers.leading.size();
    // The padding that makes the pages as long and as many as the old ones,
    // if any does: each byte of it adds one, a new segment two, a new page
    // more. Kept data after Opus comments must still end the packet with its
    // own bytes, so it takes no padding at all: in place only when the new
    // comments fill the old room exactly.
    const bool keepsTail = !headers.commentTail.isEmpty();
    qint64 padding = -1;
    const qint64 room = oldBytes - layoutOf(sizes, headers.headerPages).bytes;
    const qint64 highest = keepsTail ? 0 : room;
    const qint64 lowest = keepsTail ? 0 : qMax<qint64>(0, room - 1024);
    for (qint64 p = highest; p >= lowest && padding < 0; --p) {
        sizes[0] = packet.size() + p;
        const Layout layout = layoutOf(sizes, headers.headerPages);
        if (layout.bytes == oldBytes && layout.pages == headers.headerPages)
            padding = p;
    }
    const bool inPlace = padding >= 0;
    packet.append(inPlace ? padding : keepsTail ? 0 : kRewritePadding, '\0');
    QList<QByteArray> packets = {packet};
    if (vorbis)
        packets.append(headers.setup);
    int pages = 0;
    const QByteArray built = paginate(packets, headers.serial, headers.firstSequence,
                                      headers.endsStream, &pages, headers.headerPages);
    if (inPlace) {
        plan->kind = WritePlan::InPlace;
        plan->offset = headers.leading.size();
        plan->bytes = built;
        return true;
    }
    plan->kind = WritePlan::Rewrite;
    plan->bytes = headers.leading + built;
    plan->audioFrom = headers.headerEnd;
    plan->serial = headers.serial;
    plan->sequenceShift = pages - headers.headerPages;
    return true;
}

bool renumberPages(QByteArray &pages, quint32 serial, int shift, Fault *fault)
{
    // Past the stream's last page nothing changes, and what follows need
    // not be pages at all: an ID3v1 tag some taggers append is kept as is.
    bool ended = false;
    for (qint64 at = 0; at < pages.size() && !ended;) {
        Page page;
        qint64 needed = 0;
        Fault why = Fault::None;
        const Walk walk = parsePage(pages, at, &page, &needed, &why);
        if (walk != Walk::Ok) {
            if (fault)
                *fault = walk == Walk::NeedMore ? Fault::Truncated : why;
            return false;
        }
        if (page.serial == serial && shift != 0) {
            char *p = pages.data() + at;
            qToLittleEndian(quint32(page.sequence + quint32(shift)), p + 18);
            setCrc(p, page.size);
        }
        ended = ended || (page.serial == serial && (page.flags & kLastPage));
        at += page.size;
    }
    return true;
}

} // namespace qm::ogg
