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
            if (stamped && readStamps_.contains(path) && stampOf(path, &stamp))
                stamped(Cell(), Cell(path), Cell(), stamp);
        }
        runner_.setStatus(PictureMessage::Done(job->changed(), total));
        runner_.setControlsEnabled(true);
        emit picturesChanged(job->changedFiles(), job->failures());
    });
}

void Session::pendPictures(const QStringList &files, const PictureCommand &command)
{
    PictureCommand run = command;
    run.id3v2Version = quint8(options_.id3v2WriteVersion());
    auto job = std::make_shared<PictureJob>(files, run, pendingPictures_, true);
    const int total = int(files.size());
    runner_.start(JobKind::Update, job, [this, job, total] {
        if (!job->edits().isEmpty()) {
            auto pending = pendingPictures_ ? std::make_shared<PendingPictures>(*pendingPictures_)
                                            : std::make_shared<PendingPictures>();
            for (auto it = job->edits().cbegin(); it != job->edits().cend(); ++it)
                pending->insert(it.key(), it.value());
            step([&] { setPendingPictures(std::move(pending)); });
        }
        runner_.setStatus(PictureMessage::Waiting(job->changed(), total));
        runner_.setControlsEnabled(true);
        emit picturesChanged(job->changedFiles(), job->failures());
    });
}

QList<pictures::PictureEdit> Session::pendingPictures(const QString &path) const
{
    return pendingPictures_ ? pendingPictures_->value(path) : QList<pictures::PictureEdit>();
}

void Session::setPendingPictures(std::shared_ptr<const PendingPictures> pending)
{
    if (pending == pendingPictures_)
        return;
    pendingPictures_ = std::move(pending);
    emit pendingPicturesChanged();
}

} // namespace qm
