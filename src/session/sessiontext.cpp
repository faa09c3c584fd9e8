// The session's text commands: letter case, find and replace, and the
// alphabets with their symbol replacement and restoring.

#include "session/session.h"
#include "session/changedrows.h"

#include <QFileInfo>

#include <climits>

#include "jobs/alphabetjob.h"

namespace qm {

void Session::convertCase(const CellRect &selection, CaseMode mode)
{
    if (busy())
        return;
    // Typing in a box is a step of its own: the command does not join it.
    closeEdit();
    const CellRect rows = step([&] { return qm::convertCase(table_, selection, mode); });
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
    const StepGuard guard(*this);
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
    const StepGuard guard(*this);
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
    const StepGuard guard(*this);
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

void Session::openAlphabets(const QString &path, bool createMissing)
{
    alphabets_ = AlphabetBook(path);
    // Only a missing file is made: one that is there but cannot be read
    // (no read permission, a pipe) keeps the user's alphabets.
    if (!alphabets_.load() && createMissing && !QFileInfo::exists(path))
        alphabetWritten(alphabets_.save(alphabets_.pairs()));
    emit alphabetsChanged();
}

void Session::alphabetWritten(bool written)
{
    if (written || alphabetFailureShown_)
        return;
    alphabetFailureShown_ = true;
    runner_.setStatus(tr("Не удалось записать файл алфавитов %1").arg(alphabets_.path()));
}

void Session::saveAlphabet(const AlphabetPairs &pairs)
{
    alphabetWritten(alphabets_.save(pairs));
    // Saving takes in what another window wrote meanwhile: the names may
    // have changed.
    emit alphabetsChanged();
}

void Session::selectAlphabet(int index, const AlphabetPairs &leaving)
{
    if (index == alphabets_.current() || index < 0 || index >= alphabets_.names().size())
        return;
    alphabetWritten(alphabets_.select(index, leaving));
    emit alphabetsChanged();
}

void Session::saveAlphabetAs(const QString &name, const AlphabetPairs &pairs)
{
    // Such a name would lose its pairs on the next start.
    if (!AlphabetBook::isStorableName(name))
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

void Session::replaceByAlphabet(const CellRect &selection) { startAlphabetJob(selection, false); }

void Session::restoreByAlphabet(const CellRect &selection) { startAlphabetJob(selection, true); }

void Session::startAlphabetJob(const CellRect &selection, bool restore)
{
    if (busy())
        return;
    const CellRect cells = selection.fileCells(table_);
    auto changed = std::make_shared<ChangedRows>(*this);
    auto job = std::make_shared<AlphabetJob>(
        table_, cells.isEmpty() ? CellRect{} : cells, alphabets_.pairs(),
        restore ? AlphabetJob::Mode::Restore : AlphabetJob::Mode::Replace,
        [changed](int row) { changed->add(row); });
    auto connection = std::make_shared<QMetaObject::Connection>();
    runner_.start(
        restore ? JobKind::Restore : JobKind::Edit, job,
        [this, changed, connection, restore, before = jobSnapshot()] {
            changed->announce();
            disconnect(*connection);
            // A stopped job's part is a step too: undo takes it back.
            if (before)
                recordStep(*before);
            runner_.setControlsEnabled(true);
            if (restore)
                emit alphabetRestored();
        },
        [this, changed, connection] {
            *connection =
                connect(&runner_, &JobRunner::stepsRun, this, [changed] { changed->announce(); });
        });
}

bool Session::applyVariant(VariantWalk &walk, const QString &text)
{
    if (busy() || !step([&] { return walk.apply(table_, text); }))
        return false;
    emit cellsChanged(walk.row(), walk.row());
    return true;
}

} // namespace qm
