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
#include "app/codepagedialog.h"
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
#include "app/picturecommands.h"
#include "app/optionsdialog.h"
#include "app/playercommands.h"
#include "app/repairdialog.h"
#include "formats/pathcodec.h"
#include "jobs/fileops.h"
#include "jobs/readkinds.h"
#include "options/optionssection.h"
#include "settings/inifile.h"
#include "settings/settingspath.h"

namespace qm {
namespace {

// The file types offered by the open dialog of aAddFiles. "All files" is
// "*" here: a name without a dot is a file too.
QString addFilesFilter()
{
    return QCoreApplication::translate(
        "qm::TfrmTagEditor",
        "Все файлы (*);;"
        "Аудио файлы (*.mp3 *.flac *.ogg *.oga *.opus *.wma *.vqf *.asf *.lqt *.wav *.mid);;"
        "Видео файлы (*.avi *.mpg *.mp2 *.wmv *.asf);;"
        "Графические файлы (*.jpg *.bmp *.gif *.psd);;"
        "Текстовые файлы (*.txt *.doc *.rtf *.htm *.inf *.diz)");
}

// The local files and folders of a drop, in the order given.
QStringList droppedPaths(const QMimeData *data)
{
    QStringList paths;
    if (!data || !data->hasUrls())
        return paths;
    for (const QUrl &url : data->urls()) {
        if (!url.isLocalFile())
            continue;
        QString path = fileNameOfUrl(url);
        while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
            path.chop(1);
        if (!path.isEmpty())
            paths.append(path);
    }
    return paths;
}

// The update commands write the shown view's tag: their icons carry its mark
// over the icon they were made with, and so does the update button.
void markUpdateTag(const NamedCommands &c, DropDownCommand *button, int tag)
{
    static constexpr const char *kPlainIcon = "plainIcon";
    for (QAction *action : {c.aUpdate, c.aUpdateSel}) {
        if (!action->property(kPlainIcon).isValid())
            action->setProperty(kPlainIcon, action->icon());
        action->setIcon(withTagMark(action->property(kPlainIcon).value<QIcon>(), tag));
    }
    if (button)
        button->restore(button->image(), button->hint());
}

} // namespace

TfrmTagEditor::TfrmTagEditor(const QString &firstArgument, QWidget *parent)
    : QMainWindow(parent), commands_(new CommandSet(this))
{
    setObjectName(QStringLiteral("frmTagEditor"));
    setWindowTitle(QStringLiteral("Quillmark v2"));
    settingsPath_ = settingsFilePath();
    placeForFirstStart();

    for (QAction *action : commands_->all()) {
        const QString category = action->property(CommandSet::kCategoryProperty).toString();
        if (category == QLatin1String("PasteFrom")) {
            if (!action->text().isEmpty() || action->objectName() == QLatin1String("aPNo"))
                action->setIcon(badgeIcon(
                    templateCode(toField(action->property(CommandSet::kTagProperty).toInt()))
                        .mid(1)));
        }
        addAction(action); // shortcuts work whatever bar or menu is shown
    }

    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    model_ = new GridModel(table_, this);
    grid_ = new NameGrid(model_, central);
    infoPanel_ = new InfoPanel(central);
    layout->addWidget(grid_, 1);
    layout->addWidget(infoPanel_);
    setCentralWidget(central);
    views_ = new ColumnViews(session_, *commands_, this);
    // The window keeps an undo history of the table; the command line does not.
    session_.setUndoEnabled(true);
    TableLayout &columns = session_.columns();
    connect(grid_, &NameGrid::columnMoveRequested, &columns, &TableLayout::moveColumn);
    connect(grid_, &NameGrid::columnResized, &columns, &TableLayout::setColumnWidth);
    connect(&columns, &TableLayout::changed, grid_, &NameGrid::syncLayout);

    createMenus();
    createDropDowns();
    createToolBars();
    connectCommands();
    createTable();
    createJobs();
    editing_ = new GridEditing(*this);
    connect(this, &TfrmTagEditor::editorTextRequested, editing_, &GridEditing::computeEditorText);
    connectTextCommands();
    connectAlphabetCommands(*this);
    listCommands_ = new ListCommands(*this);
    setAcceptDrops(true);
    const QString dropHint = tr("Для добавления файлов или содержимого папок в таблицу "
                                "можно перетаскивать выбранные объекты на форму");
    grid_->setToolTip(dropHint);
    grid_->setStatusTip(dropHint);

    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this,
            &TfrmTagEditor::recomputeClipboardStates);
    connect(qApp, &QGuiApplication::applicationStateChanged, this,
            [this](Qt::ApplicationState state) {
                if (state == Qt::ApplicationActive)
                    recomputeClipboardStates();
            });

    infoPanel_->setStatusText(windowTitle());

    IniFile ini;
    QList<int> barOrder;
    for (int i = 0; i < kBarCount; ++i)
        barOrder.append(i);
    bool widthsSaved = false;
    if (QFileInfo::exists(settingsPath_) && ini.load(settingsPath_)) {
        MainSettings main;
        main.read(ini);
        applyMainSettings(main);
        EditSettings edit;
        edit.read(ini);
        applyEditSettings(edit);
        barOrder = QList<int>(main.barOrder.begin(), main.barOrder.end());
        GridSettings grid;
        grid.read(ini);
        applyGridSettings(grid);
        widthsSaved = grid.widthsSaved;
    }
    placeToolBars(barOrder);

    session_.columns().retranslateHeaders();
    views_->syncColumnCommands();
    onLayoutChanged();
    if (!widthsSaved)
        fitColumnsToHeaders();
    // Only the first argument counts, and it is not checked.
    if (!firstArgument.isEmpty())
        session_.addPath(firstArgument);
    writeCommands_ = new WriteCommands(*this, jobs_->runner());
    pictureCommands_ = new PictureCommands(*this);
    optionsDialog_->addPage(pictureCommands_->optionsPage(), tr("Картинки"));
    menuBar()->insertMenu(mainMenus_.last()->menuAction(), pictureCommands_->menu());
    mainMenus_.insert(mainMenus_.size() - 1, pictureCommands_->menu());
    mainMenus_[3]->addAction(pictureCommands_->panelCommand());
    if (QFileInfo::exists(settingsPath_) && ini.load(settingsPath_))
        pictureCommands_->readSettings(ini);
    connectPlayerCommands(*this);
    connectRepairCommand(*this);
    connectCodepageCommand(*this);
    refreshCommandContainers();
}

void TfrmTagEditor::createTable()
{
    // The No column is as wide as a row is high plus room for the number.
    session_.columns().setColumnWidth(FieldNumber::No, grid_->defaultRowHeight() + 17);
    connect(views_, &ColumnViews::layoutChanged, this, &TfrmTagEditor::onLayoutChanged);
    connect(views_, &ColumnViews::readRequested, this, &TfrmTagEditor::startUpdateJob);
    connect(views_, &ColumnViews::idleRequested, this, [this] { setControlsEnabled(true); });
    connect(grid_, &NameGrid::columnMoved, this, &TfrmTagEditor::onLayoutChanged);

    const NamedCommands &c = commands_->named();
    auto *columnMenu = new QMenu(grid_);
    columnMenu->setObjectName(QStringLiteral("pmnColumns"));
    columnMenu->addActions(findChild<QMenu *>(QStringLiteral("mmiColumns"))->actions());
    columnMenu->addSeparator();
    columnMenu->addAction(c.aOptions);
    grid_->setColumnMenu(columnMenu);
    auto *cellsMenu = new QMenu(grid_);
    cellsMenu->setObjectName(QStringLiteral("pmnCells"));
    cellsMenu->addActions({c.aCut, c.aCopy, c.aPasteIn, c.aPaste, c.aClearSelect, c.aDeleteSelect});
    cellsMenu->addSeparator();
    cellsMenu->addAction(c.aSelectAll);
    cellsMenu->addSeparator();
    QMenu *sort = cellsMenu->addMenu(tr("Упорядочить строки"));
    sort->addActions(findChild<QMenu *>(QStringLiteral("mmiSort"))->actions());
    grid_->setCellsMenu(cellsMenu);

    // The commands set the session's numbering and follow it, whoever set it.
    connect(&session_, &Session::numberingChanged, this, &TfrmTagEditor::followNumbering);
    connect(c.aNombers01, &QAction::triggered, this,
            [this] { session_.setNumberStyle(NumberStyle::LeadingZero); });
    connect(c.aNombers1, &QAction::triggered, this,
            [this] { session_.setNumberStyle(NumberStyle::Plain); });
    connect(cmbNombers_, &QComboBox::currentIndexChanged, this, [this](int index) {
        (index == 0 ? commands_->named().aNombers01 : commands_->named().aNombers1)->trigger();
    });
    connect(c.aNombersSeparate, &QAction::triggered, this, [this](bool on) {
        session_.setNumberScope(on ? NumberScope::PerFolder : NumberScope::WholeTable);
    });
}

void TfrmTagEditor::followNumbering()
{
    const NamedCommands &c = commands_->named();
    const NumberStyle style = numberStyle();
    (style == NumberStyle::Plain ? c.aNombers1 : c.aNombers01)->setChecked(true);
    {
        const QSignalBlocker quiet(cmbNombers_);
        cmbNombers_->setCurrentIndex(style == NumberStyle::Plain ? 1 : 0);
    }
    const bool on = numberScope() == NumberScope::PerFolder;
    QAction *command = c.aNombersSeparate;
    command->setChecked(on);
    command->setProperty(CommandSet::kImageProperty, on ? CommandSet::kNombersSeparateOnImage
                                                        : CommandSet::kNombersSeparateOffImage);
    const QString hint =
        on ? tr("Общая нумерация для каждой папки") : tr("Раздельная нумерация для каждой папки");
    command->setToolTip(hint);
    command->setStatusTip(hint);
    CommandSet::setInUse(c.aSortRandom, !on);
}

void TfrmTagEditor::connectSortCommands()
{
    for (QAction *action : commands_->all()) {
        const QString name = action->objectName();
        if (!name.startsWith(QLatin1String("aSort")))
            continue;
        CommandSet::setPending(action, false);
        if (name == QLatin1String("aSortRandom")) {
            CommandSet::setInUse(action, numberScope() == NumberScope::WholeTable);
            connect(action, &QAction::triggered, &session_, &Session::shuffleRows);
            continue;
        }
        // Keyed by the column, not by its place: a moved column keeps its sort.
        const FieldNumber column = toField(action->property(CommandSet::kTagProperty).toInt());
        // The name and path columns are in every view; the others follow theirs.
        if (columnGroup(column) == ColumnGroup::Basic)
            CommandSet::setInUse(action, true);
        connect(action, &QAction::triggered, this, [this, column] { session_.sortRows(column); });
    }
    QAction *separate = commands_->named().aNombersSeparate;
    CommandSet::setPending(separate, false);
    CommandSet::setInUse(separate, true);
    if (QWidget *button = toolBars_[2]->widgetForAction(separate))
        button->setObjectName(QStringLiteral("tbtNombersSeparate"));
}

void TfrmTagEditor::createJobs()
{
    session_.setUpdatesHeld([this] { return optionsDialog_->isVisible(); });
    connect(&session_, &Session::addedRowsCompleted, this, [this](int first, int last) {
        editing_->selectRows(first, last, last, GridEditing::RowFocus::FirstColumn);
    });
    connect(&session_, &Session::rowsRenumbered, this, [this] {
        if (editing_)
            editing_->computeEditorText();
    });
    jobs_ = std::make_unique<JobControl>(session_, *model_, *infoPanel_);
    connect(jobs_.get(), &JobControl::controlsEnabledChanged, this,
            &TfrmTagEditor::applyControlsEnabled);
    connect(jobs_.get(), &JobControl::separateNumberingStopped, this,
            [this] { session_.setNumberScope(NumberScope::WholeTable); });
    connectSortCommands();

    optionsDialog_ = new TfrmOptions(options_, *commands_, this);
    addDirectoryDialog_ = new TfrmAddDirectory(this);
    connect(optionsDialog_, &TfrmOptions::scanFieldListChanged, &session_, &Session::setScanFields);
    connect(optionsDialog_, &TfrmOptions::editorTextRequested, this,
            &TfrmTagEditor::editorTextRequested);
    connect(views_, &ColumnViews::editorTextRequested, this, &TfrmTagEditor::editorTextRequested);
    connect(addDirectoryDialog_, &TfrmAddDirectory::addRequested, this,
            [this](const QStringList &folders) {
                takeScanSettings();
                session_.addFolders(folders);
            });

    const NamedCommands &c = commands_->named();
    for (QAction *action : {c.aAddFiles, c.aAddDirectory, c.aOptions}) {
        CommandSet::setPending(action, false);
        CommandSet::setInUse(action, true);
    }
    for (QAction *action : commands_->all())
        action->installEventFilter(this);
    connect(c.aAddFiles, &QAction::triggered, this, &TfrmTagEditor::aAddFilesExecute);
    connect(c.aAddDirectory, &QAction::triggered, addDirectoryDialog_, &QDialog::exec);
    connect(c.aOptions, &QAction::triggered, this, &TfrmTagEditor::aOptionsExecute);

    aboutWindow_ = new TfrmAbout(QFileInfo(settingsPath_).absolutePath(), this);
    QAction *about = c.aAbout;
    CommandSet::setPending(about, false);
    CommandSet::setInUse(about, true);
    connect(about, &QAction::triggered, aboutWindow_, &QDialog::open);
}

void TfrmTagEditor::placeForFirstStart()
{
    // Without saved placement the window takes three quarters of the screen,
    // centred: enough for the table to show its rows and headers.
    const QScreen *screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen) {
        resize(484, 349);
        move(100, 100);
        return;
    }
    const QRect available = screen->availableGeometry();
    resize(available.width() * 3 / 4, available.height() * 3 / 4);
    move(available.center() - rect().center());
}

void TfrmTagEditor::fitColumnsToHeaders()
{
    // No saved widths: each data column is at least as wide as its header
    // text, so no header starts out cut.
    QHeaderView *header = grid_->horizontalHeader();
    for (int n = 1; n < kColumnCount; ++n) {
        const FieldNumber f = toField(n);
        if (!table_.layout().isShown(f))
            continue;
        session_.columns().setColumnWidth(f, std::max(table_.width(f), header->sectionSizeHint(n)));
    }
    grid_->syncLayout();
}

void TfrmTagEditor::followTagView()
{
    // Until the user picks a write command, the write-tag button and Ctrl+W
    // write the tag the view shows.
    if (writeTagChosen_ || views_->tagView() == 0)
        return;
    const NamedCommands &c = commands_->named();
    QAction *writer = views_->tagView() == 1 ? c.aWriteID3v1Tag : c.aWriteID3v2Tag;
    dropDowns_.value(QStringLiteral("Write Tag"))
        ->restore(CommandSet::imageOf(writer), writer->toolTip());
    moveShortcut(QKeySequence(QStringLiteral("Ctrl+W")), writer,
                 {c.aWriteID3v1Tag, c.aWriteID3v2Tag});
}

void TfrmTagEditor::aAddFilesExecute()
{
    QStringList files =
        QFileDialog::getOpenFileNames(this, tr("Открытие файлов"), QString(), addFilesFilter());
    for (QString &file : files)
        file = fileNameFromQt(file);
    addFiles(files);
}

void TfrmTagEditor::showOptionsPage(QWidget *page)
{
    optionsDialog_->showPage(page);
    aOptionsExecute();
}

void TfrmTagEditor::aOptionsExecute()
{
    optionsDialog_->exec();
    // Views switched off and on again while the dialog closed read now.
    session_.releaseUpdates();
}

void TfrmTagEditor::dragEnterEvent(QDragEnterEvent *event)
{
    if (!jobs_->busy() && !droppedPaths(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void TfrmTagEditor::dropEvent(QDropEvent *event)
{
    const QStringList paths = droppedPaths(event->mimeData());
    if (paths.isEmpty() || jobs_->busy())
        return;
    event->acceptProposedAction();
    // An image on the selected rows becomes their picture.
    if (pictureCommands_->dropOnRows(event->mimeData(), event->position().toPoint()))
        return;
    addDroppedPaths(paths);
}

void TfrmTagEditor::addDroppedPaths(const QStringList &paths)
{
    takeScanSettings();
    session_.addDroppedPaths(paths);
}

void TfrmTagEditor::takeScanSettings()
{
    // The dialog's mask and switches govern dropped folders too.
    session_.setScan(ScanSettings{addDirectoryDialog_->filter(),
                                  addDirectoryDialog_->caseSensitive(),
                                  addDirectoryDialog_->scanSubFolders()});
}

void TfrmTagEditor::onLayoutChanged()
{
    grid_->syncLayout();
    model_->headerRowChanged();
    refreshCommandContainers();
    markUpdateTag(commands_->named(), dropDowns_.value(QStringLiteral("Update")),
                  views_->tagView());
    if (editing_)
        editing_->layoutChanged();
}

TfrmTagEditor::~TfrmTagEditor()
{
    // A running job writes to the table and the model: it ends first.
    jobs_->shutdown();
    // The view asks the model about the table while it is taken down, and
    // the table is a member: the widgets go first.
    editing_->shutDown();
    delete takeCentralWidget();
}

void TfrmTagEditor::connectCommands()
{
    const NamedCommands &c = commands_->named();
    for (int i = 0; i < kBarCount; ++i) {
        QAction *command = commands_->toolBarCommand(i);
        connect(command, &QAction::triggered, this,
                [this, i](bool checked) { toggleToolBar(i, checked); });
    }
    connect(c.aStayOnTop, &QAction::triggered, this, &TfrmTagEditor::setStayOnTop);
    connect(c.aExit, &QAction::triggered, this, &QWidget::close);
    connect(c.aRun, &QAction::triggered, this, &TfrmTagEditor::runCurrentFile);
    connect(infoPanel_->stopButton(), &QPushButton::clicked, this, &TfrmTagEditor::btnStopClick);

    // Shortcuts that follow the last choice.
    const QList<QAction *> writers{c.aWriteID3v1Tag, c.aWriteID3v2Tag};
    const QList<QAction *> updaters{c.aUpdate, c.aUpdateSel};
    const QList<QAction *> views{c.aID3v1Tag, c.aID3v2Tag};
    for (QAction *action : writers)
        connect(action, &QAction::triggered, this, [this, action, writers] {
            writeTagChosen_ = true;
            moveShortcut(QKeySequence(QStringLiteral("Ctrl+W")), action, writers);
        });
    for (QAction *action : updaters)
        connect(action, &QAction::triggered, this, [action, updaters] {
            moveShortcut(QKeySequence(QStringLiteral("Ctrl+U")), action, updaters);
        });
    for (QAction *action : views) {
        connect(action, &QAction::triggered, this, [action, views] {
            moveShortcut(QKeySequence(QStringLiteral("Ctrl+T")), action, views);
        });
        connect(action, &QAction::triggered, this, &TfrmTagEditor::followTagView);
    }
}

void TfrmTagEditor::connectTextCommands()
{
    CommandSet &c = *commands_;
    const std::pair<const char *, CaseMode> modes[] = {{"aUpperCase", CaseMode::Upper},
                                                       {"aLowerCase", CaseMode::Lower},
                                                       {"aUpLowerCase", CaseMode::Sentence},
                                                       {"aUpUpCase", CaseMode::Words}};
    for (const auto &[name, mode] : modes) {
        QAction *action = c[QString::fromLatin1(name)];
        CommandSet::setPending(action, false);
        CommandSet::setInUse(action, true);
        connect(action, &QAction::triggered, this, [this, mode = mode] {
            session_.convertCase(editing_->selection(), mode);
            editing_->computeEditorText();
        });
    }
    findDialog_ = new TfrmFind(session_, *editing_, this);
    const std::pair<const char *, int> pages[] = {{"aFind", 0}, {"aFReplace", 1}};
    for (const auto &[name, page] : pages) {
        QAction *action = c[QString::fromLatin1(name)];
        CommandSet::setPending(action, false);
        CommandSet::setInUse(action, true);
        connect(action, &QAction::triggered, findDialog_,
                [this, page = page] { findDialog_->showPage(page); });
    }
}

void TfrmTagEditor::moveShortcut(const QKeySequence &key, QAction *owner,
                                 const QList<QAction *> &holders)
{
    for (QAction *action : holders)
        if (action->shortcut() == key)
            action->setShortcut(QKeySequence());
    owner->setShortcut(key);
}

void TfrmTagEditor::setStayOnTop(bool on)
{
    const bool wasVisible = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, on);
    if (wasVisible)
        show(); // changing the flag hides the window
}

void TfrmTagEditor::runCurrentFile()
{
    const QModelIndex current = grid_->currentIndex();
    const int row = current.isValid() ? GridModel::tableRow(current) : 1;
    if (!table_.isValidRow(row) || row == 0)
        return;
    editing_->selectRows(row, row, row, GridEditing::RowFocus::FirstColumn);
    QString dir = table_.cell(row, FieldNumber::Dir);
    const QString path =
        BuildFileName(dir, table_.cell(row, FieldNumber::Old), table_.cell(row, FieldNumber::Ext));
    showStatusHint(tr("Запуск выбранного файла..."));
    // xdg-open reports success even for a file that is not there, so the
    // file is looked at first.
    if (!PathExists(path))
        QMessageBox::critical(this, windowTitle(),
                              tr("Файл или директория %1\nне существует!").arg(path));
    else if (!QDesktopServices::openUrl(urlOfFileName(path)))
        QMessageBox::critical(this, windowTitle(),
                              tr("Не найдена программа, чтобы открыть файл %1").arg(path));
}

void TfrmTagEditor::recomputeClipboardStates()
{
    if (editing_)
        editing_->updateEditActions();
}

void TfrmTagEditor::showStatusHint(const QString &hint) { infoPanel_->setStatusText(hint); }

void TfrmTagEditor::setControlsEnabled(bool enabled) { jobs_->setControlsEnabled(enabled); }

void TfrmTagEditor::applyControlsEnabled(bool enabled)
{
    for (QMenu *menu : std::as_const(mainMenus_))
        menu->menuAction()->setEnabled(enabled);
    commands_->named().aAbout->setEnabled(enabled);
    for (QToolBar *bar : std::as_const(toolBars_))
        bar->setEnabled(enabled);
    grid_->setEnabled(enabled);
    infoPanel_->setBusy(!enabled);
    // Switching the controls off moved the focus to whatever could take it
    // (a tool button, Stop): the table takes it back, unless the user types
    // in a box here or works in another window.
    if (!enabled || QApplication::activeWindow() != this)
        return;
    QWidget *focus = QApplication::focusWidget();
    const auto *box = qobject_cast<QComboBox *>(focus);
    if (qobject_cast<QLineEdit *>(focus) || (box && box->isEditable()))
        return;
    grid_->setFocus();
}

void TfrmTagEditor::btnStopClick() { jobs_->btnStopClick(); }

bool TfrmTagEditor::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Shortcut && jobs_ && jobs_->busy())
        return true;
    return QMainWindow::eventFilter(watched, event);
}

bool TfrmTagEditor::event(QEvent *event)
{
    if (event->type() == QEvent::StatusTip) {
        // Every hint is also written into the status line; the empty tip sent
        // when the mouse leaves keeps the last text there.
        const QString tip = static_cast<QStatusTipEvent *>(event)->tip();
        if (!tip.isEmpty())
            showStatusHint(tip);
        return true;
    }
    return QMainWindow::event(event);
}

void TfrmTagEditor::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (firstShowDone_)
        return;
    firstShowDone_ = true;
    bool fileInfo = true;
    int tag = 2;
    if (const std::optional<IniFile> ini = session_.loadSettings(settingsPath_)) {
        GridSettings grid;
        grid.read(*ini);
        fileInfo = grid.fileInfo;
        tag = grid.tag;
        addDirectoryDialog_->readSettings(*ini);
        findDialog_->readSettings(*ini);
        listCommands_->readSettings(*ini);
    }
    takeScanSettings();
    optionsDialog_->syncFromOptions();
    views_->applySavedViews(fileInfo, tag);
    refreshCommandContainers();
}

void TfrmTagEditor::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    // The window may not get narrower than 224 or lower than the table's top
    // plus 150.
    const int tableTop = centralWidget() ? centralWidget()->y() : 0;
    setMinimumSize(224, tableTop + 150);
}

void TfrmTagEditor::closeEvent(QCloseEvent *event)
{
    saveSettings();
    // A running job ends before the window goes; nothing is written after.
    jobs_->shutdown();
    event->accept();
}

} // namespace qm
