// quillmark-cli as scripts use it: read a folder into JSON Lines, edit the
// rows, apply them, and check the disk with mutagen.
#include "fakeplayers.h"
#include "testfiles.h"
#include "vorbistestfiles.h"

#include <QCoreApplication>
#include <QDBusMetaType>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>
#include <QUrl>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <functional>
#include <thread>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace qm::test;

namespace {

const QStringList kCodes = {"No",  "Dir", "Old", "New", "Ext", "Siz", "Dur", "Inf", "Tit",
                            "Trc", "Art", "Alb", "Yea", "Gen", "Com", "Ope", "Tt1", "Oal",
                            "Ory", "Cop", "Slt", "Enc", "Cmp", "Lan", "Xxx"};

struct CliRun {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

QList<QJsonObject> jsonRows(const QByteArray &out)
{
    QList<QJsonObject> rows;
    for (const QByteArray &line : out.split('\n')) {
        if (!line.isEmpty())
            rows.append(QJsonDocument::fromJson(line).object());
    }
    return rows;
}

class CliTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder_.isValid());
        ASSERT_TRUE(QDir(folder_.path()).mkpath("config"));
        ASSERT_TRUE(QDir(folder_.path()).mkpath("album"));
    }

    QString album() const { return folder_.file("album"); }

    // `environment`: variables set for this run, or removed when their value
    // is empty; `output`: a file standard output goes to instead of `out`.
    CliRun cli(const QStringList &args, const QByteArray &input = {},
               const QList<std::pair<QString, QString>> &environment = {},
               const QString &output = {})
    {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QUILLMARK_CONFIG_DIR", folder_.file("config"));
        env.insert("QUILLMARK_DATA_DIR", folder_.file("data"));
        for (const auto &[name, value] : environment) {
            if (value.isEmpty())
                env.remove(name);
            else
                env.insert(name, value);
        }
        process.setProcessEnvironment(env);
        if (!output.isEmpty())
            process.setStandardOutputFile(output);
        process.start(QStringLiteral(QM_CLI_PATH), args);
        CliRun run;
        if (!process.waitForStarted())
            return run;
        process.write(input);
        process.closeWriteChannel();
        if (!process.waitForFinished(60000)) {
            process.kill();
            process.waitForFinished();
            return run;
        }
        run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        run.out = process.readAllStandardOutput();
        run.err = process.readAllStandardError();
        return run;
    }

    void writeSettings(const QByteArray &ini)
    {
        ASSERT_TRUE(writeAll(folder_.file("config/TagQuill.ini"), ini));
    }

    // An MP3 with an ID3v2.3 tag written by mutagen.
    void makeTagged(const QString &path, const QString &title, const QString &track,
                    const QString &albumName)
    {
        if (sample_.isEmpty()) {
            const QString sample = folder_.file("sample.mp3");
            QString error;
            ASSERT_TRUE(makeMp3(sample, {0.3}, &error)) << error.toStdString();
            sample_ = readAll(sample);
        }
        ASSERT_TRUE(writeAll(path, sample_));
        const CommandResult tagged =
            runCommand(kPython, {"-c",
                                 "import sys\n"
                                 "from mutagen.id3 import ID3, TIT2, TRCK, TALB\n"
                                 "t = ID3()\n"
                                 "t.add(TIT2(encoding=1, text=sys.argv[2]))\n"
                                 "t.add(TRCK(encoding=1, text=sys.argv[3]))\n"
                                 "t.add(TALB(encoding=1, text=sys.argv[4]))\n"
                                 "t.save(sys.argv[1], v2_version=3)\n",
                                 path, title, track, albumName});
        ASSERT_TRUE(tagged.ok()) << tagged.err.toStdString();
    }

    void makeAlbum()
    {
        makeTagged(album() + "/b.mp3", QString::fromUtf8("Вторая"), "2", "Album X");
        makeTagged(album() + "/a.mp3", "First", "1", "Album X");
        makeTagged(album() + "/c.mp3", "Third: part", "3", "Album X");
    }

    TempFolder folder_;
    QByteArray sample_;
};

} // namespace

TEST_F(CliTest, ReadEditApplyRenamesAnAlbumByItsTags)
{
    QM_REQUIRE_TOOL("lame");
    QM_REQUIRE_TOOL("ffmpeg");
    QM_REQUIRE_MUTAGEN();
    makeAlbum();

    const CliRun read = cli({"read", album()});
    ASSERT_EQ(read.exitCode, 0) << read.err.toStdString();
    // Keys in field-number order, every value a string.
    const QByteArray firstLine = read.out.left(read.out.indexOf('\n'));
    qsizetype at = 0;
    for (const QString &code : kCodes) {
        const qsizetype found = firstLine.indexOf("\"" + code.toLatin1() + "\":\"", at);
        ASSERT_GT(found, at - 1) << code.toStdString();
        at = found;
    }
    QList<QJsonObject> rows = jsonRows(read.out);
    ASSERT_EQ(rows.size(), 3);
    QStringList titles;
    for (int i = 0; i < rows.size(); ++i) {
        const QJsonObject &row = rows[i];
        EXPECT_EQ(row.size(), 26) << "the 25 columns and \"Read\", the file as it was read";
        EXPECT_EQ(row["No"].toString(), QString("0%1").arg(i + 1));
        EXPECT_EQ(row["Dir"].toString(), album() + "/");
        EXPECT_EQ(row["Ext"].toString(), "mp3");
        EXPECT_EQ(row["New"].toString(), row["Old"].toString());
        const QString path = album() + "/" + row["Old"].toString() + ".mp3";
        EXPECT_EQ(row["Siz"].toString(), QString::number(QFileInfo(path).size()));
        EXPECT_TRUE(row["Dur"].toString().startsWith("0:0"));
        EXPECT_TRUE(row["Inf"].toString().startsWith("MPEG 1 Layer III"));
        EXPECT_EQ(row["Alb"].toString(), "Album X");
        titles << row["Tit"].toString();
    }
    titles.sort();
    EXPECT_EQ(titles, (QStringList{"First", "Third: part", QString::fromUtf8("Вторая")}));

    // The common album is what the editor box shows for the column.
    const CliRun shown = cli({"edit", "--show", "Alb"}, read.out);
    EXPECT_EQ(shown.exitCode, 0);
    EXPECT_EQ(shown.out, "Album X\n");

    const CliRun edited = cli({"edit", "--set", "New=%TR. %TT", "--set", "Art=Someone"}, read.out);
    ASSERT_EQ(edited.exitCode, 0) << edited.err.toStdString();
    rows = jsonRows(edited.out);
    ASSERT_EQ(rows.size(), 3);
    for (const QJsonObject &row : rows) {
        EXPECT_EQ(row["New"].toString(), row["Trc"].toString() + ". " + row["Tit"].toString());
        EXPECT_EQ(row["Art"].toString(), "Someone");
    }

    // A colon may not stand in a name: that row fails, the others go.
    const CliRun applied = cli({"apply", "--rename", "--tag", "2"}, edited.out);
    EXPECT_EQ(applied.exitCode, 1);
    EXPECT_EQ(QString::fromUtf8(applied.err),
              album() + "/c.mp3\t" + QString::fromUtf8("Недопустимые символы в имени файла (:/)")
                  + "\n");
    QStringList names = QDir(album()).entryList(QDir::Files, QDir::Name);
    EXPECT_EQ(names, (QStringList{"01. First.mp3", QString::fromUtf8("02. Вторая.mp3"), "c.mp3"}));
    const QJsonObject tags = mutagenRead(album() + "/01. First.mp3");
    EXPECT_EQ(mutagenText(tags, "TPE1"), "Someone");
    EXPECT_EQ(mutagenText(tags, "TIT2"), "First");

    rows = jsonRows(applied.out);
    ASSERT_EQ(rows.size(), 3);
    for (const QJsonObject &row : rows) {
        if (row["Tit"].toString() == "First") {
            EXPECT_EQ(row["Old"].toString(), "01. First");
            EXPECT_EQ(row["New"].toString(), "a");
        }
        if (row["Tit"].toString() == "Third: part") {
            EXPECT_EQ(row["Old"].toString(), "c");
        }
    }
}

TEST_F(CliTest, ApplyReportsFailedRowsAndBoxes)
{
    QM_REQUIRE_TOOL("lame");
    QM_REQUIRE_TOOL("ffmpeg");
    QM_REQUIRE_MUTAGEN();
    makeAlbum();
    const CliRun read = cli({"read", "--no-info", album()});
    ASSERT_EQ(read.exitCode, 0);

    // Nothing to rename: the box text, no row changed.
    const CliRun noNames = cli({"apply", "--rename"}, cli({"edit", "--set", "New="}, read.out).out);
    EXPECT_EQ(noNames.exitCode, 1);
    EXPECT_EQ(QString::fromUtf8(noNames.err), QString::fromUtf8("Напишите новые имена файлов.\n"));

    // b.mp3 renamed onto a.mp3 (kept), a missing file, and a tag written.
    QByteArray rows = cli({"edit", "--set", "New=a"}, read.out).out;
    rows += QByteArray("{\"Dir\":\"") + album().toUtf8()
            + "/\",\"Old\":\"gone\",\"New\":\"x\",\"Ext\":\"mp3\"}\n";
    const QByteArray aBefore = readAll(album() + "/a.mp3");
    const CliRun applied = cli({"apply", "--rename", "--replace", "no"}, rows);
    EXPECT_EQ(applied.exitCode, 1);
    const QStringList errors = QString::fromUtf8(applied.err).split('\n', Qt::SkipEmptyParts);
    EXPECT_TRUE(errors.contains(album() + "/b.mp3\t"
                                + QString::fromUtf8("Файл с новым именем уже существует")))
        << applied.err.toStdString();
    EXPECT_TRUE(errors.contains(album() + "/gone.mp3\t" + QString::fromUtf8("Не существует файл")))
        << applied.err.toStdString();
    EXPECT_EQ(readAll(album() + "/a.mp3"), aBefore);
    EXPECT_TRUE(QFile::exists(album() + "/b.mp3"));
    EXPECT_EQ(jsonRows(applied.out).size(), 4);

    // Every row succeeding gives status 0.
    const CliRun tagged =
        cli({"apply", "--write-tag", "2"}, cli({"edit", "--set", "Yea=1999"}, read.out).out);
    EXPECT_EQ(tagged.exitCode, 0) << tagged.err.toStdString();
    EXPECT_TRUE(tagged.err.isEmpty());
    EXPECT_EQ(mutagenText(mutagenRead(album() + "/c.mp3"), "TDRC"), "1999");
}

TEST_F(CliTest, RowMessagesFollowTheChosenLanguage)
{
    const QByteArray rows = QByteArray("{\"Dir\":\"") + album().toUtf8()
                            + "/\",\"Old\":\"gone\",\"New\":\"x\",\"Ext\":\"mp3\"}\n";
    const QString missing = album() + "/gone.mp3\t";
    // The locale counts only when neither the variable nor the setting
    // chooses; Qt reads LC_ALL, then LC_MESSAGES, then LANG and LANGUAGE.
    const QList<std::pair<QString, QString>> russianLocale = {{"QUILLMARK_LANG", ""},
                                                              {"LC_ALL", ""},
                                                              {"LC_MESSAGES", ""},
                                                              {"LANGUAGE", ""},
                                                              {"LANG", "ru_RU.UTF-8"}};
    const struct {
        const char *name;
        QList<std::pair<QString, QString>> environment;
        QString message;
    } cases[] = {
        {"variable en", {{"QUILLMARK_LANG", "en"}}, "The file does not exist"},
        {"Russian locale", russianLocale, QString::fromUtf8("Не существует файл")},
    };
    for (const auto &c : cases) {
        const CliRun run = cli({"apply", "--rename"}, rows, c.environment);
        EXPECT_EQ(run.exitCode, 1) << c.name;
        EXPECT_TRUE(QString::fromUtf8(run.err).split('\n').contains(missing + c.message))
            << c.name << ": " << run.err.toStdString();
    }
}

TEST_F(CliTest, ApplyWritesTagsOnlyToFilesTheReadingReads)
{
    QM_REQUIRE_TOOL("lame");
    QM_REQUIRE_TOOL("ffmpeg");
    QM_REQUIRE_MUTAGEN();
    makeTagged(album() + "/song.bin", "Song", "1", "Album");
    ASSERT_TRUE(writeAll(album() + "/notes.txt", "notes"));
    const CliRun read = cli({"read", "--all-formats", "--no-info", album()});
    ASSERT_EQ(read.exitCode, 0) << read.err.toStdString();
    const QByteArray rows = cli({"edit", "--set", "Tit=New"}, read.out).out;
    const QString notTagged = QString::fromUtf8("\tНе изменен Tag.\n");

    const CliRun mp3Only = cli({"apply", "--write-tag", "2"}, rows);
    EXPECT_EQ(mp3Only.exitCode, 1);
    EXPECT_EQ(QString::fromUtf8(mp3Only.err),
              album() + "/notes.txt" + notTagged + album() + "/song.bin" + notTagged);
    const CliRun all = cli({"apply", "--write-tag", "2", "--all-formats"}, rows);
    EXPECT_EQ(all.exitCode, 1);
    EXPECT_EQ(QString::fromUtf8(all.err), album() + "/notes.txt" + notTagged);
    EXPECT_EQ(mutagenText(mutagenRead(album() + "/song.bin"), "TIT2"), "New");
    EXPECT_EQ(readAll(album() + "/notes.txt"), "notes");
}

TEST_F(CliTest, BadUsageAndUnreadableInputGiveStatusTwo)
{
    const QList<QStringList> usages = {
        {},
        {"frobnicate"},
        {"read"},
        {"read", "--tag", "3", album()},
        {"read", "--format", "xml", album()},
        {"read", "--bogus", album()},
        {"read", album() + "/missing"},
        {"edit", "--set", "NoEquals"},
        {"edit", "--show", "Zzz"},
        {"edit", "--case", "Tit=loud"},
        {"edit", "--case", "No=upper"},
        {"edit", "--replace", "Tit", "feat."},
        {"apply"},
        {"apply", "--write-tag", "3"},
        {"apply", "--rename", "--replace", "maybe"},
        {"apply", "--write-tag", "2", "--dry-run"}, // plans renames only
        // Options an action would pass over, doing something else than asked.
        {"picture", "extract", "--type", "4", album() + "/a.mp3", album() + "/a.jpg"},
        {"picture", "shrink", "--type", "4", "--max-size", "100", album() + "/a.mp3"},
        {"picture", "list", "--index", "1", album() + "/a.mp3"},
        // Per-folder numbers need the folders together.
        {"edit", "--numbers-separate", "--shuffle"},
        {"edit", "--numbers-separate", "--set", "Dir=/music/%AR/"},
    };
    for (const QStringList &args : usages) {
        const CliRun run = cli(args);
        EXPECT_EQ(run.exitCode, 2) << args.join(' ').toStdString();
        EXPECT_FALSE(run.err.isEmpty()) << args.join(' ').toStdString();
        EXPECT_TRUE(run.out.isEmpty()) << args.join(' ').toStdString();
    }
    const QList<QByteArray> inputs = {
        "not json\n",
        "[\"No\"]\n",
        "{\"Old\": 5}\n",
        "{\"Bogus\": \"x\"}\n",
        QByteArray("No\tDir\tOld\tNew\tExt\tSiz\tDur\tInf\tTit\tTrc\tArt\tAlb\tYea\tGen\tCom\tOpe"
                   "\tTt1\tOal\tOry\tCop\tSlt\tEnc\tCmp\tLan\tXxx\nonly\ttwo\n"),
        // Text in Windows-1252, not UTF-8.
        QByteArray("No\tDir\tOld\tNew\tExt\tSiz\tDur\tInf\tTit\tTrc\tArt\tAlb\tYea\tGen\tCom\tOpe"
                   "\tTt1\tOal\tOry\tCop\tSlt\tEnc\tCmp\tLan\tXxx\n\t\t\t\t\t\t\t\tCaf\xe9"
                   "\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\n"),
    };
    for (const QByteArray &input : inputs) {
        const CliRun run = cli({"edit", "--set", "New=x"}, input);
        EXPECT_EQ(run.exitCode, 2) << input.toStdString();
        EXPECT_TRUE(run.err.contains("line ")) << run.err.toStdString();
    }

    EXPECT_EQ(cli({"--version"}).exitCode, 0);
    const CliRun help = cli({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.contains("apply"));
    EXPECT_TRUE(cli({"apply", "--rename", "--help"}).out.contains("apply"));
    // The value of an option is no question, even when it reads "--help".
    const CliRun replaced =
        cli({"edit", "--replace", "Tit", "--help", "x"}, "{\"Tit\":\"a --help\"}\n");
    EXPECT_EQ(replaced.exitCode, 0);
    EXPECT_EQ(jsonRows(replaced.out).value(0)["Tit"].toString(), "a x");
}

// Output that cannot be written (a full disk) fails the command with the
// reason, whatever it printed: a script never takes lost output for success.
TEST_F(CliTest, OutputThatCannotBeWrittenFailsTheCommand)
{
    ASSERT_TRUE(writeAll(album() + "/a.txt", "x"));
    QByteArray rows = cli({"read", "--no-info", album()}).out;
    ASSERT_EQ(cli({"apply", "--rename"}, rows.replace("\"New\":\"a\"", "\"New\":\"b\"")).exitCode,
              0);
    rows = cli({"read", "--no-info", album()}).out;
    const QList<QStringList> commands = {{"--help"},
                                         {"--version"},
                                         {"read", album()},
                                         {"edit", "--show", "Old"},
                                         {"edit", "--set", "Tit=x"},
                                         {"history"}};
    for (const QStringList &args : commands) {
        const CliRun run = cli(args, rows, {}, "/dev/full");
        EXPECT_EQ(run.exitCode, 1) << args.join(' ').toStdString();
        EXPECT_FALSE(run.err.isEmpty()) << args.join(' ').toStdString();
    }
}

// A folder that cannot be listed, or a file that cannot be read, is said on
// standard error and fails read, whose other rows go out as ever.
TEST_F(CliTest, ReadSaysWhatItCannotRead)
{
    const QString a = album() + "/a.mp3";
    ASSERT_TRUE(writeAll(a, "x"));
    EXPECT_EQ(cli({"read", album()}).exitCode, 0);
    const CliRun unlisted = cli({"read", album(), a}, {},
                                {{"LD_PRELOAD", QM_FAULT_SHIM}, {"QM_FAULT_FAIL", "opendir 13"}});
    EXPECT_EQ(unlisted.exitCode, 1);
    EXPECT_TRUE(unlisted.err.startsWith((album() + "/\t").toUtf8())) << unlisted.err.toStdString();
    EXPECT_EQ(jsonRows(unlisted.out).size(), 1);
    // So is a file a play list names that is not there, its own cells
    // filled from the list or not.
    const QString list = folder_.file("list.m3u");
    ASSERT_TRUE(writeAll(list, "#EXTM3U\n" + a.toUtf8() + "\n#EXTINF:3,Gone - Song\n"
                                   + album().toUtf8() + "/gone.mp3\n"));
    for (const QStringList &args :
         {QStringList{"read", list}, QStringList{"read", "--no-info", list}}) {
        const CliRun gone = cli(args);
        EXPECT_EQ(gone.exitCode, 1);
        EXPECT_EQ(
            gone.err,
            (album() + "/gone.mp3\t" + QString::fromLocal8Bit(strerror(ENOENT)) + "\n").toUtf8());
        EXPECT_EQ(jsonRows(gone.out).size(), 2);
    }
    if (geteuid() != 0) { // permissions do not bind root
        ASSERT_TRUE(QFile::setPermissions(a, {}));
        for (const QStringList &args :
             {QStringList{"read", album()}, QStringList{"read", "--no-info", album()}}) {
            const CliRun unread = cli(args);
            EXPECT_EQ(unread.exitCode, 1);
            EXPECT_TRUE(unread.err.startsWith((a + "\t").toUtf8())) << unread.err.toStdString();
            EXPECT_EQ(jsonRows(unread.out).size(), 1);
        }
        // A file out of reach is not said to be missing.
        ASSERT_TRUE(QFile::setPermissions(album(), {}));
        const CliRun unreached = cli({"read", a});
        ASSERT_TRUE(
            QFile::setPermissions(album(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        EXPECT_EQ(unreached.exitCode, 2);
        EXPECT_FALSE(unreached.err.contains("no such file")) << unreached.err.toStdString();
    }
}

TEST_F(CliTest, TsvEscapesAndRoundTrips)
{
    // Names holding a tab, a line feed and a backslash: not MP3s, so
    // nothing but the names is read.
    const QString odd = album() + "/a\tb\\c\nd\re.txt";
    ASSERT_TRUE(writeAll(odd, "x"));
    const CliRun tsv = cli({"read", "--format", "tsv", odd});
    ASSERT_EQ(tsv.exitCode, 0) << tsv.err.toStdString();
    const QList<QByteArray> lines = tsv.out.split('\n');
    ASSERT_EQ(lines.size(), 3); // header, one row, the final line feed
    EXPECT_EQ(QString::fromLatin1(lines[0]).split('\t'), kCodes);
    const QList<QByteArray> cells = lines[1].split('\t');
    ASSERT_EQ(cells.size(), 25);
    EXPECT_EQ(cells[2], "a\\tb\\\\c\\nd\\re");
    EXPECT_EQ(cells[4], "txt");
    EXPECT_EQ(cells[5], "1");

    // The tab-separated form is read back to the same cells, also after
    // the byte order mark a spreadsheet puts first.
    const CliRun edited = cli({"edit", "--set", "Tit=T"}, "\xEF\xBB\xBF" + tsv.out);
    ASSERT_EQ(edited.exitCode, 0) << edited.err.toStdString();
    const QList<QJsonObject> rows = jsonRows(edited.out);
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows[0]["Old"].toString(), "a\tb\\c\nd\re");
    EXPECT_EQ(rows[0]["Tit"].toString(), "T");
    // An edit without a step passes the rows on, as JSON Lines.
    const QList<QJsonObject> passed = jsonRows(cli({"edit", "--whole-cell"}, tsv.out).out);
    ASSERT_EQ(passed.size(), 1);
    EXPECT_EQ(passed[0]["Old"].toString(), "a\tb\\c\nd\re");
}

TEST_F(CliTest, JsonCellsGoOutByteForByte)
{
    // Each cell as JSON in, and the exact bytes it goes out as: short cells
    // and long ones, escapes, raw bytes of names (U+F780..U+F7FF) beside the
    // characters just outside that range, and lone surrogates.
    const std::pair<QByteArray, QByteArray> cases[] = {
        {R"(a\u0001\u001f\u007f\b\f\"\\/\n\r\t)",
         "a\\u0001\\u001f\x7f\\u0008\\u000c\\\"\\\\/\\n\\r\\t"},
        {R"(\udc80\udcff)", R"(\udc80\udcff)"},
        {R"(\uf77f\uf780\uf7ff\uf800\ufeff)", "\xef\x9d\xbf\\udc80\\udcff\xef\xa0\x80\xef\xbb\xbf"},
        {R"(é)", "\xc3\xa9"},
        {R"(long \u0418\u0441\u043f \ud83c\udfb5 \udcc0)",
         "long \xd0\x98\xd1\x81\xd0\xbf \xf0\x9f\x8e\xb5 \\udcc0"},
        {R"(\ud800x)", "?x"},
        {R"(\ud800\udcff)", "\xf0\x90\x83\xbf"},
    };
    QByteArray input;
    for (const auto &[in, out] : cases)
        input += R"({"Com":")" + in + "\"}\n";
    const CliRun run = cli({"edit", "--set", "Tit=T"}, input);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QList<QByteArray> lines = run.out.split('\n');
    ASSERT_EQ(lines.size(), std::size(cases) + 1);
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_TRUE(lines[qsizetype(i)].contains(R"("Com":")" + cases[i].second + "\","))
            << lines[qsizetype(i)].toStdString();
}

TEST_F(CliTest, FolderScanOptionsAndSettings)
{
    QM_REQUIRE_TOOL("lame");
    QM_REQUIRE_TOOL("ffmpeg");
    QM_REQUIRE_MUTAGEN();
    makeTagged(album() + "/top.mp3", "Top", "1", "A");
    ASSERT_TRUE(QDir(album()).mkpath("sub"));
    makeTagged(album() + "/sub/deep.MP2", "Deep", "2", "A");
    ASSERT_TRUE(writeAll(album() + "/notes.txt", "text"));

    EXPECT_EQ(jsonRows(cli({"read", album()}).out).size(), 3);
    EXPECT_EQ(jsonRows(cli({"read", "--no-subfolders", album()}).out).size(), 2);
    EXPECT_EQ(jsonRows(cli({"read", "--mask", "*.mp3", album()}).out).size(), 1);

    // Tags of other extensions are read only when asked, on the command line
    // or in the settings file.
    const auto deepTitle = [this](const QStringList &extra) {
        const QStringList args =
            QStringList{"read", "--mask", "*.mp2"} + extra + QStringList{album()};
        const QList<QJsonObject> rows = jsonRows(cli(args).out);
        return rows.size() == 1 ? rows[0]["Tit"].toString() : QStringLiteral("?");
    };
    EXPECT_EQ(deepTitle({}), "");
    EXPECT_EQ(deepTitle({"--all-formats"}), "Deep");
    EXPECT_EQ(deepTitle({"--tag", "0", "--all-formats"}), "");
    writeSettings("[Options]\r\nFormatRead=0\r\n");
    EXPECT_EQ(deepTitle({}), "Deep");
    EXPECT_EQ(deepTitle({"--no-info"}), "Deep");
    EXPECT_EQ(deepTitle({"--case-sensitive"}), "?");
    // Only the size among the information: the tag still comes in.
    writeSettings("[Options]\r\nFormatRead=0\r\nInfoReadFields=1,0,0,\r\n");
    EXPECT_EQ(deepTitle({}), "Deep");
}

TEST_F(CliTest, ApplyAnswersTheQuestionsAsToldAndCopies)
{
    QM_REQUIRE_TOOL("lame");
    QM_REQUIRE_TOOL("ffmpeg");
    QM_REQUIRE_MUTAGEN();
    makeTagged(album() + "/a.mp3", "One", "1", "A");
    makeTagged(album() + "/b.mp3", "Two", "2", "A");
    const QByteArray rows =
        cli({"edit", "--set", "New=sorted/%TT"}, cli({"read", "--no-info", album()}).out).out;

    // The missing folder is not made unless asked: every row fails.
    const CliRun refused = cli({"apply", "--rename", "--copy"}, rows);
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.err.count('\n'), 2) << refused.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(album() + "/sorted"));

    const CliRun copied = cli({"apply", "--rename", "--copy", "--create-folders", "yes"}, rows);
    EXPECT_EQ(copied.exitCode, 0) << copied.err.toStdString();
    EXPECT_EQ(QDir(album() + "/sorted").entryList(QDir::Files, QDir::Name),
              (QStringList{"One.mp3", "Two.mp3"}));
    EXPECT_TRUE(QFileInfo::exists(album() + "/a.mp3"));
    EXPECT_EQ(readAll(album() + "/sorted/One.mp3"), readAll(album() + "/a.mp3"));

    // The copies are there now: kept unless replacing was allowed.
    const CliRun kept = cli({"apply", "--rename", "--copy"}, rows);
    EXPECT_EQ(kept.exitCode, 1);
    EXPECT_TRUE(
        kept.err.contains(QString::fromUtf8("Файл с новым именем уже существует").toUtf8()));
    const CliRun replaced = cli({"apply", "--rename", "--copy", "--replace", "yes"}, rows);
    EXPECT_EQ(replaced.exitCode, 0) << replaced.err.toStdString();
}

TEST_F(CliTest, EditRemovesRepeatedRowsByTheShownOrAllColumns)
{
    // Rows read from standard input show every column, so both keys find
    // the third row repeating the first; the rows left are renumbered.
    const QByteArray rows = "{\"No\":\"01\",\"Dir\":\"/a/\",\"Old\":\"x\",\"Tit\":\"T1\"}\n"
                            "{\"No\":\"02\",\"Dir\":\"/a/\",\"Old\":\"x\",\"Tit\":\"T2\"}\n"
                            "{\"No\":\"03\",\"Dir\":\"/a/\",\"Old\":\"x\",\"Tit\":\"T1\"}\n"
                            "{\"No\":\"04\",\"Dir\":\"/a/\",\"Old\":\"y\",\"Tit\":\"T1\"}\n";
    const struct {
        QStringList args;
        QStringList titles;
        QStringList numbers;
    } cases[] = {
        {{"edit", "--dedupe", "all"}, {"T1", "T2", "T1"}, {"01", "02", "03"}},
        {{"edit", "--dedupe", "visible", "--numbers", "1"}, {"T1", "T2", "T1"}, {"1", "2", "3"}},
    };
    for (const auto &c : cases) {
        const CliRun run = cli(c.args, rows);
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        QStringList titles, numbers;
        for (const QJsonObject &row : jsonRows(run.out)) {
            titles.append(row["Tit"].toString());
            numbers.append(row["No"].toString());
        }
        EXPECT_EQ(titles, c.titles) << c.args.join(' ').toStdString();
        EXPECT_EQ(numbers, c.numbers) << c.args.join(' ').toStdString();
    }
    const CliRun bad = cli({"edit", "--dedupe", "some"}, rows);
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_TRUE(bad.out.isEmpty());
}

TEST_F(CliTest, ApplyNeverReplacesTheRowsOwnFilesAndCleansWhatAKilledJobLeft)
{
    // What a job killed halfway leaves: an unfinished copy, and a file
    // parked under a temporary name that tells its own.
    ASSERT_TRUE(writeAll(album() + "/.quillmark-Ab12Cd", "half a copy"));
    ASSERT_TRUE(writeAll(album() + "/.quillmark-Zz99Yy-lost.mp3", "lost"));
    QByteArray rows;
    for (const auto &[from, to] : {std::pair{"x", "y"}, {"y", "x"}, {"a", "same"}, {"b", "same"}}) {
        ASSERT_TRUE(writeAll(album() + "/" + from + ".mp3", from));
        rows += QByteArray("{\"Dir\":\"") + album().toUtf8() + "/\",\"Old\":\"" + from
                + "\",\"New\":\"" + to + "\",\"Ext\":\"mp3\"}\n";
    }
    // A read lists no temporary copy, left or still being written.
    const CliRun read = cli({"read", "--no-info", "--all-formats", album()});
    EXPECT_EQ(read.exitCode, 0);
    EXPECT_FALSE(read.out.contains("Ab12Cd")) << read.out.toStdString();
    // Leftovers count only when older than the process that finds them.
    std::this_thread::sleep_for(std::chrono::seconds(3));
    const CliRun applied = cli({"apply", "--rename", "--replace", "yes"}, rows);
    EXPECT_EQ(applied.exitCode, 1);
    EXPECT_EQ(QString::fromUtf8(applied.err),
              album() + "/b.mp3\t" + QString::fromUtf8("Файл с новым именем уже существует\n"));
    QMap<QString, QByteArray> after;
    for (const QString &name : QDir(album()).entryList(QDir::Files | QDir::Hidden))
        after[name] = readAll(album() + "/" + name);
    EXPECT_EQ(after, (QMap<QString, QByteArray>{{"x.mp3", "y"},
                                                {"y.mp3", "x"},
                                                {"same.mp3", "a"},
                                                {"b.mp3", "b"},
                                                {"lost.mp3", "lost"}}));
}

TEST_F(CliTest, EditSortsShufflesAndNumbersPerFolder)
{
    const QByteArray rows = "{\"Dir\":\"/b/\",\"Old\":\"1\",\"Trc\":\"2\",\"Siz\":\"3221225472\"}\n"
                            "{\"Dir\":\"/a/\",\"Old\":\"2\",\"Trc\":\"10\",\"Siz\":\"900\"}\n"
                            "{\"Dir\":\"/B/\",\"Old\":\"3\",\"Trc\":\"1\",\"Siz\":\"\"}\n"
                            "{\"Dir\":\"/a/\",\"Old\":\"4\",\"Trc\":\"3\",\"Siz\":\"16777217\"}\n";
    const struct {
        QStringList args;
        QStringList olds;
        QStringList numbers;
        QString firstTrack;
    } cases[] = {
        {{"edit", "--sort", "Trc"}, {"3", "1", "4", "2"}, {"01", "02", "03", "04"}, "01"},
        {{"edit", "--sort", "%TR"}, {"3", "1", "4", "2"}, {"01", "02", "03", "04"}, "01"},
        {{"edit", "--sort", "Siz", "--numbers", "1"},
         {"3", "2", "4", "1"},
         {"1", "2", "3", "4"},
         "1"},
        {{"edit", "--numbers-separate"}, {"2", "4", "1", "3"}, {"01", "02", "01", "02"}, "10"},
        {{"edit", "--numbers-separate", "--sort", "Trc"},
         {"4", "2", "3", "1"},
         {"01", "02", "01", "02"},
         "03"},
    };
    for (const auto &c : cases) {
        const CliRun run = cli(c.args, rows);
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        QStringList olds, numbers;
        const QList<QJsonObject> out = jsonRows(run.out);
        for (const QJsonObject &row : out) {
            olds.append(row["Old"].toString());
            numbers.append(row["No"].toString());
        }
        EXPECT_EQ(olds, c.olds) << c.args.join(' ').toStdString();
        EXPECT_EQ(numbers, c.numbers) << c.args.join(' ').toStdString();
        ASSERT_FALSE(out.isEmpty());
        EXPECT_EQ(out.first()["Trc"].toString(), c.firstTrack) << c.args.join(' ').toStdString();
    }
    QStringList shuffled;
    for (const QJsonObject &row : jsonRows(cli({"edit", "--shuffle"}, rows).out))
        shuffled.append(row["Old"].toString());
    shuffled.sort();
    EXPECT_EQ(shuffled, (QStringList{"1", "2", "3", "4"}));
    EXPECT_EQ(cli({"edit", "--sort", "No"}, rows).exitCode, 2);
}

TEST_F(CliTest, EditChangesLetterCaseAndReplacesEveryOccurrence)
{
    const QByteArray rows =
        "{\"Old\":\"a\",\"Tit\":\"song feat. x feat. y\",\"Art\":\"ёлка-палка FEAT. z\"}\n"
        "{\"Old\":\"b\",\"Tit\":\"feat.\",\"Art\":\"a.b\"}\n";
    const struct {
        QStringList args;
        QStringList tit;
        QStringList art;
    } cases[] = {
        {{"edit", "--case", "Art=words", "--case", "Tit=upper"},
         {"SONG FEAT. X FEAT. Y", "FEAT."},
         {"Ёлка-Палка FEAT. Z", "A.B"}},
        {{"edit", "--case", "all=sentence"},
         {"Song feat. x feat. y", "Feat."},
         {"Ёлка-палка FEAT. z", "A.b"}},
        {{"edit", "--replace", "all", "feat.", "ft."},
         {"song ft. x ft. y", "ft."},
         {"ёлка-палка ft. z", "a.b"}},
        {{"edit", "--replace", "Tit", "feat.", "", "--whole-cell"},
         {"song feat. x feat. y", ""},
         {"ёлка-палка FEAT. z", "a.b"}},
        {{"edit", "--case-sensitive", "--replace=Art", ".", "-"},
         {"song feat. x feat. y", "feat."},
         {"ёлка-палка FEAT- z", "a-b"}},
    };
    for (const auto &c : cases) {
        const CliRun run = cli(c.args, rows);
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        const QList<QJsonObject> out = jsonRows(run.out);
        ASSERT_EQ(out.size(), 2);
        for (int i = 0; i < 2; ++i) {
            EXPECT_EQ(out[i]["Tit"].toString(), c.tit[i]) << c.args.join(' ').toStdString();
            EXPECT_EQ(out[i]["Art"].toString(), c.art[i]) << c.args.join(' ').toStdString();
        }
    }
    EXPECT_EQ(cli({"edit", "--replace", "all", "a", "b"}, "").exitCode, 0);

    // "all" is New and the tag columns: the cells that name the file as it
    // is stay, so apply still finds it.
    const CliRun all = cli({"edit", "--replace", "all", "m", "Q", "--case", "all=upper"},
                           "{\"Dir\":\"/m/\",\"Old\":\"am\",\"New\":\"am\",\"Ext\":\"mp3\","
                           "\"Dur\":\"0:01\",\"Inf\":\"m\",\"Tit\":\"m\"}\n");
    ASSERT_EQ(all.exitCode, 0) << all.err.toStdString();
    const QJsonObject row = jsonRows(all.out).value(0);
    EXPECT_EQ((QStringList{row["Dir"].toString(), row["Old"].toString(), row["Ext"].toString(),
                           row["Inf"].toString(), row["New"].toString(), row["Tit"].toString()}),
              (QStringList{"/m/", "am", "mp3", "m", "AQ", "Q"}));
}

// A value's own "/" makes no folder in a name: a track "01/05" gives its
// number, "AC/DC" a "-"; only the "/" typed in the template does.
TEST_F(CliTest, CodesInNamesMakeNoFolders)
{
    const CliRun run = cli({"edit", "--set", "New=%AR/%TR. %TT", "--set", "Com=%TR %AR"},
                           "{\"Old\":\"a\",\"Trc\":\"01/05\",\"Tit\":\"Live 1/2\","
                           "\"Art\":\"AC/DC\"}\n");
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QJsonObject row = jsonRows(run.out).value(0);
    EXPECT_EQ(row["New"].toString(), "AC-DC/01. Live 1-2");
    EXPECT_EQ(row["Com"].toString(), "01/05 AC/DC");
}

// Each run is a process of its own, so every undo here comes after a
// restart: the journal alone knows the jobs.
TEST_F(CliTest, HistoryAndUndoPutBackAnAppliedAlbum)
{
    QM_REQUIRE_TOOL("lame");
    QM_REQUIRE_TOOL("ffmpeg");
    QM_REQUIRE_MUTAGEN();
    makeAlbum();
    QHash<QString, QByteArray> before;
    for (const QString &name : QDir(album()).entryList(QDir::Files))
        before.insert(name, readAll(album() + "/" + name));
    const auto disk = [this] {
        QHash<QString, QByteArray> files;
        for (const QString &name : QDir(album()).entryList(QDir::Files))
            files.insert(name, readAll(album() + "/" + name));
        return files;
    };
    const auto apply = [this] {
        const CliRun read = cli({"read", album()});
        const CliRun edited =
            cli({"edit", "--set", "New=%TR song", "--set", "Alb=Wrong album"}, read.out);
        return cli({"apply", "--rename", "--tag", "2"}, edited.out).exitCode;
    };

    ASSERT_EQ(apply(), 0);
    ASSERT_NE(disk(), before);
    const CliRun history = cli({"history"});
    EXPECT_EQ(history.exitCode, 0);
    const QList<QByteArray> fields = history.out.trimmed().split('\t');
    ASSERT_EQ(fields.size(), 5) << history.out.toStdString();
    EXPECT_EQ(fields[0], "1");
    EXPECT_EQ(fields[2], "write 117");
    EXPECT_EQ(fields[3], "6");
    EXPECT_EQ(fields[4], "-");

    const CliRun undone = cli({"undo"});
    EXPECT_EQ(undone.exitCode, 0) << undone.err.toStdString();
    EXPECT_EQ(undone.out, "undone job 1: 3 files put back\n");
    EXPECT_EQ(disk(), before);
    EXPECT_TRUE(cli({"history"}).out.startsWith("2\t")) << "the undo is a job of its own";
    for (const QStringList &args : {QStringList{"undo"}, QStringList{"undo", "1"},
                                    QStringList{"undo", "9"}, QStringList{"undo", "x"}})
        EXPECT_EQ(cli(args).exitCode, 2) << args.join(' ').toStdString();

    // A later job undone by its number; a file changed since stays as it is.
    ASSERT_EQ(apply(), 0);
    const QString changed = album() + "/01 song.mp3";
    ASSERT_TRUE(writeAll(changed, readAll(changed) + "x"));
    const QByteArray changedBytes = readAll(changed);
    const CliRun partly = cli({"undo", "3"});
    EXPECT_EQ(partly.exitCode, 1);
    EXPECT_EQ(partly.err,
              (changed + QString::fromUtf8("\tФайл изменён после обновления\n")).toUtf8());
    EXPECT_EQ(readAll(changed), changedBytes);
    EXPECT_EQ(disk().size(), before.size());
    EXPECT_EQ(readAll(album() + "/b.mp3"), before.value("b.mp3"));
}

TEST_F(CliTest, NamesInWindows1251BytesReachTheirOwnFiles)
{
    QM_REQUIRE_TOOL("lame");
    QM_REQUIRE_TOOL("ffmpeg");
    QM_REQUIRE_MUTAGEN();
    // "Песня.mp3" in Windows-1251 bytes, and a file named as a lossy decoder
    // would read that name.
    const QByteArray folder = QFile::encodeName(album()) + '/';
    const QByteArray legacy = folder + "\xcf\xe5\xf1\xed\xff.mp3";
    const QString decoy = album() + "/" + QString(5, QChar(0xFFFD)) + ".mp3";
    makeTagged(album() + "/song.mp3", "Song", "1", "Album");
    ASSERT_EQ(::rename(QFile::encodeName(album() + "/song.mp3").constData(), legacy.constData()),
              0);
    makeTagged(decoy, "Decoy", "2", "Album");
    const QByteArray decoyBytes = readAll(decoy);

    const CliRun read = cli({"read", album()});
    ASSERT_EQ(read.exitCode, 0) << read.err.toStdString();
    // Each byte travels as a lone surrogate escape, as Python's
    // surrogateescape holds it.
    EXPECT_TRUE(read.out.contains(R"("Old":"\udccf\udce5\udcf1\udced\udcff")")) << read.out.data();
    // Read as Windows-1251, the name is the one it was meant to be.
    const CliRun repairs = cli({"edit", "--show-repairs", "Old"}, read.out);
    EXPECT_TRUE(
        repairs.out.contains(QString::fromUtf8(R"("kind":"cp1251-name","proposal":"Песня","row":1,)"
                                               R"("text":"\udccf\udce5\udcf1\udced\udcff"})")
                                 .toUtf8()))
        << repairs.out.data();
    QList<QJsonObject> rows = jsonRows(read.out);
    ASSERT_EQ(rows.size(), 2);
    // A failed row names its file on standard error by the same bytes.
    QByteArray unnamed;
    for (QJsonObject row : rows) {
        row["New"] = QStringLiteral("..");
        unnamed += QJsonDocument(row).toJson(QJsonDocument::Compact) + '\n';
    }
    const CliRun refused = cli({"apply", "--rename"}, unnamed);
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.err.contains(legacy + '\t')) << refused.err.data();
    QByteArray edited;
    for (QJsonObject &row : rows) {
        if (row["Tit"].toString() == "Song") {
            EXPECT_EQ(row["Old"].toString(), QString::fromUtf16(u"\xdccf\xdce5\xdcf1\xdced\xdcff"));
            row["Tit"] = QString::fromUtf8("Новая");
            row["New"] = QString::fromUtf8("Песня");
        } else {
            EXPECT_EQ(row["Tit"].toString(), "Decoy");
        }
        edited += QJsonDocument(row).toJson(QJsonDocument::Compact) + '\n';
    }

    // The plan too names the file as the rows do.
    const CliRun plan = cli({"apply", "--rename", "--dry-run"}, edited);
    EXPECT_TRUE(plan.out.contains(R"(\udccf\udce5\udcf1\udced\udcff.mp3","op":"rename")"))
        << plan.out.data();
    const CliRun applied = cli({"apply", "--rename", "--write-tag", "2"}, edited);
    EXPECT_EQ(applied.exitCode, 0) << applied.err.toStdString();
    EXPECT_EQ(QDir(album()).entryList(QDir::Files, QDir::Name),
              (QStringList{QString::fromUtf8("Песня.mp3"), QFileInfo(decoy).fileName()}));
    EXPECT_EQ(mutagenText(mutagenRead(album() + QString::fromUtf8("/Песня.mp3")), "TIT2"),
              QString::fromUtf8("Новая"));
    EXPECT_EQ(readAll(decoy), decoyBytes);
}

// Tags filled from a name in Windows-1251 bytes (Tit=%ON) hold the name's
// text: ID3v1 its bytes, ID3v2 the letters, not private-use characters.
TEST_F(CliTest, TagsFromANameInWindows1251BytesHoldItsText)
{
    QM_REQUIRE_TOOL("lame");
    QM_REQUIRE_MUTAGEN();
    const QByteArray legacy = QFile::encodeName(album()) + "/\xcf\xe5\xf1\xed\xff.mp3";
    for (const char *tag : {"1", "2"}) {
        SCOPED_TRACE(tag);
        makeTagged(album() + "/song.mp3", "Song", "1", "Album");
        ASSERT_EQ(
            ::rename(QFile::encodeName(album() + "/song.mp3").constData(), legacy.constData()), 0);
        const CliRun read = cli({"read", "--no-info", "--tag", tag, album()});
        const CliRun edited = cli({"edit", "--set", "Tit=%ON"}, read.out);
        const CliRun applied = cli({"apply", "--write-tag", tag}, edited.out);
        ASSERT_EQ(applied.exitCode, 0) << applied.err.toStdString();
        // Qt reaches no file by a name that is not UTF-8: it is read as song.mp3.
        const QString file = album() + "/song.mp3";
        ASSERT_EQ(::rename(legacy.constData(), QFile::encodeName(file).constData()), 0);
        if (*tag == '1')
            EXPECT_EQ(readAll(file).right(128).mid(3, 6), QByteArray("\xcf\xe5\xf1\xed\xff\0", 6));
        else
            EXPECT_EQ(mutagenText(mutagenRead(file), "TIT2"), QString::fromUtf8("Песня"));
        ASSERT_TRUE(QFile::remove(file));
    }
}

// A column list exported, its names edited in a text editor and read back;
// a play list of a Windows player read into rows; a booklet exported.
TEST_F(CliTest, ListsAreExportedAndReadBack)
{
    const QByteArray rows =
        "{\"No\":\"1\",\"Dir\":\"" + album().toUtf8()
        + "/\",\"Old\":\"a\",\"New\":\"a\",\"Ext\":\"mp3\",\"Dur\":\"3:07\",\"Tit\":\"One\"}\n"
          "{\"No\":\"2\",\"Dir\":\""
        + album().toUtf8() + "/\",\"Old\":\"b\",\"New\":\"b\",\"Ext\":\"mp3\",\"Tit\":\"Two\"}\n";
    const QString list = album() + "/list.txt";
    ASSERT_EQ(cli({"export", "--format", "list", list}, rows).exitCode, 0);
    QByteArray text = readAll(list);
    text.replace("#New name\r\na\r\nb\r\n", "#New name\r\n01 One\r\n02 Two\r\n");
    ASSERT_TRUE(writeAll(list, text));
    const QList<QJsonObject> back = jsonRows(cli({"read", "--no-info", list}).out);
    ASSERT_EQ(back.size(), 2);
    EXPECT_EQ(back[0]["New"].toString(), "01 One");
    EXPECT_EQ(back[1]["Old"].toString(), "b");

    const QString booklet = album() + "/booklet.txt";
    ASSERT_EQ(cli({"export", "--format", "special", "--template", "%NS. %TT (%DU)", booklet}, rows)
                  .exitCode,
              0);
    EXPECT_EQ(readAll(booklet), "1. One (3:07)\r\n2. Two ()\r\n");

    const QString m3u = album() + "/win.m3u";
    ASSERT_TRUE(writeAll(m3u, "#EXTM3U\r\n#EXTINF:5025,\xC0\xF0\xF2 - Title\r\nRock\\a.mp3\r\n"));
    const QList<QJsonObject> played = jsonRows(cli({"read", "--no-info", m3u}).out);
    ASSERT_EQ(played.size(), 1);
    EXPECT_EQ(played[0]["Dir"].toString(), album() + "/Rock/");
    EXPECT_EQ(played[0]["Ext"].toString(), "mp3");
    EXPECT_EQ(played[0]["Dur"].toString(), "1:23:45");
    EXPECT_EQ(played[0]["Art"].toString(), QString::fromUtf8("Арт"));
    EXPECT_EQ(cli({"read", album() + "/missing.m3u"}).exitCode, 2);
    EXPECT_EQ(cli({"export", "--format", "m3u", "/no/such/dir/x.m3u"}, rows).exitCode, 2);
    // No rows make an empty list, never an older one left as it was.
    ASSERT_EQ(cli({"export", "--format", "m3u", m3u}).exitCode, 0);
    EXPECT_EQ(readAll(m3u), "#EXTM3U\r\n");
    EXPECT_EQ(cli({"export", "--format", "m3u", "/no/such/dir/x.m3u"}).exitCode, 2);
}

TEST_F(CliTest, EditTransliteratesAndRestoresByTheWindowsAlphabets)
{
    const QByteArray rows = "{\"Old\":\"a\",\"New\":\"Щука\",\"Tit\":\"ЮЛЯ 7\"}\n";
    const struct {
        QStringList args;
        QString newName;
        QString title;
        bool mine; // with a second alphabet, current in the file
    } cases[] = {
        {{"edit", "--translit", "all"}, "SH'uka", "YULYA 7", false},
        {{"edit", "--translit", "New", "--restore", "New"}, "Щука", "ЮЛЯ 7", false},
        {{"edit", "--translit", "all"}, "SH'ука", "ЮЛЯ 7", true},
        {{"edit", "--alphabet", "mine", "--translit", "New", "--restore", "New"},
         "Щука",
         "ЮЛЯ 7",
         true},
    };
    for (const auto &c : cases) {
        if (c.mine) {
            ASSERT_TRUE(
                writeAll(folder_.file("config/Runeswap.ini"),
                         "[Alphabet]\r\nAlphabets Names=Mine,Транслит\r\nCurrent Alphabet=0\r\n"
                         "Mine Symbols=Символ,щ,\"\"\r\nMine Changes=Замена,sh',\"\"\r\n"));
        }
        const CliRun run = cli(c.args, rows);
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        const QList<QJsonObject> out = jsonRows(run.out);
        ASSERT_EQ(out.size(), 1);
        EXPECT_EQ(out[0]["New"].toString(), c.newName) << c.args.join(' ').toStdString();
        EXPECT_EQ(out[0]["Tit"].toString(), c.title) << c.args.join(' ').toStdString();
        // The command line reads the alphabets and never writes them.
        EXPECT_EQ(QFile::exists(folder_.file("config/Runeswap.ini")), c.mine);
    }
    EXPECT_EQ(cli({"edit", "--alphabet", "None", "--translit", "New"}, rows).exitCode, 2);
    EXPECT_EQ(cli({"edit", "--restore", "Nope"}, rows).exitCode, 2);
}

// Titles read in the wrong code page are shown, then repaired and written
// back; correct accented Latin and Cyrillic stay as they are.
TEST_F(CliTest, EditRepairsTextReadInTheWrongCodePage)
{
    QM_REQUIRE_TOOL("lame");
    QM_REQUIRE_MUTAGEN();
    const struct {
        const char *file;
        QString title;
        QString right;
        const char *kind;
    } cases[] = {
        {"a.mp3", "Êîí÷èòñÿ ëåòî", "Кончится лето", "cp1251-as-latin1"},
        {"b.mp3", "Ð“Ñ€ÑƒÐ¿Ð¿Ð° ÐºÑ€Ð¾Ð²Ð¸", "Группа крови", "utf8-as-cp1252"},
        {"c.mp3", "ъЧЕЪДБ РП ЙНЕОЙ уПМОГЕ", "Звезда по имени Солнце", "koi8-as-cp1251"},
        {"d.mp3", "Mötley Crüe", "Mötley Crüe", nullptr},
        {"e.mp3", "Пётр Чайковский", "Пётр Чайковский", nullptr},
    };
    for (const auto &c : cases)
        makeTagged(album() + "/" + c.file, c.title, "1", "Sigur Rós");
    const CliRun read = cli({"read", album()});
    ASSERT_EQ(read.exitCode, 0) << read.err.toStdString();

    const CliRun shown = cli({"edit", "--show-repairs", "all"}, read.out);
    ASSERT_EQ(shown.exitCode, 0) << shown.err.toStdString();
    const QList<QJsonObject> lines = jsonRows(shown.out);
    ASSERT_EQ(lines.size(), 3) << shown.out.data();
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(lines[i]["row"].toInt(), i + 1);
        EXPECT_EQ(lines[i]["column"].toString(), "Tit");
        EXPECT_EQ(lines[i]["text"].toString(), cases[i].title);
        EXPECT_EQ(lines[i]["proposal"].toString(), cases[i].right);
        EXPECT_EQ(lines[i]["kind"].toString(), cases[i].kind);
    }

    const CliRun repaired = cli({"edit", "--repair", "all"}, read.out);
    ASSERT_EQ(repaired.exitCode, 0) << repaired.err.toStdString();
    const CliRun applied = cli({"apply", "--write-tag", "2"}, repaired.out);
    ASSERT_EQ(applied.exitCode, 0) << applied.err.toStdString();
    for (const auto &c : cases) {
        const QJsonObject tags = mutagenRead(album() + "/" + c.file);
        EXPECT_EQ(mutagenText(tags, "TIT2"), c.right) << c.file;
        EXPECT_EQ(mutagenText(tags, "TALB"), "Sigur Rós") << c.file;
    }
}

// read --codepage: the old 8-bit tags of the files given are read in that
// code page; apply --codepage writes the ID3v1 tag back in it, byte for byte.
TEST_F(CliTest, ReadAndApplyTakeTheFilesCodePage)
{
    QM_REQUIRE_TOOL("lame");
    QM_REQUIRE_MUTAGEN();
    QString error;
    ASSERT_TRUE(makeMp3(folder_.file("sample.mp3"), {0.3}, &error)) << error.toStdString();
    const QByteArray sample = readAll(folder_.file("sample.mp3"));
    const QString file = album() + "/old.mp3";
    for (const EightBitCase &c : kEightBitCases) {
        SCOPED_TRACE(c.codepage);
        ASSERT_TRUE(writeAll(file, sample));
        ASSERT_TRUE(tagWithEightBitTitle(file, c.title));
        for (const char *tag : {"2", "1"}) {
            const CliRun read =
                cli({"read", "--no-info", "--tag", tag, "--codepage", c.codepage, file});
            ASSERT_EQ(read.exitCode, 0) << read.err.toStdString();
            EXPECT_EQ(jsonRows(read.out).value(0)["Tit"].toString(), QStringLiteral(u"Привет мир"))
                << tag;
            if (*tag == '2')
                continue;
            const CliRun edited = cli({"edit", "--set", QStringLiteral(u"Art=Другой")}, read.out);
            const CliRun applied =
                cli({"apply", "--write-tag", "1", "--codepage", c.codepage}, edited.out);
            ASSERT_EQ(applied.exitCode, 0) << applied.err.toStdString();
        }
        const QByteArray id3v1 = readAll(file).right(128);
        EXPECT_EQ(id3v1.mid(3, c.title.size()), c.title);
        EXPECT_EQ(id3v1.mid(33, c.artist.size()), c.artist);
    }
    EXPECT_EQ(cli({"read", "--codepage", "UTF-8", file}).exitCode, 2);
}

// Rows read in another code page than the options' one say so; edit passes
// it on and apply writes the ID3v1 tag back in it without being told, unless
// its own --codepage names another.
TEST_F(CliTest, RowsCarryTheirCodePageToApply)
{
    QM_REQUIRE_TOOL("lame");
    QM_REQUIRE_MUTAGEN();
    const EightBitCase &koi8 = kEightBitCases[0], &cp866 = kEightBitCases[1],
                       &cp1251 = kEightBitCases[2];
    const struct {
        const EightBitCase &source;
        const char *applyAs; // apply --codepage, or none
        const EightBitCase &written;
        const char *carried; // the rows' "Codepage", or none
    } cases[] = {{koi8, nullptr, koi8, "KOI8-R"},
                 {cp866, nullptr, cp866, "IBM866"},
                 {koi8, "windows-1251", cp1251, "KOI8-R"},
                 {cp1251, nullptr, cp1251, nullptr}};
    QString error;
    ASSERT_TRUE(makeMp3(folder_.file("sample.mp3"), {0.3}, &error)) << error.toStdString();
    const QByteArray sample = readAll(folder_.file("sample.mp3"));
    const QString file = album() + "/old.mp3";
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.source.codepage) + " " + (c.applyAs ? c.applyAs : "-"));
        ASSERT_TRUE(writeAll(file, sample));
        ASSERT_TRUE(tagWithEightBitTitle(file, c.source.title));
        const CliRun read =
            cli({"read", "--no-info", "--tag", "1", "--codepage", c.source.codepage, file});
        const CliRun edited = cli({"edit", "--set", QStringLiteral(u"Art=Другой")}, read.out);
        for (const CliRun *rows : {&read, &edited}) {
            const QJsonObject row = jsonRows(rows->out).value(0);
            EXPECT_EQ(row.value("Tit").toString(), QStringLiteral(u"Привет мир"));
            EXPECT_EQ(row.value("Codepage").toString(), QString::fromLatin1(c.carried));
        }
        QStringList apply{"apply", "--write-tag", "1"};
        if (c.applyAs)
            apply << "--codepage" << c.applyAs;
        const CliRun applied = cli(apply, edited.out);
        ASSERT_EQ(applied.exitCode, 0) << applied.err.toStdString();
        const QByteArray id3v1 = readAll(file).right(128);
        EXPECT_EQ(id3v1.mid(3, c.written.title.size()), c.written.title);
        EXPECT_EQ(id3v1.mid(33, c.written.artist.size()), c.written.artist);
    }
    const CliRun bad = cli({"apply", "--write-tag", "1"},
                           "{\"Dir\":\"" + album().toUtf8()
                               + "\",\"Old\":\"old\",\"Ext\":\"mp3\",\"Codepage\":\"UTF-8\"}\n");
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_TRUE(bad.err.contains("Codepage")) << bad.err.toStdString();
}

// A title repaired to Cyrillic in rows read as Windows-1252 does not fit the
// code page they carry: apply leaves the file's ID3v1 tag as it was and says
// so, instead of writing the title as "?"; named anew, the code page takes it.
TEST_F(CliTest, ApplyRefusesTextTheRowsCodePageCannotHold)
{
    QM_REQUIRE_TOOL("lame");
    QM_REQUIRE_MUTAGEN();
    const EightBitCase &cp1251 = kEightBitCases[2];
    const QString file = album() + "/old.mp3";
    QString error;
    ASSERT_TRUE(makeMp3(file, {0.3}, &error)) << error.toStdString();
    ASSERT_TRUE(tagWithEightBitTitle(file, cp1251.title));
    const QByteArray before = readAll(file);
    const CliRun read =
        cli({"read", "--no-info", "--tag", "1", "--codepage", "windows-1252", file});
    const CliRun repaired = cli({"edit", "--repair", "Tit"}, read.out);
    ASSERT_EQ(jsonRows(repaired.out).value(0)["Tit"].toString(), QStringLiteral(u"Привет мир"));

    const CliRun refused = cli({"apply", "--write-tag", "1"}, repaired.out);
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.err.contains("windows-1252")) << refused.err.toStdString();
    EXPECT_EQ(readAll(file), before);

    const CliRun applied =
        cli({"apply", "--write-tag", "1", "--codepage", "windows-1251"}, repaired.out);
    ASSERT_EQ(applied.exitCode, 0) << applied.err.toStdString();
    EXPECT_EQ(readAll(file), before);
}

// apply --id3v2: a 2.4 tag kept as 2.4 keeps its several artists and its
// full date; a 2.3 tag written as 2.4 becomes a 2.4 tag with the same date.
TEST_F(CliTest, ApplyWritesTheID3v2VersionAsked)
{
    QM_REQUIRE_TOOL("lame");
    QM_REQUIRE_MUTAGEN();
    const struct {
        const char *source;
        const char *asked;
        const char *written;
        int artists; // values of TPE1 as mutagen lists them
    } cases[] = {{"4", "keep", "2.4.0", 2},
                 {"3", "4", "2.4.0", 1},
                 {"4", "3", "2.3.0", 1},
                 {"3", "keep", "2.3.0", 1}};
    makeTagged(album() + "/a.mp3", "Old", "1", "Album");
    const QByteArray untagged = readAll(album() + "/a.mp3");
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.source) + " " + c.asked);
        ASSERT_TRUE(writeAll(album() + "/a.mp3", untagged));
        const CommandResult tagged =
            runCommand(kPython, {"-c",
                                 "import sys\n"
                                 "from mutagen.id3 import ID3, TIT2, TPE1, TDRC\n"
                                 "t = ID3()\n"
                                 "t.add(TIT2(encoding=1, text='Old'))\n"
                                 "t.add(TPE1(encoding=1, text=['Кино', 'Second']))\n"
                                 "t.add(TDRC(encoding=0, text='2004-05-12T10:20'))\n"
                                 "t.save(sys.argv[1], v2_version=int(sys.argv[2]))\n",
                                 album() + "/a.mp3", c.source});
        ASSERT_TRUE(tagged.ok()) << tagged.err.toStdString();
        const CliRun read = cli({"read", album()});
        const CliRun edited = cli({"edit", "--set", "Tit=Новое"}, read.out);
        const CliRun applied = cli({"apply", "--write-tag", "2", "--id3v2", c.asked}, edited.out);
        ASSERT_EQ(applied.exitCode, 0) << applied.err.toStdString();
        const QJsonObject tags = mutagenRead(album() + "/a.mp3");
        EXPECT_EQ(tags["version"].toString(), c.written);
        EXPECT_EQ(mutagenText(tags, "TIT2"), "Новое");
        EXPECT_EQ(mutagenText(tags, "TPE1"), "Кино/Second");
        EXPECT_EQ(tags["tags"].toObject()["TPE1"].toObject()["text"].toArray().size(), c.artists);
        // mutagen shows the timestamp's "T" as a blank.
        EXPECT_TRUE(mutagenText(tags, "TDRC").startsWith("2004-05-12 10:20"))
            << mutagenText(tags, "TDRC").toStdString();
    }
    EXPECT_EQ(cli({"apply", "--write-tag", "2", "--id3v2", "5"}, "").exitCode, 2);
}

TEST_F(CliTest, PlayAndEnqueueHandTheRowsFilesToThePlayerInRowOrder)
{
    const QString dir = album();
    const QStringList files{dir + QString::fromUtf8("/02 Ёлка.mp3"), dir + "/01 #1.mp3"};
    const QByteArray rows = "{\"Dir\":\"" + dir.toUtf8()
                            + "\",\"Old\":\"02 Ёлка\",\"Ext\":\"mp3\"}\n"
                              "{\"Dir\":\""
                            + dir.toUtf8() + "\",\"Old\":\"01 #1\",\"Ext\":\"mp3\"}\n";
    QStringList urls;
    for (const QString &file : files)
        urls.append(QString::fromLatin1(QUrl::fromLocalFile(file).toEncoded()));

    auto *audacious = new FakeAudacious;
    FakeService audaciousService("org.atheme.audacious", "/org/atheme/audacious", audacious);
    auto *mpris = new FakeMpris(true, true);
    FakeService mprisService("org.mpris.MediaPlayer2.fake", "/org/mpris/MediaPlayer2", mpris);
    ASSERT_TRUE(audaciousService.registered() && mprisService.registered());

    struct Case {
        const char *command;
        QByteArray settings;
        QByteArray input;
        int exitCode;
        QStringList audaciousCalls;
        QStringList mprisUrls;
    };
    const Case cases[] = {
        {"play",
         "",
         rows,
         0,
         {"Clear", "AddUrl " + urls[0], "AddUrl " + urls[1], "Jump 0", "Play"},
         {}},
        {"enqueue", "", rows, 0, {"AddUrl " + urls[0], "AddUrl " + urls[1]}, {}},
        // No rows: the player's list is left as it is.
        {"play", "", "", 0, {}, {}},
        {"enqueue", "[Main]\r\nPlayer=org.mpris.MediaPlayer2.fake\r\n", rows, 0, {}, urls},
        // A named player that is not running and cannot be started.
        {"play", "[Main]\r\nPlayer=org.mpris.MediaPlayer2.quillmarkabsent\r\n", rows, 1, {}, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.command) + " " + c.settings.toStdString());
        writeSettings(c.settings);
        const CliRun run = cli({c.command}, c.input);
        EXPECT_EQ(run.exitCode, c.exitCode) << run.err.toStdString();
        EXPECT_EQ(QString::fromUtf8(run.err),
                  c.exitCode ? QString::fromUtf8("quillmark-cli: Проигрыватель не найден\n")
                             : QString());
        EXPECT_EQ(audacious->state.takeCalls(), c.audaciousCalls);
        EXPECT_EQ(std::exchange(mpris->state.urls, {}), c.mprisUrls);
    }

    // An operand or rows that are not rows are bad usage, and nothing is sent.
    writeSettings("");
    EXPECT_EQ(cli({"play", "x.mp3"}, rows).exitCode, 2);
    EXPECT_EQ(cli({"enqueue"}, "{\"Dir\":").exitCode, 2);
    EXPECT_EQ(audacious->state.takeCalls(), QStringList());
}

int main(int argc, char **argv)
{
    // The player commands talk to fake players on a bus of the test's own.
    RestartOnPrivateBus(argc, argv);
    // The row messages checked here are the Russian ones, whatever the
    // machine's locale.
    qputenv("QUILLMARK_LANG", "ru");
    QCoreApplication app(argc, argv);
    qDBusRegisterMetaType<QList<QVariantMap>>();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

namespace {

// MP3, FLAC or Ogg Vorbis files (by their extension) with a picture of
// `pictureBytes` random bytes, so that rewriting the tag is a large write;
// their titles tell them apart.
void makePictured(const QStringList &paths, int pictureBytes)
{
    const QString suffix = QFileInfo(paths.first()).suffix();
    const QString plain = paths.first() + ".plain." + suffix;
    if (suffix == "mp3") {
        QString error;
        ASSERT_TRUE(makeMp3(plain, {0.3}, &error)) << error.toStdString();
    } else {
        const CommandResult made = runCommand(
            "ffmpeg", {"-v", "error", "-f", "lavfi", "-i", "sine=frequency=440:duration=0.3",
                       "-c:a", suffix == "flac" ? "flac" : "libvorbis", plain});
        ASSERT_TRUE(made.ok()) << made.err.toStdString();
    }
    const char *tagger =
        suffix == "mp3" ? "import sys, os\n"
                          "from mutagen.id3 import ID3, TIT2, APIC\n"
                          "t = ID3()\n"
                          "t.add(TIT2(encoding=1, text=os.path.basename(sys.argv[1])))\n"
                          "t.add(APIC(encoding=0, mime='image/jpeg', type=3, desc='',\n"
                          "           data=os.urandom(int(sys.argv[2]))))\n"
                          "t.save(sys.argv[1], v2_version=3)\n"
                        : "import base64, os, sys, mutagen\n"
                          "from mutagen.flac import Picture\n"
                          "f = mutagen.File(sys.argv[1])\n"
                          "f['TITLE'] = os.path.basename(sys.argv[1])\n"
                          "p = Picture()\n"
                          "p.type, p.mime = 3, 'image/jpeg'\n"
                          "p.data = os.urandom(int(sys.argv[2]))\n"
                          "if sys.argv[1].endswith('.flac'):\n"
                          "    f.add_picture(p)\n"
                          "else:\n"
                          "    f['METADATA_BLOCK_PICTURE'] = base64.b64encode(p.write()).decode()\n"
                          "f.save()\n";
    for (const QString &path : paths) {
        ASSERT_TRUE(QFile::copy(plain, path));
        const CommandResult tagged =
            runCommand(kPython, {"-c", tagger, path, QString::number(pictureBytes)});
        ASSERT_TRUE(tagged.ok()) << tagged.err.toStdString();
    }
    QFile::remove(plain);
}

// Whether `other` is a folder on another file system than `folder`.
bool onAnotherFileSystem(const QTemporaryDir &other, const QString &folder)
{
    struct stat here {
    }, there{};
    return other.isValid() && ::stat(QFile::encodeName(folder).constData(), &here) == 0
           && ::stat(QFile::encodeName(other.path()).constData(), &there) == 0
           && here.st_dev != there.st_dev;
}

// Every file of the folder, hidden ones included, by name.
QHash<QString, QByteArray> folderFiles(const QString &folder)
{
    QHash<QString, QByteArray> files;
    for (const QString &name : QDir(folder).entryList(QDir::Files | QDir::Hidden))
        files.insert(name, readAll(folder + "/" + name));
    return files;
}

// Each row of `rows` changed by `change(name, row)`, the row's file name
// without its extension, as rows made by hand: without the files' state, so
// that files put back by the test are written all the same.
QByteArray changedRows(const QByteArray &rows,
                       const std::function<void(const QString &, QJsonObject &)> &change)
{
    QByteArray out;
    for (QJsonObject row : jsonRows(rows)) {
        row.remove("Read");
        change(row.value("Old").toString(), row);
        out += QJsonDocument(row).toJson(QJsonDocument::Compact) + '\n';
    }
    return out;
}

} // namespace

// A rename job that also writes tags, over a swap, a ring and a chain, and
// a copy job that writes tags, each killed in the middle of each of its
// large writes in turn (a torn in-place write, a torn copy of a grown tag, a
// torn copy of a file), the same rename job over FLAC and Ogg Vorbis files
// whose comments grow, and a move of the whole album with its cover and cue
// sheet into new folders, killed before each of its renames and folder
// changes in turn: after recovery (by the next command, a read) every file
// is wholly old or wholly new under one name, no temporary is left or read,
// and undo brings every byte, name and folder back. Undone without a crash,
// each does the same.
TEST_F(CliTest, RenameJobsWithTagsKilledAtEveryLargeWriteRecoverAndUndo)
{
    QM_REQUIRE_TOOL("lame");
    QM_REQUIRE_TOOL("ffmpeg");
    QM_REQUIRE_MUTAGEN();
    const QStringList names = {"s1", "s2", "r1", "r2", "r3", "c1", "c2"};
    const QByteArray cue = "FILE \"s1.mp3\" MP3\r\n  TRACK 01 AUDIO\r\nFILE \"c2.mp3\" MP3\r\n";
    const QHash<QString, QString> newName = {{"s1", "s2"}, {"s2", "s1"}, {"r1", "r2"}, {"r2", "r3"},
                                             {"r3", "r1"}, {"c1", "c2"}, {"c2", "c3"}};
    const struct {
        QStringList args;
        QString copies;      // the folder the job copies into; empty: it renames
        QString moves;       // the folder the job moves the album to
        QString ext = "mp3"; // of the files
        const char *kill = "QM_FAULT_KILL_AT_WRITE";
    } jobs[] = {
        {{"apply", "--rename", "--tag", "2"}, {}, {}},
        {{"apply", "--rename", "--copy", "--create-folders", "yes", "--tag", "2"}, "copies", {}},
        {{"apply", "--rename", "--move-companions", "--create-folders", "yes", "--tag", "2"},
         {},
         "../library/Artist/Album",
         "mp3",
         "QM_FAULT_KILL_AT_CHANGE"},
        {{"apply", "--rename", "--tag", "2"}, {}, {}, "flac"},
        {{"apply", "--rename", "--tag", "2"}, {}, {}, "ogg"},
    };
    const QString library = folder_.file("library");
    for (const auto &job : jobs) {
        SCOPED_TRACE((job.ext + ": " + job.args.join(' ')).toStdString());
        const QString ext = "." + job.ext;
        QDir(album()).removeRecursively();
        ASSERT_TRUE(QDir().mkpath(album()));
        QStringList paths;
        for (const QString &name : names)
            paths.append(album() + "/" + name + ext);
        makePictured(paths, 200000);
        ASSERT_TRUE(writeAll(album() + "/cover.jpg", "picture"));
        ASSERT_TRUE(writeAll(album() + "/album.cue", cue));
        const QHash<QString, QByteArray> before = folderFiles(album());
        ASSERT_EQ(before.size(), 9);
        const CliRun read = cli({"read", "--no-info", "--mask", "*" + ext, album()});
        ASSERT_EQ(read.exitCode, 0) << read.err.toStdString();
        const QString copies = album() + "/" + job.copies;
        const QString target = QDir::cleanPath(album() + "/" + job.moves);
        // A longer title moves the picture within the tag's room: a large
        // in-place write. A long comment grows the tag past it: a rewrite.
        const QByteArray rows = changedRows(read.out, [&](const QString &name, QJsonObject &row) {
            row["New"] = !job.moves.isEmpty()   ? job.moves + "/new " + name
                         : job.copies.isEmpty() ? newName.value(name)
                                                : job.copies + "/" + name;
            row["Tit"] = row.value("Tit").toString() + " (new)";
            // Comments grow by a rewrite only: all of them do.
            if (name == "s2" || name == "r1" || name == "c2" || job.ext != "mp3")
                row["Com"] = QString(20000, 'c');
        });
        const auto apply = [&](const QString &killAt) {
            return cli(job.args, rows, {{"LD_PRELOAD", QM_FAULT_SHIM}, {job.kill, killAt}});
        };
        const auto restore = [&] {
            QDir(album() + "/copies").removeRecursively();
            QDir(library).removeRecursively();
            QDir().mkpath(album());
            for (const QString &name : QDir(album()).entryList(QDir::Files | QDir::Hidden))
                QFile::remove(album() + "/" + name);
            for (auto it = before.cbegin(); it != before.cend(); ++it)
                ASSERT_TRUE(writeAll(album() + "/" + it.key(), it.value()));
        };
        // The album's files wherever they are: its folder and the one it
        // moves to.
        const auto albumFiles = [&] {
            QHash<QString, QByteArray> files = folderFiles(album());
            if (!job.moves.isEmpty())
                files.insert(folderFiles(target));
            return files;
        };
        const auto undoneWhole = [&] {
            return folderFiles(album()) == before && !QFileInfo::exists(library);
        };

        restore();
        // The other job's last, whole run is not this one's to undo.
        QDir(folder_.file("data")).removeRecursively();
        const CliRun full = apply("");
        ASSERT_EQ(full.exitCode, 0) << full.err.toStdString();
        const QHash<QString, QByteArray> after =
            job.moves.isEmpty() ? folderFiles(album()) : folderFiles(target);
        const QHash<QString, QByteArray> copied =
            job.copies.isEmpty() ? QHash<QString, QByteArray>() : folderFiles(copies);
        // The file that was `name` before, once the job is done.
        QHash<QString, QByteArray> made;
        for (const QString &name : names) {
            const QString madeName = !job.moves.isEmpty()   ? "new " + name
                                     : job.copies.isEmpty() ? newName.value(name)
                                                            : name;
            made.insert(name, after.value(madeName + ext));
            ASSERT_NE(made.value(name), before.value(name + ext)) << name.toStdString();
            if (!job.copies.isEmpty()) {
                ASSERT_EQ(copied.value(name + ext), made.value(name)) << name.toStdString();
            }
        }
        // The whole album went, its folder with it; its cue sheet names
        // its files anew.
        const QByteArray newCue =
            "FILE \"new s1.mp3\" MP3\r\n  TRACK 01 AUDIO\r\nFILE \"new c2.mp3\" MP3\r\n";
        if (!job.moves.isEmpty()) {
            EXPECT_EQ(after.size(), 9);
            EXPECT_FALSE(QFileInfo::exists(album()));
            EXPECT_EQ(after.value("album.cue"), newCue);
        }
        const CliRun undone = cli({"undo"});
        EXPECT_EQ(undone.exitCode, 0) << undone.err.toStdString();
        EXPECT_TRUE(undoneWhole()) << "undo without a crash";

        int kills = 0;
        for (int killAt = 1; killAt < 40; ++killAt) {
            restore();
            const CliRun killed = apply(QString::number(killAt));
            if (killed.exitCode == 0)
                break;
            ++kills;
            ASSERT_EQ(killed.exitCode, -1) << killAt << ": " << killed.err.toStdString();
            QStringList readFolders{album()};
            if (!job.moves.isEmpty() && QFileInfo::exists(target))
                readFolders.append(target);
            if (!QFileInfo::exists(album()))
                readFolders.removeFirst();
            const CliRun recovered =
                cli(QStringList{"read", "--no-info", "--all-formats"} + readFolders);
            EXPECT_EQ(recovered.exitCode, 0);
            EXPECT_TRUE(recovered.err.isEmpty()) << killAt << ": " << recovered.err.toStdString();
            const QHash<QString, QByteArray> now = albumFiles();
            EXPECT_EQ(now.size(), 9) << killAt << ": " << now.keys().join(' ').toStdString();
            // Each file is found once, wholly old or wholly new; a copy
            // is there whole or not at all.
            for (const QString &name : names) {
                const int found = int(now.values().count(before.value(name + ext))
                                      + now.values().count(made.value(name)));
                EXPECT_EQ(found, 1)
                    << "kill at large write " << killAt << ": " << name.toStdString();
            }
            EXPECT_EQ(now.values().count(cue) + now.values().count(newCue), 1) << killAt;
            const QHash<QString, QByteArray> copiesNow =
                job.copies.isEmpty() ? QHash<QString, QByteArray>() : folderFiles(copies);
            for (auto it = copiesNow.cbegin(); it != copiesNow.cend(); ++it)
                EXPECT_EQ(it.value(), copied.value(it.key()))
                    << killAt << ": " << it.key().toStdString();
            EXPECT_EQ(jsonRows(recovered.out).size(), now.size() + copiesNow.size()) << killAt;
            // A kill before any change was made leaves nothing to undo (2).
            const CliRun back = cli({"undo"});
            EXPECT_NE(back.exitCode, 1) << killAt << ": " << back.err.toStdString();
            EXPECT_TRUE(undoneWhole()) << "undo after a kill at " << killAt;
        }
        EXPECT_GE(kills, 5) << "every file's tag write is large";
    }
}

// A rename of more files than the journal records at once: each batch's
// records go to the disk while the batch before is renamed, unless a file
// of it is another row's too (the last row names file 5 again). Killed
// before a rename at the batches' seams and within a swap, every file is
// under its old or its new name once after recovery, and undo puts every
// name back.
TEST_F(CliTest, ARenameOfManyBatchesKilledAtTheirSeamsRecoversAndUndoes)
{
    constexpr int kFiles = 600;
    const auto newName = [](const QString &name) {
        return name == "300" ? QString("301") : name == "301" ? QString("300") : "n" + name;
    };
    QHash<QString, QByteArray> before;
    for (int i = 0; i < kFiles; ++i) {
        before.insert(QString::number(i) + ".mp3", QByteArray::number(i));
        ASSERT_TRUE(writeAll(album() + "/" + QString::number(i) + ".mp3", QByteArray::number(i)));
    }
    const CliRun read = cli({"read", "--no-info", album()});
    ASSERT_EQ(jsonRows(read.out).size(), kFiles);
    QByteArray rows = changedRows(
        read.out, [&](const QString &name, QJsonObject &row) { row["New"] = newName(name); });
    rows += changedRows(rows.left(rows.indexOf('\n') + 1), [](const QString &, QJsonObject &row) {
        row["Old"] = "5";
        row["New"] = "again";
    });
    const auto apply = [&](int killAt) {
        return cli({"apply", "--rename"}, rows,
                   {{"LD_PRELOAD", QM_FAULT_SHIM},
                    {"QM_FAULT_KILL_AT_CHANGE", killAt ? QString::number(killAt) : QString()}});
    };
    const auto restore = [&] {
        for (const QString &name : QDir(album()).entryList(QDir::Files | QDir::Hidden))
            QFile::remove(album() + "/" + name);
        for (auto it = before.cbegin(); it != before.cend(); ++it)
            ASSERT_TRUE(writeAll(album() + "/" + it.key(), it.value()));
    };
    const CliRun whole = apply(0);
    EXPECT_EQ(whole.exitCode, 1) << "the second row of file 5 fails";
    EXPECT_EQ(folderFiles(album()).value("n5.mp3"), "5");
    EXPECT_EQ(folderFiles(album()).value("300.mp3"), "301");
    EXPECT_EQ(cli({"undo"}).exitCode, 0);
    EXPECT_EQ(folderFiles(album()), before);
    // A swap takes three renames: the 301st to 303rd.
    for (const int killAt : {1, 256, 257, 258, 301, 302, 303, 512, 513, 600}) {
        SCOPED_TRACE(killAt);
        restore();
        ASSERT_EQ(apply(killAt).exitCode, -1);
        EXPECT_EQ(cli({"read", "--no-info", album()}).exitCode, 0);
        const QHash<QString, QByteArray> now = folderFiles(album());
        EXPECT_EQ(now.size(), kFiles);
        for (auto it = before.cbegin(); it != before.cend(); ++it) {
            const QString name = QFileInfo(it.key()).completeBaseName();
            EXPECT_EQ(int(now.value(it.key()) == it.value())
                          + int(now.value(newName(name) + ".mp3") == it.value()),
                      1)
                << name.toStdString();
        }
        EXPECT_NE(cli({"undo"}).exitCode, 1);
        EXPECT_EQ(folderFiles(album()), before);
    }
}

// An album folder with its cover, cue sheet and notes sorted by template
// into a library: the plan is printed first and changes nothing; the album
// then ends up whole in its new folder, the cue sheet naming the new files,
// the old folder gone; one undo brings the old tree back exactly.
TEST_F(CliTest, AnAlbumSortedIntoALibraryMovesWholeAndComesBackWithOneUndo)
{
    QM_REQUIRE_TOOL("lame");
    QM_REQUIRE_MUTAGEN();
    const QString old = folder_.file("music/in/Album");
    ASSERT_TRUE(QDir().mkpath(old));
    makeTagged(old + "/a.mp3", "One", "1", "Album X");
    makeTagged(old + "/b.mp3", "Two", "2", "Album X");
    makeTagged(old + "/c.mp3", "Three", "3", "Album X");
    ASSERT_TRUE(writeAll(old + "/cover.jpg", "picture"));
    ASSERT_TRUE(writeAll(old + "/album.cue",
                         "FILE \"a.mp3\" MP3\r\nFILE \"b.mp3\" MP3\r\nFILE \"c.mp3\" MP3\r\n"));
    ASSERT_TRUE(writeAll(old + "/notes.nfo", "ripped"));
    // Every file and folder under music, by path.
    const auto tree = [&] {
        QMap<QString, QByteArray> files;
        const QString root = folder_.file("music");
        QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            files.insert(path.mid(root.size() + 1), it.fileInfo().isDir() ? "/" : readAll(path));
        }
        return files;
    };
    const auto before = tree();
    const QByteArray rows = cli({"edit", "--set", "Art=Artist", "--set", "Yea=1999", "--set",
                                 "New=../../library/%AR/%YE - %AL/%TR %TT"},
                                cli({"read", "--no-info", "--mask", "*.mp3", old}).out)
                                .out;
    const QStringList args{"apply", "--rename", "--move-companions", "--create-folders", "yes"};

    const CliRun plan = cli(args + QStringList{"--dry-run"}, rows);
    ASSERT_EQ(plan.exitCode, 0) << plan.err.toStdString();
    EXPECT_EQ(tree(), before);
    EXPECT_TRUE(cli({"history"}).out.isEmpty()) << "a plan is no job";
    const QString lib = folder_.file("music/library/Artist/1999 - Album X");
    QStringList ops;
    for (const QJsonObject &line : jsonRows(plan.out))
        ops << line["op"].toString() + " " + line["from"].toString() + " " + line["to"].toString();
    EXPECT_EQ(ops, (QStringList{
                       "mkdir " + folder_.file("music/library") + " ",
                       "mkdir " + folder_.file("music/library/Artist") + " ",
                       "mkdir " + lib + " ",
                       "move " + old + "/a.mp3 " + lib + "/01 One.mp3",
                       "move " + old + "/b.mp3 " + lib + "/02 Two.mp3",
                       "move " + old + "/c.mp3 " + lib + "/03 Three.mp3",
                       "cue-rewrite " + old + "/album.cue " + lib + "/album.cue",
                       "companion " + old + "/album.cue " + lib + "/album.cue",
                       "companion " + old + "/cover.jpg " + lib + "/cover.jpg",
                       "companion " + old + "/notes.nfo " + lib + "/notes.nfo",
                       "rmdir " + old + " ",
                   }));

    const CliRun applied = cli(args, rows);
    ASSERT_EQ(applied.exitCode, 0) << applied.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(old));
    EXPECT_TRUE(QFileInfo::exists(folder_.file("music/in")));
    EXPECT_EQ(QDir(lib).entryList(QDir::Files, QDir::Name),
              (QStringList{"01 One.mp3", "02 Two.mp3", "03 Three.mp3", "album.cue", "cover.jpg",
                           "notes.nfo"}));
    EXPECT_EQ(
        readAll(lib + "/album.cue"),
        "FILE \"01 One.mp3\" MP3\r\nFILE \"02 Two.mp3\" MP3\r\nFILE \"03 Three.mp3\" MP3\r\n");

    const CliRun undone = cli({"undo"});
    EXPECT_EQ(undone.exitCode, 0) << undone.err.toStdString();
    EXPECT_EQ(tree(), before);
}

// Another program swaps two files while the grown tag of one is written:
// nothing is replaced, the row fails saying why, and both files keep their
// bytes under the names the other program gave them.
TEST_F(CliTest, ApplyNeverReplacesAFileAnotherProgramMovedMeanwhile)
{
    QM_REQUIRE_TOOL("lame");
    QM_REQUIRE_MUTAGEN();
    const QString a = album() + "/a.mp3", b = album() + "/b.mp3";
    makePictured({a, b}, 100000);
    const QByteArray aBefore = readAll(a), bBefore = readAll(b);
    const CliRun read = cli({"read", "--no-info", a});
    const QByteArray rows = changedRows(
        read.out, [](const QString &, QJsonObject &row) { row["Com"] = QString(20000, 'c'); });
    const CliRun run = cli(
        {"apply", "--write-tag", "2"}, rows,
        {{"LD_PRELOAD", QM_FAULT_SHIM}, {"QM_FAULT_SWAP", a + "\n" + b}, {"QUILLMARK_LANG", "en"}});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(
        QString::fromUtf8(run.err),
        a + "\tThe file was changed by another program after it was read. Tag not changed.\n");
    EXPECT_EQ(readAll(a), bBefore);
    EXPECT_EQ(readAll(b), aBefore);
    EXPECT_EQ(folderFiles(album()).size(), 2) << "no temporary is left";
}

// Another program writes a file in place while the new copy of its grown
// comments is made: nothing is replaced, the row fails saying why, and the
// other program's bytes stay.
TEST_F(CliTest, ApplyNeverReplacesAFileAnotherProgramWroteDuringItsCopy)
{
    QM_REQUIRE_TOOL("ffmpeg");
    QM_REQUIRE_MUTAGEN();
    for (const char *ext : {"flac", "ogg"}) {
        SCOPED_TRACE(ext);
        const QString file = album() + "/a." + ext;
        makePictured({file}, 100000);
        const QByteArray before = readAll(file);
        const CliRun read = cli({"read", "--no-info", file});
        const QByteArray rows = changedRows(
            read.out, [](const QString &, QJsonObject &row) { row["Com"] = QString(200000, 'c'); });
        const CliRun run = cli({"apply", "--write-tag", "2"}, rows,
                               {{"LD_PRELOAD", QM_FAULT_SHIM},
                                {"QM_FAULT_APPEND", file + "\nmore"},
                                {"QUILLMARK_LANG", "en"}});
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(QString::fromUtf8(run.err),
                  file
                      + "\tThe file was changed by another program after it was read. Tag not "
                        "changed.\n");
        EXPECT_EQ(readAll(file), before + "more");
        EXPECT_EQ(QDir(album()).entryList({".quillmark-*"}, QDir::Files | QDir::Hidden),
                  QStringList());
    }
}

// A tag that grows past its room, written through a symbolic link, goes to
// the file the link leads to, and the link stays; a file of two hard links
// is refused with the reason rather than split in two.
TEST_F(CliTest, GrownTagsKeepLinks)
{
    QM_REQUIRE_TOOL("lame");
    QM_REQUIRE_MUTAGEN();
    const QString target = folder_.file("target.mp3"), linked = album() + "/linked.mp3";
    const QString first = album() + "/first.mp3", second = album() + "/second.mp3";
    makePictured({target, first}, 1000);
    ASSERT_TRUE(QFile::link(target, linked));
    ASSERT_EQ(::link(QFile::encodeName(first).constData(), QFile::encodeName(second).constData()),
              0);
    const QByteArray hardBefore = readAll(first);
    const CliRun read = cli({"read", "--no-info", linked, first});
    const QByteArray rows = changedRows(
        read.out, [](const QString &, QJsonObject &row) { row["Com"] = QString(5000, 'c'); });
    const CliRun run = cli({"apply", "--write-tag", "2"}, rows, {{"QUILLMARK_LANG", "en"}});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(QString::fromUtf8(run.err),
              first
                  + "\tThe file has several hard links: a new tag would split them. "
                    "Tag not changed.\n");
    EXPECT_TRUE(QFileInfo(linked).isSymLink());
    EXPECT_EQ(mutagenText(mutagenRead(target), "COMM"), QString(5000, 'c'));
    EXPECT_EQ(readAll(first), hardBefore);
    EXPECT_EQ(readAll(second), hardBefore);
}

// A NUL in a row's name never reaches the system, which would cut the name
// there and find another file.
TEST_F(CliTest, NulInARowNameOpensNoFile)
{
    ASSERT_TRUE(writeAll(album() + "/passwd", "root:x:0:0\n"));
    const QByteArray row =
        "{\"Dir\":\"" + album().toUtf8() + "/\",\"Old\":\"passwd\\u0000\",\"New\":\"x\"}\n";
    for (const QStringList &args : {QStringList{"apply", "--write-tag", "2", "--all-formats"},
                                    QStringList{"apply", "--rename"}}) {
        const CliRun run = cli(args, row, {{"QUILLMARK_LANG", "en"}});
        EXPECT_EQ(run.exitCode, 1) << args.join(' ').toStdString();
        EXPECT_TRUE(run.err.contains("NUL character in the file name")) << run.err.toStdString();
        EXPECT_EQ(readAll(album() + "/passwd"), "root:x:0:0\n");
        EXPECT_FALSE(QFile::exists(album() + "/x"));
    }
    // A play list line cut by a NUL: its row reads no file, the one before
    // the NUL least of all.
    QM_REQUIRE_TOOL("lame");
    QM_REQUIRE_MUTAGEN();
    makePictured({album() + "/a.mp3"}, 100);
    ASSERT_TRUE(
        writeAll(album() + "/list.m3u", QByteArray("#EXTM3U\na.mp3\0../outside/secret.mp3\n", 36)));
    const CliRun read = cli({"read", "--no-info", album() + "/list.m3u"});
    for (const QJsonObject &row : jsonRows(read.out))
        EXPECT_EQ(row.value("Tit").toString(), "") << read.out.toStdString();
}

// No write without its journal unless asked; undo passes over a job that
// changed nothing and says so.
TEST_F(CliTest, JournalIsRequiredAndUndoSkipsEmptyJobs)
{
    QM_REQUIRE_TOOL("lame");
    QM_REQUIRE_MUTAGEN();
    const QString a = album() + "/a.mp3";
    makePictured({a}, 1000);
    const QByteArray before = readAll(a);
    const CliRun read = cli({"read", "--no-info", a});
    const QByteArray rows = changedRows(
        read.out, [](const QString &, QJsonObject &row) { row["Tit"] = QString("New title"); });
    ASSERT_TRUE(writeAll(folder_.file("blocked"), "a file where the data folder should be"));
    const QList<std::pair<QString, QString>> blocked = {
        {"QUILLMARK_DATA_DIR", folder_.file("blocked")}};
    const CliRun refused = cli({"apply", "--write-tag", "2"}, rows, blocked);
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_TRUE(refused.err.contains(folder_.file("blocked").toUtf8()))
        << refused.err.toStdString();
    EXPECT_EQ(readAll(a), before);
    EXPECT_EQ(cli({"apply", "--write-tag", "2", "--no-journal"}, rows, blocked).exitCode, 0);
    EXPECT_NE(readAll(a), before);

    ASSERT_TRUE(writeAll(a, before));
    ASSERT_EQ(cli({"apply", "--write-tag", "2"}, rows).exitCode, 0);
    // Making sure the journal can be kept leaves nothing beside the jobs.
    const QDir journal(folder_.file("data/journal"));
    EXPECT_EQ(journal.entryList(QDir::Files | QDir::Hidden), QStringList{"0000000001.qmj"});
    ASSERT_TRUE(writeAll(album() + "/taken.mp3", "taken"));
    const QByteArray failing = changedRows(
        read.out, [](const QString &, QJsonObject &row) { row["New"] = QString("taken"); });
    ASSERT_EQ(cli({"apply", "--rename"}, failing).exitCode, 1);
    const CliRun undone = cli({"undo"});
    EXPECT_EQ(undone.exitCode, 0) << undone.err.toStdString();
    EXPECT_EQ(undone.out, "skipped job 2: it changed no file\nundone job 1: 1 files put back\n");
    EXPECT_EQ(readAll(a), before);
}

// The two applies that take a row's cells to its file.
const QStringList kApplies[] = {{"apply", "--write-tag", "2"}, {"apply", "--rename", "--tag", "2"}};

// Another tagger changes a file between read and apply, and keeps its
// modification time as taggers offer to: the row's stale cells never
// overwrite its change; a row made by hand is applied as it says.
TEST_F(CliTest, ApplyLeavesFilesChangedSinceTheyWereRead)
{
    QM_REQUIRE_TOOL("lame");
    QM_REQUIRE_TOOL("ffmpeg");
    QM_REQUIRE_MUTAGEN();
    makeAlbum();
    const QString a = album() + "/a.mp3";
    const CliRun read = cli({"read", "--no-info", a});
    ASSERT_EQ(jsonRows(read.out).value(0).value("Read").toString().count(':'), 4)
        << read.out.toStdString();
    const QByteArray rows = cli({"edit", "--set", "Alb=Edited"}, read.out).out;
    ASSERT_TRUE(
        runCommand(kPython, {"-c",
                             "import os, sys\n"
                             "from mutagen.id3 import ID3, TIT2\n"
                             "kept = os.stat(sys.argv[1])\n"
                             "t = ID3(sys.argv[1])\n"
                             "t.add(TIT2(encoding=1, text='Other tagger'))\n"
                             "t.save()\n"
                             "os.utime(sys.argv[1], ns=(kept.st_atime_ns, kept.st_mtime_ns))\n"
                             "assert os.stat(sys.argv[1]).st_size == kept.st_size\n",
                             a})
            .ok());
    for (const QStringList &args : kApplies) {
        const QByteArray renamed = cli({"edit", "--set", "New=renamed"}, rows).out;
        const CliRun run = cli(args, renamed, {{"QUILLMARK_LANG", "en"}});
        EXPECT_EQ(run.exitCode, 1) << args.join(' ').toStdString();
        EXPECT_TRUE(run.err.startsWith(a.toUtf8() + "\tThe file was changed by another program"))
            << run.err.toStdString();
        EXPECT_EQ(mutagenText(mutagenRead(a), "TIT2"), "Other tagger");
        EXPECT_EQ(mutagenText(mutagenRead(a), "TALB"), "Album X");
    }
    // The file read again since, on a second row: the stale row is still
    // held to its own older state, whichever row comes first.
    const QByteArray fresh =
        cli({"edit", "--set", "Alb=Edited"}, cli({"read", "--no-info", a}).out).out;
    for (const QStringList &args : kApplies)
        for (const QByteArray &both : {rows + fresh, fresh + rows}) {
            EXPECT_EQ(cli(args, cli({"edit", "--set", "New=renamed"}, both).out).exitCode, 1);
            EXPECT_EQ(mutagenText(mutagenRead(a), "TIT2"), "Other tagger");
        }
    QJsonObject byHand = jsonRows(rows).value(0);
    byHand.remove("Read");
    const CliRun run = cli({"apply", "--write-tag", "2"},
                           QJsonDocument(byHand).toJson(QJsonDocument::Compact) + '\n');
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(mutagenText(mutagenRead(a), "TALB"), "Edited");
}

// The same for FLAC and Ogg files retagged by another program: each is left
// byte for byte as that program wrote it.
TEST_F(CliTest, ApplyLeavesVorbisFilesChangedSinceTheyWereRead)
{
    requireVorbisTools();
    if (IsSkipped() || HasFatalFailure())
        return;
    for (const Format &format : {kFormats[0], kFormats[1]}) {
        SCOPED_TRACE(format.name);
        const QString path = album() + "/song." + format.suffix;
        QString error;
        ASSERT_FALSE(qm::test::makeTagged(format, path, &error).isEmpty()) << error.toStdString();
        const CliRun read = cli({"read", "--no-info", path});
        const QByteArray rows = cli({"edit", "--set", "Alb=Edited"}, read.out).out;
        ASSERT_TRUE(runCommand(kPython, {"-c",
                                         "import sys, mutagen\n"
                                         "f = mutagen.File(sys.argv[1])\n"
                                         "f['title'] = 'Other tagger'\n"
                                         "f.save()\n",
                                         path})
                        .ok());
        const QByteArray retagged = readAll(path);
        for (const QStringList &args : kApplies) {
            const QByteArray renamed = cli({"edit", "--set", "New=renamed"}, rows).out;
            const CliRun run = cli(args, renamed, {{"QUILLMARK_LANG", "en"}});
            EXPECT_EQ(run.exitCode, 1) << args.join(' ').toStdString();
            EXPECT_TRUE(
                run.err.startsWith(path.toUtf8() + "\tThe file was changed by another program"))
                << run.err.toStdString();
            EXPECT_EQ(readAll(path), retagged);
        }
    }
}

// A rename the system refuses says why.
TEST_F(CliTest, RefusedRenameSaysWhy)
{
    ASSERT_TRUE(writeAll(album() + "/a.mp3", "not really audio"));
    const QByteArray row = "{\"Dir\":\"" + album().toUtf8() + "/\",\"Old\":\"a\",\"New\":\""
                           + QByteArray(300, 'x') + "\",\"Ext\":\"mp3\"}\n";
    const CliRun run = cli({"apply", "--rename"}, row, {{"QUILLMARK_LANG", "en"}});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(QString::fromUtf8(run.err),
              album() + "/a.mp3\tThe change is not possible. The file name is too long\n");
}

// A journal damaged in the middle is reported as damaged: undo puts back
// nothing rather than part of the job, and says so.
TEST_F(CliTest, UndoOfADamagedJournalSaysSoAndPutsNothingBack)
{
    QM_REQUIRE_TOOL("lame");
    QM_REQUIRE_MUTAGEN();
    const QString a = album() + "/a.mp3";
    makePictured({a, album() + "/b.mp3"}, 1000);
    const CliRun read = cli({"read", "--no-info", album()});
    ASSERT_EQ(cli({"apply", "--write-tag", "2"}, cli({"edit", "--set", "Tit=New"}, read.out).out)
                  .exitCode,
              0);
    const QByteArray changed = readAll(a);
    const QString journal = folder_.file("data/journal/0000000001.qmj");
    QByteArray bytes = readAll(journal);
    ASSERT_GT(bytes.size(), 200);
    bytes[100] = char(bytes[100] ^ 0x55); // within the first entry
    ASSERT_TRUE(writeAll(journal, bytes));
    const CliRun undone = cli({"undo"}, {}, {{"QUILLMARK_LANG", "en"}});
    EXPECT_EQ(undone.exitCode, 1);
    EXPECT_TRUE(undone.err.contains("damaged")) << undone.err.toStdString();
    EXPECT_EQ(readAll(a), changed);
}

// An undo that could not put a file back (no name could be changed: its
// rewrite failed) leaves the job undoable; undo again puts that file back
// and passes over the one already back.
TEST_F(CliTest, AnUndoCutShortByTheDiskCanBeTriedAgain)
{
    QM_REQUIRE_TOOL("lame");
    QM_REQUIRE_MUTAGEN();
    const QString a = album() + "/a.mp3", b = album() + "/b.mp3";
    // The rename of b's new copy fails, or every write of bytes (a's in
    // place, b's new copy); the undo tried again puts back what is left.
    const struct {
        const char *fault;
        const char *first, *second;
    } cases[] = {{"rename 28", "1 files", "1 files"}, {"pwrite 28", "0 files", "2 files"}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.fault);
        QDir(folder_.file("data")).removeRecursively();
        QDir(album()).removeRecursively();
        ASSERT_TRUE(QDir().mkpath(album()));
        makePictured({a, b}, 1000);
        const QHash<QString, QByteArray> before = folderFiles(album());
        const QByteArray rows = changedRows(cli({"read", "--no-info", album()}).out,
                                            [](const QString &name, QJsonObject &row) {
                                                // a's tag stays in place, b's is rewritten
                                                row["Tit"] = QString("New");
                                                if (name == "b")
                                                    row["Com"] = QString(20000, 'c');
                                            });
        ASSERT_EQ(cli({"apply", "--write-tag", "2"}, rows).exitCode, 0);
        const CliRun cut =
            cli({"undo"}, {}, {{"LD_PRELOAD", QM_FAULT_SHIM}, {"QM_FAULT_FAIL", c.fault}});
        EXPECT_EQ(cut.exitCode, 1);
        EXPECT_TRUE(cut.out.contains(c.first)) << cut.out.toStdString();
        const CliRun again = cli({"undo"});
        EXPECT_EQ(again.exitCode, 0) << again.err.toStdString();
        EXPECT_TRUE(again.out.contains(c.second)) << again.out.toStdString();
        EXPECT_TRUE(folderFiles(album()) == before);
    }
}

// A file moved with its new tag into a folder of another file system (the
// shared memory's) is put back by undo, tag, name and folder; skipped where
// there is no such second file system.
TEST_F(CliTest, UndoPutsBackAMoveToAnotherFileSystem)
{
    QM_REQUIRE_TOOL("lame");
    QM_REQUIRE_TOOL("ffmpeg");
    QM_REQUIRE_MUTAGEN();
    QTemporaryDir other("/dev/shm/quillmark-test-XXXXXX");
    if (!onAnotherFileSystem(other, album()))
        GTEST_SKIP() << "no second file system at /dev/shm";
    makeTagged(album() + "/a.mp3", "Old", "1", "Album X");
    const QHash<QString, QByteArray> before = folderFiles(album());
    ASSERT_TRUE(QFile::link(other.path(), album() + "/other"));
    const QByteArray rows =
        changedRows(cli({"read", "--no-info", album()}).out, [](const QString &, QJsonObject &row) {
            row["New"] = QString("other/sub/a");
            row["Tit"] = QString("New");
        });
    ASSERT_EQ(cli({"apply", "--rename", "--tag", "2", "--create-folders", "yes"}, rows).exitCode,
              0);
    ASSERT_TRUE(QFileInfo::exists(other.path() + "/sub/a.mp3"));
    ASSERT_TRUE(folderFiles(album()).isEmpty());
    const CliRun undone = cli({"undo"});
    EXPECT_EQ(undone.exitCode, 0) << undone.err.toStdString();
    EXPECT_EQ(folderFiles(album()), before);
    EXPECT_FALSE(QFileInfo::exists(other.path() + "/sub"));
}

// A move to another file system, or its undo, killed at each removal of a
// file (the original, once its copy took the new name): recovery leaves the
// file in one place, and undo then puts back its tag and name.
TEST_F(CliTest, AMoveToAnotherFileSystemKilledAtEachRemovalLeavesOneFile)
{
    QM_REQUIRE_TOOL("lame");
    QM_REQUIRE_TOOL("ffmpeg");
    QM_REQUIRE_MUTAGEN();
    QTemporaryDir other("/dev/shm/quillmark-test-XXXXXX");
    if (!onAnotherFileSystem(other, album()))
        GTEST_SKIP() << "no second file system at /dev/shm";
    ASSERT_TRUE(QFile::link(other.path(), folder_.file("other")));
    QHash<QString, QByteArray> before;
    const auto restore = [&] {
        QDir(folder_.file("data")).removeRecursively();
        QDir(other.path() + "/sub").removeRecursively();
        QDir(album()).removeRecursively();
        ASSERT_TRUE(QDir().mkpath(album()));
        makeTagged(album() + "/a.mp3", "A", "1", "Album X");
        makeTagged(album() + "/b.mp3", "B", "2", "Album X");
        before = folderFiles(album());
    };
    restore();
    const QByteArray rows = changedRows(cli({"read", "--no-info", album()}).out,
                                        [](const QString &name, QJsonObject &row) {
                                            row["New"] = "../other/sub/" + name;
                                            row["Tit"] = QString("New");
                                        });
    const QStringList apply = {"apply", "--rename", "--tag", "2", "--create-folders", "yes"};
    int kills = 0;
    for (const bool killUndo : {false, true}) {
        for (int killAt = 1; killAt < 10; ++killAt) {
            SCOPED_TRACE(testing::Message() << (killUndo ? "undo " : "apply ") << killAt);
            restore();
            const QList<std::pair<QString, QString>> fault = {
                {"LD_PRELOAD", QM_FAULT_SHIM},
                {"QM_FAULT_KILL_AT_UNLINK", QString::number(killAt)}};
            if (killUndo)
                ASSERT_EQ(cli(apply, rows).exitCode, 0);
            const CliRun killed = killUndo ? cli({"undo"}, {}, fault) : cli(apply, rows, fault);
            if (killed.exitCode != -1)
                break;
            ++kills;
            cli({"history"});
            EXPECT_EQ(folderFiles(album()).size() + folderFiles(other.path() + "/sub").size(), 2);
            const CliRun undone = cli({"undo"});
            EXPECT_TRUE(folderFiles(album()) == before) << undone.err.toStdString();
            EXPECT_FALSE(QFileInfo::exists(other.path() + "/sub"));
        }
    }
    EXPECT_GT(kills, 1);
}

// A swap between a folder and its subfolder, one new name written with "..",
// is put back by undo: "sub/../a.mp3" is the name "a.mp3" it frees.
TEST_F(CliTest, UndoPutsBackASwapWhoseNewNameClimbsOutOfItsFolder)
{
    ASSERT_TRUE(QDir(album()).mkdir("sub"));
    ASSERT_TRUE(writeAll(album() + "/a.mp3", "top"));
    ASSERT_TRUE(writeAll(album() + "/sub/a.mp3", "sub"));
    const QByteArray rows =
        changedRows(cli({"read", "--no-info", album()}).out, [](const QString &, QJsonObject &row) {
            row["New"] =
                row["Dir"].toString().endsWith("/sub/") ? QString("../a") : QString("sub/a");
        });
    ASSERT_EQ(cli({"apply", "--rename"}, rows).exitCode, 0);
    ASSERT_EQ(readAll(album() + "/a.mp3"), "sub");
    const CliRun undone = cli({"undo"});
    EXPECT_EQ(undone.exitCode, 0) << undone.err.toStdString();
    EXPECT_EQ(readAll(album() + "/a.mp3"), "top");
    EXPECT_EQ(readAll(album() + "/sub/a.mp3"), "sub");
}

// An undo of a swap and a move killed before each of its renames and folder
// changes in turn, then tried again: the names a killed try put back stay,
// and every file ends under its old name.
TEST_F(CliTest, AnUndoKilledMidwayTriedAgainPutsBackEveryName)
{
    const QHash<QString, QByteArray> before = {{"a.mp3", "a"}, {"b.mp3", "b"}, {"c.mp3", "c"}};
    const QHash<QString, QString> newName = {{"a", "b"}, {"b", "a"}, {"c", "sub/c"}};
    const auto restore = [&] {
        QDir(album()).removeRecursively();
        QDir(folder_.file("data")).removeRecursively();
        QDir().mkpath(album());
        for (auto it = before.cbegin(); it != before.cend(); ++it)
            ASSERT_TRUE(writeAll(album() + "/" + it.key(), it.value()));
    };
    restore();
    const QByteArray rows = changedRows(
        cli({"read", "--no-info", album()}).out,
        [&](const QString &name, QJsonObject &row) { row["New"] = newName.value(name); });
    int kills = 0;
    for (int killAt = 1; killAt < 20; ++killAt) {
        SCOPED_TRACE(killAt);
        restore();
        ASSERT_EQ(cli({"apply", "--rename", "--create-folders", "yes"}, rows).exitCode, 0);
        const CliRun killed = cli(
            {"undo"}, {},
            {{"LD_PRELOAD", QM_FAULT_SHIM}, {"QM_FAULT_KILL_AT_CHANGE", QString::number(killAt)}});
        if (killed.exitCode != -1)
            break;
        ++kills;
        EXPECT_NE(cli({"undo"}).exitCode, 1);
        EXPECT_EQ(folderFiles(album()), before);
        EXPECT_FALSE(QFileInfo::exists(album() + "/sub"));
    }
    EXPECT_GE(kills, 4);
}

// An undo undone gives the job's new names and tags back, and undone in turn
// puts the old ones back, each file counted once; a long album rewrites the
// files (each gets another inode), a short one changes their tags in place.
TEST_F(CliTest, AnUndoUndoneAndUndoneAgainGoesBackAndForth)
{
    QM_REQUIRE_TOOL("lame");
    QM_REQUIRE_TOOL("ffmpeg");
    QM_REQUIRE_MUTAGEN();
    for (const QString &albumName : {QString("Y"), QString(3000, 'y')}) {
        SCOPED_TRACE(albumName.size());
        QDir(folder_.file("data")).removeRecursively();
        QDir(album()).removeRecursively();
        ASSERT_TRUE(QDir().mkpath(album()));
        makeTagged(album() + "/a.mp3", "A", "1", "Album X");
        makeTagged(album() + "/b.mp3", "B", "2", "Album X");
        const QHash<QString, QByteArray> before = folderFiles(album());
        const QByteArray rows = changedRows(cli({"read", "--no-info", album()}).out,
                                            [&](const QString &name, QJsonObject &row) {
                                                row["New"] = name + " new";
                                                row["Alb"] = albumName;
                                            });
        ASSERT_EQ(cli({"apply", "--rename", "--tag", "2"}, rows).exitCode, 0);
        const QHash<QString, QByteArray> after = folderFiles(album());
        ASSERT_EQ(cli({"undo"}).exitCode, 0);
        ASSERT_EQ(folderFiles(album()), before);
        for (int job = 2; job <= 4; ++job) {
            const CliRun undone = cli({"undo", QString::number(job)});
            EXPECT_EQ(undone.exitCode, 0) << job << undone.err.toStdString();
            EXPECT_EQ(undone.out, QString("undone job %1: 2 files put back\n").arg(job).toUtf8());
            EXPECT_TRUE(folderFiles(album()) == (job % 2 == 0 ? after : before)) << job;
        }
    }
}

// The plan names each row apply would fail, with apply's own message, and
// exits as apply does; the rows that would succeed are planned as before.
TEST_F(CliTest, ADryRunNamesTheRowsApplyWouldFail)
{
    for (const char *name : {"a", "b", "c", "d", "e", "f", "gone", "taken"})
        ASSERT_TRUE(writeAll(album() + "/" + name + ".mp3", name));
    const QHash<QString, QString> newName = {{"a", "b"},
                                             {"b", "a"},               // a swap, planned
                                             {"c", " . "},             // no name
                                             {"d", "sub/d"},           // a folder not there
                                             {"e", "taken"},           // a name another file holds
                                             {"f", QString(300, 'f')}, // a name too long
                                             {"gone", "g"}};           // a file not there
    QByteArray rows = changedRows(
        cli({"read", "--no-info", album()}).out,
        [&](const QString &name, QJsonObject &row) { row["New"] = newName.value(name, name); });
    ASSERT_TRUE(QFile::remove(album() + "/gone.mp3"));
    // A file another program wrote since its row was read.
    const QString w = album() + "/w.mp3";
    ASSERT_TRUE(writeAll(w, "w"));
    rows += cli({"edit", "--set", "New=w2"}, cli({"read", "--no-info", w}).out).out;
    ASSERT_TRUE(writeAll(w, "written"));
    // A second row of a file the swap renames: under its name it finds
    // the other file of the swap, no file of its own.
    rows +=
        cli({"edit", "--set", "New=a2"}, cli({"read", "--no-info", album() + "/./a.mp3"}).out).out;
    // A pipe named by a row made by hand is no file to move, nor one that
    // holds the job up at its end.
    ASSERT_EQ(mkfifo(QFile::encodeName(album() + "/pipe.mp3").constData(), 0600), 0);
    rows +=
        "{\"Dir\":\"" + album().toUtf8() + "/\",\"Old\":\"pipe\",\"New\":\"p\",\"Ext\":\"mp3\"}\n";
    const CliRun plan = cli({"apply", "--rename", "--dry-run"}, rows);
    EXPECT_EQ(plan.exitCode, 1);
    QStringList planned, failed;
    for (const QJsonObject &step : jsonRows(plan.out)) {
        const QString from = QFileInfo(step["from"].toString()).fileName();
        if (step["op"] == "fail")
            failed << album() + "/" + from + "\t" + step["reason"].toString();
        else
            planned << step["op"].toString() + " " + from;
    }
    EXPECT_EQ(planned, (QStringList{"rename a.mp3", "rename b.mp3"}));
    const CliRun applied = cli({"apply", "--rename"}, rows);
    EXPECT_EQ(applied.exitCode, 1);
    QStringList reported = QString::fromUtf8(applied.err).split('\n', Qt::SkipEmptyParts);
    std::sort(reported.begin(), reported.end());
    std::sort(failed.begin(), failed.end());
    EXPECT_EQ(failed, reported);
    EXPECT_EQ(failed.size(), 8);
    EXPECT_TRUE(QFileInfo(album() + "/pipe.mp3").exists());

    // A folder whose only file is renamed in it stays, and is not planned
    // to go either.
    ASSERT_TRUE(QDir(album()).mkdir("one"));
    ASSERT_TRUE(writeAll(album() + "/one/s.mp3", "s"));
    const QByteArray alone =
        changedRows(cli({"read", "--no-info", album() + "/one"}).out,
                    [](const QString &, QJsonObject &row) { row["New"] = "t"; });
    const QList<QJsonObject> steps = jsonRows(cli({"apply", "--rename", "--dry-run"}, alone).out);
    ASSERT_EQ(steps.size(), 1);
    EXPECT_EQ(steps[0]["op"].toString(), "rename");

    if (geteuid() != 0) { // permissions do not bind root
        // A folder that takes no new names fails the row, as in apply.
        const QString ro = album() + "/one";
        ASSERT_TRUE(QFile::setPermissions(ro, QFile::ReadOwner | QFile::ExeOwner));
        const QList<QJsonObject> refused =
            jsonRows(cli({"apply", "--rename", "--dry-run"}, alone).out);
        const CliRun refusedApply = cli({"apply", "--rename"}, alone);
        ASSERT_TRUE(
            QFile::setPermissions(ro, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        ASSERT_EQ(refused.size(), 1);
        EXPECT_EQ(refused[0]["op"].toString(), "fail");
        EXPECT_EQ(ro + "/s.mp3\t" + refused[0]["reason"].toString() + "\n",
                  QString::fromUtf8(refusedApply.err));
    }
}

// A swap whose files another program changed since they were read moves
// neither: killed at any moment, it leaves each file under its own name,
// none under a temporary one that no record would give back.
TEST_F(CliTest, ASwapOfFilesChangedSinceTheyWereReadLeavesEveryNameKilledOrNot)
{
    for (const char *name : {"a", "b"})
        ASSERT_TRUE(writeAll(album() + "/" + name + ".mp3", name));
    QByteArray rows;
    for (QJsonObject row : jsonRows(cli({"read", "--no-info", album()}).out)) {
        row["New"] = row.value("Old").toString() == "a" ? "b" : "a";
        rows += QJsonDocument(row).toJson(QJsonDocument::Compact) + '\n';
    }
    const QHash<QString, QByteArray> changed = {{"a.mp3", "changed a"}, {"b.mp3", "changed b"}};
    for (const int killAt : {0, 1, 2, 3, 4, 5}) {
        SCOPED_TRACE(killAt);
        for (auto it = changed.cbegin(); it != changed.cend(); ++it)
            ASSERT_TRUE(writeAll(album() + "/" + it.key(), it.value()));
        cli({"apply", "--rename"}, rows,
            {{"LD_PRELOAD", QM_FAULT_SHIM},
             {"QM_FAULT_KILL_AT_CHANGE", killAt ? QString::number(killAt) : QString()}});
        EXPECT_EQ(folderFiles(album()), changed);
    }
}

// A change the system refuses says why (a full disk, the file's or the
// journal's; a folder where nothing may be made; a name too long), and
// leaves the file as it was with no temporary beside it.
TEST_F(CliTest, RefusedChangesSayWhy)
{
    QM_REQUIRE_TOOL("lame");
    QM_REQUIRE_MUTAGEN();
    const QString a = album() + "/a.mp3";
    makePictured({a}, 100000);
    const QHash<QString, QByteArray> before = folderFiles(album());
    const CliRun read = cli({"read", "--no-info", a});
    const QStringList tag = {"apply", "--write-tag", "2"}, rename = {"apply", "--rename"},
                      copy = {"apply", "--rename", "--copy"},
                      renameTag = {"apply", "--rename", "--tag", "2"};
    const auto fault = [](const char *call, int error) {
        return QString::fromLatin1(call) + ' ' + QString::number(error);
    };
    const struct {
        QStringList args;
        QString fault;
        QString message;
        QString newName = "b";
    } cases[] = {
        {tag, fault("pwrite", ENOSPC), "Not enough disk space. Tag not changed."},
        {tag, fault("write", ENOSPC),
         "The journal could not be written: its disk is full. Tag not changed."},
        {tag, fault("mkostemp", EACCES), "No permission to write the folder. Tag not changed."},
        {rename, fault("rename", EROFS),
         "The change is not possible. No permission to write the folder"},
        {rename, fault("write", ENOSPC),
         "The change is not possible. The journal could not be written: its disk is full"},
        {renameTag, fault("write", ENOSPC),
         "The change is not possible. The journal could not be written: its disk is full. Tag "
         "not changed."},
        {copy, fault("copy_file_range", ENOSPC),
         "The change is not possible. Not enough disk space"},
        {copy, fault("mkostemp", EROFS),
         "The change is not possible. No permission to write the folder"},
        {copy, {}, "The change is not possible. The file name is too long", QString(300, 'x')},
    };
    for (const auto &c : cases) {
        const QByteArray rows = changedRows(read.out, [&](const QString &, QJsonObject &row) {
            row["Com"] = QString(20000, 'c'); // grown past its room: a rewrite
            row["New"] = c.newName;
        });
        const CliRun run = cli(
            c.args, rows,
            {{"LD_PRELOAD", QM_FAULT_SHIM}, {"QM_FAULT_FAIL", c.fault}, {"QUILLMARK_LANG", "en"}});
        const std::string what = (c.args.join(' ') + " / " + c.fault).toStdString();
        EXPECT_EQ(run.exitCode, 1) << what;
        EXPECT_EQ(QString::fromUtf8(run.err), a + "\t" + c.message + "\n") << what;
        EXPECT_TRUE(folderFiles(album()) == before) << what;
    }
}

// What recovery leaves alone is said in the program's language, as the
// rows' messages are.
TEST_F(CliTest, RecoveryTellsWhatItLeftAloneInTheChosenLanguage)
{
    QM_REQUIRE_TOOL("lame");
    QM_REQUIRE_MUTAGEN();
    const QString a = album() + "/a.mp3";
    makePictured({a}, 200000);
    const QByteArray before = readAll(a);
    const QByteArray rows =
        changedRows(cli({"read", "--no-info", a}).out, [](const QString &, QJsonObject &row) {
            row["Tit"] = QString("Longer title");
        });
    const struct {
        QString language;
        QString line;
    } cases[] = {
        {"ru", QString::fromUtf8("восстановление не тронуло %1: файл с тех пор изменен")},
        {"en", "recovery left %1 alone: changed since"},
    };
    for (const auto &c : cases) {
        ASSERT_TRUE(writeAll(a, before));
        const CliRun killed = cli({"apply", "--write-tag", "2"}, rows,
                                  {{"LD_PRELOAD", QM_FAULT_SHIM}, {"QM_FAULT_KILL_AT_WRITE", "1"}});
        ASSERT_EQ(killed.exitCode, -1) << killed.err.toStdString();
        // Another program changes the file before recovery sees it.
        ASSERT_TRUE(writeAll(a, readAll(a) + "appended"));
        const CliRun run = cli({"history"}, {}, {{"QUILLMARK_LANG", c.language}});
        EXPECT_EQ(QString::fromUtf8(run.err), "quillmark-cli: " + c.line.arg(a) + "\n")
            << c.language.toStdString();
    }
}

// A journal this user cannot read (another user's, left by a run under
// sudo) stays in the folder for the one who can.
TEST_F(CliTest, RecoveryKeepsAJournalItCannotRead)
{
    ASSERT_TRUE(writeAll(album() + "/a.mp3", "a"));
    const QByteArray rows =
        changedRows(cli({"read", "--no-info", album()}).out,
                    [](const QString &, QJsonObject &row) { row["New"] = QString("b"); });
    ASSERT_EQ(cli({"apply", "--rename"}, rows).exitCode, 0);
    const CliRun unreadable =
        cli({"history"}, {}, {{"LD_PRELOAD", QM_FAULT_SHIM}, {"QM_FAULT_FAIL", "open 13"}});
    EXPECT_EQ(unreadable.exitCode, 0) << unreadable.err.toStdString();
    EXPECT_TRUE(cli({"history"}).out.startsWith("1\t"));
    EXPECT_EQ(cli({"undo"}).exitCode, 0);
    EXPECT_EQ(readAll(album() + "/a.mp3"), "a");
}

// A tag write refused for want of room leaves the file as it was, its times
// too, so that the same rows applied again once there is room write it:
// an ID3v1 tag written over in place, and one added at the end.
TEST_F(CliTest, ATagWriteRefusedForWantOfRoomCanBeTriedAgain)
{
    QM_REQUIRE_TOOL("lame");
    QM_REQUIRE_TOOL("ffmpeg");
    QM_REQUIRE_MUTAGEN();
    const struct {
        const char *fault;
        bool tagged;
    } cases[] = {{"pwrite 28", true}, {"fallocate 28", false}};
    const QString path = album() + "/a.mp3";
    for (const auto &c : cases) {
        SCOPED_TRACE(c.fault);
        makeTagged(path, "Old", "1", "Album X");
        const auto rows = [this](const QString &title) {
            return cli({"edit", "--set", "Tit=" + title}, cli({"read", "--tag", "1", album()}).out)
                .out;
        };
        if (c.tagged)
            ASSERT_EQ(cli({"apply", "--write-tag", "1"}, rows("Old")).exitCode, 0);
        const QByteArray planned = rows("New");
        const CliRun full = cli({"apply", "--write-tag", "1"}, planned,
                                {{"LD_PRELOAD", QM_FAULT_SHIM}, {"QM_FAULT_FAIL", c.fault}});
        EXPECT_EQ(full.exitCode, 1) << full.err.toStdString();
        const CliRun again = cli({"apply", "--write-tag", "1"}, planned);
        EXPECT_EQ(again.exitCode, 0) << again.err.toStdString();
        EXPECT_EQ(readAll(path).right(128).mid(3, 3), "New");
    }
}

// Files a killed rename job with tags left, retagged in place by another
// program before the next run: recovery leaves every byte that program
// wrote, whether the job had reached the file or not.
TEST_F(CliTest, RecoveryLeavesFilesRetaggedSinceAKillAsTheyAre)
{
    QM_REQUIRE_TOOL("lame");
    QM_REQUIRE_TOOL("ffmpeg");
    QM_REQUIRE_MUTAGEN();
    const auto restore = [this] {
        QDir(folder_.file("data")).removeRecursively();
        QDir(album()).removeRecursively();
        ASSERT_TRUE(QDir().mkpath(album()));
        makeTagged(album() + "/a.mp3", "A", "1", "Album X");
        makeTagged(album() + "/b.mp3", "B", "2", "Album X");
    };
    restore();
    const QByteArray rows = changedRows(cli({"read", "--no-info", album()}).out,
                                        [](const QString &name, QJsonObject &row) {
                                            row["New"] = name + " new";
                                            row["Alb"] = QString("Album Y");
                                        });
    int kills = 0;
    for (int killAt = 1; killAt < 20; ++killAt) {
        SCOPED_TRACE(killAt);
        restore();
        const CliRun killed = cli(
            {"apply", "--rename", "--tag", "2"}, rows,
            {{"LD_PRELOAD", QM_FAULT_SHIM}, {"QM_FAULT_KILL_AT_CHANGE", QString::number(killAt)}});
        if (killed.exitCode != -1)
            break;
        ++kills;
        QStringList retag = {"-c",
                             "import sys\n"
                             "from mutagen.id3 import ID3, COMM\n"
                             "for p in sys.argv[1:]:\n"
                             "    t = ID3(p)\n"
                             "    t.add(COMM(encoding=3, lang='eng', desc='', text='other'))\n"
                             "    t.save()\n"};
        for (const QString &name : QDir(album()).entryList(QDir::Files))
            retag.append(album() + "/" + name);
        ASSERT_TRUE(runCommand(kPython, retag).ok());
        const QHash<QString, QByteArray> retagged = folderFiles(album());
        cli({"history"});
        EXPECT_TRUE(folderFiles(album()) == retagged);
    }
    EXPECT_GT(kills, 0);
}

// A mixed folder reads into one table: each FLAC, Ogg Vorbis and Opus file
// with the fields mutagen reads, its duration and its stream. An edit that
// fits goes in place, one that grows the comments rewrites the file; both
// keep every other comment, the picture and the audio, and the format's own
// tool passes the file.
TEST_F(CliTest, ReadsAndWritesFlacOggAndOpusFilesBesideMp3)
{
    requireVorbisTools();
    QM_REQUIRE_TOOL("lame");
    if (IsSkipped() || HasFatalFailure())
        return;
    makeTagged(album() + "/a.mp3", "First", "1", "Album X");
    QHash<QString, Format> formats; // by Ext
    for (const Format &format : kFormats) {
        QString error;
        const QString path = album() + "/" + format.name + "." + format.suffix;
        ASSERT_FALSE(qm::test::makeTagged(format, path, &error).isEmpty()) << error.toStdString();
        formats.insert(format.suffix, format);
    }
    const CliRun read = cli({"read", album()});
    ASSERT_EQ(read.exitCode, 0) << read.err.toStdString();
    const QList<QJsonObject> rows = jsonRows(read.out);
    ASSERT_EQ(rows.size(), 4);
    const QHash<QString, QString> streams = {{"flac", "FLAC, 44100 Hz, stereo, 16 bit"},
                                             {"ogg", "Vorbis, 44100 Hz, stereo, "},
                                             {"opus", "Opus, 48000 Hz, stereo, "}};
    for (const QJsonObject &row : rows) {
        const QString ext = row.value("Ext").toString();
        const QString path = album() + "/" + row.value("Old").toString() + "." + ext;
        SCOPED_TRACE(ext.toStdString());
        EXPECT_EQ(row.value("Siz").toString(), QString::number(QFileInfo(path).size()));
        if (ext == "mp3") {
            EXPECT_EQ(row.value("Tit").toString(), "First");
            continue;
        }
        EXPECT_EQ(row.value("Tit").toString(), QString::fromUtf8("Caf\u00e9"));
        EXPECT_EQ(row.value("Art").toString(), QString::fromUtf8("\u041a\u0438\u043d\u043e/Two"));
        EXPECT_EQ(row.value("Trc").toString(), "03/12");
        EXPECT_EQ(row.value("Com").toString(), "Words");
        EXPECT_EQ(row.value("Cmp").toString(), "C");
        EXPECT_EQ(row.value("Dur").toString(), "0:01");
        EXPECT_TRUE(row.value("Inf").toString().startsWith(streams.value(ext)))
            << row.value("Inf").toString().toStdString();
    }

    const struct {
        const char *code;
        QString text;
        const char *name; // of the comment in mutagen's list
        int at;           // its place there; -1: added at the end
        bool inPlace;
    } steps[] = {
        {"Tit", "New title", "TITLE", 0, true},
        {"Slt", QString("line\n").repeated(20000) + "end", "LYRICS", -1, false},
    };
    QHash<QString, QJsonArray> expected;
    QHash<QString, QJsonArray> pictures;
    QHash<QString, QByteArray> audio;
    for (const auto &[ext, format] : formats.asKeyValueRange()) {
        const QString path = album() + "/" + format.name + "." + ext;
        expected[ext] = vorbisRead(path).value("comments").toArray();
        pictures[ext] = vorbisRead(path).value("pictures").toArray();
        audio[ext] = audioMd5(path);
    }
    for (const auto &step : steps) {
        SCOPED_TRACE(step.code);
        QHash<QString, qint64> sizes;
        for (const auto &[ext, format] : formats.asKeyValueRange())
            sizes[ext] = QFileInfo(album() + "/" + format.name + "." + ext).size();
        const QByteArray edited =
            changedRows(cli({"read", album()}).out, [&](const QString &, QJsonObject &row) {
                if (row.value("Ext").toString() != "mp3")
                    row[step.code] = step.text;
            });
        const CliRun applied = cli({"apply", "--write-tag", "2"}, edited);
        ASSERT_EQ(applied.exitCode, 0) << applied.err.toStdString();
        for (const auto &[ext, format] : formats.asKeyValueRange()) {
            SCOPED_TRACE(format.name);
            const QString path = album() + "/" + format.name + "." + ext;
            const QJsonArray entry{step.name, step.text};
            if (step.at < 0)
                expected[ext].append(entry);
            else
                expected[ext][step.at] = entry;
            const QJsonObject mutagen = vorbisRead(path);
            EXPECT_TRUE(mutagen.value("comments").toArray() == expected.value(ext));
            EXPECT_EQ(mutagen.value("pictures").toArray(), pictures.value(ext));
            EXPECT_EQ(QFileInfo(path).size() == sizes.value(ext), step.inPlace);
            expectValid(format, path);
            EXPECT_EQ(audioMd5(path), audio.value(ext));
        }
    }
}

// The ID3v1 tag does not apply to these files, and a file whose metadata
// cannot be walked is not written: each row says why, and the file keeps
// every byte.
TEST_F(CliTest, RefusesId3v1AndUnwalkableFilesOfVorbisFormats)
{
    requireVorbisTools();
    if (IsSkipped() || HasFatalFailure())
        return;
    const QString good = album() + "/good.flac", bad = album() + "/bad.opus";
    QString error;
    ASSERT_FALSE(qm::test::makeTagged(kFormats[0], good, &error).isEmpty()) << error.toStdString();
    const QByteArray opus = qm::test::makeTagged(kFormats[2], bad, &error);
    ASSERT_FALSE(opus.isEmpty()) << error.toStdString();
    ASSERT_TRUE(writeAll(bad, opus.first(100)));
    const QByteArray goodBytes = readAll(good), badBytes = readAll(bad);
    const QList<std::pair<QString, QString>> english = {{"QUILLMARK_LANG", "en"}};
    const struct {
        QString tag;
        QString file;
        QString reason;
    } cases[] = {
        {"1", good, "ID3v1 does not apply to FLAC, Ogg and Opus files"},
        {"2", bad, "The file ends inside its headers"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.tag.toStdString());
        const CliRun read = cli({"read", "--tag", c.tag, c.file}, {}, english);
        ASSERT_EQ(read.exitCode, 0) << read.err.toStdString();
        ASSERT_EQ(jsonRows(read.out).size(), 1);
        EXPECT_EQ(jsonRows(read.out).first().value("Com").toString(), c.reason);
        EXPECT_EQ(jsonRows(read.out).first().value("Tit").toString(), "");
        const QByteArray edited = changedRows(
            read.out, [](const QString &, QJsonObject &row) { row["Tit"] = "New title"; });
        const CliRun applied = cli({"apply", "--write-tag", c.tag}, edited, english);
        EXPECT_EQ(applied.exitCode, 1);
        EXPECT_TRUE(QString::fromUtf8(applied.err).contains(c.reason)) << applied.err.toStdString();
        EXPECT_EQ(readAll(good), goodBytes);
        EXPECT_EQ(readAll(bad), badBytes);
    }
}
