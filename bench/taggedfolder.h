#pragma once

// What the add-and-read benchmarks share: the sample folder, the plain C
// floor they are measured against, and the add and read through the jobs
// library alone.

#include "jobs/addjob.h"
#include "jobs/jobrunner.h"
#include "jobs/readjob.h"
#include "table/rowtable.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>

#include <algorithm>
#include <functional>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace qm::bench {

inline bool runTool(const QString &program, const QStringList &args)
{
    QProcess process;
    process.start(program, args);
    return process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit
           && process.exitCode() == 0;
}

// One typical tagged file, about 18.5 KB: 1 s of 128 kbps MPEG audio by
// ffmpeg and lame, a 7-frame ID3v2 tag by mid3v2 (title, artist, album,
// track, year, genre, comment) and an ID3v1 tag, copied `count` times into
// folder/files/ as separate files, so every read costs what a real folder's
// does.
inline bool makeTaggedFolder(const QString &folder, int count)
{
    const QString wav = folder + QStringLiteral("/tone.wav");
    const QString mp3 = folder + QStringLiteral("/tone.mp3");
    const auto args = [](const char *text) { return QString::fromLatin1(text).split(u' '); };
    if (!runTool(QStringLiteral("ffmpeg"),
                 args("-nostdin -v error -f lavfi -i sine=frequency=440:duration=1.0") << wav)
        || !runTool(QStringLiteral("lame"), args("--quiet -b 128") << wav << mp3)
        || !runTool(QStringLiteral("mid3v2"),
                    args("-t Title -a Artist -A Album -T 3/12 -y 1999 -g Rock -c :Comment:eng")
                        << mp3))
        return false;
    // The ID3v1 tag after the ID3v2 one is written, so mid3v2 does not take
    // its fields over.
    QByteArray v1 = QByteArrayLiteral("TAG");
    for (const char *field : {"Title", "Artist", "Album"})
        v1 += QByteArray(field).leftJustified(30, '\0');
    v1 += QByteArray("1999") + QByteArray("Comment").leftJustified(28, '\0');
    v1 += QByteArray("\0\3\21", 3); // track 3, genre 17 (Rock)
    QFile tagged(mp3);
    if (!tagged.open(QIODevice::Append) || tagged.write(v1) != 128)
        return false;
    tagged.close();
    const QString files = folder + QStringLiteral("/files/");
    if (!QDir().mkpath(files))
        return false;
    for (int i = 0; i < count; ++i) {
        if (!QFile::copy(mp3, files + QStringLiteral("%1.mp3").arg(i, 6, 10, QLatin1Char('0'))))
            return false;
    }
    return true;
}

// The baseline of the window's add: `quillmark-cli read` of the same folder,
// the whole process, its output thrown away. The program is looked for
// beside the build's bench folder, or named by QM_CLI. -1 when it failed.
inline qint64 cliReadFolder(const QString &folder)
{
    QString cli = qEnvironmentVariable("QM_CLI");
    if (cli.isEmpty())
        cli = QCoreApplication::applicationDirPath() + QStringLiteral("/../src/cli/quillmark-cli");
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer timer;
    timer.start();
    process.start(cli, {QStringLiteral("read"), folder});
    if (!process.waitForFinished(-1) || process.exitStatus() != QProcess::NormalExit
        || process.exitCode() != 0)
        return -1;
    return timer.nsecsElapsed();
}

// Median, least and largest of a few figures.
struct Spread {
    double median = 0, least = 0, largest = 0;
};

inline Spread spreadOf(std::vector<double> values)
{
    if (values.empty())
        return {};
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    const double median = n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
    return {median, values.front(), values.back()};
}

// The floor: list the folder, read each file's head and tail. -1 when
// nothing could be read.
inline qint64 plainReadLoop(const QByteArray &folder)
{
    QElapsedTimer timer;
    timer.start();
    DIR *dir = opendir(folder.constData());
    if (!dir)
        return -1;
    static char buffer[4096];
    long bytes = 0;
    while (const dirent *entry = readdir(dir)) {
        if (entry->d_name[0] == '.')
            continue;
        const QByteArray path = folder + '/' + entry->d_name;
        const int fd = open(path.constData(), O_RDONLY);
        if (fd < 0)
            continue;
        bytes += read(fd, buffer, sizeof buffer);
        if (lseek(fd, -143, SEEK_END) >= 0)
            bytes += read(fd, buffer, 143);
        close(fd);
    }
    closedir(dir);
    return bytes > 0 ? timer.nsecsElapsed() : -1;
}

// The jobs alone, as the window chains them: scan, split the names, read
// file information with the ID3v2 tag. `addOnly` gets the scan's time;
// `whileRunning` is called after each turn of the event loop.
inline qint64 addAndReadWithJobs(const QString &folder, RowTable &table, qint64 *addOnly = nullptr,
                                 const std::function<void(JobRunner &)> &whileRunning = {})
{
    JobRunner runner;
    QElapsedTimer timer;
    timer.start();
    const int first = table.blankRow();
    auto add = std::make_shared<TAddThread>(
        AddKind::Folders, QStringList{folder}, ScanSettings{QStringLiteral("*.mp3"), false, true},
        [&](const QString &dir, const QString &name) { table.appendFileRow(dir, name); });
    ReadSettings settings;
    settings.TagView = 2;
    runner.start(JobKind::Add, add, [&] {
        if (addOnly)
            *addOnly = timer.nsecsElapsed();
        table.splitAddedNames(first, table.lastFileRow());
        runner.start(JobKind::Update,
                     std::make_shared<ReadJob>(table, first, table.lastFileRow(),
                                               ReadKind::InfoAfterAdd, settings),
                     [&] { runner.setControlsEnabled(true); });
    });
    while (runner.isActive()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        if (whileRunning)
            whileRunning(runner);
    }
    return timer.nsecsElapsed();
}

// The process's peak resident memory so far.
inline double peakRssMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0; // kilobytes on Linux
}

} // namespace qm::bench
