#include "formats/mpegaudio.h"

#include "formats/fileio.h"
#include "formats/filewindows.h"

#include <array>
#include <cmath>
#include <cstring>
#include <string.h> // memrchr

namespace qm {

// clang-format off
const quint16 MPEG_BIT_RATE[4][4][16] = {
    { // MPEG 2.5
        {0},
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0},
    },
    {{0}, {0}, {0}, {0}}, // reserved
    { // MPEG 2
        {0},
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0},
    },
    { // MPEG 1
        {0},
        {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0},
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},
        {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0},
    },
};
// clang-format on

const quint16 MPEG_SAMPLE_RATE[4][4] = {
    {11025, 12000, 8000, 0},
    {0, 0, 0, 0},
    {22050, 24000, 16000, 0},
    {44100, 48000, 32000, 0},
};

const char *const MPEG_VERSION[4] = {"MPEG 2.5", "MPEG ?", "MPEG 2", "MPEG 1"};
const char *const MPEG_LAYER[4] = {"Layer ?", "Layer III", "Layer II", "Layer I"};
const char *const MPEG_CM_MODE[5] = {"Stereo", "Joint Stereo", "Dual Channel", "Mono", "Unknown"};
const char *const MPEG_EMPHASIS[4] = {"None", "50/15 ms", "Unknown", "CCIT J.17"};
const char *const MPEG_ENCODER[8] = {"Unknown", "Xing", "FhG",   "LAME",
                                     "Blade",   "GoGo", "Shine", "QDesign"};

namespace {

enum EncoderId : quint8 {
    kUnknown = 0,
    kXing = 1,
    kFhG = 2,
    kLame = 3,
    kBlade = 4,
    kGoGo = 5,
    kShine = 6,
    kQDesign = 7
};

// Every look at a block stays inside its kBlockSize bytes: a frame starts
// at kLastStart at the latest and a Xing header with its vendor string ends
// 164 bytes after that; signatures are looked for up to the block's end.
using Block = std::array<uchar, TMPEGaudio::kBlockSize>;

// The bytes of a block. A short block (the end of the file) is copied into
// a zeroed buffer: bytes the file did not have read as zero, and no header
// or signature starts with a zero byte.
const uchar *view(Block &buffer, QByteArrayView bytes)
{
    if (bytes.size() >= TMPEGaudio::kBlockSize)
        return reinterpret_cast<const uchar *>(bytes.data());
    buffer.fill(0);
    if (!bytes.isEmpty())
        std::memcpy(buffer.data(), bytes.data(), size_t(bytes.size()));
    return buffer.data();
}

quint32 bigEndian32(const uchar *p)
{
    return quint32(p[0]) << 24 | quint32(p[1]) << 16 | quint32(p[2]) << 8 | quint32(p[3]);
}

QString latin1UpToZero(const uchar *p, int length)
{
    int n = 0;
    while (n < length && p[n] != 0)
        ++n;
    return QString::fromLatin1(reinterpret_cast<const char *>(p), n);
}

} // namespace

TMPEGaudio::TMPEGaudio() { FResetData(); }

void TMPEGaudio::FResetData()
{
    FileLength = 0;
    VendorText.clear();
    VBR = VBRData{};
    Frame = FrameData{};
    AudioStart = 0;
    AudioEnd = 0;
    ID3v1.ResetData();
    ID3v2.ResetData();
}

// ---- header arithmetic ----

bool TMPEGaudio::IsFrameHeader(const uchar *h)
{
    return h[0] == 255 && h[1] > 223  // 11 sync bits
           && ((h[1] >> 3) & 3) != 1  // reserved version
           && ((h[1] >> 1) & 3) != 0  // reserved layer
           && h[2] < 240 && h[2] > 15 // bit rate index neither 15 nor free format
           && ((h[2] >> 2) & 3) != 3  // reserved sample rate
           && (h[3] & 3) != 2;        // reserved emphasis
}

void TMPEGaudio::DecodeHeader(const uchar *h)
{
    std::memcpy(Frame.HeaderBytes, h, 4);
    Frame.VersionCode = (h[1] >> 3) & 3;
    Frame.LayerCode = (h[1] >> 1) & 3;
    Frame.CrcPresent = (h[1] & 1) == 0 ? 1 : 0;
    Frame.BitRateIndex = h[2] >> 4;
    Frame.SampleRateIndex = (h[2] >> 2) & 3;
    Frame.PaddingBit = (h[2] >> 1) & 1;
    Frame.PrivateBit = h[2] & 1;
    Frame.ChannelModeCode = h[3] >> 6;
    Frame.ModeExtension = (h[3] >> 4) & 3;
    Frame.CopyrightBit = (h[3] >> 3) & 1;
    Frame.OriginalBit = (h[3] >> 2) & 1;
    Frame.EmphasisCode = h[3] & 3;
}

int TMPEGaudio::FrameCoefficient() const
{
    if (Frame.VersionCode == 3)
        return Frame.LayerCode == 3 ? 48 : 144;
    if (Frame.LayerCode == 3)
        return 24;
    return Frame.LayerCode == 2 ? 144 : 72;
}

int TMPEGaudio::PaddingBytes() const
{
    if (Frame.PaddingBit == 0)
        return 0;
    return Frame.LayerCode == 3 ? 4 : 1;
}

quint16 TMPEGaudio::TableBitRate() const
{
    return MPEG_BIT_RATE[Frame.VersionCode & 3][Frame.LayerCode & 3][Frame.BitRateIndex & 15];
}

// ---- searches ----

void TMPEGaudio::ReadVbrHeader(const uchar *b, qsizetype framePos)
{
    VBR = VBRData{};
    const bool mpeg1 = Frame.VersionCode == 3;
    const bool mono = Frame.ChannelModeCode == 3;
    const qsizetype sideInfoEnd = framePos + (mpeg1 ? (mono ? 21 : 36) : (mono ? 13 : 21));
    const uchar *p = b + sideInfoEnd;
    // "Info" is the same header in a constant-bit-rate stream (LAME, Lavf):
    // its counts give the length also of a file cut short, and the bit rate
    // where the first frame has its own.
    const bool info = std::memcmp(p, "Info", 4) == 0;
    if (info || std::memcmp(p, "Xing", 4) == 0) {
        // The flag word says which fields are there; encoders that leave
        // some out move the later ones forward.
        const quint32 flags = bigEndian32(p + 4);
        const uchar *q = p + 8;
        VBR.VbrFound = true;
        VBR.VbrId = info ? QStringLiteral("Info") : QStringLiteral("Xing");
        if (flags & 1) {
            VBR.VbrFrames = bigEndian32(q);
            q += 4;
        }
        if (flags & 2) {
            VBR.VbrBytes = bigEndian32(q);
            q += 4;
        }
        if (flags & 4)
            q += 100; // seek table
        if (flags & 8) {
            VBR.VbrQuality = q[3];
            q += 4;
        }
        VBR.VbrVendor = latin1UpToZero(q, 8);
        return;
    }
    // Fraunhofer's header sits 32 bytes after the frame header whatever the
    // version and mode.
    p = b + framePos + 4 + 32;
    if (std::memcmp(p, "VBRI", 4) == 0) {
        VBR.VbrFound = true;
        VBR.VbrId = QStringLiteral("VBRI");
        VBR.VbrQuality = p[9];
        VBR.VbrBytes = bigEndian32(p + 10);
        VBR.VbrFrames = bigEndian32(p + 14);
    }
}

bool TMPEGaudio::FindFrame(QByteArrayView block)
{
    Block buffer;
    const uchar *b = view(buffer, block);
    const qsizetype n = qMin<qsizetype>(block.size(), kBlockSize);
    for (qsizetype pos = 0; pos <= kLastStart && pos + 4 <= n; ++pos) {
        if (b[pos] != 0xff || !IsFrameHeader(b + pos))
            continue;
        DecodeHeader(b + pos);
        const quint16 sampleRate = FGetSampleRate();
        const int size =
            int(qint64(FrameCoefficient()) * TableBitRate() * 1000 / sampleRate) + PaddingBytes();
        if (pos + size + 4 > n || !IsFrameHeader(b + pos + size))
            continue;
        Frame.HeaderFound = true;
        Frame.Position = pos;
        Frame.FrameSize = quint16(size);
        Frame.ZeroStart = std::all_of(b + pos + 4, b + pos + 10, [](uchar c) { return c == 0; });
        ReadVbrHeader(b, pos);
        if (VBR.VbrId == u"Info")
            VBR.InfoBitRate =
                MPEG_BIT_RATE[Frame.VersionCode & 3][Frame.LayerCode & 3][b[pos + size + 2] >> 4];
        return true;
    }
    return false;
}

QString TMPEGaudio::FindEncoderSignature(QByteArrayView block, quint16 range)
{
    Block buffer;
    const uchar *b = view(buffer, block);
    int r = range;
    if (kBlockSize - r - 8 < 0)
        r = kBlockSize - 8;
    // Start positions from kBlockSize - 8 - r up to kBlockSize - 8; the hit
    // nearest the end wins.
    const qsizetype low = kBlockSize - 8 - r;
    const auto lastHit = [b, low](const char *signature) -> qsizetype {
        qsizetype high = kBlockSize - 8;
        while (high >= low) {
            const void *hit = memrchr(b + low, signature[0], size_t(high - low + 1));
            if (!hit)
                return -1;
            const qsizetype at = static_cast<const uchar *>(hit) - b;
            if (std::memcmp(b + at, signature, 4) == 0)
                return at;
            high = at - 1;
        }
        return -1;
    };
    const qsizetype lame = lastHit("LAME");
    const qsizetype gogo = lastHit("GOGO");
    if (lame >= 0 && lame > gogo)
        return latin1UpToZero(b + lame, 8);
    if (gogo >= 0)
        return QStringLiteral("GOGO");
    return {};
}

bool TMPEGaudio::AnalyseStream(const BlockReader &read, qint64 fileLength, qint64 id3v2Size)
{
    return AnalyseStream(read, fileLength, id3v2Size, {});
}

bool TMPEGaudio::AnalyseStream(const BlockReader &read, qint64 fileLength, qint64 id3v2Size,
                               const std::function<bool(bool signatureWanted)> &readEnd)
{
    FileLength = fileLength;
    qint64 offset = id3v2Size;
    QByteArray block;
    if (!read(offset, kBlockSize, &block))
        return false;
    bool found = FindFrame(block);
    VendorText = FindEncoderSignature(block, quint16(5 * Frame.FrameSize));
    if (readEnd && !readEnd(VendorText.isEmpty())) {
        Frame = FrameData{};
        VBR = VBRData{};
        VendorText.clear();
        return true;
    }
    while (!found && block.size() == kBlockSize) {
        offset += block.size();
        if (!read(offset, kBlockSize, &block))
            return false;
        found = FindFrame(block);
    }
    if (!found)
        return true;
    Frame.Position += offset;
    AudioStart = Frame.Position;
    AudioEnd = FileLength - ID3v1.FGetTagSize();
    if (VendorText.isEmpty()) {
        const qint64 from =
            FileLength - kBlockSize - (ID3v1.FGetTagPresent() ? TID3v1::kRecordSize : 0);
        if (!read(qMax<qint64>(0, from), kBlockSize, &block))
            return false;
        VendorText = FindEncoderSignature(block, quint16(5 * Frame.FrameSize));
    }
    return true;
}

bool TMPEGaudio::ReadFromFile(const QString &fileName, FileStamp *stamp)
{
    FResetData();
    ReadOnlyFile file;
    const bool opened = file.open(fileName);
    if (stamp && !file.stamp(stamp))
        *stamp = FileStamp();
    bool ok = opened;
    if (opened) {
        FileLength = file.size();
        // The end is read once, after the first audio block: the ID3v1
        // record and the Lyrics3 mark before it, and the last block with
        // them when the first frames carry no encoder signature.
        // The head is twice the tag head: a tag of up to 4.6 KB (most, with
        // their padding) comes with the first audio block in the one read.
        FileWindows windows(file, TID3v1::kRecordSize + TID3v1::kMarkSize, 2 * kHeadSize);
        const BlockReader reader = windows.reader();
        const auto readEnd = [&](bool signatureWanted) {
            if (signatureWanted)
                windows.widenTail(kBlockSize + TID3v1::kRecordSize + TID3v1::kMarkSize);
            return ID3v1.ReadTagWith(reader, FileLength, ReadId3v1Fields);
        };
        // A tag that cannot be read leaves the stream unknown; that is no
        // failure of the file.
        if (ID3v2.ReadTagWith(windows, FileLength))
            ok = AnalyseStream(windows.scanner(), FileLength, ID3v2.FGetTotalSize(), readEnd);
    }
    if (!Frame.HeaderFound) {
        // The size of the file stays known even when it holds no audio.
        const qint64 length = FileLength;
        FResetData();
        FileLength = length;
    }
    return ok;
}

// ---- getters ----

const char *TMPEGaudio::VersionName() const { return MPEG_VERSION[Frame.VersionCode & 3]; }

const char *TMPEGaudio::LayerName() const { return MPEG_LAYER[Frame.LayerCode & 3]; }

const char *TMPEGaudio::ChannelModeName() const
{
    return MPEG_CM_MODE[qMin<int>(Frame.ChannelModeCode, 4)];
}

const char *TMPEGaudio::EmphasisName() const { return MPEG_EMPHASIS[Frame.EmphasisCode & 3]; }

QString TMPEGaudio::FGetVersion() const { return QString::fromLatin1(VersionName()); }

QString TMPEGaudio::FGetLayer() const { return QString::fromLatin1(LayerName()); }

QString TMPEGaudio::FGetChannelMode() const { return QString::fromLatin1(ChannelModeName()); }

QString TMPEGaudio::FGetEmphasis() const { return QString::fromLatin1(EmphasisName()); }

quint16 TMPEGaudio::FGetSampleRate() const
{
    return MPEG_SAMPLE_RATE[Frame.VersionCode & 3][Frame.SampleRateIndex & 3];
}

quint16 TMPEGaudio::FGetBitRate() const
{
    if (VBR.InfoBitRate > 0)
        return VBR.InfoBitRate;
    const quint16 sampleRate = FGetSampleRate();
    if (VBR.VbrFound && VBR.VbrFrames > 0 && sampleRate > 0) {
        const double perFrame = double(VBR.VbrBytes) / VBR.VbrFrames - PaddingBytes();
        // nearbyint rounds halves to even in the default rounding mode.
        const double kbps = std::nearbyint(perFrame * sampleRate / FrameCoefficient() / 1000.0);
        // An absurd header must not wrap round into a plausible rate.
        return quint16(qBound(0.0, kbps, 65535.0));
    }
    return TableBitRate();
}

qint64 TMPEGaudio::FGetFrames() const
{
    if (VBR.VbrFound)
        return VBR.VbrFrames;
    if (Frame.FrameSize == 0 || AudioEnd <= AudioStart)
        return 0;
    return (AudioEnd - AudioStart) / Frame.FrameSize;
}

double TMPEGaudio::FGetDuration() const
{
    if (!Frame.HeaderFound)
        return 0;
    const quint16 sampleRate = FGetSampleRate();
    if (VBR.VbrFound && VBR.VbrFrames > 0 && sampleRate > 0)
        return double(FrameCoefficient()) * VBR.VbrFrames * 8 / sampleRate;
    const quint16 bitRate = VBR.InfoBitRate > 0 ? VBR.InfoBitRate : TableBitRate();
    if (bitRate == 0)
        return 0;
    return double(AudioEnd - AudioStart) / bitRate / 1000 * 8;
}

bool TMPEGaudio::FGetVariableRate() const { return VBR.VbrFound && VBR.VbrId != u"Info"; }

bool TMPEGaudio::FGetValid() const
{
    const quint16 bitRate = FGetBitRate();
    return Frame.HeaderFound && bitRate >= 8 && bitRate <= 448 && FGetDuration() >= 0.1;
}

namespace {

// Whether `text` is, or starts with, the four ASCII characters of `four`.
bool startsWithFour(QStringView text, const char16_t (&four)[5])
{
    return text.size() >= 4 && text[0] == four[0] && text[1] == four[1] && text[2] == four[2]
           && text[3] == four[3];
}

bool isFour(QStringView text, const char16_t (&four)[5])
{
    return text.size() == 4 && startsWithFour(text, four);
}

} // namespace

quint8 TMPEGaudio::FGetVBREncoderID() const
{
    // Looked at in place: every row read asks for the encoder twice.
    const QStringView vendor = QStringView(VBR.VbrVendor).left(4);
    const bool lame = isFour(vendor, u"LAME");
    const bool gogo = isFour(vendor, u"GOGO") || isFour(vendor, u"MPGE");
    quint8 id = kUnknown;
    if (lame)
        id = kLame;
    if (gogo)
        id = kGoGo;
    if (isFour(VBR.VbrId, u"Xing") && !lame && !gogo)
        id = kXing;
    if (isFour(VBR.VbrId, u"VBRI"))
        id = kFhG;
    if (startsWithFour(VendorText, u"LAME"))
        id = kLame;
    return id;
}

quint8 TMPEGaudio::FGetCBREncoderID() const
{
    quint8 id = kFhG;
    if (Frame.OriginalBit && Frame.CrcPresent)
        id = kLame;
    if (TableBitRate() <= 160 && Frame.ChannelModeCode == 0)
        id = kBlade;
    if (Frame.CopyrightBit && Frame.OriginalBit && !Frame.CrcPresent)
        id = kXing;
    if (Frame.ZeroStart && Frame.OriginalBit)
        id = kXing;
    if (Frame.LayerCode == 2)
        id = kQDesign;
    if (Frame.ChannelModeCode == 2 && Frame.CrcPresent)
        id = kShine;
    if (VendorText.startsWith(QLatin1String("LAME")))
        id = kLame;
    if (VendorText.startsWith(QLatin1String("GOGO")))
        id = kGoGo;
    return id;
}

quint8 TMPEGaudio::FGetEncoderID() const
{
    if (!Frame.HeaderFound)
        return kUnknown;
    return VBR.VbrFound ? FGetVBREncoderID() : FGetCBREncoderID();
}

const char *TMPEGaudio::EncoderName() const { return MPEG_ENCODER[FGetEncoderID()]; }

QStringView TMPEGaudio::EncoderVersion() const
{
    const QString &version = VendorText.isEmpty() ? VBR.VbrVendor : VendorText;
    const auto digit = [&version](int i) { return version.at(i).isDigit(); };
    // "LAME3.97": the name gets the version number.
    if (FGetEncoderID() == kLame && version.size() > 7 && digit(4)
        && version.at(5) == QLatin1Char('.') && digit(6) && digit(7))
        return QStringView(version).sliced(4, 4);
    return {};
}

QString TMPEGaudio::FGetEncoder() const
{
    QString name = QString::fromLatin1(EncoderName());
    if (const QStringView version = EncoderVersion(); !version.isEmpty()) {
        name += QLatin1Char(' ');
        name += version;
    }
    return name;
}

} // namespace qm
