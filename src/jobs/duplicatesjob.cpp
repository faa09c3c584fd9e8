#include "jobs/duplicatesjob.h"

#include "jobs/jobrunner.h"
#include "table/rowtable.h"

namespace qm {

void DuplicateRowsJob::execute()
{
    const std::vector<bool> marked =
        findDuplicateRows(table_, key_, [this](int, int percent, int found) {
            post([this, percent, found] {
                runner()->setStatus(StatusText(StatusPhrase::RemovedDuplicates(), found));
                if (percent >= 0)
                    runner()->setProgress(percent);
            });
            return !terminated();
        });
    // What was found before a stop is removed all the same.
    synchronize([this, &marked] {
        removed_ = removeMarkedRows(table_, marked);
        runner()->setStatus(StatusText(StatusPhrase::RemovedDuplicates(), removed_));
    });
}

} // namespace qm
