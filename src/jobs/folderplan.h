#pragma once

#include <QByteArray>
#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <vector>

namespace qm {

// What a move of whole albums does besides moving the audio files: the
// album's other files follow them, cue sheets and play lists among them
// name the files anew, and the folders left empty go.
//
// Paths are absolute or relative as the rows give them, "/" between the
// parts, folders without a trailing "/"; the functions clean "." and ".."
// out of them.

struct FileMove {
    QString from;
    QString to;
};

// One of an album's other files, to go with its audio files.
struct CompanionMove {
    QString from;
    QString to;
    // Why it stays where it is (its name is taken at the target); empty
    // when it moves.
    QString left;
    // A cue sheet or play list whose entries name moved files: its bytes
    // now and with those entries named anew; both empty when it is only
    // moved.
    QByteArray oldBytes;
    QByteArray newBytes;
};

// The album's other files: when every audio file of a folder that the
// table holds (`tableFiles`, cleaned paths) moves, by `moves`, into one and
// the same other folder, and no audio file outside the table stays there,
// each file of the folder (not its subfolders) that matches one of
// `patterns` ("*.jpg", ...; no letter case) goes with them. A file of the
// folder that is no audio file, matches no pattern, stays.
std::vector<CompanionMove> PlanCompanions(const std::vector<FileMove> &moves,
                                          const QSet<QString> &tableFiles,
                                          const QStringList &patterns);

// The bytes of a cue sheet (FILE lines) or play list (its entries) with
// each entry that names a moved file (`moved`: cleaned old path to new
// path) naming its new path, as seen from `newFolder`, where the list
// goes; `folder` is where it is. A name that was relative stays relative,
// an absolute one absolute. The bytes are read and written in the list's
// own encoding (UTF-8 when they are valid UTF-8, else the tags' 8-bit
// code page) and every other byte stays. Empty when no entry changes.
QByteArray RenameListEntries(const QByteArray &bytes, bool cueSheet, const QString &folder,
                             const QString &newFolder, const QHash<QString, QString> &moved);
// Whether the file is a cue sheet or a play list by its name (for
// RenameListEntries' `cueSheet`: a cue sheet).
bool IsCueSheet(const QString &path);
bool IsListOfFiles(const QString &path);

// The folders to remove once files left `sources`: each source folder
// without any entry (hidden ones included) and, from it, each parent that
// then holds nothing, while they are inside `root` (`root` itself only
// when it is a source folder). An entry whose path is in `gone` counts as
// gone already (what a planned job will move away). Deepest first.
QStringList EmptiedFolders(const QStringList &sources, const QString &root,
                           const QSet<QString> &gone = {});

// The deepest folder that holds every one of `folders`.
QString CommonFolder(const QStringList &folders);

// The folder of a file's path, cleaned.
QString FolderOfFile(const QString &path);

} // namespace qm
