#include "player/playercontrol.h"

#include "lists/listfile.h"
#include "lists/m3u.h"

#include <QCoreApplication>

namespace qm {

QString PlayerNotFoundText()
{
    return QCoreApplication::translate("qm::PlayerControl", "Проигрыватель не найден");
}

QString PlayerRefusedText()
{
    return QCoreApplication::translate("qm::PlayerControl", "Проигрыватель не выполнил команду");
}

QStringList PlayListLines(const QList<PlayListEntry> &entries)
{
    QStringList lines{QStringLiteral("#EXTM3U")};
    for (const PlayListEntry &entry : entries) {
        lines.append(QStringLiteral("#EXTINF:%1,").arg(entry.seconds < 0 ? -1 : entry.seconds)
                     + SingleLine(entry.title));
        lines.append(M3uPathLine(entry.path));
    }
    return lines;
}

bool WritePlayList(const QList<PlayListEntry> &entries, const QString &path)
{
    return WriteListFile(path, PlayListLines(entries));
}

} // namespace qm
