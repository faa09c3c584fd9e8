#include "jobs/readjob.h"

#include "jobs/jobrunner.h"
#include "table/rowtable.h"

namespace qm {

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

    const QString phrase = kind_ == ReadTag1Kind   ? StatusPhrase::ReadTag1()
                           : kind_ == ReadTag2Kind ? StatusPhrase::ReadTag2()
                                                   : StatusPhrase::ReadInfo();
    FileReader reader(kind_, settings_);
    for (qint64 i = 0; i < total; ++i) {
        const int row = int(firstRow_ + i);
        if (names[size_t(i)].isNull())
            continue; // not a file row
        CellWrites cells;
        FileStamp stamp;
        const bool read = reader.read(names[size_t(i)], cells, stamped_ ? &stamp : nullptr);
        post([this, row, i, total, read, phrase, stamp, name = names[size_t(i)],
              dir = std::move(dirs[size_t(i)]), cells = std::move(cells)] {
            if (!dir.isNull())
                table_.setCell(row, FieldNumber::Dir, dir);
            for (const auto &[field, text] : cells) {
                if (!keepFilled_ || table_.cell(row, field).isEmpty())
                    table_.setCell(row, field, text);
            }
            if (stamp.size >= 0)
                stamped_(name, stamp);
            if (read) {
                runner()->setStatus(StatusText(phrase, i + 1, total));
                runner()->setProgress(ProgressPercent(i + 1, total));
            }
            if (rowWritten_)
                rowWritten_(row);
        });
        if (terminated())
            return;
    }
}

} // namespace qm
