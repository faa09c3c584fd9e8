#pragma once

#include "formats/fileio.h"
#include "jobs/job.h"
#include "table/cell.h"

#include <QString>

#include <functional>

namespace qm {

class RowTable;

// The update job: reads files into a range of table rows (ReadJob) or
// applies the rows to the disk (WriteJob), over the inclusive range of
// table rows [firstRow(), lastRow()]. The files are touched on the job's
// thread; the cell writes, the status line and the progress bar go to the
// runner's thread. Stop is honoured between rows.
class TUpdateThread : public Job {
public:
    // Called on the runner's thread after rows' cells were written, so the
    // window's model can announce the change: for every row, or (a read)
    // for the first and the last row of each chunk taken over, which
    // bound the rows written between them.
    using RowWritten = std::function<void(int row)>;
    // Called on the runner's thread with the state of a row's file as the
    // job left it: as a read that filled the row's tag cells found it, or as
    // a write made it. The file is named as a row names it, by its Dir, Old
    // and Ext cells (a path alone is `name`, the other two empty), so that
    // a stamp of a row's file is kept under the row's own cells.
    using FileStamped = std::function<void(const Cell &dir, const Cell &name, const Cell &ext,
                                           const FileStamp &stamp)>;

    JobClass jobClass() const override { return JobClass::Update; }
    int firstRow() const { return firstRow_; }
    int lastRow() const { return lastRow_; }
    void setFileStamped(FileStamped stamped) { stamped_ = std::move(stamped); }

protected:
    TUpdateThread(RowTable &table, int firstRow, int lastRow, RowWritten rowWritten)
        : table_(table), firstRow_(firstRow), lastRow_(lastRow), rowWritten_(std::move(rowWritten))
    {}

    RowTable &table_;
    int firstRow_;
    int lastRow_;
    RowWritten rowWritten_;
    FileStamped stamped_;
};

} // namespace qm
