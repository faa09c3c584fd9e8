// A code page chosen for some rows: their old 8-bit tags read in it, as one
// undoable step, and written back in it byte for byte.
#include "session/session.h"
#include "testfiles.h"

#include <QByteArray>
#include <QFile>

#include <gtest/gtest.h>

using namespace qm;
using namespace qm::test;
using F = FieldNumber;

TEST(CodepageSession, RowsReadAndWriteTheirOldTagsInTheChosenCodePage)
{
    QM_REQUIRE_MUTAGEN();
    const QString title = QStringLiteral(u"Привет мир");
    for (const EightBitCase &c : kEightBitCases) {
        for (const TagView view : {TagView::Id3v1, TagView::Id3v2}) {
            SCOPED_TRACE(std::string(c.codepage) + (view == TagView::Id3v1 ? " ID3v1" : " ID3v2"));
            TempFolder folder;
            qputenv("QUILLMARK_DATA_DIR", QFile::encodeName(folder.file("data")));
            const QString path = folder.file("old.mp3");
            ASSERT_TRUE(writeAll(path, QByteArray(6000, '\0')));
            ASSERT_TRUE(tagWithEightBitTitle(path, c.title));
            Session session;
            SessionState state;
            state.tagView = view;
            session.setState(state);
            session.setUndoEnabled(true);
            session.addPaths({path});
            session.waitForJobs();
            RowTable &table = session.table();
            ASSERT_EQ(table.fileRowCount(), 1);
            const QString before = table.cell(1, F::Tit);
            EXPECT_FALSE(session.chooseCodepage(1, 1, QStringLiteral("UTF-8")));

            ASSERT_TRUE(session.chooseCodepage(1, 1, QString::fromLatin1(c.codepage)));
            session.waitForJobs();
            EXPECT_EQ(table.cell(1, F::Tit), title);
            EXPECT_EQ(session.rowCodepage(1), QString::fromLatin1(c.codepage));
            // Undo takes the choice back with the cells: the old cells are
            // never written in the new code page.
            session.undo();
            EXPECT_EQ(table.cell(1, F::Tit), before);
            EXPECT_EQ(session.rowCodepage(1), QString());
            session.redo();
            EXPECT_EQ(session.rowCodepage(1), QString::fromLatin1(c.codepage));

            // A later read keeps the choice; a write keeps the bytes.
            table.setCell(1, F::Art, QStringLiteral(u"Другой"));
            session.write(1, 1, view == TagView::Id3v1 ? WriteKind::Tag1 : WriteKind::Tag2, true);
            session.waitForJobs();
            session.startUpdateJob(1, 1, view == TagView::Id3v1 ? ReadKind::Tag1 : ReadKind::Tag2);
            session.waitForJobs();
            EXPECT_EQ(table.cell(1, F::Tit), title);
            EXPECT_EQ(table.cell(1, F::Art), QStringLiteral(u"Другой"));
            if (view == TagView::Id3v1) {
                const QByteArray tag = readAll(path).right(128);
                EXPECT_EQ(tag.mid(3, c.title.size()), c.title);
                EXPECT_EQ(tag.mid(33, c.artist.size()), c.artist);
            }
        }
    }
}

TEST(CodepageSession, TheChoiceFollowsItsFileRenamedByAnUpdate)
{
    QM_REQUIRE_MUTAGEN();
    const EightBitCase &koi8 = kEightBitCases[0];
    TempFolder folder;
    qputenv("QUILLMARK_DATA_DIR", QFile::encodeName(folder.file("data")));
    const QString path = folder.file("old.mp3");
    ASSERT_TRUE(writeAll(path, QByteArray(6000, '\0')));
    ASSERT_TRUE(tagWithEightBitTitle(path, koi8.title));
    Session session;
    SessionState state;
    state.tagView = TagView::Id3v1;
    session.setState(state);
    session.addPaths({path});
    session.waitForJobs();
    ASSERT_TRUE(session.chooseCodepage(1, 1, QString::fromLatin1(koi8.codepage)));
    session.waitForJobs();
    session.table().setCell(1, F::New, QStringLiteral("renamed"));
    session.write(1, 1, WriteKind::Apply, true);
    session.waitForJobs();
    ASSERT_EQ(session.table().cell(1, F::Old), QStringLiteral("renamed"));
    EXPECT_EQ(session.rowCodepage(1), QString::fromLatin1(koi8.codepage));
    session.startUpdateJob(1, 1, ReadKind::Tag1);
    session.waitForJobs();
    EXPECT_EQ(session.table().cell(1, F::Tit), QStringLiteral(u"Привет мир"));
}
