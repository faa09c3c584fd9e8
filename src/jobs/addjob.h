#pragma once

#include "jobs/folderscan.h"
#include "jobs/job.h"

#include <functional>

namespace qm {

// Where the folders of an add job's scan come from. Dropped folders follow
// the dropped files, which became rows before the scan started, so the rows
// the scan adds are counted from before those files.
enum class AddKind {
    Folders,        // the add-directory dialog, or paths given
    DroppedFolders, // dropped on the window
};

// The add job's folder scan. The folders are scanned on the job's thread;
// every file found becomes a row through `appendRow`, which runs on the
// runner's thread with the folder (ending with "/") and the file name,
// extension included. The status line counts the files and the progress bar
// shows that count modulo 100, since a scan has no total.
class TAddThread : public Job {
public:
    using AppendRow = std::function<void(const QString &folder, const QString &name)>;

    TAddThread(AddKind kind, QStringList folders, ScanSettings settings, AppendRow appendRow);

    JobClass jobClass() const override { return JobClass::Add; }
    AddKind kind() const { return kind_; }
    // Files handed to the table so far (read it after the job has ended).
    int filesAdded() const { return filesAdded_; }

protected:
    void execute() override;

private:
    AddKind kind_;
    QStringList folders_;
    ScanSettings settings_;
    AppendRow appendRow_;
    int filesAdded_ = 0;
};

} // namespace qm
