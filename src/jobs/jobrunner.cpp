#include "jobs/jobrunner.h"

#include <QCoreApplication>
#include <QThread>
#include <QTimer>

#include <condition_variable>
#include <mutex>

namespace qm {

// The meeting point of a job's thread and the runner's thread. Once closed
// (the runner is being destroyed) no step runs any more and every waiting
// job is released.
struct Handoff {
    std::mutex mutex;
    std::condition_variable wake;
    bool closed = false;
    JobRunner *runner = nullptr;
};

namespace {

// Steps are handed over when this much time has passed since the last
// hand-off, or when this many have piled up.
constexpr qint64 BatchMilliseconds = 8;
constexpr size_t BatchLimit = 4096;
// The rows a job appended or changed are announced at most this often, and
// before its end handler runs.
constexpr qint64 StepsMilliseconds = 50;

} // namespace

struct Job::Call {
    std::vector<Job::Step> steps;
    bool done = false;
};

QString StatusPhrase::AddedFiles() { return tr("Добавлено файлов: "); }
QString StatusPhrase::SkippedStreams() { return tr("пропущено потоков: "); }
QString StatusPhrase::RemovedDuplicates() { return tr("Удалено повторяющихся строк: "); }
QString StatusPhrase::ChangedRows() { return tr("Изменено строк: "); }
QString StatusPhrase::SortedRows() { return tr("Упорядочено строк: "); }
QString StatusPhrase::ReadInfo() { return tr("Прочитано информации "); }
QString StatusPhrase::ReadTag1() { return tr("Прочитано ID3v1 Tag: "); }
QString StatusPhrase::ReadTag2() { return tr("Прочитано ID3v2 Tag: "); }
QString StatusPhrase::ProcessedFiles() { return tr("Обработано файлов: "); }

QString StatusText(const QString &phrase, qint64 done, qint64 total)
{
    QString text = phrase + QString::number(done);
    if (total >= 0)
        text += QLatin1Char('/') + QString::number(total);
    return text;
}

int ProgressPercent(qint64 done, qint64 total) { return total > 0 ? int(done * 100 / total) : 0; }

Job::~Job() = default;

bool Job::synchronize(Step step)
{
    batch_.push_back(std::move(step));
    return flush();
}

void Job::post(Step step)
{
    batch_.push_back(std::move(step));
    // The first step goes at once, so the window shows the job under way.
    if (posted_ && batch_.size() < BatchLimit && sinceFlush_.elapsed() < BatchMilliseconds)
        return;
    // The first hand-off is waited for even when pipelined: a Stop pressed
    // as the job shows up is seen before the body runs ahead.
    const bool first = !posted_;
    posted_ = true;
    if (!pipelined_ || first) {
        flush();
        return;
    }
    sinceFlush_.start();
    // One batch in the window's hands at most, so memory stays bounded and
    // Stop finds little queued.
    if (inFlight_ && !wait(inFlight_))
        return;
    inFlight_ = send();
}

bool Job::flush()
{
    sinceFlush_.start();
    if (batch_.empty())
        return !inFlight_ || wait(inFlight_);
    // Calls run in the order they were sent: waiting for this one waits
    // for any still in flight before it.
    const std::shared_ptr<Call> call = send();
    if (!call || !wait(call))
        return false;
    inFlight_.reset();
    return true;
}

std::shared_ptr<Job::Call> Job::send()
{
    auto call = std::make_shared<Call>();
    call->steps.swap(batch_);
    const std::shared_ptr<Handoff> handoff = handoff_;
    {
        std::lock_guard lock(handoff->mutex);
        if (handoff->closed)
            return nullptr;
    }
    // The runner outlives this call: its destructor closes the hand-off and
    // then waits for this thread before it goes away.
    QMetaObject::invokeMethod(
        handoff->runner,
        [handoff, call] {
            {
                std::lock_guard lock(handoff->mutex);
                if (handoff->closed)
                    return;
            }
            handoff->runner->runBatch(call->steps);
            // The steps' captures go on this thread, not at the body's next
            // hand-off.
            std::vector<Job::Step>().swap(call->steps);
            {
                std::lock_guard lock(handoff->mutex);
                call->done = true;
            }
            handoff->wake.notify_all();
        },
        Qt::QueuedConnection);
    return call;
}

bool Job::wait(std::shared_ptr<Call> call)
{
    if (!call)
        return false;
    std::unique_lock lock(handoff_->mutex);
    handoff_->wake.wait(lock, [&] { return call->done || handoff_->closed; });
    if (call == inFlight_)
        inFlight_.reset();
    return call->done;
}

void Job::run()
{
    // A body that fails ends like one that was stopped: the rows done so far
    // stay and the end handler runs.
    try {
        execute();
    } catch (...) {}
    flush();
    finished_.store(true, std::memory_order_release);
}

JobRunner::JobRunner(QObject *parent) : QObject(parent), handoff_(std::make_shared<Handoff>())
{
    handoff_->runner = this;
    stepsTimer_ = new QTimer(this);
    stepsTimer_->setSingleShot(true);
    connect(stepsTimer_, &QTimer::timeout, this, &JobRunner::announceSteps);
}

JobRunner::~JobRunner()
{
    shuttingDown_ = true;
    queue_.clear();
    stopAll();
    {
        std::lock_guard lock(handoff_->mutex);
        handoff_->closed = true;
    }
    handoff_->wake.notify_all();
    if (thread_) {
        thread_->wait();
        delete thread_;
    }
}

void JobRunner::start(JobKind kind, std::shared_ptr<Job> job, EndHandler onEnd, EndHandler onStart)
{
    if (!job || shuttingDown_)
        return;
    job->runner_ = this;
    job->handoff_ = handoff_;
    slots_[size_t(job->jobClass())] = job;
    idleRequested_ = false;
    if (controlsEnabled_) {
        controlsEnabled_ = false;
        emit controlsEnabledChanged(false);
    }
    queue_.push_back({kind, std::move(job), std::move(onEnd), std::move(onStart)});
    if (!running_ && !inEndHandler_)
        startNext();
}

void JobRunner::startNext()
{
    while (!running_ && !queue_.empty() && !shuttingDown_) {
        Request request = std::move(queue_.front());
        queue_.pop_front();
        jobKind_ = request.kind;
        if (request.onStart)
            request.onStart();
        if (request.job->terminated()) {
            // Stopped while it waited: the body never starts, but the end
            // handler runs so the window's state is completed as usual.
            request.job->finished_.store(true, std::memory_order_release);
            inEndHandler_ = true;
            if (request.onEnd)
                request.onEnd();
            inEndHandler_ = false;
            emit jobEnded();
            continue;
        }
        current_ = std::move(request);
        running_ = current_.job.get();
        Job *job = running_;
        thread_ = QThread::create([job] { job->run(); });
        connect(thread_, &QThread::finished, this, &JobRunner::onThreadFinished,
                Qt::QueuedConnection);
        thread_->start();
    }
    if (!isActive()) {
        applyIdleIfDrained();
        emit drained();
    }
}

void JobRunner::onThreadFinished()
{
    if (!thread_)
        return;
    // `finished` comes from the ending thread itself; wait for its last step.
    thread_->wait();
    delete thread_;
    thread_ = nullptr;
    running_ = nullptr;
    Request ended = std::move(current_);
    current_ = {};
    if (shuttingDown_)
        return;
    announceSteps();
    inEndHandler_ = true;
    if (ended.onEnd)
        ended.onEnd();
    inEndHandler_ = false;
    emit jobEnded();
    startNext();
}

void JobRunner::stopAll()
{
    if (running_)
        running_->terminate();
    for (Request &request : queue_)
        request.job->terminate();
}

JobRunner::StopResult JobRunner::stop()
{
    // With nothing running or waiting, Stop must not leave the window busy
    // for good, whatever letter is still recorded.
    if (!isActive()) {
        setControlsEnabled(true);
        return StopResult::Stopped;
    }
    switch (jobKind_) {
    case JobKind::Sort:
        if (stopNeedsConfirm)
            return StopResult::NeedsConfirm;
        stopAll();
        return separateNumberingPending ? StopResult::StoppedSeparateNumbering
                                        : StopResult::Stopped;
    case JobKind::Add:
    case JobKind::List:
    case JobKind::PlayList:
    case JobKind::Edit:
    case JobKind::Restore:
    case JobKind::Update:
        stopAll();
        return StopResult::Stopped;
    default:
        stopAll();
        setControlsEnabled(true);
        return StopResult::Stopped;
    }
}

void JobRunner::confirmStop()
{
    stopNeedsConfirm = false;
    stopAll();
}

void JobRunner::shutdown()
{
    shuttingDown_ = true;
    queue_.clear();
    stopAll();
    while (running_)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void JobRunner::setControlsEnabled(bool enabled)
{
    if (!enabled) {
        idleRequested_ = false;
        if (controlsEnabled_) {
            controlsEnabled_ = false;
            emit controlsEnabledChanged(false);
        }
        return;
    }
    idleRequested_ = true;
    if (!isActive())
        applyIdleIfDrained();
}

void JobRunner::applyIdleIfDrained()
{
    if (!idleRequested_)
        return;
    idleRequested_ = false;
    jobKind_ = JobKind::None;
    if (!controlsEnabled_) {
        controlsEnabled_ = true;
        emit controlsEnabledChanged(true);
    }
}

Job *JobRunner::slot(JobClass jobClass) const { return slots_[size_t(jobClass)].get(); }

void JobRunner::setStatus(const QString &text)
{
    statusCount_.reset();
    status_ = text;
    if (batchDepth_ > 0)
        statusDirty_ = true;
    else
        emit statusChanged(status_);
}

void JobRunner::setStatusCount(const QString &phrase, qint64 done, qint64 total)
{
    if (batchDepth_ == 0) {
        setStatus(StatusText(phrase, done, total));
        return;
    }
    statusCount_ = StatusCount{phrase, done, total};
    statusDirty_ = true;
}

QString JobRunner::status() const
{
    return statusCount_ ? StatusText(statusCount_->phrase, statusCount_->done, statusCount_->total)
                        : status_;
}

void JobRunner::setProgress(int percent)
{
    progress_ = percent;
    if (batchDepth_ > 0)
        progressDirty_ = true;
    else
        emit progressChanged(progress_);
}

void JobRunner::announceSteps()
{
    if (!stepsPending_)
        return;
    stepsPending_ = false;
    stepsTimer_->stop();
    sinceSteps_.start();
    emit stepsRun();
}

void JobRunner::runBatch(const std::vector<Job::Step> &steps)
{
    ++batchDepth_;
    for (const Job::Step &step : steps)
        step();
    if (--batchDepth_ > 0)
        return;
    // Each announcement repaints the table's visible rows, which costs about
    // as much as the batch itself, and batches come every 8 ms: more often
    // than the eye follows. The timer announces the last batches when no
    // other follows soon (a question, a slow disk).
    stepsPending_ = true;
    const qint64 since = sinceSteps_.isValid() ? sinceSteps_.elapsed() : StepsMilliseconds;
    if (since >= StepsMilliseconds)
        announceSteps();
    else if (!stepsTimer_->isActive())
        stepsTimer_->start(int(StepsMilliseconds - since));
    if (statusDirty_) {
        statusDirty_ = false;
        if (statusCount_) {
            status_ = StatusText(statusCount_->phrase, statusCount_->done, statusCount_->total);
            statusCount_.reset();
        }
        emit statusChanged(status_);
    }
    if (progressDirty_) {
        progressDirty_ = false;
        emit progressChanged(progress_);
    }
}

} // namespace qm
