#pragma once

#include <QtGlobal>

namespace qm {

// The length of the well-formed UTF-8 sequence at `p` (before `end`) and
// its code point in `code`, or 0 when the bytes there are not one (overlong
// forms, surrogates and values above U+10FFFF included).
int utf8SequenceAt(const uchar *p, const uchar *end, char32_t &code);

// U+FDD0..U+FDEF and the last two code points of every plane: text that
// Qt's decoding may not give back as it came.
inline bool isNoncharacter(char32_t code)
{
    return (code >= 0xFDD0 && code <= 0xFDEF) || (code & 0xFFFE) == 0xFFFE;
}

} // namespace qm
