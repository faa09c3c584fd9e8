#include "formats/codepage.h"
#include "jobs/folderplan.h"
#include "jobs/jobrunner.h"
#include "jobs/writejob.h"
#include "journal/journal.h"
#include "options/options.h"
#include "table/rowtable.h"

#include "testfiles.h"
#include "waitidle.h"

#include <QDir>
#include <QDirIterator>
#include <QStringEncoder>

#include <map>

#include <gtest/gtest.h>

using namespace qm;
using F = FieldNumber;

namespace {

using Tree = std::map<QString, QByteArray>;

// Every file under `root` by its path inside it, and every folder with a
// trailing "/", hidden ones included.
Tree treeOf(const QString &root)
{
    Tree tree;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString name = path.mid(root.size() + 1);
        if (it.fileInfo().isDir())
            tree[name + u'/'] = {};
        else
            tree[name] = test::readAll(path);
    }
    return tree;
}

void makeTree(const QString &root, const Tree &tree)
{
    for (const auto &[name, bytes] : tree) {
        if (name.endsWith(u'/')) {
            ASSERT_TRUE(QDir(root).mkpath(name));
            continue;
        }
        ASSERT_TRUE(QDir(root).mkpath(QFileInfo(name).path()));
        ASSERT_TRUE(test::writeAll(root + u'/' + name, bytes));
    }
}

} // namespace

TEST(ListEntries, MovedFilesAreNamedAnewInTheListsOwnBytes)
{
    const auto utf16le = [](const char16_t *text) {
        return QByteArray(
            QStringEncoder(QStringConverter::Utf16LE).encode(QString::fromUtf16(text)));
    };
    ASSERT_TRUE(LegacyCodepage::setName(u"windows-1251"_qs));
    const QHash<QString, QString> moved{
        {u"/m/A/01.mp3"_qs, u"/m/B/1 One.mp3"_qs},
        {u"/m/A/CD2/02.mp3"_qs, u"/m/B/2 Два.mp3"_qs},
        {u"/m/A/Трек.mp3"_qs, u"/m/B/Песня.mp3"_qs},
    };
    struct Case {
        const char *what;
        bool cue;
        QByteArray in;
        QByteArray out; // empty: nothing to change
    };
    const std::vector<Case> cases{
        {"quoted FILE lines, CR LF kept", true,
         "REM GENRE Rock\r\nFILE \"01.mp3\" MP3\r\n  TRACK 01 AUDIO\r\nFILE \"other.mp3\" MP3\r\n",
         "REM GENRE Rock\r\nFILE \"1 One.mp3\" MP3\r\n  TRACK 01 AUDIO\r\nFILE \"other.mp3\" "
         "MP3\r\n"},
        {"an unquoted name, a subfolder and Windows separators", true,
         "file 01.mp3 MP3\nFILE \"CD2\\02.mp3\" WAVE",
         "file 1 One.mp3 MP3\nFILE \"2 Два.mp3\" WAVE"},
        {"an 8-bit cue stays 8-bit", true, "FILE \"\xD2\xF0\xE5\xEA.mp3\" MP3\n",
         "FILE \"\xCF\xE5\xF1\xED\xFF.mp3\" MP3\n"},
        {"a UTF-8 mark before the first line", true,
         "\xEF\xBB\xBF"
         "FILE \"01.mp3\" MP3\n",
         "\xEF\xBB\xBF"
         "FILE \"1 One.mp3\" MP3\n"},
        {"a UTF-16 cue stays UTF-16", true,
         QByteArray("\xFF\xFE") + utf16le(u"FILE \"01.mp3\" MP3\r\n"),
         QByteArray("\xFF\xFE") + utf16le(u"FILE \"1 One.mp3\" MP3\r\n")},
        {"nothing named that moved", true, "FILE \"x.wav\" WAVE\n", ""},
        {"a play list: entries, not comments", false,
         "#EXTM3U\n#EXTINF:1,01.mp3\n01.mp3\nCD2/02.mp3\n/m/A/01.mp3\n/elsewhere.mp3\n",
         "#EXTM3U\n#EXTINF:1,01.mp3\n1 One.mp3\n2 Два.mp3\n/m/B/1 One.mp3\n/elsewhere.mp3\n"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(RenameListEntries(c.in, c.cue, u"/m/A"_qs, u"/m/B"_qs, moved), c.out);
    }
}

// Albums moved whole by kind 117: each row's file goes to New, the album's
// other files follow when all its audio files go to one new folder, the
// folders left empty go, and one undo gives back the tree as it was.
TEST(AlbumMove, WholeAlbumsTakeTheirOtherFilesAndLeaveNoEmptyFolder)
{
    const QByteArray cue = "FILE \"01.mp3\" MP3\r\n  TRACK 01 AUDIO\r\nFILE \"02.mp3\" MP3\r\n";
    const QByteArray newCue = "FILE \"1.mp3\" MP3\r\n  TRACK 01 AUDIO\r\nFILE \"2.mp3\" MP3\r\n";
    const Tree album{{u"A/01.mp3"_qs, "1"},
                     {u"A/02.mp3"_qs, "2"},
                     {u"A/cover.jpg"_qs, "jpg"},
                     {u"A/album.cue"_qs, cue},
                     {u"A/notes.txt"_qs, "notes"}};
    const auto with = [](Tree tree, const Tree &more) {
        for (const auto &[name, bytes] : more)
            tree[name] = bytes;
        return tree;
    };
    const Tree moved{
        {u"lib/"_qs, {}}, {u"lib/X/"_qs, {}}, {u"lib/X/1.mp3"_qs, "1"}, {u"lib/X/2.mp3"_qs, "2"}};
    const Tree companions{{u"lib/X/cover.jpg"_qs, "jpg"},
                          {u"lib/X/album.cue"_qs, newCue},
                          {u"lib/X/notes.txt"_qs, "notes"}};
    const Tree stayed{{u"A/"_qs, {}},
                      {u"A/cover.jpg"_qs, "jpg"},
                      {u"A/album.cue"_qs, cue},
                      {u"A/notes.txt"_qs, "notes"}};
    const std::vector<std::pair<QString, QString>> toX{{u"A/01"_qs, u"../lib/X/1"_qs},
                                                       {u"A/02"_qs, u"../lib/X/2"_qs}};
    struct Case {
        const char *what;
        Tree before;
        std::vector<std::pair<QString, QString>> rows; // Dir/Old -> New
        Tree after;
        QStringList messages;
    };
    const std::vector<Case> cases{
        {"a whole album takes its other files and its folder goes",
         album,
         toX,
         with(moved, companions),
         {}},
        {"an album split in two leaves its other files and its folder",
         album,
         {{u"A/01"_qs, u"../lib/X/1"_qs}, {u"A/02"_qs, u"../lib/Y/2"_qs}},
         with(stayed, {{u"lib/"_qs, {}},
                       {u"lib/X/"_qs, {}},
                       {u"lib/X/1.mp3"_qs, "1"},
                       {u"lib/Y/"_qs, {}},
                       {u"lib/Y/2.mp3"_qs, "2"}}),
         {}},
        {"an audio file outside the table keeps the album where it is",
         with(album, {{u"A/03.flac"_qs, "3"}}),
         toX,
         with(with(moved, stayed), {{u"A/03.flac"_qs, "3"}}),
         {}},
        {"a companion whose name is taken stays, listed",
         with(album, {{u"lib/X/cover.jpg"_qs, "theirs"}}),
         toX,
         with(with(moved, companions),
              {{u"lib/X/cover.jpg"_qs, "theirs"}, {u"A/"_qs, {}}, {u"A/cover.jpg"_qs, "jpg"}}),
         {WriteMessage::TargetExists()}},
        {"a hidden file keeps its folder",
         with(album, {{u"A/.hidden"_qs, "h"}}),
         toX,
         with(with(moved, companions), {{u"A/"_qs, {}}, {u"A/.hidden"_qs, "h"}}),
         {}},
        {"emptied parents go up to the folder the table was filled from",
         {{u"P/A/01.mp3"_qs, "1"},
          {u"P/A/list.m3u8"_qs, "#EXTM3U\n01.mp3\n"},
          {u"Q/B/02.mp3"_qs, "2"},
          {u"Q/keep/"_qs, {}}},
         {{u"P/A/01"_qs, u"../../lib/X/1"_qs}, {u"Q/B/02"_qs, u"../../lib/Y/2"_qs}},
         {{u"lib/"_qs, {}},
          {u"lib/X/"_qs, {}},
          {u"lib/X/1.mp3"_qs, "1"},
          {u"lib/X/list.m3u8"_qs, "#EXTM3U\n1.mp3\n"},
          {u"lib/Y/"_qs, {}},
          {u"lib/Y/2.mp3"_qs, "2"},
          {u"Q/"_qs, {}},
          {u"Q/keep/"_qs, {}}},
         {}},
    };
    WriteSettings settings;
    settings.MoveCompanions = true;
    settings.CompanionPatterns = QString::fromUtf16(Options::kDefaultCompanionPatterns).split(u';');
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        test::TempFolder dir;
        makeTree(dir.path(), c.before);
        const Tree before = treeOf(dir.path());
        RowTable table;
        for (const auto &[oldName, newName] : c.rows) {
            const QFileInfo file(dir.path() + u'/' + oldName);
            const int row = table.appendFileRow(file.path(), file.fileName());
            table.setCell(row, F::Ext, u"mp3"_qs);
            table.setCell(row, F::New, newName);
        }
        JobRunner runner;
        FixedAnswers answers(Answer::YesToAll);
        auto job = std::make_shared<WriteJob>(table, 1, table.lastFileRow(), WriteKind::Apply,
                                              settings, answers);
        runner.start(JobKind::Update, job, [&] { runner.setControlsEnabled(true); });
        ASSERT_TRUE(WaitUntilIdle(runner));
        QStringList messages;
        for (const QStringList &row : job->errorTable().rows)
            messages << row.last();
        EXPECT_EQ(messages, c.messages);
        EXPECT_EQ(treeOf(dir.path()), c.after);
        journal::undo();
        EXPECT_EQ(treeOf(dir.path()), before) << "after undo";
    }
}
