#include "jobs/writeplan.h"

#include "formats/pathcodec.h"
#include "jobs/fileops.h"
#include "jobs/folderplan.h"
#include "jobs/tagwrite.h"
#include "jobs/writejob.h"
#include "jobs/writemessage.h"

#include <QDir>
#include <QSet>

#include <algorithm>
#include <climits>
#include <cstdlib>

#include <sys/stat.h>
#include <unistd.h>

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
    case PlannedOperation::Fail:
        return QStringLiteral("fail");
    }
    return {};
}

namespace {

// The job renames only a file: a pipe or a device a row names is none.
bool RegularFileExists(const QString &path)
{
    struct stat info {};
    return !path.isEmpty() && ::stat(encodeFileName(path).constData(), &info) == 0
           && S_ISREG(info.st_mode);
}

// The row's file is not the one the row was read from (another program
// wrote, renamed or replaced it since): the job leaves it where it is.
bool ChangedSinceRead(const WriteSettings &settings, const Row &row, const QString &path)
{
    if (!settings.ReadStamps)
        return false;
    const FileStamp *read = settings.ReadStamps->find(row);
    FileStamp now;
    return read && stampOf(path, &now) && !unchangedSince(*read, now);
}

// The file `path` names, its folder and links resolved, so that two rows
// of one file under different names are told to be one; the path itself
// when it does not resolve.
QByteArray ResolvedPath(const QString &path)
{
    QByteArray bytes = encodeFileName(path);
    char *resolved = ::realpath(bytes.constData(), nullptr);
    if (!resolved)
        return bytes;
    QByteArray result(resolved);
    ::free(resolved);
    return result;
}

// A name longer than the file system takes (a file name over NAME_MAX
// bytes, a path over PATH_MAX): the job's rename or copy fails.
bool NameTooLong(const QString &path)
{
    const QByteArray bytes = encodeFileName(path);
    return bytes.size() >= PATH_MAX || bytes.size() - bytes.lastIndexOf('/') - 1 > NAME_MAX;
}

// The folder is there and names can be made and removed in it.
bool FolderWritable(const QString &folder)
{
    return ::access(encodeFileName(folder).constData(), W_OK | X_OK) == 0;
}

} // namespace

std::vector<PlannedOperation> PlanUpdate(const RowTable &table, int first, int last,
                                         const WriteSettings &settings, bool createFolders,
                                         bool replaceFiles)
{
    std::vector<PlannedOperation> plan;
    QSet<QString> tableFiles;
    const QString root = tableFolders(table, &tableFiles);
    QSet<QString> madeFolders, targets;
    std::vector<FileMove> moves;
    first = std::max(first, 1);
    last = std::min(last, table.lastFileRow());
    std::vector<RenameTarget> rowTargets;
    rowTargets.reserve(size_t(std::max(last - first + 1, 0)));
    // The files the job moves away: their names are free by the time a row
    // that takes one comes to it.
    QSet<QString> leaving;
    // The files an earlier row moves away: a later row of the same file
    // finds none under its name.
    QSet<QByteArray> movedAway;
    std::vector<bool> stale;
    for (int row = first; row <= last; ++row) {
        Row cells = table.row(row);
        rowTargets.push_back(RenameTargetOf(cells));
        const RenameTarget &target = rowTargets.back();
        stale.push_back(!target.failed && ChangedSinceRead(settings, cells, target.oldPath));
        if (settings.MoveFiles && !target.failed && !stale.back() && !target.newFolder.isEmpty()
            && target.oldPath != target.newPath)
            leaving.insert(QDir::cleanPath(target.oldPath));
    }
    for (size_t i = 0; i < rowTargets.size(); ++i) {
        const RenameTarget &target = rowTargets[i];
        const auto fail = [&](const QString &reason) {
            // A name the job refuses makes no path: the row's cells say it.
            const Row &cells = table.row(first + int(i));
            const QString ext = rowCell(cells, FieldNumber::Ext);
            const QString path = target.oldPath.isEmpty()
                                     ? rowCell(cells, FieldNumber::Dir)
                                           + rowCell(cells, FieldNumber::Old)
                                           + (ext.isEmpty() ? QString() : QLatin1Char('.') + ext)
                                     : QDir::cleanPath(target.oldPath);
            plan.push_back({PlannedOperation::Fail, path, {}, reason});
        };
        if (target.failed) {
            fail(target.message);
            continue;
        }
        const QByteArray file = settings.MoveFiles ? ResolvedPath(target.oldPath) : QByteArray();
        if (!RegularFileExists(target.oldPath) || movedAway.contains(file)) {
            fail(WriteMessage::NoFile());
            continue;
        }
        if (stale[i]) {
            fail(WriteMessage::ChangedElsewhere());
            continue;
        }
        if (target.newFolder.isEmpty()) {
            fail(target.message.isEmpty() ? WriteMessage::NoNewPath() : target.message);
            continue;
        }
        if (target.oldPath == target.newPath)
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
        if (!missing.isEmpty() && !createFolders) {
            fail(WriteMessage::NoNewFolder());
            continue;
        }
        const QString from = QDir::cleanPath(target.oldPath);
        const QString to = QDir::cleanPath(target.newPath);
        if (NameTooLong(to)) {
            fail(WriteMessage::ChangeImpossible() + QLatin1String(". ")
                 + WriteMessage::NameTooLong());
            continue;
        }
        // A name an earlier row takes is not free for this one, nor is one
        // another file holds that stays.
        if (targets.contains(to)
            || (!replaceFiles && !leaving.contains(to) && FileExists(to) && !SameFile(from, to))) {
            fail(WriteMessage::TargetExists());
            continue;
        }
        // A folder the file leaves or goes into that takes no new names:
        // the job's rename or copy fails there.
        if ((missing.isEmpty() && !madeFolders.contains(folder) && !FolderWritable(folder))
            || (settings.MoveFiles && !FolderWritable(FolderOfFile(from)))) {
            fail(WriteMessage::ChangeImpossible() + QLatin1String(". ")
                 + WriteMessage::NoFolderPermission());
            continue;
        }
        targets.insert(to);
        for (const QString &made : std::as_const(missing)) {
            madeFolders.insert(made);
            plan.push_back({PlannedOperation::MakeFolder, made, {}, {}});
        }
        const auto kind = !settings.MoveFiles                      ? PlannedOperation::Copy
                          : FolderOfFile(from) != FolderOfFile(to) ? PlannedOperation::Move
                                                                   : PlannedOperation::Rename;
        plan.push_back({kind, from, to, {}});
        if (settings.MoveFiles) {
            moves.push_back({from, to});
            movedAway.insert(file);
        }
    }
    QSet<QString> gone;
    QStringList sources;
    // The folders files go into: none of them, nor a folder above one, is
    // left empty, although the files are not there yet (a file renamed in
    // a folder it is alone in).
    QStringList arriving;
    for (const FileMove &move : moves) {
        gone.insert(move.from);
        sources.append(FolderOfFile(move.from));
        arriving.append(FolderOfFile(move.to));
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
            arriving.append(FolderOfFile(companion.to));
        }
    }
    for (const QString &folder : EmptiedFolders(sources, root, gone)) {
        const QString inside =
            folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
        if (std::none_of(arriving.cbegin(), arriving.cend(),
                         [&](const QString &to) { return to == folder || to.startsWith(inside); }))
            plan.push_back({PlannedOperation::RemoveFolder, folder, {}, {}});
    }
    return plan;
}

} // namespace qm
