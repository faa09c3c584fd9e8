#pragma once

#include "jobs/folderscan.h"
#include "jobs/job.h"

#include <functional>

namespace qm {

// The add job's folder scan (kinds 'd': folders from the add-directory
// dialog, 'm': folders dropped on the window). The folders are scanned on
// the job's thread; every file found becomes a row through `appendRow`,
// which runs on the runner's thread with the folder (ending with "/") and
// the file name, extension included. The status line counts the files and
// the progress bar shows that count modulo 100, since a scan has no total.
class TAddThread : public Job {
public:
    using AppendRow = std::function<void(const QString &folder, const QString &name)>;

    TAddThread(char kind, QStringList folders, ScanSettings settings, AppendRow appendRow);

    JobClass jobClass() const override { return JobClass::Add; }
    char kind() const { return kind_; }
    // Files handed to the table so far (read it after the job has ended).
    int filesAdded() const { return filesAdded_; }

protected:
    void execute() override;

private:
    char kind_;
    QStringList folders_;
    ScanSettings settings_;
    AppendRow appendRow_;
    int filesAdded_ = 0;
};

} // namespace qm
