#include "table/cell.h"

#include <QHashFunctions>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>
#include <type_traits>

namespace qm {

struct Cell::Block {
    std::atomic<std::uint32_t> ref;
    std::uint32_t size; // in bytes of UTF-8, or in UTF-16 units when utf16
    bool utf16;
    alignas(char16_t) char text[1];
};

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
    m_word = 0;
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
            m_word = word;
            return;
        }
    }
    if (!text.isValidUtf16()) {
        m_word = makeBlock(text.utf16(), size_t(text.size()) * 2, std::uint32_t(text.size()), true);
        return;
    }
    assignUtf8(text.toUtf8());
}

void Cell::assignUtf8(QByteArrayView utf8)
{
    m_word = 0;
    if (utf8.isEmpty())
        return;
    if (utf8.size() <= kInlineBytes) {
        std::uintptr_t word = std::uintptr_t(utf8.size()) << 1 | 1;
        for (qsizetype i = 0; i < utf8.size(); ++i)
            word |= std::uintptr_t(uchar(utf8[i])) << (8 * (i + 1));
        m_word = word;
        return;
    }
    m_word = makeBlock(utf8.data(), size_t(utf8.size()), std::uint32_t(utf8.size()), false);
}

bool Cell::blockText(const char *&text, qsizetype &size) const
{
    const Block *b = block();
    text = b->text;
    size = qsizetype(b->size);
    return b->utf16;
}

QString Cell::toString() const
{
    return visit([](auto text) {
        if constexpr (std::is_same_v<decltype(text), QByteArrayView>)
            return QString::fromUtf8(text);
        else
            return text.toString();
    });
}

void Cell::retain() const
{
    if (m_word != 0 && !isInline())
        block()->ref.fetch_add(1, std::memory_order_relaxed);
}

void Cell::release()
{
    if (m_word == 0 || isInline())
        return;
    Block *b = block();
    if (b->ref.fetch_sub(1, std::memory_order_acq_rel) == 1) {
        b->~Block();
        std::free(b);
    }
    m_word = 0;
}

bool Cell::equals(const Cell &other) const
{
    if (m_word == other.m_word)
        return true;
    if (m_word == 0 || other.m_word == 0 || isInline() || other.isInline())
        return false;
    const Block *a = block();
    const Block *b = other.block();
    return a->utf16 == b->utf16 && a->size == b->size
           && std::memcmp(a->text, b->text, a->utf16 ? size_t(a->size) * 2 : size_t(a->size)) == 0;
}

size_t Cell::hash(size_t seed) const
{
    if (m_word == 0 || isInline())
        return qHash(quint64(m_word), seed);
    const Block *b = block();
    return qHashBits(b->text, b->utf16 ? size_t(b->size) * 2 : size_t(b->size), seed);
}

} // namespace qm
