#include "session/session.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace qm;
using F = FieldNumber;

namespace {

bool makeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

// The command line's add: files and folders in the order given, completed
// once after the last, with the information read held back while the
// owner holds reads and started when it lets them go.
TEST(Session, AddPathsKeepTheirOrderAndCompleteOnceAfterHeldReads)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid() && QDir(dir.path()).mkpath(QStringLiteral("album")));
    const QString root = dir.path() + QLatin1Char('/');
    ASSERT_TRUE(makeFile(root + "z.txt", "zz"));
    ASSERT_TRUE(makeFile(root + "album/b.txt", "bbb"));
    ASSERT_TRUE(makeFile(root + "album/a.txt", "a"));
    ASSERT_TRUE(makeFile(root + "y.txt", "yyyy"));

    Session session;
    SessionState state;
    state.fileInfo = true;
    state.allFormats = true;
    state.scan.filter = QStringLiteral("*.txt");
    session.setState(state);
    bool held = true;
    session.setUpdatesHeld([&held] { return held; });
    QList<std::pair<int, int>> completed;
    QObject::connect(&session, &Session::addedRowsCompleted, [&completed](int first, int last) {
        completed.append({first, last});
    });

    session.addPaths({root + "z.txt", root + "album", root + "y.txt"});
    session.waitForJobs();
    const RowTable &table = session.table();
    ASSERT_EQ(table.fileRowCount(), 4);
    QStringList names, numbers, sizes;
    for (int row = 1; row <= 4; ++row) {
        names.append(table.cell(row, F::Old) + '.' + table.cell(row, F::Ext));
        numbers.append(table.cell(row, F::No));
        sizes.append(table.cell(row, F::Siz));
    }
    EXPECT_EQ(names, (QStringList{"z.txt", "a.txt", "b.txt", "y.txt"}));
    EXPECT_EQ(numbers, (QStringList{"01", "02", "03", "04"}));
    EXPECT_EQ(sizes, (QStringList{"", "", "", ""}));
    EXPECT_EQ(completed, (QList<std::pair<int, int>>{{1, 4}}));

    held = false;
    session.releaseUpdates();
    session.waitForJobs();
    sizes.clear();
    for (int row = 1; row <= 4; ++row)
        sizes.append(table.cell(row, F::Siz));
    EXPECT_EQ(sizes, (QStringList{"2", "1", "3", "4"}));
}

// The runner hands steps to the thread that owns it through the event loop.
// Text changes tell the views once per change, and once per pass of a
// replace-all, before the question whether to run another.
TEST(Session, TextChangesAnnounceTheirRowsOncePerPass)
{
    Session session;
    RowTable &t = session.table();
    const int first = t.appendRows(3);
    for (int r = first; r < first + 3; ++r)
        t.setCell(r, F::Tit, QStringLiteral("a feat. b feat. c"));
    QList<std::pair<int, int>> announced;
    QObject::connect(&session, &Session::cellsChanged, [&](int top, int bottom) {
        announced.append({top, bottom});
    });
    const int tit = t.layout().position(F::Tit);
    session.convertCase(CellRect{tit, 1, tit, t.blankRow()}, CaseMode::Upper);
    EXPECT_EQ(announced, (QList<std::pair<int, int>>{{1, 3}}));
    EXPECT_EQ(t.cell(3, F::Tit), QStringLiteral("A FEAT. B FEAT. C"));

    announced.clear();
    int asked = 0;
    const FindRequest request{QStringLiteral("feat."), false, false, FindDirection::Everywhere,
                              FindOrder::ByRows};
    session.replaceAll({}, request, QStringLiteral("ft."), [&](bool) {
        EXPECT_EQ(announced.size(), asked + 1); // the pass is shown before the question
        return ++asked < 2;
    });
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(announced, (QList<std::pair<int, int>>{{1, 3}, {1, 3}}));
    EXPECT_EQ(t.cell(2, F::Tit), QStringLiteral("A ft. B ft. C"));
    EXPECT_EQ(session.replaceInColumns({F::Tit, F::Art}, QStringLiteral("ft."),
                                       QStringLiteral("feat."), true, false),
              6);
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
