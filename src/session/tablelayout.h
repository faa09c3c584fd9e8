#pragma once

#include <QObject>

#include "table/rowtable.h"

namespace qm {

// The column layout of a table as its owner keeps it: which columns are
// shown, their order and widths, and the header row's captions. Every change
// is told by changed(); showing or hiding a column by columnShownChanged as
// well, so that the show/hide commands follow whoever made it.
class TableLayout : public QObject {
    Q_OBJECT
public:
    explicit TableLayout(RowTable &table, QObject *parent = nullptr);

    const ColumnLayout &layout() const { return table_.layout(); }
    void setColumnShown(FieldNumber f, bool shown);
    // A data column dragged from one position to another; false when the
    // move is refused (a drop into the frozen zone) and nothing changed.
    bool moveColumn(int from, int to);
    void setColumnWidth(FieldNumber f, int width);
    // The layout as saved: "ColIndex" and "ColWidths".
    void restore(QStringView colIndex, QStringView colWidths);
    // The Cop and Ory headers in their Lyrics3 form or back.
    void setLyricsHeaders(bool lyricsView);
    // The header row's captions anew, in the language now installed.
    void retranslateHeaders();

signals:
    // Positions, widths, shown columns or header texts changed.
    void changed();
    void columnShownChanged(qm::FieldNumber f, bool shown);

private:
    RowTable &table_;
};

} // namespace qm
