#include "lists/jsonrow.h"

#include "formats/pathcodec.h"
#include "formats/utf8sequence.h"

#include <QVarLengthArray>

#include <array>
#include <cstring>
#include <limits>
#include <type_traits>

namespace qm {

namespace {

// The bytes a cell keeps in place, without a block to share.
constexpr qsizetype kInPlace = 7;

bool isJsonSpace(uchar c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// The length of the UTF-8 sequence at `p`; 0 when it is no valid UTF-8, or
// a noncharacter, which is left to the general parser to judge.
int utf8Length(const uchar *p, const uchar *end)
{
    char32_t c = 0;
    const int length = utf8SequenceAt(p, end, c);
    return isNoncharacter(c) ? 0 : length;
}

int hexValue(uchar c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

class PlainRowParser {
public:
    PlainRowParser(QByteArrayView line)
        : p_(reinterpret_cast<const uchar *>(line.data())), end_(p_ + line.size())
    {}

    bool parse(Row &row, std::optional<FileStamp> &read, const Row *previous)
    {
        skipSpace();
        if (!take('{'))
            return false;
        skipSpace();
        if (take('}'))
            return atEnd();
        // Each key at most once: a repeated one is the general parser's.
        quint32 seen = 0;
        constexpr quint32 readBit = 1u << kColumnCount;
        int guess = 0;
        for (;;) {
            QByteArrayView key;
            if (!take('"') || !plainKey(key))
                return false;
            skipSpace();
            if (!take(':'))
                return false;
            skipSpace();
            if (!take('"'))
                return false;
            const int field = fieldOfKey(key, guess);
            if (field >= 0) {
                QByteArrayView text;
                if ((seen & 1u << field) || !string(text))
                    return false;
                seen |= 1u << field;
                row[size_t(field)] = cellOf(text, previous ? &(*previous)[size_t(field)] : nullptr);
                guess = field + 1;
            } else if (key == "Read") {
                QByteArrayView text;
                FileStamp stamp;
                if ((seen & readBit) || !string(text) || text.data() != scratchlessStart_
                    || !parseStamp(text, stamp))
                    return false;
                seen |= readBit;
                read = stamp;
            } else {
                return false;
            }
            skipSpace();
            if (take('}'))
                return atEnd();
            if (!take(','))
                return false;
            skipSpace();
        }
    }

private:
    // Text longer than a cell holds in place is shared with the row before
    // when it is the same (the folder of the rows of one folder, an album).
    static Cell cellOf(QByteArrayView text, const Cell *before)
    {
        if (before && text.size() > kInPlace && before->visit([text](auto held) {
                if constexpr (std::is_same_v<decltype(held), QByteArrayView>)
                    return held == text;
                else
                    return false;
            }))
            return *before;
        return Cell::fromValidUtf8(text);
    }

    void skipSpace()
    {
        while (p_ != end_ && isJsonSpace(*p_))
            ++p_;
    }
    bool take(char c)
    {
        if (p_ == end_ || *p_ != uchar(c))
            return false;
        ++p_;
        return true;
    }
    bool atEnd()
    {
        skipSpace();
        return p_ == end_;
    }

    // A key of printable ASCII without escapes, up to its closing quote.
    bool plainKey(QByteArrayView &key)
    {
        const uchar *start = p_;
        while (p_ != end_ && *p_ != '"') {
            if (*p_ < 0x20 || *p_ >= 0x7F || *p_ == '\\')
                return false;
            ++p_;
        }
        if (p_ == end_)
            return false;
        key = QByteArrayView(reinterpret_cast<const char *>(start), p_ - start);
        ++p_;
        return true;
    }

    // A key of up to four bytes as one number, 0 for a longer one.
    static quint32 packedKey(QByteArrayView key)
    {
        if (key.size() > 4)
            return 0;
        quint32 packed = 0;
        for (const char c : key)
            packed = packed << 8 | uchar(c);
        return packed;
    }

    // The column of a key; the keys come in column order, so the one after
    // the last is tried first.
    static int fieldOfKey(QByteArrayView key, int guess)
    {
        static const std::array<quint32, kColumnCount> codes = [] {
            std::array<quint32, kColumnCount> c;
            for (int i = 0; i < kColumnCount; ++i)
                c[size_t(i)] = packedKey(columnCode(toField(i)).toLatin1());
            return c;
        }();
        const quint32 packed = packedKey(key);
        if (packed == 0)
            return -1;
        if (guess < kColumnCount && codes[size_t(guess)] == packed)
            return guess;
        for (int i = 0; i < kColumnCount; ++i) {
            if (codes[size_t(i)] == packed)
                return i;
        }
        return -1;
    }

    // A string value after its opening quote, as valid UTF-8: the line's
    // own bytes when it holds no escape, else decoded into the scratch
    // buffer. Lone surrogates U+DC80..U+DCFF are the bytes of a name that
    // is not UTF-8 (see appendJsonCell), held as pathcodec holds them; any
    // other lone surrogate is left to the general parser.
    bool string(QByteArrayView &text)
    {
        const uchar *start = p_;
        scratchlessStart_ = reinterpret_cast<const char *>(start);
        bool escaped = false;
        while (p_ != end_) {
            if (const int plain = end_ - p_ >= 8 ? PlainJsonBytes(p_) : 0) {
                if (escaped)
                    scratch_.append(reinterpret_cast<const char *>(p_), plain);
                p_ += plain;
                continue;
            }
            const uchar c = *p_;
            if (c == '"') {
                text = escaped ? QByteArrayView(scratch_.constData(), scratch_.size())
                               : QByteArrayView(scratchlessStart_, p_ - start);
                ++p_;
                return true;
            }
            if (c < 0x20)
                return false;
            if (c == '\\') {
                if (!escaped) {
                    scratch_.clear();
                    scratch_.append(scratchlessStart_, p_ - start);
                    escaped = true;
                }
                ++p_;
                if (!escape())
                    return false;
                continue;
            }
            const int length = c < 0x80 ? 1 : utf8Length(p_, end_);
            if (length == 0)
                return false;
            if (escaped)
                scratch_.append(reinterpret_cast<const char *>(p_), length);
            p_ += length;
        }
        return false;
    }

    // Four hex digits of a \u escape, or -1.
    int hex4()
    {
        if (end_ - p_ < 4)
            return -1;
        int value = 0;
        for (int i = 0; i < 4; ++i) {
            const int digit = hexValue(p_[i]);
            if (digit < 0)
                return -1;
            value = value << 4 | digit;
        }
        p_ += 4;
        return value;
    }

    // One escape after its backslash, decoded into the scratch buffer.
    bool escape()
    {
        if (p_ == end_)
            return false;
        const uchar c = *p_++;
        if (c != 'u') {
            // The escapes of one character, and the characters they stand for.
            static constexpr char letters[] = "\"\\/bfnrt";
            static constexpr char meant[] = "\"\\/\b\f\n\r\t";
            const char *at = c ? std::strchr(letters, c) : nullptr;
            if (!at)
                return false;
            scratch_.append(meant[at - letters]);
            return true;
        }
        char32_t code = char32_t(hex4());
        if (code > 0xFFFF)
            return false;
        if (code >= 0xD800 && code <= 0xDBFF) {
            if (!take('\\') || !take('u'))
                return false;
            const int low = hex4();
            if (low < 0xDC00 || low > 0xDFFF)
                return false;
            code = 0x10000 + ((code - 0xD800) << 10) + char32_t(low - 0xDC00);
        } else if (code >= 0xDC80 && code <= 0xDCFF) {
            code = rawByteChar(uchar(code - 0xDC00)).unicode();
        } else if (code >= 0xDC00 && code <= 0xDFFF) {
            return false;
        }
        appendUtf8(code);
        return true;
    }

    void appendUtf8(char32_t c) { qm::appendUtf8(scratch_, c); }

    // Plain decimal digits that fit `limit`.
    static bool number(QByteArrayView digits, quint64 limit, quint64 &value)
    {
        if (digits.isEmpty())
            return false;
        value = 0;
        for (const char d : digits) {
            if (d < '0' || d > '9')
                return false;
            if (__builtin_mul_overflow(value, 10u, &value)
                || __builtin_add_overflow(value, quint64(d - '0'), &value) || value > limit)
                return false;
        }
        return true;
    }

    static bool parseStamp(QByteArrayView text, FileStamp &stamp)
    {
        // Four numbers, and the change time as a fifth where it was known.
        std::array<QByteArrayView, 5> parts;
        size_t count = 0;
        for (qsizetype from = 0;;) {
            const qsizetype colon = text.indexOf(':', from);
            if (count == parts.size())
                return false;
            parts[count++] = text.sliced(from, (colon < 0 ? text.size() : colon) - from);
            if (colon < 0)
                break;
            from = colon + 1;
        }
        if (count < 4)
            return false;
        constexpr quint64 unsignedMax = std::numeric_limits<quint64>::max();
        constexpr quint64 signedMax = quint64(std::numeric_limits<qint64>::max());
        quint64 size = 0;
        quint64 mtime = 0;
        quint64 ctime = 0;
        if (!number(parts[0], unsignedMax, stamp.device)
            || !number(parts[1], unsignedMax, stamp.inode) || !number(parts[2], signedMax, size)
            || !number(parts[3], signedMax, mtime)
            || (count == 5 && !number(parts[4], signedMax, ctime)))
            return false;
        stamp.size = qint64(size);
        stamp.mtimeNs = qint64(mtime);
        stamp.ctimeNs = qint64(ctime);
        return true;
    }

    const uchar *p_;
    const uchar *end_;
    // Where the string being read begins in the line.
    const char *scratchlessStart_ = nullptr;
    QVarLengthArray<char, 1024> scratch_;
};

} // namespace

bool ReadPlainJsonRow(QByteArrayView line, Row &row, std::optional<FileStamp> &read,
                      const Row *previous)
{
    PlainRowParser parser(line);
    return parser.parse(row, read, previous);
}

} // namespace qm
