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

#include <functional>

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

// One tagged file made by ffmpeg, lame and mid3v2, copied `count` times into
// folder/files/.
inline bool makeTaggedFolder(const QString &folder, int count)
{
    const QString wav = folder + QStringLiteral("/tone.wav");
    const QString mp3 = folder + QStringLiteral("/tone.mp3");
    if (!runTool(QStringLiteral("ffmpeg"),
                 {QStringLiteral("-nostdin"), QStringLiteral("-v"), QStringLiteral("error"),
                  QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                  QStringLiteral("sine=frequency=440:duration=0.5"), wav})
        || !runTool(QStringLiteral("lame"), {QStringLiteral("--quiet"), wav, mp3})
        || !runTool(QStringLiteral("mid3v2"),
                    {QStringLiteral("-t"), QStringLiteral("Title"), QStringLiteral("-a"),
                     QStringLiteral("Artist"), QStringLiteral("-A"), QStringLiteral("Album"),
                     QStringLiteral("-T"), QStringLiteral("3/12"), mp3}))
        return false;
    const QString files = folder + QStringLiteral("/files/");
    if (!QDir().mkpath(files))
        return false;
    for (int i = 0; i < count; ++i) {
        if (!QFile::copy(mp3, files + QStringLiteral("%1.mp3").arg(i, 5, 10, QLatin1Char('0'))))
            return false;
    }
    return true;
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
        'd', QStringList{folder}, ScanSettings{QStringLiteral("*.mp3"), false, true},
        [&](const QString &dir, const QString &name) { table.appendFileRow(dir, name); });
    ReadSettings settings;
    settings.TagView = 2;
    runner.start(JobKind::Add, add, [&] {
        if (addOnly)
            *addOnly = timer.nsecsElapsed();
        table.splitAddedNames(first, table.lastFileRow());
        runner.start(JobKind::Update,
                     std::make_shared<ReadJob>(table, first, table.lastFileRow(),
                                               ReadInfoAfterAddKind, settings),
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
