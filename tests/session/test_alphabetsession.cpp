#include "session/session.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace qm;
using F = FieldNumber;

// Replace and restore run as edit jobs over the file cells of the
// selection, counting every cell, and a restore announces its end. Each
// job, and each choice of the variants window, is one undoable step.
TEST(AlphabetSession, ReplaceAndRestoreAsEditJobs)
{
    QTemporaryDir dir;
    Session session;
    session.setUndoEnabled(true);
    session.openAlphabets(dir.filePath(QStringLiteral("Runeswap.ini")), true);
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("Runeswap.ini"))));
    RowTable &table = session.table();
    table.appendRows(2);
    table.setCell(1, F::New, QStringLiteral(u"Щука"));
    table.setCell(2, F::New, QStringLiteral(u"Жизнь"));
    table.setCell(1, F::Tit, QStringLiteral(u"Ёж 7"));
    const int newColumn = table.layout().position(F::New);
    // Reaching the blank last row: it stays out.
    const CellRect selection{newColumn, 1, newColumn, table.rowCount() - 1};
    int restored = 0;
    QObject::connect(&session, &Session::alphabetRestored, [&restored] { ++restored; });

    session.replaceByAlphabet(selection);
    session.waitForJobs();
    EXPECT_EQ(table.cell(1, F::New), QStringLiteral("SH'uka"));
    EXPECT_EQ(table.cell(2, F::New), QStringLiteral("Jizn'"));
    EXPECT_EQ(table.cell(1, F::Tit), QStringLiteral(u"Ёж 7"));
    EXPECT_EQ(session.runner().status(), QStringLiteral(u"Изменено строк: 2/2"));
    EXPECT_EQ(session.runner().progress(), 100);
    EXPECT_EQ(restored, 0);
    session.undo();
    EXPECT_EQ(table.cell(1, F::New), QStringLiteral(u"Щука"));
    EXPECT_EQ(table.cell(2, F::New), QStringLiteral(u"Жизнь"));
    EXPECT_FALSE(session.canUndo());
    session.redo();
    EXPECT_EQ(table.cell(1, F::New), QStringLiteral("SH'uka"));

    session.restoreByAlphabet(selection);
    session.waitForJobs();
    EXPECT_EQ(table.cell(1, F::New), QStringLiteral(u"Щука"));
    EXPECT_EQ(table.cell(2, F::New), QStringLiteral(u"Жизнь"));
    EXPECT_EQ(restored, 1);
    EXPECT_TRUE(session.runner().controlsEnabled());

    VariantWalk walk(session.alphabets().pairs());
    walk.restart(selection);
    ASSERT_TRUE(walk.next(table, selection)); // the и of Жизнь
    ASSERT_TRUE(session.applyVariant(walk, QStringLiteral(u"ы")));
    EXPECT_EQ(table.cell(2, F::New), QStringLiteral(u"Жызнь"));
    session.undo();
    EXPECT_EQ(table.cell(2, F::New), QStringLiteral(u"Жизнь"));
    session.undo();
    EXPECT_EQ(table.cell(1, F::New), QStringLiteral("SH'uka"));
}

// The editor's flows through the session: a second alphabet saved and
// switched to is there after a restart; an unwritable file is reported once.
TEST(AlphabetSession, SecondAlphabetSurvivesARestartAndFailuresAreReportedOnce)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Runeswap.ini"));
    const AlphabetPairs mine{{QStringLiteral("x"), QStringLiteral("ks")}};
    {
        Session session;
        session.openAlphabets(path, true);
        session.saveAlphabetAs(QStringLiteral("Mine"), mine);
        session.selectAlphabet(session.alphabets().indexOf(QStringLiteral(u"Транслит")), mine);
        session.selectAlphabet(session.alphabets().indexOf(QStringLiteral("Mine")),
                               session.alphabets().pairs());
    }
    Session again;
    again.openAlphabets(path, true);
    EXPECT_EQ(again.alphabets().currentName(), QStringLiteral("Mine"));
    EXPECT_EQ(again.alphabets().pairs(), mine);

    // A second window's alphabet shows in this one's lists once it saves.
    Session second;
    second.openAlphabets(path, true);
    second.saveAlphabetAs(QStringLiteral("Other"), mine);
    int changes = 0;
    QObject::connect(&again, &Session::alphabetsChanged, [&changes] { ++changes; });
    again.saveAlphabet(mine);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(again.alphabets().names(),
              (QStringList{QStringLiteral("Mine"), QStringLiteral("Other"),
                           QStringLiteral(u"Транслит")}));

    Session blocked;
    int reports = 0;
    QObject::connect(&blocked.runner(), &JobRunner::statusChanged, [&reports](const QString &text) {
        reports += text.startsWith(QStringLiteral(u"Не удалось записать файл алфавитов"));
    });
    blocked.openAlphabets(dir.path(), true); // a folder: cannot be written
    blocked.saveAlphabet(mine);
    EXPECT_EQ(reports, 1);
    EXPECT_EQ(blocked.alphabets().pairs(), mine);
}

// A file that is there but cannot be read is not made anew over it.
TEST(AlphabetSession, UnreadableFileIsNotReplaced)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Runeswap.ini"));
    ASSERT_EQ(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    Session session;
    session.openAlphabets(path, true);
    EXPECT_FALSE(QFileInfo(path).isFile());
}
