// The write commands in the window: the error window, the questions as
// message boxes, and update and write-tag runs on real files.

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <memory>

#include "app/adddirectorydialog.h"
#include "app/columnviews.h"
#include "app/commands.h"
#include "app/dropdown.h"
#include "app/errorwindow.h"
#include "app/gridmodel.h"
#include "app/jobcontrol.h"
#include "app/mainwindow.h"
#include "app/namegrid.h"
#include "app/writecommands.h"
#include "app/writequestions.h"
#include "jobs/writemessage.h"
#include "settings/inifile.h"
#include "table/cellblock.h"
#include "testfiles.h"

using qm::Answer;
using qm::FieldNumber;
using qm::TfrmError;
using qm::TfrmTagEditor;
using Msg = qm::WriteMessage;

namespace {

// Presses the button with `text` on the next message box that opens, and
// keeps its text.
class BoxAnswerer : public QObject {
public:
    explicit BoxAnswerer(QMessageBox::StandardButton button) : button_(button)
    {
        timer_.setInterval(20);
        QObject::connect(&timer_, &QTimer::timeout, this, [this] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box)
                return;
            texts.append(box->text());
            captions.append(box->windowTitle());
            icons.append(box->icon());
            if (QAbstractButton *b = box->button(button_))
                b->click();
            else
                box->reject();
        });
        timer_.start();
    }
    QStringList texts;
    QStringList captions;
    QList<QMessageBox::Icon> icons;

private:
    QMessageBox::StandardButton button_;
    QTimer timer_;
};

qm::ErrorTable errorsOf(const qm::RowTable &table, const QList<int> &rows, const QString &message)
{
    qm::ErrorTable errors;
    for (int row : rows)
        errors.rows.push_back(qm::ErrorTable::entry(table.row(row), table.layout(), message));
    return errors;
}

} // namespace

class WriteGuiTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> config_;
    qm::test::TempFolder samples_;
    QString plain_;
    bool haveMp3_ = false;

    QString iniPath() const { return config_->filePath(QStringLiteral("TagQuill.ini")); }

    static QAction *command(TfrmTagEditor &w, const char *name)
    {
        return w.commands()[QString::fromLatin1(name)];
    }
    static bool idle(TfrmTagEditor &w) { return !w.jobs().busy() && !w.jobs().runner().isActive(); }

    // A main table of three rows with names and tag cells.
    static void fillTable(qm::RowTable &table)
    {
        table.buildHeaderRow();
        const int first = table.appendRows(3);
        for (int i = 0; i < 3; ++i) {
            const int row = first + i;
            table.setCell(row, FieldNumber::No, QString::number(row));
            table.setCell(row, FieldNumber::Dir, QStringLiteral("/music/"));
            table.setCell(row, FieldNumber::Old, QStringLiteral("old%1").arg(row));
            table.setCell(row, FieldNumber::New, QStringLiteral("new%1").arg(row));
            table.setCell(row, FieldNumber::Ext, QStringLiteral("mp3"));
            table.setCell(row, FieldNumber::Tit, QStringLiteral("Title %1").arg(row));
            table.setCell(row, FieldNumber::Art, QStringLiteral("Artist %1").arg(row));
        }
    }

    QString makeFolder(const QString &name, int count)
    {
        QString folder = samples_.file(name);
        QDir().mkpath(folder);
        for (int i = 0; i < count; ++i)
            QFile::copy(plain_, folder + QStringLiteral("/%1.mp3").arg(i, 2, 10, QLatin1Char('0')));
        return folder;
    }

    std::unique_ptr<TfrmTagEditor> windowWithFolder(const QString &folder)
    {
        auto w = std::make_unique<TfrmTagEditor>();
        w->show();
        w->addDirectoryDialog()
            ->findChild<QComboBox *>(QStringLiteral("cmbFilter"))
            ->setCurrentText(QStringLiteral("*.mp3"));
        emit w->addDirectoryDialog()->addRequested({folder}, QStringLiteral("*.mp3"), false, false);
        if (!QTest::qWaitFor([&] { return idle(*w); }, 20000))
            return nullptr;
        return w;
    }

    // The folder scan keeps the directory's order: rows are found by name.
    static int rowOf(TfrmTagEditor &w, const QString &old)
    {
        for (int row = 1; row <= w.table().lastFileRow(); ++row)
            if (w.table().cell(row, FieldNumber::Old) == old)
                return row;
        return 0;
    }

    static void setNew(TfrmTagEditor &w, int row, const QString &name)
    {
        w.session().table().setCell(row, FieldNumber::New, name);
        w.gridModel()->cellsChanged(row, row);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(samples_.isValid());
        plain_ = samples_.file(QStringLiteral("plain.mp3"));
        haveMp3_ = qm::test::makeMp3(plain_, {0.3});
    }

    void init()
    {
        config_ = std::make_unique<QTemporaryDir>();
        QVERIFY(config_->isValid());
        qputenv("QUILLMARK_CONFIG_DIR", config_->path().toLocal8Bit());
    }

    // Header of the main table plus "Ошибка", full copies of the failed rows,
    // the hidden zone hidden, the size limits, copy and select all; closing
    // empties the table.
    void errorWindowListsFailedRows()
    {
        qm::RowTable table;
        fillTable(table);
        TfrmError window(table, iniPath());
        window.setErrors(errorsOf(table, {1, 3}, Msg::NoFile()));
        window.show();

        QCOMPARE(window.columnCount(), qm::kColumnCount + 1);
        QCOMPARE(window.errorRowCount(), 2);
        const qm::ColumnLayout &layout = table.layout();
        const int dir = layout.position(FieldNumber::Dir);
        QCOMPARE(window.cellText(0, dir), table.cell(0, FieldNumber::Dir));
        QCOMPARE(window.cellText(0, qm::kColumnCount), QStringLiteral("Ошибка"));
        QCOMPARE(window.cellText(2, layout.position(FieldNumber::Old)), QStringLiteral("old3"));
        QCOMPARE(window.cellText(2, layout.position(FieldNumber::Tit)), QStringLiteral("Title 3"));
        QCOMPARE(window.cellText(1, qm::kColumnCount), Msg::NoFile());
        QCOMPARE(window.grid()->horizontalHeader()->sectionSize(qm::kColumnCount),
                 TfrmError::kErrorColumnWidth);
        for (int position = 0; position < layout.noPosition(); ++position)
            QVERIFY(window.grid()->isColumnHidden(position));

        window.resize(100, 100);
        QVERIFY(window.width() >= TfrmError::kMinWidth);
        QVERIFY(window.height() >= TfrmError::kMinHeight);
        // The table ends 20 pixels plus a button above the bottom.
        const QRect grid = window.grid()->geometry();
        QCOMPARE(grid.width(), window.width());
        QCOMPARE(window.closeButton()->geometry().right(), window.width() - 11);
        QCOMPARE(window.closeButton()->y(), grid.y() + grid.height() + 10);

        // Rows in order, tabs between cells, the message last.
        window.selectAllAction()->trigger();
        window.copyAction()->trigger();
        const QStringList lines = QApplication::clipboard()->text().split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 3);
        QVERIFY(lines[0].contains(QStringLiteral("/music/\told1\tnew1")));
        QVERIFY(lines[1].endsWith(QLatin1Char('\t') + Msg::NoFile()));

        window.close();
        QCOMPARE(window.errorRowCount(), 0);
        window.show();
        QCOMPARE(window.errorRowCount(), 0);
    }

    // Beside a main window that stays on top the error window does too, or
    // it would open behind it.
    void errorWindowStaysOnTopWithTheMainWindow()
    {
        qm::RowTable table;
        fillTable(table);
        QWidget main;
        TfrmError window(table, iniPath(), &main);
        window.setErrors(errorsOf(table, {1}, Msg::NoFile()));
        for (const bool onTop : {true, false}) {
            main.setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
            window.showIfErrors();
            QVERIFY(window.isVisible());
            QCOMPARE(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint), onTop);
        }
    }

    // All columns of the failed rows come back, in the order of the error
    // table; the rows are numbered anew by the window.
    void deleteRenamedKeepsOnlyFailedRows()
    {
        qm::RowTable table;
        fillTable(table);
        TfrmError window(table, iniPath());
        // The table's owner, as the main window's session is.
        window.replaceMainTable = [&](const std::vector<QStringList> &rows,
                                      const qm::ColumnLayout &layout, int columns) {
            qm::replaceFileRows(table, rows, layout, columns);
        };
        window.setErrors(errorsOf(table, {1, 3}, Msg::TargetExists()));
        window.show();
        bool replaced = false;
        window.mainTableReplaced = [&] { replaced = true; };
        window.deleteButton()->click();
        QVERIFY(replaced);
        QCOMPARE(table.fileRowCount(), 2);
        QCOMPARE(table.cell(1, FieldNumber::Old), QStringLiteral("old1"));
        QCOMPARE(table.cell(2, FieldNumber::Old), QStringLiteral("old3"));
        QCOMPARE(table.cell(2, FieldNumber::New), QStringLiteral("new3"));
        QCOMPARE(table.cell(2, FieldNumber::Tit), QStringLiteral("Title 3"));
        QCOMPARE(table.cell(2, FieldNumber::Art), QStringLiteral("Artist 3"));
        QCOMPARE(table.cell(2, FieldNumber::Ext), QStringLiteral("mp3"));
        QVERIFY(table.cell(table.blankRow(), FieldNumber::Old).isEmpty());
    }

    // Without a saved size the window opens on the reason, Old and New.
    void errorWindowOpensOnNamesAndReason()
    {
        qm::RowTable table;
        fillTable(table);
        TfrmError window(table, iniPath());
        window.setErrors(errorsOf(table, {1}, Msg::NoFile()));
        window.show();
        QVERIFY(window.width() > TfrmError::kMinWidth);
        QHeaderView *header = window.grid()->horizontalHeader();
        const qm::ColumnLayout &layout = table.layout();
        for (int column : {layout.position(FieldNumber::Old), layout.position(FieldNumber::New),
                           qm::kColumnCount}) {
            QTRY_VERIFY(header->sectionViewportPosition(column) >= 0);
            QTRY_VERIFY(header->sectionViewportPosition(column) + header->sectionSize(column)
                        <= window.grid()->viewport()->width());
        }
    }

    // Size written at close only in the normal state; a maximized state opens
    // maximized; sizes below the limits grow to them; other sections stay.
    void errorSectionRoundTrip()
    {
        qm::RowTable table;
        fillTable(table);
        {
            QFile file(iniPath());
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("[Other]\nKey=1\n[Error]\nWindowState=0\nHeight=300\nWidth=640\n");
        }
        {
            TfrmError window(table, iniPath());
            window.show();
            QCOMPARE(window.size(), QSize(640, 300));
            window.resize(700, 350);
            window.close();
        }
        qm::IniFile ini;
        QVERIFY(ini.load(iniPath()));
        QCOMPARE(ini.readInteger(QStringLiteral("Error"), QStringLiteral("Width"), 0), 700);
        QCOMPARE(ini.readInteger(QStringLiteral("Error"), QStringLiteral("Height"), 0), 350);
        QCOMPARE(ini.readInteger(QStringLiteral("Other"), QStringLiteral("Key"), 0), 1);

        // A size the screen cannot hold opens maximized.
        ini.writeInteger(QStringLiteral("Error"), QStringLiteral("Width"), 99999);
        QVERIFY(ini.save(iniPath()));
        {
            TfrmError window(table, iniPath());
            window.show();
            QVERIFY(window.isMaximized());
        }

        ini.writeInteger(QStringLiteral("Error"), QStringLiteral("Width"), 10);
        ini.writeInteger(QStringLiteral("Error"), QStringLiteral("Height"), 10);
        QVERIFY(ini.save(iniPath()));
        {
            TfrmError window(table, iniPath());
            window.show();
            // A saved width not above the minimum gives the opening width.
            QCOMPARE(window.height(), TfrmError::kMinHeight);
            QVERIFY(window.width() > TfrmError::kMinWidth);
            window.setWindowState(Qt::WindowMaximized);
            window.close();
        }
        QVERIFY(ini.load(iniPath()));
        QCOMPARE(ini.readInteger(QStringLiteral("Error"), QStringLiteral("WindowState"), -1), 2);
        QCOMPARE(ini.readInteger(QStringLiteral("Error"), QStringLiteral("Width"), 0), 10);
        TfrmError window(table, iniPath());
        window.show();
        QVERIFY(window.isMaximized());
    }

    void messageBoxesAnswerTheJob()
    {
        QWidget parent;
        qm::MessageBoxQuestions questions(&parent);
        {
            BoxAnswerer answerer(QMessageBox::YesToAll);
            QCOMPARE(questions.askCreateFolder(Msg::CreateFolderQuestion(QStringLiteral("/x/"))),
                     Answer::YesToAll);
            QCOMPARE(answerer.texts, QStringList{Msg::CreateFolderQuestion(QStringLiteral("/x/"))});
            QCOMPARE(answerer.icons.value(0), QMessageBox::Warning);
        }
        {
            BoxAnswerer answerer(QMessageBox::NoToAll);
            QCOMPARE(questions.askReplaceFile(QStringLiteral("?")), Answer::NoToAll);
        }
        {
            // A box closed without a button is a No.
            BoxAnswerer answerer(QMessageBox::Help);
            QCOMPARE(questions.askReplaceFile(QStringLiteral("?")), Answer::No);
        }
        BoxAnswerer answerer(QMessageBox::Ok);
        questions.showError(Msg::WriteNewNames());
        QCOMPARE(answerer.captions, QStringList{QStringLiteral("Ошибка")});
        QCOMPARE(answerer.icons.value(0), QMessageBox::Critical);
    }

    // A question that would replace or create something answers No to a
    // plain Enter: No is the default and the focused button.
    void questionsDefaultToNo()
    {
        QWidget parent;
        qm::MessageBoxQuestions questions(&parent);
        bool noIsDefault = false;
        const auto pressEnter = [&noIsDefault] {
            QTimer::singleShot(0, [&noIsDefault] {
                (void)QTest::qWaitFor([] { return QApplication::activeModalWidget() != nullptr; },
                                      2000);
                auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
                if (!box)
                    return;
                QAbstractButton *no = box->button(QMessageBox::No);
                (void)QTest::qWaitFor([no] { return QApplication::focusWidget() == no; }, 1000);
                noIsDefault = box->defaultButton() == no && QApplication::focusWidget() == no;
                QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : box,
                                Qt::Key_Return);
            });
        };
        pressEnter();
        QCOMPARE(questions.askReplaceFile(Msg::ReplaceFileQuestion(QStringLiteral("/x/a.mp3"))),
                 Answer::No);
        QVERIFY(noIsDefault);
        noIsDefault = false;
        pressEnter();
        QCOMPARE(questions.askCreateFolder(Msg::CreateFolderQuestion(QStringLiteral("/x/"))),
                 Answer::No);
        QVERIFY(noIsDefault);
    }

    // The starters are offered once they work; the write-tag commands only
    // with a tag view on.
    void commandsShowWithTheirWork()
    {
        TfrmTagEditor w;
        w.show();
        for (const char *name : {"aUpdate", "aUpdateSel"})
            QVERIFY2(command(w, name)->isVisible(), name);
        QVERIFY(w.findChild<QAction *>(QStringLiteral("mmiMoveFiles"))->isVisible());
        QVERIFY(w.findChild<QAction *>(QStringLiteral("mmiOnlySelTag"))->isVisible());
        QVERIFY(command(w, "aWriteID3v2Tag")->isVisible());
        // The Update button runs the command chosen last, which also holds
        // Ctrl+U; on an empty table the job has nothing to do.
        command(w, "aUpdateSel")->trigger();
        QTRY_VERIFY(idle(w));
        QSignalSpy selected(command(w, "aUpdateSel"), &QAction::triggered);
        w.dropDown(QStringLiteral("Update"))->face()->trigger();
        QCOMPARE(selected.count(), 1);
        QCOMPARE(command(w, "aUpdateSel")->shortcut(), QKeySequence(QStringLiteral("Ctrl+U")));
        QVERIFY(command(w, "aUpdate")->shortcut().isEmpty());
        QTRY_VERIFY(idle(w));
        w.views().applySavedViews(true, 0);
        QVERIFY(!command(w, "aWriteID3v2Tag")->isVisible());
        w.views().applySavedViews(true, 1);
        QVERIFY(command(w, "aWriteID3v1Tag")->isVisible());
    }

    // Update over a real folder: a move into a new subfolder after the
    // question, a name with a forbidden character listed in the error window,
    // a plain rename; the cells swap for the renamed rows. A second update
    // closes the error window as it starts.
    void updateRenamesAndListsFailures()
    {
        if (!haveMp3_)
            QM_QMISSING_TOOL("needs lame and ffmpeg");
        const QString folder = makeFolder(QStringLiteral("update"), 3);
        auto w = windowWithFolder(folder);
        QVERIFY(w);
        QCOMPARE(w->table().fileRowCount(), 3);
        const int first = rowOf(*w, QStringLiteral("00"));
        const int bad = rowOf(*w, QStringLiteral("01"));
        // The plan a move shows first is the acceptance suite's to answer.
        w->session().options().setShowMovePlan(false);
        setNew(*w, first, QStringLiteral("sub/first"));
        setNew(*w, bad, QStringLiteral("bad?name"));
        setNew(*w, rowOf(*w, QStringLiteral("02")), QStringLiteral("third"));

        BoxAnswerer answerer(QMessageBox::Yes);
        TfrmError &errors = w->writeCommands().errorWindow();
        command(*w, "aUpdate")->trigger();
        // The failed rows may not replace the table while a job works on it.
        QVERIFY(!errors.deleteButton()->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(idle(*w), 20000);

        QCOMPARE(answerer.texts,
                 QStringList{Msg::CreateFolderQuestion(folder + QStringLiteral("/sub/"))});
        QVERIFY(QFileInfo::exists(folder + QStringLiteral("/sub/first.mp3")));
        QVERIFY(QFileInfo::exists(folder + QStringLiteral("/01.mp3")));
        QVERIFY(QFileInfo::exists(folder + QStringLiteral("/third.mp3")));
        QVERIFY(!QFileInfo::exists(folder + QStringLiteral("/00.mp3")));
        QCOMPARE(w->table().cell(first, FieldNumber::Old), QStringLiteral("sub/first"));
        QCOMPARE(w->table().cell(first, FieldNumber::New), QStringLiteral("00"));
        QCOMPARE(w->gridModel()
                     ->data(w->gridModel()->index(first - 1, qm::toInt(FieldNumber::Old)),
                            Qt::DisplayRole)
                     .toString(),
                 QStringLiteral("sub/first"));

        QTRY_VERIFY(errors.isVisible());
        QVERIFY(errors.deleteButton()->isEnabled());
        QCOMPARE(errors.errorRowCount(), 1);
        QCOMPARE(errors.cellText(1, errors.columnCount() - 1), Msg::ForbiddenFirst());
        QCOMPARE(errors.cellText(1, w->table().layout().position(FieldNumber::New)),
                 QStringLiteral("bad?name"));

        // Nothing left to rename but the bad row: it fails again, the window
        // was closed at the start and shows the new failure only.
        w->grid()->selectionModel()->clearSelection();
        w->grid()->setCurrentIndex(w->gridModel()->index(bad - 1, qm::toInt(FieldNumber::Old)));
        command(*w, "aUpdateSel")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(idle(*w), 20000);
        QTRY_VERIFY(errors.isVisible());
        QCOMPARE(errors.errorRowCount(), 1);

        errors.deleteButton()->click();
        QCOMPARE(w->table().fileRowCount(), 1);
        QCOMPARE(w->table().cell(1, FieldNumber::New), QStringLiteral("bad?name"));
        QCOMPARE(w->table().cell(1, FieldNumber::No), QStringLiteral("01"));
        QCOMPARE(w->gridModel()->rowCount(), 2);
    }

    // Copy mode keeps the source; no New names at all gives the error box and
    // touches nothing; the choice is saved as "Move Files".
    void copyModeAndMissingNames()
    {
        if (!haveMp3_)
            QM_QMISSING_TOOL("needs lame and ffmpeg");
        const QString folder = makeFolder(QStringLiteral("copy"), 2);
        auto w = windowWithFolder(folder);
        QVERIFY(w);
        qm::FixedAnswers answers;
        w->writeCommands().setQuestions(&answers);
        setNew(*w, 1, QString());
        setNew(*w, 2, QString());
        command(*w, "aUpdate")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(idle(*w), 20000);
        QCOMPARE(answers.errors, QStringList{Msg::WriteNewNames()});
        QVERIFY(!w->writeCommands().errorWindow().isVisible());

        w->findChild<QAction *>(QStringLiteral("mmiCopyFiles"))->trigger();
        setNew(*w, rowOf(*w, QStringLiteral("00")), QStringLiteral("copied"));
        setNew(*w, rowOf(*w, QStringLiteral("01")), QStringLiteral("01")); // the copy target exists
        command(*w, "aUpdate")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(idle(*w), 20000);
        QVERIFY(QFileInfo::exists(folder + QStringLiteral("/00.mp3")));
        QVERIFY(QFileInfo::exists(folder + QStringLiteral("/copied.mp3")));
        TfrmError &errors = w->writeCommands().errorWindow();
        QTRY_VERIFY(errors.isVisible());
        QCOMPARE(errors.cellText(1, errors.columnCount() - 1), Msg::ChangeImpossible());
        // The error window has no owner; it goes with the main window.
        w->close();
        QVERIFY(!errors.isVisible());
        qm::IniFile ini;
        QVERIFY(ini.load(iniPath()));
        QCOMPARE(ini.readBool(QStringLiteral("Edit"), QStringLiteral("Move Files"), true), false);
        QVERIFY(ini.hasSection(QStringLiteral("Error")));
    }

    // Write-tag with "Только выделенные": only the selected row's file gets
    // the tag; the button and Ctrl+W follow the command used.
    void writeTagOfSelectedRows()
    {
        if (!haveMp3_)
            QM_QMISSING_TOOL("needs lame and ffmpeg");
        const QString folder = makeFolder(QStringLiteral("tags"), 3);
        auto w = windowWithFolder(folder);
        QVERIFY(w);
        for (int row = 1; row <= 3; ++row) {
            w->session().table().setCell(row, FieldNumber::Tit,
                                         QStringLiteral("Титул %1").arg(row));
            w->session().table().setCell(row, FieldNumber::Art, QStringLiteral("Band"));
        }
        w->findChild<QAction *>(QStringLiteral("mmiOnlySelTag"))->setChecked(true);
        const int chosen = rowOf(*w, QStringLiteral("01"));
        w->grid()->selectionModel()->select(
            QItemSelection(w->gridModel()->index(chosen - 1, 0),
                           w->gridModel()->index(chosen - 1, qm::kColumnCount - 1)),
            QItemSelectionModel::ClearAndSelect);
        QCOMPARE(w->writeCommands().selectedRows(), std::make_pair(chosen, chosen));
        command(*w, "aWriteID3v2Tag")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(idle(*w), 20000);
        QCOMPARE(command(*w, "aWriteID3v2Tag")->shortcut(), QKeySequence(QStringLiteral("Ctrl+W")));
        QCOMPARE(w->dropDown(QStringLiteral("Write Tag"))->current(),
                 command(*w, "aWriteID3v2Tag"));
        QVERIFY(!w->writeCommands().errorWindow().isVisible());

        if (!qm::test::haveMutagen())
            QM_QMISSING_TOOL("needs mutagen");
        const QJsonObject second = qm::test::mutagenRead(folder + QStringLiteral("/01.mp3"));
        QCOMPARE(qm::test::mutagenText(second, QStringLiteral("TIT2")),
                 QStringLiteral("Титул %1").arg(chosen));
        QCOMPARE(qm::test::mutagenText(second, QStringLiteral("TPE1")), QStringLiteral("Band"));
        const QJsonObject first = qm::test::mutagenRead(folder + QStringLiteral("/00.mp3"));
        QVERIFY(qm::test::mutagenText(first, QStringLiteral("TIT2")).isNull());
    }

    // A journal that cannot be kept stops the write before any file is
    // touched, and the box says why and where.
    void writeWithoutItsJournalDoesNotStart()
    {
        if (!haveMp3_)
            QSKIP("needs lame and ffmpeg");
        const QString folder = makeFolder(QStringLiteral("nojournal"), 1);
        auto w = windowWithFolder(folder);
        QVERIFY(w);
        const QByteArray before = qm::test::readAll(folder + QStringLiteral("/00.mp3"));
        const QString blocked = samples_.file(QStringLiteral("blocked"));
        QVERIFY(qm::test::writeAll(blocked, "a file where the data folder should be"));
        const QByteArray dataDir = qgetenv("QUILLMARK_DATA_DIR");
        qputenv("QUILLMARK_DATA_DIR", blocked.toLocal8Bit());
        w->session().table().setCell(1, FieldNumber::Tit, QStringLiteral("New"));
        BoxAnswerer answerer(QMessageBox::Ok);
        command(*w, "aWriteID3v2Tag")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(idle(*w) && !answerer.texts.isEmpty(), 20000);
        qputenv("QUILLMARK_DATA_DIR", dataDir);
        QVERIFY2(answerer.texts.value(0).contains(blocked), qPrintable(answerer.texts.value(0)));
        QCOMPARE(qm::test::readAll(folder + QStringLiteral("/00.mp3")), before);
    }
};

QTEST_MAIN(WriteGuiTest)
#include "test_writegui.moc"
