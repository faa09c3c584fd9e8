// Feeds the end of a file to the ID3v1 and Lyrics3 parser, and what it read
// back through the builder and parser again.
#include "formats/id3v1.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView end(reinterpret_cast<const char *>(data), qsizetype(size));
    for (const bool lyrics : {true, false}) {
        qm::TID3v1 tag;
        tag.FSetUseLyrics2(lyrics);
        tag.TailBytesNeeded(end.last(qMin<qsizetype>(end.size(), 143)));
        tag.ParseTail(end, true);
        // Removing the tags must never cut into bytes the file does not have.
        if (tag.FGetTagSize() > end.size())
            std::abort();
        QByteArray built;
        if (tag.BuildTail(&built)) {
            qm::TID3v1 back;
            back.FSetUseLyrics2(lyrics);
            back.ParseTail(built, true);
            if (back.FGetTagSize() != built.size())
                std::abort();
        }
    }
    return 0;
}
