// The list commands of the window with their file dialogs answered by the
// test, and the special-list dialog.

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>

#include "app/celleditorbar.h"
#include "app/columnviews.h"
#include "app/commands.h"
#include "app/dropdown.h"
#include "app/gridediting.h"
#include "app/jobcontrol.h"
#include "app/listcommands.h"
#include "app/mainwindow.h"
#include "app/speclistdialog.h"
#include "session/session.h"

using qm::FieldNumber;
using qm::ListCommands;
using qm::TfrmTagEditor;

class ListCommandsTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> dir_;
    // What the file dialog was asked, and what it answers next.
    QList<ListCommands::FileRequest> asked_;
    QList<ListCommands::FileChoice> answers_;
    QStringList errors_;

    std::unique_ptr<TfrmTagEditor> start()
    {
        auto w = std::make_unique<TfrmTagEditor>();
        w->show();
        w->listCommands().setFileDialog([this](const ListCommands::FileRequest &request) {
            asked_.append(request);
            return answers_.isEmpty() ? ListCommands::FileChoice{} : answers_.takeFirst();
        });
        w->listCommands().setErrorBox([this](const QString &message) { errors_.append(message); });
        return w;
    }

    QString path(const QString &name) const { return dir_->filePath(name); }

    void write(const QString &name, const QByteArray &bytes) const
    {
        QFile file(path(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    static QByteArray read(const QString &file)
    {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }

    static void run(TfrmTagEditor &w, const char *command)
    {
        w.commands()[QString::fromLatin1(command)]->trigger();
        QTRY_VERIFY(!w.jobs().busy() && !w.jobs().runner().isActive());
    }

    static QStringList column(TfrmTagEditor &w, FieldNumber f)
    {
        QStringList cells;
        for (int row = 1; row <= w.table().lastFileRow(); ++row)
            cells << w.table().cell(row, f);
        return cells;
    }

private slots:
    void init()
    {
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
        qputenv("QUILLMARK_CONFIG_DIR", dir_->path().toLocal8Bit());
        asked_.clear();
        answers_.clear();
        errors_.clear();
    }

    // Open, add, save, new and open again: the dialogs are asked with their
    // titles and filters, the table follows the files, the carried tag view
    // comes on without a read, aNewList empties the editor box and is undone.
    void listsGoInAndOut()
    {
        auto w = start();
        const qm::NamedCommands &c = w->commands().named();
        QVERIFY(c.aFileInfo->isChecked() && c.aID3v2Tag->isChecked());

        // A plain text into the empty table: the data views go off first.
        write(QStringLiteral("names.txt"), "one\r\ntwo\r\n");
        answers_ = {{path(QStringLiteral("names.txt")), 1}};
        run(*w, "aOpenList");
        QCOMPARE(asked_.size(), 1);
        QCOMPARE(asked_[0].title, QStringLiteral("Открытие списка"));
        QCOMPARE(asked_[0].filters, ListCommands::openFilters());
        QVERIFY(!asked_[0].save);
        QVERIFY(!c.aFileInfo->isChecked() && !c.aID3v2Tag->isChecked());
        QCOMPARE(column(*w, FieldNumber::New), QStringList({"one", "two"}));

        // A headed list added after them brings its title column: the ID3v2
        // view comes on and keeps the list's titles (nothing is read).
        write(QStringLiteral("tags.txt"),
              "#Path\n/music/\n#Old name\nthree\n#Expansion\nmp3\n#New name\nthree\n#Title\nT3\n");
        answers_ = {{path(QStringLiteral("tags.txt")), 0}};
        run(*w, "aAddList");
        QCOMPARE(w->dropDown(QStringLiteral("Add"))->current(), c.aAddList); // tbtAdd repeats it
        QCOMPARE(column(*w, FieldNumber::New), QStringList({"one", "two", "three"}));
        QCOMPARE(column(*w, FieldNumber::Tit), QStringList({"", "", "T3"}));
        QVERIFY(c.aID3v2Tag->isChecked());
        QVERIFY(w->table().layout().isShown(FieldNumber::Tit));

        answers_ = {{path(QStringLiteral("saved.txt")), 0}};
        run(*w, "aSaveList");
        QCOMPARE(asked_.last().title, QStringLiteral("Сохранение списка"));
        QCOMPARE(asked_.last().defaultName, QStringLiteral("Список"));
        QCOMPARE(asked_.last().filters, ListCommands::saveFilters());
        QVERIFY(asked_.last().save);
        QVERIFY(read(path(QStringLiteral("saved.txt"))).startsWith("#Tag 2\r\n"));
        QCOMPARE(w->session().runner().status(), QStringLiteral("Сохранено строк: 3 (saved.txt)"));

        w->editing().selectRows(1, 1);
        QVERIFY(!w->editing().editorBar().box()->currentText().isEmpty());
        run(*w, "aNewList");
        QCOMPARE(w->table().fileRowCount(), 0);
        QCOMPARE(w->editing().editorBar().box()->currentText(), QString());
        QVERIFY(w->session().canUndo());
        w->session().undo();
        QCOMPARE(w->table().fileRowCount(), 3);

        answers_ = {{path(QStringLiteral("saved.txt")), 0}};
        run(*w, "aOpenList");
        QCOMPARE(column(*w, FieldNumber::New), QStringList({"one", "two", "three"}));
        QCOMPARE(column(*w, FieldNumber::Tit), QStringList({"", "", "T3"}));
        QCOMPARE(column(*w, FieldNumber::Dir).last(), QStringLiteral("/music/"));
        // The list brought the disk's state in: nothing to undo.
        QVERIFY(!w->session().canUndo());

        // The play-list entry writes an m3u after switching the file
        // information on, and reads it back by the m3u rules.
        answers_ = {{path(QStringLiteral("saved.m3u")), 2}};
        run(*w, "aSaveList");
        QVERIFY(c.aFileInfo->isChecked());
        const QByteArray m3u = read(path(QStringLiteral("saved.m3u")));
        QVERIFY2(m3u.startsWith("#EXTM3U\r\n") && m3u.contains("\r\n/music/three.mp3\r\n"), m3u);
        answers_ = {{path(QStringLiteral("saved.m3u")), 2}};
        run(*w, "aOpenList");
        QCOMPARE(column(*w, FieldNumber::Old).last(), QStringLiteral("three"));
        QCOMPARE(column(*w, FieldNumber::Dir).last(), QStringLiteral("/music/"));
        QCOMPARE(errors_, QStringList());
    }

    // Cancelled dialogs, an empty table, a list that cannot be read and one
    // that cannot be created.
    void failuresAndNothingToDo()
    {
        auto w = start();
        run(*w, "aSaveList");
        QVERIFY(asked_.isEmpty()); // no file row: no dialog

        run(*w, "aOpenList"); // cancelled
        QCOMPARE(asked_.size(), 1);
        QCOMPARE(w->table().fileRowCount(), 0);

        const QString missing = path(QStringLiteral("missing.txt"));
        answers_ = {{missing, 0}};
        run(*w, "aOpenList");
        QCOMPARE(errors_, QStringList{QStringLiteral("Не удается открыть файл: \n") + missing});
        QCOMPARE(w->table().fileRowCount(), 0);

        write(QStringLiteral("names.txt"), "one\n");
        answers_ = {{path(QStringLiteral("names.txt")), 0}};
        run(*w, "aOpenList");
        const QString unwritable = path(QStringLiteral("no/such/folder/list.txt"));
        errors_.clear();
        for (int filter : {0, 1, 2}) {
            answers_ = {{unwritable, filter}};
            run(*w, "aSaveList");
        }
        QCOMPARE(errors_,
                 QStringList(3, QStringLiteral("Не удается создать файл: \n") + unwritable));
        QCOMPARE(w->table().fileRowCount(), 1);
    }

    // The dialog's enabling, captions and hints follow the window's views.
    void specListFollowsTheViews_data()
    {
        QTest::addColumn<int>("tagView");
        QTest::addColumn<bool>("fileInfo");
        QTest::addColumn<bool>("separate");
        QTest::newRow("nothing") << 0 << false << false;
        QTest::newRow("v1 info") << 1 << true << false;
        QTest::newRow("v2 separate") << 2 << false << true;
    }
    void specListFollowsTheViews()
    {
        QFETCH(int, tagView);
        QFETCH(bool, fileInfo);
        QFETCH(bool, separate);
        qm::TfrmSpecList d;
        QCOMPARE(d.windowTitle(), QStringLiteral("Cпециальный список"));
        d.applyViews({tagView, fileInfo, separate});
        const bool tags = tagView != 0;
        const bool v2 = tagView == 2;
        for (const char *code : {"%TT", "%AR", "%TR", "%OA", "%TX", "%CP"})
            QCOMPARE(d.codeButton(QString::fromLatin1(code))->isEnabled(), tags);
        QCOMPARE(d.grbTag->toolTip().isEmpty(), tags);
        QCOMPARE(d.grbID3Tagv2->title(),
                 v2 ? QStringLiteral("ID3 Tag v2") : QStringLiteral("Lyrics"));
        // Every button shown whole.
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        for (QPushButton *button : d.findChildren<QPushButton *>()) {
            if (button->isVisible())
                QVERIFY2(button->height() >= button->sizeHint().height()
                             && button->width() >= button->sizeHint().width(),
                         qPrintable(button->text()));
        }
        QCOMPARE(d.codeButton(QStringLiteral("%OY"))->text(),
                 v2 ? QStringLiteral("<-(%OY) Ориг. год")
                    : QStringLiteral("<-(%OY) Комментарий 2"));
        QCOMPARE(d.codeButton(QStringLiteral("%CP"))->text(),
                 v2 ? QStringLiteral("<-(%CP) Авторское пр.") : QStringLiteral("<-(%CP) Автор"));
        for (const char *code : {"%EN", "%CM", "%LN", "%XX"})
            QCOMPARE(d.codeButton(QString::fromLatin1(code))->isVisibleTo(&d), v2);
        for (const char *code : {"%SZ", "%DU", "%IN"})
            QCOMPARE(d.codeButton(QString::fromLatin1(code))->isEnabled(), fileInfo);
        QCOMPARE(d.codeButton(QStringLiteral("%NF"))->isEnabled(), separate);
        QCOMPARE(d.chbTitleStr->isEnabled(), separate);
        QCOMPARE(d.txtTitleStr->toolTip().isEmpty(), separate);
        // The title template is grey unless title lines will be written.
        const auto grey = [&d] {
            return d.txtTitleStr->palette().color(QPalette::Text)
                   == d.palette().color(QPalette::Disabled, QPalette::Text);
        };
        QCOMPARE(grey(), !separate);
        if (separate) {
            d.chbTitleStr->click();
            QVERIFY(grey());
        }
        QVERIFY(d.codeButton(QStringLiteral("%NS"))->isEnabled());
    }

    // A code replaces the selection of the box left last; the caret stands
    // behind it, so a second code follows the first.
    void codesArePastedWhereTheBoxWasLeft()
    {
        qm::TfrmSpecList d;
        d.show();
        QVERIFY(QTest::qWaitForWindowActive(&d));
        d.txtString->setText(QStringLiteral("%NS.%TT"));
        d.txtString->setFocus();
        d.txtString->setSelection(4, 3);
        d.txtTitleStr->setFocus(); // leaves txtString with "%TT" selected
        d.codeButton(QStringLiteral("%AR"))->click();
        d.codeButton(QStringLiteral("%AL"))->click();
        QCOMPARE(d.txtString->text(), QStringLiteral("%NS.%AR%AL"));
        QCOMPARE(d.txtTitleStr->text(), QStringLiteral("#%AL %YE"));
        QCOMPARE(d.txtString->cursorPosition(), 10);
    }

    // The templates live in section SpecList across runs; Save hands over to
    // the save dialog on its special-list entry and writes by the templates.
    void templatesAreKeptAndSaveWritesTheSpecialList()
    {
        {
            auto w = start();
            QCOMPARE(w->listCommands().specListDialog().txtString->text(),
                     QStringLiteral("%NS.%TT"));
            w->listCommands().specListDialog().txtString->setText(QStringLiteral("%NS: %NN"));
            w->listCommands().specListDialog().txtTitleStr->setText(QStringLiteral("== %FN"));
            w->close();
        }
        auto w = start();
        qm::TfrmSpecList &d = w->listCommands().specListDialog();
        QCOMPARE(d.txtString->text(), QStringLiteral("%NS: %NN"));
        QCOMPARE(d.txtTitleStr->text(), QStringLiteral("== %FN"));

        write(QStringLiteral("names.txt"), "one\ntwo\n");
        answers_ = {{path(QStringLiteral("names.txt")), 0}};
        run(*w, "aOpenList");
        answers_ = {{path(QStringLiteral("special.txt")), 1}};
        QTimer::singleShot(0, &d, [&d] { d.btnSave->click(); });
        run(*w, "aSpecList");
        QCOMPARE(asked_.last().filter, 1);
        QCOMPARE(read(path(QStringLiteral("special.txt"))), QByteArray("01: one\r\n02: two\r\n"));
    }
};

QTEST_MAIN(ListCommandsTest)
#include "test_listcommands.moc"
