#include "journal/filecopy.h"

#include "formats/fileio.h"
#include "formats/pathcodec.h"
#include "journal/journal.h"
#include "journal/journalfolder.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qm::journal {

namespace {

// The folder part of a path, for the temporary files made beside it.
QByteArray folderOf(const QByteArray &path)
{
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0)
        return QByteArrayLiteral(".");
    return slash == 0 ? QByteArrayLiteral("/") : path.left(slash);
}

bool retryable(int error) { return error == EINTR || error == EAGAIN; }

bool copyData(int in, int out)
{
    bool plain = false;
    for (;;) {
        if (!plain) {
            const ssize_t n = copy_file_range(in, nullptr, out, nullptr, 1 << 30, 0);
            if (n > 0)
                continue;
            if (n == 0)
                return true;
            if (retryable(errno))
                continue;
            if (errno != EXDEV && errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP)
                return false;
            // Nothing was copied by a call that failed this way: go on from
            // the same offsets with plain reads and writes.
            plain = true;
        }
        char buffer[1 << 16];
        const ssize_t got = read(in, buffer, sizeof buffer);
        if (got == 0)
            return true;
        if (got < 0) {
            if (retryable(errno))
                continue;
            return false;
        }
        for (ssize_t done = 0; done < got;) {
            const ssize_t put = write(out, buffer + done, size_t(got - done));
            if (put < 0) {
                if (retryable(errno))
                    continue;
                return false;
            }
            done += put;
        }
    }
}

} // namespace

bool CopyRecord::record(const QByteArray &temporary, int fd, const QByteArray &target, qint64 size)
{
    if (!journal_)
        return true;
    struct stat made {};
    if (fstat(fd, &made) != 0)
        return false;
    id_ = journal_->recordCopy(decodeFileName(temporary), decodeFileName(target), stampOfInfo(made),
                               size);
    if (id_ == 0)
        errno = journal_->error() ? journal_->error() : EIO;
    return id_ != 0;
}

void CopyRecord::settle(bool placed, const QByteArray &target)
{
    if (id_ == 0)
        return;
    const int error = errno; // the reason of a failed copy stays
    journal_->markDone(id_, placed, placed ? decodeFileName(target) : QString());
    journal_->flushDone();
    id_ = 0;
    errno = error;
}

QByteArray copyToTemporary(const QByteArray &from, const QByteArray &target, CopyRecord &record)
{
    const int in = open(from.constData(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return {};
    struct stat info {};
    if (fstat(in, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(in);
        return {};
    }
    QByteArray temporary = folderOf(target) + '/' + kParkPrefix + QByteArray(kParkRandom, 'X');
    const int out = mkostemp(temporary.data(), O_CLOEXEC);
    if (out < 0) {
        close(in);
        return {};
    }
    const timespec times[2] = {info.st_atim, info.st_mtim};
    bool ok = record.record(temporary, out, target, info.st_size) && copyData(in, out);
    ok = ok && fchmod(out, info.st_mode & 07777) == 0;
    ok = ok && futimens(out, times) == 0;
    ok = ok && fsync(out) == 0;
    const int error = errno;
    ok = close(out) == 0 && ok;
    close(in);
    if (!ok) {
        unlink(temporary.constData());
        errno = error;
        record.settle(false, target);
        return {};
    }
    return temporary;
}

} // namespace qm::journal
