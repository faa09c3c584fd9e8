#pragma once

#include <QList>
#include <QByteArrayView>
#include <QStringView>
#include <optional>

#include "table/columns.h"

namespace qm {

class RowTable;

// The columns a sort compares, most significant first; a later column only
// orders rows that are equal in every earlier one.
using SortKeys = QList<FieldNumber>;

// The keys of the sort command of `column` (aSortByDirectory for Dir, ...):
// the column itself, then the tie-breaks of the name and file columns.
// Under separate numbering Dir goes in front, so rows stay grouped by
// folder. Empty for No, which has no sort command.
SortKeys sortKeysFor(FieldNumber column, bool separateNumbering);

// Size, track, year and duration are ordered by their numbers; every other
// column by its text.
bool isNumericSortKey(FieldNumber field);

// The number a numeric cell stands for: the digits are kept, the first
// separator after a digit becomes the decimal mark, and when digits follow
// a second separator the mark moves there («03:45» 3.45, «1:02:03» 102.03,
// «4.52 Mb» 4.52). Nothing when no number can be read («», «abc»).
std::optional<double> cellNumber(QStringView text);
// The same from the text's UTF-8 (a cell's as it is held).
std::optional<double> cellNumber(QByteArrayView utf8);

// Before a sort by track: every Trc cell that is a whole number from 1 to 9
// gains a leading zero («7» becomes «07»), so it reads the same as the
// two-digit tracks of other tags. Returns whether a cell changed.
bool zeroFillTracks(RowTable &table);

} // namespace qm
