#include "app/listcommands.h"

#include <QAction>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QRegularExpression>

#include "app/columnviews.h"
#include "app/commands.h"
#include "app/gridediting.h"
#include "app/mainwindow.h"
#include "app/speclistdialog.h"
#include "formats/pathcodec.h"
#include "lists/listfile.h"
#include "session/session.h"

namespace qm {
namespace {

// The suffix a save filter gives a name typed without one ("txt", "m3u").
QString filterSuffix(const QString &filter)
{
    static const QRegularExpression pattern(QStringLiteral(R"(\(\*\.(\w+))"));
    const QRegularExpressionMatch match = pattern.match(filter);
    return match.hasMatch() ? match.captured(1) : QString();
}

ListCommands::FileChoice runFileDialog(QWidget *parent, const ListCommands::FileRequest &request)
{
    // The program's own dialog, the same on every desktop (and on a bare X
    // server, where the tests type into it).
    QFileDialog dialog(parent, request.title);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setNameFilters(request.filters);
    const QString chosen = request.filters.value(request.filter);
    dialog.selectNameFilter(chosen);
    if (request.save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setDefaultSuffix(filterSuffix(chosen));
        // A name typed without an extension takes that of the chosen entry,
        // so "Список" under the play-list entry becomes "Список.m3u".
        QObject::connect(
            &dialog, &QFileDialog::filterSelected, &dialog,
            [&dialog](const QString &filter) { dialog.setDefaultSuffix(filterSuffix(filter)); });
        dialog.selectFile(request.defaultName);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return {fileNameFromQt(dialog.selectedFiles().first()),
            std::max(0, int(request.filters.indexOf(dialog.selectedNameFilter())))};
}

} // namespace

ListCommands::ListCommands(TfrmTagEditor &window)
    : QObject(&window), window_(window), specList_(new TfrmSpecList(&window))
{
    setObjectName(QStringLiteral("listCommands"));
    setFileDialog(nullptr);
    setErrorBox(nullptr);
    specList_->setViewSource([this] {
        const ColumnViews &views = window_.views();
        return SpecListViews{views.tagView(), views.fileInfoOn(),
                             window_.numberScope() == NumberScope::PerFolder};
    });
    connect(specList_, &TfrmSpecList::saveRequested, this, [this] { saveListExecute(1); });

    const NamedCommands &c = window_.commands().named();
    for (QAction *action : {c.aNewList, c.aOpenList, c.aAddList, c.aSaveList, c.aSpecList}) {
        CommandSet::setPending(action, false);
        CommandSet::setInUse(action, true);
    }
    connect(c.aNewList, &QAction::triggered, this, &ListCommands::newListExecute);
    connect(c.aOpenList, &QAction::triggered, this, [this] { openListExecute(true); });
    connect(c.aAddList, &QAction::triggered, this, [this] { openListExecute(false); });
    connect(c.aSaveList, &QAction::triggered, this, [this] { saveListExecute(0); });
    connect(c.aSpecList, &QAction::triggered, specList_, &QDialog::exec);
    connectViews();
}

void ListCommands::setFileDialog(FileDialog dialog)
{
    fileDialog_ = dialog ? std::move(dialog) : [this](const FileRequest &request) {
        return runFileDialog(&window_, request);
    };
}

void ListCommands::setErrorBox(ErrorBox box)
{
    errorBox_ = box ? std::move(box) : [this](const QString &message) {
        QMessageBox::critical(&window_, window_.windowTitle(), message, QMessageBox::Ok);
    };
}

void ListCommands::connectViews()
{
    Session &session = window_.session();
    connect(&session, &Session::listReadFailed, this,
            [this](const QString &message) { errorBox_(message); });
    connect(&session, &Session::listSaved, this, [this, &session](const QString &path, bool ok) {
        if (!ok) {
            errorBox_(CannotCreateFileText() + path);
            return;
        }
        session.runner().setStatus(tr("Сохранено строк: %1 (%2)")
                                       .arg(session.table().fileRowCount())
                                       .arg(QFileInfo(path).fileName()));
    });
}

QStringList ListCommands::openFilters()
{
    return {tr("Все файлы (*)"), tr("Текстовые файлы (*.txt)"),
            tr("Список аудио файлов (*.m3u *.m3u8)")};
}

QStringList ListCommands::saveFilters()
{
    return {tr("Обычный список (*.txt)"), tr("Специальный список (*.txt)"),
            tr("Список аудио файлов (*.m3u)")};
}

ListCommands::FileChoice ListCommands::ask(const FileRequest &request)
{
    return fileDialog_(request);
}

void ListCommands::newListExecute()
{
    if (window_.session().busy())
        return;
    window_.session().newList();
    // The selection now lies on the blank row: the editor box shows nothing.
    window_.editing().computeEditorText();
}

void ListCommands::openListExecute(bool emptyFirst)
{
    if (window_.session().busy())
        return;
    const FileChoice choice = ask({tr("Открытие списка"), openFilters(), 0, false, QString()});
    if (choice.path.isEmpty())
        return;
    // The play-list entry reads by the m3u rules; the others by the
    // column-list rules, which switch to m3u at an "#EXTM3U" line.
    const ListKind kind = choice.filter == 2 ? ListKind::PlayList : ListKind::Columns;
    // Opening empties the table and the editor box first, as aNewList does.
    if (emptyFirst)
        newListExecute();
    window_.session().addList(choice.path, kind);
}

void ListCommands::saveListExecute(int filter)
{
    Session &session = window_.session();
    if (session.busy() || session.table().fileRowCount() == 0)
        return;
    const FileChoice choice =
        ask({tr("Сохранение списка"), saveFilters(), filter, true, tr("Список")});
    if (choice.path.isEmpty())
        return;
    const Session::ListFormat format = choice.filter == 1   ? Session::ListFormat::Special
                                       : choice.filter == 2 ? Session::ListFormat::M3u
                                                            : Session::ListFormat::Column;
    session.saveList(choice.path, format, specList_->templates());
}

void ListCommands::readSettings(const IniFile &ini) { specList_->readSettings(ini); }

void ListCommands::writeSettings(IniFile &ini) const { specList_->writeSettings(ini); }

} // namespace qm
