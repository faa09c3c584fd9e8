#pragma once

#include "formats/filepictures.h"
#include "jobs/job.h"
#include "jobs/picturestep.h"
#include "pictures/pictureimage.h"

#include <QCoreApplication>
#include <QString>
#include <QStringList>

namespace qm {

// What a picture command does to each of its files.
struct PictureCommand {
    enum Kind {
        SetImage,      // `image` becomes the picture of `type`
        SetFromFolder, // the file's folder picture becomes the picture of `type`
        Remove,        // `removal` (RemoveIndex, RemoveType or RemoveAll)
        Shrink,        // every picture larger than shrink.maxSide scaled down
    };
    Kind kind = SetImage;
    QString image;
    quint32 type = pictures::kFrontCover;
    pictures::PictureEdit removal;
    // SetImage and SetFromFolder: a limit scales the new picture down;
    // without one its bytes go in as they are.
    pictures::ShrinkOptions shrink;
    // The version an ID3v2 tag is written in (see FilePictures).
    quint8 id3v2Version = 3;
    // The files are written without the journal (quillmark-cli --no-journal).
    bool noJournal = false;
};

// A file the job did not change as asked, and why.
struct PictureFailure {
    QString path;
    QString message;
};

// Texts of the picture commands, in the user's language.
class PictureMessage {
    Q_DECLARE_TR_FUNCTIONS(qm::PictureMessage)
public:
    static QString FileFault(pictures::FileFault fault);
    static QString NoFolderPicture();
    static QString NoSuchPicture();
    static QString CannotReadImage(const QString &path);
    static QString OutputIsSource();
    static QString NothingChanged();
    static QString Done(int changed, int files);
    static QString Waiting(int changed, int files);
};

// Reads the pictures of a file: false with the reason.
bool ReadFilePictures(const QString &path, QList<pictures::Picture> *found, QString *reason);

// Writes `bytes`, a picture taken out of `source`, to the file `output` (see
// WriteWholeFile): false with the reason. Never over `source` itself, by
// whatever name it is given (a link, another path, a hard link): the music
// would be replaced by its picture.
bool WritePictureFile(const QString &source, const QString &output, const QByteArray &bytes,
                      QString *reason);

// Changes the pictures of `files` by `command`, on the job's thread, each
// change kept in a journal of its own job first (undo puts the old pictures
// back byte for byte). A file is touched only when its pictures change.
//
// With `planOnly`, nothing is written: edits() gives what each file's
// pictures would become, for the update to write. `pending`, the edits
// already waiting for the files, come first.
class PictureJob : public Job {
public:
    PictureJob(QStringList files, PictureCommand command,
               std::shared_ptr<const PendingPictures> pending = {}, bool planOnly = false)
        : files_(std::move(files)), command_(std::move(command)), pending_(std::move(pending)),
          planOnly_(planOnly)
    {}
    JobClass jobClass() const override { return JobClass::Update; }

    // Read on the runner's thread once the job has ended.
    const QList<PictureFailure> &failures() const { return failures_; }
    int changed() const { return changed_; }
    // The files changed, in order.
    const QStringList &changedFiles() const { return changedFiles_; }
    // planOnly: the edits of each file whose pictures would change.
    const PendingPictures &edits() const { return edits_; }

protected:
    void execute() override;

private:
    // The edits for one file whose pictures are `current`, or a reason.
    bool editsFor(const QString &path, const QList<pictures::Picture> &current,
                  QList<pictures::PictureEdit> *edits, QString *reason);
    // The picture of an image file, checked and scaled by the command,
    // cached by path.
    bool pictureOf(const QString &image, pictures::Picture *picture, QString *reason);

    QStringList files_;
    PictureCommand command_;
    std::shared_ptr<const PendingPictures> pending_;
    bool planOnly_ = false;
    PendingPictures edits_;
    QList<PictureFailure> failures_;
    QStringList changedFiles_;
    int changed_ = 0;
    QHash<QString, std::pair<pictures::Picture, QString>> images_;
};

} // namespace qm
