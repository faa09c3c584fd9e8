#pragma once

#include "jobs/job.h"
#include "table/duplicates.h"

namespace qm {

class RowTable;

// Duplicate removal as an edit job: the search reads the table on the job's
// thread, with the count found so far in the status line; the rows found
// (before a stop too) are removed on the runner's thread.
class DuplicateRowsJob : public Job {
public:
    DuplicateRowsJob(RowTable &table, DuplicateKey key) : table_(table), key_(key) {}
    JobClass jobClass() const override { return JobClass::Edit; }
    int removed() const { return removed_; }

protected:
    void execute() override;

private:
    RowTable &table_;
    DuplicateKey key_;
    int removed_ = 0;
};

} // namespace qm
