#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QHeaderView>
#include <QScrollBar>
#include <QSignalSpy>
#include <QLineEdit>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "app/cellbox.h"
#include "app/celleditorbar.h"
#include "app/commands.h"
#include "app/dropdown.h"
#include "app/gridediting.h"
#include "app/gridmodel.h"
#include "app/infopanel.h"
#include "app/mainwindow.h"
#include "app/namegrid.h"
#include "table/rowmoves.h"

using qm::CellRect;
using qm::FieldNumber;
using qm::TfrmTagEditor;
using F = FieldNumber;
using Cells = QList<QPair<FieldNumber, QString>>;

class GridEditingTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> dir_;

    std::unique_ptr<TfrmTagEditor> start(const QByteArray &ini = {})
    {
        if (!ini.isEmpty()) {
            QFile file(dir_->filePath(QStringLiteral("TagQuill.ini")));
            if (!file.open(QIODevice::WriteOnly))
                return nullptr;
            file.write(ini);
        }
        auto window = std::make_unique<TfrmTagEditor>();
        window->show();
        // Leaving an editor box is a focus change, which needs an active window.
        // The first window of the process may take longer than the default
        // 5 s to become active on a machine busy with other work.
        if (!QTest::qWaitForWindowActive(window.get(), 20000))
            return nullptr;
        return window;
    }

    // File rows holding the given cells, numbered 01, 02, ...
    static void fill(TfrmTagEditor &w, const QList<Cells> &rows)
    {
        qm::RowTable &t = w.session().table();
        int r = t.appendRows(int(rows.size()));
        for (const Cells &cells : rows) {
            for (const auto &[f, text] : cells)
                t.setCell(r, f, text);
            ++r;
        }
        w.renumberRows(1);
        w.gridModel()->reloadRows();
    }

    static QStringList column(TfrmTagEditor &w, F f)
    {
        QStringList texts;
        for (int r = 1; r <= w.table().lastFileRow(); ++r)
            texts << w.table().cell(r, f);
        return texts;
    }

    static void selectColumn(TfrmTagEditor &w, F f, int top, int bottom)
    {
        const int p = w.table().layout().position(f);
        w.editing().setSelection(CellRect{p, top, p, bottom}, p, bottom);
    }

    static QAction *command(TfrmTagEditor &w, const char *name)
    {
        return w.commands()[QString::fromLatin1(name)];
    }
    static QComboBox *editBox(TfrmTagEditor &w) { return w.editing().editorBar().box(); }
    static QComboBox *cellBox(TfrmTagEditor &w) { return w.editing().cellBox().box(); }

    // Gives a widget the keyboard focus as a click would; keys then go where
    // X sends them: to the focused widget, shortcuts first.
    static bool focus(QWidget *widget)
    {
        widget->activateWindow();
        widget->setFocus(Qt::OtherFocusReason);
        return QTest::qWaitFor([widget] { return QApplication::focusWidget() == widget; }, 1000);
    }
    static void key(QKeyCombination combination)
    {
        QTest::keyClick(QApplication::focusWidget(), combination.key(),
                        combination.keyboardModifiers());
    }

    // Types into the editor box as the user does: select all, then keys.
    static void typeIntoEditor(TfrmTagEditor &w, const QString &text)
    {
        QVERIFY(focus(editBox(w)));
        key(Qt::CTRL | Qt::Key_A);
        QTest::keyClicks(QApplication::focusWidget(), text);
    }

    static QList<QAction *> commandsWithKeys(TfrmTagEditor &w)
    {
        QList<QAction *> result;
        for (QAction *action : w.commands().all())
            if (!action->shortcut().isEmpty())
                result.append(action);
        return result;
    }

private slots:
    void init()
    {
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
        qputenv("QUILLMARK_CONFIG_DIR", dir_->path().toLocal8Bit());
        QGuiApplication::clipboard()->clear();
    }

    void editorBoxShowsTemplateAndCellsFollowTyping()
    {
        auto w = start();
        QVERIFY(w);
        fill(*w, {{{F::New, "11 - Song"}, {F::Trc, "11"}, {F::Tit, "Song"}},
                  {{F::New, "12 - Other"}, {F::Trc, "12"}, {F::Tit, "Other"}}});
        selectColumn(*w, F::New, 1, 2);
        QCOMPARE(editBox(*w)->currentText(), QStringLiteral("%TR - %TT"));
        // Selecting the box shows the text selected, ready to be replaced.
        QCOMPARE(editBox(*w)->lineEdit()->selectedText(), QStringLiteral("%TR - %TT"));

        typeIntoEditor(*w, QStringLiteral("%TR. %TT"));
        QCOMPARE(column(*w, F::New), (QStringList{"11. Song", "12. Other"}));
        QCOMPARE(w->gridModel()->index(0, int(F::New)).data().toString(),
                 QStringLiteral("11. Song"));

        // Undo goes back one typed character ("%T" alone is literal text); a
        // second undo redoes it.
        command(*w, "aEditUndo")->trigger();
        QCOMPARE(editBox(*w)->currentText(), QStringLiteral("%TR. %T"));
        QCOMPARE(column(*w, F::New), (QStringList{"11. %T", "12. %T"}));
        command(*w, "aEditUndo")->trigger();
        QCOMPARE(column(*w, F::New), (QStringList{"11. Song", "12. Other"}));

        // A code of a selected column is literal; a paste-from-column command
        // inserts its code at the caret and is off for the selected columns.
        const int newPos = w->table().layout().position(F::New);
        const int titPos = w->table().layout().position(F::Tit);
        w->editing().setSelection(CellRect{newPos, 1, titPos, 1}, newPos, 1);
        QVERIFY(!command(*w, "aPTitle")->isEnabled());
        QVERIFY(!command(*w, "aPNewName")->isEnabled());
        QVERIFY(command(*w, "aPOldName")->isEnabled());
        QVERIFY(command(*w, "aPName")->isEnabled());
        selectColumn(*w, F::New, 1, 2);
        QVERIFY(command(*w, "aPTitle")->isEnabled());
        editBox(*w)->lineEdit()->setCursorPosition(0);
        command(*w, "aPArtist")->trigger();
        QCOMPARE(editBox(*w)->currentText().left(3), QStringLiteral("%AR"));
        QCOMPARE(w->dropDown(QStringLiteral("Tag"))->image(), int(F::Art));
    }

    void editorBoxVariablePartsAndEmptyCells()
    {
        auto w = start();
        QVERIFY(w);
        fill(*w, {{{F::New, "abX"}}, {{F::New, "abY"}}, {{F::New, ""}}});
        selectColumn(*w, F::New, 1, 2);
        QCOMPARE(editBox(*w)->currentText(), QStringLiteral("ab<var>"));
        QLineEdit *line = editBox(*w)->lineEdit();
        line->setFocus();
        line->setCursorPosition(2);
        QTest::keyClick(line, 'c');
        QCOMPARE(column(*w, F::New).mid(0, 2), (QStringList{"abcX", "abcY"}));

        // An empty cell in the selection: every cell is its own middle part.
        selectColumn(*w, F::New, 2, 3);
        QCOMPARE(editBox(*w)->currentText(), QStringLiteral("<var>"));
        line->setFocus();
        line->setCursorPosition(0);
        QTest::keyClick(line, 'x');
        QCOMPARE(column(*w, F::New).mid(1), (QStringList{"xabcY", "x"}));

        // Emptying the box empties the cells; leaving it removes emptied rows.
        selectColumn(*w, F::New, 1, 3);
        line->setFocus();
        line->selectAll();
        QTest::keyClick(line, Qt::Key_Backspace);
        w->grid()->setFocus();
        QCOMPARE(w->table().lastFileRow(), 0);
    }

    void typingIntoBlankRowAddsAFileRow()
    {
        auto w = start();
        QVERIFY(w);
        fill(*w, {{{F::New, "one"}}});
        selectColumn(*w, F::New, 2, 2);
        typeIntoEditor(*w, QStringLiteral("two"));
        w->grid()->setFocus();
        QCOMPARE(w->table().lastFileRow(), 2);
        QCOMPARE(w->table().cell(2, F::New), QStringLiteral("two"));
        QCOMPARE(w->table().cell(2, F::No), QStringLiteral("02"));
        QVERIFY(w->table().cell(3, F::New).isEmpty());
    }

    void cellBoxLimitsAndTrackAndGenreRules()
    {
        auto w = start("[Grid]\r\nTag=1\r\nFileInfo=1\r\n");
        QVERIFY(w);
        QVERIFY(command(*w, "aID3v1Tag")->isChecked());
        fill(*w, {{{F::Tit, QString(40, u'x')}, {F::Gen, "rock"}, {F::Trc, "3"}},
                  {{F::Gen, "No Such Genre"}}});

        // Title: cut to 30 on opening; Enter opens from the table.
        selectColumn(*w, F::Tit, 1, 1);
        w->grid()->setFocus();
        QTest::keyClick(w->grid(), Qt::Key_Return);
        QVERIFY(w->editing().cellBox().isOpen());
        QCOMPARE(w->table().cell(1, F::Tit).size(), 30);
        QTest::keyClick(cellBox(*w)->lineEdit(), 'y');
        QCOMPARE(w->table().cell(1, F::Tit).size(), 30);

        // Track in ID3v1: digits only, 256 and above become 255.
        w->editing().cellBox().close();
        selectColumn(*w, F::Trc, 1, 1);
        w->editing().cellBox().open();
        cellBox(*w)->lineEdit()->selectAll();
        QTest::keyClicks(cellBox(*w)->lineEdit(), QStringLiteral("3a00"));
        QCOMPARE(w->table().cell(1, F::Trc), QStringLiteral("255"));

        // Down moves the box to the next row (the blank last row included).
        QTest::keyClick(cellBox(*w)->lineEdit(), Qt::Key_Down);
        QVERIFY(w->editing().cellBox().isOpen());
        QCOMPARE(w->editing().cellBox().row(), 2);
        QTest::keyClick(cellBox(*w), Qt::Key_Return);
        QVERIFY(!w->editing().cellBox().isOpen());

        // Genre in ID3v1: a pick-only list; a known name is chosen whatever
        // its case, an unknown one is dropped.
        selectColumn(*w, F::Gen, 1, 1);
        w->editing().cellBox().open();
        QVERIFY(!cellBox(*w)->isEditable());
        QCOMPARE(cellBox(*w)->currentText(), QStringLiteral("Rock"));
        QCOMPARE(cellBox(*w)->itemText(0), QString());
        w->editing().cellBox().close();
        selectColumn(*w, F::Gen, 2, 2);
        w->editing().cellBox().open();
        QVERIFY(w->table().cell(2, F::Gen).isEmpty());
        w->editing().cellBox().close();

        // A second click on the same single cell opens the box.
        const QRect cell = w->grid()->visualRect(w->gridModel()->index(0, int(F::Alb)));
        QTest::mouseClick(w->grid()->viewport(), Qt::LeftButton, {}, cell.center());
        QVERIFY(!w->editing().cellBox().isOpen());
        QTest::mouseClick(w->grid()->viewport(), Qt::LeftButton, {}, cell.center());
        QVERIFY(w->editing().cellBox().isOpen());
    }

    void clipboardRoundTrips()
    {
        auto w = start();
        QVERIFY(w);
        fill(*w, {{{F::Old, "a1"}, {F::New, "b1"}, {F::Ext, "c1"}},
                  {{F::Old, "a2"}, {F::New, "b2"}, {F::Ext, "c2"}},
                  {{F::Old, "a3"}}});
        QClipboard *clipboard = QGuiApplication::clipboard();
        const int oldPos = w->table().layout().position(F::Old);
        const int extPos = w->table().layout().position(F::Ext);
        w->editing().setSelection(CellRect{oldPos, 1, extPos, 2}, oldPos, 1);
        command(*w, "aCopy")->trigger();
        QCOMPARE(clipboard->text(), QStringLiteral("a1\tb1\tc1\r\na2\tb2\tc2\r\n"));
        QVERIFY(command(*w, "aPaste")->isEnabled());

        // Empty cells copy to an empty clipboard, which turns pasting off.
        selectColumn(*w, F::Com, 1, 3);
        QVERIFY(!command(*w, "aCopy")->isEnabled());
        w->editing().copySelection();
        QVERIFY(clipboard->text().isEmpty());
        QVERIFY(!command(*w, "aPaste")->isEnabled());
        QVERIFY(!command(*w, "aPasteIn")->isEnabled());

        // A column of names from a text editor with LF line ends, pasted into
        // the New cells; the table grows for the extra line.
        clipboard->setText(QStringLiteral("x1\nx2\nx3\nx4\n"));
        QVERIFY(command(*w, "aPasteIn")->isEnabled());
        selectColumn(*w, F::New, 1, 1);
        command(*w, "aPasteIn")->trigger();
        QCOMPARE(column(*w, F::New), (QStringList{"x1", "x2", "x3", "x4"}));
        QCOMPARE(w->table().cell(4, F::No), QStringLiteral("04"));
        QCOMPARE(w->gridModel()->rowCount(), 5);

        // Inserting (CR-only line ends) moves only the pasted column down.
        clipboard->setText(QStringLiteral("i1\ri2"));
        selectColumn(*w, F::New, 2, 2);
        QTest::keyClick(w->grid(), Qt::Key_Insert, Qt::ShiftModifier); // paste into: overwrites
        QCOMPARE(column(*w, F::New), (QStringList{"x1", "i1", "i2", "x4"}));
        command(*w, "aPaste")->trigger();
        QCOMPARE(column(*w, F::New), (QStringList{"x1", "i1", "i2", "i1", "i2", "x4"}));
        QCOMPARE(column(*w, F::Old).mid(0, 4), (QStringList{"a1", "a2", "a3", ""}));

        // A block wider than the table drops what falls right of the last column.
        const int lastPos = qm::kColumnCount - 1;
        clipboard->setText(QStringLiteral("p\tq\tr\r\n"));
        w->editing().setSelection(CellRect{lastPos - 1, 1, lastPos - 1, 1}, lastPos - 1, 1);
        command(*w, "aPasteIn")->trigger();
        QCOMPARE(w->table().cellAt(1, lastPos - 1), QStringLiteral("p"));
        QCOMPARE(w->table().cellAt(1, lastPos), QStringLiteral("q"));

        // Ctrl+Insert copies; cut copies and removes.
        selectColumn(*w, F::Old, 1, 1);
        QTest::keyClick(w->grid(), Qt::Key_Insert, Qt::ControlModifier);
        QCOMPARE(clipboard->text(), QStringLiteral("a1\r\n"));
        command(*w, "aCut")->trigger();
        QCOMPARE(column(*w, F::Old).first(), QStringLiteral("a2"));
    }

    void pasteBeforeAnyClickGoesToTheCurrentCell()
    {
        auto w = start();
        QVERIFY(w);
        QGuiApplication::clipboard()->setText(QStringLiteral("a\r\n"));
        const qm::ColumnLayout &layout = w->table().layout();
        const F first = layout.fieldAt(layout.noPosition() + 1);
        // On a fresh window, and again after the table was emptied anew.
        for (const char *when : {"fresh", "new list"}) {
            QVERIFY2(focus(w->grid()), when);
            key(Qt::CTRL | Qt::Key_V);
            QVERIFY2(w->table().cell(1, first) == QStringLiteral("a"), when);
            command(*w, "aNewList")->trigger();
            QCOMPARE(w->table().lastFileRow(), 0);
        }
        // A sort puts the rows anew; the current cell stays where it was.
        fill(*w, {{{F::Old, "b"}}, {{F::Old, "a"}}});
        selectColumn(*w, F::Tit, 2, 2);
        command(*w, "aSortByOldName")->trigger();
        w->session().waitForJobs();
        QCOMPARE(column(*w, F::Old), (QStringList{"a", "b"}));
        QVERIFY(focus(w->grid()));
        key(Qt::CTRL | Qt::Key_V);
        QCOMPARE(column(*w, F::Tit), (QStringList{"", "a"}));
    }

    void deleteAndClearPartialAndWholeRows()
    {
        auto w = start();
        QVERIFY(w);
        fill(*w, {{{F::New, "n1"}, {F::Tit, "t1"}},
                  {{F::New, "n2"}, {F::Tit, "t2"}},
                  {{F::New, "n3"}, {F::Tit, "t3"}},
                  {{F::New, "n4"}, {F::Tit, "t4"}}});
        // Deleting the titles of rows 2..3 moves the later titles up only.
        selectColumn(*w, F::Tit, 2, 3);
        QTest::keyClick(w->grid(), Qt::Key_Delete);
        QCOMPARE(column(*w, F::Tit), (QStringList{"t1", "t4", "", ""}));
        QCOMPARE(column(*w, F::New), (QStringList{"n1", "n2", "n3", "n4"}));
        const CellRect after = w->editing().selection();
        QCOMPARE(after.rowCount() * after.columnCount(), 1);

        // Clearing whole rows removes them and renumbers.
        w->editing().selectRows(1, 2);
        command(*w, "aClearSelect")->trigger();
        QCOMPARE(column(*w, F::New), (QStringList{"n3", "n4"}));
        QCOMPARE(column(*w, F::No), (QStringList{"01", "02"}));

        // Clearing the last filled cell of a row removes the row too; select
        // all takes every file row.
        selectColumn(*w, F::New, 1, 1);
        command(*w, "aClearSelect")->trigger();
        QCOMPARE(column(*w, F::New), QStringList{"n4"});
        command(*w, "aSelectAll")->trigger();
        QCOMPARE(w->editing().selection().rowCount(), 1);
        command(*w, "aDeleteSelect")->trigger();
        QCOMPARE(w->table().lastFileRow(), 0);
    }

    void deletingOneCellShowsTheTableAsItIsNow()
    {
        auto w = start();
        QVERIFY(w);
        fill(*w, {{{F::Old, "o1"}, {F::Tit, "t1"}}, {{F::Tit, "t2"}}});
        // The only cell of row 2 goes, and the row with it.
        selectColumn(*w, F::Tit, 2, 2);
        QCOMPARE(editBox(*w)->currentText(), QStringLiteral("t2"));
        QTest::keyClick(w->grid(), Qt::Key_Delete);
        QCOMPARE(w->table().lastFileRow(), 1);
        QCOMPARE(w->gridModel()->rowCount(), w->table().blankRow());
        QCOMPARE(editBox(*w)->currentText(), QString());
    }

    void rowMovesByKeysAndUnderSeparateNumbering()
    {
        auto w = start();
        QVERIFY(w);
        fill(*w, {{{F::Dir, "/a/"}, {F::New, "r1"}},
                  {{F::Dir, "/a/"}, {F::New, "r2"}},
                  {{F::Dir, "/b/"}, {F::New, "r3"}}});
        w->editing().selectRows(1, 1);
        w->grid()->setFocus();
        QTest::keyClick(w->grid(), Qt::Key_Up, Qt::ControlModifier); // row 1 cannot go up
        QCOMPARE(column(*w, F::New), (QStringList{"r1", "r2", "r3"}));
        QTest::keyClick(w->grid(), Qt::Key_Down, Qt::ControlModifier);
        QCOMPARE(column(*w, F::New), (QStringList{"r2", "r1", "r3"}));
        QCOMPARE(column(*w, F::No), (QStringList{"01", "02", "03"}));
        QCOMPARE(w->editing().currentRow(), 2);
        QCOMPARE(w->infoPanel()->statusText(), qm::rowMoveHint());
        w->editing().selectRows(3, 3);
        QTest::keyClick(w->grid(), Qt::Key_Down, Qt::ControlModifier); // the blank row never moves
        QCOMPARE(column(*w, F::New), (QStringList{"r2", "r1", "r3"}));

        // Separate numbering: a row may not cross into another folder, and the
        // folder column cannot be typed into.
        command(*w, "aNombersSeparate")->trigger();
        w->session().waitForJobs();
        w->editing().selectRows(2, 2);
        QTest::keyClick(w->grid(), Qt::Key_Down, Qt::ControlModifier);
        QCOMPARE(column(*w, F::New), (QStringList{"r2", "r1", "r3"}));
        QCOMPARE(w->editing().currentRow(), 2);
        QVERIFY(editBox(*w)->lineEdit()->isReadOnly());
        QVERIFY(!command(*w, "aPaste")->isEnabled());
        QCOMPARE(w->infoPanel()->statusText(), qm::folderLockedMessage());

        // A drag of the No cell ends in the same completion.
        w->editing().rowMoved(1, 2);
        QCOMPARE(column(*w, F::New), (QStringList{"r1", "r2", "r3"}));
    }

    void duplicatesInBothModes()
    {
        auto w = start();
        QVERIFY(w);
        fill(*w, {{{F::New, "a"}, {F::Com, "x"}},
                  {{F::New, "a"}, {F::Com, "y"}},
                  {{F::New, "b"}},
                  {{F::New, "a"}, {F::Com, "x"}}});
        // Comments hidden: the first two rows are equal in the shown columns.
        command(*w, "aVisibleCom")->trigger();
        QVERIFY(!w->table().layout().isShown(F::Com));
        QMenu *menu = w->findChild<QMenu *>(QStringLiteral("mmiDeleteDuplicates"));
        QVERIFY(menu);
        QAction *all = w->findChild<QAction *>(QStringLiteral("mmiDeleteAll"));
        QAction *visible = w->findChild<QAction *>(QStringLiteral("mmiDuplicatedVisible"));
        QVERIFY(all && visible && all->isVisible() && visible->isVisible());
        all->trigger();
        // An edit job: the window is busy until it has ended.
        QTRY_VERIFY(w->grid()->isEnabled());
        QCOMPARE(column(*w, F::Com), (QStringList{"x", "y", ""}));
        QCOMPARE(w->infoPanel()->statusText(), QStringLiteral("Удалено повторяющихся строк: 1"));
        visible->trigger();
        QTRY_VERIFY(w->grid()->isEnabled());
        QCOMPARE(column(*w, F::New), (QStringList{"a", "b"}));
        QCOMPARE(column(*w, F::Com), (QStringList{"x", ""}));
        QCOMPARE(column(*w, F::No), (QStringList{"01", "02"}));
        QCOMPARE(w->gridModel()->rowCount(), 3);
    }

    // Every command key reaches its command from the table and from both
    // boxes; none of them runs a line edit binding there (Ctrl+U would erase
    // the box and with it every selected cell).
    void commandKeysWinOverTextBoxes_data()
    {
        QTest::addColumn<QString>("where");
        for (const char *where : {"table", "editor box", "cell box"})
            QTest::newRow(where) << QString::fromLatin1(where);
    }
    void commandKeysWinOverTextBoxes()
    {
        QFETCH(QString, where);
        auto w = start();
        QVERIFY(w);
        fill(*w, {{{F::New, "11 - Song"}, {F::Trc, "11"}, {F::Tit, "Song"}},
                  {{F::New, "12 - Other"}, {F::Trc, "12"}, {F::Tit, "Other"}}});
        const QList<QAction *> keyed = commandsWithKeys(*w);
        QVERIFY(keyed.size() >= 16);
        // Something to paste: the paste commands are live.
        QGuiApplication::clipboard()->setText(QStringLiteral("pasted"));
        const QList<QAction *> tableUndo{command(*w, "aUndo"), command(*w, "aRedo")};
        for (QAction *action : keyed) {
            // Platform keys of text boxes are no command keys, but for the
            // table's own undo and redo, which the boxes leave to their text.
            for (auto reserved : {QKeySequence::Undo, QKeySequence::Redo})
                QVERIFY2(tableUndo.contains(action)
                             || !QKeySequence::keyBindings(reserved).contains(action->shortcut()),
                         qPrintable(action->objectName()));
            // Only the key's way to the command is looked at here, not its work.
            QObject::disconnect(action, &QAction::triggered, nullptr, nullptr);
        }
        QStringList expected = where == QLatin1String("editor box")
                                   ? QStringList{"11. Song", "12. Other"}
                                   : QStringList{"11 - Song", "12 - Other"};
        selectColumn(*w, F::New, 1, 2);
        if (where == QLatin1String("editor box"))
            typeIntoEditor(*w, QStringLiteral("%TR. %TT"));
        // In a text box the clipboard and select-all keys edit its text.
        const QList<QKeySequence> textKeys{
            QKeySequence(Qt::CTRL | Qt::Key_X), QKeySequence(Qt::CTRL | Qt::Key_C),
            QKeySequence(Qt::CTRL | Qt::Key_V), QKeySequence(Qt::CTRL | Qt::Key_A),
            QKeySequence(Qt::CTRL | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)};
        for (QAction *action : keyed) {
            const QKeySequence shortcut = action->shortcut();
            if (where != QLatin1String("table") && textKeys.contains(shortcut))
                continue;
            QWidget *target = w->grid();
            if (where == QLatin1String("editor box")) {
                target = editBox(*w);
            } else if (where == QLatin1String("cell box")) {
                selectColumn(*w, F::New, 1, 1);
                w->editing().cellBox().open();
                target = cellBox(*w);
            }
            QVERIFY(focus(target));
            QSignalSpy triggered(action, &QAction::triggered);
            // A disabled command's key does nothing at all.
            for (bool enabled : {true, false}) {
                action->setVisible(true);
                action->setEnabled(enabled);
                key(shortcut[0]);
                const QString what =
                    shortcut.toString() + (enabled ? QString() : QStringLiteral(" disabled"));
                QVERIFY2(triggered.count() == 1, qPrintable(what));
                QVERIFY2(column(*w, F::New) == expected, qPrintable(what));
                if (where == QLatin1String("editor box"))
                    QVERIFY2(editBox(*w)->currentText() == QStringLiteral("%TR. %TT"),
                             qPrintable(what));
            }
        }
    }

    // Enter leaves the cell box on its cell, and a command key pressed in
    // the box works on the cell the box was over, not on the next column.
    void closingTheCellBoxKeepsItsCell()
    {
        auto w = start();
        QVERIFY(w);
        fill(*w, {{{F::Tit, "t1"}, {F::Trc, "1"}}, {{F::Tit, "t2"}, {F::Trc, "2"}}});
        const int tit = w->table().layout().position(F::Tit);
        for (const QKeyCombination closing :
             {QKeyCombination(Qt::Key_Return), Qt::CTRL | Qt::Key_L}) {
            selectColumn(*w, F::Tit, 2, 2);
            w->editing().cellBox().open();
            QVERIFY(focus(cellBox(*w)));
            QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("x"));
            key(closing);
            QVERIFY(!w->editing().cellBox().isOpen());
            QCOMPARE(w->editing().selection(), (CellRect{tit, 2, tit, 2}));
            QCOMPARE(column(*w, F::Trc), (QStringList{"1", "2"}));
        }
        QCOMPARE(column(*w, F::Tit), (QStringList{"t1", ""}));
    }

    // Ctrl+Z in the table undoes a paste over thousands of cells as one
    // step, and Ctrl+Shift+Z / Ctrl+Y bring it back.
    void ctrlZUndoesAPasteInTheTable()
    {
        auto w = start();
        QVERIFY(w);
        QList<Cells> rows;
        QString block;
        for (int i = 0; i < 5000; ++i) {
            rows.append({{F::New, QStringLiteral("name %1").arg(i)}});
            block += QStringLiteral("pasted %1\r\n").arg(i);
        }
        fill(*w, rows);
        const QStringList names = column(*w, F::New);
        QVERIFY(!command(*w, "aUndo")->isEnabled());
        QGuiApplication::clipboard()->setText(block);
        selectColumn(*w, F::New, 1, 1);
        QVERIFY(focus(w->grid()));
        key(Qt::Key_Insert | Qt::SHIFT);
        QCOMPARE(w->table().cell(5000, F::New), QStringLiteral("pasted 4999"));
        QVERIFY(command(*w, "aUndo")->isEnabled());
        key(Qt::CTRL | Qt::Key_Z);
        QCOMPARE(column(*w, F::New), names);
        QCOMPARE(w->gridModel()->index(4999, int(F::New)).data().toString(),
                 QStringLiteral("name 4999"));
        QVERIFY(!command(*w, "aUndo")->isEnabled());
        QVERIFY(command(*w, "aRedo")->isEnabled());
        key(Qt::CTRL | Qt::Key_Y);
        QCOMPARE(w->table().cell(1, F::New), QStringLiteral("pasted 0"));
        key(Qt::CTRL | Qt::Key_Z);
        key(Qt::CTRL | Qt::SHIFT | Qt::Key_Z);
        QCOMPARE(w->table().cell(5000, F::New), QStringLiteral("pasted 4999"));
    }

    // Clipboard, select all and undo keys in the editor box work on its text,
    // as its own menu commands do; the cells follow the text.
    void editorBoxKeepsTextEditKeys()
    {
        auto w = start();
        QVERIFY(w);
        fill(*w, {{{F::New, "11 - Song"}, {F::Trc, "11"}, {F::Tit, "Song"}},
                  {{F::New, "12 - Other"}, {F::Trc, "12"}, {F::Tit, "Other"}}});
        selectColumn(*w, F::New, 1, 2);
        std::vector<std::unique_ptr<QSignalSpy>> cellCommands;
        for (const char *name : {"aCopy", "aCut", "aPasteIn", "aSelectAll", "aUndo", "aRedo"})
            cellCommands.push_back(
                std::make_unique<QSignalSpy>(command(*w, name), &QAction::triggered));
        QClipboard *clipboard = QGuiApplication::clipboard();
        QVERIFY(focus(editBox(*w)));
        QLineEdit *line = editBox(*w)->lineEdit();
        key(Qt::Key_End);
        key(Qt::CTRL | Qt::Key_A);
        QCOMPARE(line->selectedText(), QStringLiteral("%TR - %TT"));
        key(Qt::CTRL | Qt::Key_C);
        QCOMPARE(clipboard->text(), QStringLiteral("%TR - %TT"));
        key(Qt::CTRL | Qt::Key_X);
        QCOMPARE(line->text(), QString());
        QCOMPARE(column(*w, F::New), (QStringList{"", ""}));
        key(Qt::CTRL | Qt::Key_Z);
        QCOMPARE(line->text(), QStringLiteral("%TR - %TT"));
        QCOMPARE(column(*w, F::New), (QStringList{"11 - Song", "12 - Other"}));
        clipboard->setText(QStringLiteral("%TR. %TT\r\nsecond line"));
        key(Qt::CTRL | Qt::Key_A);
        key(Qt::CTRL | Qt::Key_V);
        QCOMPARE(line->text(), QStringLiteral("%TR. %TT"));
        QCOMPARE(column(*w, F::New), (QStringList{"11. Song", "12. Other"}));
        for (const auto &spy : cellCommands)
            QCOMPARE(spy->count(), 0);
    }

    // Whatever keys change the box text, the cells show it; the box never
    // completes a text by itself.
    void editorBoxCellsFollowEveryKey()
    {
        auto w = start();
        QVERIFY(w);
        fill(*w, {{{F::New, "abX"}}, {{F::New, "abY"}}, {{F::New, "Song"}}, {{F::New, "Song"}}});
        selectColumn(*w, F::New, 1, 2);
        QVERIFY(focus(editBox(*w)));
        key(Qt::Key_Home);
        key(Qt::Key_Right);
        key(Qt::Key_Right);
        key(Qt::Key_C);
        QCOMPARE(column(*w, F::New).mid(0, 2), (QStringList{"abcX", "abcY"}));
        key(Qt::Key_Backspace);
        QCOMPARE(editBox(*w)->currentText(), QStringLiteral("ab<var>"));
        QCOMPARE(column(*w, F::New).mid(0, 2), (QStringList{"abX", "abY"}));
        key(Qt::Key_X);
        key(Qt::Key_Left);
        key(Qt::Key_Delete);
        QCOMPARE(editBox(*w)->currentText(), QStringLiteral("ab<var>"));
        QCOMPARE(column(*w, F::New).mid(0, 2), (QStringList{"abX", "abY"}));

        selectColumn(*w, F::New, 3, 4);
        QCOMPARE(editBox(*w)->currentText(), QStringLiteral("Song"));
        key(Qt::CTRL | Qt::Key_A);
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("S"));
        QCOMPARE(editBox(*w)->currentText(), QStringLiteral("S"));
        QCOMPARE(column(*w, F::New).mid(2), (QStringList{"S", "S"}));
    }

    // A new numbering style is a new analysis: the box shows the numbers as
    // they now read, and typing keeps the cells' own digits.
    void numberingStyleRecomputesEditorText()
    {
        auto w = start();
        QVERIFY(w);
        fill(*w, {{{F::New, "01 Song"}}, {{F::New, "02 Other"}}});
        selectColumn(*w, F::New, 1, 2);
        QCOMPARE(editBox(*w)->currentText(), QStringLiteral("%NS <var>"));
        QVERIFY(focus(w->numberingBox()));
        key(Qt::Key_Down);
        QVERIFY(command(*w, "aNombers1")->isChecked());
        QCOMPARE(column(*w, F::No), (QStringList{"1", "2"}));
        QVERIFY(focus(editBox(*w)));
        key(Qt::Key_End);
        key(Qt::Key_X);
        QCOMPARE(column(*w, F::New), (QStringList{"01 Songx", "02 Otherx"}));
    }

    // Whole-row selections: Shift+click on a number extends them, and a row
    // moved by keys stays in view without the view running to the last column.
    void rowSelectionByNumbersAndMovesKeepTheView()
    {
        auto w = start();
        QVERIFY(w);
        fill(*w, {{{F::New, "r1"}}, {{F::New, "r2"}}, {{F::New, "r3"}}, {{F::New, "r4"}}});
        QHeaderView *numbers = w->grid()->verticalHeader();
        const auto rowPoint = [numbers](int row) {
            return QPoint(numbers->width() / 2,
                          numbers->sectionViewportPosition(row - 1) + numbers->sectionSize(0) / 2);
        };
        QTest::mouseClick(numbers->viewport(), Qt::LeftButton, {}, rowPoint(3));
        QTest::mouseClick(numbers->viewport(), Qt::LeftButton, Qt::ShiftModifier, rowPoint(1));
        const int first = w->table().layout().noPosition() + 1;
        QCOMPARE(w->editing().selection(), (CellRect{first, 1, qm::kColumnCount - 1, 3}));
        QTest::mouseClick(numbers->viewport(), Qt::LeftButton, Qt::ShiftModifier, rowPoint(4));
        QCOMPARE(w->editing().selection(), (CellRect{first, 3, qm::kColumnCount - 1, 4}));

        selectColumn(*w, F::New, 2, 2);
        QScrollBar *across = w->grid()->horizontalScrollBar();
        QVERIFY(across->maximum() > 0);
        const int scrolled = across->value();
        QVERIFY(focus(w->grid()));
        key(Qt::CTRL | Qt::Key_Down);
        QCOMPARE(column(*w, F::New), (QStringList{"r1", "r3", "r2", "r4"}));
        QCOMPARE(across->value(), scrolled);
        key(Qt::CTRL | Qt::Key_Up);
        QCOMPARE(column(*w, F::New), (QStringList{"r1", "r2", "r3", "r4"}));
        QCOMPARE(across->value(), scrolled);
    }

    void windowWithTemplateLooksRight()
    {
        auto w = start();
        QVERIFY(w);
        w->resize(900, 400);
        fill(*w, {{{F::New, "01 - Song"}, {F::Trc, "01"}, {F::Tit, "Song"}},
                  {{F::New, "02 - Other"}, {F::Trc, "02"}, {F::Tit, "Other"}}});
        selectColumn(*w, F::New, 1, 2);
        QVERIFY(editBox(*w)->isVisible());
        QVERIFY(editBox(*w)->width() >= 60);
        const QString shot = qEnvironmentVariable("QM_GRAB_PNG");
        if (!shot.isEmpty())
            QVERIFY(w->grab().save(shot));
    }
};

QTEST_MAIN(GridEditingTest)
#include "test_gridediting.moc"
