#include "formats/id3v2.h"
#include "session/session.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace qm;
using F = FieldNumber;

namespace {

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

// An update renamed and retagged three files; one was changed afterwards.
// Undo gives the other two their old names and bytes back, exactly, and the
// table follows them; the changed one is left alone and reported.
TEST(UndoUpdate, PutsBackTheLastUpdateAndLeavesAFileChangedSince)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString root = dir.path() + QLatin1Char('/');
    qputenv("QUILLMARK_DATA_DIR", QFile::encodeName(root + "data"));
    QStringList paths;
    QList<QByteArray> before;
    for (int i = 1; i <= 3; ++i) {
        const QString path = root + QStringLiteral("track%1.mp3").arg(i);
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(QByteArray(6000, char('a' + i))));
        file.close();
        TID3v2 tag;
        tag.FSetTitle(QStringLiteral("Old %1").arg(i));
        ASSERT_TRUE(tag.SaveToFile(path));
        paths.append(path);
        before.append(contents(path));
    }

    Session session;
    SessionState state;
    state.tagView = TagView::Id3v2;
    session.setStateSource([state] { return state; });
    session.addPaths(paths);
    session.waitForJobs();
    RowTable &table = session.table();
    ASSERT_EQ(table.fileRowCount(), 3);
    for (int row = 1; row <= 3; ++row) {
        ASSERT_EQ(table.cell(row, F::Tit), QStringLiteral("Old %1").arg(row));
        table.setCell(row, F::New, QStringLiteral("Song %1").arg(row));
        table.setCell(row, F::Tit, QStringLiteral("Retitled %1").arg(row));
    }
    session.write(1, 3, ApplyKind, true);
    session.waitForJobs();
    ASSERT_FALSE(QFile::exists(paths[0]));
    const QString changed = root + "Song 3.mp3";
    {
        QFile file(changed);
        ASSERT_TRUE(file.open(QIODevice::Append) && file.write("x") == 1);
    }
    const QByteArray changedBytes = contents(changed);
    ASSERT_EQ(Session::lastUndoableUpdate().files, 6);

    UndoResult result;
    QObject::connect(&session, &Session::undoEnded, [&result](const UndoResult &r) { result = r; });
    session.undoLastUpdate();
    session.waitForJobs();

    EXPECT_NE(result.number, 0u);
    EXPECT_EQ(result.restored, 2);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(contents(paths[i]), before[i]) << i;
        EXPECT_EQ(table.cell(i + 1, F::Old), QStringLiteral("track%1").arg(i + 1));
        EXPECT_EQ(table.cell(i + 1, F::New), QStringLiteral("Song %1").arg(i + 1));
        EXPECT_EQ(table.cell(i + 1, F::Tit), QStringLiteral("Old %1").arg(i + 1));
    }
    EXPECT_EQ(contents(changed), changedBytes);
    EXPECT_EQ(table.cell(3, F::Old), QStringLiteral("Song 3"));
    ASSERT_EQ(result.leftAlone.rows.size(), 1u);
    const QStringList &left = result.leftAlone.rows[0];
    EXPECT_EQ(left.value(table.layout().position(F::Old)), QStringLiteral("Song 3"));
    EXPECT_EQ(left.value(kColumnCount), QStringLiteral(u"Файл изменён после обновления"));
    EXPECT_EQ(Session::lastUndoableUpdate().number, 0u) << "the update is undone";
}
