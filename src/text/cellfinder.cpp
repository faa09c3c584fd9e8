#include "text/cellfinder.h"

#include <algorithm>

#include "table/rowtable.h"

namespace qm {

namespace {

Qt::CaseSensitivity sensitivity(const FindRequest &request)
{
    return request.caseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive;
}

// Visits the cells of `area` in the walk's order from (column, row) to its
// last cell (forward) or its first (backward); stops when `visit` says so.
template <typename Visit>
bool walkCells(const CellRect &area, int column, int row, bool forward, FindOrder order,
               Visit &&visit)
{
    if (order == FindOrder::ByColumns) {
        const int step = forward ? 1 : -1;
        const int lastColumn = forward ? area.right : area.left;
        const int firstRow = forward ? area.top : area.bottom;
        const int lastRow = forward ? area.bottom : area.top;
        for (int c = column; forward ? c <= lastColumn : c >= lastColumn; c += step) {
            for (int r = c == column ? row : firstRow; forward ? r <= lastRow : r >= lastRow;
                 r += step) {
                if (visit(c, r))
                    return true;
            }
        }
        return false;
    }
    const int step = forward ? 1 : -1;
    const int lastRow = forward ? area.bottom : area.top;
    const int firstColumn = forward ? area.left : area.right;
    const int lastColumn = forward ? area.right : area.left;
    for (int r = row; forward ? r <= lastRow : r >= lastRow; r += step) {
        for (int c = r == row ? column : firstColumn; forward ? c <= lastColumn : c >= lastColumn;
             c += step) {
            if (visit(c, r))
                return true;
        }
    }
    return false;
}

} // namespace

void CellFinder::reset()
{
    match_ = {};
    cellText_.clear();
    next_ = 0;
    replacingAll_ = false;
}

CellRect CellFinder::takeChangedRows()
{
    CellRect rows;
    if (changedFirst_ >= 0)
        rows = CellRect{0, changedFirst_, kColumnCount - 1, changedLast_};
    changedFirst_ = changedLast_ = -1;
    return rows;
}

bool CellFinder::matchCell(const RowTable &table, int column, int row, const FindRequest &request)
{
    const QString &text = table.cellAt(row, column);
    // A second search in the cell of the current match goes on after it.
    const bool goOn = match_.found() && match_.column == column && match_.row == row
                      && cellText_ == text && sameRow(table.row(row), matchedRow_);
    const qsizetype from = goOn ? next_ : 0;
    qsizetype start = -1;
    qsizetype length = 0;
    if (from <= text.size()) {
        const QStringView rest = QStringView(text).mid(from);
        if (request.wholeCell) {
            if (rest.compare(request.text, sensitivity(request)) == 0) {
                start = 0;
                length = text.size();
            }
        } else if (!request.text.isEmpty()) {
            start = text.indexOf(request.text, from, sensitivity(request));
            length = request.text.size();
        }
    }
    if (start < 0) {
        match_ = {};
        cellText_.clear();
        next_ = 0;
        return false;
    }
    match_ = FindMatch{column, row, start, length};
    cellText_ = text;
    matchedRow_ = table.row(row);
    matchedField_ = table.layout().fieldAt(column);
    // A whole-cell match leaves nothing of the cell to search.
    next_ = request.wholeCell ? text.size() + 1 : start + length;
    return true;
}

bool CellFinder::matchHolds(const RowTable &table, const FindRequest &request) const
{
    if (!match_.found() || !table.isFileRow(match_.row) || match_.column < 0
        || match_.column >= kColumnCount || table.layout().fieldAt(match_.column) != matchedField_
        || !sameRow(table.row(match_.row), matchedRow_)
        || table.cellAt(match_.row, match_.column) != cellText_)
        return false;
    if (request.wholeCell)
        return cellText_.compare(request.text, sensitivity(request)) == 0;
    return !request.text.isEmpty()
           && QStringView(cellText_)
                      .mid(match_.start, match_.length)
                      .compare(request.text, sensitivity(request))
                  == 0;
}

void CellFinder::replaceCurrent(RowTable &table, const FindRequest &request,
                                const QString &replacement)
{
    if (!match_.found())
        return;
    QString text = cellText_;
    text.replace(match_.start, match_.length, replacement);
    table.setCellAt(match_.row, match_.column, text);
    cellText_ = text;
    matchedRow_ = table.row(match_.row);
    match_.length = replacement.size();
    next_ = request.wholeCell ? text.size() + 1 : match_.start + replacement.size();
    changedFirst_ = changedFirst_ < 0 ? match_.row : std::min(changedFirst_, match_.row);
    changedLast_ = std::max(changedLast_, match_.row);
    ++replaced_;
}

FindMatch CellFinder::walk(RowTable &table, const CellRect &selection, const FindRequest &request,
                           const RepeatQuestion &repeat)
{
    const CellRect all = CellRect{0, 1, kColumnCount - 1, table.lastFileRow()}.fileCells(table);
    const bool inSelection = request.direction == FindDirection::InSelection;
    const CellRect area = inSelection ? selection.fileCells(table) : all;
    const bool forward = request.direction != FindDirection::Backward;
    if (area.isEmpty()) {
        reset();
        return {};
    }
    int column = forward ? area.left : area.right;
    int row = forward ? area.top : area.bottom;
    if (inSelection) {
        // The selection stays as the user made it; a current match inside it
        // is where the walk goes on.
        if (match_.found() && area.contains(match_.column, match_.row)) {
            column = match_.column;
            row = match_.row;
        }
    } else if (!selection.isEmpty()
               && !(request.direction == FindDirection::Everywhere && !match_.found())) {
        column = std::clamp(forward ? selection.left : selection.right, area.left, area.right);
        row = std::clamp(forward ? selection.top : selection.bottom, area.top, area.bottom);
    } else if (match_.found() && area.contains(match_.column, match_.row)) {
        column = match_.column;
        row = match_.row;
    }
    for (;;) {
        const bool stopped =
            walkCells(area, column, row, forward, request.order, [&](int c, int r) {
                if (!matchCell(table, c, r, request))
                    return false;
                if (!replacingAll_)
                    return true;
                replaceCurrent(table, request, replacement_);
                return false;
            });
        if (stopped)
            return match_;
        if (!repeat || !repeat(forward))
            break;
        column = forward ? area.left : area.right;
        row = forward ? area.top : area.bottom;
    }
    reset();
    return {};
}

FindMatch CellFinder::findNext(RowTable &table, const CellRect &selection,
                               const FindRequest &request, const RepeatQuestion &repeat)
{
    return walk(table, selection, request, repeat);
}

FindMatch CellFinder::replace(RowTable &table, const CellRect &selection,
                              const FindRequest &request, const QString &replacement,
                              const RepeatQuestion &repeat)
{
    // The table may have changed under the modeless dialog (an edit, a
    // deletion, a sort, an undo) and the search text with it: a match that
    // no longer stands is searched for again in its cell, never written.
    if (matchHolds(table, request)) {
        replaceCurrent(table, request, replacement);
    } else if (match_.found()) {
        cellText_.clear();
        next_ = 0;
    }
    return walk(table, selection, request, repeat);
}

FindMatch CellFinder::replaceAll(RowTable &table, const CellRect &selection,
                                 const FindRequest &request, const QString &replacement,
                                 const RepeatQuestion &repeat)
{
    replacingAll_ = true;
    replacement_ = replacement;
    return replace(table, selection, request, replacement, repeat);
}

int replaceInCells(RowTable &table, const CellRect &cells, const QString &find,
                   const QString &replacement, bool caseSensitive, bool wholeCell,
                   CellRect *changed)
{
    const CellRect area = cells.fileCells(table);
    const Qt::CaseSensitivity cs = caseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive;
    int count = 0;
    int first = -1;
    int last = -1;
    if (!area.isEmpty() && (wholeCell || !find.isEmpty())) {
        area.forEachCell([&](int column, int row) {
            const QString &text = table.cellAt(row, column);
            QString result;
            if (wholeCell) {
                if (text.compare(find, cs) != 0)
                    return;
                result = replacement;
                ++count;
            } else {
                qsizetype at = text.indexOf(find, 0, cs);
                if (at < 0)
                    return;
                qsizetype done = 0;
                while (at >= 0) {
                    result += QStringView(text).mid(done, at - done);
                    result += replacement;
                    done = at + find.size();
                    ++count;
                    at = text.indexOf(find, done, cs);
                }
                result += QStringView(text).mid(done);
            }
            table.setCellAt(row, column, result);
            first = first < 0 ? row : std::min(first, row);
            last = std::max(last, row);
        });
    }
    if (changed)
        *changed = first < 0 ? CellRect{} : CellRect{area.left, first, area.right, last};
    return count;
}

int rememberInHistory(QStringList &history, const QString &text, bool caseSensitive, int limit)
{
    if (text.isEmpty())
        return -1;
    const auto found = std::find_if(history.cbegin(), history.cend(), [&text](const QString &item) {
        return item.compare(text, Qt::CaseInsensitive) == 0;
    });
    if (found != history.cend() && (!caseSensitive || *found == text))
        return int(found - history.cbegin());
    history.prepend(text);
    while (history.size() > limit)
        history.removeLast();
    return 0;
}

} // namespace qm
