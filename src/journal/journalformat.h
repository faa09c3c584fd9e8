#pragma once

#include "formats/filechange.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace qm::journal {

// A job's journal is one file of records, each framed as
//   u32 magic "QMJR", u32 payload length, u8 type, payload, u32 CRC-32
// (little-endian; the CRC covers the type and the payload). Records are only
// appended; a crash can leave a torn last record, and reading stops at the
// first record that does not check out, so nothing after damage is ever
// acted on. The first record is the header.
// Version 2 hashes the blocks eight bytes a step; journals of version 1,
// left by a crash of an older program, are still read with their own hash.
// Version 3 adds Copy entries, version 4 the folders a job makes and
// removes.
inline constexpr quint16 kFormatVersion = 4;
inline constexpr quint16 kOldestFormatVersion = 1;
// Records larger than this are damage, not records.
inline constexpr quint32 kMaxRecordPayload = 64u << 20;
// The new bytes of a change are kept as one hash per block of the file (at
// multiples of kBlockSize in the file), which tells a torn write from
// someone else's change without keeping the new bytes themselves.
inline constexpr qint64 kBlockSize = 4096;

enum class EntryKind : quint8 {
    InPlace = 1, // bytes at an offset replaced, the file kept
    Rewrite = 2, // the file's start replaced by writing the file anew
    Rename = 3,  // `path` renamed to `newPath`
    // A temporary copy at `path`, made to take the name `newPath`; `before`
    // is the temporary as it was made, empty, and `oldSize` the size of the
    // whole copy.
    Copy = 4,
    MakeFolder = 5,   // the folder `path` made, empty
    RemoveFolder = 6, // the empty folder `path` removed
};

inline bool isFolderEntry(EntryKind kind)
{
    return kind == EntryKind::MakeFolder || kind == EntryKind::RemoveFolder;
}

struct Entry {
    quint32 id = 0;
    EntryKind kind = EntryKind::InPlace;
    QString path;
    QString newPath; // Rename and Copy only
    qint64 offset = 0;
    qint64 oldSize = 0;
    qint64 newSize = 0;
    FileStamp before; // the file when the change was planned
    QByteArray oldBytes;
    qint64 newLength = 0;
    QList<quint64> newHashes;             // of the new bytes, per block
    quint16 hashVersion = kFormatVersion; // the journal version that made the hashes
    // From the done marks that followed.
    bool done = false;
    bool made = false;
    FileStamp after; // the file once the change was made
};

struct JobLog {
    bool valid = false; // the header checked out
    quint16 version = 0;
    quint64 number = 0;
    qint64 startedMs = 0; // since the epoch, UTC
    QString kind;         // "write", "undo 12", ...
    QList<Entry> entries;
    bool closed = false; // every entry was settled
    bool undone = false;
    qint64 goodBytes = 0; // the length of the records that checked out
};

quint32 crc32(QByteArrayView bytes);
// The hash of a block as the journal of `version` keeps it.
quint64 blockHash(QByteArrayView bytes, quint16 version = kFormatVersion);
// The hashes of `bytes` placed at `offset` in a file, per block.
QList<quint64> blockHashes(qint64 offset, QByteArrayView bytes, quint16 version = kFormatVersion);

// The entry that records `change` (InPlace or Rewrite).
Entry entryFor(const FileChange &change, quint32 id);
Entry renameEntry(const QString &from, const QString &to, const FileStamp &stamp, quint32 id);
Entry folderEntry(EntryKind kind, const QString &folder, quint32 id);
Entry copyEntry(const QString &temporary, const QString &target, const FileStamp &made, qint64 size,
                quint32 id);

QByteArray headerRecord(quint64 number, qint64 startedMs, const QString &kind);
QByteArray entryRecord(const Entry &entry);
// The same record at the end of `out`, without a buffer of its own.
void appendEntryRecord(QByteArray &out, const Entry &entry);
struct DoneMark {
    quint32 id = 0;
    bool made = false;
    FileStamp after;
};
QByteArray doneRecord(const QList<DoneMark> &marks);
QByteArray closedRecord();
QByteArray undoneRecord();

// Everything the records that check out say. A done mark for an unknown
// entry, or a second entry of one id, is damage like a bad CRC: reading
// stops there.
JobLog parseJournal(QByteArrayView bytes);

} // namespace qm::journal
