#include "formats/mpegaudio.h"
#include "testfiles.h"

#include <gtest/gtest.h>

using qm::TMPEGaudio;

namespace {

enum Version { V25 = 0, V2 = 2, V1 = 3 };
enum Layer { L3 = 1, L2 = 2, L1 = 3 };
enum Mode { Stereo = 0, Joint = 1, Dual = 2, Mono = 3 };

QByteArray header(int version, int layer, int bitRateIndex, int sampleRateIndex, int padding = 0,
                  int mode = Joint, bool crc = false, int emphasis = 0)
{
    QByteArray h(4, '\0');
    h[0] = char(0xff);
    h[1] = char(0xe0 | version << 3 | layer << 1 | (crc ? 0 : 1));
    h[2] = char(bitRateIndex << 4 | sampleRateIndex << 2 | padding << 1);
    h[3] = char(mode << 6 | 1 << 2 | emphasis);
    return h;
}

// `count` frames of `size` bytes: the header and zeros.
QByteArray frames(const QByteArray &head, int size, int count)
{
    QByteArray frame = head + QByteArray(size - 4, '\0');
    return frame.repeated(count);
}

void putBE32(QByteArray &bytes, qsizetype at, quint32 value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = char(value >> (24 - 8 * i));
}

// Runs the stream analysis over bytes in memory, as ReadFromFile does over
// a file without tags.
TMPEGaudio analyse(const QByteArray &file, qint64 id3v2Size = 0)
{
    TMPEGaudio mpeg;
    mpeg.ID3v1.ParseTail(file.right(143), true);
    const auto reader = [&file](qint64 pos, qint64 length, QByteArray *out) {
        *out = file.mid(pos, length);
        return true;
    };
    EXPECT_TRUE(mpeg.AnalyseStream(reader, file.size(), id3v2Size));
    return mpeg;
}

} // namespace

TEST(MpegFrame, SizesFollowVersionLayerRateAndPadding)
{
    struct Case {
        QByteArray head;
        int size;
        const char *version, *layer;
        int bitRate, sampleRate;
    } cases[] = {
        {header(V1, L3, 9, 0), 417, "MPEG 1", "Layer III", 128, 44100},
        {header(V1, L3, 9, 0, 1), 418, "MPEG 1", "Layer III", 128, 44100},
        {header(V1, L2, 14, 2, 1), 1729, "MPEG 1", "Layer II", 384, 32000},
        {header(V1, L1, 14, 1, 1), 452, "MPEG 1", "Layer I", 448, 48000},
        {header(V2, L3, 8, 0), 208, "MPEG 2", "Layer III", 64, 22050},
        {header(V2, L1, 8, 1), 128, "MPEG 2", "Layer I", 128, 24000},
        {header(V25, L3, 4, 2, 1), 289, "MPEG 2.5", "Layer III", 32, 8000},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.size);
        const TMPEGaudio mpeg = analyse(frames(c.head, c.size, 20));
        ASSERT_TRUE(mpeg.Frame.HeaderFound);
        EXPECT_EQ(mpeg.Frame.FrameSize, c.size);
        EXPECT_EQ(mpeg.FGetVersion(), QLatin1String(c.version));
        EXPECT_EQ(mpeg.FGetLayer(), QLatin1String(c.layer));
        EXPECT_EQ(mpeg.FGetBitRate(), c.bitRate);
        EXPECT_EQ(mpeg.FGetSampleRate(), c.sampleRate);
        EXPECT_EQ(mpeg.FGetFrames(), 20);
        EXPECT_TRUE(mpeg.FGetValid());
    }
}

TEST(MpegFrame, ReservedAndFreeFormatHeadersAreNeverAccepted)
{
    const QByteArray bad[] = {
        header(V1, L3, 0, 0),                     // free format
        header(V1, L3, 15, 0),                    // bit rate index 15
        header(V1, L3, 9, 3),                     // reserved sample rate
        header(1, L3, 9, 0),                      // reserved version
        header(V1, 0, 9, 0),                      // reserved layer
        header(V1, L3, 9, 0, 0, Joint, false, 2), // reserved emphasis
    };
    for (const QByteArray &head : bad) {
        const TMPEGaudio mpeg = analyse(frames(head, 417, 10));
        EXPECT_FALSE(mpeg.Frame.HeaderFound) << head.toHex().constData();
    }
}

TEST(MpegFrame, SearchFindsTheFirstPairAfterJunkAndAcrossBlocks)
{
    const QByteArray stream = frames(header(V1, L3, 9, 0), 417, 40);
    TMPEGaudio early = analyse(QByteArray(1000, 'j') + stream);
    EXPECT_EQ(early.Frame.Position, 1000);
    EXPECT_EQ(early.AudioStart, 1000);

    // A pair starting in the second half of a block is only seen where a
    // later frame starts in the first half of the next block.
    TMPEGaudio late = analyse(QByteArray(2000, 'j') + stream);
    ASSERT_TRUE(late.Frame.HeaderFound);
    EXPECT_EQ(late.AudioStart, 2000 + 4 * 417);

    // The audio starts behind an ID3v2 tag and ends before the ID3v1 tags.
    const QByteArray tag2 = "ID3" + QByteArray(497, '\0');
    QByteArray record(128, '\0');
    record.replace(0, 3, "TAG");
    record[3] = 'T';
    TMPEGaudio tagged = analyse(tag2 + stream + record, tag2.size());
    EXPECT_EQ(tagged.AudioStart, 500);
    EXPECT_EQ(tagged.AudioEnd, 500 + stream.size());
    EXPECT_EQ(tagged.FGetFrames(), 40);
    EXPECT_NEAR(tagged.FGetDuration(), 40 * 417 * 8 / 128000.0, 1e-9);

    // Bytes missing from a short last block are no header.
    EXPECT_FALSE(analyse(stream.left(417 + 2)).Frame.HeaderFound);
}

TEST(MpegVbr, XingHeaderGivesFramesBitRateAndEncoder)
{
    QByteArray file = frames(header(V1, L3, 9, 0), 417, 30);
    QByteArray xing("Xing\0\0\0\x0f", 8);
    file.replace(4 + 32, 8, xing);
    putBE32(file, 36 + 8, 1000);        // frames
    putBE32(file, 36 + 12, 1000 * 627); // bytes: 192 kbit/s
    file[36 + 119] = char(57);          // quality
    file.replace(36 + 120, 9, "LAME3.97 ");
    const TMPEGaudio mpeg = analyse(file);
    ASSERT_TRUE(mpeg.VBR.VbrFound);
    EXPECT_EQ(mpeg.VBR.VbrId, QStringLiteral("Xing"));
    EXPECT_EQ(mpeg.VBR.VbrQuality, 57);
    EXPECT_EQ(mpeg.FGetFrames(), 1000);
    EXPECT_EQ(mpeg.FGetBitRate(), 192);
    EXPECT_NEAR(mpeg.FGetDuration(), 1000 * 1152 / 44100.0, 1e-9);
    EXPECT_EQ(mpeg.FGetEncoderID(), 3);
    EXPECT_EQ(mpeg.FGetEncoder(), QStringLiteral("LAME 3.97"));

    // Fields the flags leave out move the later ones forward.
    QByteArray lean = frames(header(V1, L3, 9, 0), 417, 30);
    lean.replace(36, 8, QByteArray("Xing\0\0\0\x03", 8));
    putBE32(lean, 36 + 8, 500);
    putBE32(lean, 36 + 12, 500 * 417);
    lean.replace(36 + 16, 4, "Enc1");
    const TMPEGaudio leanMpeg = analyse(lean);
    EXPECT_EQ(leanMpeg.FGetFrames(), 500);
    EXPECT_EQ(leanMpeg.FGetBitRate(), 128);
    EXPECT_EQ(leanMpeg.VBR.VbrVendor, QStringLiteral("Enc1"));
    EXPECT_EQ(leanMpeg.FGetEncoder(), QStringLiteral("Xing"));

    // No frame count: the constant-bit-rate formulas apply.
    QByteArray empty = frames(header(V1, L3, 9, 0), 417, 30);
    empty.replace(36, 8, QByteArray("Xing\0\0\0\x0f", 8));
    const TMPEGaudio zero = analyse(empty);
    EXPECT_TRUE(zero.VBR.VbrFound);
    EXPECT_EQ(zero.FGetFrames(), 0);
    EXPECT_EQ(zero.FGetBitRate(), 128);
    EXPECT_NEAR(zero.FGetDuration(), 30 * 417 * 8 / 128000.0, 1e-9);

    // A rate no stream has is no valid stream, not a wrapped-round number.
    putBE32(empty, 36 + 8, 1);
    putBE32(empty, 36 + 12, 0x7fffffff);
    const TMPEGaudio absurd = analyse(empty);
    EXPECT_EQ(absurd.FGetBitRate(), 65535);
    EXPECT_FALSE(absurd.FGetValid());
}

TEST(MpegVbr, InfoHeaderOfAConstantRateStreamWithoutFrameCount)
{
    // The header's frame at 64 kbit/s, the stream at 128: without counts the
    // stream's own rate gives the length.
    QByteArray file = frames(header(V1, L3, 5, 0), 208, 1) + frames(header(V1, L3, 9, 0), 417, 30);
    file.replace(36, 8, QByteArray("Info\0\0\0\x0f", 8));
    const TMPEGaudio mpeg = analyse(file);
    EXPECT_FALSE(mpeg.FGetVariableRate());
    EXPECT_EQ(mpeg.FGetBitRate(), 128);
    EXPECT_NEAR(mpeg.FGetDuration(), file.size() * 8 / 128000.0, 1e-9);
}

TEST(MpegEncoder, SignatureSearchLooksBackFromTheBlockEndWithinItsRange)
{
    QByteArray block(TMPEGaudio::kBlockSize, '\0');
    block.replace(TMPEGaudio::kBlockSize - 108, 8, "LAME3.99");
    block.replace(TMPEGaudio::kBlockSize - 58, 4, "GOGO");
    EXPECT_EQ(TMPEGaudio::FindEncoderSignature(block, 60), QStringLiteral("GOGO"));
    block.replace(TMPEGaudio::kBlockSize - 58, 4, "xxxx");
    EXPECT_EQ(TMPEGaudio::FindEncoderSignature(block, 100), QStringLiteral("LAME3.99"));
    EXPECT_EQ(TMPEGaudio::FindEncoderSignature(block, 99), QString());
    EXPECT_EQ(TMPEGaudio::FindEncoderSignature(block.left(3000), 65535), QString());

    // Found in the stream's last block when the first has none.
    QByteArray file = frames(header(V1, L3, 9, 0), 417, 40);
    file.replace(file.size() - 300, 8, "LAME3.98");
    const TMPEGaudio mpeg = analyse(file);
    EXPECT_EQ(mpeg.VendorText, QStringLiteral("LAME3.98"));
    EXPECT_EQ(mpeg.FGetEncoder(), QStringLiteral("LAME 3.98"));
}

namespace {

QByteArray frame23(const char *id, const QByteArray &data)
{
    QByteArray frame = QByteArray(id) + QByteArray(6, '\0') + data;
    putBE32(frame, 4, quint32(data.size()));
    return frame;
}

QByteArray tag23(const QByteArray &frames, int padding)
{
    QByteArray tag("ID3\x03\0\0", 6);
    const quint32 size = quint32(frames.size() + padding);
    for (int i = 0; i < 4; ++i)
        tag += char((size >> (21 - 7 * i)) & 0x7f);
    return tag + frames + QByteArray(padding, '\0');
}

} // namespace

// ReadFromFile opens a file once and serves the tag readers and the stream
// search from a window at each end; what it finds must not depend on where
// frames, the audio and the file's end fall against those windows.
TEST(MpegFile, OneOpenReadsWhatSeparateReadsFind)
{
    qm::test::TempFolder dir;
    const QByteArray audio = frames(header(V1, L3, 9, 0), 417, 12);
    QByteArray record(128, '\0');
    record.replace(0, 8, "TAGTitle");
    record[127] = 17;
    int n = 0;
    // Filler in front of the title moves it across the end of the first
    // window (8 KiB); a big frame in the middle puts the album past it; the
    // stream length moves the file's end across the point where the file is
    // read whole.
    for (int filler : {100, 4500, 6000, 7600, 8150, 8170, 8177, 8183, 8190, 8200}) {
        for (bool bigFrame : {false, true}) {
            for (int audioFrames : {3, 12, 40}) {
                for (bool signatureAtEnd : {false, true}) {
                    SCOPED_TRACE(testing::Message() << filler << " " << bigFrame << " "
                                                    << audioFrames << " " << signatureAtEnd);
                    const QByteArray frames23 =
                        frame23("TXXX", QByteArray(1, '\0') + "x" + QByteArray(1, '\0')
                                            + QByteArray(filler, 'f'))
                        + frame23("TIT2", QByteArray(1, '\0') + "Title " + QByteArray::number(n))
                        + (bigFrame ? frame23("PRIV", QByteArray(20000, 'p')) : QByteArray())
                        + frame23("TALB", QByteArray(1, '\0') + "Album")
                        + frame23("TYER", QByteArray(1, '\0') + "1999");
                    QByteArray stream = audio.left(417 * 3).repeated((audioFrames + 2) / 3);
                    if (signatureAtEnd)
                        stream.replace(stream.size() - 300, 8, "LAME3.99");
                    const QByteArray tag = tag23(frames23, 300);
                    const QByteArray file = tag + stream + record;
                    const QString path = dir.file(QStringLiteral("f%1.mp3").arg(n++));
                    ASSERT_TRUE(qm::test::writeAll(path, file));

                    TMPEGaudio mpeg;
                    ASSERT_TRUE(mpeg.ReadFromFile(path));
                    qm::TID3v2 v2;
                    ASSERT_TRUE(v2.ReadFromFile(path));
                    ASSERT_TRUE(v2.TagPresent);
                    EXPECT_EQ(v2.Title, QStringLiteral("Title %1").arg(n - 1));
                    EXPECT_EQ(v2.Album, QStringLiteral("Album"));
                    EXPECT_EQ(v2.Year, QStringLiteral("1999"));
                    for (const auto field :
                         {&qm::TID3v2::Title, &qm::TID3v2::Album, &qm::TID3v2::Year})
                        EXPECT_EQ(mpeg.ID3v2.*field, v2.*field);
                    EXPECT_EQ(mpeg.ID3v2.TotalSize, tag.size());

                    const TMPEGaudio memory = analyse(file, tag.size());
                    ASSERT_TRUE(mpeg.Frame.HeaderFound);
                    EXPECT_EQ(mpeg.AudioStart, tag.size());
                    EXPECT_EQ(mpeg.AudioEnd, memory.AudioEnd);
                    EXPECT_EQ(mpeg.FGetFrames(), memory.FGetFrames());
                    EXPECT_EQ(mpeg.VendorText, memory.VendorText);
                    EXPECT_EQ(mpeg.VendorText.isEmpty(), !signatureAtEnd);
                    EXPECT_EQ(mpeg.ID3v1.FGetTitle(), QStringLiteral("Title"));
                    EXPECT_EQ(mpeg.ID3v1.FGetGenreID(), 17);
                }
            }
        }
    }
}
