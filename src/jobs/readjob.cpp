#include "jobs/readjob.h"

#include "jobs/jobrunner.h"
#include "table/rowtable.h"

namespace qm {

void ReadJob::execute()
{
    if (m_lastRow < m_firstRow)
        return;
    // The file names of the whole range are taken in one hand-off; nothing
    // changes Dir, Old or Ext while the job runs, since the window is busy.
    const qint64 total = qint64(m_lastRow) - m_firstRow + 1;
    std::vector<QString> dirs;
    std::vector<QString> names;
    const bool named = synchronize([&] {
        dirs.resize(size_t(total));
        names.resize(size_t(total));
        for (qint64 i = 0; i < total; ++i) {
            const int row = int(m_firstRow + i);
            if (!m_table.isFileRow(row))
                continue;
            QString dir = m_table.cell(row, FieldNumber::Dir);
            const qsizetype size = dir.size();
            names[size_t(i)] = BuildFileName(dir, m_table.cell(row, FieldNumber::Old),
                                             m_table.cell(row, FieldNumber::Ext));
            // Only a Dir that gained its slash is written back: the others
            // keep sharing their folder's cell.
            if (dir.size() != size)
                dirs[size_t(i)] = dir;
        }
    });
    if (!named)
        return;

    const QString phrase = m_kind == ReadTag1Kind   ? StatusPhrase::ReadTag1()
                           : m_kind == ReadTag2Kind ? StatusPhrase::ReadTag2()
                                                    : StatusPhrase::ReadInfo();
    FileReader reader(m_kind, m_settings);
    for (qint64 i = 0; i < total; ++i) {
        const int row = int(m_firstRow + i);
        if (names[size_t(i)].isNull())
            continue; // not a file row
        CellWrites cells;
        FileStamp stamp;
        const bool read = reader.read(names[size_t(i)], cells, m_stamped ? &stamp : nullptr);
        post([this, row, i, total, read, phrase, stamp, name = names[size_t(i)],
              dir = std::move(dirs[size_t(i)]), cells = std::move(cells)] {
            if (!dir.isNull())
                m_table.setCell(row, FieldNumber::Dir, dir);
            for (const auto &[field, text] : cells) {
                if (!m_keepFilled || m_table.cell(row, field).isEmpty())
                    m_table.setCell(row, field, text);
            }
            if (stamp.size >= 0)
                m_stamped(name, stamp);
            if (read) {
                runner()->setStatus(StatusText(phrase, i + 1, total));
                runner()->setProgress(ProgressPercent(i + 1, total));
            }
            if (m_rowWritten)
                m_rowWritten(row);
        });
        if (terminated())
            return;
    }
}

} // namespace qm
