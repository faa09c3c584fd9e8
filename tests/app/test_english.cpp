#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QRegularExpression>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>

#include "app/commands.h"
#include "app/dropdown.h"
#include "app/mainwindow.h"
#include "app/writecommands.h"
#include "session/session.h"
#include "settings/language.h"

// Under English every text the window and its dialogs show is English: a
// text that escaped tr(), or sits in a context other than its class's, would
// stay Russian. The grid's column captions come from the table layer's
// translation.
class EnglishWindowTest : public QObject {
    Q_OBJECT

    QStringList russian_;

    // Names the user gives, such as the alphabets' ("Транслит" built in),
    // are data and stay as they are.
    QStringList userNames_;

    void check(const QObject *where, const char *what, const QString &text)
    {
        static const QRegularExpression cyrillic(QStringLiteral("[\\x{0400}-\\x{04FF}]"));
        if (text.contains(cyrillic) && !userNames_.contains(text))
            russian_.append(QStringLiteral("%1 %2 %3: %4")
                                .arg(QString::fromLatin1(where->metaObject()->className()),
                                     where->objectName(), QString::fromLatin1(what), text));
    }

    void checkAction(const QAction *action)
    {
        check(action, "text", action->text());
        check(action, "tool tip", action->toolTip());
        check(action, "status tip", action->statusTip());
    }

    void checkWidget(QWidget *widget)
    {
        if (widget->isWindow())
            check(widget, "title", widget->windowTitle());
        check(widget, "tool tip", widget->toolTip());
        check(widget, "status tip", widget->statusTip());
        for (const QAction *action : widget->actions())
            checkAction(action);
        if (auto *label = qobject_cast<QLabel *>(widget))
            check(widget, "text", label->text());
        if (auto *button = qobject_cast<QAbstractButton *>(widget))
            check(widget, "text", button->text());
        if (auto *group = qobject_cast<QGroupBox *>(widget))
            check(widget, "title", group->title());
        if (auto *menu = qobject_cast<QMenu *>(widget))
            check(widget, "title", menu->title());
        if (auto *tabs = qobject_cast<QTabBar *>(widget))
            for (int i = 0; i < tabs->count(); ++i)
                check(widget, "tab", tabs->tabText(i));
        if (auto *box = qobject_cast<QComboBox *>(widget))
            for (int i = 0; i < box->count(); ++i)
                check(widget, "item", box->itemText(i));
        if (auto *list = qobject_cast<QListWidget *>(widget))
            for (int i = 0; i < list->count(); ++i)
                check(widget, "item", list->item(i)->text());
        auto *view = qobject_cast<QAbstractItemView *>(widget);
        if (view && view->model())
            for (int i = 0; i < view->model()->columnCount(); ++i)
                check(widget, "header", view->model()->headerData(i, Qt::Horizontal).toString());
    }

    QTemporaryDir dir_;

private slots:
    void initTestCase()
    {
        qputenv("QUILLMARK_CONFIG_DIR", dir_.path().toLocal8Bit());
        // A translation that failed to load shows as Russian texts below.
        qm::installTranslations(*QCoreApplication::instance(), qm::UiLanguage::English);
    }

    void everyShownTextIsEnglish()
    {
        qm::TfrmTagEditor window;
        window.show();
        userNames_ = window.session().alphabets().names();
        // The window makes its dialogs up front; the command table holds
        // the commands no menu shows.
        for (QWidget *widget : QApplication::allWidgets())
            checkWidget(widget);
        for (const QAction *action : window.commands().all())
            checkAction(action);
        // Questions made when asked.
        check(&window, "undo question", qm::WriteCommands::undoQuestion({}));
        qm::journal::JobSummary update;
        update.startedMs = QDateTime(QDate(2026, 12, 11), QTime(16, 15, 25)).toMSecsSinceEpoch();
        QVERIFY(qm::WriteCommands::undoQuestion(update).contains(u"2026-12-11 16:15:25"));
        russian_.removeDuplicates();
        QVERIFY2(russian_.isEmpty(), qPrintable(russian_.join(u'\n')));
    }

    // The settings keep a drop-down button's hint as the Russian text in
    // every language; the button shows it translated.
    void dropDownHintsAreStoredUntranslated()
    {
        qm::TfrmTagEditor window;
        qm::DropDownCommand *update = window.dropDown(QStringLiteral("Update"));
        update->choose(window.commands().named().aUpdateSel);
        QCOMPARE(update->hint(), QStringLiteral("Обновить выделенные файлы (Ctrl+U)"));
        QCOMPARE(update->face()->toolTip(), QStringLiteral("Update the selected files (Ctrl+U)"));
        update->restore(15, QStringLiteral("Обновить все файлы (Ctrl+U)"));
        QCOMPARE(update->face()->statusTip(), QStringLiteral("Update all files (Ctrl+U)"));
        // A face that is a command of its own starts with its own hint.
        qm::DropDownCommand *fileInfo = window.dropDown(QStringLiteral("FileInf"));
        QCOMPARE(fileInfo->hint(), QStringLiteral("Добавить размер файла"));
        QCOMPARE(fileInfo->face()->toolTip(), QStringLiteral("Insert file size"));
    }
};

QTEST_MAIN(EnglishWindowTest)
#include "test_english.moc"
