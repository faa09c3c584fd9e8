#include "options/scanfields.h"

#include <algorithm>

namespace qm {

namespace {

// %NS, %ON, %EX, %TT, %TR, %AR, %AL, %YE
constexpr std::array<int, 8> kDefaultRows = {0, 2, 4, 8, 9, 10, 11, 12};

} // namespace

ScanFields::ScanFields()
{
    for (int row = 0; row < kRows; ++row)
        fields_[size_t(row)] = toField(row);
    setDefaultPattern();
}

bool ScanFields::isDefaultEnabled(int row)
{
    return std::find(kDefaultRows.cbegin(), kDefaultRows.cend(), row) != kDefaultRows.cend();
}

QString ScanFields::caption(FieldNumber f)
{
    return scanName(f) + QStringLiteral(" (") + templateCode(f) + u')';
}

void ScanFields::setAllEnabled(bool on) { enabled_.fill(on); }

void ScanFields::setDefaultPattern()
{
    for (int row = 0; row < kRows; ++row)
        enabled_[size_t(row)] = isDefaultEnabled(row);
}

void ScanFields::moveRow(int from, int to)
{
    if (from < 0 || from >= kRows || to < 0 || to >= kRows || from == to)
        return;
    const auto rotate = [from, to](auto &a) {
        if (from < to)
            std::rotate(a.begin() + from, a.begin() + from + 1, a.begin() + to + 1);
        else
            std::rotate(a.begin() + to, a.begin() + from, a.begin() + from + 1);
    };
    rotate(fields_);
    rotate(enabled_);
}

int ScanFields::rank(int row) const
{
    if (!isEnabled(row))
        return 0;
    return int(std::count(enabled_.cbegin(), enabled_.cbegin() + row + 1, true));
}

QList<FieldNumber> ScanFields::enabledFields() const
{
    QList<FieldNumber> fields;
    for (int row = 0; row < kRows; ++row) {
        if (isEnabled(row))
            fields.append(field(row));
    }
    return fields;
}

void ScanFields::setOrder(const QList<int> &fieldNumbers)
{
    std::array<bool, kRows> used{};
    int row = 0;
    for (qsizetype i = 0; i < fieldNumbers.size() && i < kRows; ++i) {
        const int n = fieldNumbers[i];
        if (!isFieldNumber(n) || used[size_t(n)])
            continue;
        used[size_t(n)] = true;
        fields_[size_t(row++)] = toField(n);
    }
    for (int n = 0; n < kRows; ++n) {
        if (!used[size_t(n)])
            fields_[size_t(row++)] = toField(n);
    }
}

} // namespace qm
