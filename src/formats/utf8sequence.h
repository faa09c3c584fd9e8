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

// Appends the UTF-8 of `code` (a scalar value) to `out`, anything with
// append(char): the writers that build their bytes in a buffer of their own.
template <typename Bytes> void appendUtf8(Bytes &out, char32_t code)
{
    if (code < 0x80) {
        out.append(char(code));
    } else if (code < 0x800) {
        out.append(char(0xC0 | code >> 6));
        out.append(char(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
        out.append(char(0xE0 | code >> 12));
        out.append(char(0x80 | (code >> 6 & 0x3F)));
        out.append(char(0x80 | (code & 0x3F)));
    } else {
        out.append(char(0xF0 | code >> 18));
        out.append(char(0x80 | (code >> 12 & 0x3F)));
        out.append(char(0x80 | (code >> 6 & 0x3F)));
        out.append(char(0x80 | (code & 0x3F)));
    }
}

} // namespace qm
