#include "formats/id3v2synchdata.h"

namespace qm::id3v2 {

// Unsynchronisation put a zero byte after every 0xFF; take them out again.
QByteArray undoUnsync(QByteArrayView bytes)
{
    QByteArray out;
    out.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        out.append(bytes[i]);
        if (uchar(bytes[i]) == 0xFF && i + 1 < bytes.size() && bytes[i + 1] == 0)
            ++i;
    }
    return out;
}

} // namespace qm::id3v2
