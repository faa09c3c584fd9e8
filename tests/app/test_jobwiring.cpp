// The window with its jobs: adding folders, files and drops, reading them
// into the table, Stop, and the options that govern reading.

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcutEvent>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QMenu>
#include <QUrl>
#include <memory>

#include "app/adddirectorydialog.h"
#include "app/commands.h"
#include "app/gridmodel.h"
#include "app/infopanel.h"
#include "app/jobcontrol.h"
#include "app/mainwindow.h"
#include "app/namegrid.h"
#include "app/optionsdialog.h"
#include "testfiles.h"

using qm::FieldNumber;
using qm::TfrmTagEditor;

class JobWiringTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> config_;
    qm::test::TempFolder samples_;
    QString plain_;  // an untagged MP3 of one second
    QString tagged_; // the same with ID3v1 and ID3v2 tags

    std::unique_ptr<TfrmTagEditor> start(const QString &argument = {})
    {
        auto window = std::make_unique<TfrmTagEditor>(argument);
        window->show();
        return window;
    }

    static QAction *command(TfrmTagEditor &w, const char *name)
    {
        return w.commands()[QString::fromLatin1(name)];
    }

    // A folder with `count` copies of the plain file, named 0000.mp3 on.
    QString makeFolder(const QString &name, int count)
    {
        QString folder = samples_.file(name);
        QDir().mkpath(folder);
        for (int i = 0; i < count; ++i)
            QFile::copy(plain_, folder + QStringLiteral("/%1.mp3").arg(i, 4, 10, QLatin1Char('0')));
        return folder;
    }

    // As the add-directory dialog's Add does it, with the mask "*.mp3".
    static void addFolder(TfrmTagEditor &w, const QString &folder)
    {
        w.addDirectoryDialog()
            ->findChild<QComboBox *>(QStringLiteral("cmbFilter"))
            ->setCurrentText(QStringLiteral("*.mp3"));
        emit w.addDirectoryDialog()->addRequested({folder}, QStringLiteral("*.mp3"), false, true);
    }

    static bool idle(TfrmTagEditor &w) { return !w.jobs().busy() && !w.jobs().runner().isActive(); }

    static QString cell(TfrmTagEditor &w, int row, FieldNumber f) { return w.table().cell(row, f); }

private slots:
    void initTestCase()
    {
        QVERIFY(samples_.isValid());
        plain_ = samples_.file(QStringLiteral("plain.mp3"));
        tagged_ = samples_.file(QStringLiteral("tagged.mp3"));
        QString error;
        if (!qm::test::makeMp3(plain_, {}, &error))
            QM_QMISSING_TOOL(qPrintable(error));
        QVERIFY(QFile::copy(plain_, tagged_));
        if (!qm::test::runCommand(QStringLiteral("id3v2"),
                                  {QStringLiteral("-t"), QStringLiteral("Song"),
                                   QStringLiteral("-a"), QStringLiteral("Band"), tagged_})
                 .ok())
            QM_QMISSING_TOOL("needs id3v2");
    }

    void init()
    {
        config_ = std::make_unique<QTemporaryDir>();
        QVERIFY(config_->isValid());
        qputenv("QUILLMARK_CONFIG_DIR", config_->path().toLocal8Bit());
    }

    // A folder with a subfolder goes in breadth first; every row gets its
    // name split, size, duration, stream text, tag cells and number, and the
    // window is busy (menus, bars, table off, Stop shown) until all is read.
    void addedFolderIsReadIntoTheTable()
    {
        auto w = start();
        const QString folder = makeFolder(QStringLiteral("fill"), 2);
        QDir().mkpath(folder + QStringLiteral("/sub"));
        QVERIFY(QFile::copy(tagged_, folder + QStringLiteral("/sub/tagged.mp3")));
        QVERIFY(QFile::copy(plain_, folder + QStringLiteral("/notes.txt")));

        QSignalSpy busy(&w->jobs(), &qm::JobControl::controlsEnabledChanged);
        addFolder(*w, folder);
        QCOMPARE(busy.count(), 1);
        QCOMPARE(busy.at(0).at(0).toBool(), false);
        QVERIFY(!w->grid()->isEnabled());
        QVERIFY(!w->toolBars()[0]->isEnabled());
        QVERIFY(!w->infoPanel()->stopButton()->isHidden());
        // Shortcuts are off with the menus.
        QSignalSpy viewSwitch(command(*w, "aFileInfo"), &QAction::triggered);
        QShortcutEvent key(command(*w, "aFileInfo")->shortcut(), 0);
        QCoreApplication::sendEvent(command(*w, "aFileInfo"), &key);
        QCOMPARE(viewSwitch.count(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(idle(*w), 20000);

        QCOMPARE(w->table().fileRowCount(), 3);
        QCOMPARE(w->gridModel()->rowCount(), 4);
        const QString size = QString::number(QFileInfo(plain_).size());
        QCOMPARE(cell(*w, 1, FieldNumber::Dir), folder + QLatin1Char('/'));
        QCOMPARE(cell(*w, 1, FieldNumber::Old), QStringLiteral("0000"));
        QCOMPARE(cell(*w, 1, FieldNumber::New), QStringLiteral("0000"));
        QCOMPARE(cell(*w, 1, FieldNumber::Ext), QStringLiteral("mp3"));
        QCOMPARE(cell(*w, 1, FieldNumber::Siz), size);
        QCOMPARE(cell(*w, 1, FieldNumber::Dur), QStringLiteral("0:01"));
        QVERIFY(cell(*w, 1, FieldNumber::Inf).startsWith(QStringLiteral("MPEG 1 Layer III")));
        QCOMPARE(cell(*w, 1, FieldNumber::Tit), QString());
        QCOMPARE(cell(*w, 3, FieldNumber::Dir), folder + QStringLiteral("/sub/"));
        QCOMPARE(cell(*w, 3, FieldNumber::Tit), QStringLiteral("Song"));
        QCOMPARE(cell(*w, 3, FieldNumber::Art), QStringLiteral("Band"));
        QCOMPARE(cell(*w, 1, FieldNumber::No), QStringLiteral("01"));
        QCOMPARE(cell(*w, 3, FieldNumber::No), QStringLiteral("03"));
        // The information read brought the tags along: no second pass.
        QCOMPARE(w->infoPanel()->statusText(), QStringLiteral("Прочитано информации 3/3"));
        QVERIFY(w->infoPanel()->progress()->isHidden());
        QVERIFY(w->grid()->isEnabled());
        QVERIFY(w->toolBars()[0]->isEnabled());
        QVERIFY(w->grid()->selectionModel()->isSelected(
            w->gridModel()->index(2, int(FieldNumber::Tit))));

        // A second folder appends after the first, numbered on.
        const QString more = makeFolder(QStringLiteral("more"), 1);
        addFolder(*w, more);
        QTRY_VERIFY_WITH_TIMEOUT(idle(*w), 20000);
        QCOMPARE(w->table().fileRowCount(), 4);
        QCOMPARE(cell(*w, 4, FieldNumber::No), QStringLiteral("04"));
        QCOMPARE(cell(*w, 4, FieldNumber::Siz), size);
        QVERIFY(!w->grid()->selectionModel()->isSelected(
            w->gridModel()->index(0, int(FieldNumber::Tit))));
    }

    static QStringList column(TfrmTagEditor &w, FieldNumber f)
    {
        QStringList out;
        for (int r = 1; r <= w.table().lastFileRow(); ++r)
            out << cell(w, r, f);
        return out;
    }

    // Two album folders sorted by track through the menu's command, numbered
    // per folder by aNombersSeparate (Stop during its sort turns it off
    // again), and shuffled with a Stop that asks nothing and loses no row.
    void sortNumberPerFolderAndShuffle()
    {
        auto w = start();
        addFolder(*w, makeFolder(QStringLiteral("albumB"), 2));
        QTRY_VERIFY_WITH_TIMEOUT(idle(*w), 20000);
        addFolder(*w, makeFolder(QStringLiteral("albumA"), 2));
        QTRY_VERIFY_WITH_TIMEOUT(idle(*w), 20000);
        const QStringList tracks = {"4", "2", "3", "1"};
        for (int r = 1; r <= 4; ++r)
            w->session().table().setCell(r, FieldNumber::Trc, tracks[r - 1]);
        QMenu *sortMenu = w->findChild<QMenu *>(QStringLiteral("mmiSort"));
        QVERIFY(sortMenu);
        QCOMPARE(sortMenu->title(), QStringLiteral("&Упорядочить строки"));
        QCOMPARE(sortMenu->actions().size(), 25);
        QVERIFY(command(*w, "aSortByTrack")->isVisible());
        QVERIFY(command(*w, "aSortRandom")->isVisible());

        command(*w, "aSortByTrack")->trigger();
        QVERIFY(!w->grid()->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(idle(*w), 20000);
        QCOMPARE(column(*w, FieldNumber::Trc), QStringList({"01", "02", "03", "04"}));
        QCOMPARE(column(*w, FieldNumber::No), QStringList({"01", "02", "03", "04"}));
        QCOMPARE(w->infoPanel()->statusText(), QStringLiteral("Упорядочено строк: 4/4"));
        QCOMPARE(w->gridModel()->data(w->gridModel()->index(0, int(FieldNumber::Trc))).toString(),
                 QStringLiteral("01"));

        QAction *separate = command(*w, "aNombersSeparate");
        auto *button = w->findChild<QToolButton *>(QStringLiteral("tbtNombersSeparate"));
        QVERIFY(button);
        separate->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(idle(*w), 20000);
        QVERIFY(button->isChecked());
        QVERIFY(!command(*w, "aSortRandom")->isVisible());
        QVERIFY(cell(*w, 1, FieldNumber::Dir).endsWith(QStringLiteral("albumA/")));
        QCOMPARE(column(*w, FieldNumber::No), QStringList({"01", "02", "01", "02"}));
        QCOMPARE(column(*w, FieldNumber::Trc), QStringList({"01", "03", "02", "04"}));

        separate->trigger(); // off: one count at once
        QCOMPARE(column(*w, FieldNumber::No), QStringList({"01", "02", "03", "04"}));
        separate->trigger();
        w->btnStopClick();
        QTRY_VERIFY_WITH_TIMEOUT(idle(*w), 20000);
        QVERIFY(!separate->isChecked());
        QCOMPARE(column(*w, FieldNumber::No), QStringList({"01", "02", "03", "04"}));

        QStringList before = column(*w, FieldNumber::Trc);
        command(*w, "aSortRandom")->trigger();
        w->btnStopClick();
        QTRY_VERIFY_WITH_TIMEOUT(idle(*w), 20000);
        QStringList after = column(*w, FieldNumber::Trc);
        before.sort();
        after.sort();
        QCOMPARE(after, before);
    }

    // Stop during the read leaves every row, read or not, completed, and the
    // window returns to idle.
    void stopWhileReading()
    {
        auto w = start();
        const int count = 1000;
        const QString folder = makeFolder(QStringLiteral("many"), count);
        bool stopped = false;
        connect(&w->jobs().runner(), &qm::JobRunner::statusChanged, w.get(),
                [&](const QString &text) {
                    if (!stopped && text.startsWith(qm::StatusPhrase::ReadInfo())) {
                        stopped = true;
                        QTest::mouseClick(w->infoPanel()->stopButton(), Qt::LeftButton);
                    }
                });
        addFolder(*w, folder);
        QTRY_VERIFY_WITH_TIMEOUT(idle(*w), 30000);
        QVERIFY(stopped);
        QCOMPARE(w->table().fileRowCount(), count);
        QCOMPARE(cell(*w, 1, FieldNumber::Siz), QString::number(QFileInfo(plain_).size()));
        QCOMPARE(cell(*w, count, FieldNumber::Siz), QString());
        QCOMPARE(cell(*w, count, FieldNumber::Ext), QStringLiteral("mp3"));
        QCOMPARE(cell(*w, count, FieldNumber::No), QString::number(count));
        QVERIFY(w->infoPanel()->stopButton()->isHidden());
        QVERIFY(w->grid()->isEnabled());

        // Stop during the scan: the rows found so far stay and are completed.
        w->session().table().removeAllFileRows();
        w->gridModel()->reloadRows();
        stopped = false;
        connect(&w->jobs().runner(), &qm::JobRunner::statusChanged, w.get(),
                [&](const QString &text) {
                    if (!stopped && text.startsWith(qm::StatusPhrase::AddedFiles())) {
                        stopped = true;
                        w->btnStopClick();
                    }
                });
        addFolder(*w, folder);
        QTRY_VERIFY_WITH_TIMEOUT(idle(*w), 30000);
        const int rows = w->table().fileRowCount();
        QVERIFY(rows >= 1 && rows <= count);
        QCOMPARE(w->gridModel()->rowCount(), rows + 1);
        QCOMPARE(cell(*w, rows, FieldNumber::Ext), QStringLiteral("mp3"));

        // Closing during a job ends it first; nothing reaches the table after.
        addFolder(*w, folder);
        QTRY_VERIFY_WITH_TIMEOUT(
            w->jobs().runner().status().startsWith(qm::StatusPhrase::ReadInfo()), 30000);
        w->close();
        QVERIFY(!w->jobs().runner().isActive());
        const QString lastSize = cell(*w, w->table().lastFileRow(), FieldNumber::Siz);
        QTest::qWait(50);
        QCOMPARE(cell(*w, w->table().lastFileRow(), FieldNumber::Siz), lastSize);
    }

    // Reading jobs asked for while one runs follow it; a view switch reads
    // its tag into the rows.
    void viewSwitchAndJobsBackToBack()
    {
        auto w = start();
        addFolder(*w, makeFolder(QStringLiteral("views"), 2));
        QTRY_VERIFY_WITH_TIMEOUT(idle(*w), 20000);
        const QString copy = w->table().cell(1, FieldNumber::Dir) + QStringLiteral("0000.mp3");
        QVERIFY(QFile::remove(copy));
        QVERIFY(QFile::copy(tagged_, copy));

        command(*w, "aID3v1Tag")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(idle(*w), 20000);
        QCOMPARE(cell(*w, 1, FieldNumber::Tit), QStringLiteral("Song"));
        QCOMPARE(cell(*w, 2, FieldNumber::Tit), QString());
        QCOMPARE(w->infoPanel()->statusText(), QStringLiteral("Прочитано ID3v1 Tag: 2/2"));

        QSignalSpy ended(&w->jobs().runner(), &qm::JobRunner::jobEnded);
        w->session().table().setCell(1, FieldNumber::Siz, {});
        w->session().table().setCell(1, FieldNumber::Tit, {});
        w->startUpdateJob(1, 2, qm::ReadKind::Info);
        w->startUpdateJob(1, 2, qm::ReadKind::Tag1);
        QTRY_VERIFY_WITH_TIMEOUT(idle(*w), 20000);
        QCOMPARE(ended.count(), 2);
        QCOMPARE(cell(*w, 1, FieldNumber::Siz), QString::number(QFileInfo(tagged_).size()));
        QCOMPARE(cell(*w, 1, FieldNumber::Tit), QStringLiteral("Song"));
    }

    // Dropped files become rows at once, dropped folders are scanned after
    // them; both are read and numbered. A drop while busy is refused.
    void dropsAddFilesThenFolders()
    {
        auto w = start();
        const QString folder = makeFolder(QStringLiteral("dropped"), 2);
        auto *data = new QMimeData;
        data->setUrls({QUrl::fromLocalFile(folder), QUrl::fromLocalFile(tagged_),
                       QUrl(QStringLiteral("http://x/y.mp3"))});
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(w.get(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(w.get(), &drop);
        QCOMPARE(w->table().fileRowCount(), 1); // the folder is still being scanned
        QVERIFY(w->jobs().busy());
        QDropEvent refused(QPointF(10, 10), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(w.get(), &refused);
        QTRY_VERIFY_WITH_TIMEOUT(idle(*w), 20000);
        QCOMPARE(w->table().fileRowCount(), 3);
        QCOMPARE(cell(*w, 1, FieldNumber::Old), QStringLiteral("tagged"));
        QCOMPARE(cell(*w, 1, FieldNumber::Tit), QStringLiteral("Song"));
        QCOMPARE(cell(*w, 2, FieldNumber::Old), QStringLiteral("0000"));
        QCOMPARE(cell(*w, 3, FieldNumber::No), QStringLiteral("03"));
        QVERIFY(!cell(*w, 3, FieldNumber::Dur).isEmpty());
        delete data;
    }

    // The first argument is read once the saved views are applied; files
    // chosen in the open dialog are read like added ones.
    void argumentAndChosenFilesAreRead()
    {
        auto w = start(tagged_);
        QTRY_VERIFY_WITH_TIMEOUT(idle(*w), 20000);
        QCOMPARE(w->table().fileRowCount(), 1);
        QCOMPARE(cell(*w, 1, FieldNumber::Tit), QStringLiteral("Song"));
        QVERIFY(!cell(*w, 1, FieldNumber::Inf).isEmpty());

        w->addFiles({plain_, samples_.file(QStringLiteral("missing.mp3"))});
        QTRY_VERIFY_WITH_TIMEOUT(idle(*w), 20000);
        QCOMPARE(w->table().fileRowCount(), 3);
        QCOMPARE(cell(*w, 2, FieldNumber::Dur), QStringLiteral("0:01"));
        // A file that is not there gets empty cells, nothing more.
        QCOMPARE(cell(*w, 3, FieldNumber::Old), QStringLiteral("missing"));
        QCOMPARE(cell(*w, 3, FieldNumber::Siz), QString());
        QCOMPARE(cell(*w, 3, FieldNumber::No), QStringLiteral("03"));
    }

    // Reading asked for while the options dialog is open waits until it has
    // closed, then runs.
    void readingWaitsForTheOptionsDialog()
    {
        auto w = start();
        w->addFiles({plain_});
        QTRY_VERIFY_WITH_TIMEOUT(idle(*w), 20000);
        w->session().table().setCell(1, FieldNumber::Siz, {});
        bool heldBack = false;
        QTimer::singleShot(0, w.get(), [&] {
            w->startUpdateJob(1, 1, qm::ReadKind::Info);
            heldBack = !w->jobs().busy() && w->optionsDialog()->isVisible();
            w->optionsDialog()->close();
        });
        command(*w, "aOptions")->trigger();
        QVERIFY(heldBack);
        QTRY_VERIFY_WITH_TIMEOUT(idle(*w), 20000);
        QCOMPARE(cell(*w, 1, FieldNumber::Siz), QString::number(QFileInfo(plain_).size()));
    }

    // The options survive a restart and decide what is read: with
    // "only *.mp3" on, other extensions keep empty information.
    void optionsAreSavedAndGovernReading()
    {
        {
            auto w = start();
            QVERIFY(w->options().formatRead());
            w->options().setFormatRead(false);
            QVERIFY(w->options().setCodepage(QStringLiteral("windows-1252")));
            w->close();
        }
        auto w = start();
        QVERIFY(!w->options().formatRead());
        QCOMPARE(w->options().codepage(), QStringLiteral("windows-1252"));
        const QString other = samples_.file(QStringLiteral("song.bin"));
        QFile::remove(other);
        QVERIFY(QFile::copy(plain_, other));
        w->addFiles({other});
        QTRY_VERIFY_WITH_TIMEOUT(idle(*w), 20000);
        QCOMPARE(cell(*w, 1, FieldNumber::Dur), QStringLiteral("0:01"));
        w->options().setFormatRead(true);
        w->session().table().setCell(1, FieldNumber::Dur, {});
        w->startUpdateJob(1, 1, qm::ReadKind::Info);
        QTRY_VERIFY_WITH_TIMEOUT(idle(*w), 20000);
        QCOMPARE(cell(*w, 1, FieldNumber::Dur), QString());
        QCOMPARE(cell(*w, 1, FieldNumber::Siz), QString::number(QFileInfo(plain_).size()));
        w->options().setCodepage(QStringLiteral("windows-1251"));

        // With only the size read, the information pass leaves the tags to a
        // tag read of its own.
        auto &info = w->options().lists(qm::FieldView::FileInfo);
        info.setRead(1, false);
        info.setRead(2, false);
        QSignalSpy ended(&w->jobs().runner(), &qm::JobRunner::jobEnded);
        w->addFiles({tagged_});
        QTRY_VERIFY_WITH_TIMEOUT(idle(*w), 20000);
        QCOMPARE(ended.count(), 2);
        QCOMPARE(cell(*w, 2, FieldNumber::Tit), QStringLiteral("Song"));
        QCOMPARE(cell(*w, 2, FieldNumber::Dur), QString());
        QCOMPARE(cell(*w, 2, FieldNumber::Siz), QString::number(QFileInfo(tagged_).size()));
    }
};

QTEST_MAIN(JobWiringTest)
#include "test_jobwiring.moc"
