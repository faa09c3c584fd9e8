#include "session/session.h"

#include "lists/listfile.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include "requiretools.h"

using namespace qm;
using F = FieldNumber;

namespace {

// A session reading and saving lists; the views it switches are its own.
struct ListSession {
    Session session;
    QStringList failures;
    QList<std::pair<QString, bool>> saved;

    ListSession()
    {
        SessionState state;
        state.allFormats = true;
        session.setState(state);
        QObject::connect(&session, &Session::listReadFailed,
                         [this](const QString &m) { failures.append(m); });
        QObject::connect(&session, &Session::listSaved, [this](const QString &path, bool ok) {
            saved.append({path, ok});
        });
    }
    void setAllFormats(bool on)
    {
        SessionState state = session.state();
        state.allFormats = on;
        session.setState(state);
    }
    QStringList column(F f) const
    {
        QStringList out;
        for (int r = 1; r <= session.table().lastFileRow(); ++r)
            out << session.table().cell(r, f);
        return out;
    }
};

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

// Saved as a column list and opened again, every view gives the same rows.
TEST(ListSession, ColumnListRoundTripInEveryView)
{
    QTemporaryDir dir;
    for (const TagView view : {TagView::None, TagView::Id3v1, TagView::Id3v2}) {
        ListSession s;
        s.session.setTagView(view);
        RowTable &t = s.session.table();
        for (int i = 0; i < 3; ++i) {
            const int r = t.appendRows(1);
            t.setCell(r, F::Dir, "/m/");
            t.setCell(r, F::Old, QStringLiteral("old%1").arg(i));
            t.setCell(r, F::New, QStringLiteral("new%1").arg(i));
            t.setCell(r, F::Ext, "mp3");
            if (view != TagView::None)
                t.setCell(r, F::Tit, i == 1 ? u"#Titles of the day"_qs : u"Заголовок"_qs);
        }
        const QString path = dir.filePath("list.txt");
        s.session.saveList(path, Session::ListFormat::Column);
        ASSERT_EQ(s.saved.value(0), std::make_pair(path, true));
        const RowTable before = t;
        s.session.openList(path, ListKind::Columns);
        s.session.waitForJobs();
        EXPECT_EQ(s.session.tagView(), view);
        for (F f : {F::Dir, F::Old, F::New, F::Ext, F::Tit})
            for (int r = 1; r <= 3; ++r)
                EXPECT_EQ(t.cell(r, f), before.cell(r, f)) << int(view) << " " << int(f);
        EXPECT_EQ(t.fileRowCount(), 3);
    }
}

// A column list of the Windows program: Windows-1251, CR LF, a common
// folder; and a plain play list without "#EXTM3U", whose names are split.
TEST(ListSession, ReadsWindowsListsAndPlainPlayLists)
{
    QTemporaryDir dir;
    ListSession s;
    const QString txt = dir.filePath("win.txt");
    ASSERT_TRUE(writeBytes(txt, "#Tag 1\r\n#Old name D:\\Music\\\r\n\xCF\xE5\xF1\xED\xFF\r\nb\r\n"
                                "#Expansion\r\nmp3\r\nmp3\r\n#Title\r\n\xC0\r\n"));
    s.session.openList(txt, ListKind::Columns);
    s.session.waitForJobs();
    EXPECT_EQ(s.column(F::Old), (QStringList{u"Песня"_qs, "b"}));
    EXPECT_EQ(s.column(F::Dir), (QStringList{"D:\\Music\\", "D:\\Music\\"}));
    EXPECT_EQ(s.column(F::Tit), (QStringList{u"А"_qs, ""}));
    EXPECT_EQ(s.session.tagView(), TagView::Id3v1);

    const QString m3u = dir.filePath("plain.m3u");
    ASSERT_TRUE(writeBytes(m3u, "a.mp3\nsub/b.ogg\n"));
    s.session.addList(m3u, ListKind::Columns);
    s.session.waitForJobs();
    EXPECT_EQ(s.column(F::Old), (QStringList{u"Песня"_qs, "b", "a", "b"}));
    EXPECT_EQ(s.column(F::Ext), (QStringList{"mp3", "mp3", "mp3", "ogg"}));
    EXPECT_EQ(s.column(F::New).last(), "b");
    EXPECT_EQ(s.column(F::Dir).last(), dir.path() + "/sub/");
}

TEST(ListSession, ListThatCannotBeReadOrWritten)
{
    QTemporaryDir dir;
    ListSession s;
    s.session.addList(dir.filePath("missing.txt"), ListKind::Columns);
    s.session.waitForJobs();
    EXPECT_EQ(s.failures, QStringList{CannotOpenFileText() + dir.filePath("missing.txt")});
    EXPECT_EQ(s.session.table().fileRowCount(), 0);
    s.session.table().appendFileRow("/m/", "a.mp3");
    s.session.saveList(dir.filePath("none/x.txt"), Session::ListFormat::Special);
    EXPECT_EQ(s.saved.value(0), std::make_pair(dir.filePath("none/x.txt"), false));
}

// A device or a pipe that a list names makes no row, in either kind of
// list; a file and a name that is not there do.
TEST(ListSession, DeviceOrPipeInAListMakesNoRow)
{
    QTemporaryDir dir;
    const QString folder = dir.path() + u'/';
    ASSERT_EQ(mkfifo(QFile::encodeName(folder + "pipe.mp3").constData(), 0600), 0);
    ASSERT_TRUE(writeBytes(folder + "a.mp3", ""));
    ASSERT_TRUE(writeBytes(folder + "list.m3u", "/dev/null\npipe.mp3\na.mp3\ngone.mp3\n"));
    const QByteArray dirLine = QFile::encodeName(folder) + "\n";
    ASSERT_TRUE(writeBytes(folder + "list.txt", "#Path\n/dev/\n" + dirLine.repeated(3)
                                                    + "#Old name\nnull\npipe\na\ngone\n"
                                                      "#Expansion\n\nmp3\nmp3\nmp3\n"));
    for (const QString &list : {folder + "list.m3u", folder + "list.txt"}) {
        ListSession s;
        s.session.addList(list, ListKind::Columns);
        s.session.waitForJobs();
        EXPECT_EQ(s.column(F::Old), (QStringList{"a", "gone"})) << list.toStdString();
    }
}

// The play list is written once the durations are read.
TEST(ListSession, PlayListWaitsForTheDurations)
{
    QTemporaryDir dir;
    QFile raw(dir.filePath("a.raw"));
    ASSERT_TRUE(raw.open(QIODevice::WriteOnly));
    raw.write(QByteArray(44100 * 2 * 3, '\0'));
    raw.close();
    const QString mp3 = dir.filePath("a.mp3");
    if (QProcess::execute("lame", {"-r", "-s", "44.1", "--bitwidth", "16", "-m", "m", "--silent",
                                   raw.fileName(), mp3})
        != 0)
        QM_MISSING_TOOL("lame is not installed");
    ListSession s;
    s.setAllFormats(false);
    s.session.table().appendFileRow(dir.path() + "/", "a.mp3");
    s.session.completeAddedRows(1);
    s.session.waitForJobs();
    ASSERT_TRUE(s.column(F::Dur).value(0).isEmpty());
    const QString path = dir.filePath("list.m3u");
    s.session.saveList(path, Session::ListFormat::M3u);
    s.session.waitForJobs();
    ASSERT_EQ(s.saved.value(0), std::make_pair(path, true));
    QStringList lines;
    ASSERT_TRUE(ReadListFile(path, lines));
    EXPECT_EQ(s.column(F::Dur), QStringList{"0:03"});
    EXPECT_EQ(lines, (QStringList{"#EXTM3U", "#EXTINF:3,a", "a.mp3"}));
}

// A list's own values stand and the fields it does not carry come from the
// files, whatever view is on: a play list keeps the user's view, and a
// column list with tags but no file information is not read over by the
// information read.
TEST(ListSession, ListValuesStandAndTheOtherFieldsAreRead)
{
    QTemporaryDir dir;
    const QString mp3 = dir.filePath("a.mp3");
    QFile raw(dir.filePath("a.raw"));
    ASSERT_TRUE(raw.open(QIODevice::WriteOnly));
    raw.write(QByteArray(44100 * 2, '\0'));
    raw.close();
    if (QProcess::execute("lame", {"-r", "-s", "44.1", "--bitwidth", "16", "-m", "m", "--silent",
                                   raw.fileName(), mp3})
            != 0
        || QProcess::execute("mid3v2", {"-a", "File Artist", "-A", "File Album", "-t", "File Title",
                                        "-T", "13/19", "-c", "first\nsecond", mp3})
               != 0)
        QM_MISSING_TOOL("lame or mid3v2 is not installed");
    const QByteArray folder = dir.path().toUtf8() + "/";
    struct Case {
        const char *name;
        QByteArray list;
        QStringList artTitAlb;
        bool open; // into the emptied table, else after a row
    };
    const Case cases[] = {
        {"list.m3u",
         "#EXTM3U\n#EXTINF:1,List Artist - List Title\na.mp3\n",
         {"List Artist", "List Title", "File Album"},
         true},
        {"titled.m3u",
         "#EXTINF:1,List Title\na.mp3\n",
         {"File Artist", "List Title", "File Album"},
         false},
        // A list line holds the file's comment with a blank for its line
        // break: that is the file's comment, not a new one.
        {"list.txt",
         "#Tag 2\n#Path\n" + folder
             + "\n#Old name\na\n#Expansion\nmp3\n#Title\nList\n#Comment\nfirst second\n",
         {"File Artist", "List", "File Album"},
         false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = dir.filePath(c.name);
        ASSERT_TRUE(writeBytes(path, c.list));
        ListSession s;
        s.setAllFormats(false);
        s.session.setTagView(TagView::Id3v2);
        s.session.setFileInfo(true);
        s.session.table().appendFileRow("/elsewhere/", "x.mp3");
        if (c.open)
            s.session.openList(path, ListKind::Columns);
        else
            s.session.addList(path, ListKind::Columns);
        s.session.waitForJobs();
        EXPECT_EQ(s.session.tagView(), TagView::Id3v2);
        const RowTable &t = s.session.table();
        const int r = t.lastFileRow();
        ASSERT_EQ(t.cell(r, F::Old), "a");
        EXPECT_EQ((QStringList{t.cell(r, F::Art), t.cell(r, F::Tit), t.cell(r, F::Alb)}),
                  c.artTitAlb);
        EXPECT_EQ(t.cell(r, F::Trc), "13/19");
        EXPECT_EQ(t.cell(r, F::Com), "first\nsecond");
    }
}
