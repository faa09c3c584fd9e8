#pragma once

// The text encodings of ID3v2 frames: the encoding byte, terminated
// strings in each encoding, and the encoding a 2.3 tag is written in.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QVarLengthArray>
#include <QtGlobal>

namespace qm::id3v2 {

constexpr quint8 EncLegacy = 0;
constexpr quint8 EncUtf16Bom = 1;
constexpr quint8 EncUtf16BE = 2;
constexpr quint8 EncUtf8 = 3;

// Room for the UTF-16 texts of one tag, so that they take no heap block
// each: while a TextRoom lives, texts of that encoding decoded on its thread
// go into its units and come back as views of them (QString::fromRawData),
// valid while the units are not written again. For readers that copy the
// texts at once (into cells); a text the room has no space for is a string
// of its own, as without a room.
class TextRoom {
public:
    TextRoom(char16_t *units, qsizetype capacity);
    ~TextRoom();
    TextRoom(const TextRoom &) = delete;
    TextRoom &operator=(const TextRoom &) = delete;
    // `count` units of the open room, or null.
    static char16_t *take(qsizetype count);

private:
    char16_t *units_;
    qsizetype capacity_;
    qsizetype used_ = 0;
    TextRoom *previous_;
};

// Reads one terminated string at `at` and moves past its terminator.
QString readString(quint8 encoding, QByteArrayView data, qsizetype &at);
// All strings from `at` to the end; empty ones are dropped.
QStringList readStrings(quint8 encoding, QByteArrayView data, qsizetype at);
// A frame's values, held in place: most frames have one.
using TextValues = QVarLengthArray<QString, 2>;
// The same, appended to `values`.
void readStrings(quint8 encoding, QByteArrayView data, qsizetype at, TextValues &values);

// The encoding the texts are written in: 0 for plain ASCII, else UTF-16.
quint8 encodingFor(const QStringList &texts);
// Encodings 0 (the legacy code page), 1 (UTF-16 with its mark) and 3 (UTF-8).
void appendString(QByteArray &out, quint8 encoding, const QString &text, bool terminated);
// A URL as the bytes of a link frame.
QByteArray urlBytes(const QString &url);

} // namespace qm::id3v2
