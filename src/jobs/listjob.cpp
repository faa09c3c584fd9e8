#include "jobs/listjob.h"

#include "jobs/jobrunner.h"
#include "lists/listfile.h"

namespace qm {

TListReadJob::TListReadJob(RowTable &table, ListKind kind, QString path, Hooks hooks)
    : table_(table), kind_(kind), path_(std::move(path)), hooks_(std::move(hooks))
{}

void TListReadJob::execute()
{
    QStringList lines;
    if (!ReadListFile(path_, lines)) {
        synchronize([this] {
            if (hooks_.cannotOpen)
                hooks_.cannotOpen(path_);
        });
        return;
    }
    const int announced = ListReader::AnnouncedTagVersion(kind_, lines);
    post([this, announced] {
        reader_ = std::make_unique<ListReader>(table_, kind_, path_, hooks_.showColumn);
        if (announced != 0 && hooks_.showViews)
            hooks_.showViews(announced, false);
    });
    const qsizetype total = lines.size();
    for (qsizetype i = 0; i < total && !terminated(); ++i) {
        post([this, line = lines[i], done = i + 1, total] {
            if (ended_)
                return;
            const int before = reader_->filesAdded();
            ended_ = !reader_->readLine(line);
            if (reader_->filesAdded() != before)
                runner()->setStatus(StatusText(StatusPhrase::AddedFiles(), reader_->filesAdded()));
            runner()->setProgress(ProgressPercent(done, total));
        });
    }
    // Also after Stop: what was read stays and carries its views.
    post([this] {
        reader_->finish();
        table_.setCarried(reader_->carriedFileInfo(), reader_->carriedTagVersion());
        if (hooks_.showViews)
            hooks_.showViews(reader_->carriedTagVersion(), reader_->carriedFileInfo());
    });
}

} // namespace qm
