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
// silently lost. (With every field within 5 digits the block size always fits
// its 6 digits, so no other limit can be hit.)
class TID3v1 {
public:
    static constexpr int kRecordSize = 128;
    static constexpr int kMarkSize = 15;           // 6 digits + "LYRICS200"
    static constexpr int kMaxLyrics2Field = 99999; // 5 decimal digits

    TID3v1();

    bool TagPresent;
    quint8 Version; // 1 = ID3v1.0, 2 = ID3v1.1
    QString Title;
    QString Artist;
    QString Album;
    QString Year; // at most 4 characters
    QString Comment;
    quint8 Track;   // 0 = none
    quint8 GenreID; // 255 = none
    bool Lyrics2Present;
    qint32 Lyrics2DataSize; // the number in the Lyrics3 end mark
    QString ImageLinks;
    bool UseLyrics2; // not touched by ResetData
    QString LyricsAuthor;
    QString Lyrics;
    QString ExtArtist;
    QString ExtAlbum;
    QString ExtTitle;
    QString Comment2;
    WriteFailure SaveFailure = WriteFailure::None;

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
    WriteFailure FGetSaveFailure() const { return SaveFailure; }
    bool RemoveFromFile(const QString &fileName);
    void ResetData();

    void FSetTitle(const QString &value);
    void FSetArtist(const QString &value);
    void FSetAlbum(const QString &value);
    void FSetComment(const QString &value);
    void FSetYear(const QString &value);
    void FSetTrack(quint8 value) { Track = value; }
    void FSetGenreID(quint8 value) { GenreID = value; }
    void FSetGenre(const QString &value);

    QString FGetTrackString() const;
    QString FGetGenre() const;
    int FGetLyrics2Size() const;
    int FGetTagSize() const;
    bool FGetHasLyrics() const;

    // Reads the blocks from `end`, the last bytes of a file (the whole file
    // when it is short). A block that does not lie wholly inside `end` is
    // absent. Sets TagPresent, Lyrics2Present and Lyrics2DataSize (never
    // clearing a flag already set) and, with readFields, the text members.
    void ParseTail(QByteArrayView end, bool readFields);
    // How many bytes from the end of the file ParseTail needs, judged from
    // the file's last (up to 143) bytes.
    qint64 TailBytesNeeded(QByteArrayView last) const;

    // The Lyrics3 block (when UseLyrics2 and a long field is set) followed by
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
};

} // namespace qm
