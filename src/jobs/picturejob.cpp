#include "jobs/picturejob.h"

#include "jobs/fileops.h"
#include "jobs/jobrunner.h"
#include "jobs/writemessage.h"
#include "journal/journal.h"
#include "lists/listfile.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>

namespace qm {

using pictures::Picture;
using pictures::PictureEdit;

QString PictureMessage::FileFault(pictures::FileFault fault)
{
    switch (fault) {
    case pictures::FileFault::Unreadable:
        return tr("Не удается прочитать файл");
    case pictures::FileFault::NotSupported:
        return tr("Файл не MP3, FLAC, Ogg Vorbis или Opus");
    case pictures::FileFault::Damaged:
        return tr("Теги файла повреждены или непонятны, картинки не изменены");
    case pictures::FileFault::TooLarge:
        return tr("Картинка не помещается в блок метаданных FLAC, картинки не изменены");
    case pictures::FileFault::None:
        break;
    }
    return {};
}

QString PictureMessage::NoFolderPicture()
{
    return tr("В папке файла нет картинки (cover.jpg, folder.jpg, front.jpg …)");
}

QString PictureMessage::NoSuchPicture() { return tr("В файле нет картинки с таким номером"); }

QString PictureMessage::CannotReadImage(const QString &path)
{
    return tr("Не удается прочитать картинку %1").arg(path);
}

QString PictureMessage::OutputIsSource()
{
    return tr("Картинку нельзя записать в файл, из которого она взята");
}

QString PictureMessage::NothingChanged() { return tr("Картинки не изменены"); }

QString PictureMessage::Done(int changed, int files)
{
    return tr("Картинки изменены в файлах: %1/%2").arg(changed).arg(files);
}

QString PictureMessage::Waiting(int changed, int files)
{
    return tr("Картинки ждут обновления в файлах: %1/%2").arg(changed).arg(files);
}

bool ReadFilePictures(const QString &path, QList<Picture> *found, QString *reason)
{
    pictures::FilePictures file;
    pictures::FileFault fault = pictures::FileFault::None;
    if (!file.read(path, &fault)) {
        *reason = PictureMessage::FileFault(fault);
        return false;
    }
    *found = file.list();
    return true;
}

bool WritePictureFile(const QString &source, const QString &output, const QByteArray &bytes,
                      QString *reason)
{
    if (SameFile(source, output)) {
        *reason = PictureMessage::OutputIsSource();
        return false;
    }
    if (!WriteWholeFile(output, bytes)) {
        *reason = qt_error_string(errno);
        return false;
    }
    return true;
}

bool PictureJob::pictureOf(const QString &image, Picture *picture, QString *reason)
{
    auto cached = images_.constFind(image);
    if (cached == images_.constEnd()) {
        Picture made;
        QString why;
        QFile file(image);
        QByteArray bytes;
        pictures::ImageInfo info;
        if (QFileInfo(image).size() > pictures::kMaxBytes)
            why = pictures::ImageText::TooManyBytes(QFileInfo(image).size());
        else if (!file.open(QIODevice::ReadOnly) || (bytes = file.readAll()).isEmpty())
            why = PictureMessage::CannotReadImage(image);
        else if (pictures::shrinkImage(bytes, command_.shrink, &made.data, &info, &why)) {
            made.mime = info.mime;
            made.width = quint32(info.width);
            made.height = quint32(info.height);
            made.depth = 24;
        }
        cached = images_.insert(image, {made, why});
    }
    *picture = cached->first;
    picture->type = command_.type;
    *reason = cached->second;
    return reason->isEmpty();
}

bool PictureJob::editsFor(const QString &path, const QList<Picture> &current,
                          QList<PictureEdit> *edits, QString *reason)
{
    switch (command_.kind) {
    case PictureCommand::SetImage:
    case PictureCommand::SetFromFolder: {
        const QString image = command_.kind == PictureCommand::SetImage
                                  ? command_.image
                                  : pictures::folderPicture(QFileInfo(path).absolutePath());
        if (image.isEmpty()) {
            *reason = PictureMessage::NoFolderPicture();
            return false;
        }
        PictureEdit edit;
        if (!pictureOf(image, &edit.picture, reason))
            return false;
        edits->append(edit);
        return true;
    }
    case PictureCommand::Remove:
        if (command_.removal.kind == PictureEdit::RemoveIndex
            && (command_.removal.index < 0 || command_.removal.index >= current.size())) {
            *reason = PictureMessage::NoSuchPicture();
            return false;
        }
        edits->append(command_.removal);
        return true;
    case PictureCommand::Shrink:
        for (qsizetype i = 0; i < current.size(); ++i) {
            pictures::ImageInfo info;
            QString why;
            PictureEdit edit{PictureEdit::ReplaceIndex, current[i], int(i)};
            // A picture that does not read as an image stays as it is.
            if (!pictures::probeImage(current[i].data, &info, &why)
                || std::max(info.width, info.height) <= command_.shrink.maxSide
                || !pictures::shrinkImage(current[i].data, command_.shrink, &edit.picture.data,
                                          &info, &why))
                continue;
            edit.picture.mime = info.mime;
            edit.picture.width = quint32(info.width);
            edit.picture.height = quint32(info.height);
            edits->append(edit);
        }
        return true;
    }
    return true;
}

void PictureJob::execute()
{
    std::unique_ptr<journal::JobJournal> journal;
    if (!command_.noJournal && !planOnly_) {
        QString why;
        journal = journal::JobJournal::start(QStringLiteral("picture"), &why);
        if (!journal) {
            const QString message = WriteMessage::JournalUnavailable(journal::journalFolder(), why);
            for (const QString &path : std::as_const(files_))
                failures_.append({path, message});
            return;
        }
    }
    const int total = int(files_.size());
    for (int at = 0; at < total && !terminated(); ++at) {
        const QString &path = files_[at];
        const auto fail = [&](const QString &message) { failures_.append({path, message}); };
        pictures::FilePictures file;
        file.setId3v2Version(command_.id3v2Version);
        pictures::FileFault fault = pictures::FileFault::None;
        QList<PictureEdit> edits;
        QString reason;
        if (!file.read(path, &fault)) {
            fail(PictureMessage::FileFault(fault));
            continue;
        }
        const QList<PictureEdit> waiting = pending_ ? pending_->value(path) : QList<PictureEdit>();
        for (const PictureEdit &edit : waiting)
            file.apply(edit);
        if (!editsFor(path, file.list(), &edits, &reason)) {
            fail(reason);
            continue;
        }
        bool changes = false;
        for (const PictureEdit &edit : std::as_const(edits))
            changes = file.apply(edit) || changes;
        if (planOnly_) {
            if (changes) {
                edits_.insert(path, waiting + edits);
                ++changed_;
                changedFiles_.append(path);
            }
            continue;
        }
        FileChange change;
        if (!file.plan(&change, &fault)) {
            fail(PictureMessage::FileFault(fault));
            continue;
        }
        if (change.isEmpty())
            continue;
        if (!change.rewrite)
            narrowChange(&change);
        std::unique_ptr<journal::JournalRecorder> recorder;
        if (journal)
            recorder = std::make_unique<journal::JournalRecorder>(*journal);
        WriteFailure failure = WriteFailure::None;
        if (!applyRecordedChange(change, recorder.get(), &failure)) {
            QString message = WriteMessage::Failure(failure);
            if (!message.isEmpty())
                message += QLatin1String(". ");
            fail(message + PictureMessage::NothingChanged());
            continue;
        }
        ++changed_;
        changedFiles_.append(path);
        post([this, changed = changed_, at, total] {
            runner()->setProgress(int(qint64(at + 1) * 100 / total));
            runner()->setStatus(PictureMessage::Done(changed, total));
        });
    }
    if (journal)
        journal->close();
}

} // namespace qm
