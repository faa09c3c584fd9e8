// The main window's menus, tool bars and drop-down buttons, and how they
// show: which bars, in which order, with which commands.
#include "app/mainwindow.h"
#include "app/alphabeteditor.h"

#include "app/aboutwindow.h"
#include "app/appicons.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QStatusTipEvent>
#include <QToolBar>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>

#include "app/columnviews.h"
#include "app/commands.h"
#include "app/adddirectorydialog.h"
#include "app/dropdown.h"
#include "app/finddialog.h"
#include "app/gridediting.h"
#include "app/gridmodel.h"
#include "app/infopanel.h"
#include "app/jobcontrol.h"
#include "app/listcommands.h"
#include "app/mainsettings.h"
#include "app/writecommands.h"
#include "app/namegrid.h"
#include "app/optionsdialog.h"
#include "app/playercommands.h"
#include "formats/pathcodec.h"
#include "jobs/fileops.h"
#include "jobs/readkinds.h"
#include "options/optionssection.h"
#include "settings/inifile.h"
#include "settings/settingspath.h"

namespace qm {
namespace {

const char *const kBarTitles[] = {QT_TRANSLATE_NOOP("qm::TfrmTagEditor", "Файл"),
                                  QT_TRANSLATE_NOOP("qm::TfrmTagEditor", "Редактирование"),
                                  QT_TRANSLATE_NOOP("qm::TfrmTagEditor", "Нумерация"),
                                  QT_TRANSLATE_NOOP("qm::TfrmTagEditor", "Информация и теги"),
                                  QT_TRANSLATE_NOOP("qm::TfrmTagEditor", "Обновление и запуск"),
                                  QT_TRANSLATE_NOOP("qm::TfrmTagEditor", "Замена символов"),
                                  QT_TRANSLATE_NOOP("qm::TfrmTagEditor", "Редактор ячеек")};
// Hides a menu that would open empty; returns whether it shows anything.
bool refreshMenuVisibility(QMenu *menu)
{
    bool any = false;
    for (QAction *action : menu->actions()) {
        if (QMenu *sub = action->menu()) {
            any = refreshMenuVisibility(sub) || any;
        } else if (!action->isSeparator() && action->isVisible()) {
            any = true;
        }
    }
    menu->menuAction()->setVisible(any);
    return any;
}

// Tool bars do not fold separators the way menus do: a separator shows only
// between two shown items.
void refreshSeparators(QToolBar *bar)
{
    const QList<QAction *> actions = bar->actions();
    for (int i = 0; i < actions.size(); ++i) {
        if (!actions[i]->isSeparator())
            continue;
        const auto shown = [](QAction *a) { return !a->isSeparator() && a->isVisible(); };
        const bool before = std::any_of(actions.begin(), actions.begin() + i, shown);
        const bool after = std::any_of(actions.begin() + i + 1, actions.end(), shown);
        actions[i]->setVisible(before && after);
    }
}

// Adds the commands of those names to a menu or a tool bar; "-" stands for
// a separator.
template <typename Container>
void addCommands(Container *to, const CommandSet &commands,
                 std::initializer_list<const char *> names)
{
    for (const char *name : names) {
        if (*name == '-')
            to->addSeparator();
        else
            to->addAction(commands[QString::fromLatin1(name)]);
    }
}
} // namespace

void TfrmTagEditor::createMenus()
{
    CommandSet &c = *commands_;
    QMenuBar *bar = menuBar();
    const auto add = [&c](auto *to, std::initializer_list<const char *> names) {
        addCommands(to, c, names);
    };

    QMenu *file = bar->addMenu(tr("&Файл"));
    add(file, {"aNewList", "aOpenList", "aSaveList", "aSpecList"});
    QMenu *addMenu = file->addMenu(tr("&Добавить в таблицу"));
    addMenu->setObjectName(QStringLiteral("mmiAdd"));
    add(addMenu, {"aAddFiles", "aAddDirectory", "aAddList", "aAddWinampList"});
    add(file, {"-", "aRun"});
    QMenu *winamp = file->addMenu(QStringLiteral("Winamp"));
    winamp->setObjectName(QStringLiteral("mmiWinamp"));
    add(winamp, {"aWinampPlay", "aWinampAdd", "aWinampOpen"});
    writeTagMenu_ = file->addMenu(tr("Записать Tag"));
    writeTagMenu_->setObjectName(QStringLiteral("mmiWriteTag"));
    add(writeTagMenu_, {"aWriteID3v1Tag", "aWriteID3v2Tag", "-"});
    mmiOnlySelTag_ = writeTagMenu_->addAction(tr("Только выделенные"));
    mmiOnlySelTag_->setObjectName(QStringLiteral("mmiOnlySelTag"));
    mmiOnlySelTag_->setCheckable(true);
    mmiOnlySelTag_->setStatusTip(tr("Записать только выделенные файлы"));
    mmiOnlySelTag_->setToolTip(mmiOnlySelTag_->statusTip());
    CommandSet::setPending(mmiOnlySelTag_, true);
    add(file, {"aUpdate", "aUpdateSel", "aUndoUpdate", "-", "aExit"});

    QMenu *replace = bar->addMenu(tr("&Замена"));
    QMenu *letterCase = replace->addMenu(tr("Регистр &букв"));
    letterCase->setObjectName(QStringLiteral("mmiCase"));
    add(letterCase, {"aUpperCase", "aLowerCase", "aUpLowerCase", "aUpUpCase"});
    QMenu *alphabets = replace->addMenu(tr("Алфавит"));
    alphabets->setObjectName(QStringLiteral("mmiAlphabet"));
    add(replace, {"aAlphabetEditor", "aReplace", "aRestore", "aVariantsRestore"});

    QMenu *edit = bar->addMenu(tr("&Правка"));
    add(edit, {"aUndo", "aRedo", "-", "aCut", "aCopy", "aPasteIn", "aPaste", "aClearSelect",
               "aDeleteSelect"});
    QMenu *duplicates = edit->addMenu(tr("Удалить &повторяющиеся"));
    duplicates->setObjectName(QStringLiteral("mmiDeleteDuplicates"));
    duplicates->menuAction()->setStatusTip(tr("Удалить повторяющиеся строки из списка"));
    for (const QString &text : {tr("Данные в видимых столбцах"), tr("Данные во всех столбцах")})
        CommandSet::setPending(duplicates->addAction(text), true);
    add(edit, {"-", "aSelectAll", "-"});
    QMenu *sort = edit->addMenu(tr("&Упорядочить строки"));
    sort->setObjectName(QStringLiteral("mmiSort"));
    for (int n = 1; n < kColumnCount; ++n)
        sort->addAction(c.sortCommand(toField(n)));
    sort->addAction(c.named().aSortRandom);
    add(edit, {"-", "aFind", "aFReplace"});

    QMenu *view = bar->addMenu(tr("&Вид"));
    QMenu *bars = view->addMenu(tr("Панели инструментов"));
    bars->setObjectName(QStringLiteral("mmiToolBars"));
    for (int i = 0; i < kBarCount; ++i)
        bars->addAction(c.toolBarCommand(i));
    QMenu *columns = view->addMenu(tr("Столбцы таблицы"));
    columns->setObjectName(QStringLiteral("mmiColumns"));
    for (int n = 1; n < kColumnCount; ++n)
        columns->addAction(c.columnCommand(toField(n)));
    add(columns, {"-", "aVisibleAll"});
    add(view, {"aStayOnTop", "-"});
    QMenu *numbering = view->addMenu(tr("&Нумерация"));
    numbering->setObjectName(QStringLiteral("mmiNombers"));
    add(numbering, {"aNombers01", "aNombers1", "-", "aNombersSeparate"});
    add(view, {"aFileInfo", "aID3v1Tag", "aID3v2Tag", "-", "aOptions"});

    QMenu *renaming = bar->addMenu(tr("&Переименовывание"));
    auto *moveOrCopy = new QActionGroup(this);
    mmiMoveFiles_ = renaming->addAction(tr("&Перемещать файлы"));
    mmiMoveFiles_->setObjectName(QStringLiteral("mmiMoveFiles"));
    mmiCopyFiles_ = renaming->addAction(tr("&Копировать файлы"));
    mmiCopyFiles_->setObjectName(QStringLiteral("mmiCopyFiles"));
    for (QAction *action : {mmiMoveFiles_, mmiCopyFiles_}) {
        action->setCheckable(true);
        moveOrCopy->addAction(action);
        CommandSet::setPending(action, true);
    }
    mmiMoveFiles_->setChecked(true);

    bar->addAction(c.named().aAbout);
    mainMenus_ = {file, replace, edit, view, renaming};

    // Right click on the tool bar area.
    setContextMenuPolicy(Qt::CustomContextMenu);
    auto *barMenu = new QMenu(this);
    barMenu->addActions(bars->actions());
    barMenu->addSeparator();
    barMenu->addAction(c.named().aOptions);
    connect(this, &QWidget::customContextMenuRequested, this, [this, barMenu](const QPoint &pos) {
        QWidget *child = childAt(pos);
        for (QToolBar *toolBar : toolBars_) {
            if (child == toolBar || toolBar->isAncestorOf(child)) {
                barMenu->popup(mapToGlobal(pos));
                return;
            }
        }
    });
}

void TfrmTagEditor::createDropDowns()
{
    CommandSet &c = *commands_;
    const auto list = [&c](std::initializer_list<const char *> names) {
        QList<QAction *> result;
        for (const char *name : names)
            result.append(c[QString::fromLatin1(name)]);
        return result;
    };
    const auto make = [this](const QString &name, const QString &caption, QAction *face,
                             const QList<QAction *> &subs, const QString &menuName) {
        QMenu *menu = findChild<QMenu *>(menuName);
        if (!menu) {
            menu = new QMenu(this);
            menu->setObjectName(menuName);
            menu->addActions(subs);
        }
        dropDowns_.insert(name, new DropDownCommand(name, caption, face, subs, menu, this));
    };
    make(QStringLiteral("Add"), tr("&Добавить в таблицу"), nullptr,
         list({"aAddFiles", "aAddDirectory", "aAddList", "aAddWinampList"}),
         QStringLiteral("mmiAdd"));
    make(QStringLiteral("Winamp"), QStringLiteral("Winamp"), nullptr,
         list({"aWinampPlay", "aWinampAdd", "aWinampOpen"}), QStringLiteral("mmiWinamp"));
    make(QStringLiteral("Write Tag"), tr("Записать Tag"), nullptr,
         list({"aWriteID3v1Tag", "aWriteID3v2Tag"}), QStringLiteral("mmiWriteTag"));
    make(QStringLiteral("Update"), tr("&Обновить"), nullptr, list({"aUpdate", "aUpdateSel"}),
         QStringLiteral("pmnUpdate"));
    make(QStringLiteral("Case"), tr("Регистр &букв"), nullptr,
         list({"aUpperCase", "aLowerCase", "aUpLowerCase", "aUpUpCase"}),
         QStringLiteral("mmiCase"));
    make(QStringLiteral("Alphabet"), tr("Алфавит"), nullptr, list({"aAlphabetEditor"}),
         QStringLiteral("mmiAlphabet"));
    make(QStringLiteral("Relace"), tr("&Заменить"), nullptr, list({"aReplace", "aRestore"}),
         QStringLiteral("pmnReplace"));
    make(QStringLiteral("Name"), QString(), c.named().aPName, list({"aPOldName", "aPNewName"}),
         QStringLiteral("pmnName"));
    make(QStringLiteral("FileInf"), QString(), c.named().aPFileInf,
         list({"aPSiz", "aPDur", "aPInf"}), QStringLiteral("pmnFileInf"));
    QList<QAction *> tagPaste;
    for (QAction *action : c.all()) {
        const int tag = action->property(CommandSet::kTagProperty).toInt();
        if (action->property(CommandSet::kCategoryProperty) == QLatin1String("PasteFrom")
            && tag >= 8 && action->objectName() != QLatin1String("aPTag"))
            tagPaste.append(action);
    }
    make(QStringLiteral("Tag"), QString(), c.named().aPTag, tagPaste, QStringLiteral("pmnTag"));
}

void TfrmTagEditor::createToolBars()
{
    CommandSet &c = *commands_;
    for (int i = 0; i < kBarCount; ++i) {
        auto *bar = new QToolBar(tr(kBarTitles[i]), this);
        bar->setObjectName(QStringLiteral("tbr") + barName(i));
        bar->setMovable(true);
        bar->setIconSize(QSize(16, 16));
        toolBars_.append(bar);
    }
    const auto add = [&c](auto *to, std::initializer_list<const char *> names) {
        addCommands(to, c, names);
    };
    add(toolBars_[0], {"aNewList", "aOpenList", "aSaveList"});
    dropDowns_.value(QStringLiteral("Add"))->addTo(toolBars_[0]);
    add(toolBars_[1], {"aCut", "aCopy", "aPasteIn", "aClearSelect", "aDeleteSelect", "-", "aFind"});

    cmbNombers_ = new QComboBox(toolBars_[2]);
    cmbNombers_->setObjectName(QStringLiteral("cmbNombers"));
    cmbNombers_->addItems({QStringLiteral("01, 02, 03, ..."), QStringLiteral("1, 2, 3, ...")});
    cmbNombers_->setToolTip(tr("Тип нумерации строк таблицы"));
    cmbNombers_->setStatusTip(cmbNombers_->toolTip());
    toolBars_[2]->addWidget(cmbNombers_);
    add(toolBars_[2], {"aNombersSeparate"});

    add(toolBars_[3], {"aFileInfo", "aID3v1Tag", "aID3v2Tag", "-", "aOptions"});

    add(toolBars_[4], {"aRun"});
    dropDowns_.value(QStringLiteral("Winamp"))->addTo(toolBars_[4]);
    toolBars_[4]->addSeparator();
    dropDowns_.value(QStringLiteral("Write Tag"))->addTo(toolBars_[4]);
    writeTagSeparator_ = toolBars_[4]->addSeparator();
    dropDowns_.value(QStringLiteral("Update"))->addTo(toolBars_[4]);

    for (const char *name : {"Case", "Alphabet", "Relace"})
        dropDowns_.value(QString::fromLatin1(name))->addTo(toolBars_[5]);

    add(toolBars_[6], {"aPNo", "aPDir"});
    dropDowns_.value(QStringLiteral("Name"))->addTo(toolBars_[6]);
    add(toolBars_[6], {"aPExt"});
    dropDowns_.value(QStringLiteral("FileInf"))->addTo(toolBars_[6]);
    dropDowns_.value(QStringLiteral("Tag"))->addTo(toolBars_[6]);
}

void TfrmTagEditor::toggleToolBar(int index, bool shown)
{
    // With no bar checked the whole strip disappears, since an empty tool bar
    // area takes no room; checking one brings it back. A bar whose commands
    // are all hidden stays out of sight too: it would offer nothing.
    QToolBar *bar = toolBars_[index];
    const QList<QAction *> items = bar->actions();
    const bool hasItems = std::any_of(
        items.begin(), items.end(), [](QAction *a) { return !a->isSeparator() && a->isVisible(); });
    bar->setVisible(shown && hasItems);
}

void TfrmTagEditor::placeToolBars(const QList<int> &order)
{
    // Bars go in band order; a new row starts when the next bar would not fit
    // the window's width, as the bands of a strip wrap.
    QList<int> sequence;
    for (int i = 0; i < kBarCount; ++i)
        sequence.append(i);
    std::stable_sort(sequence.begin(), sequence.end(),
                     [&order](int a, int b) { return order.value(a) < order.value(b); });
    // Saved slots may repeat or be out of range: the bands are renumbered.
    barOrder_ = QList<int>(kBarCount);
    for (int position = 0; position < kBarCount; ++position)
        barOrder_[sequence[position]] = position;
    for (QToolBar *bar : toolBars_)
        removeToolBar(bar);
    int rowWidth = 0;
    for (int index : sequence) {
        QToolBar *bar = toolBars_[index];
        toggleToolBar(index, commands_->toolBarCommand(index)->isChecked());
        const int w = bar->isHidden() ? 0 : bar->sizeHint().width();
        if (rowWidth > 0 && rowWidth + w > width()) {
            addToolBarBreak(Qt::TopToolBarArea);
            rowWidth = 0;
        }
        addToolBar(Qt::TopToolBarArea, bar);
        toggleToolBar(index, commands_->toolBarCommand(index)->isChecked());
        rowWidth += w;
    }
}

QList<int> TfrmTagEditor::toolBarOrder() const
{
    // Shown bars are read in reading order (rows from the top, then from the
    // left) and take the band slots the shown bars had; hidden bars keep their
    // slots, since they have no place on screen to read.
    QList<int> shown;
    QList<int> bandSlots;
    for (int i = 0; i < kBarCount; ++i) {
        if (toolBars_[i]->isHidden())
            continue;
        shown.append(i);
        bandSlots.append(barOrder_[i]);
    }
    const auto key = [this](int i) {
        QToolBar *bar = toolBars_[i];
        return std::make_tuple(int(toolBarArea(bar)), bar->y(), bar->x());
    };
    std::stable_sort(shown.begin(), shown.end(), [&key](int a, int b) { return key(a) < key(b); });
    std::sort(bandSlots.begin(), bandSlots.end());
    QList<int> order = barOrder_;
    for (int k = 0; k < shown.size(); ++k)
        order[shown[k]] = bandSlots[k];
    return order;
}

void TfrmTagEditor::refreshCommandContainers()
{
    // "Только выделенные" goes with the write-tag commands: alone it would
    // keep the "Записать Tag" menu up with nothing to write.
    CommandSet::setInUse(mmiOnlySelTag_, commands_->named().aWriteID3v1Tag->isVisible()
                                             || commands_->named().aWriteID3v2Tag->isVisible());
    for (DropDownCommand *dropDown : std::as_const(dropDowns_))
        dropDown->refreshVisibility();
    for (QMenu *menu : std::as_const(mainMenus_))
        refreshMenuVisibility(menu);
    for (QToolBar *bar : std::as_const(toolBars_))
        refreshSeparators(bar);
    for (int i = 0; i < kBarCount; ++i)
        toggleToolBar(i, commands_->toolBarCommand(i)->isChecked());
}

} // namespace qm
