#pragma once

#include "jobs/readkinds.h"
#include "jobs/updatejob.h"

namespace qm {

// The update job's reading kinds (1, 2, 105, 108): each file of the range
// read into its row's cells. Stop is honoured between rows: the row in hand
// is completed, the rows after it keep their old cells.
class ReadJob : public TUpdateThread {
public:
    ReadJob(RowTable &table, int firstRow, int lastRow, ReadKind kind, const ReadSettings &settings,
            RowWritten rowWritten = {})
        : TUpdateThread(table, firstRow, lastRow, std::move(rowWritten)), kind_(kind),
          settings_(settings)
    {}

    ReadKind kind() const { return kind_; }
    // The cells that hold text stay as they are: rows a list brought keep
    // its values, and only what it did not fill is read.
    void setKeepFilled(bool keep) { keepFilled_ = keep; }

protected:
    void execute() override;

private:
    // One row as the reading thread made it, for the window to take over.
    struct ReadRow {
        int row = 0;
        bool read = false;
        qint64 done = 0; // the count for the status line; 0 for a skipped row
        QString dir;     // a Dir that gained its slash, else null
        QString name;    // the file's name, when it was stamped
        FileStamp stamp;
        CellWrites cells;
    };
    void postChunk(std::vector<ReadRow> chunk, const QString &phrase, qint64 total);

    ReadKind kind_;
    ReadSettings settings_;
    bool keepFilled_ = false;
};

} // namespace qm
