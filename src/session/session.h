#pragma once

#include <QObject>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

#include "jobs/addjob.h"
#include "jobs/folderscan.h"
#include "jobs/jobrunner.h"
#include "jobs/picturejob.h"
#include "jobs/readkinds.h"
#include "jobs/readrows.h"
#include "jobs/readjob.h"
#include "jobs/writejob.h"
#include "journal/journal.h"
#include "lists/listreader.h"
#include "lists/speclist.h"
#include "options/options.h"
#include "settings/inifile.h"
#include "table/cellblock.h"
#include "table/celleditor.h"
#include "table/duplicates.h"
#include "table/rowtable.h"
#include "table/tablehistory.h"
#include "session/tablelayout.h"
#include "text/alphabetbook.h"
#include "text/sortkeys.h"
#include "text/cellfinder.h"
#include "text/lettercase.h"
#include "text/textrepair.h"
#include "text/variants.h"

namespace qm {

// The session's view of the table, which its operations follow: set by the
// window's views and numbering commands, or at once by the command line's
// arguments.
struct SessionState {
    Numbering numbering;
    TagView tagView = TagView::None;
    // The file-information columns are shown: added rows get it read.
    bool fileInfo = false;
    // The settings of a folder scan.
    ScanSettings scan;
    // Tags and information are read from files of every name, not only *.mp3.
    bool allFormats = false;
    // Writes go without the journal (quillmark-cli apply --no-journal).
    bool noJournal = false;
    // The rows' files as they were read, by path (WriteSettings::ReadStamps).
    std::shared_ptr<const FileStamps> readStamps;
    // The 8-bit code page of every file whose own is not chosen
    // (quillmark-cli --codepage); empty: the options' one.
    QString codepage;
};

// A cell whose text looks like it went through the wrong code page: its
// text, the reading proposed and the other readings, best first.
struct SuspectCell {
    int row = 0;
    FieldNumber field = FieldNumber::No;
    QString text;
    RepairReading proposal;
    QList<RepairReading> others;
};

// A repair chosen for a cell: `from` becomes `to`.
struct CellRepair {
    int row = 0;
    FieldNumber field = FieldNumber::No;
    QString from;
    QString to;
};

// What undoing an update did.
struct UndoResult {
    quint64 number = 0; // the job undone; 0: there was none to undo
    QString error;      // why nothing was put back although the job exists
    int restored = 0;   // files given back their names or tag bytes
    // The files left alone, one row each (the table's row when one stands
    // for the file), the reason as the message.
    ErrorTable leftAlone;
};

// The program's working set: the table of files, the options and the job
// runner, and the operations over them: adding files and folders, completing
// the rows an add brought in with the reads that follows, reading, duplicate
// removal, renumbering and writing. The window and quillmark-cli both drive
// it; the window's model follows the signals below and the questions of a
// write go to the WriteQuestions it is given.
class Session : public QObject {
    Q_OBJECT
public:
    explicit Session(QObject *parent = nullptr);
    ~Session() override;

    RowTable &table() { return table_; }
    const RowTable &table() const { return table_; }
    Options &options() { return options_; }
    const Options &options() const { return options_; }
    JobRunner &runner() { return runner_; }
    // A job runs or waits: rows must not move.
    bool busy() const { return !runner_.controlsEnabled(); }

    // The view state. Each setter tells a change by its signal, so the
    // window's commands follow whoever changed it (a list read switches views
    // too). setState takes everything at once and tells nothing.
    const SessionState &state() const { return state_; }
    void setState(const SessionState &state) { state_ = state; }
    TagView tagView() const { return state_.tagView; }
    void setTagView(TagView view);
    bool fileInfo() const { return state_.fileInfo; }
    void setFileInfo(bool on);
    const Numbering &numbering() const { return state_.numbering; }
    // The rows are numbered anew in `style`, one undoable step that takes
    // the style back with the numbers.
    void setNumberStyle(NumberStyle style);
    // Per folder: the rows are sorted by folder and numbered per folder;
    // for the whole table: numbered anew. One undoable step that takes the
    // scope back with the rows.
    void setNumberScope(NumberScope scope);
    void setScan(const ScanSettings &scan) { state_.scan = scan; }

    // The column layout: the session is the one writer of the table, its
    // layout included; the window's header and commands follow its signals.
    TableLayout &columns() { return columns_; }
    // The fields the cell editor's analysis looks for, in their order.
    const QList<FieldNumber> &scanFields() const { return scanFields_; }
    void setScanFields(const QList<FieldNumber> &fields) { scanFields_ = fields; }
    // The settings file the window keeps (options and views): the options
    // and the scan fields from it, a missing file leaving the defaults. The
    // file read, or nothing when there is none.
    std::optional<IniFile> loadSettings(const QString &path);
    // Read requests are held back while this returns true (the options
    // dialog is open) and started by releaseUpdates().
    void setUpdatesHeld(std::function<bool()> held) { updatesHeld_ = std::move(held); }
    // Who answers the questions of a write; must outlive the jobs started
    // with it.
    void setQuestions(WriteQuestions *questions) { questions_ = questions; }

    ReadSettings readSettings() const;
    WriteSettings writeSettings(bool moveFiles) const;

    // Files chosen in the open dialog: rows at once, then completion.
    void addFiles(const QStringList &paths);
    // Dropped paths: files become rows at once, folders are scanned by an add
    // job whose end completes both.
    void addDroppedPaths(const QStringList &paths);
    // A folder scan (the add-directory dialog); its end completes the added
    // rows.
    void addFolders(const QStringList &folders);
    // Paths in the order given: a file becomes a row, a folder is scanned as
    // the add-directory dialog does; completion follows the last of them.
    void addPaths(const QStringList &paths);
    // One path as a row, unchecked (the program's first argument), completed.
    void addPath(const QString &path);
    // The rows addPaths and the reads after it would bring into an empty
    // table, numbered in one count, each handed to `sink` as soon as it is
    // read instead of kept; the table is left alone. `threads` files are
    // read at once; `unlisted` is told of each folder that cannot be listed.
    // False when the sink stopped it.
    bool readPathRows(const QStringList &paths, int threads, const RowSink &sink,
                      const FolderUnlisted &unlisted = {}) const;

    // A row brought in from outside (the command line's standard input),
    // appended after the rows there, with the state its file had when the
    // row was read and the 8-bit code page it was read in (empty: the
    // options' one) when the row carries them. No undo step, nothing told:
    // the table is filled before anything looks at it.
    void appendOutsideRow(Row row, const std::optional<FileStamp> &read,
                          const QString &codepage = {});
    // Room for about `count` such rows.
    void reserveOutsideRows(int count);
    // Each file as the last read of its row found it or the last write left
    // it, by path: the states rows carry out of the command line.
    const FileStamps &readStamps() const { return readStamps_; }
    // The state of the row's file now, as it was just read; forgotten when
    // the file is not there.
    void stampRow(const Row &row);
    // After a write of rows that brought their states along: every file row
    // whose file is not in `failed` is stamped anew, as the write left it; a
    // failed one keeps the state it came with, so that it fails again. Rows
    // that brought no states get none, and the states of files no row names
    // any more go.
    void restampWrittenRows(const QSet<QString> &failed);

    // Empties the table: the header and the blank last row stay.
    void newList();
    // A list file read by an add job into the emptied table (openList) or
    // after the rows there (addList): ListKind::Columns reads by the
    // column-list rules (an ".m3u" or ".m3u8" file by the m3u rules, and any
    // list from its "#EXTM3U" line on), ListKind::PlayList by the m3u rules.
    // Into an empty table, a column list first switches the data views off;
    // a play list keeps the user's views.
    void openList(const QString &path, ListKind kind);
    void addList(const QString &path, ListKind kind);

    // The files of rows [first, last] in row order, for the player: a Dir
    // lacking its final "/" gets it in the table too; the blank last row
    // and rows that name no file give none.
    QStringList playerFiles(int first, int last);

    enum class ListFormat { Column, Special, M3u };
    // Writes the file rows as a list; listSaved tells the result. No file
    // row makes an empty list (the window offers no saving then, a script
    // exports what it has). A play list waits for the
    // durations: when the file-information view is off it is switched on and
    // read, and the list written once that read has ended.
    void saveList(const QString &path, ListFormat format, const SpecListTemplates &templates = {});

    // Completes the rows an add brought in from `first` on: drops empty
    // ones, splits the file names (unless `splitNames` is false), numbers
    // them and starts their reads. Rows a list brought (`fromList`) keep
    // the cells it filled: the reads fill only the others.
    void completeAddedRows(int first, bool splitNames = true, bool fromList = false);
    // Reads rows [first, last] by `kind` (1, 2, 105, 108) on a job; with
    // `keepFilled` a cell holding text is not read over.
    void startUpdateJob(int first, int last, ReadKind kind, bool keepFilled = false);
    // Starts the read requests held back.
    void releaseUpdates();
    // Rewrites the numbers from `fromRow` to the last file row.
    void renumberRows(int fromRow);
    // Removes the rows repeating an earlier one, as an edit job.
    void removeDuplicates(DuplicateKey key);
    // The sort command of `column`: its keys, with Dir in front under
    // separate numbering, as a sort job; a sort by track zero-fills the
    // tracks first. The rows are renumbered when it ends.
    void sortRows(FieldNumber column);
    // Shuffles the file rows as a sort job.
    void shuffleRows();
    // Rows added under separate numbering: the rows are sorted by folder and
    // then numbered per folder (queued behind a running job); the history is
    // forgotten.
    void sortForSeparateNumbering();
    // Writes rows [first, last] by `kind` (11, 12 or 117).
    void write(int first, int last, WriteKind kind, bool moveFiles);

    // Changes the pictures of `files` by `command` as a job, every change
    // kept in the journal (undoUpdate puts the old pictures back); ends with
    // picturesChanged.
    void changePictures(const QStringList &files, const PictureCommand &command);
    // The window's way: the change is worked out as a job but not written;
    // it waits on the files (one undoable step) until an update writes
    // their rows, the pictures with the tag in one change of each file.
    // Ends with picturesChanged (the files given a waiting change).
    void pendPictures(const QStringList &files, const PictureCommand &command);
    // The picture edits waiting for `path`, in order; empty when none.
    QList<pictures::PictureEdit> pendingPictures(const QString &path) const;
    // The journal's finished write jobs, newest first, and the one
    // undoUpdate(0) takes (number 0 when none).
    static QList<journal::JobSummary> updateHistory() { return journal::history(); }
    static journal::JobSummary lastUndoableUpdate() { return journal::lastUndoable(); }
    // Puts back the names and tag bytes of write job `number` (0: the last
    // one not undone yet) as a job; a file changed since the job is left
    // alone. Rows of files renamed back get their Old and New back, and the
    // rows put back are read again. Ends with undoEnded.
    void undoUpdate(quint64 number = 0);
    void undoLastUpdate() { undoUpdate(0); }

    // Letter case of the cells of `selection` (data columns and file rows:
    // a selection reaching the blank last row leaves it out).
    void convertCase(const CellRect &selection, CaseMode mode);
    // The find dialog's walks (see CellFinder), on the session's search
    // state. A replacing walk announces its rows once per pass, before the
    // repeat question, and once at its end.
    const CellFinder &finder() const { return finder_; }
    void resetFind() { finder_.reset(); }
    FindMatch findNext(const CellRect &selection, const FindRequest &request,
                       const RepeatQuestion &repeat);
    FindMatch replaceMatch(const CellRect &selection, const FindRequest &request,
                           const QString &replacement, const RepeatQuestion &repeat);
    FindMatch replaceAll(const CellRect &selection, const FindRequest &request,
                         const QString &replacement, const RepeatQuestion &repeat);
    // Every occurrence in the file rows of `columns`, in one run (nobody is
    // asked); see replaceInCells. Returns the number of replacements.
    int replaceInColumns(const QList<FieldNumber> &columns, const QString &find,
                         const QString &replacement, bool caseSensitive, bool wholeCell);

    // The file cells of `columns` in rows [first, last] whose text has a
    // clearly better reading in another code page, in row order, then in the
    // order of `columns`. Changes nothing.
    QList<SuspectCell> suspectCells(const QList<FieldNumber> &columns, int first, int last) const;
    // Writes the repairs as one undoable step; a cell whose text is no
    // longer `from` is left alone. The number of cells changed.
    int applyRepairs(const QList<CellRepair> &repairs);

    // The 8-bit code page chosen for the file of `row`: empty when the
    // file has none of its own.
    QString rowCodepage(int row) const;
    // The code pages reads and writes use now: the state's for every file,
    // the files' own over it.
    FileCodepages fileCodepages() const;
    // The files of rows [first, last] get the code page `name` (empty: the
    // options' one) for their old 8-bit tag text from now on, in reading
    // and in writing; the rows' tags are read again in it, as one undoable
    // step. False, changing nothing, for an unknown name or while a job runs.
    bool chooseCodepage(int first, int last, const QString &name);

    // Undo and redo of the table, off until enabled (the command line keeps
    // no history). Every command that changes cells or rows is one step:
    // step() runs it; steps nested in a step join it. An edit that lasts,
    // such as typing in a box, is one step from openEdit() to closeEdit().
    // Changes that bring the disk's state in (adds, reads, writes) are no
    // steps: they forget the history, whose places would no longer fit.
    void setUndoEnabled(bool enabled);
    template <typename Change> decltype(auto) step(Change &&change)
    {
        const StepGuard guard(*this);
        return change();
    }
    void openEdit();
    void closeEdit();
    bool canUndo() const { return history_.canUndo(); }
    bool canRedo() const { return history_.canRedo(); }
    // Both close an open edit first and do nothing while a job runs.
    void undo();
    void redo();
    void forgetHistory();
    const TableHistory &history() const { return history_; }
    // The alphabets ("Runeswap.ini"). openAlphabets reads the file; a
    // missing one gives the built-in "Транслит", written out when
    // `createMissing` (the window does, the command line does not).
    AlphabetBook &alphabets() { return alphabets_; }
    const AlphabetBook &alphabets() const { return alphabets_; }
    void openAlphabets(const QString &path, bool createMissing);
    // The editor's writes: the current alphabet's table; switching to
    // `index` with the table being left; a new name made current (then
    // saved with `pairs`); deleting the current alphabet. A file that cannot
    // be written is reported once in the status line.
    void saveAlphabet(const AlphabetPairs &pairs);
    void selectAlphabet(int index, const AlphabetPairs &leaving);
    void saveAlphabetAs(const QString &name, const AlphabetPairs &pairs);
    void removeAlphabet();
    // Replace or restore the cells of `selection` (file cells only) by the
    // current alphabet, as an edit job (JobKind::Edit; restoring runs as
    // JobKind::Restore), one undoable step.
    void replaceByAlphabet(const CellRect &selection);
    void restoreByAlphabet(const CellRect &selection);
    // The variants window's "Применить": the walk's character becomes `text`
    // (one undoable step).
    bool applyVariant(VariantWalk &walk, const QString &text);

    // The user's edits of cells and rows, each an undoable step (a cell
    // typed in joins the open edit), each told by the signals below.
    // Typing in a cell: `text` becomes its value.
    void editCell(int row, FieldNumber field, const QString &text);
    // Leaving a typed-in cell: an emptied row goes, a filled blank last row
    // becomes a file row, the numbers follow; the open edit closes. True
    // when rows went or came.
    bool finishCellEdit(int row);
    // The clipboard's block into `selection`; false when nothing changed.
    bool pasteCells(const CellRect &selection, const QString &text, PasteMode mode);
    // The selected cells emptied, or the selected rows deleted; see
    // clearSelection and deleteSelection (an empty rect: nothing deleted).
    bool clearCells(const CellRect &selection);
    CellRect deleteCells(const CellRect &selection);
    // A row moved by a key (returns the row it went to) or dragged from
    // `from` to `to` (returns where the selection goes; -1 when nothing
    // moved).
    int moveRowByKey(int row, bool up);
    int dragRow(int from, int to);
    // A view's columns emptied as it goes, rows left empty removed.
    void emptyColumns(const QList<FieldNumber> &fields);
    // The table becomes exactly `rows` (cells by the positions of
    // `layout`), as the disk has them: no undo step.
    void replaceFileRows(const std::vector<QStringList> &rows, const ColumnLayout &layout,
                         int columns);

    // The cell editor over the selection: its text computed (which binds it
    // to the selection's cells), typed text applied to its cells, the
    // editor's undo, text inserted into the box's text at `from`, and the
    // end of editing. Every change to the cells joins the open edit;
    // finishing closes it and returns whether rows went or came.
    const CellEditor &cellEditor() const { return editor_; }
    void setEditorBaseline(const QString &text) { editor_.setBaseline(text); }
    QString computeEditorText(const CellRect &selection);
    void clearEditor() { editor_ = CellEditor(); }
    void applyEditorText(const QString &text);
    QString undoEditorText(const QString &shown);
    QString insertEditorText(const QString &shown, int from, int length, const QString &insertion);
    bool finishEditorEdit(const CellRect &selection);
    // The command line's edit of a whole column's file rows: the editor
    // bound to them, `text` applied, editing finished. The editor's text
    // before the change.
    QString setColumnText(FieldNumber field, const std::optional<QString> &text);

    // Serves the event loop until every job has ended (the command line's
    // way of waiting; the window's loop runs anyway).
    void waitForJobs();
    // Closing: drops held requests, stops every job and waits for the
    // running one; nothing is written to the table afterwards.
    void shutdown();

signals:
    // Rows were appended at the end of the table.
    void rowsAppended();
    // The rows changed in count or order: views rebuild.
    void rowsReset();
    // Cells of rows [first, last] changed.
    void cellsChanged(int first, int last);
    // The numbers were rewritten.
    void rowsRenumbered();
    // The rows an add brought in, completed and their reads started.
    void addedRowsCompleted(int first, int last);
    // A read job has ended.
    void updateEnded();
    // A write job is about to start on its rows.
    void writeStarted();
    // A write job that started has ended, with the rows it could not write.
    void writeEnded(const ErrorTable &errors);
    // An undo started by undoUpdate has ended (its rows' reads may follow).
    void undoEnded(const qm::UndoResult &result);
    // A picture job has ended: the files it changed and those it could not.
    void picturesChanged(const QStringList &changed, const QList<qm::PictureFailure> &failures);
    // What undo and redo can do changed.
    void historyChanged();
    // The picture changes waiting for the update changed.
    void pendingPicturesChanged();

    // The view state changed (the setters above).
    void tagViewChanged(qm::TagView view);
    void fileInfoChanged(bool on);
    void numberingChanged();
    // A list file could not be read: "Не удается открыть файл: \n" + path.
    void listReadFailed(const QString &message);
    // A list was written (ok) or could not be created.
    void listSaved(const QString &path, bool ok);
    // The list of alphabets or the current one changed.
    void alphabetsChanged();
    // A restore job has ended (the window offers the variants).
    void alphabetRestored();

private:
    class ChangedRows;
    struct StepGuard {
        // A command is a step of its own: typing still open in a box (the
        // focus stays there while a tool button or a menu runs the command)
        // is closed first, so that undo never takes both back at once.
        explicit StepGuard(Session &session) : session(session)
        {
            session.closeEdit();
            session.beginStep();
        }
        ~StepGuard() { session.endStep(); }
        StepGuard(const StepGuard &) = delete;
        StepGuard &operator=(const StepGuard &) = delete;
        Session &session;
    };
    void beginStep();
    void endStep();
    // A step that a job ends: from `before` to the table now.
    // `fileOrder`: the file rows' new order, when the step put them in one.
    void recordStep(const TableSnapshot &before, std::span<const int> fileOrder = {});
    // Closes an open edit first, as a step does.
    std::shared_ptr<TableSnapshot> jobSnapshot();
    void announce(const TableHistory::Touched &touched);
    // What a step of the history keeps besides the table: the pictures
    // waiting and the code pages chosen, as they were.
    std::shared_ptr<const void> stepExtra() const;
    // The pictures waiting and the code pages as a step of the history left
    // them.
    void takeStepExtra(const TableHistory::Touched &touched);
    void setPendingPictures(std::shared_ptr<const PendingPictures> pending);
    // The folder scan of `kind`, appending a row per file found.
    std::shared_ptr<Job> scanJob(AddKind kind, const QStringList &folders);
    void startAddJob(const QStringList &folders, AddKind kind);
    // Switches on, without reading, the views a list carries data for.
    void showCarriedViews(int tagVersion, bool fileInfo);
    void writeList(const QString &path, ListFormat format, const SpecListTemplates &templates);
    void addPathsFrom(QStringList paths, int first);
    // Its end renumbers every row and ends the wait for separate numbering.
    // `before` makes the sort one undoable step; without it the history is
    // forgotten.
    // startUpdateJob's read; with `before` it ends as one undoable step
    // instead of forgetting the history.
    void startReadJob(int first, int last, ReadKind kind, bool keepFilled,
                      const std::shared_ptr<TableSnapshot> &before);
    // The code pages chosen for the files of rows [first, last], by row,
    // and the same choices for those rows' files after a write renamed them.
    QList<std::pair<int, QString>> chosenCodepages(int first, int last) const;
    void followRenames(const QList<std::pair<int, QString>> &chosen);
    void startSortJob(const SortKeys &keys, const std::shared_ptr<TableSnapshot> &before = nullptr);
    // The question of a replacing walk, announcing the pass's rows first.
    RepeatQuestion announcingPasses(const RepeatQuestion &repeat);
    void announceReplaced();
    // The table's part of an undo: Old and New back, the rows read again.
    UndoResult settleUndo(const journal::UndoReport &report);
    void startAlphabetJob(const CellRect &selection, bool restore);
    // Records a file's state, as a job read or wrote it, in readStamps_.
    TUpdateThread::FileStamped stampRecorder();
    // The same for a read of rows [first, last].
    TUpdateThread::FileStamped readStampRecorder(int first, int last);
    // Reads the rows again into the view's columns, as after an undo.
    void rereadRows(const std::vector<int> &rows);
    void alphabetWritten(bool written);
    // The cells of [first, last] changed: announces them.
    void announceCells(const CellRect &cells);
    // After an edit that may have removed or added rows.
    bool announceRows(int rowsBefore, int first);

    struct Held {
        int first;
        int last;
        ReadKind kind;
        bool keepFilled;
    };

    RowTable table_;
    TableLayout columns_{table_};
    Options options_;
    SessionState state_;
    QList<FieldNumber> scanFields_ = options_.scanFields().enabledFields();
    CellEditor editor_;
    std::function<bool()> updatesHeld_;
    WriteQuestions *questions_ = nullptr;
    // Without anyone to ask, no folder is made and no file replaced.
    FixedAnswers unasked_{Answer::NoToAll, Answer::NoToAll};
    std::vector<Held> held_;
    CellFinder finder_;
    TableHistory history_;
    bool undoEnabled_ = false;
    int stepDepth_ = 0;
    bool editOpen_ = false;
    TableSnapshot stepStart_;
    AlphabetBook alphabets_;
    bool alphabetFailureShown_ = false;
    // Each file as the last read of its row's tag cells found it or the last
    // write left it, by path; an entry outliving its row is harmless.
    FileStamps readStamps_;
    // The files' states as the last write job left them, while rows bring
    // their own states along: restampWrittenRows takes them instead of
    // looking at each file again.
    FileStamps writtenStamps_;
    // The 8-bit code page chosen for a file, by path.
    QHash<QString, QString> codepages_;
    // Picture edits waiting for the update, by file; shared with the steps
    // of the history and the write job, never changed in place.
    std::shared_ptr<const PendingPictures> pendingPictures_;
    // The last stepExtra(), given again while nothing in it changed: a step
    // is recorded when its table or its extra state changed.
    mutable std::shared_ptr<const void> stepExtra_;
    // Where the rows of the running add begin.
    int firstAddedRow_ = 0;
    // After the table: the jobs that write to it go first.
    JobRunner runner_;
};

} // namespace qm
