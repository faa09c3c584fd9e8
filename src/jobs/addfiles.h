#pragma once

#include <QStringList>

#include <utility>

namespace qm {

class JobRunner;
class RowTable;

// The Dir and Old cells of `path` as a row (see AppendFileRow).
std::pair<QString, QString> FileRowNames(const QString &path);

// `path` as a row, unchecked (a file that is not there simply fails to read
// later): Dir its absolute folder ending with "/", Old its name, extension
// included. A relative name is taken from the current folder, so the row
// names one file for good. Returns the row.
int AppendFileRow(RowTable &table, const QString &path);

// Files chosen in the open dialog (aAddFiles): one row per file in the
// dialog's order, with Dir its folder (ending with "/") and Old its name,
// extension included. After each row the status line shows
// "Добавлено файлов: " with the count so far, "/" and the number chosen.
// Runs on the runner's thread at once, without a job. Returns the number
// of rows added.
int AddChosenFiles(RowTable &table, const QStringList &paths, JobRunner *status);

// Paths dropped on the window: every path that is not a folder becomes a row
// at once, as above but with the count alone in the status line; the
// folders are returned, in their order, for the folder scan
// (AddKind::DroppedFolders).
QStringList AddDroppedPaths(RowTable &table, const QStringList &paths, JobRunner *status);

} // namespace qm
