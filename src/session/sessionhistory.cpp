// The table's undo history: steps of the user's edits and of jobs, and the
// state beside the table that a step takes back with its cells.

#include "session/session.h"

namespace qm {

namespace {

struct StepExtra {
    std::shared_ptr<const PendingPictures> pictures;
    QHash<QString, QString> codepages;
    Numbering numbering;
};

} // namespace

std::shared_ptr<const void> Session::stepExtra() const
{
    const auto last = std::static_pointer_cast<const StepExtra>(stepExtra_);
    if (!last || last->pictures != pendingPictures_ || last->codepages != codepages_
        || last->numbering != state_.numbering)
        stepExtra_ = std::make_shared<const StepExtra>(
            StepExtra{pendingPictures_, codepages_, state_.numbering});
    return stepExtra_;
}

void Session::takeStepExtra(const TableHistory::Touched &touched)
{
    if (!touched.extraChanged)
        return;
    const auto extra = std::static_pointer_cast<const StepExtra>(touched.extra);
    // A step recorded before anything waited has no extra state.
    setPendingPictures(extra ? extra->pictures : nullptr);
    codepages_ = extra ? extra->codepages : QHash<QString, QString>();
    if (extra && extra->numbering != state_.numbering) {
        state_.numbering = extra->numbering;
        emit numberingChanged();
    }
}

void Session::setUndoEnabled(bool enabled)
{
    undoEnabled_ = enabled;
    if (!enabled) {
        editOpen_ = false;
        stepDepth_ = 0;
        stepStart_ = {};
        history_.clear();
    }
}

void Session::beginStep()
{
    if (undoEnabled_ && stepDepth_++ == 0) {
        stepStart_ = TableHistory::snapshot(table_);
        stepStart_.extra = stepExtra();
    }
}

void Session::endStep()
{
    if (!undoEnabled_ || stepDepth_ == 0 || --stepDepth_ > 0)
        return;
    recordStep(stepStart_);
    stepStart_ = {};
}

void Session::openEdit()
{
    if (editOpen_ || !undoEnabled_)
        return;
    editOpen_ = true;
    beginStep();
}

void Session::closeEdit()
{
    if (!editOpen_)
        return;
    editOpen_ = false;
    endStep();
}

void Session::recordStep(const TableSnapshot &before, std::span<const int> fileOrder)
{
    if (undoEnabled_ && history_.record(before, table_, stepExtra(), fileOrder))
        emit historyChanged();
}

std::shared_ptr<TableSnapshot> Session::jobSnapshot()
{
    closeEdit();
    if (!undoEnabled_)
        return nullptr;
    auto snapshot = std::make_shared<TableSnapshot>(TableHistory::snapshot(table_));
    snapshot->extra = stepExtra();
    return snapshot;
}

void Session::forgetHistory()
{
    // An open step goes on from the table as it is now.
    if (stepDepth_ > 0) {
        stepStart_ = TableHistory::snapshot(table_);
        stepStart_.extra = stepExtra();
    }
    if (!history_.canUndo() && !history_.canRedo())
        return;
    history_.clear();
    emit historyChanged();
}

void Session::announce(const TableHistory::Touched &touched)
{
    if (touched.rows)
        emit rowsReset();
    else if (!touched.isEmpty())
        emit cellsChanged(touched.first, touched.last);
    emit historyChanged();
}

void Session::undo()
{
    if (busy())
        return;
    closeEdit();
    if (stepDepth_ == 0) {
        const TableHistory::Touched touched = history_.undo(table_);
        takeStepExtra(touched);
        announce(touched);
    }
}

void Session::redo()
{
    if (busy())
        return;
    closeEdit();
    if (stepDepth_ == 0) {
        const TableHistory::Touched touched = history_.redo(table_);
        takeStepExtra(touched);
        announce(touched);
    }
}

} // namespace qm
