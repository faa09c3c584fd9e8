#pragma once

// Walking the frames of a tag body, version by version (2.2, 2.3, 2.4),
// into frames in 2.3 terms.

#include "formats/id3v2frames.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

#include <algorithm>
#include <optional>

namespace qm::id3v2 {

// A frame read from any version, in 2.3 terms: the extra bytes its flags
// add are taken apart, unsynchronisation is undone, the data may still be
// compressed or encrypted.
struct RawFrame {
    QByteArray id;
    quint8 status = 0; // 2.3 status flags: tag alter, file alter, read only
    bool compressed = false;
    bool encrypted = false;
    bool grouped = false;
    quint8 method = 0;
    quint8 group = 0;
    quint32 plainSize = 0;
    QByteArray payload;
};

// A tag body held in memory.
class MemoryBody : public BodySource {
public:
    explicit MemoryBody(QByteArrayView bytes) : bytes_(bytes) {}
    qint64 size() const override { return bytes_.size(); }
    QByteArray read(qint64 at, qint64 length) override
    {
        if (at < 0 || at >= bytes_.size() || length <= 0)
            return {};
        return bytes_.sliced(at, std::min(length, bytes_.size() - at)).toByteArray();
    }

private:
    QByteArrayView bytes_;
};

// The frames of the tag body after `header` that could be read. With
// fieldsOnly the data of frames that carry no field is never read. `damage`
// notes why some bytes could not be taken apart.
QList<RawFrame> readTagFrames(const TagHeader &header, BodySource &source, bool fieldsOnly,
                              Damage &damage);

// The frame's data as it was before compression; nothing when it is
// encrypted or does not decompress.
std::optional<QByteArray> plainPayload(const RawFrame &frame);

} // namespace qm::id3v2
