#include "jobs/jobrunner.h"

#include <QCoreApplication>
#include <QThread>
#include <QTimer>

#include <condition_variable>
#include <mutex>

namespace qm {

// The meeting point of a job's thread and the window's thread. Once closed
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

struct Call {
    std::vector<Job::Step> steps;
    bool done = false;
};

} // namespace

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
    m_batch.push_back(std::move(step));
    return flush();
}

void Job::post(Step step)
{
    m_batch.push_back(std::move(step));
    // The first step goes at once, so the window shows the job under way.
    if (!m_posted || m_batch.size() >= BatchLimit || m_sinceFlush.elapsed() >= BatchMilliseconds) {
        m_posted = true;
        flush();
    }
}

bool Job::flush()
{
    m_sinceFlush.start();
    if (m_batch.empty())
        return true;
    auto call = std::make_shared<Call>();
    call->steps.swap(m_batch);
    const std::shared_ptr<Handoff> handoff = m_handoff;
    {
        std::lock_guard lock(handoff->mutex);
        if (handoff->closed)
            return false;
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
            {
                std::lock_guard lock(handoff->mutex);
                call->done = true;
            }
            handoff->wake.notify_all();
        },
        Qt::QueuedConnection);
    std::unique_lock lock(handoff->mutex);
    handoff->wake.wait(lock, [&] { return call->done || handoff->closed; });
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
    m_finished.store(true, std::memory_order_release);
}

JobRunner::JobRunner(QObject *parent) : QObject(parent), m_handoff(std::make_shared<Handoff>())
{
    m_handoff->runner = this;
    m_stepsTimer = new QTimer(this);
    m_stepsTimer->setSingleShot(true);
    connect(m_stepsTimer, &QTimer::timeout, this, &JobRunner::announceSteps);
}

JobRunner::~JobRunner()
{
    m_shuttingDown = true;
    m_queue.clear();
    stopAll();
    {
        std::lock_guard lock(m_handoff->mutex);
        m_handoff->closed = true;
    }
    m_handoff->wake.notify_all();
    if (m_thread) {
        m_thread->wait();
        delete m_thread;
    }
}

void JobRunner::start(JobKind kind, std::shared_ptr<Job> job, EndHandler onEnd, EndHandler onStart)
{
    if (!job || m_shuttingDown)
        return;
    job->m_runner = this;
    job->m_handoff = m_handoff;
    m_slots[size_t(job->jobClass())] = job;
    m_idleRequested = false;
    if (m_controlsEnabled) {
        m_controlsEnabled = false;
        emit controlsEnabledChanged(false);
    }
    m_queue.push_back({kind, std::move(job), std::move(onEnd), std::move(onStart)});
    if (!m_running && !m_inEndHandler)
        startNext();
}

void JobRunner::startNext()
{
    while (!m_running && !m_queue.empty() && !m_shuttingDown) {
        Request request = std::move(m_queue.front());
        m_queue.pop_front();
        m_jobKind = request.kind;
        if (request.onStart)
            request.onStart();
        if (request.job->terminated()) {
            // Stopped while it waited: the body never starts, but the end
            // handler runs so the window's state is completed as usual.
            request.job->m_finished.store(true, std::memory_order_release);
            m_inEndHandler = true;
            if (request.onEnd)
                request.onEnd();
            m_inEndHandler = false;
            emit jobEnded();
            continue;
        }
        m_current = std::move(request);
        m_running = m_current.job.get();
        Job *job = m_running;
        m_thread = QThread::create([job] { job->run(); });
        connect(m_thread, &QThread::finished, this, &JobRunner::onThreadFinished,
                Qt::QueuedConnection);
        m_thread->start();
    }
    if (!isActive()) {
        applyIdleIfDrained();
        emit drained();
    }
}

void JobRunner::onThreadFinished()
{
    if (!m_thread)
        return;
    // `finished` comes from the ending thread itself; wait for its last step.
    m_thread->wait();
    delete m_thread;
    m_thread = nullptr;
    m_running = nullptr;
    Request ended = std::move(m_current);
    m_current = {};
    if (m_shuttingDown)
        return;
    announceSteps();
    m_inEndHandler = true;
    if (ended.onEnd)
        ended.onEnd();
    m_inEndHandler = false;
    emit jobEnded();
    startNext();
}

void JobRunner::stopAll()
{
    if (m_running)
        m_running->terminate();
    for (Request &request : m_queue)
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
    switch (m_jobKind) {
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
    m_shuttingDown = true;
    m_queue.clear();
    stopAll();
    while (m_running)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void JobRunner::setControlsEnabled(bool enabled)
{
    if (!enabled) {
        m_idleRequested = false;
        if (m_controlsEnabled) {
            m_controlsEnabled = false;
            emit controlsEnabledChanged(false);
        }
        return;
    }
    m_idleRequested = true;
    if (!isActive())
        applyIdleIfDrained();
}

void JobRunner::applyIdleIfDrained()
{
    if (!m_idleRequested)
        return;
    m_idleRequested = false;
    m_jobKind = JobKind::None;
    if (!m_controlsEnabled) {
        m_controlsEnabled = true;
        emit controlsEnabledChanged(true);
    }
}

Job *JobRunner::slot(JobClass jobClass) const { return m_slots[size_t(jobClass)].get(); }

void JobRunner::setStatus(const QString &text)
{
    m_status = text;
    if (m_batchDepth > 0)
        m_statusDirty = true;
    else
        emit statusChanged(m_status);
}

void JobRunner::setProgress(int percent)
{
    m_progress = percent;
    if (m_batchDepth > 0)
        m_progressDirty = true;
    else
        emit progressChanged(m_progress);
}

void JobRunner::announceSteps()
{
    if (!m_stepsPending)
        return;
    m_stepsPending = false;
    m_stepsTimer->stop();
    m_sinceSteps.start();
    emit stepsRun();
}

void JobRunner::runBatch(const std::vector<Job::Step> &steps)
{
    ++m_batchDepth;
    for (const Job::Step &step : steps)
        step();
    if (--m_batchDepth > 0)
        return;
    // Each announcement repaints the table's visible rows, which costs about
    // as much as the batch itself, and batches come every 8 ms: more often
    // than the eye follows. The timer announces the last batches when no
    // other follows soon (a question, a slow disk).
    m_stepsPending = true;
    const qint64 since = m_sinceSteps.isValid() ? m_sinceSteps.elapsed() : StepsMilliseconds;
    if (since >= StepsMilliseconds)
        announceSteps();
    else if (!m_stepsTimer->isActive())
        m_stepsTimer->start(int(StepsMilliseconds - since));
    if (m_statusDirty) {
        m_statusDirty = false;
        emit statusChanged(m_status);
    }
    if (m_progressDirty) {
        m_progressDirty = false;
        emit progressChanged(m_progress);
    }
}

} // namespace qm
