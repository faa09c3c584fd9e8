#pragma once

#include "table/rowtable.h"
#include "table/selection.h"

#include <QStringList>

#include <initializer_list>
#include <utility>
#include <vector>

namespace qm::test {

using Cells = std::vector<std::pair<FieldNumber, QString>>;

// A table whose file rows hold the given cells, numbered 01, 02, ...
inline RowTable tableOf(std::initializer_list<Cells> rows)
{
    RowTable t;
    int r = t.appendRows(int(rows.size()));
    for (const Cells &cells : rows) {
        t.setCell(r, FieldNumber::No, QString::asprintf("%02d", r));
        for (const auto &[f, text] : cells)
            t.setCell(r, f, text);
        ++r;
    }
    return t;
}

// The cells of one column from row 1 to the blank last row.
inline QStringList columnTexts(const RowTable &t, FieldNumber f)
{
    QStringList texts;
    for (int r = 1; r < t.rowCount(); ++r)
        texts << t.cell(r, f);
    return texts;
}

// One column's cells in rows top..bottom.
inline CellRect columnRect(const RowTable &t, FieldNumber f, int top, int bottom)
{
    const int p = t.layout().position(f);
    return {p, top, p, bottom};
}

inline CellRect columnsRect(const RowTable &t, FieldNumber first, FieldNumber last, int top,
                            int bottom)
{
    return CellRect::spanning(t.layout().position(first), top, t.layout().position(last), bottom);
}

} // namespace qm::test
