#pragma once

// The pictures a file carries, format by format: the APIC frames of an
// ID3v2 tag, the PICTURE blocks of a FLAC file and the
// METADATA_BLOCK_PICTURE entries of a Vorbis comment (FLAC, Ogg Vorbis,
// Opus). Bytes in, bytes out: a picture nobody edits keeps its bytes, and so
// does everything around it.

#include "formats/flacmeta.h"
#include "formats/id3v2frames.h"
#include "formats/vorbiscomment.h"

#include <QList>

namespace qm::pictures {

using Picture = vorbis::Picture;

// The picture types of ID3v2 and FLAC share their numbers.
constexpr quint32 kFrontCover = 3;
constexpr quint32 kLastType = 20;

// One command's change of a file's pictures.
struct PictureEdit {
    enum Kind { Set, ReplaceIndex, RemoveIndex, RemoveType, RemoveAll };
    Kind kind = Set;
    // Set: the new picture takes the place of the first picture of its
    // type, and the others of that type go; without one it comes last.
    // ReplaceIndex: it takes the place of the picture at `index`.
    Picture picture;
    int index = 0;              // ReplaceIndex, RemoveIndex: 0 is the first picture
    quint32 type = kFrontCover; // RemoveType
};

// Which of a file's pictures (their types, in file order) stay, and where
// the new one goes: before the old picture of that index, at the end when
// it is the count, nowhere when -1.
struct EditPlan {
    QList<bool> keep;
    qsizetype insertAt = -1;
    bool changes() const { return insertAt >= 0 || keep.contains(false); }
};
EditPlan planEdit(const QList<quint32> &types, const PictureEdit &edit);

// An APIC frame's data (2.3 form, as a tag's content holds it) and back;
// false when the data does not hold a picture.
bool parseApic(QByteArrayView data, Picture *picture);
QByteArray buildApic(const Picture &picture);

// The pictures of a parsed tag, in frame order; a frame whose data cannot
// be read (encrypted) is listed with its type and no data.
QList<Picture> id3v2Pictures(const id3v2::TagContent &content);
// False when the edit changes nothing; the frames that stay keep their
// bytes and their places.
bool editId3v2(id3v2::TagContent &content, const PictureEdit &edit);

// The METADATA_BLOCK_PICTURE entries that decode (vorbis::pictures), and
// the edit over them; entries that do not decode stay as they are.
bool editComment(vorbis::Comment &comment, const PictureEdit &edit);

// A FLAC file's pictures: its PICTURE blocks, then the pictures of its
// comment. The edit gives the blocks (padding left out) the file is to
// have, the comment block among them; a new picture goes into a block.
QList<Picture> flacPictures(const flac::Metadata &meta);
bool editFlac(const flac::Metadata &meta, const PictureEdit &edit, QList<flac::Block> *blocks);

// A type's name in English ("Front cover"); the window translates it.
const char *typeName(quint32 type);

} // namespace qm::pictures
