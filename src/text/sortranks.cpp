#include "text/sortranks.h"

#include <QCollatorSortKey>
#include <QHashFunctions>
#include <QMutex>

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <map>
#include <numeric>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

#include "text/sortkeys.h"

namespace qm {
namespace {

// A cell's bytes as they are held, UTF-16 text told apart by the hash seed.
template <typename F> decltype(auto) withBytes(const Cell &cell, F &&f)
{
    return cell.visit([&f](auto text) {
        if constexpr (std::is_same_v<decltype(text), QByteArrayView>)
            return f(std::string_view(text.data(), size_t(text.size())), false);
        else
            return f(std::string_view(reinterpret_cast<const char *>(text.utf16()),
                                      size_t(text.size()) * 2),
                     true);
    });
}

size_t bytesHash(std::string_view bytes, bool utf16)
{
    return qHashBits(bytes.data(), bytes.size(), utf16 ? 1 : 0);
}

} // namespace

DistinctTexts::DistinctTexts() : slots_(64), seen_(size_t(1) << kSeenBits) {}

DistinctTexts::Ahead DistinctTexts::hashAhead(const Cell &cell) const
{
    const auto hash = std::uint32_t(withBytes(cell, bytesHash));
    __builtin_prefetch(&slots_[hash & (slots_.size() - 1)]);
    return {kHashed, hash};
}

int DistinctTexts::find(const Cell &cell, Ahead ahead)
{
    const std::uintptr_t handle = cell.handle();
    Seen &seen = seen_[seenSlot(handle)];
    if (seen.index >= 0 && seen.handle == handle)
        return seen.index;
    const int index = withBytes(cell, [&](std::string_view bytes, bool utf16) {
        const auto hash =
            ahead.index == kHashed ? ahead.hash : std::uint32_t(bytesHash(bytes, utf16));
        const auto tag = std::uint32_t(bytes.size() * 2 + (utf16 ? 1 : 0));
        const size_t mask = slots_.size() - 1;
        for (size_t slot = hash & mask;; slot = (slot + 1) & mask) {
            const Slot &at = slots_[slot];
            if (at.index < 0) {
                slots_[slot] = {hash, int(cells_.size()), bytes_.size()};
                cells_.push_back(cell);
                bytes_.append(reinterpret_cast<const char *>(&tag), sizeof tag);
                bytes_.append(bytes);
                if (cells_.size() * 2 > slots_.size())
                    grow();
                return int(cells_.size()) - 1;
            }
            if (at.hash != hash)
                continue;
            const char *text = bytes_.data() + at.offset;
            std::uint32_t textTag = 0;
            std::memcpy(&textTag, text, sizeof textTag);
            if (textTag == tag && std::memcmp(text + sizeof tag, bytes.data(), bytes.size()) == 0)
                return at.index;
        }
    });
    seen = {handle, index};
    return index;
}

void DistinctTexts::grow()
{
    std::vector<Slot> old(slots_.size() * 2);
    old.swap(slots_);
    const size_t mask = slots_.size() - 1;
    for (const Slot &entry : old) {
        if (entry.index < 0)
            continue;
        size_t slot = entry.hash & mask;
        while (slots_[slot].index >= 0)
            slot = (slot + 1) & mask;
        slots_[slot] = entry;
    }
}

namespace {

// Places from an order of the indices and a test of neighbours in it.
template <typename Less>
std::vector<int> placesOf(std::vector<int> byOrder, size_t count, Less less)
{
    std::vector<int> place(count);
    int rank = -1;
    for (size_t i = 0; i < byOrder.size(); ++i) {
        if (i == 0 || less(byOrder[i - 1], byOrder[i]))
            ++rank;
        place[size_t(byOrder[i])] = rank;
    }
    return place;
}

} // namespace

std::vector<int> numberRanks(const std::vector<Cell> &texts)
{
    // Each value beside its index, so the sort reads one array in place.
    std::vector<std::pair<double, int>> byValue(texts.size());
    for (size_t i = 0; i < texts.size(); ++i)
        byValue[i] = {texts[i]
                          .visit([](auto text) { return cellNumber(text); })
                          .value_or(-std::numeric_limits<double>::infinity()),
                      int(i)};
    std::sort(byValue.begin(), byValue.end(),
              [](const auto &a, const auto &b) { return a.first < b.first; });
    std::vector<int> place(texts.size());
    int rank = -1;
    for (size_t i = 0; i < byValue.size(); ++i) {
        if (i == 0 || byValue[i - 1].first < byValue[i].first)
            ++rank;
        place[size_t(byValue[i].second)] = rank;
    }
    return place;
}

namespace {

// The collator's order of text in printable ASCII and the basic Cyrillic
// block (U+0400 to U+045F), when it is the plain order of two levels: each
// character has a primary weight (equal for letters that differ in case
// only) and a secondary one (telling «ё» from «е», which share their
// primary); texts are ordered by their primaries first and by their
// secondaries only where those are all equal. Learnt from the collator
// itself for its locale, and given up for a locale whose tailoring joins
// letters («ch» in Czech) or ignores one; then Cyrillic is tried without,
// as ASCII alone.
class LetterOrder {
public:
    bool usable = false;

    // The text's weights: its primaries, then, when any secondary is not 0,
    // a 0 and its secondaries without trailing 0s. No weight of a text ends
    // it with a 0, so a shorter string of weights is a smaller one. False
    // for a character outside the order.
    bool weights(std::string_view utf8, std::string &out) const
    {
        out.clear();
        size_t letters = 0;
        size_t lastSecondary = 0;
        for (size_t i = 0; i < utf8.size(); ++i) {
            const int letter = letterAt(utf8, i);
            if (letter < 0 || primary_[size_t(letter)] == 0)
                return false;
            out += char(primary_[size_t(letter)]);
            ++letters;
            if (secondary_[size_t(letter)] != 0)
                lastSecondary = letters;
        }
        // The secondaries from a second pass: the order is shared by every
        // thread that sorts, so it keeps no room of its own.
        if (lastSecondary > 0) {
            out += '\0';
            for (size_t i = 0; out.size() < letters + 1 + lastSecondary; ++i)
                out += char(secondary_[size_t(letterAt(utf8, i))]);
        }
        return true;
    }

    static LetterOrder learn(const QCollator &collator, bool cyrillic);

private:
    static constexpr int kLetters = 128 + 96;
    static constexpr char16_t kCyrillic = 0x400;

    // The letter at `i` (moved past a two-byte sequence), or -1.
    static int letterAt(std::string_view utf8, size_t &i)
    {
        const auto byte = uchar(utf8[i]);
        if (byte < 0x80)
            return byte >= 0x20 && byte < 0x7F ? int(byte) : -1;
        if ((byte != 0xD0 && byte != 0xD1) || i + 1 >= utf8.size())
            return -1;
        const auto next = uchar(utf8[++i]);
        if (next < 0x80 || next > 0xBF || (byte == 0xD1 && next > 0x9F))
            return -1;
        return 128 + (byte - 0xD0) * 64 + (next - 0x80);
    }
    static QChar charOf(int letter)
    {
        return letter < 128 ? QChar(char16_t(letter)) : QChar(char16_t(kCyrillic + letter - 128));
    }

    std::array<uchar, kLetters> primary_{}; // from 1; 0 outside the order
    std::array<uchar, kLetters> secondary_{};
};

LetterOrder LetterOrder::learn(const QCollator &collator, bool cyrillic)
{
    LetterOrder order;
    std::vector<int> letters;
    for (int c = 0x20; c < 0x7F; ++c)
        letters.push_back(c);
    if (cyrillic)
        for (int c = 128; c < kLetters; ++c)
            letters.push_back(c);
    std::vector<QCollatorSortKey> single;
    for (int letter : letters)
        single.push_back(collator.sortKey(QString(charOf(letter))));
    const QCollatorSortKey empty = collator.sortKey(QString());
    std::vector<size_t> byKey(letters.size());
    std::iota(byKey.begin(), byKey.end(), 0);
    std::sort(byKey.begin(), byKey.end(),
              [&single](size_t a, size_t b) { return single[a].compare(single[b]) < 0; });
    // Two neighbours in that order differ in their primaries when the first
    // still comes first before a letter that comes after the one after the
    // second: «ёб» after «еа» tells a secondary difference.
    const QString low(QLatin1Char('a')), high(QLatin1Char('b'));
    int primary = 0;
    int secondary = 0;
    for (size_t i = 0; i < byKey.size(); ++i) {
        const QCollatorSortKey &key = single[byKey[i]];
        if (key.compare(empty) == 0)
            return order; // an ignored character
        if (i == 0) {
            primary = 1;
        } else if (single[byKey[i - 1]].compare(key) != 0) {
            const QChar before = charOf(letters[byKey[i - 1]]), now = charOf(letters[byKey[i]]);
            if (collator.compare(before + high, now + low) < 0) {
                ++primary;
                secondary = 0;
            } else {
                ++secondary;
            }
        }
        if (primary > 255 || secondary > 255)
            return order;
        order.primary_[size_t(letters[byKey[i]])] = uchar(primary);
        order.secondary_[size_t(letters[byKey[i]])] = uchar(secondary);
    }
    // Every text of up to two characters, put in the weights' order, must
    // stand in the collator's order too, ties where it finds texts equal:
    // then no pair of letters is joined or reordered, and the levels are
    // the collator's. (A tailoring that joins three letters joins two of
    // them as well, as «dzs» and «dz».)
    std::vector<QString> texts{QString()};
    for (int a : letters) {
        texts.push_back(QString(charOf(a)));
        for (int b : letters)
            texts.push_back(QString(charOf(a)) + charOf(b));
    }
    std::vector<std::string> keys(texts.size());
    for (size_t i = 0; i < texts.size(); ++i)
        order.weights(texts[i].toStdString(), keys[i]);
    std::vector<size_t> byWeights(texts.size());
    std::iota(byWeights.begin(), byWeights.end(), 0);
    std::stable_sort(byWeights.begin(), byWeights.end(),
                     [&keys](size_t a, size_t b) { return keys[a] < keys[b]; });
    for (size_t i = 1; i < byWeights.size(); ++i) {
        const size_t a = byWeights[i - 1], b = byWeights[i];
        const int expected = keys[a] == keys[b] ? 0 : -1;
        if (std::clamp(collator.compare(texts[a], texts[b]), -1, 1) != expected)
            return order;
    }
    order.usable = true;
    return order;
}

// Learnt once per locale and letter case setting.
const LetterOrder &letterOrderOf(const QCollator &collator)
{
    static QMutex mutex;
    static std::map<std::pair<QString, int>, LetterOrder> learnt;
    const std::pair<QString, int> id(collator.locale().bcp47Name(),
                                     int(collator.caseSensitivity()) * 4
                                         + int(collator.numericMode()) * 2
                                         + int(collator.ignorePunctuation()));
    QMutexLocker lock(&mutex);
    auto it = learnt.find(id);
    if (it == learnt.end()) {
        LetterOrder order = LetterOrder::learn(collator, true);
        if (!order.usable)
            order = LetterOrder::learn(collator, false);
        it = learnt.emplace(id, std::move(order)).first;
    }
    return it->second;
}

} // namespace

std::vector<int> textRanks(const std::vector<Cell> &texts, const QCollator &collator)
{
    const LetterOrder &letters = letterOrderOf(collator);
    // Texts of the letters the order knows are ordered by their weights; the
    // others by the collator's keys. The two orders are then merged.
    std::vector<int> plain, other;
    // The plain texts' weights one after another, then a view of each.
    std::string weightBytes;
    std::string weightsOfOne;
    std::vector<std::pair<size_t, size_t>> weightAt(texts.size());
    for (size_t i = 0; i < texts.size(); ++i) {
        const bool fast =
            letters.usable && withBytes(texts[i], [&](std::string_view bytes, bool utf16) {
                if (utf16 || !letters.weights(bytes, weightsOfOne))
                    return false;
                weightAt[i] = {weightBytes.size(), weightsOfOne.size()};
                weightBytes += weightsOfOne;
                return true;
            });
        (fast ? plain : other).push_back(int(i));
    }
    std::vector<std::string_view> weights(texts.size());
    for (int i : plain)
        weights[size_t(i)] = std::string_view(weightBytes)
                                 .substr(weightAt[size_t(i)].first, weightAt[size_t(i)].second);
    weightAt = {};
    std::vector<QCollatorSortKey> keys;
    keys.reserve(other.size());
    std::vector<QCollatorSortKey *> keyOf(texts.size(), nullptr);
    QString text;
    for (int i : other) {
        texts[size_t(i)].readInto(text);
        keys.push_back(collator.sortKey(text));
    }
    for (size_t k = 0; k < other.size(); ++k)
        keyOf[size_t(other[k])] = &keys[k];
    // The plain texts by their first eight weights as one number (no text's
    // weights end with a 0, so a shorter text comes first), the rest of the
    // weights compared only where those are equal.
    std::vector<std::pair<quint64, int>> byPrefix;
    byPrefix.reserve(plain.size());
    for (int i : plain) {
        const std::string_view w = weights[size_t(i)];
        quint64 prefix = 0;
        for (size_t k = 0; k < 8; ++k)
            prefix = prefix << 8 | (k < w.size() ? quint64(uchar(w[k])) : 0);
        byPrefix.emplace_back(prefix, i);
    }
    std::sort(byPrefix.begin(), byPrefix.end(), [&weights](const auto &a, const auto &b) {
        if (a.first != b.first)
            return a.first < b.first;
        const std::string_view x = weights[size_t(a.second)], y = weights[size_t(b.second)];
        return x.substr(std::min<size_t>(8, x.size())) < y.substr(std::min<size_t>(8, y.size()));
    });
    for (size_t k = 0; k < plain.size(); ++k)
        plain[k] = byPrefix[k].second;
    byPrefix = {};
    std::sort(other.begin(), other.end(),
              [&keyOf](int a, int b) { return keyOf[size_t(a)]->compare(*keyOf[size_t(b)]) < 0; });
    if (other.empty())
        return placesOf(std::move(plain), texts.size(), [&weights](int a, int b) {
            return weights[size_t(a)] != weights[size_t(b)];
        });
    // Merged a run of `other` at a time: where each of its texts goes among
    // the plain ones is found by a galloping search, so texts of the two
    // kinds that do not interleave (Latin and Cyrillic titles) take few
    // comparisons of both kinds.
    const auto compare = [&](int a, int b) {
        const bool aPlain = !keyOf[size_t(a)], bPlain = !keyOf[size_t(b)];
        if (aPlain && bPlain)
            return weights[size_t(a)].compare(weights[size_t(b)]);
        if (!aPlain && !bPlain)
            return keyOf[size_t(a)]->compare(*keyOf[size_t(b)]);
        return collator.compare(texts[size_t(a)].toString(), texts[size_t(b)].toString());
    };
    std::vector<int> merged;
    merged.reserve(texts.size());
    size_t p = 0;
    for (int o : other) {
        // The first plain text not below `o`.
        size_t step = 1, low = p, high = p;
        while (high < plain.size() && compare(plain[high], o) < 0) {
            low = high + 1;
            high = std::min(plain.size(), high + step);
            step *= 2;
        }
        high = std::min(high, plain.size());
        while (low < high) {
            const size_t mid = low + (high - low) / 2;
            if (compare(plain[mid], o) < 0)
                low = mid + 1;
            else
                high = mid;
        }
        merged.insert(merged.end(), plain.begin() + std::ptrdiff_t(p),
                      plain.begin() + std::ptrdiff_t(low));
        p = low;
        merged.push_back(o);
    }
    merged.insert(merged.end(), plain.begin() + std::ptrdiff_t(p), plain.end());
    return placesOf(std::move(merged), texts.size(),
                    [&compare](int a, int b) { return compare(a, b) != 0; });
}

} // namespace qm
