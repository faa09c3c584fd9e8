#pragma once

// Picture changes that wait for the update: recorded on rows by the window's
// picture commands, written by the update together with the row's tag, as
// one change of the file.

#include "formats/filechange.h"
#include "formats/pictures.h"

#include <QHash>
#include <QList>
#include <QString>

namespace qm {

// The picture edits waiting for each file, by its path, in the order made.
using PendingPictures = QHash<QString, QList<pictures::PictureEdit>>;

// Adds `edits` to *change, the change planned for the row's tag of
// `fileName` (empty when the tag does not change): *change becomes the one
// change that gives the file both, planned on the file as it is now, its
// unchanged end (the audio) left out. An ID3v2 tag is rebuilt in
// `id3v2Version` (see FilePictures). False with the reason when the file
// cannot be read or its pictures cannot be written; *change is then as it
// was.
bool AddPictureEdits(FileChange *change, const QString &fileName,
                     const QList<pictures::PictureEdit> &edits, quint8 id3v2Version,
                     QString *reason);

} // namespace qm
