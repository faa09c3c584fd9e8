// Feeds bytes to the FLAC metadata walk as a whole file. What it reads must
// survive a write: the plan for a new title, applied, reads back with that
// comment, the same other blocks and the same audio bytes.
#include "formats/flacmeta.h"

#include <cstdint>
#include <cstdlib>

using namespace qm;

namespace {

QList<flac::Block> withoutPadding(const QList<flac::Block> &blocks)
{
    QList<flac::Block> kept;
    for (const flac::Block &block : blocks)
        if (block.type != flac::PaddingBlock && block.type != flac::VorbisCommentBlock)
            kept.append(block);
    return kept;
}

bool sameBlocks(const QList<flac::Block> &a, const QList<flac::Block> &b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const auto &x, const auto &y) {
        return x.type == y.type && x.data == y.data;
    });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    flac::Metadata meta;
    qint64 needed = 0;
    if (flac::parse(bytes, bytes.size(), &meta, &needed, nullptr) != Walk::Ok)
        return 0;
    flac::readResult(meta);
    vorbis::Comment comment = meta.comment;
    vorbis::setField(comment, id3v2::Title, QStringLiteral("fuzzed title"));
    WritePlan plan;
    if (!flac::planWrite(meta, comment, &plan, nullptr))
        return 0;
    QByteArray written;
    if (!applyWritePlan(bytes, plan, &written, nullptr))
        std::abort();
    flac::Metadata back;
    if (flac::parse(written, written.size(), &back, &needed, nullptr) != Walk::Ok
        || back.comment != comment || back.id3v2 != meta.id3v2
        || !sameBlocks(withoutPadding(back.blocks), withoutPadding(meta.blocks))
        || written.sliced(back.audioStart) != bytes.sliced(meta.audioStart))
        std::abort();
    return 0;
}
