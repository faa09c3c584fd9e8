// The file work runs on the job's thread; the questions go to the window's
// thread and wait for the answer, and the cells, the error table and the
// status line are changed there in batches.

#include "jobs/fileops.h"
#include "jobs/folderplan.h"
#include "jobs/jobrunner.h"
#include "jobs/renameplan.h"
#include "jobs/writejob.h"
#include "table/rowtable.h"

#include <QDir>

#include <algorithm>

namespace qm {

namespace {

// Rows are copied from the table this many at a time, so that a job over a
// huge table neither copies it whole nor pays a hand-off per row.
constexpr int RowsPerCopy = 256;
// The rename plan looks at its rows on two threads: in larger copies, so
// that a hand-over between them serves many rows.
constexpr int RowsPerPlanCopy = 2048;

bool hasNewName(const RowTable &table)
{
    for (int row = 1; row <= table.lastFileRow(); ++row) {
        if (!table.cell(row, FieldNumber::New).trimmed().isEmpty())
            return true;
    }
    return false;
}

} // namespace

bool WriteJob::askAboutChanged(int first, int last)
{
    if (!settings_.AskChanged || !settings_.ReadStamps || settings_.ReadStamps->isEmpty())
        return true;
    struct Changed {
        int row;
        QString path;
        FileStamp now;
    };
    std::vector<Changed> changed;
    std::vector<QString> paths;
    for (int chunk = first; chunk <= last; chunk += RowsPerCopy) {
        const int chunkEnd = int(std::min<qint64>(last, qint64(chunk) + RowsPerCopy - 1));
        if (!synchronize([&] {
                paths.clear();
                for (int row = chunk; row <= chunkEnd; ++row) {
                    QString dir = table_.cell(row, FieldNumber::Dir);
                    paths.push_back(BuildFileName(dir, table_.cell(row, FieldNumber::Old),
                                                  table_.cell(row, FieldNumber::Ext)));
                }
            }))
            return false;
        for (int row = chunk; row <= chunkEnd; ++row) {
            const QString &path = paths[size_t(row - chunk)];
            const FileStamp *read = settings_.ReadStamps->find(path);
            FileStamp now;
            // A file gone since fails its row without this question.
            if (read && stampOf(path, &now) && !unchangedSince(*read, now))
                changed.push_back({row, path, now});
        }
    }
    if (changed.empty())
        return true;
    const QString text = WriteMessage::ChangedFilesQuestion(int(changed.size()));
    Answer answer = Answer::No;
    if (!synchronize([&] { answer = questions_->askWriteChanged(text); }))
        return false;
    if (answer != Answer::Yes && answer != Answer::YesToAll) {
        // The row writer finds them changed and fails their rows.
        for (const Changed &file : changed)
            leftAlone_.push_back(file.row);
        return true;
    }
    // Written as they are now, and known so from here on.
    auto stamps = std::make_shared<FileStamps>(*settings_.ReadStamps);
    for (const Changed &file : changed)
        stamps->insert(file.path, file.now);
    settings_.ReadStamps = std::move(stamps);
    if (stamped_) {
        post([this, changed = std::move(changed)] {
            for (const Changed &file : changed)
                stamped_(Cell(), Cell(file.path), Cell(), file.now);
        });
    }
    return true;
}

void WriteJob::execute()
{
    // The blank last row is no file: the range ends at the last file row.
    const int first = std::max(firstRow_, 1);
    int last = 0;
    bool hasFiles = false;
    bool namesGiven = true;
    ColumnLayout layout;
    const bool started = synchronize([&] {
        last = std::min(lastRow_, table_.lastFileRow());
        layout = table_.layout();
        hasFiles = table_.fileRowCount() > 0;
        if (kind_ == WriteKind::Apply && hasFiles)
            namesGiven = hasNewName(table_);
    });
    if (!started || !hasFiles)
        return;
    if (!namesGiven) {
        synchronize([this] { questions_->showError(WriteMessage::WriteNewNames()); });
        return;
    }
    if (last < first)
        return;
    if (!askAboutChanged(first, last))
        return;

    const auto askFolder = [this](const QString &folder) {
        const QString text = WriteMessage::CreateFolderQuestion(folder);
        Answer answer = Answer::No;
        synchronize([&] { answer = questions_->askCreateFolder(text); });
        return answer;
    };
    const auto askReplace = [this](const QString &path) {
        const QString text = WriteMessage::ReplaceFileQuestion(path);
        Answer answer = Answer::No;
        synchronize([&] { answer = questions_->askReplaceFile(text); });
        return answer;
    };
    // The writer's journal is closed when it goes, on every way out. No
    // file is changed that the journal could not keep, unless asked.
    RowWriter writer(settings_, askFolder, askReplace);
    QString journalError;
    if (!settings_.NoJournal
        && !writer.useJournal(QStringLiteral("write %1").arg(static_cast<int>(kind_)),
                              &journalError)) {
        synchronize([&] { questions_->showError(journalError); });
        return;
    }

    const qint64 total = qint64(last) - first + 1;
    qint64 done = 0;
    const QString phrase = StatusPhrase::ProcessedFiles();
    // The cells the step changed back to the table, the failure to the
    // error table, and the count of rows done to the status line.
    const auto report = [&](int row, const Row &cells, const RowOutcome &outcome) {
        QStringList failed;
        if (outcome.failed)
            failed = ErrorTable::entry(cells, layout, outcome.message);
        ++done;
        // The file under the row's name once the step is done.
        const bool stamp = stamped_ && outcome.written.size >= 0;
        post([this, row, done, total, phrase, failed = std::move(failed), stamp,
              written = outcome.written, dir = cells[size_t(toInt(FieldNumber::Dir))],
              oldName = cells[size_t(toInt(FieldNumber::Old))],
              newName = cells[size_t(toInt(FieldNumber::New))],
              ext = cells[size_t(toInt(FieldNumber::Ext))]] {
            table_.setCell(row, FieldNumber::Dir, dir);
            table_.setCell(row, FieldNumber::Old, oldName);
            table_.setCell(row, FieldNumber::New, newName);
            if (!failed.isEmpty()) {
                errors_.rows.push_back(failed);
                failedRows_.push_back(row);
            }
            if (stamp)
                stamped_(dir, oldName, ext, written);
            runner()->setStatusCount(phrase, done, total);
            runner()->setProgress(ProgressPercent(done, total));
            if (rowWritten_)
                rowWritten_(row);
        });
    };
    std::vector<Row> rows;
    std::vector<RowOutcome> outcomes;
    const auto copyRows = [&](int from, int to) {
        return synchronize([&] {
            rows.clear();
            for (int row = from; row <= to; ++row)
                rows.push_back(table_.row(row));
        });
    };

    if (kind_ != WriteKind::Apply) {
        // While the journal syncs one batch, the next one is planned: two
        // batches' rows are held, and a batch is reported once it is made.
        std::vector<Row> plannedRows;
        std::vector<RowOutcome> plannedOutcomes;
        int plannedFirst = 0;
        size_t plannedCount = 0;
        const auto reportPlanned = [&] {
            for (size_t i = 0; i < plannedCount; ++i)
                report(plannedFirst + int(i), plannedRows[i], plannedOutcomes[i]);
            plannedCount = 0;
        };
        for (int chunk = first; chunk <= last; chunk += RowsPerCopy) {
            const int chunkEnd = int(std::min<qint64>(last, qint64(chunk) + RowsPerCopy - 1));
            if (!copyRows(chunk, chunkEnd))
                break;
            // Stop is honoured after the row in progress.
            outcomes.assign(rows.size(), RowOutcome());
            const size_t handled = writer.planTagBatch(
                kind_, rows.data(), outcomes.data(), rows.size(), [this] { return terminated(); });
            // The batch before is made now.
            reportPlanned();
            std::swap(rows, plannedRows);
            std::swap(outcomes, plannedOutcomes);
            plannedFirst = chunk;
            plannedCount = handled;
            if (terminated())
                break;
        }
        writer.finishTagBatch();
        reportPlanned();
        return;
    }

    // Every row is looked at before the first rename.
    RenamePlan plan(settings_.MoveFiles);
    plan.reserve(size_t(last) - size_t(first) + 1);
    for (int chunk = first; chunk <= last; chunk += RowsPerPlanCopy) {
        const int chunkEnd = int(std::min<qint64>(last, qint64(chunk) + RowsPerPlanCopy - 1));
        if (!copyRows(chunk, chunkEnd))
            return;
        plan.addRows(chunk, rows.data(), rows.size());
    }
    plan.finish();
    // The table's files and the folder it was filled from, for the albums
    // that move whole; a job that keeps every file in its folder needs
    // neither.
    QSet<QString> tableFiles;
    QString root;
    if (settings_.MoveFiles && plan.movesAcrossFolders()
        && !synchronize([&] { root = tableFolders(table_, &tableFiles); }))
        return;
    writer.setJobFile([&plan](const QString &path) { return plan.isJobFile(path); });

    // Whole units, about RowsPerCopy rows at a time, in the plan's order.
    const std::vector<int> &order = plan.order();
    const std::vector<RenamePlan::Unit> &units = plan.units();
    struct Batch {
        size_t unit = 0;  // its first unit
        size_t end = 0;   // the unit after its last
        size_t begin = 0; // its rows in order()
        size_t rowsEnd = 0;
    };
    const auto batchFrom = [&](size_t unit) {
        Batch batch{unit, unit, unit < units.size() ? units[unit].begin : order.size(), 0};
        while (batch.end < units.size()
               && units[batch.end].begin - batch.begin < size_t(RowsPerCopy))
            ++batch.end;
        batch.rowsEnd = batch.end < units.size() ? units[batch.end].begin : order.size();
        return batch;
    };
    // The plan's look at each file serves the journal's records too.
    std::vector<KnownFile> known;
    std::vector<Row> stagedRows;
    const auto stage = [&](const Batch &batch) {
        if (!synchronize([&] {
                stagedRows.clear();
                for (size_t i = batch.begin; i < batch.rowsEnd; ++i)
                    stagedRows.push_back(table_.row(order[i]));
            }))
            return false;
        known.clear();
        for (size_t i = batch.begin; i < batch.rowsEnd; ++i)
            known.push_back(plan.known(i));
        writer.stageTagsAhead(stagedRows.data(), stagedRows.size(), known.data());
        return true;
    };
    // A batch is recorded while the one before is applied unless a file of
    // it is another row's too, whose state that batch may change before
    // this one's steps.
    const auto ownFiles = [&](const Batch &batch) {
        for (size_t i = batch.begin; i < batch.rowsEnd; ++i) {
            const KnownFile file = plan.known(i);
            if (file.state && !file.lasting)
                return false;
        }
        return true;
    };
    std::vector<FileMove> moved;
    Batch batch = batchFrom(0);
    if (batch.unit < units.size() && !stage(batch))
        return;
    while (batch.unit < units.size()) {
        writer.takeTagsAhead();
        std::swap(rows, stagedRows);
        outcomes.assign(rows.size(), RowOutcome());
        const Batch next = batchFrom(batch.end);
        const bool more = next.unit < units.size();
        const bool stagedEarly = more && ownFiles(next);
        if (stagedEarly && !stage(next))
            return;
        for (size_t unit = batch.unit; unit < batch.end; ++unit) {
            const RenamePlan::Unit &step = units[unit];
            const size_t at = step.begin - batch.begin;
            plan.apply(step, writer, &rows[at], &outcomes[at]);
            for (size_t i = at; i < at + step.count; ++i) {
                report(order[batch.begin + i], rows[i], outcomes[i]);
                // Kept only for the albums that move whole.
                if (outcomes[i].renamed && !root.isEmpty())
                    moved.push_back(plan.move(batch.begin + i));
            }
            // A ring is finished before Stop is honoured.
            if (terminated())
                return;
        }
        if (more && !stagedEarly && !stage(next))
            return;
        batch = next;
    }
    writer.endTagsAhead();
    if (!moved.empty() && !root.isEmpty())
        moveAlbums(writer, moved, tableFiles, root, layout);
}

QString tableFolders(const RowTable &table, QSet<QString> *files)
{
    QStringList folders;
    for (int row = 1; row <= table.lastFileRow(); ++row) {
        QString dir = table.cell(row, FieldNumber::Dir);
        const QString path = QDir::cleanPath(BuildFileName(dir, table.cell(row, FieldNumber::Old),
                                                           table.cell(row, FieldNumber::Ext)));
        files->insert(path);
        const QString folder = FolderOfFile(path);
        if (folders.isEmpty() || folders.back() != folder)
            folders.append(folder);
    }
    return CommonFolder(folders);
}

void WriteJob::moveAlbums(RowWriter &writer, const std::vector<FileMove> &moved,
                          const QSet<QString> &tableFiles, const QString &root,
                          const ColumnLayout &layout)
{
    QStringList sources;
    for (const FileMove &move : moved)
        sources.append(FolderOfFile(move.from));
    if (settings_.MoveCompanions) {
        for (const CompanionMove &companion :
             PlanCompanions(moved, tableFiles, settings_.CompanionPatterns)) {
            const QString why =
                companion.left.isEmpty() ? moveCompanion(writer, companion) : companion.left;
            if (why.isEmpty()) {
                sources.append(FolderOfFile(companion.from));
                continue;
            }
            // Listed like a row that failed: the file's folder, name and
            // extension, and why it stayed.
            Row cells;
            const QString name =
                companion.from.mid(companion.from.lastIndexOf(QLatin1Char('/')) + 1);
            const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
            cells[size_t(toInt(FieldNumber::Dir))] =
                FolderOfFile(companion.from) + QLatin1Char('/');
            cells[size_t(toInt(FieldNumber::Old))] = dot > 0 ? name.left(dot) : name;
            cells[size_t(toInt(FieldNumber::Ext))] = dot > 0 ? name.mid(dot + 1) : QString();
            post([this, entry = ErrorTable::entry(cells, layout, why)] {
                errors_.rows.push_back(entry);
            });
        }
    }
    for (const QString &folder : EmptiedFolders(sources, root))
        writer.removeFolder(folder);
}

QString WriteJob::moveCompanion(RowWriter &writer, const CompanionMove &companion)
{
    // A list names the files anew where it is, then moves: killed in
    // between, it stays whole under its old name.
    FileChange change;
    if (!companion.newBytes.isEmpty()) {
        change.fileName = companion.from;
        change.oldBytes = companion.oldBytes;
        change.newBytes = companion.newBytes;
        change.oldSize = companion.oldBytes.size();
        change.newSize = companion.newBytes.size();
        if (!stampOf(companion.from, &change.planned) || !writer.changeOther(change))
            return WriteMessage::ChangeImpossible();
    }
    if (writer.moveOther(companion.from, companion.to))
        return {};
    if (!companion.newBytes.isEmpty()) {
        std::swap(change.oldBytes, change.newBytes);
        std::swap(change.oldSize, change.newSize);
        if (stampOf(companion.from, &change.planned))
            writer.changeOther(change);
    }
    return PathExists(companion.to) ? WriteMessage::TargetExists()
                                    : WriteMessage::ChangeImpossible();
}

} // namespace qm
