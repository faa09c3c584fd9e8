#include "jobs/readjob.h"

#include "jobs/jobrunner.h"
#include "lists/columnlist.h"
#include "table/rowtable.h"

#include <QElapsedTimer>

#include <algorithm>

namespace qm {

namespace {

// Rows read are handed to the window in chunks of at most this many, or of
// what was read in this time.
constexpr size_t ChunkRows = 512;
constexpr qint64 ChunkMilliseconds = 8;

// A list's cell that is the file's text as a column list line holds it
// (a line break there becomes a blank) stands for the file's text: kept,
// it would put the lyrics or comment back on one line at the next update.
bool listedAsRead(const Cell &listed, const Cell &read)
{
    // Most texts hold no break: they are told by their bytes, without a
    // QString each.
    const bool breaks = read.visit([](auto text) {
        return std::any_of(text.begin(), text.end(),
                           [](auto c) { return c == u'\n' || c == u'\r'; });
    });
    return breaks && listed == ColumnListCell(ColumnListValueLine(read));
}

} // namespace

void ReadJob::execute()
{
    if (lastRow_ < firstRow_)
        return;
    // The file names of the whole range are taken in one hand-off; nothing
    // changes Dir, Old or Ext while the job runs, since the window is busy.
    const qint64 total = qint64(lastRow_) - firstRow_ + 1;
    std::vector<QString> dirs;
    std::vector<QString> names;
    const bool named = synchronize([&] {
        dirs.resize(size_t(total));
        names.resize(size_t(total));
        for (qint64 i = 0; i < total; ++i) {
            const int row = int(firstRow_ + i);
            if (!table_.isFileRow(row))
                continue;
            QString dir = table_.cell(row, FieldNumber::Dir);
            const qsizetype size = dir.size();
            names[size_t(i)] = BuildFileName(dir, table_.cell(row, FieldNumber::Old),
                                             table_.cell(row, FieldNumber::Ext));
            // Only a Dir that gained its slash is written back: the others
            // keep sharing their folder's cell.
            if (dir.size() != size)
                dirs[size_t(i)] = dir;
        }
    });
    if (!named)
        return;

    const QString phrase = kind_ == ReadKind::Tag1   ? StatusPhrase::ReadTag1()
                           : kind_ == ReadKind::Tag2 ? StatusPhrase::ReadTag2()
                                                     : StatusPhrase::ReadInfo();
    // From here on the body looks at its own names only, so the window can
    // take one chunk of rows over while the next is read.
    setPipelined(true);
    FileReader reader(kind_, settings_);
    std::vector<ReadRow> chunk;
    QElapsedTimer sinceChunk;
    sinceChunk.start();
    bool posted = false;
    for (qint64 i = 0; i < total; ++i) {
        if (names[size_t(i)].isNull())
            continue; // not a file row
        ReadRow &read = chunk.emplace_back();
        read.row = int(firstRow_ + i);
        read.read = reader.read(names[size_t(i)], read.cells, stamped_ ? &read.stamp : nullptr);
        read.dir = std::move(dirs[size_t(i)]);
        if (read.stamp.size >= 0)
            read.name = std::move(names[size_t(i)]);
        if (read.read)
            read.done = i + 1;
        const bool stopped = terminated();
        // The first row at once, so the window shows the job under way.
        if (stopped || chunk.size() >= ChunkRows || i + 1 == total || !posted
            || sinceChunk.elapsed() >= ChunkMilliseconds) {
            posted = true;
            postChunk(std::move(chunk), phrase, total);
            chunk = {};
            sinceChunk.start();
        }
        if (stopped)
            return;
    }
    if (!chunk.empty())
        postChunk(std::move(chunk), phrase, total);
}

void ReadJob::postChunk(std::vector<ReadRow> chunk, const QString &phrase, qint64 total)
{
    post([this, phrase, total, chunk = std::move(chunk)]() mutable {
        qint64 done = 0;
        for (ReadRow &read : chunk) {
            Row &row = table_.row(read.row);
            if (!read.dir.isNull())
                row[size_t(toInt(FieldNumber::Dir))] = read.dir;
            for (auto &[field, text] : read.cells) {
                Cell &cell = row[size_t(toInt(field))];
                if (!keepFilled_ || cell.isEmpty() || listedAsRead(cell, text))
                    cell = std::move(text);
            }
            if (read.stamp.size >= 0)
                stamped_(Cell(), Cell(read.name), Cell(), read.stamp);
            done = std::max(done, read.done);
        }
        if (rowWritten_) {
            // Rows are announced as a range: only the first and last matter.
            rowWritten_(chunk.front().row);
            rowWritten_(chunk.back().row);
        }
        if (done > 0) {
            runner()->setStatus(StatusText(phrase, done, total));
            runner()->setProgress(ProgressPercent(done, total));
        }
    });
}

} // namespace qm
