#pragma once

// The Vorbis comment block that FLAC, Ogg Vorbis and Opus files keep their
// tags in, and the FLAC picture block that also travels inside it
// (METADATA_BLOCK_PICTURE, base64). Pure functions on bytes.

#include "formats/nativetag.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace qm::vorbis {

// A comment block as stored: the entries keep their bytes, so the ones
// nobody edits are written back exactly as they were.
struct Comment {
    QByteArray vendor;         // UTF-8
    QList<QByteArray> entries; // "NAME=value", UTF-8, in file order
    bool operator==(const Comment &) const = default;
};

// Parses a block from the start of `bytes` (vendor, count, entries; no
// framing bit); *used gets the bytes it took. False with the reason when the
// block runs past the bytes.
bool parseComment(QByteArrayView bytes, Comment *comment, qsizetype *used, Fault *fault);
QByteArray buildComment(const Comment &comment);

// An entry's name in upper case, and its value; an entry without "=" has an
// empty name and is never taken for a field.
QByteArray entryName(QByteArrayView entry);
QString entryValue(QByteArrayView entry);
// The values of the entries of this name (case-insensitive), in order.
QStringList values(const Comment &comment, QByteArrayView name);

// The table's fields by the mapping in vorbisfields.h.
TagFields readFields(const Comment &comment);
// Gives a field a new text (trimmed as the ID3 setters trim). A text equal
// to the one read changes nothing; otherwise the field's entries make room
// for one entry with the text, where the first of them stood (at the end
// when there was none); an empty text removes them, under every name the
// field is read from.
void setField(Comment &comment, id3v2::Field field, const QString &text);

// A FLAC picture block.
struct Picture {
    quint32 type = 3; // 3: the front cover
    QByteArray mime;
    QString description;
    quint32 width = 0;
    quint32 height = 0;
    quint32 depth = 0;
    quint32 colors = 0;
    QByteArray data;
    bool operator==(const Picture &) const = default;
};

bool parsePicture(QByteArrayView block, Picture *picture, Fault *fault);
QByteArray buildPicture(const Picture &picture);
// The pictures in METADATA_BLOCK_PICTURE entries; entries that do not decode
// are left out.
QList<Picture> pictures(const Comment &comment);

} // namespace qm::vorbis
