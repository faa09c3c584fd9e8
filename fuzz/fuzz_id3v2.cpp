// Feeds bytes to the ID3v2 parser as the start of a file, builds a 2.3 tag
// from what it read and parses that again: the fields that are taken over
// as they are must come back unchanged. Reading the fields alone must give
// what the whole parse gives, with or without a room for the texts.
#include "formats/id3v2frames.h"
#include "formats/id3v2encoding.h"
#include "formats/id3v2framewalk.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

using namespace qm::id3v2;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    TagHeader header;
    if (parseHeader(bytes, header) != HeaderKind::Tag)
        return 0;
    const QByteArrayView body =
        bytes.sliced(HeaderSize).first(qMin<qsizetype>(bytes.size() - HeaderSize, header.bodySize));
    const TagContent content = parseTag(header, body);
    MemoryBody source(body);
    if (parseTagFields(header, source).fields != content.fields)
        std::abort();
    // The readers that make cells at once decode into a room of their own,
    // here one too small for some tags, so that texts go both ways.
    std::vector<char16_t> units(size_t(qMin<qsizetype>(header.bodySize / 2, 256)));
    {
        const TextRoom room(units.data(), qsizetype(units.size()));
        MemoryBody again(body);
        if (parseTagFields(header, again).fields != content.fields)
            std::abort();
    }

    const QByteArray frames = buildFrames(content);
    const QByteArray tag = buildTag(frames, paddedTotalSize(frames.size()));
    if (tag.isEmpty())
        return 0; // too big for any tag: the writer refuses it
    TagHeader builtHeader;
    if (parseHeader(tag, builtHeader) != HeaderKind::Tag || builtHeader.totalSize != tag.size())
        std::abort();
    const TagContent back = parseTag(builtHeader, QByteArrayView(tag).sliced(HeaderSize));
    for (int field = 0; field < FieldCount; ++field) {
        // Genre references and links beyond ASCII are rewritten on purpose;
        // an emptied comment, lyrics or link lets another frame take its place.
        if (field == Genre || field == Link || field == Comment || field == Lyrics)
            continue;
        if (back.fields[field] != content.fields[field])
            std::abort();
    }
    return 0;
}
