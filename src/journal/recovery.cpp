#include "journal/recovery.h"

#include "formats/pathcodec.h"
#include "journal/journal.h"
#include "journal/journalfolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSet>

#include <map>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qm::journal {
namespace {

bool readExactly(const FileView &file, qint64 pos, qint64 length, QByteArray *out)
{
    if (!file.read || length < 0 || !file.read(pos, length, out) || out->size() != length)
        return false;
    out->detach(); // the reader's bytes may be a view of its buffer
    return true;
}

// The old bytes of the entry as they would read between `from` and `to`;
// past the old end of a grown file, the zeros of its added room.
QByteArray oldImage(const Entry &e, qint64 from, qint64 to)
{
    QByteArray image(to - from, '\0');
    const qint64 oldEnd = e.offset + e.oldBytes.size();
    if (from < oldEnd) {
        const qint64 n = std::min(to, oldEnd) - from;
        std::copy_n(e.oldBytes.constData() + (from - e.offset), n, image.data());
    }
    return image;
}

// Judges a file of the old or new size that holds neither state whole.
// Besides the one block a write may have stopped in, the file must show
// that the job's write reached it: a block of its new bytes, or the new
// size. Without that, another program wrote the file since; a region in a
// single block (a small tag) would otherwise pass whatever it holds.
bool explainedAsTorn(const Entry &e, const FileView &file)
{
    const qint64 size = file.stamp.size;
    if (size < std::min(e.oldSize, e.newSize) || size > std::max(e.oldSize, e.newSize))
        return false;
    bool reached = size == e.newSize && size != e.oldSize;
    const qint64 regionEnd = e.offset + std::max<qint64>(e.oldBytes.size(), e.newLength);
    const qint64 end = std::min(size, regionEnd);
    // Past the region, a region that ends the file leaves nothing; one in
    // the middle leaves bytes the change did not touch.
    if (end <= e.offset)
        return size == e.offset;
    QByteArray span;
    if (!readExactly(file, e.offset, end - e.offset, &span))
        return false;
    const qint64 newEnd = e.offset + e.newLength;
    int unexplained = 0;
    qint64 at = e.offset;
    while (at < end) {
        const qint64 blockEnd = std::min(end, (at / kBlockSize + 1) * kBlockSize);
        const QByteArrayView bytes = QByteArrayView(span).sliced(at - e.offset, blockEnd - at);
        const QByteArray old = oldImage(e, at, blockEnd);
        bool explained = bytes == old;
        if (!explained && at < newEnd) {
            // Only a block the file holds as far as the new bytes reach can
            // match its hash; past their end (a shrunk region not cut yet),
            // the old bytes.
            const qint64 hashEnd = std::min(newEnd, (at / kBlockSize + 1) * kBlockSize);
            const qsizetype index = at / kBlockSize - e.offset / kBlockSize;
            explained = hashEnd <= blockEnd && index < e.newHashes.size()
                        && blockHash(bytes.first(hashEnd - at), e.hashVersion) == e.newHashes[index]
                        && bytes.sliced(hashEnd - at) == QByteArrayView(old).sliced(hashEnd - at);
            reached = reached || explained;
        }
        if (!explained && ++unexplained > 1)
            return false;
        at = blockEnd;
    }
    return reached;
}

bool holdsOld(const Entry &e, const FileView &file)
{
    QByteArray bytes;
    return file.stamp.size == e.oldSize && readExactly(file, e.offset, e.oldBytes.size(), &bytes)
           && bytes == e.oldBytes;
}

} // namespace

FileView viewOf(const QString &fileName, ReadOnlyFile *file)
{
    FileView view;
    if (!file->open(fileName) || !stampOf(fileName, &view.stamp))
        return view;
    view.exists = true;
    view.read = file->reader();
    return view;
}

bool holdsNew(const Entry &e, const FileView &file)
{
    if (file.stamp.size != e.newSize)
        return false;
    QByteArray bytes;
    return readExactly(file, e.offset, e.newLength, &bytes)
           && blockHashes(e.offset, bytes, e.hashVersion) == e.newHashes;
}

Decision decide(const Entry &e, const FileView &file, const FileView &renamed)
{
    if (e.kind == EntryKind::Rename) {
        // The file is told by its inode where it was recorded: in a swap
        // both names exist whether it happened or not.
        const auto isIt = [&](const FileView &view) {
            return view.exists && view.stamp.inode == e.before.inode
                   && view.stamp.device == e.before.device;
        };
        if (e.before.inode != 0 && isIt(renamed))
            return {Verdict::New, {}};
        if (e.before.inode != 0 && isIt(file))
            return {Verdict::Old, {}};
        if (renamed.exists && !file.exists)
            return {Verdict::New, {}};
        if (file.exists && !renamed.exists)
            return {Verdict::Old, {}};
        if (!file.exists)
            return {Verdict::Missing,
                    QCoreApplication::translate("Recovery", "нет файла ни под одним из двух имен")};
        return {Verdict::Foreign, QCoreApplication::translate("Recovery", "заняты оба имени")};
    }
    if (!file.exists)
        return {Verdict::Missing, QCoreApplication::translate("Recovery", "файл не найден")};
    // Written in place, the file keeps its inode; another inode is another
    // file. A rewrite gives the file a new one.
    if (e.kind == EntryKind::InPlace && e.before.inode != 0
        && (file.stamp.inode != e.before.inode || file.stamp.device != e.before.device))
        return {Verdict::Foreign,
                QCoreApplication::translate("Recovery", "под этим именем другой файл")};
    if (holdsNew(e, file))
        return {Verdict::New, {}};
    if (holdsOld(e, file))
        return {Verdict::Old, {}};
    if (e.kind == EntryKind::InPlace && explainedAsTorn(e, file))
        return {Verdict::Torn, {}};
    return {Verdict::Foreign, QCoreApplication::translate("Recovery", "файл с тех пор изменен")};
}

bool restoringChange(const Entry &e, const FileView &file, FileChange *change)
{
    const qint64 size = file.stamp.size;
    // A rewrite replaces the new tag at the start; in place, the region
    // runs as far as either state reached, within the file.
    const qint64 end =
        e.kind == EntryKind::Rewrite
            ? e.offset + e.newLength
            : std::min(size, e.offset + std::max<qint64>(e.oldBytes.size(), e.newLength));
    if (end < e.offset || end > size)
        return false;
    change->fileName = e.path;
    change->offset = e.offset;
    if (!readExactly(file, e.offset, end - e.offset, &change->oldBytes))
        return false;
    change->newBytes = e.oldBytes;
    change->oldSize = size;
    change->newSize = e.oldSize;
    change->rewrite = e.kind == EntryKind::Rewrite;
    change->planned = file.stamp;
    // In place, a region in the middle of the file must keep its length.
    return change->rewrite || end == size || change->oldBytes.size() == change->newBytes.size();
}

namespace {

// The files parked under a temporary name (".quillmark-", six characters,
// "-" and the name they had, or nothing after the "-" for a long name) in
// the folders of the job's renames, by device and inode.
QHash<QPair<quint64, quint64>, QString> parkedFiles(const JobLog &log)
{
    QHash<QPair<quint64, quint64>, QString> parked;
    QSet<QString> folders;
    for (const Entry &e : log.entries) {
        if (e.kind == EntryKind::Rename)
            folders.insert(QFileInfo(e.path).absolutePath());
    }
    const qsizetype dash = sizeof kParkPrefix - 1 + kParkRandom;
    for (const QString &folder : std::as_const(folders)) {
        const QByteArray base = encodeFileName(folder);
        DIR *dir = ::opendir(base.constData());
        if (!dir)
            continue;
        while (const dirent *entry = ::readdir(dir)) {
            const QByteArray name(entry->d_name);
            if (name.size() <= dash || !name.startsWith(kParkPrefix) || name.at(dash) != '-')
                continue;
            const QByteArray path = base + '/' + name;
            struct stat info;
            if (::lstat(path.constData(), &info) == 0 && S_ISREG(info.st_mode))
                parked.insert({quint64(info.st_dev), quint64(info.st_ino)}, decodeFileName(path));
        }
        ::closedir(dir);
    }
    return parked;
}

// Frees `name` by moving the file one of the job's renames put there back
// where it came from, and so on along the chain of renames. Each rename so
// taken back gets a mark in *reverted that says it is no longer made, so
// that undo does not take it back a second time.
bool freeName(const QString &name, const QList<Entry> &entries, QList<DoneMark> *reverted,
              int depth = 0)
{
    struct stat info;
    if (::lstat(encodeFileName(name).constData(), &info) != 0)
        return errno == ENOENT;
    if (depth > entries.size())
        return false;
    for (const Entry &x : entries) {
        if (x.kind != EntryKind::Rename || x.newPath != name || x.path == name
            || x.before.inode != quint64(info.st_ino) || x.before.device != quint64(info.st_dev))
            continue;
        if (!freeName(x.path, entries, reverted, depth + 1) || !renameNoReplace(name, x.path))
            return false;
        DoneMark mark;
        mark.id = x.id;
        stampOf(x.path, &mark.after);
        reverted->append(mark);
        return true;
    }
    return false;
}

// A file parked while the names of a ring of renames went round, left so
// by a job that died, goes to its new name when that is free, else back to
// its old one, freed if need be.
void unpark(const JobLog &log, RecoveryReport &report, QList<DoneMark> *reverted)
{
    const auto parked = parkedFiles(log);
    if (parked.isEmpty())
        return;
    for (const Entry &e : log.entries) {
        const QString from = e.kind == EntryKind::Rename && e.before.inode != 0
                                 ? parked.value({e.before.device, e.before.inode})
                                 : QString();
        if (from.isEmpty() || !QFileInfo::exists(from))
            continue;
        // The parked name carries the file's own (unless it was too long):
        // another file that took a freed inode number is not this one.
        const QString carried = QFileInfo(from).fileName().mid(sizeof kParkPrefix + kParkRandom);
        if (!carried.isEmpty() && carried != QFileInfo(e.path).fileName())
            continue;
        if (!renameNoReplace(from, e.newPath)
            && !(freeName(e.path, log.entries, reverted) && renameNoReplace(from, e.path)))
            report.keptTemporary.append(from);
    }
}

// A temporary copy the job did not see to its end goes while its name
// still holds the file the job made there: the same device and inode, one
// name, and no more bytes than the whole copy. A copy that took its name
// is not there any more.
void removeCopy(const Entry &e, RecoveryReport &report)
{
    const QByteArray bytes = encodeFileName(e.path);
    struct stat info;
    if (::lstat(bytes.constData(), &info) != 0)
        return;
    const FileStamp now = stampOfInfo(info);
    if (S_ISREG(info.st_mode) && info.st_nlink == 1 && idOf(now) == idOf(e.before)
        && now.size <= e.oldSize && ::unlink(bytes.constData()) == 0)
        report.removedTemporary.append(e.path);
    else
        report.keptTemporary.append(e.path);
}

// A move to another file system copies the file to its new name, then
// removes the original: a job that died in between left the file in both
// places. With the original still there the move did not happen, and the
// copy goes while it is as the job placed it (its mark may not have reached
// the journal: then the whole copy, by its inode); one changed since stays.
void dropCopyOf(const Entry &rename, const QList<Entry> &entries, RecoveryReport &report)
{
    for (const Entry &c : entries) {
        if (c.kind != EntryKind::Copy || c.newPath != rename.newPath || (c.done && !c.made))
            continue;
        FileStamp now;
        if (!stampOf(c.newPath, &now) || (!c.done && idOf(now) != idOf(c.before)))
            continue;
        const bool placed = c.done ? now == c.after : now.size == c.oldSize;
        if (placed && ::unlink(encodeFileName(c.newPath).constData()) == 0)
            report.removedTemporary.append(c.newPath);
        else
            report.keptTemporary.append(c.newPath);
    }
}

// Removes the temporary files a job that died may have left beside its
// files: the copies and parked names of file operations and the new copies
// of rewritten files (".quillmark-" and six characters), and the new copies
// older versions made of rewritten files (the file's name, a dot and six
// characters). Only files made since the job started, and
// never one that is a file the job recorded (a parked original keeps its
// inode), except the old file of a rewrite: the new file takes the name by
// an exchange, which leaves the old one under the temporary name until it
// is unlinked, and the journal keeps the old bytes undo needs.
void removeLeftovers(const JobLog &log, RecoveryReport &report)
{
    QSet<QString> folders;
    QSet<QString> rewritten;
    QSet<QString> named;
    // A recorded file is told by its whole stamp: the inode number of a
    // file the job replaced is soon another file's, a temporary's too.
    QList<FileStamp> recorded;
    QList<FileStamp> rewrittenAway;
    for (const Entry &e : log.entries) {
        if (isFolderEntry(e.kind))
            continue;
        folders.insert(QFileInfo(e.path).absolutePath());
        named.insert(QFileInfo(e.path).absoluteFilePath());
        if (!e.newPath.isEmpty()) {
            folders.insert(QFileInfo(e.newPath).absolutePath());
            named.insert(QFileInfo(e.newPath).absoluteFilePath());
        }
        if (e.kind == EntryKind::Rewrite && !e.done)
            rewritten.insert(QFileInfo(e.path).fileName());
        // A copy's temporary is judged by removeCopy.
        if (e.kind == EntryKind::Copy)
            continue;
        if (e.kind == EntryKind::Rewrite && !e.done)
            rewrittenAway.append(e.before);
        else
            recorded.append(e.before);
        if (e.done)
            recorded.append(e.after);
    }
    static const QRegularExpression ours(QStringLiteral("^\\.quillmark-[A-Za-z0-9]{6}$"));
    static const QRegularExpression copy(QStringLiteral("^(.+)\\.[A-Za-z0-9]{6}$"));
    const qint64 sinceNs = (log.startedMs - 2000) * 1000000;
    for (const QString &folder : std::as_const(folders)) {
        // Listed through the name codec, so a name that is not UTF-8 is
        // matched and removed as itself.
        QStringList names;
        if (DIR *dir = ::opendir(encodeFileName(folder).constData())) {
            while (const dirent *entry = ::readdir(dir))
                names.append(decodeFileName(entry->d_name));
            ::closedir(dir);
        }
        for (const QString &name : std::as_const(names)) {
            const QRegularExpressionMatch m = copy.match(name);
            if (!ours.match(name).hasMatch()
                && !(m.hasMatch() && rewritten.contains(m.captured(1))))
                continue;
            const QString path = QDir(folder).filePath(name);
            if (report.keptTemporary.contains(path))
                continue;
            struct stat info;
            const QByteArray bytes = encodeFileName(path);
            if (::lstat(bytes.constData(), &info) != 0 || !S_ISREG(info.st_mode))
                continue;
            const FileStamp stamp = stampOfInfo(info);
            const bool oldOfRewrite = rewrittenAway.contains(stamp) && !recorded.contains(stamp)
                                      && !named.contains(QFileInfo(path).absoluteFilePath());
            if (stamp.mtimeNs < sinceNs && !oldOfRewrite)
                continue;
            if (recorded.contains(stamp) || ::unlink(bytes.constData()) != 0)
                report.keptTemporary.append(path);
            else
                report.removedTemporary.append(path);
        }
    }
}

// A rewrite gives its file a new inode, and the renames the job recorded
// ahead of it know the old one: they are made to know the file by the one
// it has now, so that it is found under every name the job gave it, parked
// names included.
void followRewrites(JobLog &log)
{
    // By name and inode: the inode a rewrite freed is soon another
    // rewrite's new one.
    using Key = std::pair<QString, FileId>;
    std::map<Key, FileId> renewed;
    for (const Entry &e : std::as_const(log.entries)) {
        if (e.kind == EntryKind::Rewrite && e.done && e.made && e.before.inode != 0
            && e.after.inode != 0)
            renewed[{e.path, idOf(e.before)}] = idOf(e.after);
    }
    if (renewed.empty())
        return;
    for (Entry &e : log.entries) {
        if (e.kind != EntryKind::Rename)
            continue;
        // A file rewritten more than once goes along the chain.
        for (size_t step = 0; step < renewed.size(); ++step) {
            const auto it = renewed.find({e.path, idOf(e.before)});
            if (it == renewed.end())
                break;
            e.before.device = it->second.first;
            e.before.inode = it->second.second;
        }
    }
}

// Where the file of an in-place change is now: under its recorded name,
// or under the new name of a rename of the same file (its mark may not
// have reached the journal while the rename did).
QString whereNow(const Entry &e, const QList<Entry> &entries)
{
    FileStamp now;
    if (e.kind != EntryKind::InPlace || e.before.inode == 0
        || (stampOf(e.path, &now) && idOf(now) == idOf(e.before)))
        return e.path;
    for (const Entry &x : entries) {
        if (x.kind == EntryKind::Rename && x.path == e.path && idOf(x.before) == idOf(e.before)
            && stampOf(x.newPath, &now) && idOf(now) == idOf(e.before))
            return x.newPath;
    }
    return e.path;
}

FileOutcome settle(const Entry &e, DoneMark *mark)
{
    FileOutcome out;
    out.path = e.path;
    ReadOnlyFile file, renamedFile;
    const FileView view = viewOf(e.path, &file);
    const FileView renamed =
        e.kind == EntryKind::Rename ? viewOf(e.newPath, &renamedFile) : FileView();
    const Decision d = decide(e, view, renamed);
    out.verdict = d.verdict;
    out.reason = d.reason;
    mark->id = e.id;
    mark->made = d.verdict == Verdict::New;
    mark->after =
        d.verdict == Verdict::New && e.kind == EntryKind::Rename ? renamed.stamp : view.stamp;
    if (d.verdict != Verdict::Torn)
        return out;
    FileChange back;
    WriteFailure why = WriteFailure::None;
    out.restored = restoringChange(e, view, &back) && applyChange(back, &why);
    out.failed = !out.restored;
    if (out.failed)
        out.reason = QCoreApplication::translate("Recovery", "не удалось вернуть прежние байты");
    else
        stampOf(e.path, &mark->after);
    return out;
}

} // namespace

RecoveryReport recover(const QString &folder)
{
    RecoveryReport report;
    const QString dir = folderOrDefault(folder);
    for (quint64 number : jobNumbers(dir)) {
        const QString name = jobFile(dir, number);
        if (isFinished(name))
            continue;
        const auto lock = lockJob(dir, number);
        if (!lock)
            continue; // running in another process
        JobLog log = readJob(name);
        if (!log.valid) {
            // Not even the header reached the disk: no file was touched. A
            // journal this process cannot read (another user's, left by a
            // run under sudo) is not known to be one of those: it stays.
            if (QFile(name).open(QIODevice::ReadOnly))
                QFile::remove(name);
            continue;
        }
        if (log.closed)
            continue;
        ++report.jobs;
        const bool damaged = isDamaged(name, log);
        if (damaged)
            report.damaged.append(log.number);
        followRewrites(log);
        QList<DoneMark> marks;
        unpark(log, report, &marks);
        for (const Entry &e : log.entries) {
            if (e.done)
                continue;
            DoneMark mark;
            // A folder made or removed is harmless either way: its mark
            // says which, for undo.
            if (isFolderEntry(e.kind)) {
                mark.id = e.id;
                mark.made = QFileInfo(e.path).isDir() == (e.kind == EntryKind::MakeFolder);
                marks.append(mark);
                continue;
            }
            if (e.kind == EntryKind::Copy) {
                removeCopy(e, report);
                mark.id = e.id;
                marks.append(mark);
                continue;
            }
            Entry found = e;
            found.path = whereNow(e, log.entries);
            const FileOutcome out = settle(found, &mark);
            report.files.append(out);
            if (e.kind == EntryKind::Rename && out.verdict == Verdict::Old)
                dropCopyOf(e, log.entries, report);
            if (out.verdict == Verdict::New || out.verdict == Verdict::Old || out.restored)
                marks.append(mark);
        }
        removeLeftovers(log, report);
        // A journal damaged in the middle stays as it is, unsettled, so that
        // it is reported again and never taken for the whole job by undo.
        if (damaged)
            continue;
        // Records after a torn one would never be read: cut it off first.
        if (QFileInfo(name).size() > log.goodBytes)
            QFile(name).resize(log.goodBytes);
        appendDurably(name, (marks.isEmpty() ? QByteArray() : doneRecord(marks)) + closedRecord());
    }
    prune(dir);
    return report;
}

QStringList leftAlone(const RecoveryReport &report)
{
    QStringList lines;
    for (const FileOutcome &out : report.files) {
        if (out.failed || out.verdict == Verdict::Foreign || out.verdict == Verdict::Missing)
            lines.append(QCoreApplication::translate("Recovery", "восстановление не тронуло %1: %2")
                             .arg(out.path, out.reason));
    }
    for (const QString &path : report.keptTemporary)
        lines.append(QCoreApplication::translate(
                         "Recovery", "восстановление оставило %1: это может быть ваш файл")
                         .arg(path));
    for (quint64 number : report.damaged)
        lines.append(QCoreApplication::translate("Recovery",
                                                 "журнал задания %1 поврежден: завершены только "
                                                 "изменения, записанные до повреждения")
                         .arg(number));
    return lines;
}

} // namespace qm::journal
