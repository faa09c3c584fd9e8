#include "journal/journalformat.h"
#include "journal/recovery.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>

namespace qm::journal {
namespace {

QByteArray pattern(qint64 size, char seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (qint64 i = 0; i < size; ++i)
        bytes[i] = char(seed + i * 7 + i / 4096);
    return bytes;
}

FileChange change(qint64 offset, const QByteArray &oldBytes, const QByteArray &newBytes,
                  qint64 oldSize)
{
    FileChange c;
    c.fileName = QStringLiteral("/music/a.mp3");
    c.offset = offset;
    c.oldBytes = oldBytes;
    c.newBytes = newBytes;
    c.oldSize = oldSize;
    c.newSize = oldSize - oldBytes.size() + newBytes.size();
    c.planned = FileStamp{1, 42, oldSize, 7, 0};
    return c;
}

// A journal cut anywhere, or damaged anywhere, yields only the records
// wholly before the damage: never a partial entry, never a done mark for
// an entry that is not there.
// The standard CRC-32 check value, and lengths around the eight-byte steps,
// so journals stay readable by any CRC-32 implementation.
TEST(JournalFormat, ChecksumIsTheStandardCrc32)
{
    EXPECT_EQ(journal::crc32("123456789"), 0xcbf43926u);
    const QByteArray text("The quick brown fox jumps over the lazy dog");
    EXPECT_EQ(journal::crc32(text), 0x414fa339u);
    EXPECT_EQ(journal::crc32(""), 0u);
}

TEST(JournalFormat, DamageHidesEverythingFromItOn)
{
    const QByteArray header = headerRecord(3, 1000, QStringLiteral("write"));
    const QByteArray e1 =
        entryRecord(entryFor(change(0, pattern(9000, 'a'), pattern(9000, 'b'), 50000), 1));
    const QByteArray e2 =
        entryRecord(entryFor(change(800, pattern(128, 'c'), pattern(300, 'd'), 928), 2));
    const QByteArray done = doneRecord({{1, true, FileStamp{1, 42, 50000, 9, 0}}});
    const QByteArray all = header + e1 + e2 + done + closedRecord();

    const JobLog whole = parseJournal(all);
    ASSERT_TRUE(whole.valid);
    EXPECT_EQ(whole.number, 3u);
    EXPECT_EQ(whole.kind, QStringLiteral("write"));
    ASSERT_EQ(whole.entries.size(), 2);
    EXPECT_TRUE(whole.entries[0].made);
    EXPECT_EQ(whole.entries[0].after.mtimeNs, 9);
    EXPECT_EQ(whole.entries[1].oldBytes, pattern(128, 'c'));
    EXPECT_EQ(whole.entries[1].newSize, 1100);
    EXPECT_TRUE(whole.closed);

    const qint64 ends[] = {header.size(), header.size() + e1.size(),
                           header.size() + e1.size() + e2.size(),
                           all.size() - closedRecord().size(), all.size()};
    auto recordsBefore = [&](qint64 at) {
        return int(std::upper_bound(std::begin(ends), std::end(ends), at) - std::begin(ends));
    };
    for (qint64 cut = 0; cut <= all.size(); cut += cut < 200 ? 1 : 97) {
        const JobLog log = parseJournal(QByteArrayView(all).first(cut));
        const int records = recordsBefore(cut);
        ASSERT_EQ(log.valid, records >= 1) << cut;
        EXPECT_EQ(log.entries.size(), std::clamp(records - 1, 0, 2)) << cut;
        EXPECT_EQ(log.closed, records == 5) << cut;
        if (log.valid) {
            EXPECT_EQ(log.goodBytes, ends[records - 1]) << cut;
        }
    }
    for (qint64 at = 0; at < all.size(); at += at < 100 ? 1 : 61) {
        QByteArray damaged = all;
        damaged[at] = char(damaged[at] ^ 0x20);
        const JobLog log = parseJournal(damaged);
        const int records = recordsBefore(at);
        EXPECT_EQ(log.valid, records >= 1) << at;
        EXPECT_EQ(log.entries.size(), std::clamp(records - 1, 0, 2)) << at;
        if (records < 4 && !log.entries.isEmpty()) {
            EXPECT_FALSE(log.entries[0].done) << at;
        }
    }
}

// Decisions on a file's bytes after a change of a region of the file was
// cut short, or made, or followed by someone else's edit.
// The header's version goes with every entry, so that recovery checks the
// new bytes with the hash that journal used; unknown versions are not read,
// nor an entry of a kind its version did not have.
TEST(JournalFormat, EntriesKeepTheirJournalsVersion)
{
    const FileChange ch = change(0, pattern(10, 'o'), pattern(5000, 'n'), 20000);
    EXPECT_NE(blockHashes(0, ch.newBytes, 1), blockHashes(0, ch.newBytes, 2));
    const QByteArray copy = entryRecord(copyEntry(QStringLiteral("/music/.quillmark-Ab12Cd"),
                                                  QStringLiteral("/music/b.mp3"), {}, 900, 2));
    for (const quint16 version : {quint16(1), quint16(2), quint16(3), quint16(4)}) {
        QByteArray header = headerRecord(3, 1000, QStringLiteral("write"));
        header[9] = char(version); // the payload's u16 version, little-endian
        header.chop(4);
        const quint32 crc = crc32(QByteArrayView(header).sliced(8));
        for (int i = 0; i < 4; ++i)
            header.append(char((crc >> (8 * i)) & 0xff));
        const JobLog log = parseJournal(header + entryRecord(entryFor(ch, 1)) + copy);
        EXPECT_EQ(log.valid, version <= kFormatVersion) << version;
        if (log.valid) {
            ASSERT_EQ(log.entries.size(), version >= 3 ? 2 : 1) << version;
            EXPECT_EQ(log.entries[0].hashVersion, version);
        }
    }
}

TEST(JournalRecovery, VerdictFollowsTheBytes)
{
    struct Case {
        const char *name;
        qint64 offset, oldLength, newLength, fileSize;
        // Builds the file from the old and new file images.
        std::function<QByteArray(const QByteArray &oldFile, const QByteArray &newFile)> state;
        bool otherInode;
        Verdict expected;
    };
    const auto same = [](const QByteArray &o, const QByteArray &) { return o; };
    const auto made = [](const QByteArray &, const QByteArray &n) { return n; };
    const auto cutAt = [](qint64 at) {
        return [at](const QByteArray &o, const QByteArray &n) {
            return n.first(std::min<qint64>(at, n.size())) + o.mid(std::min<qint64>(at, o.size()));
        };
    };
    const auto flip = [](qint64 at, auto inner) {
        return [at, inner](const QByteArray &o, const QByteArray &n) {
            QByteArray b = inner(o, n);
            b[at] = char(b[at] ^ 1);
            return b;
        };
    };
    // A grown tail whose room was secured (zeros) and partly written.
    const auto grownCut = [](qint64 at) {
        return [at](const QByteArray &o, const QByteArray &n) {
            QByteArray b = o + QByteArray(n.size() - o.size(), '\0');
            b.replace(0, at, n.first(at));
            return b;
        };
    };
    const Case cases[] = {
        {"head old", 0, 300000, 300000, 400000, same, false, Verdict::Old},
        {"head new", 0, 300000, 300000, 400000, made, false, Verdict::New},
        {"head cut at a page", 0, 300000, 300000, 400000, cutAt(40960), false, Verdict::Torn},
        {"head cut mid-page", 0, 300000, 300000, 400000, cutAt(40000), false, Verdict::Torn},
        {"head cut, then edited elsewhere", 0, 300000, 300000, 400000, flip(200000, cutAt(40000)),
         false, Verdict::Foreign},
        // One changed block is where a write may have stopped; two are not.
        {"head edited after", 0, 300000, 300000, 400000, flip(10, flip(90000, made)), false,
         Verdict::Foreign},
        {"head, another inode", 0, 300000, 300000, 400000, made, true, Verdict::Foreign},
        // A small tag in one block that no write of the job reached.
        {"small, edited by another", 0, 1000, 1000, 9000, flip(10, same), false, Verdict::Foreign},
        {"tail grown, room only", 5000, 128, 9000, 5128, grownCut(5000), false, Verdict::Torn},
        {"tail grown, cut", 5000, 128, 9000, 5128, grownCut(9000), false, Verdict::Torn},
        {"tail grown, made", 5000, 128, 9000, 5128, made, false, Verdict::New},
        {"tail shrunk, written, not cut", 5000, 9000, 128, 14000, cutAt(5128), false,
         Verdict::Torn},
        {"tail shrunk, made", 5000, 9000, 128, 14000, made, false, Verdict::New},
        {"tail shrunk, old", 5000, 9000, 128, 14000, same, false, Verdict::Old},
        {"tail, audio appended by another", 5000, 128, 128, 5128,
         [](const QByteArray &o, const QByteArray &) { return o + QByteArray(4096, 'x'); }, false,
         Verdict::Foreign},
    };
    // A journal left by an older version is judged by the hash it was made with.
    for (const quint16 version : {kOldestFormatVersion, kFormatVersion})
        for (const Case &c : cases) {
            const QByteArray oldFile = pattern(c.fileSize, 'o');
            QByteArray newFile = oldFile;
            newFile.replace(c.offset, c.oldLength, pattern(c.newLength, 'n'));
            const FileChange ch = change(c.offset, oldFile.mid(c.offset, c.oldLength),
                                         pattern(c.newLength, 'n'), c.fileSize);
            Entry e = entryFor(ch, 1);
            e.hashVersion = version;
            e.newHashes = blockHashes(c.offset, ch.newBytes, version);
            const QByteArray now = c.state(oldFile, newFile);
            FileView view;
            view.exists = true;
            view.stamp = FileStamp{1, c.otherInode ? 43u : 42u, now.size(), 8, 0};
            view.read = [&now](qint64 pos, qint64 length, QByteArray *out) {
                *out = now.mid(pos, length);
                return true;
            };
            EXPECT_EQ(int(decide(e, view).verdict), int(c.expected)) << c.name;
            FileChange back;
            if (c.expected == Verdict::Torn && restoringChange(e, view, &back)) {
                QByteArray restored = now;
                restored.replace(back.offset, back.oldBytes.size(), back.newBytes);
                restored.resize(back.newSize);
                EXPECT_EQ(restored, oldFile) << c.name;
            } else {
                EXPECT_NE(c.expected, Verdict::Torn) << c.name << ": no way back";
            }
        }
}

} // namespace
} // namespace qm::journal
