#include "jobs/fileops.h"

#include "formats/pathcodec.h"
#include "jobs/picturejob.h"

#include "testfiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace qm;

namespace {

class FileOps : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }

    QString make(const QString &name, const QByteArray &bytes)
    {
        QString path = dir_.file(name);
        EXPECT_TRUE(test::writeAll(path, bytes));
        return path;
    }
    // Everything in the folder, hidden files (temporary copies) included.
    QStringList entries(const QString &folder = {}) const
    {
        return QDir(folder.isEmpty() ? dir_.path() : folder)
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    }
    static mode_t modeOf(const QString &path)
    {
        struct stat info {};
        stat(QFile::encodeName(path).constData(), &info);
        return info.st_mode & 07777;
    }

    test::TempFolder dir_;
};

} // namespace

TEST_F(FileOps, TwoNamesOfOneFileAreTheSameFileAndAreNotMergedByARename)
{
    const QString a = make(u"a.mp3"_qs, "data");
    const QString b = dir_.file(u"b.mp3"_qs);
    ASSERT_EQ(link(QFile::encodeName(a).constData(), QFile::encodeName(b).constData()), 0);
    EXPECT_TRUE(SameFile(a, b));
    EXPECT_FALSE(SameFile(a, make(u"c.mp3"_qs, "data")));
    EXPECT_FALSE(SameFile(a, dir_.file(u"missing.mp3"_qs)));

    // rename(2) would report success and do nothing here.
    EXPECT_FALSE(RenameFile(a, b, false));
    EXPECT_TRUE(QFile::exists(a));
    EXPECT_TRUE(QFile::exists(b));
    EXPECT_EQ(entries().size(), 3);
}

TEST_F(FileOps, CopyKeepsDataPermissionsAndTimeAndNeverOverwritesUnasked)
{
    const QByteArray data(300000, 'x');
    const QString a = make(u"a.mp3"_qs, data);
    ASSERT_TRUE(QFile::setPermissions(a, QFile::ReadOwner | QFile::ReadGroup));
    const QDateTime modified = QFileInfo(a).lastModified().addSecs(-3600);
    {
        QFile file(a);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        ASSERT_TRUE(file.setFileTime(modified, QFileDevice::FileModificationTime));
    }

    const QString b = dir_.file(u"b.mp3"_qs);
    EXPECT_TRUE(CopyFileTo(a, b, false));
    EXPECT_EQ(test::readAll(b), data);
    EXPECT_EQ(modeOf(b), modeOf(a));
    EXPECT_EQ(QFileInfo(b).lastModified(), modified);

    const QString c = make(u"c.mp3"_qs, "keep");
    EXPECT_FALSE(CopyFileTo(a, c, false));
    EXPECT_EQ(test::readAll(c), QByteArray("keep"));
    EXPECT_FALSE(CopyFileTo(a, a, false)); // onto itself
    EXPECT_EQ(test::readAll(a), data);

    EXPECT_TRUE(CopyFileTo(a, c, true));
    EXPECT_EQ(test::readAll(c), data);
    EXPECT_EQ(entries(), (QStringList{u"a.mp3"_qs, u"b.mp3"_qs, u"c.mp3"_qs}));
}

TEST_F(FileOps, FailedCopiesLeaveNothingBehind)
{
    ASSERT_TRUE(QDir(dir_.path()).mkdir(u"folder"_qs));
    ASSERT_TRUE(QDir(dir_.path()).mkdir(u"target"_qs));
    const QString target = dir_.file(u"target"_qs);
    EXPECT_FALSE(CopyFileTo(dir_.file(u"folder"_qs), target + u"/x"_qs, false));
    EXPECT_FALSE(CopyFileTo(dir_.file(u"missing"_qs), target + u"/x"_qs, false));
    EXPECT_FALSE(CopyFileTo(make(u"a"_qs, "a"), dir_.file(u"nofolder/x"_qs), false));
    EXPECT_TRUE(entries(target).isEmpty());
}

TEST_F(FileOps, AParkedFileCarriesItsNameAndIsLeftAloneByItsOwnProcess)
{
    const QString song = make(u"song.mp3"_qs, "data");
    const QString parked = ParkFile(song);
    EXPECT_TRUE(QRegularExpression(u"^\\.quillmark-[A-Za-z0-9]{6}-song\\.mp3$"_qs)
                    .match(QFileInfo(parked).fileName())
                    .hasMatch())
        << parked.toStdString();
    EXPECT_EQ(test::readAll(parked), QByteArray("data"));
    EXPECT_EQ(entries().size(), 1);
    // Still this process's work: not taken for a leftover.
    make(u".quillmark-Ab12Cd"_qs, "copy in progress");
    CleanTemporaries(dir_.path());
    EXPECT_EQ(entries().size(), 2);
    EXPECT_TRUE(ParkFile(dir_.file(u"missing.mp3"_qs)).isEmpty());
}

// The window's picture extract: a name that is not UTF-8 gets the picture by
// its own bytes, not another name beside it.
TEST_F(FileOps, APictureFileGoesToTheNameOfItsOwnBytes)
{
    const QString raw = dir_.file(decodeFileName("\xe4.png"));
    QString reason;
    ASSERT_TRUE(WritePictureFile(make(u"a.flac"_qs, "music"), raw, "picture", &reason))
        << reason.toStdString();
    QFile written;
    ASSERT_TRUE(written.open(::open(encodeFileName(raw).constData(), O_RDONLY), QIODevice::ReadOnly,
                             QFileDevice::AutoCloseHandle));
    EXPECT_EQ(written.readAll(), "picture");
}
