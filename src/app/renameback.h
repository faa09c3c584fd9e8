#pragma once

#include <QSet>
#include <QString>
#include <vector>

namespace qm {

class RowTable;

// An update swaps Old and New of the rows it renamed, so the same rows
// updated again give their files back the names they had before. This
// remembers the rows the last update renamed, as their cells read after it,
// to count those an update would take back.
class RenamedRows {
public:
    // Before an update of rows [first, last].
    void noteBefore(const RowTable &table, int first, int last);
    // After it: the rows whose Old and New swapped are the ones remembered;
    // returns how many there are (0 when no update was noted).
    int noteAfter(const RowTable &table);
    // An update was noted and has not ended yet.
    bool pending() const { return !before_.empty(); }
    // Forgets an update that did not start.
    void dropPending() { before_.clear(); }
    // The rows among [first, last] that still read as the last update left
    // them, so updating them renames their files back.
    int goingBack(const RowTable &table, int first, int last) const;

private:
    struct Names {
        QString oldName;
        QString newName;
    };
    int first_ = 0;
    std::vector<Names> before_;
    QSet<QString> renamed_;
};

} // namespace qm
