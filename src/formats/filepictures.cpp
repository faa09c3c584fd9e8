#include "formats/filepictures.h"

#include "formats/mpegaudio.h"

namespace qm::pictures {

namespace {

// Reads the first bytes a walk asks for until it is done; the walk is
// called with the bytes read so far.
template <typename WalkStep>
Walk walkHead(const FilePictures::HeadReader &readHead, qint64 size, QByteArray &head,
              WalkStep step)
{
    for (;;) {
        qint64 needed = 0;
        const Walk walk = step(QByteArrayView(head), &needed);
        if (walk != Walk::NeedMore)
            return walk;
        needed = std::min(needed, size);
        if (needed <= head.size() || !readHead(needed, &head))
            return Walk::Invalid;
        head.detach();
    }
}

bool fail(FileFault *fault, FileFault why)
{
    if (fault)
        *fault = why;
    return false;
}

// An MPEG audio frame header at the start of a file without a tag.
bool startsWithAudio(QByteArrayView head)
{
    return head.size() >= 2 && quint8(head[0]) == 0xFF && (quint8(head[1]) & 0xE0) == 0xE0;
}

} // namespace

bool FilePictures::read(const QString &fileName, FileFault *fault)
{
    ReadOnlyFile file;
    FileStamp stamp;
    if (!file.open(fileName) || !file.stamp(&stamp)) {
        *this = {};
        return fail(fault, FileFault::Unreadable);
    }
    return read(
        fileName, file.size(), stamp,
        [&file](qint64 length, QByteArray *out) { return file.readUpTo(0, length, out); }, fault);
}

bool FilePictures::read(const QString &fileName, qint64 size, const FileStamp &stamp,
                        const HeadReader &readHead, FileFault *fault)
{
    const quint8 version = id3v2Version_;
    *this = {};
    id3v2Version_ = version;
    fileName_ = fileName;
    stamp_ = stamp;
    fileSize_ = size;
    QByteArray head;
    if (!readHead(std::min(kReadBlockSize, size), &head))
        return fail(fault, FileFault::Unreadable);
    head.detach();
    if (head.startsWith("fLaC") || head.startsWith("ID3")) {
        Fault why = Fault::None;
        const Walk walk = walkHead(readHead, size, head, [&](QByteArrayView bytes, qint64 *needed) {
            return flac::parse(bytes, fileSize_, &meta_, needed, &why);
        });
        if (walk == Walk::Ok) {
            kind_ = FileKind::Flac;
            head_ = head;
            for (const flac::Block &block : meta_.blocks)
                if (block.type != flac::PaddingBlock)
                    blocks_.append(block);
            return true;
        }
        // Past an ID3v2 tag every fault but these comes after "fLaC" was
        // found: a FLAC file whose metadata is not understood, which must
        // not be taken for an MP3 file and get its picture in that tag.
        if (head.startsWith("fLaC")
            || (why != Fault::None && why != Fault::NotThisFormat && why != Fault::BrokenId3v2))
            return fail(fault, FileFault::Damaged);
    }
    if (head.startsWith("OggS")) {
        Fault why = Fault::None;
        const Walk walk = walkHead(readHead, size, head, [&](QByteArrayView bytes, qint64 *needed) {
            return ogg::parseHeaders(bytes, fileSize_, &headers_, needed, &why);
        });
        if (walk != Walk::Ok)
            return fail(fault,
                        why == Fault::NotThisFormat ? FileFault::NotSupported : FileFault::Damaged);
        kind_ = FileKind::Ogg;
        head_ = head;
        comment_ = headers_.comment;
        return true;
    }
    return readMp3(readHead, head, fault);
}

bool FilePictures::readMp3(const HeadReader &readHead, const QByteArray &head, FileFault *fault)
{
    const id3v2::HeaderKind kind = id3v2::parseHeader(
        QByteArrayView(head).first(std::min<qsizetype>(head.size(), id3v2::HeaderSize)), header_);
    if (kind == id3v2::HeaderKind::Garbage)
        return fail(fault, FileFault::Damaged);
    if (kind == id3v2::HeaderKind::None) {
        if (!startsWithAudio(head))
            return fail(fault, FileFault::NotSupported);
        kind_ = FileKind::Mp3;
        return true;
    }
    head_ = head;
    if (id3v2::announcesFooter(header_)) {
        const qint64 at = id3v2::HeaderSize + header_.bodySize;
        const qint64 wanted = std::min(at + 3, fileSize_);
        if (head_.size() < wanted && !readHead(wanted, &head_))
            return fail(fault, FileFault::Unreadable);
        id3v2::settleFooter(header_, QByteArrayView(head_).sliced(std::min(at, head_.size())));
    }
    if (header_.totalSize > fileSize_)
        return fail(fault, FileFault::Damaged);
    if (head_.size() < header_.totalSize && !readHead(header_.totalSize, &head_))
        return fail(fault, FileFault::Unreadable);
    head_.detach();
    head_.truncate(header_.totalSize);
    content_ =
        id3v2::parseTag(header_, QByteArrayView(head_).sliced(id3v2::HeaderSize, header_.bodySize));
    kind_ = FileKind::Mp3;
    hasTag_ = true;
    return true;
}

QList<Picture> FilePictures::list() const
{
    switch (kind_) {
    case FileKind::Mp3:
        return id3v2Pictures(content_);
    case FileKind::Flac: {
        flac::Metadata edited = meta_;
        edited.blocks = blocks_;
        return flacPictures(edited);
    }
    case FileKind::Ogg:
        return vorbis::pictures(comment_);
    case FileKind::None:
        break;
    }
    return {};
}

bool FilePictures::apply(const PictureEdit &edit)
{
    bool changed = false;
    switch (kind_) {
    case FileKind::Mp3:
        changed = editId3v2(content_, edit);
        break;
    case FileKind::Flac: {
        flac::Metadata edited = meta_;
        edited.blocks = blocks_;
        edited.comment = vorbis::Comment();
        for (const flac::Block &block : blocks_) {
            if (block.type == flac::VorbisCommentBlock)
                vorbis::parseComment(block.data, &edited.comment, nullptr, nullptr);
        }
        changed = editFlac(edited, edit, &blocks_);
        break;
    }
    case FileKind::Ogg:
        changed = editComment(comment_, edit);
        break;
    case FileKind::None:
        break;
    }
    edited_ = edited_ || changed;
    return changed;
}

bool FilePictures::plan(FileChange *change, FileFault *fault, const HeadReader &readAll) const
{
    *change = {};
    change->fileName = fileName_;
    change->oldSize = fileSize_;
    change->newSize = fileSize_;
    change->planned = stamp_;
    if (!edited_)
        return true;
    if (kind_ == FileKind::Mp3) {
        if (content_.damage != id3v2::Damage::None)
            return fail(fault, FileFault::Damaged);
        const quint8 major =
            id3v2Version_ == 0 ? (content_.major == 4 ? 4 : 3) : (id3v2Version_ == 4 ? 4 : 3);
        const QByteArray frames = id3v2::buildFrames(content_, major);
        const bool inPlace = hasTag_ && header_.totalSize >= id3v2::HeaderSize + frames.size();
        const QByteArray tag = id3v2::buildTag(
            frames, inPlace ? header_.totalSize : id3v2::paddedTotalSize(frames.size()), major);
        if (tag.isEmpty())
            return fail(fault, FileFault::Damaged);
        change->oldBytes = hasTag_ ? head_ : QByteArray();
        change->newBytes = tag;
        change->newSize = fileSize_ - change->oldBytes.size() + tag.size();
        change->rewrite = !inPlace;
        return true;
    }
    WritePlan written;
    Fault why = Fault::None;
    const bool planned = kind_ == FileKind::Flac
                             ? flac::planBlocks(meta_, blocks_, &written, &why)
                             : ogg::planWrite(headers_, comment_, &written, &why);
    if (!planned)
        return fail(fault, why == Fault::TagTooBig ? FileFault::TooLarge : FileFault::Damaged);
    if (written.sequenceShift != 0)
        return planRenumbered(written, change, fault, readAll);
    switch (written.kind) {
    case WritePlan::Unchanged:
        return true;
    case WritePlan::InPlace:
        change->offset = written.offset;
        change->oldBytes = head_.mid(written.offset, written.bytes.size());
        change->newBytes = written.bytes;
        return change->oldBytes.size() == written.bytes.size() || fail(fault, FileFault::Damaged);
    case WritePlan::Rewrite:
        change->oldBytes = head_.first(std::min<qint64>(head_.size(), written.audioFrom));
        change->newBytes = written.bytes;
        change->newSize = fileSize_ - written.audioFrom + written.bytes.size();
        change->rewrite = true;
        return change->oldBytes.size() == written.audioFrom || fail(fault, FileFault::Damaged);
    }
    return true;
}

bool FilePictures::planRenumbered(const WritePlan &written, FileChange *change, FileFault *fault,
                                  const HeadReader &readAll) const
{
    // The stream's later pages get new numbers: the whole file is new, and
    // it must still be the file that was read.
    QByteArray whole;
    if (readAll) {
        if (!readAll(fileSize_, &whole) || whole.size() != fileSize_)
            return fail(fault, FileFault::Unreadable);
    } else {
        ReadOnlyFile file;
        FileStamp now;
        if (!file.open(fileName_) || !file.stamp(&now) || !(now == stamp_)
            || !file.readUpTo(0, fileSize_, &whole) || whole.size() != fileSize_)
            return fail(fault, FileFault::Unreadable);
    }
    Fault why = Fault::None;
    if (!applyWritePlan(whole, written, &change->newBytes, &why))
        return fail(fault, FileFault::Damaged);
    change->oldBytes = whole;
    change->newSize = change->newBytes.size();
    change->rewrite = true;
    return true;
}

} // namespace qm::pictures
