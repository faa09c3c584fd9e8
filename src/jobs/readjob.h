#pragma once

#include "jobs/readkinds.h"
#include "jobs/updatejob.h"

namespace qm {

// The update job's reading kinds (1, 2, 105, 108): each file of the range
// read into its row's cells. Stop is honoured between rows: the row in hand
// is completed, the rows after it keep their old cells.
class ReadJob : public TUpdateThread {
public:
    ReadJob(RowTable &table, int firstRow, int lastRow, int kind, const ReadSettings &settings,
            RowWritten rowWritten = {})
        : TUpdateThread(table, firstRow, lastRow, std::move(rowWritten)), m_kind(kind),
          m_settings(settings)
    {}

    int kind() const { return m_kind; }
    // The cells that hold text stay as they are: rows a list brought keep
    // its values, and only what it did not fill is read.
    void setKeepFilled(bool keep) { m_keepFilled = keep; }

protected:
    void execute() override;

private:
    int m_kind;
    ReadSettings m_settings;
    bool m_keepFilled = false;
};

} // namespace qm
