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

// The collator's order of printable ASCII text, when it is a plain
// character-by-character order: a weight per character (equal for letters
// that differ in case only), compared as strings of weights. Learnt from
// the collator itself for its locale, and given up for a locale whose
// tailoring joins letters («ch» in Czech) or ignores one.
struct AsciiOrder {
    bool usable = false;
    std::array<char, 128> weight{}; // from 1; 0 outside the printable range

    static bool printable(std::string_view text)
    {
        return std::all_of(text.begin(), text.end(), [](char c) { return c >= 0x20 && c < 0x7F; });
    }
    std::string weights(std::string_view text) const
    {
        std::string out(text.size(), '\0');
        for (size_t i = 0; i < text.size(); ++i)
            out[i] = weight[size_t(uchar(text[i]))];
        return out;
    }
};

AsciiOrder learnAsciiOrder(const QCollator &collator)
{
    AsciiOrder order;
    std::vector<QCollatorSortKey> single;
    std::vector<char> chars;
    for (char c = 0x20; c < 0x7F; ++c) {
        chars.push_back(c);
        single.push_back(collator.sortKey(QString(QLatin1Char(c))));
    }
    const QCollatorSortKey empty = collator.sortKey(QString());
    std::vector<int> byKey(chars.size());
    std::iota(byKey.begin(), byKey.end(), 0);
    std::sort(byKey.begin(), byKey.end(),
              [&single](int a, int b) { return single[size_t(a)].compare(single[size_t(b)]) < 0; });
    int weight = 0;
    for (size_t i = 0; i < byKey.size(); ++i) {
        const QCollatorSortKey &key = single[size_t(byKey[i])];
        if (key.compare(empty) == 0)
            return order; // an ignored character
        if (i == 0 || single[size_t(byKey[i - 1])].compare(key) != 0)
            ++weight;
        order.weight[static_cast<unsigned char>(chars[size_t(byKey[i])])] = char(weight);
    }
    // Every text of up to two characters, put in the weights' order, must
    // stand in the collator's order too, ties where it finds texts equal:
    // then no pair of letters is joined or reordered. (A tailoring that joins
    // three letters joins two of them as well, as «dzs» and «dz».)
    std::vector<std::string> texts{std::string()};
    for (char a : chars) {
        texts.emplace_back(1, a);
        for (char b : chars)
            texts.push_back({a, b});
    }
    std::vector<std::string> keys;
    keys.reserve(texts.size());
    for (const std::string &text : texts)
        keys.push_back(order.weights(text));
    std::vector<int> byWeights(texts.size());
    std::iota(byWeights.begin(), byWeights.end(), 0);
    std::stable_sort(byWeights.begin(), byWeights.end(),
                     [&keys](int a, int b) { return keys[size_t(a)] < keys[size_t(b)]; });
    for (size_t i = 1; i < byWeights.size(); ++i) {
        const size_t a = size_t(byWeights[i - 1]), b = size_t(byWeights[i]);
        const int expected = keys[a] == keys[b] ? 0 : -1;
        const int found =
            collator.compare(QString::fromLatin1(texts[a]), QString::fromLatin1(texts[b]));
        if (std::clamp(found, -1, 1) != expected)
            return order;
    }
    order.usable = true;
    return order;
}

// Learnt once per locale and letter case setting.
const AsciiOrder &asciiOrderOf(const QCollator &collator)
{
    static QMutex mutex;
    static std::map<std::pair<QString, int>, AsciiOrder> learnt;
    const std::pair<QString, int> id(collator.locale().bcp47Name(),
                                     int(collator.caseSensitivity()) * 4
                                         + int(collator.numericMode()) * 2
                                         + int(collator.ignorePunctuation()));
    QMutexLocker lock(&mutex);
    auto it = learnt.find(id);
    if (it == learnt.end())
        it = learnt.emplace(id, learnAsciiOrder(collator)).first;
    return it->second;
}

} // namespace

std::vector<int> textRanks(const std::vector<Cell> &texts, const QCollator &collator)
{
    const AsciiOrder &ascii = asciiOrderOf(collator);
    // Printable ASCII texts are ordered by their weights; the others by the
    // collator's keys. The two orders are then merged.
    std::vector<int> plain, other;
    // The plain texts' weights one after another, then a view of each.
    std::string weightBytes;
    std::vector<std::pair<size_t, size_t>> weightAt(texts.size());
    for (size_t i = 0; i < texts.size(); ++i) {
        const bool fast =
            ascii.usable && withBytes(texts[i], [&](std::string_view bytes, bool utf16) {
                if (utf16 || !AsciiOrder::printable(bytes))
                    return false;
                weightAt[i] = {weightBytes.size(), bytes.size()};
                weightBytes += ascii.weights(bytes);
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
    // The plain texts by their first eight weights as one number (weights
    // are never 0, so a shorter text comes first), the rest of the weights
    // compared only where those are equal.
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
