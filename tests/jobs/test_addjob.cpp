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
    void SetUp() override { ASSERT_TRUE(dir_.isValid() && QDir(root()).mkpath(u"sub/deeper"_qs)); }
    QString root() const { return dir_.path() + u'/'; }
    void makeFiles(const QString &folder, int count, const QString &ext = u"mp3"_qs)
    {
        for (int i = 0; i < count; ++i) {
            QFile file(root() + folder + u"/f"_qs + QString::number(i) + u'.' + ext);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        }
    }
    std::shared_ptr<TAddThread> scan(AddKind kind, const QStringList &folders,
                                     const QString &filter)
    {
        auto job = std::make_shared<TAddThread>(kind, folders, ScanSettings{filter, false, true},
                                                [this](const QString &folder, const QString &name) {
                                                    table_.appendFileRow(folder, name);
                                                });
        runner_.start(JobKind::Add, job, [this] { runner_.setControlsEnabled(true); });
        EXPECT_TRUE(WaitUntilIdle(runner_));
        return job;
    }

    QTemporaryDir dir_;
    RowTable table_;
    JobRunner runner_;
};

} // namespace

TEST_F(AddJob, ChosenDroppedAndScannedFilesGoAfterTheRowsThere)
{
    makeFiles(u"."_qs, 3);
    makeFiles(u"sub"_qs, 2);
    makeFiles(u"sub"_qs, 2, u"txt"_qs);
    makeFiles(u"sub/deeper"_qs, 1);
    EXPECT_EQ(AddChosenFiles(table_, {root() + u"f1.mp3"_qs, root() + u"f0.mp3"_qs}, &runner_), 2);
    EXPECT_EQ(table_.cell(1, F::Old), u"f1.mp3"_qs);
    EXPECT_EQ(table_.cell(2, F::Dir), root());
    EXPECT_EQ(runner_.status(), u"Добавлено файлов: 2/2"_qs);

    // Files dropped become rows at once; the folder is left for the scan.
    const QStringList folders = AddDroppedPaths(
        table_, {root() + u"f2.mp3"_qs, root() + u"sub"_qs, root() + u"gone.mp3"_qs}, &runner_);
    EXPECT_EQ(folders, QStringList{root() + u"sub"_qs});
    EXPECT_EQ(table_.cell(4, F::Old), u"gone.mp3"_qs);
    EXPECT_EQ(runner_.status(), u"Добавлено файлов: 2"_qs);

    QList<int> progress;
    QObject::connect(&runner_, &JobRunner::progressChanged, [&](int p) { progress << p; });
    const auto job = scan(AddKind::DroppedFolders, folders, u"Аудио <*.mp3>"_qs);
    EXPECT_EQ(job->filesAdded(), 3);
    EXPECT_EQ(table_.fileRowCount(), 7);
    EXPECT_EQ(table_.cell(5, F::Dir), root() + u"sub/"_qs);
    EXPECT_EQ(table_.cell(7, F::Dir), root() + u"sub/deeper/"_qs);
    EXPECT_EQ(table_.cell(7, F::Old), u"f0.mp3"_qs);
    EXPECT_TRUE(table_.cell(table_.blankRow(), F::Old).isEmpty());
    EXPECT_EQ(runner_.status(), u"Добавлено файлов: 3"_qs);
    EXPECT_EQ(progress.last(), 3);
}

TEST_F(AddJob, StopEndsTheScanAndKeepsTheRowsFound)
{
    makeFiles(u"."_qs, 150);
    makeFiles(u"sub"_qs, 150);
    // Stop from within a hand-off, as a click between two steps would.
    QObject::connect(&runner_, &JobRunner::statusChanged, [&] { runner_.stop(); });
    const auto job = scan(AddKind::Folders, {dir_.path()}, u"*.*"_qs);
    EXPECT_GE(table_.fileRowCount(), 1);
    EXPECT_LT(table_.fileRowCount(), 300);
    EXPECT_EQ(table_.fileRowCount(), job->filesAdded());
    EXPECT_EQ(runner_.status(), StatusText(StatusPhrase::AddedFiles(), job->filesAdded()));
}
