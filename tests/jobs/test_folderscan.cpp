#include "jobs/folderscan.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace qm;

TEST(MatchesFilter, CaptionsDelimitersCaseStarsAndQuestionMarks)
{
    struct Case {
        const char16_t *filter;
        const char16_t *name;
        bool caseSensitive;
        bool accepted;
    };
    const Case cases[] = {
        {u"Все файлы <*.*>", u"song.mp3", false, true},
        {u"Все файлы <*.*>", u"README", false, false},
        {u"Аудио файлы <*.mp3|*.wma>", u"SONG.MP3", false, true},
        {u"Аудио файлы <*.mp3|*.wma>", u"SONG.MP3", true, false},
        {u"ПЕСНЯ*", u"песня 1.mp3", false, true},
        {u"*.mp3/*.ogg", u"a.ogg", false, true},
        {u"Музыка <*.mp3>", u"Музыка", false, false}, // the caption is no mask
        {u"<*.mp3> *.ogg", u"a.ogg", false, false},   // nor what follows ">"
        {u"*.ogg>x<*.mp3", u"a.ogg", false, true},    // ">" before "<": no caption
        {u"||*.a\\*.b:*.c\"*.d", u"x.d", false, true},
        {u"", u"a", false, false},
        {u"<>|", u"a", false, false},
        {u"?b*", u"ab.txt", false, true},
        {u"*?b*", u"xab", false, true},
        {u"*a*b*", u"xaxb", false, true},
        {u"*aa", u"a", false, false},
        {u"*.mp", u"a.mp3", false, false},    // the tail is compared with the end
        {u"song", u"songs.txt", false, true}, // no star: a prefix is enough
        {u"songs", u"song", false, false},
        {u"a**b", u"axxb", false, true},
        {u"?", u"", false, false},
        {u"*x*y", u"yx", false, false},
        {u"*abc*", u"ab", false, false},
        {u"01*.mp3", u"02 - Intro.mp3", false, false},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(MatchesFilter(QString::fromUtf16(c.filter), c.caseSensitive,
                                QString::fromUtf16(c.name)),
                  c.accepted)
            << QString::fromUtf16(c.filter).toStdString() << " / "
            << QString::fromUtf16(c.name).toStdString();
    }
}

TEST(ScanFolders, BreadthFirstLinksOnceAndUnlistableFoldersSkipped)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const auto path = [&](const QString &relative) { return dir.filePath(relative); };
    for (const char *name : {"a.mp3", "b.MP3", "note.txt", ".hidden.mp3", "s1/c.mp3", "s1/t/d.mp3",
                             "s2/e.mp3", "s2/u/v/f.mp3", "other/g.mp3"}) {
        QFile file(path(QString::fromLatin1(name)));
        ASSERT_TRUE(QDir().mkpath(QFileInfo(file).absolutePath()));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    ASSERT_TRUE(QDir().mkpath(path(u"empty.mp3"_qs))); // a folder is never a file
    const auto link = [&](const QString &target, const QString &at) {
        ASSERT_EQ(symlink(QFile::encodeName(path(target)).constData(),
                          QFile::encodeName(path(at)).constData()),
                  0);
    };
    link(u"s1"_qs, u"s1/t/loop"_qs);        // a cycle
    link(u"other"_qs, u"s2/elsewhere"_qs);  // a folder outside the tree
    link(u"a.mp3"_qs, u"s2/linked.mp3"_qs); // a file
    link(u"missing"_qs, u"s2/dangling.mp3"_qs);
    ASSERT_EQ(mkfifo(QFile::encodeName(path(u"s2/pipe.mp3"_qs)).constData(), 0600), 0);

    const auto scan = [&](const QStringList &roots, const ScanSettings &settings) {
        QStringList found;
        ScanFolders(roots, settings, [&](const QString &folder, const QString &name) {
            EXPECT_TRUE(folder.endsWith(u'/'));
            found << QDir(dir.path()).relativeFilePath(folder + name);
            return found.size() < 100;
        });
        return found;
    };
    const QStringList deep = scan({dir.path()}, {u"Аудио <*.mp3>"_qs, false, true});
    // Level by level (a folder's files before those of any folder below it),
    // each folder in name order; links and cycles listed once.
    EXPECT_EQ(deep, (QStringList{u".hidden.mp3"_qs, u"a.mp3"_qs, u"b.MP3"_qs, u"other/g.mp3"_qs,
                                 u"s1/c.mp3"_qs, u"s2/e.mp3"_qs, u"s2/linked.mp3"_qs,
                                 u"s1/t/d.mp3"_qs, u"s2/u/v/f.mp3"_qs}));
    // Roots in the order given.
    const QStringList roots = scan({path(u"s2"_qs), path(u"s1"_qs)}, {u"*.mp3"_qs, false, false});
    EXPECT_EQ(roots.size(), 3);
    EXPECT_EQ(roots.last(), u"s1/c.mp3"_qs);

    QStringList flat = scan({dir.path() + u'/'}, {u"*.mp3"_qs, true, false});
    flat.sort();
    EXPECT_EQ(flat, (QStringList{u".hidden.mp3"_qs, u"a.mp3"_qs}));
    // A missing folder, a file given as a folder and an empty item (not the
    // root folder) contribute nothing.
    EXPECT_EQ(scan({path(u"gone"_qs), path(u"a.mp3"_qs), QString(), path(u"other"_qs)},
                   {u"*"_qs, false, true}),
              QStringList{u"other/g.mp3"_qs});
    if (geteuid() != 0) { // permissions do not bind root
        ASSERT_EQ(chmod(QFile::encodeName(path(u"s2"_qs)).constData(), 0), 0);
        const QStringList found = scan({dir.path()}, {u"*.mp3"_qs, false, true});
        chmod(QFile::encodeName(path(u"s2"_qs)).constData(), 0700);
        EXPECT_FALSE(found.contains(u"s2/e.mp3"_qs));
        EXPECT_TRUE(found.contains(u"s1/c.mp3"_qs));
    }
}
