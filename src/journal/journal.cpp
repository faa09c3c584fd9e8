#include "journal/journal.h"

#include "formats/fileio.h"
#include "formats/pathcodec.h"
#include "journal/journalfolder.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QStandardPaths>

#include <cerrno>
#include <climits>
#include <cstdio>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qm::journal {
namespace {

// How many files' data a job changes before it is sent to the disk ahead of
// the job's end. Renames alone are left to the end: their few changed
// blocks gain nothing from it, and an early sync holds up the journal's.
constexpr int kEarlyFlushEvery = 128;

void syncFolder(const QString &folder)
{
    const int fd = ::open(encodeFileName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        (void)::fsync(fd);
        ::close(fd);
    }
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
        QString parked = decodeFileName(folder + kParkPrefix + random + '-' + carried);
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

JobJournal::~JobJournal()
{
    recordSync_.wait();
    waitForEarlyFlush();
    // A job dropped without close() stays unfinished: recovery settles it.
    if (fd_ >= 0)
        ::close(fd_);
}

namespace {

// The system's text for an error follows the C locale, which need not be the
// language the program speaks: the causes a journal folder meets are the
// program's own texts.
QString causeText(int cause)
{
    const char *text = nullptr;
    switch (cause) {
    case ENOENT:
        text = QT_TRANSLATE_NOOP("Journal", "нет такой папки");
        break;
    case ENOTDIR:
        text = QT_TRANSLATE_NOOP("Journal", "часть пути не является папкой");
        break;
    case EEXIST:
        text = QT_TRANSLATE_NOOP("Journal", "на месте папки уже есть файл");
        break;
    case EACCES:
    case EPERM:
        text = QT_TRANSLATE_NOOP("Journal", "нет прав на запись");
        break;
    case EROFS:
        text = QT_TRANSLATE_NOOP("Journal", "файловая система только для чтения");
        break;
    case ENOSPC:
    case EDQUOT:
        text = QT_TRANSLATE_NOOP("Journal", "нет места на диске");
        break;
    case ENAMETOOLONG:
        text = QT_TRANSLATE_NOOP("Journal", "слишком длинный путь");
        break;
    case ELOOP:
        text = QT_TRANSLATE_NOOP("Journal", "слишком много символических ссылок в пути");
        break;
    case EIO:
        text = QT_TRANSLATE_NOOP("Journal", "ошибка ввода-вывода");
        break;
    default:
        return QString::fromLocal8Bit(strerror(cause));
    }
    return QCoreApplication::translate("Journal", text);
}

// Why the journal in `folder` cannot be written, from errno; read first,
// before anything else can change errno.
void setJournalError(QString *error, const char *why, const QString &folder)
{
    const int cause = errno;
    if (error)
        *error = QCoreApplication::translate("Journal", why) + QStringLiteral(": ") + folder
                 + QStringLiteral(": ") + causeText(cause);
}

} // namespace

bool JobJournal::canStart(QString *error, const QString &folder)
{
    const QString dir = folderOrDefault(folder);
    if (!QDir().mkpath(dir)) {
        setJournalError(error, QT_TRANSLATE_NOOP("Journal", "не удается создать папку журнала"),
                        dir);
        return false;
    }
    // A file made and removed at once: no lock, no sync, no job number.
    const QByteArray probe =
        encodeFileName(QDir(dir).filePath(QStringLiteral(".probe-%1").arg(::getpid())));
    const int fd = ::open(probe.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        setJournalError(error, QT_TRANSLATE_NOOP("Journal", "не удается записать журнал"), dir);
        return false;
    }
    ::close(fd);
    ::unlink(probe.constData());
    return true;
}

std::unique_ptr<JobJournal> JobJournal::start(const QString &kind, QString *error,
                                              const QString &folder)
{
    std::unique_ptr<JobJournal> job(new JobJournal);
    job->folder_ = folderOrDefault(folder);
    const auto fail = [&](const char *why) {
        setJournalError(error, why, job->folder_);
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
    appendEntryRecord(staged_, entryFor(change, id));
    ++dataSinceFlush_;
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
    appendEntryRecord(staged_, renameEntry(from, to, stamp, id));
    return id;
}

quint32 JobJournal::recordCopy(const QString &temporary, const QString &target,
                               const FileStamp &made, qint64 size)
{
    const quint32 id = nextId_++;
    appendEntryRecord(staged_, copyEntry(temporary, target, made, size, id));
    ++dataSinceFlush_;
    return sync() ? id : 0;
}

bool changeFolderNow(EntryKind kind, const QString &folder)
{
    const QByteArray path = encodeFileName(folder);
    return kind == EntryKind::MakeFolder ? ::mkdir(path.constData(), 0777) == 0
                                         : ::rmdir(path.constData()) == 0;
}

bool JobJournal::changeFolder(EntryKind kind, const QString &folder)
{
    const quint32 id = nextId_++;
    appendEntryRecord(staged_, folderEntry(kind, folder, id));
    if (!sync())
        return false;
    const bool made = changeFolderNow(kind, folder);
    // The parent stays, and its file system is the one to sync at the end.
    QString parent = folder;
    while (parent.endsWith(QLatin1Char('/')) && parent.size() > 1)
        parent.chop(1);
    parent = parent.left(std::max<qsizetype>(1, parent.lastIndexOf(QLatin1Char('/'))));
    FileStamp none;
    markDone(id, made, parent, &none);
    flushDone();
    return made;
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

void JobJournal::startSync()
{
    finishSync(); // one at a time
    syncPending_ = true;
    pendingError_ = 0;
    // The first records make the journal's file and its name durable too.
    if (!headerDurable_ || staged_.isEmpty()) {
        pendingWritten_ = sync();
        return;
    }
    pendingWritten_ = append(staged_);
    staged_.clear();
    if (!pendingWritten_)
        return;
    const int fd = fd_;
    const auto flush = [this, fd] { pendingError_ = ::fdatasync(fd) == 0 ? 0 : errno; };
    if (!recordSync_.start(flush))
        flush();
}

bool JobJournal::finishSync()
{
    if (!syncPending_)
        return true;
    recordSync_.wait();
    syncPending_ = false;
    if (pendingError_ != 0)
        error_ = pendingError_;
    return pendingWritten_ && pendingError_ == 0;
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

void JobJournal::startEarlyFlush()
{
    if (dataSinceFlush_ < kEarlyFlushEvery || earlyFlush_.busy())
        return;
    QList<QByteArray> files;
    for (const QString &path : std::as_const(changedFileSystems_))
        files.append(encodeFileName(path));
    dataSinceFlush_ = 0;
    // Only a head start: close() still syncs every changed file system, so
    // a flush that fails or never starts loses nothing.
    earlyFlush_.start([files] {
        for (const QByteArray &file : files) {
            const int fd = ::open(file.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
            if (fd >= 0) {
                (void)::syncfs(fd);
                ::close(fd);
            }
        }
    });
}

void JobJournal::waitForEarlyFlush() { earlyFlush_.wait(); }

void JobJournal::syncChangedFileSystems()
{
    // syncfs rather than sync(2): a busy USB stick elsewhere must not hold
    // up the end of a job on the music disk.
    for (auto it = changedFileSystems_.cbegin(); it != changedFileSystems_.cend(); ++it) {
        const int fd = ::open(encodeFileName(it.value()).constData(),
                              O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
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
    startEarlyFlush();
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
        ok = finishSync();
        waitForEarlyFlush();
        syncChangedFileSystems();
        ok = sync() && flushDone() && append(closedRecord()) && ::fdatasync(fd_) == 0 && ok;
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

} // namespace qm::journal
