#include "formats/filechange.h"

#include "formats/pathcodec.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qm {

namespace {

// Makes `change` on the open file `fd`; on failure puts the old bytes and
// size back and returns the error that stopped it.
int changeOpenFile(int fd, const FileChange &change)
{
    // Room first: a file that cannot grow is refused before any of its
    // bytes is overwritten. posix_fallocate writes the blocks itself where
    // the file system cannot reserve them.
    // Only what a failed change did is taken back: a file it did not touch
    // keeps its times, so that trying again, or an undo tried again, does
    // not take it for a file another program wrote since.
    const auto grown = [fd, &change] {
        struct stat info;
        return ::fstat(fd, &info) != 0 || info.st_size != change.oldSize;
    };
    if (change.newSize > change.oldSize) {
        const int error = ::posix_fallocate(fd, change.oldSize, change.newSize - change.oldSize);
        if (error != 0) {
            if (grown())
                (void)::ftruncate(fd, change.oldSize);
            return error;
        }
    }
    // No sync per file: a killed process leaves the page cache to the
    // kernel, and a journaled job makes its files durable once, before it
    // closes its record (a sync per file made a 10,000-file save 16x slower).
    int error = 0;
    qint64 written = 0;
    if (!pwriteAll(fd, change.offset, change.newBytes, &written)
        || (change.newSize < change.oldSize && ::ftruncate(fd, change.newSize) != 0))
        error = errno ? errno : EIO;
    if (error == 0)
        return 0;
    const bool touched = written > 0;
    if (touched)
        (void)pwriteAll(fd, change.offset, change.oldBytes);
    const bool resized = grown();
    if (resized)
        (void)::ftruncate(fd, change.oldSize);
    if (touched || resized)
        (void)::fdatasync(fd);
    return error;
}

// The in-place change on `fd`, open for reading and writing, whose state
// `info` is from an fstat of it: refused when that is not the state the
// change was planned on.
bool changeOpen(int fd, struct stat info, const FileChange &change, WriteFailure &why,
                FileStamp *after)
{
    if (info.st_size != change.oldSize
        || (change.planned.size >= 0 && !(stampOfInfo(info) == change.planned))) {
        why = WriteFailure::Changed;
        return false;
    }
    if (!(info.st_mode & S_IWUSR) && ::fchmod(fd, (info.st_mode & 07777) | S_IWUSR) != 0) {
        why = writeFailureOf(errno);
        return false;
    }
    const int error = changeOpenFile(fd, change);
    if (error == 0 && after && ::fstat(fd, &info) == 0)
        *after = stampOfInfo(info);
    if (error != 0)
        why = writeFailureOf(error);
    return error == 0;
}

} // namespace

WriteFailure writeFailureOf(int error)
{
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
}

void narrowChange(FileChange *change)
{
    if (change->rewrite || change->oldSize != change->newSize
        || change->oldBytes.size() != change->newBytes.size())
        return;
    const char *from = change->oldBytes.constData();
    const char *to = change->newBytes.constData();
    // A tag of a few KiB where one frame changed: compared eight bytes at a
    // time up to the first difference from either end.
    qsizetype begin = 0;
    qsizetype end = change->oldBytes.size();
    const auto sameWord = [from, to](qsizetype at) {
        quint64 a, b;
        std::memcpy(&a, from + at, sizeof a);
        std::memcpy(&b, to + at, sizeof b);
        return a == b;
    };
    while (end - begin >= 8 && sameWord(begin))
        begin += 8;
    while (begin < end && from[begin] == to[begin])
        ++begin;
    while (end - begin >= 8 && sameWord(end - 8))
        end -= 8;
    while (end > begin && from[end - 1] == to[end - 1])
        --end;
    if (begin == 0 && end == change->oldBytes.size())
        return;
    change->offset += begin;
    // Cut in place: a block of its own only moves its start, where a slice
    // would be copied into a new one.
    for (QByteArray *bytes : {&change->oldBytes, &change->newBytes}) {
        bytes->truncate(end);
        bytes->remove(0, begin);
    }
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
    const bool made = changeOpen(fd, info, change, why, after);
    ::close(fd);
    return made;
}

bool applyChangeOpen(int fd, const struct stat &opened, const FileChange &change,
                     WriteFailure *failure, FileStamp *after)
{
    WriteFailure ignored;
    WriteFailure &why = failure ? *failure : ignored;
    why = WriteFailure::None;
    if (change.rewrite || change.offset < 0
        || change.offset + change.oldBytes.size() > change.oldSize) {
        why = WriteFailure::Other;
        return false;
    }
    // The file as it is now: another program may have written it since it
    // was opened, and bytes planned against its old contents would tear
    // the tag it wrote.
    struct stat now {};
    if (::fstat(fd, &now) != 0) {
        why = writeFailureOf(errno);
        return false;
    }
    if (!(stampOfInfo(now) == stampOfInfo(opened))) {
        why = WriteFailure::Changed;
        return false;
    }
    return changeOpen(fd, now, change, why, after);
}

bool applyRecordedChange(const FileChange &change, ChangeRecorder *recorder, WriteFailure *failure)
{
    if (recorder && !recorder->recordChange(change)) {
        if (failure)
            *failure = recorder->recordFailure();
        return false;
    }
    const bool made = applyChange(change, failure);
    if (recorder)
        recorder->changeDone(change, made);
    return made;
}

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
    // Another program that wrote the file in place meanwhile (its name still
    // leads to it) would lose its change to the copy, or have its bytes
    // mixed into it.
    struct stat copied;
    if (ok
        && (::fstat(source, &copied) != 0
            || !unchangedSince(stampOfInfo(old), stampOfInfo(copied)))) {
        errno = ESTALE;
        ok = fail();
    }
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

} // namespace qm
