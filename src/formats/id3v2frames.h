#pragma once

// The byte-level half of the ID3v2 tag: parsing a tag from bytes and
// building a 2.3 tag from fields, as pure functions. TID3v2 wraps them in
// thin file I/O, and the fuzz target feeds them directly.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QtGlobal>

#include <array>

namespace qm::id3v2 {

constexpr qint64 HeaderSize = 10;
// The size field holds 28 bits.
constexpr qint64 MaxBodySize = (qint64(1) << 28) - 1;

enum class HeaderKind {
    None,    // the bytes do not start with "ID3"
    Garbage, // "ID3" followed by bytes no real tag has (size bytes not syncsafe)
    Tag,
};

struct TagHeader {
    quint8 major = 0;
    quint8 revision = 0;
    quint8 flags = 0;
    qint64 bodySize = 0;  // bytes after the 10-byte header, footer excluded
    qint64 totalSize = 0; // header, body and footer
};

HeaderKind parseHeader(QByteArrayView bytes, TagHeader &header);
// Where the header announces a footer, whether it is there: `atFooter` holds
// the bytes that follow the body. Without "3DI" there, those bytes are the
// file's (its audio, most often) and the tag ends with its body.
void settleFooter(TagHeader &header, QByteArrayView atFooter);
inline bool announcesFooter(const TagHeader &header)
{
    return header.totalSize > HeaderSize + header.bodySize;
}

// The fields in the order their frames are written.
enum Field {
    Title,
    Artist,
    Album,
    TrackString,
    Year,
    Genre,
    Comment,
    Composer,
    Encoder,
    Copyright,
    Language,
    Link,
    OrigYear,
    OrigArtist,
    OrigTitle,
    OrigAlbum,
    Lyrics,
    FieldCount
};

// What keeps a tag from being rewritten: bytes that were not understood.
enum class Damage {
    None,
    UnknownVersion,        // a major version other than 2, 3 and 4
    BeyondFile,            // the tag claims more bytes than the file has
    FrameBeyondEnd,        // a frame runs past the tag's end
    Garbage,               // bytes that are neither frames nor padding
    MissingExtendedHeader, // the flag announces one, the frames follow at once
    BadExtendedHeader,     // an extended header bigger than the tag
    OldFrameIds,           // 2.2 frame ids in a 2.3 or 2.4 tag
    UnreadableFrame,       // a frame's flags ask for bytes or sizes it lacks
    CompressedTag,         // 2.2 compression, for which no scheme exists
};

// Notes the first damage found.
inline void noteDamage(Damage &damage, Damage found)
{
    if (damage == Damage::None)
        damage = found;
}

// A frame as written to a 2.3 tag: id, two flag bytes and data that already
// holds whatever the flags add (decompressed size, method, group).
struct Frame {
    QByteArray id;
    quint16 flags = 0;
    QByteArray data;
};

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
    // A 2.4 frame that carried its data length in front of the data.
    bool lengthIndicator = false;
    // The field of a text frame (fieldOfTextFrame of the id) as the frame
    // walk found it, or -1: the id is looked up once.
    int textField = -1;
    QByteArray payload;
};

struct TagContent {
    std::array<QString, FieldCount> fields;
    // Where the comment, lyrics and link came from, so that writing them back
    // keeps the language and description they had.
    QByteArray commentLanguage = QByteArrayLiteral("eng");
    QString commentDescription;
    QByteArray lyricsLanguage = QByteArrayLiteral("eng");
    QString lyricsDescription;
    QString linkDescription;
    // The frames each field was read from, in 2.3 form: while the field keeps
    // the text read, they are written back as they were, so a write never
    // re-encodes (or merges) what nobody edited. Empty for a field read from
    // a frame 2.3 does not have (a 2.4 date).
    std::array<QList<Frame>, FieldCount> fieldFrames;
    // Every frame that carries none of the fields, converted to 2.3 form.
    QList<Frame> otherFrames;
    // The version the tag was read from, and its frames as read: those each
    // field was read from (a 2.4 date frame included) and the others, for a
    // write in version 2.4, which keeps them in their own form.
    quint8 major = 0;
    std::array<QList<RawFrame>, FieldCount> fieldSources;
    QList<RawFrame> otherSources;
    // The fields given a text other than the one read.
    std::array<bool, FieldCount> edited{};
    // Why some bytes of the tag were not understood (the first reason
    // found); a tag rebuilt from such content would lose them. The frames
    // that could be read are there all the same.
    Damage damage = Damage::None;
};

// The bytes of a tag body, read on demand: walking the frames asks for
// their headers and only the data it needs, so a big picture is never read
// just to learn the title.
class BodySource {
public:
    virtual ~BodySource() = default;
    virtual qint64 size() const = 0;
    // `length` bytes at `at`; fewer only where the body ends or cannot be read.
    virtual QByteArray read(qint64 at, qint64 length) = 0;
    // The same without a copy, valid while the source lives, from a source
    // that holds its bytes; empty from one that reads them.
    virtual QByteArrayView held(qint64 /*at*/, qint64 /*length*/) { return {}; }
};

// Parses the tag body (the bytes after the header, body size long or
// shorter when truncated). Unknown major versions give empty content.
TagContent parseTag(const TagHeader &header, QByteArrayView body);
// The same keeping only the frames a write of version `writtenMajor` (3 or
// 4) builds from: the 2.3 forms, or the frames as read.
TagContent parseTagFor(const TagHeader &header, QByteArrayView body, quint8 writtenMajor);
// The same for the fields alone: otherFrames stays empty and the data of
// frames without a field is not read.
TagContent parseTagFields(const TagHeader &header, BodySource &body);

// Gives a field the text to write; a text other than the one read replaces
// the frames it was read from.
void setField(TagContent &content, Field field, const QString &text);

// The frames of a tag of version `major` (3 or 4): the fields' frames in
// field order, then the other frames. Empty fields get no frame.
QByteArray buildFrames(const TagContent &content, quint8 major = 3);
// A whole tag of version `major` of exactly totalSize bytes (the rest is
// padding); empty when the frames do not fit or the size cannot be
// expressed.
QByteArray buildTag(QByteArrayView frames, qint64 totalSize, quint8 major = 3);
// The total size a rewritten tag gets: room to spare for the next edit.
qint64 paddedTotalSize(qint64 framesSize);

// Numeric genre references ("(17)", "17", "(17)Rock", "(RX)", "(CR)") as
// the genre names they stand for.
QString genreFromFrameText(const QStringList &values);
// The same for `count` values held elsewhere.
QString genreFromValues(const QString *values, qsizetype count);

// A field's text without the characters of code 32 or less at both ends.
QString trimmedField(const QString &value);

// The value of a TRCK text up to its first "/" as a number; 0 when that is
// no number.
quint16 trackNumber(const QString &trackString);

} // namespace qm::id3v2
