#include "jobs/jobrunner.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>

using qm::Job;
using qm::JobClass;
using qm::JobRunner;

namespace {

// Posts `units` steps (or runs until stopped when units < 0), each appending
// "name:i" to the shared log on the window's thread.
class CountingJob : public Job {
public:
    CountingJob(QString name, int units, QStringList &log, JobClass jobClass = JobClass::Update)
        : m_name(std::move(name)), m_units(units), m_log(log), m_class(jobClass)
    {
    }
    JobClass jobClass() const override { return m_class; }

    std::atomic_bool bodyRan{false};
    std::atomic_bool stepsOnOwnerThread{true};
    QThread *owner = QThread::currentThread();

protected:
    void execute() override
    {
        bodyRan = true;
        for (int i = 0; m_units < 0 || i < m_units; ++i) {
            post([this, i] {
                if (QThread::currentThread() != owner)
                    stepsOnOwnerThread = false;
                m_log << m_name + u':' + QString::number(i);
                runner()->setStatus(qm::StatusText(u"n: "_qs, i + 1, m_units));
            });
            if (m_units < 0)
                QThread::usleep(200);
            if (terminated())
                return;
        }
    }

private:
    QString m_name;
    int m_units;
    QStringList &m_log;
    JobClass m_class;
};

// Serves the window's event loop until the runner has nothing left.
bool waitUntilIdle(JobRunner &runner, int ms = 5000)
{
    QElapsedTimer timer;
    timer.start();
    while (runner.isActive() && timer.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return !runner.isActive();
}

} // namespace

TEST(JobRunner, QueuedJobsRunInOrderEachAfterTheEndHandlerBeforeIt)
{
    JobRunner runner;
    QStringList log;
    QList<bool> enabledChanges;
    QObject::connect(&runner, &JobRunner::controlsEnabledChanged,
                     [&](bool enabled) { enabledChanges << enabled; });
    auto a = std::make_shared<CountingJob>(u"a"_qs, 3, log, JobClass::Add);
    auto b = std::make_shared<CountingJob>(u"b"_qs, 2, log);
    auto c = std::make_shared<CountingJob>(u"c"_qs, 1, log);

    runner.start('a', a, [&] {
        log << u"end a, kind "_qs + QChar::fromLatin1(runner.jobKind());
        // An end handler that asks for the next job keeps the window busy,
        // and that job waits behind the ones already asked for.
        runner.start('u', c, [&] {
            log << u"end c"_qs;
            runner.setControlsEnabled(true);
        });
    }, [&] { log << u"start a"_qs; });
    runner.start('u', b, [&] {
        log << u"end b"_qs;
        runner.setControlsEnabled(true); // deferred: c still waits
        log << (runner.controlsEnabled() ? u"idle"_qs : u"busy"_qs);
    });
    EXPECT_EQ(runner.slot(JobClass::Update), b.get());
    EXPECT_EQ(runner.slot(JobClass::Add), a.get());
    ASSERT_TRUE(waitUntilIdle(runner));

    EXPECT_EQ(log, (QStringList{u"start a"_qs, u"a:0"_qs, u"a:1"_qs, u"a:2"_qs,
                                u"end a, kind a"_qs, u"b:0"_qs, u"b:1"_qs, u"end b"_qs,
                                u"busy"_qs, u"c:0"_qs, u"end c"_qs}));
    EXPECT_EQ(enabledChanges, (QList<bool>{false, true}));
    EXPECT_TRUE(a->stepsOnOwnerThread && b->stepsOnOwnerThread);
    EXPECT_EQ(runner.jobKind(), 0);
    EXPECT_EQ(runner.status(), u"n: 1/1"_qs); // the last text stays
    EXPECT_EQ(runner.slot(JobClass::Update), c.get());
}

TEST(JobRunner, ManyStepsKeepTheirOrderAcrossBatches)
{
    JobRunner runner;
    QStringList log;
    int statusSignals = 0;
    QObject::connect(&runner, &JobRunner::statusChanged, [&] { ++statusSignals; });
    auto job = std::make_shared<CountingJob>(u"x"_qs, 20000, log);
    runner.start('u', job, [&] { runner.setControlsEnabled(true); });
    ASSERT_TRUE(waitUntilIdle(runner));
    ASSERT_EQ(log.size(), 20000);
    for (int i = 0; i < log.size(); ++i)
        ASSERT_EQ(log[i], u"x:"_qs + QString::number(i));
    EXPECT_EQ(runner.status(), u"n: 20000/20000"_qs);
    EXPECT_GE(statusSignals, 1);
    EXPECT_LT(statusSignals, 20000); // one signal per batch, not per step
}

TEST(JobRunner, StopEndsTheRunningJobAndThoseWaitingButRunsEveryEndHandler)
{
    JobRunner runner;
    QStringList log;
    auto endless = std::make_shared<CountingJob>(u"e"_qs, -1, log);
    auto waiting = std::make_shared<CountingJob>(u"w"_qs, 5, log);
    QStringList ends;
    runner.start('u', endless, [&] { ends << u"e"_qs; runner.setControlsEnabled(true); });
    runner.start('u', waiting, [&] { ends << u"w"_qs; runner.setControlsEnabled(true); });
    QTimer::singleShot(30, [&] { EXPECT_EQ(runner.stop(), JobRunner::StopResult::Stopped); });
    ASSERT_TRUE(waitUntilIdle(runner));
    EXPECT_TRUE(endless->terminated());
    EXPECT_FALSE(waiting->bodyRan);
    EXPECT_TRUE(waiting->finished());
    EXPECT_EQ(ends, (QStringList{u"e"_qs, u"w"_qs}));
    EXPECT_FALSE(log.isEmpty()); // what was done before Stop stays
    EXPECT_TRUE(runner.controlsEnabled());
}

TEST(JobRunner, StopByJobKind)
{
    JobRunner runner;
    QList<bool> enabledChanges;
    QObject::connect(&runner, &JobRunner::controlsEnabledChanged,
                     [&](bool enabled) { enabledChanges << enabled; });
    // No job recorded: Stop only returns the window to idle.
    runner.setControlsEnabled(false);
    EXPECT_EQ(runner.stop(), JobRunner::StopResult::Stopped);
    EXPECT_EQ(enabledChanges, (QList<bool>{false, true}));

    QStringList log;
    auto sort = std::make_shared<CountingJob>(u"s"_qs, -1, log, JobClass::Sort);
    runner.stopNeedsConfirm = true;
    runner.separateNumberingPending = true;
    runner.start('s', sort, [&] { runner.setControlsEnabled(true); });
    EXPECT_EQ(runner.stop(), JobRunner::StopResult::NeedsConfirm);
    EXPECT_FALSE(sort->terminated()); // answered No: the sort goes on
    EXPECT_TRUE(runner.stopNeedsConfirm);
    runner.stopNeedsConfirm = false;
    EXPECT_EQ(runner.stop(), JobRunner::StopResult::StoppedSeparateNumbering);
    EXPECT_TRUE(sort->terminated());
    ASSERT_TRUE(waitUntilIdle(runner));

    auto again = std::make_shared<CountingJob>(u"t"_qs, -1, log, JobClass::Sort);
    runner.stopNeedsConfirm = true;
    runner.start('s', again, [&] { runner.setControlsEnabled(true); });
    EXPECT_EQ(runner.stop(), JobRunner::StopResult::NeedsConfirm);
    runner.confirmStop();
    EXPECT_FALSE(runner.stopNeedsConfirm);
    EXPECT_TRUE(again->terminated());
    ASSERT_TRUE(waitUntilIdle(runner));
}

TEST(JobRunner, ClosingStopsTheJobAndNothingRunsAfterwards)
{
    QStringList log;
    bool endRan = false;
    {
        JobRunner runner;
        auto job = std::make_shared<CountingJob>(u"e"_qs, -1, log);
        runner.start('u', job, [&] { endRan = true; });
        QCoreApplication::processEvents();
        QThread::msleep(20); // the body now waits for a hand-off nobody serves
    }
    const qsizetype rows = log.size();
    QCoreApplication::processEvents();
    EXPECT_EQ(log.size(), rows);
    EXPECT_FALSE(endRan);

    // shutdown() serves the steps still pending and skips the end handler.
    JobRunner runner;
    auto job = std::make_shared<CountingJob>(u"f"_qs, -1, log);
    runner.start('u', job, [&] { endRan = true; });
    QTimer::singleShot(20, [&] { runner.shutdown(); });
    ASSERT_TRUE(waitUntilIdle(runner));
    EXPECT_TRUE(job->finished());
    EXPECT_FALSE(endRan);
}
