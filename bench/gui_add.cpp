// Adding a folder of tagged MP3 files through the main window (offscreen),
// with the file-information and ID3v2 views on, until the table is read and
// numbered; against `quillmark-cli read` of the same folder (the whole
// process), in alternating rounds, and once against the same add and read
// through the jobs library alone and a plain C loop that reads each file's
// head and tail. Prints the median of the rounds' ratios with their range.
//
//   bench_gui_add [file count, default 100000] [folder of MP3 files to use]
//                 [rounds, default 5 | memory]
//
// Without a folder the files are made: separate copies of one typical file
// (see makeTaggedFolder).
//
// With "memory" only the window's add runs, and the peak resident memory of
// the process is printed after it.
//
// With QM_BENCH_GRAB set to a file name, the window is also saved as a PNG
// picture while the files are being read (not timed: a separate run).

#include "app/adddirectorydialog.h"
#include "app/jobcontrol.h"
#include "app/mainwindow.h"
#include "taggedfolder.h"

#include <QApplication>
#include <QPixmap>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace qm;
using namespace qm::bench;

namespace {

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
    RowTable &table = window.session().table();
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
    QObject::connect(
        &window.jobs().runner(), &JobRunner::progressChanged, &window, [&](int percent) {
            if (!grabbed && percent >= 40
                && window.jobs().runner().status().startsWith(StatusPhrase::ReadInfo())) {
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
    const int count = argc > 1 ? std::max(1, atoi(argv[1])) : 100000;
    QTemporaryDir temp;
    const QString files =
        argc > 2 ? QString::fromLocal8Bit(argv[2]) : temp.path() + QStringLiteral("/files");
    if (argc <= 2 && (!temp.isValid() || !makeTaggedFolder(temp.path(), count))) {
        std::fprintf(stderr, "could not make the sample folder (ffmpeg, lame, mid3v2)\n");
        return 1;
    }
    plainReadLoop(QFile::encodeName(files)); // warm the page cache
    if (argc > 3 && qstrcmp(argv[3], "memory") == 0) {
        // The window alone, so the peak is its own.
        int rows = 0;
        bool complete = false;
        const qint64 window = throughWindow(files, &rows, &complete);
        std::printf("files: %d, window %.1f ms, peak RSS %.0f MB\n", rows, window / 1e6,
                    peakRssMegabytes());
        return complete ? 0 : 1;
    }
    const int rounds = argc > 3 ? std::max(1, atoi(argv[3])) : 5;
    const qint64 floor = plainReadLoop(QFile::encodeName(files));
    RowTable jobTable;
    const qint64 jobs = addAndReadWithJobs(files, jobTable);
    const int jobRows = jobTable.fileRowCount();
    jobTable = RowTable();
    std::vector<double> windowTimes, cliTimes, ratios;
    for (int round = 0; round < rounds; ++round) {
        // Alternated, so a change of the machine's load falls on both.
        qint64 cli = round % 2 ? cliReadFolder(files) : 0;
        int windowRows = 0;
        bool complete = false;
        const qint64 window = throughWindow(files, &windowRows, &complete);
        if (round % 2 == 0)
            cli = cliReadFolder(files);
        if (!complete || windowRows != jobRows || cli <= 0) {
            std::fprintf(stderr,
                         "the window's table was not filled as expected (%d rows, %d expected), "
                         "or quillmark-cli failed\n",
                         windowRows, jobRows);
            return 1;
        }
        windowTimes.push_back(window / 1e6);
        cliTimes.push_back(cli / 1e6);
        ratios.push_back(double(window) / double(cli));
    }
    const auto line = [](const char *what, const Spread &s, const char *unit) {
        std::printf("%-44s %9.2f %s  (%.2f - %.2f)\n", what, s.median, unit, s.least, s.largest);
    };
    std::printf("files: %d, %d rounds, medians (least - largest)\n", jobRows, rounds);
    line("window (scan, information, tag, numbering)", spreadOf(windowTimes), "ms");
    line("quillmark-cli read of the same folder", spreadOf(cliTimes), "ms");
    line("ratio window / quillmark-cli read", spreadOf(ratios), "x ");
    std::printf("once: plain C loop %.1f ms, jobs alone %.1f ms\n", floor / 1e6, jobs / 1e6);
    std::printf("ratio median window / plain loop: %.2f\n",
                spreadOf(windowTimes).median / (floor / 1e6));
    if (!qEnvironmentVariableIsEmpty("QM_BENCH_GRAB"))
        grabWhileReading(files, qEnvironmentVariable("QM_BENCH_GRAB"));
    return 0;
}
