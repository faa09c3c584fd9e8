#include "options/fieldlists.h"

#include <algorithm>

namespace qm {

FieldLists::FieldLists(QList<FieldNumber> items)
    : m_items(std::move(items)), m_read(size_t(m_items.size()), true),
      m_shown(size_t(m_items.size()), true)
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
        m_read[size_t(item)] = true;
    if (m_shown[size_t(item)] == shown)
        return false;
    m_shown[size_t(item)] = shown;
    return true;
}

bool FieldLists::setRead(int item, bool read, bool *shownChanged)
{
    if (shownChanged)
        *shownChanged = false;
    if (!read && m_read[size_t(item)] && std::count(m_read.cbegin(), m_read.cend(), true) == 1)
        return false;
    m_read[size_t(item)] = read;
    if (!read && m_shown[size_t(item)]) {
        m_shown[size_t(item)] = false;
        if (shownChanged)
            *shownChanged = true;
    }
    return true;
}

void FieldLists::setAllShown(bool shown)
{
    std::fill(m_shown.begin(), m_shown.end(), shown);
    if (shown)
        std::fill(m_read.begin(), m_read.end(), true);
}

void FieldLists::setAllRead(bool read)
{
    std::fill(m_read.begin(), m_read.end(), read);
    if (!read) {
        std::fill(m_shown.begin(), m_shown.end(), false);
        if (!m_read.empty())
            m_read.front() = true;
    }
}

void FieldLists::assign(const std::vector<bool> &read, const std::vector<bool> &shown)
{
    for (size_t i = 0; i < m_shown.size() && i < shown.size(); ++i)
        m_shown[i] = shown[i];
    for (size_t i = 0; i < m_read.size(); ++i) {
        if (i < read.size())
            m_read[i] = read[i];
        m_read[i] = m_read[i] || m_shown[i];
    }
    if (!m_read.empty() && std::none_of(m_read.cbegin(), m_read.cend(), [](bool b) { return b; }))
        m_read.front() = true;
}

void FieldLists::append(const QList<FieldNumber> &items)
{
    m_items += items;
    m_read.resize(size_t(m_items.size()), true);
    m_shown.resize(size_t(m_items.size()), true);
}

void FieldLists::truncate(int count)
{
    if (count < 0 || count >= size())
        return;
    m_items.resize(count);
    m_read.resize(size_t(count));
    m_shown.resize(size_t(count));
    // Dropping items may drop every read one.
    if (!m_read.empty() && std::none_of(m_read.cbegin(), m_read.cend(), [](bool b) { return b; }))
        m_read.front() = true;
}

} // namespace qm
