// quillmark-cli picture on files made at run time, checked with mutagen and
// QImageReader after each step.

#include "testfiles.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <gtest/gtest.h>

#include <unistd.h>

using namespace qm::test;

namespace {

// The CRC of PNG chunks (zlib's).
quint32 crc32(QByteArrayView bytes)
{
    quint32 crc = 0xFFFFFFFF;
    for (const char byte : bytes) {
        crc ^= quint8(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320 & (0 - (crc & 1)));
    }
    return ~crc;
}

struct CliResult {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

class PictureCliTest : public testing::Test {
protected:
    void SetUp() override
    {
        QM_REQUIRE_TOOL("ffmpeg");
        QM_REQUIRE_MUTAGEN();
        ASSERT_TRUE(folder_.isValid());
    }

    CliResult cli(const QStringList &args,
                  const QList<std::pair<QString, QString>> &environment = {})
    {
        return run(QStringLiteral(QM_CLI_PATH), args, environment);
    }

    // `program` in the environment the command line runs in.
    CliResult run(const QString &program, const QStringList &args,
                  const QList<std::pair<QString, QString>> &environment = {})
    {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QUILLMARK_CONFIG_DIR", folder_.file("config"));
        env.insert("QUILLMARK_DATA_DIR", folder_.file("data"));
        for (const auto &[name, value] : environment)
            env.insert(name, value);
        process.setProcessEnvironment(env);
        process.start(program, args);
        CliResult result;
        if (!process.waitForStarted() || !process.waitForFinished(60000))
            return result;
        result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        result.out = process.readAllStandardOutput();
        result.err = process.readAllStandardError();
        return result;
    }

    // A second of tone in the format ffmpeg picks by the name's extension
    // (the codec given for Ogg).
    QString audio(const QString &name, const QStringList &codec = {})
    {
        QString path = folder_.file(name);
        QDir().mkpath(QFileInfo(path).absolutePath());
        const CommandResult made =
            runCommand("ffmpeg", QStringList{"-v", "error", "-y", "-f", "lavfi", "-i", "sine=d=1"}
                                     + codec + QStringList{path});
        EXPECT_TRUE(made.ok()) << made.err.toStdString();
        return path;
    }

    // A plain colour, or noise that no format compresses.
    QString image(const QString &name, int width, int height, const char *format,
                  bool noise = false)
    {
        QImage made(width, height, QImage::Format_RGB32);
        made.fill(QColor(200, 40, 90));
        quint32 seed = 1;
        for (int y = 0; noise && y < height; ++y)
            for (int x = 0; x < width; ++x)
                made.setPixel(x, y, seed = seed * 1103515245 + 12345);
        QString path = folder_.file(name);
        QDir().mkpath(QFileInfo(path).absolutePath());
        EXPECT_TRUE(made.save(path, format));
        return path;
    }

    // mutagen's reading of the file's pictures: type, mime and bytes in hex.
    QList<QJsonObject> mutagenPictures(const QString &path)
    {
        const CommandResult read =
            runCommand(kPython, {"-c",
                                 "import sys, json, base64, mutagen\n"
                                 "from mutagen.flac import Picture\n"
                                 "f = mutagen.File(sys.argv[1])\n"
                                 "pics = []\n"
                                 "if hasattr(f, 'pictures'): pics = f.pictures\n"
                                 "elif f.tags is not None and hasattr(f.tags, 'getall'):\n"
                                 "    pics = f.tags.getall('APIC')\n"
                                 "else:\n"
                                 "    pics = [Picture(base64.b64decode(v)) for v in\n"
                                 "            (f.tags or {}).get('metadata_block_picture', [])]\n"
                                 "for p in pics:\n"
                                 "    print(json.dumps({'type': int(p.type), 'mime': p.mime,\n"
                                 "                      'data': p.data.hex()}))\n",
                                 path});
        EXPECT_TRUE(read.ok()) << read.err.toStdString();
        QList<QJsonObject> pictures;
        for (const QByteArray &line : read.out.split('\n'))
            if (!line.isEmpty())
                pictures.append(QJsonDocument::fromJson(line).object());
        return pictures;
    }

    // The decoded audio's checksum, which no picture change may alter.
    QByteArray audioSum(const QString &path)
    {
        const CommandResult sum =
            runCommand("ffmpeg", {"-v", "error", "-i", path, "-map", "0:a", "-f", "md5", "-"});
        EXPECT_TRUE(sum.ok()) << sum.err.toStdString();
        return sum.out;
    }

    static QSize sizeOf(const QByteArray &bytes)
    {
        QBuffer buffer;
        buffer.setData(bytes);
        buffer.open(QIODevice::ReadOnly);
        return QImageReader(&buffer).size();
    }

    TempFolder folder_;
};

} // namespace

TEST_F(PictureCliTest, SetListExtractRemoveAndUndoInEveryFormat)
{
    const QString png = image("small.png", 120, 90, "PNG");
    const QByteArray pngBytes = readAll(png);
    const struct {
        const char *name;
        QStringList codec;
    } formats[] = {
        {"a.mp3", {}},
        {"a.flac", {}},
        {"a.ogg", {"-c:a", "libvorbis"}},
        {"a.opus", {"-c:a", "libopus"}},
    };
    for (const auto &format : formats) {
        SCOPED_TRACE(format.name);
        const QString file = audio(format.name, format.codec);
        const QByteArray original = readAll(file);
        const QByteArray sound = audioSum(file);

        // Undone, the file is as it was, byte for byte.
        ASSERT_EQ(cli({"picture", "set", png, file}).exitCode, 0);
        const CliResult undo = cli({"undo"});
        ASSERT_EQ(undo.exitCode, 0) << undo.err.toStdString();
        EXPECT_EQ(readAll(file), original);

        const CliResult set = cli({"picture", "set", "--type", "4", png, file});
        ASSERT_EQ(set.exitCode, 0) << set.err.toStdString();
        const QList<QJsonObject> written = mutagenPictures(file);
        ASSERT_EQ(written.size(), 1);
        EXPECT_EQ(written[0]["type"].toInt(), 4);
        EXPECT_EQ(written[0]["mime"].toString(), "image/png");
        EXPECT_EQ(written[0]["data"].toString(), QString::fromLatin1(pngBytes.toHex()));
        EXPECT_EQ(audioSum(file), sound);

        const CliResult list = cli({"picture", "list", file});
        ASSERT_EQ(list.exitCode, 0) << list.err.toStdString();
        const QJsonObject listed = QJsonDocument::fromJson(list.out.trimmed()).object();
        EXPECT_EQ(listed["file"].toString(), file);
        EXPECT_EQ(listed["index"].toInt(), 0);
        EXPECT_EQ(listed["type"].toInt(), 4);
        EXPECT_EQ(listed["mime"].toString(), "image/png");
        EXPECT_EQ(listed["width"].toInt(), 120);
        EXPECT_EQ(listed["height"].toInt(), 90);
        EXPECT_EQ(listed["size"].toInt(), pngBytes.size());

        const QString out = folder_.file("out.png");
        ASSERT_EQ(cli({"picture", "extract", file, out}).exitCode, 0);
        EXPECT_EQ(readAll(out), pngBytes);

        const QByteArray pictured = readAll(file);
        ASSERT_EQ(cli({"picture", "remove", "--all", file}).exitCode, 0);
        EXPECT_TRUE(mutagenPictures(file).isEmpty());
        EXPECT_EQ(audioSum(file), sound);

        // Undone one after the other, newest first, the file goes back
        // step by step: an undo's own time and inode are no change by
        // another program.
        ASSERT_EQ(cli({"undo"}).exitCode, 0);
        EXPECT_EQ(readAll(file), pictured);
        const CliResult second = cli({"undo"});
        ASSERT_EQ(second.exitCode, 0) << second.err.toStdString();
        EXPECT_EQ(readAll(file), original);
    }
}

// A name that is not UTF-8 (a folder of an old collection named in
// Windows-1251) is the one the picture is written to, not another beside it.
TEST_F(PictureCliTest, ExtractWritesToTheNameOfItsOwnBytes)
{
    const QString file = audio("a.flac");
    const QString png = image("a.png", 120, 90, "PNG");
    ASSERT_EQ(cli({"picture", "set", png, file}).exitCode, 0);
    // "д.png" in Windows-1251: a shell hands the byte on as it is.
    const CliResult extract =
        run("/bin/sh", {"-c", R"("$0" picture extract "$1" "$2/$(printf '\344').png")", QM_CLI_PATH,
                        file, folder_.path()});
    ASSERT_EQ(extract.exitCode, 0) << extract.err.toStdString();
    EXPECT_EQ(run("/bin/sh", {"-c", R"(cat "$0/$(printf '\344').png")", folder_.path()}).out,
              readAll(png));
}

// An output that is the file the picture comes from, by any of its names,
// would replace the music with its picture: refused, nothing written.
TEST_F(PictureCliTest, ExtractRefusesTheFileItTakesThePictureFrom)
{
    const QString file = audio("a.flac");
    ASSERT_EQ(cli({"picture", "set", image("a.png", 40, 30, "PNG"), file}).exitCode, 0);
    const QByteArray original = readAll(file);
    ASSERT_TRUE(QFile::link(file, folder_.file("link.flac")));
    ASSERT_EQ(::link(QFile::encodeName(file), QFile::encodeName(folder_.file("hard.flac"))), 0);
    for (const QString &output : {file, folder_.path() + "/./a.flac", folder_.file("link.flac"),
                                  folder_.file("hard.flac")}) {
        SCOPED_TRACE(output.toStdString());
        const CliResult extract =
            cli({"picture", "extract", file, output}, {{"QUILLMARK_LANG", "en"}});
        EXPECT_EQ(extract.exitCode, 1);
        EXPECT_EQ(extract.err.toStdString(),
                  output.toStdString()
                      + "\tThe picture cannot be written over the file it is taken from\n");
        EXPECT_EQ(readAll(file), original);
    }
}

TEST_F(PictureCliTest, AChangeTheFullJournalRefusesSaysWhy)
{
    const QString file = audio("a.flac");
    const QByteArray original = readAll(file);
    const CliResult set = cli(
        {"picture", "set", image("a.png", 40, 30, "PNG"), file},
        {{"LD_PRELOAD", QM_FAULT_SHIM}, {"QM_FAULT_FAIL", "write 28"}, {"QUILLMARK_LANG", "en"}});
    EXPECT_EQ(set.exitCode, 1);
    EXPECT_EQ(set.err.toStdString(),
              file.toStdString()
                  + "\tThe journal could not be written: its disk is full. Pictures not changed\n");
    EXPECT_EQ(readAll(file), original);
}

TEST_F(PictureCliTest, RefusesWhatIsNoImageOrTooBigAndLeavesTheFile)
{
    const QString file = audio("a.mp3");
    const QByteArray original = readAll(file);
    // A PNG that claims 9000 by 9000 pixels, with almost none behind it:
    // refused from its header, never decoded.
    const auto chunk = [](const QByteArray &type, const QByteArray &data) {
        QByteArray out;
        for (const quint32 value : {quint32(data.size())})
            for (int i = 0; i < 4; ++i)
                out += char(value >> (24 - 8 * i));
        out += type + data;
        const quint32 crc = crc32(type + data);
        for (int i = 0; i < 4; ++i)
            out += char(crc >> (24 - 8 * i));
        return out;
    };
    const QByteArray huge = QByteArray("\x89PNG\r\n\x1a\n", 8)
                            + chunk("IHDR", QByteArray::fromHex("00002328000023280802000000"))
                            + chunk("IDAT", qCompress(QByteArray(10, 0)).sliced(4))
                            + chunk("IEND", {});
    QFile hugeFile(folder_.file("huge.png"));
    ASSERT_TRUE(hugeFile.open(QIODevice::WriteOnly));
    hugeFile.write(huge);
    hugeFile.close();
    QFile big(folder_.file("big.jpg"));
    ASSERT_TRUE(big.open(QIODevice::WriteOnly) && big.resize((qint64(16) << 20) + 1));
    big.close();
    QFile text(folder_.file("text.jpg"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly) && text.write("not an image") > 0);
    text.close();
    for (const QString &bad :
         {hugeFile.fileName(), big.fileName(), text.fileName(), folder_.file("missing.png")}) {
        SCOPED_TRACE(bad.toStdString());
        const CliResult set = cli({"picture", "set", bad, file});
        EXPECT_EQ(set.exitCode, 1);
        EXPECT_TRUE(set.err.contains(file.toUtf8() + '\t')) << set.err.toStdString();
        EXPECT_EQ(readAll(file), original);
    }
}

// A FLAC file whose comment block is damaged is refused, also behind an
// ID3v2 tag, which must not take the picture instead.
TEST_F(PictureCliTest, AFlacFileWhoseMetadataIsDamagedIsLeftAsItIs)
{
    const QString png = image("a.png", 40, 30, "PNG");
    const QByteArray id3v2("ID3\x03\0\0\0\0\0\x0a\0\0\0\0\0\0\0\0\0\0", 20);
    // After STREAMINFO: a comment block that claims five entries and holds none.
    const QByteArray badComment("\x04\0\0\x08\0\0\0\0\x05\0\0\0", 12);
    for (const QByteArray &front : {QByteArray(), id3v2}) {
        SCOPED_TRACE(front.size());
        const QString file = audio("a.flac");
        QByteArray bytes = readAll(file);
        bytes.insert(4 + 4 + 34, badComment);
        ASSERT_TRUE(writeAll(file, front + bytes));
        const CliResult set = cli({"picture", "set", png, file}, {{"QUILLMARK_LANG", "en"}});
        EXPECT_EQ(set.exitCode, 1);
        EXPECT_EQ(set.err.toStdString(),
                  file.toStdString()
                      + "\tThe file's tags are damaged or not understood; pictures not changed\n");
        EXPECT_EQ(readAll(file), front + bytes);
    }
}

// A picture within the size a picture may have, but larger than a FLAC
// metadata block holds, is refused as such, with the file untouched.
TEST_F(PictureCliTest, APictureLargerThanAFlacBlockIsRefusedAsSuch)
{
    const QString png = image("a.png", 40, 30, "PNG");
    QByteArray padded = readAll(png);
    padded.append(QByteArray(16777200 - padded.size(), '\0'));
    ASSERT_TRUE(writeAll(png, padded));
    const QString file = audio("a.flac");
    const QByteArray before = readAll(file);
    const CliResult set = cli({"picture", "set", png, file}, {{"QUILLMARK_LANG", "en"}});
    EXPECT_EQ(set.exitCode, 1);
    EXPECT_EQ(set.err.toStdString(), file.toStdString()
                                         + "\tThe picture does not fit into a FLAC metadata "
                                           "block; pictures not changed\n");
    EXPECT_EQ(readAll(file), before);
}

TEST_F(PictureCliTest, FromFolderTakesEachFoldersPictureAndScalesItDown)
{
    const QString a = audio("one/a.mp3");
    const QString b = audio("two/b.flac");
    const QString c = audio("three/c.mp3");
    image("one/Cover.JPG", 400, 300, "JPEG");
    image("one/folder.jpg", 10, 10, "JPEG"); // cover comes first
    image("two/front.png", 300, 400, "PNG");
    const CliResult set = cli({"picture", "set", "--from-folder", "--max-size", "200", a, b, c});
    EXPECT_EQ(set.exitCode, 1);
    EXPECT_TRUE(set.err.startsWith(c.toUtf8() + '\t')) << set.err.toStdString();
    const QList<QJsonObject> ofA = mutagenPictures(a);
    const QList<QJsonObject> ofB = mutagenPictures(b);
    ASSERT_EQ(ofA.size(), 1);
    ASSERT_EQ(ofB.size(), 1);
    EXPECT_EQ(ofA[0]["mime"].toString(), "image/jpeg");
    EXPECT_EQ(sizeOf(QByteArray::fromHex(ofA[0]["data"].toString().toLatin1())), QSize(200, 150));
    EXPECT_EQ(ofB[0]["mime"].toString(), "image/png"); // PNG stays PNG
    EXPECT_EQ(sizeOf(QByteArray::fromHex(ofB[0]["data"].toString().toLatin1())), QSize(150, 200));
    EXPECT_TRUE(mutagenPictures(c).isEmpty());

    // Shrinking takes only what is larger than the limit.
    ASSERT_EQ(cli({"picture", "shrink", "--max-size", "160", a, b}).exitCode, 0);
    EXPECT_EQ(sizeOf(QByteArray::fromHex(mutagenPictures(a)[0]["data"].toString().toLatin1())),
              QSize(160, 120));
    EXPECT_EQ(sizeOf(QByteArray::fromHex(mutagenPictures(b)[0]["data"].toString().toLatin1())),
              QSize(120, 160));
}

TEST_F(PictureCliTest, ASetKilledInTheMiddleIsPutBackByTheNextRun)
{
    const QString file = audio("a.mp3");
    const QByteArray original = readAll(file);
    // Big enough for the rewrite to be a large write the shim cuts short.
    const QString png = image("big.png", 400, 400, "PNG", true);
    ASSERT_GT(QFileInfo(png).size(), 200000);
    const CliResult killed = cli({"picture", "set", png, file},
                                 {{"LD_PRELOAD", QM_FAULT_SHIM}, {"QM_FAULT_KILL_AT_WRITE", "1"}});
    ASSERT_EQ(killed.exitCode, -1);
    const CliResult list = cli({"picture", "list", file});
    EXPECT_EQ(list.exitCode, 0) << list.err.toStdString();
    EXPECT_TRUE(list.out.isEmpty());
    EXPECT_EQ(readAll(file), original);
    EXPECT_EQ(QDir(folder_.path()).entryList({".quillmark-*"}, QDir::Files | QDir::Hidden),
              QStringList());
}

TEST_F(PictureCliTest, APictureThatOutgrowsTheOggHeaderPagesRenumbersTheStream)
{
    // Noise no format compresses: the comment packet spans many new pages.
    const QString png = image("noise.png", 300, 300, "PNG", true);
    const QByteArray pngBytes = readAll(png);
    for (const auto &[name, codec] : {std::pair{"a.ogg", "libvorbis"}, {"a.opus", "libopus"}}) {
        SCOPED_TRACE(name);
        const QString file = audio(name, {"-c:a", codec});
        const QByteArray original = readAll(file);
        const QByteArray sound = audioSum(file);
        const CliResult set = cli({"picture", "set", png, file});
        ASSERT_EQ(set.exitCode, 0) << set.err.toStdString();
        const QList<QJsonObject> written = mutagenPictures(file);
        ASSERT_EQ(written.size(), 1);
        EXPECT_EQ(written[0]["data"].toString(), QString::fromLatin1(pngBytes.toHex()));
        EXPECT_EQ(audioSum(file), sound);
        ASSERT_EQ(cli({"undo"}).exitCode, 0);
        EXPECT_EQ(readAll(file), original);
    }
}

TEST_F(PictureCliTest, AnId3v24TagIsRebuiltInTheVersionAsked)
{
    QM_REQUIRE_TOOL("mid3v2");
    const QString png = image("small.png", 40, 30, "PNG");
    const struct {
        QStringList option;
        int version;
    } cases[] = {{{}, 3}, {{"--id3v2", "keep"}, 4}, {{"--id3v2", "4"}, 4}, {{"--id3v2", "3"}, 3}};
    int at = 0;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.option.join(' ').toStdString());
        const QString file = audio(QStringLiteral("a%1.mp3").arg(at++));
        ASSERT_TRUE(runCommand("mid3v2", {"-t", "Заголовок", file}).ok()); // a 2.4 tag
        const CliResult set =
            cli(QStringList{"picture", "set"} + c.option + QStringList{png, file});
        ASSERT_EQ(set.exitCode, 0) << set.err.toStdString();
        const CommandResult read =
            runCommand(kPython, {"-c",
                                 "import sys, mutagen.id3\n"
                                 "t = mutagen.id3.ID3(sys.argv[1])\n"
                                 "print(t.version[1], t['TIT2'].text[0], len(t.getall('APIC')))\n",
                                 file});
        ASSERT_TRUE(read.ok()) << read.err.toStdString();
        EXPECT_EQ(QString::fromUtf8(read.out).trimmed(),
                  QStringLiteral("%1 Заголовок 1").arg(c.version));
    }
}
