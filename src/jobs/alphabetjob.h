#pragma once

#include <functional>

#include "jobs/job.h"
#include "table/selection.h"
#include "text/alphabet.h"

namespace qm {

class RowTable;

// Replace or restore by an alphabet as an edit job: each cell of the
// rectangle is worked out on the job's thread and written on the runner's,
// with "Изменено строк: " count/total and the progress after each; a stop
// leaves the cells already written changed.
class AlphabetJob : public Job {
public:
    enum class Mode { Replace, Restore };

    // `cells` holds file cells only; `changed` hears each row written.
    AlphabetJob(RowTable &table, const CellRect &cells, const AlphabetPairs &pairs, Mode mode,
                std::function<void(int row)> changed)
        : table_(table), cells_(cells), map_(pairs), mode_(mode), changed_(std::move(changed))
    {}
    JobClass jobClass() const override { return JobClass::Edit; }
    Mode mode() const { return mode_; }
    // The cells handled so far (after the end: all of them unless stopped).
    int done() const { return done_; }

protected:
    void execute() override;

private:
    RowTable &table_;
    CellRect cells_;
    AlphabetMap map_;
    Mode mode_;
    std::function<void(int row)> changed_;
    int done_ = 0;
};

} // namespace qm
