// Preloaded into quillmark-cli by the tests to play the adversary at exact
// moments:
//   QM_FAULT_KILL_AT_WRITE=N  the Nth positioned write or file copy of 64 KiB
//                             or more is cut short and the process killed
//                             (SIGKILL), as a crash in the middle of a large
//                             write;
//   QM_FAULT_FAIL="CALL ERRNO" every call of CALL (write: to a journal,
//                             open: of a journal, pwrite: a file's,
//                             fallocate: posix_fallocate, copy_file_range,
//                             rename, mkostemp, opendir) fails with the error
//                             number ERRNO, as a full disk, a read-only folder
//                             or another user's file would;
//   QM_FAULT_KILL_AT_CHANGE=N the process is killed (SIGKILL) just before its
//                             Nth rename, folder creation or folder removal,
//                             as a crash between the steps of a move;
//   QM_FAULT_KILL_AT_UNLINK=N the process is killed (SIGKILL) just before its
//                             Nth unlink, as a crash between the copy of a
//                             file moved to another file system taking its
//                             name and the original going;
//   QM_FAULT_SWAP=A<LF>B      just before the first rename of a ".quillmark-"
//                             temporary, files A and B swap names, as another
//                             program's `mv` at that moment;
//   QM_FAULT_APPEND=PATH<LF>TEXT  when the first ".quillmark-" temporary is
//                             made, TEXT is appended to PATH, as another
//                             program writing the file while its new copy
//                             is made.
#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

int largeWrites = 0;
bool swapped = false;

bool killsAt(size_t count)
{
    const char *at = std::getenv("QM_FAULT_KILL_AT_WRITE");
    return at && count >= 65536 && ++largeWrites == std::atoi(at);
}

int changes = 0;

void killBeforeChange()
{
    const char *at = std::getenv("QM_FAULT_KILL_AT_CHANGE");
    if (at && ++changes == std::atoi(at))
        ::kill(::getpid(), SIGKILL);
}

// Whether `call` is to fail; errno is set then.
bool fails(const char *call)
{
    const char *spec = std::getenv("QM_FAULT_FAIL");
    const size_t length = std::strlen(call);
    if (!spec || std::strncmp(spec, call, length) != 0 || spec[length] != ' ')
        return false;
    errno = std::atoi(spec + length + 1);
    return true;
}

// A job's journal, whose name ends in ".qmj".
bool isJournal(int fd)
{
    char link[64], path[4096];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t length = ::readlink(link, path, sizeof path - 1);
    return length > 4 && std::strncmp(path + length - 4, ".qmj", 4) == 0;
}

template <typename Fn> Fn real(const char *name)
{
    return reinterpret_cast<Fn>(::dlsym(RTLD_NEXT, name));
}

using PwriteFn = ssize_t (*)(int, const void *, size_t, off_t);

ssize_t faultyPwrite(PwriteFn real, int fd, const void *buf, size_t count, off_t offset)
{
    if (fails("pwrite"))
        return -1;
    if (killsAt(count)) {
        real(fd, buf, count / 2, offset);
        ::kill(::getpid(), SIGKILL);
    }
    return real(fd, buf, count, offset);
}

void swapBefore(const char *from)
{
    const char *spec = std::getenv("QM_FAULT_SWAP");
    const char *slash = std::strrchr(from, '/');
    const char *name = slash ? slash + 1 : from;
    if (!spec || swapped || std::strncmp(name, ".quillmark-", 11) != 0)
        return;
    swapped = true;
    const std::string both(spec);
    const size_t cut = both.find('\n');
    const std::string a = both.substr(0, cut), b = both.substr(cut + 1);
    ::syscall(SYS_renameat2, AT_FDCWD, a.c_str(), AT_FDCWD, b.c_str(), 2 /* RENAME_EXCHANGE */);
}

void appendAt(const char *temporary)
{
    static bool appended = false;
    const char *spec = std::getenv("QM_FAULT_APPEND");
    const char *slash = std::strrchr(temporary, '/');
    const char *name = slash ? slash + 1 : temporary;
    if (!spec || appended || std::strncmp(name, ".quillmark-", 11) != 0)
        return;
    appended = true;
    const std::string both(spec);
    const size_t cut = both.find('\n');
    const std::string path = both.substr(0, cut), text = both.substr(cut + 1);
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND);
    if (fd >= 0) {
        (void)::write(fd, text.data(), text.size());
        ::close(fd);
    }
}

} // namespace

extern "C" {

ssize_t pwrite(int fd, const void *buf, size_t count, off_t offset)
{
    static auto real = reinterpret_cast<PwriteFn>(::dlsym(RTLD_NEXT, "pwrite"));
    return faultyPwrite(real, fd, buf, count, offset);
}

ssize_t pwrite64(int fd, const void *buf, size_t count, off_t offset)
{
    static auto real = reinterpret_cast<PwriteFn>(::dlsym(RTLD_NEXT, "pwrite64"));
    return faultyPwrite(real, fd, buf, count, offset);
}

ssize_t write(int fd, const void *buf, size_t count)
{
    static auto next = real<ssize_t (*)(int, const void *, size_t)>("write");
    return isJournal(fd) && fails("write") ? -1 : next(fd, buf, count);
}

int open64(const char *path, int flags, ...)
{
    static auto next = real<int (*)(const char *, int, ...)>("open64");
    mode_t mode = 0;
    if (flags & (O_CREAT | O_TMPFILE)) {
        va_list args;
        va_start(args, flags);
        mode = va_arg(args, mode_t);
        va_end(args);
    }
    const size_t length = std::strlen(path);
    if (length > 4 && std::strcmp(path + length - 4, ".qmj") == 0 && fails("open"))
        return -1;
    return next(path, flags, mode);
}

int posix_fallocate(int fd, off_t offset, off_t length)
{
    static auto next = real<int (*)(int, off_t, off_t)>("posix_fallocate");
    return fails("fallocate") ? errno : next(fd, offset, length);
}

ssize_t copy_file_range(int in, off_t *inAt, int out, off_t *outAt, size_t count, unsigned flags)
{
    static auto next =
        real<ssize_t (*)(int, off_t *, int, off_t *, size_t, unsigned)>("copy_file_range");
    if (fails("copy_file_range"))
        return -1;
    if (killsAt(count)) {
        next(in, inAt, out, outAt, 65536, flags);
        ::kill(::getpid(), SIGKILL);
    }
    return next(in, inAt, out, outAt, count, flags);
}

int mkostemp(char *name, int flags)
{
    static auto next = real<int (*)(char *, int)>("mkostemp");
    appendAt(name);
    return fails("mkostemp") ? -1 : next(name, flags);
}

DIR *opendir(const char *name)
{
    static auto next = real<DIR *(*)(const char *)>("opendir");
    return fails("opendir") ? nullptr : next(name);
}

int renameat2(int fromFolder, const char *from, int toFolder, const char *to, unsigned flags)
{
    if (fails("rename"))
        return -1;
    killBeforeChange();
    swapBefore(from);
    return int(::syscall(SYS_renameat2, fromFolder, from, toFolder, to, flags));
}

int unlink(const char *path)
{
    static auto next = real<int (*)(const char *)>("unlink");
    static int unlinks = 0;
    const char *at = std::getenv("QM_FAULT_KILL_AT_UNLINK");
    if (at && ++unlinks == std::atoi(at))
        ::kill(::getpid(), SIGKILL);
    return next(path);
}

int mkdir(const char *path, mode_t mode)
{
    static auto next = real<int (*)(const char *, mode_t)>("mkdir");
    killBeforeChange();
    return next(path, mode);
}

int rmdir(const char *path)
{
    static auto next = real<int (*)(const char *)>("rmdir");
    killBeforeChange();
    return next(path);
}

int rename(const char *from, const char *to)
{
    static auto real =
        reinterpret_cast<int (*)(const char *, const char *)>(::dlsym(RTLD_NEXT, "rename"));
    if (fails("rename"))
        return -1;
    killBeforeChange();
    swapBefore(from);
    return real(from, to);
}
}
