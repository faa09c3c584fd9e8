#pragma once

#include "formats/fileio.h"
#include "table/rowtable.h"

#include <QByteArrayView>
#include <QtAlgorithms>
#include <QtEndian>

#include <optional>

namespace qm {

// One line of the rows' JSON Lines form read straight from its bytes into
// the row's cells, without a JSON document or a QString per value: the
// shape the program writes, one object of string values under distinct
// column codes (and "Read", the file's state as DEVICE:INODE:SIZE:MTIME_NS,
// then :CTIME_NS where known, plain digits), in valid UTF-8.
// False for anything else, with `row` and `read` then undefined: the caller
// reads such a line with a general JSON parser, which takes the other valid
// forms (a key or stamp written with escapes, lone surrogates, repeated
// keys) and says what is wrong with a line that is not a row.
// A long text that is the same as in `previous` (the row read before, when
// given) shares its cell's block.
bool ReadPlainJsonRow(QByteArrayView line, Row &row, std::optional<FileStamp> &read,
                      const Row *previous = nullptr);

// How many of the eight bytes at `p`, from the first, stand in a JSON
// string as they are and are read back the same: up to the first quote,
// backslash, control character or byte of a multibyte character. Rows are
// mostly such runs, read and written a word at a time.
inline int PlainJsonBytes(const void *p)
{
    constexpr quint64 ones = 0x0101010101010101ull;
    constexpr quint64 highs = 0x8080808080808080ull;
    const quint64 word = qFromLittleEndian<quint64>(p);
    // A byte below `n` (at most 0x80) sets the high bit of its place; a
    // borrow may set higher places too, never a lower one, so the lowest
    // bit set is the first such byte.
    const auto below = [word](quint64 n) { return (word - ones * n) & ~word & highs; };
    const auto zeroIn = [](quint64 v) { return (v - ones) & ~v & highs; };
    const quint64 stops =
        (word & highs) | below(0x20) | zeroIn(word ^ (ones * '"')) | zeroIn(word ^ (ones * '\\'));
    return stops == 0 ? 8 : qCountTrailingZeroBits(stops) / 8;
}

} // namespace qm
