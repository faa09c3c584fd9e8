#pragma once

// Frames read from any version in the form a 2.4 tag writes them: frames of
// a 2.4 tag as they were, 2.3 dates, people lists and repeated frames in
// the frames 2.4 has for them.

#include "formats/id3v2frames.h"

#include <QByteArray>

namespace qm::id3v2 {

// The frames of a 2.4 tag for `content`: fields not edited keep the frames
// they were read from, converted where their version had other frames;
// edited fields get new frames in UTF-8.
QByteArray buildFrames24(const TagContent &content);

} // namespace qm::id3v2
