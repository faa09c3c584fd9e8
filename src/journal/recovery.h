#pragma once

#include "journal/journalformat.h"

namespace qm::journal {

// What a file's bytes say about an entry whose change may have been cut
// short.
enum class Verdict {
    New,     // the change is complete: keep it
    Old,     // the change never started: nothing to do
    Torn,    // a mix of old and new bytes a cut-short write leaves: put back
    Foreign, // neither: someone else changed the file; leave it alone
    Missing, // the file is not there
};

// A file as the decision sees it: its stamp and its bytes by position.
struct FileView {
    bool exists = false;
    FileStamp stamp;
    BlockReader read;
};
FileView viewOf(const QString &fileName, ReadOnlyFile *file);

struct Decision {
    Verdict verdict = Verdict::Foreign;
    QString reason; // for Foreign and Missing, in the program's language
};

// For InPlace and Rewrite entries: judged on `file`, the entry's path. A
// torn state is one where every block of the region holds its old or its
// new bytes (a grown file's added room may still hold zeros) except at most
// one block, where the write stopped, and the size is between the old and
// the new one. For Rename entries: judged on the entry's two paths.
Decision decide(const Entry &entry, const FileView &file, const FileView &renamed = {});

// Whether the file holds the entry's complete new bytes at its new size.
bool holdsNew(const Entry &entry, const FileView &file);

// The change that puts the entry's old bytes and size back into `file`,
// which is now in the state `file.stamp` says; false when the file's bytes
// cannot be read.
bool restoringChange(const Entry &entry, const FileView &file, FileChange *change);

} // namespace qm::journal
