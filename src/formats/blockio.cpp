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

ReadOnlyFile::~ReadOnlyFile()
{
    if (fd_ >= 0)
        ::close(fd_);
}

bool ReadOnlyFile::open(const QString &fileName)
{
    const QByteArray path = QFile::encodeName(fileName);
    do {
        fd_ = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    } while (fd_ < 0 && errno == EINTR);
    if (fd_ < 0)
        return false;
    // Only regular files: a FIFO or device would block or never end (and
    // O_NONBLOCK above keeps opening a FIFO from waiting for a writer).
    struct stat info;
    if (::fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd_);
        fd_ = -1;
        return false;
    }
    size_ = info.st_size;
    return true;
}

bool ReadOnlyFile::isOpen() const
{
    return fd_ >= 0;
}

bool ReadOnlyFile::readUpTo(qint64 pos, qint64 length, QByteArray *out)
{
    out->clear();
    if (fd_ < 0 || pos < 0 || length < 0)
        return false;
    out->resize(length);
    qint64 done = 0;
    while (done < length) {
        const ssize_t got = ::pread(fd_, out->data() + done, size_t(length - done), off_t(pos + done));
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
