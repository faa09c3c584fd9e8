#include "app/writecommands.h"

#include <QAction>
#include <QDateTime>
#include <QMessageBox>
#include <QEvent>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QTimer>
#include <climits>

#include "app/columnviews.h"
#include "app/commands.h"
#include "app/errorwindow.h"
#include "app/gridmodel.h"
#include "app/mainwindow.h"
#include "app/moveplandialog.h"
#include "app/namegrid.h"
#include "app/writequestions.h"
#include "jobs/jobrunner.h"
#include "jobs/writejob.h"
#include "session/session.h"

namespace qm {

WriteCommands::WriteCommands(TfrmTagEditor &window, JobRunner &runner)
    : QObject(&window), window_(window), runner_(runner),
      boxes_(std::make_unique<MessageBoxQuestions>(&window)),
      errors_(std::make_unique<TfrmError>(window.table(), window.settingsPath(), &window)),
      onlySelTag_(window.findChild<QAction *>(QStringLiteral("mmiOnlySelTag"))),
      moveFiles_(window.findChild<QAction *>(QStringLiteral("mmiMoveFiles")))
{
    errors_->replaceMainTable = [this](const std::vector<QStringList> &rows,
                                       const ColumnLayout &layout, int columns) {
        window_.session().replaceFileRows(rows, layout, columns);
    };

    errors_->closed = [this] {
        if (!window_.isVisible())
            return;
        window_.activateWindow();
        window_.grid()->setFocus();
    };

    window.session().setQuestions(boxes_.get());
    // A new write empties the error window; its end shows what failed.
    connect(&window.session(), &Session::writeStarted, this, [this] {
        if (errors_->isVisible())
            errors_->close();
    });
    connect(&window.session(), &Session::writeEnded, this, [this](const ErrorTable &errors) {
        // The status line keeps the count of files processed and says what
        // became of them.
        const bool update = renamed_.pending();
        const int renamed = renamed_.noteAfter(window_.table());
        QString done = runner_.status();
        if (done.startsWith(StatusPhrase::ProcessedFiles())) {
            if (update)
                done += tr("; переименовано: %1").arg(renamed);
            runner_.setStatus(done + tr("; с ошибками: %1").arg(errors.rows.size()));
        }
        errors_->setErrors(errors);
        errors_->showIfErrors();
        refreshUndoUpdate(true);
    });
    // A picture job is undone as an update is.
    connect(&window.session(), &Session::picturesChanged, this,
            [this] { refreshUndoUpdate(true); });
    // Shown once the job's end is handled: the runner goes on meanwhile.
    connect(&window.session(), &Session::undoEnded, this, [this](const UndoResult &result) {
        QTimer::singleShot(0, this, [this, result] { showUndoResult(result); });
    });

    window.installEventFilter(this);
    // The error window stays usable during jobs, but a job must not find its
    // table replaced under it.
    connect(&runner_, &JobRunner::controlsEnabledChanged, errors_.get(),
            [this](bool enabled) { errors_->deleteButton()->setEnabled(enabled); });

    const NamedCommands &c = window.commands().named();
    QAction *v1 = c.aWriteID3v1Tag;
    QAction *v2 = c.aWriteID3v2Tag;
    connect(v1, &QAction::triggered, this, [this, v1] { writeTagExecute(v1); });
    connect(v2, &QAction::triggered, this, [this, v2] { writeTagExecute(v2); });
    connect(c.aUpdate, &QAction::triggered, this, [this] { updateExecute(false); });
    connect(c.aUpdateSel, &QAction::triggered, this, [this] { updateExecute(true); });
    connect(c.aUndoUpdate, &QAction::triggered, this, &WriteCommands::undoUpdateExecute);
    connect(&runner_, &JobRunner::controlsEnabledChanged, this,
            [this] { refreshUndoUpdate(false); });

    // Their work exists now: the views decide when the write-tag commands
    // show, the rest always do.
    QAction *copyFiles = window.findChild<QAction *>(QStringLiteral("mmiCopyFiles"));
    for (QAction *action :
         {v1, v2, c.aUpdate, c.aUpdateSel, c.aUndoUpdate, onlySelTag_, moveFiles_, copyFiles})
        if (action)
            CommandSet::setPending(action, false);
    const bool tagView = window.views().tagView() != 0;
    CommandSet::setInUse(v1, tagView);
    CommandSet::setInUse(v2, tagView);
    for (QAction *action :
         {c.aUpdate, c.aUpdateSel, c.aUndoUpdate, onlySelTag_, moveFiles_, copyFiles})
        if (action)
            CommandSet::setInUse(action, true);
    refreshUndoUpdate(true);
}

WriteCommands::~WriteCommands() = default;

bool WriteCommands::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == &window_ && event->type() == QEvent::Close && errors_->isVisible())
        errors_->close();
    return QObject::eventFilter(watched, event);
}

void WriteCommands::setQuestions(WriteQuestions *questions)
{
    window_.session().setQuestions(questions ? questions : boxes_.get());
}

std::pair<int, int> WriteCommands::selectedRows() const
{
    int first = INT_MAX;
    int last = 0;
    const QItemSelectionModel *selection = window_.grid()->selectionModel();
    for (const QItemSelectionRange &range : selection->selection()) {
        first = qMin(first, GridModel::tableRow(range.topLeft()));
        last = qMax(last, GridModel::tableRow(range.bottomRight()));
    }
    if (last == 0 && selection->currentIndex().isValid())
        first = last = GridModel::tableRow(selection->currentIndex());
    if (last == 0)
        return {1, 0};
    return {first, last};
}

void WriteCommands::writeTagExecute(QAction *action)
{
    const WriteKind kind =
        action == window_.commands().named().aWriteID3v2Tag ? WriteKind::Tag2 : WriteKind::Tag1;
    if (onlySelTag_ && onlySelTag_->isChecked()) {
        const auto [first, last] = selectedRows();
        startWriteJob(first, last, kind);
    } else {
        startWriteJob(1, window_.table().lastFileRow(), kind);
    }
}

void WriteCommands::updateExecute(bool selectedOnly)
{
    if (selectedOnly) {
        const auto [first, last] = selectedRows();
        startWriteJob(first, last, WriteKind::Apply);
    } else {
        startWriteJob(1, window_.table().lastFileRow(), WriteKind::Apply);
    }
}

void WriteCommands::startWriteJob(int first, int last, WriteKind kind)
{
    const bool moveFiles = !moveFiles_ || moveFiles_->isChecked();
    if (kind == WriteKind::Apply) {
        if (!confirmRenamingBack(first, last) || !confirmMovePlan(first, last, moveFiles))
            return;
        renamed_.noteBefore(window_.table(), first, last);
    } else {
        renamed_.dropPending();
    }
    window_.session().write(first, last, kind, moveFiles);
}

bool WriteCommands::confirmMovePlan(int first, int last, bool moveFiles)
{
    Session &session = window_.session();
    if (!session.options().showMovePlan())
        return true;
    const std::vector<PlannedOperation> plan =
        PlanUpdate(window_.table(), first, last, session.writeSettings(moveFiles), true, true);
    if (!MovesIntoOtherFolders(plan))
        return true;
    MovePlanDialog dialog(plan, &window_);
    return dialog.exec() == QDialog::Accepted;
}

bool WriteCommands::confirmRenamingBack(int first, int last)
{
    const int count = renamed_.goingBack(window_.table(), first, last);
    if (count == 0)
        return true;
    QMessageBox box(QMessageBox::Question, tr("Подтверждение"),
                    tr("Файлам, переименованным последним обновлением, будут возвращены прежние "
                       "имена (файлов: %1).\nПродолжить?")
                        .arg(count),
                    QMessageBox::Yes | QMessageBox::No, &window_);
    box.setObjectName(QStringLiteral("renameBackQuestion"));
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

namespace {

const char *const kNotRestorable = QT_TRANSLATE_NOOP(
    "qm::WriteCommands", "Копии файлов и файлы, заменённые при обновлении, не восстанавливаются.");

} // namespace

void WriteCommands::refreshUndoUpdate(bool lookUp)
{
    if (lookUp)
        undoable_ = Session::lastUndoableUpdate().number != 0;
    window_.commands().named().aUndoUpdate->setEnabled(undoable_ && runner_.controlsEnabled());
}

QString WriteCommands::undoQuestion(const journal::JobSummary &job)
{
    return tr("Отменить обновление от %1 (изменено файлов: %2)?\n"
              "Файлам будут возвращены прежние имена и теги.\n")
               // The date is written as the language writes dates.
               .arg(QDateTime::fromMSecsSinceEpoch(job.startedMs)
                        .toString(tr("dd.MM.yyyy hh:mm:ss", "date and time of an update")))
               .arg(job.files)
           + tr(kNotRestorable);
}

void WriteCommands::undoUpdateExecute()
{
    Session &session = window_.session();
    if (session.busy())
        return;
    const journal::JobSummary job = Session::lastUndoableUpdate();
    if (job.number == 0) {
        refreshUndoUpdate(true);
        QMessageBox::information(&window_, window_.windowTitle(), tr("Нет обновлений для отмены."));
        return;
    }
    QMessageBox box(QMessageBox::Question, tr("Подтверждение"), undoQuestion(job),
                    QMessageBox::Yes | QMessageBox::No, &window_);
    box.setObjectName(QStringLiteral("undoUpdateQuestion"));
    // Files change on Yes: a plain Enter must not do that.
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    box.button(QMessageBox::No)->setFocus();
    if (box.exec() != QMessageBox::Yes)
        return;
    if (errors_->isVisible())
        errors_->close();
    session.undoUpdate(job.number);
}

void WriteCommands::showUndoResult(const UndoResult &result)
{
    refreshUndoUpdate(true);
    if (!result.error.isEmpty()) {
        QMessageBox::warning(&window_, WriteMessage::ErrorCaption(),
                             tr("Не удалось отменить обновление: %1").arg(result.error));
        return;
    }
    if (result.number == 0) {
        QMessageBox::information(&window_, window_.windowTitle(), tr("Нет обновлений для отмены."));
        return;
    }
    if (!result.leftAlone.rows.empty()) {
        // The files changed since the update are the error window's rows.
        errors_->setErrors(result.leftAlone);
        errors_->showIfErrors();
        return;
    }
    QMessageBox box(QMessageBox::Information, window_.windowTitle(),
                    tr("Обновление отменено. Возвращено файлов: %1.\n").arg(result.restored)
                        + tr(kNotRestorable),
                    QMessageBox::Ok, &window_);
    box.setObjectName(QStringLiteral("undoUpdateResult"));
    box.exec();
}

} // namespace qm
