#pragma once

#include <QIcon>
#include <QString>

namespace qm {

// The icon of a command's icon name. A freedesktop name comes from the
// desktop's icon theme when it has one, else from the bundled set drawn for
// the program; a name of the program's own ("quillmark-...") says something no
// theme knows (which tag a button writes, which view it shows), so it always
// comes from the bundled set. Null for an empty name.
QIcon commandIcon(const QString &name);

// `base` with the small mark of the ID3v1 (1) or ID3v2 (2) tag in its lower
// right corner; `base` itself for any other tag.
QIcon withTagMark(const QIcon &base, int tag);

// A badge with a few letters, for the paste-from-column commands whose
// column codes are their clearest picture. Drawn at whatever size and pixel
// ratio it is shown at.
QIcon badgeIcon(const QString &text);

} // namespace qm
