// Preloaded into quillmark-cli by the tests to play the adversary at exact
// moments:
//   QM_FAULT_KILL_AT_WRITE=N  the Nth positioned write of 64 KiB or more is
//                             cut at half and the process killed (SIGKILL),
//                             as a crash in the middle of a large write;
//   QM_FAULT_SWAP=A<LF>B      just before the first rename of a ".quillmark-"
//                             temporary, files A and B swap names, as another
//                             program's `mv` at that moment.
#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

int largeWrites = 0;
bool swapped = false;

using PwriteFn = ssize_t (*)(int, const void *, size_t, off_t);

ssize_t faultyPwrite(PwriteFn real, int fd, const void *buf, size_t count, off_t offset)
{
    const char *at = std::getenv("QM_FAULT_KILL_AT_WRITE");
    if (at && count >= 65536 && ++largeWrites == std::atoi(at)) {
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

int renameat2(int fromFolder, const char *from, int toFolder, const char *to, unsigned flags)
{
    swapBefore(from);
    return int(::syscall(SYS_renameat2, fromFolder, from, toFolder, to, flags));
}

int rename(const char *from, const char *to)
{
    static auto real =
        reinterpret_cast<int (*)(const char *, const char *)>(::dlsym(RTLD_NEXT, "rename"));
    swapBefore(from);
    return real(from, to);
}
}
