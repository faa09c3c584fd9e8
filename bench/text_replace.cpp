// Replace all and letter case over a large table, against a baseline
// measured in the same run: a plain QString::replace loop over the same
// cells. One pass of "Заменить все" walks every data cell once and should
// stay under half a second at 100,000 rows.
//
//   bench_text_replace [row count, default 100000]

#include "table/rowtable.h"
#include "text/cellfinder.h"
#include "text/lettercase.h"

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
    for (int r = 0; r < rows; ++r) {
        const int row = t.appendFileRow(QStringLiteral("/music/Artist/"),
                                        QStringLiteral("Track %1.mp3").arg(r));
        t.splitAddedNames(row, row);
        t.setCell(row, FieldNumber::Tit,
                  r % 3 == 0 ? QStringLiteral("SONG %1 FEAT. SOMEONE").arg(r)
                             : QStringLiteral("song %1").arg(r));
        t.setCell(row, FieldNumber::Art, QStringLiteral("Artist feat. Other"));
        t.setCell(row, FieldNumber::Alb, QStringLiteral("Album"));
        t.setCell(row, FieldNumber::Yea, QStringLiteral("1999"));
    }
    return t;
}

// Best of three runs of `op` on a fresh copy of `source`.
double seconds(const RowTable &source, const std::function<void(RowTable &)> &op)
{
    double best = 1e30;
    for (int run = 0; run < 3; ++run) {
        RowTable t = source;
        QElapsedTimer timer;
        timer.start();
        op(t);
        best = std::min(best, double(timer.nsecsElapsed()) / 1e9);
    }
    return best;
}

const QString kFind = QStringLiteral("feat.");
const QString kReplacement = QStringLiteral("ft.");

CellRect dataCells(const RowTable &t)
{
    return CellRect{0, 1, kColumnCount - 1, t.lastFileRow()}.fileCells(t);
}

} // namespace

int main(int argc, char **argv)
{
    const int rows = argc > 1 ? std::max(10, std::atoi(argv[1])) : 100000;
    const RowTable large = makeTable(rows);

    const double baseline = seconds(large, [](RowTable &t) {
        dataCells(t).forEachCell([&t](int column, int row) {
            QString text = t.cellAt(row, column);
            text.replace(kFind, kReplacement, Qt::CaseInsensitive);
            t.setCellAt(row, column, text);
        });
    });
    struct Case {
        const char *name;
        std::function<void(RowTable &)> op;
    };
    const Case cases[] = {
        {"replace all, one pass",
         [](RowTable &t) {
             CellFinder finder;
             const FindRequest request{kFind};
             finder.replaceAll(t, {}, request, kReplacement, [](bool) { return false; });
             if (finder.replacedCount() == 0)
                 std::abort();
         }},
        {"replace every occurrence",
         [](RowTable &t) {
             if (replaceInCells(t, dataCells(t), kFind, kReplacement, false, false) == 0)
                 std::abort();
         }},
        {"find the last cell's match",
         [](RowTable &t) {
             t.setCell(t.lastFileRow(), FieldNumber::Xxx, QStringLiteral("needle"));
             CellFinder finder;
             if (!finder.findNext(t, {}, FindRequest{QStringLiteral("needle")}, {}).found())
                 std::abort();
         }},
        {"word case, all data cells",
         [](RowTable &t) { convertCase(t, dataCells(t), CaseMode::Words); }},
        {"upper case, all data cells",
         [](RowTable &t) { convertCase(t, dataCells(t), CaseMode::Upper); }},
    };

    std::printf("rows: %d; baseline (QString::replace over the same cells): %.4f s\n", rows,
                baseline);
    std::printf("%-28s %10s %12s\n", "operation", "seconds", "x baseline");
    int status = 0;
    for (const Case &c : cases) {
        const double s = seconds(large, c.op);
        std::printf("%-28s %10.4f %12.2f\n", c.name, s, s / baseline);
        if (rows <= 100000 && s > 0.5) {
            std::printf("  over 0.5 s\n");
            status = 1;
        }
    }
    return status;
}
