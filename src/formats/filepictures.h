#pragma once

// A file's pictures read from its metadata, edited, and planned as one
// change of its bytes for the jobs to make (and the journal to keep): the
// ID3v2 tag of an MP3 file, the metadata blocks of a FLAC file, the comment
// header of an Ogg Vorbis or Opus stream. The audio is never part of the
// change.

#include "formats/filechange.h"
#include "formats/flacmeta.h"
#include "formats/id3v2frames.h"
#include "formats/ogg.h"
#include "formats/pictures.h"

#include <QString>

#include <functional>

namespace qm::pictures {

enum class FileKind { None, Mp3, Flac, Ogg };

// Why a file's pictures cannot be read or written; the jobs give the texts.
enum class FileFault {
    None,
    Unreadable,   // the file cannot be opened or read
    NotSupported, // neither MP3 (an ID3v2 tag or MPEG audio at the start), FLAC nor Ogg
    Damaged,      // the ID3v2 tag holds bytes that would be lost, or the format's walk failed
    TooLarge,     // a picture larger than one FLAC metadata block holds
};

class FilePictures {
public:
    // Reads the metadata at the start of `fileName`; false with the reason.
    bool read(const QString &fileName, FileFault *fault);
    // Gives the first `length` bytes of the file read (fewer only at its
    // end).
    using HeadReader = std::function<bool(qint64 length, QByteArray *out)>;
    // The same through `readHead`, for a file of `size` bytes that stands
    // for `fileName` as it was at `stamp`: the bytes may be the file as a
    // change planned on it would leave it. Only as much is asked for as the
    // metadata takes.
    bool read(const QString &fileName, qint64 size, const FileStamp &stamp,
              const HeadReader &readHead, FileFault *fault);

    FileKind kind() const { return kind_; }
    QList<Picture> list() const;
    // The ID3v2 version a rebuilt tag gets: 3 or 4, or 0 to keep a 2.4 tag
    // 2.4 (any other becomes 2.3).
    void setId3v2Version(quint8 version) { id3v2Version_ = version; }
    // False when the edit changes nothing.
    bool apply(const PictureEdit &edit);
    // The change that gives the file the edited pictures, planned on the
    // file as read; an empty change when the edits left them as they were.
    // False with the reason when it cannot be written. A plan that needs
    // the whole file (an Ogg stream whose pages are renumbered) reads it
    // through `readAll` when given (the reader the file was read through),
    // else from disk.
    bool plan(FileChange *change, FileFault *fault, const HeadReader &readAll = {}) const;

private:
    bool readMp3(const HeadReader &readHead, const QByteArray &head, FileFault *fault);
    // An Ogg rewrite whose later pages are renumbered: the whole file.
    bool planRenumbered(const WritePlan &written, FileChange *change, FileFault *fault,
                        const HeadReader &readAll) const;

    QString fileName_;
    FileKind kind_ = FileKind::None;
    FileStamp stamp_;
    qint64 fileSize_ = 0;
    QByteArray head_; // the file's first bytes: the whole of its metadata
    bool edited_ = false;
    quint8 id3v2Version_ = 3;
    // Mp3
    bool hasTag_ = false;
    id3v2::TagHeader header_;
    id3v2::TagContent content_;
    // Flac
    flac::Metadata meta_;
    QList<flac::Block> blocks_; // as edited
    // Ogg
    ogg::StreamHeaders headers_;
    vorbis::Comment comment_; // as edited
};

} // namespace qm::pictures
