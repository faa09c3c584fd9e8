#pragma once

#include <QByteArray>
#include <QString>

#include "formats/filechange.h"

namespace qm {

// Genre names of the ID3v1 genre byte. The spellings are part of the format
// (67 "Psychadelic" next to 93 "Psychedelic Rock"): they are matched and
// shown exactly as listed.
inline constexpr int MAX_MUSIC_GENRES = 148;
extern const char *const aTAG_MusicGenre[MAX_MUSIC_GENRES];

// The two blocks at the very end of an audio file: the 128-byte ID3v1 record
// (versions 1.0 and 1.1) and, just in front of it, an optional Lyrics3 v2
// block. Texts are 8-bit in the file and go through the legacy code page.
//
// Parsing and building work on bytes (ParseTail, BuildTail); the file
// operations around them read a few small blocks from the end of the file
// and write the new end in one go. No operation throws: every file operation
// reports any error by returning false.
//
// Lyrics3 v2 can only state a field length of 5 decimal digits. A field
// longer than 99999 bytes is not cut: building refuses the whole tag and
// SaveToFile returns false with the file left as it was, so no text is ever
// silently lost. (With every field within 5 digits the block size fits its 6
// digits, unless fields of other programs kept as they were add too much:
// that block is refused the same way.)
class TID3v1 {
public:
    static constexpr int kRecordSize = 128;
    static constexpr int kMarkSize = 15;           // 6 digits + "LYRICS200"
    static constexpr int kMaxLyrics2Field = 99999; // 5 decimal digits

    TID3v1();

    // *stamp, when given, gets the file's stamp as it was opened (its size
    // -1 when it could not be).
    bool ReadFromFile(const QString &fileName, FileStamp *stamp = nullptr);
    bool ReadTag(const QString &fileName, bool readFields, FileStamp *stamp = nullptr);
    // Replaces whatever record and Lyrics3 block the file ends with by the
    // ones built from the members, in one write at the old tag's place.
    // With a recorder, the change is recorded before the file is touched;
    // room for a grown tail is secured first. On false, FGetSaveFailure says
    // why when the write itself failed.
    bool SaveToFile(const QString &fileName, ChangeRecorder *recorder = nullptr);
    // The first half of SaveToFile, for callers that record the changes of
    // many files at once: plans the new tail without writing. applyChange
    // makes it; NoteSaved then updates the members as SaveToFile would have.
    bool PlanSave(const QString &fileName, FileChange *change) const;
    void NoteSaved(const FileChange &change);
    bool RemoveFromFile(const QString &fileName);
    void ResetData();

    // The members are set only through these. The record's texts drop
    // trailing blanks and control characters and keep a text of more than
    // 30 characters also as its Lyrics3 long form (emptied otherwise); the
    // year keeps 4 characters; the genre is looked up by name. The Lyrics3
    // fields and the presence switch are stored as given.
    void FSetTitle(const QString &value);
    void FSetArtist(const QString &value);
    void FSetAlbum(const QString &value);
    void FSetComment(const QString &value);
    void FSetYear(const QString &value);
    void FSetTrack(quint8 value) { track_ = value; }
    void FSetGenreID(quint8 value) { genreId_ = value; }
    void FSetGenre(const QString &value);
    void FSetExtTitle(const QString &value) { extTitle_ = value; }
    void FSetExtArtist(const QString &value) { extArtist_ = value; }
    void FSetExtAlbum(const QString &value) { extAlbum_ = value; }
    void FSetComment2(const QString &value) { comment2_ = value; }
    void FSetLyricsAuthor(const QString &value) { lyricsAuthor_ = value; }
    void FSetLyrics(const QString &value) { lyrics_ = value; }
    void FSetImageLinks(const QString &value) { imageLinks_ = value; }
    // Whether Lyrics3 v2 blocks are detected, read, removed and written; on
    // by default and not touched by ResetData.
    void FSetUseLyrics2(bool value) { useLyrics2_ = value; }

    bool FGetTagPresent() const { return tagPresent_; }
    quint8 FGetVersion() const { return version_; } // 1 = ID3v1.0, 2 = ID3v1.1
    const QString &FGetTitle() const { return title_; }
    const QString &FGetArtist() const { return artist_; }
    const QString &FGetAlbum() const { return album_; }
    const QString &FGetYear() const { return year_; } // at most 4 characters
    const QString &FGetComment() const { return comment_; }
    quint8 FGetTrack() const { return track_; }     // 0 = none
    quint8 FGetGenreID() const { return genreId_; } // 255 = none
    bool FGetLyrics2Present() const { return lyrics2Present_; }
    qint32 FGetLyrics2DataSize() const { return lyrics2DataSize_; } // the number in the end mark
    const QString &FGetImageLinks() const { return imageLinks_; }
    bool FGetUseLyrics2() const { return useLyrics2_; }
    const QString &FGetLyricsAuthor() const { return lyricsAuthor_; }
    const QString &FGetLyrics() const { return lyrics_; }
    const QString &FGetExtArtist() const { return extArtist_; }
    const QString &FGetExtAlbum() const { return extAlbum_; }
    const QString &FGetExtTitle() const { return extTitle_; }
    const QString &FGetComment2() const { return comment2_; }
    WriteFailure FGetSaveFailure() const { return saveFailure_; }

    QString FGetTrackString() const;
    QString FGetGenre() const;
    int FGetLyrics2Size() const;
    int FGetTagSize() const;
    bool FGetHasLyrics() const;

    // Reads the blocks from `end`, the last bytes of a file (the whole file
    // when it is short). A block that does not lie wholly inside `end` is
    // absent. Sets the two presence flags and the Lyrics3 size (never
    // clearing a flag already set) and, with readFields, the text members.
    void ParseTail(QByteArrayView end, bool readFields);
    // How many bytes from the end of the file ParseTail needs, judged from
    // the file's last (up to 143) bytes.
    qint64 TailBytesNeeded(QByteArrayView last) const;

    // The Lyrics3 block (when Lyrics3 is used and a long field is set) followed by
    // the record (when a field other than the year is set, and always after a
    // Lyrics3 block: readers find the block only in front of a record). False
    // when a Lyrics3 field is too long to be stated.
    bool BuildTail(QByteArray *out) const;
    QByteArray BuildRecord() const;
    bool BuildLyrics2Block(QByteArray *out) const;

    // Reads the tail through an already open file of the given size;
    // TMPEGaudio shares its handle this way.
    bool ReadTagWith(const BlockReader &read, qint64 fileSize, bool readFields);

private:
    // The record that follows `block`: forced when there is a block.
    QByteArray RecordAfter(const QByteArray &block) const;
    QByteArray RecordBytes() const;
    bool HasRecordFields() const;
    bool HasLyrics2Fields() const;

    bool tagPresent_;
    quint8 version_;
    QString title_;
    QString artist_;
    QString album_;
    QString year_;
    QString comment_;
    quint8 track_;
    quint8 genreId_;
    bool lyrics2Present_;
    qint32 lyrics2DataSize_;
    QString imageLinks_;
    bool useLyrics2_ = true;
    QString lyricsAuthor_;
    QString lyrics_;
    QString extArtist_;
    QString extAlbum_;
    QString extTitle_;
    QString comment2_;
    // The IND field as read: its first flag follows the lyrics written, the
    // others (timestamps in the lyrics, no random play) stay the file's.
    QByteArray indications_;
    // The Lyrics3 fields from the first one this reader does not take apart
    // (an id it does not know, a length that is no number) to the end of
    // the block, as they were read: a rebuilt block carries them on.
    QByteArray lyrics2Rest_;
    WriteFailure saveFailure_ = WriteFailure::None;
};

} // namespace qm
