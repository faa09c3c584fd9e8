// Row operations of the table at a large row count, each against a baseline
// measured in the same run: one copy of the same table, which touches every
// cell once. Each operation is also run at a tenth of the rows; a linear
// operation scales by about 10, a quadratic one by about 100.
//
//   bench_table_rows [row count, default 100000]

#include "table/numbering.h"
#include "table/rowtable.h"

#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>

using namespace qm;

namespace {

RowTable makeTable(int rows)
{
    RowTable t;
    const QString folders[] = {QStringLiteral("/music/Artist A/"),
                               QStringLiteral("/music/artist a/"), QStringLiteral("/music/B/")};
    for (int r = 0; r < rows; ++r) {
        const int row =
            t.appendFileRow(folders[(r / 7) % 3], QStringLiteral("Track %1.mp3").arg(r));
        if (r % 2 == 0) {
            t.setCell(row, FieldNumber::Tit, QStringLiteral("Title %1").arg(r));
            t.setCell(row, FieldNumber::Art, QStringLiteral("Artist"));
        }
    }
    return t;
}

// Empties every other row, for the compaction to remove.
void blankEveryOtherRow(RowTable &t)
{
    for (int r = 1; r <= t.lastFileRow(); r += 2)
        t.row(r) = Row{};
}

// Best of three runs of `op` on a fresh copy of `source`.
double seconds(const RowTable &source, const std::function<void(RowTable &)> &prepare,
               const std::function<void(RowTable &)> &op)
{
    double best = 1e30;
    for (int run = 0; run < 3; ++run) {
        RowTable t = source;
        prepare(t);
        QElapsedTimer timer;
        timer.start();
        op(t);
        best = std::min(best, double(timer.nsecsElapsed()) / 1e9);
    }
    return best;
}

} // namespace

int main(int argc, char **argv)
{
    const int rows = argc > 1 ? std::max(10, std::atoi(argv[1])) : 100000;
    const RowTable large = makeTable(rows);
    const RowTable small = makeTable(rows / 10);
    const auto nothing = [](RowTable &) {};

    struct Case {
        const char *name;
        std::function<void(RowTable &)> prepare;
        std::function<void(RowTable &)> op;
    };
    const Case cases[] = {
        {"split added names", nothing, [](RowTable &t) { t.splitAddedNames(1, t.lastFileRow()); }},
        {"renumber, whole table", nothing,
         [](RowTable &t) {
             renumberRows(t, 1, NumberStyle::LeadingZero, NumberScope::WholeTable);
         }},
        {"renumber, per folder", nothing,
         [](RowTable &t) { renumberRows(t, 1, NumberStyle::Plain, NumberScope::PerFolder); }},
        {"delete empty rows (half)", blankEveryOtherRow,
         [](RowTable &t) { t.deleteEmptyRows(1, t.lastFileRow()); }},
        {"append rows", nothing,
         [](RowTable &t) {
             const int count = t.fileRowCount();
             for (int i = 0; i < count; ++i)
                 t.appendFileRow(QStringLiteral("/x/"), QStringLiteral("y.mp3"));
         }},
    };

    const double baseline = seconds(large, nothing, [](RowTable &t) {
        // The copy is what is timed.
        // NOLINTNEXTLINE(performance-unnecessary-copy-initialization)
        const RowTable copy = t;
        if (copy.rowCount() != t.rowCount())
            std::abort();
    });
    std::printf("rows: %d; baseline (copy of the table): %.4f s\n", rows, baseline);
    std::printf("%-28s %10s %12s %14s\n", "operation", "seconds", "x baseline", "x rows/10");
    for (const Case &c : cases) {
        const double big = seconds(large, c.prepare, c.op);
        const double tenth = seconds(small, c.prepare, c.op);
        std::printf("%-28s %10.4f %12.2f %14.1f\n", c.name, big, big / baseline,
                    big / std::max(tenth, 1e-9));
    }
    return 0;
}
