// The main window's settings sections Main, Edit and Grid: applied on
// start, taken from the window on saving.
#include "app/mainwindow.h"
#include "app/alphabeteditor.h"

#include "app/aboutwindow.h"
#include "app/appicons.h"
#include "app/picturecommands.h"

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
#include <climits>

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

// The screen under the middle of a saved placement's top edge, where its
// title bar is grabbed; nullptr when that point is on no screen.
const QScreen *screenUnderTitle(const MainSettings &settings)
{
    const qint64 middle = qint64(settings.left) + std::max(settings.width, 0) / 2;
    return QGuiApplication::screenAt(
        QPoint(int(std::clamp<qint64>(middle, INT_MIN, INT_MAX)), settings.top));
}

} // namespace

void TfrmTagEditor::applyMainSettings(const MainSettings &settings)
{
    const NamedCommands &c = commands_->named();
    if (settings.windowState != 0) {
        setWindowState(Qt::WindowMaximized);
    } else if (settings.placed) {
        // A placement saved on a larger screen, beside a screen that is gone,
        // or edited by hand would leave the title bar, the menus or the
        // status line out of reach: a size the screen cannot hold opens
        // maximized, a place off the screen is moved onto it.
        const QScreen *under = screenUnderTitle(settings);
        const QScreen *screen = under ? under : QGuiApplication::primaryScreen();
        const QRect area = screen ? screen->availableGeometry() : QRect();
        const bool fits = settings.width <= area.width() && settings.height <= area.height();
        QRect placed(settings.left, settings.top, settings.width, settings.height);
        // A window across two screens, its title bar on one of them, stays.
        if (!area.isEmpty() && !(under && fits)) {
            const QSize least = minimumSizeHint().expandedTo(QSize(1, 1)).boundedTo(area.size());
            placed.setSize(QSize(std::clamp(settings.width, least.width(), area.width()),
                                 std::clamp(settings.height, least.height(), area.height())));
            placed.moveTo(
                std::clamp(settings.left, area.left(), area.left() + area.width() - placed.width()),
                std::clamp(settings.top, area.top(), area.top() + area.height() - placed.height()));
        }
        move(placed.topLeft());
        resize(placed.size());
        if (!area.isEmpty() && !fits)
            setWindowState(Qt::WindowMaximized);
    }
    if (settings.stayOnTop)
        c.aStayOnTop->trigger();
    for (int i = 0; i < kBarCount; ++i) {
        if (!settings.visibleBars[size_t(i)])
            commands_->toolBarCommand(i)->trigger();
    }
    settings.winamp.applyTo(*dropDowns_.value(QStringLiteral("Winamp")));
    // Without a saved write-tag choice the button follows the tag view
    // (followTagView).
    writeTagChosen_ = settings.writeTagChosen
                      && settings.writeTag.applyTo(*dropDowns_.value(QStringLiteral("Write Tag")));
    if (writeTagChosen_) {
        const QList<QAction *> writers{c.aWriteID3v1Tag, c.aWriteID3v2Tag};
        if (QAction *writer = dropDowns_.value(QStringLiteral("Write Tag"))->current())
            moveShortcut(QKeySequence(QStringLiteral("Ctrl+W")), writer, writers);
    }
    mmiOnlySelTag_->setChecked(settings.onlySelTag);
    settings.update.applyTo(*dropDowns_.value(QStringLiteral("Update")));
    if (dropDowns_.value(QStringLiteral("Update"))->image() == CommandSet::imageOf(c.aUpdateSel))
        moveShortcut(QKeySequence(QStringLiteral("Ctrl+U")), c.aUpdateSel,
                     {c.aUpdate, c.aUpdateSel});
}

void TfrmTagEditor::applyEditSettings(const EditSettings &settings)
{
    for (int i = 0; i < EditSettings::kButtonCount; ++i)
        settings.buttons[size_t(i)].applyTo(*dropDowns_.value(EditSettings::buttonName(i)));
    if (!settings.moveFiles)
        mmiCopyFiles_->setChecked(true);
}

void TfrmTagEditor::applyGridSettings(const GridSettings &settings)
{
    session_.columns().restore(settings.colIndex, settings.colWidths);
    if (settings.numbers01)
        commands_->named().aNombers1->trigger();
    if (settings.separateNumbering)
        commands_->named().aNombersSeparate->trigger();
}

GridSettings TfrmTagEditor::gridSettings() const
{
    GridSettings settings;
    settings.tag = views_->tagView();
    settings.fileInfo = views_->fileInfoOn();
    settings.colIndex = table_.layout().toColIndex();
    settings.colWidths = table_.colWidthsText();
    settings.numbers01 = commands_->named().aNombers1->isChecked();
    settings.separateNumbering = commands_->named().aNombersSeparate->isChecked();
    return settings;
}

MainSettings TfrmTagEditor::mainSettings() const
{
    MainSettings settings;
    settings.windowState = isMinimized() ? 1 : isMaximized() ? 2 : 0;
    settings.top = y();
    settings.left = x();
    settings.height = height();
    settings.width = width();
    settings.stayOnTop = commands_->named().aStayOnTop->isChecked();
    const QList<int> order = toolBarOrder();
    for (int i = 0; i < kBarCount; ++i) {
        settings.visibleBars[size_t(i)] = commands_->toolBarCommand(i)->isChecked();
        settings.barOrder[size_t(i)] = order[i];
        settings.barWidths[size_t(i)] = toolBars_[i]->sizeHint().width();
    }
    settings.winamp = DropDownChoice::of(*dropDowns_.value(QStringLiteral("Winamp")));
    settings.writeTagChosen = writeTagChosen_;
    settings.writeTag = DropDownChoice::of(*dropDowns_.value(QStringLiteral("Write Tag")));
    settings.update = DropDownChoice::of(*dropDowns_.value(QStringLiteral("Update")));
    settings.onlySelTag = mmiOnlySelTag_->isChecked();
    return settings;
}

EditSettings TfrmTagEditor::editSettings() const
{
    const bool tagView =
        commands_->named().aID3v1Tag->isChecked() || commands_->named().aID3v2Tag->isChecked();
    const bool infoView = commands_->named().aFileInfo->isChecked();
    EditSettings settings;
    for (int i = 0; i < EditSettings::kButtonCount; ++i) {
        const QString name = EditSettings::buttonName(i);
        // The tag and file-information choices are meaningful only while
        // their view shows those columns; they are not written otherwise.
        if ((name == QLatin1String("Tag") && !tagView)
            || (name == QLatin1String("FileInf") && !infoView))
            continue;
        settings.buttons[size_t(i)] = DropDownChoice::of(*dropDowns_.value(name));
    }
    settings.moveFiles = mmiMoveFiles_->isChecked();
    return settings;
}

bool TfrmTagEditor::saveSettings()
{
    // Sections of other parts of the program and unknown keys survive: the
    // file is read again and only this window's keys are replaced.
    IniFile ini;
    if (QFileInfo::exists(settingsPath_) && !ini.load(settingsPath_))
        return false;
    mainSettings().write(ini);
    writeOptionsSection(ini, options_);
    gridSettings().write(ini);
    editSettings().write(ini);
    addDirectoryDialog_->writeSettings(ini);
    findDialog_->writeSettings(ini);
    listCommands_->writeSettings(ini);
    pictureCommands_->writeSettings(ini);
    return ini.save(settingsPath_);
}
} // namespace qm
