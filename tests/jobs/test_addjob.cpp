#include "jobs/addjob.h"
#include "jobs/jobrunner.h"
#include "table/rowtable.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace qm;

namespace {

bool waitUntilIdle(JobRunner &runner)
{
    QElapsedTimer timer;
    timer.start();
    while (runner.isActive() && timer.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return !runner.isActive();
}

class AddJobTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        ASSERT_TRUE(QDir(m_dir.path()).mkpath(u"sub/deeper"_qs));
    }
    void makeFiles(const QString &folder, int count, const QString &ext = u"mp3"_qs)
    {
        for (int i = 0; i < count; ++i) {
            QFile file(m_dir.filePath(folder + u"/f"_qs + QString::number(i) + u'.' + ext));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        }
    }
    std::shared_ptr<TAddThread> scanJob(const ScanSettings &settings)
    {
        return std::make_shared<TAddThread>(
            'd', QStringList{m_dir.path()}, settings,
            [this](const QString &folder, const QString &name) {
                m_table.appendFileRow(folder, name);
            });
    }

    QTemporaryDir m_dir;
    RowTable m_table;
    JobRunner m_runner;
};

} // namespace

TEST_F(AddJobTest, RowsGoAfterTheExistingOnesWithFolderAndName)
{
    m_table.appendFileRow(u"/kept/"_qs, u"old.mp3"_qs);
    makeFiles(u"."_qs, 3);
    makeFiles(u"sub"_qs, 2);
    makeFiles(u"sub"_qs, 2, u"txt"_qs);
    makeFiles(u"sub/deeper"_qs, 1);
    QList<int> progress;
    QObject::connect(&m_runner, &JobRunner::progressChanged, [&](int p) { progress << p; });

    auto job = scanJob({u"Аудио <*.mp3>"_qs, false, true});
    int endedWithRows = -1;
    m_runner.start('a', job, [&] {
        endedWithRows = m_table.fileRowCount();
        m_runner.setControlsEnabled(true);
    });
    ASSERT_TRUE(waitUntilIdle(m_runner));

    EXPECT_EQ(endedWithRows, 7);
    EXPECT_EQ(job->filesAdded(), 6);
    EXPECT_EQ(m_table.cell(1, FieldNumber::Old), u"old.mp3"_qs);
    const QString root = m_dir.path() + u'/';
    for (int row = 2; row <= 4; ++row)
        EXPECT_EQ(m_table.cell(row, FieldNumber::Dir), root);
    EXPECT_EQ(m_table.cell(5, FieldNumber::Dir), root + u"sub/"_qs);
    EXPECT_EQ(m_table.cell(7, FieldNumber::Dir), root + u"sub/deeper/"_qs);
    EXPECT_TRUE(m_table.cell(7, FieldNumber::Old).endsWith(u".mp3"_qs));
    EXPECT_TRUE(m_table.cell(m_table.blankRow(), FieldNumber::Old).isEmpty());
    EXPECT_EQ(m_runner.status(), u"Добавлено файлов: 6"_qs);
    ASSERT_FALSE(progress.isEmpty());
    EXPECT_EQ(progress.last(), 6);
}

TEST_F(AddJobTest, StopEndsTheScanAndKeepsTheRowsFound)
{
    makeFiles(u"."_qs, 150);
    makeFiles(u"sub"_qs, 150);
    auto job = scanJob({u"*.*"_qs, false, true});
    bool ended = false;
    int stopAt = 0;
    // Stop from within a hand-off, as a click between two steps would.
    QObject::connect(&m_runner, &JobRunner::statusChanged, [&] {
        if (stopAt == 0) {
            stopAt = m_table.fileRowCount();
            m_runner.stop();
        }
    });
    m_runner.start('a', job, [&] {
        ended = true;
        m_runner.setControlsEnabled(true);
    });
    ASSERT_TRUE(waitUntilIdle(m_runner));
    EXPECT_TRUE(ended);
    EXPECT_GE(m_table.fileRowCount(), stopAt);
    EXPECT_LT(m_table.fileRowCount(), 300);
    EXPECT_EQ(m_table.fileRowCount(), job->filesAdded());
    EXPECT_EQ(m_runner.status(), StatusText(StatusPhrase::AddedFiles, job->filesAdded()));
}
