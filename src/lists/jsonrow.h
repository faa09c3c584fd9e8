#pragma once

#include "formats/fileio.h"
#include "table/rowtable.h"

#include <QByteArrayView>

#include <optional>

namespace qm {

// One line of the rows' JSON Lines form read straight from its bytes into
// the row's cells, without a JSON document or a QString per value: the
// shape the program writes, one object of string values under distinct
// column codes (and "Read", the file's state as DEVICE:INODE:SIZE:MTIME_NS,
// plain digits), in valid UTF-8.
// False for anything else, with `row` and `read` then undefined: the caller
// reads such a line with a general JSON parser, which takes the other valid
// forms (a key or stamp written with escapes, lone surrogates, repeated
// keys) and says what is wrong with a line that is not a row.
// A long text that is the same as in `previous` (the row read before, when
// given) shares its cell's block.
bool ReadPlainJsonRow(QByteArrayView line, Row &row, std::optional<FileStamp> &read,
                      const Row *previous = nullptr);

} // namespace qm
