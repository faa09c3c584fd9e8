#pragma once

#include "jobs/job.h"
#include "text/rowsort.h"
#include "text/sortkeys.h"

namespace qm {

class RowTable;

// A sort or shuffle of the file rows as a job: the keys are read and the new
// order found on the job's thread, with the rows keyed so far in the status
// line; the order is then put into the table in one step on the runner's
// thread. A stop before that step leaves the table as it was, so a sort or
// a shuffle is either done whole or not begun.
class SortJob : public Job {
public:
    // No keys: a shuffle drawn from `seed`.
    SortJob(RowTable &table, SortKeys keys, quint64 seed = 0)
        : table_(table), keys_(std::move(keys)), seed_(seed)
    {}
    JobClass jobClass() const override { return JobClass::Sort; }
    // The rows were put in their new order.
    bool applied() const { return !order_.empty(); }
    // That order, as RowTable::reorderFileRows took it.
    const RowOrder &order() const { return order_; }

protected:
    void execute() override;

private:
    RowTable &table_;
    SortKeys keys_;
    quint64 seed_;
    RowOrder order_;
};

} // namespace qm
