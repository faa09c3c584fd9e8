#include "jobs/addjob.h"

#include "jobs/jobrunner.h"

namespace qm {

TAddThread::TAddThread(char kind, QStringList folders, ScanSettings settings, AppendRow appendRow)
    : m_kind(kind), m_folders(std::move(folders)), m_settings(std::move(settings)),
      m_appendRow(std::move(appendRow))
{}

void TAddThread::execute()
{
    int found = 0;
    ScanFolders(m_folders, m_settings, [&](const QString &folder, const QString &name) {
        const int count = ++found;
        post([this, folder, name, count] {
            m_filesAdded = count;
            m_appendRow(folder, name);
            runner()->setStatus(StatusText(StatusPhrase::AddedFiles(), count));
            runner()->setProgress(count % 100);
        });
        return !terminated();
    });
}

} // namespace qm
