#include "formats/pathcodec.h"
#include "lists/columnlist.h"
#include "lists/listfile.h"
#include "lists/listreader.h"
#include "lists/m3u.h"
#include "lists/speclist.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <filesystem>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace qm;

namespace {

using F = FieldNumber;

struct Cells {
    QString dir, old, ext, dur, art, tit;
};

RowTable tableOf(const std::vector<Cells> &rows)
{
    RowTable t;
    for (const Cells &c : rows) {
        const int r = t.appendRows(1);
        t.setCell(r, F::No, QString::number(r));
        t.setCell(r, F::Dir, c.dir);
        t.setCell(r, F::Old, c.old);
        t.setCell(r, F::New, c.old);
        t.setCell(r, F::Ext, c.ext);
        t.setCell(r, F::Dur, c.dur);
        t.setCell(r, F::Art, c.art);
        t.setCell(r, F::Tit, c.tit);
    }
    return t;
}

// Reads `lines` into `t` as the add job does; returns the reader's state.
ListReader readInto(RowTable &t, ListKind kind, const QStringList &lines,
                    const QString &listPath = QStringLiteral("/music/list.m3u"))
{
    ListReader reader(t, kind, listPath);
    for (const QString &line : lines)
        if (!reader.readLine(line))
            break;
    reader.finish();
    return reader;
}

QStringList column(const RowTable &t, F f)
{
    QStringList out;
    for (int r = 1; r <= t.lastFileRow(); ++r)
        out << t.cell(r, f);
    return out;
}

} // namespace

TEST(ListText, DecodesUtf8OrLegacyAndSplitsEveryLineEnd)
{
    EXPECT_EQ(ListTextLines("\xEF\xBB\xBF\xD0\x90\r\nb\nc\rd\r\n"),
              (QStringList{u"А"_qs, "b", "c", "d"}));
    // Windows-1251 bytes are not UTF-8: the legacy code page decodes them.
    EXPECT_EQ(ListTextLines("#Title\r\n\xCF\xF0\xE8\xE2\xE5\xF2\r\n"),
              (QStringList{"#Title", u"Привет"_qs}));
    EXPECT_EQ(ListTextLines("\r\n"), QStringList{""});
    EXPECT_TRUE(ListTextLines("").isEmpty());
    EXPECT_EQ(ListTextBytes({u"Я"_qs, ""}), QByteArray("\xD0\xAF\r\n\r\n"));
}

TEST(ListText, DecodesUtf16ByItsMarkOrItsZeroBytes)
{
    const QString text = u"#EXTM3U\r\n/м/a.mp3\r\n"_qs;
    const QByteArray le(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
    QByteArray be = le;
    for (qsizetype i = 0; i + 1 < be.size(); i += 2)
        std::swap(be[i], be[i + 1]);
    const QStringList lines{"#EXTM3U", u"/м/a.mp3"_qs};
    for (const QByteArray &bytes : {"\xFF\xFE" + le, "\xFE\xFF" + be, le, be}) {
        EXPECT_EQ(ListTextLines(bytes), lines);
        EXPECT_EQ(ListTextLines(bytes, true), lines);
    }
}

TEST(ListText, FileThatCannotBeReadOrWrittenFails)
{
    QTemporaryDir dir;
    QStringList lines{"x"};
    EXPECT_FALSE(ReadListFile(dir.filePath("missing.txt"), lines));
    EXPECT_TRUE(lines.isEmpty());
    EXPECT_FALSE(WriteListFile(dir.filePath("no/such/folder/list.txt"), {"a"}));
    const QString path = dir.filePath("list.m3u8");
    ASSERT_TRUE(WriteListFile(path, {"#EXTM3U", u"Ж.mp3"_qs}));
    ASSERT_TRUE(ReadListFile(path, lines));
    EXPECT_EQ(lines, (QStringList{"#EXTM3U", u"Ж.mp3"_qs}));

    // A folder and a list named in Windows-1251 are reached by their own
    // bytes; a list written over keeps its mode and leaves nothing beside.
    const QByteArray folder = QFile::encodeName(dir.path()) + "/\xe0\xeb\xfc\xe1\xee\xec";
    ASSERT_EQ(mkdir(folder.constData(), 0700), 0);
    const QByteArray rawList = folder + "/\xf1\xef\xe8\xf1\xee\xea.m3u";
    ASSERT_TRUE(WriteListFile(decodeFileName(rawList), {"a"}));
    ASSERT_EQ(chmod(rawList.constData(), 0640), 0);
    ASSERT_TRUE(WriteListFile(decodeFileName(rawList), {"b"}));
    ASSERT_TRUE(ReadListFile(decodeFileName(rawList), lines));
    EXPECT_EQ(lines, QStringList{"b"});
    struct stat info {};
    ASSERT_EQ(stat(rawList.constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    const auto entries = std::filesystem::directory_iterator(folder.constData());
    EXPECT_EQ(std::distance(begin(entries), end(entries)), 1);
    // QTemporaryDir cannot remove names Qt cannot encode.
    std::filesystem::remove_all(folder.constData());
}

// A pipe, reached also through a link, stays a pipe and gets the list.
TEST(ListText, PipeIsWrittenIntoNotReplaced)
{
    QTemporaryDir dir;
    const QByteArray fifo = QFile::encodeName(dir.filePath("out.m3u"));
    ASSERT_EQ(mkfifo(fifo.constData(), 0600), 0);
    const QString link = dir.filePath("link.m3u");
    ASSERT_TRUE(QFile::link(dir.filePath("out.m3u"), link));
    const int reader = open(fifo.constData(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    for (const QString &path : {QFile::decodeName(fifo), link}) {
        ASSERT_TRUE(WriteListFile(path, {"#EXTM3U", "a.mp3"}));
        char got[64] = {};
        EXPECT_EQ(QByteArray(got, int(read(reader, got, sizeof got))), "#EXTM3U\r\na.mp3\r\n");
        struct stat info {};
        ASSERT_EQ(lstat(fifo.constData(), &info), 0);
        EXPECT_TRUE(S_ISFIFO(info.st_mode));
    }
    close(reader);
    EXPECT_EQ(QDir(dir.path())
                  .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)
                  .size(),
              2);
}

TEST(ColumnList, WritesTagLineAndUsedColumnsInPositionOrder)
{
    RowTable t = tableOf({{"/a/", "x", "mp3", "", "", "T1"},
                          {"/a/", "y", "mp3", "", "", ""},
                          {"/a/", "z", "", "", "", "T3"}});
    EXPECT_EQ(ColumnListLines(t, TagView::Id3v1),
              (QStringList{"#Tag 1", "#Path",     "/a/", "/a/", "/a/", "#Old name",  "x",   "y",
                           "z",      "#New name", "x",   "y",   "z",   "#Expansion", "mp3", "mp3",
                           "",       "#Title",    "T1",  "",    "T3"}));
}

TEST(ColumnList, ReadsBlocksFromTheFirstNewRow)
{
    RowTable t = tableOf({{"/keep/", "k", "", "", "", ""}});
    const ListReader r = readInto(t, ListKind::Columns,
                                  {"#Old name /common/", "a", "b", "c", "#Path", "/p/", "#Duration",
                                   "3:07", "#Tag 2", "#Artist", "#not a header"});
    EXPECT_EQ(column(t, F::Old), (QStringList{"k", "a", "b", "c"}));
    // The common folder wins over the shorter "#Path" block.
    EXPECT_EQ(column(t, F::Dir), (QStringList{"/keep/", "/common/", "/common/", "/common/"}));
    EXPECT_EQ(column(t, F::Dur), (QStringList{"", "3:07", "", ""}));
    EXPECT_EQ(column(t, F::Art), (QStringList{"", "#not a header", "", ""}));
    EXPECT_EQ(r.filesAdded(), 3);
    EXPECT_TRUE(r.carriedFileInfo());
    EXPECT_EQ(r.carriedTagVersion(), 2);
}

TEST(ColumnList, PlainTextFillsNewAndEXTM3USwitchesToPlayListRules)
{
    RowTable t;
    readInto(t, ListKind::Columns, {"one", "two"});
    EXPECT_EQ(column(t, F::New), (QStringList{"one", "two"}));
    RowTable p;
    const ListReader r = readInto(p, ListKind::Columns, {"#EXTM3U", "#EXTINF:5,A - B", "x.mp3"});
    EXPECT_EQ(r.kind(), ListKind::PlayList);
    EXPECT_EQ(column(p, F::Old), QStringList{"x.mp3"});
}

TEST(ColumnList, EveryCellReadsBackAsWritten)
{
    const QStringList cells{
        "#Titles of the day", "##Title", "#EXTM3U x", "#Tag 1", "# plain", "", "plain", "###Path"};
    RowTable t;
    for (const QString &c : cells)
        t.setCell(t.appendRows(1), F::Tit, c);
    t.setCell(1, F::Old, "line\r\nbreak\nand\rmore");
    const QStringList lines = ColumnListLines(t, TagView::Id3v2);
    RowTable back;
    readInto(back, ListKind::Columns, lines);
    EXPECT_EQ(column(back, F::Tit), cells);
    EXPECT_EQ(back.cell(1, F::Old), "line break and more");
    EXPECT_EQ(back.rowCount(), t.rowCount());
}

TEST(M3u, WritesDurationsAndPathsRelativeToTheList)
{
    // Letter case tells /Music from /music; a name without extension has
    // no dot; a Windows folder gets no "/" after its "\".
    RowTable t = tableOf({{"/Music/Rock", "a", "mp3", "3:07", "Art", "Tit"},
                          {"/Other/", "b", "", "", "", ""},
                          {u"/music/Рок/"_qs, "c", "ogg", "1:02:03", "", ""},
                          {"C:\\Music\\", "d", "mp3", "", "", ""}});
    EXPECT_EQ(M3uLines(t, TagView::None, "/music/list.m3u"),
              (QStringList{"#EXTM3U", "#EXTINF:187,a", "/Music/Rock/a.mp3", "/Other/b",
                           "#EXTINF:3723,c", u"Рок/c.ogg"_qs, "C:\\Music\\d.mp3"}));
    EXPECT_EQ(M3uLines(t, TagView::Id3v2, "/Music/l.m3u").mid(1, 3),
              (QStringList{"#EXTINF:187,Art - Tit", "Rock/a.mp3", "#EXTINF:0, - "}));
    EXPECT_TRUE(CompleteDirSeparators(t));
    EXPECT_EQ(t.cell(1, F::Dir), "/Music/Rock/");
    EXPECT_EQ(t.cell(4, F::Dir), "C:\\Music\\");
}

// Names that a relative line would misname keep their whole path.
TEST(M3u, EveryPathLineReadsBackAsItsFile)
{
    RowTable t = tableOf({{"/music/", "#1 Hit", "mp3", "", "", ""},
                          {"/music/#sub/", "x", "mp3", "", "", ""},
                          {"", "#y", "mp3", "", "", ""},
                          {"/music/", "AC\\DC", "mp3", "", "", ""},
                          {"/music/", "file:x", "mp3", "", "", ""},
                          {"/music/", "x", "mp3", "", "", ""}});
    const QStringList lines = M3uLines(t, TagView::None, "/music/list.m3u");
    EXPECT_EQ(lines, (QStringList{"#EXTM3U", "/music/#1 Hit.mp3", "/music/#sub/x.mp3", "./#y.mp3",
                                  "/music/AC\\DC.mp3", "/music/file:x.mp3", "x.mp3"}));
    RowTable back;
    readInto(back, ListKind::PlayList, lines, "/music/list.m3u");
    EXPECT_EQ(column(back, F::Dir), (QStringList{"/music/", "/music/#sub/", "/music/./", "/music/",
                                                 "/music/", "/music/"}));
    EXPECT_EQ(column(back, F::Old),
              (QStringList{"#1 Hit.mp3", "x.mp3", "#y.mp3", "AC\\DC.mp3", "file:x.mp3", "x.mp3"}));
}

TEST(M3u, DurationForms)
{
    const std::vector<std::pair<QString, int>> cases{
        {"", 0}, {"3:07", 187}, {"12:34", 754}, {"1:02:03", 3723}, {"x", 0}, {"1:99:00", 0}};
    for (const auto &[dur, seconds] : cases)
        EXPECT_EQ(DurationSeconds(dur), seconds) << dur.toStdString();
    EXPECT_EQ(DurationText(5025), "1:23:45");
    EXPECT_EQ(DurationText(187), "3:07");
}

TEST(M3u, ReadsPlayListsOfTodayAndOfWindows)
{
    RowTable t;
    const ListReader r =
        readInto(t, ListKind::PlayList,
                 {"#EXTM3U", "#PLAYLIST:x", "#EXTINF:5025,Artist - Title", "Rock\\a.mp3",
                  "#EXTINF:-1,Stream", "\\Other\\b.mp3", "", "#EXTALB:y", "D:\\Music\\c.mp3",
                  "#EXTINF:-1,Radio - One", "http://radio.example/live", "file:///srv/m%20p3/d.mp3",
                  "sub/e.mp3", "/abs/f.mp3", "#EXTINF:x,bad", "never.mp3"},
                 "/music/list.m3u");
    EXPECT_EQ(column(t, F::Dir), (QStringList{"/music/Rock/", "/Other/", "D:\\Music\\",
                                              "/srv/m p3/", "/music/sub/", "/abs/"}));
    EXPECT_EQ(column(t, F::Old),
              (QStringList{"a.mp3", "b.mp3", "c.mp3", "d.mp3", "e.mp3", "f.mp3"}));
    EXPECT_EQ(column(t, F::Dur), (QStringList{"1:23:45", "", "", "", "", ""}));
    EXPECT_EQ(column(t, F::Art), (QStringList{"Artist", "", "", "", "", ""}));
    EXPECT_EQ(column(t, F::Tit), (QStringList{"Title", "Stream", "", "", "", ""}));
    EXPECT_EQ(r.filesAdded(), 6);
    // A stream is passed over with its information line; the view stays.
    EXPECT_EQ(r.streamsSkipped(), 1);
    EXPECT_EQ(r.carriedTagVersion(), 0);
}

TEST(M3u, DurationTooLargeIsUnknownAndTheEntryStays)
{
    RowTable t;
    const ListReader r =
        readInto(t, ListKind::PlayList,
                 {"#EXTINF:99999999999,A - B", "a.mp3", "#EXTINF:-123456789012345678901,C", "b.mp3",
                  "#EXTINF:1.5,D", "never.mp3"});
    EXPECT_EQ(column(t, F::Old), (QStringList{"a.mp3", "b.mp3"}));
    EXPECT_EQ(column(t, F::Dur), (QStringList{"", ""}));
    EXPECT_EQ(column(t, F::Tit), (QStringList{"B", "C"}));
    EXPECT_EQ(r.filesAdded(), 2);
}

// A file URL's percent-encoded bytes are the name's bytes, UTF-8 or not.
TEST(M3u, FileUrlsNameTheFilesOfTheirBytes)
{
    RowTable t;
    readInto(t, ListKind::PlayList,
             {"file:///srv/caf%E9.mp3", "FILE:///srv/%D0%B0.mp3", "file:/srv/g.mp3"},
             "/music/list.m3u");
    EXPECT_EQ(column(t, F::Dir), (QStringList{"/srv/", "/srv/", "/srv/"}));
    EXPECT_EQ(column(t, F::Old),
              (QStringList{QStringLiteral("caf") + rawByteChar(0xE9) + QStringLiteral(".mp3"),
                           QStringLiteral(u"\u0430.mp3"), "g.mp3"}));
}

TEST(M3u, RoundTripKeepsPathsAndTags)
{
    // A folder named in Windows-1251 ("\xC0") goes as a URL of its bytes,
    // which other players resolve too.
    const QString rawFolder = QStringLiteral("/music/") + rawByteChar(0xC0) + u'/';
    RowTable t = tableOf({{"/music/A/", "a", "mp3", "3:07", "X", "Y"},
                          {"/elsewhere/", "b", "mp3", "1:00:00", "P", "Q"},
                          {rawFolder, "c", "mp3", "0:05", "Ё", "Й"},
                          {"/music/", "two\nlines", "mp3", "0:05", "A", "B\r\nC"}});
    const QByteArray bytes = ListTextBytes(M3uLines(t, TagView::Id3v1, "/music/list.m3u"));
    EXPECT_TRUE(bytes.contains("\r\nfile:///music/%C0/c.mp3\r\n"));
    RowTable back;
    readInto(back, ListKind::PlayList, ListTextLines(bytes, false), "/music/list.m3u");
    for (F f : {F::Dir, F::Dur, F::Art})
        EXPECT_EQ(column(back, f), column(t, f));
    // A line break in a title becomes a blank; in a name, the name's URL.
    EXPECT_EQ(column(back, F::Tit), (QStringList{"Y", "Q", "Й", "B C"}));
    EXPECT_EQ(column(back, F::Old), (QStringList{"a.mp3", "b.mp3", "c.mp3", "two\nlines.mp3"}));
}

TEST(SpecList, ExpandsCodesFoldersAndTitleLines)
{
    RowTable t = tableOf({{"/m/Rock/", "", "", "1:00", "", "A"},
                          {"/m/Rock/", "", "", "", "", "B"},
                          {"/m/Jazz/", "", "", "", "", "C"}});
    t.setCell(3, F::No, "1");
    t.setCell(1, F::Alb, "Al");
    t.setCell(3, F::Alb, "Bl");
    const SpecListTemplates plain{"%ns.%TT (%DU) %ZZ %", "#%AL %NF %FN", true};
    EXPECT_EQ(SpecListLines(t, plain, {}),
              (QStringList{"1.A (1:00) %ZZ %", "2.B () %ZZ %", "1.C () %ZZ %"}));
    const SpecListTemplates folders{"%NF-%NS %FN", "#%AL %NF", true};
    EXPECT_EQ(SpecListLines(t, folders, {true, true}),
              (QStringList{"#Al 01", "01-1 Rock", "01-2 Rock", "#Bl 02", "02-1 Jazz"}));
    EXPECT_EQ(SpecListLines(t, {"%NF", "#", false}, {true, false}), (QStringList{"1", "1", "2"}));
    EXPECT_EQ(SpecListLines(t, {"%NF", "#", true}, {false, true}), (QStringList{"00", "00", "00"}));
}

TEST(SpecList, CellWithLineBreaksStaysOnItsRowsLine)
{
    RowTable t = tableOf({{"/m/", "", "", "", "", "A\r\nB"}, {"/m/", "", "", "", "", "C"}});
    t.setCell(1, F::Alb, "x\ny");
    t.setCell(1, F::No, "1");
    EXPECT_EQ(SpecListLines(t, {"%NS.%TT", "%AL", true}, {true, false}),
              (QStringList{"x y", "1.A B", "2.C"}));
}
