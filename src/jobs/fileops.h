#pragma once

#include <QString>

namespace qm {

namespace journal {
class JobJournal;
}

// The file operations of the write job. Paths use "/" as separator. None of
// them throws; each reports failure by returning false and leaves nothing
// half done behind it.

// A file (anything but a folder) is at `path`.
bool FileExists(const QString &path);
bool FolderExists(const QString &path);
// Anything (a file or a folder) is at `path`.
bool PathExists(const QString &path);

// Creates the folder with every missing parent, each recorded in
// `journal` first when one is given; true when it exists afterwards.
bool CreateFolders(const QString &path, journal::JobJournal *journal = nullptr);

// The two paths name the same file, as the file system decides: on a file
// system that ignores letter case "a.mp3" and "A.mp3" are one file, on one
// that does not they are two.
bool SameFile(const QString &a, const QString &b);

// Renames (or moves, also to another file system) `from` to `to`. With
// `replace`, an existing `to` is replaced in one atomic step; without it the
// call fails when `to` exists. A rename between two names of the same file
// that differ only in letter case works on file systems that ignore case.
// *copied tells whether the file was copied (to another file system), so
// that it is a new file under the new name. A copy's temporary goes into
// `journal` when one is given (see CopyFileTo).
bool RenameFile(const QString &from, const QString &to, bool replace, bool *copied = nullptr,
                journal::JobJournal *journal = nullptr);

// Copies `from` to `to` with its permissions and modification time. The
// data goes to a temporary file beside `to`, which takes the name only when
// complete: with `replace` by one atomic rename over an existing `to`,
// without it never over an existing file. A failed copy leaves no file.
// With a `journal`, the temporary is recorded there before any data goes
// in, so that recovery removes it when the job dies halfway; a temporary
// the journal cannot keep is not made.
bool CopyFileTo(const QString &from, const QString &to, bool replace,
                journal::JobJournal *journal = nullptr);

// Moves the file aside to a temporary name in its folder that carries its
// name (".quillmark-" + six random characters + "-" + the name), while
// another file takes that name. Returns the temporary path, or an empty
// string when the file stays where it was.
QString ParkFile(const QString &path);

// A name the write job gives its temporary copies (".quillmark-" and six
// characters): never a file of the user's, maybe one a job is writing now.
bool IsTemporaryCopy(const char *name);

// What a write job that ended halfway (killed, power lost) left in `folder`,
// older than this process so that another running copy's work is spared:
// unfinished temporary copies are removed, and parked files get their name
// back unless another file took it meanwhile (then they stay as they are).
void CleanTemporaries(const QString &folder);

} // namespace qm
