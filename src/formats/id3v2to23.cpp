#include "formats/id3v2to23.h"

#include "formats/id3v2encoding.h"
#include "formats/id3v2synchdata.h"

#include <QRegularExpression>
#include <QStringList>

#include <algorithm>
#include <cstring>

namespace qm::id3v2 {

// 2.2 ids and their 2.3 names, those of the standard and those iTunes added
// (grouping, movement, podcast frames), as TagLib and mutagen convert them;
// 2.2 frames without one cannot be written.
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
        {"TS2", "TSO2"}, {"TSC", "TSOC"}, {"GP1", "GRP1"}, {"MVN", "MVNM"}, {"MVI", "MVIN"},
        {"TDS", "TDES"}, {"WFD", "WFED"}, {"PCS", "PCST"}, {"TID", "TGID"},
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

namespace {

QByteArray serialisedData(const RawFrame &frame)
{
    // Most frames add nothing to their payload, which is then shared.
    if (!frame.compressed && !frame.encrypted && !frame.grouped)
        return frame.payload;
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
    const quint16 format =
        (frame.compressed ? 0x80 : 0) | (frame.encrypted ? 0x40 : 0) | (frame.grouped ? 0x20 : 0);
    return Frame{frame.id, quint16(frame.status << 8 | format), serialisedData(frame)};
}

// ---- 2.3 form of the frames that are kept ------------------------------

// How the data of frames with an encoding byte is laid out, so that their
// strings can be re-encoded: 3 three raw bytes (a language), C one raw
// byte, Z a Latin-1 string with its terminator, S an encoded string with
// its terminator, J the encoded strings to the end joined by "/" (2.3 has
// one value per text frame), L the encoded strings to the end each
// terminated, B raw bytes to the end.
// A four-character id as one number, so that it is told with one compare
// (every frame kept on a write goes through here); 0 for any other length.
constexpr quint32 idNumber(const char (&id)[5])
{
    return quint32(uchar(id[0])) << 24 | quint32(uchar(id[1])) << 16 | quint32(uchar(id[2])) << 8
           | quint32(uchar(id[3]));
}

quint32 idNumber(const QByteArray &id) { return id.size() == 4 ? bigEndian(id, 0, 4) : 0; }

const char *layoutFor(const QByteArray &id)
{
    const quint32 number = idNumber(id);
    switch (number) {
    case idNumber("TXXX"):
        return "SJ";
    case idNumber("IPLS"):
        return "L";
    case idNumber("WXXX"):
        return "SB";
    case idNumber("COMM"):
    case idNumber("USLT"):
        return "3SJ";
    case idNumber("APIC"):
        return "ZCSB";
    case idNumber("GEOB"):
        return "ZSSB";
    case idNumber("USER"):
        return "3J";
    default:
        break;
    }
    if (id.startsWith('T'))
        return "J";
    return nullptr;
}

// `genre`: the strings are a TCON's values. 2.3 has no numbers among
// names, so several values go as the names they stand for ("17" and "RX"
// joined as they are would read as text, not as Rock and Remix).
std::optional<QByteArray> reencoded(const char *layout, QByteArrayView data, bool genre)
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
            appendString(out, target,
                         genre && piece.strings.size() > 1 ? genreFromFrameText(piece.strings)
                                                           : piece.strings.join(u'/'),
                         false);
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
    const quint32 number = idNumber(id);
    return number == idNumber("SEEK") || number == idNumber("ASPI") || number == idNumber("SIGN");
}

bool hasFrame(const QList<RawFrame> &frames, const char *id)
{
    return std::any_of(frames.cbegin(), frames.cend(),
                       [id](const RawFrame &frame) { return frame.id == id; });
}

} // namespace

std::optional<QByteArray> chapterForVersion(const QByteArray &id, QByteArrayView data,
                                            quint8 fromMajor, quint8 toMajor)
{
    const bool chapter = id == "CHAP", contents = id == "CTOC";
    if ((!chapter && !contents) || (fromMajor == 4) == (toMajor == 4))
        return std::nullopt;
    // The embedded frames follow the element id and the times of a chapter,
    // or the element id, flags, count and child ids of a table of contents.
    qsizetype at = data.indexOf('\0') + 1;
    if (at == 0)
        return std::nullopt;
    if (chapter) {
        at += 16;
    } else if (at + 2 <= data.size()) {
        const int children = uchar(data[at + 1]);
        at += 2;
        for (int i = 0; i < children && at > 0; ++i)
            at = data.indexOf('\0', at) + 1;
        if (at == 0)
            return std::nullopt;
    }
    if (at > data.size())
        return std::nullopt;
    QByteArray out = data.first(at).toByteArray();
    while (at < data.size()) {
        if (data[at] == '\0') { // padding, kept as it is
            out.append(data.sliced(at));
            break;
        }
        if (at + HeaderSize > data.size() || (fromMajor == 4 && !isSyncsafe(data, at + 4)))
            return std::nullopt;
        const quint32 size = fromMajor == 4 ? syncsafe(data, at + 4) : bigEndian(data, at + 4, 4);
        // Flags mean other bytes in each version; embedded frames hardly
        // have any, and one that does stays as it was.
        if (bigEndian(data, at + 8, 2) != 0 || size > data.size() - at - HeaderSize)
            return std::nullopt;
        // Sizes of the other version's form put the walk among the data.
        const QByteArrayView frameId = data.sliced(at, 4);
        if (!std::all_of(frameId.begin(), frameId.end(),
                         [](char c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); }))
            return std::nullopt;
        RawFrame embedded;
        embedded.id = frameId.toByteArray();
        embedded.payload = data.sliced(at + HeaderSize, size).toByteArray();
        at += HeaderSize + size;
        if (toMajor == 4) {
            out.append(embedded.id);
            appendSyncsafe(out, size);
            appendBigEndian(out, 0, 2);
            out.append(embedded.payload);
        } else if (const std::optional<Frame> frame = keptFrame(embedded, fromMajor)) {
            out.append(frame->id);
            appendBigEndian(out, quint32(frame->data.size()), 4);
            appendBigEndian(out, frame->flags, 2);
            out.append(frame->data);
        }
    }
    return out;
}

std::optional<Frame> keptFrame(const RawFrame &frame, quint8 major)
{
    if (isTiedToTagLayout(frame.id))
        return std::nullopt;
    if (!frame.compressed && !frame.encrypted)
        if (const auto data = chapterForVersion(frame.id, frame.payload, major, 3)) {
            RawFrame converted = frame;
            converted.payload = *data;
            return toFrame(converted);
        }
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
    const std::optional<QByteArray> data = reencoded(layout, *plain, frame.id == "TCON");
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

} // namespace qm::id3v2
