// The cell editor, the cell block and duplicate removal at a large row
// count, each against a baseline measured in the same run: copying the texts
// of one column once, which touches every selected cell. Each operation is
// also run at half the rows; a linear operation scales by about 2, a
// quadratic one by about 4. (A tenth of the rows would fit in the cache and
// make every operation look worse than linear.)
//
//   bench_editor [row count, default 100000]

#include "table/cellblock.h"
#include "table/celleditor.h"
#include "table/duplicates.h"
#include "table/rowtable.h"

#include <QElapsedTimer>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>

using namespace qm;
using F = FieldNumber;

namespace {

// New holds "NN - Title", built from Trc and Tit; every other row repeats
// the one before it, so half the rows are duplicates.
RowTable makeTable(int rows)
{
    RowTable t;
    t.appendRows(rows);
    for (int r = 1; r <= rows; ++r) {
        const int n = (r + 1) / 2;
        const QString track = QString::number(n % 100).rightJustified(2, u'0');
        const QString title = QStringLiteral("Title of song %1").arg(n);
        t.setCell(r, F::No, QString::number(r));
        t.setCell(r, F::Dir, QStringLiteral("/music/Album %1/").arg(n / 12));
        t.setCell(r, F::Old, QStringLiteral("track%1").arg(n));
        t.setCell(r, F::New, track + QStringLiteral(" - ") + title);
        t.setCell(r, F::Ext, QStringLiteral("mp3"));
        t.setCell(r, F::Trc, track);
        t.setCell(r, F::Tit, title);
        t.setCell(r, F::Art, QStringLiteral("Artist"));
        t.setCell(r, F::Yea, QString::number(1950 + n % 70));
    }
    return t;
}

// Every New cell "aaaa...a" and Art "a" in all rows but the last: the field
// fails only on the last cell at every position.
RowTable makeStubbornTable(int rows)
{
    RowTable t;
    t.appendRows(rows);
    for (int r = 1; r <= rows; ++r) {
        t.setCell(r, F::New, QString(40, u'a'));
        t.setCell(r, F::Art, r == rows ? QStringLiteral("b") : QStringLiteral("a"));
    }
    return t;
}

CellRect newColumn(const RowTable &t)
{
    const int p = t.layout().position(F::New);
    return {p, 1, p, t.lastFileRow()};
}

// Best of three runs of `op` on a fresh copy of `source`, after `prepare`
// (not timed) set up the table and the editor.
double seconds(const RowTable &source, const std::function<void(RowTable &, CellEditor &)> &prepare,
               const std::function<void(RowTable &, CellEditor &)> &op)
{
    double best = 1e30;
    for (int run = 0; run < 3; ++run) {
        RowTable t = source;
        CellEditor editor;
        prepare(t, editor);
        QElapsedTimer timer;
        timer.start();
        op(t, editor);
        best = std::min(best, double(timer.nsecsElapsed()) / 1e9);
    }
    return best;
}

void analyse(RowTable &t, CellEditor &editor)
{
    if (editor.computeEditorText(t, newColumn(t)).isEmpty())
        std::abort();
}

QString pasteBlock(int lines)
{
    QString block;
    for (int i = 0; i < lines; ++i)
        block += QStringLiteral("pasted %1\tcell\r\n").arg(i);
    return block;
}

} // namespace

int main(int argc, char **argv)
{
    const int rows = argc > 1 ? std::max(10, std::atoi(argv[1])) : 100000;
    const RowTable large = makeTable(rows);
    const RowTable half = makeTable(rows / 2);
    const RowTable stubbornLarge = makeStubbornTable(rows);
    const RowTable stubbornHalf = makeStubbornTable(rows / 2);
    const Numbering numbering;

    using Step = std::function<void(RowTable &, CellEditor &)>;
    const Step nothing = [](RowTable &, CellEditor &) {};
    struct Case {
        const char *name;
        Step prepare;
        Step op;
        bool stubborn = false;
    };
    const Case cases[] = {
        {"analyse (codes)", nothing, analyse},
        {"analyse (stubborn field)", nothing, analyse, true},
        {"analyse all data columns", nothing,
         [](RowTable &t, CellEditor &e) { e.computeEditorText(t, selectAllCells(t)); }},
        {"apply %TR. %TT", analyse,
         [](RowTable &t, CellEditor &e) { e.applyText(t, QStringLiteral("%TR. %TT")); }},
        {"apply <var>, both sides",
         [](RowTable &t, CellEditor &e) { e.computeEditorText(t, newColumn(t), {F::Trc}); },
         [](RowTable &t, CellEditor &e) { e.applyText(t, QStringLiteral("%AR %TR<var> (%YE)")); }},
        {"duplicates, visible", nothing,
         [](RowTable &t, CellEditor &) { removeDuplicateRows(t, DuplicateKey::VisibleColumns); }},
        {"duplicates, all columns", nothing,
         [](RowTable &t, CellEditor &) { removeDuplicateRows(t, DuplicateKey::AllColumns); }},
        {"copy whole rows", nothing,
         [](RowTable &t, CellEditor &) {
             if (copyCellBlock(t, selectAllCells(t)).isEmpty())
                 std::abort();
         }},
        {"paste rows/10 lines at top", nothing,
         [](RowTable &t, CellEditor &) {
             pasteCellBlock(t, newColumn(t), pasteBlock(t.fileRowCount() / 10), PasteMode::Insert,
                            Numbering{});
         }},
        {"delete rows/10 rows", nothing,
         [&](RowTable &t, CellEditor &) {
             deleteSelection(t, CellRect{1, 1, kColumnCount - 1, t.fileRowCount() / 10}, numbering);
         }},
        {"clear New", nothing,
         [&](RowTable &t, CellEditor &) { clearSelection(t, newColumn(t), numbering); }},
    };

    const double baseline = seconds(large, nothing, [](RowTable &t, CellEditor &) {
        QStringList copy;
        copy.reserve(t.fileRowCount());
        for (int r = 1; r <= t.lastFileRow(); ++r)
            copy << QString(t.cell(r, F::New).data(), t.cell(r, F::New).size());
        if (copy.size() != t.fileRowCount())
            std::abort();
    });
    std::printf("rows: %d; baseline (copy of the New texts): %.4f s\n", rows, baseline);
    std::printf("%-28s %10s %12s %14s\n", "operation", "seconds", "x baseline", "x rows/2");
    for (const Case &c : cases) {
        const double big = seconds(c.stubborn ? stubbornLarge : large, c.prepare, c.op);
        const double halfTime = seconds(c.stubborn ? stubbornHalf : half, c.prepare, c.op);
        std::printf("%-28s %10.4f %12.2f %14.1f\n", c.name, big, big / baseline,
                    big / std::max(halfTime, 1e-9));
    }
    return 0;
}
