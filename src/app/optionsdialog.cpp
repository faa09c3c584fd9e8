#include "app/optionsdialog.h"

#include "app/renamingpage.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QShowEvent>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/commands.h"

namespace qm {

namespace {

// The items of each view's check lists: the ID3v1 lists name the Lyrics3
// fields as Lyrics3 does ("Автор"), ID3v2 has frames in their place.
QStringList itemNames(FieldView view)
{
    QStringList names;
    for (FieldNumber f : Options::items(view))
        names.append(fieldName(f, view == FieldView::Id3v1));
    return names;
}

// The tool bars by design index (their commands: CommandSet::toolBarCommand).
constexpr std::array<const char *, kBarCount> kToolBars = {
    QT_TRANSLATE_NOOP("qm::TfrmOptions", "Файл"),
    QT_TRANSLATE_NOOP("qm::TfrmOptions", "Редактирование"),
    QT_TRANSLATE_NOOP("qm::TfrmOptions", "Нумерация"),
    QT_TRANSLATE_NOOP("qm::TfrmOptions", "Информация и теги"),
    QT_TRANSLATE_NOOP("qm::TfrmOptions", "Обновление и запуск"),
    QT_TRANSLATE_NOOP("qm::TfrmOptions", "Замена символов"),
    QT_TRANSLATE_NOOP("qm::TfrmOptions", "Редактор ячек"),
};

constexpr std::array<FieldView, 3> kViews = {FieldView::FileInfo, FieldView::Id3v1,
                                             FieldView::Id3v2};

int pageOf(FieldView view)
{
    switch (view) {
    case FieldView::FileInfo:
        return TfrmOptions::PageMain;
    case FieldView::Id3v1:
        return TfrmOptions::PageTag1;
    case FieldView::Id3v2:
        break;
    }
    return TfrmOptions::PageTag2;
}

const QString kRowHeightSample = QStringLiteral("Высота у ячеек");

} // namespace

// ---------------------------------------------------------------------------

TfrmOptions::TfrmOptions(Options &options, CommandSet &commands, QWidget *parent)
    : QDialog(parent), options_(options), commands_(commands)
{
    setObjectName(QStringLiteral("frmOptions"));
    setWindowTitle(tr("Настройки"));

    pcnOptions_ = new QTabWidget(this);
    pcnOptions_->setObjectName(QStringLiteral("pcnOptions"));
    pcnOptions_->addTab(createMainPage(), tr("Основные"));
    pcnOptions_->addTab(createScanPage(), tr("Скан. ячеек"));
    pcnOptions_->addTab(createTagPage(FieldView::Id3v1), QStringLiteral("ID3v1 Tag"));
    pcnOptions_->addTab(createTagPage(FieldView::Id3v2), QStringLiteral("ID3v2 Tag"));
    renamingPage_ = new RenamingPage(options_);
    pcnOptions_->addTab(renamingPage_, tr("&Переименовывание"));

    auto *btnClose = new QPushButton(tr("Закрыть"), this);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    btnClose->setAutoDefault(false);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::close);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnClose);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(pcnOptions_);
    layout->addLayout(buttons);

    createMenus();
    syncFromOptions();
}

QListWidget *TfrmOptions::createCheckList(const char *name)
{
    auto *list = new QListWidget(this);
    list->setObjectName(QString::fromLatin1(name));
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(list, &QListWidget::itemChanged, this,
            [this, list](QListWidgetItem *item) { listItemChanged(list, item); });
    connect(list, &QWidget::customContextMenuRequested, this, [this, list](const QPoint &pos) {
        // The press gives the list the focus first; the menu acts on that list.
        list->setFocus(Qt::MouseFocusReason);
        menuList_ = list;
        pmnCheckList_->popup(list->viewport()->mapToGlobal(pos));
    });
    return list;
}

QWidget *TfrmOptions::createMainPage()
{
    auto *page = new QWidget;
    clbToolBarsVisible_ = new QListWidget(page);
    clbToolBarsVisible_->setObjectName(QStringLiteral("clbToolBarsVisible"));
    for (const char *caption : kToolBars) {
        auto *item = new QListWidgetItem(tr(caption), clbToolBarsVisible_);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Checked);
    }
    connect(clbToolBarsVisible_, &QListWidget::itemChanged, this, [this](QListWidgetItem *item) {
        if (!syncing_)
            clbToolBarsVisibleClickCheck(clbToolBarsVisible_->row(item),
                                         item->checkState() == Qt::Checked);
    });

    ListPair &info = lists_[size_t(FieldView::FileInfo)];
    info.read = createCheckList("clbInfoReadFields");
    info.show = createCheckList("clbInfoShowFields");
    auto *infoBox = new QGroupBox(tr("Информация:"), page);
    auto *infoLayout = new QGridLayout(infoBox);
    infoLayout->addWidget(new QLabel(tr("Считываемые поля:")), 0, 0);
    infoLayout->addWidget(new QLabel(tr("Отображаемые поля:")), 0, 1);
    infoLayout->addWidget(info.read, 1, 0);
    infoLayout->addWidget(info.show, 1, 1);

    chbFormatRead_ =
        new QCheckBox(tr("Читать Tag и информацию только для *.mp3, *.flac, *.ogg, *.opus"), page);
    chbFormatRead_->setObjectName(QStringLiteral("chbFormatRead"));
    connect(chbFormatRead_, &QCheckBox::clicked, this,
            [this](bool on) { options_.setFormatRead(on); });

    cmbCodepage_ = new QComboBox(page);
    cmbCodepage_->setObjectName(QStringLiteral("cmbCodepage"));
    cmbCodepage_->setToolTip(tr("Кодовая страница текста в ID3v1, Lyrics и простых кадрах ID3v2"));
    cmbCodepage_->addItems(Options::codepageChoices());
    connect(cmbCodepage_, &QComboBox::activated, this, &TfrmOptions::codepageChosen);
    auto *codepageLabel = new QLabel(tr("Кодовая страница тегов:"), page);
    codepageLabel->setBuddy(cmbCodepage_);
    auto *codepageNote = new QLabel(tr("Текст ID3v1 записывается в этой кодовой странице."), page);

    // The version numbers the combo's items stand for, in their order.
    static constexpr int kVersions[] = {3, 4, 0};
    cmbTag2Version_ = new QComboBox(page);
    cmbTag2Version_->setObjectName(QStringLiteral("cmbTag2Version"));
    cmbTag2Version_->addItems({tr("2.3"), tr("2.4"), tr("Как в файле")});
    cmbTag2Version_->setToolTip(
        tr("2.4 пишет текст в UTF-8, дату в TDRC и несколько значений раздельно; "
           "«Как в файле» оставляет теги 2.4 в 2.4, остальные пишет в 2.3"));
    connect(cmbTag2Version_, &QComboBox::activated, this,
            [this](int index) { options_.setId3v2WriteVersion(kVersions[index]); });
    auto *versionLabel = new QLabel(tr("Версия ID3v2 при записи:"), page);
    versionLabel->setBuddy(cmbTag2Version_);

    clbToolBarsVisible_->setMinimumWidth(clbToolBarsVisible_->sizeHintForColumn(0)
                                         + 2 * clbToolBarsVisible_->frameWidth() + 8);
    auto *bars = new QVBoxLayout;
    bars->addWidget(new QLabel(tr("Панели:")));
    bars->addWidget(clbToolBarsVisible_);
    auto *codepageRow = new QHBoxLayout;
    codepageRow->addWidget(codepageLabel);
    codepageRow->addWidget(cmbCodepage_, 1);
    codepageRow->addWidget(versionLabel);
    codepageRow->addWidget(cmbTag2Version_);

    auto *layout = new QGridLayout(page);
    layout->addLayout(bars, 0, 0);
    layout->addWidget(infoBox, 0, 1);
    layout->addLayout(codepageRow, 1, 0, 1, 2);
    layout->addWidget(codepageNote, 2, 0, 1, 2);
    layout->addWidget(chbFormatRead_, 3, 0, 1, 2);
    layout->setColumnStretch(1, 1);
    return page;
}

QWidget *TfrmOptions::createScanPage()
{
    auto *page = new QWidget;
    stgScanCells_ = new ScanGrid(page);
    stgScanCells_->setObjectName(QStringLiteral("stgScanCells"));
    scanModel_ = new ScanGridModel(options_.scanFields(), this);
    stgScanCells_->setModel(scanModel_);
    stgScanCells_->setColumnHidden(ScanGridModel::FieldColumn, true);
    const int rowHeight = stgScanCells_->fontMetrics().boundingRect(kRowHeightSample).height() + 3;
    stgScanCells_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    stgScanCells_->verticalHeader()->setDefaultSectionSize(rowHeight);
    stgScanCells_->horizontalHeader()->setFixedHeight(rowHeight + 1);
    const int rankWidth = stgScanCells_->fontMetrics().horizontalAdvance(QStringLiteral("000"));
    stgScanCells_->setColumnWidth(ScanGridModel::RankColumn, rankWidth);
    stgScanCells_->setColumnWidth(ScanGridModel::MarkColumn,
                                  stgScanCells_->fontMetrics().horizontalAdvance(tr("Вкл")) + 12);
    stgScanCells_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(stgScanCells_, &QAbstractItemView::clicked, this, [this](const QModelIndex &index) {
        if (index.column() == ScanGridModel::MarkColumn)
            scanModel_->toggle(index.row());
    });
    connect(stgScanCells_, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
        pmnSelScan_->popup(stgScanCells_->viewport()->mapToGlobal(pos));
    });
    connect(scanModel_, &ScanGridModel::edited, this, [this] { scanChanged_ = true; });
    auto *layout = new QVBoxLayout(page);
    layout->addWidget(stgScanCells_);
    return page;
}

QWidget *TfrmOptions::createTagPage(FieldView view)
{
    auto *page = new QWidget;
    const bool v1 = view == FieldView::Id3v1;
    ListPair &pair = lists_[size_t(view)];
    pair.read = createCheckList(v1 ? "clbTag1ReadFields" : "clbTag2ReadFields");
    pair.show = createCheckList(v1 ? "clbTag1ShowFields" : "clbTag2ShowFields");
    auto *layout = new QGridLayout(page);
    layout->addWidget(new QLabel(tr("Считываемые поля:")), 0, 0);
    layout->addWidget(new QLabel(tr("Отображаемые поля:")), 0, 1);
    layout->addWidget(pair.read, 1, 0);
    layout->addWidget(pair.show, 1, 1);
    if (v1) {
        chbReadLyrics2_ = new QCheckBox(tr("Читать Lyrics 2"), page);
        chbReadLyrics2_->setObjectName(QStringLiteral("chbReadLyrics2"));
        connect(chbReadLyrics2_, &QCheckBox::clicked, this, &TfrmOptions::chbReadLyrics2Click);
        layout->addWidget(chbReadLyrics2_, 2, 0, 1, 2);
    }
    return page;
}

void TfrmOptions::createMenus()
{
    pmnCheckList_ = new QMenu(this);
    pmnCheckList_->setObjectName(QStringLiteral("pmnCheckList"));
    QAction *all = pmnCheckList_->addAction(tr("Выделить все"));
    all->setObjectName(QStringLiteral("pmiSelectAll"));
    QAction *none = pmnCheckList_->addAction(tr("Снять выделение"));
    none->setObjectName(QStringLiteral("pmiUnselectAll"));
    connect(all, &QAction::triggered, this, [this] { setAllItems(menuList_, true); });
    connect(none, &QAction::triggered, this, [this] { setAllItems(menuList_, false); });

    pmnSelScan_ = new QMenu(this);
    pmnSelScan_->setObjectName(QStringLiteral("pmnSelScan"));
    QAction *on = pmnSelScan_->addAction(tr("Включить все"));
    on->setObjectName(QStringLiteral("pmiAllOn"));
    QAction *off = pmnSelScan_->addAction(tr("Выключить все"));
    off->setObjectName(QStringLiteral("pmiAllOff"));
    QAction *byDefault = pmnSelScan_->addAction(tr("По умолчанию"));
    byDefault->setObjectName(QStringLiteral("pmiDefault"));
    connect(on, &QAction::triggered, this, [this] { scanModel_->setAllEnabled(true); });
    connect(off, &QAction::triggered, this, [this] { scanModel_->setAllEnabled(false); });
    connect(byDefault, &QAction::triggered, this, [this] { scanModel_->setDefaultPattern(); });
}

// ---------------------------------------------------------------------------

void TfrmOptions::syncFromOptions()
{
    syncing_ = true;
    for (FieldView view : kViews)
        fillList(view);
    chbFormatRead_->setChecked(options_.formatRead());
    renamingPage_->sync();
    chbReadLyrics2_->setChecked(options_.readLyrics2());
    int at = cmbCodepage_->findText(options_.codepage(), Qt::MatchFixedString);
    if (at < 0) {
        // A code page chosen by editing the settings file is offered too.
        cmbCodepage_->addItem(options_.codepage());
        at = cmbCodepage_->count() - 1;
    }
    cmbCodepage_->setCurrentIndex(at);
    const int version = options_.id3v2WriteVersion();
    cmbTag2Version_->setCurrentIndex(version == 4 ? 1 : version == 0 ? 2 : 0);
    scanModel_->reset();
    syncToolBars();
    syncing_ = false;
}

void TfrmOptions::fillList(FieldView view)
{
    const FieldLists &model = options_.lists(view);
    const QStringList names = itemNames(view);
    const bool wasSyncing = syncing_;
    syncing_ = true;
    for (QListWidget *list : {lists_[size_t(view)].read, lists_[size_t(view)].show}) {
        const bool show = list == lists_[size_t(view)].show;
        while (list->count() > model.size())
            delete list->takeItem(list->count() - 1);
        while (list->count() < model.size()) {
            auto *item = new QListWidgetItem(names.value(list->count()), list);
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        }
        for (int i = 0; i < model.size(); ++i) {
            const bool ticked = show ? model.isShown(i) : model.isRead(i);
            list->item(i)->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
        }
    }
    syncing_ = wasSyncing;
}

void TfrmOptions::syncToolBars()
{
    const bool wasSyncing = syncing_;
    syncing_ = true;
    for (int i = 0; i < int(kToolBars.size()); ++i) {
        const QAction *command = commands_.toolBarCommand(i);
        clbToolBarsVisible_->item(i)->setCheckState(command->isChecked() ? Qt::Checked
                                                                         : Qt::Unchecked);
    }
    syncing_ = wasSyncing;
}

void TfrmOptions::showEvent(QShowEvent *event)
{
    if (!event->spontaneous())
        FormShow();
    QDialog::showEvent(event);
}

void TfrmOptions::FormShow()
{
    viewChanged_.fill(false);
    scanChanged_ = false;
    // The show lists follow the columns as they are now.
    const auto followColumns = [this](FieldView view) {
        FieldLists &lists = options_.lists(view);
        for (int i = 0; i < lists.size(); ++i) {
            const QAction *command = commands_.columnCommand(lists.items()[i]);
            if (command)
                lists.setShown(i, command->isChecked());
        }
    };
    if (viewOn(FieldView::FileInfo)) {
        pcnOptions_->setCurrentIndex(PageMain);
        followColumns(FieldView::FileInfo);
    }
    if (viewOn(FieldView::Id3v1)) {
        pcnOptions_->setCurrentIndex(PageTag1);
        followColumns(FieldView::Id3v1);
    } else if (viewOn(FieldView::Id3v2)) {
        pcnOptions_->setCurrentIndex(PageTag2);
        followColumns(FieldView::Id3v2);
    }
    syncFromOptions();
}

void TfrmOptions::done(int result)
{
    if (isVisible())
        FormCloseQuery();
    QDialog::done(result);
}

void TfrmOptions::FormCloseQuery()
{
    if (scanChanged_)
        emit scanFieldListChanged(options_.scanFields().enabledFields());
    scanChanged_ = false;
    bool switched = false;
    const auto reswitch = [this, &switched](FieldView view) {
        if (!viewChanged_[size_t(view)] || !viewOn(view))
            return;
        // Off and on again reads the fields anew and shows the show lists.
        viewCommand(view)->trigger();
        viewCommand(view)->trigger();
        switched = true;
    };
    reswitch(FieldView::FileInfo);
    if (viewChanged_[size_t(FieldView::Id3v1)] && viewOn(FieldView::Id3v1))
        reswitch(FieldView::Id3v1);
    else
        reswitch(FieldView::Id3v2);
    viewChanged_.fill(false);
    if (!switched)
        emit editorTextRequested();
}

// ---------------------------------------------------------------------------

bool TfrmOptions::findList(const QListWidget *list, FieldView *view, bool *isShow) const
{
    for (FieldView v : kViews) {
        const ListPair &pair = lists_[size_t(v)];
        if (list == pair.read || list == pair.show) {
            *view = v;
            *isShow = list == pair.show;
            return true;
        }
    }
    return false;
}

void TfrmOptions::setTick(QListWidget *list, int item, bool ticked)
{
    const bool wasSyncing = syncing_;
    syncing_ = true;
    list->item(item)->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
    syncing_ = wasSyncing;
}

void TfrmOptions::listItemChanged(QListWidget *list, QListWidgetItem *item)
{
    if (syncing_)
        return;
    FieldView view;
    bool isShow;
    if (!findList(list, &view, &isShow))
        return;
    const int row = list->row(item);
    const bool ticked = item->checkState() == Qt::Checked;
    if (isShow)
        showItemClicked(view, row, ticked);
    else
        readItemClicked(view, row, ticked);
}

void TfrmOptions::showItemClicked(FieldView view, int item, bool ticked)
{
    FieldLists &lists = options_.lists(view);
    const bool wasRead = lists.isRead(item);
    lists.setShown(item, ticked);
    setTick(lists_[size_t(view)].read, item, lists.isRead(item));
    // A field shown without having been read would show empty cells.
    if (!wasRead && ticked)
        markChanged(view);
    apply(view, item, ticked);
}

void TfrmOptions::readItemClicked(FieldView view, int item, bool ticked)
{
    FieldLists &lists = options_.lists(view);
    if (ticked) {
        lists.setRead(item, true);
        return;
    }
    bool shownChanged = false;
    if (!lists.setRead(item, false, &shownChanged)) {
        // The last field read stays read.
        setTick(lists_[size_t(view)].read, item, true);
        return;
    }
    markChanged(view);
    if (shownChanged) {
        setTick(lists_[size_t(view)].show, item, false);
        apply(view, item, false);
    }
}

void TfrmOptions::setAllItems(QListWidget *list, bool ticked)
{
    FieldView view;
    bool isShow;
    if (!list || !findList(list, &view, &isShow))
        return;
    FieldLists &lists = options_.lists(view);
    if (isShow)
        lists.setAllShown(ticked);
    else
        lists.setAllRead(ticked);
    fillList(view);
    if (isShow || !ticked) {
        for (int i = 0; i < lists.size(); ++i)
            apply(view, i, lists.isShown(i));
    }
    markChanged(view);
}

void TfrmOptions::chbReadLyrics2Click(bool ticked)
{
    if (ticked == options_.readLyrics2())
        return;
    markChanged(FieldView::Id3v1);
    FieldLists &lists = options_.lists(FieldView::Id3v1);
    if (!ticked) {
        for (int i = lists.size() - 1; i >= Options::kId3v1BasicItems; --i)
            apply(FieldView::Id3v1, i, false);
        options_.setReadLyrics2(false);
    } else {
        options_.setReadLyrics2(true);
        for (int i = Options::kId3v1BasicItems; i < lists.size(); ++i)
            apply(FieldView::Id3v1, i, true);
    }
    fillList(FieldView::Id3v1);
}

void TfrmOptions::clbToolBarsVisibleClickCheck(int item, bool ticked)
{
    if (item < 0 || item >= int(kToolBars.size()))
        return;
    QAction *command = commands_.toolBarCommand(item);
    if (command->isChecked() != ticked)
        command->trigger();
}

void TfrmOptions::codepageChosen(int index)
{
    const QString name = cmbCodepage_->itemText(index);
    if (name == options_.codepage())
        return;
    if (!options_.setCodepage(name)) {
        syncFromOptions();
        return;
    }
    // Texts already in the table were decoded with the old code page.
    markChanged(FieldView::Id3v1);
    markChanged(FieldView::Id3v2);
}

// ---------------------------------------------------------------------------

QAction *TfrmOptions::viewCommand(FieldView view) const
{
    switch (view) {
    case FieldView::FileInfo:
        return commands_.named().aFileInfo;
    case FieldView::Id3v1:
        return commands_.named().aID3v1Tag;
    case FieldView::Id3v2:
        break;
    }
    return commands_.named().aID3v2Tag;
}

bool TfrmOptions::viewOn(FieldView view) const { return viewCommand(view)->isChecked(); }

void TfrmOptions::markChanged(FieldView view)
{
    if (viewOn(view))
        viewChanged_[size_t(view)] = true;
}

void TfrmOptions::apply(FieldView view, int item, bool shown)
{
    if (pcnOptions_->currentIndex() != pageOf(view) || !viewOn(view))
        return;
    const FieldLists &lists = options_.lists(view);
    if (item < 0 || item >= lists.size())
        return;
    QAction *command = commands_.columnCommand(lists.items()[item]);
    if (command && command->isChecked() != shown)
        command->trigger();
}

} // namespace qm
