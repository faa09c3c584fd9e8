#include "jobs/readrows.h"

#include "jobs/addfiles.h"
#include "jobs/fileops.h"

#include <QElapsedTimer>
#include <QFileInfo>

#include <thread>

namespace qm {

AddedRowReader::AddedRowReader(const ReadSettings &settings, bool fileInfo)
{
    for (const ReadKind kind : AddedRowsReadKinds(settings, fileInfo))
        readers_.push_back(std::make_unique<FileReader>(kind, settings));
}

void AddedRowReader::complete(Row &row, FileStamp *stamp)
{
    if (stamp)
        *stamp = FileStamp();
    if (readers_.empty()) {
        if (stamp && !stampOf(RowFileName(row), stamp))
            *stamp = FileStamp();
        splitFileName(row);
        return;
    }
    // Rows of one folder share its Dir cell: the folder is decoded once.
    const Cell &dir = row[size_t(toInt(FieldNumber::Dir))];
    if (dir.handle() != dirCell_.handle()) {
        dirCell_ = dir;
        dir_ = dir;
    }
    // Old still holds the whole name.
    const QString fileName = BuildFileName(dir_, row[size_t(toInt(FieldNumber::Old))], {});
    splitFileName(row);
    for (const auto &reader : readers_) {
        cells_.clear();
        reader->read(fileName, cells_, stamp);
        for (auto &[field, value] : cells_)
            row[size_t(toInt(field))] = std::move(value);
    }
    // A read of no tag, or one that could not open the file, leaves the
    // stamp to a look at the file.
    if (stamp && stamp->size < 0 && !stampOf(fileName, stamp))
        *stamp = FileStamp();
}

namespace {

// Rows are gathered into batches: small enough to keep memory flat, large
// enough that the reading threads rarely wait for each other.
constexpr size_t kBatchRows = 256;
// A batch read slower than this a file waited for the disk: the next batch
// is shared among the threads, whose reads then wait side by side. From the
// page cache a file takes a few microseconds, and a second thread would only
// cost processor time.
constexpr qint64 kWaitingNsPerFile = 40'000;

class RowBatches {
public:
    RowBatches(const RowReadSettings &settings, const RowSink &sink)
        : settings_(settings), sink_(sink)
    {
        const int threads = std::max(1, settings.threads);
        for (int t = 0; t < threads; ++t)
            readers_.push_back(std::make_unique<AddedRowReader>(settings.read, settings.fileInfo));
        batch_.reserve(kBatchRows);
        stamps_.resize(kBatchRows);
    }

    bool add(const QString &folder, const QString &name)
    {
        Row &row = batch_.emplace_back();
        row[size_t(toInt(FieldNumber::No))] = numberText(++number_, settings_.numbers);
        if (folder != folderText_) {
            folderText_ = folder;
            folder_ = folder;
        }
        row[size_t(toInt(FieldNumber::Dir))] = folder_;
        row[size_t(toInt(FieldNumber::Old))] = name;
        return batch_.size() < kBatchRows || flush();
    }

    bool flush()
    {
        QElapsedTimer timer;
        timer.start();
        const size_t threads = shared_ ? readers_.size() : 1;
        std::vector<std::thread> helpers;
        for (size_t t = 1; t < threads && t < batch_.size(); ++t)
            helpers.emplace_back([this, t, threads] { readEvery(t, threads); });
        readEvery(0, threads);
        for (std::thread &helper : helpers)
            helper.join();
        if (!batch_.empty())
            shared_ = timer.nsecsElapsed() / qint64(batch_.size()) > kWaitingNsPerFile;
        bool go = true;
        for (size_t i = 0; i < batch_.size() && go; ++i)
            go = sink_(batch_[i], stamps_[i].size >= 0 ? &stamps_[i] : nullptr);
        batch_.clear();
        return go;
    }

private:
    void readEvery(size_t first, size_t step)
    {
        for (size_t i = first; i < batch_.size(); i += step)
            readers_[first]->complete(batch_[i], &stamps_[i]);
    }

    const RowReadSettings &settings_;
    const RowSink &sink_;
    std::vector<std::unique_ptr<AddedRowReader>> readers_;
    std::vector<Row> batch_;
    std::vector<FileStamp> stamps_; // by the batch's rows
    int number_ = 0;
    QString folderText_;
    Cell folder_;         // shared by the rows of one folder
    bool shared_ = false; // the last batch waited for the disk
};

} // namespace

bool ReadPathRows(const QStringList &paths, const RowReadSettings &settings, const RowSink &sink)
{
    RowBatches batches(settings, sink);
    bool go = true;
    for (const QString &path : paths) {
        const QFileInfo info(path);
        if (!FolderExists(info.filePath())) {
            const auto [dir, name] = FileRowNames(info.filePath());
            go = batches.add(dir, name);
        } else {
            ScanFolders(
                {info.absoluteFilePath()}, settings.scan,
                [&](const QString &folder, const QString &name) {
                    return go = batches.add(folder, name);
                },
                settings.unlisted);
        }
        if (!go)
            return false;
    }
    return batches.flush();
}

} // namespace qm
