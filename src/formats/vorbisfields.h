#pragma once

#include "formats/id3v2frames.h"

#include <array>
#include <iterator>

namespace qm {

// The comment names each tag field of the table is read from and written to
// in FLAC, Ogg Vorbis and Opus files. A field is read from the first name
// of its row that the file has (several values of it joined by "/", as the
// ID3v2 code joins them) and written back under that name, or under the
// first name when the file has none. TRACKNUMBER (its first value) goes
// together with TRACKTOTAL (or TOTALTRACKS) as "3/12". Comments under other
// names are kept as they are, in their order.
struct VorbisFieldRow {
    id3v2::Field field;
    std::array<const char *, 2> names; // upper case; the second may be null
};

inline constexpr VorbisFieldRow kVorbisFields[] = {
    {id3v2::Title, {"TITLE", nullptr}},
    {id3v2::Artist, {"ARTIST", nullptr}},
    {id3v2::Album, {"ALBUM", nullptr}},
    {id3v2::TrackString, {"TRACKNUMBER", nullptr}},
    {id3v2::Year, {"DATE", "YEAR"}},
    {id3v2::Genre, {"GENRE", nullptr}},
    {id3v2::Comment, {"COMMENT", "DESCRIPTION"}},
    {id3v2::Composer, {"COMPOSER", nullptr}},
    {id3v2::Encoder, {"ENCODEDBY", nullptr}},
    {id3v2::Copyright, {"COPYRIGHT", nullptr}},
    {id3v2::Language, {"LANGUAGE", nullptr}},
    {id3v2::Link, {"WEBSITE", nullptr}},
    {id3v2::OrigYear, {"ORIGINALDATE", "ORIGINALYEAR"}},
    {id3v2::OrigArtist, {"ORIGINALARTIST", nullptr}},
    {id3v2::OrigTitle, {"ORIGINALTITLE", nullptr}},
    {id3v2::OrigAlbum, {"ORIGINALALBUM", nullptr}},
    {id3v2::Lyrics, {"LYRICS", "UNSYNCEDLYRICS"}},
};

// The names that carry the track count beside TRACKNUMBER.
inline constexpr std::array<const char *, 2> kTrackTotalNames = {"TRACKTOTAL", "TOTALTRACKS"};

static_assert(std::size(kVorbisFields) == id3v2::FieldCount);
static_assert(
    [] {
        for (int i = 0; i < id3v2::FieldCount; ++i)
            if (kVorbisFields[i].field != i)
                return false;
        return true;
    }(),
    "the rows are in field order");

} // namespace qm
