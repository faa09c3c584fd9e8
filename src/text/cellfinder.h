#pragma once

#include <QString>
#include <QStringList>
#include <functional>

#include "table/rowtable.h"
#include "table/selection.h"

namespace qm {

// Where a walk starts and which way it goes (the order of the dialog's list).
enum class FindDirection {
    Everywhere,  // "Везде": from the first cell unless a match is current
    Forward,     // "Вперед": from the selection's top-left cell
    Backward,    // "Назад": from the selection's bottom-right cell
    InSelection, // "В выделенном": forward, never leaving the selection
};

enum class FindOrder { ByColumns, ByRows };

struct FindRequest {
    QString text;
    bool caseSensitive = false;
    // The cell's whole remaining text must equal the search text.
    bool wholeCell = false;
    FindDirection direction = FindDirection::Everywhere;
    FindOrder order = FindOrder::ByColumns;
};

// A match: the cell by column position and row, and the matched part of
// its text (0-based).
struct FindMatch {
    int column = -1;
    int row = -1;
    qsizetype start = 0;
    qsizetype length = 0;

    bool found() const { return row >= 0; }
};

// Asked when a walk has visited its last cell; true walks again from the
// first cell (forward) or the last one (backward).
using RepeatQuestion = std::function<bool(bool forward)>;

// The find dialog's search state over the table: the current match and
// the text left after it in its cell, so that the next search in the same
// cell goes on after it. Walks visit data columns and file rows only.
class CellFinder {
public:
    // No match is current (a new showing, a change of direction).
    void reset();

    bool hasMatch() const { return match_.found(); }
    const FindMatch &match() const { return match_; }
    // The text of the matched cell as it was matched (the read-only box).
    const QString &cellText() const { return cellText_; }

    // "Найти далее": walks from the selection (see FindDirection) and stops
    // at the next match, which becomes current; no match when the walk ended
    // (each end asks `repeat`). A walk over no cells asks nothing.
    FindMatch findNext(RowTable &table, const CellRect &selection, const FindRequest &request,
                       const RepeatQuestion &repeat);
    // "Заменить": replaces the current match by `replacement`, then finds
    // the next match after it. A match the cell or the search text no
    // longer has is not replaced: the walk searches its cell again.
    FindMatch replace(RowTable &table, const CellRect &selection, const FindRequest &request,
                      const QString &replacement, const RepeatQuestion &repeat);
    // "Заменить все": replaces the current match, then walks on replacing
    // the first match in every cell it meets, one pass at a time, for as
    // long as `repeat` asks for another pass.
    FindMatch replaceAll(RowTable &table, const CellRect &selection, const FindRequest &request,
                         const QString &replacement, const RepeatQuestion &repeat);

    // The rows written since the last call (empty rectangle when none), and
    // how many matches were replaced.
    CellRect takeChangedRows();
    int replacedCount() const { return replaced_; }

private:
    bool matchCell(const RowTable &table, int column, int row, const FindRequest &request);
    // The current match is still in its cell, and still matches `request`.
    bool matchHolds(const RowTable &table, const FindRequest &request) const;
    void replaceCurrent(RowTable &table, const FindRequest &request, const QString &replacement);
    FindMatch walk(RowTable &table, const CellRect &selection, const FindRequest &request,
                   const RepeatQuestion &repeat);

    FindMatch match_;
    QString cellText_;
    // The matched row and the field of its cell: a row that moved or went
    // (a deletion, a sort, an undo) may leave another one with the same
    // text at the match's place.
    Row matchedRow_;
    FieldNumber matchedField_ = FieldNumber::No;
    // Where the text left after the match begins in cellText_; past its end
    // when nothing is left (a whole-cell match).
    qsizetype next_ = 0;
    // Set only while "Заменить все" runs.
    bool replacingAll_ = false;
    QString replacement_;
    int changedFirst_ = -1;
    int changedLast_ = -1;
    int replaced_ = 0;
};

// Every occurrence of `find` in the cells of `cells` (clipped to data
// columns and file rows) replaced by `replacement`, left to right in one
// run; with `wholeCell` only cells equal to `find`. An empty `find` matches
// nothing unless `wholeCell` (then empty cells). Returns the number of
// replacements; `changed` gets the rows written.
int replaceInCells(RowTable &table, const CellRect &cells, const QString &find,
                   const QString &replacement, bool caseSensitive, bool wholeCell,
                   CellRect *changed = nullptr);

// The history of a search box: an empty text is not remembered; a text
// already there (ignoring case; exactly when `caseSensitive`) is only
// chosen; otherwise it goes first and the list keeps `limit` items.
// Returns the index of the chosen item, -1 for an empty text.
int rememberInHistory(QStringList &history, const QString &text, bool caseSensitive,
                      int limit = 10);

} // namespace qm
