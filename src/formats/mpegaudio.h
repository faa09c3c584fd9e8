#pragma once

#include "formats/id3v1.h"
#include "formats/id3v2.h"

#include <QByteArray>
#include <QString>

#include <functional>

namespace qm {

// Tables of the MPEG audio header, indexed by the codes of its bit fields.
// Version codes: 0 = MPEG 2.5, 1 = reserved, 2 = MPEG 2, 3 = MPEG 1.
// Layer codes: 0 = reserved, 1 = III, 2 = II, 3 = I.
extern const quint16 MPEG_BIT_RATE[4][4][16]; // kbit/s [version][layer][index]
extern const quint16 MPEG_SAMPLE_RATE[4][4];  // Hz [version][index]
extern const char *const MPEG_VERSION[4];
extern const char *const MPEG_LAYER[4];
extern const char *const MPEG_CM_MODE[5];
extern const char *const MPEG_EMPHASIS[4];
extern const char *const MPEG_ENCODER[8];

// The first frame of the stream.
struct FrameData {
    bool HeaderFound = false;
    qint64 Position = 0; // in the file (in the block while searching)
    quint16 FrameSize = 0;
    bool ZeroStart = false; // the 6 bytes after the header are zero
    uchar HeaderBytes[4] = {};
    quint8 VersionCode = 1;
    quint8 LayerCode = 0;
    quint8 CrcPresent = 0;
    quint16 BitRateIndex = 0;
    quint16 SampleRateIndex = 3;
    quint8 PaddingBit = 0;
    quint8 PrivateBit = 0;
    quint8 ChannelModeCode = 4;
    quint8 ModeExtension = 4;
    quint8 CopyrightBit = 0;
    quint8 OriginalBit = 0;
    quint8 EmphasisCode = 2;
};

// A Xing or VBRI header in the first frame, or the Xing header's CBR form.
struct VBRData {
    bool VbrFound = false;
    QString VbrId; // "Xing", "Info" (a constant bit rate) or "VBRI"
    quint32 VbrFrames = 0;
    quint32 VbrBytes = 0;
    quint8 VbrQuality = 0;
    QString VbrVendor;
    // With "Info": the bit rate of the frame after the header's, the stream's
    // own (the header's frame may have a rate of its own, and the byte count
    // may take in more than the frames).
    quint16 InfoBitRate = 0;
};

// Finds the first MPEG audio frame of a file and derives the stream's
// version, layer, bit rate, sample rate, mode, frame count, duration and
// encoder from it. Reads the ID3v2 and ID3v1 tags first (with the owned tag
// objects) to know where the audio begins and ends, then a few blocks of
// kBlockSize bytes: never the whole file when it holds MPEG audio.
class TMPEGaudio {
public:
    // Twice the longest frame (1729 bytes), so that a frame starting in the
    // first half of a block is followed by the next header inside the block.
    static constexpr int kBlockSize = 3458;
    static constexpr int kLastStart = kBlockSize / 2 - 1;

    TMPEGaudio();

    qint64 FileLength = 0;
    QString VendorText; // an encoder signature found in the stream
    VBRData VBR;
    FrameData Frame;
    qint64 AudioStart = 0;
    qint64 AudioEnd = 0;
    TID3v1 ID3v1;
    // Whether ReadFromFile reads the texts of the ID3v1 record and the
    // Lyrics3 block too, or only their sizes (where the audio ends): a
    // reader that shows other fields need not decode them.
    bool ReadId3v1Fields = true;
    TID3v2 ID3v2;

    // False only when the file cannot be opened or read. A file without
    // audio frames reads as true with FGetValid false.
    // *stamp, when given, gets the file's stamp as it was opened (its size
    // -1 when it could not be).
    bool ReadFromFile(const QString &fileName, FileStamp *stamp = nullptr);
    void FResetData();

    QString FGetVersion() const;
    QString FGetLayer() const;
    QString FGetChannelMode() const;
    QString FGetEmphasis() const;
    QString FGetEncoder() const;
    // The texts of the getters above as their static ASCII, for readers
    // that build text for every file and should not copy them first.
    const char *VersionName() const;
    const char *LayerName() const;
    const char *ChannelModeName() const;
    const char *EmphasisName() const;
    const char *EncoderName() const;
    // The version FGetEncoder adds to the encoder's name after a space
    // ("3.97" of "LAME3.97"), empty when it adds none.
    QStringView EncoderVersion() const;
    quint16 FGetBitRate() const;
    quint16 FGetSampleRate() const;
    qint64 FGetFrames() const;
    double FGetDuration() const;
    quint8 FGetEncoderID() const;
    quint8 FGetVBREncoderID() const;
    quint8 FGetCBREncoderID() const;
    bool FGetValid() const;
    // A Xing or VBRI header says the bit rate varies.
    bool FGetVariableRate() const;

    // ---- the analysis on bytes, without files ----

    static bool IsFrameHeader(const uchar *header);
    // Samples per frame divided by 8.
    int FrameCoefficient() const;
    int PaddingBytes() const;
    quint16 TableBitRate() const;

    // Searches one block for the first frame that is followed by another
    // valid header. Bytes past the end of `block` are not part of the file.
    bool FindFrame(QByteArrayView block);
    // Searches a block backwards from its end for "LAME" or "GOGO".
    static QString FindEncoderSignature(QByteArrayView block, quint16 range);

    // The stream part of ReadFromFile, once the tags are known: the audio
    // starts after `id3v2Size` bytes and the owned ID3v1 object tells how
    // many bytes at the end are tags.
    bool AnalyseStream(const BlockReader &read, qint64 fileLength, qint64 id3v2Size);

private:
    // AnalyseStream that has the tags at the end read by `readEnd` once the
    // first block is known, told whether an encoder signature is still to
    // be looked for near the end; false from it leaves the stream unknown.
    bool AnalyseStream(const BlockReader &read, qint64 fileLength, qint64 id3v2Size,
                       const std::function<bool(bool signatureWanted)> &readEnd);
    void DecodeHeader(const uchar *header);
    void ReadVbrHeader(const uchar *block, qsizetype framePos);
};

} // namespace qm
