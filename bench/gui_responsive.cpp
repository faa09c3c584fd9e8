// How the main window answers while it adds and reads a large folder, and
// afterwards, offscreen:
//
// - the longest stall of the event loop while the jobs run (a 10 ms timer
//   records the largest gap between its ticks), against the jobs alone;
//   whether the progress bar and the table's row count move meanwhile;
// - Stop pressed halfway through the read: the time until the job has
//   stopped and the controls are enabled again, against a stop of the jobs
//   alone;
// - scrolling page by page over the whole table and the selection commands
//   (select all, a click, a shift-click far below) with their repaints, a
//   sort into random order with its undo step, and that step undone,
//   against the same on a table of 100 rows.
//
//   bench_gui_responsive [file count, default 100000] [folder of MP3 files]
//
// Without a folder the files are made: separate copies of one typical file
// (see makeTaggedFolder). The add's time is also given against
// `quillmark-cli read` of the same folder, run once beside it.

#include "app/adddirectorydialog.h"
#include "app/commands.h"
#include "app/gridmodel.h"
#include "app/infopanel.h"
#include "app/jobcontrol.h"
#include "app/mainwindow.h"
#include "app/namegrid.h"
#include "taggedfolder.h"

#include <QApplication>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <set>

using namespace qm;
using namespace qm::bench;

namespace {

double ms(qint64 ns) { return double(ns) / 1e6; }

// A 10 ms timer that records the longest gap between its ticks.
class LoopWatch {
public:
    explicit LoopWatch(std::function<void()> onTick = {}) : onTick_(std::move(onTick))
    {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            const qint64 gap = since_.nsecsElapsed();
            since_.start();
            longest_ = std::max(longest_, gap);
            if (gap > 100'000'000)
                ++stalls_;
            if (onTick_)
                onTick_();
        });
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.start(10);
        since_.start();
    }
    qint64 longest() const { return longest_; }
    int stalls() const { return stalls_; }

private:
    QTimer timer_;
    QElapsedTimer since_;
    qint64 longest_ = 0;
    int stalls_ = 0;
    std::function<void()> onTick_;
};

void waitIdle(TfrmTagEditor &window)
{
    while (window.jobs().busy() || !window.grid()->isEnabled())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void addFolder(TfrmTagEditor &window, const QString &folder)
{
    emit window.addDirectoryDialog()->addRequested({folder}, QStringLiteral("*.mp3"), false, true);
}

bool readingAt(const JobRunner &runner, int percent)
{
    return runner.progress() >= percent && runner.status().startsWith(StatusPhrase::ReadInfo());
}

struct AddFigures {
    qint64 elapsed = 0, longestStall = 0;
    int stalls = 0, progressValues = 0, rowCounts = 0;
};

// The add and read through the window, watched.
AddFigures watchedAdd(TfrmTagEditor &window, const QString &folder)
{
    std::set<int> progress, rows;
    LoopWatch watch([&] {
        if (window.infoPanel()->progress()->isVisible())
            progress.insert(window.infoPanel()->progress()->value());
        rows.insert(window.gridModel()->rowCount());
    });
    QElapsedTimer timer;
    timer.start();
    addFolder(window, folder);
    waitIdle(window);
    return {timer.nsecsElapsed(), watch.longest(), watch.stalls(), int(progress.size()),
            int(rows.size())};
}

// Stop pressed through the window's button when the information read is
// halfway: the time until the window is idle again.
qint64 stopWhileReading(const QString &folder, qint64 *longestStall)
{
    TfrmTagEditor window;
    window.resize(1200, 800);
    window.show();
    QCoreApplication::processEvents();
    QElapsedTimer sincePress;
    LoopWatch watch([&] {
        if (!sincePress.isValid() && readingAt(window.jobs().runner(), 50)) {
            sincePress.start();
            window.infoPanel()->stopButton()->click();
        }
    });
    addFolder(window, folder);
    waitIdle(window);
    *longestStall = watch.longest();
    return sincePress.isValid() ? sincePress.nsecsElapsed() : -1;
}

// The same stop of the jobs alone.
qint64 stopJobsAlone(const QString &folder)
{
    RowTable table;
    QElapsedTimer sinceStop;
    LoopWatch watch; // the same ticks as in the window
    addAndReadWithJobs(folder, table, nullptr, [&](JobRunner &runner) {
        if (!sinceStop.isValid() && readingAt(runner, 50)) {
            sinceStop.start();
            runner.stop();
        }
    });
    return sinceStop.isValid() ? sinceStop.nsecsElapsed() : -1;
}

// Runs `step` and the events it leaves (the repaint), timed.
template <typename Step> qint64 timed(Step step)
{
    QElapsedTimer timer;
    timer.start();
    step();
    QCoreApplication::processEvents();
    return timer.nsecsElapsed();
}

struct ViewFigures {
    double page = 0, pageWorst = 0, repaint = 0, selectAll = 0, click = 0, shiftClick = 0, sort = 0,
           undoSort = 0;
};

void click(NameGrid *grid, int row, Qt::KeyboardModifiers modifiers)
{
    grid->scrollTo(grid->model()->index(row, 2));
    QCoreApplication::processEvents();
    const QRect cell = grid->visualRect(grid->model()->index(row, 2));
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent event(
            type, cell.center(), grid->viewport()->mapToGlobal(cell.center()), Qt::LeftButton,
            type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, modifiers);
        QCoreApplication::sendEvent(grid->viewport(), &event);
    }
}

// Scrolling and selecting in an idle window that holds the rows.
ViewFigures viewFigures(TfrmTagEditor &window)
{
    ViewFigures figures;
    NameGrid *grid = window.grid();
    QScrollBar *bar = grid->verticalScrollBar();
    constexpr int repaints = 20;
    qint64 total = 0;
    for (int i = 0; i < repaints; ++i)
        total += timed([&] { grid->viewport()->repaint(); });
    figures.repaint = ms(total) / repaints;
    // Pages from five places over the table, down to its end.
    int pages = 0;
    total = 0;
    qint64 worst = 0;
    for (int place = 0; place < 5; ++place) {
        bar->setValue(bar->maximum() / 4 * place);
        QCoreApplication::processEvents();
        for (int i = 0; i < 40 && bar->value() < bar->maximum(); ++i, ++pages) {
            const qint64 t = timed([&] { bar->triggerAction(QAbstractSlider::SliderPageStepAdd); });
            total += t;
            worst = std::max(worst, t);
        }
    }
    figures.page = pages ? ms(total) / pages : 0;
    figures.pageWorst = ms(worst);
    figures.selectAll = ms(timed([&] { window.commands().named().aSelectAll->trigger(); }));
    const int rows = window.gridModel()->rowCount();
    bar->setValue(0);
    QCoreApplication::processEvents();
    figures.click = ms(timed([&] { click(grid, 1, Qt::NoModifier); }));
    figures.shiftClick = ms(timed([&] { click(grid, rows * 3 / 5, Qt::ShiftModifier); }));
    // Each until the window is idle again and has painted the rows.
    const auto idleAndPainted = [&] {
        waitIdle(window);
        grid->viewport()->repaint();
    };
    // The copies' tags are alike, so only a shuffle moves every row.
    figures.sort = ms(timed([&] {
        window.commands().named().aSortRandom->trigger();
        idleAndPainted();
    }));
    figures.undoSort = ms(timed([&] {
        window.commands().named().aUndo->trigger();
        idleAndPainted();
    }));
    return figures;
}

bool copyFolder(const QString &from, const QString &to, int count)
{
    if (!QDir().mkpath(to))
        return false;
    const QStringList names = QDir(from).entryList({QStringLiteral("*.mp3")}, QDir::Files);
    for (int i = 0; i < count && i < names.size(); ++i) {
        if (!QFile::copy(from + QLatin1Char('/') + names[i], to + QLatin1Char('/') + names[i]))
            return false;
    }
    return names.size() >= count;
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
    QString files =
        argc > 2 ? QString::fromLocal8Bit(argv[2]) : temp.path() + QStringLiteral("/files");
    if (argc <= 2 && (!temp.isValid() || !makeTaggedFolder(temp.path(), count))) {
        std::fprintf(stderr, "could not make the sample folder (ffmpeg, lame, mid3v2)\n");
        return 1;
    }
    const QString small = temp.path() + QStringLiteral("/small");
    if (!copyFolder(files, small, 100)) {
        std::fprintf(stderr, "could not copy the folder of 100 files\n");
        return 1;
    }
    plainReadLoop(QFile::encodeName(files)); // warm the page cache

    // The jobs alone, with the same timer running.
    RowTable jobTable;
    qint64 jobsStall = 0, jobs = 0;
    {
        LoopWatch watch;
        jobs = addAndReadWithJobs(files, jobTable);
        jobsStall = watch.longest();
    }

    TfrmTagEditor window;
    window.resize(1200, 800);
    window.show();
    QCoreApplication::processEvents();
    const AddFigures add = watchedAdd(window, files);
    const qint64 cli = cliReadFolder(files);
    if (window.table().fileRowCount() != jobTable.fileRowCount()) {
        std::fprintf(stderr, "the window's table has %d rows, %d expected\n",
                     window.table().fileRowCount(), jobTable.fileRowCount());
        return 1;
    }
    const ViewFigures large = viewFigures(window);

    TfrmTagEditor smallWindow;
    smallWindow.resize(1200, 800);
    smallWindow.show();
    QCoreApplication::processEvents();
    addFolder(smallWindow, small);
    waitIdle(smallWindow);
    const ViewFigures base = viewFigures(smallWindow);

    qint64 stopStall = 0;
    const qint64 stop = stopWhileReading(files, &stopStall);
    const qint64 stopAlone = stopJobsAlone(files);

    std::printf("files: %d\n", window.table().fileRowCount());
    std::printf("== add and read                      window      jobs alone\n");
    std::printf("time                                 %8.1f ms  %8.1f ms  (%.2f x)\n",
                ms(add.elapsed), ms(jobs), double(add.elapsed) / double(jobs));
    std::printf("against quillmark-cli read           %8.1f ms  (%.2f x)\n", ms(cli),
                double(add.elapsed) / double(cli));
    std::printf("longest event-loop stall             %8.1f ms  %8.1f ms\n", ms(add.longestStall),
                ms(jobsStall));
    std::printf("stalls over 100 ms                   %8d\n", add.stalls);
    std::printf("progress bar values seen             %8d\n", add.progressValues);
    std::printf("row counts seen                      %8d\n", add.rowCounts);
    std::printf("== Stop halfway through the read     window      jobs alone\n");
    std::printf("press to idle                        %8.1f ms  %8.1f ms\n", ms(stop),
                ms(stopAlone));
    std::printf("longest stall of that run            %8.1f ms\n", ms(stopStall));
    std::printf("== view, idle                        %6d rows  100 rows     ratio\n",
                window.gridModel()->rowCount());
    const auto line = [](const char *what, double a, double b) {
        std::printf("%-36s %8.2f ms  %8.2f ms  %6.2f\n", what, a, b, b > 0 ? a / b : 0.0);
    };
    line("repaint of the table", large.repaint, base.repaint);
    line("page down, mean (against repaint)", large.page, base.repaint);
    line("page down, worst (against repaint)", large.pageWorst, base.repaint);
    line("select all", large.selectAll, base.selectAll);
    line("click a cell", large.click, base.click);
    line("shift-click 3/5 down", large.shiftClick, base.shiftClick);
    line("sort into random order", large.sort, base.sort);
    line("undo of that sort", large.undoSort, base.undoSort);
    return 0;
}
