#include "table/columnlayout.h"

#include <QStringList>

namespace qm {

ColumnLayout::ColumnLayout()
{
    for (int f = 0; f < kColumnCount; ++f)
        position_[size_t(f)] = defaultPosition(toField(f));
    rebuildInverse();
}

void ColumnLayout::rebuildInverse()
{
    for (int f = 0; f < kColumnCount; ++f)
        field_[size_t(position_[size_t(f)])] = toField(f);
}

std::array<int, kColumnCount> ColumnLayout::values() const
{
    std::array<int, kColumnCount> v{};
    for (int slot = 0; slot < kColumnCount; ++slot)
        v[size_t(slot)] = position(fieldAtSlot(slot));
    return v;
}

bool ColumnLayout::isPermutation(const std::array<int, kColumnCount> &values)
{
    std::array<bool, kColumnCount> seen{};
    for (int v : values) {
        if (v < 0 || v >= kColumnCount || seen[size_t(v)])
            return false;
        seen[size_t(v)] = true;
    }
    return true;
}

bool ColumnLayout::setValues(const std::array<int, kColumnCount> &values)
{
    if (!isPermutation(values))
        return false;
    for (int slot = 0; slot < kColumnCount; ++slot)
        position_[size_t(toInt(fieldAtSlot(slot)))] = values[size_t(slot)];
    rebuildInverse();
    return true;
}

// Slot by slot: the wanted position when it is still free, else the smallest
// free one. A non-number wants the slot's own position; a missing item wants
// 0 (so a short list packs the remaining columns in layout order).
ColumnLayout ColumnLayout::fromColIndex(QStringView text)
{
    const QList<QStringView> items = text.isEmpty() ? QList<QStringView>() : text.split(u',');
    std::array<bool, kColumnCount> taken{};
    std::array<int, kColumnCount> values{};
    int smallestFree = 0;
    for (int slot = 0; slot < kColumnCount; ++slot) {
        int wanted = 0;
        if (slot < items.size()) {
            bool ok = false;
            wanted = items[slot].trimmed().toInt(&ok);
            if (!ok)
                wanted = slot;
        }
        int pos;
        if (wanted >= 0 && wanted < kColumnCount && !taken[size_t(wanted)]) {
            pos = wanted;
        } else {
            while (taken[size_t(smallestFree)])
                ++smallestFree;
            pos = smallestFree;
        }
        taken[size_t(pos)] = true;
        values[size_t(slot)] = pos;
    }
    ColumnLayout layout;
    layout.setValues(values);
    return layout;
}

QString ColumnLayout::toColIndex() const
{
    QString text;
    for (int v : values()) {
        if (!text.isEmpty())
            text += u',';
        text += QString::number(v);
    }
    return text;
}

int ColumnLayout::setShown(int c, bool show)
{
    const int no = noPosition();
    if (!isValidPosition(c) || c == no)
        return no;
    const bool hidden = c < no;
    if (show != hidden)
        return c; // already as wanted
    if (show) {
        for (int &p : position_) {
            if (p > c)
                --p;
        }
        position_[size_t(toInt(field_[size_t(c)]))] = kColumnCount - 1;
        rebuildInverse();
        return kColumnCount - 1;
    }
    const FieldNumber moving = field_[size_t(c)];
    for (int &p : position_) {
        if (p >= no && p < c)
            ++p; // No and the columns between it and c move right
    }
    position_[size_t(toInt(moving))] = no;
    rebuildInverse();
    return no;
}

bool ColumnLayout::move(int from, int to)
{
    if (!isDataPosition(from) || !isDataPosition(to))
        return false;
    if (from == to)
        return true;
    const FieldNumber moving = field_[size_t(from)];
    for (int &p : position_) {
        if (to < from && p >= to && p < from)
            ++p;
        else if (to > from && p > from && p <= to)
            --p;
    }
    position_[size_t(toInt(moving))] = to;
    rebuildInverse();
    return true;
}

} // namespace qm
