#include "jobs/renameplan.h"

#include "formats/pathcodec.h"
#include "jobs/fileops.h"
#include "jobs/writemessage.h"

#include <QSet>

#include <cerrno>

#include <dirent.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <linux/magic.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace qm {

namespace {

using F = FieldNumber;

// The identity of the file at `path`; none for a folder or nothing.
// *state gets what the stat said, when given.
std::optional<std::pair<dev_t, ino_t>> fileId(const QString &path, struct stat *state = nullptr)
{
    struct stat info {};
    if (path.isEmpty() || stat(encodeFileName(path).constData(), &info) != 0
        || S_ISDIR(info.st_mode))
        return std::nullopt;
    if (state)
        *state = info;
    return std::pair{info.st_dev, info.st_ino};
}

QString folderOf(const QString &path) { return path.left(path.lastIndexOf(QLatin1Char('/')) + 1); }

// Where the row's file is after a rename swapped Old and New.
QString currentPath(const Row &cells)
{
    Row copy = cells;
    return RenameTargetOf(copy).oldPath;
}

// The names in the folders the rows go to, each folder read once, so that
// a new name no entry has needs no look-up of its own. Only where a name
// is its bytes: on a file system that neither folds letter case nor
// normalizes (ext4 and tmpfs outside folders that ignore case, btrfs), a
// name not among a folder's entries is no file. Elsewhere, and for a
// folder too large for the rows going there, nothing is known here.
class FolderNames {
public:
    // One more row goes to `folder` (its path with the "/"); all are
    // counted before the first look. Rows of a folder mostly come together.
    void count(const QString &folder)
    {
        if (!lastCount_ || folder != lastCounted_) {
            lastCounted_ = folder;
            lastCount_ = &rows_[folder];
        }
        ++*lastCount_;
    }

    // Whether `name` surely names nothing in `folder`.
    bool free(const QString &folder, QStringView name)
    {
        if (!last_ || folder != lastFolder_) {
            lastFolder_ = folder;
            const auto [at, added] = folders_.try_emplace(folder);
            if (added)
                at->second = list(folder, rows_[folder]);
            last_ = &at->second;
        }
        return last_->exact && !last_->names.contains(encodeFileName(name));
    }

private:
    struct Listing {
        bool exact = false;
        QSet<QByteArray> names;
    };

    static bool namesAreBytes(int fd)
    {
        struct statfs system {};
        if (::fstatfs(fd, &system) != 0)
            return false;
        switch (system.f_type) {
        case EXT4_SUPER_MAGIC:
        case TMPFS_MAGIC:
        case BTRFS_SUPER_MAGIC:
            break;
        default:
            return false;
        }
        int flags = 0;
        return ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 && !(flags & FS_CASEFOLD_FL);
    }

    // A few rows into a folder are looked up one by one, and a folder of
    // many more entries than rows is not read.
    static Listing list(const QString &folder, qsizetype rows)
    {
        Listing listing;
        if (rows < 16 || holdsNul(folder))
            return listing;
        const int fd =
            ::open(encodeFileName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0)
            return listing;
        DIR *dir = namesAreBytes(fd) ? ::fdopendir(fd) : nullptr;
        if (!dir) {
            ::close(fd);
            return listing;
        }
        const qsizetype limit = 64 * rows + 1024;
        bool whole = true;
        errno = 0;
        while (const dirent *entry = ::readdir(dir)) {
            if (listing.names.size() == limit) {
                whole = false;
                break;
            }
            listing.names.insert(QByteArray(entry->d_name));
        }
        whole = whole && errno == 0;
        ::closedir(dir);
        listing.exact = whole;
        if (!whole)
            listing.names.clear();
        return listing;
    }

    std::map<QString, qsizetype> rows_;
    QString lastCounted_;
    qsizetype *lastCount_ = nullptr;
    std::map<QString, Listing> folders_;
    QString lastFolder_;
    Listing *last_ = nullptr;
};

} // namespace

template <typename Work> void RenamePlan::splitRows(size_t count, Work work)
{
    // A hand-over costs about what a few rows do.
    constexpr size_t kSharedFrom = 64;
    const size_t half = count >= kSharedFrom ? count / 2 : count;
    const bool shared = half < count && helper_.start([&] { work(half, count); });
    work(0, shared ? half : count);
    if (shared)
        helper_.wait();
}

void RenamePlan::addRows(int firstRow, const Row *cells, size_t count)
{
    const size_t base = rows_.size();
    rows_.resize(base + count);
    // The names and the look at each file are the row's own, worked out on
    // two threads; the folders are cleaned in between, on this one, and
    // what ties rows together is noted after, in row order.
    splitRows(count, [&](size_t from, size_t to) {
        for (size_t i = from; i < to; ++i) {
            Planned &planned = rows_[base + i];
            planned.row = firstRow + int(i);
            planned.dir = cells[i][size_t(toInt(F::Dir))];
            planned.target = RenameTargetOf(cells[i], planned.dir);
        }
    });
    // Before any file is looked at, its folder is rid of what a killed job
    // left there, a file parked under a temporary name included.
    for (size_t i = base; i < rows_.size(); ++i) {
        const RenameTarget &target = rows_[i].target;
        if (target.failed)
            continue;
        noteFolder(folderOf(target.oldPath));
        if (!target.newFolder.isEmpty())
            noteFolder(target.newFolder);
    }
    splitRows(count, [&](size_t from, size_t to) {
        for (size_t i = from; i < to; ++i) {
            Planned &planned = rows_[base + i];
            if (planned.target.failed)
                continue;
            if (const auto id = fileId(planned.target.oldPath, &planned.info)) {
                planned.id = *id;
                planned.present = true;
            }
        }
    });
    for (size_t entry = base; entry < rows_.size(); ++entry) {
        Planned &planned = rows_[entry];
        if (!planned.present)
            continue;
        const auto [owner, first] = owner_.emplace(planned.id, entry);
        if (!first) {
            planned.shared = true;
            rows_[owner->second].shared = true;
        }
        if (!planned.target.newFolder.isEmpty()) {
            planned.oldPath = planned.target.oldPath;
            planned.newPath = planned.target.newPath;
        }
    }
}

void RenamePlan::finish()
{
    if (moveFiles_) {
        FolderNames names;
        for (const Planned &planned : rows_) {
            if (!planned.oldPath.isEmpty())
                names.count(planned.target.newFolder);
        }
        for (Planned &planned : rows_) {
            const QString &folder = planned.target.newFolder;
            if (planned.oldPath.isEmpty()
                || names.free(folder, QStringView(planned.newPath).sliced(folder.size())))
                continue;
            const auto id = fileId(planned.newPath);
            if (!id || *id == planned.id)
                continue;
            const auto owner = owner_.find(*id);
            if (owner != owner_.end() && !rows_[owner->second].oldPath.isEmpty())
                planned.waitsFor = long(owner->second);
        }
    }

    // Each row waits for at most one other, so following the waits from a
    // row gives a chain, which ends or closes into a ring. The chain is
    // applied from its end; rows outside chains keep their order.
    enum : char { Waiting, OnPath, Placed };
    std::vector<char> state(rows_.size(), Waiting);
    std::vector<size_t> path;
    auto place = [&](size_t entry) {
        units_.push_back({order_.size(), 1, false});
        order_.push_back(rows_[entry].row);
        orderEntries_.push_back(entry);
    };
    for (size_t start = 0; start < rows_.size(); ++start) {
        if (state[start] != Waiting)
            continue;
        path.clear();
        long next = long(start);
        while (next >= 0 && state[size_t(next)] == Waiting) {
            state[size_t(next)] = OnPath;
            path.push_back(size_t(next));
            next = rows_[size_t(next)].waitsFor;
        }
        size_t chainEnd = path.size();
        if (next >= 0 && state[size_t(next)] == OnPath) {
            // A ring from `next` to the end of the path: its first row is
            // parked, the others go from the last back, the first goes last.
            size_t ringStart = path.size();
            while (path[ringStart - 1] != size_t(next))
                --ringStart;
            chainEnd = --ringStart;
            const Unit ring{order_.size(), path.size() - ringStart, true};
            for (size_t i = path.size(); i-- > ringStart + 1;) {
                order_.push_back(rows_[path[i]].row);
                orderEntries_.push_back(path[i]);
            }
            order_.push_back(rows_[path[ringStart]].row);
            orderEntries_.push_back(path[ringStart]);
            units_.push_back(ring);
        }
        for (size_t i = chainEnd; i-- > 0;)
            place(path[i]);
        for (const size_t entry : path)
            state[entry] = Placed;
    }
}

void RenamePlan::noteFolder(const QString &folder)
{
    if (!folder.isEmpty() && folders_.insert(folder).second)
        CleanTemporaries(folder);
}

const struct stat *RenamePlan::fileState(size_t index) const
{
    const Planned &planned = rows_[orderEntries_[index]];
    return planned.present ? &planned.info : nullptr;
}

bool RenamePlan::isJobFile(const QString &path) const
{
    const auto id = fileId(path);
    return id && (owner_.count(*id) > 0 || madeFiles_.count(*id) > 0);
}

void RenamePlan::applyRow(size_t index, Row &cells, RowOutcome &outcome, RowWriter &writer,
                          const QString &parked)
{
    // A file another row names too may have been renamed away by that
    // row's step, and a third row's file moved in under its name: that one
    // is not this row's to tag or rename. (A file the other row's tag
    // rewrote under the name is still the row's.)
    const Planned &planned = rows_[orderEntries_[index]];
    if (planned.shared && parked.isEmpty()) {
        const auto id = fileId(planned.target.oldPath);
        const auto made = id ? madeFiles_.find(*id) : madeFiles_.end();
        if (!id
            || (*id != planned.id
                && (owner_.count(*id) > 0
                    || (made != madeFiles_.end() && made->second != planned.id)))) {
            outcome = RowOutcome();
            outcome.failed = true;
            outcome.message = WriteMessage::NoFile();
            return;
        }
    }
    outcome = writer.apply(cells, parked);
    // A copy, or a move to another file system, is a new file of the job.
    if (outcome.renamed && outcome.placed.size >= 0)
        madeFiles_.insert_or_assign(
            FileId{dev_t(outcome.placed.device), ino_t(outcome.placed.inode)},
            rows_[orderEntries_[index]].id);
}

void RenamePlan::apply(const Unit &unit, RowWriter &writer, Row *cells, RowOutcome *outcomes)
{
    if (unit.ring) {
        applyRing(unit, writer, cells, outcomes);
        return;
    }
    applyRow(unit.begin, cells[0], outcomes[0], writer);
}

void RenamePlan::applyRing(const Unit &unit, RowWriter &writer, Row *cells, RowOutcome *outcomes)
{
    const size_t last = unit.count - 1;
    const QString home = rows_[orderEntries_[unit.begin + last]].oldPath;
    // Its tag first, under the name the journal knows it by: a change cut
    // short is then put back where the change was recorded.
    writer.writeTagAhead(cells[last]);
    // A ring that cannot open: each row meets another's file and fails. So
    // does one whose parked row would not move (its file changed since it
    // was read): its file keeps its name rather than a temporary one no
    // record tells recovery of.
    const QString parked = writer.mayPark(cells[last]) ? ParkFile(home) : QString();
    if (parked.isEmpty()) {
        for (size_t i = 0; i <= last; ++i)
            applyRow(unit.begin + i, cells[i], outcomes[i], writer);
        return;
    }
    for (size_t i = 0; i < last; ++i)
        applyRow(unit.begin + i, cells[i], outcomes[i], writer);
    applyRow(unit.begin + last, cells[last], outcomes[last], writer, parked);
    if (outcomes[last].renamed || writer.moveBack(parked, home))
        return;
    // A row of the ring failed after the rows before it had moved on: they
    // go back, last first, until the parked file's own name is free again.
    for (size_t i = last; i-- > 0;) {
        if (!outcomes[i].renamed)
            continue;
        const Planned &planned = rows_[orderEntries_[unit.begin + i]];
        if (!writer.moveBack(currentPath(cells[i]), planned.oldPath))
            break;
        std::swap(cells[i][size_t(toInt(F::Old))], cells[i][size_t(toInt(F::New))]);
        RowOutcome &outcome = outcomes[i];
        outcome.renamed = false;
        outcome.failed = true;
        outcome.message = outcome.message.isEmpty() ? WriteMessage::ChangeImpossible()
                                                    : WriteMessage::ChangeImpossible()
                                                          + QLatin1String(". ") + outcome.message;
    }
    // Should even that fail, the file keeps the temporary name that tells
    // its own, and recovery or a later job gives it back.
    writer.moveBack(parked, home);
}

} // namespace qm
