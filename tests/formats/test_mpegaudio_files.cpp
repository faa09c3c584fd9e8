#include "formats/mpegaudio.h"
#include "testfiles.h"

#include <QFile>
#include <QJsonArray>
#include <QRandomGenerator>

#include <cmath>

using namespace qm::test;
using qm::TMPEGaudio;

namespace {

struct Stream {
    const char *name;
    int sampleRate;
    int channels;
    QStringList lameArgs;
    const char *version;
    const char *mode;
    bool vbr;
};

const Stream kStreams[] = {
    {"mpeg1-stereo-cbr", 44100, 2, {"-b", "128", "-m", "s"}, "MPEG 1", "Stereo", false},
    {"mpeg1-joint-vbr", 48000, 2, {"-V", "4", "-m", "j"}, "MPEG 1", "Joint Stereo", true},
    {"mpeg1-mono-cbr", 32000, 1, {"-b", "64"}, "MPEG 1", "Mono", false},
    {"mpeg2-joint-cbr", 22050, 2, {"-b", "64", "-m", "j"}, "MPEG 2", "Joint Stereo", false},
    {"mpeg2-mono-vbr", 16000, 1, {"-V", "6"}, "MPEG 2", "Mono", true},
    {"mpeg25-mono-cbr", 11025, 1, {"-b", "32"}, "MPEG 2.5", "Mono", false},
    {"mpeg25-stereo-vbr", 8000, 2, {"-V", "5", "-m", "s"}, "MPEG 2.5", "Stereo", true},
};

class MpegFiles : public ::testing::TestWithParam<Stream> {
protected:
    void SetUp() override
    {
        if (!haveTool(QStringLiteral("lame")) || !haveTool(QStringLiteral("ffmpeg"))
            || !haveTool(QStringLiteral("ffprobe")))
            QM_MISSING_TOOL("needs lame, ffmpeg and ffprobe");
    }
    TempFolder dir_;
};

double probeDuration(const QJsonObject &probe)
{
    return probe.value(QStringLiteral("format"))
        .toObject()
        .value(QStringLiteral("duration"))
        .toString()
        .toDouble();
}

QJsonObject probeStream(const QJsonObject &probe)
{
    return probe.value(QStringLiteral("streams")).toArray().at(0).toObject();
}

} // namespace

TEST_P(MpegFiles, StreamDataAgreesWithFfprobeAndMutagen)
{
    const Stream &s = GetParam();
    const QString path = dir_.file(QString::fromLatin1(s.name) + QStringLiteral(".mp3"));
    Mp3Options options;
    options.seconds = 3.3;
    options.sampleRate = s.sampleRate;
    options.channels = s.channels;
    options.lameArgs = s.lameArgs;
    QString error;
    ASSERT_TRUE(makeMp3(path, options, &error)) << error.toStdString();

    TMPEGaudio mpeg;
    ASSERT_TRUE(mpeg.ReadFromFile(path));
    ASSERT_TRUE(mpeg.FGetValid());
    EXPECT_EQ(mpeg.FileLength, QFile(path).size());
    EXPECT_EQ(mpeg.FGetVersion(), QLatin1String(s.version));
    EXPECT_EQ(mpeg.FGetLayer(), QStringLiteral("Layer III"));
    EXPECT_EQ(mpeg.FGetChannelMode(), QLatin1String(s.mode));
    EXPECT_EQ(mpeg.FGetSampleRate(), s.sampleRate);
    EXPECT_EQ(mpeg.FGetVariableRate(), s.vbr);
    EXPECT_TRUE(mpeg.FGetEncoder().startsWith(QStringLiteral("LAME")))
        << mpeg.FGetEncoder().toStdString();

    const QJsonObject probe = ffprobe(path);
    ASSERT_FALSE(probe.isEmpty());
    EXPECT_NEAR(mpeg.FGetDuration(), probeDuration(probe), 0.1);
    EXPECT_EQ(int(mpeg.FGetDuration()), int(probeDuration(probe)));
    EXPECT_EQ(probeStream(probe).value(QStringLiteral("sample_rate")).toString().toInt(),
              s.sampleRate);
    if (!s.vbr) {
        EXPECT_EQ(mpeg.FGetBitRate() * 1000,
                  probeStream(probe).value(QStringLiteral("bit_rate")).toString().toInt());
    }
    if (haveMutagen()) {
        const QJsonObject info = mutagenRead(path).value(QStringLiteral("info")).toObject();
        EXPECT_NEAR(mpeg.FGetBitRate(), info.value(QStringLiteral("bitrate")).toDouble() / 1000, 2);
        EXPECT_EQ(int(info.value(QStringLiteral("channels")).toInt()), s.channels);
    }
}

INSTANTIATE_TEST_SUITE_P(Lame, MpegFiles, ::testing::ValuesIn(kStreams), [](const auto &info) {
    return QString::fromLatin1(info.param.name)
        .replace(QLatin1Char('-'), QLatin1Char('_'))
        .toStdString();
});

namespace {

class MpegTaggedFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!haveTool(QStringLiteral("lame")) || !haveTool(QStringLiteral("ffmpeg"))
            || !haveTool(QStringLiteral("ffprobe")))
            QM_MISSING_TOOL("needs lame, ffmpeg and ffprobe");
        path_ = dir_.file(QStringLiteral("song.mp3"));
        Mp3Options options;
        options.seconds = 2.5;
        options.lameArgs = lameArgs_;
        options.sampleRate = sampleRate_;
        options.channels = channels_;
        QString error;
        ASSERT_TRUE(makeMp3(path_, options, &error)) << error.toStdString();
    }
    TempFolder dir_;
    QString path_;
    QStringList lameArgs_ = {QStringLiteral("-b"), QStringLiteral("128")};
    int sampleRate_ = 44100;
    int channels_ = 2;
};

} // namespace

TEST_F(MpegTaggedFiles, AudioLiesBetweenTheTagsAndReadsTheSame)
{
    QM_REQUIRE_MUTAGEN();
    TMPEGaudio plain;
    ASSERT_TRUE(plain.ReadFromFile(path_));
    const qint64 audioBytes = plain.AudioEnd - plain.AudioStart;

    // A v2.4 tag with a 40 KB picture in front, ID3v1 and Lyrics3 behind.
    const CommandResult tagged =
        runCommand(QString::fromLatin1(kPython),
                   {QStringLiteral("-c"),
                    QStringLiteral("import sys\n"
                                   "from mutagen.id3 import ID3, TIT2, APIC\n"
                                   "t = ID3()\n"
                                   "t.add(TIT2(encoding=3, text='Tagged'))\n"
                                   "t.add(APIC(encoding=0, mime='image/png', type=3, desc='', "
                                   "data=b'\\x89PNG' + b'x' * 40000))\n"
                                   "t.save(sys.argv[1], v2_version=4)\n"),
                    path_});
    ASSERT_TRUE(tagged.ok()) << tagged.err.constData();
    qm::TID3v1 tail;
    tail.FSetArtist(QStringLiteral("Tail artist"));
    tail.FSetLyrics(QStringLiteral("words"));
    ASSERT_TRUE(tail.SaveToFile(path_));

    TMPEGaudio mpeg;
    ASSERT_TRUE(mpeg.ReadFromFile(path_));
    ASSERT_TRUE(mpeg.FGetValid());
    EXPECT_GT(mpeg.ID3v2.FGetTotalSize(), 40000);
    EXPECT_EQ(mpeg.AudioStart, mpeg.ID3v2.FGetTotalSize());
    EXPECT_EQ(mpeg.AudioEnd, mpeg.FileLength - tail.FGetTagSize());
    EXPECT_EQ(mpeg.AudioEnd - mpeg.AudioStart, audioBytes);
    EXPECT_DOUBLE_EQ(mpeg.FGetDuration(), plain.FGetDuration());
    EXPECT_EQ(mpeg.ID3v2.FGetTitle(), QStringLiteral("Tagged"));
    EXPECT_EQ(mpeg.ID3v1.FGetArtist(), QStringLiteral("Tail artist"));
    EXPECT_EQ(mpeg.ID3v1.FGetLyrics(), QStringLiteral("words"));
    EXPECT_EQ(int(mpeg.FGetDuration()), int(probeDuration(ffprobe(path_))));
}

namespace {
class MpegVbriFiles : public MpegTaggedFiles {
protected:
    MpegVbriFiles()
    {
        sampleRate_ = 22050;
        channels_ = 1;
        lameArgs_ = {QStringLiteral("-t"), QStringLiteral("-b"), QStringLiteral("64")};
    }
};
} // namespace

TEST_F(MpegVbriFiles, HandBuiltVbriHeaderInAnMpeg2MonoStreamGivesTheDurationFfprobeReads)
{
    // lame -t writes no Xing frame; the first frame gets a VBRI header 32
    // bytes after its header (not after the shorter MPEG 2 mono side
    // information) that claims a stream three times as long as the file.
    QByteArray bytes = readAll(path_);
    TMPEGaudio cbr;
    ASSERT_TRUE(cbr.ReadFromFile(path_));
    ASSERT_FALSE(cbr.VBR.VbrFound);
    ASSERT_EQ(cbr.FGetChannelMode(), QStringLiteral("Mono"));
    const qint64 frameCount = cbr.FGetFrames() * 3;
    QByteArray vbri("VBRI\0\x01\0\0\0\x32", 10);
    for (const quint32 v : {quint32(frameCount * 209), quint32(frameCount)})
        for (int i = 0; i < 4; ++i)
            vbri += char(v >> (24 - 8 * i));
    bytes.replace(qsizetype(cbr.AudioStart) + 36, vbri.size(), vbri);
    ASSERT_TRUE(writeAll(path_, bytes));

    TMPEGaudio mpeg;
    ASSERT_TRUE(mpeg.ReadFromFile(path_));
    ASSERT_TRUE(mpeg.VBR.VbrFound);
    EXPECT_EQ(mpeg.VBR.VbrId, QStringLiteral("VBRI"));
    EXPECT_EQ(mpeg.VBR.VbrQuality, 0x32);
    EXPECT_EQ(mpeg.FGetFrames(), frameCount);
    EXPECT_EQ(mpeg.FGetBitRate(), 64);
    EXPECT_NEAR(mpeg.FGetDuration(), frameCount * 576 / 22050.0, 1e-9);
    EXPECT_NEAR(mpeg.FGetDuration(), probeDuration(ffprobe(path_)), 0.1);
}

TEST(MpegHostileFiles, ReadWithoutCrashAndLeftUnchanged)
{
    TempFolder dir;
    QByteArray random(64 * 1024, '\0');
    QRandomGenerator gen(7);
    for (char &c : random)
        c = char(gen.bounded(256));
    QByteArray frameHeaders;
    for (int i = 0; i < 3000; ++i)
        frameHeaders += QByteArray("\xff\xfb\x90\x64", 4);
    const QByteArray contents[] = {
        QByteArray(),
        QByteArray("ID3"),
        QByteArray("\xff\xfb\x90\x64\0\0\0\0\0\0\0", 11),                      // truncated frame
        QByteArray("ID3\x04\0\0\x7f\x7f\x7f\x7f", 10) + QByteArray(500, '\0'), // absurd size
        QByteArray("ID3\x03\0\0\xff\xff\xff\xff", 10) + frameHeaders,          // size not syncsafe
        frameHeaders,
        random,
    };
    int n = 0;
    for (const QByteArray &content : contents) {
        SCOPED_TRACE(n);
        const QString path = dir.file(QStringLiteral("f%1.mp3").arg(n++));
        ASSERT_TRUE(writeAll(path, content));
        TMPEGaudio mpeg;
        EXPECT_TRUE(mpeg.ReadFromFile(path));
        EXPECT_EQ(mpeg.FileLength, content.size());
        if (!mpeg.Frame.HeaderFound) {
            EXPECT_FALSE(mpeg.FGetValid());
            EXPECT_EQ(mpeg.FGetFrames(), 0);
            EXPECT_EQ(mpeg.FGetVersion(), QStringLiteral("MPEG ?"));
            EXPECT_EQ(mpeg.FGetChannelMode(), QStringLiteral("Unknown"));
        }
        EXPECT_EQ(readAll(path), content);
    }
    TMPEGaudio missing;
    EXPECT_FALSE(missing.ReadFromFile(dir.file(QStringLiteral("missing.mp3"))));
    EXPECT_FALSE(missing.FGetValid());
}
