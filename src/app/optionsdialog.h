#pragma once

#include <QDialog>
#include <QList>

#include <array>

#include "app/scangrid.h"
#include "options/options.h"

class QCheckBox;
class QComboBox;
class QListWidget;
class QListWidgetItem;
class QMenu;
class QTabWidget;

namespace qm {

class CommandSet;

// The options dialog "Настройки": which fields are read and shown per view,
// the tool bars, the mp3-only and Lyrics3 ticks, the legacy code page and
// the scan fields of the cell editor. It edits the Options the main window
// owns and acts on the window through its commands: the column show/hide
// commands (aVisibleSiz ...), the views (aFileInfo, aID3v1Tag, aID3v2Tag)
// and the tool bar commands (aVisibleBarFile ...).
//
// The window wires it once: aOptions runs exec(); scanFieldListChanged
// replaces the cell editor's ScanFieldList; editorTextRequested recomputes
// the editor's text. After reading section Options at first show, call
// syncFromOptions().
class TfrmOptions : public QDialog {
    Q_OBJECT
public:
    enum Page { PageMain, PageScan, PageTag1, PageTag2 };

    TfrmOptions(Options &options, CommandSet &commands, QWidget *parent = nullptr);

    // Rebuilds every control from the options (they may have changed
    // elsewhere: the column commands keep the show lists in step).
    void syncFromOptions();
    // A page of another part of the window, after the others.
    void addPage(QWidget *page, const QString &title) { pcnOptions_->addTab(page, title); }
    void showPage(QWidget *page) { pcnOptions_->setCurrentWidget(page); }

    // Ticks or unticks every item of a check list, as its pop-up menu does.
    void setAllItems(QListWidget *list, bool ticked);

    // The pop-up menus (check lists, scan grid), for the window's tests.
    QMenu *checkListMenu() const { return pmnCheckList_; }
    QMenu *scanMenu() const { return pmnSelScan_; }
    ScanGridModel *scanModel() const { return scanModel_; }

    void done(int result) override;

signals:
    // The enabled scan fields in their order.
    void scanFieldListChanged(const QList<qm::FieldNumber> &fields);
    void editorTextRequested();

protected:
    void showEvent(QShowEvent *event) override;

private:
    struct ListPair {
        QListWidget *read = nullptr;
        QListWidget *show = nullptr;
    };

    QWidget *createMainPage();
    QWidget *createScanPage();
    QWidget *createTagPage(FieldView view);
    QListWidget *createCheckList(const char *name);
    void createMenus();

    void FormShow();
    void FormCloseQuery();
    void fillList(FieldView view);
    void setTick(QListWidget *list, int item, bool ticked);
    void listItemChanged(QListWidget *list, QListWidgetItem *item);
    void showItemClicked(FieldView view, int item, bool ticked);
    void readItemClicked(FieldView view, int item, bool ticked);
    void chbReadLyrics2Click(bool ticked);
    void clbToolBarsVisibleClickCheck(int item, bool ticked);
    void codepageChosen(int index);
    void syncToolBars();

    bool viewOn(FieldView view) const;
    QAction *viewCommand(FieldView view) const;
    // Makes the column of the show item follow its tick, when the page on
    // show is that list's page and its view is on.
    void apply(FieldView view, int item, bool shown);
    void markChanged(FieldView view);
    bool findList(const QListWidget *list, FieldView *view, bool *isShow) const;

    Options &options_;
    CommandSet &commands_;
    QTabWidget *pcnOptions_ = nullptr;
    QListWidget *clbToolBarsVisible_ = nullptr;
    std::array<ListPair, 3> lists_;
    QCheckBox *chbFormatRead_ = nullptr;
    class RenamingPage *renamingPage_ = nullptr;
    QCheckBox *chbReadLyrics2_ = nullptr;
    QComboBox *cmbCodepage_ = nullptr;
    QComboBox *cmbTag2Version_ = nullptr;
    ScanGrid *stgScanCells_ = nullptr;
    ScanGridModel *scanModel_ = nullptr;
    QMenu *pmnCheckList_ = nullptr;
    QMenu *pmnSelScan_ = nullptr;
    QListWidget *menuList_ = nullptr;
    // Programmatic tick changes are not clicks.
    bool syncing_ = false;
    std::array<bool, 3> viewChanged_{};
    bool scanChanged_ = false;
};

} // namespace qm
