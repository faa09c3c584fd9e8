#include "formats/id3v1.h"

#include "formats/codepage.h"
#include "formats/filechange.h"

namespace qm {

const char *const aTAG_MusicGenre[MAX_MUSIC_GENRES] = {"Blues",
                                                       "Classic Rock",
                                                       "Country",
                                                       "Dance",
                                                       "Disco",
                                                       "Funk",
                                                       "Grunge",
                                                       "Hip-Hop",
                                                       "Jazz",
                                                       "Metal",
                                                       "New Age",
                                                       "Oldies",
                                                       "Other",
                                                       "Pop",
                                                       "R&B",
                                                       "Rap",
                                                       "Reggae",
                                                       "Rock",
                                                       "Techno",
                                                       "Industrial",
                                                       "Alternative",
                                                       "Ska",
                                                       "Death Metal",
                                                       "Pranks",
                                                       "Soundtrack",
                                                       "Euro-Techno",
                                                       "Ambient",
                                                       "Trip-Hop",
                                                       "Vocal",
                                                       "Jazz+Funk",
                                                       "Fusion",
                                                       "Trance",
                                                       "Classical",
                                                       "Instrumental",
                                                       "Acid",
                                                       "House",
                                                       "Game",
                                                       "Sound Clip",
                                                       "Gospel",
                                                       "Noise",
                                                       "AlternRock",
                                                       "Bass",
                                                       "Soul",
                                                       "Punk",
                                                       "Space",
                                                       "Meditative",
                                                       "Instrumental Pop",
                                                       "Instrumental Rock",
                                                       "Ethnic",
                                                       "Gothic",
                                                       "Darkwave",
                                                       "Techno-Industrial",
                                                       "Electronic",
                                                       "Pop-Folk",
                                                       "Eurodance",
                                                       "Dream",
                                                       "Southern Rock",
                                                       "Comedy",
                                                       "Cult",
                                                       "Gangsta",
                                                       "Top 40",
                                                       "Christian Rap",
                                                       "Pop/Funk",
                                                       "Jungle",
                                                       "Native American",
                                                       "Cabaret",
                                                       "New Wave",
                                                       "Psychadelic",
                                                       "Rave",
                                                       "Showtunes",
                                                       "Trailer",
                                                       "Lo-Fi",
                                                       "Tribal",
                                                       "Acid Punk",
                                                       "Acid Jazz",
                                                       "Polka",
                                                       "Retro",
                                                       "Musical",
                                                       "Rock & Roll",
                                                       "Hard Rock",
                                                       "Folk",
                                                       "Folk-Rock",
                                                       "National Folk",
                                                       "Swing",
                                                       "Fast Fusion",
                                                       "Bebob",
                                                       "Latin",
                                                       "Revival",
                                                       "Celtic",
                                                       "Bluegrass",
                                                       "Avantgarde",
                                                       "Gothic Rock",
                                                       "Progressive Rock",
                                                       "Psychedelic Rock",
                                                       "Symphonic Rock",
                                                       "Slow Rock",
                                                       "Big Band",
                                                       "Chorus",
                                                       "Easy Listening",
                                                       "Acoustic",
                                                       "Humour",
                                                       "Speech",
                                                       "Chanson",
                                                       "Opera",
                                                       "Chamber Music",
                                                       "Sonata",
                                                       "Symphony",
                                                       "Booty Bass",
                                                       "Primus",
                                                       "Porn Groove",
                                                       "Satire",
                                                       "Slow Jam",
                                                       "Club",
                                                       "Tango",
                                                       "Samba",
                                                       "Folklore",
                                                       "Ballad",
                                                       "Power Ballad",
                                                       "Rhythmic Soul",
                                                       "Freestyle",
                                                       "Duet",
                                                       "Punk Rock",
                                                       "Drum Solo",
                                                       "A capella",
                                                       "Euro-House",
                                                       "Dance Hall",
                                                       "Goa",
                                                       "Drum & Bass",
                                                       "Club-House",
                                                       "Hardcore",
                                                       "Terror",
                                                       "Indie",
                                                       "BritPop",
                                                       "Negerpunk",
                                                       "Polsk Punk",
                                                       "Beat",
                                                       "Christian Gangsta Rap",
                                                       "Heavy Metal",
                                                       "Black Metal",
                                                       "Crossover",
                                                       "Contemporary Christian",
                                                       "Christian Rock",
                                                       "Merengue",
                                                       "Salsa",
                                                       "Thrash Metal",
                                                       "Anime",
                                                       "JPop",
                                                       "Synthpop"};

namespace {

constexpr char kTagId[] = "TAG";
constexpr char kLyricsBegin[] = "LYRICSBEGIN";
constexpr char kLyricsEnd[] = "LYRICS200";
constexpr int kLyricsBeginSize = 11;
constexpr int kFieldHeaderSize = 8;
constexpr int kMaxTail = TID3v1::kRecordSize + TID3v1::kMarkSize;

// Blanks and control characters (code 32 or less) are what the format pads
// and what writers leave around texts.
bool isPad(QChar ch) { return ch.unicode() <= 32; }

QString trimEnd(const QString &text)
{
    qsizetype n = text.size();
    while (n > 0 && isPad(text.at(n - 1)))
        --n;
    return text.left(n);
}

QString trimBoth(const QString &text)
{
    qsizetype from = 0;
    const qsizetype n = text.size();
    while (from < n && isPad(text.at(from)))
        ++from;
    return trimEnd(text.mid(from));
}

// A fixed-width record field: text up to the first zero byte (what follows a
// terminator is leftover from earlier writers), trailing padding removed.
QString recordText(QByteArrayView field)
{
    const qsizetype zero = field.indexOf('\0');
    if (zero >= 0)
        field = field.first(zero);
    return trimEnd(LegacyCodepage::decode(field));
}

// Digits only: signs, blanks and anything else make the field no number.
qint64 decimal(QByteArrayView digits)
{
    if (digits.isEmpty())
        return -1;
    qint64 value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

QByteArray digits(qint64 value, int width)
{
    return QByteArray::number(value).rightJustified(width, '0');
}

void putText(QByteArray &record, int offset, const QString &text, int width)
{
    const QByteArray bytes = LegacyCodepage::encode(text).left(width);
    std::copy(bytes.begin(), bytes.end(), record.begin() + offset);
}

} // namespace

TID3v1::TID3v1()
{
    ResetData();
    useLyrics2_ = true;
}

void TID3v1::ResetData()
{
    tagPresent_ = false;
    version_ = 1;
    title_.clear();
    artist_.clear();
    album_.clear();
    year_.clear();
    comment_.clear();
    track_ = 0;
    genreId_ = 255;
    lyrics2Present_ = false;
    lyrics2DataSize_ = 0;
    imageLinks_.clear();
    lyricsAuthor_.clear();
    lyrics_.clear();
    extArtist_.clear();
    extAlbum_.clear();
    extTitle_.clear();
    comment2_.clear();
    indications_.clear();
    lyrics2Rest_.clear();
}

// ---- setters and getters ----

namespace {
// The record holds 30 characters; a longer text also goes to its long form
// in the Lyrics3 block so nothing is lost.
void setWithLongForm(QString &member, QString &longForm, const QString &value)
{
    member = trimEnd(value);
    if (member.size() > 30)
        longForm = member;
    else
        longForm.clear();
}
} // namespace

void TID3v1::FSetTitle(const QString &value) { setWithLongForm(title_, extTitle_, value); }
void TID3v1::FSetArtist(const QString &value) { setWithLongForm(artist_, extArtist_, value); }
void TID3v1::FSetAlbum(const QString &value) { setWithLongForm(album_, extAlbum_, value); }
void TID3v1::FSetComment(const QString &value) { setWithLongForm(comment_, comment2_, value); }

void TID3v1::FSetYear(const QString &value) { year_ = trimEnd(value).left(4); }

void TID3v1::FSetGenre(const QString &value)
{
    // Letter case is ignored for the ASCII letters only, as in the record's
    // own world; a name with other characters must match exactly.
    const auto asciiUpper = [](QStringView text) {
        QString upper = text.toString();
        for (QChar &ch : upper)
            if (ch >= QLatin1Char('a') && ch <= QLatin1Char('z'))
                ch = QChar(ch.unicode() - 32);
        return upper;
    };
    const QString wanted = asciiUpper(value);
    genreId_ = 255;
    for (int i = 0; i < MAX_MUSIC_GENRES; ++i) {
        if (asciiUpper(QString::fromLatin1(aTAG_MusicGenre[i])) == wanted) {
            genreId_ = quint8(i);
            return;
        }
    }
}

QString TID3v1::FGetTrackString() const
{
    return track_ == 0 ? QString() : QString::number(track_);
}

QString TID3v1::FGetGenre() const
{
    return genreId_ < MAX_MUSIC_GENRES ? QString::fromLatin1(aTAG_MusicGenre[genreId_]) : QString();
}

int TID3v1::FGetLyrics2Size() const
{
    return lyrics2DataSize_ > 0 ? lyrics2DataSize_ + kMarkSize : 0;
}

int TID3v1::FGetTagSize() const { return FGetLyrics2Size() + (tagPresent_ ? kRecordSize : 0); }

bool TID3v1::FGetHasLyrics() const { return !trimBoth(lyrics_).isEmpty(); }

// ---- parsing ----

qint64 TID3v1::TailBytesNeeded(QByteArrayView last) const
{
    const qsizetype n = last.size();
    const bool record =
        tagPresent_ || (n >= kRecordSize && last.last(kRecordSize).startsWith(kTagId));
    if (!useLyrics2_)
        return kRecordSize;
    const int tail = record ? kMaxTail : kMarkSize;
    if (n < tail)
        return tail;
    const QByteArrayView mark = last.sliced(n - tail, kMarkSize);
    const qint64 size = mark.sliced(6) == QByteArrayView(kLyricsEnd) ? decimal(mark.first(6)) : -1;
    return size > 0 ? tail + size : tail;
}

void TID3v1::ParseTail(QByteArrayView end, bool readFields)
{
    const qsizetype n = end.size();
    if (n >= kRecordSize && end.last(kRecordSize).startsWith(kTagId)) {
        tagPresent_ = true;
        if (readFields) {
            const QByteArrayView r = end.last(kRecordSize);
            const uchar b125 = uchar(r[125]);
            const uchar b126 = uchar(r[126]);
            version_ = ((b125 == 0 && b126 != 0) || (b125 == 32 && b126 != 32)) ? 2 : 1;
            FSetTitle(recordText(r.sliced(3, 30)));
            FSetArtist(recordText(r.sliced(33, 30)));
            FSetAlbum(recordText(r.sliced(63, 30)));
            FSetYear(recordText(r.sliced(93, 4)));
            if (version_ == 1) {
                FSetComment(recordText(r.sliced(97, 30)));
            } else {
                FSetComment(recordText(r.sliced(97, 28)));
                track_ = b126;
            }
            genreId_ = uchar(r[127]);
        }
    }
    if (!useLyrics2_)
        return;

    const int tail = tagPresent_ ? kMaxTail : kMarkSize;
    if (n < tail)
        return;
    const QByteArrayView mark = end.sliced(n - tail, kMarkSize);
    if (mark.sliced(6) == QByteArrayView(kLyricsEnd))
        lyrics2DataSize_ = qint32(qMax<qint64>(0, decimal(mark.first(6))));
    if (lyrics2DataSize_ <= 0)
        return;
    // A block that would reach past the start of the file (or of what we
    // were given) is no block: its mark is a coincidence.
    if (lyrics2DataSize_ < kLyricsBeginSize || lyrics2DataSize_ > n - tail) {
        lyrics2Present_ = false;
        lyrics2DataSize_ = 0;
        return;
    }
    const QByteArrayView block = end.sliced(n - tail - lyrics2DataSize_, lyrics2DataSize_);
    if (!block.startsWith(kLyricsBegin)) {
        lyrics2Present_ = false;
        lyrics2DataSize_ = 0;
        return;
    }
    lyrics2Present_ = true;
    if (!readFields)
        return;

    // Fields are read only inside the block: a length that runs past its end
    // ends the list rather than taking bytes of the mark or the record.
    qsizetype pos = kLyricsBeginSize;
    while (pos + kFieldHeaderSize <= block.size()) {
        const QByteArrayView id = block.sliced(pos, 3);
        const qint64 length = decimal(block.sliced(pos + 3, 5));
        if (length < 0 || pos + kFieldHeaderSize + length > block.size())
            break;
        const QByteArrayView data = block.sliced(pos + kFieldHeaderSize, length);
        const qsizetype fieldStart = pos;
        pos += kFieldHeaderSize + length;
        if (id == "IND") {
            indications_ = data.toByteArray();
            continue;
        }
        const QString text = LegacyCodepage::decode(data);
        if (id == "LYR") {
            // Lone CRs become CR LF; CR LF pairs stay single.
            lyrics_ = trimBoth(text)
                          .replace(QLatin1Char('\r'), QLatin1String("\r\n"))
                          .replace(QLatin1String("\r\n\n"), QLatin1String("\r\n"));
        } else if (id == "INF") {
            comment2_ = trimBoth(text);
        } else if (id == "AUT") {
            lyricsAuthor_ = trimBoth(text);
        } else if (id == "EAL") {
            extAlbum_ = trimBoth(text);
        } else if (id == "EAR") {
            extArtist_ = trimBoth(text);
        } else if (id == "ETT") {
            extTitle_ = trimBoth(text);
        } else if (id == "IMG") {
            imageLinks_ = text;
        } else {
            pos = fieldStart;
            break;
        }
    }
    // Fields of other programs, and whatever follows them, are no less the
    // file's for being unknown here.
    lyrics2Rest_ = block.sliced(pos).toByteArray();
}

// ---- building ----

bool TID3v1::HasRecordFields() const
{
    return !title_.isEmpty() || !artist_.isEmpty() || !album_.isEmpty() || !comment_.isEmpty()
           || track_ > 0 || genreId_ != 255;
}

bool TID3v1::HasLyrics2Fields() const
{
    return !lyrics_.isEmpty() || !lyricsAuthor_.isEmpty() || !imageLinks_.isEmpty()
           || !extArtist_.isEmpty() || !extAlbum_.isEmpty() || !comment2_.isEmpty()
           || !extTitle_.isEmpty() || !lyrics2Rest_.isEmpty();
}

QByteArray TID3v1::BuildRecord() const { return HasRecordFields() ? RecordBytes() : QByteArray(); }

QByteArray TID3v1::RecordAfter(const QByteArray &block) const
{
    return block.isEmpty() ? BuildRecord() : RecordBytes();
}

QByteArray TID3v1::RecordBytes() const
{
    QByteArray record(kRecordSize, '\0');
    std::copy(kTagId, kTagId + 3, record.begin());
    putText(record, 3, trimEnd(title_), 30);
    putText(record, 33, trimEnd(artist_), 30);
    putText(record, 63, trimEnd(album_), 30);
    putText(record, 93, year_, 4);
    putText(record, 97, trimEnd(comment_), 30);
    if (track_ > 0) {
        record[125] = '\0';
        record[126] = char(track_);
    }
    record[127] = char(genreId_);
    return record;
}

bool TID3v1::BuildLyrics2Block(QByteArray *out) const
{
    out->clear();
    if (!useLyrics2_ || !HasLyrics2Fields())
        return true;
    QByteArray block(kLyricsBegin);
    QByteArray indications = indications_.size() >= 2 ? indications_ : QByteArray("00");
    indications[0] = lyrics_.isEmpty() ? '0' : '1';
    block += "IND";
    block += digits(indications.size(), 5);
    block += indications;
    const std::pair<const char *, const QString *> fields[] = {
        {"EAL", &extAlbum_},     {"EAR", &extArtist_}, {"ETT", &extTitle_},  {"INF", &comment2_},
        {"AUT", &lyricsAuthor_}, {"LYR", &lyrics_},    {"IMG", &imageLinks_}};
    for (const auto &[id, value] : fields) {
        if (trimBoth(*value).isEmpty())
            continue;
        const QByteArray bytes = LegacyCodepage::encode(*value);
        if (bytes.size() > kMaxLyrics2Field)
            return false;
        block += id;
        block += digits(bytes.size(), 5);
        block += bytes;
    }
    block += lyrics2Rest_;
    // Fields kept as they were may take the block past what its size
    // digits can state.
    if (block.size() > 999999)
        return false;
    block += digits(block.size(), 6);
    block += kLyricsEnd;
    *out = block;
    return true;
}

bool TID3v1::BuildTail(QByteArray *out) const
{
    if (!BuildLyrics2Block(out))
        return false;
    *out += RecordAfter(*out);
    return true;
}

// ---- files ----

bool TID3v1::ReadFromFile(const QString &fileName, FileStamp *stamp)
{
    ResetData();
    return ReadTag(fileName, true, stamp);
}

bool TID3v1::ReadTag(const QString &fileName, bool readFields, FileStamp *stamp)
{
    ReadOnlyFile file;
    const bool opened = file.open(fileName);
    if (stamp && !file.stamp(stamp))
        *stamp = FileStamp();
    return opened && ReadTagWith(file.reader(), file.size(), readFields);
}

bool TID3v1::ReadTagWith(const BlockReader &read, qint64 size, bool readFields)
{
    const qint64 first = qMin<qint64>(size, kMaxTail);
    QByteArray end;
    if (!read(size - first, first, &end) || end.size() != first)
        return false;
    const qint64 needed = TailBytesNeeded(end);
    if (needed > first && needed <= size
        && (!read(size - needed, needed, &end) || end.size() != needed))
        return false;
    ParseTail(end, readFields);
    return true;
}

bool TID3v1::PlanSave(const QString &fileName, FileChange *change) const
{
    // Build first: a tag that cannot be written leaves the file as it was.
    QByteArray block;
    if (!BuildLyrics2Block(&block))
        return false;
    ReadOnlyFile file;
    if (!file.open(fileName))
        return false;
    TID3v1 old = *this;
    old.tagPresent_ = false;
    old.lyrics2Present_ = false;
    old.lyrics2DataSize_ = 0;
    const qint64 size = file.size();
    if (!old.ReadTagWith(file.reader(), size, false))
        return false;
    const qint64 oldTail = (old.tagPresent_ ? kRecordSize : 0)
                           + (useLyrics2_ && old.lyrics2Present_ ? old.FGetLyrics2Size() : 0);
    // The new end replaces the old one; the audio in front of it is never
    // touched, whatever happens.
    change->fileName = fileName;
    change->offset = size - oldTail;
    change->newBytes = block + RecordAfter(block);
    change->oldSize = size;
    change->newSize = change->offset + change->newBytes.size();
    change->rewrite = false;
    return file.readUpTo(change->offset, oldTail, &change->oldBytes)
           && change->oldBytes.size() == oldTail && file.stamp(&change->planned)
           && change->planned.size == size;
}

bool TID3v1::SaveToFile(const QString &fileName, ChangeRecorder *recorder)
{
    return savePlanned(*this, fileName, recorder, &saveFailure_);
}

void TID3v1::NoteSaved(const FileChange &change)
{
    // The new tail is a Lyrics3 block, when there is one, and the record.
    tagPresent_ = true;
    lyrics2Present_ = change.newBytes.size() > kRecordSize;
    lyrics2DataSize_ =
        lyrics2Present_ ? qint32(change.newBytes.size() - kRecordSize - kMarkSize) : 0;
}

bool TID3v1::RemoveFromFile(const QString &fileName)
{
    tagPresent_ = false;
    lyrics2Present_ = false;
    lyrics2DataSize_ = 0;
    if (!ReadTag(fileName, false))
        return false;
    if (!tagPresent_ && !lyrics2Present_)
        return true;
    qint64 cut = tagPresent_ ? kRecordSize : 0;
    if (useLyrics2_ && lyrics2Present_)
        cut += FGetLyrics2Size();
    ReadWriteFile file;
    if (!makeWritable(fileName) || !file.open(fileName) || !file.resize(file.size() - cut))
        return false;
    tagPresent_ = false;
    lyrics2Present_ = false;
    lyrics2DataSize_ = 0;
    return true;
}

} // namespace qm
