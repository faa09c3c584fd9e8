#include "app/picturecommands.h"

#include "app/coverpanel.h"
#include "app/gridmodel.h"
#include "app/mainwindow.h"
#include "app/namegrid.h"
#include "app/writecommands.h"
#include "formats/pathcodec.h"
#include "jobs/readkinds.h"
#include "settings/inifile.h"

#include <QAction>
#include <QCheckBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QSpinBox>

#include <functional>

namespace qm {

namespace {

const QString kSection = QStringLiteral("Pictures");

// A page that shows the values as they are each time it is shown.
class ShownPage : public QWidget {
public:
    std::function<void()> shown;

protected:
    void showEvent(QShowEvent *event) override
    {
        if (shown)
            shown();
        QWidget::showEvent(event);
    }
};

QString imageFilter()
{
    return PictureCommands::tr("Картинки (*.jpg *.jpeg *.png *.gif *.bmp *.webp);;Все файлы (*)");
}

} // namespace

PictureCommands::PictureCommands(TfrmTagEditor &window)
    : QObject(&window), window_(window), panel_(new CoverPanel(&window)),
      menu_(new QMenu(tr("&Картинки"), &window))
{
    menu_->setObjectName(QStringLiteral("mmiPictures"));
    window.addDockWidget(Qt::RightDockWidgetArea, panel_);
    panel_->hide();
    QAction *toggle = panel_->toggleViewAction();
    toggle->setObjectName(QStringLiteral("aCoverPanel"));
    toggle->setText(tr("Панель &картинок"));
    toggle->setShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_K));
    toggle->setStatusTip(tr("Показать или скрыть картинки текущего файла"));
    window.addAction(toggle);

    const auto command = [&](const char *name, const QString &text, const QString &tip,
                             const char *icon, const QKeySequence &key, auto slot) {
        auto *action = new QAction(QIcon::fromTheme(QLatin1String(icon)), text, this);
        action->setObjectName(QLatin1String(name));
        action->setStatusTip(tip);
        action->setShortcut(key);
        connect(action, &QAction::triggered, this, slot);
        menu_->addAction(action);
        window.addAction(action);
        return action;
    };
    changing_ = {
        command("aPictureSet", tr("&Установить картинку..."),
                tr("Установить картинку из файла выделенным файлам"), "insert-image",
                QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_P), &PictureCommands::chooseImage),
        command("aPictureFromFolder", tr("Картинки из &папок"),
                tr("Установить каждому выделенному файлу картинку его папки (cover.jpg, "
                   "folder.jpg, front.jpg …)"),
                "folder-pictures", QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_F),
                &PictureCommands::setFromFolders),
        command("aPictureShrink", tr("&Уменьшить большие картинки"),
                tr("Уменьшить картинки выделенных файлов, большие заданного размера"), "zoom-out",
                QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_R), &PictureCommands::shrinkLarge),
        command("aPictureRemove", tr("У&далить картинки"),
                tr("Удалить все картинки выделенных файлов"), "edit-delete",
                QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_Delete), &PictureCommands::removeAll),
    };
    menu_->addSeparator();
    command("aPictureExtract", tr("&Сохранить картинку..."),
            tr("Сохранить картинку текущего файла в файл"), "document-save-as",
            QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_S), &PictureCommands::chooseOutput);
    command("aPictureOptions", tr("&Размер картинок..."),
            tr("Наибольший размер стороны и качество JPEG уменьшенных картинок"), "configure",
            QKeySequence(), &PictureCommands::showOptionsPage);
    menu_->addSeparator();
    menu_->addAction(toggle);

    connect(panel_, &CoverPanel::imageDropped, this, &PictureCommands::setImage);
    connect(panel_, &CoverPanel::contextMenuWanted, this,
            [this](const QPoint &at) { menu_->exec(at); });
    connect(panel_, &QDockWidget::visibilityChanged, this, [this](bool visible) {
        if (visible)
            showCurrentRow();
    });
    connect(window.grid()->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &PictureCommands::showCurrentRow);
    connect(
        &window.session(), &Session::picturesChanged, this,
        [this](const QStringList &, const QList<PictureFailure> &failures) { ended(failures); });
    connect(&window.session(), &Session::pendingPicturesChanged, this,
            &PictureCommands::showCurrentRow);
    connect(&window.session().runner(), &JobRunner::controlsEnabledChanged, this,
            [this](bool enabled) {
                for (QAction *action : std::as_const(changing_))
                    action->setEnabled(enabled);
            });
}

QAction *PictureCommands::panelCommand() const { return panel_->toggleViewAction(); }

void PictureCommands::readSettings(const IniFile &ini)
{
    panel_->setVisible(ini.readBool(kSection, QStringLiteral("Panel"), false));
    shrink_.maxSide = std::clamp(ini.readInteger(kSection, QStringLiteral("MaxSize"), 1000), 16,
                                 pictures::kMaxSide);
    shrink_.jpegQuality =
        std::clamp(ini.readInteger(kSection, QStringLiteral("Quality"), 90), 1, 100);
    shrink_.pngToJpeg = ini.readBool(kSection, QStringLiteral("PngToJpeg"), false);
}

void PictureCommands::writeSettings(IniFile &ini) const
{
    ini.writeBool(kSection, QStringLiteral("Panel"), panel_->isVisible());
    ini.writeInteger(kSection, QStringLiteral("MaxSize"), shrink_.maxSide);
    ini.writeInteger(kSection, QStringLiteral("Quality"), shrink_.jpegQuality);
    ini.writeBool(kSection, QStringLiteral("PngToJpeg"), shrink_.pngToJpeg);
}

QStringList PictureCommands::selectedFiles() const
{
    const auto [first, last] = window_.writeCommands().selectedRows();
    QStringList files;
    for (int row = first; row <= std::min(last, window_.table().lastFileRow()); ++row) {
        QString dir = window_.table().cell(row, FieldNumber::Dir);
        const QString old = window_.table().cell(row, FieldNumber::Old);
        if (!old.isEmpty())
            files.append(BuildFileName(dir, old, window_.table().cell(row, FieldNumber::Ext)));
    }
    return files;
}

void PictureCommands::start(const QStringList &files, const PictureCommand &command)
{
    if (files.isEmpty() || window_.session().busy())
        return;
    // Written by the update, with the rows' tags.
    window_.session().pendPictures(files, command);
}

bool PictureCommands::dropOnRows(const QMimeData *data, const QPoint &at)
{
    QAbstractItemView *grid = window_.grid();
    const QPoint inGrid = grid->viewport()->mapFrom(&window_, at);
    if (!grid->viewport()->rect().contains(inGrid))
        return false;
    const QModelIndex index = grid->indexAt(inGrid);
    if (!index.isValid() || !grid->selectionModel()->isSelected(index))
        return false;
    const QString image = CoverPanel::droppedImage(data);
    if (image.isEmpty())
        return false;
    setImage(image);
    return true;
}

void PictureCommands::setImage(const QString &image)
{
    PictureCommand command;
    command.kind = PictureCommand::SetImage;
    command.image = image;
    start(selectedFiles(), command);
}

void PictureCommands::setFromFolders()
{
    PictureCommand command;
    command.kind = PictureCommand::SetFromFolder;
    start(selectedFiles(), command);
}

void PictureCommands::removeAll()
{
    PictureCommand command;
    command.kind = PictureCommand::Remove;
    command.removal.kind = pictures::PictureEdit::RemoveAll;
    start(selectedFiles(), command);
}

void PictureCommands::shrinkLarge()
{
    PictureCommand command;
    command.kind = PictureCommand::Shrink;
    command.shrink = shrink_;
    start(selectedFiles(), command);
}

void PictureCommands::extractCurrent(const QString &output)
{
    const int at = panel_->currentPicture();
    if (at < 0)
        return;
    // By the name's own bytes, as the files of the table: a name that is not
    // UTF-8 is the file asked for, not another one beside it.
    QString reason;
    if (!WritePictureFile(panel_->path(), output, panel_->pictures()[at].data, &reason))
        QMessageBox::warning(&window_, window_.windowTitle(),
                             tr("Не удается записать файл %1: %2").arg(output, reason));
}

void PictureCommands::showCurrentRow()
{
    if (!panel_->isVisible())
        return;
    const QModelIndex current = window_.grid()->selectionModel()->currentIndex();
    const int row = current.isValid() ? GridModel::tableRow(current) : 0;
    if (row < 1 || row > window_.table().lastFileRow()) {
        panel_->showPictures({}, {});
        return;
    }
    QString dir = window_.table().cell(row, FieldNumber::Dir);
    const QString path = BuildFileName(dir, window_.table().cell(row, FieldNumber::Old),
                                       window_.table().cell(row, FieldNumber::Ext));
    pictures::FilePictures file;
    pictures::FileFault fault = pictures::FileFault::None;
    if (!file.read(path, &fault)) {
        panel_->showPictures(path, {}, PictureMessage::FileFault(fault));
        return;
    }
    const QList<pictures::PictureEdit> pending = window_.session().pendingPictures(path);
    for (const pictures::PictureEdit &edit : pending)
        file.apply(edit);
    panel_->showPictures(path, file.list(), {}, !pending.isEmpty());
}

void PictureCommands::chooseImage()
{
    // The dialog names a file that is not UTF-8 by U+FFFD.
    const QString image = fileNameFromQt(QFileDialog::getOpenFileName(
        &window_, tr("Картинка для выделенных файлов"), {}, imageFilter()));
    if (!image.isEmpty())
        setImage(image);
}

void PictureCommands::chooseOutput()
{
    const int at = panel_->currentPicture();
    if (at < 0)
        return;
    const QByteArray mime = panel_->pictures()[at].mime;
    const QString suffix = mime == "image/png" ? QStringLiteral(".png") : QStringLiteral(".jpg");
    const QString output = fileNameFromQt(QFileDialog::getSaveFileName(
        &window_, tr("Сохранить картинку"),
        QFileInfo(panel_->path()).absolutePath() + QStringLiteral("/cover") + suffix,
        imageFilter()));
    if (!output.isEmpty())
        extractCurrent(output);
}

void PictureCommands::showOptionsPage() { window_.showOptionsPage(optionsPage()); }

QWidget *PictureCommands::optionsPage()
{
    if (optionsPage_)
        return optionsPage_;
    auto *page = new ShownPage;
    page->setObjectName(QStringLiteral("tshPictures"));
    auto *form = new QFormLayout(page);
    auto *side = new QSpinBox(page);
    side->setObjectName(QStringLiteral("spnPictureSide"));
    side->setRange(16, pictures::kMaxSide);
    side->setSuffix(tr(" точек"));
    auto *quality = new QSpinBox(page);
    quality->setObjectName(QStringLiteral("spnPictureQuality"));
    quality->setRange(1, 100);
    auto *toJpeg = new QCheckBox(tr("PNG сохранять как JPEG"), page);
    toJpeg->setObjectName(QStringLiteral("chbPngToJpeg"));
    form->addRow(new QLabel(tr("Уменьшение больших картинок:"), page));
    form->addRow(tr("Наибольшая сторона:"), side);
    form->addRow(tr("Качество JPEG:"), quality);
    form->addRow(toJpeg);
    page->shown = [this, side, quality, toJpeg] {
        side->setValue(shrink_.maxSide);
        quality->setValue(shrink_.jpegQuality);
        toJpeg->setChecked(shrink_.pngToJpeg);
    };
    connect(side, &QSpinBox::valueChanged, this, [this](int value) { shrink_.maxSide = value; });
    connect(quality, &QSpinBox::valueChanged, this,
            [this](int value) { shrink_.jpegQuality = value; });
    connect(toJpeg, &QCheckBox::toggled, this, [this](bool on) { shrink_.pngToJpeg = on; });
    optionsPage_ = page;
    return page;
}

void PictureCommands::ended(const QList<PictureFailure> &failures)
{
    showCurrentRow();
    if (failures.isEmpty())
        return;
    QStringList lines;
    for (const PictureFailure &failure : failures.first(std::min<qsizetype>(failures.size(), 20)))
        lines.append(failure.path + QStringLiteral(": ") + failure.message);
    if (failures.size() > 20)
        lines.append(tr("и ещё %1").arg(failures.size() - 20));
    // Not modal in the way of the job that may follow: the window goes on.
    auto *box = new QMessageBox(QMessageBox::Warning, window_.windowTitle(),
                                tr("Картинки не изменены в файлах: %1").arg(failures.size()),
                                QMessageBox::Ok, &window_);
    box->setObjectName(QStringLiteral("pictureFailures"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setDetailedText(lines.join(QLatin1Char('\n')));
    box->open();
}

} // namespace qm
