#include "text/sortkeys.h"

#include <QLocale>
#include <QString>

#include "table/rowtable.h"

namespace qm {

SortKeys sortKeysFor(FieldNumber column, bool separateNumbering) {
  using F = FieldNumber;
  SortKeys keys;
  switch (column) {
    case F::No:
      return keys;
    case F::Dir:
      keys = {F::Dir, F::Old, F::Ext};
      break;
    case F::Old:
      keys = {F::Old, F::Ext, F::Dir};
      break;
    case F::New:
      keys = {F::New, F::Ext, F::Dir};
      break;
    case F::Ext:
      keys = {F::Ext, F::Old, F::Dir};
      break;
    case F::Siz:
    case F::Dur:
    case F::Inf:
      keys = {column, F::Old, F::Dir};
      break;
    default:  // the tag columns sort by themselves alone
      keys = {column};
      break;
  }
  if (separateNumbering && keys.first() != F::Dir) keys.prepend(F::Dir);
  return keys;
}

bool isNumericSortKey(FieldNumber field) {
  return field == FieldNumber::Siz || field == FieldNumber::Trc || field == FieldNumber::Yea ||
         field == FieldNumber::Dur;
}

std::optional<double> cellNumber(QStringView text) {
  QString digits;
  digits.reserve(text.size() + 1);
  qsizetype mark = -1;        // where the decimal mark stands in `digits`
  qsizetype secondMark = -1;  // where the first separator after it was dropped
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text[i];
    if (c >= u'0' && c <= u'9') {
      digits.append(c);
    } else if (i == 0) {
      continue;  // a leading sign or letter is no separator
    } else if (mark < 0) {
      mark = digits.size();
      digits.append(u'.');
    } else if (secondMark < 0) {
      secondMark = digits.size();
    }
  }
  // «1:02:03»: the mark goes before the digits that follow the last but one
  // separator, so hours and minutes stay whole; a unit after the number
  // («4.52 Mb») leaves no digit behind it and moves nothing.
  if (secondMark >= 0 && digits.size() > secondMark) {
    digits.remove(mark, 1);
    digits.insert(secondMark - 1, u'.');
  }
  if (digits.isEmpty()) return std::nullopt;
  bool ok = false;
  const double value = QLocale::c().toDouble(digits, &ok);
  if (!ok) return std::nullopt;
  return value;
}

bool zeroFillTracks(RowTable& table) {
  bool changed = false;
  for (int r = 1; r <= table.lastFileRow(); ++r) {
    const QString& track = table.cell(r, FieldNumber::Trc);
    bool ok = false;
    const int n = track.toInt(&ok);
    if (!ok || n < 1 || n > 9) continue;
    const QString filled = u'0' + QString::number(n);
    if (filled == track) continue;
    table.setCell(r, FieldNumber::Trc, filled);
    changed = true;
  }
  return changed;
}

}  // namespace qm
