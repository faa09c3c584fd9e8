// The write job against the least the same work can cost, with the same
// durability as the job's journal gives (a sync of a record file for every
// 256 files, then syncfs at the end):
//  - renaming N files in one kind-117 job against a C loop of rename(2)
//    over the same number of files;
//  - writing ID3v2 tags in place into N files in one kind-12 job against a C
//    loop that opens each file, writes its tag's 4 KiB at offset 0 and
//    closes it.
// Both sides run in the same run over warm folders; the results are ratios.
//
//   bench_write [file count, default 10000] [folder to use]
//
// The two C loops alone, over every file of a folder, are the floors of
// bench/cli_write.sh:
//
//   bench_write floor-write FOLDER    the write loop (each file gets its own
//                                     first 4 KiB back: no content changes)
//   bench_write floor-rename FOLDER   the rename loop: "x" becomes "r-x" and
//                                     "r-x" becomes "x"

#include "formats/id3v2.h"
#include "jobs/jobrunner.h"
#include "jobs/writejob.h"
#include "table/rowtable.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

namespace {

using F = qm::FieldNumber;

QByteArray syncsafe(quint32 v)
{
    QByteArray b(4, '\0');
    for (int i = 0; i < 4; ++i)
        b[i] = char((v >> (21 - 7 * i)) & 0x7f);
    return b;
}

// An ID3v2.3 tag with 2 KiB of room and some audio-like bytes behind it, so
// that a new tag of a few fields is written in place.
QByteArray taggedFile()
{
    const QByteArray frames(2048, '\0');
    QByteArray file = QByteArray("ID3\x03\0\0", 6) + syncsafe(quint32(frames.size())) + frames;
    QByteArray audio("\xff\xfb\x90\x64", 4);
    audio += QByteArray(417 - 4, '\x55');
    return file + audio.repeated(24);
}

QString name(const char *prefix, int i)
{
    return QString::fromLatin1(prefix) + QStringLiteral("%1").arg(i, 5, 10, QLatin1Char('0'));
}

bool makeFiles(const QString &folder, const char *prefix, int count, const QByteArray &bytes)
{
    for (int i = 0; i < count; ++i) {
        QFile file(QDir(folder).filePath(name(prefix, i) + QStringLiteral(".mp3")));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            return false;
    }
    return true;
}

void fillTable(qm::RowTable &table, const QString &folder, const char *oldPrefix,
               const char *newPrefix, int count)
{
    table.removeAllFileRows();
    const int first = table.appendRows(count);
    for (int i = 0; i < count; ++i) {
        const int row = first + i;
        table.setCell(row, F::Dir, folder + QLatin1Char('/'));
        table.setCell(row, F::Old, name(oldPrefix, i));
        table.setCell(row, F::New, name(newPrefix, i));
        table.setCell(row, F::Ext, QStringLiteral("mp3"));
        table.setCell(row, F::Tit, QStringLiteral("Title ") + QString::number(i));
        table.setCell(row, F::Art, QStringLiteral("Artist"));
        table.setCell(row, F::Alb, QStringLiteral("Album"));
        table.setCell(row, F::Trc, QString::number(i % 20 + 1));
        table.setCell(row, F::Yea, QStringLiteral("2024"));
    }
}

// Runs one job over the whole table; returns its time in seconds and the
// number of failed rows.
double runJob(qm::JobRunner &runner, qm::RowTable &table, qm::WriteKind kind, size_t *failed)
{
    qm::FixedAnswers answers(qm::Answer::No, qm::Answer::No);
    qm::WriteSettings settings;
    QElapsedTimer timer;
    timer.start();
    auto job =
        std::make_shared<qm::WriteJob>(table, 1, table.lastFileRow(), kind, settings, answers);
    runner.start(qm::JobKind::Update, job, [&] { runner.setControlsEnabled(true); });
    while (runner.isActive())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    *failed = job->errorTable().rows.size();
    return timer.nsecsElapsed() / 1e9;
}

QList<QByteArray> paths(const QString &folder, const char *prefix, int count)
{
    QList<QByteArray> list;
    for (int i = 0; i < count; ++i)
        list << QFile::encodeName(QDir(folder).filePath(name(prefix, i) + QStringLiteral(".mp3")));
    return list;
}

// What the journal costs the job, for the floors: a record of 64 bytes a
// file, written and synced once for every 256 files, and the file system
// synced at the end.
class Durability {
public:
    explicit Durability(const QByteArray &folder)
        : fd_(::open((folder + "/.floor-records").constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600))
    {}
    ~Durability()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    bool fileDone() { return ++pending_ < 256 || flush(); }
    bool finish() { return flush() && ::syncfs(fd_) == 0; }

private:
    bool flush()
    {
        static const char records[256 * 64] = {};
        const size_t bytes = pending_ * 64;
        pending_ = 0;
        return fd_ >= 0 && ::write(fd_, records, bytes) == ssize_t(bytes) && ::fdatasync(fd_) == 0;
    }

    int fd_;
    size_t pending_ = 0;
};

QByteArray folderOf(const QByteArray &path) { return path.left(path.lastIndexOf('/')); }

double renameLoop(const QList<QByteArray> &from, const QList<QByteArray> &to, int *errors)
{
    QElapsedTimer timer;
    timer.start();
    Durability durability(folderOf(from.value(0)));
    for (qsizetype i = 0; i < from.size(); ++i) {
        if (::rename(from[i].constData(), to[i].constData()) != 0 || !durability.fileDone())
            ++*errors;
    }
    if (!durability.finish())
        ++*errors;
    return timer.nsecsElapsed() / 1e9;
}

// Writes `block` at the start of each file.
double writeLoop(const QList<QByteArray> &files, const QByteArray &block, int *errors)
{
    QElapsedTimer timer;
    timer.start();
    Durability durability(folderOf(files.value(0)));
    for (const QByteArray &path : files) {
        const int fd = ::open(path.constData(), O_WRONLY);
        if (fd < 0 || ::pwrite(fd, block.constData(), size_t(block.size()), 0) != block.size()
            || !durability.fileDone())
            ++*errors;
        if (fd >= 0)
            ::close(fd);
    }
    if (!durability.finish())
        ++*errors;
    return timer.nsecsElapsed() / 1e9;
}

// The names of the folder's files (not its hidden ones), sorted.
std::vector<std::string> folderFiles(const char *folder)
{
    std::vector<std::string> names;
    if (DIR *dir = ::opendir(folder)) {
        while (const dirent *entry = ::readdir(dir)) {
            if (entry->d_name[0] != '.')
                names.push_back(entry->d_name);
        }
        ::closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// The C floors of bench/cli_write.sh over the files of `folder`; the exit
// status tells whether every step succeeded.
int floorLoop(const char *what, const char *folder)
{
    const std::string base = std::string(folder) + '/';
    QList<QByteArray> from, to;
    for (const std::string &name : folderFiles(folder)) {
        from << QByteArray::fromStdString(base + name);
        std::string target = base;
        target += name.rfind("r-", 0) == 0 ? name.substr(2) : "r-" + name;
        to << QByteArray::fromStdString(target);
    }
    int errors = from.isEmpty() ? 1 : 0;
    if (std::strcmp(what, "floor-rename") == 0) {
        renameLoop(from, to, &errors);
        return errors == 0 ? 0 : 1;
    }
    // Each file gets back the bytes it has: a real write that changes
    // nothing (all the files are copies of one).
    QFile first(QString::fromLocal8Bit(from.value(0)));
    const QByteArray block = first.open(QIODevice::ReadOnly) ? first.read(4096) : QByteArray();
    if (block.isEmpty())
        return 1;
    writeLoop(from, block, &errors);
    return errors == 0 ? 0 : 1;
}

// The tag class alone, without the job around it: what the job adds is the
// difference.
double saveLoop(const QString &folder, int count, size_t *failed)
{
    qm::TID3v2 tag;
    tag.FSetTitle(QStringLiteral("Title"));
    tag.FSetArtist(QStringLiteral("Artist"));
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < count; ++i) {
        if (!tag.SaveToFile(QDir(folder).filePath(name("a", i) + QStringLiteral(".mp3"))))
            ++*failed;
    }
    return timer.nsecsElapsed() / 1e9;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 3 && std::strncmp(argv[1], "floor-", 6) == 0)
        return floorLoop(argv[1], argv[2]);
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10000;
    QTemporaryDir temp;
    const QString base = argc > 2 ? QString::fromLocal8Bit(argv[2]) : temp.path();
    const QString jobFolder = QDir(base).filePath(QStringLiteral("job"));
    const QString cFolder = QDir(base).filePath(QStringLiteral("c"));
    // The jobs' journal goes beside the files, not into the user's data.
    qputenv("QUILLMARK_DATA_DIR", QFile::encodeName(QDir(base).filePath(QStringLiteral("data"))));
    if (!QDir().mkpath(jobFolder) || !QDir().mkpath(cFolder)
        || !makeFiles(jobFolder, "a", count, taggedFile())
        || !makeFiles(cFolder, "a", count, taggedFile())) {
        std::fprintf(stderr, "cannot make the files in %s\n", qPrintable(base));
        return 1;
    }

    qm::JobRunner runner;
    qm::RowTable table;
    fillTable(table, jobFolder, "a", "b", count);
    const QList<QByteArray> cA = paths(cFolder, "a", count);
    const QList<QByteArray> cB = paths(cFolder, "b", count);

    // Each round renames every file there and back: the job swaps Old and
    // New, so its next run renames the files back.
    int errors = 0;
    size_t failed = 0;
    double cRename = 1e9, jobRename = 1e9;
    for (int round = 0; round < 3; ++round) {
        cRename = std::min(cRename, renameLoop(cA, cB, &errors));
        cRename = std::min(cRename, renameLoop(cB, cA, &errors));
        size_t f = 0;
        jobRename = std::min(jobRename, runJob(runner, table, qm::WriteKind::Apply, &f));
        failed += f;
        jobRename = std::min(jobRename, runJob(runner, table, qm::WriteKind::Apply, &f));
        failed += f;
    }

    double cWrite = 1e9, jobWrite = 1e9, tagWrite = 1e9;
    runJob(runner, table, qm::WriteKind::Tag2, &failed); // warm up
    QByteArray block(4096, '\0');
    block.replace(0, 4, QByteArray("ID3\3", 4));
    writeLoop(cA, block, &errors);
    for (int round = 0; round < 3; ++round) {
        cWrite = std::min(cWrite, writeLoop(cA, block, &errors));
        size_t f = 0;
        // The tag loop and the job write different texts, so each finds a
        // tag to change: a tag that already holds the cells is not written.
        tagWrite = std::min(tagWrite, saveLoop(jobFolder, count, &f));
        jobWrite = std::min(jobWrite, runJob(runner, table, qm::WriteKind::Tag2, &f));
        failed += f;
    }

    std::printf("files: %d (failed rows: %zu, C errors: %d)\n", count, failed, errors);
    std::printf("C loop, rename(2), synced: %.3f s\n", cRename);
    std::printf("rename job (kind 117): %.3f s\n", jobRename);
    std::printf("rename ratio: %.2f\n", jobRename / cRename);
    std::printf("C loop, open + write 4 KiB at 0 + close, synced: %.3f s\n", cWrite);
    std::printf("ID3v2 write job (kind 12): %.3f s\n", jobWrite);
    std::printf("write ratio: %.2f\n", jobWrite / cWrite);
    std::printf("TID3v2::SaveToFile loop alone: %.3f s (ratio %.2f)\n", tagWrite,
                tagWrite / cWrite);
    return failed == 0 && errors == 0 ? 0 : 1;
}
