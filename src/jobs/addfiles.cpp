#include "jobs/addfiles.h"

#include "jobs/jobrunner.h"
#include "table/rowtable.h"

#include <QFileInfo>

namespace qm {

namespace {

void appendFile(RowTable &table, const QString &path)
{
    const QFileInfo info(path);
    QString folder = info.absolutePath();
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    table.appendFileRow(folder, info.fileName());
}

} // namespace

int AddChosenFiles(RowTable &table, const QStringList &paths, JobRunner *status)
{
    int added = 0;
    for (const QString &path : paths) {
        if (path.isEmpty())
            continue;
        appendFile(table, path);
        ++added;
        if (status)
            status->setStatus(StatusText(StatusPhrase::AddedFiles, added, paths.size()));
    }
    return added;
}

QStringList AddDroppedPaths(RowTable &table, const QStringList &paths, JobRunner *status)
{
    QStringList folders;
    int added = 0;
    for (const QString &path : paths) {
        if (path.isEmpty())
            continue;
        if (QFileInfo(path).isDir()) {
            folders.append(path);
            continue;
        }
        appendFile(table, path);
        ++added;
        if (status)
            status->setStatus(StatusText(StatusPhrase::AddedFiles, added));
    }
    return folders;
}

} // namespace qm
