#pragma once

#include "jobs/job.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include <array>
#include <deque>
#include <functional>
#include <memory>
#include <optional>

class QThread;
class QTimer;

namespace qm {

// Fixed phrases of the status line; a count follows each, and "/" and the
// total where the job knows it.
class StatusPhrase {
    Q_DECLARE_TR_FUNCTIONS(qm::StatusPhrase)

public:
    static QString AddedFiles();
    static QString SkippedStreams();
    static QString RemovedDuplicates();
    static QString ChangedRows();
    static QString SortedRows();
    static QString ReadInfo();
    static QString ReadTag1();
    static QString ReadTag2();
    static QString ProcessedFiles();
};

// "phrase" + done, or "phrase" + done + "/" + total when total >= 0.
QString StatusText(const QString &phrase, qint64 done, qint64 total = -1);
// done * 100 / total, integer division; 0 for an empty total.
int ProgressPercent(qint64 done, qint64 total);

// The letter of the job that runs, as the stop logic needs it.
enum class JobKind : char {
    None = 0,
    Add = 'a',      // a folder scan or a list read by the m3u rules
    List = 'l',     // a column list
    PlayList = 'p', // a column list named *.m3u
    Edit = 'e',     // duplicate rows removed, symbols replaced
    Restore = 'r',  // symbols restored
    Sort = 's',     // rows sorted or shuffled
    Update = 'u',   // any read or write of file data
};

// Runs the jobs over a table, one at a time, each on a thread of its own.
//
// A job asked for while another runs waits in a queue and starts when the
// one before it has ended and its end handler has run, so jobs started
// back to back (file information, then tags) simply follow each other.
// Steps of a job, the end handlers and every signal run on the thread that
// owns the runner (the window's thread, or the command line's main thread;
// called the runner's thread below).
//
// Busy and idle: the runner asks the window to disable its commands
// (controlsEnabledChanged(false)) when a job starts from idle. A request to
// return to idle made while jobs are still running or waiting is kept and
// carried out when the last of them has ended, so the window never becomes
// idle under a running job.
//
// The runner must go (or be shut down) before the table its jobs write to:
// the window declares it after the table.
class JobRunner : public QObject {
    Q_OBJECT
public:
    using EndHandler = std::function<void()>;

    // What Stop did, for the parts the caller itself has to do.
    enum class StopResult {
        Stopped,                  // stop requested (or the window made idle)
        NeedsConfirm,             // a sort would lose data: ask, then confirmStop()
        StoppedSeparateNumbering, // the caller numbers by folder once more
    };

    explicit JobRunner(QObject *parent = nullptr);
    // Stops every job and waits for the running one; its pending steps are
    // dropped, since the window they would write to is going away.
    ~JobRunner() override;

    // Starts `job` under the kind letter `kind`, or queues it behind the jobs
    // already asked for. `onStart` (optional) runs on the runner's thread
    // right before the body starts; `onEnd` runs there after the body has
    // returned, whether it finished, was stopped or was never run because
    // Stop came while it waited. The job is kept in its class's slot.
    void start(JobKind kind, std::shared_ptr<Job> job, EndHandler onEnd, EndHandler onStart = {});

    // Stop, by the letter of the running job: raises the stop request of the
    // running job and of every job waiting behind it. Nothing running or
    // waiting: the window is made idle.
    StopResult stop();
    // Stop confirmed after NeedsConfirm: clears the mark and stops.
    void confirmStop();

    // Closing: stops every job and serves the running job's steps until its
    // body has returned; no end handler runs. Returns at once when idle.
    void shutdown();

    // Switches between idle (true) and busy (false); idle is deferred while
    // jobs run or wait (see the class comment). Idle clears jobKind().
    void setControlsEnabled(bool enabled);
    bool controlsEnabled() const { return controlsEnabled_; }

    JobKind jobKind() const { return jobKind_; }
    bool isActive() const { return running_ != nullptr || !queue_.empty(); }
    Job *slot(JobClass jobClass) const;

    // State the runner keeps for the end handlers and Stop.
    bool separateNumberingPending = false;
    bool stopNeedsConfirm = false;

    // Status line and progress bar; call on the runner's thread (steps do).
    // Within a batch of steps only the last values are signalled.
    void setStatus(const QString &text);
    // setStatus(StatusText(phrase, done, total)), the text made only when
    // it is signalled or asked for: a job that counts every file sets it
    // once a file, and only the batch's last count is shown.
    void setStatusCount(const QString &phrase, qint64 done, qint64 total = -1);
    void setProgress(int percent);
    QString status() const;
    int progress() const { return progress_; }

signals:
    void statusChanged(const QString &text);
    void progressChanged(int percent);
    // false: disable menus, tool bars and table, show progress bar and Stop;
    // true: the reverse.
    void controlsEnabledChanged(bool enabled);
    // After batches of steps have run, at most every 50 ms and always before
    // the job's end handler: a model over the table can announce the rows
    // appended or changed since the last time in one go.
    void stepsRun();
    // After a job's end handler has run; mostly for tests and benchmarks.
    void jobEnded();
    // Every job has ended and nothing waits.
    void drained();

private:
    friend class Job;
    struct Request {
        JobKind kind;
        std::shared_ptr<Job> job;
        EndHandler onEnd;
        EndHandler onStart;
    };

    void startNext();
    void onThreadFinished();
    void stopAll();
    void runBatch(const std::vector<Job::Step> &steps);
    void announceSteps();
    void applyIdleIfDrained();

    std::shared_ptr<Handoff> handoff_;
    std::deque<Request> queue_;
    Request current_;
    Job *running_ = nullptr;
    QThread *thread_ = nullptr;
    std::array<std::shared_ptr<Job>, 4> slots_;
    JobKind jobKind_ = JobKind::None;
    bool controlsEnabled_ = true;
    bool idleRequested_ = false;
    bool inEndHandler_ = false;
    bool shuttingDown_ = false;

    int batchDepth_ = 0;
    QString status_;
    // A count not yet made into status_.
    struct StatusCount {
        QString phrase;
        qint64 done = 0;
        qint64 total = -1;
    };
    std::optional<StatusCount> statusCount_;
    int progress_ = 0;
    bool statusDirty_ = false;
    bool progressDirty_ = false;
    bool stepsPending_ = false;
    QElapsedTimer sinceSteps_;
    QTimer *stepsTimer_ = nullptr;
};

} // namespace qm
