#include "app/renameback.h"

#include <algorithm>

#include "table/rowtable.h"

namespace qm {

namespace {

// A row's name cells as one key; a line feed in a name could at worst make
// two rows look alike.
QString key(const RowTable &table, int row)
{
    const QChar separator = u'\n';
    return table.cell(row, FieldNumber::Dir) + separator + table.cell(row, FieldNumber::Old)
           + separator + table.cell(row, FieldNumber::New) + separator
           + table.cell(row, FieldNumber::Ext);
}

} // namespace

void RenamedRows::noteBefore(const RowTable &table, int first, int last)
{
    before_.clear();
    first_ = std::max(first, 1);
    last = std::min(last, table.lastFileRow());
    for (int row = first_; row <= last; ++row)
        before_.push_back({table.cell(row, FieldNumber::Old), table.cell(row, FieldNumber::New)});
}

int RenamedRows::noteAfter(const RowTable &table)
{
    if (before_.empty())
        return 0;
    renamed_.clear();
    const int last = std::min(first_ + int(before_.size()) - 1, table.lastFileRow());
    for (int row = first_; row <= last; ++row) {
        const Names &was = before_[size_t(row - first_)];
        if (was.oldName != was.newName && table.cell(row, FieldNumber::Old) == was.newName
            && table.cell(row, FieldNumber::New) == was.oldName)
            renamed_.insert(key(table, row));
    }
    before_.clear();
    return int(renamed_.size());
}

int RenamedRows::goingBack(const RowTable &table, int first, int last) const
{
    if (renamed_.isEmpty())
        return 0;
    int count = 0;
    for (int row = std::max(first, 1); row <= std::min(last, table.lastFileRow()); ++row) {
        if (renamed_.contains(key(table, row)))
            ++count;
    }
    return count;
}

} // namespace qm
