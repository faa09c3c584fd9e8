#pragma once

// Copies of whole files that a job or an undo makes beside a file's new
// name, before they take that name: a move to another file system, and the
// write job's copies.

#include <QByteArray>

namespace qm::journal {

class JobJournal;

// A temporary copy as the job's journal knows it: recorded once made,
// settled when it took its name or was removed. Without a journal it does
// nothing.
class CopyRecord {
public:
    explicit CopyRecord(JobJournal *journal) : journal_(journal) {}

    // False when the journal could not keep the record.
    bool record(const QByteArray &temporary, int fd, const QByteArray &target, qint64 size);
    void settle(bool placed, const QByteArray &target);

private:
    JobJournal *journal_;
    quint32 id_ = 0;
};

// Copies the file at the encoded path `from` into a new temporary file in
// the folder of `target` (".quillmark-" and six random characters), with
// its permissions and modification time, synced, and recorded in `record`
// before any data goes in. Returns its encoded path, or an empty array when
// the copy failed: then nothing is left behind, and errno says why.
QByteArray copyToTemporary(const QByteArray &from, const QByteArray &target, CopyRecord &record);

} // namespace qm::journal
