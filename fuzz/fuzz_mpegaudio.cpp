// Runs the MPEG stream analysis over bytes as if they were a whole file,
// with the ID3v1 tail and an ID3v2 size taken from the bytes themselves.
#include "formats/mpegaudio.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray file(reinterpret_cast<const char *>(data), qsizetype(size));
    qint64 id3v2Size = 0;
    if (file.size() >= 10 && file.startsWith("ID3")) {
        for (int i = 6; i < 10; ++i)
            id3v2Size = id3v2Size << 7 | (uchar(file[i]) & 0x7f);
        id3v2Size += 10;
    }
    qm::TMPEGaudio mpeg;
    mpeg.ID3v1.ParseTail(file.right(143), true);
    const auto reader = [&file](qint64 pos, qint64 length, QByteArray *out) {
        *out = pos < file.size() ? file.mid(pos, length) : QByteArray();
        return true;
    };
    mpeg.AnalyseStream(reader, file.size(), id3v2Size);
    if (mpeg.Frame.HeaderFound && (mpeg.AudioStart < 0 || mpeg.AudioStart >= file.size()))
        std::abort();
    // Every getter must cope with whatever the analysis found.
    (void)mpeg.FGetVersion();
    (void)mpeg.FGetLayer();
    (void)mpeg.FGetChannelMode();
    (void)mpeg.FGetEmphasis();
    (void)mpeg.FGetEncoder();
    (void)mpeg.FGetBitRate();
    (void)mpeg.FGetSampleRate();
    (void)mpeg.FGetFrames();
    (void)mpeg.FGetDuration();
    (void)mpeg.FGetValid();
    return 0;
}
