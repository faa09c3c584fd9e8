// The player commands of the window against a player of the test's own: what
// is sent from the selection, and the player's list brought into the table.

#include <QAction>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "app/commands.h"
#include "app/dropdown.h"
#include "app/gridediting.h"
#include "app/gridmodel.h"
#include "app/infopanel.h"
#include "app/jobcontrol.h"
#include "app/mainwindow.h"
#include "app/playercommands.h"
#include "lists/listfile.h"
#include "player/playercontrol.h"

using qm::FieldNumber;
using qm::PlayListEntry;
using qm::TfrmTagEditor;

namespace {

struct Recorder {
    bool running = true;
    bool accepts = true;
    QStringList calls;
    QList<PlayListEntry> list;
};

class RecordingPlayer : public qm::PlayerControl {
public:
    explicit RecordingPlayer(Recorder &r) : r(r) {}
    bool find(qm::PlayerNeed) override { return r.running; }
    bool start() override
    {
        r.calls << QStringLiteral("start");
        return false;
    }
    bool play(const QStringList &files) override
    {
        r.calls << QStringLiteral("play ") + files.join(u'|');
        return r.accepts;
    }
    bool enqueue(const QStringList &files) override
    {
        r.calls << QStringLiteral("enqueue ") + files.join(u'|');
        return true;
    }
    std::optional<QList<PlayListEntry>> playList() override { return r.list; }
    Recorder &r;
};

} // namespace

class PlayerCommandsTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> config_;
    Recorder recorder_;

    std::unique_ptr<TfrmTagEditor> start()
    {
        recorder_ = {};
        auto window = std::make_unique<TfrmTagEditor>();
        window->findChild<qm::PlayerCommands *>(QStringLiteral("playerCommands"))
            ->setPlayer(std::make_unique<RecordingPlayer>(recorder_));
        window->show();
        qm::RowTable &t = window->session().table();
        int r = t.appendRows(3);
        for (const auto &[dir, name, ext] :
             {std::tuple{"/m/a", "one", "mp3"}, std::tuple{"/m/b/", "two", ""},
              std::tuple{"/m/a", "three", "ogg"}}) {
            t.setCell(r, FieldNumber::Dir, QString::fromUtf8(dir));
            t.setCell(r, FieldNumber::Old, QString::fromUtf8(name));
            t.setCell(r++, FieldNumber::Ext, QString::fromUtf8(ext));
        }
        window->renumberRows(1);
        window->gridModel()->reloadRows();
        return window;
    }

    static QAction *command(TfrmTagEditor &w, const char *name)
    {
        return w.commands()[QString::fromLatin1(name)];
    }

    static void selectOld(TfrmTagEditor &w, int top, int bottom)
    {
        const int p = w.table().layout().position(FieldNumber::Old);
        w.editing().setSelection(qm::CellRect{p, top, p, bottom}, p, bottom);
    }

private slots:
    void initTestCase()
    {
        config_ = std::make_unique<QTemporaryDir>();
        qputenv("QUILLMARK_CONFIG_DIR", config_->path().toLocal8Bit());
    }

    void selectedRowsGoToThePlayer_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("top");
        QTest::addColumn<int>("bottom");
        QTest::addColumn<QString>("call");
        QTest::addColumn<QString>("status");
        QTest::newRow("play, blank row skipped")
            << "aWinampPlay" << 2 << 4 << "play /m/b/two|/m/a/three.ogg"
            << "Воспроизведение выбранных файлов в Winamp...";
        QTest::newRow("add") << "aWinampAdd" << 1 << 1 << "enqueue /m/a/one.mp3"
                             << "Добавление выбранных файлов в список воспроизведения Winamp...";
    }
    void selectedRowsGoToThePlayer()
    {
        QFETCH(QString, name);
        QFETCH(int, top);
        QFETCH(int, bottom);
        QFETCH(QString, call);
        QFETCH(QString, status);
        auto w = start();
        selectOld(*w, top, bottom);
        command(*w, name.toLatin1())->trigger();
        QCOMPARE(recorder_.calls, QStringList{call});
        QCOMPARE(w->infoPanel()->statusText(), status);
        // The rows sent are selected whole; their Dir ends with "/".
        const qm::CellRect selection = w->editing().selection();
        QCOMPARE(selection.right, qm::kColumnCount - 1);
        QCOMPARE(selection.top, top);
        QCOMPARE(w->table().cell(top, FieldNumber::Dir).back(), QLatin1Char('/'));
        // The drop-down button repeats the command.
        QCOMPARE(w->dropDown(QStringLiteral("Winamp"))->current(), command(*w, name.toLatin1()));
    }

    void noPlayerSendsNothingAndSaysSo()
    {
        auto w = start();
        recorder_.running = false;
        selectOld(*w, 1, 2);
        command(*w, "aWinampPlay")->trigger();
        command(*w, "aAddWinampList")->trigger();
        QVERIFY(recorder_.calls.isEmpty());
        QCOMPARE(w->table().cell(1, FieldNumber::Dir), QStringLiteral("/m/a"));
        QCOMPARE(w->infoPanel()->statusText(), qm::PlayerNotFoundText());
        command(*w, "aWinampOpen")->trigger();
        QCOMPARE(recorder_.calls, QStringList{"start"});
    }

    // Only the blank last row: nothing is sent, so the player's list stays.
    // A player that refuses the files is not said to be missing.
    void blankRowSendsNothingAndRefusalIsToldApart()
    {
        auto w = start();
        selectOld(*w, 4, 4);
        command(*w, "aWinampPlay")->trigger();
        QVERIFY(recorder_.calls.isEmpty());
        recorder_.accepts = false;
        selectOld(*w, 1, 1);
        command(*w, "aWinampPlay")->trigger();
        QCOMPARE(recorder_.calls, QStringList{"play /m/a/one.mp3"});
        QCOMPARE(w->infoPanel()->statusText(), qm::PlayerRefusedText());
    }

    void playersListComesIntoTheTable()
    {
        auto w = start();
        recorder_.list = {
            {QStringLiteral("/m/c/Song.mp3"), 187, QStringLiteral("Artist - Title")},
            {QStringLiteral("http://radio.example/live"), -1, QStringLiteral("Radio")},
            {QStringLiteral("/m/c/Other.mp3"), -1, QStringLiteral("Plain")}};
        command(*w, "aAddWinampList")->trigger();
        QVERIFY(QTest::qWaitFor([&] { return !w->jobs().busy() && !w->jobs().runner().isActive(); },
                                5000));
        const auto *commands = w->findChild<qm::PlayerCommands *>(QStringLiteral("playerCommands"));
        QCOMPARE(commands->listPath(), config_->filePath(QStringLiteral("winamp.m3u")));
        QVERIFY(QFile::exists(commands->listPath()));
        qm::RowTable &t = w->session().table();
        QCOMPARE(t.fileRowCount(), 5);
        QCOMPARE(t.cell(4, FieldNumber::Dir), QStringLiteral("/m/c/"));
        QCOMPARE(t.cell(4, FieldNumber::Old), QStringLiteral("Song"));
        QCOMPARE(t.cell(4, FieldNumber::Dur), QStringLiteral("3:07"));
        QCOMPARE(t.cell(5, FieldNumber::Old), QStringLiteral("Other"));
        // The player's display text is no tag: artist and title are the
        // files' own (these files do not exist).
        QCOMPARE(t.cell(4, FieldNumber::Art), QString());
        QCOMPARE(t.cell(4, FieldNumber::Tit), QString());
        QCOMPARE(t.cell(5, FieldNumber::Tit), QString());
        // The stream is no row; the status line counts it.
        QVERIFY(w->infoPanel()->statusText().endsWith(QStringLiteral(", пропущено потоков: 1")));
    }
};

QTEST_MAIN(PlayerCommandsTest)
#include "test_playercommands.moc"
