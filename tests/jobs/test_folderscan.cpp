#include "jobs/folderscan.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using qm::MatchesFilter;
using qm::ScanFolders;
using qm::ScanSettings;

namespace {

bool accepts(const QString &filter, const QString &name, bool caseSensitive = false)
{
    return MatchesFilter(filter, caseSensitive, name);
}

} // namespace

TEST(MatchesFilter, FilterTextCaptionsAndDelimiters)
{
    EXPECT_TRUE(accepts(u"Все файлы <*.*>"_qs, u"song.mp3"_qs));
    EXPECT_FALSE(accepts(u"Все файлы <*.*>"_qs, u"README"_qs));
    EXPECT_TRUE(accepts(u"Аудио файлы <*.mp3|*.wma>"_qs, u"b.wma"_qs));
    EXPECT_TRUE(accepts(u"*.mp3/*.ogg"_qs, u"a.ogg"_qs));
    EXPECT_TRUE(accepts(u"*.mp3/*.ogg"_qs, u"a.mp3"_qs));
    // The caption before "<" is not a mask, nor is anything after ">".
    EXPECT_FALSE(accepts(u"Музыка <*.mp3>"_qs, u"Музыка"_qs));
    EXPECT_FALSE(accepts(u"<*.mp3> *.ogg"_qs, u"a.ogg"_qs));
    // A ">" before the first "<" means there is no caption.
    EXPECT_TRUE(accepts(u"*.ogg>x<*.mp3"_qs, u"a.ogg"_qs));
    // Every delimiter separates masks; empty masks are skipped.
    EXPECT_TRUE(accepts(u"||*.a\\*.b:*.c\"*.d"_qs, u"x.d"_qs));
    EXPECT_FALSE(accepts(QString(), u"a"_qs));
    EXPECT_FALSE(accepts(u"<>|"_qs, u"a"_qs));
}

TEST(MatchesFilter, LetterCaseFollowsTheOption)
{
    const QString filter = u"Аудио файлы <*.mp3|*.wma>"_qs;
    EXPECT_TRUE(accepts(filter, u"SONG.MP3"_qs, false));
    EXPECT_FALSE(accepts(filter, u"SONG.MP3"_qs, true));
    EXPECT_TRUE(accepts(u"ПЕСНЯ*"_qs, u"песня 1.mp3"_qs, false));
    EXPECT_FALSE(accepts(u"ПЕСНЯ*"_qs, u"песня 1.mp3"_qs, true));
}

TEST(MatchesFilter, StarsAndQuestionMarks)
{
    EXPECT_TRUE(accepts(u"?b*"_qs, u"ab.txt"_qs));
    EXPECT_TRUE(accepts(u"*?b*"_qs, u"xab"_qs));
    EXPECT_TRUE(accepts(u"*a*b*"_qs, u"xaxb"_qs));
    EXPECT_FALSE(accepts(u"*aa"_qs, u"a"_qs));
    EXPECT_FALSE(accepts(u"*.mp"_qs, u"a.mp3"_qs));
    EXPECT_TRUE(accepts(u"song"_qs, u"songs.txt"_qs));
    EXPECT_FALSE(accepts(u"songs"_qs, u"song"_qs));
    EXPECT_TRUE(accepts(u"a**b"_qs, u"axxb"_qs));
    EXPECT_TRUE(accepts(u"*"_qs, u"anything"_qs));
    EXPECT_FALSE(accepts(u"?"_qs, QString()));
    EXPECT_TRUE(accepts(u"*.m?3"_qs, u"x.mp3"_qs));
    EXPECT_FALSE(accepts(u"*x*y"_qs, u"yx"_qs));
    EXPECT_FALSE(accepts(u"*abc*"_qs, u"ab"_qs));
    EXPECT_TRUE(accepts(u"01*.mp3"_qs, u"01 - Intro.mp3"_qs));
    EXPECT_FALSE(accepts(u"01*.mp3"_qs, u"02 - Intro.mp3"_qs));
}

class ScanTree : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }

    QString path(const QString &relative) const { return m_dir.filePath(relative); }
    void makeFile(const QString &relative)
    {
        QFile file(path(relative));
        ASSERT_TRUE(QDir().mkpath(QFileInfo(file).absolutePath()));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    void makeLink(const QString &target, const QString &relative)
    {
        ASSERT_EQ(symlink(QFile::encodeName(target).constData(),
                          QFile::encodeName(path(relative)).constData()),
                  0);
    }
    // Relative "folder/name" of every file found, in scan order.
    QStringList scan(const QStringList &roots, const ScanSettings &settings, int limit = -1)
    {
        QStringList found;
        ScanFolders(roots, settings, [&](const QString &folder, const QString &name) {
            EXPECT_TRUE(folder.endsWith(u'/'));
            found << QDir(m_dir.path()).relativeFilePath(folder + name);
            return limit < 0 || found.size() < limit;
        });
        return found;
    }
    static qsizetype depth(const QString &relative) { return relative.count(u'/'); }

    QTemporaryDir m_dir;
};

TEST_F(ScanTree, BreadthFirstWithSubfoldersAndOnlyTheRootWithout)
{
    for (const char *name : {"a.mp3", "b.MP3", "note.txt", ".hidden.mp3", "s1/c.mp3",
                             "s1/t/d.mp3", "s2/e.mp3", "s2/u/v/f.mp3"})
        makeFile(QString::fromLatin1(name));
    ASSERT_TRUE(QDir().mkpath(path(u"empty.mp3"_qs))); // a folder never matches as a file

    const ScanSettings deep{u"Аудио <*.mp3>"_qs, false, true};
    const QStringList found = scan({m_dir.path()}, deep);
    EXPECT_EQ(found.size(), 7);
    EXPECT_FALSE(found.contains(u"note.txt"_qs));
    EXPECT_FALSE(found.contains(u"empty.mp3"_qs));
    EXPECT_TRUE(found.contains(u".hidden.mp3"_qs));
    for (qsizetype i = 1; i < found.size(); ++i)
        EXPECT_LE(depth(found[i - 1]), depth(found[i])) << found.join(u' ').toStdString();

    const ScanSettings flat{u"*.mp3"_qs, true, false};
    QStringList top = scan({m_dir.path() + u'/'}, flat);
    top.sort();
    EXPECT_EQ(top, (QStringList{u".hidden.mp3"_qs, u"a.mp3"_qs}));

    // Several roots are taken in the order given; stopping ends the scan.
    const QStringList two = scan({path(u"s2"_qs), path(u"s1"_qs)}, flat);
    EXPECT_EQ(two, (QStringList{u"s2/e.mp3"_qs, u"s1/c.mp3"_qs}));
    EXPECT_EQ(scan({m_dir.path()}, deep, 2).size(), 2);
}

TEST_F(ScanTree, LinksAreFollowedOnceAndCyclesEnd)
{
    makeFile(u"music/a.mp3"_qs);
    makeFile(u"other/b.mp3"_qs);
    makeFile(u"real.mp3"_qs);
    makeLink(path(u"music"_qs), u"music/loop"_qs);        // a cycle
    makeLink(path(u"other"_qs), u"music/elsewhere"_qs);   // outside the tree
    makeLink(path(u"real.mp3"_qs), u"music/linked.mp3"_qs); // a link to a file
    makeLink(path(u"missing"_qs), u"music/dangling.mp3"_qs);
    ASSERT_EQ(mkfifo(QFile::encodeName(path(u"music/pipe.mp3"_qs)).constData(), 0600), 0);

    QStringList found = scan({path(u"music"_qs)}, {u"*.mp3"_qs, false, true});
    found.sort();
    EXPECT_EQ(found, (QStringList{u"music/a.mp3"_qs, u"music/elsewhere/b.mp3"_qs,
                                  u"music/linked.mp3"_qs}));
}

TEST_F(ScanTree, FoldersThatCannotBeListedAreSkipped)
{
    makeFile(u"ok/a.mp3"_qs);
    makeFile(u"closed/b.mp3"_qs);
    makeFile(u"plain.mp3"_qs);
    const ScanSettings settings{u"*.mp3"_qs, false, true};
    // A missing folder, a file given as a folder and an empty item (not the
    // root folder) contribute nothing.
    EXPECT_EQ(scan({path(u"gone"_qs), path(u"plain.mp3"_qs), QString(), path(u"ok"_qs)},
                   settings),
              QStringList{u"ok/a.mp3"_qs});
    if (geteuid() == 0)
        GTEST_SKIP() << "permissions do not bind root";
    ASSERT_EQ(chmod(QFile::encodeName(path(u"closed"_qs)).constData(), 0), 0);
    const QStringList found = scan({m_dir.path()}, settings);
    chmod(QFile::encodeName(path(u"closed"_qs)).constData(), 0700);
    EXPECT_EQ(found.size(), 2);
    EXPECT_FALSE(found.contains(u"closed/b.mp3"_qs));
}
