// Adding a folder of tagged MP3 files through the main window (offscreen),
// with the file-information and ID3v2 views on, until the table is read and
// numbered; against the same add and read through the jobs library alone
// and a plain C loop that reads each file's head and tail. Prints the times
// and the ratios.
//
//   bench_gui_add [file count, default 10000] [folder of MP3 files to use] [memory]
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
    const int count = argc > 1 ? std::max(1, atoi(argv[1])) : 10000;
    QTemporaryDir temp;
    const QString files =
        argc > 2 ? QString::fromLocal8Bit(argv[2]) : temp.path() + QStringLiteral("/files");
    if (argc <= 2 && (!temp.isValid() || !makeTaggedFolder(temp.path(), count))) {
        std::fprintf(stderr, "could not make the sample folder (ffmpeg, lame, id3v2)\n");
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
    const qint64 floor = plainReadLoop(QFile::encodeName(files));
    RowTable jobTable;
    const qint64 jobs = addAndReadWithJobs(files, jobTable);
    const int jobRows = jobTable.fileRowCount();
    int windowRows = 0;
    bool complete = false;
    const qint64 window = throughWindow(files, &windowRows, &complete);
    if (!complete || windowRows != jobRows) {
        std::fprintf(stderr,
                     "the window's table was not filled as expected (%d rows, %d expected)\n",
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
