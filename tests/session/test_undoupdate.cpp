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

// The temporary folder with a slash, its "data" holding the journal.
QString rootWithJournal(const QTemporaryDir &dir)
{
    QString root = dir.path() + QLatin1Char('/');
    qputenv("QUILLMARK_DATA_DIR", QFile::encodeName(root + "data"));
    return root;
}

TID3v2 tagOf(const QString &path)
{
    TID3v2 tag;
    tag.ReadFromFile(path);
    return tag;
}

// Another tagger's change of the title.
bool retitle(const QString &path, const QString &title)
{
    TID3v2 tag = tagOf(path);
    tag.FSetTitle(title);
    return tag.SaveToFile(path);
}

// Files "track1.mp3" .. in `root`, 6000 bytes of "a", "b", ... each.
QStringList writeTracks(const QString &root, int count)
{
    QStringList paths;
    for (int i = 1; i <= count; ++i) {
        paths.append(root + QStringLiteral("track%1.mp3").arg(i));
        QFile file(paths.last());
        if (!file.open(QIODevice::WriteOnly) || file.write(QByteArray(6000, char('a' + i))) != 6000)
            return {};
    }
    return paths;
}

void showId3v2(Session &session)
{
    SessionState state;
    state.tagView = TagView::Id3v2;
    session.setState(state);
}

} // namespace

// An update renamed and retagged three files; one was changed afterwards.
// Undo gives the other two their old names and bytes back, exactly, and the
// table follows them; the changed one is left alone and reported.
TEST(UndoUpdate, PutsBackTheLastUpdateAndLeavesAFileChangedSince)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString root = rootWithJournal(dir);
    const QStringList paths = writeTracks(root, 3);
    ASSERT_EQ(paths.size(), 3);
    QList<QByteArray> before;
    for (int i = 1; i <= 3; ++i) {
        const QString &path = paths[i - 1];
        TID3v2 tag;
        tag.FSetTitle(QStringLiteral("Old %1").arg(i));
        ASSERT_TRUE(tag.SaveToFile(path));
        before.append(contents(path));
    }

    Session session;
    showId3v2(session);
    session.addPaths(paths);
    session.waitForJobs();
    RowTable &table = session.table();
    ASSERT_EQ(table.fileRowCount(), 3);
    for (int row = 1; row <= 3; ++row) {
        ASSERT_EQ(table.cell(row, F::Tit), QStringLiteral("Old %1").arg(row));
        table.setCell(row, F::New, QStringLiteral("Song %1").arg(row));
        table.setCell(row, F::Tit, QStringLiteral("Retitled %1").arg(row));
    }
    session.write(1, 3, WriteKind::Apply, true);
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

// An update renamed the files of rows 1 and 3 only; a title typed into
// row 2 since then stays through the undo, which reads only its own rows.
TEST(UndoUpdate, RowBetweenThoseItPutsBackKeepsItsCells)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString root = rootWithJournal(dir);
    const QStringList paths = writeTracks(root, 3);
    ASSERT_EQ(paths.size(), 3);
    Session session;
    showId3v2(session);
    session.addPaths(paths);
    session.waitForJobs();
    RowTable &table = session.table();
    ASSERT_EQ(table.fileRowCount(), 3);
    table.setCell(1, F::New, QStringLiteral("Song 1"));
    table.setCell(3, F::New, QStringLiteral("Song 3"));
    session.write(1, 3, WriteKind::Apply, true);
    session.waitForJobs();
    ASSERT_TRUE(QFile::exists(root + "Song 3.mp3"));
    session.editCell(2, F::Tit, QStringLiteral("Typed"));

    session.undoLastUpdate();
    session.waitForJobs();

    EXPECT_TRUE(QFile::exists(paths[2]));
    EXPECT_EQ(table.cell(3, F::Old), QStringLiteral("track3"));
    EXPECT_EQ(table.cell(2, F::Tit), QStringLiteral("Typed"));
}

// Two files read into the table; the window's own writes are no foreign
// change, another program's is asked about once: No leaves that file's bytes
// and fails its row with the reason, then reads the row again; Yes writes
// the row as the table says.
TEST(ChangedElsewhere, AskedOnceLeftAloneAndReadAgainOrWrittenOnYes)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString root = rootWithJournal(dir);
    const QStringList paths = writeTracks(root, 2);
    ASSERT_EQ(paths.size(), 2);
    for (int i = 1; i <= 2; ++i)
        ASSERT_TRUE(retitle(paths[i - 1], QStringLiteral("Title %1").arg(i)));
    Session session;
    showId3v2(session);
    FixedAnswers answers;
    session.setQuestions(&answers);
    ErrorTable errors;
    QObject::connect(&session, &Session::writeEnded,
                     [&errors](const ErrorTable &e) { errors = e; });
    session.addPaths(paths);
    session.waitForJobs();
    RowTable &table = session.table();
    ASSERT_EQ(table.fileRowCount(), 2);
    const auto writeArtist = [&](const QString &artist) {
        table.setCell(1, F::Art, artist);
        table.setCell(2, F::Art, artist);
        errors = {};
        session.write(1, 2, WriteKind::Tag2, true);
        session.waitForJobs();
    };

    // Twice in a row: the second write knows the files as the first left them.
    writeArtist(QStringLiteral("First"));
    writeArtist(QStringLiteral("Second"));
    EXPECT_TRUE(answers.changedQuestions.isEmpty())
        << answers.changedQuestions.join('\n').toStdString();
    EXPECT_EQ(tagOf(paths[1]).FGetArtist(), QStringLiteral("Second"));

    ASSERT_TRUE(retitle(paths[0], QStringLiteral("Theirs")));
    const QByteArray theirs = contents(paths[0]);
    writeArtist(QStringLiteral("Mine"));
    EXPECT_EQ(answers.changedQuestions, QStringList{WriteMessage::ChangedFilesQuestion(1)});
    EXPECT_EQ(contents(paths[0]), theirs);
    ASSERT_EQ(errors.rows.size(), 1u);
    EXPECT_TRUE(errors.rows[0].last().contains(WriteMessage::ChangedElsewhere()))
        << errors.rows[0].last().toStdString();
    EXPECT_EQ(table.cell(1, F::Tit), QStringLiteral("Theirs"));
    EXPECT_EQ(table.cell(1, F::Art), QStringLiteral("Second"));
    EXPECT_EQ(tagOf(paths[1]).FGetArtist(), QStringLiteral("Mine"));

    ASSERT_TRUE(retitle(paths[0], QStringLiteral("Again")));
    answers.changed = Answer::Yes;
    writeArtist(QStringLiteral("Mine"));
    EXPECT_EQ(answers.changedQuestions.size(), 2);
    EXPECT_TRUE(errors.rows.empty());
    EXPECT_EQ(tagOf(paths[0]).FGetArtist(), QStringLiteral("Mine"));
    EXPECT_EQ(tagOf(paths[0]).FGetTitle(), QStringLiteral("Theirs"));
}

// A file another program changed, added again on a second row: the first
// row's cells are still older than the file, and its change is asked about.
TEST(ChangedElsewhere, ARowOlderThanASecondRowOfItsFileIsAskedAbout)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QStringList paths = writeTracks(rootWithJournal(dir), 1);
    ASSERT_TRUE(retitle(paths[0], QStringLiteral("Mine")));
    Session session;
    showId3v2(session);
    FixedAnswers answers;
    session.setQuestions(&answers);
    session.addPaths(paths);
    session.waitForJobs();
    ASSERT_TRUE(retitle(paths[0], QStringLiteral("Theirs")));
    session.addPaths(paths);
    session.waitForJobs();
    RowTable &table = session.table();
    ASSERT_EQ(table.fileRowCount(), 2);
    EXPECT_EQ(table.cell(1, F::Tit), QStringLiteral("Mine"));
    table.setCell(1, F::Art, QStringLiteral("Old row"));
    session.write(1, 1, WriteKind::Tag2, true);
    session.waitForJobs();
    EXPECT_EQ(answers.changedQuestions, QStringList{WriteMessage::ChangedFilesQuestion(1)});
    EXPECT_EQ(tagOf(paths[0]).FGetTitle(), QStringLiteral("Theirs"));
}
