#pragma once

// Which frames hold the fields of a tag.

#include <QByteArray>
#include <QByteArrayView>

namespace qm::id3v2 {

// The field of a text frame ("T..."), or -1.
int fieldOfTextFrame(QByteArrayView id);
// Frames whose data the fields are made of.
bool carriesField(QByteArrayView id);
// The same two for an id whose fieldOfTextFrame is known: a frame walk
// looks each id up once.
bool carriesField(QByteArrayView id, int field);
QByteArray frameIdBytes(QByteArrayView id, int field);
// The id as bytes, shared for the frames of the fields.
QByteArray frameIdBytes(QByteArrayView id);
// The 2.3 frame a field is written to.
const char *frameIdOfField(int field);

} // namespace qm::id3v2
