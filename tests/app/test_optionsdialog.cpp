#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDropEvent>
#include <QMimeData>
#include <QHeaderView>
#include <QListWidget>
#include <QMenu>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "app/columnviews.h"
#include "app/commands.h"
#include "app/optionsdialog.h"
#include "table/rowtable.h"

using qm::FieldNumber;
using qm::FieldView;
using qm::TfrmOptions;
using F = FieldNumber;

namespace {

// The dialog over the same options, commands and views the window has.
struct Setup {
    qm::RowTable table;
    qm::Options options;
    qm::CommandSet commands;
    qm::ColumnViews views{table, options, commands};
    TfrmOptions dialog{options, commands};

    Setup() { views.applySavedViews(true, 2); }

    QAction *command(const char *name) const { return commands[QString::fromLatin1(name)]; }
    QListWidget *list(const char *name) const
    {
        return dialog.findChild<QListWidget *>(QString::fromLatin1(name));
    }
    QTabWidget *pages() const
    {
        return dialog.findChild<QTabWidget *>(QStringLiteral("pcnOptions"));
    }
    bool columnShown(F f) const { return table.layout().isShown(f); }
    static void tick(QListWidget *list, int item, bool on)
    {
        list->item(item)->setCheckState(on ? Qt::Checked : Qt::Unchecked);
    }
    static bool ticked(QListWidget *list, int item)
    {
        return list->item(item)->checkState() == Qt::Checked;
    }
    QAction *menuAction(QMenu *menu, const char *name) const
    {
        return menu->findChild<QAction *>(QString::fromLatin1(name));
    }
};

} // namespace

class OptionsDialogTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> dir_;

private slots:
    void init()
    {
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
        qputenv("QUILLMARK_CONFIG_DIR", dir_->path().toLocal8Bit());
    }

    void listsAndGridFollowTheOptions()
    {
        Setup s;
        // Each list holds one item per field of its view.
        QCOMPARE(s.list("clbInfoReadFields")->count(), 3);
        QCOMPARE(s.list("clbTag1ShowFields")->count(), 13);
        QCOMPARE(s.list("clbTag2ShowFields")->item(16)->text(), QStringLiteral("Ссылка"));

        qm::ScanGridModel *grid = s.dialog.scanModel();
        QCOMPARE(grid->index(24, 3).data().toString(), QStringLiteral("Ссылка (%XX)"));
        // Ranks of the default rows 0, 2, 4, 8 ...
        QCOMPARE(grid->index(4, 0).data().toString(), QStringLiteral("3"));
        QCOMPARE(grid->index(3, 0).data().toString(), QString());
        QCOMPARE(grid->index(4, 2).data().toString(), QStringLiteral("+"));
    }

    void showFollowsViewsColumnsAndToolBars()
    {
        Setup s;
        // Lists that drifted from the columns are set after them on showing.
        s.options.lists(FieldView::Id3v2).setShown(2, false);
        s.command("aVisibleBarEdit")->trigger();
        s.dialog.show();
        QCOMPARE(s.pages()->currentIndex(), int(TfrmOptions::PageTag2));
        QVERIFY(Setup::ticked(s.list("clbTag2ShowFields"), 2));
        QVERIFY(!Setup::ticked(s.list("clbToolBarsVisible"), 1));
        QVERIFY(Setup::ticked(s.list("clbToolBarsVisible"), 0));
        s.dialog.close();

        s.command("aID3v1Tag")->trigger();
        s.command("aVisibleTit")->trigger(); // hides Tit and unticks its ID3v1 show item
        s.dialog.show();
        QCOMPARE(s.pages()->currentIndex(), int(TfrmOptions::PageTag1));
        QVERIFY(!Setup::ticked(s.list("clbTag1ShowFields"), 0));
        QVERIFY(Setup::ticked(s.list("clbTag1ReadFields"), 0));
        s.dialog.close();

        s.command("aID3v1Tag")->trigger(); // no tag view left
        s.dialog.show();
        QCOMPARE(s.pages()->currentIndex(), int(TfrmOptions::PageMain));
        Setup::tick(s.list("clbToolBarsVisible"), 1, true);
        QVERIFY(s.command("aVisibleBarEdit")->isChecked());
        Setup::tick(s.list("clbToolBarsVisible"), 6, false);
        QVERIFY(!s.command("aVisibleBarCellsEditor")->isChecked());
        s.dialog.close();
    }

    void showAndReadListsStayTied()
    {
        Setup s;
        QSignalSpy v2(s.command("aID3v2Tag"), &QAction::triggered);
        QSignalSpy editor(&s.dialog, &TfrmOptions::editorTextRequested);
        s.dialog.show();
        QListWidget *read = s.list("clbTag2ReadFields");
        QListWidget *show = s.list("clbTag2ShowFields");

        Setup::tick(show, 2, false);
        QVERIFY(!s.columnShown(F::Art));
        QVERIFY(Setup::ticked(read, 2));
        Setup::tick(show, 2, true);
        QVERIFY(s.columnShown(F::Art));

        // Not reading a field stops showing it.
        Setup::tick(read, 2, false);
        QVERIFY(!Setup::ticked(show, 2));
        QVERIFY(!s.columnShown(F::Art));
        QVERIFY(!s.options.lists(FieldView::Id3v2).isRead(2));
        // Showing it again reads it again.
        Setup::tick(show, 2, true);
        QVERIFY(Setup::ticked(read, 2));
        QVERIFY(s.columnShown(F::Art));

        // A page that is not shown does not touch its view's columns.
        s.pages()->setCurrentIndex(TfrmOptions::PageMain);
        Setup::tick(show, 5, false);
        QVERIFY(s.columnShown(F::Gen));
        s.pages()->setCurrentIndex(TfrmOptions::PageTag2);

        // The last field read stays read.
        for (int i = 1; i < 17; ++i)
            Setup::tick(read, i, false);
        Setup::tick(read, 0, false);
        QVERIFY(Setup::ticked(read, 0));
        QVERIFY(s.options.lists(FieldView::Id3v2).isRead(0));
        QVERIFY(!s.columnShown(F::Xxx));

        s.dialog.close();
        QCOMPARE(v2.count(), 2); // off and on again
        QVERIFY(s.command("aID3v2Tag")->isChecked());
        QCOMPARE(editor.count(), 0);
    }

    void showingAFieldNotReadReadsItAtClose()
    {
        Setup s;
        s.command("aVisibleInf")->trigger();
        s.options.lists(FieldView::FileInfo).setRead(2, false);
        QSignalSpy info(s.command("aFileInfo"), &QAction::triggered);
        s.dialog.show();
        s.pages()->setCurrentIndex(TfrmOptions::PageMain);
        Setup::tick(s.list("clbInfoShowFields"), 2, true);
        QVERIFY(s.columnShown(F::Inf));
        s.dialog.close();
        QCOMPARE(info.count(), 2);
    }

    void popupMenuTicksWholeLists()
    {
        Setup s;
        QSignalSpy info(s.command("aFileInfo"), &QAction::triggered);
        s.pages()->setCurrentIndex(TfrmOptions::PageMain);
        s.dialog.show();
        s.pages()->setCurrentIndex(TfrmOptions::PageMain);
        QCOMPARE(s.dialog.checkListMenu()->actions().at(0)->text(), QStringLiteral("Выделить все"));
        QCOMPARE(s.dialog.checkListMenu()->actions().at(1)->text(),
                 QStringLiteral("Снять выделение"));

        QListWidget *read = s.list("clbInfoReadFields");
        QListWidget *show = s.list("clbInfoShowFields");
        s.dialog.setAllItems(read, false);
        QVERIFY(Setup::ticked(read, 0));
        QVERIFY(!Setup::ticked(read, 1) && !Setup::ticked(read, 2));
        QVERIFY(!Setup::ticked(show, 0) && !Setup::ticked(show, 2));
        QVERIFY(!s.columnShown(F::Siz) && !s.columnShown(F::Dur) && !s.columnShown(F::Inf));

        s.dialog.setAllItems(show, true);
        for (int i = 0; i < 3; ++i)
            QVERIFY(Setup::ticked(read, i) && Setup::ticked(show, i));
        QVERIFY(s.columnShown(F::Siz) && s.columnShown(F::Inf));
        s.dialog.close();
        QCOMPARE(info.count(), 2);
    }

    // A field's show/hide and sort commands, its option items and its scan
    // row take its names from one place: the items say what the commands
    // say, the Lyrics3 names in the ID3v1 view. Command names and images are
    // what saved settings and key maps hold.
    void fieldCommandsAndItemsShareTheirNames()
    {
        Setup s;
        const struct {
            F field;
            const char *visible;
            const char *sort;
            const char *caption;
        } kCommands[] = {
            {F::Dir, "aVisibleDir", "aSortByDirectory", "Путь"},
            {F::Siz, "aVisibleSiz", "aSortBySiz", "Размер"},
            {F::Trc, "aVisibleTrc", "aSortByTrack", "Трек"},
            {F::Cop, "aVisibleCop", "aSortByCop", "Авторское пр."},
            {F::Xxx, "aVisibleXxx", "aSortByXxx", "Ссылка"},
        };
        for (const auto &row : kCommands) {
            QCOMPARE(s.commands.columnCommand(row.field), s.command(row.visible));
            QCOMPARE(s.commands.sortCommand(row.field), s.command(row.sort));
            QCOMPARE(s.command(row.visible)->text(), QString::fromUtf8(row.caption));
            QCOMPARE(qm::CommandSet::imageOf(s.command(row.visible)), 49 + qm::toInt(row.field));
            QCOMPARE(qm::CommandSet::imageOf(s.command(row.sort)), 79 + qm::toInt(row.field));
        }
        const auto itemsFollowCommands = [&](FieldView view, const char *listName) {
            const QList<F> fields = qm::Options::items(view);
            QListWidget *list = s.list(listName);
            QCOMPARE(list->count(), fields.size());
            for (int i = 0; i < fields.size(); ++i) {
                QCOMPARE(list->item(i)->text(), s.commands.columnCommand(fields[i])->text());
                QVERIFY(!s.commands.sortCommand(fields[i])->text().isEmpty());
            }
        };
        s.dialog.show();
        itemsFollowCommands(FieldView::FileInfo, "clbInfoReadFields");
        itemsFollowCommands(FieldView::Id3v2, "clbTag2ReadFields");
        s.dialog.close();
        s.command("aID3v1Tag")->trigger();
        s.dialog.show();
        itemsFollowCommands(FieldView::Id3v1, "clbTag1ShowFields");
        QCOMPARE(s.command("aVisibleCop")->text(), QStringLiteral("Автор"));
        s.dialog.close();
        // The scan table names No, Siz and Cop otherwise than menus and headers.
        qm::ScanGridModel *grid = s.dialog.scanModel();
        QCOMPARE(grid->index(0, 3).data().toString(), QStringLiteral("Номер строки (%NS)"));
        QCOMPARE(grid->index(5, 3).data().toString(), QStringLiteral("Размер (%SZ)"));
        QCOMPARE(grid->index(19, 3).data().toString(), QStringLiteral("Авторское право (%CP)"));
    }

    void lyricsTickAddsAndRemovesSixItems()
    {
        Setup s;
        s.command("aID3v1Tag")->trigger();
        QSignalSpy v1(s.command("aID3v1Tag"), &QAction::triggered);
        s.dialog.show();
        auto *lyrics = s.dialog.findChild<QCheckBox *>(QStringLiteral("chbReadLyrics2"));
        QVERIFY(s.columnShown(F::Slt));
        lyrics->click();
        QCOMPARE(s.list("clbTag1ReadFields")->count(), 7);
        QCOMPARE(s.list("clbTag1ShowFields")->count(), 7);
        QVERIFY(!s.columnShown(F::Ope) && !s.columnShown(F::Slt));
        QVERIFY(s.columnShown(F::Com));
        lyrics->click();
        QCOMPARE(s.list("clbTag1ShowFields")->count(), 13);
        QCOMPARE(s.list("clbTag1ShowFields")->item(12)->text(), QStringLiteral("Текст"));
        QVERIFY(Setup::ticked(s.list("clbTag1ReadFields"), 12)
                && Setup::ticked(s.list("clbTag1ShowFields"), 12));
        QVERIFY(s.columnShown(F::Ope) && s.columnShown(F::Slt));
        s.dialog.close();
        QCOMPARE(v1.count(), 2);
        QVERIFY(s.options.readLyrics2());
    }

    void scanGridEditsAndHandsOverFields()
    {
        Setup s;
        QSignalSpy fields(&s.dialog, &TfrmOptions::scanFieldListChanged);
        QSignalSpy editor(&s.dialog, &TfrmOptions::editorTextRequested);
        s.dialog.show();
        s.dialog.close();
        QCOMPARE(fields.count(), 0); // nothing changed
        QCOMPARE(editor.count(), 1);

        s.dialog.show();
        s.pages()->setCurrentIndex(TfrmOptions::PageScan);
        auto *grid = s.dialog.findChild<QTableView *>(QStringLiteral("stgScanCells"));
        QVERIFY(grid->isColumnHidden(1));
        qm::ScanGridModel *model = s.dialog.scanModel();
        // A click on the mark of the first row switches it off; ranks follow.
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                          grid->visualRect(model->index(0, 2)).center());
        QCOMPARE(model->index(0, 2).data().toString(), QString());
        QCOMPARE(model->index(2, 0).data().toString(), QStringLiteral("1"));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                          grid->visualRect(model->index(0, 3)).center());
        QCOMPARE(model->index(0, 2).data().toString(), QString()); // only the mark column toggles

        // Xxx, off, dragged onto the first row.
        QMimeData drag;
        drag.setData(QString::fromLatin1(qm::ScanGridModel::kRowMimeType), "24");
        const QPoint target = grid->visualRect(model->index(0, 3)).center();
        QDragEnterEvent enter(target, Qt::CopyAction, &drag, Qt::LeftButton, {});
        QApplication::sendEvent(grid->viewport(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(target, Qt::CopyAction, &drag, Qt::LeftButton, {});
        QApplication::sendEvent(grid->viewport(), &drop);
        QCOMPARE(model->index(0, 3).data().toString(), QStringLiteral("Ссылка (%XX)"));
        QCOMPARE(model->index(0, 0).data().toString(), QString());
        const QList<QAction *> menu = s.dialog.scanMenu()->actions();
        QCOMPARE(menu.at(2)->text(), QStringLiteral("По умолчанию"));
        menu.at(2)->trigger(); // marks by position: Xxx is marked now
        QCOMPARE(model->index(0, 0).data().toString(), QStringLiteral("1"));
        s.dialog.close();
        QCOMPARE(fields.count(), 1);
        const auto list = fields.at(0).at(0).value<QList<FieldNumber>>();
        QCOMPARE(list.size(), 8);
        QCOMPARE(list.first(), F::Xxx);
        QCOMPARE(list.at(1), F::Dir);

        s.dialog.show();
        menu.at(1)->trigger();
        s.dialog.close();
        QCOMPARE(fields.count(), 2);
        QVERIFY(fields.at(1).at(0).value<QList<FieldNumber>>().isEmpty());
    }

    void codepageChoiceApplies()
    {
        Setup s;
        auto *combo = s.dialog.findChild<QComboBox *>(QStringLiteral("cmbCodepage"));
        QCOMPARE(combo->currentText(), QStringLiteral("windows-1251"));
        s.dialog.show();
        const int koi = combo->findText(QStringLiteral("KOI8-R"));
        QVERIFY(koi > 0);
        combo->setCurrentIndex(koi);
        emit combo->activated(koi);
        QCOMPARE(s.options.codepage(), QStringLiteral("KOI8-R"));
        QSignalSpy v2(s.command("aID3v2Tag"), &QAction::triggered);
        s.dialog.close();
        QCOMPARE(v2.count(), 2); // tags decoded anew
        QVERIFY(s.options.setCodepage(QStringLiteral("windows-1251")));
    }
};

QTEST_MAIN(OptionsDialogTest)
#include "test_optionsdialog.moc"
