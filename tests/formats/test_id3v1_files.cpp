#include "formats/id3v1.h"
#include "testfiles.h"

#include <QFile>
#include <QRandomGenerator>

using namespace qm::test;
using qm::TID3v1;

namespace {

class ID3v1Files : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        TempFolder folder;
        const QString path = folder.file(QStringLiteral("tone.mp3"));
        if (haveTool(QStringLiteral("lame")) && haveTool(QStringLiteral("ffmpeg")) && makeMp3(path))
            audio_ = readAll(path);
    }
    void SetUp() override
    {
        if (audio_.isEmpty())
            QM_MISSING_TOOL("needs lame and ffmpeg to make an MP3");
        path_ = dir_.file(QStringLiteral("song.mp3"));
        ASSERT_TRUE(writeAll(path_, audio_));
    }
    static inline QByteArray audio_;
    TempFolder dir_;
    QString path_;
};

} // namespace

TEST_F(ID3v1Files, WrittenTagsReadBackHereAndInMutagenWithTheAudioUntouched)
{
    TID3v1 tag;
    tag.FSetTitle(QStringLiteral("A title that runs past the thirty characters"));
    tag.FSetArtist(QStringLiteral("Artist"));
    tag.FSetAlbum(QStringLiteral("Album"));
    tag.FSetYear(QStringLiteral("1999"));
    tag.FSetComment(QStringLiteral("Comment"));
    tag.FSetTrack(5);
    tag.FSetGenre(QStringLiteral("Hard Rock"));
    tag.FSetLyrics(QStringLiteral("first\r\nsecond"));
    ASSERT_TRUE(tag.SaveToFile(path_));
    QByteArray bytes = readAll(path_);
    EXPECT_TRUE(bytes.startsWith(audio_));
    EXPECT_EQ(bytes.size(), audio_.size() + tag.FGetTagSize());

    TID3v1 back;
    ASSERT_TRUE(back.ReadFromFile(path_));
    EXPECT_EQ(back.FGetExtTitle(), tag.FGetExtTitle());
    EXPECT_EQ(back.FGetYear(), QStringLiteral("1999"));
    EXPECT_EQ(back.FGetTrack(), 5);
    EXPECT_EQ(back.FGetLyrics(), tag.FGetLyrics());
    if (haveMutagen()) {
        const QJsonObject m = mutagenRead(path_);
        EXPECT_EQ(m.value(QStringLiteral("version")).toString(), QStringLiteral("1.1"));
        const std::pair<const char *, QString> expected[] = {
            {"TIT2", back.FGetTitle()},           {"TPE1", QStringLiteral("Artist")},
            {"TALB", QStringLiteral("Album")},    {"TDRC", QStringLiteral("1999")},
            {"COMM", QStringLiteral("Comment")},  {"TRCK", QStringLiteral("5")},
            {"TCON", QStringLiteral("Hard Rock")}};
        for (const auto &[id, text] : expected)
            EXPECT_EQ(mutagenText(m, QString::fromLatin1(id)), text) << id;
    }

    // Without Lyrics3 support only the record is replaced; the block stays.
    TID3v1 plain;
    plain.FSetUseLyrics2(false);
    plain.FSetArtist(QStringLiteral("Other"));
    ASSERT_TRUE(plain.SaveToFile(path_));
    const QByteArray after = readAll(path_);
    EXPECT_EQ(after.left(after.size() - 128), bytes.left(bytes.size() - 128));
    ASSERT_TRUE(back.ReadFromFile(path_));
    EXPECT_EQ(back.FGetArtist(), QStringLiteral("Other"));
    EXPECT_EQ(back.FGetLyrics(), tag.FGetLyrics());

    // A tag that cannot be stated is refused with the file as it was.
    back.FSetLyrics(QString(TID3v1::kMaxLyrics2Field + 1, QLatin1Char('x')));
    EXPECT_FALSE(back.SaveToFile(path_));
    EXPECT_EQ(readAll(path_), after);

    // A smaller tag replaces the old ones instead of piling up behind them.
    TID3v1 small;
    small.FSetTitle(QStringLiteral("T"));
    ASSERT_TRUE(small.SaveToFile(path_));
    EXPECT_EQ(readAll(path_).size(), audio_.size() + 128);
    ASSERT_TRUE(TID3v1().RemoveFromFile(path_));
    EXPECT_EQ(readAll(path_), audio_);
}

TEST_F(ID3v1Files, ReadsRecordsWrittenByOtherTools)
{
    const std::pair<const char *, QStringList> tools[] = {
        {"id3v2",
         {"-1", "-t", "Tool title", "-a", "Tool artist", "-A", "Tool album", "-y", "2001", "-c",
          "Tool comment", "-T", "9", "-g", "17"}},
        {"eyeD3",
         {"--quiet", "-1", "-t", "Tool title", "-a", "Tool artist", "-A", "Tool album", "-Y",
          "2001", "-c", "Tool comment", "-n", "9", "-G", "Rock"}},
    };
    QM_REQUIRE_TOOL(QStringLiteral("id3v2"));
    QM_REQUIRE_TOOL(QStringLiteral("eyeD3"));
    for (const auto &[program, args] : tools) {
        SCOPED_TRACE(program);
        ASSERT_TRUE(writeAll(path_, audio_));
        const CommandResult r = runCommand(QString::fromLatin1(program), args + QStringList{path_});
        ASSERT_TRUE(r.ok()) << r.err.constData();
        TID3v1 tag;
        ASSERT_TRUE(tag.ReadFromFile(path_));
        EXPECT_EQ(tag.FGetTitle(), QStringLiteral("Tool title"));
        EXPECT_EQ(tag.FGetArtist(), QStringLiteral("Tool artist"));
        EXPECT_EQ(tag.FGetAlbum(), QStringLiteral("Tool album"));
        EXPECT_EQ(tag.FGetYear(), QStringLiteral("2001"));
        EXPECT_EQ(tag.FGetComment(), QStringLiteral("Tool comment"));
        EXPECT_EQ(tag.FGetTrack(), 9);
        EXPECT_EQ(tag.FGetGenre(), QStringLiteral("Rock"));
        EXPECT_EQ(tag.FGetTagSize(), 128);
    }
}

TEST(ID3v1HostileFiles, ReadWithoutCrashAndNeverCutShortFiles)
{
    TempFolder dir;
    QByteArray random(10000, '\0');
    QRandomGenerator gen(42);
    for (char &c : random)
        c = char(gen.bounded(256));
    const QByteArray contents[] = {
        QByteArray(),
        QByteArray("TAG"),
        QByteArray("TAG") + QByteArray(124, 'x'), // one byte short of a record
        QByteArray("LYRICSBEGIN000012LYRICS200"), // block would start before the file
        QByteArray(130, 'a') + "000020LYRICS200" + "TAG" + QByteArray(125, 'y'),
        random,
    };
    int n = 0;
    for (const QByteArray &content : contents) {
        SCOPED_TRACE(n);
        const QString path = dir.file(QStringLiteral("f%1.mp3").arg(n++));
        ASSERT_TRUE(writeAll(path, content));
        TID3v1 tag;
        EXPECT_TRUE(tag.ReadFromFile(path));
        EXPECT_FALSE(tag.FGetLyrics2Present());
        const int found = tag.FGetTagSize();
        EXPECT_EQ(found, content.size() >= 128 && content.right(128).startsWith("TAG") ? 128 : 0);
        EXPECT_TRUE(tag.RemoveFromFile(path));
        EXPECT_EQ(readAll(path), content.left(content.size() - found));
    }
    TID3v1 tag;
    const QString missing = dir.file(QStringLiteral("missing.mp3"));
    EXPECT_FALSE(tag.ReadFromFile(missing));
    EXPECT_FALSE(tag.RemoveFromFile(missing));
    tag.FSetTitle(QStringLiteral("x"));
    EXPECT_FALSE(tag.SaveToFile(missing));
    EXPECT_FALSE(QFile::exists(missing));
}

TEST(ID3v1Permissions, RemovingNothingLeavesAttributesAndWritingMakesWritable)
{
    TempFolder dir;
    const QString path = dir.file(QStringLiteral("ro.mp3"));
    ASSERT_TRUE(writeAll(path, QByteArray(500, 'a')));
    ASSERT_TRUE(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup));
    const auto before = QFile::permissions(path);
    TID3v1 tag;
    EXPECT_TRUE(tag.RemoveFromFile(path));
    EXPECT_EQ(QFile::permissions(path), before);

    tag.FSetTitle(QStringLiteral("x"));
    ASSERT_TRUE(tag.SaveToFile(path));
    EXPECT_EQ(QFile::permissions(path), before | QFile::WriteOwner | QFile::WriteUser);
    EXPECT_EQ(readAll(path).size(), 628);
}

TEST(ID3v1LargeFiles, TagsPastFourGigabytesAreFoundWrittenAndCut)
{
    TempFolder dir;
    const QString path = dir.file(QStringLiteral("large.mp3"));
    const qint64 size = (qint64(1) << 32) + 1000; // sparse: costs no disk space
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        if (!file.resize(size))
            GTEST_SKIP() << "the file system cannot hold a sparse 4 GiB file";
    }
    TID3v1 tag;
    tag.FSetTitle(QStringLiteral("Far away"));
    tag.FSetLyrics(QStringLiteral("words"));
    ASSERT_TRUE(tag.SaveToFile(path));
    TID3v1 back;
    ASSERT_TRUE(back.ReadFromFile(path));
    EXPECT_EQ(back.FGetTitle(), QStringLiteral("Far away"));
    EXPECT_EQ(back.FGetLyrics(), QStringLiteral("words"));
    EXPECT_EQ(QFile(path).size(), size + back.FGetTagSize());
    ASSERT_TRUE(back.RemoveFromFile(path));
    EXPECT_EQ(QFile(path).size(), size);
}
