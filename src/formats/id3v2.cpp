#include "formats/id3v2.h"

#include "formats/filewindows.h"
#include "formats/id3v2encoding.h"
#include "formats/id3v2frames.h"
#include "formats/tagfields.h"

#include <algorithm>
#include <optional>

namespace qm {
namespace {

// What the first bytes of a file say about its tag.
struct FileStart {
    qint64 fileSize = 0;
    id3v2::HeaderKind kind = id3v2::HeaderKind::None;
    id3v2::TagHeader header;
};

// False when the file cannot be read or is shorter than a tag header.
// *first holds the file's first bytes, up to a read block: the header, and
// with it the whole of most tags.
template <typename File>
bool readStart(File &file, FileStart &start, QByteArray *first, qint64 length = kReadBlockSize)
{
    if (!file.readUpTo(0, length, first) || first->size() < id3v2::HeaderSize)
        return false;
    start.fileSize = file.size();
    start.kind = id3v2::parseHeader(QByteArrayView(*first).first(id3v2::HeaderSize), start.header);
    if (start.kind == id3v2::HeaderKind::Tag && id3v2::announcesFooter(start.header)) {
        const qint64 at = id3v2::HeaderSize + start.header.bodySize;
        QByteArray footer = first->mid(at, 3);
        if (footer.size() < 3 && at < start.fileSize && !file.readUpTo(at, 3, &footer))
            return false;
        id3v2::settleFooter(start.header, footer);
    }
    return true;
}

// The tag body in the file, read as the frame walk asks for it: the frame
// headers and texts at the front of a tag usually come with the file's
// head, a frame past it comes with the header of the next one, and big
// frames without a field (pictures) and the padding are never read. Reads
// are views of what the reader handed out, not copies; every read stays
// alive with the FileBody, which the parsed fields (texts only) do not need.
class FileBody : public id3v2::BodySource {
public:
    // With `windows`, what `read` hands out stays valid without being kept
    // here, and what they hold already is served without asking them.
    FileBody(const BlockReader &read, qint64 size, FileWindows *windows)
        : read_(read), size_(size), windows_(windows)
    {}
    qint64 size() const override { return size_; }
    QByteArray read(qint64 at, qint64 length) override
    {
        if (at < 0 || at >= size_ || length <= 0)
            return {};
        length = std::min(length, size_ - at);
        if (!hasLast_ || at < lastAt_ || at + length > lastAt_ + last_.size()) {
            if (windows_)
                last_ = windows_->heldFrom(id3v2::HeaderSize + at);
            if ((!windows_ || last_.size() < length)
                && !read_(id3v2::HeaderSize + at, std::min(length + kFrameHeader, size_ - at),
                          &last_))
                return {};
            if (!windows_)
                kept_.append(last_);
            hasLast_ = true;
            lastAt_ = at;
        }
        const QByteArray &last = last_;
        const qint64 from = at - lastAt_;
        return QByteArray::fromRawData(last.constData() + from,
                                       std::max<qint64>(0, std::min(length, last.size() - from)));
    }
    // What the last read holds already (a frame header behind the data just
    // read, most often), without a read.
    QByteArrayView held(qint64 at, qint64 length) override
    {
        if (!hasLast_ || at < lastAt_ || length <= 0 || at + length > lastAt_ + last_.size()
            || at + length > size_)
            return {};
        return QByteArrayView(last_).sliced(at - lastAt_, length);
    }

private:
    static constexpr qint64 kFrameHeader = 10;
    const BlockReader &read_;
    qint64 size_;
    FileWindows *windows_;
    QByteArray last_;
    bool hasLast_ = false;
    QList<QByteArray> kept_; // the reads handed out, when they live here
    qint64 lastAt_ = 0;
};

// The whole body of the tag in `start`, from the first bytes or, for a tag
// bigger than those, from the file.
template <typename File>
bool readBody(File &file, const FileStart &start, const QByteArray &first, QByteArray &body)
{
    const qint64 end = id3v2::HeaderSize + start.header.bodySize;
    if (first.size() >= end)
        body = first.mid(id3v2::HeaderSize, start.header.bodySize);
    else if (!file.readUpTo(id3v2::HeaderSize, start.header.bodySize, &body))
        return false;
    return body.size() == start.header.bodySize;
}

// The bytes a new tag replaces at the start of the file: the old tag, or a
// broken header, which must not stay in front of the audio.
qint64 bytesToReplace(const FileStart &start)
{
    switch (start.kind) {
    case id3v2::HeaderKind::Tag:
        return start.header.totalSize;
    case id3v2::HeaderKind::Garbage:
        return id3v2::HeaderSize;
    default:
        return 0;
    }
}

// The tag's fields into the content read from its file; a field that keeps
// the text read keeps its frames.
void setFields(const TID3v2 &tag, id3v2::TagContent &content)
{
    for (const TagFieldRow &row : kTagFields)
        id3v2::setField(content, row.id3v2, tag.*row.member);
    // A number set without its text still reaches the tag.
    if (tag.TrackString.isEmpty() && tag.Track > 0)
        id3v2::setField(content, id3v2::TrackString, QString::number(tag.Track));
}

// The version a write gives the tag: 3 or 4 as asked; for 0, a 2.4 tag
// stays 2.4 and every other tag becomes 2.3.
quint8 writtenVersion(quint8 asked, quint8 readMajor)
{
    if (asked == 0)
        return readMajor == 4 ? 4 : 3;
    return asked == 4 ? 4 : 3;
}

quint8 writtenVersion(quint8 asked, const id3v2::TagContent &read)
{
    return writtenVersion(asked, read.major);
}

} // namespace

TID3v2::TID3v2() { ResetData(); }

void TID3v2::ResetData()
{
    TagPresent = false;
    MajorVersion = 0;
    TotalSize = 0;
    Track = 0;
    for (const TagFieldRow &row : kTagFields)
        (this->*row.member).clear();
}

bool TID3v2::ReadFromFile(const QString &fileName, FileStamp *stamp)
{
    ResetData();
    ReadOnlyFile file;
    const bool opened = file.open(fileName);
    if (stamp && !file.stamp(stamp))
        *stamp = FileStamp();
    FileWindows windows(file, 0);
    return opened && ReadTagWith(windows, file.size());
}

bool TID3v2::ReadTagWith(const BlockReader &read, qint64 fileSize)
{
    return ReadTagWith(read, fileSize, nullptr);
}

bool TID3v2::ReadTagWith(FileWindows &windows, qint64 fileSize)
{
    return ReadTagWith(windows.reader(), fileSize, &windows);
}

bool TID3v2::ReadTagWith(const BlockReader &read, qint64 fileSize, FileWindows *windows)
{
    ResetData();
    try {
        QByteArray head;
        if (fileSize < id3v2::HeaderSize || !read(0, id3v2::HeaderSize, &head)
            || head.size() < id3v2::HeaderSize)
            return false;
        id3v2::TagHeader header;
        if (id3v2::parseHeader(head, header) != id3v2::HeaderKind::Tag)
            return true;
        QByteArray footer;
        const qint64 bodyEnd = id3v2::HeaderSize + header.bodySize;
        if (id3v2::announcesFooter(header) && bodyEnd < fileSize && !read(bodyEnd, 3, &footer))
            return false;
        id3v2::settleFooter(header, footer);
        // A tag that claims more than the file holds is no tag to read or
        // to write over.
        if (header.totalSize > fileSize)
            return true;
        TagPresent = true;
        MajorVersion = header.major;
        TotalSize = header.totalSize;
        FileBody body(read, header.bodySize, windows);
        // UTF-16 text takes at most half the body's bytes in units; a room
        // for big tags would hold mostly pictures' worth of nothing.
        constexpr qint64 kMaxRoom = 32 * 1024;
        const qint64 units = std::min(header.bodySize / 2, kMaxRoom);
        if (ViewTexts && qint64(textUnits_.size()) < units)
            textUnits_.resize(size_t(units));
        std::optional<id3v2::TextRoom> room;
        if (ViewTexts)
            room.emplace(textUnits_.data(), std::min<qint64>(units, qint64(textUnits_.size())));
        id3v2::TagContent content = id3v2::parseTagFields(header, body);
        for (const TagFieldRow &row : kTagFields)
            this->*row.member = std::move(content.fields[row.id3v2]);
        Track = id3v2::trackNumber(TrackString);
        return true;
    } catch (...) {
        return false;
    }
}

bool TID3v2::PlanSave(const QString &fileName, FileChange *change) const
{
    try {
        ReadOnlyFile file;
        if (!file.open(fileName))
            return false;
        FileStart start;
        id3v2::TagContent content;
        QByteArray first;
        if (!readStart(file, start, &first))
            return false;
        QByteArray body;
        Refusal = id3v2::Damage::None;
        if (start.kind == id3v2::HeaderKind::Tag) {
            if (start.header.totalSize > start.fileSize) {
                Refusal = id3v2::Damage::BeyondFile;
                return false;
            }
            // Without the whole old tag its other frames could not be kept.
            if (!readBody(file, start, first, body))
                return false;
            content = id3v2::parseTag(start.header, body);
            // Frames that could not all be found would be lost.
            Refusal = content.damage;
            if (Refusal != id3v2::Damage::None)
                return false;
        }
        setFields(*this, content);
        const quint8 major = writtenVersion(WriteVersion, content);
        const QByteArray frames = id3v2::buildFrames(content, major);

        const bool inPlace = start.kind == id3v2::HeaderKind::Tag
                             && start.header.totalSize >= id3v2::HeaderSize + frames.size();
        const QByteArray tag = id3v2::buildTag(
            frames, inPlace ? start.header.totalSize : id3v2::paddedTotalSize(frames.size()),
            major);
        if (tag.isEmpty())
            return false;
        const qint64 replaced = bytesToReplace(start);
        change->fileName = fileName;
        change->offset = 0;
        if (replaced <= first.size()) {
            change->oldBytes = first.first(replaced);
        } else {
            // The body was read already; a footer behind it is read now.
            change->oldBytes = first.first(id3v2::HeaderSize) + body;
            QByteArray rest;
            if (change->oldBytes.size() < replaced
                && file.readUpTo(change->oldBytes.size(), replaced - change->oldBytes.size(),
                                 &rest))
                change->oldBytes += rest;
        }
        change->newBytes = tag;
        change->oldSize = start.fileSize;
        change->newSize = start.fileSize - replaced + tag.size();
        change->rewrite = !inPlace;
        return change->oldBytes.size() == replaced && file.stamp(&change->planned)
               && change->planned.size == start.fileSize;
    } catch (...) {
        return false;
    }
}

bool TID3v2::ReadForSave(const QString &fileName, SaveRead *read)
{
    ReadOnlyFile file;
    if (!file.open(fileName)) {
        *read = SaveRead();
        ResetData();
        return false;
    }
    return ReadForSave(file, fileName, read);
}

bool TID3v2::ReadForSave(ReadOnlyFile &file, const QString &fileName, SaveRead *read)
{
    *read = SaveRead();
    ResetData();
    if (!file.isOpen())
        return false;
    try {
        FileStart start;
        QByteArray first;
        // Most tags fit in the first 4 KiB: the rest of a block is read only
        // when the header says the tag goes on.
        if (!readStart(file, start, &first, kHeadSize)) {
            FileWindows windows(file, 0);
            return ReadTagWith(windows, file.size());
        }
        if (start.kind == id3v2::HeaderKind::Tag && start.header.totalSize > first.size()
            && first.size() == kHeadSize) {
            QByteArray rest;
            if (!file.readUpTo(kHeadSize, kReadBlockSize - kHeadSize, &rest))
                return false;
            first += rest;
        }
        const bool tag = start.kind == id3v2::HeaderKind::Tag;
        // A tag beyond the first bytes is read field by field, its pictures
        // unread, as ReadFromFile does; a save then reads the file itself.
        if (tag
            && (start.header.totalSize > start.fileSize || start.header.totalSize > first.size())) {
            FileWindows windows(file, 0);
            return ReadTagWith(windows, file.size());
        }
        if (tag) {
            read->writtenMajor = writtenVersion(WriteVersion, start.header.major);
            read->content = id3v2::parseTagFor(
                start.header,
                QByteArrayView(first).sliced(id3v2::HeaderSize, start.header.bodySize),
                read->writtenMajor);
            TagPresent = true;
            MajorVersion = start.header.major;
            TotalSize = start.header.totalSize;
            for (const TagFieldRow &row : kTagFields)
                this->*row.member = read->content.fields[row.id3v2];
            Track = id3v2::trackNumber(TrackString);
        }
        read->fileName = fileName;
        read->fileSize = start.fileSize;
        read->kind = start.kind;
        read->header = start.header;
        read->first = std::move(first);
        read->usable = file.stamp(&read->stamp);
        return true;
    } catch (...) {
        *read = SaveRead();
        return false;
    }
}

bool TID3v2::PlanSave(const QString &fileName, FileChange *change, SaveRead *read) const
{
    if (!read || !read->usable || read->fileName != fileName)
        return PlanSave(fileName, change);
    try {
        // The read's own content is rebuilt in place; a file without a tag
        // gets one from nothing.
        std::optional<id3v2::TagContent> none;
        Refusal = id3v2::Damage::None;
        if (read->kind == id3v2::HeaderKind::Tag) {
            // Frames that could not all be found would be lost.
            Refusal = read->content.damage;
            if (Refusal != id3v2::Damage::None)
                return false;
        } else {
            none.emplace();
        }
        id3v2::TagContent &content = none ? *none : read->content;
        const quint8 major = writtenVersion(WriteVersion, content);
        // The read kept the frames of another version's write.
        if (!none && major != read->writtenMajor)
            return PlanSave(fileName, change);
        setFields(*this, content);
        const QByteArray frames = id3v2::buildFrames(content, major);
        FileStart start;
        start.fileSize = read->fileSize;
        start.kind = read->kind;
        start.header = read->header;
        const bool inPlace = start.kind == id3v2::HeaderKind::Tag
                             && start.header.totalSize >= id3v2::HeaderSize + frames.size();
        const QByteArray tag = id3v2::buildTag(
            frames, inPlace ? start.header.totalSize : id3v2::paddedTotalSize(frames.size()),
            major);
        const qint64 replaced = bytesToReplace(start);
        if (tag.isEmpty() || replaced > read->first.size())
            return false;
        change->fileName = fileName;
        change->offset = 0;
        change->oldBytes = read->first.first(replaced);
        change->newBytes = tag;
        change->oldSize = start.fileSize;
        change->newSize = start.fileSize - replaced + tag.size();
        change->rewrite = !inPlace;
        change->planned = read->stamp;
        return change->planned.size == start.fileSize;
    } catch (...) {
        return false;
    }
}

bool TID3v2::SaveToFile(const QString &fileName, ChangeRecorder *recorder)
{
    return savePlanned(*this, fileName, recorder, &SaveFailure);
}

void TID3v2::NoteSaved(const FileChange &change)
{
    TagPresent = true;
    MajorVersion = change.newBytes.size() > 3 ? quint8(change.newBytes[3]) : 3;
    TotalSize = change.newBytes.size();
}

bool TID3v2::RemoveFromFile(const QString &fileName)
{
    try {
        FileStart start;
        {
            ReadOnlyFile file;
            QByteArray first;
            if (!file.open(fileName) || !readStart(file, start, &first))
                return false;
        }
        if (start.kind == id3v2::HeaderKind::None)
            return true;
        if (start.kind == id3v2::HeaderKind::Tag && start.header.totalSize > start.fileSize)
            return false;
        if (!makeWritable(fileName)
            || !rewriteFile(fileName, {}, bytesToReplace(start), &SaveFailure))
            return false;
        TagPresent = false;
        TotalSize = 0;
        return true;
    } catch (...) {
        return false;
    }
}

void TID3v2::FSetTitle(const QString &value) { Title = id3v2::trimmedField(value); }
void TID3v2::FSetArtist(const QString &value) { Artist = id3v2::trimmedField(value); }
void TID3v2::FSetAlbum(const QString &value) { Album = id3v2::trimmedField(value); }
void TID3v2::FSetTrack(quint16 value) { Track = value; }
void TID3v2::FSetYear(const QString &value) { Year = id3v2::trimmedField(value); }
void TID3v2::FSetGenre(const QString &value) { Genre = id3v2::trimmedField(value); }
void TID3v2::FSetComment(const QString &value) { Comment = id3v2::trimmedField(value); }
void TID3v2::FSetLyrics(const QString &value) { Lyrics = id3v2::trimmedField(value); }

} // namespace qm
