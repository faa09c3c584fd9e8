#include "formats/id3v2.h"
#include "session/session.h"

#include <QFile>
#include <QImage>
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

QList<pictures::Picture> picturesOf(const QString &path)
{
    QList<pictures::Picture> found;
    QString reason;
    EXPECT_TRUE(ReadFilePictures(path, &found, &reason)) << reason.toStdString();
    return found;
}

// An MP3 stand-in: `fill` bytes under an ID3v2 tag holding `title`.
bool makeSong(const QString &path, char fill, const QString &title)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(QByteArray(6000, fill)) != 6000)
        return false;
    file.close();
    TID3v2 tag;
    tag.FSetTitle(title);
    return tag.SaveToFile(path);
}

bool makeImage(const QString &path, int width, int height)
{
    QImage made(width, height, QImage::Format_RGB32);
    made.fill(Qt::darkCyan);
    return made.save(path, "PNG");
}

} // namespace

// A picture set in the window waits on its files as a step of the table's
// history, is written by the update with the row's tag in one change, and
// the undo of that update gives the files back byte for byte.
TEST(PendingPictures, WaitAsAStepAreWrittenWithTheTagAndUndoneByteForByte)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString root = dir.path() + QLatin1Char('/');
    qputenv("QUILLMARK_DATA_DIR", QFile::encodeName(root + "data"));
    QStringList paths;
    QList<QByteArray> before;
    for (int i = 1; i <= 2; ++i) {
        const QString path = root + QStringLiteral("track%1.mp3").arg(i);
        ASSERT_TRUE(makeSong(path, char('a' + i), QStringLiteral("Old %1").arg(i)));
        paths.append(path);
        before.append(contents(path));
    }
    const QString image = root + "cover.png";
    ASSERT_TRUE(makeImage(image, 300, 200));

    Session session;
    SessionState state;
    state.tagView = TagView::Id3v2;
    session.setState(state);
    session.setUndoEnabled(true);
    session.addPaths(paths);
    session.waitForJobs();
    ASSERT_EQ(session.table().fileRowCount(), 2);
    session.editCell(1, F::Tit, QStringLiteral("New 1"));
    session.closeEdit();

    PictureCommand command;
    command.image = image;
    session.pendPictures({paths[0]}, command);
    session.waitForJobs();
    ASSERT_EQ(session.pendingPictures(paths[0]).size(), 1);
    EXPECT_EQ(contents(paths[0]), before[0]);
    session.undo();
    EXPECT_TRUE(session.pendingPictures(paths[0]).isEmpty());
    EXPECT_EQ(session.table().cell(1, F::Tit), QStringLiteral("New 1"));
    session.redo();
    ASSERT_EQ(session.pendingPictures(paths[0]).size(), 1);

    session.write(1, 2, WriteKind::Apply, true);
    session.waitForJobs();
    EXPECT_TRUE(session.pendingPictures(paths[0]).isEmpty());
    const QList<pictures::Picture> written = picturesOf(paths[0]);
    ASSERT_EQ(written.size(), 1);
    EXPECT_EQ(written[0].data, contents(image));
    TID3v2 tag;
    ASSERT_TRUE(tag.ReadFromFile(paths[0]));
    EXPECT_EQ(tag.FGetTitle(), QStringLiteral("New 1"));
    EXPECT_EQ(contents(paths[1]), before[1]);

    session.undoUpdate();
    session.waitForJobs();
    EXPECT_EQ(contents(paths[0]), before[0]);
}

// Without the journal a ring of renames (two files swapping names) parks one
// file under a temporary name: its waiting picture still goes into it, and
// no picture is cleared as written that was not.
TEST(PendingPictures, ARingOfRenamesWithoutTheJournalWritesEveryFilesPicture)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString root = dir.path() + QLatin1Char('/');
    qputenv("QUILLMARK_DATA_DIR", QFile::encodeName(root + "data"));
    const QStringList paths{root + "a.mp3", root + "b.mp3"};
    for (int i = 0; i < 2; ++i)
        ASSERT_TRUE(makeSong(paths[i], char('a' + i), QStringLiteral("Song %1").arg(i)));
    const QString image = root + "cover.png";
    ASSERT_TRUE(makeImage(image, 40, 30));

    Session session;
    SessionState state;
    state.tagView = TagView::Id3v2;
    state.noJournal = true;
    session.setState(state);
    session.addPaths(paths);
    session.waitForJobs();
    ASSERT_EQ(session.table().fileRowCount(), 2);
    session.editCell(1, F::New, session.table().cell(2, F::Old));
    session.editCell(2, F::New, session.table().cell(1, F::Old));
    session.closeEdit();
    PictureCommand command;
    command.image = image;
    session.pendPictures(paths, command);
    session.waitForJobs();

    session.write(1, 2, WriteKind::Apply, true);
    session.waitForJobs();
    for (int i = 0; i < 2; ++i) {
        TID3v2 tag;
        ASSERT_TRUE(tag.ReadFromFile(paths[1 - i]));
        EXPECT_EQ(tag.FGetTitle(), QStringLiteral("Song %1").arg(i)) << "the names were swapped";
        const QList<pictures::Picture> written = picturesOf(paths[i]);
        ASSERT_EQ(written.size(), 1) << paths[i].toStdString();
        EXPECT_EQ(written[0].data, contents(image));
        EXPECT_TRUE(session.pendingPictures(paths[i]).isEmpty());
    }
}
