#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <vector>

#include "formats/filechange.h"
#include "formats/id3v2frames.h"

namespace qm {

class FileWindows;

// The ID3v2 tag at the start of an audio file: read from versions 2.2, 2.3
// and 2.4 into 17 text fields and a track number, written back as 2.3 or
// 2.4 (WriteVersion). Frames that carry none of the fields (pictures,
// private frames, further comments, ...) are kept on writing, converted to
// the form of the version written.
//
// Every file operation returns false on failure and never throws; a file is
// never left without its audio.
class TID3v2 {
public:
    TID3v2();

    void ResetData();

    // False only when the file cannot be opened or holds fewer than 10
    // bytes. A file without a tag reads as true with TagPresent false, and
    // so does one whose header is broken (size bytes that are not syncsafe)
    // or claims more bytes than the file has.
    // *stamp, when given, gets the file's stamp as it was opened (its size
    // -1 when it could not be).
    bool ReadFromFile(const QString &fileName, FileStamp *stamp = nullptr);
    // The same through an already open file of the given size; TMPEGaudio
    // shares its reads this way. Reads the header, then what the frame walk
    // asks for, each frame with the header of the next.
    bool ReadTagWith(const BlockReader &read, qint64 fileSize);
    // The same from the windows of an open file, whose reads it need not keep.
    bool ReadTagWith(FileWindows &windows, qint64 fileSize);
    // Writes the fields as a tag of WriteVersion with the file's other frames: over the
    // old tag when it has room, otherwise by writing the whole file anew
    // beside the old one and renaming it over it, with padding to spare for
    // the next edit. A broken header is replaced; a file whose tag claims
    // more bytes than the file has, or holds bytes that are neither frames
    // nor padding, is left alone (false): rewriting would lose them.
    // With a recorder, the change is recorded before the file is touched.
    // On false, FGetSaveFailure says why when the write itself failed.
    bool SaveToFile(const QString &fileName, ChangeRecorder *recorder = nullptr);
    // The first half of SaveToFile, for callers that record the changes of
    // many files at once: reads the file and plans the bytes it gets, without
    // writing. applyChange makes the change; NoteSaved then updates the
    // members as SaveToFile would have.
    bool PlanSave(const QString &fileName, FileChange *change) const;
    // A file's start as ReadForSave read it, for PlanSave to plan from: a
    // writer that reads a tag, changes it and saves it takes the file once.
    struct SaveRead {
        QString fileName;
        bool usable = false; // false: PlanSave reads the file itself
        qint64 fileSize = 0;
        id3v2::HeaderKind kind = id3v2::HeaderKind::None;
        id3v2::TagHeader header;
        QByteArray first;          // the first bytes; the whole tag when there is one
        id3v2::TagContent content; // the whole tag parsed
        // The version whose write `content` keeps the frames for (only the
        // frames that write builds from are kept).
        quint8 writtenMajor = 0;
        FileStamp stamp;
    };
    // ReadFromFile that also keeps in *read what PlanSave needs when the
    // whole tag came with the first read (most tags).
    bool ReadForSave(const QString &fileName, SaveRead *read);
    // The same from `file`, open on `fileName`.
    bool ReadForSave(ReadOnlyFile &file, const QString &fileName, SaveRead *read);
    // PlanSave from what ReadForSave kept, when it is of this file and
    // usable; the file must not have changed in between. The parsed tag is
    // taken out of *read, which serves one plan.
    bool PlanSave(const QString &fileName, FileChange *change, SaveRead *read) const;
    void NoteSaved(const FileChange &change);
    WriteFailure FGetSaveFailure() const { return SaveFailure; }
    // Why the last plan refused to rewrite the tag: bytes of it that were not
    // understood and would be lost; None when it did not refuse for that.
    id3v2::Damage FGetRefusal() const { return Refusal; }
    // Takes the tag off the file (by the same safe rewrite); true also when
    // there was none.
    bool RemoveFromFile(const QString &fileName);

    bool FGetTagPresent() const { return TagPresent; }
    quint8 FGetMajorVersion() const { return MajorVersion; }
    // Bytes from the start of the file to the end of the tag (header,
    // frames, padding and footer); 0 without a usable tag.
    qint64 FGetTotalSize() const { return TotalSize; }

    QString FGetTitle() const { return Title; }
    QString FGetArtist() const { return Artist; }
    QString FGetAlbum() const { return Album; }
    quint16 FGetTrack() const { return Track; }
    QString FGetTrackString() const { return TrackString; }
    QString FGetYear() const { return Year; }
    QString FGetGenre() const { return Genre; }
    QString FGetComment() const { return Comment; }
    QString FGetComposer() const { return Composer; }
    QString FGetEncoder() const { return Encoder; }
    QString FGetCopyright() const { return Copyright; }
    QString FGetLanguage() const { return Language; }
    QString FGetLink() const { return Link; }
    QString FGetOrigArtist() const { return OrigArtist; }
    QString FGetOrigTitle() const { return OrigTitle; }
    QString FGetOrigAlbum() const { return OrigAlbum; }
    QString FGetOrigYear() const { return OrigYear; }
    QString FGetLyrics() const { return Lyrics; }

    // Each text setter trims characters of code 32 or less at both ends.
    void FSetTitle(const QString &value);
    void FSetArtist(const QString &value);
    void FSetAlbum(const QString &value);
    void FSetTrack(quint16 value);
    void FSetYear(const QString &value);
    void FSetGenre(const QString &value);
    void FSetComment(const QString &value);
    void FSetLyrics(const QString &value);

    // The members, read directly by the jobs. The setters trim; the write
    // job sets the texts of a row by kTagFields' member pointers with the
    // same trimming (id3v2::trimmedField), so the two agree.
    bool TagPresent = false;
    quint8 MajorVersion = 0;
    qint64 TotalSize = 0;
    QString Title;
    QString Artist;
    QString Album;
    quint16 Track = 0;
    QString TrackString;
    QString Year;
    QString Genre;
    QString Comment;
    QString Composer;
    QString Encoder;
    QString Copyright;
    QString Language;
    QString Link;
    QString OrigArtist;
    QString OrigTitle;
    QString OrigAlbum;
    QString OrigYear;
    QString Lyrics;
    WriteFailure SaveFailure = WriteFailure::None;
    // The version the saves write: 3 or 4, or 0 for the file's own (a 2.4
    // tag stays 2.4, any other becomes 2.3).
    quint8 WriteVersion = 3;
    // Set by the plans, which are const otherwise.
    mutable id3v2::Damage Refusal = id3v2::Damage::None;
    // Whether the reads leave UTF-16 texts as views of this object's own
    // buffer (no heap block a text), valid until its next read: for a
    // reader that makes cells of them at once and keeps no copy.
    bool ViewTexts = false;

private:
    bool ReadTagWith(const BlockReader &read, qint64 fileSize, FileWindows *windows);

    std::vector<char16_t> textUnits_; // the room of ViewTexts, kept from read to read
};

} // namespace qm
