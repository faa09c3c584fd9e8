#include "formats/id3v2encoding.h"

#include "formats/codepage.h"

#include <algorithm>

namespace qm::id3v2 {
namespace {

thread_local TextRoom *openRoom = nullptr;

} // namespace

TextRoom::TextRoom(char16_t *units, qsizetype capacity)
    : units_(units), capacity_(capacity), previous_(openRoom)
{
    openRoom = this;
}

TextRoom::~TextRoom() { openRoom = previous_; }

char16_t *TextRoom::take(qsizetype count)
{
    TextRoom *room = openRoom;
    if (!room || count <= 0 || count > room->capacity_ - room->used_)
        return nullptr;
    char16_t *units = room->units_ + room->used_;
    room->used_ += count;
    return units;
}

namespace {

bool isWide(quint8 encoding) { return encoding == EncUtf16Bom || encoding == EncUtf16BE; }

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
    // Filled in place (in an open room when there is one): a text is
    // decoded for every frame of every file read.
    const qsizetype count = (bytes.size() - at) / 2;
    char16_t *const room = TextRoom::take(count);
    QString text;
    if (!room)
        text = QString(count, Qt::Uninitialized);
    const uchar *from = reinterpret_cast<const uchar *>(bytes.data()) + at;
    char16_t *to = room ? room : reinterpret_cast<char16_t *>(text.data());
    for (qsizetype i = 0; i < count; ++i, from += 2)
        to[i] = big ? char16_t(from[0] << 8 | from[1]) : char16_t(from[1] << 8 | from[0]);
    return room ? QString::fromRawData(reinterpret_cast<const QChar *>(room), count) : text;
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

int terminatorSize(quint8 encoding) { return isWide(encoding) ? 2 : 1; }

} // namespace

// Reads one terminated string at `at` and moves past its terminator.
QString readString(quint8 encoding, QByteArrayView data, qsizetype &at)
{
    const qsizetype end = terminatorAt(encoding, data, at);
    QString text = decodeString(encoding, data.sliced(at, end - at));
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

void readStrings(quint8 encoding, QByteArrayView data, qsizetype at, TextValues &values)
{
    while (at < data.size()) {
        QString text = readString(encoding, data, at);
        if (!text.isEmpty())
            values.append(std::move(text));
    }
}

namespace {

bool isAscii(const QString &text)
{
    return std::all_of(text.cbegin(), text.cend(), [](QChar ch) { return ch.unicode() < 0x80; });
}

} // namespace

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
    } else if (encoding == EncUtf8) {
        out.append(text.toUtf8());
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

} // namespace qm::id3v2
