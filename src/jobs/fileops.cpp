#include "jobs/fileops.h"

#include "formats/fileio.h"
#include "formats/pathcodec.h"
#include "journal/filecopy.h"
#include "journal/journal.h"

#include <QByteArray>
#include <QDir>
#include <QStringList>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <system_error>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qm {

namespace {

// Every temporary name of the write job starts so. A temporary copy is the
// prefix and six random characters; a parked file adds "-" and the name it
// had, so that it can be given back.
constexpr char kTemporaryPrefix[] = ".quillmark-";
constexpr int kRandomLength = 6;
constexpr qsizetype kTemporaryLength = sizeof kTemporaryPrefix - 1 + kRandomLength;

// When this process started: a temporary older than that was left by a
// process that has ended.
const timespec kProcessStart = [] {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return now;
}();

// A name with a NUL has no bytes: the system would cut it at the NUL and
// reach another file, so every operation on it fails.
QByteArray native(const QString &path)
{
    return holdsNul(path) ? QByteArray() : encodeFileName(path);
}

// Gives `from` the name `to` unless `to` exists, in one step where the
// kernel and file system allow it.
bool renameNoReplace(const QByteArray &from, const QByteArray &to)
{
#ifdef RENAME_NOREPLACE
    if (renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP)
        return false;
#endif
    // A second name fails when `to` exists; dropping the first completes
    // the rename.
    if (link(from.constData(), to.constData()) == 0) {
        if (unlink(from.constData()) == 0)
            return true;
        unlink(to.constData());
        return false;
    }
    if (errno == EEXIST)
        return false;
    // File systems without links (FAT on a player): check, then rename.
    struct stat info {};
    if (lstat(to.constData(), &info) == 0) {
        errno = EEXIST;
        return false;
    }
    if (errno != ENOENT)
        return false;
    return rename(from.constData(), to.constData()) == 0;
}

// Gives `from` a temporary name in its folder that tells the name it had;
// returns that name, or an empty array when it could not. The file keeps a
// name all the time.
QByteArray park(const QByteArray &from)
{
    return encodeFileName(journal::parkAside(decodeFileName(from)));
}

// The temporary copy takes the name `to`; removed when it cannot.
bool placeTemporary(const QByteArray &temporary, const QByteArray &to, bool replace,
                    journal::CopyRecord &record)
{
    const bool placed = replace ? rename(temporary.constData(), to.constData()) == 0
                                : renameNoReplace(temporary, to);
    const int error = errno;
    if (!placed)
        unlink(temporary.constData());
    errno = error;
    record.settle(placed, to);
    return placed;
}

// Two spellings of one file (letter case on a file system that ignores it):
// the kernel treats such a rename as done without touching the name, so go
// through a temporary name. Two hard links of one file end here too, and are
// refused by the second step.
bool renameSameFile(const QByteArray &source, const QByteArray &target)
{
    const QByteArray temporary = park(source);
    if (temporary.isEmpty())
        return false;
    if (renameNoReplace(temporary, target))
        return true;
    rename(temporary.constData(), source.constData());
    return false;
}

bool olderThanProcess(const struct stat &info)
{
    // Two seconds cover the coarse times of FAT.
    return info.st_ctim.tv_sec + 2 < kProcessStart.tv_sec;
}

} // namespace

bool FileExists(const QString &path)
{
    struct stat info {};
    return !path.isEmpty() && stat(native(path).constData(), &info) == 0 && !S_ISDIR(info.st_mode);
}

bool FolderExists(const QString &path)
{
    struct stat info {};
    return !path.isEmpty() && stat(native(path).constData(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool PathExists(const QString &path)
{
    struct stat info {};
    return !path.isEmpty() && stat(native(path).constData(), &info) == 0;
}

bool CreateFolders(const QString &path, journal::JobJournal *journal)
{
    if (path.isEmpty())
        return false;
    // Each missing folder, the outermost first, is made and recorded on
    // its own, so that undo removes exactly the folders the job made.
    QStringList missing;
    for (QString folder = QDir::cleanPath(path); !FolderExists(folder);) {
        if (PathExists(folder))
            return false;
        missing.prepend(folder);
        const qsizetype slash = folder.lastIndexOf(QLatin1Char('/'));
        if (slash <= 0)
            break;
        folder = folder.left(slash);
    }
    for (const QString &folder : std::as_const(missing)) {
        const bool made = journal
                              ? journal->changeFolder(journal::EntryKind::MakeFolder, folder)
                              : journal::changeFolderNow(journal::EntryKind::MakeFolder, folder);
        if (!made && !FolderExists(folder))
            return false;
    }
    return FolderExists(path);
}

bool SameFile(const QString &a, const QString &b)
{
    std::error_code error;
    const bool same =
        std::filesystem::equivalent(std::filesystem::path(native(a).toStdString()),
                                    std::filesystem::path(native(b).toStdString()), error);
    return !error && same;
}

bool RenameFile(const QString &from, const QString &to, bool replace, bool *copied,
                journal::JobJournal *journal)
{
    if (copied)
        *copied = false;
    const QByteArray source = native(from);
    const QByteArray target = native(to);
    if (source.isEmpty() || target.isEmpty())
        return false;
    if (replace ? rename(source.constData(), target.constData()) == 0
                : renameNoReplace(source, target))
        return true;
    if (errno == EEXIST && !replace && source != target && SameFile(from, to))
        return renameSameFile(source, target);
    if (errno != EXDEV)
        return false;
    // Another file system: copy, then drop the original. When the original
    // cannot go, the copy goes instead, so the file is never in two places.
    // A taken name is found before the data is copied.
    if (!replace && FileExists(to)) {
        errno = EEXIST;
        return false;
    }
    journal::CopyRecord record(journal);
    const QByteArray temporary = journal::copyToTemporary(source, target, record);
    if (temporary.isEmpty() || !placeTemporary(temporary, target, replace, record))
        return false;
    if (unlink(source.constData()) == 0) {
        if (copied)
            *copied = true;
        return true;
    }
    unlink(target.constData());
    return false;
}

bool CopyFileTo(const QString &from, const QString &to, bool replace, journal::JobJournal *journal)
{
    const QByteArray source = native(from);
    const QByteArray target = native(to);
    if (source.isEmpty() || target.isEmpty())
        return false;
    // Fail early, before the data is copied, when the name is taken.
    if (!replace && FileExists(to))
        return false;
    journal::CopyRecord record(journal);
    const QByteArray temporary = journal::copyToTemporary(source, target, record);
    return !temporary.isEmpty() && placeTemporary(temporary, target, replace, record);
}

QString ParkFile(const QString &path)
{
    return path.isEmpty() ? QString() : decodeFileName(park(native(path)));
}

bool IsTemporaryCopy(const char *name)
{
    const size_t length = std::strlen(name);
    return length == size_t(kTemporaryLength)
           && std::strncmp(name, kTemporaryPrefix, sizeof kTemporaryPrefix - 1) == 0;
}

void CleanTemporaries(const QString &folder)
{
    const QByteArray base = native(folder.endsWith(QLatin1Char('/')) ? folder.chopped(1) : folder);
    DIR *entries = opendir(base.isEmpty() ? "/" : base.constData());
    if (!entries)
        return;
    while (const dirent *entry = readdir(entries)) {
        const QByteArray name(entry->d_name);
        if (!name.startsWith(kTemporaryPrefix) || name.size() < kTemporaryLength)
            continue;
        const QByteArray path = base + '/' + name;
        struct stat info {};
        if (lstat(path.constData(), &info) != 0 || !S_ISREG(info.st_mode)
            || !olderThanProcess(info))
            continue;
        if (name.size() == kTemporaryLength) {
            // An unfinished copy: the source was never removed for it.
            unlink(path.constData());
        } else if (name.at(kTemporaryLength) == '-' && name.size() > kTemporaryLength + 1) {
            // A parked file: the only name of a file that was being renamed.
            renameNoReplace(path, base + '/' + name.mid(kTemporaryLength + 1));
        }
    }
    closedir(entries);
}

} // namespace qm
