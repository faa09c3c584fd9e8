#include "jobs/listjob.h"

#include "jobs/jobrunner.h"
#include "lists/listfile.h"

namespace qm {

TListReadJob::TListReadJob(RowTable &table, char kind, QString path, Hooks hooks)
    : m_table(table), m_kind(kind), m_path(std::move(path)), m_hooks(std::move(hooks))
{}

void TListReadJob::execute()
{
    QStringList lines;
    if (!ReadListFile(m_path, lines)) {
        synchronize([this] {
            if (m_hooks.cannotOpen)
                m_hooks.cannotOpen(m_path);
        });
        return;
    }
    const int announced = ListReader::AnnouncedTagVersion(m_kind, lines);
    post([this, announced] {
        m_reader = std::make_unique<ListReader>(m_table, m_kind, m_path, m_hooks.showColumn);
        if (announced != 0 && m_hooks.showViews)
            m_hooks.showViews(announced, false);
    });
    const qsizetype total = lines.size();
    for (qsizetype i = 0; i < total && !terminated(); ++i) {
        post([this, line = lines[i], done = i + 1, total] {
            if (m_ended)
                return;
            const int before = m_reader->filesAdded();
            m_ended = !m_reader->readLine(line);
            if (m_reader->filesAdded() != before)
                runner()->setStatus(StatusText(StatusPhrase::AddedFiles(), m_reader->filesAdded()));
            runner()->setProgress(ProgressPercent(done, total));
        });
    }
    // Also after Stop: what was read stays and carries its views.
    post([this] {
        m_reader->finish();
        m_table.setCarried(m_reader->carriedFileInfo(), m_reader->carriedTagVersion());
        if (m_hooks.showViews)
            m_hooks.showViews(m_reader->carriedTagVersion(), m_reader->carriedFileInfo());
    });
}

} // namespace qm
