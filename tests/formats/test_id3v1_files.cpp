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
        if (!haveTool(QStringLiteral("lame")) || !haveTool(QStringLiteral("ffmpeg")))
            return;
        folder_ = new TempFolder;
        const QString path = folder_->file(QStringLiteral("tone.mp3"));
        if (makeMp3(path))
            audio_ = readAll(path);
    }
    static void TearDownTestSuite()
    {
        delete folder_;
        folder_ = nullptr;
    }
    void SetUp() override
    {
        if (audio_.isEmpty())
            GTEST_SKIP() << "needs lame and ffmpeg to make an MP3";
        path_ = dir_.file(QStringLiteral("song.mp3"));
        ASSERT_TRUE(writeAll(path_, audio_));
    }

    static inline TempFolder *folder_ = nullptr;
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
    tag.Lyrics = QStringLiteral("first\r\nsecond");
    ASSERT_TRUE(tag.SaveToFile(path_));
    EXPECT_TRUE(tag.TagPresent);
    EXPECT_TRUE(tag.Lyrics2Present);

    QByteArray bytes = readAll(path_);
    EXPECT_TRUE(bytes.startsWith(audio_));
    EXPECT_EQ(bytes.size(), audio_.size() + tag.FGetTagSize());

    TID3v1 back;
    ASSERT_TRUE(back.ReadFromFile(path_));
    EXPECT_EQ(back.Version, 2);
    EXPECT_EQ(back.Title, QStringLiteral("A title that runs past the thi"));
    EXPECT_EQ(back.ExtTitle, tag.ExtTitle);
    EXPECT_EQ(back.Artist, QStringLiteral("Artist"));
    EXPECT_EQ(back.Year, QStringLiteral("1999"));
    EXPECT_EQ(back.Track, 5);
    EXPECT_EQ(back.FGetGenre(), QStringLiteral("Hard Rock"));
    EXPECT_EQ(back.Lyrics, tag.Lyrics);

    if (haveMutagen()) {
        const QJsonObject m = mutagenRead(path_);
        ASSERT_FALSE(m.contains(QStringLiteral("error"))) << m.value("error").toString().toStdString();
        EXPECT_EQ(m.value(QStringLiteral("version")).toString(), QStringLiteral("1.1"));
        EXPECT_EQ(mutagenText(m, QStringLiteral("TIT2")), back.Title);
        EXPECT_EQ(mutagenText(m, QStringLiteral("TPE1")), QStringLiteral("Artist"));
        EXPECT_EQ(mutagenText(m, QStringLiteral("TALB")), QStringLiteral("Album"));
        EXPECT_EQ(mutagenText(m, QStringLiteral("TDRC")), QStringLiteral("1999"));
        EXPECT_EQ(mutagenText(m, QStringLiteral("COMM")), QStringLiteral("Comment"));
        EXPECT_EQ(mutagenText(m, QStringLiteral("TRCK")), QStringLiteral("5"));
        EXPECT_EQ(mutagenText(m, QStringLiteral("TCON")), QStringLiteral("Hard Rock"));
    }

    // A smaller tag replaces the old one instead of piling up behind it.
    TID3v1 second;
    second.FSetTitle(QStringLiteral("T"));
    ASSERT_TRUE(second.SaveToFile(path_));
    EXPECT_FALSE(second.Lyrics2Present);
    bytes = readAll(path_);
    EXPECT_EQ(bytes.size(), audio_.size() + 128);
    EXPECT_TRUE(bytes.startsWith(audio_));

    TID3v1 remover;
    ASSERT_TRUE(remover.RemoveFromFile(path_));
    EXPECT_EQ(readAll(path_), audio_);
}

TEST_F(ID3v1Files, ReadsRecordsWrittenByOtherTools)
{
    struct Tool {
        const char *program;
        QStringList args;
    };
    const Tool tools[] = {
        {"id3v2", {"-1", "-t", "Tool title", "-a", "Tool artist", "-A", "Tool album", "-y", "2001",
                   "-c", "Tool comment", "-T", "9", "-g", "17"}},
        {"eyeD3", {"--quiet", "-1", "-t", "Tool title", "-a", "Tool artist", "-A", "Tool album",
                   "-Y", "2001", "-c", "Tool comment", "-n", "9", "-G", "Rock"}},
    };
    for (const Tool &tool : tools) {
        SCOPED_TRACE(tool.program);
        if (!haveTool(QString::fromLatin1(tool.program)))
            continue;
        ASSERT_TRUE(writeAll(path_, audio_));
        const CommandResult r = runCommand(QString::fromLatin1(tool.program), tool.args + QStringList{path_});
        ASSERT_TRUE(r.ok()) << r.err.constData();
        TID3v1 tag;
        ASSERT_TRUE(tag.ReadFromFile(path_));
        EXPECT_TRUE(tag.TagPresent);
        EXPECT_EQ(tag.Title, QStringLiteral("Tool title"));
        EXPECT_EQ(tag.Artist, QStringLiteral("Tool artist"));
        EXPECT_EQ(tag.Album, QStringLiteral("Tool album"));
        EXPECT_EQ(tag.Year, QStringLiteral("2001"));
        EXPECT_EQ(tag.Comment, QStringLiteral("Tool comment"));
        EXPECT_EQ(tag.Track, 9);
        EXPECT_EQ(tag.FGetGenre(), QStringLiteral("Rock"));
        EXPECT_EQ(tag.FGetTagSize(), 128);
    }
}

TEST_F(ID3v1Files, LyricsBlockSitsBetweenAudioAndRecordWhereOtherReadersExpectIt)
{
    TID3v1 tag;
    tag.FSetArtist(QStringLiteral("Artist"));
    tag.LyricsAuthor = QStringLiteral("Writer");
    tag.Lyrics = QStringLiteral("la la");
    ASSERT_TRUE(tag.SaveToFile(path_));
    if (haveMutagen()) {
        EXPECT_EQ(mutagenText(mutagenRead(path_), QStringLiteral("TPE1")), QStringLiteral("Artist"));
    }
    if (haveTool(QStringLiteral("ffprobe"))) {
        const QJsonObject probe = ffprobe(path_);
        EXPECT_FALSE(probe.isEmpty());
    }

    // Without Lyrics3 support only the record is replaced; the block stays.
    const QByteArray withLyrics = readAll(path_);
    TID3v1 plain;
    plain.UseLyrics2 = false;
    plain.FSetArtist(QStringLiteral("Other"));
    ASSERT_TRUE(plain.SaveToFile(path_));
    const QByteArray after = readAll(path_);
    EXPECT_EQ(after.size(), withLyrics.size());
    EXPECT_EQ(after.left(after.size() - 128), withLyrics.left(withLyrics.size() - 128));
    TID3v1 back;
    ASSERT_TRUE(back.ReadFromFile(path_));
    EXPECT_EQ(back.Artist, QStringLiteral("Other"));
    EXPECT_EQ(back.LyricsAuthor, QStringLiteral("Writer"));

    // A tag that cannot be stated is refused with the file as it was.
    back.Lyrics = QString(TID3v1::kMaxLyrics2Field + 1, QLatin1Char('x'));
    EXPECT_FALSE(back.SaveToFile(path_));
    EXPECT_EQ(readAll(path_), after);
}

TEST(ID3v1HostileFiles, ReadWithoutCrashAndNeverChanged)
{
    TempFolder dir;
    QByteArray random(10000, '\0');
    QRandomGenerator gen(42);
    for (char &c : random)
        c = char(gen.bounded(256));
    const QByteArray shortRecord = QByteArray("TAG") + QByteArray(124, 'x');
    const QByteArray contents[] = {
        QByteArray(),
        QByteArray("TAG"),
        shortRecord,                                    // 127 bytes: too short for a record
        QByteArray("LYRICSBEGIN000012LYRICS200"),       // block would start before the file
        QByteArray("abc999999LYRICS200"),               // absurd size
        QByteArray(130, 'a') + "000020LYRICS200" + QByteArray("TAG") + QByteArray(125, 'y'),
        random,
    };
    int n = 0;
    for (const QByteArray &content : contents) {
        SCOPED_TRACE(n);
        const QString path = dir.file(QStringLiteral("f%1.mp3").arg(n++));
        ASSERT_TRUE(writeAll(path, content));
        TID3v1 tag;
        EXPECT_TRUE(tag.ReadFromFile(path));
        EXPECT_FALSE(tag.Lyrics2Present);
        EXPECT_LE(tag.FGetTagSize(), content.size());
        EXPECT_TRUE(tag.RemoveFromFile(path));
        if (content.size() < 128) {
            EXPECT_EQ(readAll(path), content);
        }
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
    const auto readOnly = QFile::ReadOwner | QFile::ReadGroup;
    ASSERT_TRUE(QFile::setPermissions(path, readOnly));
    const auto before = QFile::permissions(path);

    TID3v1 tag;
    EXPECT_TRUE(tag.RemoveFromFile(path));
    EXPECT_EQ(QFile::permissions(path), before);

    tag.FSetTitle(QStringLiteral("x"));
    ASSERT_TRUE(tag.SaveToFile(path));
    EXPECT_TRUE(QFile::permissions(path) & QFile::WriteOwner);
    EXPECT_TRUE(QFile::permissions(path) & QFile::ReadGroup);
    EXPECT_EQ(readAll(path).size(), 628);
}
