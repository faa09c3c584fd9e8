#pragma once

#include <QtGlobal>

namespace qm {

// The length of the well-formed UTF-8 sequence at `p` (before `end`) and
// its code point in `code`, or 0 when the bytes there are not one (overlong
// forms, surrogates and values above U+10FFFF included).
int utf8SequenceAt(const uchar *p, const uchar *end, char32_t &code);

} // namespace qm
