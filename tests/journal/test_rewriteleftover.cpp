#include "formats/fileio.h"
#include "journal/journal.h"
#include "testfiles.h"

#include <QDir>

#include <fcntl.h>
#include <stdio.h>

namespace qm::journal {
namespace {

using test::readAll;

// A rewrite gives the file its new copy by exchanging the two names, then
// unlinks the old file under the temporary name. Killed between the two, the
// old file (the job's recorded original, so its stamp is one the job knows)
// used to stay in the folder for good.
TEST(JournalRecovery, RemovesTheOldFileARewriteExchangedOut)
{
    test::TempFolder temp;
    const QString journalDir = temp.file(QStringLiteral("journal"));
    const QString song = temp.file(QStringLiteral("song.mp3"));
    const QString exchanged = temp.file(QStringLiteral(".quillmark-Ab12Cd"));
    const QByteArray audio(30000, 'a');
    ASSERT_TRUE(test::writeAll(song, "OLDTAG" + audio));
    FileChange change;
    change.fileName = song;
    change.oldBytes = "OLDTAG";
    change.newBytes = "NEW-LONGER-TAG";
    change.oldSize = 6 + audio.size();
    change.newSize = change.newBytes.size() + audio.size();
    change.rewrite = true;
    ASSERT_TRUE(stampOf(song, &change.planned));
    {
        auto journal = JobJournal::start(QStringLiteral("write"), nullptr, journalDir);
        ASSERT_TRUE(journal);
        ASSERT_NE(journal->stage(change), 0u);
        ASSERT_TRUE(journal->sync());
        ASSERT_TRUE(test::writeAll(exchanged, change.newBytes + audio));
        ASSERT_EQ(::renameat2(AT_FDCWD, QFile::encodeName(exchanged).constData(), AT_FDCWD,
                              QFile::encodeName(song).constData(), RENAME_EXCHANGE),
                  0);
        // The process dies here: the journal is never closed.
    }
    const RecoveryReport report = recover(journalDir);
    EXPECT_EQ(readAll(song), change.newBytes + audio);
    EXPECT_FALSE(QFile::exists(exchanged));
    EXPECT_EQ(report.removedTemporary, QStringList{exchanged});
}

} // namespace
} // namespace qm::journal
