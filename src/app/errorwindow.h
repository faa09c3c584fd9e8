#pragma once

#include <QStringList>
#include <QWidget>
#include <functional>
#include <vector>

#include "table/columnlayout.h"

class QAction;
class QLabel;
class QMenu;
class QPushButton;
class QTableView;

namespace qm {

class ErrorModel;
class RowTable;
struct ErrorTable;

// The window that lists the rows a write job could not apply, each a full
// copy of its table row with the reason in the last column "Ошибка". It is
// a window of its own (no owner) and never blocks the main window. Its size
// lives in the settings section Error: read when it is first shown, written
// whenever it closes.
class TfrmError : public QWidget {
    Q_OBJECT
public:
    static constexpr int kMinWidth = 483;
    static constexpr int kMinHeight = 226;
    static constexpr int kErrorColumnWidth = 228;

    // `mainTable` is the main window's table: its header and column widths
    // are taken at every show. "Удалить измененные" asks its owner to
    // rewrite it (replaceMainTable).
    TfrmError(const RowTable &mainTable, const QString &settingsPath,
              QWidget *mainWindow = nullptr);
    ~TfrmError() override;

    // The write job's failures replace the table's rows.
    void setErrors(const ErrorTable &errors);
    int errorRowCount() const;
    // Shows the window when it holds rows (the update job's end).
    void showIfErrors();

    QTableView *grid() const { return grdErrFiles_; }
    QPushButton *deleteButton() const { return btnDeleteRenam_; }
    QPushButton *closeButton() const { return btnClose_; }
    QAction *copyAction() const { return copy_; }
    QAction *selectAllAction() const { return selectAll_; }
    // The cell texts of the error table (the header included as row 0).
    QString cellText(int row, int column) const;
    int columnCount() const;

    // The selected cells as text: tabs between cells, a line break after each
    // row, rows and columns in table order.
    QString selectionText() const;
    // Puts selectionText() on the clipboard.
    void copySelection();

    // "Удалить измененные": the main table becomes exactly the failed rows.
    void deleteRenamed();
    // The owner of the main table replaces its rows (replaceFileRows); the
    // window never writes that table itself, and without an owner "Удалить
    // измененные" does nothing.
    std::function<void(const std::vector<QStringList> &, const ColumnLayout &, int)>
        replaceMainTable;
    // Called after deleteRenamed() changed the main table.
    std::function<void()> mainTableReplaced;
    // Called when the window closes (the main window takes the focus back).
    std::function<void()> closed;

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void readSettings();
    // Wide enough for the reason, Old and New, within the screen.
    int openingWidth() const;
    void writeSettings() const;
    void prepareTable();
    void applyLayout();

    const RowTable &mainTable_;
    QString settingsPath_;
    QWidget *mainWindow_;
    ErrorModel *model_;
    QLabel *lblError_;
    QTableView *grdErrFiles_;
    QPushButton *btnDeleteRenam_;
    QPushButton *btnClose_;
    QMenu *pmnGridErrors_;
    QAction *copy_;
    QAction *selectAll_;
    ColumnLayout shownLayout_; // the main table's positions when shown
    bool settingsRead_ = false;
};

} // namespace qm
