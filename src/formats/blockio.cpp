#include "formats/blockio.h"

#include <QFile>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace qm {

#ifdef Q_OS_UNIX

namespace {

// Opens a regular file with `flags`; -1 on failure. Only regular files: a
// FIFO or device would block or never end (and O_NONBLOCK keeps opening a
// FIFO from waiting for its other end).
int openRegular(const QString &fileName, int flags, qint64 *size)
{
    const QByteArray path = QFile::encodeName(fileName);
    int fd;
    do {
        fd = ::open(path.constData(), flags | O_CLOEXEC | O_NONBLOCK);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return -1;
    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return -1;
    }
    *size = info.st_size;
    return fd;
}

bool preadUpTo(int fd, qint64 pos, qint64 length, QByteArray *out)
{
    out->clear();
    if (fd < 0 || pos < 0 || length < 0)
        return false;
    out->resize(length);
    qint64 done = 0;
    while (done < length) {
        const ssize_t got = ::pread(fd, out->data() + done, size_t(length - done), off_t(pos + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            out->clear();
            return false;
        }
        if (got == 0)
            break;
        done += got;
    }
    out->resize(done);
    return true;
}

} // namespace

ReadOnlyFile::~ReadOnlyFile()
{
    if (fd_ >= 0)
        ::close(fd_);
}

bool ReadOnlyFile::open(const QString &fileName)
{
    fd_ = openRegular(fileName, O_RDONLY, &size_);
    return fd_ >= 0;
}

bool ReadOnlyFile::isOpen() const
{
    return fd_ >= 0;
}

bool ReadOnlyFile::readUpTo(qint64 pos, qint64 length, QByteArray *out)
{
    return preadUpTo(fd_, pos, length, out);
}

ReadWriteFile::~ReadWriteFile()
{
    close();
}

bool ReadWriteFile::open(const QString &fileName)
{
    close();
    fd_ = openRegular(fileName, O_RDWR, &size_);
    return fd_ >= 0;
}

bool ReadWriteFile::readUpTo(qint64 pos, qint64 length, QByteArray *out)
{
    return preadUpTo(fd_, pos, length, out);
}

bool ReadWriteFile::writeAt(qint64 pos, const QByteArray &bytes)
{
    if (fd_ < 0 || pos < 0)
        return false;
    qint64 done = 0;
    while (done < bytes.size()) {
        const ssize_t put = ::pwrite(fd_, bytes.constData() + done, size_t(bytes.size() - done), off_t(pos + done));
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        done += put;
    }
    return true;
}

void ReadWriteFile::close()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

#else

ReadOnlyFile::~ReadOnlyFile()
{
    delete file_;
}

bool ReadOnlyFile::open(const QString &fileName)
{
    file_ = new QFile(fileName);
    if (!file_->open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return false;
    size_ = file_->size();
    return true;
}

bool ReadOnlyFile::isOpen() const
{
    return file_ && file_->isOpen();
}

bool ReadOnlyFile::readUpTo(qint64 pos, qint64 length, QByteArray *out)
{
    return file_ && qm::readUpTo(*file_, pos, length, out);
}

ReadWriteFile::~ReadWriteFile()
{
    close();
}

bool ReadWriteFile::open(const QString &fileName)
{
    close();
    file_ = new QFile(fileName);
    if (!file_->open(QIODevice::ReadWrite | QIODevice::ExistingOnly | QIODevice::Unbuffered))
        return false;
    size_ = file_->size();
    return true;
}

bool ReadWriteFile::readUpTo(qint64 pos, qint64 length, QByteArray *out)
{
    return file_ && qm::readUpTo(*file_, pos, length, out);
}

bool ReadWriteFile::writeAt(qint64 pos, const QByteArray &bytes)
{
    return file_ && qm::writeAt(*file_, pos, bytes) && file_->flush();
}

void ReadWriteFile::close()
{
    delete file_;
    file_ = nullptr;
}

#endif

BlockReader ReadOnlyFile::reader()
{
    return [this](qint64 pos, qint64 length, QByteArray *out) { return readUpTo(pos, length, out); };
}

bool readUpTo(QFile &file, qint64 pos, qint64 length, QByteArray *out)
{
    out->clear();
    if (pos < 0 || length < 0 || !file.seek(pos))
        return false;
    out->resize(length);
    const qint64 got = file.read(out->data(), length);
    if (got < 0) {
        out->clear();
        return false;
    }
    out->resize(got);
    return true;
}

bool writeAt(QFile &file, qint64 pos, const QByteArray &bytes)
{
    return pos >= 0 && file.seek(pos) && file.write(bytes) == bytes.size();
}

bool makeWritable(const QString &fileName)
{
    const QFile::Permissions perms = QFile::permissions(fileName);
    if (perms & QFile::WriteOwner)
        return true;
    return QFile::setPermissions(fileName, perms | QFile::WriteOwner);
}

} // namespace qm
