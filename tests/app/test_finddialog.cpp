// The case commands and the find dialog in the window: what the user sees
// change in the table, the button that repeats, and what is kept on restart.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>

#include "app/celleditorbar.h"
#include "app/commands.h"
#include "app/dropdown.h"
#include "app/finddialog.h"
#include "app/gridediting.h"
#include "app/gridmodel.h"
#include "app/mainwindow.h"
#include "app/repairdialog.h"
#include "settings/inifile.h"

using qm::CellRect;
using qm::TfrmTagEditor;
using F = qm::FieldNumber;

class FindDialogTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> dir_;

    static std::unique_ptr<TfrmTagEditor> start()
    {
        auto window = std::make_unique<TfrmTagEditor>();
        window->show();
        if (!QTest::qWaitForWindowExposed(window.get()))
            return nullptr;
        return window;
    }

    static void fillTitles(TfrmTagEditor &w, const QStringList &titles)
    {
        qm::RowTable &t = w.session().table();
        int r = t.appendRows(int(titles.size()));
        for (const QString &title : titles)
            t.setCell(r++, F::Tit, title);
        w.renumberRows(1);
        w.gridModel()->reloadRows();
    }

    static QStringList titles(TfrmTagEditor &w)
    {
        QStringList texts;
        for (int r = 1; r <= w.table().lastFileRow(); ++r)
            texts << w.table().cell(r, F::Tit);
        return texts;
    }

    static void selectTitles(TfrmTagEditor &w)
    {
        const int p = w.table().layout().position(F::Tit);
        // Down to the blank last row, as a click on the column's last cell does.
        w.editing().setSelection(CellRect{p, 1, p, w.table().blankRow()}, p, 1);
    }

    static QAction *command(TfrmTagEditor &w, const char *name)
    {
        return w.commands()[QString::fromLatin1(name)];
    }
    template <typename T> static T *control(qm::TfrmFind *dialog, const char *name)
    {
        return dialog->findChild<T *>(QString::fromLatin1(name));
    }

private slots:
    void init()
    {
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
        qputenv("QUILLMARK_CONFIG_DIR", dir_->path().toLocal8Bit());
    }

    // The table may change while the repair dialog lists its cells: a cell
    // edited since is left as the user made it, the others are repaired.
    void repairSkipsACellChangedWhileTheDialogIsOpen()
    {
        auto w = start();
        QVERIFY(w);
        const QString mangled = QStringLiteral(u"Êîí÷èòñÿ ëåòî");
        fillTitles(*w, {mangled, mangled});
        selectTitles(*w);
        bool applied = false;
        QTimer::singleShot(0, w.get(), [&] {
            auto *dialog =
                qobject_cast<qm::TfrmRepairEncoding *>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            w->session().editCell(1, F::Tit, QStringLiteral("typed"));
            dialog->findChild<QPushButton *>(QStringLiteral("btnApply"))->click();
            applied = true;
        });
        w->findChild<QAction *>(QStringLiteral("aRepairEncoding"))->trigger();
        QVERIFY(applied);
        QCOMPARE(titles(*w),
                 QStringList({QStringLiteral("typed"), QStringLiteral(u"Кончится лето")}));
        // The editor box analyses the cells as they are now, no longer the
        // two equal mangled ones, so typing there keeps the repair.
        QCOMPARE(w->editing().editorBar().box()->currentText(), QStringLiteral("<var>"));
    }

    void caseCommandsChangeTheSelectionAndTheButtonRepeatsAfterARestart()
    {
        {
            auto w = start();
            QVERIFY(w);
            fillTitles(*w, {QStringLiteral("ёлка-палка"), QStringLiteral("the end")});
            selectTitles(*w);
            QVERIFY(command(*w, "aUpUpCase")->isVisible());
            command(*w, "aUpUpCase")->trigger();
            QCOMPARE(titles(*w),
                     QStringList({QStringLiteral("Ёлка-Палка"), QStringLiteral("The End")}));
            QCOMPARE(w->table().cell(w->table().blankRow(), F::Tit), QString());
            QCOMPARE(w->gridModel()->data(w->gridModel()->index(0, int(F::Tit))).toString(),
                     QStringLiteral("Ёлка-Палка"));

            command(*w, "aLowerCase")->trigger();
            QCOMPARE(titles(*w),
                     QStringList({QStringLiteral("ёлка-палка"), QStringLiteral("the end")}));
            command(*w, "aUpperCase")->trigger();
            w->dropDown(QStringLiteral("Case"))->face()->trigger(); // repeats "Все заглавные"
            QCOMPARE(titles(*w),
                     QStringList({QStringLiteral("ЁЛКА-ПАЛКА"), QStringLiteral("THE END")}));
            command(*w, "aLowerCase")->trigger();
            QVERIFY(w->close());
        }
        auto w = start();
        QVERIFY(w);
        fillTitles(*w, {QStringLiteral("LOUD")});
        selectTitles(*w);
        w->dropDown(QStringLiteral("Case"))->face()->trigger();
        QCOMPARE(titles(*w), QStringList({QStringLiteral("loud")}));
        QVERIFY(w->close());
    }

    void findWalksReplacesAllAndKeepsItsHistory()
    {
        {
            auto w = start();
            QVERIFY(w);
            fillTitles(*w, {QStringLiteral("One feat. A"), QStringLiteral("Two"),
                            QStringLiteral("Three FEAT. b")});
            command(*w, "aFind")->trigger();
            qm::TfrmFind *dialog = w->findDialog();
            QVERIFY(dialog->isVisible());
            QVERIFY(!control<QPushButton>(dialog, "btnReplace")->isVisibleTo(dialog));
            QVERIFY(control<QPushButton>(dialog, "btnClose")->isVisibleTo(dialog));
            QList<bool> asked;
            dialog->setRepeatQuestion([&asked](bool forward) {
                asked.append(forward);
                return false;
            });

            control<QComboBox>(dialog, "cmbFind")->setEditText(QStringLiteral("feat."));
            dialog->btnFindClick();
            auto *box = control<QLineEdit>(dialog, "edtCellString");
            QCOMPARE(box->text(), QStringLiteral("One feat. A"));
            QCOMPARE(box->selectedText(), QStringLiteral("feat."));
            QCOMPARE(w->editing().currentRow(), 1);
            QCOMPARE(w->editing().currentColumn(), w->table().layout().position(F::Tit));
            dialog->btnFindClick();
            QCOMPARE(box->selectedText(), QStringLiteral("FEAT."));
            QCOMPARE(w->editing().currentRow(), 3);

            dialog->close();
            command(*w, "aFReplace")->trigger();
            QVERIFY(control<QPushButton>(dialog, "btnReplaceAll")->isVisibleTo(dialog));
            dialog->btnFindClick(); // shown again, the dialog starts from the first cell
            QCOMPARE(w->editing().currentRow(), 1);
            QVERIFY(control<QPushButton>(dialog, "btnReplaceAll")->isEnabled());
            control<QComboBox>(dialog, "cmbReplace")->setEditText(QStringLiteral("ft."));
            dialog->btnReplaceAllClick();
            QCOMPARE(titles(*w), QStringList({QStringLiteral("One ft. A"), QStringLiteral("Two"),
                                              QStringLiteral("Three ft. b")}));
            QCOMPARE(asked, QList<bool>({true}));
            QVERIFY(box->text().isEmpty());
            QVERIFY(!control<QPushButton>(dialog, "btnReplaceAll")->isEnabled());

            control<QComboBox>(dialog, "cmbFind")->setEditText(QStringLiteral("a, b"));
            control<QCheckBox>(dialog, "chbWholeWordsOnly")->setChecked(true);
            dialog->btnFindClick();
            QVERIFY(w->close());
        }
        qm::IniFile ini;
        QVERIFY(ini.load(dir_->filePath(QStringLiteral("TagQuill.ini"))));
        QCOMPARE(ini.readString(u"Find", u"HistoryFind"), QStringLiteral("_\"a, b\",feat."));
        QCOMPARE(ini.readString(u"Find", u"HistoryReplace"), QStringLiteral("_ft."));
        QCOMPARE(ini.readString(u"Find", u"FindWholeWordsOnly"), QStringLiteral("1"));
        auto w = start();
        QVERIFY(w);
        auto *find = control<QComboBox>(w->findDialog(), "cmbFind");
        QCOMPARE(find->count(), 2);
        QCOMPARE(find->itemText(0), QStringLiteral("a, b"));
        QVERIFY(control<QCheckBox>(w->findDialog(), "chbWholeWordsOnly")->isChecked());
        QVERIFY(w->close());
    }
};

QTEST_MAIN(FindDialogTest)
#include "test_finddialog.moc"
