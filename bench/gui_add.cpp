// Adding a folder of tagged MP3 files through the main window (offscreen),
// with the file-information and ID3v2 views on, until the table is read and
// numbered; against the same add and read through the jobs library alone
// and a plain C loop that reads each file's head and tail. Prints the times
// and the ratios.
//
//   bench_gui_add [file count, default 10000] [folder of MP3 files to use]
//
// With QM_BENCH_GRAB set to a file name, the window is also saved as a PNG
// picture while the files are being read (not timed: a separate run).

#include "app/adddirectorydialog.h"
#include "app/jobcontrol.h"
#include "app/mainwindow.h"
#include "jobs/addjob.h"
#include "jobs/jobrunner.h"
#include "jobs/updatejob.h"
#include "table/rowtable.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QPixmap>
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

// One tagged file made by ffmpeg, lame and id3v2, copied `count` times.
bool makeFolder(const QString &folder, int count)
{
    const QString wav = folder + QStringLiteral("/tone.wav");
    const QString mp3 = folder + QStringLiteral("/tone.mp3");
    if (!runTool(QStringLiteral("ffmpeg"),
                 {QStringLiteral("-nostdin"), QStringLiteral("-v"), QStringLiteral("error"),
                  QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                  QStringLiteral("sine=frequency=440:duration=0.5"), wav})
        || !runTool(QStringLiteral("lame"), {QStringLiteral("--quiet"), wav, mp3})
        || !runTool(QStringLiteral("id3v2"),
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

qint64 plainLoop(const QByteArray &folder)
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

// The jobs alone: scan, split, information with the ID3v2 tag.
qint64 jobsAlone(const QString &folder, int *rows)
{
    RowTable table;
    JobRunner runner;
    QElapsedTimer timer;
    timer.start();
    const int first = table.blankRow();
    auto add = std::make_shared<TAddThread>(
        'd', QStringList{folder}, ScanSettings{QStringLiteral("*.mp3"), false, true},
        [&](const QString &dir, const QString &name) { table.appendFileRow(dir, name); });
    ReadSettings settings;
    settings.TagView = 2;
    runner.start('a', add, [&] {
        table.splitAddedNames(first, table.lastFileRow());
        runner.start('u', std::make_shared<TUpdateThread>(table, first, table.lastFileRow(),
                                                          ReadInfoAfterAddKind, settings),
                     [&] { runner.setControlsEnabled(true); });
    });
    while (runner.isActive())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    *rows = table.fileRowCount();
    return timer.nsecsElapsed();
}

// The same through the window, as the add-directory dialog's Add does it.
qint64 throughWindow(const QString &folder, int *rows, bool *complete)
{
    TfrmTagEditor window;
    window.show();
    QCoreApplication::processEvents();
    QElapsedTimer timer;
    timer.start();
    emit window.addDirectoryDialog()->addRequested({folder}, QStringLiteral("*.mp3"), false, true);
    while (window.jobs().busy())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const qint64 elapsed = timer.nsecsElapsed();
    RowTable &table = window.table();
    *rows = table.fileRowCount();
    const int last = table.lastFileRow();
    *complete = last > 0 && !table.cell(last, FieldNumber::Dur).isEmpty()
                && table.cell(last, FieldNumber::Tit) == QLatin1String("Title")
                && table.cell(last, FieldNumber::No).toInt() == last;
    window.close();
    return elapsed;
}

// Adds the folder once more and saves the window halfway through reading.
void grabWhileReading(const QString &folder, const QString &picture)
{
    TfrmTagEditor window;
    window.resize(900, 500);
    window.show();
    bool grabbed = false;
    QObject::connect(&window.jobs().runner(), &JobRunner::progressChanged, &window, [&](int percent) {
        if (!grabbed && percent >= 40
            && window.jobs().runner().status().startsWith(StatusPhrase::ReadInfo)) {
            grabbed = true;
            window.grab().save(picture);
        }
    });
    emit window.addDirectoryDialog()->addRequested({folder}, QStringLiteral("*.mp3"), false, true);
    while (window.jobs().busy())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    window.close();
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir config;
    qputenv("QUILLMARK_CONFIG_DIR", config.path().toLocal8Bit());
    QApplication app(argc, argv);
    const int count = argc > 1 ? std::max(1, atoi(argv[1])) : 10000;
    QTemporaryDir temp;
    const QString files = argc > 2 ? QString::fromLocal8Bit(argv[2]) : temp.path() + QStringLiteral("/files");
    if (argc <= 2 && (!temp.isValid() || !makeFolder(temp.path(), count))) {
        std::fprintf(stderr, "could not make the sample folder (ffmpeg, lame, id3v2)\n");
        return 1;
    }
    plainLoop(QFile::encodeName(files)); // warm the page cache
    const qint64 floor = plainLoop(QFile::encodeName(files));
    int jobRows = 0;
    const qint64 jobs = jobsAlone(files, &jobRows);
    int windowRows = 0;
    bool complete = false;
    const qint64 window = throughWindow(files, &windowRows, &complete);
    if (!complete || windowRows != jobRows) {
        std::fprintf(stderr, "the window's table was not filled as expected (%d rows, %d expected)\n",
                     windowRows, jobRows);
        return 1;
    }
    std::printf("files: %d\n", windowRows);
    std::printf("plain C loop (head and tail of each file):        %.1f ms\n", floor / 1e6);
    std::printf("jobs alone (scan, information with ID3v2 tag):    %.1f ms\n", jobs / 1e6);
    std::printf("window (scan, information, tag read, numbering):  %.1f ms\n", window / 1e6);
    std::printf("ratio window / jobs alone: %.2f\n", double(window) / double(jobs));
    std::printf("ratio window / plain loop: %.2f\n", double(window) / double(floor));
    if (!qEnvironmentVariableIsEmpty("QM_BENCH_GRAB"))
        grabWhileReading(files, qEnvironmentVariable("QM_BENCH_GRAB"));
    return 0;
}
