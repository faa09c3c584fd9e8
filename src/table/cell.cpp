#include "table/cell.h"

#include <QHashFunctions>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>

namespace qm {

struct Cell::Block {
    std::atomic<std::uint32_t> ref;
    std::uint32_t size; // in bytes of UTF-8, or in UTF-16 units when utf16
    bool utf16;
    alignas(char16_t) char text[1];
};

namespace {

constexpr qsizetype kInlineBytes = 7;

} // namespace

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
    const bool utf16 = !text.isValidUtf16();
    QByteArray utf8;
    if (!utf16) {
        utf8 = text.toUtf8();
        if (utf8.size() <= kInlineBytes) {
            std::uintptr_t word = std::uintptr_t(utf8.size()) << 1 | 1;
            for (qsizetype i = 0; i < utf8.size(); ++i)
                word |= std::uintptr_t(uchar(utf8[i])) << (8 * (i + 1));
            m_word = word;
            return;
        }
    }
    const qsizetype payload = utf16 ? text.size() * 2 : utf8.size();
    void *memory = std::malloc(offsetof(Block, text) + size_t(payload));
    if (!memory)
        throw std::bad_alloc();
    auto *b = new (memory) Block{{1}, std::uint32_t(utf16 ? text.size() : utf8.size()), utf16, {}};
    std::memcpy(b->text, utf16 ? static_cast<const void *>(text.utf16()) : utf8.constData(),
                size_t(payload));
    m_word = reinterpret_cast<std::uintptr_t>(b);
}

QString Cell::toString() const
{
    if (m_word == 0)
        return {};
    if (isInline()) {
        char bytes[kInlineBytes];
        const qsizetype size = qsizetype(m_word >> 1 & 7);
        for (qsizetype i = 0; i < size; ++i)
            bytes[i] = char(m_word >> (8 * (i + 1)));
        return QString::fromUtf8(bytes, size);
    }
    const Block *b = block();
    if (b->utf16)
        return QString(reinterpret_cast<const QChar *>(b->text), qsizetype(b->size));
    return QString::fromUtf8(b->text, qsizetype(b->size));
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
