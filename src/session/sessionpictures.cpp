#include "session/session.h"

namespace qm {

void Session::changePictures(const QStringList &files, const PictureCommand &command)
{
    PictureCommand run = command;
    run.noJournal = run.noJournal || state_.noJournal;
    run.id3v2Version = quint8(options_.id3v2WriteVersion());
    auto job = std::make_shared<PictureJob>(files, run);
    const int total = int(files.size());
    runner_.start(JobKind::Update, job, [this, job, total] {
        // The files are as the job left them: a later write of their rows
        // must not take them for changed by another program.
        const auto stamped = stampRecorder();
        for (const QString &path : job->changedFiles()) {
            FileStamp stamp;
            if (readStamps_.contains(path) && stampOf(path, &stamp))
                stamped(path, stamp);
        }
        runner_.setStatus(PictureMessage::Done(job->changed(), total));
        runner_.setControlsEnabled(true);
        emit picturesChanged(job->changedFiles(), job->failures());
    });
}

} // namespace qm
