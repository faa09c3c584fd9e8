#pragma once

#include "jobs/folderplan.h"
#include "jobs/rowwriter.h"
#include "jobs/updatejob.h"
#include "jobs/writemessage.h"
#include "jobs/writequestions.h"

#include <vector>

namespace qm {

// The update job's writing kinds (11, 12, 117): tags written and files
// renamed, moved or copied on the job's thread, the questions waiting there
// for the window's answer, and the rows that fail collected in
// errorTable(). The range is clipped to the file rows.
// The cleaned paths of the table's files into *files, and the folder it
// was filled from: the deepest one that holds them all (empty folders are
// removed inside it, never above it).
QString tableFolders(const RowTable &table, QSet<QString> *files);

class WriteJob : public TUpdateThread {
public:
    // `questions` is asked on the runner's thread and must outlive the job.
    WriteJob(RowTable &table, int firstRow, int lastRow, WriteKind kind,
             const WriteSettings &settings, WriteQuestions &questions, RowWritten rowWritten = {})
        : TUpdateThread(table, firstRow, lastRow, std::move(rowWritten)), kind_(kind),
          settings_(settings), questions_(&questions)
    {}

    WriteKind kind() const { return kind_; }
    // The rows the job failed to apply; read it on the runner's thread (the
    // end handler shows it when it holds rows).
    const ErrorTable &errorTable() const { return errors_; }
    // The rows whose files another program changed since they were read
    // and that the user chose to leave alone, for the caller to read again.
    const std::vector<int> &leftAlone() const { return leftAlone_; }
    // The rows of errorTable(), in the table.
    const std::vector<int> &failedRows() const { return failedRows_; }

protected:
    void execute() override;

private:
    // Looks once at the files of rows [first, last] that were read, and
    // asks about those another program changed since; false when the window
    // went away meanwhile.
    bool askAboutChanged(int first, int last);
    // After the rows: the albums' other files follow the files that moved
    // (those that cannot are listed), and the folders left empty go.
    void moveAlbums(RowWriter &writer, const std::vector<FileMove> &moved,
                    const QSet<QString> &tableFiles, const QString &root,
                    const ColumnLayout &layout);
    // Moves one of an album's other files, naming the moved files anew in
    // it first; why it stays, or empty.
    QString moveCompanion(RowWriter &writer, const CompanionMove &companion);

    WriteKind kind_;
    WriteSettings settings_;
    WriteQuestions *questions_;
    ErrorTable errors_;
    std::vector<int> leftAlone_;
    std::vector<int> failedRows_;
};

} // namespace qm
