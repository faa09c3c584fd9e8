// The alphabet editor's flows with scripted answers, and the variants
// window opening after a restore in the main window.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "app/alphabeteditor.h"
#include "app/celleditorbar.h"
#include "app/commands.h"
#include "app/gridediting.h"
#include "app/gridmodel.h"
#include "app/mainwindow.h"
#include "app/variantsrestore.h"
#include "session/session.h"

using namespace qm;
using F = FieldNumber;

namespace {

class ScriptedQuestions : public AlphabetQuestions {
public:
    QStringList names;
    QList<bool> answers;
    QStringList asked;
    bool confirm(QWidget *, const QString &, const QString &text) override
    {
        asked << text;
        return answers.isEmpty() ? false : answers.takeFirst();
    }
    QString askName(QWidget *) override { return names.isEmpty() ? QString() : names.takeFirst(); }
    QStringList warned;
    void warn(QWidget *, const QString &, const QString &text) override { warned << text; }
};

} // namespace

class AlphabetEditorTest : public QObject {
    Q_OBJECT

private slots:
    void saveSwitchDeleteAndTheCloseQuestion()
    {
        QTemporaryDir dir;
        Session session;
        session.openAlphabets(dir.filePath(QStringLiteral("Runeswap.ini")), true);
        ScriptedQuestions questions;
        TfrmAlphabetEditor editor(session, questions);
        QCOMPARE(editor.sgrAlphabet->rowCount(), 34);
        QVERIFY(!editor.tbtDeleteAlphabet->isEnabled());

        // A second alphabet under a new name, then "Транслит" again by name:
        // the replace question, answered No and then Yes.
        editor.tbtNew->click();
        editor.sgrAlphabet->item(0, 0)->setText(QStringLiteral("xy"));
        editor.sgrAlphabet->item(0, 1)->setText(QStringLiteral("ks"));
        QCoreApplication::processEvents();
        QCOMPARE(editor.sgrAlphabet->item(0, 0)->text(), QStringLiteral("x"));
        QCOMPARE(editor.sgrAlphabet->rowCount(), 2);
        // Names whose keys would not read back are refused and asked again.
        questions.names = {QStringLiteral("Mine=2"), QStringLiteral(";x"), QStringLiteral("[y"),
                           QStringLiteral("Mine")};
        editor.tbtSaveAlphabet->click();
        QCOMPARE(questions.warned.size(), 3);
        QCOMPARE(session.alphabets().names(),
                 (QStringList{QStringLiteral("Mine"), QStringLiteral(u"Транслит")}));
        QVERIFY(editor.tbtDeleteAlphabet->isEnabled());
        QVERIFY(!editor.grid().modified());

        // Switching from the combo and back shows each alphabet's own pairs.
        editor.cmbAlphabet->setCurrentIndex(1);
        emit editor.cmbAlphabet->activated(1);
        QCOMPARE(editor.sgrAlphabet->rowCount(), 34);
        emit editor.cmbAlphabet->activated(0);
        QCOMPARE(editor.grid().pairs(),
                 (AlphabetPairs{{QStringLiteral("x"), QStringLiteral("ks")}}));

        // A cell still being typed in when the window closes is an edit too:
        // the close question asks, and Yes keeps it.
        editor.show();
        QVERIFY(QTest::qWaitForWindowActive(&editor));
        const QModelIndex change = editor.sgrAlphabet->model()->index(0, 1);
        editor.sgrAlphabet->setCurrentIndex(change);
        editor.sgrAlphabet->edit(change);
        QTest::keyClicks(QApplication::focusWidget(), "kz");
        questions.answers = {true};
        editor.close();
        QCOMPARE(questions.asked.size(), 1);
        QCOMPARE(session.alphabets().pairs().front().change, QStringLiteral("kz"));

        // The close question: No drops the edits.
        editor.tbtNew->click();
        questions.answers = {false};
        editor.done(0);
        QCOMPARE(questions.asked.last(),
                 QStringLiteral(u"Сохранить изменения в алфавите \"Mine\"?"));
        QCOMPARE(editor.grid().pairs().size(), size_t(1));

        questions.answers = {true};
        editor.tbtDeleteAlphabet->click();
        QCOMPARE(session.alphabets().names(), QStringList{QStringLiteral(u"Транслит")});
        QVERIFY(!editor.tbtDeleteAlphabet->isEnabled());
    }

    // A second alphabet made in the editor, chosen from the "Алфавит" menu,
    // is the current one after a restart.
    void secondAlphabetFromTheMenuSurvivesARestart()
    {
        QTemporaryDir dir;
        qputenv("QUILLMARK_CONFIG_DIR", dir.path().toLocal8Bit());
        const auto menuItems = [](TfrmTagEditor &window) {
            QStringList items;
            for (QAction *item :
                 window.findChild<QMenu *>(QStringLiteral("mmiAlphabet"))->actions())
                items << (item->isChecked() ? QStringLiteral("*") : QString()) + item->text();
            return items;
        };
        {
            TfrmTagEditor window;
            ScriptedQuestions questions;
            TfrmAlphabetEditor editor(window.session(), questions);
            editor.tbtNew->click();
            editor.sgrAlphabet->item(0, 0)->setText(QStringLiteral("x"));
            editor.sgrAlphabet->item(0, 1)->setText(QStringLiteral("ks"));
            questions.names = {QStringLiteral("Mine")};
            editor.tbtSaveAlphabet->click();
            QCOMPARE(menuItems(window),
                     (QStringList{QStringLiteral("*Mine"), QStringLiteral(u"Транслит")}));
            QMenu *menu = window.findChild<QMenu *>(QStringLiteral("mmiAlphabet"));
            menu->actions().at(1)->trigger();
            QCOMPARE(window.session().alphabets().currentName(), QStringLiteral(u"Транслит"));
            menu->actions().at(0)->trigger();
            QCOMPARE(window.session().alphabets().currentName(), QStringLiteral("Mine"));
        }
        TfrmTagEditor again;
        QCOMPARE(menuItems(again),
                 (QStringList{QStringLiteral("*Mine"), QStringLiteral(u"Транслит")}));
        QCOMPARE(again.session().alphabets().pairs(),
                 (AlphabetPairs{{QStringLiteral("x"), QStringLiteral("ks")}}));
    }

    void restoreOpensTheVariantsWindow()
    {
        QTemporaryDir dir;
        qputenv("QUILLMARK_CONFIG_DIR", dir.path().toLocal8Bit());
        TfrmTagEditor window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        RowTable &table = window.session().table();
        const int r = table.appendRows(1);
        table.setCell(r, F::Tit, QStringLiteral(u"Сeh")); // a Cyrillic С
        window.gridModel()->reloadRows();
        const int p = table.layout().position(F::Tit);
        window.editing().setSelection(CellRect{p, 1, p, table.blankRow()}, p, 1);
        window.commands()[QStringLiteral("aRestore")]->trigger();
        window.session().waitForJobs();
        QTRY_VERIFY(window.findChild<TfrmVariantsRestore *>()->isVisible());
        auto *variants = window.findChild<TfrmVariantsRestore *>();
        QCOMPARE(table.cell(r, F::Tit), QStringLiteral(u"Сех"));
        QCOMPARE(variants->edtWord->selectedText(), QStringLiteral(u"е"));
        // In the locale's order, not the code points' (е, э, ё); the list
        // is open, and the caption fits.
        QStringList listed;
        for (int i = 0; i < variants->cmbVariantsRestore->count(); ++i)
            listed << variants->cmbVariantsRestore->itemText(i);
        QCOMPARE(listed,
                 (QStringList{QStringLiteral(u"е"), QStringLiteral(u"ё"), QStringLiteral(u"э")}));
        QVERIFY(variants->lstVariants->isVisible());
        QVERIFY(variants->width()
                > variants->fontMetrics().horizontalAdvance(variants->windowTitle()));
        variants->lstVariants->clicked(variants->cmbVariantsRestore->model()->index(2, 0));
        QCOMPARE(table.cell(r, F::Tit), QStringLiteral(u"Сех")); // a preview only
        QCOMPARE(variants->edtWord->text(), QStringLiteral(u"Сэх"));
        // A key in the word puts the selection back on the character.
        variants->edtWord->setCursorPosition(0);
        QTest::keyClick(variants->edtWord, Qt::Key_End);
        QCOMPARE(variants->edtWord->selectedText(), QStringLiteral(u"э"));
        // The end question follows, over the word as it is: No closes the
        // window.
        QString shownAtTheEnd;
        QTimer::singleShot(50, [&] {
            shownAtTheEnd = variants->edtWord->text();
            if (QWidget *box = QApplication::activeModalWidget())
                QTest::keyClick(box, Qt::Key_Escape);
        });
        variants->btnApply->click();
        QCOMPARE(shownAtTheEnd, QStringLiteral(u"Сэх"));
        QCOMPARE(table.cell(r, F::Tit), QStringLiteral(u"Сэх"));
        // The editor box shows the applied choice, so typing there keeps it.
        QCOMPARE(window.editing().editorBar().box()->currentText(), QStringLiteral(u"Сэх"));
        QVERIFY(!variants->isVisible());
        window.close();
    }
};

QTEST_MAIN(AlphabetEditorTest)
#include "test_alphabeteditor.moc"
