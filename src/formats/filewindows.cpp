#include "formats/filewindows.h"

#include <algorithm>
#include <cstring>

namespace qm {

namespace {

QByteArray viewOf(const QByteArray &buffer, qint64 from, qint64 length)
{
    // A window holds less than asked for when the file was cut short after
    // it was opened: what lies past its bytes is not the file's.
    if (from >= buffer.size())
        return {};
    return QByteArray::fromRawData(buffer.constData() + from,
                                   std::min(length, buffer.size() - from));
}

// The head and end buffers of the last windows of this thread: a reader
// goes through files one after another, and the buffers of one serve the
// next without heap blocks of their own. Big ones are let go.
struct SpareBuffers {
    QByteArray head;
    QByteArray tail;
};
thread_local SpareBuffers spare;
constexpr qsizetype kMaxSpare = 64 * 1024;

void takeSpare(QByteArray &spareBuffer, QByteArray &buffer)
{
    buffer = std::move(spareBuffer);
    buffer.truncate(0);
}

void giveSpare(QByteArray &buffer, QByteArray &spareBuffer)
{
    if (buffer.isDetached() && buffer.capacity() <= kMaxSpare
        && buffer.capacity() > spareBuffer.capacity())
        spareBuffer = std::move(buffer);
}

} // namespace

FileWindows::FileWindows(ReadOnlyFile &file, qint64 tailSize, qint64 headSize)
    : file_(file), size_(file.size()), headSize_(headSize)
{
    tailAt_ = tailSize > 0 ? std::max<qint64>(0, size_ - tailSize) : size_;
    takeSpare(spare.head, head_);
    takeSpare(spare.tail, tail_);
}

FileWindows::~FileWindows()
{
    giveSpare(head_, spare.head);
    giveSpare(tail_, spare.tail);
}

bool FileWindows::inWindows(qint64 pos, qint64 length, QByteArray *out)
{
    if (!headRead_) {
        // A file whose end would overlap the head is read whole, at once.
        const qint64 headSize = tailAt_ <= headSize_ ? size_ : std::min(size_, headSize_);
        if (!file_.readUpTo(0, headSize, &head_))
            return false;
        headRead_ = true;
        if (tailAt_ < head_.size())
            tailAt_ = size_;
    }
    if (pos + length <= head_.size()) {
        *out = viewOf(head_, pos, length);
        return true;
    }
    if (pos >= tailAt_) {
        if (!tailRead_) {
            if (!file_.readUpTo(tailAt_, size_ - tailAt_, &tail_))
                return false;
            tailRead_ = true;
        }
        *out = viewOf(tail_, pos - tailAt_, length);
        return true;
    }
    for (qsizetype i = kept_.size() - 1; i >= 0; --i) {
        const qint64 at = keptAt_[i];
        if (pos >= at && pos + length <= at + kept_[i].size()) {
            *out = viewOf(kept_[i], pos - at, length);
            return true;
        }
    }
    return false;
}

bool FileWindows::fill(qint64 pos, qint64 length, QByteArray *buffer)
{
    buffer->resize(length);
    const qint64 fromHead = std::max<qint64>(0, std::min(length, head_.size() - pos));
    if (fromHead > 0)
        std::memcpy(buffer->data(), head_.constData() + pos, size_t(fromHead));
    qint64 got = 0;
    if (!file_.readInto(pos + fromHead, length - fromHead, buffer->data() + fromHead, &got)) {
        buffer->clear();
        return false;
    }
    buffer->resize(fromHead + got);
    return true;
}

bool FileWindows::read(qint64 pos, qint64 length, QByteArray *out)
{
    return readOrScan(pos, length, out, true);
}

bool FileWindows::scan(qint64 pos, qint64 length, QByteArray *out)
{
    return readOrScan(pos, length, out, false);
}

bool FileWindows::readOrScan(qint64 pos, qint64 length, QByteArray *out, bool keep)
{
    out->clear();
    if (pos < 0 || length < 0)
        return false;
    length = std::min(length, std::max<qint64>(0, size_ - pos));
    if (length == 0)
        return true;
    if (inWindows(pos, length, out))
        return true;
    if (!headRead_)
        return false;
    QByteArray *buffer = &scratch_;
    if (keep) {
        kept_.append(QByteArray());
        keptAt_.append(pos);
        buffer = &kept_.last();
    }
    if (!fill(pos, length, buffer)) {
        if (keep) {
            kept_.removeLast();
            keptAt_.removeLast();
        }
        return false;
    }
    *out = viewOf(*buffer, 0, length);
    return true;
}

void FileWindows::widenTail(qint64 tailSize)
{
    if (tailRead_ || tailAt_ == size_)
        return;
    const qint64 at = std::max<qint64>(0, size_ - tailSize);
    // The head may hold it already; a tail window starts past the head.
    if (at < tailAt_)
        tailAt_ = headRead_ && at < head_.size() ? head_.size() : at;
}

QByteArray FileWindows::heldFrom(qint64 pos) const
{
    if (pos < 0 || pos >= head_.size())
        return {};
    return viewOf(head_, pos, head_.size() - pos);
}

BlockReader FileWindows::reader()
{
    return [this](qint64 pos, qint64 length, QByteArray *out) { return read(pos, length, out); };
}

BlockReader FileWindows::scanner()
{
    return [this](qint64 pos, qint64 length, QByteArray *out) { return scan(pos, length, out); };
}

} // namespace qm
