#pragma once

#include "formats/filechange.h"
#include "formats/id3v1.h"
#include "formats/id3v2.h"
#include "formats/mpegaudio.h"
#include "jobs/filestamps.h"
#include "jobs/nativefile.h"
#include "jobs/picturestep.h"
#include "jobs/readkinds.h"
#include "jobs/writequestions.h"
#include "journal/backgroundtask.h"
#include "options/options.h"
#include "table/rowtable.h"

#include <QHash>
#include <QString>

#include <sys/stat.h>

#include <functional>
#include <memory>
#include <set>
#include <utility>
#include <vector>

namespace qm {

namespace journal {
class JobJournal;
}

// The update job's writing kinds, by the numbers that name them (a job's
// journal is "write" and the number).
enum class WriteKind : int {
    Tag1 = 11,   // write the ID3v1 tag of every row
    Tag2 = 12,   // write the ID3v2 tag of every row
    Apply = 117, // write the current view's tag, then rename, move or copy
};

// Characters a name may not hold: the first set keeps names valid on the
// FAT and NTFS file systems of players and USB sticks; the second set is
// the drive colon and the foreign separator "\", which may not appear in
// Old or New of a row with a folder.
bool HasForbiddenFirst(QStringView text);
bool HasForbiddenSecond(QStringView text);

// What the writing kinds take from the options and the window, copied when
// the job is created. The reading settings say which files and fields the
// rows were read from: only those are written.
struct WriteSettings : ReadSettings {
    bool MoveFiles = true; // "Перемещать файлы"; false: "Копировать файлы"
    // The files are written without the journal (quillmark-cli --no-journal):
    // a write cut short cannot be put back, and nothing can be undone.
    bool NoJournal = false;
    // What the rows' files were when the rows were read, by path: a file
    // that is another since (another program wrote or replaced it) is left
    // alone and its row fails. A file not listed is written as the row says.
    std::shared_ptr<const FileStamps> ReadStamps;
    // Before its first change the job asks whether to write the files that
    // ReadStamps says were changed since (the window); without it their rows
    // fail unasked (the command line's rows).
    bool AskChanged = false;
    // The ID3v2 version written: 3, 4, or 0 for the file's own.
    quint8 Id3v2Version = 3;
    // Picture changes that the window's commands left for the update: a
    // file's tag write carries them in the same change.
    std::shared_ptr<const PendingPictures> Pictures;
    // Moves: an album's other files (CompanionPatterns) follow its audio
    // files when they all go to one new folder.
    bool MoveCompanions = false;
    QStringList CompanionPatterns;

    // The options' read lists and ticks, the window's tag view and the
    // choice of the menu "&Переименовывание".
    static WriteSettings From(const Options &options, qm::TagView tagView, bool moveFiles);
};

// What one row step did.
struct RowOutcome {
    bool failed = false; // the row goes to the error table with `message`
    QString message;
    bool renamed = false; // Old and New were swapped
    FileStamp placed;     // renamed: the file under its new name
    // The row's file as the step left it, when known (size -1 when not, or
    // when the step did not look at the file).
    FileStamp written;
};

// Where kind 117 takes a row's file from and to, from its cells alone (it
// fixes the trailing "/" of Dir). `failed` with the message when forbidden
// characters stop the row; an empty `newFolder` when the row gives no new
// name, with the message when New is empty or only dots and blanks.
struct RenameTarget {
    bool failed = false;
    QString message;
    QString oldPath;
    QString newPath;
    QString newFolder;
};
RenameTarget RenameTargetOf(Row &row);
// The same of a row left as it is: `dirCell`, the row's Dir to begin with,
// gets the closing "/" instead.
RenameTarget RenameTargetOf(const Row &row, Cell &dirCell);

// What a job knows of a row's file before its first change.
struct KnownFile {
    const struct stat *state = nullptr; // from a stat the job made, or null
    // The job looked and found no file at the row's name: a file there by
    // the row's step is another row's, moved in since, and not this row's.
    bool missing = false;
    // No other row names the same file, so that no step of the job but the
    // row's own touches it: `state` still holds when the row's step comes.
    bool lasting = false;
    // RenameTargetOf of the row's cells as they are, and the Dir cell it
    // left in them; null when not known.
    const RenameTarget *target = nullptr;
    const Cell *dir = nullptr;
};

// The per-row work of the writing kinds, on a copy of the row: it fixes the
// trailing "/" of Dir and swaps Old and New after a rename, and the caller
// writes those cells back. The remembered answers live as long as the
// object, which is one job.
class RowWriter {
public:
    using AskFolder = std::function<Answer(const QString &folder)>;
    using AskReplace = std::function<Answer(const QString &path)>;
    // Whether an existing file belongs to the job: never replaced, never
    // asked about.
    using JobFile = std::function<bool(const QString &path)>;

    RowWriter(const WriteSettings &settings, AskFolder askFolder, AskReplace askReplace);
    // Closes the journal: a job ends this way also on Stop and on errors.
    ~RowWriter();

    // Records the tag changes in a journal of the job, named `kind`, before
    // they are made, so that a change cut short by a crash can be put back
    // and the job undone. The journal is started at once; when it cannot
    // be, false with the reason in *error, and nothing may be written.
    bool useJournal(const QString &kind, QString *error = nullptr);
    // Settles the journal; false when it could not be written.
    bool closeJournal();

    // Kinds 11 and 12: checks the row, then writes its ID3v1 or ID3v2 tag.
    // With `planned`, the tag is planned only, into *planned (left empty
    // when nothing is to change), for the caller to make.
    // *state gets the file's state from the stat the row's check made, when
    // `state` is given and the file is there. With `held`, the file is
    // opened for reading and writing, and a change planned in place leaves
    // it open: *held gets the descriptor, for the caller to make the change
    // through and close (-1 when none is kept).
    RowOutcome writeTags(WriteKind kind, Row &row, FileChange *planned = nullptr,
                         struct stat *state = nullptr, int *held = nullptr);
    // Kinds 11 and 12 over `count` rows: each row's tag planned, the changes
    // recorded in the journal with one sync, then made. Returns how many
    // rows were done: fewer when `stopped` says so after one of them.
    size_t writeTagBatch(WriteKind kind, Row *rows, RowOutcome *outcomes, size_t count,
                         const std::function<bool()> &stopped);
    // writeTagBatch in a pipeline: the batch's changes are recorded, and
    // the journal's sync runs while the caller plans the next batch; they
    // are made, and `outcomes` final, at the next planTagBatch or at
    // finishTagBatch(). A file of the batch before is planned once that
    // batch is made. `rows` and `outcomes` must last until then.
    size_t planTagBatch(WriteKind kind, Row *rows, RowOutcome *outcomes, size_t count,
                        const std::function<bool()> &stopped);
    void finishTagBatch();
    // Kind 117: checks the row, prepares the new folder and asks about an
    // existing file, writes the current view's tag, then renames, moves or
    // copies the file to its new name. A non-empty `parked` is where the
    // row's file waits under a temporary name (see RenamePlan).
    RowOutcome apply(Row &row, const QString &parked = {});
    // Kind 117 over a batch: plans the tag of each of `rows`, and records
    // the changes and the renames the rows may make in the journal with one
    // sync, which the disk makes while the batch before goes on; once
    // takeTagsAhead() has made it the batch in hand, apply() on one of these
    // very rows makes its tag change in place of writing the tag itself,
    // and marks its rename done. The batch's files must not change before
    // its rows' steps but by those steps: a batch is staged during the one
    // before only when no file of it is another row's too.
    // known[i], when given, is what the job knows of the row's file. The
    // rows' Dir cells get their closing "/" here, and the rows must last
    // until the batch after the next one is taken.
    void stageTagsAhead(Row *rows, size_t count, const KnownFile *known = nullptr);
    // Ends the batch in hand and takes the staged one, once its records are
    // durable (its changes fail when they could not be made so).
    void takeTagsAhead();
    // The changes planned ahead that no row made (the job was stopped) are
    // marked as not made, those of a batch staged and not taken too.
    void endTagsAhead();
    void setJobFile(JobFile jobFile) { jobFile_ = std::move(jobFile); }
    // Makes the tag change planned ahead for `row` now, at the name the file
    // has before the job (a ring's row about to be parked); apply() then
    // only moves it.
    void writeTagAhead(Row &row);
    // Whether the move planned for `row` is in the journal before it is
    // made, or no journal is kept. Only such a file may be parked: a crash
    // leaves it under its temporary name, and recovery looks for it only in
    // the folders of recorded moves.
    bool mayPark(Row &row);
    // Moves a file back to a name it had (a ring that could not close),
    // recorded in the journal first when there is one.
    bool moveBack(const QString &from, const QString &to);
    // Moves a file that is no row's (an album's other file) to a free name,
    // recorded in the journal first; false, with the file where it was,
    // when the record could not be kept or the move failed.
    bool moveOther(const QString &from, const QString &to);
    // Makes a change of a file that is no row's (a cue sheet naming the
    // files anew), recorded in the journal first.
    bool changeOther(const FileChange &change);
    // Removes an empty folder, recorded in the journal first.
    bool removeFolder(const QString &folder);

private:
    // Whether the reading would read the tags of the file: with "only
    // *.mp3" its extension says so, else an MPEG audio stream or an ID3 tag
    // found in it. Only such files get a tag.
    // `name` decides by its extension, when it is not the file's own;
    // `known` is the file's state from a stat just made, or null.
    bool takesTag(const QString &fileName, const QString &name = {},
                  const struct stat *known = nullptr);
    // Writes the tag of `version` (1 or 2); false when it failed. `known`
    // is the file's state from a stat just made, or null.
    // `planned` and `failure` as for writeTags; *failure says why a write
    // failed when that is known.
    // `opened` is the file already open on `fileName`, or null.
    // `rowPath` is the row's own name of a file that waits elsewhere (a
    // ring's parked file): the pictures and the code page chosen for the
    // row are found by it.
    bool writeTag(int version, const Row &row, const QString &fileName,
                  const struct stat *known = nullptr, FileChange *planned = nullptr,
                  WriteFailure *failure = nullptr, ReadOnlyFile *opened = nullptr,
                  const QString &rowPath = {});
    // Whether pictures wait for the file.
    bool hasPictures(const QString &fileName) const;
    // writeTag without the pictures waiting for the file; `ownCodepage` is
    // the code page chosen for the file itself over the options' one, or
    // empty.
    bool writeTagOnly(int version, const Row &row, const QString &fileName,
                      const struct stat *known, FileChange *planned, WriteFailure *failure,
                      ReadOnlyFile *opened, const QString &ownCodepage);
    // writeTag for a FLAC, Ogg Vorbis or Opus file: its comments in the
    // ID3v2 view, never an ID3v1 tag.
    bool writeNativeTag(int version, const Row &row, const QString &fileName,
                        const struct stat *known, FileChange *planned, ChangeRecorder *recorder,
                        WriteFailure *failure);
    journal::JobJournal *journal();
    // Moves a file to a free name, recorded first; with `mustRecord` not
    // at all when the record cannot be kept.
    bool moveRecorded(const QString &from, const QString &to, bool mustRecord);
    // Why the journal could not keep the batch's changes.
    WriteFailure journalFailure() const;
    // Why the last writeTag refused the file's tag, or empty.
    QString refusal_;
    // The row's new folder is there, or made after asking; false when the
    // file must stay where it is, with the reason in `message`.
    bool prepareFolder(const QString &newFolder, QString &message);
    // Another file holds the row's new name: whether it may be replaced.
    bool mayReplace(const QString &newPath);
    // The file the row names (its Dir, Old and Ext), in the state `info`,
    // is not what the row was read from.
    bool changedSinceRead(const Row &row, const struct stat &info) const;

    // Opens the file at the encoded `path` as openRegular does; while a
    // batch holds its folder open (folder_.fd), by its name in that
    // folder, so that the files of one folder are not each looked up from
    // the root. The folder is opened when a file of another one comes.
    int openInFolder(const QByteArray &path, int flags, struct stat *info);
    // Holds the folder of the encoded path `folder` (with its closing "/")
    // open; false when it cannot be.
    bool holdFolder(QByteArrayView folder);
    // Renames a file within the held folder by the names in it, as
    // RenameFile does on its first try; false when it did not (the folders
    // differ, or the rename failed), and then RenameFile is the way.
    bool renameInFolder(const QString &from, const QString &to, bool replace);
    void closeFolder();

    WriteSettings settings_;
    // The folder of the batch's last file, open without read access (an
    // O_PATH descriptor), and its encoded path with the closing "/"; the
    // descriptor is -1 outside a batch.
    struct OpenFolder {
        bool batch = false;
        QByteArray path;
        int fd = -1;
    };
    OpenFolder folder_;
    AskFolder askFolder_;
    AskReplace askReplace_;
    JobFile jobFile_;
    TID3v1 tag1_;
    TID3v2 tag2_;
    TMPEGaudio stream_;   // looks for audio and tags in files of any name
    NativeFile native_;   // FLAC, Ogg Vorbis and Opus files
    QString knownFolder_; // the last new folder found or made
    // The answers that hold for the rest of the job.
    RememberedAnswer createFolders_;
    RememberedAnswer replaceFiles_;
    // A tag planned ahead for the row at the same index of its batch.
    struct AheadTag {
        bool failed = false;
        WriteFailure failure = WriteFailure::None;
        FileChange change; // empty: nothing to change
        quint32 id = 0;
        bool used = false;
        quint32 renameId = 0; // the move to the row's new name
        bool stale = false;   // the file changed since the row was read
        QString refusal;      // why the tag was refused, when it was
        RenameTarget target;  // the row's names, as apply() takes them
        bool targeted = false;
        // The file's state as the job found it, when that holds until the
        // row's step (KnownFile::lasting).
        struct stat state {};
        bool lasting = false;
        bool missing = false;    // KnownFile::missing
        bool unrecorded = false; // its move's record did not reach the disk
    };
    struct AheadBatch {
        Row *rows = nullptr;
        std::vector<AheadTag> tags;
        bool recording = false; // its records on their way to the disk
    };
    // The plan for `row` when it is one of the batch in hand.
    AheadTag *ahead(Row &row);
    // Makes the planned change once; `mode` is the file's state that a
    // failed change leaves, or null. *stamp gets the file's new stamp.
    void makeAhead(AheadTag &ahead, const struct stat *mode, FileStamp *stamp = nullptr);
    // Marks what `batch` recorded and did not make as not made, and empties it.
    void endAhead(AheadBatch &batch);
    AheadBatch ahead_;  // in hand: its rows are being applied
    AheadBatch staged_; // recorded, to be taken next
    // Tag changes of kinds 11 and 12, planned and not yet made.
    struct PlannedTag {
        RowOutcome *outcome = nullptr;
        FileChange change;
        quint32 id = 0;
        struct stat state {}; // the mode a failed change must leave
        int fd = -1;          // the file held open since its read, or -1
    };
    struct TagBatch {
        std::vector<PlannedTag> changes;
        std::set<std::pair<dev_t, ino_t>> files; // by device and inode
        size_t held = 0;                         // open descriptors among them
        bool inBackground = false;               // synced and made on journalSync_
    };
    // Records the batch's changes, then syncs the journal and makes them
    // on the journal's thread; until makeTagBatch, nothing else may use
    // the journal, the batch or its rows' outcomes.
    void stageTagBatch(TagBatch &batch);
    // The batch's changes, once their records are durable (`recorded`).
    void makeTagChanges(TagBatch &batch, bool recorded);
    // Waits until the batch is made, then empties it.
    void makeTagBatch(TagBatch &batch);
    TagBatch stagedTags_;
    QString journalKind_; // empty: no journal
    bool journalFailed_ = false;
    std::unique_ptr<journal::JobJournal> journal_;
    // Syncs the journal and makes the staged batch; it goes before the
    // journal and the batch it uses.
    BackgroundTask journalSync_;
};

} // namespace qm
