#include "app/errorwindow.h"

#include <QAbstractTableModel>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QFileInfo>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTableView>
#include <algorithm>

#include "jobs/writemessage.h"
#include "settings/inifile.h"
#include "table/rowtable.h"

namespace qm {

namespace {
const QString kSection = QStringLiteral("Error");
const char *const kErrorHeader = QT_TRANSLATE_NOOP("qm::TfrmError", "Ошибка");
} // namespace

// The failed rows behind the error table; the header row is the view's
// horizontal header.
class ErrorModel : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex &parent) const override
    {
        return parent.isValid() ? 0 : int(rows_.size());
    }
    int columnCount(const QModelIndex &parent) const override
    {
        return parent.isValid() ? 0 : columns_;
    }

    QVariant data(const QModelIndex &index, int role) const override
    {
        if (role != Qt::DisplayRole || !index.isValid())
            return {};
        const QStringList &cells = rows_[size_t(index.row())];
        return index.column() < cells.size() ? cells[index.column()] : QString();
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (role != Qt::DisplayRole)
            return {};
        if (orientation == Qt::Vertical)
            return section + 1;
        return section < header_.size() ? header_[section] : QString();
    }

    void setRows(int columns, std::vector<QStringList> rows)
    {
        beginResetModel();
        columns_ = columns;
        rows_ = std::move(rows);
        endResetModel();
    }
    void setHeader(QStringList header)
    {
        header_ = std::move(header);
        if (columns_ > 0)
            emit headerDataChanged(Qt::Horizontal, 0, columns_ - 1);
    }
    void clearRows() { setRows(columns_, {}); }

    const std::vector<QStringList> &rows() const { return rows_; }
    QString header(int column) const
    {
        return column < header_.size() ? header_[column] : QString();
    }
    QString cell(int row, int column) const
    {
        const QStringList &cells = rows_[size_t(row)];
        return column < cells.size() ? cells[column] : QString();
    }

private:
    int columns_ = kColumnCount + 1;
    QStringList header_;
    std::vector<QStringList> rows_;
};

TfrmError::TfrmError(const RowTable &mainTable, const QString &settingsPath, QWidget *mainWindow)
    : QWidget(nullptr, Qt::Window), mainTable_(mainTable), settingsPath_(settingsPath),
      mainWindow_(mainWindow), model_(new ErrorModel(this))
{
    setObjectName(QStringLiteral("frmError"));
    setWindowTitle(tr(kErrorHeader));
    setMinimumSize(kMinWidth, kMinHeight);
    resize(kMinWidth, kMinHeight);

    lblError_ = new QLabel(tr("Не удалось изменить файлы:"), this);
    lblError_->setObjectName(QStringLiteral("lblError"));
    grdErrFiles_ = new QTableView(this);
    grdErrFiles_->setObjectName(QStringLiteral("grdErrFiles"));
    grdErrFiles_->setModel(model_);
    grdErrFiles_->setToolTip(tr("Таблица с неизмененными файлами"));
    grdErrFiles_->setShowGrid(true);
    grdErrFiles_->setSelectionMode(QAbstractItemView::ContiguousSelection);
    grdErrFiles_->setSelectionBehavior(QAbstractItemView::SelectItems);
    grdErrFiles_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdErrFiles_->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    grdErrFiles_->verticalHeader()->setSectionsMovable(true);

    btnDeleteRenam_ = new QPushButton(tr("Удалить измененные"), this);
    btnDeleteRenam_->setObjectName(QStringLiteral("btnDeleteRenam"));
    btnDeleteRenam_->setToolTip(tr("Удалить измененные файлы из таблицы (будьте осторожны)"));
    btnClose_ = new QPushButton(tr("Закрыть"), this);
    btnClose_->setObjectName(QStringLiteral("btnClose"));

    // The copy and select-all commands of the main window, acting on this
    // table while this window is the active one.
    copy_ = new QAction(tr("&Копировать"), this);
    copy_->setObjectName(QStringLiteral("aCopy"));
    copy_->setShortcut(QKeySequence(QStringLiteral("Ctrl+C")));
    copy_->setShortcutContext(Qt::WindowShortcut);
    selectAll_ = new QAction(tr("В&ыделить все"), this);
    selectAll_->setObjectName(QStringLiteral("aSelectAll"));
    selectAll_->setShortcut(QKeySequence(QStringLiteral("Ctrl+A")));
    selectAll_->setShortcutContext(Qt::WindowShortcut);
    addAction(copy_);
    addAction(selectAll_);
    pmnGridErrors_ = new QMenu(this);
    pmnGridErrors_->setObjectName(QStringLiteral("pmnGridErrors"));
    pmnGridErrors_->addAction(copy_);
    pmnGridErrors_->addAction(selectAll_);
    grdErrFiles_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(grdErrFiles_, &QWidget::customContextMenuRequested, this, [this](const QPoint &at) {
        pmnGridErrors_->popup(grdErrFiles_->viewport()->mapToGlobal(at));
    });
    connect(copy_, &QAction::triggered, this, &TfrmError::copySelection);
    // Copy follows the table's selection once the user works in it.
    connect(grdErrFiles_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { copy_->setEnabled(grdErrFiles_->selectionModel()->hasSelection()); });
    connect(selectAll_, &QAction::triggered, grdErrFiles_, &QAbstractItemView::selectAll);
    connect(btnDeleteRenam_, &QPushButton::clicked, this, &TfrmError::deleteRenamed);
    connect(btnClose_, &QPushButton::clicked, this, &QWidget::close);
    auto *escape = new QAction(this);
    escape->setShortcut(QKeySequence(Qt::Key_Escape));
    escape->setShortcutContext(Qt::WindowShortcut);
    addAction(escape);
    connect(escape, &QAction::triggered, this, &QWidget::close);
}

TfrmError::~TfrmError() = default;

void TfrmError::setErrors(const ErrorTable &errors)
{
    model_->setRows(std::max(errors.columnCount, 1), errors.rows);
}

int TfrmError::errorRowCount() const { return model_->rowCount({}); }
int TfrmError::columnCount() const { return model_->columnCount({}); }

QString TfrmError::cellText(int row, int column) const
{
    if (column < 0 || column >= columnCount() || row < 0 || row > errorRowCount())
        return {};
    return row == 0 ? model_->header(column) : model_->cell(row - 1, column);
}

void TfrmError::showIfErrors()
{
    if (errorRowCount() == 0)
        return;
    // A window of its own opens behind a main window that stays on top: the
    // errors would be listed out of sight, with the keys going to them.
    const bool onTop = mainWindow_ && mainWindow_->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
    if (windowFlags().testFlag(Qt::WindowStaysOnTopHint) != onTop)
        setWindowFlag(Qt::WindowStaysOnTopHint, onTop); // hides the window
    if (isVisible()) {
        prepareTable();
        raise();
        return;
    }
    show();
}

QString TfrmError::selectionText() const
{
    QModelIndexList cells = grdErrFiles_->selectionModel()->selectedIndexes();
    std::sort(cells.begin(), cells.end(), [](const QModelIndex &a, const QModelIndex &b) {
        return a.row() != b.row() ? a.row() < b.row() : a.column() < b.column();
    });
    QString text;
    for (qsizetype i = 0; i < cells.size(); ++i) {
        if (i > 0)
            text += cells[i].row() == cells[i - 1].row() ? QLatin1Char('\t') : QLatin1Char('\n');
        text += model_->cell(cells[i].row(), cells[i].column());
    }
    if (!text.isEmpty())
        text += QLatin1Char('\n');
    return text;
}

void TfrmError::copySelection()
{
    const QString text = selectionText();
    if (!text.isEmpty())
        QApplication::clipboard()->setText(text);
}

void TfrmError::deleteRenamed()
{
    // Every column of a failed row goes back, not only its names: the tags
    // and file information it showed are still what the file holds.
    // Only the table's owner changes it, so the change is told to every view
    // of it.
    if (!replaceMainTable)
        return;
    replaceMainTable(model_->rows(), shownLayout_, columnCount() - 1);
    if (mainTableReplaced)
        mainTableReplaced();
}

void TfrmError::prepareTable()
{
    if (mainWindow_)
        setWindowIcon(mainWindow_->windowIcon());
    shownLayout_ = mainTable_.layout();
    const int columns = columnCount();
    QStringList header;
    header.reserve(columns);
    for (int position = 0; position < columns - 1 && position < kColumnCount; ++position)
        header.append(mainTable_.cellAt(0, position));
    header.append(tr(kErrorHeader));
    model_->setHeader(header);
    QHeaderView *top = grdErrFiles_->horizontalHeader();
    for (int position = 0; position < columns - 1 && position < kColumnCount; ++position) {
        // The hidden zone in front of No stays hidden, as in the main table.
        const int width = mainTable_.widthAt(position);
        const bool hidden = position < shownLayout_.noPosition() || width < 0;
        grdErrFiles_->setColumnHidden(position, hidden);
        if (!hidden && width > 0)
            top->resizeSection(position, width);
    }
    grdErrFiles_->setColumnHidden(columns - 1, false);
    top->resizeSection(columns - 1, kErrorColumnWidth);
    // The reason is what the window is for: it stands in front of the row it
    // explains rather than after 25 columns, off screen. Only the view moves;
    // the cells, the copied text and the rows given back keep the main
    // table's order with the reason last.
    if (top->visualIndex(columns - 1) != 0)
        top->moveSection(top->visualIndex(columns - 1), 0);
    grdErrFiles_->verticalHeader()->setDefaultSectionSize(
        QFontMetrics(grdErrFiles_->font()).boundingRect(QStringLiteral("Высота у ячеек")).height()
        + 3);
    copy_->setEnabled(true);
    applyLayout();
}

void TfrmError::applyLayout()
{
    const int margin = 10;
    lblError_->adjustSize();
    lblError_->move(margin, margin / 2);
    const int tableTop = lblError_->geometry().bottom() + margin / 2;
    const QSize button = btnClose_->sizeHint();
    const int tableHeight = std::max(0, height() - button.height() - tableTop - 20);
    grdErrFiles_->setGeometry(0, tableTop, width(), tableHeight);
    const int buttonsTop = tableTop + tableHeight + margin;
    btnClose_->setGeometry(width() - margin - button.width(), buttonsTop, button.width(),
                           button.height());
    const QSize remove = btnDeleteRenam_->sizeHint();
    btnDeleteRenam_->setGeometry(margin, buttonsTop, remove.width(), remove.height());
}

int TfrmError::openingWidth() const
{
    // The reason, then the columns from No up to the farther of Old and New.
    const int noPosition = shownLayout_.noPosition();
    int last = noPosition;
    for (FieldNumber f : {FieldNumber::Old, FieldNumber::New}) {
        const int position = shownLayout_.position(f);
        if (position > noPosition && mainTable_.widthAt(position) > 0)
            last = std::max(last, position);
    }
    int width = 2 * grdErrFiles_->frameWidth() + grdErrFiles_->verticalHeader()->sizeHint().width()
                + kErrorColumnWidth + style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    for (int position = noPosition; position <= last; ++position)
        width += std::max(0, mainTable_.widthAt(position));
    if (const QScreen *screen = this->screen())
        width = std::min(width, screen->availableGeometry().width());
    return std::max(kMinWidth, width);
}

void TfrmError::readSettings()
{
    IniFile ini;
    if (!settingsPath_.isEmpty() && QFileInfo::exists(settingsPath_))
        ini.load(settingsPath_);
    const int state = ini.readInteger(kSection, QStringLiteral("WindowState"), 0);
    if (state != 0) {
        setWindowState(Qt::WindowMaximized);
        return;
    }
    // A saved width is the user's; the minimum, or nothing, gets a width that
    // shows the names and the reason.
    const int savedWidth = ini.readInteger(kSection, QStringLiteral("Width"), kMinWidth);
    QSize size(
        savedWidth > kMinWidth ? savedWidth : openingWidth(),
        std::max(kMinHeight, ini.readInteger(kSection, QStringLiteral("Height"), kMinHeight)));
    resize(size);
    if (const QScreen *screen = this->screen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - rect().center());
        // A size saved on a larger screen would put the title bar and the
        // buttons out of reach.
        if (size.width() > area.width() || size.height() > area.height())
            setWindowState(Qt::WindowMaximized);
    }
}

void TfrmError::writeSettings() const
{
    if (settingsPath_.isEmpty())
        return;
    // Other sections and keys of the file stay as they are.
    IniFile ini;
    if (QFileInfo::exists(settingsPath_) && !ini.load(settingsPath_))
        return;
    const int state = isMinimized() ? 1 : isMaximized() ? 2 : 0;
    ini.writeInteger(kSection, QStringLiteral("WindowState"), state);
    if (state == 0) {
        ini.writeInteger(kSection, QStringLiteral("Height"), height());
        ini.writeInteger(kSection, QStringLiteral("Width"), width());
    }
    ini.save(settingsPath_);
}

void TfrmError::showEvent(QShowEvent *event)
{
    // The table first: the opening width depends on its columns.
    prepareTable();
    if (!settingsRead_) {
        settingsRead_ = true;
        readSettings();
    }
    QWidget::showEvent(event);
}

void TfrmError::closeEvent(QCloseEvent *event)
{
    writeSettings();
    model_->clearRows();
    QWidget::closeEvent(event);
    if (closed)
        closed();
}

void TfrmError::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    applyLayout();
}

} // namespace qm
