#pragma once

#include <QObject>
#include <memory>
#include <utility>

#include "app/renameback.h"
#include "jobs/rowwriter.h"

class QAction;

namespace qm {

namespace journal {
struct JobSummary;
}
class JobRunner;
class MessageBoxQuestions;
class TfrmError;
class TfrmTagEditor;
struct UndoResult;
class WriteQuestions;

// The commands that write the table to the disk: aWriteID3v1Tag and
// aWriteID3v2Tag (all rows, or the selected ones with "Только выделенные"),
// aUpdate and aUpdateSel (rename, move or copy, after writing the current
// view's tag), and aUndoUpdate, which puts back the files of the last
// update after a question. Each starts an update job of a writing kind on the window's
// runner; the job's failures go to the error window, shown at its end.
class WriteCommands : public QObject {
    Q_OBJECT
public:
    WriteCommands(TfrmTagEditor &window, JobRunner &runner);
    ~WriteCommands() override;

    TfrmError &errorWindow() const { return *errors_; }
    // The questions the jobs ask; message boxes unless a test replaces them
    // (nullptr restores the boxes). Must outlive the jobs started with it.
    void setQuestions(WriteQuestions *questions);

    // Starts a job of `kind` (11, 12 or 117) over table rows [first, last].
    void startWriteJob(int first, int last, WriteKind kind);
    // The table rows the selection spans; {1, 0} when nothing is selected.
    std::pair<int, int> selectedRows() const;
    // "Отменить обновление от ...?" for the update `job`.
    static QString undoQuestion(const journal::JobSummary &job);

protected:
    // The error window has no owner: it closes with the main window.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void writeTagExecute(QAction *action);
    void updateExecute(bool selectedOnly);
    // Asks before an update that would give files back the names they had
    // before the last one; false when the user says No.
    bool confirmRenamingBack(int first, int last);
    // An update that moves files into other folders shows its plan first
    // (unless the options say not to); false when the user cancels.
    bool confirmMovePlan(int first, int last, bool moveFiles);
    void undoUpdateExecute();
    void showUndoResult(const UndoResult &result);
    // aUndoUpdate is live while the window is idle and the journal holds an
    // update to undo (looked up again only when a write or an undo ends).
    void refreshUndoUpdate(bool lookUp);

    TfrmTagEditor &window_;
    JobRunner &runner_;
    std::unique_ptr<MessageBoxQuestions> boxes_;
    std::unique_ptr<TfrmError> errors_;
    QAction *onlySelTag_;
    QAction *moveFiles_;
    bool undoable_ = false;
    RenamedRows renamed_;
};

} // namespace qm
