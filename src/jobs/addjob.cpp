#include "jobs/addjob.h"

#include "jobs/jobrunner.h"

namespace qm {

TAddThread::TAddThread(char kind, QStringList folders, ScanSettings settings, AppendRow appendRow)
    : kind_(kind), folders_(std::move(folders)), settings_(std::move(settings)),
      appendRow_(std::move(appendRow))
{}

void TAddThread::execute()
{
    int found = 0;
    ScanFolders(folders_, settings_, [&](const QString &folder, const QString &name) {
        const int count = ++found;
        post([this, folder, name, count] {
            filesAdded_ = count;
            appendRow_(folder, name);
            runner()->setStatus(StatusText(StatusPhrase::AddedFiles(), count));
            runner()->setProgress(count % 100);
        });
        return !terminated();
    });
}

} // namespace qm
