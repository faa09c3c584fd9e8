#include "settings/inifile.h"
#include "settings/settingspath.h"
#include "testfiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <random>
#include <sys/stat.h>
#include <unistd.h>

using qm::IniFile;

namespace {

IniFile parsed(QByteArrayView bytes)
{
    IniFile ini;
    ini.parse(bytes);
    return ini;
}

} // namespace

TEST(IniFile, LooksUpWithoutCaseAndTrimsBlanks)
{
    const IniFile ini = parsed("  [ Grid ]  \r\n  Nombers Separate  =  1  \r\nTag=\t2\t\r\n");
    EXPECT_TRUE(ini.hasSection(u"grid"));
    EXPECT_EQ(ini.readString(u"GRID", u"nombers separate"), "1");
    EXPECT_TRUE(ini.readBool(u"Grid", u"Nombers Separate", false));
    EXPECT_EQ(ini.readInteger(u"grid", u"TAG", 0), 2);
}

TEST(IniFile, FirstSectionAndFirstKeyWin)
{
    const IniFile ini = parsed("[Main]\nTop=1\nTop=2\n[Other]\nTop=9\n[MAIN]\nTop=3\nLeft=4\n");
    EXPECT_EQ(ini.readInteger(u"Main", u"Top", 0), 1);
    // A key only in the later duplicate section is not seen, as on Windows.
    EXPECT_FALSE(ini.contains(u"Main", u"Left"));
    EXPECT_EQ(ini.sectionNames(), QStringList({"Main", "Other"}));
}

TEST(IniFile, MalformedNumbersAndBooleansTakeTheDefault)
{
    const IniFile ini = parsed("[S]\nA=12x\nB=\nC=yes\nD=-7\nE=99999999999\nF=0\nG= 5 \n");
    EXPECT_EQ(ini.readInteger(u"S", u"A", 42), 42);
    EXPECT_EQ(ini.readInteger(u"S", u"B", 42), 42);
    EXPECT_EQ(ini.readInteger(u"S", u"D", 42), -7);
    EXPECT_EQ(ini.readInteger(u"S", u"E", 42), 42);
    EXPECT_EQ(ini.readInteger(u"S", u"G", 42), 5);
    EXPECT_EQ(ini.readInteger(u"S", u"missing", 42), 42);
    EXPECT_TRUE(ini.readBool(u"S", u"C", true));
    EXPECT_FALSE(ini.readBool(u"S", u"C", false));
    EXPECT_FALSE(ini.readBool(u"S", u"F", true));
    EXPECT_TRUE(ini.readBool(u"S", u"D", false));
}

TEST(IniFile, HostileLinesAreSkippedNotFatal)
{
    // Missing '=', an unclosed header, an empty key, a comment, CR-only ends.
    const IniFile ini = parsed("garbage before any section\r[Main\rno equals sign\r=orphan\r;c=1\r"
                               "[Main]\rWidth=484\r\r\rHeight=349");
    EXPECT_EQ(ini.readInteger(u"Main", u"Width", 0), 484);
    EXPECT_EQ(ini.readInteger(u"Main", u"Height", 0), 349);
    EXPECT_FALSE(ini.contains(u"Main", u";c"));
    EXPECT_EQ(ini.keys(u"Main"), QStringList({"Width", "Height"}));
    EXPECT_EQ(parsed("[s]\nA=1\na=2\nB=3\n").keys(u"S"), QStringList({"A", "B"}));
}

TEST(IniFile, AByteOrderMarkInsideTheFileStaysMeaningless)
{
    // Not at the start, the mark makes a line that is neither header nor
    // key; written back, that line must not become the file's first bytes.
    const IniFile ini = parsed("\n\xef\xbb\xbf[Main]\nWidth=1\n[Grid]\nTag=2\n");
    EXPECT_FALSE(ini.contains(u"Main", u"Width"));
    const IniFile back = parsed(ini.toBytes());
    EXPECT_FALSE(back.contains(u"Main", u"Width"));
    EXPECT_EQ(back.readInteger(u"Grid", u"Tag", 0), 2);
}

TEST(IniFile, SurvivesBinaryJunkAndHugeLines)
{
    std::mt19937 rng(7);
    QByteArray junk(200000, '\0');
    for (char &c : junk)
        c = char(rng());
    IniFile ini;
    ini.parse(junk);
    ini.writeInteger(u"Grid", u"Tag", 1);
    EXPECT_EQ(parsed(ini.toBytes()).readInteger(u"Grid", u"Tag", 0), 1);

    const QByteArray huge = "[S]\nK=" + QByteArray(3'000'000, 'x') + "\nAfter=1\n";
    const IniFile big = parsed(huge);
    EXPECT_EQ(big.readString(u"S", u"K").size(), 3'000'000);
    EXPECT_TRUE(big.readBool(u"S", u"After", false));
}

TEST(IniFile, DecodesUtf8WithBomAndLegacyBytes)
{
    const IniFile utf8 = parsed("\xEF\xBB\xBF[Find]\nHistoryFind=\xD0\x9F\xD1\x80\xD0\xB8\n");
    EXPECT_EQ(utf8.readString(u"Find", u"HistoryFind"), QString::fromUtf8("При"));
    // Other bytes go through the legacy decoder: Latin-1 until one is set
    // (the options set the tags' code page).
    const IniFile legacy = parsed("[Find]\nHistoryFind=\xCF\xF0\xE8\n");
    EXPECT_EQ(legacy.readString(u"Find", u"HistoryFind"), QString::fromLatin1("\xCF\xF0\xE8"));
}

TEST(IniFile, DecodesUtf16WithOrWithoutByteOrderMark)
{
    const auto utf16 = [](const QString &text, bool big) {
        QByteArray bytes(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
        for (qsizetype i = 0; big && i + 1 < bytes.size(); i += 2)
            std::swap(bytes[i], bytes[i + 1]);
        return bytes;
    };
    const QString text = QString::fromUtf8("[Find]\r\nHistoryFind=При\r\n");
    for (const QByteArray &bytes : {"\xFF\xFE" + utf16(text, false), "\xFE\xFF" + utf16(text, true),
                                    utf16(text, false), utf16(text, true)}) {
        const IniFile ini = parsed(bytes);
        EXPECT_EQ(ini.readString(u"Find", u"HistoryFind"), QString::fromUtf8("При"));
        // Saved as UTF-8, with no line of the old text left over.
        EXPECT_EQ(ini.toBytes(), text.toUtf8());
    }
    // A surrogate without its pair reads as the replacement character.
    const IniFile lone = parsed(QByteArray("\xFF\xFE[\0S\0]\0\n\0k\0=\0\x00\xDC", 16));
    EXPECT_EQ(lone.readString(u"S", u"k"), QString(QChar::ReplacementCharacter));
    // A kept line that would read as UTF-16 is not written first.
    const IniFile odd =
        parsed("\xFF\xFE" + utf16(QString::fromUtf8("a\0b\0\n[S]\nk=v\n", 12), false));
    EXPECT_EQ(parsed(odd.toBytes()).readString(u"S", u"k"), "v");
}

TEST(IniFile, WritingKeepsUnknownContentAndOrder)
{
    IniFile ini = parsed("; made by hand\n[Options]\nCodepage=KOI8-R\nFuture Key=a=b\n\n"
                         "[Grid]\nTag=1\nLater=x\n[Unknown]\nk=v\n");
    ini.writeInteger(u"grid", u"tag", 2);
    ini.writeBool(u"Grid", u"FileInfo", false);
    ini.writeString(u"Main", u"Winamp Hint", QString::fromUtf8(" Воспроизвести \r\nв Winamp "));
    const QByteArray expected = "; made by hand\r\n"
                                "\r\n[Options]\r\nCodepage=KOI8-R\r\nFuture Key=a=b\r\n"
                                "\r\n[Grid]\r\nTag=2\r\nLater=x\r\nFileInfo=0\r\n"
                                "\r\n[Unknown]\r\nk=v\r\n"
                                "\r\n[Main]\r\nWinamp Hint="
                                + QString::fromUtf8("Воспроизвести   в Winamp").toUtf8() + "\r\n";
    EXPECT_EQ(ini.toBytes(), expected);
    EXPECT_EQ(parsed(ini.toBytes()).toBytes(), expected);
}

TEST(IniFile, RemovingTakesEveryDuplicate)
{
    IniFile ini = parsed("[A]\nk=1\nk=2\nj=3\n[B]\n[a]\nk=4\n");
    ini.removeKey(u"a", u"K");
    EXPECT_FALSE(ini.contains(u"A", u"k"));
    EXPECT_EQ(ini.readInteger(u"A", u"j", 0), 3);
    ini.removeSection(u"A");
    EXPECT_FALSE(ini.hasSection(u"A"));
    ini.writeInteger(u"A", u"n", 5);
    EXPECT_EQ(ini.toBytes(), QByteArray("[B]\r\n\r\n[A]\r\nn=5\r\n"));
}

TEST(IniFile, SaveAndLoadThroughTheDisk)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("sub/TagQuill.ini");
    IniFile ini;
    EXPECT_FALSE(ini.load(path));
    EXPECT_FALSE(ini.load(dir.path())); // a folder is no settings file
    ini.writeString(u"Grid", u"ColIndex", "0,1,2");
    ASSERT_TRUE(ini.save(path));
    IniFile back;
    ASSERT_TRUE(back.load(path));
    EXPECT_EQ(back.readString(u"Grid", u"ColIndex"), "0,1,2");

    // A folder in the way of the file: the save fails and says so.
    ASSERT_TRUE(QDir().mkpath(dir.filePath("blocked.ini")));
    EXPECT_FALSE(ini.save(dir.filePath("blocked.ini")));
    // A file in the way of the folder.
    EXPECT_FALSE(ini.save(path + "/inner.ini"));
    ASSERT_TRUE(back.load(path)); // the good copy is untouched
    EXPECT_EQ(back.readString(u"Grid", u"ColIndex"), "0,1,2");
}

// A writable settings file in a folder where no file may be made (a
// portable install in a folder of the system) is saved in place.
TEST(IniFile, SaveInAFolderThatTakesNoNewFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("TagQuill.ini");
    IniFile ini;
    ini.writeString(u"Main", u"Width", "500");
    ASSERT_TRUE(ini.save(path));
    const bool root = geteuid() == 0;
    if (root && !qm::test::setImmutable(dir.path(), true))
        GTEST_SKIP() << "root writes into a read-only folder, and this one cannot be immutable";
    if (!root)
        ASSERT_TRUE(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner));
    ini.writeString(u"Main", u"Width", "900");
    const bool saved = ini.save(path);
    if (root)
        qm::test::setImmutable(dir.path(), false);
    else
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_TRUE(saved);
    IniFile back;
    ASSERT_TRUE(back.load(path));
    EXPECT_EQ(back.readString(u"Main", u"Width"), "900");
}

// Nothing waits for a writer to come, nor reads without end.
TEST(IniFile, PipeOrDeviceIsNoSettingsFile)
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath("TagQuill.ini");
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString zero = dir.filePath("zero.ini");
    ASSERT_TRUE(QFile::link("/dev/zero", zero));
    IniFile ini;
    EXPECT_FALSE(ini.load(fifo));
    EXPECT_FALSE(ini.load(zero));
}

TEST(SettingsFolder, EnvironmentThenPortableThenUserFolder)
{
    QTemporaryDir exe;
    ASSERT_TRUE(exe.isValid());
    EXPECT_EQ(qm::chooseSettingsFolder("/tmp/cfg/", exe.path(), "/home/u/.config/quillmark"),
              "/tmp/cfg");
    EXPECT_EQ(qm::chooseSettingsFolder({}, exe.path(), "/home/u/.config/quillmark"),
              "/home/u/.config/quillmark");
    QFile ini(exe.filePath("TagQuill.ini"));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.close();
    EXPECT_EQ(qm::chooseSettingsFolder({}, exe.path(), "/home/u/.config/quillmark"), exe.path());
    ini.setPermissions(QFile::ReadOwner);
    if (!QFileInfo(ini.fileName()).isWritable()) { // root can write anyway
        EXPECT_EQ(qm::chooseSettingsFolder({}, exe.path(), "/home/u/.config/quillmark"),
                  "/home/u/.config/quillmark");
    }
}
