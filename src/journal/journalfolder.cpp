#include "journal/journalfolder.h"

#include "formats/fileio.h"
#include "formats/pathcodec.h"
#include "journal/journal.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qm::journal {
namespace {

const QString kSuffix = QStringLiteral(".qmj");

} // namespace

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

bool isDamaged(const QString &fileName, const JobLog &log)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly) || file.size() <= log.goodBytes)
        return false;
    const QByteArray rest = file.readAll().mid(log.goodBytes + 1);
    return rest.contains(QByteArrayLiteral("QMJR"));
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

} // namespace qm::journal
