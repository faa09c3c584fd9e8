#include "player/playercontrol.h"

#include "lists/listfile.h"

#include <QCoreApplication>

namespace qm {

QString PlayerNotFoundText()
{
    return QCoreApplication::translate("qm::PlayerControl", "Проигрыватель не найден");
}

bool WritePlayList(const QList<PlayListEntry> &entries, const QString &path)
{
    QStringList lines{QStringLiteral("#EXTM3U")};
    for (const PlayListEntry &entry : entries) {
        lines.append(QStringLiteral("#EXTINF:%1,").arg(entry.seconds < 0 ? -1 : entry.seconds)
                     + entry.title);
        lines.append(entry.path);
    }
    return WriteListFile(path, lines);
}

} // namespace qm
