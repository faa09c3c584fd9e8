// The row writer's journal: where a job records its changes before making
// them, and the moves and changes other parts of the write make through it,
// so that a crash can be settled and the job undone.

#include "jobs/rowwriter.h"

#include "jobs/fileops.h"
#include "jobs/writemessage.h"

#include "formats/filechange.h"
#include "journal/journal.h"

namespace qm {

bool RowWriter::useJournal(const QString &kind, QString *error)
{
    journalKind_ = kind;
    QString why;
    journal_ = journal::JobJournal::start(journalKind_, &why);
    journalFailed_ = !journal_;
    if (journalFailed_ && error)
        *error = WriteMessage::JournalUnavailable(journal::journalFolder(), why);
    return !journalFailed_;
}

journal::JobJournal *RowWriter::journal() { return journal_.get(); }

WriteFailure RowWriter::journalFailure() const
{
    return journal_ ? journal_->writeFailure() : WriteFailure::NoJournal;
}

bool RowWriter::closeJournal()
{
    finishTagBatch();
    endTagsAhead();
    if (!journal_)
        return true;
    const bool closed = journal_->close();
    journal_.reset();
    return closed;
}

bool RowWriter::moveBack(const QString &from, const QString &to)
{
    // Going back is safer than staying, so a record that cannot be kept
    // does not stop it: recovery tells files by their inodes anyway.
    return moveRecorded(from, to, false);
}

bool RowWriter::moveOther(const QString &from, const QString &to)
{
    return moveRecorded(from, to, true);
}

bool RowWriter::changeOther(const FileChange &change)
{
    if (!journal_)
        return !journalFailed_ && applyChange(change);
    journal::JournalRecorder recorder(*journal_);
    WriteFailure failure = WriteFailure::None;
    return applyRecordedChange(change, &recorder, &failure);
}

bool RowWriter::removeFolder(const QString &folder)
{
    if (!journal_)
        return !journalFailed_
               && journal::changeFolderNow(journal::EntryKind::RemoveFolder, folder);
    return journal_->changeFolder(journal::EntryKind::RemoveFolder, folder);
}

bool RowWriter::moveRecorded(const QString &from, const QString &to, bool mustRecord)
{
    journal::JobJournal *const journal = this->journal();
    if (mustRecord && !journal && journalFailed_)
        return false;
    const quint32 id = journal ? journal->stageRename(from, to) : 0;
    if (journal && !journal->sync() && mustRecord)
        return false;
    const bool moved = RenameFile(from, to, false);
    if (journal) {
        journal->markDone(id, moved, moved ? to : from);
        journal->flushDone();
    }
    return moved;
}

} // namespace qm
