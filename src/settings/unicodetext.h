#pragma once

#include <QByteArrayView>
#include <QString>

#include <optional>

namespace qm {

// Text files saved as "Unicode" by Notepad (and the lists of some players)
// are UTF-16, which the Windows profile functions read as well. The text of
// `bytes` when they are UTF-16: known by the byte-order mark, which is taken
// off, or without one by two first characters of ASCII, each followed
// (little-endian) or preceded by a zero byte, which no 8-bit text begins
// with. Nothing for any other bytes.
std::optional<QString> Utf16Text(QByteArrayView bytes);

} // namespace qm
