#include "jobs/symbolsjob.h"

#include "jobs/jobrunner.h"
#include "table/rowtable.h"

namespace qm {

void SymbolsJob::execute()
{
    const int total = m_cells.columnCount() * m_cells.rowCount();
    for (int column = m_cells.left; column <= m_cells.right; ++column) {
        for (int row = m_cells.top; row <= m_cells.bottom; ++row) {
            if (terminated())
                return;
            // The table is disabled while the job runs: its cells hold still.
            const QString &text = m_table.cellAt(row, column);
            QString result = m_mode == Mode::Replace ? m_map.replace(text) : m_map.restore(text);
            post([this, column, row, total, result = std::move(result)] {
                if (m_table.cellAt(row, column) != result) {
                    m_table.setCellAt(row, column, result);
                    if (m_changed)
                        m_changed(row);
                }
                ++m_done;
                runner()->setStatus(StatusText(StatusPhrase::ChangedRows(), m_done, total));
                runner()->setProgress(ProgressPercent(m_done, total));
            });
        }
    }
}

} // namespace qm
