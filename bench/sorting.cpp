// Sorting through the session (key reading on the job's thread, the order
// put into the table in one step, the renumbering) against a baseline
// measured in the same run: std::stable_sort of row indices by the same keys,
// computed beforehand. The session's figure includes reading the keys, so
// the ratio is what the whole command costs over the bare sort.
//
//   bench_sorting [row count, default 100000]

#include <QCollator>
#include <QCollatorSortKey>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <numeric>
#include <variant>
#include <vector>

#include "session/session.h"
#include "text/rowsort.h"
#include "text/sortkeys.h"

using namespace qm;
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

// Best of three runs.
template <typename Op> double seconds(Op op)
{
    double best = 1e30;
    for (int run = 0; run < 3; ++run) {
        QElapsedTimer timer;
        timer.start();
        op();
        best = std::min(best, double(timer.nsecsElapsed()) / 1e9);
    }
    return best;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int rows = argc > 1 ? std::max(10, std::atoi(argv[1])) : 100000;
    const RowTable source = makeTable(rows);
    std::printf("%d rows; target: each sort under 0.3 s, within 2x of the baseline\n", rows);
    std::printf("%-22s %10s %10s %7s\n", "sort", "session s", "baseline s", "ratio");
    for (F column : {F::Tit, F::Siz, F::Trc, F::Dir}) {
        const SortKeys keys = sortKeysFor(column, false);
        RowTable filled = source;
        if (column == F::Trc)
            zeroFillTracks(filled);
        std::vector<Keys> precomputed;
        for (F key : keys)
            precomputed.push_back(keysOf(filled, key));
        const double baseline = seconds([&] {
            std::vector<int> order(static_cast<size_t>(rows));
            std::iota(order.begin(), order.end(), 0);
            std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
                for (const Keys &k : precomputed)
                    if (const int c = compareAt(k, a, b))
                        return c < 0;
                return false;
            });
        });
        double session = 1e30;
        for (int run = 0; run < 3; ++run) {
            Session s;
            s.table() = source;
            QElapsedTimer timer;
            timer.start();
            s.sortRows(column);
            s.waitForJobs();
            session = std::min(session, double(timer.nsecsElapsed()) / 1e9);
        }
        const QString name =
            QStringLiteral("by %1 (%2 keys)").arg(columnCode(column)).arg(keys.size());
        std::printf("%-22s %10.3f %10.3f %7.2f\n", qPrintable(name), session, baseline,
                    session / baseline);
    }
    return 0;
}
