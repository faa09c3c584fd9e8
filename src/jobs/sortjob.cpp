#include "jobs/sortjob.h"

#include "jobs/jobrunner.h"
#include "table/rowtable.h"
#include "text/rowsort.h"

namespace qm {

void SortJob::execute()
{
    const int total = table_.fileRowCount();
    if (total < 2)
        return;
    std::optional<RowOrder> order;
    if (keys_.isEmpty()) {
        order = shuffledRowOrder(table_, seed_);
    } else {
        // The bar runs from 0 to 100 once per key, as the rows of that key are
        // read.
        order = sortedRowOrder(table_, keys_, {[this](int, int, int done, int count) {
                                   post([this, done, count] {
                                       runner()->setStatus(
                                           StatusText(StatusPhrase::SortedRows(), done, count));
                                       runner()->setProgress(ProgressPercent(done, count));
                                   });
                                   return !terminated();
                               }});
    }
    if (!order || terminated())
        return;
    synchronize([this, &order, total] {
        applyRowOrder(table_, *order);
        order_ = std::move(*order);
        runner()->setStatus(StatusText(StatusPhrase::SortedRows(), total, total));
        runner()->setProgress(100);
    });
}

} // namespace qm
