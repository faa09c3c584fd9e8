#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <atomic>
#include <cstdint>

namespace qm {

// The text of one table cell in eight bytes. A table of 100,000 rows holds
// 2.5 million cells, so a QString each (24 bytes, and a heap block of two
// bytes a character) would cost most of the program's memory. A cell holds
// up to seven UTF-8 bytes in place ("mp3", "1999", "3/12", a size), longer
// text in one shared, reference-counted UTF-8 block; an empty cell costs
// nothing. Text with lone surrogates (the raw bytes of a file name that is
// not UTF-8) is kept as UTF-16, so every QString comes back as it went in.
// Copies share the block, and a block is never changed once made, so cells
// move between threads as QStrings do.
class Cell {
public:
    Cell() = default;
    Cell(const QString &text) { assign(QStringView(text)); } // NOLINT: a QString is a cell
    Cell(QStringView text) { assign(text); }
    Cell(const char16_t *text) { assign(QStringView(text)); }
    Cell(const char *utf8) : Cell(QString::fromUtf8(utf8)) {}
    // From bytes known to be valid UTF-8, such as a part of another cell's
    // text cut at a character boundary: no decoding on the way in.
    static Cell fromValidUtf8(QByteArrayView utf8)
    {
        Cell cell;
        cell.assignUtf8(utf8);
        return cell;
    }
    Cell(const Cell &other) : word_(other.word_) { retain(); }
    Cell(Cell &&other) noexcept : word_(other.word_) { other.word_ = 0; }
    Cell &operator=(const Cell &other)
    {
        if (this != &other) {
            Cell copy(other);
            swap(copy);
        }
        return *this;
    }
    Cell &operator=(Cell &&other) noexcept
    {
        swap(other);
        return *this;
    }
    ~Cell() { release(); }

    void swap(Cell &other) noexcept { std::swap(word_, other.word_); }

    bool isEmpty() const { return word_ == 0; }
    void clear() { *this = Cell(); }

    // Who holds the text: equal for copies of one cell, so a cell that was
    // not rewritten is known without comparing text. Short text held in
    // place is its own handle.
    std::uintptr_t handle() const { return word_; }

    // Starts fetching the text from memory, for a reader that will visit
    // this cell after some others.
    void prefetch() const
    {
        if (word_ != 0 && !isInline())
            __builtin_prefetch(block());
    }

    QString toString() const;
    // The same text into `out`, whose memory is reused: for a reader that
    // needs many cells' QStrings one at a time.
    void readInto(QString &out) const;
    // The text as it is held, without a copy: `f` is called with a
    // QByteArrayView of its UTF-8, or with a QStringView for text kept as
    // UTF-16. The view lives only for the call.
    template <typename F> decltype(auto) visit(F &&f) const
    {
        if (word_ == 0 || isInline()) {
            char bytes[kInlineBytes];
            const qsizetype size = qsizetype(word_ >> 1 & 7);
            for (qsizetype i = 0; i < size; ++i)
                bytes[i] = char(word_ >> (8 * (i + 1)));
            return f(QByteArrayView(bytes, size));
        }
        const Block *b = block();
        if (b->utf16)
            return f(QStringView(reinterpret_cast<const char16_t *>(b->text), qsizetype(b->size)));
        return f(QByteArrayView(b->text, qsizetype(b->size)));
    }
    operator QString() const { return toString(); } // NOLINT: read as a QString at the edge

    friend bool operator==(const Cell &a, const Cell &b) { return a.equals(b); }
    friend bool operator==(const Cell &a, const QString &b) { return a.toString() == b; }
    friend size_t qHash(const Cell &cell, size_t seed = 0) { return cell.hash(seed); }

private:
    struct Block {
        std::atomic<std::uint32_t> ref;
        std::uint32_t size; // in bytes of UTF-8, or in UTF-16 units when utf16
        bool utf16;
        alignas(char16_t) char text[1];
    };
    static constexpr qsizetype kInlineBytes = 7;
    void assign(QStringView text);
    void assignUtf8(QByteArrayView utf8);
    static std::uintptr_t makeBlock(const void *text, size_t bytes, std::uint32_t size, bool utf16);
    // Empty and in-place cells have nothing to count: a row's cells are
    // copied and dropped many times on the way through a job, so only a
    // block's count is a call.
    void retain() const
    {
        if (word_ != 0 && !isInline())
            retainBlock();
    }
    void release()
    {
        if (word_ != 0 && !isInline())
            releaseBlock();
    }
    void retainBlock() const;
    void releaseBlock();
    bool equals(const Cell &other) const;
    size_t hash(size_t seed) const;
    bool isInline() const { return (word_ & 1) != 0; }
    Block *block() const { return reinterpret_cast<Block *>(word_); }

    // 0: empty. Low bit set: up to 7 bytes in place, the length in bits 1-3,
    // the bytes from bit 8 up. Otherwise a Block pointer.
    std::uintptr_t word_ = 0;
};

static_assert(sizeof(std::uintptr_t) == 8, "a cell keeps seven bytes in place");

inline void swap(Cell &a, Cell &b) noexcept { a.swap(b); }

} // namespace qm
