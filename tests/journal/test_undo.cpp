#include "formats/id3v1.h"
#include "formats/id3v2.h"
#include "journal/journal.h"
#include "testfiles.h"

#include <QDir>
#include <QFile>

namespace qm::journal {
namespace {

using test::readAll;

// Undo puts back the tags and names of the last job while each file is still
// as the job left it; a file changed since is listed and left alone.
TEST(JournalUndo, PutsBackOnlyFilesTheJobLeft)
{
    test::TempFolder temp;
    const QString journalDir = temp.file(QStringLiteral("journal"));
    const QString kept = temp.file(QStringLiteral("kept.mp3"));
    const QString edited = temp.file(QStringLiteral("edited.mp3"));
    const QString renamed = temp.file(QStringLiteral("renamed.mp3"));
    for (const QString &path : {kept, edited}) {
        TID3v2 tag;
        tag.FSetTitle(QStringLiteral("Old"));
        ASSERT_TRUE(test::writeAll(path, QByteArray(20000, 'a')) && tag.SaveToFile(path));
    }
    const QByteArray keptBefore = readAll(kept);
    {
        auto journal = JobJournal::start(QStringLiteral("write"), nullptr, journalDir);
        ASSERT_TRUE(journal);
        JournalRecorder recorder(*journal);
        for (const QString &path : {kept, edited}) {
            TID3v2 v2;
            v2.FSetTitle(QStringLiteral("New"));
            ASSERT_TRUE(v2.SaveToFile(path, &recorder));
            TID3v1 v1;
            v1.FSetTitle(QStringLiteral("New"));
            ASSERT_TRUE(v1.SaveToFile(path, &recorder));
        }
        const quint32 id = journal->stageRename(kept, renamed);
        ASSERT_TRUE(journal->sync() && QFile::rename(kept, renamed));
        journal->markDone(id, true, renamed);
        ASSERT_TRUE(journal->close());
    }
    QFile other(edited);
    ASSERT_TRUE(other.open(QIODevice::Append) && other.write("more") == 4);
    other.close();
    const QByteArray editedNow = readAll(edited);

    const QList<JobSummary> jobs = history(journalDir);
    ASSERT_EQ(jobs.size(), 1);
    EXPECT_EQ(jobs[0].files, 5);
    const UndoReport report = undo(0, journalDir);
    EXPECT_EQ(report.number, jobs[0].number);
    EXPECT_EQ(readAll(kept), keptBefore);
    EXPECT_FALSE(QFile::exists(renamed));
    EXPECT_EQ(readAll(edited), editedNow);
    int left = 0;
    for (const FileOutcome &out : report.files)
        left += out.path == edited && out.verdict == Verdict::Foreign && !out.restored;
    EXPECT_EQ(left, 2) << "both changes of the edited file are listed";
    EXPECT_EQ(undo(0, journalDir).number, 0u) << "nothing left to undo";
    EXPECT_TRUE(history(journalDir)[1].undone);
}

// Why a journal folder cannot be used is said in the program's language,
// whatever the C locale's system texts are.
TEST(JournalFolder, WhyItCannotBeUsedIsThePrograms)
{
    test::TempFolder temp;
    const QString blocker = temp.file(QStringLiteral("data"));
    ASSERT_TRUE(test::writeAll(blocker, "a file, not a folder"));
    const struct {
        QString folder;
        QString cause;
    } cases[] = {
        {blocker + QStringLiteral("/journal"), QStringLiteral("часть пути не является папкой")},
        {blocker, QStringLiteral("на месте папки уже есть файл")},
    };
    for (const auto &c : cases) {
        QString why;
        EXPECT_FALSE(JobJournal::canStart(&why, c.folder));
        EXPECT_TRUE(why.endsWith(QStringLiteral(": ") + c.cause)) << why.toStdString();
        EXPECT_FALSE(JobJournal::start(QStringLiteral("write"), &why, c.folder));
        EXPECT_TRUE(why.endsWith(QStringLiteral(": ") + c.cause)) << why.toStdString();
    }
}

} // namespace
} // namespace qm::journal
