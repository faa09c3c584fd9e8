#pragma once

#include "jobs/folderplan.h"
#include "jobs/rowwriter.h"
#include "journal/backgroundtask.h"
#include "table/largepages.h"
#include "table/rowtable.h"

#include <QString>

#include <algorithm>
#include <map>
#include <optional>
#include <set>
#include <unordered_map>
#include <utility>
#include <vector>

#include <sys/stat.h>
#include <sys/types.h>

namespace qm {

// Kind 117 looks at every row of its range before the first rename, and
// clears the folders they are in or go to of what a killed job left there
// (CleanTemporaries). A new
// name that is another row's file is no existing file but one about to be
// vacated: that row goes first, and a ring of rows whose new names are each
// other's files (a swap) goes through one temporary name. The files of the
// job's rows and the files it makes are never replaced and never asked
// about, so a second row into a name the job already gave fails. Copies
// vacate nothing, so with copying the rows keep their order.
//
// Files are told apart as the file system does (device and inode, as
// std::filesystem::equivalent): a change of letter case on a file system
// that ignores it stays the row's own file.
class RenamePlan {
public:
    explicit RenamePlan(bool moveFiles) : moveFiles_(moveFiles) {}

    // Each row of the range once, in table order; then finish(). A plan
    // told its row count first grows without moving its rows.
    void reserve(size_t rows)
    {
        reserveInLargePages(rows_, rows);
        owner_.reserve(rows);
    }
    // Rows firstRow, firstRow + 1, ... with their cells.
    void addRows(int firstRow, const Row *cells, size_t count);
    void finish();

    // A step of the plan, over order()[begin, begin + count): one row, or a
    // ring whose last row is parked first and applied last.
    struct Unit {
        size_t begin = 0;
        size_t count = 1;
        bool ring = false;
    };
    const std::vector<int> &order() const { return order_; }
    const std::vector<Unit> &units() const { return units_; }

    // The state of the file of order()[index] when the plan looked at it;
    // null when it found none.
    const struct stat *fileState(size_t index) const;
    // What the plan found of the row of order()[index], for the writer.
    KnownFile known(size_t index) const
    {
        const Planned &planned = rows_[orderEntries_[index]];
        return {fileState(index), !planned.present, !planned.shared, &planned.target, &planned.dir};
    }

    // Where the file of order()[index] goes from and to; both empty when
    // it is not renamed.
    FileMove move(size_t index) const
    {
        const Planned &planned = rows_[orderEntries_[index]];
        return {planned.oldPath, planned.newPath};
    }

    // Whether a row's file goes into another folder.
    bool movesAcrossFolders() const
    {
        return std::any_of(rows_.cbegin(), rows_.cend(), [](const Planned &planned) {
            return planned.oldPath.left(planned.oldPath.lastIndexOf(QLatin1Char('/')))
                   != planned.newPath.left(planned.newPath.lastIndexOf(QLatin1Char('/')));
        });
    }

    // Whether the file at `path` is a row's file or one the job made.
    bool isJobFile(const QString &path) const;

    // Applies one unit: `cells` and `outcomes` hold its rows in order()
    // order. A ring is finished or undone here, so no file is left under
    // its temporary name.
    void apply(const Unit &unit, RowWriter &writer, Row *cells, RowOutcome *outcomes);

private:
    using FileId = std::pair<dev_t, ino_t>;
    struct FileIdHash {
        size_t operator()(const FileId &id) const
        {
            return std::hash<ino_t>()(id.second) * 31 + std::hash<dev_t>()(id.first);
        }
    };
    struct Planned {
        int row = 0;
        long waitsFor = -1; // the entry whose file holds this row's new name
        QString oldPath;    // empty when the row will not be renamed
        QString newPath;
        FileId id{};
        bool present = false; // a file (no folder) was at the row's name
        bool shared = false;  // another row's file is the same one
        RenameTarget target;  // the row's names
        Cell dir;             // its Dir with the closing "/" RenameTargetOf gives it
        struct stat info {};
    };
    // Runs work(from, to) over [0, count) in two parts, the second on the
    // helper thread when there are rows enough.
    template <typename Work> void splitRows(size_t count, Work work);
    void applyRing(const Unit &unit, RowWriter &writer, Row *cells, RowOutcome *outcomes);
    void noteFolder(const QString &folder);
    // Applies the row of order()[index].
    void applyRow(size_t index, Row &cells, RowOutcome &outcome, RowWriter &writer,
                  const QString &parked = {});

    bool moveFiles_;
    std::vector<Planned> rows_;
    std::vector<size_t> orderEntries_; // order() as indices into rows_
    // The rows' files before the job, and the files it made since (each
    // with the row's file it was made from): the job's own files.
    std::unordered_map<FileId, size_t, FileIdHash> owner_;
    std::map<FileId, FileId> madeFiles_;
    std::set<QString> folders_; // those the rows' files are in or go to
    std::vector<int> order_;
    std::vector<Unit> units_;
    BackgroundTask helper_;
};

} // namespace qm
