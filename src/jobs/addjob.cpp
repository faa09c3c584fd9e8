#include "jobs/addjob.h"

#include "jobs/jobrunner.h"

#include <QElapsedTimer>

#include <utility>
#include <vector>

namespace qm {

namespace {

// Files found are handed to the window in chunks of at most this many, or
// of what was found in this time.
constexpr size_t ChunkFiles = 1024;
constexpr qint64 ChunkMilliseconds = 8;

} // namespace

TAddThread::TAddThread(AddKind kind, QStringList folders, ScanSettings settings,
                       AppendRow appendRow)
    : kind_(kind), folders_(std::move(folders)), settings_(std::move(settings)),
      appendRow_(std::move(appendRow))
{}

void TAddThread::execute()
{
    // The scan never looks at the table: the window takes the files found
    // over while the scan goes on.
    setPipelined(true);
    std::vector<std::pair<QString, QString>> found;
    QElapsedTimer sinceChunk;
    sinceChunk.start();
    int count = 0;
    const auto postChunk = [&] {
        post([this, count, files = std::move(found)] {
            for (const auto &[folder, name] : files)
                appendRow_(folder, name);
            filesAdded_ = count;
            runner()->setStatus(StatusText(StatusPhrase::AddedFiles(), count));
            runner()->setProgress(count % 100);
        });
        found = {};
        sinceChunk.start();
    };
    ScanFolders(folders_, settings_, [&](const QString &folder, const QString &name) {
        found.emplace_back(folder, name);
        // The first file at once, so the window shows the job under way.
        if (++count == 1 || found.size() >= ChunkFiles || sinceChunk.elapsed() >= ChunkMilliseconds)
            postChunk();
        return !terminated();
    });
    if (!found.empty())
        postChunk();
}

} // namespace qm
