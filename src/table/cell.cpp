#include "table/cell.h"

#include <QHashFunctions>
#include <QStringDecoder>

#include <cstdlib>
#include <cstring>
#include <new>
#include <type_traits>

namespace qm {

namespace {

// Text up to this long is encoded on the stack, without a QByteArray.
constexpr qsizetype kStackUnits = 256;

// UTF-16 as UTF-8 into `out` (room for three bytes a unit), the number of
// bytes written; -1 at a lone surrogate, which UTF-8 cannot hold.
qsizetype encodeUtf8(QStringView text, char *out)
{
    char *to = out;
    const char16_t *p = text.utf16();
    const char16_t *const end = p + text.size();
    while (p != end) {
        char32_t c = *p++;
        if (c < 0x80) {
            *to++ = char(c);
            continue;
        }
        if (c < 0x800) {
            *to++ = char(0xC0 | c >> 6);
        } else if (c < 0xD800 || c > 0xDFFF) {
            *to++ = char(0xE0 | c >> 12);
            *to++ = char(0x80 | (c >> 6 & 0x3F));
        } else {
            if (c > 0xDBFF || p == end || *p < 0xDC00 || *p > 0xDFFF)
                return -1;
            c = 0x10000 + ((c - 0xD800) << 10) + (*p++ - 0xDC00);
            *to++ = char(0xF0 | c >> 18);
            *to++ = char(0x80 | (c >> 12 & 0x3F));
            *to++ = char(0x80 | (c >> 6 & 0x3F));
        }
        *to++ = char(0x80 | (c & 0x3F));
    }
    return to - out;
}

} // namespace

std::uintptr_t Cell::makeBlock(const void *text, size_t bytes, std::uint32_t size, bool utf16)
{
    void *memory = std::malloc(offsetof(Block, text) + bytes);
    if (!memory)
        throw std::bad_alloc();
    auto *b = new (memory) Block{{1}, size, utf16, {}};
    std::memcpy(b->text, text, bytes);
    return reinterpret_cast<std::uintptr_t>(b);
}

void Cell::assign(QStringView text)
{
    word_ = 0;
    if (text.isEmpty())
        return;
    // Most cells are short ASCII: those skip the encoder.
    if (text.size() <= kInlineBytes) {
        std::uintptr_t word = std::uintptr_t(text.size()) << 1 | 1;
        bool ascii = true;
        for (qsizetype i = 0; i < text.size() && ascii; ++i) {
            const char16_t unit = text[i].unicode();
            ascii = unit < 0x80;
            word |= std::uintptr_t(unit) << (8 * (i + 1));
        }
        if (ascii) {
            word_ = word;
            return;
        }
    }
    // Text with a lone surrogate stays UTF-16.
    if (text.size() <= kStackUnits) {
        char utf8[kStackUnits * 3];
        const qsizetype size = encodeUtf8(text, utf8);
        if (size >= 0)
            return assignUtf8(QByteArrayView(utf8, size));
    } else if (text.isValidUtf16()) {
        return assignUtf8(text.toUtf8());
    }
    word_ = makeBlock(text.utf16(), size_t(text.size()) * 2, std::uint32_t(text.size()), true);
}

void Cell::assignUtf8(QByteArrayView utf8)
{
    word_ = 0;
    if (utf8.isEmpty())
        return;
    if (utf8.size() <= kInlineBytes) {
        std::uintptr_t word = std::uintptr_t(utf8.size()) << 1 | 1;
        for (qsizetype i = 0; i < utf8.size(); ++i)
            word |= std::uintptr_t(uchar(utf8[i])) << (8 * (i + 1));
        word_ = word;
        return;
    }
    word_ = makeBlock(utf8.data(), size_t(utf8.size()), std::uint32_t(utf8.size()), false);
}

QString Cell::toString() const
{
    return visit([](auto text) {
        if constexpr (std::is_same_v<decltype(text), QByteArrayView>) {
            // QString::fromUtf8 drops a leading byte-order mark; in a cell it
            // is text (a tag's stray U+FEFF must come back as it was read).
            if (!text.startsWith("\xEF\xBB\xBF"))
                return QString::fromUtf8(text);
            QStringDecoder utf8(QStringDecoder::Utf8,
                                QStringDecoder::Flag::Stateless
                                    | QStringDecoder::Flag::ConvertInitialBom);
            return QString(utf8.decode(text));
        } else
            return text.toString();
    });
}

void Cell::readInto(QString &out) const
{
    visit([&out](auto text) {
        if constexpr (std::is_same_v<decltype(text), QByteArrayView>) {
            // As toString: a leading byte-order mark is text.
            QStringDecoder utf8(QStringDecoder::Utf8,
                                QStringDecoder::Flag::Stateless
                                    | QStringDecoder::Flag::ConvertInitialBom);
            out.resize(utf8.requiredSpace(text.size()));
            out.truncate(qsizetype(utf8.appendToBuffer(out.data(), text) - out.constData()));
        } else {
            out.resize(text.size());
            std::copy(text.begin(), text.end(), out.begin());
        }
    });
}

void Cell::retainBlock() const { block()->ref.fetch_add(1, std::memory_order_relaxed); }

void Cell::releaseBlock()
{
    Block *b = block();
    if (b->ref.fetch_sub(1, std::memory_order_acq_rel) == 1) {
        b->~Block();
        std::free(b);
    }
    word_ = 0;
}

bool Cell::equals(const Cell &other) const
{
    if (word_ == other.word_)
        return true;
    if (word_ == 0 || other.word_ == 0 || isInline() || other.isInline())
        return false;
    const Block *a = block();
    const Block *b = other.block();
    return a->utf16 == b->utf16 && a->size == b->size
           && std::memcmp(a->text, b->text, a->utf16 ? size_t(a->size) * 2 : size_t(a->size)) == 0;
}

size_t Cell::hash(size_t seed) const
{
    if (word_ == 0 || isInline())
        return qHash(quint64(word_), seed);
    const Block *b = block();
    return qHashBits(b->text, b->utf16 ? size_t(b->size) * 2 : size_t(b->size), seed);
}

} // namespace qm
