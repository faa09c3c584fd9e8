#pragma once

// Frames read from any version in the form a 2.3 tag writes them: 2.2 ids
// and pictures, 2.4 flags, encodings and several values, 2.4 dates.

#include "formats/id3v2framewalk.h"
#include "formats/id3v2frames.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <optional>

namespace qm::id3v2 {

// The 2.3 id of a 2.2 frame; empty for one that 2.3 does not have.
QByteArray v23IdFor(QByteArrayView id22);
// The data of a 2.2 picture as a 2.3 picture's.
QByteArray pictureFromV22(QByteArrayView data);

// A frame that carries no field as it is kept in a 2.3 tag; nothing for a
// frame that only makes sense in its own tag's layout.
std::optional<Frame> keptFrame(const RawFrame &frame, quint8 major);
// The data of a chapter frame (CHAP, CTOC) of a tag of version `fromMajor`
// with its embedded frames in the form of version `toMajor`: their sizes
// (syncsafe in 2.4 only) and, going to 2.3, their encodings. Nothing for
// another frame, the same version, or embedded frames that cannot be read,
// which then stay as they are.
std::optional<QByteArray> chapterForVersion(const QByteArray &id, QByteArrayView data,
                                            quint8 fromMajor, quint8 toMajor);
// A text frame holding one text.
Frame textFrame(const QByteArray &id, const QString &text);
// The TDAT and TIME frames of a 2.4 recording timestamp, where `frames`
// has none.
void appendDateFrames(QList<Frame> &out, const QString &timestamp, const QList<RawFrame> &frames);

} // namespace qm::id3v2
