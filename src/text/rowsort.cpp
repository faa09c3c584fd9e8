#include "text/rowsort.h"

#include <QCollator>
#include <QCollatorSortKey>
#include <QHash>
#include <QLocale>
#include <algorithm>
#include <limits>
#include <numeric>
#include <random>

#include "table/rowtable.h"

namespace qm {
namespace {

// How many rows are keyed between two progress reports.
constexpr int kReportEvery = 4096;

// A run of rows [begin, end) of the order that every key so far finds equal.
struct Run {
    size_t begin;
    size_t end;
};

// One key level: its rows keyed and sorted run by run. Only a run of two or
// more rows needs the key, so a later key is read just for the rows that the
// earlier ones left tied, and only while its run is sorted.
class LevelSort {
public:
    LevelSort(const RowTable &table, FieldNumber field, RowOrder &order)
        : table_(table), field_(field), order_(order), collator_(textCollator())
    {}

    // Sorts each run and returns the runs of rows still equal after it.
    std::vector<Run> sort(const std::vector<Run> &runs, const std::function<bool(int)> &keyed)
    {
        std::vector<Run> tied;
        int done = 0;
        for (const Run &run : runs) {
            if (isNumericSortKey(field_))
                sortRun<double>(
                    run, tied,
                    [](const QString &text) {
                        // Cells without a number come first.
                        return cellNumber(text).value_or(-std::numeric_limits<double>::infinity());
                    },
                    [](double a, double b) { return a < b   ? -1
                                                    : b < a ? 1
                                                            : 0; });
            else
                sortRun<int>(
                    run, tied, [this](const QString &text) { return textRank(text); },
                    [](int a, int b) { return a < b   ? -1
                                              : b < a ? 1
                                                      : 0; },
                    [this](std::vector<int> &keys) { rankTexts(keys); });
            texts_.clear();
            distinct_.clear();
            const int before = done;
            done += int(run.end - run.begin);
            if (before / kReportEvery != done / kReportEvery && !keyed(done))
                return {};
        }
        return tied;
    }

private:
    // Equal cells share one collation key: folders repeat for every file.
    int textRank(const QString &text)
    {
        auto it = distinct_.constFind(text);
        if (it != distinct_.cend())
            return *it;
        texts_.push_back(collator_.sortKey(text));
        const int index = int(texts_.size()) - 1;
        distinct_.insert(text, index);
        return index;
    }

    // The run's distinct texts put in the collator's order once, so the rows
    // are sorted by their text's place, an integer: the costly comparison of
    // collation keys runs over the distinct texts only. Texts the collator
    // finds equal share a place.
    void rankTexts(std::vector<int> &keys) const
    {
        std::vector<int> byKey(texts_.size());
        std::iota(byKey.begin(), byKey.end(), 0);
        std::sort(byKey.begin(), byKey.end(), [this](int a, int b) {
            return texts_[size_t(a)].compare(texts_[size_t(b)]) < 0;
        });
        std::vector<int> place(texts_.size());
        int rank = 0;
        for (size_t i = 0; i < byKey.size(); ++i) {
            if (i > 0 && texts_[size_t(byKey[i - 1])].compare(texts_[size_t(byKey[i])]) != 0)
                ++rank;
            place[size_t(byKey[i])] = rank;
        }
        for (int &key : keys)
            key = place[size_t(key)];
    }

    template <typename Key, typename MakeKey, typename Compare,
              typename Prepare = void (*)(std::vector<Key> &)>
    void sortRun(
        const Run &run, std::vector<Run> &tied, MakeKey makeKey, Compare compare,
        Prepare prepare = [](std::vector<Key> &) {})
    {
        const size_t count = run.end - run.begin;
        std::vector<Key> keys;
        keys.reserve(count);
        for (size_t i = run.begin; i < run.end; ++i)
            keys.push_back(makeKey(table_.cell(order_[i], field_)));
        prepare(keys);
        std::vector<int> local(count);
        std::iota(local.begin(), local.end(), 0);
        std::stable_sort(local.begin(), local.end(), [&](int a, int b) {
            return compare(keys[size_t(a)], keys[size_t(b)]) < 0;
        });
        std::vector<int> rows(order_.begin() + std::ptrdiff_t(run.begin),
                              order_.begin() + std::ptrdiff_t(run.end));
        size_t tieStart = 0;
        for (size_t i = 0; i < count; ++i) {
            order_[run.begin + i] = rows[size_t(local[i])];
            if (i > 0 && compare(keys[size_t(local[i - 1])], keys[size_t(local[i])]) != 0) {
                if (i - tieStart > 1)
                    tied.push_back({run.begin + tieStart, run.begin + i});
                tieStart = i;
            }
        }
        if (count - tieStart > 1)
            tied.push_back({run.begin + tieStart, run.end});
    }

    const RowTable &table_;
    FieldNumber field_;
    RowOrder &order_;
    QCollator collator_;
    std::vector<QCollatorSortKey> texts_;
    QHash<QString, int> distinct_;
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
        bool stopped = false;
        runs = sort.sort(runs, [&](int done) {
            stopped = !progress(level, levelCount, done, count);
            return !stopped;
        });
        if (stopped)
            return std::nullopt;
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

void applyRowOrder(RowTable &table, const RowOrder &order)
{
    // Cycle by cycle: each row is moved once, and only one row is held aside.
    std::vector<bool> placed(order.size(), false);
    for (size_t start = 0; start < order.size(); ++start) {
        if (placed[start])
            continue;
        Row held = std::move(table.row(int(start) + 1));
        size_t target = start;
        for (;;) {
            placed[target] = true;
            const size_t source = size_t(order[target] - 1);
            if (source == start) {
                table.row(int(target) + 1) = std::move(held);
                break;
            }
            table.row(int(target) + 1) = std::move(table.row(int(source) + 1));
            target = source;
        }
    }
}

} // namespace qm
