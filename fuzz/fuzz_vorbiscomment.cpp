// Feeds bytes to the Vorbis comment parser. A block it reads builds back to
// the same bytes; every field set to a text reads back as that text.
#include "formats/vorbiscomment.h"

#include <cstdint>
#include <cstdlib>

using namespace qm;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    vorbis::Picture picture;
    if (vorbis::parsePicture(bytes, &picture, nullptr)
        && !vorbis::buildPicture(picture).startsWith(bytes.first(8)))
        std::abort();
    vorbis::Comment comment;
    qsizetype used = 0;
    if (!vorbis::parseComment(bytes, &comment, &used, nullptr))
        return 0;
    if (vorbis::buildComment(comment) != bytes.first(used))
        std::abort();
    vorbis::pictures(comment);
    const TagFields fields = vorbis::readFields(comment);
    for (int field = 0; field < id3v2::FieldCount; ++field) {
        vorbis::Comment changed = comment;
        const QString text =
            field == id3v2::TrackString ? QStringLiteral("4/9") : QStringLiteral("x\u00e9/y");
        vorbis::setField(changed, id3v2::Field(field), text);
        if (vorbis::readFields(changed)[field] != text)
            std::abort();
        vorbis::setField(changed, id3v2::Field(field), fields[field]);
    }
    return 0;
}
