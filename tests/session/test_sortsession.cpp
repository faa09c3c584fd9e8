#include <gtest/gtest.h>

#include <QStringList>
#include <algorithm>

#include "session/session.h"

using namespace qm;
using F = FieldNumber;

namespace {

// A session over rows in `dirs` (Old the row's first place), numbered in
// `scope`, with nothing read on completion.
struct SortSession {
    explicit SortSession(const QStringList &dirs, NumberScope scope = NumberScope::WholeTable)
    {
        state.numbering = {NumberStyle::Plain, scope};
        session.setState(state);
        for (const QString &dir : dirs)
            session.table().appendFileRow(dir, QString::number(session.table().blankRow()));
        session.renumberRows(1);
    }
    QStringList column(F field) const
    {
        QStringList out;
        for (int r = 1; r <= session.table().lastFileRow(); ++r)
            out << session.table().cell(r, field);
        return out;
    }
    SessionState state;
    Session session;
};

} // namespace

TEST(SortSession, SortByTrackZeroFillsSortsAndRenumbers)
{
    SortSession s({"/a/", "/a/", "/a/", "/a/"});
    const QStringList tracks = {"12", "3", "", "1/12"};
    for (int r = 1; r <= 4; ++r)
        s.session.table().setCell(r, F::Trc, tracks[r - 1]);
    s.session.sortRows(F::Trc);
    EXPECT_TRUE(s.session.busy());
    s.session.waitForJobs();
    EXPECT_FALSE(s.session.busy());
    EXPECT_EQ(s.column(F::Trc), QStringList({"", "1/12", "03", "12"}));
    EXPECT_EQ(s.column(F::Old), QStringList({"3", "4", "2", "1"}));
    EXPECT_EQ(s.column(F::No), QStringList({"1", "2", "3", "4"}));
    EXPECT_EQ(s.session.runner().status(), QStringLiteral(u"Упорядочено строк: 4/4"));
}

TEST(SortSession, SeparateNumberingGroupsFoldersIgnoringCaseAndNumbersEach)
{
    SortSession s({"/b/", "/A/", "/b/", "/a/", "/c/"}, NumberScope::PerFolder);
    s.session.sortForSeparateNumbering();
    EXPECT_TRUE(s.session.runner().separateNumberingPending);
    s.session.waitForJobs();
    EXPECT_FALSE(s.session.runner().separateNumberingPending);
    EXPECT_EQ(s.column(F::Dir), QStringList({"/A/", "/a/", "/b/", "/b/", "/c/"}));
    EXPECT_EQ(s.column(F::No), QStringList({"1", "2", "1", "2", "1"}));
    // A later sort by name keeps each folder together.
    s.session.sortRows(F::Old);
    s.session.waitForJobs();
    EXPECT_EQ(s.column(F::Dir), QStringList({"/A/", "/a/", "/b/", "/b/", "/c/"}));

    // Added rows join their folder's group before they are numbered.
    const int first = s.session.table().appendFileRow("/a/", "new.mp3");
    s.session.completeAddedRows(first);
    s.session.waitForJobs();
    EXPECT_EQ(s.column(F::Dir), QStringList({"/A/", "/a/", "/a/", "/b/", "/b/", "/c/"}));
    EXPECT_EQ(s.column(F::No), QStringList({"1", "2", "3", "1", "2", "1"}));
}

TEST(SortSession, StopBeforeTheOrderIsAppliedLeavesEveryRowInPlace)
{
    QStringList dirs;
    for (int i = 0; i < 20000; ++i)
        dirs << QStringLiteral("/d%1/").arg(i % 7);
    SortSession s(dirs, NumberScope::PerFolder);
    const QStringList before = s.column(F::Old);
    s.session.sortForSeparateNumbering();
    EXPECT_EQ(s.session.runner().stop(), JobRunner::StopResult::StoppedSeparateNumbering);
    s.state.numbering.scope = NumberScope::WholeTable; // what the window does then
    s.session.setState(s.state);
    s.session.waitForJobs();
    EXPECT_EQ(s.column(F::Old), before);
    EXPECT_FALSE(s.session.runner().separateNumberingPending);
    EXPECT_EQ(s.column(F::No).last(), QStringLiteral("20000"));

    // A shuffle stopped at any point is whole or not begun; never asked.
    s.session.shuffleRows();
    EXPECT_EQ(s.session.runner().stop(), JobRunner::StopResult::Stopped);
    s.session.waitForJobs();
    QStringList after = s.column(F::Old), sortedBefore = before;
    std::sort(after.begin(), after.end());
    std::sort(sortedBefore.begin(), sortedBefore.end());
    EXPECT_EQ(after, sortedBefore);
}

TEST(SortSession, ShuffleKeepsEveryRowOnce)
{
    QStringList dirs;
    for (int i = 0; i < 200; ++i)
        dirs << "/a/";
    SortSession s(dirs);
    const QStringList before = s.column(F::Old);
    s.session.shuffleRows();
    s.session.waitForJobs();
    QStringList after = s.column(F::Old);
    EXPECT_NE(after, before);
    std::sort(after.begin(), after.end());
    QStringList sortedBefore = before;
    std::sort(sortedBefore.begin(), sortedBefore.end());
    EXPECT_EQ(after, sortedBefore);
    EXPECT_EQ(s.column(F::No).first(), QStringLiteral("1"));
}
