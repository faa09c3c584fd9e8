#include "text/sortkeys.h"

#include <QString>
#include <QVarLengthArray>
#include <charconv>
#include <string>
#include <type_traits>

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

namespace {

// The number of a cell's text given unit by unit (UTF-16 code units, as the
// text reads in a QString): `units` calls its argument with each unit.
template <typename Units> std::optional<double> numberOf(Units units)
{
    // Digits and one mark only, so a plain byte buffer holds the number.
    QVarLengthArray<char, 64> digits;
    qsizetype mark = -1;       // the decimal mark
    qsizetype secondMark = -1; // first separator after it
    qsizetype i = 0;
    units([&](char16_t c) {
        if (c >= u'0' && c <= u'9') {
            digits.push_back(char(c));
        } else if (i == 0) {
            // a leading sign or letter is no separator
        } else if (mark < 0) {
            mark = digits.size();
            digits.push_back('.');
        } else if (secondMark < 0) {
            secondMark = digits.size();
        }
        ++i;
    });
    // «1:02:03»: the mark goes before the digits that follow the second
    // separator, so hours and minutes stay whole; a unit after the number
    // («4.52 Mb») leaves no digit behind it and moves nothing.
    if (secondMark >= 0 && digits.size() > secondMark) {
        digits.remove(mark);
        digits.insert(secondMark - 1, '.');
    }
    double value = 0;
    const char *end = digits.data() + digits.size();
    const auto [stop, error] = std::from_chars(digits.data(), end, value);
    if (digits.empty() || error != std::errc() || stop != end)
        return std::nullopt;
    return value;
}

} // namespace

std::optional<double> cellNumber(QStringView text)
{
    return numberOf([text](auto &&unit) {
        for (QChar c : text)
            unit(c.unicode());
    });
}

std::optional<double> cellNumber(QByteArrayView utf8)
{
    // Only digits count, so a character other than an ASCII one stands for
    // its UTF-16 units: one, or two for a four-byte sequence.
    return numberOf([utf8](auto &&unit) {
        for (char byte : utf8) {
            const auto b = uchar(byte);
            if (b < 0x80) {
                unit(char16_t(b));
            } else if (b >= 0xC0) {
                unit(u'\uFFFD');
                if (b >= 0xF0)
                    unit(u'\uFFFD');
            }
        }
    });
}

bool zeroFillTracks(RowTable &table)
{
    bool changed = false;
    for (int r = 1; r <= table.lastFileRow(); ++r) {
        // Most tracks are two digits, which stay as they are («07», «12»,
        // «00»), or one, which gains its zero: those are told from their
        // bytes.
        Cell &cell = table.row(r)[size_t(toInt(FieldNumber::Trc))];
        enum class Track { Stays, Digit, Other };
        char one = 0;
        const Track kind = cell.visit([&one](auto text) {
            if constexpr (std::is_same_v<decltype(text), QByteArrayView>) {
                const auto digit = [&text](qsizetype i) {
                    return text[i] >= '0' && text[i] <= '9';
                };
                if (text.isEmpty() || (text.size() == 2 && digit(0) && digit(1)))
                    return Track::Stays;
                if (text.size() == 1 && text[0] >= '1' && text[0] <= '9') {
                    one = text[0];
                    return Track::Digit;
                }
            }
            return Track::Other;
        });
        if (kind == Track::Stays)
            continue;
        if (kind == Track::Digit) {
            const char filled[] = {'0', one};
            cell = Cell::fromValidUtf8(QByteArrayView(filled, 2));
            changed = true;
            continue;
        }
        const QString track = table.cell(r, FieldNumber::Trc);
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
