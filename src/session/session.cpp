#include "session/session.h"

#include <QDateTime>
#include <QEventLoop>
#include <QFileInfo>
#include <climits>
#include <memory>

#include "jobs/addfiles.h"
#include "jobs/addjob.h"
#include "jobs/duplicatesjob.h"
#include "jobs/sortjob.h"
#include "jobs/symbolsjob.h"
#include "jobs/updatejob.h"
#include "table/addedrows.h"
#include "table/numbering.h"

namespace qm {

// The rows a job has written since the last batch of steps, announced after
// that batch in one go, so a view does not relayout per row.
class Session::ChangedRows {
public:
    explicit ChangedRows(Session &session) : session_(session) {}
    void add(int row)
    {
        first_ = qMin(first_, row);
        last_ = qMax(last_, row);
    }
    void announce()
    {
        if (first_ > last_)
            return;
        emit session_.cellsChanged(first_, last_);
        first_ = INT_MAX;
        last_ = 0;
    }

private:
    Session &session_;
    int first_ = INT_MAX;
    int last_ = 0;
};

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
    return settings;
}

WriteSettings Session::writeSettings(bool moveFiles) const
{
    const SessionState current = state();
    WriteSettings settings = WriteSettings::From(options_, current.tagView, moveFiles);
    // Tags go only to the files the reading reads.
    if (current.allFormats)
        settings.FormatRead = false;
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
    startAddJob(folders, 'm');
}

void Session::addFolders(const QStringList &folders) { startAddJob(folders, 'd'); }

std::shared_ptr<Job> Session::scanJob(char kind, const QStringList &folders)
{
    return std::make_shared<TAddThread>(
        kind, folders, state().scan,
        [this](const QString &folder, const QString &name) { table_.appendFileRow(folder, name); });
}

void Session::startAddJob(const QStringList &folders, char kind)
{
    table_.setCarried(false, 0);
    if (kind != 'm')
        firstAddedRow_ = table_.blankRow();
    runner_.start('a', scanJob(kind, folders), [this] {
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
        if (!info.isDir()) {
            AppendFileRow(table_, info.filePath());
            continue;
        }
        // The next paths wait for the scan, so the rows keep the order given.
        runner_.start('a', scanJob('d', {info.absoluteFilePath()}),
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

void Session::completeAddedRows(int first)
{
    const SessionState current = state();
    // The table's part: empty rows out, names split, new rows numbered.
    const int rowsBefore = table_.rowCount();
    const AddedRows added =
        qm::completeAddedRows(table_, first, current.numbering.style, current.numbering.scope);
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
    const bool readingTags = table_.carriedTagVersion() == 0 && current.tagView != TagView::None;
    for (int kind :
         AddedRowsReadKinds(readSettings(), current.fileInfo && !table_.carriedFileInfo())) {
        if (kind == ReadTag1Kind || kind == ReadTag2Kind) {
            if (readingTags)
                startUpdateJob(added.first, added.last, kind);
        } else {
            startUpdateJob(added.first, added.last, kind);
        }
    }
    emit cellsChanged(added.first, added.last);
    emit addedRowsCompleted(added.first, added.last);
    // Per-folder numbers need the new rows beside the others of their folder;
    // the sort waits behind the reads, as it would follow their end.
    if (current.numbering.separate())
        sortForSeparateNumbering();
    if (!readingTags)
        runner_.setControlsEnabled(true);
}

void Session::startUpdateJob(int first, int last, int kind)
{
    if (updatesHeld_ && updatesHeld_()) {
        held_.push_back({first, last, kind});
        return;
    }
    first = qMax(first, 1);
    last = qMin(last, table_.lastFileRow());
    if (first > last) {
        // Nothing to read: whoever asked still expects the window to settle.
        runner_.setControlsEnabled(true);
        return;
    }
    auto changed = std::make_shared<ChangedRows>(*this);
    auto job = std::make_shared<TUpdateThread>(table_, first, last, kind, readSettings(),
                                               [changed](int row) { changed->add(row); });
    auto connection = std::make_shared<QMetaObject::Connection>();
    runner_.start(
        'u', std::move(job),
        [this, changed, connection] {
            changed->announce();
            disconnect(*connection);
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
        startUpdateJob(request.first, request.last, request.kind);
}

void Session::renumberRows(int fromRow)
{
    const Numbering numbering = state().numbering;
    qm::renumberRows(table_, fromRow, numbering.style, numbering.scope);
    emit cellsChanged(fromRow, table_.lastFileRow());
    emit rowsRenumbered();
}

void Session::restyleNumbers(NumberStyle style)
{
    qm::restyleNumbers(table_, style, state().numbering.scope);
    emit cellsChanged(1, table_.lastFileRow());
    emit rowsRenumbered();
}

void Session::removeDuplicates(DuplicateKey key)
{
    if (busy())
        return;
    auto job = std::make_shared<DuplicateRowsJob>(table_, key);
    runner_.setStatus(StatusText(StatusPhrase::RemovedDuplicates, 0));
    runner_.start(key == DuplicateKey::VisibleColumns ? 'v' : 'a', job, [this, job] {
        if (job->removed() > 0) {
            emit rowsReset();
            renumberRows(1);
        }
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
    if (column == FieldNumber::Trc && zeroFillTracks(table_))
        emit cellsChanged(1, table_.lastFileRow());
    startSortJob(keys);
}

void Session::shuffleRows()
{
    if (busy())
        return;
    startSortJob({});
}

void Session::sortForSeparateNumbering()
{
    runner_.separateNumberingPending = true;
    startSortJob({FieldNumber::Dir});
}

void Session::startSortJob(const SortKeys &keys)
{
    auto job =
        std::make_shared<SortJob>(table_, keys, quint64(QDateTime::currentMSecsSinceEpoch()));
    runner_.setStatus(StatusText(StatusPhrase::SortedRows, 0, table_.fileRowCount()));
    runner_.start('s', job, [this, job] {
        if (job->applied())
            emit rowsReset();
        runner_.separateNumberingPending = false;
        renumberRows(1);
        runner_.setControlsEnabled(true);
    });
}

void Session::write(int first, int last, int kind, bool moveFiles)
{
    WriteQuestions &questions = questions_ ? *questions_ : unasked_;
    auto changed = std::make_shared<ChangedRows>(*this);
    auto job =
        std::make_shared<TUpdateThread>(table_, first, last, kind, writeSettings(moveFiles),
                                        questions, [changed](int row) { changed->add(row); });
    auto connection = std::make_shared<QMetaObject::Connection>();
    auto started = std::make_shared<bool>(false);
    runner_.start(
        'u', job,
        [this, changed, connection, job, started] {
            changed->announce();
            disconnect(*connection);
            runner_.setControlsEnabled(true);
            // A job stopped before it began leaves the last failures alone.
            if (*started)
                emit writeEnded(job->errorTable());
        },
        [this, changed, connection, started] {
            *started = true;
            emit writeStarted();
            *connection =
                connect(&runner_, &JobRunner::stepsRun, this, [changed] { changed->announce(); });
        });
}

void Session::convertCase(const CellRect &selection, CaseMode mode)
{
    if (busy())
        return;
    const CellRect rows = qm::convertCase(table_, selection, mode);
    if (!rows.isEmpty())
        emit cellsChanged(rows.top, rows.bottom);
}

void Session::announceReplaced()
{
    const CellRect rows = finder_.takeChangedRows();
    if (!rows.isEmpty())
        emit cellsChanged(rows.top, rows.bottom);
}

RepeatQuestion Session::announcingPasses(const RepeatQuestion &repeat)
{
    return [this, repeat](bool forward) {
        announceReplaced();
        return repeat && repeat(forward);
    };
}

FindMatch Session::findNext(const CellRect &selection, const FindRequest &request,
                            const RepeatQuestion &repeat)
{
    if (busy())
        return {};
    return finder_.findNext(table_, selection, request, repeat);
}

FindMatch Session::replaceMatch(const CellRect &selection, const FindRequest &request,
                                const QString &replacement, const RepeatQuestion &repeat)
{
    if (busy())
        return {};
    const FindMatch match =
        finder_.replace(table_, selection, request, replacement, announcingPasses(repeat));
    announceReplaced();
    return match;
}

FindMatch Session::replaceAll(const CellRect &selection, const FindRequest &request,
                              const QString &replacement, const RepeatQuestion &repeat)
{
    if (busy())
        return {};
    const FindMatch match =
        finder_.replaceAll(table_, selection, request, replacement, announcingPasses(repeat));
    announceReplaced();
    return match;
}

int Session::replaceInColumns(const QList<FieldNumber> &columns, const QString &find,
                              const QString &replacement, bool caseSensitive, bool wholeCell)
{
    if (busy())
        return 0;
    int count = 0;
    int first = INT_MAX;
    int last = 0;
    for (const FieldNumber field : columns) {
        const int position = table_.layout().position(field);
        CellRect changed;
        count += replaceInCells(table_, CellRect{position, 1, position, table_.lastFileRow()}, find,
                                replacement, caseSensitive, wholeCell, &changed);
        if (changed.isEmpty())
            continue;
        first = qMin(first, changed.top);
        last = qMax(last, changed.bottom);
    }
    if (first <= last)
        emit cellsChanged(first, last);
    return count;
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

void Session::openAlphabets(const QString &path, bool createMissing)
{
    alphabets_ = AlphabetBook(path);
    if (!alphabets_.load() && createMissing)
        alphabetWritten(alphabets_.save(alphabets_.pairs()));
    emit alphabetsChanged();
}

void Session::alphabetWritten(bool written)
{
    if (written || alphabetFailureShown_)
        return;
    alphabetFailureShown_ = true;
    runner_.setStatus(QStringLiteral(u"Не удалось записать файл алфавитов ") + alphabets_.path());
}

void Session::saveAlphabet(const SymbolPairs &pairs) { alphabetWritten(alphabets_.save(pairs)); }

void Session::selectAlphabet(int index, const SymbolPairs &leaving)
{
    if (index == alphabets_.current() || index < 0 || index >= alphabets_.names().size())
        return;
    alphabetWritten(alphabets_.select(index, leaving));
    emit alphabetsChanged();
}

void Session::saveAlphabetAs(const QString &name, const SymbolPairs &pairs)
{
    if (name.isEmpty())
        return;
    alphabets_.addName(name);
    alphabetWritten(alphabets_.save(pairs));
    emit alphabetsChanged();
}

void Session::removeAlphabet()
{
    if (alphabets_.names().size() <= 1)
        return;
    alphabetWritten(alphabets_.removeCurrent());
    emit alphabetsChanged();
}

void Session::replaceSymbols(const CellRect &selection) { startSymbolsJob(selection, false); }

void Session::restoreSymbols(const CellRect &selection) { startSymbolsJob(selection, true); }

void Session::startSymbolsJob(const CellRect &selection, bool restore)
{
    if (busy())
        return;
    const CellRect cells = selection.fileCells(table_);
    auto changed = std::make_shared<ChangedRows>(*this);
    auto job = std::make_shared<SymbolsJob>(
        table_, cells.isEmpty() ? CellRect{} : cells, alphabets_.pairs(),
        restore ? SymbolsJob::Mode::Restore : SymbolsJob::Mode::Replace,
        [changed](int row) { changed->add(row); });
    auto connection = std::make_shared<QMetaObject::Connection>();
    runner_.start(
        restore ? 'r' : 'e', job,
        [this, changed, connection, restore] {
            changed->announce();
            disconnect(*connection);
            runner_.setControlsEnabled(true);
            if (restore)
                emit symbolsRestored();
        },
        [this, changed, connection] {
            *connection =
                connect(&runner_, &JobRunner::stepsRun, this, [changed] { changed->announce(); });
        });
}

bool Session::applyVariant(const VariantWalk &walk, const QString &text)
{
    if (busy() || !walk.apply(table_, text))
        return false;
    emit cellsChanged(walk.row(), walk.row());
    return true;
}

} // namespace qm
