// Adding a folder of tagged MP3 files and reading their information and
// ID3v2 tags into the table, through the job runner as the window does it,
// against a plain C loop that opens each file and reads its first 4 KiB and
// last 143 bytes. Prints both times and their ratio.
//
//   bench_jobs_read [file count, default 10000] [folder of MP3 files to use]

#include "jobs/addjob.h"
#include "jobs/jobrunner.h"
#include "jobs/updatejob.h"
#include "table/rowtable.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

using namespace qm;

namespace {

bool runTool(const QString &program, const QStringList &args)
{
    QProcess process;
    process.start(program, args);
    return process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit
           && process.exitCode() == 0;
}

// One tagged file made by ffmpeg, lame and mid3v2, copied `count` times.
bool makeFolder(const QString &folder, int count)
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

// The floor: list the folder, read each file's head and tail.
qint64 plainLoop(const QByteArray &folder, long *bytes)
{
    QElapsedTimer timer;
    timer.start();
    DIR *dir = opendir(folder.constData());
    if (!dir)
        return -1;
    static char buffer[4096];
    while (const dirent *entry = readdir(dir)) {
        if (entry->d_name[0] == '.')
            continue;
        const QByteArray path = folder + '/' + entry->d_name;
        const int fd = open(path.constData(), O_RDONLY);
        if (fd < 0)
            continue;
        *bytes += read(fd, buffer, sizeof buffer);
        if (lseek(fd, -143, SEEK_END) >= 0)
            *bytes += read(fd, buffer, 143);
        close(fd);
    }
    closedir(dir);
    return timer.nsecsElapsed();
}

// Scan, split the names, read file information with the ID3v2 tag.
qint64 addAndRead(const QString &folder, RowTable &table, qint64 *addOnly)
{
    JobRunner runner;
    QElapsedTimer timer;
    timer.start();
    const int first = table.blankRow();
    auto add = std::make_shared<TAddThread>(
        'd', QStringList{folder}, ScanSettings{QStringLiteral("*.mp3"), false, false},
        [&](const QString &dir, const QString &name) { table.appendFileRow(dir, name); });
    ReadSettings settings;
    settings.TagView = 2;
    runner.start('a', add, [&] {
        *addOnly = timer.nsecsElapsed();
        table.splitAddedNames(first, table.lastFileRow());
        runner.start('u', std::make_shared<TUpdateThread>(table, first, table.lastFileRow(),
                                                          ReadInfoAfterAddKind, settings),
                     [&] { runner.setControlsEnabled(true); });
    });
    while (runner.isActive())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return timer.nsecsElapsed();
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? std::max(1, atoi(argv[1])) : 10000;
    QTemporaryDir temp;
    QString files = argc > 2 ? QString::fromLocal8Bit(argv[2]) : temp.path() + QStringLiteral("/files");
    if (argc <= 2 && (!temp.isValid() || !makeFolder(temp.path(), count))) {
        std::fprintf(stderr, "could not make the sample folder (ffmpeg, lame, mid3v2)\n");
        return 1;
    }
    long bytes = 0;
    plainLoop(QFile::encodeName(files), &bytes); // warm the page cache
    const qint64 floor = plainLoop(QFile::encodeName(files), &bytes);
    RowTable table;
    qint64 addOnly = 0;
    const qint64 jobs = addAndRead(files, table, &addOnly);
    if (table.fileRowCount() == 0 || table.cell(1, FieldNumber::Dur).isEmpty()) {
        std::fprintf(stderr, "the table was not filled as expected\n");
        return 1;
    }
    std::printf("files: %d\n", table.fileRowCount());
    std::printf("plain C loop (head and tail of each file): %.1f ms\n", floor / 1e6);
    std::printf("add job (folder scan into the table):      %.1f ms\n", addOnly / 1e6);
    std::printf("add job + information and ID3v2 read:      %.1f ms\n", jobs / 1e6);
    std::printf("ratio: %.2f\n", double(jobs) / double(floor));
    return 0;
}
