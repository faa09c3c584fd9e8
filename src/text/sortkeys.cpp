#include "text/sortkeys.h"

#include <QString>
#include <charconv>
#include <string>

#include "table/rowtable.h"

namespace qm {

SortKeys sortKeysFor(FieldNumber column, bool separateNumbering)
{
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
    default: // the tag columns sort by themselves alone
        keys = {column};
        break;
    }
    if (separateNumbering && keys.first() != F::Dir)
        keys.prepend(F::Dir);
    return keys;
}

bool isNumericSortKey(FieldNumber field)
{
    return field == FieldNumber::Siz || field == FieldNumber::Trc || field == FieldNumber::Yea
           || field == FieldNumber::Dur;
}

std::optional<double> cellNumber(QStringView text)
{
    // Digits and one mark only, so a plain byte buffer holds the number.
    std::string digits;
    digits.reserve(size_t(text.size()) + 1);
    std::string::size_type mark = std::string::npos;       // the decimal mark
    std::string::size_type secondMark = std::string::npos; // first separator after it
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c >= u'0' && c <= u'9') {
            digits.push_back(char(c));
        } else if (i == 0) {
            continue; // a leading sign or letter is no separator
        } else if (mark == std::string::npos) {
            mark = digits.size();
            digits.push_back('.');
        } else if (secondMark == std::string::npos) {
            secondMark = digits.size();
        }
    }
    // «1:02:03»: the mark goes before the digits that follow the second
    // separator, so hours and minutes stay whole; a unit after the number
    // («4.52 Mb») leaves no digit behind it and moves nothing.
    if (secondMark != std::string::npos && digits.size() > secondMark) {
        digits.erase(mark, 1);
        digits.insert(secondMark - 1, 1, '.');
    }
    double value = 0;
    const char *end = digits.data() + digits.size();
    const auto [stop, error] = std::from_chars(digits.data(), end, value);
    if (digits.empty() || error != std::errc() || stop != end)
        return std::nullopt;
    return value;
}

bool zeroFillTracks(RowTable &table)
{
    bool changed = false;
    for (int r = 1; r <= table.lastFileRow(); ++r) {
        const QString &track = table.cell(r, FieldNumber::Trc);
        bool ok = false;
        const int n = track.toInt(&ok);
        if (!ok || n < 1 || n > 9)
            continue;
        const QString filled = u'0' + QString::number(n);
        if (filled == track)
            continue;
        table.setCell(r, FieldNumber::Trc, filled);
        changed = true;
    }
    return changed;
}

} // namespace qm
