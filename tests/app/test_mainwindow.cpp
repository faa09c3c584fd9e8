#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QSignalSpy>
#include <QMenu>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <memory>

#include "app/aboutwindow.h"
#include "app/application.h"
#include "app/columnviews.h"
#include "app/commands.h"
#include "app/dropdown.h"
#include "app/gridmodel.h"
#include "app/infopanel.h"
#include "app/mainwindow.h"
#include "app/namegrid.h"
#include "settings/inifile.h"
#include "settings/language.h"

using qm::FieldNumber;
using qm::TfrmTagEditor;

class MainWindowTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> dir_;

    QString iniPath() const { return dir_->filePath(QStringLiteral("TagQuill.ini")); }

    std::unique_ptr<TfrmTagEditor> start(const QString &argument = {})
    {
        auto window = std::make_unique<TfrmTagEditor>(argument);
        window->show();
        return window;
    }

    void writeIni(const QByteArray &text)
    {
        QFile file(iniPath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(text);
    }

    QString readIni() const
    {
        QFile file(iniPath());
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(file.readAll());
    }

    static QAction *command(TfrmTagEditor &w, const char *name)
    {
        return w.commands()[QString::fromLatin1(name)];
    }

private slots:
    void init()
    {
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
        qputenv("QUILLMARK_CONFIG_DIR", dir_->path().toLocal8Bit());
    }

    void startWithoutSettingsGivesDefaults()
    {
        auto w = start();
        QCOMPARE(w->settingsPath(), iniPath());
        QCOMPARE(w->table().rowCount(), 2);
        QCOMPARE(w->gridModel()->rowCount(), 1);
        QCOMPARE(w->table().layout(), qm::ColumnLayout());
        // Views as at first start: file information and ID3v2, every column in use shown.
        QVERIFY(command(*w, "aFileInfo")->isChecked());
        QVERIFY(command(*w, "aID3v2Tag")->isChecked());
        QVERIFY(!command(*w, "aID3v1Tag")->isChecked());
        QCOMPARE(command(*w, "aFileInfo")->toolTip(), QStringLiteral("Скрыть информацию о файлах"));
        QCOMPARE(command(*w, "aID3v2Tag")->toolTip(), QStringLiteral("Скрыть ID3v2 Tag"));
        for (int n = 1; n < qm::kColumnCount; ++n) {
            const FieldNumber f = qm::toField(n);
            QVERIFY2(w->table().layout().isShown(f), qPrintable(qm::columnCode(f)));
            QVERIFY(w->views().columnCommand(f)->isChecked());
            QVERIFY(w->views().columnCommand(f)->isVisible());
            QVERIFY(!w->grid()->horizontalHeader()->isSectionHidden(n));
            QCOMPARE(w->grid()->horizontalHeader()->visualIndex(n), qm::defaultPosition(f));
        }
        QVERIFY(w->grid()->horizontalHeader()->isSectionHidden(0));
        QCOMPARE(w->gridModel()->headerData(2, Qt::Horizontal).toString(),
                 QStringLiteral("Старое имя (%ON)"));
        QVERIFY(command(*w, "aNombers01")->isChecked());
        QVERIFY(!command(*w, "aStayOnTop")->isChecked());
        QCOMPARE(w->infoPanel()->statusText(), QStringLiteral("Quillmark v2"));
        QVERIFY(w->infoPanel()->progress()->isHidden());
        QVERIFY(w->infoPanel()->stopButton()->isHidden());
        QVERIFY(command(*w, "aCut")->isVisible());
        QVERIFY(command(*w, "aWinampPlay")->isVisible());
        QVERIFY(command(*w, "aExit")->isVisible());
        QVERIFY(!QFile::exists(iniPath()));
    }

    // Without saved placement the window takes three quarters of the screen,
    // centred, and no column header starts out cut.
    void firstStartShowsTheTable()
    {
        auto w = start();
        const QRect available = w->screen()->availableGeometry();
        QCOMPARE(w->size(), QSize(available.width() * 3 / 4, available.height() * 3 / 4));
        QVERIFY((w->geometry().center() - available.center()).manhattanLength() <= 8);
        QHeaderView *header = w->grid()->horizontalHeader();
        for (int n = 1; n < qm::kColumnCount; ++n)
            QVERIFY2(header->sectionSize(n) >= header->sectionSizeHint(n),
                     qPrintable(qm::columnCode(qm::toField(n))));
        // Saved placement wins.
        QVERIFY(w->close());
        w.reset();
        qm::IniFile ini;
        QVERIFY(ini.load(iniPath()));
        ini.writeInteger(u"Main", u"Width", 500);
        ini.writeInteger(u"Main", u"Height", 400);
        ini.writeInteger(u"Main", u"Left", 20);
        ini.writeInteger(u"Main", u"Top", 30);
        QVERIFY(ini.save(iniPath()));
        w = start();
        QCOMPARE(w->size(), QSize(500, 400));
        QCOMPARE(w->pos(), QPoint(20, 30));
        // A place off the screen is moved onto it; a size the screen cannot
        // hold opens maximized.
        const struct {
            int left;
            int width;
            QPoint pos;
            bool maximized;
        } cases[] = {
            {available.right() - 10, 500, QPoint(available.right() + 1 - 500, 30), false},
            {-5000, 500, QPoint(available.left(), 30), false},
            {20, 99999, QPoint(available.left(), 30), true},
        };
        for (const auto &c : cases) {
            QVERIFY(w->close());
            w.reset();
            QVERIFY(ini.load(iniPath()));
            ini.writeInteger(u"Main", u"WindowState", 0);
            ini.writeInteger(u"Main", u"Left", c.left);
            ini.writeInteger(u"Main", u"Top", 30);
            ini.writeInteger(u"Main", u"Width", c.width);
            ini.writeInteger(u"Main", u"Height", 400);
            QVERIFY(ini.save(iniPath()));
            w = start();
            QCOMPARE(w->isMaximized(), c.maximized);
            if (!c.maximized)
                QCOMPARE(w->pos(), c.pos);
        }
    }

    // Until a write command is run (or a choice saved), the write-tag button
    // and Ctrl+W follow the tag view; with no tag view the whole "Записать Tag"
    // menu goes.
    void writeTagFollowsTheViewUntilChosen()
    {
        auto w = start();
        qm::DropDownCommand *writeTag = w->dropDown(QStringLiteral("Write Tag"));
        auto *menu = w->findChild<QMenu *>(QStringLiteral("mmiWriteTag"));
        QCOMPARE(writeTag->current(), command(*w, "aWriteID3v2Tag"));
        QCOMPARE(command(*w, "aWriteID3v2Tag")->shortcut(), QKeySequence(QStringLiteral("Ctrl+W")));
        QVERIFY(command(*w, "aWriteID3v1Tag")->shortcut().isEmpty());
        command(*w, "aID3v1Tag")->trigger();
        QCOMPARE(writeTag->current(), command(*w, "aWriteID3v1Tag"));
        QCOMPARE(command(*w, "aWriteID3v1Tag")->shortcut(), QKeySequence(QStringLiteral("Ctrl+W")));
        QVERIFY(menu->menuAction()->isVisible());

        command(*w, "aID3v1Tag")->trigger();
        QVERIFY(!menu->menuAction()->isVisible());
        QVERIFY(!writeTag->face()->isVisible());
        command(*w, "aID3v2Tag")->trigger();
        QVERIFY(menu->menuAction()->isVisible());
    }

    // A saved "Nombers Separate" switches separate numbering on at start,
    // with the shuffle hidden, and is written back as it is at closing.
    void separateNumberingSettingIsAppliedAndWrittenBack()
    {
        writeIni("[Grid]\r\nNombers Separate=1\r\n");
        {
            auto w = start(dir_->filePath(QStringLiteral("a/song.mp3")));
            QVERIFY(command(*w, "aNombersSeparate")->isChecked());
            QCOMPARE(w->numberScope(), qm::NumberScope::PerFolder);
            QVERIFY(!command(*w, "aSortRandom")->isVisible());
            QTRY_VERIFY(!w->session().busy());
            QCOMPARE(w->table().cell(1, qm::FieldNumber::No), QStringLiteral("01"));
            QVERIFY(w->close());
        }
        qm::IniFile ini;
        QVERIFY(ini.load(iniPath()));
        QCOMPARE(ini.readString(u"Grid", u"Nombers Separate"), QStringLiteral("1"));
    }

    void aboutWindowNamesVersionAndSettingsFolder()
    {
        auto w = start();
        QAction *about = command(*w, "aAbout");
        QVERIFY(about->isVisible());
        QVERIFY(w->menuBar()->actions().contains(about));
        about->trigger();
        QVERIFY(w->aboutWindow()->isVisible());
        const QString text = w->aboutWindow()->text()->text();
        QVERIFY(text.contains(QStringLiteral("Quillmark v2")));
        QVERIFY(text.contains(qm::programVersion()));
        QVERIFY(text.contains(QDir::toNativeSeparators(dir_->path())));
        QVERIFY(!w->aboutWindow()->aboutQtButton()->isHidden());
    }

    void commandSetIsComplete()
    {
        qm::CommandSet commands;
        QSet<QString> names;
        QHash<QString, QSet<int>> images;
        for (QAction *action : commands.all()) {
            QVERIFY2(!names.contains(action->objectName()), qPrintable(action->objectName()));
            names.insert(action->objectName());
            // Image identities are unique within each image list.
            const QString list =
                action->property(qm::CommandSet::kCategoryProperty) == QLatin1String("PasteFrom")
                    ? QStringLiteral("editor")
                    : QStringLiteral("main");
            const int image = qm::CommandSet::imageOf(action);
            const QString name = action->objectName();
            if (name != QLatin1String("aPName") && name != QLatin1String("aPFileInf")
                && name != QLatin1String("aPTag")) {
                QVERIFY2(!images[list].contains(image), qPrintable(name));
                images[list].insert(image);
            }
        }
        QCOMPARE(names.size(), 137); // with the update undo and the table's undo and redo
        for (int n = 1; n < qm::kColumnCount; ++n)
            QVERIFY(commands.visibleCommand(qm::columnCode(qm::toField(n))));
        QCOMPARE(commands[QStringLiteral("aPasteIn")]->shortcut(),
                 QKeySequence(QStringLiteral("Ctrl+V")));
        QCOMPARE(commands[QStringLiteral("aPXxx")]->property("Tag").toInt(), 24);
    }

    // Handlers reach commands by member and by column: every one is found,
    // and a column's command is the one whose Tag is that column, never a
    // drop-down's face.
    void namedCommandsAndFamiliesAreResolved()
    {
        qm::CommandSet commands;
        QVERIFY2(commands.unresolved().isEmpty(), qPrintable(commands.unresolved().join(u' ')));
        QCOMPARE(commands.named().aNombersSeparate, commands[QStringLiteral("aNombersSeparate")]);
        QCOMPARE(commands.toolBarCommand(6), commands[QStringLiteral("aVisibleBarCellsEditor")]);
        for (int n = 1; n < qm::kColumnCount; ++n) {
            const FieldNumber f = qm::toField(n);
            QCOMPARE(commands.columnCommand(f), commands.visibleCommand(qm::columnCode(f)));
            for (QAction *action : {commands.sortCommand(f), commands.pasteCommand(f)})
                QCOMPARE(action->property(qm::CommandSet::kTagProperty).toInt(), n);
            QVERIFY(commands.sortCommand(f)->objectName().startsWith(QLatin1String("aSortBy")));
        }
        QCOMPARE(commands.pasteCommand(FieldNumber::Old), commands.named().aPOldName);
        QCOMPARE(commands.pasteCommand(FieldNumber::Siz), commands[QStringLiteral("aPSiz")]);
        QCOMPARE(commands.pasteCommand(FieldNumber::Tit), commands[QStringLiteral("aPTitle")]);
    }

    void closeWritesTheSectionsInTheirFormat()
    {
        writeIni("; kept\r\n[Options]\r\nReadLyrics2=1\r\n[Grid]\r\nSomethingLater=abc\r\n");
        {
            auto w = start();
            QVERIFY(w->close());
        }
        const QString text = readIni();
        QVERIFY(text.contains(QStringLiteral("\r\n")));
        QVERIFY(!text.contains(QRegularExpression(QStringLiteral("[^\r]\n"))));
        qm::IniFile ini;
        QVERIFY(ini.load(iniPath()));
        QVERIFY(text.contains(QStringLiteral("; kept")));
        QCOMPARE(ini.readString(u"Options", u"ReadLyrics2"), QStringLiteral("1"));
        QCOMPARE(ini.readString(u"Grid", u"SomethingLater"), QStringLiteral("abc"));

        QStringList identity;
        for (int i = 0; i < qm::kColumnCount; ++i)
            identity << QString::number(i);
        QCOMPARE(ini.readString(u"Grid", u"ColIndex"), identity.join(QLatin1Char(',')));
        const QStringList widths = ini.readString(u"Grid", u"ColWidths").split(QLatin1Char(','));
        QCOMPARE(widths.size(), qm::kColumnCount);
        QVERIFY(widths[0].toInt() > 0);
        // No widths were saved: every column fits its header, 80 at least.
        for (int i = 1; i < qm::kColumnCount; ++i)
            QVERIFY(widths[i].toInt() >= 80);
        QCOMPARE(ini.readString(u"Grid", u"Tag"), QStringLiteral("2"));
        QCOMPARE(ini.readString(u"Grid", u"FileInfo"), QStringLiteral("1"));
        QCOMPARE(ini.readString(u"Grid", u"Nombers"), QStringLiteral("0"));
        QCOMPARE(ini.readString(u"Grid", u"Nombers Separate"), QStringLiteral("0"));

        QCOMPARE(ini.readString(u"Main", u"WindowState"), QStringLiteral("0"));
        for (const char *key : {"Top", "Left", "Height", "Width"})
            QVERIFY(ini.contains(u"Main", QString::fromLatin1(key)));
        // The file existed without the key, whose default is on.
        QCOMPARE(ini.readString(u"Main", u"StayOnTop"), QStringLiteral("1"));
        for (const char *bar :
             {"File", "Edit", "Nombers", "Tag", "Update", "Replace", "CellsEditor"}) {
            QCOMPARE(ini.readString(u"Main", QStringLiteral("VisibleBar") + QLatin1String(bar)),
                     QStringLiteral("1"));
            QVERIFY(ini.contains(u"Main", QStringLiteral("IndexBar") + QLatin1String(bar)));
            QVERIFY(ini.contains(u"Main", QStringLiteral("WidthBar") + QLatin1String(bar)));
        }
        QCOMPARE(ini.readString(u"Main", u"Update Hint"),
                 QStringLiteral("Обновить все файлы (Ctrl+U)"));
        QCOMPARE(ini.readString(u"Edit", u"FileInf Hint"), QStringLiteral("Добавить размер файла"));
        QCOMPARE(ini.readString(u"Edit", u"Name Image"), QStringLiteral("2"));
        // The user never chose a write command: none is saved as chosen.
        QVERIFY(!ini.contains(u"Main", u"Write Tag Image"));
        QVERIFY(!ini.contains(u"Main", u"Write Tag Hint"));
        QCOMPARE(ini.readString(u"Main", u"Only Sel Tag"), QStringLiteral("0"));
        QCOMPARE(ini.readString(u"Edit", u"Add Hint"),
                 QStringLiteral("Добавить в таблицу новые файлы"));
        QCOMPARE(ini.readString(u"Edit", u"Case Hint"), QStringLiteral("Все заглавные"));
        QCOMPARE(ini.readString(u"Edit", u"Relace Hint"), QStringLiteral("Заменить символы"));
        QCOMPARE(ini.readString(u"Edit", u"Move Files"), QStringLiteral("1"));
        QVERIFY(ini.contains(u"Edit", u"Tag Image"));
        QVERIFY(ini.contains(u"Edit", u"FileInf Image"));
        // Main, then Grid, then Edit, after the sections already there.
        QVERIFY(text.indexOf(QStringLiteral("[Main]")) < text.indexOf(QStringLiteral("[Edit]")));
    }

    void secondStartRestoresLayoutWidthsAndViews()
    {
        qm::ColumnLayout layoutBefore;
        QString widthsBefore;
        {
            auto w = start(dir_->filePath(QStringLiteral("a/song.mp3")));
            command(*w, "aVisibleTit")->trigger();
            QHeaderView *header = w->grid()->horizontalHeader();
            // Drag Art (position 7 once Tit is hidden) to the first data position.
            header->moveSection(header->visualIndex(int(FieldNumber::Art)), 2);
            QCOMPARE(w->table().layout().position(FieldNumber::Art), 2);
            QCOMPARE(w->table().layout().position(FieldNumber::Dir), 3);
            QCOMPARE(w->table().layout().position(FieldNumber::Ext), 6);
            QCOMPARE(w->table().layout().position(FieldNumber::Trc), 7);
            QCOMPARE(w->table().layout().position(FieldNumber::Alb), 8);
            // The views hide and show tag columns again: they end at the right.
            command(*w, "aID3v1Tag")->trigger();
            command(*w, "aFileInfo")->trigger();
            command(*w, "aNombers1")->trigger();
            header->resizeSection(int(FieldNumber::Alb), 133);
            header->moveSection(header->visualIndex(int(FieldNumber::Yea)),
                                w->table().layout().noPosition() + 1);
            QCOMPARE(w->table().cell(1, FieldNumber::No), QStringLiteral("1"));
            layoutBefore = w->table().layout();
            widthsBefore = w->table().colWidthsText();
            QVERIFY(w->close());
        }
        const QString saved = readIni();
        auto w = start();
        const qm::ColumnLayout &layout = w->table().layout();
        QCOMPARE(layout, layoutBefore);
        QCOMPARE(w->table().colWidthsText(), widthsBefore);
        // The ID3v2-only and information columns went into the hidden zone.
        QCOMPARE(layout.noPosition(), 7);
        QCOMPARE(w->table().width(FieldNumber::Alb), 133);
        QCOMPARE(w->grid()->horizontalHeader()->sectionSize(int(FieldNumber::Alb)), 133);
        for (int n = 0; n < qm::kColumnCount; ++n) {
            const FieldNumber f = qm::toField(n);
            QCOMPARE(w->grid()->horizontalHeader()->visualIndex(n), layout.position(f));
            QCOMPARE(w->grid()->horizontalHeader()->isSectionHidden(n), !layout.isShown(f));
            if (n > 0)
                QCOMPARE(w->views().columnCommand(f)->isChecked(), layout.isShown(f));
        }
        QVERIFY(command(*w, "aID3v1Tag")->isChecked());
        QVERIFY(!command(*w, "aID3v2Tag")->isChecked());
        QVERIFY(!command(*w, "aFileInfo")->isChecked());
        QVERIFY(!w->table().layout().isShown(FieldNumber::Siz));
        QVERIFY(!command(*w, "aVisibleSiz")->isVisible());
        QVERIFY(!command(*w, "aVisibleCmp")->isVisible());
        QVERIFY(command(*w, "aNombers1")->isChecked());
        QCOMPARE(w->numberingBox()->currentIndex(), 1);
        QVERIFY(w->close());
        const QStringList before = saved.split(QStringLiteral("\r\n"));
        const QStringList after = readIni().split(QStringLiteral("\r\n"));
        for (int i = 0; i < qMin(before.size(), after.size()); ++i)
            QCOMPARE(after[i], before[i]);
        QCOMPARE(after.size(), before.size());
    }

    void savedDropDownChoiceMovesItsShortcut()
    {
        writeIni("[Main]\r\nUpdate Image=16\r\nUpdate Hint=Обновить выделенные файлы "
                 "(Ctrl+U)\r\nWindowState=1\r\n"
                 "Write Tag Image=14\r\nStayOnTop=1\r\nVisibleBarTag=0\r\n");
        auto w = start();
        qm::DropDownCommand *update = w->dropDown(QStringLiteral("Update"));
        QCOMPARE(update->current(), command(*w, "aUpdateSel"));
        QCOMPARE(update->face()->toolTip(), QStringLiteral("Обновить выделенные файлы (Ctrl+U)"));
        QCOMPARE(command(*w, "aUpdateSel")->shortcut(), QKeySequence(QStringLiteral("Ctrl+U")));
        QVERIFY(command(*w, "aUpdate")->shortcut().isEmpty());
        QCOMPARE(command(*w, "aWriteID3v2Tag")->shortcut(), QKeySequence(QStringLiteral("Ctrl+W")));
        QVERIFY(command(*w, "aWriteID3v1Tag")->shortcut().isEmpty());
        QVERIFY(w->isMaximized());
        QVERIFY(command(*w, "aStayOnTop")->isChecked());
        QVERIFY(w->windowFlags() & Qt::WindowStaysOnTopHint);
        QVERIFY(!command(*w, "aVisibleBarTag")->isChecked());
        QVERIFY(w->toolBars()[3]->isHidden());

        // Running the other sub-command takes the choice and the key with it.
        command(*w, "aUpdate")->setVisible(true);
        command(*w, "aUpdate")->trigger();
        QCOMPARE(update->current(), command(*w, "aUpdate"));
        QCOMPARE(command(*w, "aUpdate")->shortcut(), QKeySequence(QStringLiteral("Ctrl+U")));
        QVERIFY(command(*w, "aUpdateSel")->shortcut().isEmpty());
    }

    void malformedSettingsTakeDefaults()
    {
        writeIni("[grid]\r\nTag=7\r\nFileInfo=maybe\r\nColIndex=x,,99\r\nColWidths=a,-5,"
                 "b\r\nNombers=yes\r\n"
                 "[MAIN]\r\nWindowState=abc\r\nWidth=\r\nIndexBarTag=40\r\nIndexBarFile=-"
                 "3\r\n\x01\xff\xfe=\r\n");
        auto w = start();
        QCOMPARE(w->table().layout(), qm::ColumnLayout());
        QVERIFY(w->table().width(FieldNumber::Dir) > 0);
        QVERIFY(command(*w, "aFileInfo")->isChecked());
        QVERIFY(command(*w, "aID3v2Tag")->isChecked());
        QVERIFY(command(*w, "aNombers01")->isChecked());
        QVERIFY(!w->isMaximized());
        QCOMPARE(w->width(), 484);
        QVERIFY(w->close());
        qm::IniFile ini;
        QVERIFY(ini.load(iniPath()));
        QCOMPARE(ini.readString(u"Grid", u"Tag"), QStringLiteral("2"));
        // The bands are numbered again into a permutation.
        QSet<int> bands;
        for (const char *bar :
             {"File", "Edit", "Nombers", "Tag", "Update", "Replace", "CellsEditor"})
            bands.insert(
                ini.readInteger(u"Main", QStringLiteral("IndexBar") + QLatin1String(bar), -1));
        QCOMPARE(bands, (QSet<int>{0, 1, 2, 3, 4, 5, 6}));
    }

    void toolBarBandOrderSurvivesARestart()
    {
        writeIni(
            "[Main]\r\nIndexBarFile=6\r\nIndexBarEdit=5\r\nIndexBarNombers=4\r\nIndexBarTag=3\r\n"
            "IndexBarUpdate=2\r\nIndexBarReplace=1\r\nIndexBarCellsEditor=0\r\n");
        {
            auto w = start();
            const QList<QToolBar *> &bars = w->toolBars();
            // Update comes first now, then Tag, then Nombers.
            QVERIFY(bars[4]->x() < bars[3]->x() || bars[4]->y() < bars[3]->y());
            QVERIFY(bars[3]->x() < bars[2]->x() || bars[3]->y() < bars[2]->y());
            QVERIFY(w->close());
        }
        qm::IniFile ini;
        QVERIFY(ini.load(iniPath()));
        int expected = 6;
        for (const char *bar :
             {"File", "Edit", "Nombers", "Tag", "Update", "Replace", "CellsEditor"})
            QCOMPARE(ini.readInteger(u"Main", QStringLiteral("IndexBar") + QLatin1String(bar), -1),
                     expected--);
    }

    void dropDownButtonRepeatsTheLastChoice()
    {
        auto w = start();
        qm::DropDownCommand *letterCase = w->dropDown(QStringLiteral("Case"));
        QCOMPARE(letterCase->current(), command(*w, "aUpperCase"));
        QSignalSpy lower(command(*w, "aLowerCase"), &QAction::triggered);
        QSignalSpy upper(command(*w, "aUpperCase"), &QAction::triggered);
        command(*w, "aLowerCase")->trigger();
        QCOMPARE(letterCase->face()->toolTip(), QStringLiteral("Все строчные"));
        QCOMPARE(qm::CommandSet::imageOf(letterCase->face()),
                 qm::CommandSet::imageOf(command(*w, "aLowerCase")));
        letterCase->face()->trigger();
        QCOMPARE(lower.count(), 2);
        QCOMPARE(upper.count(), 0);
        // A saved image that names no sub-command leaves a click without effect.
        letterCase->restore(9999, QStringLiteral("?"));
        QVERIFY(!letterCase->current());
        letterCase->face()->trigger();
        QCOMPARE(lower.count() + upper.count(), 2);
        QVERIFY(w->close());

        // Settings that number the case and replace commands 20-26; an image
        // of none of a button's commands leaves the button its own choice.
        writeIni("[Edit]\r\nCase Image=23\r\nCase Hint=Слово с заглавной\r\n"
                 "Relace Image=26\r\nRelace Hint=Восстановить замененные символы\r\n"
                 "Add Image=9999\r\nAdd Hint=junk\r\n"
                 "[Main]\r\nWrite Tag Image=9999\r\nWrite Tag Hint=junk\r\n");
        auto again = start();
        QCOMPARE(again->dropDown(QStringLiteral("Case"))->current(), command(*again, "aUpUpCase"));
        QCOMPARE(again->dropDown(QStringLiteral("Relace"))->current(), command(*again, "aRestore"));
        QCOMPARE(again->dropDown(QStringLiteral("Add"))->current(), command(*again, "aAddFiles"));
        QCOMPARE(again->dropDown(QStringLiteral("Add"))->face()->toolTip(),
                 command(*again, "aAddFiles")->toolTip());
        // The write-tag button, chosen by nothing, follows the ID3v2 view.
        QCOMPARE(again->dropDown(QStringLiteral("Write Tag"))->current(),
                 command(*again, "aWriteID3v2Tag"));
    }

    void gridFindsCellsByFieldWhereverTheColumnIs()
    {
        auto w = start(dir_->filePath(QStringLiteral("song.mp3")));
        w->session().table().setCell(1, FieldNumber::Art, QStringLiteral("artist"));
        QHeaderView *header = w->grid()->horizontalHeader();
        header->moveSection(header->visualIndex(int(FieldNumber::Art)), 1);
        command(*w, "aVisibleDir")->trigger();
        const int art = int(FieldNumber::Art);
        QCOMPARE(header->visualIndex(art), w->table().layout().position(FieldNumber::Art));
        QCOMPARE(w->gridModel()->index(0, art).data().toString(), QStringLiteral("artist"));
        QCOMPARE(w->table().cellAt(1, header->visualIndex(art)), QStringLiteral("artist"));
        QCOMPARE(w->gridModel()->headerData(0, Qt::Vertical).toString(), QStringLiteral("01"));
        // A drop into the frozen zone is put back.
        header->moveSection(header->visualIndex(art), 0);
        QCOMPARE(header->visualIndex(art), w->table().layout().position(FieldNumber::Art));
        QVERIFY(w->table().layout().isShown(FieldNumber::Art));
    }

    void lastShownColumnCannotBeHidden()
    {
        auto w = start();
        QList<FieldNumber> shown;
        for (int n = 1; n < qm::kColumnCount; ++n)
            shown << qm::toField(n);
        for (int i = 0; i + 1 < shown.size(); ++i)
            w->views().columnCommand(shown[i])->trigger();
        const FieldNumber last = shown.last();
        QCOMPARE(w->table().layout().noPosition(), qm::kColumnCount - 2);
        w->views().columnCommand(last)->trigger();
        QVERIFY(w->views().columnCommand(last)->isChecked());
        QVERIFY(w->table().layout().isShown(last));
        QCOMPARE(w->table().layout().noPosition(), qm::kColumnCount - 2);

        // Show all brings back every column in use, in the documented order.
        command(*w, "aVisibleAll")->trigger();
        for (int n = 1; n < qm::kColumnCount; ++n)
            QVERIFY(w->table().layout().isShown(qm::toField(n)));
        QCOMPARE(w->table().layout().position(FieldNumber::Dir), 2);
        QCOMPARE(w->table().layout().position(FieldNumber::Slt), 24);
    }

    void hidingAColumnKeepsTheShowListInStep()
    {
        auto w = start();
        command(*w, "aVisibleAlb")->trigger();
        const qm::FieldLists &v2 = w->options().lists(qm::FieldView::Id3v2);
        QVERIFY(!v2.isShown(FieldNumber::Alb));
        QVERIFY(v2.isRead(FieldNumber::Alb));
        // The view switched off and on again honours the list: Alb stays hidden.
        command(*w, "aID3v2Tag")->trigger();
        command(*w, "aID3v2Tag")->trigger();
        QVERIFY(!w->table().layout().isShown(FieldNumber::Alb));
        QVERIFY(w->table().layout().isShown(FieldNumber::Art));
        // A basic column is in no list.
        command(*w, "aVisibleDir")->trigger();
        QVERIFY(!w->table().layout().isShown(FieldNumber::Dir));
    }

    void hidingAllToolBarsHidesTheStrip()
    {
        auto w = start();
        const int stripTop = w->centralWidget()->y();
        QVERIFY(stripTop > w->menuBar()->geometry().bottom() + 1);
        const char *bars[] = {"aVisibleBarFile",       "aVisibleBarEdit",   "aVisibleBarNombers",
                              "aVisibleBarTag",        "aVisibleBarUpdate", "aVisibleBarReplace",
                              "aVisibleBarCellsEditor"};
        for (const char *bar : bars)
            command(*w, bar)->trigger();
        QTRY_COMPARE(w->centralWidget()->y(), w->menuBar()->geometry().bottom() + 1);
        for (QToolBar *bar : w->toolBars())
            QVERIFY(bar->isHidden());
        command(*w, "aVisibleBarTag")->trigger();
        QVERIFY(!w->toolBars()[3]->isHidden());
        QTRY_VERIFY(w->centralWidget()->y() > w->menuBar()->geometry().bottom() + 1);
    }

    void viewSwitchesRelabelAndEmptyColumns()
    {
        auto w = start(dir_->filePath(QStringLiteral("one.mp3")));
        qm::RowTable &table = w->session().table();
        const int second =
            table.appendFileRow(dir_->path() + QLatin1Char('/'), QStringLiteral("two.mp3"));
        w->completeAddedRows(second);
        QCOMPARE(table.cell(2, FieldNumber::No), QStringLiteral("02"));
        QCOMPARE(table.cell(2, FieldNumber::Old), QStringLiteral("two"));
        QCOMPARE(table.cell(2, FieldNumber::Ext), QStringLiteral("mp3"));
        table.setCell(1, FieldNumber::Cop, QStringLiteral("someone"));
        table.setCell(1, FieldNumber::Cmp, QStringLiteral("composer"));
        table.setCell(1, FieldNumber::Siz, QStringLiteral("1234"));
        // A row that holds nothing but a tag is dropped once that tag goes.
        const int tagOnly = table.appendRows(1);
        table.setCell(tagOnly, FieldNumber::Tit, QStringLiteral("title only"));
        w->gridModel()->reloadRows();

        command(*w, "aID3v1Tag")->trigger();
        QVERIFY(!command(*w, "aID3v2Tag")->isChecked());
        QCOMPARE(table.cell(0, FieldNumber::Cop), QStringLiteral("Автор"));
        QCOMPARE(table.cell(0, FieldNumber::Ory), QStringLiteral("Комментарий 2"));
        QCOMPARE(w->gridModel()->headerData(int(FieldNumber::Cop), Qt::Horizontal).toString(),
                 QStringLiteral("Автор"));
        QCOMPARE(command(*w, "aVisibleCop")->text(), QStringLiteral("Автор"));
        QCOMPARE(command(*w, "aSortByOry")->text(), QStringLiteral("По комментарию 2"));
        QCOMPARE(command(*w, "aID3v1Tag")->toolTip(), QStringLiteral("Скрыть ID3v1 Tag"));
        QCOMPARE(command(*w, "aID3v1Tag")->shortcut(), QKeySequence(QStringLiteral("Ctrl+T")));
        QVERIFY(command(*w, "aID3v2Tag")->shortcut().isEmpty());
        // The ID3v2 view went first: its cells are emptied (the ID3v1 view
        // reads its own), its only columns hidden, and the row that held
        // nothing but a title is gone.
        QVERIFY(!table.layout().isShown(FieldNumber::Cmp));
        QVERIFY(!command(*w, "aVisibleCmp")->isVisible());
        QVERIFY(table.cell(1, FieldNumber::Cmp).isEmpty());
        QVERIFY(table.cell(1, FieldNumber::Cop).isEmpty());
        QVERIFY(command(*w, "aVisibleCop")->isVisible());
        QVERIFY(table.layout().isShown(FieldNumber::Cop));
        QCOMPARE(table.fileRowCount(), 2);
        QCOMPARE(table.cell(1, FieldNumber::Siz), QStringLiteral("1234"));
        table.setCell(1, FieldNumber::Cop, QStringLiteral("someone"));

        command(*w, "aID3v1Tag")->trigger();
        QCOMPARE(table.cell(0, FieldNumber::Cop), QStringLiteral("Авторское пр."));
        QCOMPARE(table.cell(0, FieldNumber::Ory), QStringLiteral("Ориг. год"));
        QCOMPARE(command(*w, "aVisibleCop")->text(), QStringLiteral("Авторское пр."));
        QCOMPARE(command(*w, "aSortByCop")->text(), QStringLiteral("По авторскому пр."));
        QCOMPARE(command(*w, "aID3v1Tag")->toolTip(), QStringLiteral("Показать ID3v1 Tag"));
        QVERIFY(table.cell(1, FieldNumber::Cop).isEmpty());
        for (int n = 8; n < qm::kColumnCount; ++n)
            QVERIFY(!table.layout().isShown(qm::toField(n)));
        QCOMPARE(table.fileRowCount(), 2);
        QCOMPARE(w->gridModel()->rowCount(), 3);

        command(*w, "aFileInfo")->trigger();
        QVERIFY(table.cell(1, FieldNumber::Siz).isEmpty());
        QCOMPARE(command(*w, "aFileInfo")->toolTip(),
                 QStringLiteral("Показать информацию о файлах"));
        QVERIFY(!command(*w, "aVisibleSiz")->isVisible());
    }

    void viewSwitchOffKeepsABasicColumn()
    {
        auto w = start();
        for (const char *name : {"aVisibleDir", "aVisibleOld", "aVisibleNew", "aVisibleExt"})
            command(*w, name)->trigger();
        command(*w, "aID3v2Tag")->trigger();
        command(*w, "aFileInfo")->trigger();
        // Neither the tag nor the information columns may stay without their view.
        QVERIFY(w->table().layout().isShown(FieldNumber::New));
        for (int n = 5; n < qm::kColumnCount; ++n)
            QVERIFY(!w->table().layout().isShown(qm::toField(n)));
    }

    void numberingStylesFollowTheBox()
    {
        auto w = start(dir_->filePath(QStringLiteral("x.mp3")));
        for (int i = 0; i < 11; ++i)
            w->session().table().appendFileRow(dir_->path() + QLatin1Char('/'),
                                               QStringLiteral("f.mp3"));
        w->renumberRows(1);
        QCOMPARE(w->table().cell(9, FieldNumber::No), QStringLiteral("09"));
        QCOMPARE(w->table().cell(12, FieldNumber::No), QStringLiteral("12"));
        w->numberingBox()->setCurrentIndex(1);
        QVERIFY(command(*w, "aNombers1")->isChecked());
        QCOMPARE(w->table().cell(9, FieldNumber::No), QStringLiteral("9"));
        QCOMPARE(w->gridModel()->headerData(8, Qt::Vertical).toString(), QStringLiteral("9"));
        command(*w, "aNombers01")->trigger();
        QCOMPARE(w->numberingBox()->currentIndex(), 0);
        QCOMPARE(w->table().cell(1, FieldNumber::No), QStringLiteral("01"));
        QVERIFY(w->table().cell(w->table().blankRow(), FieldNumber::No).isEmpty());
    }

    void runWithoutFileShowsTheErrorBox()
    {
        auto w = start(dir_->filePath(QStringLiteral("gone.mp3")));
        QString shown;
        QTimer::singleShot(0, this, [&shown] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                shown = box->text();
                box->accept();
            }
        });
        command(*w, "aRun")->trigger();
        QCOMPARE(shown, QStringLiteral("Файл или директория ")
                            + dir_->filePath(QStringLiteral("gone.mp3"))
                            + QStringLiteral("\nне существует!"));
        QCOMPARE(w->infoPanel()->statusText(), QStringLiteral("Запуск выбранного файла..."));

        // A file that is there, with no program to open it (the offscreen
        // platform opens no documents).
        QFile there(dir_->filePath(QStringLiteral("gone.mp3")));
        QVERIFY(there.open(QIODevice::WriteOnly));
        there.close();
        QTimer::singleShot(0, this, [&shown] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                shown = box->text();
                box->accept();
            }
        });
        shown.clear();
        command(*w, "aRun")->trigger();
        there.remove();
        QCOMPARE(shown,
                 QStringLiteral("Не найдена программа, чтобы открыть файл ") + there.fileName());
    }

    void statusPanelLayout()
    {
        auto w = start();
        qm::InfoPanel *panel = w->infoPanel();
        panel->resize(482, panel->height());
        w->setControlsEnabled(false);
        QVERIFY(!panel->progress()->isHidden());
        QCOMPARE(panel->status()->width(), (482 - 82) * 2 / 3);
        QCOMPARE(panel->stopButton()->x(), 482 - 66);
        QCOMPARE(panel->progress()->x(), (482 - 82) * 2 / 3 + 10);
        QCOMPARE(panel->progress()->x() + panel->progress()->width(), 482 - 66 - 6);
        QVERIFY(!w->toolBars()[3]->isEnabled());
        // Stop with no job to address returns the window to idle.
        QTest::mouseClick(panel->stopButton(), Qt::LeftButton);
        QVERIFY(panel->progress()->isHidden());
        QVERIFY(w->toolBars()[3]->isEnabled());
        QCOMPARE(panel->status()->width(), 482 - 8);
        const QString longText(400, QLatin1Char('x'));
        panel->setStatusText(longText);
        QCOMPARE(panel->status()->toolTip(), longText);
    }

    // Last: the translations stay installed for the rest of the run.
    void qtDialogsSpeakRussian()
    {
        QVERIFY(qm::installTranslations(*QCoreApplication::instance(), qm::UiLanguage::Russian));
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Yes to &All"),
                 QStringLiteral("Да для &всех"));
    }
};

QTEST_MAIN(MainWindowTest)
#include "test_mainwindow.moc"
