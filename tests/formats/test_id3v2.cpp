#include "formats/codepage.h"
#include "formats/filechange.h"
#include "formats/filepictures.h"
#include "formats/id3v2.h"
#include "formats/id3v2frames.h"
#include "formats/id3v2framewalk.h"
#include "testfiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <csignal>

#include <fcntl.h>
#include <sys/stat.h>

#include <sys/resource.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;
using namespace qm;
using namespace qm::id3v2;
using qm::test::readAll;
using qm::test::TempFolder;
using qm::test::writeAll;

namespace {

QByteArray bigEndian(quint32 value, int count)
{
    QByteArray out;
    for (int i = count - 1; i >= 0; --i)
        out.append(char((value >> (8 * i)) & 0xFF));
    return out;
}

QByteArray syncsafeBytes(quint32 value)
{
    QByteArray out;
    for (int i = 3; i >= 0; --i)
        out.append(char((value >> (7 * i)) & 0x7F));
    return out;
}

QByteArray frame23(const char *id, const QByteArray &data, quint16 flags = 0)
{
    return QByteArray(id) + bigEndian(data.size(), 4) + bigEndian(flags, 2) + data;
}

QByteArray frame24(const char *id, const QByteArray &data, quint16 flags = 0, bool syncsafe = true)
{
    return QByteArray(id) + (syncsafe ? syncsafeBytes(data.size()) : bigEndian(data.size(), 4))
           + bigEndian(flags, 2) + data;
}

QByteArray tagBytes(int major, const QByteArray &body, quint8 flags = 0)
{
    return QByteArray("ID3") + char(major) + '\0' + char(flags) + syncsafeBytes(body.size()) + body;
}

QByteArray utf16le(const QString &text, bool bom = true)
{
    QByteArray out = bom ? QByteArray("\xFF\xFE", 2) : QByteArray();
    for (QChar ch : text)
        out.append(char(ch.unicode() & 0xFF)).append(char(ch.unicode() >> 8));
    return out;
}

QByteArray utf16be(const QString &text)
{
    QByteArray out;
    for (QChar ch : text)
        out.append(char(ch.unicode() >> 8)).append(char(ch.unicode() & 0xFF));
    return out;
}

QByteArray text(char encoding, const QByteArray &bytes) { return QByteArray(1, encoding) + bytes; }

TagContent parse(const QByteArray &tag)
{
    TagHeader header;
    EXPECT_EQ(parseHeader(tag, header), HeaderKind::Tag);
    return parseTag(header, QByteArrayView(tag).sliced(HeaderSize));
}

const Frame *findFrame(const TagContent &content, const char *id)
{
    for (const Frame &frame : content.otherFrames)
        if (frame.id == id)
            return &frame;
    return nullptr;
}

// Something that looks like MPEG audio: frame syncs and varied bytes.
QByteArray fakeAudio(int size)
{
    QByteArray audio(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        audio[i] = char((i * 37 + 11) & 0xFF);
    audio[0] = char(0xFF);
    audio[1] = char(0xFB);
    return audio;
}

} // namespace

TEST(ID3v2Parse, DecodesAllFourEncodingsAndReadsLongTextsWhole)
{
    const QString russian = QStringLiteral("Привет");
    const QString longText = QString(700, u'ж') + QStringLiteral("end");
    const QByteArray body =
        frame23("TIT2", text(0, LegacyCodepage::encode(russian)))
        + frame23("TPE1", text(1, utf16le(QStringLiteral("Ünïcode"))))
        + frame23("TALB", text(1, QByteArray("\xFE\xFF", 2) + utf16be(QStringLiteral("Big ∑"))))
        + frame23("TCOM", text(2, utf16be(QStringLiteral("Plain BE ☃"))))
        + frame23("TENC", text(3, QStringLiteral("UTF-8 ✓").toUtf8()))
        + frame23("TCOP", text(1, utf16le(QStringLiteral("no mark"), false)))
        + frame23("USLT", text(1, "eng" + utf16le(QStringLiteral("desc")) + QByteArray(2, 0)
                                      + utf16le(longText)))
        + frame23("TRCK", text(0, "3/12"));
    const TagContent content = parse(tagBytes(3, body + QByteArray(100, 0)));
    EXPECT_EQ(content.fields[Title], russian);
    EXPECT_EQ(content.fields[Artist], QStringLiteral("Ünïcode"));
    EXPECT_EQ(content.fields[Album], QStringLiteral("Big ∑"));
    EXPECT_EQ(content.fields[Composer], QStringLiteral("Plain BE ☃"));
    EXPECT_EQ(content.fields[Encoder], QStringLiteral("UTF-8 ✓"));
    EXPECT_EQ(content.fields[Copyright], QStringLiteral("no mark"));
    EXPECT_EQ(content.fields[Lyrics], longText);
    EXPECT_EQ(content.lyricsDescription, QStringLiteral("desc"));
    EXPECT_TRUE(content.otherFrames.isEmpty());

    EXPECT_EQ(trackNumber(QStringLiteral("3/12")), 3);
    EXPECT_EQ(trackNumber(QStringLiteral("A/12")), 0);
    EXPECT_EQ(trackNumber(QStringLiteral("70000")), 0);
}

TEST(ID3v2Parse, GenreReferencesBecomeNames)
{
    const auto genre = [](std::initializer_list<const char16_t *> values) {
        QStringList list;
        for (const char16_t *value : values)
            list << QString::fromUtf16(value);
        return genreFromFrameText(list);
    };
    EXPECT_EQ(genre({u"(17)"}), QStringLiteral("Rock"));
    EXPECT_EQ(genre({u"17"}), QStringLiteral("Rock"));
    EXPECT_EQ(genre({u"(17)Rock & Roll"}), QStringLiteral("Rock & Roll"));
    EXPECT_EQ(genre({u"(RX)"}), QStringLiteral("Remix"));
    EXPECT_EQ(genre({u"(CR)"}), QStringLiteral("Cover"));
    EXPECT_EQ(genre({u"(67)"}), QStringLiteral("Psychadelic"));
    EXPECT_EQ(genre({u"(17)(18)"}), QStringLiteral("Rock/Techno"));
    EXPECT_EQ(genre({u"17", u"Synthwave"}), QStringLiteral("Rock/Synthwave"));
    EXPECT_EQ(genre({u"((Bracketed)"}), QStringLiteral("(Bracketed)"));
    // Unknown numbers stay as they were, so writing them back loses nothing.
    EXPECT_EQ(genre({u"(255)"}), QStringLiteral("(255)"));
    EXPECT_EQ(genre({u"2004"}), QStringLiteral("2004"));
}

TEST(ID3v2Parse, OnlyACommentWithoutDescriptionIsTheCommentField)
{
    TagContent content = parse(tagBytes(
        3, frame23("COMM", text(0, "engiTunNORM\0 0001"_qba))
               + frame23("COMM",
                         text(1, "rus" + QByteArray(2, 0) + utf16le(QStringLiteral("Коммент"))))));
    EXPECT_EQ(content.fields[Comment], QStringLiteral("Коммент"));
    EXPECT_EQ(content.commentLanguage, QByteArray("rus"));
    ASSERT_EQ(content.otherFrames.size(), 1);
    EXPECT_EQ(content.otherFrames[0].data, text(0, "engiTunNORM\0 0001"_qba));

    // Described comments are other programs' data (iTunNORM): kept, never
    // the field.
    content = parse(tagBytes(3, frame23("COMM", text(0, "engfirst\0one"_qba))
                                    + frame23("COMM", text(0, "engsecond\0two"_qba))));
    EXPECT_EQ(content.fields[Comment], QString());
    EXPECT_EQ(content.otherFrames.size(), 2);
}

TEST(ID3v2Parse, Version24SizesExtendedHeaderAndUnsynchronisation)
{
    // A 200-byte frame: its syncsafe size differs from the plain number.
    const QString longTitle = QString(199, u'x');
    const QByteArray extended = syncsafeBytes(6) + "\x01\x00"_qba;
    QByteArray body = extended + frame24("TIT2", text(0, longTitle.toLatin1()))
                      + frame24("TPE1", text(3, "Ärtist"_qba)) + QByteArray(30, 0);
    TagContent content = parse(tagBytes(4, body, 0x40));
    EXPECT_EQ(content.fields[Title], longTitle);
    EXPECT_EQ(content.fields[Artist], QStringLiteral("Ärtist"));

    // Writers that put plain sizes in 2.4 frames.
    body = frame24("TIT2", text(0, longTitle.toLatin1()), 0, false)
           + frame24("TALB", text(0, "Album"), 0, false);
    content = parse(tagBytes(4, body));
    EXPECT_EQ(content.fields[Title], longTitle);
    EXPECT_EQ(content.fields[Album], QStringLiteral("Album"));

    // 2.3 unsynchronises the whole tag; 2.4 frame by frame.
    const QByteArray withFF = text(1, utf16le(QStringLiteral("ÿÿ"))); // FF FE FF 00 FF 00
    const auto unsync = [](QByteArray bytes) { return bytes.replace("\xFF"_qba, "\xFF\x00"_qba); };
    const QByteArray unsynced = unsync(withFF);
    content = parse(tagBytes(3, unsync(frame23("TIT2", withFF)), 0x80));
    EXPECT_EQ(content.fields[Title], QStringLiteral("ÿÿ"));
    content = parse(tagBytes(4, frame24("TIT2", unsynced, 0x0002)));
    EXPECT_EQ(content.fields[Title], QStringLiteral("ÿÿ"));

    // A 2.3 extended header counts its size without its own four bytes.
    content = parse(
        tagBytes(3, bigEndian(6, 4) + QByteArray(6, 0) + frame23("TIT2", text(0, "After")), 0x40));
    EXPECT_EQ(content.fields[Title], QStringLiteral("After"));
}

TEST(ID3v2Parse, CompressedFramesAreReadAndEncryptedOnesKept)
{
    const QByteArray title = text(0, QByteArray(300, 't'));
    const QByteArray zipped = qCompress(title); // the size in front, as 2.3 stores it
    TagContent content = parse(
        tagBytes(3, frame23("TIT2", zipped, 0x0080) + frame23("PRIV", "\x01secret"_qba, 0x0040)));
    EXPECT_EQ(content.fields[Title], QString(300, u't'));
    ASSERT_EQ(content.otherFrames.size(), 1);
    EXPECT_EQ(content.otherFrames[0].flags, 0x0040);
    EXPECT_EQ(content.otherFrames[0].data, "\x01secret"_qba);

    // 2.4: data length indicator, then the zlib stream; 2.3 wants the plain size.
    const QByteArray lengthAndStream = syncsafeBytes(title.size()) + zipped.mid(4);
    content = parse(tagBytes(4, frame24("TIT2", lengthAndStream, 0x0009)
                                    + frame24("TXXX", lengthAndStream, 0x0009)));
    EXPECT_EQ(content.fields[Title], QString(300, u't'));
    ASSERT_EQ(content.otherFrames.size(), 1);
    EXPECT_EQ(content.otherFrames[0].data, title + '\0'); // re-encoded, so stored plain

    // A size claim no zlib stream can meet is not believed.
    content = parse(tagBytes(3, frame23("TIT2", bigEndian(0x7FFFFFFF, 4) + zipped.mid(4), 0x0080)));
    EXPECT_TRUE(content.fields[Title].isEmpty());
}

// A repeated date of several values each: the last frame's first date
// counts, and the earlier frame's values are let go (Qt 6.4 leaked them
// when one list of values was moved over another).
TEST(ID3v2Parse, ARepeatedDateOfSeveralValuesTakesTheLastFrame)
{
    const QByteArray dates = "2001\0"
                             "2002\0"
                             "2003"_qba;
    const TagContent content = parse(tagBytes(4, frame24("TDRC", text(0, dates))
                                                     + frame24("TDRC", text(0, "1999\0"
                                                                               "2000\0"
                                                                               "2001"_qba))));
    EXPECT_EQ(content.fields[Year], QStringLiteral("1999"));
}

TEST(ID3v2Parse, Version24FramesTurnIntoVersion23Frames)
{
    const QByteArray body =
        frame24("TDRC", text(0, "2004-05-12T10:20")) + frame24("TPE1", text(3, "One\0Two"_qba))
        + frame24("TXXX", text(3, "Key\0Wert ü"_qba))
        + frame24("TIPL", text(0, "producer\0Someone\0"_qba)) + frame24("SEEK", bigEndian(1000, 4))
        + frame24("PRIV", "owner\0data"_qba, 0x4000);
    const TagContent content = parse(tagBytes(4, body));
    EXPECT_EQ(content.fields[Year], QStringLiteral("2004"));
    EXPECT_EQ(content.fields[Artist], QStringLiteral("One/Two"));
    EXPECT_FALSE(findFrame(content, "TDRC"));
    EXPECT_FALSE(findFrame(content, "SEEK"));
    ASSERT_TRUE(findFrame(content, "TDAT") && findFrame(content, "TIME"));
    EXPECT_EQ(findFrame(content, "TDAT")->data, text(0, "1205"));
    EXPECT_EQ(findFrame(content, "TIME")->data, text(0, "1020"));
    EXPECT_EQ(findFrame(content, "TXXX")->data,
              text(1, utf16le(QStringLiteral("Key")) + QByteArray(2, 0)
                          + utf16le(QStringLiteral("Wert ü"))));
    EXPECT_EQ(findFrame(content, "IPLS")->data, text(0, "producer\0Someone\0"_qba));
    // The tag-alter flag moves to where 2.3 keeps it.
    EXPECT_EQ(findFrame(content, "PRIV")->flags, 0x8000);
}

// A 2.4 genre of several values, numbers among them, keeps the names it
// reads as when it goes into a 2.3 tag.
TEST(ID3v2Parse, AVersion24GenreOfSeveralValuesKeepsItsNamesIn23)
{
    const TagContent content = parse(tagBytes(4, frame24("TCON", text(3, "17\0Поп\0RX"_qba))));
    EXPECT_EQ(content.fields[Genre], QStringLiteral("Rock/Поп/Remix"));
    ASSERT_EQ(content.fieldFrames[Genre].size(), 1);
    const TagContent written = parse(tagBytes(3, buildFrames(content, 3)));
    EXPECT_EQ(written.fields[Genre], content.fields[Genre]);
}

// A chapter's embedded frames are written in the tag's version, their sizes
// syncsafe in 2.4 only and their encodings ones 2.3 has, so readers of
// either version find the chapter's title.
TEST(ID3v2Build, ChapterFramesEmbedTheirFramesInTheVersionWritten)
{
    const QString title = u"Глава "_s.repeated(30); // a size over 127 bytes
    const QByteArray chapter = "ch1\0"_qba + QByteArray(16, '\0');
    const TagContent read24 =
        parse(tagBytes(4, frame24("CHAP", chapter + frame24("TIT2", text(3, title.toUtf8())))));
    const QByteArray embedded23 = text(1, utf16le(title));
    ASSERT_TRUE(findFrame(read24, "CHAP"));
    EXPECT_EQ(findFrame(read24, "CHAP")->data, chapter + frame23("TIT2", embedded23));

    const TagContent read23 = parse(tagBytes(3, buildFrames(read24, 3)));
    const TagContent reread24 = parse(tagBytes(4, buildFrames(read23, 4)));
    ASSERT_EQ(reread24.otherSources.size(), 1);
    EXPECT_EQ(reread24.otherSources[0].payload, chapter + frame24("TIT2", embedded23));
}

// A 2.3 tag written as 2.4: the date parts become one TDRC, TORY a TDOR,
// IPLS a TIPL, repeated frames one frame of several values, a compressed
// frame gets its length in front; frames 2.4 withdrew go. Edited fields get
// UTF-8 frames.
TEST(ID3v2Build, Version23FramesTurnIntoVersion24Frames)
{
    const QByteArray compressed = qCompress(QByteArray("owner\0data"_qba)).mid(4);
    const QByteArray body =
        frame23("TYER", text(0, "2004")) + frame23("TDAT", text(0, "1205"))
        + frame23("TIME", text(0, "1020")) + frame23("TORY", text(0, "1990"))
        + frame23("TPE1", text(0, "One")) + frame23("TPE1", text(0, "Two"))
        + frame23("IPLS", text(0, "producer\0Someone\0"_qba)) + frame23("RVAD", "\0\0\0\0"_qba)
        + frame23("PRIV", bigEndian(10, 4) + compressed, 0x8080) + frame23("TIT2", text(0, "Old"));
    TagContent content = parse(tagBytes(3, body));
    setField(content, Title, QStringLiteral("Новое"));
    const TagContent written = parse(tagBytes(4, buildFrames(content, 4)));
    EXPECT_EQ(written.damage, Damage::None);
    EXPECT_EQ(written.fields[Title], QStringLiteral("Новое"));
    EXPECT_EQ(written.fields[Artist], QStringLiteral("One/Two"));
    EXPECT_EQ(written.fields[OrigYear], QStringLiteral("1990"));
    const auto ids = [](const QList<RawFrame> &frames) {
        QByteArrayList list;
        for (const RawFrame &frame : frames)
            list.append(frame.id);
        return list;
    };
    QByteArrayList all = ids(written.otherSources);
    for (const QList<RawFrame> &frames : written.fieldSources)
        all += ids(frames);
    std::sort(all.begin(), all.end());
    EXPECT_EQ(all, (QByteArrayList{"PRIV", "TDOR", "TDRC", "TIPL", "TIT2", "TPE1"}));
    EXPECT_EQ(written.fieldSources[Year].value(0).payload, text(3, "2004-05-12T10:20"));
    EXPECT_EQ(written.fieldSources[Artist].value(0).payload, text(3, "One\0Two"_qba));
    EXPECT_EQ(written.fieldSources[Title].value(0).payload, text(3, "Новое"));
    const RawFrame priv = written.otherSources.value(ids(written.otherSources).indexOf("PRIV"));
    EXPECT_EQ(plainPayload(priv), "owner\0data"_qba);
    EXPECT_EQ(priv.status, 0x80);
}

// Some writers put a 2.4 date beside the 2.3 year frame: it stays with the
// field, in whichever version is written, until the year is edited.
TEST(ID3v2Build, ADateBesideAYearFrameKeepsItsDayAndTime)
{
    for (const int major : {3, 4}) {
        const auto frame = [major](const char *id, const char *data) {
            return major == 4 ? frame24(id, text(0, data)) : frame23(id, text(0, data));
        };
        TagContent content = parse(tagBytes(
            major, frame("TYER", "1999") + frame("TDRC", "1999-05-02T10:20") + frame("TORY", "1970")
                       + frame("TDOR", "1970-01-02") + frame("TIT2", "Old")));
        setField(content, Title, u"New"_s);
        const QByteArray as24 = buildFrames(content, 4);
        EXPECT_TRUE(as24.contains("1999-05-02T10:20") && as24.contains("1970-01-02")) << major;
        const TagContent as23 = parse(tagBytes(3, buildFrames(content, 3)));
        ASSERT_TRUE(findFrame(as23, "TDAT") && findFrame(as23, "TIME")) << major;
        EXPECT_EQ(findFrame(as23, "TDAT")->data, text(0, "0205"));
        EXPECT_EQ(findFrame(as23, "TIME")->data, text(0, "1020"));
        setField(content, Year, u"2000"_s);
        EXPECT_FALSE(buildFrames(content, 4).contains("1999")) << major;
    }
}

TEST(ID3v2Parse, ReadingTheFieldsSkipsBigFramesWithoutOne)
{
    class CountingBody : public BodySource {
    public:
        explicit CountingBody(QByteArrayView bytes) : bytes_(bytes) {}
        qint64 size() const override { return bytes_.size(); }
        QByteArray read(qint64 at, qint64 length) override
        {
            length = qBound<qint64>(0, length, bytes_.size() - at);
            bytesRead += length;
            return bytes_.sliced(at, length).toByteArray();
        }
        qint64 bytesRead = 0;

    private:
        QByteArrayView bytes_;
    };
    for (int major : {3, 4}) {
        const auto frame =
            major == 3 ? [](const char *id, const QByteArray &data) { return frame23(id, data); }
                       : [](const char *id, const QByteArray &data) { return frame24(id, data); };
        const QByteArray tag = tagBytes(
            major, frame("APIC", text(0, "image/png\0\x03\0"_qba + QByteArray(200000, 'p')))
                       + frame("TIT2", text(0, "Title"))
                       + frame("COMM", text(0, "eng\0Comment"_qba))
                       + frame("PRIV", QByteArray(100000, 'q')) + frame("TYER", text(0, "2001"))
                       + QByteArray(500, 0));
        TagHeader header;
        ASSERT_EQ(parseHeader(tag, header), HeaderKind::Tag);
        CountingBody body(QByteArrayView(tag).sliced(HeaderSize));
        const TagContent fields = parseTagFields(header, body);
        EXPECT_EQ(fields.fields, parse(tag).fields);
        EXPECT_EQ(fields.fields[Year], QStringLiteral("2001"));
        EXPECT_TRUE(fields.otherFrames.isEmpty());
        EXPECT_LT(body.bytesRead, 1000);
    }
}

TEST(ID3v2Parse, HeadersThatAreNoTag)
{
    TagHeader header;
    EXPECT_EQ(parseHeader("ID3\x03\x00\x00\x00\x00\x02\x01"_qba, header), HeaderKind::Tag);
    EXPECT_EQ(header.totalSize, 10 + 257);
    EXPECT_EQ(parseHeader("ID3\x03\x00\x00\x00\x00\x80\x01"_qba, header), HeaderKind::Garbage);
    EXPECT_EQ(parseHeader("ID3\xFF\x00\x00\x00\x00\x00\x01"_qba, header), HeaderKind::Garbage);
    EXPECT_EQ(parseHeader("ID3\x03\x00"_qba, header), HeaderKind::None);
    EXPECT_EQ(parseHeader("\xFF\xFB\x90\x00\x00\x00\x00\x00\x00\x00"_qba, header),
              HeaderKind::None);
    // Only 2.4 has a footer.
    parseHeader("ID3\x04\x00\x10\x00\x00\x00\x10"_qba, header);
    EXPECT_EQ(header.totalSize, 36);
    parseHeader("ID3\x03\x00\x10\x00\x00\x00\x10"_qba, header);
    EXPECT_EQ(header.totalSize, 26);
}

TEST(ID3v2Parse, DamagedTagsSayWhyAndGiveTheFramesThatCanBeRead)
{
    const QByteArray title = frame23("TIT2", text(0, "Title"));
    const QByteArray title22 = QByteArray("TT2") + bigEndian(6, 3) + text(0, "Title");
    const QByteArray oldIds =
        QByteArray("TT2\0", 4) + bigEndian(6, 4) + bigEndian(0, 2) + text(0, "Title");
    const struct {
        int major;
        quint8 flags;
        QByteArray body;
        Damage damage;
        const char *title;
    } cases[] = {
        {3, 0, title + QByteArray(100, '\0'), Damage::None, "Title"},
        {3, 0, title, Damage::None, "Title"},
        {3, 0, title + "tit2" + QByteArray(20, 'x'), Damage::Garbage, "Title"}, // not an id
        {3, 0, title + "TALB" + bigEndian(1000, 4) + bigEndian(0, 2) + title,
         Damage::FrameBeyondEnd, "Title"},
        {3, 0, title + "JUNK", Damage::Garbage, "Title"}, // too short for a frame
        {2, 0, title22 + QByteArray(10, '\0'), Damage::None, "Title"},
        {2, 0, title22 + "tt2" + QByteArray(10, 'x'), Damage::Garbage, "Title"},
        {2, 0x40, title22, Damage::CompressedTag, ""},
        {5, 0, title, Damage::UnknownVersion, ""},
        {3, 0x40, title, Damage::MissingExtendedHeader, "Title"}, // the flag, no header
        {3, 0x40, bigEndian(500, 4) + title, Damage::BadExtendedHeader, ""},
        {3, 0, oldIds, Damage::OldFrameIds, "Title"}, // 2.3 frames with 2.2 ids
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.body.toHex().toStdString());
        const TagContent content = parse(tagBytes(c.major, c.body, c.flags));
        EXPECT_EQ(content.damage, c.damage);
        EXPECT_EQ(content.fields[Title], QString::fromLatin1(c.title));
    }
}

TEST(ID3v2Build, RoundTripKeepsFieldsAndOtherFrames)
{
    TagContent content;
    content.fields[Title] = QStringLiteral("Plain ASCII");
    content.fields[Artist] = QStringLiteral("Кириллица");
    content.fields[TrackString] = QStringLiteral("7/9");
    content.fields[Genre] = QStringLiteral("Rock");
    content.fields[Comment] = QStringLiteral("Ω comment");
    // A private-use character is text like any other, written as it is.
    content.fields[Album] = QStringLiteral("Album ") + QChar(0xF7CF);
    content.commentLanguage = "deu";
    content.fields[Link] = QStringLiteral("http://example.org/ü");
    content.fields[Lyrics] = QString(3000, u'l');
    content.otherFrames.append(
        Frame{"APIC", 0, text(0, "image/png\0\x03\0"_qba + QByteArray(100, 'p'))});
    content.otherFrames.append(Frame{"PRIV", 0x8000, "owner\0data"_qba});

    const QByteArray frames = buildFrames(content);
    // ASCII text is written as 8-bit text, the rest as UTF-16 with a mark.
    EXPECT_TRUE(frames.contains(frame23("TIT2", text(0, "Plain ASCII"))));
    EXPECT_TRUE(frames.contains(frame23("TPE1", text(1, utf16le(QStringLiteral("Кириллица"))))));
    const QByteArray tag = buildTag(frames, paddedTotalSize(frames.size()));
    ASSERT_FALSE(tag.isEmpty());
    EXPECT_EQ(tag.size() % 4096, 0);
    EXPECT_GE(tag.size(), 10 + frames.size() + 1024);

    const TagContent back = parse(tag);
    for (int field = 0; field < FieldCount; ++field)
        EXPECT_EQ(back.fields[field], field == Link ? QStringLiteral("http://example.org/%C3%BC")
                                                    : content.fields[field])
            << field;
    EXPECT_EQ(back.commentDescription, content.commentDescription);
    EXPECT_EQ(back.commentLanguage, content.commentLanguage);
    ASSERT_EQ(back.otherFrames.size(), 2);
    EXPECT_EQ(back.otherFrames[0].data, content.otherFrames[0].data);
    EXPECT_EQ(back.otherFrames[1].flags, 0x8000);

    EXPECT_TRUE(buildTag(frames, frames.size() + 9).isEmpty());
    EXPECT_TRUE(buildTag(frames, MaxBodySize + 11).isEmpty());
}

class ID3v2File : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        path_ = dir_.file(QStringLiteral("song.mp3"));
    }
    TempFolder dir_;
    QString path_;
    QByteArray audio_ = fakeAudio(20000);
};

TEST_F(ID3v2File, WritesInPlaceWhenTheOldTagHasRoomElseRewritesWithPadding)
{
    // An old tag of 20 KB: bigger than 4 KiB, yet the new frames fit.
    const QByteArray old =
        tagBytes(3, frame23("TIT2", text(0, "Old")) + frame23("PRIV", "me\0secret"_qba)
                        + QByteArray(20000, 0));
    ASSERT_TRUE(writeAll(path_, old + audio_));
    QFile::setPermissions(path_, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
    const QFileDevice::Permissions permissions = QFile::permissions(path_);

    TID3v2 tag;
    ASSERT_TRUE(tag.ReadFromFile(path_));
    EXPECT_EQ(tag.TotalSize, old.size());
    tag.FSetTitle(QStringLiteral("  Новый  "));
    tag.FSetTrack(4);
    ASSERT_TRUE(tag.SaveToFile(path_));
    QByteArray bytes = readAll(path_);
    EXPECT_EQ(bytes.size(), old.size() + audio_.size());
    EXPECT_TRUE(bytes.endsWith(audio_));

    TID3v2 back;
    ASSERT_TRUE(back.ReadFromFile(path_));
    EXPECT_EQ(back.MajorVersion, 3);
    EXPECT_EQ(back.Title, QStringLiteral("Новый"));
    EXPECT_EQ(back.TrackString, QStringLiteral("4"));
    EXPECT_TRUE(bytes.contains(frame23("PRIV", "me\0secret"_qba)));

    // Too big for the old tag: the file is rewritten, the audio follows the
    // padded tag, the permissions stay, and the next edit fits in place.
    back.FSetLyrics(QString(30000, u'a'));
    ASSERT_TRUE(back.SaveToFile(path_));
    bytes = readAll(path_);
    EXPECT_EQ(bytes.size(), back.TotalSize + audio_.size());
    EXPECT_EQ(back.TotalSize % 4096, 0);
    EXPECT_TRUE(bytes.endsWith(audio_));
    EXPECT_EQ(QFile::permissions(path_), permissions);
    const qint64 size = bytes.size();
    back.FSetLyrics(QString(30100, u'b'));
    ASSERT_TRUE(back.SaveToFile(path_));
    bytes = readAll(path_);
    EXPECT_EQ(bytes.size(), size);
    EXPECT_TRUE(bytes.contains(frame23("PRIV", "me\0secret"_qba)));
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files).size(), 1); // no temporary file left
}

TEST_F(ID3v2File, AChangeHeldOpenIsRefusedWhenAnotherProgramWroteTheFileSince)
{
    const QByteArray old = tagBytes(3, frame23("TIT2", text(0, "Old")) + QByteArray(2000, 0));
    ASSERT_TRUE(writeAll(path_, old + audio_));
    TID3v2 tag;
    ASSERT_TRUE(tag.ReadFromFile(path_));
    tag.FSetTitle(QStringLiteral("Ours"));
    FileChange change;
    ASSERT_TRUE(tag.PlanSave(path_, &change));
    ASSERT_FALSE(change.rewrite);
    const int fd = ::open(QFile::encodeName(path_).constData(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    struct stat opened {};
    ASSERT_EQ(::fstat(fd, &opened), 0);
    // Another program retags the file in place before the change is made.
    const QByteArray theirs =
        tagBytes(3, frame23("TIT2", text(0, "Theirs")) + QByteArray(1990, 0)) + audio_ + "x";
    ASSERT_TRUE(writeAll(path_, theirs));
    WriteFailure why = WriteFailure::None;
    EXPECT_FALSE(applyChangeOpen(fd, opened, change, &why));
    ::close(fd);
    EXPECT_EQ(why, WriteFailure::Changed);
    EXPECT_EQ(readAll(path_), theirs);
}

TEST_F(ID3v2File, ReadOnlyFilesAreMadeWritableOnlyWhenATagIsWritten)
{
    const QFile::Permissions readOnly = QFile::ReadOwner | QFile::ReadGroup;
    TID3v2 tag;
    tag.FSetTitle(QStringLiteral("Title"));

    // Nothing to write into: the attributes stay as they were.
    ASSERT_TRUE(writeAll(path_, "ID3"_qba));
    ASSERT_TRUE(QFile::setPermissions(path_, readOnly));
    const QFile::Permissions before = QFile::permissions(path_);
    EXPECT_FALSE(tag.SaveToFile(path_));
    EXPECT_EQ(QFile::permissions(path_), before);
    EXPECT_EQ(readAll(path_), "ID3"_qba);

    // In place and by rewriting, the tag is written; a file that would not
    // open for writing (permissions do not bind root) is made writable for
    // its owner, its other bits kept.
    const QByteArray old = tagBytes(3, frame23("TIT2", text(0, "Old")) + QByteArray(500, 0));
    for (const QString &lyrics : {QString(), QString(3000, u'x')}) {
        ASSERT_TRUE(QFile::setPermissions(path_, readOnly | QFile::WriteOwner));
        ASSERT_TRUE(writeAll(path_, old + audio_));
        ASSERT_TRUE(QFile::setPermissions(path_, readOnly));
        tag.FSetLyrics(lyrics);
        ASSERT_TRUE(tag.SaveToFile(path_));
        if (geteuid() != 0) {
            EXPECT_EQ(QFile::permissions(path_), before | QFile::WriteOwner | QFile::WriteUser);
        }
        const QByteArray bytes = readAll(path_);
        EXPECT_EQ(bytes.size() == old.size() + audio_.size(), lyrics.isEmpty());
        EXPECT_TRUE(bytes.endsWith(audio_));
        TID3v2 back;
        ASSERT_TRUE(back.ReadFromFile(path_));
        EXPECT_EQ(back.Title, QStringLiteral("Title"));
        EXPECT_EQ(back.Lyrics, lyrics);
    }
}

TEST_F(ID3v2File, FilesWithoutTagGetOneAndCanLoseItAgain)
{
    ASSERT_TRUE(writeAll(path_, audio_));
    TID3v2 tag;
    ASSERT_TRUE(tag.ReadFromFile(path_));
    EXPECT_FALSE(tag.TagPresent);
    tag.FSetArtist(QStringLiteral("Artist"));
    ASSERT_TRUE(tag.SaveToFile(path_));
    EXPECT_EQ(readAll(path_).mid(tag.TotalSize), audio_);
    ASSERT_TRUE(tag.RemoveFromFile(path_));
    EXPECT_EQ(readAll(path_), audio_);
    EXPECT_TRUE(tag.RemoveFromFile(path_));
    EXPECT_EQ(readAll(path_), audio_);
}

TEST_F(ID3v2File, BrokenAndShortFilesAreNeverHarmed)
{
    TID3v2 tag;
    tag.FSetTitle(QStringLiteral("Title"));
    // Nothing, three bytes, a tag longer than the file.
    const QList<QByteArray> unchanged = {
        QByteArray(), "ID3"_qba,
        tagBytes(3, frame23("TIT2", text(0, "Cut")) + QByteArray(500, 0)).left(40)};
    for (const QByteArray &bytes : unchanged) {
        ASSERT_TRUE(writeAll(path_, bytes));
        EXPECT_EQ(tag.ReadFromFile(path_), bytes.size() >= 10);
        EXPECT_FALSE(tag.TagPresent);
        EXPECT_EQ(tag.TotalSize, 0);
        EXPECT_FALSE(tag.SaveToFile(path_));
        EXPECT_FALSE(tag.RemoveFromFile(path_));
        EXPECT_EQ(readAll(path_), bytes);
    }
    EXPECT_FALSE(tag.ReadFromFile(dir_.file(QStringLiteral("missing.mp3"))));
    EXPECT_FALSE(tag.SaveToFile(dir_.file(QStringLiteral("missing.mp3"))));

    // A header whose size is no syncsafe number is garbage: the new tag
    // replaces it, so it never lands in front of the audio.
    ASSERT_TRUE(writeAll(path_, "ID3\x03\x00\x00\xFF\xFF\xFF\xFF"_qba + audio_));
    ASSERT_TRUE(tag.ReadFromFile(path_));
    EXPECT_FALSE(tag.TagPresent);
    ASSERT_TRUE(tag.SaveToFile(path_));
    EXPECT_EQ(readAll(path_).mid(tag.TotalSize), audio_);
}

// Only "3DI" behind the body is a footer: a flag announcing one that is not
// there must not make a write take the first bytes of the audio with it.
TEST_F(ID3v2File, AFooterIsTakenOnlyWhereItIs)
{
    const QByteArray body = frame24("TIT2", text(0, "Old title")) + QByteArray(20, 0);
    const QByteArray header = tagBytes(4, body, 0x10);
    const QByteArray footer = "3DI" + header.mid(3, 7);
    for (const QByteArray &tag : {header + footer, header}) {
        for (const bool picture : {false, true}) {
            SCOPED_TRACE(testing::Message() << tag.size() << " picture " << picture);
            ASSERT_TRUE(writeAll(path_, tag + audio_));
            if (picture) {
                pictures::FilePictures file;
                pictures::PictureEdit edit;
                edit.picture.mime = "image/png";
                edit.picture.data = "png";
                FileChange change;
                pictures::FileFault fault = pictures::FileFault::None;
                ASSERT_TRUE(file.read(path_, &fault));
                ASSERT_TRUE(file.apply(edit));
                ASSERT_TRUE(file.plan(&change, &fault) && applyChange(change));
            } else {
                TID3v2 read;
                ASSERT_TRUE(read.ReadFromFile(path_));
                EXPECT_EQ(read.TotalSize, tag.size());
                read.FSetTitle(QStringLiteral("New"));
                ASSERT_TRUE(read.SaveToFile(path_));
            }
            TID3v2 back;
            ASSERT_TRUE(back.ReadFromFile(path_));
            EXPECT_EQ(readAll(path_).mid(back.TotalSize), audio_);
        }
    }
}

TEST_F(ID3v2File, FilesBeyondFourGigabytes)
{
    ASSERT_TRUE(
        writeAll(path_, tagBytes(3, frame23("TIT2", text(0, "Big")) + QByteArray(1000, 0))));
    const qint64 size = (qint64(5) << 30) + 123;
    {
        QFile file(path_);
        if (!file.resize(size)) // sparse where the file system allows
            GTEST_SKIP() << "cannot make a " << size << "-byte file here";
    }
    TID3v2 tag;
    ASSERT_TRUE(tag.ReadFromFile(path_));
    EXPECT_EQ(tag.Title, QStringLiteral("Big"));
    tag.FSetTitle(QStringLiteral("Bigger"));
    EXPECT_TRUE(tag.SaveToFile(path_));
    EXPECT_EQ(QFileInfo(path_).size(), size);
    ASSERT_TRUE(tag.ReadFromFile(path_));
    EXPECT_EQ(tag.Title, QStringLiteral("Bigger"));
    QFile::remove(path_);
}

TEST_F(ID3v2File, AFailedRewriteLeavesTheOriginal)
{
    const QByteArray original = tagBytes(3, frame23("TIT2", text(0, "Old"))) + audio_;
    ASSERT_TRUE(writeAll(path_, original));
    TID3v2 tag;
    tag.FSetTitle(QStringLiteral("A title that needs more room than the old tag has"));
    // No file may grow past a few bytes, so the new copy cannot be written
    // (a limit that binds root too).
    rlimit before{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &before), 0);
    const auto oldSignal = signal(SIGXFSZ, SIG_IGN);
    rlimit small = before;
    small.rlim_cur = 16;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    EXPECT_FALSE(tag.SaveToFile(path_));
    EXPECT_FALSE(tag.RemoveFromFile(path_));
    setrlimit(RLIMIT_FSIZE, &before);
    signal(SIGXFSZ, oldSignal);
    EXPECT_EQ(readAll(path_), original);
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files).size(), 1);
}
