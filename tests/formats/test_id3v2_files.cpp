#include "formats/codepage.h"
#include "formats/id3v2.h"
#include "testfiles.h"

#include <QFile>
#include <QJsonArray>

#ifdef QM_HAVE_TAGLIB
#include <id3v2header.h>
#include <id3v2tag.h>
#include <mpegfile.h>
#endif

using namespace Qt::Literals::StringLiterals;
using namespace qm::test;
using qm::TID3v2;

namespace {

// Tags a file through mutagen with frames of every kind: texts in Latin-1,
// UTF-16 and UTF-8 (2.4 only; mutagen turns it into UTF-16 for 2.3), several
// comments, long lyrics, a picture, user texts and links, a private frame.
const char kMutagenTagger[] = R"PY(
import sys
from mutagen.id3 import ID3, TIT2, TPE1, TALB, TRCK, TCON, TDRC, TCOM, COMM, USLT, APIC, TXXX, WXXX, PRIV, TOPE, TDOR
path, version, cover = sys.argv[1], int(sys.argv[2]), open(sys.argv[3], "rb").read()
t = ID3()
t.add(TIT2(encoding=0, text="Caf\xe9 title"))
t.add(TPE1(encoding=1, text=["\u041a\u0438\u043d\u043e", "Second"]))
t.add(TALB(encoding=3, text="Album \u2603"))
t.add(TRCK(encoding=0, text="3/12"))
t.add(TCON(encoding=0, text="(17)" if version == 3 else "17"))
t.add(TDRC(encoding=0, text="2004-05-12"))
t.add(TCOM(encoding=1, text="Composer"))
t.add(COMM(encoding=0, lang="eng", desc="iTunNORM", text=" 000001 000002"))
t.add(COMM(encoding=1, lang="rus", desc="", text="\u041a\u043e\u043c\u043c\u0435\u043d\u0442"))
t.add(USLT(encoding=3, lang="eng", desc="words", text="line \u00e4\n" * 400))
t.add(APIC(encoding=3, mime="image/png", type=3, desc="Cover \u00fc", data=cover))
t.add(TXXX(encoding=3, desc="MOOD", text="calm \u00f8"))
t.add(WXXX(encoding=0, desc="", url="http://example.org/"))
t.add(PRIV(owner="org.example", data=b"\x00\x01\xff\x00\xfe"))
t.add(TOPE(encoding=1, text="Orig \u00e5rtist"))
t.add(TDOR(encoding=0, text="1990"))
t.save(path, v2_version=version)
)PY";

QString joinedText(const QJsonObject &frame)
{
    QStringList texts;
    for (const auto &value : frame.value(u"text"_s).toArray())
        texts << value.toString();
    return texts.join(u'/');
}

bool hasPicture(const QJsonObject &mutagen)
{
    const QJsonObject tags = mutagen.value(u"tags"_s).toObject();
    return std::any_of(tags.begin(), tags.end(), [](const QJsonValue &frame) {
        return frame.toObject().value(u"id"_s).toString() == u"APIC";
    });
}

// What TagLib reads from a file Quillmark wrote: the tag's fields as the
// writer has them, and the picture where the file had one.
void expectReadsAsTagLib(const QString &path, const TID3v2 &tag, bool picture)
{
#ifdef QM_HAVE_TAGLIB
    TagLib::MPEG::File file(QFile::encodeName(path).constData(), false);
    ASSERT_TRUE(file.isValid());
    TagLib::ID3v2::Tag *read = file.ID3v2Tag();
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->header()->majorVersion(), 3u);
    const auto text = [](const TagLib::String &value) {
        return QString::fromStdString(value.to8Bit(true));
    };
    EXPECT_EQ(text(read->title()), tag.Title);
    EXPECT_EQ(text(read->artist()), tag.Artist);
    EXPECT_EQ(text(read->album()), tag.Album);
    EXPECT_EQ(read->year(), tag.Year.toUInt());
    EXPECT_EQ(read->track(), tag.Track);
    EXPECT_EQ(text(read->genre()), tag.Genre);
    EXPECT_EQ(text(read->comment()), tag.Comment);
    EXPECT_EQ(!read->frameList("APIC").isEmpty(), picture);
#else
    (void)path;
    (void)tag;
    (void)picture;
#endif
}

#ifndef QM_HAVE_TAGLIB
// Without TagLib the written files are compared with mutagen alone: said as
// a skip, and a failure where every oracle must be there.
TEST(TagLibOracle, Built)
{
    QM_MISSING_TOOL("TagLib (libtag1-dev) was not found when the build was configured");
}
#endif

class ID3v2Files : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (!haveTool(u"lame"_s) || !haveTool(u"ffmpeg"_s))
            return;
        TempFolder folder;
        const QString path = folder.file(u"tone.mp3"_s);
        if (makeMp3(path))
            audio_ = readAll(path);
        // A real picture, so that ffprobe finds nothing to complain about.
        const QString png = folder.file(u"cover.png"_s);
        if (runCommand(u"ffmpeg"_s, {u"-nostdin"_s, u"-v"_s, u"error"_s, u"-f"_s, u"lavfi"_s,
                                     u"-i"_s, u"testsrc=size=64x64"_s, u"-frames:v"_s, u"1"_s, png})
                .ok())
            cover_ = readAll(png);
    }
    void SetUp() override
    {
        if (audio_.isEmpty() || cover_.isEmpty())
            QM_MISSING_TOOL("needs lame and ffmpeg to make an MP3 and a picture");
        QM_REQUIRE_MUTAGEN();
        path_ = dir_.file(u"song.mp3"_s);
        cover_path_ = dir_.file(u"cover.png"_s);
        ASSERT_TRUE(writeAll(path_, audio_));
        ASSERT_TRUE(writeAll(cover_path_, cover_));
        // Latin-1 frames of these files are Latin-1 indeed.
        ASSERT_TRUE(qm::LegacyCodepage::setName(u"ISO-8859-1"_s));
    }
    void TearDown() override { qm::LegacyCodepage::setName(u"windows-1251"_s); }

    void expectReadsAsMutagen(const TID3v2 &tag)
    {
        const QJsonObject m = mutagenRead(path_);
        ASSERT_FALSE(m.contains(u"error"_s)) << m.value(u"error"_s).toString().toStdString();
        const std::pair<const QString *, QString> texts[] = {
            {&tag.Title, u"TIT2"_s},    {&tag.Artist, u"TPE1"_s},
            {&tag.Album, u"TALB"_s},    {&tag.TrackString, u"TRCK"_s},
            {&tag.Composer, u"TCOM"_s}, {&tag.OrigArtist, u"TOPE"_s}};
        for (const auto &[field, id] : texts)
            EXPECT_EQ(*field, mutagenText(m, id)) << id.toStdString();
        const QString date = mutagenText(m, u"TDRC"_s);
        EXPECT_EQ(tag.Year, date.isNull() ? date : date.left(4));
        const QJsonObject tags = m.value(u"tags"_s).toObject();
        for (auto it = tags.begin(); it != tags.end(); ++it) {
            const QJsonObject frame = it.value().toObject();
            const QString id = frame.value(u"id"_s).toString();
            const QString text = joinedText(frame).trimmed();
            if (id == u"COMM" && frame.value(u"desc"_s).toString().isEmpty()) {
                EXPECT_EQ(tag.Comment, text);
            } else if (id == u"USLT") {
                EXPECT_EQ(tag.Lyrics, text);
            } else if (id == u"WXXX") {
                EXPECT_EQ(tag.Link, frame.value(u"url"_s).toString());
            }
        }
    }

    // Writes new values and checks what mutagen and ffprobe make of the
    // file: the new values, every other frame as before, the audio as it was.
    void expectWriteKeepsEverythingElse()
    {
        TID3v2 tag;
        ASSERT_TRUE(tag.ReadFromFile(path_));
        const QByteArray audio = readAll(path_).mid(tag.TotalSize);
        const QJsonObject before = mutagenRead(path_);
        tag.FSetTitle(u"Neuer Titel Ω"_s);
        tag.FSetGenre(u"Trip-Hop"_s);
        tag.FSetComment(u"plain"_s);
        ASSERT_TRUE(tag.SaveToFile(path_));
        EXPECT_EQ(readAll(path_).mid(tag.TotalSize), audio);
        expectReadsAsTagLib(path_, tag, hasPicture(before));

        const QJsonObject after = mutagenRead(path_);
        ASSERT_FALSE(after.contains(u"error"_s))
            << after.value(u"error"_s).toString().toStdString();
        EXPECT_EQ(after.value(u"version"_s).toString(), u"2.3.0"_s);
        EXPECT_EQ(mutagenText(after, u"TIT2"_s), u"Neuer Titel Ω"_s);
        EXPECT_EQ(mutagenText(after, u"TCON"_s), u"Trip-Hop"_s);
        const QJsonObject oldTags = before.value(u"tags"_s).toObject();
        const QJsonObject newTags = after.value(u"tags"_s).toObject();
        // Only the comment without description carries the field.
        QString fieldComment;
        for (auto it = oldTags.begin(); it != oldTags.end(); ++it) {
            const QJsonObject frame = it.value().toObject();
            if (frame.value(u"id"_s).toString() == u"COMM"
                && frame.value(u"desc"_s).toString().isEmpty())
                fieldComment = it.key();
        }
        for (auto it = oldTags.begin(); it != oldTags.end(); ++it) {
            const QJsonObject old = it.value().toObject();
            const QString id = old.value(u"id"_s).toString();
            if (id == u"TIT2" || id == u"TCON")
                continue;
            ASSERT_TRUE(newTags.contains(it.key())) << it.key().toStdString();
            const QJsonObject now = newTags.value(it.key()).toObject();
            if (it.key() == fieldComment) {
                EXPECT_EQ(joinedText(now), u"plain"_s);
            } else if (id != u"TDRC") { // the fields not edited keep their frames // a 2.3 date is
                                        // day-exact, not a full timestamp
                EXPECT_EQ(joinedText(now), joinedText(old)) << it.key().toStdString();
            }
            for (const QString &key :
                 {u"desc"_s, u"lang"_s, u"mime"_s, u"url"_s, u"owner"_s, u"data_size"_s, u"type"_s})
                EXPECT_EQ(now.value(key), old.value(key))
                    << it.key().toStdString() << " " << key.toStdString();
        }

        const CommandResult probe = runCommand(
            u"ffprobe"_s, {u"-v"_s, u"error"_s, u"-show_entries"_s, u"format_tags=title"_s,
                           u"-of"_s, u"default=nw=1:nk=1"_s, path_});
        if (probe.started) {
            EXPECT_TRUE(probe.ok());
            EXPECT_EQ(QString::fromUtf8(probe.out).trimmed(), u"Neuer Titel Ω"_s);
            EXPECT_TRUE(probe.err.isEmpty()) << probe.err.toStdString();
        }
    }

    static inline QByteArray audio_;
    static inline QByteArray cover_;
    TempFolder dir_;
    QString path_;
    QString cover_path_;
};

} // namespace

TEST_F(ID3v2Files, MutagenTagsOfVersions23And24)
{
    for (const char *version : {"3", "4"}) {
        SCOPED_TRACE(version);
        ASSERT_TRUE(writeAll(path_, audio_));
        const CommandResult tagged = runCommand(QString::fromLatin1(kPython),
                                                {u"-c"_s, QString::fromLatin1(kMutagenTagger),
                                                 path_, QString::fromLatin1(version), cover_path_});
        ASSERT_TRUE(tagged.ok()) << tagged.err.toStdString();
        TID3v2 tag;
        ASSERT_TRUE(tag.ReadFromFile(path_));
        EXPECT_EQ(tag.MajorVersion, QByteArray(version).toInt());
        expectReadsAsMutagen(tag);
        EXPECT_EQ(tag.Genre, u"Rock"_s);
        EXPECT_EQ(tag.Track, 3);
        EXPECT_EQ(tag.OrigYear, u"1990"_s);
        EXPECT_EQ(tag.Lyrics.size(), 400 * 7 - 1);
        expectWriteKeepsEverythingElse();
    }
}

TEST_F(ID3v2Files, Version22BuiltByHand)
{
    const auto frame = [](const char *id, const QByteArray &data) {
        const int size = int(data.size());
        return QByteArray(id) + char(size >> 16) + char(size >> 8) + char(size) + data;
    };
    const QByteArray picture = "\0PNG\x03"
                               "Cover\0"_ba
                               + cover_;
    QByteArray body = frame("TT2", "\0Old title"_ba)
                      + frame("TP1", "\x01\xFF\xFE"_ba + QByteArray("A\0r\0t\0", 6))
                      + frame("TRK", "\0"
                                     "7"_ba)
                      + frame("TYE", "\0"
                                     "1987"_ba)
                      + frame("TCO", "\0(RX)"_ba) + frame("COM", "\0eng\0Said"_ba)
                      + frame("ULT", "\0eng\0"_ba + QByteArray(2000, 'w')) + frame("PIC", picture)
                      + QByteArray(64, '\0');
    const int size = int(body.size());
    const QByteArray header = "ID3\x02\0\0"_ba + char(size >> 21 & 0x7F) + char(size >> 14 & 0x7F)
                              + char(size >> 7 & 0x7F) + char(size & 0x7F);
    ASSERT_TRUE(writeAll(path_, header + body + audio_));

    TID3v2 tag;
    ASSERT_TRUE(tag.ReadFromFile(path_));
    EXPECT_EQ(tag.MajorVersion, 2);
    EXPECT_EQ(tag.Genre, u"Remix"_s);
    EXPECT_EQ(tag.Year, u"1987"_s);
    expectReadsAsMutagen(tag);
    expectWriteKeepsEverythingElse();
    const QJsonObject after = mutagenRead(path_);
    const QJsonObject apic = after.value(u"tags"_s).toObject().value(u"APIC:Cover"_s).toObject();
    EXPECT_EQ(apic.value(u"mime"_s).toString(), u"image/png"_s);
}

TEST_F(ID3v2Files, TaggedByEyeD3AndId3v2)
{
    QM_REQUIRE_TOOL("eyeD3");
    QM_REQUIRE_TOOL("id3v2");
    const QString lyrics = dir_.file(u"lyrics.txt"_s);
    ASSERT_TRUE(writeAll(lyrics, QString(u"Zeile mit Ümlaut\n"_s).repeated(200).toUtf8()));
    for (const char *encoding : {"utf16", "utf8", "latin1"}) {
        for (const char *version : {"--to-v2.3", "--to-v2.4"}) {
            if (QByteArray(encoding) == "utf8" && QByteArray(version) == "--to-v2.3")
                continue; // 2.3 has no UTF-8
            SCOPED_TRACE(std::string(encoding) + " " + version);
            ASSERT_TRUE(writeAll(path_, audio_));
            const CommandResult tagged =
                runCommand(u"eyeD3"_s, {u"-Q"_s,
                                        QString::fromLatin1(version),
                                        u"--encoding"_s,
                                        QString::fromLatin1(encoding),
                                        u"-t"_s,
                                        u"Titel"_s,
                                        u"-a"_s,
                                        u"Artist Ümlaut"_s,
                                        u"-n"_s,
                                        u"5"_s,
                                        u"-N"_s,
                                        u"12"_s,
                                        u"-G"_s,
                                        u"Rock"_s,
                                        u"-c"_s,
                                        u"Komment"_s,
                                        u"--add-comment"_s,
                                        u"Other:cdesc:deu"_s,
                                        u"--add-image"_s,
                                        cover_path_ + u":FRONT_COVER:desc"_s,
                                        u"--add-lyrics"_s,
                                        lyrics + u":ldesc:eng"_s,
                                        u"--user-url-frame"_s,
                                        u"home:http://x.org/"_s,
                                        path_});
            ASSERT_TRUE(tagged.ok()) << tagged.err.toStdString();
            TID3v2 tag;
            ASSERT_TRUE(tag.ReadFromFile(path_));
            EXPECT_EQ(tag.Genre, u"Rock"_s);
            EXPECT_EQ(tag.Track, 5);
            expectReadsAsMutagen(tag);
            expectWriteKeepsEverythingElse();
        }
    }

    ASSERT_TRUE(writeAll(path_, audio_));
    const CommandResult tagged =
        runCommand(u"id3v2"_s, {u"-2"_s, u"-t"_s, u"Title"_s, u"-a"_s, u"Artist"_s, u"-y"_s,
                                u"2001"_s, u"-T"_s, u"2/10"_s, u"-g"_s, u"17"_s, u"-c"_s,
                                u"desc:Comment:eng"_s, u"--TPE2"_s, u"Band"_s, path_});
    ASSERT_TRUE(tagged.ok()) << tagged.err.toStdString();
    TID3v2 tag;
    ASSERT_TRUE(tag.ReadFromFile(path_));
    EXPECT_EQ(tag.MajorVersion, 3);
    EXPECT_EQ(tag.Genre, u"Rock"_s); // id3v2 writes "(17)"
    EXPECT_EQ(tag.Year, u"2001"_s);
    EXPECT_EQ(tag.Comment, QString()); // a described comment is no comment field
    expectReadsAsMutagen(tag);
    expectWriteKeepsEverythingElse();
}

namespace {

// A frame's bytes (header and data) as they stand in a 2.4 tag of `file`.
QByteArray frameBytes(const QByteArray &file, const char *id)
{
    const qsizetype at = file.indexOf(id);
    if (at < 0 || at + 10 > file.size())
        return {};
    qint64 size = 0;
    for (int i = 0; i < 4; ++i)
        size = (size << 7) | uchar(file[at + 4 + i]);
    return file.mid(at, 10 + size);
}

// What mutagen's 2.4 reading finds wrong with a tag: a version other than
// 2.4, frames 2.4 does not have, text in an encoding 2.4 frames of ours are
// not written in. Empty when nothing.
const char kStrict24[] = R"PY(
import sys
from mutagen.id3 import ID3
t = ID3(sys.argv[1], translate=False)
bad = []
if t.version != (2, 4, 0): bad.append("version %r" % (t.version,))
for f in t.values():
    if f.FrameID in ("TYER", "TDAT", "TIME", "TORY", "IPLS", "TRDA", "TSIZ", "RVAD", "EQUA"):
        bad.append(f.FrameID)
if t.unknown_frames: bad.append("unknown %d" % len(t.unknown_frames))
print(" ".join(bad))
)PY";

} // namespace

TEST_F(ID3v2Files, WrittenInTheVersionChosen)
{
    const struct {
        const char *source;
        quint8 asked;
        quint8 written;
    } cases[] = {{"3", 3, 3}, {"3", 4, 4}, {"3", 0, 3}, {"4", 3, 3}, {"4", 4, 4}, {"4", 0, 4}};
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.source) + " as " + std::to_string(c.asked));
        ASSERT_TRUE(writeAll(path_, audio_));
        const CommandResult tagged = runCommand(
            QString::fromLatin1(kPython), {u"-c"_s, QString::fromLatin1(kMutagenTagger), path_,
                                           QString::fromLatin1(c.source), cover_path_});
        ASSERT_TRUE(tagged.ok()) << tagged.err.toStdString();
        const QByteArray before = readAll(path_);
        TID3v2 tag;
        ASSERT_TRUE(tag.ReadFromFile(path_));
        const QByteArray audio = before.mid(tag.TotalSize);
        tag.WriteVersion = c.asked;
        tag.FSetTitle(u"Новое имя"_s);
        ASSERT_TRUE(tag.SaveToFile(path_));
        EXPECT_EQ(tag.MajorVersion, c.written);
        const QByteArray after = readAll(path_);
        EXPECT_EQ(after.mid(tag.TotalSize), audio);
        EXPECT_EQ(uchar(after[3]), c.written);

        const QJsonObject m = mutagenRead(path_);
        ASSERT_FALSE(m.contains(u"error"_s)) << m.value(u"error"_s).toString().toStdString();
        EXPECT_EQ(mutagenText(m, u"TIT2"_s), u"Новое имя"_s);
        EXPECT_EQ(mutagenText(m, u"TPE1"_s), u"Кино/Second"_s);
        EXPECT_EQ(mutagenText(m, u"TDRC"_s), u"2004-05-12"_s);
        EXPECT_EQ(mutagenText(m, u"TDOR"_s), u"1990"_s);
        EXPECT_EQ(mutagenText(m, u"TALB"_s), u"Album ☃"_s);
        EXPECT_TRUE(hasPicture(m));
        if (c.written == 4) {
            const CommandResult strict = runCommand(
                QString::fromLatin1(kPython), {u"-c"_s, QString::fromLatin1(kStrict24), path_});
            ASSERT_TRUE(strict.ok()) << strict.err.toStdString();
            EXPECT_EQ(strict.out.trimmed(), QByteArray());
            // A 2.4 frame of a field not edited keeps its bytes.
            for (const char *id : {"TPE1", "TDRC", "APIC", "PRIV"}) {
                if (c.source == "4"_ba) {
                    EXPECT_TRUE(after.contains(frameBytes(before, id))) << id;
                }
            }
        }
#ifdef QM_HAVE_TAGLIB
        TagLib::MPEG::File file(QFile::encodeName(path_).constData(), false);
        ASSERT_TRUE(file.isValid());
        TagLib::ID3v2::Tag *read = file.ID3v2Tag();
        ASSERT_NE(read, nullptr);
        EXPECT_EQ(read->header()->majorVersion(), c.written);
        EXPECT_EQ(QString::fromStdString(read->title().to8Bit(true)), u"Новое имя"_s);
        EXPECT_EQ(QString::fromStdString(read->album().to8Bit(true)), u"Album ☃"_s);
        EXPECT_EQ(read->year(), 2004u);
#endif
    }
    // eyeD3 reads the 2.4 tag last written without a complaint.
    if (haveTool(u"eyeD3"_s)) {
        const CommandResult eyed3 = runCommand(u"eyeD3"_s, {u"--no-color"_s, u"-v"_s, path_});
        EXPECT_TRUE(eyed3.ok()) << eyed3.err.toStdString();
        EXPECT_TRUE(eyed3.out.contains("ID3 v2.4")) << eyed3.out.toStdString();
        EXPECT_FALSE(eyed3.err.contains("arning")) << eyed3.err.toStdString();
    }
}
