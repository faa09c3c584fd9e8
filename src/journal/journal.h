#pragma once

#include "journal/backgroundtask.h"
#include "journal/journalformat.h"
#include "journal/recovery.h"

#include <QHash>
#include <QList>
#include <QLockFile>
#include <QString>

#include <memory>

namespace qm::journal {

// The journal keeps this many finished jobs, and no more than kMaxBytes of
// them, the oldest going first; a job still running is never pruned.
inline constexpr int kKeptJobs = 20;
inline constexpr qint64 kMaxBytes = qint64(256) << 20;

// Moves the file aside to a temporary name in its folder that carries its
// name (".quillmark-", six random characters, "-" and the name) while
// another file takes that name; the temporary path, or empty when the file
// stays where it was. Recovery gives a file parked by a job that died its
// new name or its old one back.
QString parkAside(const QString &path);

// Makes (MakeFolder) or removes (RemoveFolder, only when empty) one
// folder, its parent already there; true when done.
bool changeFolderNow(EntryKind kind, const QString &folder);

// Where the journals live: $QUILLMARK_DATA_DIR when set, else the user's
// data folder ($XDG_DATA_HOME/quillmark), then "journal" inside.
QString journalFolder();

// One job's journal, written while the job runs. A write job changes its
// files in batches:
//   for each file: plan the change (TID3v2::PlanSave, ...), stage(change)
//   sync()              -- the batch's records reach the disk, one fsync
//   for each file: applyChange(change), markDone(id, made, path)
//   flushDone()         -- the done marks, without an fsync of their own
// and close() at the end. The job's lock file keeps recovery in another
// process away from a job that is still running.
class JobJournal {
public:
    ~JobJournal();
    // Starts the next job in `folder` (journalFolder() when empty); null
    // when the journal cannot be written, with *error saying why.
    static std::unique_ptr<JobJournal> start(const QString &kind, QString *error = nullptr,
                                             const QString &folder = {});
    // Whether a job could start in `folder` now (its folder made, a file
    // written there), with *error saying why not; nothing is left behind.
    static bool canStart(QString *error = nullptr, const QString &folder = {});

    quint64 number() const { return number_; }
    // The errno of the last write or sync of the journal that failed.
    int error() const { return error_; }
    // What a change refused for want of its record says: the journal's disk
    // full, or the journal not written.
    WriteFailure writeFailure() const
    {
        return writeFailureOf(error_) == WriteFailure::DiskFull ? WriteFailure::JournalFull
                                                                : WriteFailure::NoJournal;
    }
    QString fileName() const { return fileName_; }

    quint32 stage(const FileChange &change);
    // `known` is the stamp of `from` when the caller has just taken it.
    quint32 stageRename(const QString &from, const QString &to, const FileStamp *known = nullptr);
    // Records the temporary copy just made at `temporary` (`made`: its
    // stamp, still empty) for `target` before any data goes into it, so that
    // recovery removes it if the job dies before the copy takes its name;
    // settled by markDone (made: it took the name). 0 when the journal could
    // not keep the record, and then the copy must not be made.
    quint32 recordCopy(const QString &temporary, const QString &target, const FileStamp &made,
                       qint64 size);
    // Makes (MakeFolder) or removes (RemoveFolder, only when empty) the
    // folder `folder`, recorded durably first; false when the record could
    // not be kept or the folder could not be changed.
    bool changeFolder(EntryKind kind, const QString &folder);
    // Writes what was staged and makes it durable; false when it could not,
    // and then none of the staged changes may be made.
    bool sync();
    // sync() in two halves, so that the disk makes one batch's records
    // durable while the caller makes the changes recorded before them:
    // startSync() writes what was staged and leaves its fdatasync to the
    // journal's thread; finishSync() waits for it and says whether the
    // records are durable. None of the changes staged before startSync()
    // may be made until finishSync() says so. One such sync at a time.
    void startSync();
    bool finishSync();
    // `after` is the stamp of `path` when the caller has just taken it.
    void markDone(quint32 id, bool made, const QString &path, const FileStamp *after = nullptr);
    bool flushDone();
    // Settles the job (its remaining done marks, the closing record) and
    // prunes the oldest jobs.
    bool close();

private:
    JobJournal() = default;
    bool append(const QByteArray &bytes);
    void syncChangedFileSystems();
    void startEarlyFlush();
    void waitForEarlyFlush();

    QString folder_;
    QString fileName_;
    quint64 number_ = 0;
    int fd_ = -1;
    std::unique_ptr<QLockFile> lock_;
    QByteArray staged_;
    QList<DoneMark> done_;
    // One changed file of each file system the job wrote to, by device.
    QHash<quint64, QString> changedFileSystems_;
    // The changed files' data starts for the disk while the job goes on, so
    // that the sync at close() finds little left to write: changes of data
    // staged since the last such flush, and the thread doing it (one at a
    // time).
    int dataSinceFlush_ = 0;
    BackgroundTask earlyFlush_;
    // The sync startSync() left to its thread: whether one is under way,
    // whether its records were written, and the errno of its fdatasync.
    BackgroundTask recordSync_;
    bool syncPending_ = false;
    bool pendingWritten_ = false;
    int pendingError_ = 0;
    quint32 nextId_ = 1;
    bool headerDurable_ = false;
    int error_ = 0;
    bool closed_ = false;
};

// Hands each change of a one-file-at-a-time save to a job's journal: one
// fsync per change. A write job that changes many files stages them itself.
class JournalRecorder : public ChangeRecorder {
public:
    explicit JournalRecorder(JobJournal &journal) : journal_(journal) {}
    bool recordChange(const FileChange &change) override;
    WriteFailure recordFailure() const override { return journal_.writeFailure(); }
    void changeDone(const FileChange &change, bool made) override;

private:
    JobJournal &journal_;
    quint32 id_ = 0;
};

// What happened to one entry at recovery or undo.
struct FileOutcome {
    QString path;
    QString oldPath; // a rename undone: the name the file had before the job
    Verdict verdict = Verdict::Foreign;
    bool restored = false; // the old bytes (or the old name) were put back
    bool failed = false;   // putting back was needed and failed
    QString reason;
};

struct RecoveryReport {
    QList<FileOutcome> files;     // the entries of unfinished jobs
    QStringList removedTemporary; // leftover temporary files removed
    QStringList keptTemporary;    // ones that could be a user's file, left
    int jobs = 0;                 // unfinished jobs settled
    // Jobs whose journal is damaged in the middle: only the entries before
    // the damage were settled.
    QList<quint64> damaged;
};

// Settles every job that did not finish (its process died): each file
// whose change was cut short gets its old bytes back, a complete change is
// kept, a file changed by someone else since is left alone and reported.
// Jobs still running elsewhere are skipped. Then prunes the journal.
RecoveryReport recover(const QString &folder = {});
// What recovery left alone or could not do, one line each with the reason;
// empty when it settled everything.
QStringList leftAlone(const RecoveryReport &report);

// The finished jobs, newest first.
struct JobSummary {
    quint64 number = 0;
    qint64 startedMs = 0;
    QString kind;
    int files = 0; // changes made
    bool undone = false;
    bool damaged = false; // the journal's file does not check out whole
};
QList<JobSummary> history(const QString &folder = {});
// The newest finished job that undo(0) would take, skipping jobs that
// changed no file (their numbers in *skipped, newest first); number 0
// when none.
JobSummary lastUndoable(const QString &folder = {}, QList<quint64> *skipped = nullptr);

// Puts back the names and tag bytes of job `number` (0: the newest job not
// undone yet), last change first. A file is put back only while it is still
// the one the job left (size, time, inode and the new bytes); any other is
// listed and left alone. The undo is itself a journaled job.
struct UndoReport {
    quint64 number = 0; // the job undone; 0 when there was none
    QString error;      // why nothing was done when the job exists
    QList<FileOutcome> files;
    QList<quint64> skipped; // newer jobs that changed nothing, passed over
};
UndoReport undo(quint64 number = 0, const QString &folder = {});

// Removes the oldest finished jobs beyond kKeptJobs and kMaxBytes.
void prune(const QString &folder = {});

} // namespace qm::journal
