#include "jobs/writeplan.h"

#include "jobs/fileops.h"
#include "jobs/folderplan.h"
#include "jobs/writejob.h"

#include <QDir>
#include <QSet>

namespace qm {

QString OperationName(PlannedOperation::Kind kind)
{
    switch (kind) {
    case PlannedOperation::Rename:
        return QStringLiteral("rename");
    case PlannedOperation::Move:
        return QStringLiteral("move");
    case PlannedOperation::Copy:
        return QStringLiteral("copy");
    case PlannedOperation::Companion:
        return QStringLiteral("companion");
    case PlannedOperation::CompanionLeft:
        return QStringLiteral("companion-left");
    case PlannedOperation::CueRewrite:
        return QStringLiteral("cue-rewrite");
    case PlannedOperation::ListRewrite:
        return QStringLiteral("playlist-rewrite");
    case PlannedOperation::MakeFolder:
        return QStringLiteral("mkdir");
    case PlannedOperation::RemoveFolder:
        return QStringLiteral("rmdir");
    }
    return {};
}

std::vector<PlannedOperation> PlanUpdate(const RowTable &table, int first, int last,
                                         const WriteSettings &settings, bool createFolders)
{
    std::vector<PlannedOperation> plan;
    QSet<QString> tableFiles;
    const QString root = tableFolders(table, &tableFiles);
    QSet<QString> madeFolders, targets;
    std::vector<FileMove> moves;
    first = std::max(first, 1);
    last = std::min(last, table.lastFileRow());
    for (int row = first; row <= last; ++row) {
        Row cells = table.row(row);
        const RenameTarget target = RenameTargetOf(cells);
        if (target.failed || target.newFolder.isEmpty() || target.oldPath == target.newPath
            || !FileExists(target.oldPath))
            continue;
        const QString folder = QDir::cleanPath(target.newFolder);
        QStringList missing;
        for (QString at = folder; !FolderExists(at) && !madeFolders.contains(at);) {
            missing.prepend(at);
            const qsizetype slash = at.lastIndexOf(QLatin1Char('/'));
            if (slash <= 0)
                break;
            at = at.left(slash);
        }
        if (!missing.isEmpty() && !createFolders)
            continue;
        for (const QString &made : std::as_const(missing)) {
            madeFolders.insert(made);
            plan.push_back({PlannedOperation::MakeFolder, made, {}, {}});
        }
        const QString from = QDir::cleanPath(target.oldPath);
        const QString to = QDir::cleanPath(target.newPath);
        // A name an earlier row takes is not free for this one.
        if (targets.contains(to))
            continue;
        targets.insert(to);
        const auto kind = !settings.MoveFiles                      ? PlannedOperation::Copy
                          : FolderOfFile(from) != FolderOfFile(to) ? PlannedOperation::Move
                                                                   : PlannedOperation::Rename;
        plan.push_back({kind, from, to, {}});
        if (settings.MoveFiles)
            moves.push_back({from, to});
    }
    QSet<QString> gone;
    QStringList sources;
    for (const FileMove &move : moves) {
        gone.insert(move.from);
        sources.append(FolderOfFile(move.from));
    }
    if (settings.MoveFiles && settings.MoveCompanions) {
        for (const CompanionMove &companion :
             PlanCompanions(moves, tableFiles, settings.CompanionPatterns)) {
            if (!companion.left.isEmpty()) {
                plan.push_back({PlannedOperation::CompanionLeft, companion.from, companion.to,
                                companion.left});
                continue;
            }
            if (!companion.newBytes.isEmpty())
                plan.push_back({IsCueSheet(companion.from) ? PlannedOperation::CueRewrite
                                                           : PlannedOperation::ListRewrite,
                                companion.from,
                                companion.to,
                                {}});
            plan.push_back({PlannedOperation::Companion, companion.from, companion.to, {}});
            gone.insert(companion.from);
        }
    }
    for (const QString &folder : EmptiedFolders(sources, root, gone))
        plan.push_back({PlannedOperation::RemoveFolder, folder, {}, {}});
    return plan;
}

} // namespace qm
