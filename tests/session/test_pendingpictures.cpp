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
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(QByteArray(6000, char('a' + i))));
        file.close();
        TID3v2 tag;
        tag.FSetTitle(QStringLiteral("Old %1").arg(i));
        ASSERT_TRUE(tag.SaveToFile(path));
        paths.append(path);
        before.append(contents(path));
    }
    const QString image = root + "cover.png";
    QImage made(300, 200, QImage::Format_RGB32);
    made.fill(Qt::darkCyan);
    ASSERT_TRUE(made.save(image, "PNG"));

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
