#include "text/rowsort.h"

#include <QCollator>
#include <QLocale>
#include <algorithm>
#include <array>
#include <limits>
#include <numeric>
#include <random>

#include "table/rowtable.h"
#include "text/sortranks.h"

namespace qm {
namespace {

// How many rows are keyed between two progress reports.
constexpr int kReportEvery = 4096;
// How many rows ahead of the one read the next are fetched.
constexpr size_t kAhead = 8;

// A run of rows [begin, end) of the order that every key so far finds equal.
struct Run {
    size_t begin;
    size_t end;
};

// One key level over the runs the earlier keys left tied: the key cells of
// their rows are read once, each distinct text is given its place in the
// order (an integer), and each run is sorted by those places. A later key
// is so read just for the rows the earlier ones left tied.
class LevelSort {
public:
    LevelSort(const RowTable &table, FieldNumber field, RowOrder &order)
        : table_(table), field_(field), order_(order)
    {}

    // Sorts each run and returns the runs of rows still equal after it;
    // `keyed` is told how many rows were read so far, and false stops.
    std::optional<std::vector<Run>> sort(const std::vector<Run> &runs,
                                         const std::function<bool(int)> &keyed)
    {
        // The rows' texts first, then their places, in the same vector.
        std::vector<int> place(order_.size());
        DistinctTexts distinct;
        const size_t column = size_t(toInt(field_));
        int done = 0;
        const auto cellAt = [&](size_t i) -> const Cell & { return table_.row(order_[i])[column]; };
        // Each row's cell is fetched, then its text, then its look-up is
        // begun, some rows before it is looked up: past the first key the
        // rows are read out of their order, and the texts seen are too many
        // for the cache. The rows ahead are counted over all runs, as the
        // runs of later keys are short.
        std::vector<size_t> flat;
        flat.reserve(order_.size());
        for (const Run &run : runs)
            for (size_t i = run.begin; i < run.end; ++i)
                flat.push_back(i);
        const size_t total = flat.size();
        std::array<DistinctTexts::Ahead, kAhead> ahead;
        for (size_t k = 0; k < std::min(total, kAhead); ++k)
            ahead[k] = distinct.lookAhead(cellAt(flat[k]));
        size_t k = 0;
        for (const Run &run : runs) {
            for (size_t i = run.begin; i < run.end; ++i, ++k) {
                if (k + 3 * kAhead < total)
                    __builtin_prefetch(&cellAt(flat[k + 3 * kAhead]));
                if (k + 2 * kAhead < total)
                    cellAt(flat[k + 2 * kAhead]).prefetch();
                const DistinctTexts::Ahead begun = ahead[k % kAhead];
                if (k + kAhead < total)
                    ahead[k % kAhead] = distinct.lookAhead(cellAt(flat[k + kAhead]));
                place[i] = distinct.indexOf(cellAt(i), begun);
            }
            const int before = done;
            done += int(run.end - run.begin);
            if (before / kReportEvery != done / kReportEvery && !keyed(done))
                return std::nullopt;
        }
        const std::vector<int> rank = isNumericSortKey(field_)
                                          ? numberRanks(distinct.cells())
                                          : textRanks(distinct.cells(), textCollator());
        distinct = {};
        for (const Run &run : runs)
            for (size_t i = run.begin; i < run.end; ++i)
                place[i] = rank[size_t(place[i])];
        const int places = rank.empty() ? 0 : *std::max_element(rank.begin(), rank.end()) + 1;
        std::vector<Run> tied;
        for (const Run &run : runs)
            sortRun(run, place, places, tied);
        return tied;
    }

private:
    // Puts the rows of `run` in the order of their places, rows of one place
    // in the order they had (so the sort is stable), and notes the runs of
    // rows of one place.
    void sortRun(const Run &run, std::vector<int> &place, int places, std::vector<Run> &tied)
    {
        const size_t count = run.end - run.begin;
        const auto at = [&run](size_t k) { return std::ptrdiff_t(run.begin + k); };
        // Row and place as one number, the place above: sorting those keeps
        // rows of one place in their order.
        sorted_.resize(count);
        if (count > size_t(places) / 4) {
            // Counting: every place's rows in one pass.
            std::vector<size_t> first(size_t(places) + 1, 0);
            for (size_t k = 0; k < count; ++k)
                ++first[size_t(place[size_t(at(k))]) + 1];
            std::partial_sum(first.begin(), first.end(), first.begin());
            for (size_t k = 0; k < count; ++k) {
                const size_t p = size_t(place[size_t(at(k))]);
                sorted_[first[p]++] = quint64(p) << 32 | quint64(order_[size_t(at(k))]);
            }
        } else {
            for (size_t k = 0; k < count; ++k)
                sorted_[k] = quint64(place[size_t(at(k))]) << 32 | quint64(k);
            std::sort(sorted_.begin(), sorted_.end());
            rows_.assign(order_.begin() + at(0), order_.begin() + at(count));
            for (quint64 &entry : sorted_)
                entry = (entry & ~quint64(0xFFFFFFFF)) | quint64(rows_[size_t(entry & 0xFFFFFFFF)]);
        }
        size_t tieStart = 0;
        for (size_t k = 0; k < count; ++k) {
            order_[size_t(at(k))] = int(sorted_[k] & 0xFFFFFFFF);
            if (k > 0 && sorted_[k] >> 32 != sorted_[k - 1] >> 32) {
                if (k - tieStart > 1)
                    tied.push_back({run.begin + tieStart, run.begin + k});
                tieStart = k;
            }
        }
        if (count - tieStart > 1)
            tied.push_back({run.begin + tieStart, run.end});
    }

    const RowTable &table_;
    FieldNumber field_;
    RowOrder &order_;
    std::vector<quint64> sorted_;
    std::vector<int> rows_;
};

} // namespace

// The C locale has no order of letters of its own (Qt compares code points
// there and keeps case): English stands in, whose order is the common root
// order.
QCollator textCollator()
{
    QLocale locale;
    if (locale.language() == QLocale::C)
        locale = QLocale(QLocale::English);
    QCollator collator(locale);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    return collator;
}

std::optional<RowOrder> sortedRowOrder(const RowTable &table, const SortKeys &keys,
                                       const SortProgress &progress)
{
    const int count = std::max(table.fileRowCount(), 0);
    RowOrder order(static_cast<size_t>(count));
    std::iota(order.begin(), order.end(), 1);
    // A key that repeats the one before it (Dir in front of Dir) orders
    // nothing more.
    SortKeys levels;
    for (FieldNumber key : keys)
        if (levels.isEmpty() || levels.last() != key)
            levels.append(key);
    // Level by level, most significant first: each sorts only the runs of
    // rows that all earlier keys left equal, so the rows are in the order of
    // all keys, rows equal in every key keep theirs, and a tie-break key is
    // read only where there is a tie.
    std::vector<Run> runs;
    if (count > 1)
        runs.push_back({0, size_t(count)});
    const int levelCount = int(levels.size());
    for (int level = 0; level < levelCount && !runs.empty(); ++level) {
        if (!progress(level, levelCount, 0, count))
            return std::nullopt;
        LevelSort sort(table, levels[level], order);
        auto tied =
            sort.sort(runs, [&](int done) { return progress(level, levelCount, done, count); });
        if (!tied)
            return std::nullopt;
        runs = std::move(*tied);
    }
    if (!progress(levelCount - 1, levelCount, count, count))
        return std::nullopt;
    return order;
}

RowOrder shuffledRowOrder(const RowTable &table, quint64 seed)
{
    RowOrder order(size_t(std::max(table.fileRowCount(), 0)));
    std::iota(order.begin(), order.end(), 1);
    std::mt19937_64 random(seed);
    std::shuffle(order.begin(), order.end(), random);
    return order;
}

void applyRowOrder(RowTable &table, const RowOrder &order) { table.reorderFileRows(order); }

} // namespace qm
