#pragma once

#include "table/columns.h"

#include <QList>

#include <vector>

namespace qm {

// A "read" check list and its "show" check list over the same items, each
// item governing one column. Shown fields are always read, and at least one
// item stays read; every change keeps both rules.
class FieldLists {
public:
    // Every item ticked in both lists.
    explicit FieldLists(QList<FieldNumber> items = {});

    const QList<FieldNumber> &items() const { return items_; }
    int size() const { return int(items_.size()); }
    // The item that governs the column, or -1.
    int indexOf(FieldNumber f) const { return int(items_.indexOf(f)); }

    // item must be 0..size()-1.
    bool isRead(int item) const { return read_[size_t(item)]; }
    bool isShown(int item) const { return shown_[size_t(item)]; }
    // False for a field without an item.
    bool isRead(FieldNumber f) const;
    bool isShown(FieldNumber f) const;

    // Ticking a show item ticks its read item too. Returns true when the
    // show item changed (the caller then shows or hides the column).
    bool setShown(int item, bool shown);
    // Unticking the last read item is refused (false). Unticking a read
    // item unticks its show item too; `shownChanged` tells whether it did.
    bool setRead(int item, bool read, bool *shownChanged = nullptr);

    // Show all ticks every read item too; reading none keeps the first item
    // read and unticks every show item.
    void setAllShown(bool shown);
    void setAllRead(bool read);

    // Sets both lists at once, as stored ticks are read: entries beyond
    // either vector keep their ticks. A shown item ends read; when nothing
    // would be read, the first item is.
    void assign(const std::vector<bool> &read, const std::vector<bool> &shown);

    // Adds ticked items at the end, or drops items from `count` on.
    void append(const QList<FieldNumber> &items);
    void truncate(int count);

    friend bool operator==(const FieldLists &, const FieldLists &) = default;

private:
    QList<FieldNumber> items_;
    std::vector<bool> read_;
    std::vector<bool> shown_;
};

} // namespace qm
