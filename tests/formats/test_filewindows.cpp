#include "formats/filewindows.h"
#include "formats/mpegaudio.h"
#include "testfiles.h"

#include <gtest/gtest.h>

#include <QFile>

using qm::FileWindows;
using qm::ReadOnlyFile;
using qm::TMPEGaudio;
using qm::test::TempFolder;
using qm::test::writeAll;

namespace {

QByteArray bytesOf(quint32 value, int count, int bits)
{
    QByteArray out;
    for (int i = count - 1; i >= 0; --i)
        out.append(char((value >> (bits * i)) & ((1u << bits) - 1)));
    return out;
}

QByteArray frame(const char *id, const QByteArray &data)
{
    return QByteArray(id) + bytesOf(quint32(data.size()), 4, 8) + QByteArray(2, '\0') + data;
}

QByteArray tag(int major, quint8 flags, const QByteArray &body)
{
    return QByteArray("ID3") + char(major) + '\0' + char(flags)
           + bytesOf(quint32(body.size()), 4, 7) + body;
}

QByteArray title(const char *text) { return frame("TIT2", QByteArray(1, '\0') + text); }

// MPEG 1 Layer III frames of 128 kbps at 44100 Hz with varied bytes, the
// last one signed by its encoder, then an ID3v1 record.
QByteArray audio()
{
    QByteArray stream;
    for (int i = 0; i < 40; ++i) {
        QByteArray frameBytes(417, char(0x55 + i));
        frameBytes.replace(0, 4, QByteArray::fromHex("fffb9064"));
        stream += frameBytes;
    }
    stream.replace(stream.size() - 300, 9, "LAME3.100");
    QByteArray record = "TAG" + QByteArray("One title").leftJustified(30, '\0');
    return stream + record.leftJustified(128, '\0');
}

// Reads every tag and the stream as the reading kinds do, from the file and
// from its bytes in memory at once (the analysis before reads were sized).
void expectSameAsInMemory(const QByteArray &bytes)
{
    TempFolder folder;
    const QString path = folder.path() + "/a.mp3";
    ASSERT_TRUE(writeAll(path, bytes));
    TMPEGaudio fromFile;
    ASSERT_TRUE(fromFile.ReadFromFile(path));
    TMPEGaudio inMemory;
    const auto reader = [&bytes](qint64 pos, qint64 length, QByteArray *out) {
        *out = bytes.mid(pos, length);
        return true;
    };
    const qint64 size = bytes.size();
    if (inMemory.ID3v2.ReadTagWith(reader, size) && inMemory.ID3v1.ReadTagWith(reader, size, true))
        inMemory.AnalyseStream(reader, size, inMemory.ID3v2.FGetTotalSize());
    EXPECT_EQ(fromFile.Frame.HeaderFound, inMemory.Frame.HeaderFound);
    // Without audio the analysis keeps none of the tags.
    if (inMemory.Frame.HeaderFound) {
        EXPECT_EQ(fromFile.ID3v2.Title, inMemory.ID3v2.Title);
        EXPECT_EQ(fromFile.ID3v2.TotalSize, inMemory.ID3v2.TotalSize);
        EXPECT_EQ(fromFile.ID3v1.FGetTitle(), inMemory.ID3v1.FGetTitle());
        EXPECT_EQ(fromFile.AudioStart, inMemory.AudioStart);
        EXPECT_EQ(fromFile.VendorText, inMemory.VendorText);
        EXPECT_EQ(fromFile.FGetDuration(), inMemory.FGetDuration());
    }
    qm::TID3v2 alone;
    ASSERT_TRUE(alone.ReadFromFile(path));
    EXPECT_EQ(alone.Title, inMemory.ID3v2.Title);
}

} // namespace

TEST(FileWindows, HandOutExactlyTheFileBytesWhereverAsked)
{
    for (const int fileSize : {100, 4096 + 143, 20000}) {
        QByteArray bytes(fileSize, Qt::Uninitialized);
        for (int i = 0; i < fileSize; ++i)
            bytes[i] = char(i * 7 + i / 251);
        TempFolder folder;
        const QString path = folder.path() + "/f";
        ASSERT_TRUE(writeAll(path, bytes));
        ReadOnlyFile file;
        ASSERT_TRUE(file.open(path));
        FileWindows windows(file, 143);
        const QList<std::pair<qint64, qint64>> asks = {
            {0, 10},           {4000, 200}, {qMax(0, fileSize - 143), 143},
            {9000, 3458},      {9000, 5},   {fileSize - 5, 50},
            {fileSize + 3, 4}, {4090, 10}};
        for (const auto &[pos, length] : asks) {
            QByteArray kept;
            QByteArray scanned;
            ASSERT_TRUE(windows.read(pos, length, &kept));
            const QByteArray expected = bytes.mid(pos, length);
            EXPECT_EQ(kept, expected) << fileSize << " at " << pos;
            ASSERT_TRUE(windows.scan(pos, length, &scanned));
            EXPECT_EQ(scanned, expected) << fileSize << " at " << pos;
        }
    }
}

TEST(FileWindows, SizedReadsGiveWhatWholeFilesGave)
{
    const QByteArray small = title("Small") + frame("TPE1", QByteArray(1, '\0') + "Artist");
    const QByteArray big = frame("PRIV", QByteArray(10000, 'p')) + title("After a big frame");
    // Unsynchronisation puts a zero after every 0xFF of the tag.
    QByteArray unsynchronised = title("Unsync \xff").replace("\xff", QByteArray("\xff\x00", 2));
    const QByteArray extended = bytesOf(6, 4, 8) + QByteArray(6, '\0') + title("Extended");
    const QByteArray footer = tag(4, 0x10, title("Footer")) + "3DI" + QByteArray(7, '\0');
    const QList<std::pair<const char *, QByteArray>> files = {
        {"tag of exactly 4 KiB", tag(3, 0, small.leftJustified(4096 - 10, '\0')) + audio()},
        {"tag past the head with padding", tag(3, 0, big + QByteArray(1041, '\0')) + audio()},
        {"unsynchronised tag", tag(3, 0x80, unsynchronised.leftJustified(6000, '\0')) + audio()},
        {"extended header", tag(3, 0x40, extended.leftJustified(5000, '\0')) + audio()},
        {"footer", footer + audio()},
        {"truncated file", tag(3, 0, big + QByteArray(1041, '\0')).left(7000)},
        {"tag and no audio", tag(3, 0, small.leftJustified(6000, '\0'))},
        {"no tag", audio()},
    };
    for (const auto &[name, bytes] : files) {
        SCOPED_TRACE(name);
        expectSameAsInMemory(bytes);
    }
}

// A file cut short after it was opened (another program rewriting it) gives
// the bytes it still has at its end, none where it no longer reaches.
TEST(FileWindows, FileCutShortAfterOpeningGivesWhatIsLeft)
{
    TempFolder folder;
    const QString path = folder.path() + "/f";
    ASSERT_TRUE(writeAll(path, QByteArray(20000, 'a')));
    for (const qint64 cut : {0, 19900, 19990}) {
        ReadOnlyFile file;
        ASSERT_TRUE(file.open(path));
        FileWindows windows(file, 143);
        QByteArray head;
        ASSERT_TRUE(windows.read(0, 10, &head));
        ASSERT_TRUE(QFile::resize(path, cut));
        QByteArray end;
        ASSERT_TRUE(windows.read(20000 - 128, 128, &end));
        EXPECT_EQ(end, QByteArray(qMax<qint64>(0, cut - (20000 - 128)), 'a')) << cut;
        ASSERT_TRUE(writeAll(path, QByteArray(20000, 'a')));
    }
}
