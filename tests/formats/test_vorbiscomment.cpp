#include "formats/flacmeta.h"
#include "formats/ogg.h"
#include "formats/vorbiscomment.h"

#include <gtest/gtest.h>

#include <QtEndian>

using namespace Qt::Literals::StringLiterals;
using namespace qm;

namespace {

vorbis::Comment commentOf(std::initializer_list<const char *> entries)
{
    vorbis::Comment comment{"vendor", {}};
    for (const char *entry : entries)
        comment.entries.append(entry);
    return comment;
}

// Reading: names in any case, the fallback names, several values joined,
// the track count beside the number.
TEST(VorbisComment, ReadsFieldsByTheMapping)
{
    struct Case {
        std::initializer_list<const char *> entries;
        id3v2::Field field;
        QString expected;
    } cases[] = {
        {{"title=Song"}, id3v2::Title, u"Song"_s},
        {{"ARTIST=A", "Artist=B"}, id3v2::Artist, u"A/B"_s},
        {{"TRACKNUMBER=3", "TRACKTOTAL=12"}, id3v2::TrackString, u"3/12"_s},
        {{"TRACKNUMBER=3", "TOTALTRACKS=9"}, id3v2::TrackString, u"3/9"_s},
        {{"TRACKNUMBER=3/7", "TRACKTOTAL=12"}, id3v2::TrackString, u"3/7"_s},
        {{"TRACKNUMBER=3", "TRACKTOTAL=12", "TRACKNUMBER=3"}, id3v2::TrackString, u"3/12"_s},
        {{"DESCRIPTION=Only this"}, id3v2::Comment, u"Only this"_s},
        {{"DESCRIPTION=d", "COMMENT=c"}, id3v2::Comment, u"c"_s},
        {{"YEAR=1999"}, id3v2::Year, u"1999"_s},
        {{"COMPOSER=\xc3\xa9"}, id3v2::Composer, u"\u00e9"_s},
        {{"NOEQUALS", "GENRE=Rock"}, id3v2::Genre, u"Rock"_s},
    };
    for (const Case &c : cases)
        EXPECT_EQ(vorbis::readFields(commentOf(c.entries))[c.field], c.expected)
            << c.expected.toStdString();
}

// Writing: the edited field's entries give way to one at the first one's
// place; every other entry keeps its bytes and place.
TEST(VorbisComment, SetFieldTouchesOnlyTheFieldsEntries)
{
    struct Case {
        std::initializer_list<const char *> before;
        id3v2::Field field;
        QString text;
        std::initializer_list<const char *> after;
    } cases[] = {
        {{"X=1", "title=Old", "Y=2"}, id3v2::Title, u" New "_s, {"X=1", "TITLE=New", "Y=2"}},
        {{"ARTIST=A", "X=1", "ARTIST=B"}, id3v2::Artist, u"A/B"_s, {"ARTIST=A", "X=1", "ARTIST=B"}},
        {{"ARTIST=A", "X=1", "ARTIST=B"}, id3v2::Artist, u"C"_s, {"ARTIST=C", "X=1"}},
        {{"X=1"}, id3v2::Album, u"Al"_s, {"X=1", "ALBUM=Al"}},
        {{"GENRE=Rock", "X=1"}, id3v2::Genre, QString(), {"X=1"}},
        {{"DESCRIPTION=d"}, id3v2::Comment, u"c"_s, {"DESCRIPTION=c"}},
        {{"DATE=2001", "X=1", "year=1999"}, id3v2::Year, QString(), {"X=1"}},
        {{"COMMENT=c", "DESCRIPTION=d"}, id3v2::Comment, QString(), {}},
        {{"TRACKNUMBER=1", "TOTALTRACKS=5"},
         id3v2::TrackString,
         u"2/6"_s,
         {"TRACKNUMBER=2", "TOTALTRACKS=6"}},
        {{"TRACKNUMBER=1", "TRACKTOTAL=5"}, id3v2::TrackString, u"4"_s, {"TRACKNUMBER=4"}},
        {{}, id3v2::TrackString, u"3/12"_s, {"TRACKNUMBER=3", "TRACKTOTAL=12"}},
    };
    for (const Case &c : cases) {
        vorbis::Comment comment = commentOf(c.before);
        vorbis::setField(comment, c.field, c.text);
        EXPECT_EQ(comment, commentOf(c.after)) << c.text.toStdString();
    }
}

TEST(VorbisComment, BuildsWhatItParsesAndRefusesBlocksRunningPastTheirEnd)
{
    vorbis::Picture picture{3, "image/png", u"Cover \u00fc"_s, 1, 2, 24, 0, "\x89PNG\0data"_ba};
    const QByteArray pictureEntry =
        "METADATA_BLOCK_PICTURE=" + vorbis::buildPicture(picture).toBase64();
    vorbis::Comment comment = commentOf({"TITLE=T", "REPLAYGAIN_TRACK_GAIN=-1 dB"});
    comment.entries.append(pictureEntry);
    const QByteArray bytes = vorbis::buildComment(comment);
    vorbis::Comment back;
    qsizetype used = 0;
    ASSERT_TRUE(vorbis::parseComment(bytes + "\x01", &back, &used, nullptr));
    EXPECT_EQ(back, comment);
    EXPECT_EQ(used, bytes.size());
    ASSERT_EQ(vorbis::pictures(back).size(), 1);
    EXPECT_EQ(vorbis::pictures(back).first(), picture);

    for (qsizetype cut : {2, 9, 14, 20}) {
        Fault fault = Fault::None;
        EXPECT_FALSE(vorbis::parseComment(bytes.first(cut), &back, &used, &fault)) << cut;
        EXPECT_EQ(fault, Fault::BadComment);
    }
    QByteArray hugeCount = bytes;
    qToLittleEndian<quint32>(0xffffffffu, hugeCount.data() + 4 + 6);
    EXPECT_FALSE(vorbis::parseComment(hugeCount, &back, &used, nullptr));
}

// A minimal FLAC file: STREAMINFO (44100 Hz, stereo, 16 bit, 44100
// samples unless told), the given blocks, then an audio frame's sync code.
QByteArray flacFile(const QByteArray &blocks, bool last = true, quint64 samples = 44100)
{
    QByteArray info(34, '\0');
    const quint64 packed =
        (quint64(44100) << 44) | (quint64(1) << 41) | (quint64(15) << 36) | samples;
    qToBigEndian(packed, info.data() + 10);
    QByteArray out = "fLaC"_ba + char(blocks.isEmpty() && last ? 0x80 : 0) + "\0\0\x22"_ba + info;
    return out + blocks + "\xff\xf8\x69\x08"_ba;
}

TEST(FlacMetadata, RefusesWhatItCannotWalkWithAReason)
{
    const QByteArray comment = "\x84\0\0\x08"_ba + vorbis::buildComment(commentOf({}));
    struct Case {
        const char *name;
        QByteArray bytes;
        Fault fault;
    } cases[] = {
        {"no marker", "fLaX"_ba + flacFile({}).sliced(4), Fault::NotThisFormat},
        {"short STREAMINFO", flacFile({}).replace(7, 1, "\x21"), Fault::BadBlock},
        {"block past the end", flacFile("\x81\xff\xff\xff"_ba), Fault::Truncated},
        {"no last block", flacFile("\x01\0\0\x01\0"_ba).chopped(4), Fault::Truncated},
        {"no frame after", flacFile({}).chopped(4) + "abcd", Fault::NoAudioFrame},
        {"comment count too big", flacFile(comment).replace(4 + 38 + 4 + 6, 4, "\0\0\0\x10"_ba),
         Fault::BadComment},
        {"second STREAMINFO", flacFile(flacFile({}).sliced(4, 38).replace(0, 1, "\x80")),
         Fault::BadBlock},
        {"broken ID3v2 in front", "ID3\x03\0\0\x80\0\0\0"_ba + flacFile({}), Fault::BrokenId3v2},
    };
    for (const Case &c : cases) {
        flac::Metadata meta;
        Fault fault = Fault::None;
        EXPECT_EQ(flac::parse(c.bytes, c.bytes.size(), &meta, nullptr, &fault), Walk::Invalid)
            << c.name;
        EXPECT_EQ(fault, c.fault) << c.name;
    }
}

// A short read asks for the bytes it lacks; given them it reads the file.
TEST(FlacMetadata, AsksForMoreBytesUntilTheMetadataIsRead)
{
    const QByteArray bytes = flacFile("\x81\0\0\x10"_ba + QByteArray(16, '\0'), false);
    flac::Metadata meta;
    qint64 needed = 4;
    Walk walk = Walk::NeedMore;
    int reads = 0;
    while (walk == Walk::NeedMore && reads++ < 10)
        walk =
            flac::parse(QByteArrayView(bytes).first(needed), bytes.size(), &meta, &needed, nullptr);
    ASSERT_EQ(walk, Walk::Ok);
    EXPECT_EQ(meta.audioStart, bytes.size() - 4);
    EXPECT_EQ(flac::readResult(meta).streamText, u"FLAC, 44100 Hz, stereo, 16 bit"_s);
    EXPECT_DOUBLE_EQ(flac::readResult(meta).duration, 1.0);
}

// A stream encoded through a pipe has no sample count: its length is
// unknown, not zero.
TEST(FlacMetadata, NoSampleCountGivesNoDuration)
{
    const QByteArray bytes = flacFile({}, true, 0);
    flac::Metadata meta;
    ASSERT_EQ(flac::parse(bytes, bytes.size(), &meta, nullptr, nullptr), Walk::Ok);
    EXPECT_LT(flac::readResult(meta).duration, 0);
}

} // namespace

// Room beyond what one padding block can state stays in place, in several
// blocks, and the file reads back whole.
TEST(FlacMetadata, WritesPaddingBeyondOneBlocksSizeInPlace)
{
    const QByteArray padding = "\x01\xff\xff\xff"_ba + QByteArray(0xffffff, '\0');
    QByteArray bytes = flacFile(padding + "\x81\0\x03\xe4"_ba + QByteArray(996, '\0'));
    bytes[4] = 0; // STREAMINFO is not the last block
    flac::Metadata meta;
    ASSERT_EQ(flac::parse(bytes, bytes.size(), &meta, nullptr, nullptr), Walk::Ok);
    vorbis::Comment comment;
    vorbis::setField(comment, id3v2::Title, u"Title"_s);
    WritePlan plan;
    ASSERT_TRUE(flac::planWrite(meta, comment, &plan, nullptr));
    EXPECT_EQ(plan.kind, WritePlan::InPlace);
    QByteArray written;
    ASSERT_TRUE(applyWritePlan(bytes, plan, &written, nullptr));
    flac::Metadata back;
    ASSERT_EQ(flac::parse(written, written.size(), &back, nullptr, nullptr), Walk::Ok);
    EXPECT_EQ(back.comment, comment);
    EXPECT_EQ(back.audioStart, meta.audioStart);
}
