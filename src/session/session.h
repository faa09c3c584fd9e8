#pragma once

#include <QObject>
#include <QStringList>
#include <functional>
#include <memory>

#include "jobs/folderscan.h"
#include "jobs/jobrunner.h"
#include "jobs/readkinds.h"
#include "jobs/readrows.h"
#include "jobs/readjob.h"
#include "jobs/writejob.h"
#include "journal/journal.h"
#include "lists/speclist.h"
#include "options/options.h"
#include "table/celleditor.h"
#include "table/duplicates.h"
#include "table/rowtable.h"
#include "table/tablehistory.h"
#include "text/alphabetbook.h"
#include "text/sortkeys.h"
#include "text/cellfinder.h"
#include "text/lettercase.h"
#include "text/variants.h"

namespace qm {

// What the operations take from whoever drives the session (the window's
// views and numbering commands, or the command line's arguments), asked
// when an operation starts.
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
    std::shared_ptr<const QHash<QString, FileStamp>> readStamps;
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

    // Where the state comes from; without a source the defaults hold.
    void setStateSource(std::function<SessionState()> source) { stateSource_ = std::move(source); }
    SessionState state() const { return stateSource_ ? stateSource_() : SessionState{}; }
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
    // job of kind 'm' whose end completes both.
    void addDroppedPaths(const QStringList &paths);
    // A folder scan of kind 'd' (the add-directory dialog); its end completes
    // the added rows.
    void addFolders(const QStringList &folders);
    // Paths in the order given: a file becomes a row, a folder is scanned as
    // the add-directory dialog does; completion follows the last of them.
    void addPaths(const QStringList &paths);
    // One path as a row, unchecked (the program's first argument), completed.
    void addPath(const QString &path);
    // The rows addPaths and the reads after it would bring into an empty
    // table, numbered in one count, each handed to `sink` as soon as it is
    // read instead of kept; the table is left alone. `threads` files are
    // read at once. False when the sink stopped it.
    bool readPathRows(const QStringList &paths, int threads, const RowSink &sink) const;

    // Empties the table: the header and the blank last row stay.
    void newList();
    // A list file read by an add job into the emptied table (openList) or
    // after the rows there (addList): kind 'l' reads by the column-list
    // rules (an ".m3u" or ".m3u8" file by the m3u rules, and any list from
    // its "#EXTM3U" line on), 'p' by the m3u rules. Into an empty table, a
    // column list first switches the data views off (dataViewsOffRequested);
    // a play list keeps the user's views.
    void openList(const QString &path, char kind);
    void addList(const QString &path, char kind);

    // The files of rows [first, last] in row order, for the player: a Dir
    // lacking its final "/" gets it in the table too; the blank last row
    // and rows that name no file give none.
    QStringList playerFiles(int first, int last);

    enum class ListFormat { Column, Special, M3u };
    // Writes the file rows as a list; listSaved tells the result. Nothing
    // happens when the table holds no file row. A play list waits for the
    // durations: when the file-information view is off it is asked for
    // (fileInfoViewRequested) and the list written once its read has ended.
    void saveList(const QString &path, ListFormat format, const SpecListTemplates &templates = {});

    // Completes the rows an add brought in from `first` on: drops empty
    // ones, splits the file names (unless `splitNames` is false), numbers
    // them and starts their reads. Rows a list brought (`fromList`) keep
    // the cells it filled: the reads fill only the others.
    void completeAddedRows(int first, bool splitNames = true, bool fromList = false);
    // Reads rows [first, last] by `kind` (1, 2, 105, 108) on a job; with
    // `keepFilled` a cell holding text is not read over.
    void startUpdateJob(int first, int last, int kind, bool keepFilled = false);
    // Starts the read requests held back.
    void releaseUpdates();
    // Rewrites the numbers from `fromRow` to the last file row.
    void renumberRows(int fromRow);
    // Rewrites the numbers in `style` (the scope stays as it is), one
    // undoable step.
    void restyleNumbers(NumberStyle style);
    // Removes the rows repeating an earlier one, as an edit job.
    void removeDuplicates(DuplicateKey key);
    // The sort command of `column`: its keys, with Dir in front under
    // separate numbering, as a sort job; a sort by track zero-fills the
    // tracks first. The rows are renumbered when it ends.
    void sortRows(FieldNumber column);
    // Shuffles the file rows as a sort job.
    void shuffleRows();
    // Separate numbering was switched on: the rows are sorted by folder and
    // then numbered per folder (queued behind a running job); one undoable
    // step when `asStep` (the user's switch), else the history is forgotten.
    void sortForSeparateNumbering(bool asStep = false);
    // Writes rows [first, last] by `kind` (11, 12 or 117).
    void write(int first, int last, int kind, bool moveFiles);

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
    void saveAlphabet(const SymbolPairs &pairs);
    void selectAlphabet(int index, const SymbolPairs &leaving);
    void saveAlphabetAs(const QString &name, const SymbolPairs &pairs);
    void removeAlphabet();
    // Replace or restore the cells of `selection` (file cells only) by the
    // current alphabet, as an edit job ('e' and 'r'), one undoable step.
    void replaceSymbols(const CellRect &selection);
    void restoreSymbols(const CellRect &selection);
    // The variants window's "Применить": the walk's character becomes `text`
    // (one undoable step).
    bool applyVariant(VariantWalk &walk, const QString &text);

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
    // What undo and redo can do changed.
    void historyChanged();

    // The views for a list file (answered synchronously by the window):
    // switch the ID3v1, ID3v2 and file-information views off by their
    // commands; show a hidden column by its command; switch a view on
    // without reading (0 file information, 1 ID3v1, 2 ID3v2) because the
    // list carries its data; switch the file-information view on by its
    // command, reading.
    void dataViewsOffRequested();
    void columnShowRequested(FieldNumber f);
    void carriedViewRequested(int view);
    void fileInfoViewRequested();
    // A list file could not be read: "Не удается открыть файл: \n" + path.
    void listReadFailed(const QString &message);
    // A list was written (ok) or could not be created.
    void listSaved(const QString &path, bool ok);
    // The list of alphabets or the current one changed.
    void alphabetsChanged();
    // A restore job has ended (the window offers the variants).
    void symbolsRestored();

private:
    class ChangedRows;
    struct StepGuard {
        explicit StepGuard(Session &session) : session(session) { session.beginStep(); }
        ~StepGuard() { session.endStep(); }
        StepGuard(const StepGuard &) = delete;
        StepGuard &operator=(const StepGuard &) = delete;
        Session &session;
    };
    void beginStep();
    void endStep();
    // A step that a job ends: from `before` to the table now.
    void recordStep(const TableSnapshot &before);
    std::shared_ptr<TableSnapshot> jobSnapshot() const;
    void announce(const TableHistory::Touched &touched);
    // The folder scan of `kind`, appending a row per file found.
    std::shared_ptr<Job> scanJob(char kind, const QStringList &folders);
    void startAddJob(const QStringList &folders, char kind);
    // Switches on, without reading, the views a list carries data for.
    void showCarriedViews(int tagVersion, bool fileInfo);
    void writeList(const QString &path, ListFormat format, const SpecListTemplates &templates);
    void addPathsFrom(QStringList paths, int first);
    // Its end renumbers every row and ends the wait for separate numbering.
    // `before` makes the sort one undoable step; without it the history is
    // forgotten.
    void startSortJob(const SortKeys &keys, std::shared_ptr<TableSnapshot> before = nullptr);
    // The question of a replacing walk, announcing the pass's rows first.
    RepeatQuestion announcingPasses(const RepeatQuestion &repeat);
    void announceReplaced();
    // The table's part of an undo: Old and New back, the rows read again.
    UndoResult settleUndo(const journal::UndoReport &report);
    void startSymbolsJob(const CellRect &selection, bool restore);
    // Records a file's state, as a job read or wrote it, in readStamps_.
    TUpdateThread::FileStamped stampRecorder();
    // Reads the rows again into the view's columns, as after an undo.
    void rereadRows(const std::vector<int> &rows);
    void alphabetWritten(bool written);

    struct Held {
        int first;
        int last;
        int kind;
        bool keepFilled;
    };

    RowTable table_;
    Options options_;
    std::function<SessionState()> stateSource_;
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
    QHash<QString, FileStamp> readStamps_;
    // Where the rows of the running add begin.
    int firstAddedRow_ = 0;
    // After the table: the jobs that write to it go first.
    JobRunner runner_;
};

} // namespace qm
