// Files written through the journal by a child process that is killed at
// random moments: after recovery every file is byte for byte either what it
// was or what the write makes of it.

#include "formats/filepictures.h"
#include "formats/id3v1.h"
#include "formats/id3v2.h"
#include "jobs/nativefile.h"
#include "jobs/picturestep.h"
#include "journal/journal.h"
#include "testfiles.h"
#include "vorbistestfiles.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>

#include <csignal>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

namespace qm::journal {
namespace {

using test::readAll;
using test::TempFolder;

// The kinds of write: an ID3v2 tag that fits the old one's room and one
// that grows past it (a 300 KB picture in both), an ID3v1 tail that grows by
// a Lyrics3 block and one that loses it; then a new title and a new front
// cover as the one change the update makes of a row whose picture waited
// for it: in the old tag's room, past it, and in a FLAC file's blocks.
const char *const kFiles[] = {"fits.mp3",         "grows.mp3",      "tail-grows.mp3",
                              "tail-shrinks.mp3", "cover-fits.mp3", "cover-grows.mp3",
                              "cover.flac"};
constexpr int kCount = int(std::size(kFiles));
constexpr int kFirstCover = 4;

// The new front cover of kFiles[which].
pictures::Picture newCover(int which)
{
    pictures::Picture picture;
    picture.mime = "image/jpeg";
    picture.data = QByteArray(which == kFirstCover ? 100000 : 400000, char('a' + which));
    return picture;
}

bool planCover(int which, const QString &path, FileChange *change)
{
    if (which == kCount - 1) {
        NativeFile flac;
        if (!flac.read(path))
            return false;
        TagFields fields = flac.result().fields;
        fields[id3v2::Title] = QStringLiteral("Новое название");
        if (!flac.planFields(fields, change))
            return false;
    } else {
        TID3v2 tag;
        if (!tag.ReadFromFile(path))
            return false;
        tag.FSetTitle(QStringLiteral("Новое название"));
        if (!tag.PlanSave(path, change))
            return false;
    }
    pictures::PictureEdit edit;
    edit.picture = newCover(which);
    QString reason;
    return AddPictureEdits(change, path, {edit}, 3, &reason);
}

bool planWrite(int which, const QString &path, FileChange *change)
{
    if (which >= kFirstCover)
        return planCover(which, path, change);
    if (which < 2) {
        TID3v2 tag;
        if (!tag.ReadFromFile(path))
            return false;
        tag.FSetTitle(QStringLiteral("Новое название"));
        if (which == 1)
            tag.FSetLyrics(QString(6000, QChar(u'л')));
        return tag.PlanSave(path, change);
    }
    TID3v1 tag;
    tag.FSetUseLyrics2(true);
    if (!tag.ReadFromFile(path))
        return false;
    tag.FSetTitle(QStringLiteral("New title"));
    tag.FSetLyrics(which == 2 ? QString(60000, QChar(u'x')) : QString());
    return tag.PlanSave(path, change);
}

// The batch a write job makes: plan, record, sync once, change, mark.
// With `cut`, the in-place writes stop after that many bytes, as a write
// the kernel cut short leaves them, and the batch ends there.
bool writeBatch(const QString &folder, const QString &journalDir, qint64 cut = -1)
{
    auto journal = JobJournal::start(QStringLiteral("write"), nullptr, journalDir);
    if (!journal)
        return false;
    QList<FileChange> changes;
    QList<quint32> ids;
    for (int i = 0; i < kCount; ++i) {
        FileChange change;
        if (!planWrite(i, QDir(folder).filePath(QString::fromLatin1(kFiles[i])), &change))
            return false;
        ids.append(journal->stage(change));
        changes.append(change);
    }
    if (!journal->sync())
        return false;
    if (cut >= 0) {
        for (const FileChange &c : std::as_const(changes)) {
            QFile file(c.fileName);
            if (c.rewrite || !file.open(QIODevice::ReadWrite)
                || (c.newSize > c.oldSize && !file.resize(c.newSize)) || !file.seek(c.offset)
                || file.write(c.newBytes.first(std::min(cut, c.newBytes.size()))) < 0)
                continue;
        }
        return false;
    }
    bool ok = true;
    for (int i = 0; i < kCount; ++i) {
        const bool made = applyChange(changes[i]);
        journal->markDone(ids[i], made, changes[i].fileName);
        ok = ok && made;
    }
    return journal->flushDone() && journal->close() && ok;
}

bool makeOriginals(const QString &folder, QString *error)
{
    const QString plain = QDir(folder).filePath(QStringLiteral("plain.mp3"));
    if (!test::makeMp3(plain, {}, error))
        return false;
    const QString script = QStringLiteral(
        "import sys, os\n"
        "from mutagen.id3 import ID3, TIT2, TPE1, APIC\n"
        "t = ID3()\n"
        "t.add(TIT2(encoding=1, text='Old title'))\n"
        "t.add(TPE1(encoding=1, text='Artist'))\n"
        "t.add(APIC(encoding=0, mime='image/jpeg', type=3, desc='', data=os.urandom(300000)))\n"
        "for path in sys.argv[1:]:\n"
        "    t.save(path, v2_version=3)\n");
    for (int i : {0, 1, kFirstCover, kFirstCover + 1}) {
        const QString path = QDir(folder).filePath(QString::fromLatin1(kFiles[i]));
        if (!QFile::copy(plain, path))
            return false;
        if (!test::runCommand(QString::fromLatin1(test::kPython),
                              {QStringLiteral("-c"), script, path})
                 .ok()) {
            *error = QStringLiteral("mutagen could not tag the file");
            return false;
        }
    }
    for (int i = 2; i < 4; ++i) {
        const QString path = QDir(folder).filePath(QString::fromLatin1(kFiles[i]));
        TID3v1 tag;
        tag.FSetUseLyrics2(true);
        tag.FSetTitle(QStringLiteral("Old"));
        tag.FSetLyrics(i == 3 ? QString(50000, QChar(u'y')) : QString());
        if (!QFile::copy(plain, path) || !tag.SaveToFile(path))
            return false;
    }
    return !test::makeTagged(test::kFormats[0],
                             QDir(folder).filePath(QString::fromLatin1(kFiles[kCount - 1])), error)
                .isEmpty();
}

TEST(JournalCrash, KilledWritesRecoverToOldOrNew)
{
    QM_REQUIRE_TOOL(QStringLiteral("lame"));
    QM_REQUIRE_MUTAGEN();
    QM_REQUIRE_TOOL(QStringLiteral("ffmpeg"));
    TempFolder temp;
    const QString originals = temp.file(QStringLiteral("originals"));
    const QString expected = temp.file(QStringLiteral("expected"));
    const QString work = temp.file(QStringLiteral("work"));
    const QString journalDir = temp.file(QStringLiteral("journal"));
    QDir().mkpath(originals);
    QString error;
    ASSERT_TRUE(makeOriginals(originals, &error)) << error.toStdString();

    const auto copyOriginals = [&](const QString &to) {
        QDir(to).removeRecursively();
        QDir().mkpath(to);
        for (const char *name : kFiles)
            ASSERT_TRUE(QFile::copy(QDir(originals).filePath(QString::fromLatin1(name)),
                                    QDir(to).filePath(QString::fromLatin1(name))));
    };
    copyOriginals(expected);
    QElapsedTimer timer;
    timer.start();
    ASSERT_TRUE(writeBatch(expected, journalDir));
    const qint64 fullRunUs = std::max<qint64>(timer.nsecsElapsed() / 1000, 1000);
    QList<QByteArray> before, after;
    for (const char *name : kFiles) {
        before.append(readAll(QDir(originals).filePath(QString::fromLatin1(name))));
        after.append(readAll(QDir(expected).filePath(QString::fromLatin1(name))));
        ASSERT_NE(before.last(), after.last()) << name;
    }
    EXPECT_GT(after[1].size(), before[1].size()) << "the grown tag is rewritten";
    EXPECT_GT(after[2].size(), before[2].size());
    EXPECT_LT(after[3].size(), before[3].size());
    for (int i = kFirstCover; i < kCount; ++i) {
        const QString path = QDir(expected).filePath(QString::fromLatin1(kFiles[i]));
        pictures::FilePictures written;
        ASSERT_TRUE(written.read(path, nullptr)) << kFiles[i];
        ASSERT_EQ(written.list().size(), 1) << kFiles[i];
        EXPECT_EQ(written.list()[0].data, newCover(i).data) << kFiles[i];
    }
    EXPECT_EQ(after[kFirstCover].size(), before[kFirstCover].size()) << "written in place";
    EXPECT_GT(after[kFirstCover + 1].size(), before[kFirstCover + 1].size());
    // Undo brings every file back, the old pictures with it.
    ASSERT_GT(undo(0, journalDir).number, 0u);
    for (int i = 0; i < kCount; ++i)
        EXPECT_EQ(readAll(QDir(expected).filePath(QString::fromLatin1(kFiles[i]))), before[i])
            << kFiles[i];

    int torn = 0, rounds = 0;
    QElapsedTimer budget;
    budget.start();
    for (; rounds < 60 && budget.elapsed() < 20000; ++rounds) {
        copyOriginals(work);
        const qint64 delayUs = QRandomGenerator::global()->bounded(fullRunUs + fullRunUs / 5);
        // Every fourth round, the writes are cut short at a random byte past
        // their first block: a cut inside it leaves no block of the new bytes
        // to tell the tear from another program's edit, and recovery leaves
        // such a file alone.
        const qint64 cut =
            rounds % 4 == 3 ? QRandomGenerator::global()->bounded(kBlockSize, 60000) : -1;
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0)
            _exit(writeBatch(work, journalDir, cut) ? 0 : 1);
        // A round that cuts its writes short ends by itself right after the
        // tear; a kill before it would only make it an ordinary kill round.
        if (cut < 0) {
            usleep(useconds_t(delayUs));
            kill(child, SIGKILL);
        }
        int status = 0;
        waitpid(child, &status, 0);

        const RecoveryReport report = recover(journalDir);
        for (const FileOutcome &out : report.files) {
            EXPECT_NE(out.verdict, Verdict::Foreign)
                << out.path.toStdString() << ": " << out.reason.toStdString();
            EXPECT_FALSE(out.failed) << out.path.toStdString();
            torn += out.restored;
        }
        for (int i = 0; i < kCount; ++i) {
            const QByteArray now = readAll(QDir(work).filePath(QString::fromLatin1(kFiles[i])));
            EXPECT_TRUE(now == before[i] || now == after[i])
                << kFiles[i] << " after a kill at " << delayUs << " us: " << now.size() << " bytes";
        }
        const QStringList left = QDir(work).entryList(QDir::Files | QDir::Hidden);
        EXPECT_EQ(left.size(), kCount) << left.join(u' ').toStdString();
        EXPECT_TRUE(recover(journalDir).files.isEmpty()) << "every job is settled once";
    }
    // How often a kill fell inside a write depends on the machine; the
    // count is shown, not required.
    std::printf("%d kills, %d torn files put back\n", rounds, torn);
    EXPECT_GT(torn, 0) << "the rounds that cut writes short leave torn files";
}

// A write on a full file system fails before any byte of the file changes,
// and says so.
TEST(JournalFullDisk, WriteThatDoesNotFitLeavesTheFile)
{
    TempFolder temp;
    const QString mountPoint = temp.file(QStringLiteral("small"));
    QDir().mkpath(mountPoint);
    if (::mount("tmpfs", QFile::encodeName(mountPoint).constData(), "tmpfs", 0, "size=512k") != 0)
        GTEST_SKIP() << "cannot mount a small tmpfs here (needs root): " << strerror(errno);
    struct Unmount {
        QByteArray path;
        ~Unmount() { ::umount2(path.constData(), MNT_DETACH); }
    } unmount{QFile::encodeName(mountPoint)};

    const QString tail = QDir(mountPoint).filePath(QStringLiteral("tail.mp3"));
    const QString head = QDir(mountPoint).filePath(QStringLiteral("head.mp3"));
    {
        TID3v1 v1;
        v1.FSetTitle(QStringLiteral("Old"));
        ASSERT_TRUE(test::writeAll(tail, QByteArray(100000, 'a')) && v1.SaveToFile(tail));
        TID3v2 v2;
        v2.FSetTitle(QStringLiteral("Old"));
        ASSERT_TRUE(test::writeAll(head, QByteArray(100000, 'b')) && v2.SaveToFile(head));
    }
    // Fill what is left.
    QFile filler(QDir(mountPoint).filePath(QStringLiteral("filler")));
    ASSERT_TRUE(filler.open(QIODevice::WriteOnly));
    const QByteArray chunk(4096, 'f');
    while (filler.write(chunk) == chunk.size() && filler.flush()) {}
    filler.close();
    const QByteArray tailBefore = readAll(tail), headBefore = readAll(head);

    TID3v1 v1;
    v1.FSetUseLyrics2(true);
    v1.FSetTitle(QStringLiteral("New"));
    v1.FSetLyrics(QString(60000, QChar(u'z')));
    EXPECT_FALSE(v1.SaveToFile(tail));
    EXPECT_EQ(int(v1.FGetSaveFailure()), int(WriteFailure::DiskFull));
    EXPECT_EQ(readAll(tail), tailBefore);

    TID3v2 v2;
    v2.FSetTitle(QStringLiteral("New"));
    v2.FSetLyrics(QString(60000, QChar(u'z')));
    EXPECT_FALSE(v2.SaveToFile(head));
    EXPECT_EQ(int(v2.FGetSaveFailure()), int(WriteFailure::DiskFull));
    EXPECT_EQ(readAll(head), headBefore);
    EXPECT_EQ(QDir(mountPoint).entryList(QDir::Files | QDir::Hidden).size(), 3);
}

} // namespace
} // namespace qm::journal
