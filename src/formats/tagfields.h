#pragma once

#include "formats/id3v1.h"
#include "formats/id3v2.h"
#include "formats/id3v2frames.h"

#include <QString>

#include <array>
#include <cstddef>

namespace qm {

// Where each tag field of the table is kept: its column, its place in the
// ID3v1 record or the Lyrics3 block, its ID3v2 frame and the TID3v2 member.
// Reading, writing and the options' lists all go by this one table.
struct TagFieldRow {
    const char16_t *column; // the table's column code ("Tit")
    // The ID3v1 or Lyrics3 text; null for the record's track and genre,
    // which are numbers there, and for the fields ID3v1 does not have.
    const QString &(TID3v1::*id3v1)() const;
    // How the field is set from a cell (a record field's setter keeps the
    // Lyrics3 long form in step); null for the track number, a number in
    // the record, and for the fields ID3v1 does not have.
    void (TID3v1::*id3v1Set)(const QString &);
    id3v2::Field id3v2; // the field's place in an ID3v2 tag's content
    const char *frame;  // the 2.3 frame the field is written to
    QString TID3v2::*member;
};

// The rows in the order of the options' ID3v2 read list. The ID3v1 lists
// are its first rows: the record's fields, then the Lyrics3 fields.
inline constexpr TagFieldRow kTagFields[] = {
    {u"Tit", &TID3v1::FGetTitle, &TID3v1::FSetTitle, id3v2::Title, "TIT2", &TID3v2::Title},
    {u"Trc", nullptr, nullptr, id3v2::TrackString, "TRCK", &TID3v2::TrackString},
    {u"Art", &TID3v1::FGetArtist, &TID3v1::FSetArtist, id3v2::Artist, "TPE1", &TID3v2::Artist},
    {u"Alb", &TID3v1::FGetAlbum, &TID3v1::FSetAlbum, id3v2::Album, "TALB", &TID3v2::Album},
    {u"Yea", &TID3v1::FGetYear, &TID3v1::FSetYear, id3v2::Year, "TYER", &TID3v2::Year},
    {u"Gen", nullptr, &TID3v1::FSetGenre, id3v2::Genre, "TCON", &TID3v2::Genre},
    {u"Com", &TID3v1::FGetComment, &TID3v1::FSetComment, id3v2::Comment, "COMM", &TID3v2::Comment},
    {u"Ope", &TID3v1::FGetExtArtist, &TID3v1::FSetExtArtist, id3v2::OrigArtist, "TOPE",
     &TID3v2::OrigArtist},
    {u"Tt1", &TID3v1::FGetExtTitle, &TID3v1::FSetExtTitle, id3v2::OrigTitle, "TIT1",
     &TID3v2::OrigTitle},
    {u"Oal", &TID3v1::FGetExtAlbum, &TID3v1::FSetExtAlbum, id3v2::OrigAlbum, "TOAL",
     &TID3v2::OrigAlbum},
    {u"Ory", &TID3v1::FGetComment2, &TID3v1::FSetComment2, id3v2::OrigYear, "TORY",
     &TID3v2::OrigYear},
    {u"Cop", &TID3v1::FGetLyricsAuthor, &TID3v1::FSetLyricsAuthor, id3v2::Copyright, "TCOP",
     &TID3v2::Copyright},
    {u"Slt", &TID3v1::FGetLyrics, &TID3v1::FSetLyrics, id3v2::Lyrics, "USLT", &TID3v2::Lyrics},
    {u"Cmp", nullptr, nullptr, id3v2::Composer, "TCOM", &TID3v2::Composer},
    {u"Enc", nullptr, nullptr, id3v2::Encoder, "TENC", &TID3v2::Encoder},
    {u"Lan", nullptr, nullptr, id3v2::Language, "TLAN", &TID3v2::Language},
    {u"Xxx", nullptr, nullptr, id3v2::Link, "WXXX", &TID3v2::Link},
};

inline constexpr int kTagFieldRows = int(std::size(kTagFields));
inline constexpr int kId3v1RecordRows = 7; // Tit .. Com
inline constexpr int kId3v1Rows = 13;      // with the Lyrics3 fields, Ope .. Slt

namespace detail {
constexpr std::array<int, id3v2::FieldCount> rowsOfId3v2Fields()
{
    std::array<int, id3v2::FieldCount> rows{};
    rows.fill(-1);
    for (int row = 0; row < kTagFieldRows; ++row)
        rows[kTagFields[row].id3v2] = row;
    return rows;
}
} // namespace detail

// The row of each ID3v2 field.
inline constexpr std::array<int, id3v2::FieldCount> kRowOfId3v2Field = detail::rowsOfId3v2Fields();

constexpr const TagFieldRow &tagFieldOf(id3v2::Field field)
{
    return kTagFields[kRowOfId3v2Field[field]];
}

static_assert(kTagFieldRows == id3v2::FieldCount);
static_assert(
    [] {
        for (int row : kRowOfId3v2Field)
            if (row < 0)
                return false;
        return true;
    }(),
    "every ID3v2 field has its row");

} // namespace qm
