#include "jobs/alphabetjob.h"

#include "jobs/jobrunner.h"
#include "table/rowtable.h"

namespace qm {

void AlphabetJob::execute()
{
    const int total = cells_.columnCount() * cells_.rowCount();
    for (int column = cells_.left; column <= cells_.right; ++column) {
        for (int row = cells_.top; row <= cells_.bottom; ++row) {
            if (terminated())
                return;
            // The table is disabled while the job runs: its cells hold still.
            const QString &text = table_.cellAt(row, column);
            QString result = mode_ == Mode::Replace ? map_.replace(text) : map_.restore(text);
            post([this, column, row, total, result = std::move(result)] {
                if (table_.cellAt(row, column) != result) {
                    table_.setCellAt(row, column, result);
                    if (changed_)
                        changed_(row);
                }
                ++done_;
                runner()->setStatus(StatusText(StatusPhrase::ChangedRows(), done_, total));
                runner()->setProgress(ProgressPercent(done_, total));
            });
        }
    }
}

} // namespace qm
