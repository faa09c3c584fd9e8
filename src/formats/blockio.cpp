#include "formats/blockio.h"

#include "formats/pathcodec.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstdio>
#include <cstdlib>
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
// *info gets the open file's state.
int openRegular(const QByteArray &path, int flags, struct stat *info)
{
    if (path.contains('\0')) {
        errno = EINVAL;
        return -1;
    }
    int fd;
    do {
        fd = ::open(path.constData(), flags | O_CLOEXEC | O_NONBLOCK);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return -1;
    if (::fstat(fd, info) != 0 || !S_ISREG(info->st_mode)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

int openRegular(const QString &fileName, int flags, qint64 *size)
{
    struct stat info;
    const int fd = openRegular(encodeFileName(fileName), flags, &info);
    if (fd >= 0)
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
        const ssize_t got =
            ::pread(fd, out->data() + done, size_t(length - done), off_t(pos + done));
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

bool pwriteAll(int fd, qint64 pos, const QByteArray &bytes)
{
    if (fd < 0 || pos < 0)
        return false;
    qint64 done = 0;
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

// Makes `change` on the open file `fd`; on failure puts the old bytes and
// size back and returns the error that stopped it.
int changeOpenFile(int fd, const FileChange &change)
{
    // Room first: a file that cannot grow is refused before any of its
    // bytes is overwritten. posix_fallocate writes the blocks itself where
    // the file system cannot reserve them.
    if (change.newSize > change.oldSize) {
        const int error = ::posix_fallocate(fd, change.oldSize, change.newSize - change.oldSize);
        if (error != 0) {
            (void)::ftruncate(fd, change.oldSize);
            return error;
        }
    }
    // No sync per file: a killed process leaves the page cache to the
    // kernel, and a journaled job makes its files durable once, before it
    // closes its record (a sync per file made a 10,000-file save 16x slower).
    int error = 0;
    if (!pwriteAll(fd, change.offset, change.newBytes)
        || (change.newSize < change.oldSize && ::ftruncate(fd, change.newSize) != 0))
        error = errno ? errno : EIO;
    if (error == 0)
        return 0;
    (void)pwriteAll(fd, change.offset, change.oldBytes);
    (void)::ftruncate(fd, change.oldSize);
    (void)::fdatasync(fd);
    return error;
}

} // namespace

FileStamp stampOfInfo(const struct stat &info)
{
    FileStamp stamp;
    stamp.device = quint64(info.st_dev);
    stamp.inode = quint64(info.st_ino);
    stamp.size = info.st_size;
    stamp.mtimeNs = qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
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

bool applyChange(const FileChange &change, WriteFailure *failure, FileStamp *after)
{
    WriteFailure ignored;
    WriteFailure &why = failure ? *failure : ignored;
    why = WriteFailure::None;
    if (holdsNul(change.fileName)) {
        why = WriteFailure::BadName;
        return false;
    }
    if (change.rewrite) {
        FileStamp now;
        if (!stampOf(change.fileName, &now)
            || (change.planned.size >= 0 && !(now == change.planned))) {
            why = WriteFailure::Changed;
            return false;
        }
        if (!makeWritable(change.fileName)) {
            why = writeFailureOf(errno);
            return false;
        }
        const bool made = rewriteFile(change.fileName, change.newBytes, change.oldBytes.size(),
                                      &why, change.planned.size >= 0 ? &change.planned : nullptr);
        if (made && after)
            stampOf(change.fileName, after);
        return made;
    }
    if (change.offset < 0 || change.offset + change.oldBytes.size() > change.oldSize) {
        why = WriteFailure::Other;
        return false;
    }
    // The open's own fstat tells the mode: a file the owner may not write
    // is made writable first, as before a write by name, without another
    // lookup of the name when it already is.
    const QByteArray path = encodeFileName(change.fileName);
    struct stat info;
    int fd = openRegular(path, O_RDWR, &info);
    if (fd < 0 && errno == EACCES && makeWritable(change.fileName))
        fd = openRegular(path, O_RDWR, &info);
    if (fd < 0) {
        why = writeFailureOf(errno);
        return false;
    }
    if (info.st_size != change.oldSize
        || (change.planned.size >= 0 && !(stampOfInfo(info) == change.planned))) {
        ::close(fd);
        why = WriteFailure::Changed;
        return false;
    }
    if (!(info.st_mode & S_IWUSR) && ::fchmod(fd, (info.st_mode & 07777) | S_IWUSR) != 0) {
        why = writeFailureOf(errno);
        ::close(fd);
        return false;
    }
    const int error = changeOpenFile(fd, change);
    if (error == 0 && after && ::fstat(fd, &info) == 0)
        *after = stampOfInfo(info);
    ::close(fd);
    if (error != 0)
        why = writeFailureOf(error);
    return error == 0;
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

ReadWriteFile::~ReadWriteFile() { close(); }

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

#else

bool stampOf(const QString &fileName, FileStamp *stamp)
{
    const QFileInfo info(fileName);
    if (!info.isFile())
        return false;
    *stamp = FileStamp{0, 0, info.size(), info.lastModified().toMSecsSinceEpoch() * 1000000};
    return true;
}

bool applyChange(const FileChange &change, WriteFailure *failure, FileStamp *after)
{
    WriteFailure ignored;
    WriteFailure &why = failure ? *failure : ignored;
    why = WriteFailure::None;
    FileStamp now;
    if (!stampOf(change.fileName, &now) || now.size != change.oldSize) {
        why = WriteFailure::Changed;
        return false;
    }
    if (!makeWritable(change.fileName)) {
        why = WriteFailure::NoPermission;
        return false;
    }
    if (change.rewrite) {
        const bool made =
            rewriteFile(change.fileName, change.newBytes, change.oldBytes.size(), &why);
        if (made && after)
            stampOf(change.fileName, after);
        return made;
    }
    QFile file(change.fileName);
    if (!file.open(QIODevice::ReadWrite | QIODevice::ExistingOnly)) {
        why = WriteFailure::NoPermission;
        return false;
    }
    if (change.newSize > change.oldSize && !file.resize(change.newSize)) {
        file.resize(change.oldSize);
        why = WriteFailure::DiskFull;
        return false;
    }
    if (!qm::writeAt(file, change.offset, change.newBytes) || !file.flush()
        || (change.newSize < change.oldSize && !file.resize(change.newSize))) {
        qm::writeAt(file, change.offset, change.oldBytes);
        file.resize(change.oldSize);
        why = WriteFailure::Other;
        return false;
    }
    file.close();
    if (after)
        stampOf(change.fileName, after);
    return true;
}

ReadOnlyFile::~ReadOnlyFile() { delete file_; }

bool ReadOnlyFile::open(const QString &fileName)
{
    file_ = new QFile(fileName);
    if (!file_->open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return false;
    size_ = file_->size();
    return true;
}

bool ReadOnlyFile::isOpen() const { return file_ && file_->isOpen(); }

bool ReadOnlyFile::stamp(FileStamp *stamp) const
{
    return file_ && stampOf(file_->fileName(), stamp);
}

bool ReadOnlyFile::readUpTo(qint64 pos, qint64 length, QByteArray *out)
{
    return file_ && qm::readUpTo(*file_, pos, length, out);
}

ReadWriteFile::~ReadWriteFile() { close(); }

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

bool ReadWriteFile::resize(qint64 size)
{
    if (!file_ || !file_->resize(size))
        return false;
    size_ = size;
    return true;
}

void ReadWriteFile::close()
{
    delete file_;
    file_ = nullptr;
}

#endif

bool holdsNul(QStringView fileName) { return fileName.contains(QChar(0)); }

WriteFailure writeFailureOf(int error)
{
#ifdef Q_OS_UNIX
    switch (error) {
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return WriteFailure::DiskFull;
    case EACCES:
    case EPERM:
    case EROFS:
        return WriteFailure::NoPermission;
    case ENAMETOOLONG:
        return WriteFailure::NameTooLong;
    default:
        return WriteFailure::Other;
    }
#else
    Q_UNUSED(error);
    return WriteFailure::Other;
#endif
}

void narrowChange(FileChange *change)
{
    if (change->rewrite || change->oldSize != change->newSize
        || change->oldBytes.size() != change->newBytes.size())
        return;
    const char *from = change->oldBytes.constData();
    const char *to = change->newBytes.constData();
    qsizetype begin = 0;
    qsizetype end = change->oldBytes.size();
    while (begin < end && from[begin] == to[begin])
        ++begin;
    while (end > begin && from[end - 1] == to[end - 1])
        --end;
    if (begin == 0 && end == change->oldBytes.size())
        return;
    change->offset += begin;
    change->oldBytes = change->oldBytes.sliced(begin, end - begin);
    change->newBytes = change->newBytes.sliced(begin, end - begin);
}

bool applyRecordedChange(const FileChange &change, ChangeRecorder *recorder, WriteFailure *failure)
{
    if (recorder && !recorder->recordChange(change)) {
        if (failure)
            *failure = WriteFailure::Other;
        return false;
    }
    const bool made = applyChange(change, failure);
    if (recorder)
        recorder->changeDone(change, made);
    return made;
}

#ifdef Q_OS_UNIX

namespace {

// What the name leads to now is the file that was copied: same device and
// inode. Another program may have renamed or replaced it meanwhile.
bool isSameFile(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// The new copy takes the name of the old file, only while the name still
// leads to `old`. With RENAME_EXCHANGE the two swap in one step, and the old
// name's file, now under the temporary name, is checked afterwards: should
// it be another program's file, the two swap back and nothing was replaced.
// Without it (file systems that cannot exchange) the name is checked just
// before a plain rename. *kept tells that the temporary name holds a file
// that is not ours and must not be removed.
bool placeRewritten(const QByteArray &temporary, const QByteArray &path, const struct stat &old,
                    bool *kept)
{
    *kept = false;
    struct stat now;
#ifdef RENAME_EXCHANGE
    if (::renameat2(AT_FDCWD, temporary.constData(), AT_FDCWD, path.constData(), RENAME_EXCHANGE)
        == 0) {
        if (::lstat(temporary.constData(), &now) == 0 && isSameFile(now, old)) {
            ::unlink(temporary.constData());
            return true;
        }
        if (::renameat2(AT_FDCWD, temporary.constData(), AT_FDCWD, path.constData(),
                        RENAME_EXCHANGE)
            != 0)
            *kept = true;
        errno = ESTALE;
        return false;
    }
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP)
        return false;
#endif
    if (::lstat(path.constData(), &now) != 0 || !isSameFile(now, old)) {
        errno = ESTALE;
        return false;
    }
    return ::rename(temporary.constData(), path.constData()) == 0;
}

} // namespace

// Written with descriptors on names from the name codec: Qt's file classes
// would encode a name that is not UTF-8 differently, and QSaveFile would
// then put the new file under another name beside the old one.
bool rewriteFile(const QString &fileName, const QByteArray &prefix, qint64 skip,
                 WriteFailure *failure, const FileStamp *expected)
{
    WriteFailure ignored;
    WriteFailure &why = failure ? *failure : ignored;
    why = WriteFailure::None;
    if (holdsNul(fileName)) {
        why = WriteFailure::BadName;
        return false;
    }
    QByteArray path = encodeFileName(fileName);
    // Through a symbolic link, the file it leads to is rewritten beside
    // itself, and the link keeps leading to it.
    struct stat link;
    if (::lstat(path.constData(), &link) == 0 && S_ISLNK(link.st_mode)) {
        char *real = ::realpath(path.constData(), nullptr);
        if (!real) {
            why = writeFailureOf(errno);
            return false;
        }
        path = QByteArray(real);
        ::free(real);
    }
    struct stat old;
    const int source = openRegular(path, O_RDONLY, &old);
    const qint64 size = source >= 0 ? qint64(old.st_size) : 0;
    if (source < 0 || skip < 0 || skip > size) {
        why = writeFailureOf(errno);
        if (source >= 0)
            ::close(source);
        return false;
    }
    // A new file takes one name only: the file's other names would keep the
    // old one.
    if (old.st_nlink > 1 || (expected && !(stampOfInfo(old) == *expected))) {
        why = old.st_nlink > 1 ? WriteFailure::HardLinked : WriteFailure::Changed;
        ::close(source);
        return false;
    }
    const qsizetype slash = path.lastIndexOf('/');
    const QByteArray folder = slash < 0 ? QByteArrayLiteral(".")
                                        : (slash == 0 ? QByteArrayLiteral("/") : path.left(slash));
    // The prefix the write job's temporaries have, so a copy left by a
    // killed process is cleared with them.
    QByteArray temporary = folder + "/.quillmark-XXXXXX";
    const int target = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (target < 0) {
        why = writeFailureOf(errno);
        if (why == WriteFailure::NoPermission)
            why = WriteFailure::NoFolderPermission;
        ::close(source);
        return false;
    }
    int error = 0;
    const auto fail = [&] {
        error = error ? error : (errno ? errno : EIO);
        return false;
    };
    bool ok = pwriteAll(target, 0, prefix) || fail();
    QByteArray buffer;
    for (qint64 from = skip, to = prefix.size(); ok && from < size;) {
        ok = preadUpTo(source, from, qMin<qint64>(1 << 20, size - from), &buffer) || fail();
        if (ok && buffer.isEmpty()) {
            errno = EIO; // the file shrank under us
            ok = fail();
        }
        ok = ok && (pwriteAll(target, to, buffer) || fail());
        from += buffer.size();
        to += buffer.size();
    }
    ok = ok && (::fchmod(target, old.st_mode & 07777) == 0 || fail());
    // The new file should belong to whom the old one did; only possible
    // where allowed (root, or a group of one's own), harmless where not.
    if (ok && ::fchown(target, old.st_uid, old.st_gid) != 0)
        (void)::fchown(target, ::geteuid(), old.st_gid);
    ok = ok && (::fsync(target) == 0 || fail());
    ok = (::close(target) == 0 || fail()) && ok;
    ::close(source);
    bool kept = false;
    ok = ok && (placeRewritten(temporary, path, old, &kept) || fail());
    if (!ok) {
        if (!kept)
            ::unlink(temporary.constData());
        why = error == ESTALE ? WriteFailure::Changed : writeFailureOf(error);
        return false;
    }
    syncFolderOf(decodeFileName(path)); // the rename is done; a failed folder sync loses nothing
    return true;
}

#else

bool rewriteFile(const QString &fileName, const QByteArray &prefix, qint64 skip,
                 WriteFailure *failure, const FileStamp *)
{
    WriteFailure ignored;
    WriteFailure &why = failure ? *failure : ignored;
    why = WriteFailure::None;
    int error = 0;
    const auto fail = [&] {
#ifdef Q_OS_UNIX
        error = error ? error : errno;
#endif
        return false;
    };
    QFile source(fileName);
    if (!source.open(QIODevice::ReadOnly) || !source.seek(skip)) {
        why = writeFailureOf(errno);
        return false;
    }
    const QFileDevice::Permissions permissions = source.permissions();
    QSaveFile target(fileName);
    target.setDirectWriteFallback(false);
    if (!target.open(QIODevice::WriteOnly)) {
        why = writeFailureOf(errno);
        return false;
    }
    bool ok = target.write(prefix) == prefix.size() || fail();
    QByteArray buffer(1 << 20, Qt::Uninitialized);
    while (ok) {
        const qint64 count = source.read(buffer.data(), buffer.size());
        if (count <= 0) {
            ok = (count == 0 && source.atEnd()) || fail();
            break;
        }
        ok = target.write(buffer.constData(), count) == count || fail();
    }
    ok = ok && (target.flush() || fail());
#ifdef Q_OS_UNIX
    ok = ok && (::fsync(target.handle()) == 0 || fail());
#endif
    ok = ok && target.setPermissions(permissions);
#ifdef Q_OS_UNIX
    // The new file should belong to whom the old one did; only possible
    // where allowed (root, or a group of one's own), harmless where not.
    struct stat old;
    if (ok && ::fstat(source.handle(), &old) == 0
        && ::fchown(target.handle(), old.st_uid, old.st_gid) != 0)
        (void)::fchown(target.handle(), ::geteuid(), old.st_gid);
#endif
    if (!ok) {
        target.cancelWriting();
        target.commit(); // removes the temporary file
        why = writeFailureOf(error);
        return false;
    }
    source.close();
    if (!target.commit()) {
        why = WriteFailure::Other;
        return false;
    }
#ifdef Q_OS_UNIX
    syncFolderOf(fileName); // the rename is done; a failed folder sync loses nothing
#endif
    return true;
}

#endif

BlockReader ReadOnlyFile::reader()
{
    return
        [this](qint64 pos, qint64 length, QByteArray *out) { return readUpTo(pos, length, out); };
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

#ifdef Q_OS_UNIX

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

#else

bool makeWritable(const QString &fileName)
{
    const QFile::Permissions perms = QFile::permissions(fileName);
    if (perms & QFile::WriteOwner)
        return true;
    return QFile::setPermissions(fileName, perms | QFile::WriteOwner);
}

#endif

} // namespace qm
