#include "jobs/filestamps.h"

#include "formats/utf8sequence.h"

#include <QVarLengthArray>

#include <cstring>
#include <type_traits>

namespace qm {

namespace {

// A path as UTF-16 on the stack: keys are compared and hashed as the path
// they stand for without a QString made each time.
using PathText = QVarLengthArray<char16_t, 256>;

// Valid UTF-8 decoded as QString::fromUtf8 decodes it; false, leaving a
// part behind, at anything Qt might read otherwise (a malformed sequence,
// a surrogate, a noncharacter). Written straight into room made once:
// UTF-8 never takes fewer bytes than UTF-16 units.
bool appendUtf8(PathText &out, QByteArrayView utf8)
{
    const qsizetype start = out.size();
    out.resize(start + utf8.size());
    char16_t *const begin = out.data() + start;
    char16_t *to = begin;
    const auto *p = reinterpret_cast<const uchar *>(utf8.data());
    const auto *end = p + utf8.size();
    const auto finish = [&](bool valid) {
        out.resize(start + (to - begin));
        return valid;
    };
    while (p < end) {
        if (*p < 0x80) {
            *to++ = char16_t(*p++);
            continue;
        }
        char32_t code = 0;
        const int length = utf8SequenceAt(p, end, code);
        if (length == 0 || isNoncharacter(code))
            return finish(false);
        p += length;
        if (code < 0x10000) {
            *to++ = char16_t(code);
        } else {
            *to++ = QChar::highSurrogate(code);
            *to++ = QChar::lowSurrogate(code);
        }
    }
    return finish(true);
}

// The cell's text as toString() gives it.
void appendCell(PathText &out, const Cell &cell)
{
    cell.visit([&out, &cell](auto text) {
        if constexpr (std::is_same_v<decltype(text), QStringView>) {
            out.append(text.utf16(), text.size());
        } else {
            const qsizetype start = out.size();
            if (!appendUtf8(out, text)) {
                out.resize(start);
                const QString decoded = cell.toString();
                out.append(QStringView(decoded).utf16(), decoded.size());
            }
        }
    });
}

// The path as BuildFileName joins it.
void appendPath(PathText &out, const Cell &dir, const Cell &name, const Cell &ext)
{
    appendCell(out, dir);
    if (DirLacksSeparator(QStringView(out.constData(), out.size())))
        out.append(u'/');
    appendCell(out, name);
    if (!ext.isEmpty()) {
        out.append(u'.');
        appendCell(out, ext);
    }
}

// A path as bytes for its hash: the UTF-8 of its UTF-16 text, a lone
// surrogate encoded as if it were a character (three bytes). The cells'
// UTF-8 is these bytes already wherever appendUtf8 takes it whole, so a
// key hashes its cells' bytes without decoding them; equal paths give
// equal bytes however their cells hold them, since the parts meet only at
// an ASCII "/" or "." (or at a Dir's closing "\\"), never inside a pair.
using PathBytes = QVarLengthArray<char, 256>;

// Whether appendUtf8 decodes `utf8` whole; eight ASCII bytes a step.
bool decodesWhole(QByteArrayView utf8)
{
    const auto *p = reinterpret_cast<const uchar *>(utf8.data());
    const auto *end = p + utf8.size();
    while (p < end) {
        if (end - p >= 8) {
            quint64 word;
            std::memcpy(&word, p, sizeof word);
            if ((word & 0x8080808080808080ull) == 0) {
                p += 8;
                continue;
            }
        }
        if (*p < 0x80) {
            ++p;
            continue;
        }
        char32_t code = 0;
        const int length = utf8SequenceAt(p, end, code);
        if (length == 0 || isNoncharacter(code))
            return false;
        p += length;
    }
    return true;
}

void appendUnits(PathBytes &out, QStringView text)
{
    const qsizetype count = text.size();
    const char16_t *units = text.utf16();
    for (qsizetype i = 0; i < count; ++i) {
        char32_t code = units[i];
        if (QChar::isHighSurrogate(code) && i + 1 < count && QChar::isLowSurrogate(units[i + 1]))
            code = QChar::surrogateToUcs4(char16_t(code), units[++i]);
        qm::appendUtf8(out, code);
    }
}

// Calls `f` with the cell's bytes for the hash.
template <typename F> void withCellBytes(const Cell &cell, F f)
{
    cell.visit([&f, &cell](auto text) {
        PathBytes bytes;
        if constexpr (std::is_same_v<decltype(text), QStringView>) {
            appendUnits(bytes, text);
        } else if (decodesWhole(text)) {
            return f(text);
        } else {
            const QString decoded = cell.toString();
            appendUnits(bytes, decoded);
        }
        f(QByteArrayView(bytes.constData(), bytes.size()));
    });
}

// DirLacksSeparator of the Dir's bytes: "/" and "\\" are the same single
// bytes in UTF-8 as in UTF-16, and never part of another character.
bool dirBytesLackSeparator(QByteArrayView dir)
{
    if (dir.isEmpty() || dir.endsWith('/'))
        return false;
    return !(dir.endsWith('\\') && !dir.contains('/'));
}

// The hash of the path's bytes taken as they come, part after part, with
// no copy of them joined: FNV-1a, its result mixed as MurmurHash3 ends (a
// table's buckets take its low bits).
class PathHash {
public:
    void add(QByteArrayView bytes)
    {
        for (const char byte : bytes)
            add(byte);
    }
    void add(char byte) { hash_ = (hash_ ^ uchar(byte)) * 0x100000001b3ull; }
    size_t result() const
    {
        quint64 h = hash_;
        h = (h ^ h >> 33) * 0xff51afd7ed558ccdull;
        h = (h ^ h >> 33) * 0xc4ceb9fe1a85ec53ull;
        return size_t(h ^ h >> 33);
    }

private:
    quint64 hash_ = 0xcbf29ce484222325ull;
};

size_t hashOfPath(const Cell &dir, const Cell &name, const Cell &ext)
{
    // The rows of a folder share one Dir cell: its part of the hash is
    // taken once. The copy held here keeps the cell's block alive, so no
    // other text can come to have its handle meanwhile.
    thread_local Cell lastDir;
    thread_local PathHash afterDir;
    if (dir.handle() != lastDir.handle()) {
        PathHash hash;
        withCellBytes(dir, [&hash](QByteArrayView bytes) {
            hash.add(bytes);
            if (dirBytesLackSeparator(bytes))
                hash.add('/');
        });
        lastDir = dir;
        afterDir = hash;
    }
    PathHash hash = afterDir;
    withCellBytes(name, [&hash](QByteArrayView bytes) { hash.add(bytes); });
    if (!ext.isEmpty()) {
        hash.add('.');
        withCellBytes(ext, [&hash](QByteArrayView bytes) { hash.add(bytes); });
    }
    return hash.result();
}

} // namespace

FileStamps::Key::Key(Cell dirCell, Cell nameCell, Cell extCell)
    : dir(std::move(dirCell)), name(std::move(nameCell)), ext(std::move(extCell))
{
    pathHash = hashOfPath(dir, name, ext);
}

bool FileStamps::Key::samePath(const Key &other) const
{
    // Parts of equal text make equal paths; only differently split paths
    // (the write's "a/" + "b" beside the list's "a/b") need joining.
    if (dir == other.dir && name == other.name && ext == other.ext)
        return true;
    PathText left;
    PathText right;
    appendPath(left, dir, name, ext);
    appendPath(right, other.dir, other.name, other.ext);
    return left.size() == right.size()
           && std::memcmp(left.constData(), right.constData(),
                          size_t(left.size()) * sizeof(char16_t))
                  == 0;
}

FileStamps::Key FileStamps::keyOf(const Row &row)
{
    return {row[size_t(toInt(FieldNumber::Dir))], row[size_t(toInt(FieldNumber::Old))],
            row[size_t(toInt(FieldNumber::Ext))]};
}

void FileStamps::insert(const QString &path, const FileStamp &stamp)
{
    stamps_.insert(keyOf(path), stamp);
}

void FileStamps::insert(const Row &row, const FileStamp &stamp)
{
    stamps_.insert(keyOf(row), stamp);
}

void FileStamps::insert(const Cell &dir, const Cell &name, const Cell &ext, const FileStamp &stamp)
{
    stamps_.insert({dir, name, ext}, stamp);
}

void FileStamps::remove(const Row &row) { stamps_.remove(keyOf(row)); }

const FileStamp *FileStamps::find(const QString &path) const
{
    if (stamps_.isEmpty())
        return nullptr;
    const auto it = stamps_.constFind(keyOf(path));
    return it == stamps_.constEnd() ? nullptr : &*it;
}

const FileStamp *FileStamps::find(const Row &row) const
{
    if (stamps_.isEmpty())
        return nullptr;
    const auto it = stamps_.constFind(keyOf(row));
    return it == stamps_.constEnd() ? nullptr : &*it;
}

FileStamp FileStamps::value(const QString &path) const
{
    const FileStamp *stamp = find(path);
    return stamp ? *stamp : FileStamp();
}

} // namespace qm
