#include "formats/id3v2frames.h"

#include "formats/codepage.h"
#include "formats/id3v1.h"
#include "formats/tagfields.h"

#include <QRegularExpression>
#include <QStringList>

#include <algorithm>
#include <cstring>
#include <optional>

namespace qm::id3v2 {
namespace {

QString genreName(int index)
{
    if (index < 0 || index >= MAX_MUSIC_GENRES)
        return {};
    return QString::fromLatin1(aTAG_MusicGenre[index]);
}

quint32 bigEndian(QByteArrayView bytes, qsizetype at, int count)
{
    quint32 value = 0;
    for (int i = 0; i < count; ++i)
        value = (value << 8) | uchar(bytes[at + i]);
    return value;
}

bool isSyncsafe(QByteArrayView bytes, qsizetype at)
{
    for (int i = 0; i < 4; ++i)
        if (uchar(bytes[at + i]) & 0x80)
            return false;
    return true;
}

quint32 syncsafe(QByteArrayView bytes, qsizetype at)
{
    quint32 value = 0;
    for (int i = 0; i < 4; ++i)
        value = (value << 7) | (uchar(bytes[at + i]) & 0x7F);
    return value;
}

void appendBigEndian(QByteArray &out, quint32 value, int count)
{
    for (int i = count - 1; i >= 0; --i)
        out.append(char((value >> (8 * i)) & 0xFF));
}

void appendSyncsafe(QByteArray &out, quint32 value)
{
    for (int i = 3; i >= 0; --i)
        out.append(char((value >> (7 * i)) & 0x7F));
}

// Unsynchronisation put a zero byte after every 0xFF; take them out again.
QByteArray undoUnsync(QByteArrayView bytes)
{
    QByteArray out;
    out.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        out.append(bytes[i]);
        if (uchar(bytes[i]) == 0xFF && i + 1 < bytes.size() && bytes[i + 1] == 0)
            ++i;
    }
    return out;
}

} // namespace

QString trimmedField(const QString &value)
{
    qsizetype begin = 0;
    qsizetype end = value.size();
    while (begin < end && value.at(begin).unicode() <= 32)
        ++begin;
    while (end > begin && value.at(end - 1).unicode() <= 32)
        --end;
    return value.mid(begin, end - begin);
}

namespace {

// ---- text encodings ----------------------------------------------------

constexpr quint8 EncLegacy = 0;
constexpr quint8 EncUtf16Bom = 1;
constexpr quint8 EncUtf16BE = 2;
constexpr quint8 EncUtf8 = 3;

bool isWide(quint8 encoding)
{
    return encoding == EncUtf16Bom || encoding == EncUtf16BE;
}

QString decodeUtf16(QByteArrayView bytes, bool bigEndianByDefault)
{
    bool big = bigEndianByDefault;
    qsizetype at = 0;
    if (bytes.size() >= 2) {
        const uchar a = uchar(bytes[0]);
        const uchar b = uchar(bytes[1]);
        if (a == 0xFF && b == 0xFE) {
            big = false;
            at = 2;
        } else if (a == 0xFE && b == 0xFF) {
            big = true;
            at = 2;
        }
    }
    QString text;
    text.reserve((bytes.size() - at) / 2);
    for (; at + 1 < bytes.size(); at += 2) {
        const uchar a = uchar(bytes[at]);
        const uchar b = uchar(bytes[at + 1]);
        text.append(QChar(big ? char16_t(a << 8 | b) : char16_t(b << 8 | a)));
    }
    return text;
}

QString decodeString(quint8 encoding, QByteArrayView bytes)
{
    switch (encoding) {
    case EncLegacy:
        return LegacyCodepage::decode(bytes);
    case EncUtf16Bom:
        // A missing byte-order mark is taken as little-endian, what the
        // writers that forget it produce.
        return decodeUtf16(bytes, false);
    case EncUtf16BE:
        return decodeUtf16(bytes, true);
    default:
        if (bytes.startsWith("\xEF\xBB\xBF"))
            bytes = bytes.sliced(3);
        return QString::fromUtf8(bytes);
    }
}

// The end of a string that starts at `from`: the offset of its terminator,
// or the end of the data. Wide terminators sit on even offsets.
qsizetype terminatorAt(quint8 encoding, QByteArrayView data, qsizetype from)
{
    if (isWide(encoding)) {
        for (qsizetype at = from; at + 1 < data.size(); at += 2)
            if (data[at] == 0 && data[at + 1] == 0)
                return at;
        return data.size();
    }
    const qsizetype at = data.indexOf('\0', from);
    return at < 0 ? data.size() : at;
}

int terminatorSize(quint8 encoding)
{
    return isWide(encoding) ? 2 : 1;
}

// Reads one terminated string at `at` and moves past its terminator.
QString readString(quint8 encoding, QByteArrayView data, qsizetype &at)
{
    const qsizetype end = terminatorAt(encoding, data, at);
    const QString text = decodeString(encoding, data.sliced(at, end - at));
    at = std::min(data.size(), end + terminatorSize(encoding));
    return text;
}

// All strings from `at` to the end: 2.4 separates several values with
// terminators; empty ones (a trailing terminator) are dropped.
QStringList readStrings(quint8 encoding, QByteArrayView data, qsizetype at)
{
    QStringList values;
    while (at < data.size()) {
        const QString text = readString(encoding, data, at);
        if (!text.isEmpty())
            values.append(text);
    }
    return values;
}

bool isAscii(const QString &text)
{
    return std::all_of(text.cbegin(), text.cend(), [](QChar ch) { return ch.unicode() < 0x80; });
}

// Plain ASCII is written as encoding 0, anything else as UTF-16 with a
// byte-order mark: every reader takes both and no character is lost.
quint8 encodingFor(const QStringList &texts)
{
    return std::all_of(texts.cbegin(), texts.cend(), isAscii) ? EncLegacy : EncUtf16Bom;
}

void appendString(QByteArray &out, quint8 encoding, const QString &text, bool terminated)
{
    if (encoding == EncLegacy) {
        out.append(LegacyCodepage::encode(text));
    } else {
        // Every string gets its byte-order mark, empty ones too: some
        // readers (ffmpeg) reject a UTF-16 string without one.
        out.append("\xFF\xFE", 2);
        for (QChar ch : text) {
            out.append(char(ch.unicode() & 0xFF));
            out.append(char(ch.unicode() >> 8));
        }
    }
    if (terminated)
        out.append(QByteArray(terminatorSize(encoding), '\0'));
}

// URL bytes are Latin-1 by the format; anything beyond ASCII is written
// percent-encoded so that every reader sees the same address.
QByteArray urlBytes(const QString &url)
{
    static const char hex[] = "0123456789ABCDEF";
    QByteArray out;
    for (char byte : url.toUtf8()) {
        if (uchar(byte) < 0x80) {
            out.append(byte);
        } else {
            out.append('%');
            out.append(hex[uchar(byte) >> 4]);
            out.append(hex[uchar(byte) & 0xF]);
        }
    }
    return out;
}

// ---- frames as read ----------------------------------------------------

// A frame read from any version, in 2.3 terms: the extra bytes its flags
// add are taken apart, unsynchronisation is undone, the data may still be
// compressed or encrypted.
struct RawFrame {
    QByteArray id;
    quint8 status = 0; // 2.3 status flags: tag alter, file alter, read only
    bool compressed = false;
    bool encrypted = false;
    bool grouped = false;
    quint8 method = 0;
    quint8 group = 0;
    quint32 plainSize = 0;
    QByteArray payload;
};

bool isIdChar(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

bool isFrameId(QByteArrayView id)
{
    for (char c : id)
        if (!isIdChar(c))
            return false;
    return true;
}

// 2.2 ids and their 2.3 names; 2.2 frames without one cannot be written.
QByteArray v23IdFor(QByteArrayView id22)
{
    static const char *const pairs[][2] = {
        {"BUF", "RBUF"}, {"CNT", "PCNT"}, {"COM", "COMM"}, {"CRA", "AENC"}, {"ETC", "ETCO"},
        {"EQU", "EQUA"}, {"GEO", "GEOB"}, {"IPL", "IPLS"}, {"MCI", "MCDI"}, {"MLL", "MLLT"},
        {"PIC", "APIC"}, {"POP", "POPM"}, {"REV", "RVRB"}, {"RVA", "RVAD"}, {"SLT", "SYLT"},
        {"STC", "SYTC"}, {"TAL", "TALB"}, {"TBP", "TBPM"}, {"TCM", "TCOM"}, {"TCO", "TCON"},
        {"TCR", "TCOP"}, {"TDA", "TDAT"}, {"TDY", "TDLY"}, {"TEN", "TENC"}, {"TFT", "TFLT"},
        {"TIM", "TIME"}, {"TKE", "TKEY"}, {"TLA", "TLAN"}, {"TLE", "TLEN"}, {"TMT", "TMED"},
        {"TOA", "TOPE"}, {"TOF", "TOFN"}, {"TOL", "TOLY"}, {"TOR", "TORY"}, {"TOT", "TOAL"},
        {"TP1", "TPE1"}, {"TP2", "TPE2"}, {"TP3", "TPE3"}, {"TP4", "TPE4"}, {"TPA", "TPOS"},
        {"TPB", "TPUB"}, {"TRC", "TSRC"}, {"TRD", "TRDA"}, {"TRK", "TRCK"}, {"TSI", "TSIZ"},
        {"TSS", "TSSE"}, {"TT1", "TIT1"}, {"TT2", "TIT2"}, {"TT3", "TIT3"}, {"TXT", "TEXT"},
        {"TXX", "TXXX"}, {"TYE", "TYER"}, {"UFI", "UFID"}, {"ULT", "USLT"}, {"WAF", "WOAF"},
        {"WAR", "WOAR"}, {"WAS", "WOAS"}, {"WCM", "WCOM"}, {"WCP", "WCOP"}, {"WPB", "WPUB"},
        {"WXX", "WXXX"}, {"TCP", "TCMP"}, {"TST", "TSOT"}, {"TSP", "TSOP"}, {"TSA", "TSOA"},
        {"TS2", "TSO2"}, {"TSC", "TSOC"},
    };
    for (const auto &pair : pairs)
        if (id22 == pair[0])
            return QByteArray(pair[1]);
    return {};
}

// A 2.2 picture names its image format in three letters where 2.3 has a
// MIME type.
QByteArray pictureFromV22(QByteArrayView data)
{
    if (data.size() < 4)
        return {};
    const QByteArray format = data.sliced(1, 3).toByteArray().toUpper();
    QByteArray mime;
    if (format == "JPG")
        mime = "image/jpeg";
    else if (format == "-->")
        mime = "-->";
    else
        mime = "image/" + format.toLower();
    QByteArray out;
    out.append(data[0]);
    out.append(mime);
    out.append('\0');
    out.append(data.sliced(4));
    return out;
}

// A frame walk that stops at `at` has read every frame when only padding
// (zero bytes) or nothing follows.
bool endsWithPadding(BodySource &body, qint64 at)
{
    return at >= body.size() || body.read(at, 1) == QByteArrayView("\0", 1);
}

QList<RawFrame> readFramesV22(QByteArrayView body, bool &complete)
{
    QList<RawFrame> frames;
    qsizetype at = 0;
    while (at + 6 <= body.size()) {
        const QByteArrayView id = body.sliced(at, 3);
        if (!isFrameId(id))
            break; // padding or garbage
        const qsizetype size = bigEndian(body, at + 3, 3);
        if (size > body.size() - at - 6) {
            complete = false; // truncated
            return frames;
        }
        const QByteArrayView data = body.sliced(at + 6, size);
        at += 6 + size;
        RawFrame frame;
        frame.id = v23IdFor(id);
        if (frame.id.isEmpty() || size == 0)
            continue;
        frame.payload = frame.id == "APIC" ? pictureFromV22(data) : data.toByteArray();
        if (!frame.payload.isEmpty())
            frames.append(frame);
    }
    if (at < body.size() && body[at] != 0)
        complete = false;
    return frames;
}

// A tag body held in memory.
class MemoryBody : public BodySource {
public:
    explicit MemoryBody(QByteArrayView bytes) : bytes_(bytes) {}
    qint64 size() const override { return bytes_.size(); }
    QByteArray read(qint64 at, qint64 length) override
    {
        if (at < 0 || at >= bytes_.size() || length <= 0)
            return {};
        return bytes_.sliced(at, std::min(length, bytes_.size() - at)).toByteArray();
    }

private:
    QByteArrayView bytes_;
};

int fieldOfTextFrame(QByteArrayView id);
QByteArray frameIdBytes(QByteArrayView id);

// Frames whose data the fields are made of.
bool carriesField(QByteArrayView id)
{
    return fieldOfTextFrame(id) >= 0 || id == "TDRC" || id == "TDOR" || id == "COMM"
        || id == "USLT" || id == "WXXX";
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
QList<RawFrame> readFrames(BodySource &body, qint64 at, quint8 major, bool tagUnsynchronised,
                           bool fieldsOnly, bool &complete)
{
    QList<RawFrame> frames;
    frames.reserve(16); // a typical tag's frames without growing
    while (at + 10 <= body.size()) {
        const QByteArray head = body.read(at, 10);
        if (head.size() < 10 || !isFrameId(QByteArrayView(head).first(4)))
            break; // padding or garbage
        const qint64 size = major == 3 ? qint64(bigEndian(head, 4, 4)) : frameSizeV24(body, at, head);
        if (size > body.size() - at - 10) {
            complete = false; // truncated
            return frames;
        }
        const qint64 dataAt = at + 10;
        at += 10 + size;
        const QByteArrayView id = QByteArrayView(head).first(4);
        if (size == 0 || (fieldsOnly && !carriesField(id)))
            continue;
        RawFrame frame;
        frame.id = frameIdBytes(id);

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
            // Without the length indicator the size that 2.3 needs in front
            // of compressed data is unknown; such frames break the format.
            if (frame.compressed && !lengthIndicator) {
                complete = false;
                continue;
            }
        }
        const QByteArray data = body.read(dataAt, size);
        if (data.size() < size) {
            complete = false;
            return frames;
        }
        const qsizetype extra = (frame.compressed && major == 3 ? 4 : 0) + (frame.encrypted ? 1 : 0)
                              + (frame.grouped ? 1 : 0) + (lengthIndicator ? 4 : 0);
        if (data.size() < extra) {
            complete = false;
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
        frame.payload = unsynchronised ? undoUnsync(QByteArrayView(data).sliced(pos)) : data.mid(pos);
        frames.append(std::move(frame));
    }
    if (!endsWithPadding(body, at))
        complete = false;
    return frames;
}

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
    if (frame.plainSize > quint64(frame.payload.size()) * 1032 + 64 || frame.plainSize > (64u << 20))
        return std::nullopt;
    QByteArray input;
    appendBigEndian(input, frame.plainSize, 4);
    input.append(frame.payload);
    QByteArray plain = qUncompress(input);
    if (plain.isEmpty() && frame.plainSize != 0)
        return std::nullopt;
    return plain;
}

QByteArray serialisedData(const RawFrame &frame)
{
    QByteArray data;
    if (frame.compressed)
        appendBigEndian(data, frame.plainSize, 4);
    if (frame.encrypted)
        data.append(char(frame.method));
    if (frame.grouped)
        data.append(char(frame.group));
    data.append(frame.payload);
    return data;
}

Frame toFrame(const RawFrame &frame)
{
    const quint16 format = (frame.compressed ? 0x80 : 0) | (frame.encrypted ? 0x40 : 0)
                         | (frame.grouped ? 0x20 : 0);
    return Frame{frame.id, quint16(frame.status << 8 | format), serialisedData(frame)};
}

// ---- 2.3 form of the frames that are kept ------------------------------

// How the data of frames with an encoding byte is laid out, so that their
// strings can be re-encoded: 3 three raw bytes (a language), C one raw
// byte, Z a Latin-1 string with its terminator, S an encoded string with
// its terminator, J the encoded strings to the end joined by "/" (2.3 has
// one value per text frame), L the encoded strings to the end each
// terminated, B raw bytes to the end.
const char *layoutFor(const QByteArray &id)
{
    if (id == "TXXX")
        return "SJ";
    if (id == "IPLS")
        return "L";
    if (id.startsWith('T'))
        return "J";
    if (id == "WXXX")
        return "SB";
    if (id == "COMM" || id == "USLT")
        return "3SJ";
    if (id == "APIC")
        return "ZCSB";
    if (id == "GEOB")
        return "ZSSB";
    if (id == "USER")
        return "3J";
    return nullptr;
}

std::optional<QByteArray> reencoded(const char *layout, QByteArrayView data)
{
    struct Piece {
        char op;
        QByteArray raw;
        QStringList strings;
    };
    const quint8 encoding = uchar(data[0]);
    if (encoding > EncUtf8)
        return std::nullopt;
    QList<Piece> pieces;
    QStringList all;
    qsizetype at = 1;
    for (const char *op = layout; *op; ++op) {
        Piece piece{*op, {}, {}};
        switch (*op) {
        case '3':
        case 'C': {
            const qsizetype count = *op == '3' ? 3 : 1;
            if (at + count > data.size())
                return std::nullopt;
            piece.raw = data.sliced(at, count).toByteArray();
            at += count;
            break;
        }
        case 'Z': {
            const qsizetype end = data.indexOf('\0', at);
            if (end < 0)
                return std::nullopt;
            piece.raw = data.sliced(at, end + 1 - at).toByteArray();
            at = end + 1;
            break;
        }
        case 'S':
            piece.strings.append(readString(encoding, data, at));
            break;
        case 'J':
        case 'L':
            piece.strings = readStrings(encoding, data, at);
            at = data.size();
            break;
        default: // 'B'
            piece.raw = data.sliced(at).toByteArray();
            at = data.size();
            break;
        }
        all += piece.strings;
        pieces.append(piece);
    }
    // 8-bit text stays 8-bit; the rest becomes what 2.3 can hold.
    const quint8 target = encoding == EncLegacy ? EncLegacy : encodingFor(all);
    QByteArray out(1, char(target));
    for (const Piece &piece : pieces) {
        switch (piece.op) {
        case 'S':
            appendString(out, target, piece.strings.value(0), true);
            break;
        case 'J':
            appendString(out, target, piece.strings.join(u'/'), false);
            break;
        case 'L':
            for (const QString &text : piece.strings)
                appendString(out, target, text, true);
            break;
        default:
            out.append(piece.raw);
        }
    }
    return out;
}

// Frames whose meaning is tied to the layout of the 2.4 tag they were in.
bool isTiedToTagLayout(const QByteArray &id)
{
    return id == "SEEK" || id == "ASPI" || id == "SIGN";
}

std::optional<Frame> keptFrame(const RawFrame &frame, quint8 major)
{
    if (isTiedToTagLayout(frame.id))
        return std::nullopt;
    const char *layout = layoutFor(frame.id);
    if (!layout)
        return toFrame(frame);
    const std::optional<QByteArray> plain = plainPayload(frame);
    if (!plain || plain->isEmpty())
        return toFrame(frame);
    const quint8 encoding = uchar(plain->at(0));
    const bool severalValues = major == 4 && std::strchr(layout, 'J');
    if (encoding != EncUtf16BE && encoding != EncUtf8 && !severalValues)
        return toFrame(frame);
    const std::optional<QByteArray> data = reencoded(layout, *plain);
    if (!data)
        return toFrame(frame);
    RawFrame converted = frame;
    converted.compressed = false;
    converted.plainSize = 0;
    converted.payload = *data;
    return toFrame(converted);
}

Frame textFrame(const QByteArray &id, const QString &text)
{
    const quint8 encoding = encodingFor({text});
    QByteArray data(1, char(encoding));
    appendString(data, encoding, text, false);
    return Frame{id, 0, data};
}

// ---- the fields --------------------------------------------------------

constexpr quint32 idCode(const char *id)
{
    return quint32(uchar(id[0])) << 24 | quint32(uchar(id[1])) << 16 | quint32(uchar(id[2])) << 8
         | quint32(uchar(id[3]));
}

// The fields kept in text frames ("T..."), by the frame id's four bytes as
// a number, sorted for a binary search: every frame of a tag is looked up
// here, some twice.
struct TextFrameField {
    quint32 code;
    int field;
};

constexpr auto textFrameFields()
{
    constexpr int count = [] {
        int n = 0;
        for (const TagFieldRow &row : kTagFields)
            n += row.frame[0] == 'T';
        return n;
    }();
    std::array<TextFrameField, count> fields{};
    int at = 0;
    for (const TagFieldRow &row : kTagFields) {
        if (row.frame[0] != 'T')
            continue;
        fields[at++] = {idCode(row.frame), row.id3v2};
    }
    std::sort(fields.begin(), fields.end(),
              [](TextFrameField a, TextFrameField b) { return a.code < b.code; });
    return fields;
}

int fieldOfTextFrame(QByteArrayView id)
{
    static constexpr auto fields = textFrameFields();
    if (id.size() != 4)
        return -1;
    const quint32 code = bigEndian(id, 0, 4);
    const auto *at = std::lower_bound(fields.begin(), fields.end(), code,
                                      [](TextFrameField f, quint32 c) { return f.code < c; });
    return at != fields.end() && at->code == code ? at->field : -1;
}

// The id as bytes; the ids of the fields' frames come from static text, so
// reading a tag allocates nothing for them.
QByteArray frameIdBytes(QByteArrayView id)
{
    static const std::array<QByteArray, FieldCount> fieldIds = [] {
        std::array<QByteArray, FieldCount> ids;
        for (const TagFieldRow &row : kTagFields)
            ids[row.id3v2] = QByteArray::fromRawData(row.frame, 4);
        return ids;
    }();
    static const QByteArray otherIds[] = {QByteArrayLiteral("TDRC"), QByteArrayLiteral("TDOR")};
    const int field = fieldOfTextFrame(id);
    if (field >= 0)
        return fieldIds[field];
    for (const QByteArray &bytes : fieldIds)
        if (id == bytes)
            return bytes;
    for (const QByteArray &bytes : otherIds)
        if (id == bytes)
            return bytes;
    return id.toByteArray();
}

const char *frameIdOfField(int field)
{
    return tagFieldOf(Field(field)).frame;
}

std::optional<QStringList> textValues(const RawFrame &frame)
{
    const std::optional<QByteArray> plain = plainPayload(frame);
    if (!plain || plain->isEmpty() || uchar(plain->at(0)) > EncUtf8)
        return std::nullopt;
    return readStrings(uchar(plain->at(0)), *plain, 1);
}

// A comment, lyrics or link frame taken apart.
struct Described {
    qsizetype keptIndex = -1;
    QByteArray language;
    QString description;
    QString text;
};

std::optional<Described> describedText(const RawFrame &frame)
{
    const std::optional<QByteArray> plain = plainPayload(frame);
    if (!plain || plain->isEmpty())
        return std::nullopt;
    const quint8 encoding = uchar(plain->at(0));
    if (encoding > EncUtf8)
        return std::nullopt;
    Described result;
    qsizetype at = 1;
    if (frame.id != "WXXX") {
        if (plain->size() < 4)
            return std::nullopt;
        result.language = plain->mid(1, 3);
        at = 4;
    }
    result.description = readString(encoding, *plain, at);
    if (frame.id == "WXXX") {
        const QByteArrayView url = QByteArrayView(*plain).sliced(at);
        const qsizetype end = url.indexOf('\0');
        result.text = QString::fromLatin1(end < 0 ? url : url.first(end));
    } else {
        result.text = at < plain->size() ? readString(encoding, *plain, at) : QString();
    }
    return result;
}

// 2.4 dates are timestamps ("2004-05-12T10:20"); the year is their start.
QString yearOfTimestamp(const QString &timestamp)
{
    if (timestamp.size() > 4 && timestamp.first(4).toUInt() > 0 && !timestamp.at(4).isDigit())
        return timestamp.first(4);
    return timestamp;
}

bool hasFrame(const QList<RawFrame> &frames, const char *id)
{
    return std::any_of(frames.cbegin(), frames.cend(),
                       [id](const RawFrame &frame) { return frame.id == id; });
}

// Day, month and time of a 2.4 recording timestamp go to the 2.3 frames
// that hold them, so writing 2.3 loses no part of the date.
void appendDateFrames(QList<Frame> &out, const QString &timestamp, const QList<RawFrame> &frames)
{
    static const QRegularExpression date(
        QStringLiteral("^\\d{4}-(\\d\\d)-(\\d\\d)(?:T(\\d\\d):(\\d\\d))?"));
    const QRegularExpressionMatch match = date.match(timestamp);
    if (!match.hasMatch())
        return;
    if (!hasFrame(frames, "TDAT"))
        out.append(textFrame("TDAT", match.captured(2) + match.captured(1)));
    if (match.hasCaptured(3) && !hasFrame(frames, "TIME"))
        out.append(textFrame("TIME", match.captured(3) + match.captured(4)));
}

QString referenceName(const QString &reference)
{
    if (reference == u"RX")
        return QStringLiteral("Remix");
    if (reference == u"CR")
        return QStringLiteral("Cover");
    if (reference.isEmpty() || reference.size() > 3)
        return {};
    bool ok = false;
    const int index = reference.toInt(&ok);
    if (!ok || !std::all_of(reference.cbegin(), reference.cend(), [](QChar c) { return c.isDigit(); }))
        return {};
    return genreName(index);
}

} // namespace

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

namespace {

QList<RawFrame> readTagFrames(const TagHeader &header, BodySource &source, bool fieldsOnly,
                              bool &complete)
{
    const quint8 major = header.major;
    const bool unsynchronised = header.flags & 0x80;
    const bool extended = header.flags & 0x40;
    if (major == 2 && extended) { // 2.2 calls this bit compression and defines no scheme
        complete = false;
        return {};
    }
    if (major == 2 || (major == 3 && unsynchronised)) {
        // Before 2.4 the whole tag, frame headers included, is
        // unsynchronised, so it is read whole.
        QByteArray whole = source.read(0, source.size());
        if (unsynchronised)
            whole = undoUnsync(whole);
        if (major == 2)
            return readFramesV22(whole, complete);
        MemoryBody undone(whole);
        return readTagFrames(TagHeader{major, header.revision, quint8(header.flags & ~0x80),
                                       undone.size(), 0},
                             undone, fieldsOnly, complete);
    }
    qint64 start = 0;
    if (extended) {
        const QByteArray size = source.read(0, 4);
        // 2.3 counts the size without its own 4 bytes, 2.4 with them.
        start = size.size() < 4 ? -1
                : major == 3    ? qint64(bigEndian(size, 0, 4)) + 4
                                : qint64(syncsafe(size, 0));
        if (start < 4 || start > source.size()) {
            complete = false;
            return {};
        }
    }
    return readFrames(source, start, major, unsynchronised, fieldsOnly, complete);
}

TagContent contentOf(const TagHeader &header, BodySource &source, bool fieldsOnly)
{
    TagContent content;
    const quint8 major = header.major;
    if (major < 2 || major > 4) {
        content.complete = false;
        return content;
    }
    const QList<RawFrame> frames = readTagFrames(header, source, fieldsOnly, content.complete);

    std::array<std::optional<QStringList>, FieldCount> values;
    std::optional<QStringList> recorded;
    std::optional<QStringList> originallyReleased;
    QStringList people;
    QList<RawFrame> kept;
    QList<Described> comments;
    QList<Described> lyrics;
    QList<Described> links;
    for (const RawFrame &frame : std::as_const(frames)) {
        const int field = fieldOfTextFrame(frame.id);
        if (field >= 0 || frame.id == "TDRC" || frame.id == "TDOR" || frame.id == "TIPL"
            || frame.id == "TMCL") {
            const std::optional<QStringList> text = textValues(frame);
            if (!text) {
                kept.append(frame);
            } else if (field >= 0) {
                values[field] = *text; // a later frame of a kind replaces an earlier one
            } else if (frame.id == "TDRC") {
                recorded = *text;
            } else if (frame.id == "TDOR") {
                originallyReleased = *text;
            } else {
                people += *text;
            }
            continue;
        }
        QList<Described> *candidates = frame.id == "COMM" ? &comments
                                     : frame.id == "USLT" ? &lyrics
                                     : frame.id == "WXXX" ? &links
                                                          : nullptr;
        if (candidates) {
            if (std::optional<Described> described = describedText(frame)) {
                described->keptIndex = kept.size();
                candidates->append(*described);
            }
        }
        kept.append(frame);
    }

    // Of several frames the one without description carries the field,
    // else the first; the others stay as they are.
    QList<qsizetype> taken;
    auto choose = [&](const QList<Described> &candidates) -> std::optional<Described> {
        if (candidates.isEmpty())
            return std::nullopt;
        auto it = std::find_if(candidates.cbegin(), candidates.cend(),
                               [](const Described &d) { return d.description.isEmpty(); });
        const Described &chosen = it == candidates.cend() ? candidates.first() : *it;
        taken.append(chosen.keptIndex);
        return chosen;
    };
    if (const auto comment = choose(comments)) {
        content.fields[Comment] = comment->text;
        content.commentLanguage = comment->language;
        content.commentDescription = comment->description;
    }
    if (const auto text = choose(lyrics)) {
        content.fields[Lyrics] = text->text;
        content.lyricsLanguage = text->language;
        content.lyricsDescription = text->description;
    }
    if (const auto link = choose(links)) {
        content.fields[Link] = link->text;
        content.linkDescription = link->description;
    }

    for (int field = 0; field < FieldCount; ++field)
        if (values[field])
            content.fields[field] = values[field]->size() == 1 ? values[field]->first()
                                                                : values[field]->join(u'/');
    if (values[Genre])
        content.fields[Genre] = genreFromFrameText(*values[Genre]);
    if (!values[Year] && recorded && !recorded->isEmpty())
        content.fields[Year] = yearOfTimestamp(recorded->first());
    if (!values[OrigYear] && originallyReleased && !originallyReleased->isEmpty())
        content.fields[OrigYear] = yearOfTimestamp(originallyReleased->first());
    for (QString &text : content.fields)
        text = trimmedField(text);
    if (fieldsOnly)
        return content;

    for (qsizetype i = 0; i < kept.size(); ++i) {
        if (taken.contains(i))
            continue;
        if (std::optional<Frame> frame = keptFrame(kept[i], major))
            content.otherFrames.append(*frame);
    }
    if (!values[Year] && recorded && !recorded->isEmpty())
        appendDateFrames(content.otherFrames, recorded->first(), frames);
    if (!people.isEmpty()) {
        const quint8 encoding = encodingFor(people);
        QByteArray data(1, char(encoding));
        for (const QString &text : std::as_const(people))
            appendString(data, encoding, text, true);
        content.otherFrames.append(Frame{"IPLS", 0, data});
    }
    return content;
}

} // namespace

TagContent parseTag(const TagHeader &header, QByteArrayView body)
{
    MemoryBody source(body);
    return contentOf(header, source, false);
}

TagContent parseTagFields(const TagHeader &header, BodySource &body)
{
    return contentOf(header, body, true);
}

QByteArray buildFrames(const TagContent &content)
{
    QByteArray out;
    auto append = [&out](const QByteArray &id, quint16 flags, const QByteArray &data) {
        out.append(id);
        appendBigEndian(out, quint32(data.size()), 4);
        appendBigEndian(out, flags, 2);
        out.append(data);
    };
    for (int field = 0; field < FieldCount; ++field) {
        const QString &text = content.fields[field];
        if (text.isEmpty())
            continue;
        if (field == Comment || field == Lyrics) {
            const QByteArray &language = field == Comment ? content.commentLanguage
                                                          : content.lyricsLanguage;
            const QString &description = field == Comment ? content.commentDescription
                                                          : content.lyricsDescription;
            const quint8 encoding = encodingFor({description, text});
            QByteArray data(1, char(encoding));
            data.append(language.size() == 3 ? language : QByteArray("eng"));
            appendString(data, encoding, description, true);
            appendString(data, encoding, text, false);
            append(frameIdOfField(field), 0, data);
        } else if (field == Link) {
            const quint8 encoding = encodingFor({content.linkDescription});
            QByteArray data(1, char(encoding));
            appendString(data, encoding, content.linkDescription, true);
            data.append(urlBytes(text));
            append(frameIdOfField(field), 0, data);
        } else {
            const Frame frame = textFrame(frameIdOfField(field), text);
            append(frame.id, 0, frame.data);
        }
    }
    for (const Frame &frame : content.otherFrames)
        append(frame.id, frame.flags, frame.data);
    return out;
}

QByteArray buildTag(QByteArrayView frames, qint64 totalSize)
{
    if (totalSize < HeaderSize + frames.size() || totalSize - HeaderSize > MaxBodySize)
        return {};
    QByteArray tag("ID3\x03\x00\x00", 6);
    appendSyncsafe(tag, quint32(totalSize - HeaderSize));
    tag.append(frames);
    tag.append(QByteArray(totalSize - tag.size(), '\0'));
    return tag;
}

qint64 paddedTotalSize(qint64 framesSize)
{
    // At least a kilobyte to spare, rounded up to whole 4 KiB blocks.
    constexpr qint64 block = 4096;
    const qint64 wanted = HeaderSize + framesSize + 1024;
    return (wanted + block - 1) / block * block;
}

QString genreFromFrameText(const QStringList &values)
{
    QStringList names;
    for (const QString &value : values) {
        QString rest = trimmedField(value);
        QStringList references;
        while (rest.startsWith(u'(') && !rest.startsWith(u"((")) {
            const qsizetype close = rest.indexOf(u')');
            if (close < 0)
                break;
            const QString name = referenceName(rest.mid(1, close - 1));
            if (name.isEmpty())
                break;
            references.append(name);
            rest = rest.mid(close + 1);
        }
        if (rest.startsWith(u"(("))
            rest.remove(0, 1); // "((" escapes a text that starts with "("
        // Text after the references refines them and is what the user sees.
        if (!rest.isEmpty()) {
            const QString name = references.isEmpty() ? referenceName(rest) : QString();
            names.append(name.isEmpty() ? rest : name);
        } else {
            names += references;
        }
    }
    names.removeDuplicates();
    return names.join(u'/');
}

quint16 trackNumber(const QString &trackString)
{
    bool ok = false;
    QStringView number(trackString);
    const qsizetype slash = number.indexOf(u'/');
    if (slash >= 0)
        number = number.first(slash);
    const uint value = number.trimmed().toUInt(&ok);
    return ok && value <= 0xFFFF ? quint16(value) : 0;
}

} // namespace qm::id3v2
