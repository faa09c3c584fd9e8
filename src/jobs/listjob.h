#pragma once

#include "jobs/job.h"
#include "lists/listreader.h"

#include <QString>

#include <functional>
#include <memory>

namespace qm {

// The add job's list read, by the rules of its ListKind. The file is loaded
// on the job's thread; every line is read into the table on the runner's
// thread.
class TListReadJob : public Job {
public:
    struct Hooks {
        // A column the list fills is hidden: show it.
        ListReader::ShowColumn showColumn;
        // The views the list carries data for, switched on without reading:
        // tag version 0, 1 or 2, and file information.
        std::function<void(int tagVersion, bool fileInfo)> showViews;
        // The file could not be read (nothing is added).
        std::function<void(const QString &path)> cannotOpen;
    };

    TListReadJob(RowTable &table, ListKind kind, QString path, Hooks hooks);

    JobClass jobClass() const override { return JobClass::Add; }
    // Read after the job has ended: the rules the last line was read by.
    ListKind kind() const { return reader_ ? reader_->kind() : kind_; }
    // Stream URLs of a play list passed over (read after the job has ended).
    int streamsSkipped() const { return reader_ ? reader_->streamsSkipped() : 0; }

protected:
    void execute() override;

private:
    RowTable &table_;
    ListKind kind_;
    QString path_;
    Hooks hooks_;
    // Made and used on the runner's thread only.
    std::unique_ptr<ListReader> reader_;
    bool ended_ = false;
};

} // namespace qm
