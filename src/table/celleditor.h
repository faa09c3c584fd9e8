#pragma once

#include "table/numbering.h"
#include "table/rowtable.h"
#include "table/selection.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <vector>

namespace qm {

// How the No column is numbered; the operations that add, remove or move
// rows renumber with it.
struct Numbering {
    NumberStyle style = NumberStyle::LeadingZero;
    NumberScope scope = NumberScope::WholeTable;

    bool separate() const { return scope == NumberScope::PerFolder; }
    friend bool operator==(const Numbering &, const Numbering &) = default;
};

// The placeholder for the middle part that differs from cell to cell.
inline constexpr char16_t kVarPlaceholder[] = u"<var>";

// The fields the analysis looks for when the options hold no other list:
// No, Old, Ext, Tit, Trc, Art, Alb, Yea.
QList<FieldNumber> defaultScanFields();

// The cells the editor box works on: the data columns of the selection and
// its file rows; only a selection of nothing but the blank last row keeps
// that row, so that typing there creates a new file row.
CellRect editorCells(const RowTable &table, const CellRect &selection);

// The blank last row, once something was typed or pasted into it, becomes a
// file row under a new blank last row. Returns that row, or 0 when the blank
// row is still empty.
int promoteBlankRow(RowTable &table);

// The state of the editor box for one selection: the template text shown in
// the box (also the undo text) and the middle parts "<var>" stands for.
//
// The analysis walks the selected cells with one scan position: at each
// position it first tries the scan fields (values of other columns of the
// cell's own row, compared ignoring the case of A-Z), cutting a value that
// every cell holds there and remembering its code; then it takes a character
// common to every cell into the template. From the front this builds a
// common prefix; at the first difference it turns to the back and builds a
// common suffix the same way; what lies between is the variable part. The
// cost is one pass over the cells per template character and field tried,
// and a field that fails is retried first on the cell where it failed.
class CellEditor {
public:
    // ComputeEditorText: analyses the selection and makes the result the
    // baseline. Scan fields out of range or inside the selected columns are
    // not looked for.
    QString computeEditorText(const RowTable &table, const CellRect &selection,
                              const QList<FieldNumber> &scanFields = defaultScanFields());

    // cmbEditChange: writes the box text into every cell of the analysed
    // selection, each with its row's values for the codes of columns outside
    // the selection and its own middle part for "<var>". An empty text
    // empties the cells; the baseline text itself changes nothing.
    void applyText(RowTable &table, const QString &boxText) const;

    // The text last computed, which is also what undo returns to.
    const QString &baseline() const { return baseline_; }
    void setBaseline(const QString &text) { baseline_ = text; }
    QStringList variableParts() const { return {variableParts_.begin(), variableParts_.end()}; }
    const CellRect &cells() const { return cells_; }

    // Whether a typed character makes the box text the undo text before it
    // reaches the box: Latin letters, digits, "_", ".", Backspace ("\b")
    // and everything from code 128 up.
    static bool storesUndoText(QChar typed);
    // aEditUndo: swaps the box text and the undo text and applies the
    // result; returns the new box text.
    QString undo(RowTable &table, const QString &boxText);
    // The commands that change the box text (aEditCut, aEditDelete,
    // aEditPaste, the paste-from-column commands): the box text becomes the
    // undo text, `length` characters from `from` give way to `insertion`, and
    // the result is applied and returned.
    QString editBoxText(RowTable &table, const QString &boxText, qsizetype from, qsizetype length,
                        const QString &insertion);

    // cmbEditExit: a filled blank last row becomes a file row, the selected
    // rows left empty are removed, and the rows from the first change are
    // renumbered. The undo text is dropped.
    void finishEditing(RowTable &table, const CellRect &selection, const Numbering &numbering);

private:
    CellRect cells_;
    QString baseline_;
    // Kept as cells: a whole-table selection would otherwise hold every
    // selected cell once more as UTF-16.
    std::vector<Cell> variableParts_;
};

// What aEditPaste inserts: the clipboard's first line (empty: nothing).
QString editorPasteText(const QString &clipboard);

} // namespace qm
