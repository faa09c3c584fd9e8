#pragma once

// The rules of the cell box for typing into a single cell.

#include "table/columns.h"

#include <QChar>
#include <QString>
#include <QStringList>

namespace qm {

// The length limit of the cell box (0: none): in the ID3v1 view 30 for Tit,
// Art, Alb, 4 for Yea, 30 for Com (28 when the row has a track number); in
// the file-information view 8 for Dur.
int cellLengthLimit(FieldNumber field, bool id3v1View, bool fileInfoView, const QString &trackCell);
// The ID3v1 track: a text that is not a whole number becomes empty, 256 and
// above becomes "255".
QString normalizedId3v1Track(const QString &text);
// Keys the cell box takes in number columns (Backspace always passes).
bool cellAcceptsChar(FieldNumber field, bool id3v1View, QChar typed);
// The genre item a cell's text selects (ignoring case), or -1.
int genreItemIndex(const QStringList &items, const QString &text);

} // namespace qm
