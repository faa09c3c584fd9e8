#pragma once

#include <QObject>
#include <memory>

#include "jobs/readkinds.h"
#include "options/options.h"
#include "session/tablelayout.h"
#include "table/rowtable.h"

class QAction;

namespace qm {

class CommandSet;
struct NamedCommands;
class Session;

// Which columns are shown and in use: the column show/hide commands, "show
// all", and the three views (file information, ID3v1, ID3v2) with every
// visibility, caption, hint and header change they make. It works on the
// row table, the options' field lists and the commands, and no widget, so
// the window only has to redraw when told.
class ColumnViews : public QObject {
    Q_OBJECT
public:
    // The session's views and layout are the ones the commands set and
    // follow; the session empties the columns of a view that goes.
    ColumnViews(Session &session, CommandSet &commands, QObject *parent = nullptr);
    // Over a table of its own, with no session: the layout alone follows
    // the commands, and nothing is emptied.
    ColumnViews(RowTable &table, Options &options, CommandSet &commands, QObject *parent = nullptr);
    ~ColumnViews() override;

    bool fileInfoOn() const;
    bool id3v1On() const;
    bool id3v2On() const;
    // 0 none, 1 ID3v1, 2 ID3v2: the "Tag" setting.
    int tagView() const;

    // Sets the views as saved, through the view commands, so every switch
    // does what it does when the user clicks it.
    void applySavedViews(bool fileInfo, int tag);

    // The show/hide command of field `f` was triggered (its checked state is
    // already the wanted one).
    void columnCommandTriggered(FieldNumber f);
    void showAll();
    // The view commands were triggered; `reading` false is the form used
    // when rows arrive with their data already (no reading is asked for).
    void switchFileInfo(bool reading = true);
    void switchId3v1(bool reading = true);
    void switchId3v2(bool reading = true);

    // After the layout was replaced (settings): checks the show/hide commands
    // of exactly the shown columns.
    void syncColumnCommands();

    QAction *columnCommand(FieldNumber f) const;

signals:
    // Positions, widths, hidden columns or header texts changed.
    void layoutChanged();
    // The place where a reading job of `kind` (a ReadKind) starts for
    // rows [first, last] (an empty range when there are no file rows).
    void readRequested(int first, int last, ReadKind kind);
    // The window goes back to idle.
    void idleRequested();
    // The cell editor's text is to be computed anew.
    void editorTextRequested();

private:
    const NamedCommands &named() const;
    void setColumnShownByCommand(FieldNumber f, bool shown);
    void syncOptionLists(FieldNumber f, bool shown);
    void ensureBasicColumnShown();
    void emptyColumns(const QList<FieldNumber> &fields);
    // The session switched a view (a list read): the commands follow, the
    // view switched on without reading since the session reads itself.
    void followTagView(TagView view);
    void followFileInfo(bool on);
    // The session showed or hid a column: its command follows.
    void followColumnShown(FieldNumber f, bool shown);
    void setTagCommandsInUse(FieldView view, bool on);
    void setLyricsCaptions(bool lyricsView);
    void setWriteTagInUse();
    void switchTagView(FieldView view, bool reading);

    void connectCommands();

    const RowTable &table_;
    Session *session_ = nullptr;
    std::unique_ptr<TableLayout> ownColumns_;
    TableLayout &columns_;
    Options &options_;
    CommandSet &commands_;
    // While a view toggles columns, the options' lists are not touched.
    bool viewSwitching_ = false;
    // While a command switches a view, the session's news of it is ours.
    int switching_ = 0;
};

} // namespace qm
