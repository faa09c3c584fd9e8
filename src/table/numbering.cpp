#include "table/numbering.h"

#include <algorithm>

namespace qm {

QString numberText(int n, NumberStyle style)
{
    if (style == NumberStyle::LeadingZero && n >= 0 && n < 10)
        return u'0' + QString::number(n);
    return QString::number(n);
}

bool sameFolder(QStringView a, QStringView b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

namespace {

// The cell of numberText(n, style), made from its digits without a QString:
// every row of a sort or an add is renumbered.
Cell numberCell(int n, NumberStyle style)
{
    char digits[16];
    char *end = digits + sizeof digits;
    char *p = end;
    unsigned v = n < 0 ? 0u - unsigned(n) : unsigned(n);
    do {
        *--p = char('0' + v % 10);
        v /= 10;
    } while (v != 0);
    if (n < 0)
        *--p = '-';
    else if (style == NumberStyle::LeadingZero && n < 10)
        *--p = '0';
    return Cell::fromValidUtf8(QByteArrayView(p, end - p));
}

} // namespace

void renumberRows(RowTable &table, int from, NumberStyle style, NumberScope scope)
{
    from = std::max(from, 1);
    const int last = table.lastFileRow();
    if (from > last)
        return;
    if (scope == NumberScope::WholeTable) {
        for (int r = from; r <= last; ++r)
            table.setCell(r, FieldNumber::No, numberCell(r, style));
        return;
    }
    int count = 0;
    if (from > 1
        && sameFolder(table.cell(from - 1, FieldNumber::Dir), table.cell(from, FieldNumber::Dir))) {
        bool ok = false;
        count = table.cell(from - 1, FieldNumber::No).toInt(&ok);
        if (!ok || count < 0)
            count = 0;
    }
    const size_t dir = size_t(toInt(FieldNumber::Dir));
    for (int r = from; r <= last; ++r) {
        // Rows of one folder mostly share its cell.
        if (r > from && table.row(r - 1)[dir].handle() != table.row(r)[dir].handle()
            && !sameFolder(table.cell(r - 1, FieldNumber::Dir), table.cell(r, FieldNumber::Dir)))
            count = 0;
        table.setCell(r, FieldNumber::No, numberCell(++count, style));
    }
}

void restyleNumbers(RowTable &table, NumberStyle style, NumberScope scope)
{
    const int last = table.lastFileRow();
    if (scope == NumberScope::WholeTable) {
        for (int r = 1; r <= std::min(last, 9); ++r)
            table.setCell(r, FieldNumber::No, numberText(r, style));
        return;
    }
    for (int r = 1; r <= last; ++r) {
        const QString &text = table.cell(r, FieldNumber::No);
        bool ok = false;
        const int n = text.toInt(&ok);
        if (!ok)
            continue; // an unnumbered row stays so
        if (style == NumberStyle::LeadingZero ? (n >= 0 && n < 10 && !text.startsWith(u'0'))
                                              : text.startsWith(u'0') && text.size() > 1)
            table.setCell(r, FieldNumber::No, numberText(n, style));
    }
}

} // namespace qm
