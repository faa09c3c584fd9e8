#include "formats/flacmeta.h"
#include "formats/ogg.h"
#include "testfiles.h"
#include "vorbistestfiles.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>

using namespace Qt::Literals::StringLiterals;
using namespace qm;
using namespace qm::test;

namespace {

// The first entry where two comment lists differ, for the failure message.
std::string firstDifference(const QJsonArray &got, const QJsonArray &expected)
{
    for (qsizetype i = 0; i < qMax(got.size(), expected.size()); ++i)
        if (got.at(i) != expected.at(i))
            return QStringLiteral("entry %1: %2 instead of %3")
                .arg(i)
                .arg(QString::fromUtf8(QJsonDocument(got.at(i).toArray()).toJson()).left(80),
                     QString::fromUtf8(QJsonDocument(expected.at(i).toArray()).toJson()).left(80))
                .toStdString();
    return {};
}

struct Parsed {
    Walk walk = Walk::Invalid;
    Fault fault = Fault::None;
    flac::Metadata flac;
    ogg::StreamHeaders ogg;
    NativeRead read;
};

// Reads as a reader of files would: the first bytes, then as many as the
// parser asks for.
Parsed parse(Kind kind, const QByteArray &bytes)
{
    Parsed parsed;
    qint64 needed = 64;
    for (int reads = 0; reads < 20; ++reads) {
        const QByteArrayView head = QByteArrayView(bytes).first(qMin(needed, bytes.size()));
        parsed.walk =
            kind == Kind::Flac
                ? flac::parse(head, bytes.size(), &parsed.flac, &needed, &parsed.fault)
                : ogg::parseHeaders(head, bytes.size(), &parsed.ogg, &needed, &parsed.fault);
        if (parsed.walk != Walk::NeedMore)
            break;
    }
    if (parsed.walk == Walk::Ok)
        parsed.read =
            kind == Kind::Flac
                ? flac::readResult(parsed.flac)
                : ogg::readResult(parsed.ogg,
                                  ogg::lastGranule(bytes, parsed.ogg.serial, parsed.ogg.headerEnd),
                                  bytes.size());
    return parsed;
}

const vorbis::Comment &commentOf(Kind kind, const Parsed &parsed)
{
    return kind == Kind::Flac ? parsed.flac.comment : parsed.ogg.comment;
}

// The new file a plan makes of the old one; empty when it fails.
QByteArray applyPlan(const QByteArray &bytes, const WritePlan &plan)
{
    QByteArray written;
    return applyWritePlan(bytes, plan, &written, nullptr) ? written : QByteArray();
}

bool planWrite(Kind kind, const Parsed &parsed, const vorbis::Comment &comment, WritePlan *plan,
               Fault *fault)
{
    return kind == Kind::Flac ? flac::planWrite(parsed.flac, comment, plan, fault)
                              : ogg::planWrite(parsed.ogg, comment, plan, fault);
}

class VorbisFiles : public ::testing::TestWithParam<Format> {
protected:
    void SetUp() override
    {
        requireVorbisTools();
        if (IsSkipped() || HasFatalFailure())
            return;
        path_ = folder_.file(u"a."_s + QString::fromLatin1(GetParam().suffix));
        QString error;
        bytes_ = makeTagged(GetParam(), path_, &error);
        ASSERT_FALSE(bytes_.isEmpty()) << error.toStdString();
    }

    TempFolder folder_;
    QString path_;
    QByteArray bytes_;
};

// Our reading agrees with mutagen's comments and ffprobe's duration.
TEST_P(VorbisFiles, ReadsWhatMutagenAndFfprobeRead)
{
    const Kind kind = GetParam().kind;
    const Parsed parsed = parse(kind, bytes_);
    ASSERT_EQ(parsed.walk, Walk::Ok) << int(parsed.fault);
    const QJsonObject mutagen = vorbisRead(path_);
    QJsonArray ours;
    for (const QByteArray &entry : commentOf(kind, parsed).entries)
        if (vorbis::entryName(entry) != "METADATA_BLOCK_PICTURE")
            ours.append(QJsonArray{QString::fromUtf8(entry.first(entry.indexOf('='))),
                                   vorbis::entryValue(entry)});
    EXPECT_EQ(firstDifference(ours, mutagen.value(u"comments"_s).toArray()), "");
    const TagFields &fields = parsed.read.fields;
    EXPECT_EQ(fields[id3v2::Title], u"Caf\u00e9"_s);
    EXPECT_EQ(fields[id3v2::Artist], u"\u041a\u0438\u043d\u043e/Two"_s);
    EXPECT_EQ(fields[id3v2::TrackString], u"3/12"_s);
    EXPECT_EQ(fields[id3v2::Comment], u"Words"_s);
    EXPECT_EQ(parsed.read.pictures, 1);
    // ffprobe counts Opus's pre-skip into the duration; the decoder drops it.
    double expected = ffprobe(path_).value(u"format"_s)[u"duration"_s].toString().toDouble();
    if (kind == Kind::Opus) {
        const CommandResult pcm =
            runCommand(u"ffmpeg"_s, {u"-v"_s, u"error"_s, u"-i"_s, path_, u"-f"_s, u"s16le"_s,
                                     u"-ac"_s, u"1"_s, u"-ar"_s, u"48000"_s, u"-"_s});
        expected = double(pcm.out.size()) / 2 / 48000;
    }
    EXPECT_NEAR(parsed.read.duration, expected, 0.001);
    EXPECT_NEAR(parsed.read.duration, mutagen.value(u"length"_s).toDouble(), 0.001);
    EXPECT_TRUE(parsed.read.streamText.startsWith(
        QString::fromLatin1(GetParam().name)
        + (kind == Kind::Opus ? u", 48000 Hz, stereo"_s : u", 44100 Hz, stereo"_s)))
        << parsed.read.streamText.toStdString();
}

// A small edit goes in place, a big one rewrites the file (and the next
// small one goes in place again); either way the file stays valid, every
// other comment and the picture stay, and the audio decodes as before.
TEST_P(VorbisFiles, WritesKeepEverythingElse)
{
    const Kind kind = GetParam().kind;
    const QByteArray audio = audioMd5(path_);
    const QJsonArray before = vorbisRead(path_).value(u"comments"_s).toArray();
    const QJsonArray pictures = vorbisRead(path_).value(u"pictures"_s).toArray();
    const QString lyrics = u"line \u00e4\n"_s.repeated(30000) + u"end"_s;
    struct Step {
        id3v2::Field field;
        QString text;
        WritePlan::Kind kind;
        const char *name; // of the comment in mutagen's list
        int at;           // its place there; -1: added at the end
    } steps[] = {
        {id3v2::Title, u"New title"_s, WritePlan::InPlace, "TITLE", 0},
        {id3v2::Lyrics, lyrics, WritePlan::Rewrite, "LYRICS", -1},
        {id3v2::Genre, u"Jazz"_s, WritePlan::InPlace, "GENRE", 8},
    };
    QJsonArray expected = before;
    for (const Step &step : steps) {
        SCOPED_TRACE(step.name);
        const QByteArray old = readAll(path_);
        const Parsed parsed = parse(kind, old);
        ASSERT_EQ(parsed.walk, Walk::Ok) << int(parsed.fault);
        vorbis::Comment comment = commentOf(kind, parsed);
        vorbis::setField(comment, step.field, step.text);
        WritePlan plan;
        Fault fault = Fault::None;
        ASSERT_TRUE(planWrite(kind, parsed, comment, &plan, &fault)) << int(fault);
        EXPECT_EQ(plan.kind, step.kind);
        const QByteArray written = applyPlan(old, plan);
        ASSERT_FALSE(written.isEmpty());
        EXPECT_EQ(written.size() == old.size(), step.kind == WritePlan::InPlace);
        ASSERT_TRUE(writeAll(path_, written));

        const QJsonArray entry{QString::fromLatin1(step.name), step.text};
        if (step.at < 0)
            expected.append(entry);
        else
            expected[step.at] = entry;
        const QJsonObject mutagen = vorbisRead(path_);
        EXPECT_EQ(firstDifference(mutagen.value(u"comments"_s).toArray(), expected), "");
        EXPECT_EQ(mutagen.value(u"pictures"_s).toArray(), pictures);
        EXPECT_EQ(parse(kind, written).read.fields[step.field], step.text);
        expectValid(GetParam(), path_);
        EXPECT_EQ(audioMd5(path_), audio);
    }
}

// Damage the walk finds is refused with a reason and gives no plan.
TEST_P(VorbisFiles, RefusesDamagedFiles)
{
    const Kind kind = GetParam().kind;
    const Parsed parsed = parse(kind, bytes_);
    ASSERT_EQ(parsed.walk, Walk::Ok);
    const qint64 headerEnd = kind == Kind::Flac ? parsed.flac.audioStart : parsed.ogg.headerEnd;
    QByteArray flipped = bytes_;
    // The first block's length in FLAC; a byte under an Ogg page's checksum.
    flipped[kind == Kind::Flac ? 7 : int(headerEnd) - 5] ^= 0x40;
    const Fault flipFault = kind == Kind::Flac ? Fault::BadBlock : Fault::BadChecksum;
    const std::pair<QByteArray, Fault> cases[] = {{bytes_.first(headerEnd - 10), Fault::Truncated},
                                                  {flipped, flipFault}};
    for (const auto &[damaged, fault] : cases) {
        const Parsed bad = parse(kind, damaged);
        EXPECT_EQ(bad.walk, Walk::Invalid);
        EXPECT_EQ(bad.fault, fault);
    }
}

// Writes a new title through `plan` into the file, which must stay valid.
void writeTitle(Kind kind, const QString &path, WritePlan::Kind expected)
{
    const QByteArray old = readAll(path);
    const Parsed parsed = parse(kind, old);
    ASSERT_EQ(parsed.walk, Walk::Ok) << int(parsed.fault);
    vorbis::Comment comment = commentOf(kind, parsed);
    vorbis::setField(comment, id3v2::Title, u"x"_s.repeated(70000));
    WritePlan plan;
    ASSERT_TRUE(planWrite(kind, parsed, comment, &plan, nullptr));
    EXPECT_EQ(plan.kind, expected);
    ASSERT_TRUE(writeAll(path, applyPlan(old, plan)));
}

// An ID3v2 tag in front of "fLaC" is read past and kept as it is.
TEST(FlacFiles, KeepTheId3v2TagInFront)
{
    requireVorbisTools();
    if (IsSkipped() || HasFatalFailure())
        return;
    TempFolder folder;
    const QString path = folder.file(u"a.flac"_s);
    QString error;
    const QByteArray flac = makeTagged(kFormats[0], path, &error);
    ASSERT_FALSE(flac.isEmpty()) << error.toStdString();
    id3v2::TagContent content;
    id3v2::setField(content, id3v2::Title, u"In front"_s);
    const QByteArray frames = id3v2::buildFrames(content);
    const QByteArray tag = id3v2::buildTag(frames, id3v2::paddedTotalSize(frames.size()));
    ASSERT_TRUE(writeAll(path, tag + flac));
    const QByteArray audio = audioMd5(path);
    writeTitle(Kind::Flac, path, WritePlan::Rewrite);
    const QByteArray written = readAll(path);
    EXPECT_TRUE(written.startsWith(tag));
    EXPECT_EQ(parse(Kind::Flac, written).flac.id3v2, tag);
    expectValid(kFormats[0], path);
    EXPECT_EQ(audioMd5(path), audio);
}

// A chained Opus file: the first stream is read and rewritten, its pages
// renumbered; the second stream keeps every byte.
TEST(OggFiles, LeaveTheChainedStreamUntouched)
{
    requireVorbisTools();
    if (IsSkipped() || HasFatalFailure())
        return;
    TempFolder folder;
    QString error;
    const QByteArray first = makeTagged(kFormats[2], folder.file(u"a.opus"_s), &error);
    const QByteArray second =
        makeTagged(kFormats[2], folder.file(u"b.opus"_s), &error, {u"-serial_offset"_s, u"1000"_s});
    ASSERT_FALSE(first.isEmpty() || second.isEmpty()) << error.toStdString();
    const QString path = folder.file(u"chained.opus"_s);
    ASSERT_TRUE(writeAll(path, first + second));
    EXPECT_NEAR(parse(Kind::Opus, first + second).read.duration, 1.5, 0.001);
    writeTitle(Kind::Opus, path, WritePlan::Rewrite);
    const QByteArray written = readAll(path);
    EXPECT_TRUE(written.endsWith(second));
    const Parsed parsed = parse(Kind::Opus, written);
    EXPECT_EQ(parsed.read.fields[id3v2::Title].size(), 70000);
    EXPECT_NEAR(parsed.read.duration, 1.5, 0.001);
    expectValid(kFormats[2], path);
}

// Behind a stream whose end was never written, or before a chained stream,
// the last page is looked for a window at a time, never in one read of all
// the rest.
TEST(OggFiles, FindTheLastPageBehindLongJunkInWindows)
{
    requireVorbisTools();
    if (IsSkipped() || HasFatalFailure())
        return;
    TempFolder folder;
    QString error;
    const QByteArray opus = makeTagged(kFormats[2], folder.file(u"a.opus"_s), &error);
    const QByteArray other =
        makeTagged(kFormats[2], folder.file(u"b.opus"_s), &error, {u"-serial_offset"_s, u"1000"_s});
    ASSERT_FALSE(opus.isEmpty() || other.isEmpty()) << error.toStdString();
    const QByteArray zeros(8 * 1024 * 1024, '\0');
    for (const QByteArray &bytes : {opus + zeros, opus + zeros + other}) {
        const Parsed parsed = parse(Kind::Opus, bytes);
        ASSERT_EQ(parsed.walk, Walk::Ok);
        qint64 longest = 0;
        const auto read = [&](qint64 pos, qint64 length, QByteArray *out) {
            longest = qMax(longest, length);
            *out = bytes.mid(pos, length);
            return true;
        };
        EXPECT_EQ(ogg::lastGranuleIn(read, bytes.size(), parsed.ogg.serial, parsed.ogg.headerEnd),
                  ogg::lastGranule(opus, parsed.ogg.serial));
        EXPECT_LE(longest, 2 * 1024 * 1024);
    }
}

// Bytes after the stream's last page that are no page (the ID3v1 tag some
// taggers append) stay as they are when the pages before are renumbered.
TEST(OggFiles, KeepTheBytesAfterTheLastPage)
{
    requireVorbisTools();
    if (IsSkipped() || HasFatalFailure())
        return;
    TempFolder folder;
    const QString path = folder.file(u"a.ogg"_s);
    QString error;
    const QByteArray ogg = makeTagged(kFormats[1], path, &error);
    ASSERT_FALSE(ogg.isEmpty()) << error.toStdString();
    const QByteArray id3v1 = "TAG" + QByteArray(125, 'x');
    ASSERT_TRUE(writeAll(path, ogg + id3v1));
    const QByteArray audio = audioMd5(path);
    writeTitle(Kind::Vorbis, path, WritePlan::Rewrite);
    const QByteArray written = readAll(path);
    EXPECT_TRUE(written.endsWith(id3v1));
    EXPECT_EQ(parse(Kind::Vorbis, written).read.fields[id3v2::Title].size(), 70000);
    EXPECT_EQ(audioMd5(path), audio);
}

// Data after Opus comments whose first byte is odd is kept byte for byte;
// after an even byte it is padding that the write may resize.
TEST(OggFiles, KeepTheDataAfterOpusComments)
{
    requireVorbisTools();
    if (IsSkipped() || HasFatalFailure())
        return;
    TempFolder folder;
    const QString path = folder.file(u"a.opus"_s);
    QString error;
    ASSERT_FALSE(makeTagged(kFormats[2], path, &error).isEmpty()) << error.toStdString();
    const char setTail[] = "import sys, mutagen\n"
                           "f = mutagen.File(sys.argv[1])\n"
                           "f.tags._pad_data = bytes.fromhex(sys.argv[2])\n"
                           "f.save()\n";
    const struct {
        const char *tail; // in hex, after the comments as mutagen leaves them
        QString title;    // over "Café" (5 bytes) first, then the row before's
        WritePlan::Kind kind;
        QByteArray kept;
    } cases[] = {
        {"014b454550", u"Cafe!"_s, WritePlan::InPlace, "\x01KEEP"},
        {"014b454550", u"x"_s, WritePlan::Rewrite, "\x01KEEP"},
        {"014b454550", u"x"_s.repeated(3000), WritePlan::Rewrite, "\x01KEEP"},
        {"004b454550", u"x"_s, WritePlan::InPlace, ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.tail + (" " + c.title.left(8)).toStdString());
        const CommandResult r =
            runCommand(QString::fromLatin1(kPython),
                       {u"-c"_s, QString::fromLatin1(setTail), path, QString::fromLatin1(c.tail)});
        ASSERT_TRUE(r.ok()) << r.err.toStdString();
        const QByteArray old = readAll(path);
        const Parsed parsed = parse(Kind::Opus, old);
        ASSERT_EQ(parsed.walk, Walk::Ok) << int(parsed.fault);
        vorbis::Comment comment = parsed.ogg.comment;
        vorbis::setField(comment, id3v2::Title, c.title);
        WritePlan plan;
        ASSERT_TRUE(planWrite(Kind::Opus, parsed, comment, &plan, nullptr));
        EXPECT_EQ(plan.kind, c.kind);
        const QByteArray written = applyPlan(old, plan);
        ASSERT_TRUE(writeAll(path, written));
        EXPECT_EQ(parse(Kind::Opus, written).ogg.commentTail, c.kept);
        expectValid(kFormats[2], path);
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, VorbisFiles, ::testing::ValuesIn(kFormats),
                         [](const auto &info) { return std::string(info.param.name); });

} // namespace
