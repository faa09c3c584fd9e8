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
class SymbolsJob : public Job {
public:
    enum class Mode { Replace, Restore };

    // `cells` holds file cells only; `changed` hears each row written.
    SymbolsJob(RowTable &table, const CellRect &cells, const SymbolPairs &pairs, Mode mode,
               std::function<void(int row)> changed)
        : m_table(table), m_cells(cells), m_map(pairs), m_mode(mode), m_changed(std::move(changed))
    {}
    JobClass jobClass() const override { return JobClass::Edit; }
    Mode mode() const { return m_mode; }
    // The cells handled so far (after the end: all of them unless stopped).
    int done() const { return m_done; }

protected:
    void execute() override;

private:
    RowTable &m_table;
    CellRect m_cells;
    SymbolMap m_map;
    Mode m_mode;
    std::function<void(int row)> m_changed;
    int m_done = 0;
};

} // namespace qm
