#include "journal/journalformat.h"

#include "formats/pathcodec.h"

#include <QHash>
#include <QtEndian>

#include <algorithm>
#include <array>
#include <cstring>

namespace qm::journal {
namespace {

constexpr quint32 kMagic = 0x524a4d51; // "QMJR" read little-endian
constexpr qint64 kFrameBytes = 4 + 4 + 1 + 4;

enum RecordType : quint8 {
    Header = 'H',
    EntryRecord = 'E',
    Done = 'D',
    Closed = 'C',
    Undone = 'U',
};

// Eight tables, so the checksum takes eight bytes a step: a record carries
// a whole old tag, and the checksum is on the path of every write job.
using CrcTables = std::array<std::array<quint32, 256>, 8>;
constexpr CrcTables makeCrcTables()
{
    CrcTables tables{};
    for (quint32 i = 0; i < 256; ++i) {
        quint32 c = i;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? 0xedb88320u ^ (c >> 1) : c >> 1;
        tables[0][i] = c;
    }
    for (quint32 i = 0; i < 256; ++i) {
        for (size_t t = 1; t < 8; ++t)
            tables[t][i] = (tables[t - 1][i] >> 8) ^ tables[0][tables[t - 1][i] & 0xff];
    }
    return tables;
}
constexpr CrcTables kCrcTables = makeCrcTables();

// Builds a record at the end of a buffer: the frame's magic, length and
// type go in front of the payload when it is done, in room kept for them.
// Fields are stored through a pointer into room made once for the payload
// the caller expects (a record carries a whole old tag, and one is made for
// every file a job writes); a payload larger than expected only grows it.
class Writer {
public:
    explicit Writer(qsizetype payload = 0) : Writer(own_, payload) {}
    // Appends the record to `out`, which keeps what it held.
    Writer(QByteArray &out, qsizetype payload) : bytes_(out), start_(out.size())
    {
        used_ = start_ + kFrontSize;
        bytes_.resize(used_ + payload + 4);
    }
    void u8(quint8 v) { *room(1) = char(v); }
    void u16(quint16 v) { little(v, 2); }
    void u32(quint32 v) { little(v, 4); }
    void u64(quint64 v) { little(v, 8); }
    void i64(qint64 v) { little(quint64(v), 8); }
    void blob(QByteArrayView v)
    {
        u32(quint32(v.size()));
        if (!v.isEmpty())
            std::memcpy(room(v.size()), v.data(), size_t(v.size()));
    }
    void text(const QString &v) { blob(v.toUtf8()); }
    // A file's name as the bytes it has on disk.
    void path(const QString &v) { blob(encodeFileName(v)); }
    void stamp(const FileStamp &s)
    {
        u64(s.device);
        u64(s.inode);
        i64(s.size);
        i64(s.mtimeNs);
    }
    // Closes the record in the buffer; the buffer itself for a Writer of
    // its own.
    QByteArray record(quint8 type)
    {
        const quint32 length = quint32(used_ - start_ - kFrontSize);
        char *front = bytes_.data() + start_;
        for (int i = 0; i < 4; ++i) {
            front[i] = char((kMagic >> (8 * i)) & 0xff);
            front[4 + i] = char((length >> (8 * i)) & 0xff);
        }
        front[8] = char(type);
        u32(crc32(QByteArrayView(bytes_.constData() + start_ + 8, used_ - start_ - 8)));
        bytes_.resize(used_);
        return &bytes_ == &own_ ? std::move(own_) : QByteArray();
    }

private:
    static constexpr qsizetype kFrontSize = 9; // magic, length, type
    // `count` bytes of room at the end of the record, counted as used.
    char *room(qsizetype count)
    {
        if (bytes_.size() - used_ < count)
            bytes_.resize(std::max(bytes_.size() * 2, used_ + count));
        char *at = bytes_.data() + used_;
        used_ += count;
        return at;
    }
    void little(quint64 v, int count)
    {
        char *to = room(count);
        for (int i = 0; i < count; ++i)
            to[i] = char((v >> (8 * i)) & 0xff);
    }
    QByteArray own_;
    QByteArray &bytes_;
    qsizetype start_ = 0;
    qsizetype used_ = 0;
};

// Reads a payload; every read past its end fails the whole record.
class Reader {
public:
    explicit Reader(QByteArrayView bytes) : bytes_(bytes) {}
    bool ok() const { return ok_; }
    bool atEnd() const { return at_ == bytes_.size(); }
    quint64 little(int count)
    {
        if (!ok_ || bytes_.size() - at_ < count) {
            ok_ = false;
            return 0;
        }
        quint64 v = 0;
        for (int i = 0; i < count; ++i)
            v |= quint64(quint8(bytes_[at_ + i])) << (8 * i);
        at_ += count;
        return v;
    }
    quint8 u8() { return quint8(little(1)); }
    quint16 u16() { return quint16(little(2)); }
    quint32 u32() { return quint32(little(4)); }
    quint64 u64() { return little(8); }
    qint64 i64() { return qint64(little(8)); }
    QByteArray blob()
    {
        const quint32 size = u32();
        if (!ok_ || quint64(bytes_.size() - at_) < size) {
            ok_ = false;
            return {};
        }
        QByteArray v = bytes_.sliced(at_, size).toByteArray();
        at_ += size;
        return v;
    }
    QString text() { return QString::fromUtf8(blob()); }
    QString path() { return decodeFileName(blob()); }
    FileStamp stamp()
    {
        FileStamp s;
        s.device = u64();
        s.inode = u64();
        s.size = i64();
        s.mtimeNs = i64();
        return s;
    }

private:
    QByteArrayView bytes_;
    qsizetype at_ = 0;
    bool ok_ = true;
};

// The number of blocks a region of `length` bytes at `offset` touches.
qint64 blockCount(qint64 offset, qint64 length)
{
    if (length <= 0)
        return 0;
    return (offset + length - 1) / kBlockSize - offset / kBlockSize + 1;
}

bool readEntry(Reader &in, Entry &e)
{
    e.id = in.u32();
    const quint8 kind = in.u8();
    e.path = in.path();
    e.newPath = in.path();
    e.offset = in.i64();
    e.oldSize = in.i64();
    e.newSize = in.i64();
    e.before = in.stamp();
    e.oldBytes = in.blob();
    e.newLength = in.i64();
    const quint32 hashes = in.u32();
    const quint8 lastKind = e.hashVersion >= 4 ? 6 : e.hashVersion >= 3 ? 4 : 3;
    if (!in.ok() || kind < 1 || kind > lastKind || e.path.isEmpty())
        return false;
    e.kind = EntryKind(kind);
    // A region that makes no sense for its file is damage, whatever its CRC.
    if (e.offset < 0 || e.oldSize < 0 || e.newSize < 0 || e.newLength < 0
        || e.offset + e.oldBytes.size() > e.oldSize || e.offset > e.newSize - e.newLength
        || e.newLength > kMaxRecordPayload || qint64(hashes) != blockCount(e.offset, e.newLength))
        return false;
    e.newHashes.reserve(hashes);
    for (quint32 i = 0; i < hashes; ++i)
        e.newHashes.append(in.u64());
    return in.ok() && in.atEnd();
}

} // namespace

quint32 crc32(QByteArrayView bytes)
{
    const auto *p = reinterpret_cast<const quint8 *>(bytes.data());
    qsizetype left = bytes.size();
    quint32 c = 0xffffffffu;
    const auto &t = kCrcTables;
    for (; left >= 8; p += 8, left -= 8) {
        const quint32 low =
            c ^ (quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24);
        c = t[7][low & 0xff] ^ t[6][(low >> 8) & 0xff] ^ t[5][(low >> 16) & 0xff] ^ t[4][low >> 24]
            ^ t[3][p[4]] ^ t[2][p[5]] ^ t[1][p[6]] ^ t[0][p[7]];
    }
    for (; left > 0; ++p, --left)
        c = t[0][(c ^ *p) & 0xff] ^ (c >> 8);
    return c ^ 0xffffffffu;
}

quint64 blockHash(QByteArrayView bytes, quint16 version)
{
    // FNV-1a, 64 bits: stable across runs and machines, unlike qHash. From
    // version 2 on it takes eight bytes (little-endian) a step, then the
    // bytes left one by one; each step is a bijection of the state, so
    // blocks that differ in one word never meet.
    const auto *p = reinterpret_cast<const quint8 *>(bytes.data());
    qsizetype left = bytes.size();
    quint64 h = 0xcbf29ce484222325ull;
    if (version >= 2) {
        for (; left >= 8; p += 8, left -= 8) {
            h ^= qFromLittleEndian<quint64>(p);
            h *= 0x100000001b3ull;
        }
    }
    for (; left > 0; ++p, --left) {
        h ^= *p;
        h *= 0x100000001b3ull;
    }
    return h;
}

QList<quint64> blockHashes(qint64 offset, QByteArrayView bytes, quint16 version)
{
    QList<quint64> hashes;
    const qint64 count = blockCount(offset, bytes.size());
    hashes.reserve(count);
    qint64 at = 0;
    while (at < bytes.size()) {
        const qint64 end =
            std::min<qint64>(bytes.size(), ((offset + at) / kBlockSize + 1) * kBlockSize - offset);
        hashes.append(blockHash(bytes.sliced(at, end - at), version));
        at = end;
    }
    return hashes;
}

Entry entryFor(const FileChange &change, quint32 id)
{
    Entry e;
    e.id = id;
    e.kind = change.rewrite ? EntryKind::Rewrite : EntryKind::InPlace;
    e.path = change.fileName;
    e.offset = change.offset;
    e.oldSize = change.oldSize;
    e.newSize = change.newSize;
    e.before = change.planned;
    e.oldBytes = change.oldBytes;
    e.newLength = change.newBytes.size();
    e.newHashes = blockHashes(change.offset, change.newBytes);
    return e;
}

Entry renameEntry(const QString &from, const QString &to, const FileStamp &stamp, quint32 id)
{
    Entry e;
    e.id = id;
    e.kind = EntryKind::Rename;
    e.path = from;
    e.newPath = to;
    e.oldSize = e.newSize = stamp.size;
    e.before = stamp;
    return e;
}

Entry folderEntry(EntryKind kind, const QString &folder, quint32 id)
{
    Entry e;
    e.id = id;
    e.kind = kind;
    e.path = folder;
    return e;
}

Entry copyEntry(const QString &temporary, const QString &target, const FileStamp &made, qint64 size,
                quint32 id)
{
    Entry e;
    e.id = id;
    e.kind = EntryKind::Copy;
    e.path = temporary;
    e.newPath = target;
    e.oldSize = e.newSize = size;
    e.before = made;
    return e;
}

QByteArray headerRecord(quint64 number, qint64 startedMs, const QString &kind)
{
    Writer w;
    w.u16(kFormatVersion);
    w.u64(number);
    w.i64(startedMs);
    w.text(kind);
    return w.record(Header);
}

namespace {

void writeEntry(Writer &w, const Entry &e)
{
    w.u32(e.id);
    w.u8(quint8(e.kind));
    w.path(e.path);
    w.path(e.newPath);
    w.i64(e.offset);
    w.i64(e.oldSize);
    w.i64(e.newSize);
    w.stamp(e.before);
    w.blob(e.oldBytes);
    w.i64(e.newLength);
    w.u32(quint32(e.newHashes.size()));
    for (quint64 h : e.newHashes)
        w.u64(h);
    w.record(EntryRecord);
}

// The paths' bytes are about as many as their characters.
qsizetype entryPayload(const Entry &e)
{
    return 64 + 3 * (e.path.size() + e.newPath.size()) + e.oldBytes.size() + 8 * e.newHashes.size();
}

} // namespace

QByteArray entryRecord(const Entry &e)
{
    QByteArray record;
    appendEntryRecord(record, e);
    return record;
}

void appendEntryRecord(QByteArray &out, const Entry &e)
{
    Writer w(out, entryPayload(e));
    writeEntry(w, e);
}

QByteArray doneRecord(const QList<DoneMark> &marks)
{
    Writer w;
    w.u32(quint32(marks.size()));
    for (const DoneMark &m : marks) {
        w.u32(m.id);
        w.u8(m.made ? 1 : 0);
        w.stamp(m.after);
    }
    return w.record(Done);
}

QByteArray closedRecord() { return Writer().record(Closed); }

QByteArray undoneRecord() { return Writer().record(Undone); }

JobLog parseJournal(QByteArrayView bytes)
{
    JobLog log;
    QHash<quint32, qsizetype> index;
    qint64 at = 0;
    while (bytes.size() - at >= kFrameBytes) {
        Reader frame(bytes.sliced(at, 8));
        if (frame.u32() != kMagic)
            break;
        const quint32 length = frame.u32();
        if (length > kMaxRecordPayload || bytes.size() - at - kFrameBytes < qint64(length))
            break;
        const QByteArrayView typed = bytes.sliced(at + 8, 1 + length);
        Reader tail(bytes.sliced(at + 9 + length, 4));
        if (tail.u32() != crc32(typed))
            break;
        const quint8 type = quint8(typed[0]);
        Reader in(typed.sliced(1));
        bool good = true;
        if (!log.valid) {
            // Nothing counts before a header of a version this reader knows.
            log.version = in.u16();
            log.number = in.u64();
            log.startedMs = in.i64();
            log.kind = in.text();
            good = type == Header && in.ok() && in.atEnd() && log.version >= kOldestFormatVersion
                   && log.version <= kFormatVersion;
            log.valid = good;
        } else if (type == EntryRecord) {
            Entry e;
            e.hashVersion = log.version;
            good = !log.closed && readEntry(in, e) && !index.contains(e.id);
            if (good) {
                index.insert(e.id, log.entries.size());
                log.entries.append(e);
            }
        } else if (type == Done) {
            // All marks of a record or none.
            const quint32 count = in.u32();
            QList<DoneMark> marks;
            for (quint32 i = 0; good && i < count; ++i) {
                DoneMark m;
                m.id = in.u32();
                const quint8 made = in.u8();
                m.made = made == 1;
                m.after = in.stamp();
                good = in.ok() && made <= 1 && index.contains(m.id);
                marks.append(m);
            }
            good = good && in.ok() && in.atEnd();
            for (const DoneMark &m : marks) {
                if (!good)
                    break;
                Entry &e = log.entries[index.value(m.id)];
                e.done = true;
                e.made = m.made;
                e.after = m.after;
            }
        } else if (type == Closed || type == Undone) {
            good = in.atEnd();
            (type == Closed ? log.closed : log.undone) = good;
        } else {
            good = false;
        }
        if (!good)
            break;
        at += kFrameBytes + length;
        log.goodBytes = at;
    }
    if (!log.valid)
        log = JobLog();
    return log;
}

} // namespace qm::journal
