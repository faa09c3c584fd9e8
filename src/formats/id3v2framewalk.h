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
    QByteArrayView held(qint64 at, qint64 length) override
    {
        if (at < 0 || at >= bytes_.size() || length <= 0)
            return {};
        return bytes_.sliced(at, std::min(length, bytes_.size() - at));
    }

private:
    QByteArrayView bytes_;
};

// The frames of the tag body after `header` that could be read. With
// fieldsOnly the data of frames that carry no field is never read. `damage`
// notes why some bytes could not be taken apart.
QList<RawFrame> readTagFrames(const TagHeader &header, BodySource &source, bool fieldsOnly,
                              Damage &damage);
// The same, appended to `frames`.
void readTagFrames(const TagHeader &header, BodySource &source, bool fieldsOnly, Damage &damage,
                   QList<RawFrame> &frames);

// The frame's data as it was before compression; nothing when it is
// encrypted or does not decompress.
std::optional<QByteArray> plainPayload(const RawFrame &frame);

} // namespace qm::id3v2
