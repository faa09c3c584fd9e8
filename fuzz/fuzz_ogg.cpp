// Feeds bytes to the Ogg page walk as a whole file. Headers it reads must
// survive a write: the plan for a new title, applied with the renumbering,
// reads back with that comment and the same codec, serial and granule.
#include "formats/ogg.h"

#include <cstdint>
#include <cstdlib>

using namespace qm;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    QByteArray pages = bytes;
    ogg::renumberPages(pages, 0, 1, nullptr);
    ogg::StreamHeaders headers;
    qint64 needed = 0;
    if (ogg::parseHeaders(bytes, bytes.size(), &headers, &needed, nullptr) != Walk::Ok)
        return 0;
    const std::optional<qint64> granule =
        ogg::lastGranule(bytes, headers.serial, headers.headerEnd);
    // The search a window at a time finds what the search of the whole finds.
    const auto read = [&bytes](qint64 pos, qint64 length, QByteArray *out) {
        *out = bytes.mid(pos, length);
        return true;
    };
    if (ogg::lastGranuleIn(read, bytes.size(), headers.serial, headers.headerEnd) != granule)
        std::abort();
    ogg::readResult(headers, granule, bytes.size());
    vorbis::Comment comment = headers.comment;
    vorbis::setField(comment, id3v2::Title, QStringLiteral("fuzzed title"));
    WritePlan plan;
    if (!ogg::planWrite(headers, comment, &plan, nullptr))
        return 0;
    QByteArray written;
    if (!applyWritePlan(bytes, plan, &written, nullptr))
        return 0; // pages after the headers the walk did not need
    ogg::StreamHeaders back;
    if (ogg::parseHeaders(written, written.size(), &back, &needed, nullptr) != Walk::Ok
        || back.comment != comment || back.serial != headers.serial || back.codec != headers.codec
        || back.setup != headers.setup
        || ogg::lastGranule(written, back.serial, back.headerEnd) != granule)
        std::abort();
    return 0;
}
