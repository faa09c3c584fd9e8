#include "fakeplayers.h"
#include "lists/listfile.h"
#include "player/dbusplayer.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusMetaType>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QThread>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>

#include "requiretools.h"

using namespace qm;

namespace {

const QString kAudacious = QStringLiteral("org.atheme.audacious");
const QString kFakeMpris = QStringLiteral("org.mpris.MediaPlayer2.fake");

QString url(const QString &path)
{
    return QString::fromLatin1(QUrl::fromLocalFile(path).toEncoded());
}

// Nothing is started and nobody waited for unless a test says so.
DBusPlayerSettings quick()
{
    DBusPlayerSettings s;
    s.autoStart = false;
    s.tries = 3;
    s.waitMs = 50;
    s.callTimeoutMs = 500;
    return s;
}

const QStringList kFiles{QStringLiteral("/music/A b/01 Ёлка.mp3"),
                         QStringLiteral("/music/02 #2.mp3")};

} // namespace

TEST(DBusPlayer, AudaciousGetsItsListReplacedAppendedAndReadBack)
{
    auto *fake = new FakeAudacious;
    FakeService service(kAudacious, QStringLiteral("/org/atheme/audacious"), fake);
    ASSERT_TRUE(service.registered());
    DBusPlayerControl player(quick());

    ASSERT_TRUE(player.find(PlayerNeed::Play));
    EXPECT_EQ(player.found(), kAudacious);
    ASSERT_TRUE(player.play(kFiles));
    EXPECT_EQ(fake->state.takeCalls(), (QStringList{"Clear", "AddUrl " + url(kFiles[0]),
                                                    "AddUrl " + url(kFiles[1]), "Jump 0", "Play"}));

    ASSERT_TRUE(player.enqueue({kFiles[0]}));
    EXPECT_EQ(fake->state.takeCalls(), QStringList{"AddUrl " + url(kFiles[0])});

    const auto list = player.playList();
    ASSERT_TRUE(list);
    EXPECT_EQ(*list, (QList<PlayListEntry>{{kFiles[0], 60, "Artist - Song 1"},
                                           {kFiles[1], -1, "Artist - Song 2"},
                                           {kFiles[0], 62, "Artist - Song 3"}}));
}

TEST(DBusPlayer, MprisTrackListGetsTheFilesInRowOrder)
{
    auto *fake = new FakeMpris(true, true);
    FakeService service(kFakeMpris, QStringLiteral("/org/mpris/MediaPlayer2"), fake);
    ASSERT_TRUE(service.registered());
    DBusPlayerControl player(quick());
    ASSERT_TRUE(player.find(PlayerNeed::Add));
    EXPECT_EQ(player.found(), kFakeMpris);

    ASSERT_TRUE(player.enqueue({QStringLiteral("/old.mp3")}));
    ASSERT_TRUE(player.play(kFiles));
    EXPECT_EQ(fake->state.urls, (QStringList{url(kFiles[0]), url(kFiles[1])}));
    const QStringList calls = fake->state.takeCalls();
    EXPECT_EQ(calls.mid(calls.size() - 2),
              (QStringList{"AddTrack " + url(kFiles[0]) + " 1", "Play"}));

    ASSERT_TRUE(player.enqueue(kFiles));
    EXPECT_EQ(fake->state.urls,
              (QStringList{url(kFiles[0]), url(kFiles[1]), url(kFiles[0]), url(kFiles[1])}));
    const auto list = player.playList();
    ASSERT_TRUE(list);
    ASSERT_EQ(list->size(), 4);
    EXPECT_EQ(list->at(1), (PlayListEntry{kFiles[1], 61, "Artist - Song 2"}));
    EXPECT_EQ(list->at(3).path, kFiles[1]);

    // A stream's length, negative or beyond an int of seconds, is unknown.
    {
        QMutexLocker lock(&fake->state.mutex);
        fake->state.lengths = {-1000000, qlonglong(1) << 62, 0};
    }
    const auto odd = player.playList();
    ASSERT_TRUE(odd);
    EXPECT_EQ(odd->at(0).seconds, -1);
    EXPECT_EQ(odd->at(1).seconds, -1);
    EXPECT_EQ(odd->at(2).seconds, 0);
}

TEST(DBusPlayer, MprisWithoutTrackListOpensOneUri)
{
    auto *fake = new FakeMpris(false, false);
    FakeService service(kFakeMpris, QStringLiteral("/org/mpris/MediaPlayer2"), fake);
    ASSERT_TRUE(service.registered());
    QTemporaryDir dir;
    DBusPlayerSettings settings = quick();
    settings.handOverList = dir.filePath(QStringLiteral("play.m3u"));
    DBusPlayerControl player(settings);

    // Nothing to add to or to read: such a player is passed over.
    EXPECT_FALSE(player.find(PlayerNeed::Add));
    EXPECT_FALSE(player.find(PlayerNeed::List));
    ASSERT_TRUE(player.find(PlayerNeed::Play));
    ASSERT_TRUE(player.play({kFiles[0]}));
    EXPECT_EQ(fake->state.takeCalls(), QStringList{"OpenUri " + url(kFiles[0])});
    ASSERT_TRUE(player.play(kFiles));
    EXPECT_EQ(fake->state.takeCalls(), QStringList{"OpenUri " + url(settings.handOverList)});
    QStringList lines;
    ASSERT_TRUE(ReadListFile(settings.handOverList, lines));
    EXPECT_EQ(lines, (QStringList{"#EXTM3U", "#EXTINF:-1,01 Ёлка", kFiles[0], "#EXTINF:-1,02 #2",
                                  kFiles[1]}));

    // A link planted under the name is replaced, never written through; the
    // list is the user's alone.
    const QString victim = dir.filePath(QStringLiteral("victim"));
    ASSERT_TRUE(QFile::remove(settings.handOverList));
    ASSERT_TRUE(QFile::link(victim, settings.handOverList));
    ASSERT_TRUE(player.play(kFiles));
    EXPECT_FALSE(QFile::exists(victim));
    const QFileInfo handOver(settings.handOverList);
    EXPECT_FALSE(handOver.isSymLink());
    EXPECT_EQ(handOver.permissions() & (QFile::ReadGroup | QFile::ReadOther), 0);
}

// A player started for a command holds none of the caller's standard
// streams: a pipe the caller reads would otherwise never end.
TEST(DBusPlayer, StartedPlayerHoldsNoneOfTheCallersStreams)
{
    QTemporaryDir dir;
    const QString script = dir.filePath(QStringLiteral("player"));
    const QString record = dir.filePath(QStringLiteral("streams"));
    QFile file(script);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/sh\nstreams=$(readlink /proc/$$/fd/0 /proc/$$/fd/1 /proc/$$/fd/2)\n"
               "echo \"$streams\" > \"$1.part\" && mv \"$1.part\" \"$1\"\n");
    file.close();
    ASSERT_TRUE(file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    DBusPlayerSettings settings = quick();
    settings.program = script;
    settings.arguments = {record};
    DBusPlayerControl player(settings);
    ASSERT_TRUE(player.start());
    QElapsedTimer timer;
    timer.start();
    while (!QFile::exists(record) && timer.elapsed() < 5000)
        QThread::msleep(20);
    QStringList lines;
    ASSERT_TRUE(ReadListFile(record, lines));
    EXPECT_EQ(lines, (QStringList{"/dev/null", "/dev/null", "/dev/null"}));
}

TEST(DBusPlayer, TheNamedPlayerComesFirstElseAudacious)
{
    FakeService audacious(kAudacious, QStringLiteral("/org/atheme/audacious"), new FakeAudacious);
    FakeService mpris(kFakeMpris, QStringLiteral("/org/mpris/MediaPlayer2"),
                      new FakeMpris(true, true));
    ASSERT_TRUE(audacious.registered() && mpris.registered());

    DBusPlayerControl any(quick());
    ASSERT_TRUE(any.find(PlayerNeed::List));
    EXPECT_EQ(any.found(), kAudacious);

    DBusPlayerSettings settings = quick();
    settings.service = kFakeMpris;
    DBusPlayerControl named(settings);
    ASSERT_TRUE(named.find(PlayerNeed::List));
    EXPECT_EQ(named.found(), kFakeMpris);
    settings.service = QStringLiteral("org.mpris.MediaPlayer2.absent");
    DBusPlayerControl absent(settings);
    EXPECT_FALSE(absent.find(PlayerNeed::Play));
    EXPECT_EQ(absent.program(), QStringLiteral("absent"));
}

TEST(DBusPlayer, FailuresEndTheCommandWithinTheirWaits)
{
    struct Case {
        const char *name;
        bool autoStart;
        QString program;
        qint64 minMs;
    };
    const Case cases[] = {
        {"no player, no start", false, QString(), 0},
        {"program missing", true, QStringLiteral("quillmark-no-such-player"), 0},
        // Starts but never shows up on the bus: three looks 50 ms apart.
        {"never on the bus", true, QStringLiteral("true"), 150},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        DBusPlayerSettings settings = quick();
        settings.autoStart = c.autoStart;
        settings.program = c.program;
        DBusPlayerControl player(settings);
        QElapsedTimer timer;
        timer.start();
        EXPECT_FALSE(player.find(PlayerNeed::Play));
        EXPECT_GE(timer.elapsed(), c.minMs);
        EXPECT_LT(timer.elapsed(), 2000);
        EXPECT_FALSE(player.play(kFiles));
        EXPECT_FALSE(player.playList());
    }

    // A player that takes calls and never answers.
    auto *fake = new FakeAudacious;
    fake->state.silent = true;
    FakeService service(kAudacious, QStringLiteral("/org/atheme/audacious"), fake);
    DBusPlayerControl player(quick());
    ASSERT_TRUE(player.find(PlayerNeed::Play));
    QElapsedTimer timer;
    timer.start();
    EXPECT_FALSE(player.play(kFiles));
    EXPECT_FALSE(player.playList());
    EXPECT_LT(timer.elapsed(), 2000);
}

TEST(DBusPlayer, RealAudaciousTakesTheFilesAndGivesThemBack)
{
    const QString audacious = QStandardPaths::findExecutable(QStringLiteral("audacious"));
    if (audacious.isEmpty())
        QM_MISSING_TOOL("audacious is not installed");
    QTemporaryDir home;
    // The player's settings go to the test's folder, never the user's.
    qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toLocal8Bit());
    qputenv("XDG_DATA_HOME", home.filePath(QStringLiteral("data")).toLocal8Bit());
    QStringList files;
    for (const char *name : {"b 2.mp3", "a 1.mp3", "Ёж.mp3"}) {
        QFile file(home.filePath(QString::fromUtf8(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        files.append(file.fileName());
    }

    DBusPlayerSettings settings;
    settings.arguments = {QStringLiteral("-H")};
    settings.waitMs = 500;
    settings.tries = 20;
    DBusPlayerControl player(settings);
    ASSERT_TRUE(player.find(PlayerNeed::Add)) << "audacious -H did not come onto the bus";
    EXPECT_EQ(player.found(), kAudacious);
    ASSERT_TRUE(player.play(files.mid(0, 2)));
    ASSERT_TRUE(player.enqueue(files.mid(2)));
    std::optional<QList<PlayListEntry>> list;
    QElapsedTimer timer;
    timer.start();
    // The player takes files in on a thread of its own.
    do {
        list = player.playList();
    } while (list && list->size() < files.size() && timer.elapsed() < 5000);
    ASSERT_TRUE(list);
    QStringList paths;
    for (const PlayListEntry &entry : *list)
        paths.append(entry.path);
    EXPECT_EQ(paths, files);

    QDBusMessage quit = QDBusMessage::createMethodCall(
        kAudacious, QStringLiteral("/org/atheme/audacious"), kAudacious, QStringLiteral("Quit"));
    QDBusConnection::sessionBus().call(quit, QDBus::Block, 2000);
}

int main(int argc, char **argv)
{
    RestartOnPrivateBus(argc, argv);
    QCoreApplication app(argc, argv);
    qDBusRegisterMetaType<QList<QVariantMap>>();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
