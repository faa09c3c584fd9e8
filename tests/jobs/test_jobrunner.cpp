#include "waitidle.h"

#include <QCoreApplication>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

using namespace qm;

namespace {

// Posts `units` steps (endless when negative), each logging "name:i" on the
// window's thread.
class CountingJob : public Job {
public:
    CountingJob(QString name, int units, QStringList &log, JobClass jobClass = JobClass::Update,
                bool pipelined = false)
        : name_(std::move(name)), units_(units), log_(log), class_(jobClass), pipelined_(pipelined)
    {}
    JobClass jobClass() const override { return class_; }
    std::atomic_bool bodyRan{false};
    std::atomic_bool offThread{false};

protected:
    void execute() override
    {
        bodyRan = true;
        setPipelined(pipelined_);
        for (int i = 0; units_ < 0 || i < units_; ++i) {
            post([this, i] {
                if (QThread::currentThread() != qApp->thread())
                    offThread = true;
                log_ << name_ + u':' + QString::number(i);
                runner()->setStatus(StatusText(u"n: "_qs, i + 1, units_));
            });
            if (units_ < 0)
                QThread::usleep(200);
            if (terminated())
                return;
        }
    }

private:
    QString name_;
    int units_;
    QStringList &log_;
    JobClass class_;
    bool pipelined_;
};

} // namespace

TEST(JobRunner, QueuedJobsRunInOrderEachAfterTheEndHandlerBeforeIt)
{
    JobRunner runner;
    QStringList log;
    QList<bool> enabled;
    int statusSignals = 0;
    QObject::connect(&runner, &JobRunner::controlsEnabledChanged, [&](bool on) { enabled << on; });
    QObject::connect(&runner, &JobRunner::statusChanged, [&] { ++statusSignals; });
    auto a = std::make_shared<CountingJob>(u"a"_qs, 2, log, JobClass::Add);
    auto b = std::make_shared<CountingJob>(u"b"_qs, 20000, log);
    auto c = std::make_shared<CountingJob>(u"c"_qs, 1, log);
    runner.start(
        JobKind::Add, a,
        [&] {
            log << u"end a "_qs + QChar::fromLatin1(char(runner.jobKind()));
            // A job asked for by an end handler waits behind those asked before.
            runner.start(JobKind::Update, c, [&] {
                log << u"end c"_qs;
                runner.setControlsEnabled(true);
            });
        },
        [&] { log << u"start a"_qs; });
    runner.start(JobKind::Update, b, [&] {
        runner.setControlsEnabled(true); // kept until c has ended too
        log << (runner.controlsEnabled() ? u"idle"_qs : u"busy"_qs);
    });
    EXPECT_EQ(runner.slot(JobClass::Update), b.get());
    ASSERT_TRUE(WaitUntilIdle(runner));

    ASSERT_EQ(log.size(), 20007);
    EXPECT_EQ(log.mid(0, 4), (QStringList{u"start a"_qs, u"a:0"_qs, u"a:1"_qs, u"end a a"_qs}));
    for (int i = 0; i < 20000; ++i)
        ASSERT_EQ(log[4 + i], u"b:"_qs + QString::number(i));
    EXPECT_EQ(log.mid(20004), (QStringList{u"busy"_qs, u"c:0"_qs, u"end c"_qs}));
    EXPECT_FALSE(a->offThread || b->offThread);
    EXPECT_LT(statusSignals, 20000); // one per batch of steps
    EXPECT_EQ(enabled, (QList<bool>{false, true}));
    EXPECT_EQ(runner.jobKind(), JobKind::None);
    EXPECT_EQ(runner.status(), u"n: 1/1"_qs); // the last text stays
    EXPECT_EQ(runner.slot(JobClass::Update), c.get());
}

TEST(JobRunner, PipelinedStepsRunInOrderBeforeTheEndHandlerAndStopHaltsThem)
{
    for (const int units : {20000, -1}) {
        SCOPED_TRACE(units);
        JobRunner runner;
        QStringList log;
        auto job = std::make_shared<CountingJob>(u"p"_qs, units, log, JobClass::Update, true);
        runner.start(JobKind::Update, job, [&] {
            log << u"end"_qs;
            runner.setControlsEnabled(true);
        });
        if (units < 0)
            QTimer::singleShot(30, [&] { runner.stop(); });
        ASSERT_TRUE(WaitUntilIdle(runner));
        ASSERT_GT(log.size(), 1);
        if (units > 0) {
            ASSERT_EQ(log.size(), units + 1);
        }
        for (int i = 0; i + 1 < log.size(); ++i)
            ASSERT_EQ(log[i], u"p:"_qs + QString::number(i));
        EXPECT_EQ(log.last(), u"end"_qs);
        EXPECT_FALSE(job->offThread);
    }
}

TEST(JobRunner, StopEndsTheRunningJobAndThoseWaitingButRunsEveryEndHandler)
{
    JobRunner runner;
    QStringList log;
    QStringList ends;
    auto endless = std::make_shared<CountingJob>(u"e"_qs, -1, log);
    auto waiting = std::make_shared<CountingJob>(u"w"_qs, 5, log);
    runner.start(JobKind::Update, endless, [&] {
        ends << u"e"_qs;
        runner.setControlsEnabled(true);
    });
    runner.start(JobKind::Update, waiting, [&] {
        ends << u"w"_qs;
        runner.setControlsEnabled(true);
    });
    QTimer::singleShot(30, [&] { runner.stop(); });
    ASSERT_TRUE(WaitUntilIdle(runner));
    EXPECT_FALSE(waiting->bodyRan);
    EXPECT_EQ(ends, (QStringList{u"e"_qs, u"w"_qs}));
    EXPECT_FALSE(log.isEmpty()); // what was done before Stop stays
    EXPECT_TRUE(runner.controlsEnabled());
}

TEST(JobRunner, StopByJobKind)
{
    JobRunner runner;
    QList<bool> enabled;
    QObject::connect(&runner, &JobRunner::controlsEnabledChanged, [&](bool on) { enabled << on; });
    runner.setControlsEnabled(false);
    runner.stop(); // no job recorded: back to idle
    EXPECT_EQ(enabled, (QList<bool>{false, true}));

    QStringList log;
    auto sort = std::make_shared<CountingJob>(u"s"_qs, -1, log, JobClass::Sort);
    runner.stopNeedsConfirm = true;
    runner.separateNumberingPending = true;
    runner.start(JobKind::Sort, sort, [&] { runner.setControlsEnabled(true); });
    EXPECT_EQ(runner.stop(), JobRunner::StopResult::NeedsConfirm);
    EXPECT_FALSE(sort->terminated()); // answered No: the sort goes on
    runner.confirmStop();
    EXPECT_FALSE(runner.stopNeedsConfirm);
    EXPECT_TRUE(sort->terminated());
    ASSERT_TRUE(WaitUntilIdle(runner));

    auto again = std::make_shared<CountingJob>(u"t"_qs, -1, log, JobClass::Sort);
    runner.start(JobKind::Sort, again, [&] { runner.setControlsEnabled(true); });
    EXPECT_EQ(runner.stop(), JobRunner::StopResult::StoppedSeparateNumbering);
    ASSERT_TRUE(WaitUntilIdle(runner));
}

TEST(JobRunner, ClosingStopsTheJobAndNothingRunsAfterwards)
{
    QStringList log;
    bool endRan = false;
    {
        JobRunner runner;
        runner.start(JobKind::Update, std::make_shared<CountingJob>(u"e"_qs, -1, log),
                     [&] { endRan = true; });
        QCoreApplication::processEvents();
        QThread::msleep(20); // the body now waits for a hand-off nobody serves
    }
    const qsizetype rows = log.size();
    QCoreApplication::processEvents();
    EXPECT_EQ(log.size(), rows);
    EXPECT_FALSE(endRan);

    // shutdown() serves the pending steps, then returns without end handler.
    JobRunner runner;
    auto job = std::make_shared<CountingJob>(u"f"_qs, -1, log);
    runner.start(JobKind::Update, job, [&] { endRan = true; });
    QTimer::singleShot(20, [&] { runner.shutdown(); });
    ASSERT_TRUE(WaitUntilIdle(runner));
    EXPECT_TRUE(job->finished());
    EXPECT_FALSE(endRan);
}
