#include "formats/codepage.h"
#include "formats/id3v1.h"
#include "testfiles.h"

#include <gtest/gtest.h>

using qm::TID3v1;

namespace {

QByteArray record(const QByteArray &title, const QByteArray &comment30, uchar genre)
{
    QByteArray r(128, '\0');
    r.replace(0, 3, "TAG");
    r.replace(3, title.size(), title);
    r.replace(97, comment30.size(), comment30);
    r[127] = char(genre);
    return r;
}

QByteArray lyricsBlock(const QByteArray &fields)
{
    const QByteArray block = "LYRICSBEGIN" + fields;
    return block + QByteArray::number(block.size()).rightJustified(6, '0') + "LYRICS200";
}

TID3v1 parsed(const QByteArray &end)
{
    TID3v1 tag;
    tag.ParseTail(end, true);
    return tag;
}

} // namespace

TEST(ID3v1Record, VersionTrackAndCommentLengthFollowBytes125And126)
{
    QByteArray r = record("Title", "Comment that is long enough 30", 17);
    r[125] = 0;
    r[126] = 7;
    TID3v1 v11 = parsed("audio" + r);
    EXPECT_TRUE(v11.TagPresent);
    EXPECT_EQ(v11.Version, 2);
    EXPECT_EQ(v11.Track, 7);
    EXPECT_EQ(v11.Comment, QStringLiteral("Comment that is long enough"));
    EXPECT_EQ(v11.FGetGenre(), QStringLiteral("Rock"));

    r[126] = 0;
    TID3v1 v10 = parsed(r);
    EXPECT_EQ(v10.Version, 1);
    EXPECT_EQ(v10.Track, 0);
    EXPECT_EQ(v10.FGetTrackString(), QString());

    r = record("T", "Comment that is long enough 3 x", 255);
    r[125] = ' ';
    r[126] = 'x';
    TID3v1 blank = parsed(r);
    EXPECT_EQ(blank.Version, 2);
    EXPECT_EQ(blank.Track, 120);
    EXPECT_EQ(blank.FGetTrackString(), QStringLiteral("120"));
}

TEST(ID3v1Record, FieldsEndAtZeroOrPaddingAndGoThroughTheCodepage)
{
    ASSERT_TRUE(qm::LegacyCodepage::setName(QStringLiteral("windows-1251")));
    QByteArray r = record("\xcf\xe5\xf1\xed\xff  \0junk", "", 255);
    r.replace(93, 4, "99  ");
    TID3v1 tag = parsed(r);
    EXPECT_EQ(tag.Title, QStringLiteral(u"Песня"));
    EXPECT_EQ(tag.Year, QStringLiteral("99"));
    EXPECT_TRUE(tag.ExtTitle.isEmpty());

    TID3v1 out;
    out.FSetTitle(QStringLiteral(u"Песня 漢"));
    const QByteArray built = out.BuildRecord();
    EXPECT_EQ(built.mid(3, 8), QByteArray("\xcf\xe5\xf1\xed\xff ?\0", 8));
}

TEST(ID3v1Record, GenreNamesAndUnknownBytes)
{
    ASSERT_EQ(qm::MAX_MUSIC_GENRES, 148);
    EXPECT_STREQ(qm::aTAG_MusicGenre[67], "Psychadelic");
    EXPECT_STREQ(qm::aTAG_MusicGenre[93], "Psychedelic Rock");
    EXPECT_STREQ(qm::aTAG_MusicGenre[147], "Synthpop");

    TID3v1 tag = parsed(record("T", "", 200));
    EXPECT_EQ(tag.GenreID, 200);
    EXPECT_EQ(tag.FGetGenre(), QString());
    EXPECT_EQ(uchar(tag.BuildRecord()[127]), 200);

    tag.FSetGenre(QStringLiteral("rOcK"));
    EXPECT_EQ(tag.GenreID, 17);
    tag.FSetGenre(QStringLiteral("Psychedelic"));
    EXPECT_EQ(tag.GenreID, 255);
    tag.FSetGenre(QStringLiteral("r&b"));
    EXPECT_EQ(tag.GenreID, 14);
    tag.FSetGenre(QString());
    EXPECT_EQ(tag.GenreID, 255);
}

TEST(ID3v1Build, LongTextsKeepTheirLongFormAndOnlyAYearWritesNothing)
{
    TID3v1 tag;
    tag.FSetYear(QStringLiteral("2024-05  "));
    EXPECT_EQ(tag.Year, QStringLiteral("2024"));
    QByteArray tail;
    ASSERT_TRUE(tag.BuildTail(&tail));
    EXPECT_TRUE(tail.isEmpty());

    const QString title40 = QStringLiteral("A title of exactly forty characters here");
    ASSERT_EQ(title40.size(), 40);
    tag.FSetTitle(title40 + QStringLiteral(" \t"));
    tag.FSetTrack(3);
    EXPECT_EQ(tag.Title, title40);
    EXPECT_EQ(tag.ExtTitle, title40);
    ASSERT_TRUE(tag.BuildTail(&tail));
    const QByteArray rec = tail.right(128);
    EXPECT_EQ(rec.mid(3, 30), title40.left(30).toLatin1());
    EXPECT_EQ(rec.mid(93, 4), QByteArray("2024"));
    EXPECT_EQ(rec[125], '\0');
    EXPECT_EQ(rec[126], '\3');

    TID3v1 back = parsed("audio" + tail);
    EXPECT_TRUE(back.Lyrics2Present);
    EXPECT_EQ(back.ExtTitle, title40);
    EXPECT_EQ(back.Title, title40.left(30));
    EXPECT_EQ(back.Track, 3);

    tag.FSetTitle(QStringLiteral("Short"));
    EXPECT_TRUE(tag.ExtTitle.isEmpty());
}

TEST(Lyrics3, BlockLayoutIsExact)
{
    TID3v1 tag;
    tag.Lyrics = QStringLiteral("la");
    tag.LyricsAuthor = QStringLiteral("  ");
    QByteArray tail;
    ASSERT_TRUE(tag.BuildTail(&tail));
    EXPECT_EQ(tail, QByteArray("LYRICSBEGININD0000210LYR00002la000031LYRICS200"));

    tag.Lyrics.clear();
    tag.ImageLinks = QStringLiteral(" x ");
    ASSERT_TRUE(tag.BuildTail(&tail));
    EXPECT_EQ(tail, QByteArray("LYRICSBEGININD0000200IMG00003 x 000032LYRICS200"));

    tag.UseLyrics2 = false;
    ASSERT_TRUE(tag.BuildTail(&tail));
    EXPECT_TRUE(tail.isEmpty());
}

TEST(Lyrics3, AllFieldsRoundTripBeforeAndWithoutARecord)
{
    TID3v1 tag;
    tag.FSetArtist(QStringLiteral("Artist"));
    tag.Lyrics = QStringLiteral("line one\r\nline two");
    tag.LyricsAuthor = QStringLiteral("Author");
    tag.ImageLinks = QStringLiteral("cover.jpg||Cover ");
    tag.ExtArtist = QStringLiteral("An artist whose name is longer than thirty");
    tag.ExtAlbum = QStringLiteral("Album long");
    tag.ExtTitle = QStringLiteral("Title long");
    tag.Comment2 = QStringLiteral("Info");
    QByteArray tail;
    ASSERT_TRUE(tag.BuildTail(&tail));

    for (const bool withRecord : {true, false}) {
        const QByteArray end = "audio" + (withRecord ? tail : tail.left(tail.size() - 128));
        TID3v1 back;
        EXPECT_EQ(back.TailBytesNeeded(end.right(143)), tail.size() - (withRecord ? 0 : 128));
        back.ParseTail(end, true);
        EXPECT_EQ(back.TagPresent, withRecord);
        ASSERT_TRUE(back.Lyrics2Present);
        EXPECT_EQ(back.FGetTagSize(), end.size() - 5);
        EXPECT_EQ(back.Lyrics, tag.Lyrics);
        EXPECT_EQ(back.LyricsAuthor, tag.LyricsAuthor);
        EXPECT_EQ(back.ImageLinks, tag.ImageLinks);
        EXPECT_EQ(back.ExtArtist, tag.ExtArtist);
        EXPECT_EQ(back.ExtAlbum, tag.ExtAlbum);
        EXPECT_EQ(back.ExtTitle, tag.ExtTitle);
        EXPECT_EQ(back.Comment2, tag.Comment2);
        EXPECT_TRUE(back.FGetHasLyrics());
    }

    TID3v1 off;
    off.UseLyrics2 = false;
    off.ParseTail("audio" + tail, true);
    EXPECT_FALSE(off.Lyrics2Present);
    EXPECT_TRUE(off.Lyrics.isEmpty());
    EXPECT_EQ(off.FGetTagSize(), 128);
}

TEST(Lyrics3, LoneCarriageReturnsBecomeLineBreaks)
{
    const TID3v1 tag = parsed(lyricsBlock("LYR00007 a\rb\r\nc"));
    EXPECT_EQ(tag.Lyrics, QStringLiteral("a\r\nb\r\nc"));
}

TEST(Lyrics3, BrokenBlocksCountAsAbsent)
{
    const QByteArray good = lyricsBlock("LYR00002la");
    const QByteArray cases[] = {
        "xx" + QByteArray("LYRICSBEGININD0000200000000LYRICS200"),            // size 0
        QByteArray("LYRICSBEGINLYR00002la00002xLYRICS200"),                    // no number
        QByteArray("LYRICSBEGUNLYR00002la000021LYRICS200"),                    // bad start
        good.mid(3),                                                            // start cut off
        QByteArray("999999LYRICS200"),                                          // absurd size
        QByteArray("000005LYRICS200"),                                          // too small
    };
    for (const QByteArray &end : cases) {
        TID3v1 tag = parsed(end);
        EXPECT_FALSE(tag.Lyrics2Present) << end.constData();
        EXPECT_EQ(tag.Lyrics2DataSize, 0) << end.constData();
        EXPECT_EQ(tag.FGetTagSize(), 0) << end.constData();
    }
}

TEST(Lyrics3, FieldsThatOverrunTheBlockOrAreUnknownEndTheList)
{
    TID3v1 overrun = parsed(lyricsBlock("AUT00002abLYR99999xyz"));
    EXPECT_TRUE(overrun.Lyrics2Present);
    EXPECT_EQ(overrun.LyricsAuthor, QStringLiteral("ab"));
    EXPECT_TRUE(overrun.Lyrics.isEmpty());

    TID3v1 unknown = parsed(lyricsBlock("XYZ00001qLYR00002la"));
    EXPECT_TRUE(unknown.Lyrics2Present);
    EXPECT_TRUE(unknown.Lyrics.isEmpty());
}

TEST(Lyrics3, FieldsTooLongToStateAreRefusedNotCut)
{
    TID3v1 tag;
    tag.Lyrics = QString(TID3v1::kMaxLyrics2Field, QLatin1Char('a'));
    QByteArray tail;
    EXPECT_TRUE(tag.BuildTail(&tail));
    tag.Lyrics += QLatin1Char('b');
    EXPECT_FALSE(tag.BuildTail(&tail));
}
