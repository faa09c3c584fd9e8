#include "formats/id3v2framewalk.h"

#include "formats/id3v2fieldframes.h"
#include "formats/id3v2synchdata.h"
#include "formats/id3v2to23.h"

namespace qm::id3v2 {
namespace {

bool isIdChar(char c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); }

bool isFrameId(QByteArrayView id)
{
    for (char c : id)
        if (!isIdChar(c))
            return false;
    return true;
}

// The 2.3 id of a 2.2 id followed by a zero byte, the frame ids some
// writers put into later tags; empty for any other id.
QByteArray v22IdWithZero(QByteArrayView id)
{
    if (id.size() != 4 || id[3] != 0 || !isFrameId(id.first(3)))
        return {};
    return v23IdFor(id.first(3));
}

// A frame walk that stops at `at` has read every frame when only padding
// (zero bytes) or nothing follows.
bool endsWithPadding(BodySource &body, qint64 at)
{
    return at >= body.size() || body.read(at, 1) == QByteArrayView("\0", 1);
}

void readFramesV22(QByteArrayView body, Damage &damage, QList<RawFrame> &frames)
{
    qsizetype at = 0;
    while (at + 6 <= body.size()) {
        const QByteArrayView id = body.sliced(at, 3);
        if (!isFrameId(id))
            break; // padding or garbage
        const qsizetype size = bigEndian(body, at + 3, 3);
        if (size > body.size() - at - 6) {
            noteDamage(damage, Damage::FrameBeyondEnd);
            return;
        }
        const QByteArrayView data = body.sliced(at + 6, size);
        at += 6 + size;
        RawFrame frame;
        frame.id = v23IdFor(id);
        if (frame.id.isEmpty() || size == 0)
            continue;
        frame.textField = fieldOfTextFrame(frame.id);
        frame.payload = frame.id == "APIC" ? pictureFromV22(data) : data.toByteArray();
        if (!frame.payload.isEmpty())
            frames.append(frame);
    }
    if (at < body.size() && body[at] != 0)
        noteDamage(damage, Damage::Garbage);
}

// Whether `at` can be where a frame ends: the end of the tag, padding, or
// the header of a next frame.
bool isFrameBoundary(BodySource &body, qint64 at)
{
    if (at == body.size())
        return true;
    if (at > body.size())
        return false;
    const QByteArray head = body.read(at, 10);
    if (!head.isEmpty() && head[0] == 0)
        return true;
    return head.size() == 10 && isFrameId(QByteArrayView(head).first(4));
}

// 2.4 frame sizes are syncsafe, but some writers put plain numbers there;
// the plain reading is taken when only it ends on a frame boundary.
qint64 frameSizeV24(BodySource &body, qint64 at, QByteArrayView head)
{
    const qint64 plain = bigEndian(head, 4, 4);
    if (!isSyncsafe(head, 4))
        return plain;
    const qint64 safe = syncsafe(head, 4);
    if (safe == plain || isFrameBoundary(body, at + 10 + safe))
        return safe;
    if (isFrameBoundary(body, at + 10 + plain))
        return plain;
    return safe;
}

// Frames of versions 3 and 4 from `at` on. With fieldsOnly the data of
// frames that carry no field is never read.
void readFrames(BodySource &body, qint64 at, quint8 major, bool tagUnsynchronised, bool fieldsOnly,
                Damage &damage, QList<RawFrame> &frames)
{
    frames.reserve(16); // a typical tag's frames without growing
    QByteArray readHead;
    while (at + 10 <= body.size()) {
        // A frame header is looked at, never kept: from memory it is not copied.
        QByteArrayView head = body.held(at, 10);
        if (head.size() < 10) {
            readHead = body.read(at, 10);
            head = readHead;
        }
        if (head.size() < 10)
            break;
        const QByteArray oldId = v22IdWithZero(QByteArrayView(head).first(4));
        if (!oldId.isEmpty())
            noteDamage(damage, Damage::OldFrameIds);
        else if (!isFrameId(QByteArrayView(head).first(4)))
            break; // padding or garbage
        const qint64 size =
            major == 3 ? qint64(bigEndian(head, 4, 4)) : frameSizeV24(body, at, head);
        if (size > body.size() - at - 10) {
            noteDamage(damage, Damage::FrameBeyondEnd);
            return;
        }
        const qint64 dataAt = at + 10;
        at += 10 + size;
        const QByteArrayView id = oldId.isEmpty() ? QByteArrayView(head).first(4) : oldId;
        const int field = fieldOfTextFrame(id);
        if (size == 0 || (fieldsOnly && !carriesField(id, field)))
            continue;
        RawFrame frame;
        frame.id = frameIdBytes(id, field);
        frame.textField = field;

        const quint8 status = uchar(head[8]);
        const quint8 format = uchar(head[9]);
        bool unsynchronised = false;
        bool lengthIndicator = false;
        if (major == 3) {
            frame.status = status & 0xE0;
            frame.compressed = format & 0x80;
            frame.encrypted = format & 0x40;
            frame.grouped = format & 0x20;
        } else {
            // 2.4 moved the status flags one bit to the right.
            frame.status = quint8((status << 1) & 0xE0);
            frame.grouped = format & 0x40;
            frame.compressed = format & 0x08;
            frame.encrypted = format & 0x04;
            unsynchronised = (format & 0x02) || tagUnsynchronised;
            lengthIndicator = format & 0x01;
            frame.lengthIndicator = lengthIndicator;
            // Without the length indicator the size that 2.3 needs in front
            // of compressed data is unknown; such frames break the format.
            if (frame.compressed && !lengthIndicator) {
                noteDamage(damage, Damage::UnreadableFrame);
                continue;
            }
        }
        const QByteArray data = body.read(dataAt, size);
        if (data.size() < size) {
            noteDamage(damage, Damage::FrameBeyondEnd);
            return;
        }
        const qsizetype extra = (frame.compressed && major == 3 ? 4 : 0) + (frame.encrypted ? 1 : 0)
                                + (frame.grouped ? 1 : 0) + (lengthIndicator ? 4 : 0);
        if (data.size() < extra) {
            noteDamage(damage, Damage::UnreadableFrame);
            continue;
        }
        // The extra bytes come in the order of the flags: 2.3 has size,
        // method, group; 2.4 group, method, length.
        qsizetype pos = 0;
        if (major == 3 && frame.compressed) {
            frame.plainSize = bigEndian(data, 0, 4);
            pos += 4;
        }
        if (major == 4 && frame.grouped)
            frame.group = uchar(data[pos++]);
        if (frame.encrypted)
            frame.method = uchar(data[pos++]);
        if (major == 3 && frame.grouped)
            frame.group = uchar(data[pos++]);
        if (lengthIndicator) {
            frame.plainSize = syncsafe(data, pos);
            pos += 4;
        }
        // mid() of the whole shares the bytes: most frames have no extras.
        frame.payload =
            unsynchronised ? undoUnsync(QByteArrayView(data).sliced(pos)) : data.mid(pos);
        frames.append(std::move(frame));
    }
    if (!endsWithPadding(body, at))
        noteDamage(damage, Damage::Garbage);
}

} // namespace

// The frame's data as it was before compression; nothing when it is
// encrypted or does not decompress.
std::optional<QByteArray> plainPayload(const RawFrame &frame)
{
    if (frame.encrypted)
        return std::nullopt;
    if (!frame.compressed)
        return frame.payload;
    // zlib expands at most about 1032 times; a larger claim is a lie, and
    // believing it would allocate absurd amounts.
    if (frame.plainSize > quint64(frame.payload.size()) * 1032 + 64
        || frame.plainSize > (64u << 20))
        return std::nullopt;
    QByteArray input;
    appendBigEndian(input, frame.plainSize, 4);
    input.append(frame.payload);
    QByteArray plain = qUncompress(input);
    if (plain.isEmpty() && frame.plainSize != 0)
        return std::nullopt;
    return plain;
}

HeaderKind parseHeader(QByteArrayView bytes, TagHeader &header)
{
    header = TagHeader();
    if (bytes.size() < HeaderSize || !bytes.startsWith("ID3"))
        return HeaderKind::None;
    header.major = uchar(bytes[3]);
    header.revision = uchar(bytes[4]);
    header.flags = uchar(bytes[5]);
    if (header.major == 0xFF || header.revision == 0xFF || !isSyncsafe(bytes, 6))
        return HeaderKind::Garbage;
    header.bodySize = syncsafe(bytes, 6);
    // Only 2.4 defines the footer; the same bit in older tags is noise and
    // must not make a writer skip audio bytes.
    const bool footer = header.major >= 4 && (header.flags & 0x10);
    header.totalSize = HeaderSize + header.bodySize + (footer ? HeaderSize : 0);
    return HeaderKind::Tag;
}

void settleFooter(TagHeader &header, QByteArrayView atFooter)
{
    if (announcesFooter(header) && !atFooter.startsWith("3DI"))
        header.totalSize = HeaderSize + header.bodySize;
}

QList<RawFrame> readTagFrames(const TagHeader &header, BodySource &source, bool fieldsOnly,
                              Damage &damage)
{
    QList<RawFrame> frames;
    readTagFrames(header, source, fieldsOnly, damage, frames);
    return frames;
}

void readTagFrames(const TagHeader &header, BodySource &source, bool fieldsOnly, Damage &damage,
                   QList<RawFrame> &frames)
{
    const quint8 major = header.major;
    const bool unsynchronised = header.flags & 0x80;
    const bool extended = header.flags & 0x40;
    if (major == 2 && extended) { // 2.2 calls this bit compression and defines no scheme
        noteDamage(damage, Damage::CompressedTag);
        return;
    }
    if (major == 2 || (major == 3 && unsynchronised)) {
        // Before 2.4 the whole tag, frame headers included, is
        // unsynchronised, so it is read whole.
        QByteArray whole = source.read(0, source.size());
        if (unsynchronised)
            whole = undoUnsync(whole);
        if (major == 2) {
            readFramesV22(whole, damage, frames);
            return;
        }
        MemoryBody undone(whole);
        readTagFrames(
            TagHeader{major, header.revision, quint8(header.flags & ~0x80), undone.size(), 0},
            undone, fieldsOnly, damage, frames);
        return;
    }
    qint64 start = 0;
    if (extended) {
        const QByteArray size = source.read(0, 4);
        // 2.3 counts the size without its own 4 bytes, 2.4 with them.
        start = size.size() < 4 ? -1
                : major == 3    ? qint64(bigEndian(size, 0, 4)) + 4
                                : qint64(syncsafe(size, 0));
        // Some taggers set the flag and write no extended header: a frame
        // follows at once. No real extended header is that long.
        if (size.size() == 4 && isFrameId(size)) {
            noteDamage(damage, Damage::MissingExtendedHeader);
            start = 0;
        } else if (start < 4 || start > source.size()) {
            noteDamage(damage, Damage::BadExtendedHeader);
            return;
        }
    }
    readFrames(source, start, major, unsynchronised, fieldsOnly, damage, frames);
}

} // namespace qm::id3v2
