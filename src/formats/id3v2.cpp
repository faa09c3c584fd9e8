#include "formats/id3v2.h"

namespace qm {
namespace {

// Characters of code 32 or less are what the fields trim at both ends.
QString trimmedText(const QString &value)
{
    qsizetype begin = 0;
    qsizetype end = value.size();
    while (begin < end && value.at(begin).unicode() <= 32)
        ++begin;
    while (end > begin && value.at(end - 1).unicode() <= 32)
        --end;
    return value.mid(begin, end - begin);
}

} // namespace

TID3v2::TID3v2()
{
    ResetData();
}

void TID3v2::ResetData()
{
    TagPresent = false;
    MajorVersion = 0;
    TotalSize = 0;
    Track = 0;
    for (QString *text : {&Title, &Artist, &Album, &TrackString, &Year, &Genre, &Comment,
                          &Composer, &Encoder, &Copyright, &Language, &Link, &OrigArtist,
                          &OrigTitle, &OrigAlbum, &OrigYear, &Lyrics})
        text->clear();
}

bool TID3v2::ReadFromFile(const QString &)
{
    ResetData();
    return false;
}

bool TID3v2::SaveToFile(const QString &)
{
    return false;
}

bool TID3v2::RemoveFromFile(const QString &)
{
    return false;
}

void TID3v2::FSetTitle(const QString &value) { Title = trimmedText(value); }
void TID3v2::FSetArtist(const QString &value) { Artist = trimmedText(value); }
void TID3v2::FSetAlbum(const QString &value) { Album = trimmedText(value); }
void TID3v2::FSetTrack(quint16 value) { Track = value; }
void TID3v2::FSetTrackString(const QString &value) { TrackString = trimmedText(value); }
void TID3v2::FSetYear(const QString &value) { Year = trimmedText(value); }
void TID3v2::FSetGenre(const QString &value) { Genre = trimmedText(value); }
void TID3v2::FSetComment(const QString &value) { Comment = trimmedText(value); }
void TID3v2::FSetComposer(const QString &value) { Composer = trimmedText(value); }
void TID3v2::FSetEncoder(const QString &value) { Encoder = trimmedText(value); }
void TID3v2::FSetCopyright(const QString &value) { Copyright = trimmedText(value); }
void TID3v2::FSetLanguage(const QString &value) { Language = trimmedText(value); }
void TID3v2::FSetLink(const QString &value) { Link = trimmedText(value); }
void TID3v2::FSetOrigArtist(const QString &value) { OrigArtist = trimmedText(value); }
void TID3v2::FSetOrigTitle(const QString &value) { OrigTitle = trimmedText(value); }
void TID3v2::FSetOrigAlbum(const QString &value) { OrigAlbum = trimmedText(value); }
void TID3v2::FSetOrigYear(const QString &value) { OrigYear = trimmedText(value); }
void TID3v2::FSetLyrics(const QString &value) { Lyrics = trimmedText(value); }

} // namespace qm
