#include "jobs/addfiles.h"
#include "jobs/addjob.h"
#include "jobs/jobrunner.h"
#include "table/rowtable.h"
#include "waitidle.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace qm;
using F = FieldNumber;

namespace {

class AddJob : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid() && QDir(root()).mkpath(u"sub/deeper"_qs)); }
    QString root() const { return m_dir.path() + u'/'; }
    void makeFiles(const QString &folder, int count, const QString &ext = u"mp3"_qs)
    {
        for (int i = 0; i < count; ++i) {
            QFile file(root() + folder + u"/f"_qs + QString::number(i) + u'.' + ext);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        }
    }
    std::shared_ptr<TAddThread> scan(char kind, const QStringList &folders, const QString &filter)
    {
        auto job = std::make_shared<TAddThread>(kind, folders, ScanSettings{filter, false, true},
                                                [this](const QString &folder, const QString &name) {
                                                    m_table.appendFileRow(folder, name);
                                                });
        m_runner.start(JobKind::Add, job, [this] { m_runner.setControlsEnabled(true); });
        EXPECT_TRUE(WaitUntilIdle(m_runner));
        return job;
    }

    QTemporaryDir m_dir;
    RowTable m_table;
    JobRunner m_runner;
};

} // namespace

TEST_F(AddJob, ChosenDroppedAndScannedFilesGoAfterTheRowsThere)
{
    makeFiles(u"."_qs, 3);
    makeFiles(u"sub"_qs, 2);
    makeFiles(u"sub"_qs, 2, u"txt"_qs);
    makeFiles(u"sub/deeper"_qs, 1);
    EXPECT_EQ(AddChosenFiles(m_table, {root() + u"f1.mp3"_qs, root() + u"f0.mp3"_qs}, &m_runner),
              2);
    EXPECT_EQ(m_table.cell(1, F::Old), u"f1.mp3"_qs);
    EXPECT_EQ(m_table.cell(2, F::Dir), root());
    EXPECT_EQ(m_runner.status(), u"Добавлено файлов: 2/2"_qs);

    // Files dropped become rows at once; the folder is left for the scan.
    const QStringList folders = AddDroppedPaths(
        m_table, {root() + u"f2.mp3"_qs, root() + u"sub"_qs, root() + u"gone.mp3"_qs}, &m_runner);
    EXPECT_EQ(folders, QStringList{root() + u"sub"_qs});
    EXPECT_EQ(m_table.cell(4, F::Old), u"gone.mp3"_qs);
    EXPECT_EQ(m_runner.status(), u"Добавлено файлов: 2"_qs);

    QList<int> progress;
    QObject::connect(&m_runner, &JobRunner::progressChanged, [&](int p) { progress << p; });
    const auto job = scan('m', folders, u"Аудио <*.mp3>"_qs);
    EXPECT_EQ(job->filesAdded(), 3);
    EXPECT_EQ(m_table.fileRowCount(), 7);
    EXPECT_EQ(m_table.cell(5, F::Dir), root() + u"sub/"_qs);
    EXPECT_EQ(m_table.cell(7, F::Dir), root() + u"sub/deeper/"_qs);
    EXPECT_EQ(m_table.cell(7, F::Old), u"f0.mp3"_qs);
    EXPECT_TRUE(m_table.cell(m_table.blankRow(), F::Old).isEmpty());
    EXPECT_EQ(m_runner.status(), u"Добавлено файлов: 3"_qs);
    EXPECT_EQ(progress.last(), 3);
}

TEST_F(AddJob, StopEndsTheScanAndKeepsTheRowsFound)
{
    makeFiles(u"."_qs, 150);
    makeFiles(u"sub"_qs, 150);
    // Stop from within a hand-off, as a click between two steps would.
    QObject::connect(&m_runner, &JobRunner::statusChanged, [&] { m_runner.stop(); });
    const auto job = scan('d', {m_dir.path()}, u"*.*"_qs);
    EXPECT_GE(m_table.fileRowCount(), 1);
    EXPECT_LT(m_table.fileRowCount(), 300);
    EXPECT_EQ(m_table.fileRowCount(), job->filesAdded());
    EXPECT_EQ(m_runner.status(), StatusText(StatusPhrase::AddedFiles(), job->filesAdded()));
}
