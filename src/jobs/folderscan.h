#pragma once

#include <QString>
#include <QStringList>

#include <functional>

namespace qm {

// The add-directory dialog's three settings that govern a folder scan.
struct ScanSettings {
    QString filter; // "Аудио файлы <*.mp3|*.wma>", "*.mp3/*.ogg", ...
    bool caseSensitive = false;
    bool scanSubFolders = true;
};

// A compiled file-name filter.
//
// Only the text between the first "<" and the first ">" counts when both are
// there in that order (what stands before is a caption). The masks are
// separated by any of / \ : " < > |, characters no file name can hold.
// "*" stands for any run of characters and "?" for exactly one, with two
// particulars kept from the dialog's long-standing behaviour: a mask without
// "*" accepts every name that begins with it, and the part after the last
// "*" is compared with the end of the name.
class FileFilter {
public:
    FileFilter(const QString &filter, bool caseSensitive);
    bool matches(const QString &fileName) const;

private:
    QStringList masks_;
    bool caseSensitive_;
};

bool MatchesFilter(const QString &filter, bool caseSensitive, const QString &fileName);

// Scans `folders` breadth first: all files of a folder come before those of
// its subfolders, and subfolders are taken level by level in the order the
// file system lists them. For every matching file `onFile` gets the folder
// (ending with "/") and the file name; when it returns false the scan ends.
//
// Hidden entries are included, but for the write job's temporary copies
// (IsTemporaryCopy). A folder that cannot be listed contributes nothing;
// `onUnlisted`, when given, gets it and the errno. Symbolic links to
// folders are followed, but every folder is listed at most once per scan,
// so a link cycle ends. Only regular files (and links to them) count as
// files: a pipe or device would block or misbehave when the reading job
// opens it.
using FileFound = std::function<bool(const QString &folder, const QString &name)>;
using FolderUnlisted = std::function<void(const QString &folder, int error)>;
void ScanFolders(const QStringList &folders, const ScanSettings &settings, const FileFound &onFile,
                 const FolderUnlisted &onUnlisted = {});

} // namespace qm
