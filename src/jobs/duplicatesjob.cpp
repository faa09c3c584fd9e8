#include "jobs/duplicatesjob.h"

#include "jobs/jobrunner.h"
#include "table/rowtable.h"

namespace qm {

void DuplicateRowsJob::execute()
{
    const std::vector<bool> marked =
        findDuplicateRows(m_table, m_key, [this](int, int percent, int found) {
            post([this, percent, found] {
                runner()->setStatus(StatusText(StatusPhrase::RemovedDuplicates(), found));
                if (percent >= 0)
                    runner()->setProgress(percent);
            });
            return !terminated();
        });
    // What was found before a stop is removed all the same.
    synchronize([this, &marked] {
        m_removed = removeMarkedRows(m_table, marked);
        runner()->setStatus(StatusText(StatusPhrase::RemovedDuplicates(), m_removed));
    });
}

} // namespace qm
