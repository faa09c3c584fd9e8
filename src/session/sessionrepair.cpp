// The session's repair of text read in the wrong code page: the suspect
// cells found, and the chosen readings written as one step.

#include "session/session.h"

#include <climits>

namespace qm {

QList<SuspectCell> Session::suspectCells(const QList<FieldNumber> &columns, int first,
                                         int last) const
{
    QList<SuspectCell> found;
    const int top = std::max(first, 1);
    const int bottom = std::min(last, table_.lastFileRow());
    for (int row = top; row <= bottom; ++row) {
        for (const FieldNumber field : columns) {
            const QString text = table_.cell(row, field);
            RepairAnalysis analysis = analyseEncoding(text);
            if (!analysis.proposal)
                continue;
            SuspectCell cell{row, field, text, *analysis.proposal, {}};
            for (RepairReading &reading : analysis.readings) {
                if (reading.kind != cell.proposal.kind)
                    cell.others.append(std::move(reading));
            }
            found.append(std::move(cell));
        }
    }
    return found;
}

int Session::applyRepairs(const QList<CellRepair> &repairs)
{
    if (busy())
        return 0;
    // Typing in a box is a step of its own: the repair does not join it.
    closeEdit();
    int count = 0;
    int top = INT_MAX;
    int bottom = 0;
    step([&] {
        for (const CellRepair &repair : repairs) {
            if (!table_.isFileRow(repair.row) || repair.to.isEmpty()
                || table_.cell(repair.row, repair.field) != repair.from)
                continue;
            table_.setCell(repair.row, repair.field, repair.to);
            ++count;
            top = std::min(top, repair.row);
            bottom = std::max(bottom, repair.row);
        }
    });
    if (count > 0)
        emit cellsChanged(top, bottom);
    return count;
}

} // namespace qm
