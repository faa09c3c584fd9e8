// Feeds bytes to the picture frames of ID3v2 tags: an APIC frame that reads
// is built and read back the same; an edit over frames made of the bytes
// keeps every frame that is no picture, in its place.
#include "formats/pictures.h"

#include <cstdint>
#include <cstdlib>

using namespace qm;
using namespace qm::pictures;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    const QByteArrayView bytes(reinterpret_cast<const char *>(data + 2), qsizetype(size - 2));
    Picture read;
    if (parseApic(bytes, &read)) {
        Picture again;
        if (!parseApic(buildApic(read), &again) || !(again == read))
            std::abort();
    }
    id3v2::TagContent content;
    const qsizetype half = bytes.size() / 2;
    content.otherFrames = {{"APIC", quint16(data[1]), bytes.first(half).toByteArray()},
                           {"PRIV", 0, "kept"},
                           {"APIC", 0, bytes.sliced(half).toByteArray()}};
    PictureEdit edit;
    edit.kind = PictureEdit::Kind(data[0] % 5);
    edit.index = data[0] / 5 % 3;
    edit.type = data[1] % 22;
    edit.picture = read;
    editId3v2(content, edit);
    const auto priv = std::find_if(content.otherFrames.cbegin(), content.otherFrames.cend(),
                                   [](const id3v2::Frame &f) { return f.id == "PRIV"; });
    if (priv == content.otherFrames.cend() || priv->data != "kept")
        std::abort();
    return 0;
}
