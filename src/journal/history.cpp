#include "journal/journal.h"

#include "formats/pathcodec.h"
#include "journal/filecopy.h"
#include "journal/journalfolder.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include <sys/stat.h>
#include <unistd.h>

namespace qm::journal {

namespace {

// Gives a file back its name on another file system than the one the job
// moved it to: a copy, recorded in the undo's journal, takes the name, then
// the file the job left goes. False, with nothing left behind, when it
// could not.
bool moveAcross(const QString &from, const QString &to, JobJournal &journal)
{
    const QByteArray source = encodeFileName(from);
    const QByteArray target = encodeFileName(to);
    CopyRecord record(&journal);
    const QByteArray temporary = copyToTemporary(source, target, record);
    if (temporary.isEmpty())
        return false;
    const bool placed = renameNoReplace(decodeFileName(temporary), to);
    if (!placed)
        ::unlink(temporary.constData());
    record.settle(placed, target);
    if (!placed)
        return false;
    if (::unlink(source.constData()) == 0)
        return true;
    ::unlink(target.constData());
    return false;
}

// A name as the file system reaches it: the real path of its folder and
// the name, so that "sub/../a.mp3", written so by a job's new name, and
// "a.mp3" are one. The path as it is when its folder is not there.
QString reachedName(const QString &path)
{
    const QByteArray bytes = encodeFileName(path);
    const qsizetype slash = bytes.lastIndexOf('/');
    if (slash < 0)
        return path;
    char *const real = ::realpath(slash == 0 ? "/" : bytes.left(slash).constData(), nullptr);
    if (!real)
        return path;
    QByteArray folder(real);
    ::free(real);
    if (!folder.endsWith('/'))
        folder += '/';
    return decodeFileName(folder + bytes.mid(slash + 1));
}

} // namespace

QList<JobSummary> history(const QString &folder)
{
    QList<JobSummary> jobs;
    const QString dir = folderOrDefault(folder);
    const QList<quint64> numbers = jobNumbers(dir);
    for (auto it = numbers.crbegin(); it != numbers.crend(); ++it) {
        const QString name = jobFile(dir, *it);
        const JobLog log = readJob(name);
        const bool damaged = log.valid && isDamaged(name, log);
        if (!log.valid || (!log.closed && !damaged))
            continue;
        JobSummary s;
        s.damaged = damaged;
        s.number = log.number;
        s.startedMs = log.startedMs;
        s.kind = log.kind;
        s.undone = log.undone;
        // A copy leaves its original as it was: nothing to put back. A
        // folder made or removed is a change to undo.
        s.files = int(std::count_if(log.entries.cbegin(), log.entries.cend(), [](const Entry &e) {
            return e.made && e.kind != EntryKind::Copy;
        }));
        jobs.append(s);
    }
    return jobs;
}

JobSummary lastUndoable(const QString &folder, QList<quint64> *skipped)
{
    QList<quint64> passed;
    for (const JobSummary &s : history(folder)) {
        if (s.undone || s.kind.startsWith(QStringLiteral("undo")))
            continue;
        // A job whose every row failed changed nothing: undoing it would
        // leave the real change before it in place.
        if (s.files == 0 && !s.damaged) {
            passed.append(s.number);
            continue;
        }
        if (skipped)
            *skipped = passed;
        return s;
    }
    if (skipped)
        *skipped = passed;
    return {};
}

UndoReport undo(quint64 number, const QString &folder)
{
    UndoReport report;
    const QString dir = folderOrDefault(folder);
    if (number == 0)
        number = lastUndoable(dir, &report.skipped).number;
    const QString name = jobFile(dir, number);
    const auto lock = number ? lockJob(dir, number) : nullptr;
    if (!lock)
        return report;
    const JobLog log = readJob(name);
    if (log.valid && isDamaged(name, log)) {
        // Part of a job put back is worse than none: the user decides.
        report.number = number;
        report.error = QCoreApplication::translate("Recovery",
                                                   "журнал задания %1 поврежден на байте %2 из %3: "
                                                   "ничего не возвращено")
                           .arg(number)
                           .arg(log.goodBytes)
                           .arg(name);
        return report;
    }
    if (!log.valid || !log.closed || log.undone)
        return report;
    QString error;
    const QString undoKind = QStringLiteral("undo %1").arg(number);
    auto journal = JobJournal::start(undoKind, &error, dir);
    if (!journal) {
        // Nothing is put back that the journal could not keep.
        report.error = error;
        return report;
    }
    report.number = number;

    // Names first, last rename first; then the tags, on the names the files
    // have once the renames are undone: a file is followed by its identity
    // (a swap gives each name the other's file).
    QHash<FileId, QString> movedTo;
    struct Step {
        FileOutcome out;
        quint32 id = 0;
        FileChange change;
        QString from, to;
        FileId file; // a rename's file
    };
    QList<Step> steps;
    QSet<QString> pending, touched;
    // Files exactly as the undo of a later job left them: their time and
    // inode are that undo's, not another program's, and they are judged by
    // their bytes.
    QHash<QString, FileStamp> putBack;
    // Of them, the files an earlier undo of this job put back before a file
    // it could not put back kept the job undoable: they are passed over.
    QHash<QString, FileStamp> backAlready;
    for (const quint64 later : jobNumbers(dir)) {
        const JobLog undone = later > number ? readJob(jobFile(dir, later)) : JobLog();
        if (!undone.kind.startsWith(QStringLiteral("undo ")))
            continue;
        for (const Entry &e : undone.entries) {
            if (!e.made)
                continue;
            const QString path = e.kind == EntryKind::Rename ? e.newPath : e.path;
            putBack.insert(path, e.after);
            if (undone.kind == undoKind)
                backAlready.insert(path, e.after);
        }
    }
    // The names the job's renames took: a file there now is one this undo
    // moves away, so a name of them may be taken while the steps go round
    // (a swap).
    QSet<QString> vacated;
    for (const Entry &e : log.entries) {
        if (e.made && e.kind == EntryKind::Rename)
            vacated.insert(reachedName(e.newPath));
    }
    // Files this undo moved back by a copy (from another file system), as
    // the copy left them: another inode than the job's, the same bytes and
    // time, so that their tags are judged by their bytes.
    QHash<QString, FileStamp> copiedBack;
    // Files whose bytes this undo has put back, as it left them: their time,
    // and after a rewrite their inode, are the undo's, not another
    // program's.
    QHash<QString, FileStamp> restoredHere;
    const auto giveName = [&](const QString &from, const QString &to) {
        if (renameNoReplace(from, to))
            return true;
        if (errno != EXDEV || !moveAcross(from, to, *journal))
            return false;
        FileStamp placed;
        if (stampOf(to, &placed))
            copiedBack.insert(to, placed);
        return true;
    };
    // Makes the staged steps, after one sync of their records. A file whose
    // old name is still taken waits under a temporary name until the other
    // steps have moved on.
    const auto flush = [&] {
        const bool recorded = journal->sync();
        QList<std::pair<qsizetype, QString>> waiting;
        const auto finish = [&](Step &step, bool made) {
            if (made && !step.from.isEmpty())
                movedTo.insert(step.file, step.to);
            FileStamp restored;
            if (made && step.from.isEmpty() && stampOf(step.out.path, &restored))
                restoredHere.insert(step.out.path, restored);
            journal->markDone(step.id, made, step.to.isEmpty() ? step.out.path : step.to);
            step.out.restored = made;
            step.out.failed = !made;
            if (!made)
                step.out.reason =
                    QCoreApplication::translate("Recovery", "не удалось вернуть файл");
        };
        for (qsizetype i = 0; i < steps.size(); ++i) {
            Step &step = steps[i];
            bool made = false;
            if (recorded && !step.from.isEmpty()) {
                made = giveName(step.from, step.to);
                if (!made && vacated.contains(reachedName(step.to))) {
                    const QString parked = parkAside(step.from);
                    if (!parked.isEmpty()) {
                        waiting.append({i, parked});
                        continue;
                    }
                }
            } else if (recorded) {
                made = applyChange(step.change);
            }
            finish(step, made);
        }
        for (const auto &[i, parked] : std::as_const(waiting)) {
            Step &step = steps[i];
            const bool made = giveName(parked, step.to);
            if (!made)
                renameNoReplace(parked, step.from);
            finish(step, made);
        }
        for (const Step &step : std::as_const(steps))
            report.files.append(step.out);
        journal->flushDone();
        steps.clear();
        pending.clear();
    };
    // The folders the job removed come back before the files go back into
    // them, parents first; the folders it made go once the files left
    // them, children first, and only while empty.
    const auto undoFolders = [&](EntryKind undone, EntryKind change) {
        for (auto it = log.entries.crbegin(); it != log.entries.crend(); ++it) {
            if (!it->made || it->kind != undone
                || QFileInfo(it->path).isDir() == (change == EntryKind::MakeFolder))
                continue;
            if (!journal->changeFolder(change, it->path) && change == EntryKind::MakeFolder) {
                FileOutcome out;
                out.path = it->path;
                out.failed = true;
                out.reason = QCoreApplication::translate("Recovery", "не удалось вернуть папку");
                report.files.append(out);
            }
        }
    };
    // A write job changes a file's bytes before its name, so its names go
    // back first. An undo put back all names on one side of all bytes: its
    // own undo goes the other way, so that the bytes it put back after the
    // names are taken back first, on the names the files have now.
    const auto firstChange =
        std::find_if(log.entries.cbegin(), log.entries.cend(), [](const Entry &e) {
            return e.made && e.kind != EntryKind::Copy && !isFolderEntry(e.kind);
        });
    const bool namesLast = log.kind.startsWith(QStringLiteral("undo "))
                           && firstChange != log.entries.cend()
                           && firstChange->kind == EntryKind::Rename;
    for (int pass = 0; pass < 2; ++pass) {
        const bool names = (pass == 0) != namesLast;
        if (names)
            undoFolders(EntryKind::RemoveFolder, EntryKind::MakeFolder);
        for (auto it = log.entries.crbegin(); it != log.entries.crend(); ++it) {
            const Entry &e = *it;
            if (!e.made || e.kind == EntryKind::Copy || isFolderEntry(e.kind)
                || (e.kind == EntryKind::Rename) != names)
                continue;
            Step step;
            step.out.path =
                e.kind == EntryKind::Rename ? e.newPath : movedTo.value(idOf(e.after), e.path);
            // A file the job changed twice is judged after its later change
            // is undone; its time is then ours, not the job's.
            if (pending.contains(step.out.path))
                flush();
            ReadOnlyFile file;
            const FileView view = viewOf(step.out.path, &file);
            FileStamp expected = e.after;
            if (touched.contains(step.out.path))
                expected.mtimeNs = view.stamp.mtimeNs;
            if (view.exists && view.stamp == restoredHere.value(step.out.path)) {
                expected = view.stamp;
                expected.size = e.after.size;
            }
            bool same = view.exists
                        && (view.stamp == expected || view.stamp == putBack.value(step.out.path)
                            || (e.kind != EntryKind::Rename
                                && view.stamp == copiedBack.value(step.out.path)));
            if (e.kind == EntryKind::Rename) {
                // The file an earlier try put back under its old name is
                // back, also when the new name holds a file again: in a
                // swap, the other file that try put back there.
                FileStamp back;
                if (stampOf(e.path, &back) && back == backAlready.value(e.path)) {
                    movedTo.insert(idOf(e.after), e.path);
                    continue;
                }
                struct stat info;
                same = same
                       && (::stat(encodeFileName(e.path).constData(), &info) != 0
                           || vacated.contains(reachedName(e.path)));
                step.from = e.newPath;
                step.to = e.path;
                step.file = idOf(e.after);
                step.out.oldPath = e.path;
            } else {
                Entry moved = e;
                moved.path = step.out.path;
                if (view.exists && view.stamp == backAlready.value(moved.path)
                    && decide(moved, view).verdict == Verdict::Old) {
                    touched.insert(moved.path);
                    continue;
                }
                same = same && holdsNew(moved, view) && restoringChange(moved, view, &step.change);
            }
            step.out.verdict =
                same ? Verdict::New : (view.exists ? Verdict::Foreign : Verdict::Missing);
            touched.insert(step.out.path);
            if (!same) {
                step.out.reason =
                    view.exists ? QCoreApplication::translate("Recovery", "файл с тех пор изменен")
                                : QCoreApplication::translate("Recovery", "файл не найден");
                report.files.append(step.out);
                continue;
            }
            step.id = e.kind == EntryKind::Rename ? journal->stageRename(step.from, step.to)
                                                  : journal->stage(step.change);
            pending.insert(step.out.path);
            steps.append(step);
        }
        flush();
        if (names)
            undoFolders(EntryKind::MakeFolder, EntryKind::RemoveFolder);
    }
    journal->close();
    // A file that could not be put back (its disk full, say) leaves the job
    // undoable, so that undo, tried again, puts back the rest.
    if (std::none_of(report.files.cbegin(), report.files.cend(),
                     [](const FileOutcome &out) { return out.failed; }))
        appendDurably(name, undoneRecord());
    return report;
}

} // namespace qm::journal
