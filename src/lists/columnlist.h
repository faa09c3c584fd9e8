#pragma once

#include "options/options.h"
#include "table/rowtable.h"

#include <QStringList>

#include <optional>

namespace qm {

// The column list: each column a block of value lines under its "#" header
// line ("#Path", "#Old name", ...), led by "#Tag 1" or "#Tag 2" when a tag
// view is on.
//
// A cell the format cannot hold as it is: line breaks (CR LF, LF or CR) are
// written as one space each, since a value is one line. A cell that would
// be read as a header, tag or "#EXTM3U" line, or that is such a text with
// "#" signs in front, is written with one more "#" in front; the reader
// takes that sign off again. The Windows program reads such a cell with the
// extra "#", so the blocks keep their shape there too.

// The header text of a column (from the column catalogue), empty for No.
QString ColumnListHeader(FieldNumber f);
// The column whose header the line begins with (compared case-sensitively),
// if any.
std::optional<FieldNumber> ColumnListHeaderField(QStringView line);
// The line is a header, "#Tag" or "#EXTM3U" line.
bool IsColumnListMarker(QStringView line);

// The value line written for a cell, and the cell a value line gives.
QString ColumnListValueLine(const QString &cell);
QString ColumnListCell(const QString &valueLine);

// The lines of the column list of every file row: the tag line of `view`,
// then, in the order of current positions (hidden columns included, No left
// out), every column with a cell holding more than blanks and control
// characters, its header line and one value line per file row.
QStringList ColumnListLines(const RowTable &table, TagView view);

} // namespace qm
