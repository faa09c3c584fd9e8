#include "formats/codepage.h"
#include "formats/id3v1.h"
#include "testfiles.h"

#include <tuple>

using qm::TID3v1;

namespace {

QByteArray record(const QByteArray &title, const QByteArray &comment, uchar genre)
{
    QByteArray r(128, '\0');
    r.replace(0, 3, "TAG");
    r.replace(3, title.size(), title);
    r.replace(97, comment.size(), comment);
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
    const TID3v1 v11 = parsed("audio" + r);
    EXPECT_EQ(v11.FGetVersion(), 2);
    EXPECT_EQ(v11.FGetTrack(), 7);
    EXPECT_EQ(v11.FGetComment(), QStringLiteral("Comment that is long enough"));
    EXPECT_EQ(v11.FGetGenre(), QStringLiteral("Rock"));

    r[126] = 0;
    const TID3v1 v10 = parsed(r);
    EXPECT_EQ(v10.FGetVersion(), 1);
    EXPECT_EQ(v10.FGetTrackString(), QString());

    r = record("T", "Comment", 200);
    r[125] = ' ';
    r[126] = 'x';
    const TID3v1 blank = parsed(r);
    EXPECT_EQ(blank.FGetVersion(), 2);
    EXPECT_EQ(blank.FGetTrackString(), QStringLiteral("120"));
    EXPECT_EQ(blank.FGetGenre(), QString());
    EXPECT_EQ(uchar(blank.BuildRecord()[127]), 200);
}

TEST(ID3v1Record, TextsEndAtZeroAndGoThroughTheCodepage)
{
    ASSERT_TRUE(qm::LegacyCodepage::setName(QStringLiteral("windows-1251")));
    QByteArray r = record("\xcf\xe5\xf1\xed\xff  \0junk", "", 255);
    r.replace(93, 4, "99  ");
    const TID3v1 tag = parsed(r);
    EXPECT_EQ(tag.FGetTitle(), QStringLiteral(u"Песня"));
    EXPECT_EQ(tag.FGetYear(), QStringLiteral("99"));

    TID3v1 out;
    out.FSetTitle(QStringLiteral(u"Песня 漢"));
    EXPECT_EQ(out.BuildRecord().mid(3, 8), QByteArray("\xcf\xe5\xf1\xed\xff ?\0", 8));
}

TEST(ID3v1Record, GenreNamesMatchIgnoringAsciiCaseOnly)
{
    EXPECT_STREQ(qm::aTAG_MusicGenre[67], "Psychadelic");
    EXPECT_STREQ(qm::aTAG_MusicGenre[147], "Synthpop");
    TID3v1 tag;
    tag.FSetGenre(QStringLiteral("rOcK"));
    EXPECT_EQ(tag.FGetGenreID(), 17);
    tag.FSetGenre(QStringLiteral("Psychedelic"));
    EXPECT_EQ(tag.FGetGenreID(), 255);
    tag.FSetGenre(QStringLiteral("r&b"));
    EXPECT_EQ(tag.FGetGenreID(), 14);
    tag.FSetGenre(QString());
    EXPECT_EQ(tag.FGetGenreID(), 255);
}

TEST(ID3v1Build, LongTextsKeepTheirLongFormAndAYearAloneWritesNothing)
{
    TID3v1 tag;
    tag.FSetYear(QStringLiteral("2024-05  "));
    QByteArray tail;
    ASSERT_TRUE(tag.BuildTail(&tail));
    EXPECT_TRUE(tail.isEmpty());

    const QString title40 = QStringLiteral("A title of exactly forty characters here");
    tag.FSetTitle(title40 + QStringLiteral(" \t"));
    tag.FSetTrack(3);
    EXPECT_EQ(tag.FGetTitle(), title40);
    EXPECT_EQ(tag.FGetExtTitle(), title40);
    ASSERT_TRUE(tag.BuildTail(&tail));
    const QByteArray rec = tail.right(128);
    EXPECT_EQ(rec.mid(3, 30), title40.left(30).toLatin1());
    EXPECT_EQ(rec.mid(93, 4), QByteArray("2024"));
    EXPECT_EQ(rec.mid(125, 2), QByteArray("\0\3", 2));

    const TID3v1 back = parsed("audio" + tail);
    EXPECT_EQ(back.FGetExtTitle(), title40);
    EXPECT_EQ(back.FGetTitle(), title40.left(30));
}

TEST(Lyrics3, BlockLayoutIsExact)
{
    TID3v1 tag;
    tag.FSetLyrics(QStringLiteral("la"));
    tag.FSetLyricsAuthor(QStringLiteral("  "));
    QByteArray tail;
    ASSERT_TRUE(tag.BuildLyrics2Block(&tail));
    EXPECT_EQ(tail, QByteArray("LYRICSBEGININD0000210LYR00002la000031LYRICS200"));
    tag.FSetLyrics(QString());
    tag.FSetImageLinks(QStringLiteral(" x "));
    ASSERT_TRUE(tag.BuildLyrics2Block(&tail));
    EXPECT_EQ(tail, QByteArray("LYRICSBEGININD0000200IMG00003 x 000032LYRICS200"));
}

TEST(Lyrics3, AllFieldsRoundTripWithAndWithoutARecord)
{
    TID3v1 tag;
    tag.FSetArtist(QStringLiteral("Artist"));
    tag.FSetLyrics(QStringLiteral("line one\r\nline two"));
    tag.FSetLyricsAuthor(QStringLiteral("Author"));
    tag.FSetImageLinks(QStringLiteral("cover.jpg||Cover "));
    tag.FSetExtArtist(QStringLiteral("An artist whose name is longer than thirty"));
    tag.FSetExtAlbum(QStringLiteral("Album long"));
    tag.FSetExtTitle(QStringLiteral("Title long"));
    tag.FSetComment2(QStringLiteral("Info"));
    QByteArray tail;
    ASSERT_TRUE(tag.BuildTail(&tail));

    for (const bool withRecord : {true, false}) {
        const QByteArray end = "audio" + (withRecord ? tail : tail.left(tail.size() - 128));
        TID3v1 back;
        EXPECT_EQ(back.TailBytesNeeded(end.right(143)), end.size() - 5);
        back.ParseTail(end, true);
        EXPECT_EQ(back.FGetTagPresent(), withRecord);
        EXPECT_EQ(back.FGetTagSize(), end.size() - 5);
        const auto fields = {&TID3v1::FGetLyrics,     &TID3v1::FGetLyricsAuthor,
                             &TID3v1::FGetImageLinks, &TID3v1::FGetExtArtist,
                             &TID3v1::FGetExtAlbum,   &TID3v1::FGetExtTitle,
                             &TID3v1::FGetComment2};
        for (const auto field : fields)
            EXPECT_EQ((back.*field)(), (tag.*field)());
    }

    TID3v1 off;
    off.FSetUseLyrics2(false);
    off.ParseTail("audio" + tail, true);
    EXPECT_FALSE(off.FGetLyrics2Present());
    EXPECT_EQ(off.FGetTagSize(), 128);
}

TEST(Lyrics3, ABlockAloneIsFollowedByARecordSoItCanBeFoundAgain)
{
    // Only Lyrics3 fields: readers look for the block in front of a record,
    // and field text that happens to hold "TAG" 128 bytes from the end must
    // not pass for one.
    TID3v1 tag;
    tag.FSetExtTitle(QStringLiteral("TAG") + QString(140, QLatin1Char('x')));
    QByteArray tail;
    ASSERT_TRUE(tag.BuildTail(&tail));
    ASSERT_TRUE(tail.right(128).startsWith("TAG"));
    TID3v1 back;
    back.ParseTail("audio" + tail, true);
    EXPECT_TRUE(back.FGetTagPresent());
    EXPECT_EQ(back.FGetTagSize(), tail.size());
    EXPECT_EQ(back.FGetExtTitle(), tag.FGetExtTitle());
}

TEST(Lyrics3, LoneCarriageReturnsBecomeLineBreaks)
{
    EXPECT_EQ(parsed(lyricsBlock("LYR00007 a\rb\r\nc")).FGetLyrics(),
              QStringLiteral("a\r\nb\r\nc"));
}

TEST(Lyrics3, BrokenBlocksCountAsAbsentAndBadFieldsEndTheList)
{
    const QByteArray cases[] = {
        "LYRICSBEGININD0000200000000LYRICS200", // size 0
        "LYRICSBEGINLYR00002la00002xLYRICS200", // no number
        "LYRICSBEGUNLYR00002la000021LYRICS200", // bad start
        lyricsBlock("LYR00002la").mid(3),       // start cut off
        "999999LYRICS200",                      // absurd size
    };
    for (const QByteArray &end : cases) {
        const TID3v1 tag = parsed(end);
        EXPECT_FALSE(tag.FGetLyrics2Present()) << end.constData();
        EXPECT_EQ(tag.FGetTagSize(), 0) << end.constData();
    }
    const TID3v1 overrun = parsed(lyricsBlock("AUT00002abLYR99999xyz"));
    EXPECT_EQ(overrun.FGetLyricsAuthor(), QStringLiteral("ab"));
    EXPECT_TRUE(overrun.FGetLyrics().isEmpty());
    EXPECT_TRUE(parsed(lyricsBlock("XYZ00001qLYR00002la")).FGetLyrics().isEmpty());
}

TEST(Lyrics3, FieldsNotTakenApartAreKeptWhenTheBlockIsRebuilt)
{
    // {fields read, the part not taken apart}
    const std::pair<QByteArray, QByteArray> cases[] = {
        {"XYZ00001qLYR00002laAUT00002ab", "XYZ00001qLYR00002laAUT00002ab"},
        {"LYR00002laCRC00004abcd", "CRC00004abcd"},
        {"AUT00002abLYR99999xyz", "LYR99999xyz"},
    };
    for (const auto &[fields, rest] : cases) {
        TID3v1 tag = parsed(lyricsBlock(fields) + record("Old", "", 255));
        tag.FSetTitle(QStringLiteral("New"));
        QByteArray tail;
        ASSERT_TRUE(tag.BuildTail(&tail));
        const QByteArray block = tail.chopped(128);
        EXPECT_TRUE(block.endsWith(
            rest + QByteArray::number(block.size() - 15).rightJustified(6, '0') + "LYRICS200"))
            << tail.constData();
        EXPECT_EQ(parsed(tail).FGetLyrics(), tag.FGetLyrics());
    }
}

TEST(Lyrics3, IndicationsOtherThanTheLyricsFlagSurviveARebuild)
{
    // {IND read, lyrics after the edit, IND written}
    const std::tuple<QByteArray, QString, QByteArray> cases[] = {
        {"IND00003111", QStringLiteral("[00:01]la"), "IND00003111"},
        {"IND0000211", QString(), "IND0000201"},
        {"IND000010", QStringLiteral("la"), "IND0000210"},
    };
    for (const auto &[read, lyrics, written] : cases) {
        TID3v1 tag = parsed(lyricsBlock(read + "LYR00009[00:01]la") + record("Old", "", 255));
        tag.FSetTitle(QStringLiteral("New"));
        tag.FSetLyrics(lyrics);
        tag.FSetExtTitle(QStringLiteral("Long"));
        QByteArray block;
        ASSERT_TRUE(tag.BuildLyrics2Block(&block));
        EXPECT_TRUE(block.startsWith("LYRICSBEGIN" + written)) << block.constData();
    }
}

TEST(Lyrics3, FieldsTooLongToStateAreRefusedNotCut)
{
    TID3v1 tag;
    tag.FSetLyrics(QString(TID3v1::kMaxLyrics2Field, QLatin1Char('a')));
    QByteArray tail;
    EXPECT_TRUE(tag.BuildTail(&tail));
    tag.FSetLyrics(tag.FGetLyrics() + QLatin1Char('b'));
    EXPECT_FALSE(tag.BuildTail(&tail));
}
