#include "app/adddirectorydialog.h"

#include <QComboBox>
#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "formats/pathcodec.h"
#include "jobs/fileops.h"
#include "settings/inifile.h"
#include "text/commatext.h"

namespace qm {

namespace {

const QString kSection = QStringLiteral("ScanDir");
const char *const kDefaultFilter = QT_TRANSLATE_NOOP("qm::TfrmAddDirectory", "Все файлы <*.*>");
const char *const kAudioFilter =
    QT_TRANSLATE_NOOP("qm::TfrmAddDirectory", "Аудио файлы <*.mp3|*.flac|*.ogg|*.oga|*.opus|*.wma|"
                                              "*.vqf|*.asf|*.lqt|*.wav|*.mid>");
// The audio entry of older versions, kept in the settings of their users.
const char *const kOldAudioFilter = QT_TRANSLATE_NOOP(
    "qm::TfrmAddDirectory", "Аудио файлы <*.mp3|*.wma|*.vqf|*.asf|*.ogg|*.lqt|*.wav|*.mid>");

} // namespace

QStringList scanFolderList(const QString &folderBoxText)
{
    QString text = folderBoxText;
    // A folder chosen with "..." is put into the box as it is; quoting it
    // would cut a name such as «12" Singles» at its double quote.
    if (!text.startsWith(u'"') && text.contains(u'"') && FolderExists(text))
        text = toCommaText({text});
    if (!text.startsWith(u'"'))
        text.prepend(u'"');
    if (text.size() < 2 || !text.endsWith(u'"'))
        text.append(u'"');
    QStringList folders;
    for (QString entry : fromCommaText(text)) {
        if (entry.isEmpty() || !FolderExists(entry))
            continue;
        if (entry.size() > 1 && entry.endsWith(u'/'))
            entry.chop(1);
        folders.append(entry);
    }
    return folders;
}

QString TfrmAddDirectory::filterHint()
{
    return tr(
        "Инструкция по заданию "
        "маски:\n\nКомментарий<Маска_поиска1/Маска_поиска2/Маска_поиска3/...>\nили\n"
        "Маска_поиска1/Маска_поиска2/Маска_поиска3/...\n\nВ маске поиска недопустимо использовать "
        "символы: "
        "/\\:\"<>\n(эти символы будут приняты как разделители масок)\n\nДополнительные символы "
        "маски:\n"
        "  ? - любой символ\n  * - любая последовательность символов или их отсутствие");
}

QString TfrmAddDirectory::filterHelp()
{
    return tr(
        "Инструкция по заданию "
        "маски:\n\nКомментарий<Маска_поиска1|Маска_поиска2|Маска_поиска3|...>\nили\n"
        "Маска_поиска1|Маска_поиска2|Маска_поиска3|...\n\nВ маске поиска недопустимо использовать "
        "символы: "
        "/\\:\"<>|\n(эти символы будут приняты как разделители масок)\n\nДополнительные символы "
        "маски:\n"
        "\t? - любой символ\n\t* - любая последовательность символов или их отсутствие");
}

TfrmAddDirectory::TfrmAddDirectory(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAddDirectory"));
    setWindowTitle(tr("Сканирование директории"));

    auto *gbxOptions = new QGroupBox(this);
    gbxOptions->setObjectName(QStringLiteral("gbxOptions"));

    auto *lblScanFolder = new QLabel(tr("Директория для поиска файлов"), gbxOptions);
    lblScanFolder->setObjectName(QStringLiteral("lblScanFolder"));
    txtScanFolder_ = new QLineEdit(QDir::homePath(), gbxOptions);
    txtScanFolder_->setObjectName(QStringLiteral("txtScanFolder"));
    txtScanFolder_->setMinimumWidth(320);
    lblScanFolder->setBuddy(txtScanFolder_);
    auto *btnBrowse = new QPushButton(QStringLiteral("..."), gbxOptions);
    btnBrowse->setObjectName(QStringLiteral("btnBrowse"));
    btnBrowse->setAutoDefault(false);
    btnBrowse->setFixedWidth(btnBrowse->fontMetrics().horizontalAdvance(QStringLiteral("...."))
                             + 16);
    connect(btnBrowse, &QPushButton::clicked, this, &TfrmAddDirectory::btnBrowseClick);

    auto *lblTypeScanFiles = new QLabel(tr("Маска поиска файлов"), gbxOptions);
    lblTypeScanFiles->setObjectName(QStringLiteral("lblTypeScanFiles"));
    cmbFilter_ = new QComboBox(gbxOptions);
    cmbFilter_->setObjectName(QStringLiteral("cmbFilter"));
    cmbFilter_->setEditable(true);
    cmbFilter_->setInsertPolicy(QComboBox::NoInsert);
    cmbFilter_->addItems({
        tr(kDefaultFilter),
        tr(kAudioFilter),
        tr("Видео файлы <*.avi|*.mpg|*.mp2|*.wmv|*.asf|*.3gp>"),
        tr("Графические файлы <*.jpg|*.bmp|*.gif|*.psd>"),
        tr("Текстовые файлы <*.txt|*.doc|*.rtf|*.htm|*.inf|*.diz>"),
    });
    cmbFilter_->setCurrentIndex(0);
    cmbFilter_->setToolTip(filterHint());
    lblTypeScanFiles->setBuddy(cmbFilter_);
    auto *btnHelpFilter = new QPushButton(QStringLiteral("?"), gbxOptions);
    btnHelpFilter->setObjectName(QStringLiteral("btnHelpFilter"));
    btnHelpFilter->setAutoDefault(false);
    btnHelpFilter->setFixedWidth(btnBrowse->width());
    connect(btnHelpFilter, &QPushButton::clicked, this, &TfrmAddDirectory::btnHelpFilterClick);

    chbCaseSensitive_ = new QCheckBox(tr("Учитывать регистр"), gbxOptions);
    chbCaseSensitive_->setObjectName(QStringLiteral("chbCaseSensitive"));
    chbCaseSensitive_->setToolTip(tr("Учитывать регистр букв в маске поиска"));
    chbScanSubFolders_ = new QCheckBox(tr("Просматривать вложенные папки"), gbxOptions);
    chbScanSubFolders_->setObjectName(QStringLiteral("chbScanSubFolders"));
    chbScanSubFolders_->setChecked(true);

    auto *grid = new QGridLayout(gbxOptions);
    grid->addWidget(lblScanFolder, 0, 0, 1, 2);
    grid->addWidget(txtScanFolder_, 1, 0);
    grid->addWidget(btnBrowse, 1, 1);
    grid->addWidget(lblTypeScanFiles, 2, 0, 1, 2);
    grid->addWidget(cmbFilter_, 3, 0);
    grid->addWidget(btnHelpFilter, 3, 1);
    grid->addWidget(chbCaseSensitive_, 4, 0, 1, 2);
    grid->addWidget(chbScanSubFolders_, 5, 0, 1, 2);

    auto *btnAdd = new QPushButton(tr("Добавить"), this);
    btnAdd->setObjectName(QStringLiteral("btnAdd"));
    btnAdd->setDefault(true);
    connect(btnAdd, &QPushButton::clicked, this, &TfrmAddDirectory::btnAddClick);
    auto *btnCancel = new QPushButton(tr("Отмена"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setAutoDefault(false);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnAdd);
    buttons->addWidget(btnCancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(gbxOptions);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(txtScanFolder_, &QLineEdit::textChanged, this,
            [this](const QString &text) { updateLongTextHint(txtScanFolder_, text, {}); });
    connect(cmbFilter_, &QComboBox::currentTextChanged, this,
            [this](const QString &text) { updateLongTextHint(cmbFilter_, text, filterHint()); });
}

QString TfrmAddDirectory::folderText() const { return txtScanFolder_->text(); }
QString TfrmAddDirectory::filter() const { return cmbFilter_->currentText(); }
bool TfrmAddDirectory::caseSensitive() const { return chbCaseSensitive_->isChecked(); }
bool TfrmAddDirectory::scanSubFolders() const { return chbScanSubFolders_->isChecked(); }

void TfrmAddDirectory::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (const QScreen *screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());
    updateLongTextHint(txtScanFolder_, folderText(), {});
    updateLongTextHint(cmbFilter_, filter(), filterHint());
}

void TfrmAddDirectory::updateLongTextHint(QWidget *box, const QString &text, const QString &hint)
{
    // Leave room for the frame and, in the combo box, the arrow.
    const int room = box->contentsRect().width() - 24;
    box->setToolTip(box->fontMetrics().horizontalAdvance(text) > room ? text : hint);
}

void TfrmAddDirectory::readSettings(const IniFile &ini)
{
    txtScanFolder_->setText(ini.readString(kSection, u"Folder", txtScanFolder_->text()));
    // The old audio entry was picked from the list, not typed: it becomes
    // the list's audio entry of today, which adds the formats read since.
    // A mask of the user's own stays as typed.
    QString filter = ini.readString(kSection, u"Filter", cmbFilter_->currentText());
    if (filter == QString::fromUtf8(kOldAudioFilter) || filter == tr(kOldAudioFilter))
        filter = tr(kAudioFilter);
    cmbFilter_->setCurrentText(filter);
    chbCaseSensitive_->setChecked(
        ini.readBool(kSection, u"Case Sensitive", chbCaseSensitive_->isChecked()));
    chbScanSubFolders_->setChecked(
        ini.readBool(kSection, u"Scan Subfolders", chbScanSubFolders_->isChecked()));
}

void TfrmAddDirectory::writeSettings(IniFile &ini) const
{
    ini.writeString(kSection, u"Folder", folderText());
    ini.writeString(kSection, u"Filter", filter());
    ini.writeBool(kSection, u"Case Sensitive", caseSensitive());
    ini.writeBool(kSection, u"Scan Subfolders", scanSubFolders());
}

void TfrmAddDirectory::btnAddClick()
{
    const QStringList folders = scanFolderList(folderText());
    if (folders.isEmpty()) {
        QMessageBox::warning(this, windowTitle(),
                             tr("Неверно указана директория для просмотра файлов!"),
                             QMessageBox::Ok);
        reject();
        return;
    }
    accept();
    emit addRequested(folders, filter(), caseSensitive(), scanSubFolders());
}

void TfrmAddDirectory::btnBrowseClick()
{
    const QString folder =
        fileNameFromQt(QFileDialog::getExistingDirectory(this, tr("Выберите папку"), folderText()));
    if (!folder.isEmpty())
        txtScanFolder_->setText(QDir::toNativeSeparators(folder));
}

void TfrmAddDirectory::btnHelpFilterClick()
{
    QMessageBox::information(this, windowTitle(), filterHelp(), QMessageBox::Ok);
}

} // namespace qm
