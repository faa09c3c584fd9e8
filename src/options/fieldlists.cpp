#include "options/fieldlists.h"

#include <algorithm>

namespace qm {

FieldLists::FieldLists(QList<FieldNumber> items)
    : items_(std::move(items)), read_(size_t(items_.size()), true),
      shown_(size_t(items_.size()), true)
{}

bool FieldLists::isRead(FieldNumber f) const
{
    const int i = indexOf(f);
    return i >= 0 && isRead(i);
}

bool FieldLists::isShown(FieldNumber f) const
{
    const int i = indexOf(f);
    return i >= 0 && isShown(i);
}

bool FieldLists::setShown(int item, bool shown)
{
    if (shown)
        read_[size_t(item)] = true;
    if (shown_[size_t(item)] == shown)
        return false;
    shown_[size_t(item)] = shown;
    return true;
}

bool FieldLists::setRead(int item, bool read, bool *shownChanged)
{
    if (shownChanged)
        *shownChanged = false;
    if (!read && read_[size_t(item)] && std::count(read_.cbegin(), read_.cend(), true) == 1)
        return false;
    read_[size_t(item)] = read;
    if (!read && shown_[size_t(item)]) {
        shown_[size_t(item)] = false;
        if (shownChanged)
            *shownChanged = true;
    }
    return true;
}

void FieldLists::setAllShown(bool shown)
{
    std::fill(shown_.begin(), shown_.end(), shown);
    if (shown)
        std::fill(read_.begin(), read_.end(), true);
}

void FieldLists::setAllRead(bool read)
{
    std::fill(read_.begin(), read_.end(), read);
    if (!read) {
        std::fill(shown_.begin(), shown_.end(), false);
        if (!read_.empty())
            read_.front() = true;
    }
}

void FieldLists::assign(const std::vector<bool> &read, const std::vector<bool> &shown)
{
    for (size_t i = 0; i < shown_.size() && i < shown.size(); ++i)
        shown_[i] = shown[i];
    for (size_t i = 0; i < read_.size(); ++i) {
        if (i < read.size())
            read_[i] = read[i];
        read_[i] = read_[i] || shown_[i];
    }
    if (!read_.empty() && std::none_of(read_.cbegin(), read_.cend(), [](bool b) { return b; }))
        read_.front() = true;
}

void FieldLists::append(const QList<FieldNumber> &items)
{
    items_ += items;
    read_.resize(size_t(items_.size()), true);
    shown_.resize(size_t(items_.size()), true);
}

void FieldLists::truncate(int count)
{
    if (count < 0 || count >= size())
        return;
    items_.resize(count);
    read_.resize(size_t(count));
    shown_.resize(size_t(count));
    // Dropping items may drop every read one.
    if (!read_.empty() && std::none_of(read_.cbegin(), read_.cend(), [](bool b) { return b; }))
        read_.front() = true;
}

} // namespace qm
