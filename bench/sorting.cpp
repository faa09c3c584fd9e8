// Sorting through the session (key reading on the job's thread, the order
// put into the table in one step, the renumbering) against two baselines
// measured in the same run: one pass over the rows reading each row's key
// cells once (what any sort must at least do), and std::stable_sort of row
// indices by the same keys, computed beforehand. The session's figure
// includes reading the keys, so the ratios are what the whole command costs
// over those. "with undo" is the session as the window runs it, the step
// kept for undo (a snapshot of the rows before, the step found after).
// Each figure is the median of five rounds, the sorts and the
// passes alternated; the ratios are medians of the rounds' ratios, with
// their range. Then the processor time of the session's parts, one by one
// on this thread beside one pass: the order found, put into the table, the
// rows renumbered.
//
//   bench_sorting [row count, default 100000] [busy]
//
// With "busy" a thread per processor spins beside the rounds, as a machine
// running other work would.

#include <QCollator>
#include <QCollatorSortKey>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <atomic>
#include <optional>
#include <thread>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <numeric>
#include <variant>
#include <vector>

#include "session/session.h"
#include "taggedfolder.h"
#include "text/rowsort.h"
#include "text/sortkeys.h"

using namespace qm;
using qm::bench::Spread;
using qm::bench::spreadOf;
using F = FieldNumber;

namespace {

RowTable makeTable(int rows)
{
    RowTable t;
    const QString words[] = {QStringLiteral("Любовь"), QStringLiteral("night"),
                             QStringLiteral("Ёлка"),   QStringLiteral("River"),
                             QStringLiteral("старый"), QStringLiteral("blue")};
    quint64 x = 88172645463325252ull; // xorshift: the same table every run
    auto next = [&x] {
        x ^= x << 13;
        x ^= x >> 7;
        x ^= x << 17;
        return x;
    };
    for (int r = 0; r < rows; ++r) {
        const quint64 n = next();
        const int row = t.appendFileRow(
            QStringLiteral("/music/Artist %1/Album %2/").arg(n % 400).arg(n % 7),
            QStringLiteral("%1 %2.mp3").arg(n % 20 + 1, 2, 10, QLatin1Char('0')).arg(words[n % 6]));
        t.setCell(row, F::Tit, words[(n >> 8) % 6] + QStringLiteral(" %1").arg((n >> 16) % 5000));
        t.setCell(row, F::Siz, QString::number((n >> 20) % 5000000000ull));
        t.setCell(row, F::Trc, QString::number((n >> 24) % 20 + 1));
    }
    t.splitAddedNames(1, t.lastFileRow());
    return t;
}

using Keys = std::variant<std::vector<double>, std::vector<QCollatorSortKey>>;

Keys keysOf(const RowTable &t, F field)
{
    if (isNumericSortKey(field)) {
        std::vector<double> keys;
        for (int r = 1; r <= t.lastFileRow(); ++r)
            keys.push_back(cellNumber(t.cell(r, field)).value_or(-1e300));
        return keys;
    }
    QCollator collator{QLocale(QLocale::English)};
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::vector<QCollatorSortKey> keys;
    for (int r = 1; r <= t.lastFileRow(); ++r)
        keys.push_back(collator.sortKey(t.cell(r, field)));
    return keys;
}

int compareAt(const Keys &keys, int a, int b)
{
    if (const auto *n = std::get_if<std::vector<double>>(&keys))
        return (*n)[a] < (*n)[b] ? -1 : (*n)[b] < (*n)[a];
    const auto &t = std::get<std::vector<QCollatorSortKey>>(keys);
    return t[size_t(a)].compare(t[size_t(b)]);
}

// Time of one run of `op`, in seconds.
template <typename Op> double seconds(Op op)
{
    QElapsedTimer timer;
    timer.start();
    op();
    return double(timer.nsecsElapsed()) / 1e9;
}

// Processor time of this thread for one run of `op`, in seconds: the
// session's parts, timed one by one, are then steadier on a busy machine.
template <typename Op> double cpuSeconds(Op op)
{
    timespec begin{}, end{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &begin);
    op();
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &end);
    return double(end.tv_sec - begin.tv_sec) + double(end.tv_nsec - begin.tv_nsec) / 1e9;
}

// One pass over the rows: every key cell of every row read once.
qint64 onePass(const RowTable &t, const SortKeys &keys)
{
    qint64 sum = 0;
    for (int r = 1; r <= t.lastFileRow(); ++r)
        for (F key : keys)
            sum += t.cell(r, key).size();
    return sum;
}

// Threads that spin until destroyed, one per processor.
class CpuHog {
public:
    CpuHog()
    {
        for (unsigned i = 0; i < std::max(1u, std::thread::hardware_concurrency()); ++i)
            threads_.emplace_back([this] {
                volatile quint64 n = 0;
                while (!stop_.load(std::memory_order_relaxed))
                    n = n + 1;
            });
    }
    ~CpuHog()
    {
        stop_ = true;
        for (std::thread &t : threads_)
            t.join();
    }

private:
    std::atomic_bool stop_{false};
    std::vector<std::thread> threads_;
};

} // namespace

static int run(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int rows = argc > 1 ? std::max(10, std::atoi(argv[1])) : 100000;
    const bool busy = argc > 2 && qstrcmp(argv[2], "busy") == 0;
    constexpr int rounds = 5;
    const RowTable source = makeTable(rows);
    std::optional<CpuHog> hog;
    if (busy)
        hog.emplace();
    std::printf("%d rows%s; medians of %d rounds, ratios with their range\n", rows,
                busy ? ", a spinning thread per processor beside" : "", rounds);
    std::printf("%-20s %9s %9s %9s %20s %20s %20s\n", "sort", "session s", "pass s", "sort s",
                "session / pass", "session / sort", "with undo / pass");
    qint64 sink = 0;
    struct Part {
        QString name;
        double pass, order, apply, number;
    };
    std::vector<Part> parts;
    for (F column : {F::Tit, F::Siz, F::Trc, F::Dir}) {
        const SortKeys keys = sortKeysFor(column, false);
        RowTable filled = source;
        if (column == F::Trc)
            zeroFillTracks(filled);
        std::vector<Keys> precomputed;
        for (F key : keys)
            precomputed.push_back(keysOf(filled, key));
        std::vector<double> sessions, passes, sorts, overPass, overSort, orders, applies, numbers,
            passCpus, overPassUndoable;
        for (int round = 0; round < rounds; ++round) {
            const double pass = seconds([&] { sink += onePass(filled, keys); });
            const double sort = seconds([&] {
                std::vector<int> order(static_cast<size_t>(rows));
                std::iota(order.begin(), order.end(), 0);
                std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
                    for (const Keys &k : precomputed)
                        if (const int c = compareAt(k, a, b))
                            return c < 0;
                    return false;
                });
            });
            Session s;
            s.table() = source;
            const double session = seconds([&] {
                s.sortRows(column);
                s.waitForJobs();
            });
            // As the window sorts: the step kept for undo.
            Session window;
            window.setUndoEnabled(true);
            window.table() = source;
            const double undoable = seconds([&] {
                window.sortRows(column);
                window.waitForJobs();
            });
            overPassUndoable.push_back(undoable / pass);
            // The session's parts one by one, on this thread.
            RowTable alone = filled;
            std::optional<RowOrder> order;
            passCpus.push_back(cpuSeconds([&] { sink += onePass(filled, keys); }));
            orders.push_back(cpuSeconds([&] { order = sortedRowOrder(alone, keys); }));
            applies.push_back(cpuSeconds([&] { applyRowOrder(alone, *order); }));
            numbers.push_back(cpuSeconds([&] { s.renumberRows(1); }));
            sessions.push_back(session);
            passes.push_back(pass);
            sorts.push_back(sort);
            overPass.push_back(session / pass);
            overSort.push_back(session / sort);
        }
        const QString name =
            QStringLiteral("by %1 (%2 keys)").arg(columnCode(column)).arg(keys.size());
        const Spread p = spreadOf(overPass), o = spreadOf(overSort), u = spreadOf(overPassUndoable);
        std::printf("%-20s %9.3f %9.4f %9.3f %7.1f (%5.1f-%5.1f) %7.2f (%4.2f-%4.2f) %7.1f "
                    "(%5.1f-%5.1f)\n",
                    qPrintable(name), spreadOf(sessions).median, spreadOf(passes).median,
                    spreadOf(sorts).median, p.median, p.least, p.largest, o.median, o.least,
                    o.largest, u.median, u.least, u.largest);
        parts.push_back({name, spreadOf(passCpus).median, spreadOf(orders).median,
                         spreadOf(applies).median, spreadOf(numbers).median});
    }
    std::printf("\nprocessor time of this thread, medians (s): one pass; the session's parts "
                "one by one: the order found, put into the table, the rows renumbered\n");
    for (const Part &part : parts)
        std::printf("%-20s %9.4f %9.4f %9.4f %9.4f  (parts / pass %.1f)\n", qPrintable(part.name),
                    part.pass, part.order, part.apply, part.number,
                    (part.order + part.apply + part.number) / part.pass);
    return sink < 0 ? 1 : 0;
}

int main(int argc, char **argv)
{
    // The spinning threads may fail to start.
    try {
        return run(argc, argv);
    } catch (...) {
        return 1;
    }
}
