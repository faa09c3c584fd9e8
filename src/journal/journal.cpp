#include "journal/journal.h"

#include "formats/pathcodec.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <map>
#include <cstdio>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qm::journal {
namespace {

const QString kSuffix = QStringLiteral(".qmj");

QString folderOrDefault(const QString &folder)
{
    return folder.isEmpty() ? journalFolder() : folder;
}

QString jobFile(const QString &folder, quint64 number)
{
    return QDir(folder).filePath(
        QString::asprintf("%010llu", static_cast<unsigned long long>(number)) + kSuffix);
}

std::unique_ptr<QLockFile> lockJob(const QString &folder, quint64 number)
{
    auto lock = std::make_unique<QLockFile>(
        QDir(folder).filePath(QString::number(number) + QStringLiteral(".lock")));
    if (!lock->tryLock(0))
        return nullptr;
    return lock;
}

// The job numbers in the folder, oldest first.
QList<quint64> jobNumbers(const QString &folder)
{
    QList<quint64> numbers;
    const QStringList names = QDir(folder).entryList({QStringLiteral("*") + kSuffix}, QDir::Files);
    for (const QString &name : names) {
        bool ok = false;
        const quint64 n = name.chopped(kSuffix.size()).toULongLong(&ok);
        if (ok && n > 0)
            numbers.append(n);
    }
    std::sort(numbers.begin(), numbers.end());
    return numbers;
}

bool writeAll(int fd, const QByteArray &bytes)
{
    qint64 done = 0;
    while (done < bytes.size()) {
        const ssize_t put = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        done += put;
    }
    return true;
}

void syncFolder(const QString &folder)
{
    const int fd = ::open(encodeFileName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        (void)::fsync(fd);
        ::close(fd);
    }
}

// Appends records to a settled job's file and syncs them.
bool appendDurably(const QString &fileName, const QByteArray &bytes)
{
    const int fd = ::open(encodeFileName(fileName).constData(), O_WRONLY | O_APPEND | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = writeAll(fd, bytes) && ::fdatasync(fd) == 0;
    ::close(fd);
    return ok;
}

JobLog readJob(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return parseJournal(file.readAll());
}

// A finished job's file ends in its closing (or undone) record, which has
// no payload: known without reading the whole file.
bool isFinished(const QString &fileName)
{
    QFile file(fileName);
    const QByteArray closed = closedRecord();
    if (!file.open(QIODevice::ReadOnly) || file.size() < closed.size()
        || !file.seek(file.size() - closed.size()))
        return false;
    const QByteArray last = file.read(closed.size());
    return last == closed || last == undoneRecord();
}

bool renameNoReplace(const QString &from, const QString &to)
{
    const QByteArray source = encodeFileName(from);
    const QByteArray target = encodeFileName(to);
#ifdef RENAME_NOREPLACE
    if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE)
        == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP)
        return false;
#endif
    struct stat info;
    if (::lstat(target.constData(), &info) == 0 || errno != ENOENT)
        return false;
    return ::rename(source.constData(), target.constData()) == 0;
}

constexpr char kParkPrefix[] = ".quillmark-";
constexpr int kParkRandom = 6;

// The files parked under a temporary name (".quillmark-", six characters,
// "-" and the name they had, or nothing after the "-" for a long name) in
// the folders of the job's renames, by device and inode.
QHash<QPair<quint64, quint64>, QString> parkedFiles(const JobLog &log)
{
    QHash<QPair<quint64, quint64>, QString> parked;
    QSet<QString> folders;
    for (const Entry &e : log.entries) {
        if (e.kind == EntryKind::Rename)
            folders.insert(QFileInfo(e.path).absolutePath());
    }
    const qsizetype dash = sizeof kParkPrefix - 1 + kParkRandom;
    for (const QString &folder : std::as_const(folders)) {
        const QByteArray base = encodeFileName(folder);
        DIR *dir = ::opendir(base.constData());
        if (!dir)
            continue;
        while (const dirent *entry = ::readdir(dir)) {
            const QByteArray name(entry->d_name);
            if (name.size() <= dash || !name.startsWith(kParkPrefix) || name.at(dash) != '-')
                continue;
            const QByteArray path = base + '/' + name;
            struct stat info;
            if (::lstat(path.constData(), &info) == 0 && S_ISREG(info.st_mode))
                parked.insert({quint64(info.st_dev), quint64(info.st_ino)}, decodeFileName(path));
        }
        ::closedir(dir);
    }
    return parked;
}

// Frees `name` by moving the file one of the job's renames put there back
// where it came from, and so on along the chain of renames. Each rename so
// taken back gets a mark in *reverted that says it is no longer made, so
// that undo does not take it back a second time.
bool freeName(const QString &name, const QList<Entry> &entries, QList<DoneMark> *reverted,
              int depth = 0)
{
    struct stat info;
    if (::lstat(encodeFileName(name).constData(), &info) != 0)
        return errno == ENOENT;
    if (depth > entries.size())
        return false;
    for (const Entry &x : entries) {
        if (x.kind != EntryKind::Rename || x.newPath != name || x.path == name
            || x.before.inode != quint64(info.st_ino) || x.before.device != quint64(info.st_dev))
            continue;
        if (!freeName(x.path, entries, reverted, depth + 1) || !renameNoReplace(name, x.path))
            return false;
        DoneMark mark;
        mark.id = x.id;
        stampOf(x.path, &mark.after);
        reverted->append(mark);
        return true;
    }
    return false;
}

// A file parked while the names of a ring of renames went round, left so
// by a job that died, goes to its new name when that is free, else back to
// its old one, freed if need be.
void unpark(const JobLog &log, RecoveryReport &report, QList<DoneMark> *reverted)
{
    const auto parked = parkedFiles(log);
    if (parked.isEmpty())
        return;
    for (const Entry &e : log.entries) {
        const QString from = e.kind == EntryKind::Rename && e.before.inode != 0
                                 ? parked.value({e.before.device, e.before.inode})
                                 : QString();
        if (from.isEmpty() || !QFileInfo::exists(from))
            continue;
        // The parked name carries the file's own (unless it was too long):
        // another file that took a freed inode number is not this one.
        const QString carried = QFileInfo(from).fileName().mid(sizeof kParkPrefix + kParkRandom);
        if (!carried.isEmpty() && carried != QFileInfo(e.path).fileName())
            continue;
        if (!renameNoReplace(from, e.newPath)
            && !(freeName(e.path, log.entries, reverted) && renameNoReplace(from, e.path)))
            report.keptTemporary.append(from);
    }
}

using FileId = QPair<quint64, quint64>;

FileId idOf(const FileStamp &stamp) { return {stamp.device, stamp.inode}; }

// A temporary copy the job did not see to its end goes while its name
// still holds the file the job made there: the same device and inode, one
// name, and no more bytes than the whole copy. A copy that took its name
// is not there any more.
void removeCopy(const Entry &e, RecoveryReport &report)
{
    const QByteArray bytes = encodeFileName(e.path);
    struct stat info;
    if (::lstat(bytes.constData(), &info) != 0)
        return;
    const FileStamp now = stampOfInfo(info);
    if (S_ISREG(info.st_mode) && info.st_nlink == 1 && idOf(now) == idOf(e.before)
        && now.size <= e.oldSize && ::unlink(bytes.constData()) == 0)
        report.removedTemporary.append(e.path);
    else
        report.keptTemporary.append(e.path);
}

// Removes the temporary files a job that died may have left beside its
// files: the copies and parked names of file operations and the new copies
// of rewritten files (".quillmark-" and six characters), and the new copies
// older versions made of rewritten files (the file's name, a dot and six
// characters). Only files made since the job started, and
// never one that is a file the job recorded (a parked original keeps its
// inode).
void removeLeftovers(const JobLog &log, RecoveryReport &report)
{
    QSet<QString> folders;
    QSet<QString> rewritten;
    // A recorded file is told by its whole stamp: the inode number of a
    // file the job replaced is soon another file's, a temporary's too.
    QList<FileStamp> recorded;
    for (const Entry &e : log.entries) {
        folders.insert(QFileInfo(e.path).absolutePath());
        if (!e.newPath.isEmpty())
            folders.insert(QFileInfo(e.newPath).absolutePath());
        if (e.kind == EntryKind::Rewrite && !e.done)
            rewritten.insert(QFileInfo(e.path).fileName());
        // A copy's temporary is judged by removeCopy.
        if (e.kind == EntryKind::Copy)
            continue;
        recorded.append(e.before);
        if (e.done)
            recorded.append(e.after);
    }
    static const QRegularExpression ours(QStringLiteral("^\\.quillmark-[A-Za-z0-9]{6}$"));
    static const QRegularExpression copy(QStringLiteral("^(.+)\\.[A-Za-z0-9]{6}$"));
    const qint64 sinceNs = (log.startedMs - 2000) * 1000000;
    for (const QString &folder : std::as_const(folders)) {
        // Listed through the name codec, so a name that is not UTF-8 is
        // matched and removed as itself.
        QStringList names;
        if (DIR *dir = ::opendir(encodeFileName(folder).constData())) {
            while (const dirent *entry = ::readdir(dir))
                names.append(decodeFileName(entry->d_name));
            ::closedir(dir);
        }
        for (const QString &name : std::as_const(names)) {
            const QRegularExpressionMatch m = copy.match(name);
            if (!ours.match(name).hasMatch()
                && !(m.hasMatch() && rewritten.contains(m.captured(1))))
                continue;
            const QString path = QDir(folder).filePath(name);
            if (report.keptTemporary.contains(path))
                continue;
            struct stat info;
            const QByteArray bytes = encodeFileName(path);
            if (::lstat(bytes.constData(), &info) != 0 || !S_ISREG(info.st_mode))
                continue;
            const qint64 mtimeNs = qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
            if (mtimeNs < sinceNs)
                continue;
            if (recorded.contains(stampOfInfo(info)) || ::unlink(bytes.constData()) != 0)
                report.keptTemporary.append(path);
            else
                report.removedTemporary.append(path);
        }
    }
}

// A rewrite gives its file a new inode, and the renames the job recorded
// ahead of it know the old one: they are made to know the file by the one
// it has now, so that it is found under every name the job gave it, parked
// names included.
void followRewrites(JobLog &log)
{
    // By name and inode: the inode a rewrite freed is soon another
    // rewrite's new one.
    using Key = std::pair<QString, FileId>;
    std::map<Key, FileId> renewed;
    for (const Entry &e : std::as_const(log.entries)) {
        if (e.kind == EntryKind::Rewrite && e.done && e.made && e.before.inode != 0
            && e.after.inode != 0)
            renewed[{e.path, idOf(e.before)}] = idOf(e.after);
    }
    if (renewed.empty())
        return;
    for (Entry &e : log.entries) {
        if (e.kind != EntryKind::Rename)
            continue;
        // A file rewritten more than once goes along the chain.
        for (size_t step = 0; step < renewed.size(); ++step) {
            const auto it = renewed.find({e.path, idOf(e.before)});
            if (it == renewed.end())
                break;
            e.before.device = it->second.first;
            e.before.inode = it->second.second;
        }
    }
}

// Whether the journal's file holds more than the records that check out
// and a record begins after the damage: not the torn last record a crash
// leaves, but damage in the middle.
bool isDamaged(const QString &fileName, const JobLog &log)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly) || file.size() <= log.goodBytes)
        return false;
    const QByteArray rest = file.readAll().mid(log.goodBytes + 1);
    return rest.contains(QByteArrayLiteral("QMJR"));
}

// Where the file of an in-place change is now: under its recorded name,
// or under the new name of a rename of the same file (its mark may not
// have reached the journal while the rename did).
QString whereNow(const Entry &e, const QList<Entry> &entries)
{
    FileStamp now;
    if (e.kind != EntryKind::InPlace || e.before.inode == 0
        || (stampOf(e.path, &now) && idOf(now) == idOf(e.before)))
        return e.path;
    for (const Entry &x : entries) {
        if (x.kind == EntryKind::Rename && x.path == e.path && idOf(x.before) == idOf(e.before)
            && stampOf(x.newPath, &now) && idOf(now) == idOf(e.before))
            return x.newPath;
    }
    return e.path;
}

FileOutcome settle(const Entry &e, DoneMark *mark)
{
    FileOutcome out;
    out.path = e.path;
    ReadOnlyFile file, renamedFile;
    const FileView view = viewOf(e.path, &file);
    const FileView renamed =
        e.kind == EntryKind::Rename ? viewOf(e.newPath, &renamedFile) : FileView();
    const Decision d = decide(e, view, renamed);
    out.verdict = d.verdict;
    out.reason = d.reason;
    mark->id = e.id;
    mark->made = d.verdict == Verdict::New;
    mark->after =
        d.verdict == Verdict::New && e.kind == EntryKind::Rename ? renamed.stamp : view.stamp;
    if (d.verdict != Verdict::Torn)
        return out;
    FileChange back;
    WriteFailure why = WriteFailure::None;
    out.restored = restoringChange(e, view, &back) && applyChange(back, &why);
    out.failed = !out.restored;
    if (out.failed)
        out.reason = QCoreApplication::translate("Recovery", "не удалось вернуть прежние байты");
    else
        stampOf(e.path, &mark->after);
    return out;
}

} // namespace

QString parkAside(const QString &path)
{
    const QByteArray from = encodeFileName(path);
    const qsizetype slash = from.lastIndexOf('/');
    const QByteArray name = from.mid(slash + 1);
    const QByteArray folder = from.left(slash + 1);
    const qsizetype length = sizeof kParkPrefix - 1 + kParkRandom + 1;
    // A name too long to be carried along is parked without it.
    const QByteArray carried = name.size() + length <= NAME_MAX ? name : QByteArray();
    static const char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        QByteArray random(kParkRandom, Qt::Uninitialized);
        for (char &ch : random)
            ch = letters[QRandomGenerator::global()->bounded(int(sizeof letters - 1))];
        const QString parked = decodeFileName(folder + kParkPrefix + random + '-' + carried);
        if (renameNoReplace(path, parked))
            return parked;
        if (errno != EEXIST)
            return {};
    }
    return {};
}

QString journalFolder()
{
    QString data = qEnvironmentVariable("QUILLMARK_DATA_DIR");
    if (data.isEmpty())
        data = QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
                   .filePath(QStringLiteral("quillmark"));
    return QDir(data).filePath(QStringLiteral("journal"));
}

// ---- the running job ----

JobJournal::~JobJournal()
{
    // A job dropped without close() stays unfinished: recovery settles it.
    if (fd_ >= 0)
        ::close(fd_);
}

std::unique_ptr<JobJournal> JobJournal::start(const QString &kind, QString *error,
                                              const QString &folder)
{
    std::unique_ptr<JobJournal> job(new JobJournal);
    job->folder_ = folderOrDefault(folder);
    // The reason is read before anything else can change errno.
    const auto fail = [&](const char *why) {
        const int cause = errno;
        if (error)
            *error = QCoreApplication::translate("Journal", why) + QStringLiteral(": ")
                     + job->folder_ + QStringLiteral(": ")
                     + QString::fromLocal8Bit(strerror(cause));
        return nullptr;
    };
    if (!QDir().mkpath(job->folder_))
        return fail(QT_TRANSLATE_NOOP("Journal", "не удается создать папку журнала"));
    const QList<quint64> numbers = jobNumbers(job->folder_);
    quint64 number = numbers.isEmpty() ? 1 : numbers.last() + 1;
    // The lock first, then the file: recovery elsewhere never sees the
    // file of a running job unlocked.
    for (int attempt = 0; attempt < 100 && job->fd_ < 0; ++attempt, ++number) {
        auto lock = lockJob(job->folder_, number);
        if (!lock)
            continue;
        const QString name = jobFile(job->folder_, number);
        const int fd = ::open(encodeFileName(name).constData(),
                              O_WRONLY | O_CREAT | O_EXCL | O_APPEND | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            return fail(QT_TRANSLATE_NOOP("Journal", "не удается записать журнал"));
        }
        job->fd_ = fd;
        job->fileName_ = name;
        job->number_ = number;
        job->lock_ = std::move(lock);
    }
    if (job->fd_ < 0)
        return fail(QT_TRANSLATE_NOOP("Journal", "не удается начать журнал"));
    job->staged_ = headerRecord(job->number_, QDateTime::currentMSecsSinceEpoch(), kind);
    return job;
}

quint32 JobJournal::stage(const FileChange &change)
{
    const quint32 id = nextId_++;
    staged_ += entryRecord(entryFor(change, id));
    return id;
}

quint32 JobJournal::stageRename(const QString &from, const QString &to, const FileStamp *known)
{
    const quint32 id = nextId_++;
    FileStamp stamp;
    if (known)
        stamp = *known;
    else
        stampOf(from, &stamp);
    staged_ += entryRecord(renameEntry(from, to, stamp, id));
    return id;
}

quint32 JobJournal::recordCopy(const QString &temporary, const QString &target,
                               const FileStamp &made, qint64 size)
{
    const quint32 id = nextId_++;
    staged_ += entryRecord(copyEntry(temporary, target, made, size, id));
    return sync() ? id : 0;
}

bool JobJournal::append(const QByteArray &bytes)
{
    if (fd_ < 0 || closed_)
        return false;
    const off_t good = ::lseek(fd_, 0, SEEK_END);
    if (writeAll(fd_, bytes))
        return true;
    error_ = errno ? errno : EIO;
    // A record cut short would hide every record after it.
    if (good >= 0)
        (void)::ftruncate(fd_, good);
    return false;
}

bool JobJournal::sync()
{
    if (staged_.isEmpty())
        return true;
    const bool ok = append(staged_) && (::fdatasync(fd_) == 0 || (error_ = errno, false));
    staged_.clear();
    if (ok && !headerDurable_) {
        syncFolder(folder_); // the new file's name
        headerDurable_ = true;
    }
    return ok;
}

void JobJournal::markDone(quint32 id, bool made, const QString &path, const FileStamp *after)
{
    DoneMark mark;
    mark.id = id;
    mark.made = made;
    if (after)
        mark.after = *after;
    else
        stampOf(path, &mark.after);
    if (made)
        changedFileSystems_.insert(mark.after.device, path);
    done_.append(mark);
}

void JobJournal::syncChangedFileSystems()
{
    // syncfs rather than sync(2): a busy USB stick elsewhere must not hold
    // up the end of a job on the music disk.
    for (auto it = changedFileSystems_.cbegin(); it != changedFileSystems_.cend(); ++it) {
        const int fd = ::open(encodeFileName(it.value()).constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0 || ::syncfs(fd) != 0) {
            if (fd >= 0)
                ::close(fd);
            ::sync(); // the file moved on since: every file system, then
            return;
        }
        ::close(fd);
    }
}

bool JobJournal::flushDone()
{
    if (done_.isEmpty())
        return true;
    // No fsync: a lost mark only makes recovery look at the file again.
    const bool ok = append(doneRecord(done_));
    done_.clear();
    return ok;
}

bool JobJournal::close()
{
    if (closed_ || fd_ < 0)
        return false;
    const bool any = nextId_ > 1;
    bool ok = true;
    // The changed files reach the disk before the record that lets recovery
    // forget them: one sync of each file system the job changed.
    if (any) {
        syncChangedFileSystems();
        ok = sync() && flushDone() && append(closedRecord()) && ::fdatasync(fd_) == 0;
    }
    ::close(fd_);
    fd_ = -1;
    closed_ = true;
    // A job that changed nothing leaves nothing behind.
    if (!any)
        QFile::remove(fileName_);
    lock_.reset();
    prune(folder_);
    return ok;
}

bool JournalRecorder::recordChange(const FileChange &change)
{
    id_ = journal_.stage(change);
    return journal_.sync();
}

void JournalRecorder::changeDone(const FileChange &change, bool made)
{
    journal_.markDone(id_, made, change.fileName);
    journal_.flushDone();
}

// ---- recovery ----

RecoveryReport recover(const QString &folder)
{
    RecoveryReport report;
    const QString dir = folderOrDefault(folder);
    for (quint64 number : jobNumbers(dir)) {
        const QString name = jobFile(dir, number);
        if (isFinished(name))
            continue;
        const auto lock = lockJob(dir, number);
        if (!lock)
            continue; // running in another process
        JobLog log = readJob(name);
        if (!log.valid) {
            // Not even the header reached the disk: no file was touched.
            QFile::remove(name);
            continue;
        }
        if (log.closed)
            continue;
        ++report.jobs;
        const bool damaged = isDamaged(name, log);
        if (damaged)
            report.damaged.append(log.number);
        followRewrites(log);
        QList<DoneMark> marks;
        unpark(log, report, &marks);
        for (const Entry &e : log.entries) {
            if (e.done)
                continue;
            DoneMark mark;
            if (e.kind == EntryKind::Copy) {
                removeCopy(e, report);
                mark.id = e.id;
                marks.append(mark);
                continue;
            }
            Entry found = e;
            found.path = whereNow(e, log.entries);
            const FileOutcome out = settle(found, &mark);
            report.files.append(out);
            if (out.verdict == Verdict::New || out.verdict == Verdict::Old || out.restored)
                marks.append(mark);
        }
        removeLeftovers(log, report);
        // A journal damaged in the middle stays as it is, unsettled, so that
        // it is reported again and never taken for the whole job by undo.
        if (damaged)
            continue;
        // Records after a torn one would never be read: cut it off first.
        if (QFileInfo(name).size() > log.goodBytes)
            QFile(name).resize(log.goodBytes);
        appendDurably(name, (marks.isEmpty() ? QByteArray() : doneRecord(marks)) + closedRecord());
    }
    prune(dir);
    return report;
}

QStringList leftAlone(const RecoveryReport &report)
{
    QStringList lines;
    for (const FileOutcome &out : report.files) {
        if (out.failed || out.verdict == Verdict::Foreign || out.verdict == Verdict::Missing)
            lines.append(QCoreApplication::translate("Recovery", "восстановление не тронуло %1: %2")
                             .arg(out.path, out.reason));
    }
    for (const QString &path : report.keptTemporary)
        lines.append(QCoreApplication::translate(
                         "Recovery", "восстановление оставило %1: это может быть ваш файл")
                         .arg(path));
    for (quint64 number : report.damaged)
        lines.append(QCoreApplication::translate("Recovery",
                                                 "журнал задания %1 поврежден: завершены только "
                                                 "изменения, записанные до повреждения")
                         .arg(number));
    return lines;
}

// ---- history and undo ----

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
        // A copy leaves its original as it was: nothing to put back.
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
        report.error = QStringLiteral("the journal of job %1 is damaged at byte %2 of %3; "
                                      "nothing was put back")
                           .arg(number)
                           .arg(log.goodBytes)
                           .arg(name);
        return report;
    }
    if (!log.valid || !log.closed || log.undone)
        return report;
    QString error;
    auto journal = JobJournal::start(QStringLiteral("undo %1").arg(number), &error, dir);
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
    // The names the job's renames took: a file there now is one this undo
    // moves away, so a name of them may be taken while the steps go round
    // (a swap).
    QSet<QString> vacated;
    for (const Entry &e : log.entries) {
        if (e.made && e.kind == EntryKind::Rename)
            vacated.insert(e.newPath);
    }
    // Makes the staged steps, after one sync of their records. A file whose
    // old name is still taken waits under a temporary name until the other
    // steps have moved on.
    const auto flush = [&] {
        const bool recorded = journal->sync();
        QList<std::pair<qsizetype, QString>> waiting;
        const auto finish = [&](Step &step, bool made) {
            if (made && !step.from.isEmpty())
                movedTo.insert(step.file, step.to);
            journal->markDone(step.id, made, step.to.isEmpty() ? step.out.path : step.to);
            step.out.restored = made;
            step.out.failed = !made;
            if (!made)
                step.out.reason = QStringLiteral("could not put it back");
        };
        for (qsizetype i = 0; i < steps.size(); ++i) {
            Step &step = steps[i];
            bool made = false;
            if (recorded && !step.from.isEmpty()) {
                made = renameNoReplace(step.from, step.to);
                if (!made && vacated.contains(step.to)) {
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
            const bool made = renameNoReplace(parked, step.to);
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
    for (int pass = 0; pass < 2; ++pass) {
        for (auto it = log.entries.crbegin(); it != log.entries.crend(); ++it) {
            const Entry &e = *it;
            if (!e.made || e.kind == EntryKind::Copy
                || (e.kind == EntryKind::Rename) != (pass == 0))
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
            bool same = view.exists && view.stamp == expected;
            if (e.kind == EntryKind::Rename) {
                struct stat info;
                same = same
                       && (::stat(encodeFileName(e.path).constData(), &info) != 0
                           || vacated.contains(e.path));
                step.from = e.newPath;
                step.to = e.path;
                step.file = idOf(e.after);
                step.out.oldPath = e.path;
            } else {
                Entry moved = e;
                moved.path = step.out.path;
                same = same && holdsNew(moved, view) && restoringChange(moved, view, &step.change);
            }
            step.out.verdict =
                same ? Verdict::New : (view.exists ? Verdict::Foreign : Verdict::Missing);
            touched.insert(step.out.path);
            if (!same) {
                step.out.reason = view.exists ? QStringLiteral("changed since")
                                              : QStringLiteral("the file is gone");
                report.files.append(step.out);
                continue;
            }
            step.id = e.kind == EntryKind::Rename ? journal->stageRename(step.from, step.to)
                                                  : journal->stage(step.change);
            pending.insert(step.out.path);
            steps.append(step);
        }
        flush();
    }
    journal->close();
    appendDurably(name, undoneRecord());
    return report;
}

void prune(const QString &folder)
{
    const QString dir = folderOrDefault(folder);
    const QList<quint64> numbers = jobNumbers(dir);
    qint64 total = 0;
    QList<qint64> sizes;
    for (quint64 n : numbers) {
        sizes.append(QFileInfo(jobFile(dir, n)).size());
        total += sizes.last();
    }
    int kept = int(numbers.size());
    // The newest job stays whatever its size: it is the one to undo.
    for (int i = 0; i + 1 < numbers.size() && (kept > kKeptJobs || total > kMaxBytes); ++i) {
        const QString name = jobFile(dir, numbers[i]);
        if (!isFinished(name))
            continue;
        const auto lock = lockJob(dir, numbers[i]);
        if (lock && QFile::remove(name)) {
            total -= sizes[i];
            --kept;
        }
    }
}

} // namespace qm::journal
