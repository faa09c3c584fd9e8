#pragma once

#include "jobs/job.h"
#include "jobs/readkinds.h"
#include "jobs/writesteps.h"

#include <functional>

namespace qm {

class RowTable;

// The update job's reading kinds (1, 2, 105, 108) over the inclusive range
// of table rows [FirstRow, LastRow]. Files are read on the job's thread;
// only the cell writes, the status line and the progress bar go to the
// window's thread. Stop is honoured between rows: the row in hand is
// completed, the rows after it keep their old cells.
//
// The writing kinds (11, 12, 117, writejob.cpp) work the same way: tags are
// written and files renamed on the job's thread, the questions wait there
// for the window's answer, and the rows that fail are collected in
// errorTable(). The range is clipped to the file rows.
class TUpdateThread : public Job {
public:
    // Called on the window's thread after a row's cells were written, so the
    // window's model can announce the change.
    using RowWritten = std::function<void(int row)>;
    // Called on the window's thread with the state of a row's file as the
    // job left it: as a read that filled the row's tag cells found it, or as
    // a write made it.
    using FileStamped = std::function<void(const QString &path, const FileStamp &stamp)>;

    TUpdateThread(RowTable &table, int firstRow, int lastRow, int kind,
                  const ReadSettings &settings, RowWritten rowWritten = {});
    // The writing kinds (11, 12, 117). `questions` is asked on the window's
    // thread and must outlive the job.
    TUpdateThread(RowTable &table, int firstRow, int lastRow, int kind,
                  const WriteSettings &settings, WriteQuestions &questions,
                  RowWritten rowWritten = {});

    JobClass jobClass() const override { return JobClass::Update; }
    int kind() const { return m_kind; }
    int firstRow() const { return m_firstRow; }
    int lastRow() const { return m_lastRow; }
    // A reading kind leaves the cells that hold text as they are: rows a
    // list brought keep its values, and only what it did not fill is read.
    void setKeepFilled(bool keep) { m_keepFilled = keep; }
    void setFileStamped(FileStamped stamped) { m_stamped = std::move(stamped); }
    // The rows a writing kind failed to apply; read it on the window's
    // thread (the end handler shows it when it holds rows).
    const ErrorTable &errorTable() const { return m_errors; }

protected:
    void execute() override;

private:
    void executeWrite(); // the writing kinds, in writejob.cpp

    RowTable &m_table;
    int m_firstRow;
    int m_lastRow;
    int m_kind;
    ReadSettings m_settings;
    RowWritten m_rowWritten;
    bool m_keepFilled = false;
    FileStamped m_stamped;
    WriteSettings m_writeSettings;
    WriteQuestions *m_questions = nullptr;
    ErrorTable m_errors;
};

} // namespace qm
