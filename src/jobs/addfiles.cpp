#include "jobs/addfiles.h"

#include "jobs/fileops.h"
#include "jobs/jobrunner.h"
#include "table/rowtable.h"

#include <QFileInfo>

namespace qm {

std::pair<QString, QString> FileRowNames(const QString &path)
{
    // Split at the last "/" of the absolute name, so "." and ".." name the
    // folder they stand for rather than becoming names of their own.
    const QString absolute = QFileInfo(path).absoluteFilePath();
    const qsizetype slash = absolute.lastIndexOf(QLatin1Char('/'));
    return {absolute.left(slash + 1), absolute.mid(slash + 1)};
}

int AppendFileRow(RowTable &table, const QString &path)
{
    const auto [dir, name] = FileRowNames(path);
    return table.appendFileRow(dir, name);
}

int AddChosenFiles(RowTable &table, const QStringList &paths, JobRunner *status)
{
    int added = 0;
    for (const QString &path : paths) {
        if (path.isEmpty())
            continue;
        AppendFileRow(table, path);
        ++added;
        if (status)
            status->setStatus(StatusText(StatusPhrase::AddedFiles(), added, paths.size()));
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
        if (FolderExists(path)) {
            folders.append(path);
            continue;
        }
        AppendFileRow(table, path);
        ++added;
        if (status)
            status->setStatus(StatusText(StatusPhrase::AddedFiles(), added));
    }
    return folders;
}

} // namespace qm
