// Runs the whole file reading path (ID3v2, ID3v1 with Lyrics3 and the
// stream analysis, with their block reads) over the bytes as a real file.
// One temporary file serves every run.
#include "formats/mpegaudio.h"

#include <QFile>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

// In memory where the system offers it: a disk file rewritten for every
// run would spend the run waiting for the disk.
struct TemporaryFile {
    char path[64] = "/dev/shm/qm_fuzz_mpegfile_XXXXXX";
    int fd = -1;
    TemporaryFile()
    {
        fd = ::mkstemp(path);
        if (fd < 0) {
            std::strcpy(path, "/tmp/qm_fuzz_mpegfile_XXXXXX");
            fd = ::mkstemp(path);
        }
    }
    ~TemporaryFile()
    {
        if (fd >= 0) {
            ::close(fd);
            ::unlink(path);
        }
    }
};

// The file becomes exactly the input: written over, then cut to its size.
bool writeWhole(int fd, const uint8_t *data, size_t size)
{
    size_t done = 0;
    while (done < size) {
        const ssize_t put = ::pwrite(fd, data + done, size - done, off_t(done));
        if (put <= 0)
            return false;
        done += size_t(put);
    }
    return ::ftruncate(fd, off_t(size)) == 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static TemporaryFile file;
    if (file.fd < 0 || !writeWhole(file.fd, data, size))
        std::abort();
    qm::TMPEGaudio mpeg;
    if (!mpeg.ReadFromFile(QFile::decodeName(file.path)))
        return 0;
    const qint64 fileSize = qint64(size);
    if (mpeg.FileLength != fileSize)
        std::abort();
    if (mpeg.Frame.HeaderFound && (mpeg.AudioStart < 0 || mpeg.AudioStart >= fileSize))
        std::abort();
    (void)mpeg.FGetVersion();
    (void)mpeg.FGetLayer();
    (void)mpeg.FGetChannelMode();
    (void)mpeg.FGetBitRate();
    (void)mpeg.FGetSampleRate();
    (void)mpeg.FGetFrames();
    (void)mpeg.FGetDuration();
    (void)mpeg.FGetValid();
    (void)mpeg.ID3v2.FGetTitle();
    (void)mpeg.ID3v1.FGetGenre();
    (void)mpeg.ID3v1.FGetTrackString();
    return 0;
}
