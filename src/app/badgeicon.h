#pragma once

#include <QIcon>
#include <QString>

namespace qm {

// A small badge with a few letters, for commands that the icon theme and the
// style have nothing distinct for (views, paste-from-column codes).
QIcon badgeIcon(const QString &text);

} // namespace qm
