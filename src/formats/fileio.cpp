#include "formats/fileio.h"

#include "formats/pathcodec.h"

#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace qm {

namespace {

// openRegular for a name; *size gets the open file's size.
int openByName(const QString &fileName, int flags, qint64 *size)
{
    struct stat info;
    const int fd = openRegular(encodeFileName(fileName), flags, &info);
    if (fd >= 0)
        *size = info.st_size;
    return fd;
}

} // namespace

int openRegular(const QByteArray &path, int flags, struct stat *info)
{
    if (path.contains('\0')) {
        errno = EINVAL;
        return -1;
    }
    return openRegularAt(AT_FDCWD, path.constData(), flags, info);
}

int openRegularAt(int folder, const char *name, int flags, struct stat *info)
{
    int fd;
    do {
        fd = ::openat(folder, name, flags | O_CLOEXEC | O_NONBLOCK);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return -1;
    if (::fstat(fd, info) != 0 || !S_ISREG(info->st_mode)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool preadInto(int fd, qint64 pos, qint64 length, char *to, qint64 *done)
{
    *done = 0;
    if (fd < 0 || pos < 0 || length < 0)
        return false;
    while (*done < length) {
        const ssize_t got = ::pread(fd, to + *done, size_t(length - *done), off_t(pos + *done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return false;
        if (got == 0)
            break;
        *done += got;
    }
    return true;
}

bool preadUpTo(int fd, qint64 pos, qint64 length, QByteArray *out)
{
    // A buffer of its own keeps its room for the next read.
    if (out->isDetached())
        out->truncate(0);
    else
        out->clear();
    if (fd < 0 || pos < 0 || length < 0)
        return false;
    out->resize(length);
    qint64 done = 0;
    if (!preadInto(fd, pos, length, out->data(), &done)) {
        out->clear();
        return false;
    }
    out->resize(done);
    return true;
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

bool pwriteAll(int fd, qint64 pos, const QByteArray &bytes, qint64 *written)
{
    qint64 ignored = 0;
    qint64 &done = written ? *written : ignored;
    done = 0;
    if (fd < 0 || pos < 0)
        return false;
    while (done < bytes.size()) {
        const ssize_t put =
            ::pwrite(fd, bytes.constData() + done, size_t(bytes.size() - done), off_t(pos + done));
        if (put < 0 && errno == EINTR)
            continue;
        if (put == 0)
            errno = ENOSPC;
        if (put <= 0)
            return false;
        done += put;
    }
    return true;
}

bool syncFolderOf(const QString &fileName)
{
    const QByteArray folder = encodeFileName(QFileInfo(fileName).absolutePath());
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
}

FileStamp stampOfInfo(const struct stat &info)
{
    FileStamp stamp;
    stamp.device = quint64(info.st_dev);
    stamp.inode = quint64(info.st_ino);
    stamp.size = info.st_size;
    stamp.mtimeNs = qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    stamp.ctimeNs = qint64(info.st_ctim.tv_sec) * 1000000000 + info.st_ctim.tv_nsec;
    return stamp;
}

bool stampOf(const QString &fileName, FileStamp *stamp)
{
    struct stat info;
    if (holdsNul(fileName) || ::stat(encodeFileName(fileName).constData(), &info) != 0
        || !S_ISREG(info.st_mode))
        return false;
    *stamp = stampOfInfo(info);
    return true;
}

ReadOnlyFile::~ReadOnlyFile()
{
    if (fd_ >= 0)
        ::close(fd_);
}

bool ReadOnlyFile::open(const QString &fileName)
{
    struct stat info;
    return open(fileName, &info);
}

bool ReadOnlyFile::open(const QString &fileName, struct stat *seen)
{
    const QByteArray path = encodeFileName(fileName);
    if (path.contains('\0'))
        return false;
    do {
        fd_ = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    } while (fd_ < 0 && errno == EINTR);
    if (fd_ < 0)
        return false;
    if (::fstat(fd_, seen) != 0 || !S_ISREG(seen->st_mode)) {
        ::close(fd_);
        fd_ = -1;
        return false;
    }
    size_ = seen->st_size;
    stamp_ = stampOfInfo(*seen);
    return true;
}

void ReadOnlyFile::adopt(int fd, const struct stat &info)
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = fd;
    size_ = info.st_size;
    stamp_ = stampOfInfo(info);
}

int ReadOnlyFile::release()
{
    const int fd = fd_;
    fd_ = -1;
    return fd;
}

bool ReadOnlyFile::isOpen() const { return fd_ >= 0; }

bool ReadOnlyFile::stamp(FileStamp *stamp) const
{
    if (fd_ < 0)
        return false;
    *stamp = stamp_;
    return true;
}

bool ReadOnlyFile::readUpTo(qint64 pos, qint64 length, QByteArray *out)
{
    return preadUpTo(fd_, pos, length, out);
}

bool ReadOnlyFile::readInto(qint64 pos, qint64 length, char *to, qint64 *done)
{
    return preadInto(fd_, pos, length, to, done);
}

ReadWriteFile::~ReadWriteFile() { close(); }

bool ReadWriteFile::open(const QString &fileName)
{
    close();
    fd_ = openByName(fileName, O_RDWR, &size_);
    return fd_ >= 0;
}

bool ReadWriteFile::readUpTo(qint64 pos, qint64 length, QByteArray *out)
{
    return preadUpTo(fd_, pos, length, out);
}

bool ReadWriteFile::writeAt(qint64 pos, const QByteArray &bytes)
{
    return pwriteAll(fd_, pos, bytes);
}

bool ReadWriteFile::resize(qint64 size)
{
    if (fd_ < 0 || size < 0)
        return false;
    int result;
    do {
        result = ::ftruncate(fd_, off_t(size));
    } while (result != 0 && errno == EINTR);
    if (result == 0)
        size_ = size;
    return result == 0;
}

void ReadWriteFile::close()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

BlockReader ReadOnlyFile::reader()
{
    return
        [this](qint64 pos, qint64 length, QByteArray *out) { return readUpTo(pos, length, out); };
}

bool holdsNul(QStringView fileName) { return fileName.contains(QChar(0)); }

bool makeWritable(const QString &fileName)
{
    const QByteArray path = encodeFileName(fileName);
    struct stat info;
    if (::stat(path.constData(), &info) != 0)
        return false;
    if (info.st_mode & S_IWUSR)
        return true;
    return ::chmod(path.constData(), (info.st_mode & 07777) | S_IWUSR) == 0;
}

} // namespace qm
