#include "session/session.h"
#include "session/rowpath.h"
#include "session/changedrows.h"

#include <QDateTime>
#include <QEventLoop>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <algorithm>
#include <memory>

#include "formats/fileio.h"
#include "jobs/addfiles.h"
#include "jobs/addjob.h"
#include "jobs/duplicatesjob.h"
#include "jobs/fileops.h"
#include "jobs/listjob.h"
#include "jobs/sortjob.h"
#include "jobs/alphabetjob.h"
#include "jobs/updatejob.h"
#include "lists/columnlist.h"
#include "lists/listfile.h"
#include "lists/m3u.h"
#include "table/addedrows.h"
#include "table/numbering.h"

namespace qm {

Session::Session(QObject *parent) : QObject(parent)
{
    // Rows appended by a batch of steps are announced in one go.
    connect(&runner_, &JobRunner::stepsRun, this, &Session::rowsAppended);
}

Session::~Session() = default;

ReadSettings Session::readSettings() const
{
    const SessionState current = state();
    ReadSettings settings = ReadSettings::From(options_, current.tagView,
                                               current.numbering.style == NumberStyle::LeadingZero);
    if (current.allFormats)
        settings.FormatRead = false;
    settings.Codepages = fileCodepages();
    return settings;
}

WriteSettings Session::writeSettings(bool moveFiles) const
{
    const SessionState current = state();
    WriteSettings settings = WriteSettings::From(options_, current.tagView, moveFiles);
    // Tags go only to the files the reading reads.
    if (current.allFormats)
        settings.FormatRead = false;
    settings.NoJournal = current.noJournal;
    settings.ReadStamps = current.readStamps;
    settings.Codepages = fileCodepages();
    settings.Pictures = pendingPictures_;
    return settings;
}

void Session::addFiles(const QStringList &paths)
{
    if (busy() || paths.isEmpty())
        return;
    // Flags a list brought in earlier must not stop these files being read.
    table_.setCarried(false, 0);
    firstAddedRow_ = table_.blankRow();
    AddChosenFiles(table_, paths, &runner_);
    emit rowsAppended();
    completeAddedRows(firstAddedRow_);
}

void Session::addDroppedPaths(const QStringList &paths)
{
    // Rows must not move under a running job.
    if (busy() || paths.isEmpty())
        return;
    firstAddedRow_ = table_.blankRow();
    const QStringList folders = AddDroppedPaths(table_, paths, &runner_);
    emit rowsAppended();
    // Started even without folders: its end completes the dropped files.
    startAddJob(folders, AddKind::DroppedFolders);
}

void Session::addFolders(const QStringList &folders) { startAddJob(folders, AddKind::Folders); }

std::shared_ptr<Job> Session::scanJob(AddKind kind, const QStringList &folders)
{
    return std::make_shared<TAddThread>(
        kind, folders, state().scan,
        [this](const QString &folder, const QString &name) { table_.appendFileRow(folder, name); });
}

void Session::startAddJob(const QStringList &folders, AddKind kind)
{
    table_.setCarried(false, 0);
    if (kind != AddKind::DroppedFolders)
        firstAddedRow_ = table_.blankRow();
    runner_.start(JobKind::Add, scanJob(kind, folders), [this] {
        emit rowsAppended();
        completeAddedRows(firstAddedRow_);
    });
}

void Session::addPaths(const QStringList &paths)
{
    table_.setCarried(false, 0);
    addPathsFrom(paths, table_.blankRow());
}

void Session::addPathsFrom(QStringList paths, int first)
{
    while (!paths.isEmpty()) {
        const QFileInfo info(paths.takeFirst());
        if (!FolderExists(info.filePath())) {
            AppendFileRow(table_, info.filePath());
            continue;
        }
        // The next paths wait for the scan, so the rows keep the order given.
        runner_.start(JobKind::Add, scanJob(AddKind::Folders, {info.absoluteFilePath()}),
                      [this, paths, first] { addPathsFrom(paths, first); });
        return;
    }
    emit rowsAppended();
    completeAddedRows(first);
}

void Session::addPath(const QString &path)
{
    const int row = AppendFileRow(table_, path);
    emit rowsReset();
    completeAddedRows(row);
}

bool Session::readPathRows(const QStringList &paths, int threads, const RowSink &sink,
                           const FolderUnlisted &unlisted) const
{
    const SessionState current = state();
    RowReadSettings settings;
    settings.scan = current.scan;
    settings.read = readSettings();
    settings.fileInfo = current.fileInfo;
    settings.numbers = current.numbering.style;
    settings.threads = threads;
    settings.unlisted = unlisted;
    return ReadPathRows(paths, settings, sink);
}

void Session::newList()
{
    if (busy())
        return;
    // One step of the history: a table emptied by mistake comes back.
    step([this] { table_.removeAllFileRows(); });
    emit rowsReset();
}

void Session::openList(const QString &path, ListKind kind)
{
    newList();
    addList(path, kind);
}

namespace {

// A job that does nothing: its end handler runs once the jobs queued before
// it have ended.
class QueueMark : public Job {
public:
    JobClass jobClass() const override { return JobClass::Add; }

protected:
    void execute() override {}
};

// A list of any name whose first line is "#EXTM3U" is read as a play list.
bool startsAsPlayList(const QString &path)
{
    ReadOnlyFile file;
    QByteArray head;
    if (!file.open(path) || !file.readUpTo(0, std::min<qint64>(file.size(), 64), &head))
        return false;
    const QStringList lines = ListTextLines(head);
    return !lines.isEmpty() && lines.first() == QLatin1String("#EXTM3U");
}

} // namespace

void Session::addList(const QString &path, ListKind kind)
{
    if (busy())
        return;
    table_.setCarried(false, 0);
    firstAddedRow_ = table_.blankRow();
    JobKind jobKind = JobKind::Add;
    if (kind == ListKind::Columns) {
        jobKind = IsPlayListName(path) ? JobKind::PlayList : JobKind::List;
        if (jobKind == JobKind::PlayList)
            kind = ListKind::PlayList;
        // A play list brings artist and title only: the user's tag view
        // stays, so the other fields are read from the files into it.
        if (table_.fileRowCount() == 0 && kind == ListKind::Columns && !startsAsPlayList(path)) {
            setTagView(TagView::None);
            setFileInfo(false);
        }
    }
    TListReadJob::Hooks hooks;
    hooks.showColumn = [this](FieldNumber f) { columns_.setColumnShown(f, true); };
    hooks.showViews = [this](int tagVersion, bool fileInfo) {
        showCarriedViews(tagVersion, fileInfo);
    };
    hooks.cannotOpen = [this](const QString &file) {
        emit listReadFailed(CannotOpenFileText() + file);
    };
    auto job = std::make_shared<TListReadJob>(table_, kind, path, std::move(hooks));
    runner_.start(jobKind, job, [this, job] {
        ClearDeviceRows(table_, firstAddedRow_);
        emit rowsAppended();
        // Names read by the m3u rules are whole file names; a column list
        // brings Old, Ext and New itself.
        completeAddedRows(firstAddedRow_, job->kind() == ListKind::PlayList, true);
        // The streams passed over are told once the reads of the rows have
        // ended, so that their status does not cover it.
        if (const int streams = job->streamsSkipped(); streams > 0) {
            runner_.start(JobKind::Add, std::make_shared<QueueMark>(), [this, streams] {
                runner_.setStatus(runner_.status() + QLatin1String(", ")
                                  + StatusText(StatusPhrase::SkippedStreams(), streams));
                runner_.setControlsEnabled(true);
            });
        }
    });
}

QStringList Session::playerFiles(int first, int last)
{
    QStringList files;
    int changedFirst = -1;
    int changedLast = -1;
    step([&] {
        for (int row = std::max(first, 1); row <= std::min(last, table_.lastFileRow()); ++row) {
            QString dir = table_.cell(row, FieldNumber::Dir);
            const QString path = BuildFileName(dir, table_.cell(row, FieldNumber::Old),
                                               table_.cell(row, FieldNumber::Ext));
            if (dir != table_.cell(row, FieldNumber::Dir)) {
                table_.setCell(row, FieldNumber::Dir, dir);
                changedFirst = changedFirst < 0 ? row : changedFirst;
                changedLast = row;
            }
            if (!path.isEmpty())
                files.append(path);
        }
    });
    if (changedFirst >= 0)
        emit cellsChanged(changedFirst, changedLast);
    return files;
}

void Session::showCarriedViews(int tagVersion, bool fileInfo)
{
    // No read: the list brings the data.
    if (tagVersion == 1 && state_.tagView == TagView::None)
        setTagView(TagView::Id3v1);
    else if (tagVersion == 2)
        setTagView(TagView::Id3v2);
    if (fileInfo)
        setFileInfo(true);
}

void Session::saveList(const QString &path, ListFormat format, const SpecListTemplates &templates)
{
    // No rows make an empty list (the window offers no saving then; a
    // script's export of nothing must not leave an older list behind).
    if (busy())
        return;
    if (format != ListFormat::M3u || state().fileInfo || table_.fileRowCount() == 0) {
        writeList(path, format, templates);
        return;
    }
    setFileInfo(true);
    startUpdateJob(1, table_.lastFileRow(), ReadKind::Info);
    if (!runner_.isActive()) {
        writeList(path, format, templates);
        return;
    }
    runner_.start(JobKind::Add, std::make_shared<QueueMark>(), [this, path, format, templates] {
        writeList(path, format, templates);
        runner_.setControlsEnabled(true);
    });
}

void Session::writeList(const QString &path, ListFormat format, const SpecListTemplates &templates)
{
    const SessionState current = state();
    QStringList lines;
    switch (format) {
    case ListFormat::Column:
        lines = ColumnListLines(table_, current.tagView);
        break;
    case ListFormat::Special:
        lines = SpecListLines(
            table_, templates,
            {current.numbering.separate(), current.numbering.style == NumberStyle::LeadingZero});
        break;
    case ListFormat::M3u:
        if (CompleteDirSeparators(table_))
            emit cellsChanged(1, table_.lastFileRow());
        lines = M3uLines(table_, current.tagView, path);
        break;
    }
    emit listSaved(path, WriteListFile(path, lines));
}

void Session::completeAddedRows(int first, bool splitNames, bool fromList)
{
    forgetHistory();
    const SessionState current = state();
    // The table's part: empty rows out, names split, new rows numbered.
    const int rowsBefore = table_.rowCount();
    const AddedRows added = qm::completeAddedRows(table_, first, current.numbering.style,
                                                  current.numbering.scope, splitNames);
    if (table_.rowCount() != rowsBefore)
        emit rowsReset();
    else
        emit rowsAppended();
    if (added.isEmpty()) {
        runner_.setControlsEnabled(true);
        return;
    }
    // The information read of new rows brings the view's tag along unless
    // only the size is read; the tag kind then follows it as a job of its own.
    // A list's own tag values stand, but a field it does not carry is read
    // from the file: left empty, the next update would delete it there.
    const bool readingTags = current.tagView != TagView::None;
    for (ReadKind kind :
         AddedRowsReadKinds(readSettings(), current.fileInfo && !table_.carriedFileInfo()))
        startUpdateJob(added.first, added.last, kind, fromList);
    emit cellsChanged(added.first, added.last);
    emit addedRowsCompleted(added.first, added.last);
    // Per-folder numbers need the new rows beside the others of their folder;
    // the sort waits behind the reads, as it would follow their end.
    if (current.numbering.separate())
        sortForSeparateNumbering();
    if (!readingTags)
        runner_.setControlsEnabled(true);
}

void Session::startUpdateJob(int first, int last, ReadKind kind, bool keepFilled)
{
    if (updatesHeld_ && updatesHeld_()) {
        held_.push_back({first, last, kind, keepFilled});
        return;
    }
    startReadJob(first, last, kind, keepFilled, nullptr);
}

void Session::startReadJob(int first, int last, ReadKind kind, bool keepFilled,
                           const std::shared_ptr<TableSnapshot> &before)
{
    first = qMax(first, 1);
    last = qMin(last, table_.lastFileRow());
    if (first > last) {
        // Nothing to read: whoever asked still expects the window to settle.
        runner_.setControlsEnabled(true);
        return;
    }
    auto changed = std::make_shared<ChangedRows>(*this);
    auto job = std::make_shared<ReadJob>(table_, first, last, kind, readSettings(),
                                         [changed](int row) { changed->add(row); });
    job->setKeepFilled(keepFilled);
    job->setFileStamped(readStampRecorder(first, last));
    auto connection = std::make_shared<QMetaObject::Connection>();
    runner_.start(
        JobKind::Update, std::move(job),
        [this, changed, connection, before] {
            changed->announce();
            disconnect(*connection);
            if (before)
                recordStep(*before);
            else
                forgetHistory();
            runner_.setControlsEnabled(true);
            emit updateEnded();
        },
        [this, changed, connection] {
            *connection =
                connect(&runner_, &JobRunner::stepsRun, this, [changed] { changed->announce(); });
        });
}

void Session::releaseUpdates()
{
    std::vector<Held> held;
    held.swap(held_);
    for (const Held &request : held)
        startUpdateJob(request.first, request.last, request.kind, request.keepFilled);
}

void Session::renumberRows(int fromRow)
{
    const Numbering numbering = state().numbering;
    qm::renumberRows(table_, fromRow, numbering.style, numbering.scope);
    emit cellsChanged(fromRow, table_.lastFileRow());
    emit rowsRenumbered();
}

void Session::removeDuplicates(DuplicateKey key)
{
    if (busy())
        return;
    auto job = std::make_shared<DuplicateRowsJob>(table_, key);
    runner_.setStatus(StatusText(StatusPhrase::RemovedDuplicates(), 0));
    runner_.start(JobKind::Edit, job, [this, job, before = jobSnapshot()] {
        if (job->removed() > 0) {
            emit rowsReset();
            renumberRows(1);
        }
        if (before)
            recordStep(*before);
        runner_.setControlsEnabled(true);
    });
}

void Session::sortRows(FieldNumber column)
{
    if (busy())
        return;
    const SortKeys keys = sortKeysFor(column, state().numbering.separate());
    if (keys.isEmpty())
        return;
    // The zero-filled tracks belong to the sort's step.
    auto before = jobSnapshot();
    if (column == FieldNumber::Trc && zeroFillTracks(table_))
        emit cellsChanged(1, table_.lastFileRow());
    startSortJob(keys, before);
}

void Session::shuffleRows()
{
    if (busy())
        return;
    startSortJob({}, jobSnapshot());
}

void Session::sortForSeparateNumbering()
{
    runner_.separateNumberingPending = true;
    startSortJob({FieldNumber::Dir}, nullptr);
}

void Session::startSortJob(const SortKeys &keys, const std::shared_ptr<TableSnapshot> &before)
{
    auto job =
        std::make_shared<SortJob>(table_, keys, quint64(QDateTime::currentMSecsSinceEpoch()));
    runner_.setStatus(StatusText(StatusPhrase::SortedRows(), 0, table_.fileRowCount()));
    runner_.start(JobKind::Sort, job, [this, job, before] {
        if (job->applied())
            emit rowsReset();
        runner_.separateNumberingPending = false;
        renumberRows(1);
        if (before)
            recordStep(*before, job->order());
        else
            forgetHistory();
        runner_.setControlsEnabled(true);
    });
}

TUpdateThread::FileStamped Session::stampRecorder()
{
    // States brought along with the rows are kept by restampWrittenRows
    // alone: a row whose write failed keeps the state it came with.
    if (state_.readStamps)
        return [this](const Cell &dir, const Cell &name, const Cell &ext, const FileStamp &stamp) {
            writtenStamps_.insert(dir, name, ext, stamp);
        };
    return [this](const Cell &dir, const Cell &name, const Cell &ext, const FileStamp &stamp) {
        readStamps_.insert(dir, name, ext, stamp);
    };
}

void Session::write(int first, int last, WriteKind kind, bool moveFiles)
{
    WriteQuestions &questions = questions_ ? *questions_ : unasked_;
    WriteSettings settings = writeSettings(moveFiles);
    // Rows whose files another program changed since they were read are
    // written only when the user says so, as the job asks; else the job fails
    // them and they are read again once it ends. Whoever brings its own read
    // states (the command line's rows) has them checked by the job alone.
    if (!settings.ReadStamps) {
        settings.ReadStamps = std::make_shared<const FileStamps>(readStamps_);
        settings.AskChanged = true;
    }
    auto changed = std::make_shared<ChangedRows>(*this);
    // The files of the rows with waiting pictures: a row the job did without
    // failure had them written too.
    auto before = std::make_shared<QHash<int, QString>>();
    auto done = std::make_shared<QSet<int>>();
    auto job = std::make_shared<WriteJob>(table_, first, last, kind, settings, questions,
                                          [changed, done](int row) {
                                              changed->add(row);
                                              done->insert(row);
                                          });
    if (pendingPictures_ && !pendingPictures_->isEmpty()) {
        for (int row = std::max(first, 1); row <= std::min(last, table_.lastFileRow()); ++row) {
            const QString path = RowPath(table_, row);
            if (pendingPictures_->contains(path))
                before->insert(row, path);
        }
    }
    job->setFileStamped(stampRecorder());
    auto connection = std::make_shared<QMetaObject::Connection>();
    auto started = std::make_shared<bool>(false);
    runner_.start(
        JobKind::Update, job,
        [this, changed, connection, job, started, before, done,
         chosen = chosenCodepages(first, last)] {
            changed->announce();
            disconnect(*connection);
            followRenames(chosen);
            forgetHistory();
            if (!before->isEmpty()) {
                auto pending = std::make_shared<PendingPictures>(*pendingPictures_);
                const std::vector<int> &failed = job->failedRows();
                for (auto it = before->cbegin(); it != before->cend(); ++it)
                    if (done->contains(it.key())
                        && std::find(failed.begin(), failed.end(), it.key()) == failed.end())
                        pending->remove(it.value());
                setPendingPictures(std::move(pending));
            }
            runner_.setControlsEnabled(true);
            // A job stopped before it began leaves the last failures alone.
            if (*started)
                emit writeEnded(job->errorTable());
            rereadRows(job->leftAlone());
        },
        [this, changed, connection, started] {
            *started = true;
            emit writeStarted();
            *connection =
                connect(&runner_, &JobRunner::stepsRun, this, [changed] { changed->announce(); });
        });
}

void Session::rereadRows(const std::vector<int> &rows)
{
    const std::vector<ReadKind> kinds = AddedRowsReadKinds(readSettings(), state().fileInfo);
    // Runs of neighbouring rows share a job.
    for (size_t begin = 0, end = 0; begin < rows.size(); begin = end) {
        for (end = begin + 1; end < rows.size() && rows[end] == rows[end - 1] + 1;)
            ++end;
        for (ReadKind kind : kinds)
            startUpdateJob(rows[begin], rows[end - 1], kind);
    }
}

namespace {

// The journal's undo on the job's thread; it touches files, never the table.
class UndoJob : public Job {
public:
    explicit UndoJob(quint64 number) : number_(number) {}
    JobClass jobClass() const override { return JobClass::Update; }
    journal::UndoReport report;

protected:
    void execute() override { report = journal::undo(number_); }

private:
    quint64 number_;
};

QString undoReason(const journal::FileOutcome &out)
{
    if (out.failed)
        return Session::tr("Не удалось вернуть файл");
    if (out.verdict == journal::Verdict::Missing)
        return Session::tr("Файл не найден");
    if (PathExists(out.oldPath))
        return Session::tr("Прежнее имя файла занято");
    return Session::tr("Файл изменён после обновления");
}

// A row for a file no row of the table stands for: Dir, Old and Ext.
Row rowOfPath(const QString &path)
{
    Row row;
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    QString name = path.mid(slash + 1);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    row[size_t(toInt(FieldNumber::Dir))] = path.left(slash + 1);
    if (dot > 0) {
        row[size_t(toInt(FieldNumber::Ext))] = name.mid(dot + 1);
        name.truncate(dot);
    }
    row[size_t(toInt(FieldNumber::Old))] = name;
    return row;
}

} // namespace

void Session::undoUpdate(quint64 number)
{
    if (busy())
        return;
    auto job = std::make_shared<UndoJob>(number);
    runner_.setStatus(tr("Отмена обновления..."));
    runner_.start(JobKind::Update, job, [this, job] {
        const UndoResult result = settleUndo(job->report);
        // The rows follow the disk again: older table steps no longer fit.
        forgetHistory();
        runner_.setStatus(StatusText(tr("Возвращено файлов: "), result.restored));
        runner_.setControlsEnabled(true);
        emit undoEnded(result);
    });
}

UndoResult Session::settleUndo(const journal::UndoReport &report)
{
    UndoResult result;
    result.number = report.number;
    result.error = report.error;
    QHash<QString, int> rowOf;
    for (int row = 1; row <= table_.lastFileRow(); ++row)
        rowOf.insert(RowPath(table_, row), row);
    std::vector<int> rows;
    QSet<QString> restored, renamedFrom, bytesBack, listed, keptNames;
    for (const journal::FileOutcome &out : report.files) {
        const bool rename = !out.oldPath.isEmpty();
        if (out.restored) {
            if (rename) {
                restored.insert(out.oldPath);
                renamedFrom.insert(out.path);
            } else {
                bytesBack.insert(out.path);
            }
            const int row = rowOf.value(out.path);
            if (row == 0)
                continue;
            rows.push_back(row);
            if (!rename)
                continue;
            // The write swapped Old and New; the old name is the one the
            // file has again.
            QString dir = table_.cell(row, FieldNumber::Dir);
            BuildFileName(dir, {}, {});
            const QString ext = table_.cell(row, FieldNumber::Ext);
            const QString suffix = ext.isEmpty() ? QString() : QLatin1Char('.') + ext;
            if (!out.oldPath.startsWith(dir) || !out.oldPath.endsWith(suffix))
                continue;
            const QString oldName = out.oldPath.mid(dir.size()).chopped(suffix.size());
            table_.setCell(row, FieldNumber::New, table_.cell(row, FieldNumber::Old));
            table_.setCell(row, FieldNumber::Old, oldName);
            rowOf.remove(out.path);
            rowOf.insert(out.oldPath, row);
            continue;
        }
        // A file kept at its new name: its tag changes, judged at the old
        // name, say nothing more.
        if (rename)
            keptNames.insert(out.oldPath);
        else if (keptNames.contains(out.path))
            continue;
        if (listed.contains(out.path))
            continue;
        listed.insert(out.path);
        const int row = rowOf.value(out.path);
        result.leftAlone.rows.push_back(ErrorTable::entry(
            row ? table_.row(row) : rowOfPath(out.path), table_.layout(), undoReason(out)));
    }
    // A file counts once, under the name it has now: bytes put back before
    // its name went back were put back under the name it left.
    for (const QString &path : std::as_const(bytesBack)) {
        if (!renamedFrom.contains(path))
            restored.insert(path);
    }
    result.restored = int(restored.size());
    if (rows.empty())
        return result;
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    emit cellsChanged(rows.front(), rows.back());
    // What is on the disk now shows in the rows put back, and only there: a
    // row between them keeps what was typed into it since.
    rereadRows(rows);
    return result;
}

void Session::waitForJobs()
{
    if (!runner_.isActive())
        return;
    QEventLoop loop;
    connect(&runner_, &JobRunner::drained, &loop, &QEventLoop::quit);
    loop.exec();
}

void Session::shutdown()
{
    held_.clear();
    runner_.shutdown();
}

} // namespace qm
