#pragma once

#include <QHash>
#include <QList>
#include <QMainWindow>
#include <QString>
#include <QStringList>
#include <memory>

#include "options/options.h"
#include "session/session.h"
#include "table/numbering.h"
#include "table/rowtable.h"

class QAction;
class QActionGroup;
class QComboBox;
class QMenu;
class QToolBar;

namespace qm {

class ColumnViews;
class CommandSet;
class DropDownCommand;
class GridEditing;
class GridModel;
class NameGrid;
class InfoPanel;
class JobControl;
class ListCommands;
class PictureCommands;
struct EditSettings;
struct GridSettings;
struct MainSettings;
class WriteCommands;
class TfrmAbout;
class TfrmAddDirectory;
class TfrmFind;
class TfrmOptions;

// The main window: the table of files, its menus, tool bars and status
// panel, and the settings sections Main, Edit and Grid.
class TfrmTagEditor : public QMainWindow {
    Q_OBJECT
public:
    // `firstArgument`, when not empty, becomes the table's first file row.
    explicit TfrmTagEditor(const QString &firstArgument = {}, QWidget *parent = nullptr);
    ~TfrmTagEditor() override;

    CommandSet &commands() const { return *commands_; }
    InfoPanel *infoPanel() const { return infoPanel_; }
    QString settingsPath() const { return settingsPath_; }
    // The seven tool bars in their design order (tbrFile .. tbrCellsEditor).
    const QList<QToolBar *> &toolBars() const { return toolBars_; }
    DropDownCommand *dropDown(const QString &name) const { return dropDowns_.value(name); }
    QComboBox *numberingBox() const { return cmbNombers_; }
    Session &session() { return session_; }
    const RowTable &table() const { return session_.table(); }
    Options &options() { return options_; }
    NameGrid *grid() const { return grid_; }
    GridModel *gridModel() const { return model_; }
    ColumnViews &views() const { return *views_; }
    GridEditing &editing() const { return *editing_; }
    NumberStyle numberStyle() const { return session_.numbering().style; }
    NumberScope numberScope() const { return session_.numbering().scope; }
    JobControl &jobs() const { return *jobs_; }
    WriteCommands &writeCommands() const { return *writeCommands_; }
    ListCommands &listCommands() const { return *listCommands_; }
    PictureCommands &pictureCommands() const { return *pictureCommands_; }
    // The options dialog opened on `page`.
    void showOptionsPage(QWidget *page);
    TfrmOptions *optionsDialog() const { return optionsDialog_; }
    TfrmAddDirectory *addDirectoryDialog() const { return addDirectoryDialog_; }
    TfrmAbout *aboutWindow() const { return aboutWindow_; }
    TfrmFind *findDialog() const { return findDialog_; }

    // Busy (false) disables the menus, the tool bars and the table and shows
    // the progress bar and Stop; idle (true) undoes that.
    void setControlsEnabled(bool enabled);
    void btnStopClick();

    // The session's operations, as the window's commands call them.
    void completeAddedRows(int first) { session_.completeAddedRows(first); }
    void renumberRows(int fromRow) { session_.renumberRows(fromRow); }
    // The fields the cell editor's analysis looks for, in their order: the
    // options' enabled scan fields, as of first show or the options dialog.
    const QList<FieldNumber> &scanFieldList() const { return session_.scanFields(); }

    // While the options dialog is open a read waits until it has closed.
    void startUpdateJob(int first, int last, ReadKind kind)
    {
        session_.startUpdateJob(first, last, kind);
    }
    void addFiles(const QStringList &paths) { session_.addFiles(paths); }
    void addDroppedPaths(const QStringList &paths);

signals:
    // The cell editor's text is to be computed anew (a view switch, the
    // options dialog closing). The end of a reading job needs no request:
    // the window's return to idle computes it, once for a 100,000-row
    // selection rather than twice.
    void editorTextRequested();

protected:
    bool event(QEvent *event) override;
    // While a job runs, the commands' shortcuts are held back like their
    // menus: only Stop answers.
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void createMenus();
    void createToolBars();
    void createDropDowns();
    void connectCommands();
    // Letter case and find and replace: their commands and the find dialog.
    void connectTextCommands();
    void placeToolBars(const QList<int> &order);
    QList<int> toolBarOrder() const;
    void refreshCommandContainers();

    void createTable();
    void placeForFirstStart();
    void fitColumnsToHeaders();
    void followTagView();
    void createJobs();
    void applyControlsEnabled(bool enabled);
    void aAddFilesExecute();
    void aOptionsExecute();
    // The numbering commands and box show the session's numbering.
    void followNumbering();
    // The add-directory dialog's scan settings become the session's.
    void takeScanSettings();
    // The sort commands, the shuffle and separate numbering, onto the session.
    void connectSortCommands();
    void onLayoutChanged();
    // The settings sections of the window: applied on start, taken from
    // the window on saving.
    void applyMainSettings(const MainSettings &settings);
    void applyEditSettings(const EditSettings &settings);
    void applyGridSettings(const GridSettings &settings);
    MainSettings mainSettings() const;
    EditSettings editSettings() const;
    GridSettings gridSettings() const;
    bool saveSettings();

    void toggleToolBar(int index, bool shown);
    void setStayOnTop(bool on);
    void runCurrentFile();
    // Moves `key` to `owner`, taking it from every command of `holders`.
    static void moveShortcut(const QKeySequence &key, QAction *owner,
                             const QList<QAction *> &holders);
    // Copy and paste availability depends on the clipboard and on the
    // application being active; both notifications end up here.
    void recomputeClipboardStates();
    void showStatusHint(const QString &hint);

    // The table, the options and the jobs over them.
    Session session_;
    const RowTable &table_ = session_.table();
    Options &options_ = session_.options();
    std::unique_ptr<JobControl> jobs_;
    WriteCommands *writeCommands_ = nullptr;
    ListCommands *listCommands_ = nullptr;
    PictureCommands *pictureCommands_ = nullptr;
    TfrmOptions *optionsDialog_ = nullptr;
    TfrmAddDirectory *addDirectoryDialog_ = nullptr;
    TfrmAbout *aboutWindow_ = nullptr;
    TfrmFind *findDialog_ = nullptr;
    CommandSet *commands_;
    GridModel *model_ = nullptr;
    NameGrid *grid_ = nullptr;
    ColumnViews *views_ = nullptr;
    GridEditing *editing_ = nullptr;
    InfoPanel *infoPanel_ = nullptr;
    QString settingsPath_;
    QList<QToolBar *> toolBars_;
    QList<int> barOrder_; // band slot of each bar, by design index
    QList<QMenu *> mainMenus_;
    QHash<QString, DropDownCommand *> dropDowns_;
    QComboBox *cmbNombers_ = nullptr;
    QAction *mmiOnlySelTag_ = nullptr;
    QAction *mmiMoveFiles_ = nullptr;
    QAction *mmiCopyFiles_ = nullptr;
    QMenu *writeTagMenu_ = nullptr;
    QAction *writeTagSeparator_ = nullptr;
    bool firstShowDone_ = false;
    // The user picked a write-tag command (now or in a saved session).
    bool writeTagChosen_ = false;
};

} // namespace qm
