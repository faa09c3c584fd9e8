#include "jobs/readrows.h"

#include "jobs/addfiles.h"
#include "jobs/fileops.h"

#include <QElapsedTimer>
#include <QFileInfo>

#include <thread>

namespace qm {

AddedRowReader::AddedRowReader(const ReadSettings &settings, bool fileInfo)
{
    for (const int kind : AddedRowsReadKinds(settings, fileInfo))
        m_readers.push_back(std::make_unique<FileReader>(kind, settings));
}

void AddedRowReader::complete(Row &row)
{
    if (m_readers.empty()) {
        splitFileName(row);
        return;
    }
    // Rows of one folder share its Dir cell: the folder is decoded once.
    const Cell &dir = row[size_t(toInt(FieldNumber::Dir))];
    if (dir.handle() != m_dirCell.handle()) {
        m_dirCell = dir;
        m_dir = dir;
    }
    // Old still holds the whole name.
    const QString fileName = BuildFileName(m_dir, row[size_t(toInt(FieldNumber::Old))], {});
    splitFileName(row);
    for (const auto &reader : m_readers) {
        m_cells.clear();
        reader->read(fileName, m_cells);
        for (auto &[field, value] : m_cells)
            row[size_t(toInt(field))] = value;
    }
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
        : m_settings(settings), m_sink(sink)
    {
        const int threads = std::max(1, settings.threads);
        for (int t = 0; t < threads; ++t)
            m_readers.push_back(std::make_unique<AddedRowReader>(settings.read, settings.fileInfo));
        m_batch.reserve(kBatchRows);
    }

    bool add(const QString &folder, const QString &name)
    {
        Row &row = m_batch.emplace_back();
        row[size_t(toInt(FieldNumber::No))] = numberText(++m_number, m_settings.numbers);
        if (folder != m_folderText) {
            m_folderText = folder;
            m_folder = folder;
        }
        row[size_t(toInt(FieldNumber::Dir))] = m_folder;
        row[size_t(toInt(FieldNumber::Old))] = name;
        return m_batch.size() < kBatchRows || flush();
    }

    bool flush()
    {
        QElapsedTimer timer;
        timer.start();
        const size_t threads = m_shared ? m_readers.size() : 1;
        std::vector<std::thread> helpers;
        for (size_t t = 1; t < threads && t < m_batch.size(); ++t)
            helpers.emplace_back([this, t, threads] { readEvery(t, threads); });
        readEvery(0, threads);
        for (std::thread &helper : helpers)
            helper.join();
        if (!m_batch.empty())
            m_shared = timer.nsecsElapsed() / qint64(m_batch.size()) > kWaitingNsPerFile;
        bool go = true;
        for (const Row &row : m_batch) {
            if (!(go = m_sink(row)))
                break;
        }
        m_batch.clear();
        return go;
    }

private:
    void readEvery(size_t first, size_t step)
    {
        for (size_t i = first; i < m_batch.size(); i += step)
            m_readers[first]->complete(m_batch[i]);
    }

    const RowReadSettings &m_settings;
    const RowSink &m_sink;
    std::vector<std::unique_ptr<AddedRowReader>> m_readers;
    std::vector<Row> m_batch;
    int m_number = 0;
    QString m_folderText;
    Cell m_folder;         // shared by the rows of one folder
    bool m_shared = false; // the last batch waited for the disk
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
            ScanFolders({info.absoluteFilePath()}, settings.scan,
                        [&](const QString &folder, const QString &name) {
                            return go = batches.add(folder, name);
                        });
        }
        if (!go)
            return false;
    }
    return batches.flush();
}

} // namespace qm
