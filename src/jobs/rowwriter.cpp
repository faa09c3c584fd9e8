#include "jobs/rowwriter.h"

#include "jobs/fileops.h"
#include "jobs/readkinds.h"
#include "jobs/tagwrite.h"
#include "jobs/writemessage.h"

#include "formats/codepage.h"
#include "formats/pathcodec.h"
#include "formats/tagfields.h"
#include "journal/journal.h"

#include <algorithm>
#include <array>
#include <set>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qm {

namespace {

using F = FieldNumber;

Cell &slot(Row &row, F f) { return row[size_t(toInt(f))]; }

// Whether the code page in force holds every text the row gives the ID3v1
// tag and its Lyrics3 block. The cells that still show what reading put
// there were decoded from that very code page, so only edited text can fail.
bool id3v1TextsFit(const Row &row, const ReadSettings &settings)
{
    const int view = settings.TagView == 1 || settings.TagView == 2 ? settings.TagView : 1;
    for (int at = 0; at < kId3v1Rows; ++at) {
        const F field = tagFieldColumn(at);
        // The track is a number and the genre a name looked up, not text;
        // Lyrics3 fields are written only with "Читать Lyrics 2".
        if (field == F::Trc || field == F::Gen || !FieldIsRead(settings, view, field)
            || (at >= kId3v1RecordRows && !settings.ReadLyrics2))
            continue;
        const QString text = rowCell(row, field);
        if (!LegacyCodepage::canEncode(field == F::Yea ? QStringView(text).left(4) : text))
            return false;
    }
    return true;
}

// The row's file name. A Dir without its closing slash gets it in the row as
// well; only then is the cell rewritten, so the rows of a folder keep sharing
// one Dir cell.
QString RowFileName(Cell &dirCell, QString &dir, const QString &oldName, const QString &ext)
{
    const qsizetype before = dir.size();
    QString name = BuildFileName(dir, oldName, ext);
    if (dir.size() != before)
        dirCell = dir;
    return name;
}

// Whether `test` holds for one of a name's parts.
template <size_t N, typename Test> bool anyPart(const std::array<QStringView, N> &parts, Test test)
{
    return std::any_of(parts.begin(), parts.end(),
                       [&test](QStringView part) { return test(part); });
}

// Blanks and dots alone make no name: the file would become a hidden
// ".ext" or ". .ext".
bool isNoName(QStringView text)
{
    for (QChar ch : text) {
        if (!ch.isSpace() && ch != QLatin1Char('.'))
            return false;
    }
    return true;
}

// "message. addition", or the addition alone, or the message alone.
void appendMessage(QString &message, const QString &addition)
{
    if (addition.isEmpty())
        return;
    if (!message.isEmpty())
        message += QLatin1String(". ");
    message += addition;
}

// The row's message for a tag that was not written: the reason where it is
// known (`refusal`: why the tag itself could not be rewritten), then
// TagNotChanged.
void tagNotChanged(RowOutcome &outcome, WriteFailure failure, const QString &refusal = {})
{
    appendMessage(outcome.message, refusal);
    appendMessage(outcome.message, WriteMessage::Failure(failure));
    appendMessage(outcome.message, WriteMessage::TagNotChanged());
    outcome.failed = true;
}

// How many files a batch holds open between reading and writing them: a
// quarter of the descriptors the process may have, so that the window and
// the journal keep theirs.
size_t heldLimit()
{
    static const size_t limit = [] {
        struct rlimit files {};
        if (::getrlimit(RLIMIT_NOFILE, &files) != 0 || files.rlim_cur == RLIM_INFINITY)
            return size_t(256);
        return std::min(size_t(256), size_t(files.rlim_cur / 4));
    }();
    return limit;
}

} // namespace

bool HasForbiddenFirst(QStringView text)
{
    for (QChar ch : text) {
        switch (ch.unicode()) {
        case '*':
        case '?':
        case '"':
        case '<':
        case '>':
        case '|':
            return true;
        default:
            break;
        }
    }
    return false;
}

bool HasForbiddenSecond(QStringView text)
{
    return text.contains(QLatin1Char(':')) || text.contains(QLatin1Char('\\'));
}

WriteSettings WriteSettings::From(const Options &options, qm::TagView tagView, bool moveFiles)
{
    // The leading zero of the numbering style is no change of a track
    // number, so the style does not matter here.
    WriteSettings settings;
    static_cast<ReadSettings &>(settings) = ReadSettings::From(options, tagView, false);
    settings.MoveFiles = moveFiles;
    settings.Id3v2Version = quint8(options.id3v2WriteVersion());
    settings.MoveCompanions = options.moveCompanions();
    settings.CompanionPatterns =
        options.companionPatterns().split(QLatin1Char(';'), Qt::SkipEmptyParts);
    return settings;
}

RowWriter::RowWriter(const WriteSettings &settings, AskFolder askFolder, AskReplace askReplace)
    : settings_(settings), askFolder_(std::move(askFolder)), askReplace_(std::move(askReplace))
{}

RowWriter::~RowWriter()
{
    closeFolder();
    closeJournal();
}

bool RowWriter::takesTag(const QString &fileName, const QString &name, const struct stat *known)
{
    // Pipes and devices hold no tag and would block a read.
    struct stat info {};
    if (known)
        info = *known;
    else if (stat(encodeFileName(fileName).constData(), &info) != 0)
        return false;
    if (!S_ISREG(info.st_mode))
        return false;
    if (IsNativeFile(fileName))
        return true;
    if (settings_.FormatRead)
        return !SkippedByFormat(settings_, name.isEmpty() ? fileName : name);
    if (stream_.ReadFromFile(fileName) && stream_.FGetValid())
        return true;
    // Without audio the analysis forgets the tags; they are read by
    // themselves.
    tag1_.FSetUseLyrics2(settings_.ReadLyrics2);
    return (tag2_.ReadFromFile(fileName) && tag2_.FGetTagPresent())
           || (tag1_.ReadFromFile(fileName)
               && (tag1_.FGetTagPresent() || tag1_.FGetLyrics2Present()));
}

bool RowWriter::writeTag(int version, const Row &row, const QString &fileName,
                         const struct stat *known, FileChange *planned, WriteFailure *failure,
                         ReadOnlyFile *opened, const QString &rowPath)
{
    const QString &key = rowPath.isEmpty() ? fileName : rowPath;
    // A file's own code page that is the options' one writes as they do.
    QString ownCodepage = settings_.Codepages.byPath.value(key);
    if (ownCodepage.compare(LegacyCodepage::name(), Qt::CaseInsensitive) == 0)
        ownCodepage.clear();
    // The tag is read and written in the file's code page, so that its
    // bytes come back as they were.
    const LegacyCodepage::Scope codepage(settings_.Codepages.forFile(key));
    const auto pending =
        settings_.Pictures ? settings_.Pictures->constFind(key) : PendingPictures::const_iterator();
    if (!settings_.Pictures || pending == settings_.Pictures->constEnd())
        return (version != 1 && version != 2)
               || writeTagOnly(version, row, fileName, known, planned, failure, opened,
                               ownCodepage);
    // The tag and the pictures go to the file as one change; without a tag
    // view (version 0) the pictures alone.
    FileChange change;
    if ((version == 1 || version == 2)
        && !writeTagOnly(version, row, fileName, known, &change, failure, opened, ownCodepage))
        return false;
    if (!AddPictureEdits(&change, fileName, *pending, settings_.Id3v2Version, &refusal_)) {
        if (failure)
            *failure = WriteFailure::Other;
        return false;
    }
    if (planned) {
        *planned = std::move(change);
        return true;
    }
    std::unique_ptr<journal::JournalRecorder> recorder;
    if (journal())
        recorder = std::make_unique<journal::JournalRecorder>(*journal_);
    return change.isEmpty()
           || SaveKeepingMode(
               fileName, [&] { return applyRecordedChange(change, recorder.get(), failure); },
               known);
}

bool RowWriter::hasPictures(const QString &fileName) const
{
    return settings_.Pictures && settings_.Pictures->contains(fileName);
}

bool RowWriter::writeTagOnly(int version, const Row &row, const QString &fileName,
                             const struct stat *known, FileChange *planned, WriteFailure *failure,
                             ReadOnlyFile *opened, const QString &ownCodepage)
{
    // A change made here by itself is recorded by itself: one sync each.
    std::unique_ptr<journal::JournalRecorder> recorder;
    if (!planned && journal())
        recorder = std::make_unique<journal::JournalRecorder>(*journal_);
    refusal_.clear();
    if (IsNativeFile(fileName))
        return writeNativeTag(version, row, fileName, known, planned, recorder.get(), failure);
    if (version == 1) {
        // A code page chosen for this file tells how its old bytes read; text
        // it cannot hold would be written as "?", losing the edit (a title
        // repaired to Cyrillic under a Latin code page): the file stays as
        // it was and the row says why. The options' code page, chosen for
        // every ID3v1 tag written, keeps the "?" of a text no tag can hold.
        if (!ownCodepage.isEmpty() && !id3v1TextsFit(row, settings_)) {
            refusal_ = WriteMessage::CodepageCannotHold(LegacyCodepage::name());
            return false;
        }
        if (WriteTagStep(tag1_, row, fileName, settings_, known, planned, recorder.get(), failure))
            return true;
        QByteArray block;
        if (!tag1_.BuildLyrics2Block(&block))
            refusal_ = WriteMessage::Lyrics3FieldTooLong();
        return false;
    }
    tag2_.Refusal = id3v2::Damage::None;
    tag2_.WriteVersion = settings_.Id3v2Version;
    if (WriteTagStep(tag2_, row, fileName, settings_, known, planned, recorder.get(), failure,
                     opened))
        return true;
    refusal_ = WriteMessage::TagDamaged(tag2_.FGetRefusal());
    return false;
}

bool RowWriter::writeNativeTag(int version, const Row &row, const QString &fileName,
                               const struct stat *known, FileChange *planned,
                               ChangeRecorder *recorder, WriteFailure *failure)
{
    if (version == 1) {
        // No ID3v1 tag goes into these files: a row that would change one
        // is refused, one that would not is no failure.
        for (int at = 0; at < kId3v1Rows; ++at) {
            const F field = tagFieldColumn(at);
            const QString &text = rowCell(row, field);
            if (FieldIsRead(settings_, 1, field) && !text.isEmpty()
                && !(field == F::Com && text == NativeMessage::NoId3v1())) {
                refusal_ = NativeMessage::NoId3v1();
                return false;
            }
        }
        return true;
    }
    Fault fault = Fault::None;
    if (WriteNativeTagStep(native_, row, fileName, settings_, known, planned, recorder, failure,
                           &fault))
        return true;
    if (fault != Fault::None)
        refusal_ = NativeMessage::FaultText(fault);
    return false;
}

size_t RowWriter::writeTagBatch(WriteKind kind, Row *rows, RowOutcome *outcomes, size_t count,
                                const std::function<bool()> &stopped)
{
    const size_t done = planTagBatch(kind, rows, outcomes, count, stopped);
    finishTagBatch();
    return done;
}

void RowWriter::stageTagBatch(TagBatch &batch)
{
    journal::JobJournal *const journal = this->journal();
    if (batch.changes.empty())
        return;
    for (PlannedTag &p : batch.changes) {
        narrowChange(&p.change);
        p.id = journal->stage(p.change);
    }
    // The records are synced and the changes made on the journal's thread
    // while this one plans the next batch.
    const auto make = [this, journal, &batch] { makeTagChanges(batch, journal->sync()); };
    batch.inBackground = journalSync_.start(make);
    if (!batch.inBackground)
        make();
}

void RowWriter::makeTagChanges(TagBatch &batch, bool recorded)
{
    journal::JobJournal *const journal = this->journal();
    // Not one change is made that the journal could not keep.
    const WriteFailure unrecorded = journalFailure();
    for (PlannedTag &p : batch.changes) {
        WriteFailure failure = recorded ? WriteFailure::Other : unrecorded;
        FileStamp after;
        const bool made =
            recorded
            && SaveKeepingMode(
                p.change.fileName,
                [&] {
                    return p.fd >= 0 ? applyChangeOpen(p.fd, p.state, p.change, &failure, &after)
                                     : applyChange(p.change, &failure, &after);
                },
                &p.state);
        if (p.fd >= 0)
            ::close(p.fd);
        journal->markDone(p.id, made, p.change.fileName, made ? &after : nullptr);
        if (made)
            p.outcome->written = after;
        else
            tagNotChanged(*p.outcome, failure);
    }
    journal->flushDone();
}

void RowWriter::makeTagBatch(TagBatch &batch)
{
    if (batch.inBackground)
        journalSync_.wait();
    batch.inBackground = false;
    batch.changes.clear();
    batch.files.clear();
    batch.held = 0;
}

void RowWriter::finishTagBatch() { makeTagBatch(stagedTags_); }

size_t RowWriter::planTagBatch(WriteKind kind, Row *rows, RowOutcome *outcomes, size_t count,
                               const std::function<bool()> &stopped)
{
    journal::JobJournal *const journal = this->journal();
    TagBatch batch;
    size_t done = 0;
    // The folder is held for the batch only: a folder renamed in between
    // is looked up again by the next batch, as a file held open since its
    // read is written where the read found it.
    folder_.batch = true;
    while (done < count) {
        FileChange change;
        struct stat state {};
        // The file read for the plan is written through the same open, as
        // many at a time as the descriptors spare (the staged batch keeps
        // its own until it is made).
        int fd = -1;
        outcomes[done] = writeTags(kind, rows[done], journal ? &change : nullptr, &state,
                                   journal && batch.held < heldLimit() ? &fd : nullptr);
        const std::pair<dev_t, ino_t> file{state.st_dev, state.st_ino};
        const bool looked = journal && !outcomes[done].failed;
        // A row of a file a planned change is still to change was planned
        // from the file as it was before, or as the staged batch was
        // changing it (a read torn by that write may even have failed):
        // that change is made first, and the row looked at again after it.
        const bool opened = journal && (file.first != 0 || file.second != 0);
        const bool inStaged = opened && stagedTags_.files.count(file) != 0;
        const bool inBatch = looked && batch.files.count(file) != 0;
        if (inStaged || inBatch) {
            if (fd >= 0)
                ::close(fd);
            makeTagBatch(stagedTags_);
            if (inBatch) {
                stageTagBatch(batch);
                makeTagBatch(batch);
            }
            continue;
        }
        if (looked && !change.isEmpty()) {
            batch.files.insert(file);
            batch.held += fd >= 0 ? 1 : 0;
            batch.changes.push_back({&outcomes[done], std::move(change), 0, state, fd});
        } else if (fd >= 0) {
            ::close(fd);
        }
        ++done;
        if (stopped())
            break;
    }
    folder_.batch = false;
    closeFolder();
    makeTagBatch(stagedTags_);
    // Staged where it stays: the sync's thread writes into the batch.
    stagedTags_.changes = std::move(batch.changes);
    stagedTags_.files = std::move(batch.files);
    stagedTags_.held = batch.held;
    stageTagBatch(stagedTags_);
    return done;
}

void RowWriter::stageTagsAhead(Row *rows, size_t count, const KnownFile *known)
{
    // A batch staged and not taken goes: it was not to be applied.
    endAhead(staged_);
    // The batch's renames within a folder go by the names in it, the
    // folder held until the batch ends.
    folder_.batch = true;
    journal::JobJournal *const journal = this->journal();
    const int version = settings_.TagView;
    if (!journal)
        return;
    staged_.rows = rows;
    staged_.tags.assign(count, AheadTag());
    bool any = false;
    // The same conditions as apply() writes the tag and moves the file under;
    // a move the row does not make after all is marked as not made.
    for (size_t i = 0; i < count; ++i) {
        Row &row = rows[i];
        AheadTag &ahead = staged_.tags[i];
        if (known && known[i].target && known[i].dir) {
            ahead.target = *known[i].target;
            slot(row, F::Dir) = *known[i].dir;
        } else {
            ahead.target = RenameTargetOf(row);
        }
        ahead.targeted = true;
        const RenameTarget &target = ahead.target;
        // One stat serves the check that the file is there, the tag check
        // and the stamp of the move. A file not there before the job may
        // be one that another row moved in since.
        struct stat info {};
        if (target.failed || target.oldPath.isEmpty())
            continue;
        ahead.missing = known && known[i].missing;
        if (ahead.missing)
            continue;
        if (known && known[i].state)
            info = *known[i].state;
        else if (stat(encodeFileName(target.oldPath).constData(), &info) != 0)
            continue;
        if (!S_ISREG(info.st_mode))
            continue;
        ahead.lasting = known && known[i].state && known[i].lasting;
        ahead.state = info;
        ahead.stale = changedSinceRead(row, info);
        if (ahead.stale)
            continue;
        if ((version == 1 || version == 2 || hasPictures(target.oldPath))
            && takesTag(target.oldPath, {}, &info)) {
            ahead.failed = !writeTag(version, row, target.oldPath, nullptr, &ahead.change);
            ahead.refusal = refusal_;
            if (!ahead.failed && !ahead.change.isEmpty()) {
                narrowChange(&ahead.change);
                ahead.id = journal->stage(ahead.change);
            }
        }
        if (settings_.MoveFiles && !target.newFolder.isEmpty()
            && target.newPath != target.oldPath) {
            const FileStamp stamp = S_ISREG(info.st_mode) ? stampOfInfo(info) : FileStamp();
            ahead.renameId = journal->stageRename(target.oldPath, target.newPath, &stamp);
        }
        any = any || ahead.id != 0 || ahead.renameId != 0;
    }
    if (any)
        journal->startSync();
    staged_.recording = any;
}

void RowWriter::takeTagsAhead()
{
    endAhead(ahead_);
    // A folder renamed since is looked up again by the next batch.
    closeFolder();
    if (staged_.recording && !journal_->finishSync()) {
        // Not one change is made that the journal could not keep, and not
        // one file moved that undo could not put back.
        for (AheadTag &ahead : staged_.tags) {
            if (ahead.id != 0) {
                ahead.failed = true;
                ahead.failure = journalFailure();
            }
            ahead.unrecorded = ahead.renameId != 0;
        }
    }
    staged_.recording = false;
    std::swap(ahead_, staged_);
}

void RowWriter::makeAhead(AheadTag &ahead, const struct stat *mode, FileStamp *stamp)
{
    if (ahead.used || ahead.id == 0 || ahead.failed)
        return;
    ahead.used = true;
    FileStamp after;
    const bool made = SaveKeepingMode(
        ahead.change.fileName, [&] { return applyChange(ahead.change, &ahead.failure, &after); },
        mode);
    // A rewrite gives the file a new inode: its mark goes out at once (a
    // write, no sync), so that recovery knows the file by it wherever the
    // job moves it. A change in place keeps the inode the renames know.
    journal_->markDone(ahead.id, made, ahead.change.fileName, made ? &after : nullptr);
    if (ahead.change.rewrite)
        journal_->flushDone();
    ahead.failed = !made;
    if (made && stamp)
        *stamp = after;
}

void RowWriter::writeTagAhead(Row &row)
{
    if (AheadTag *found = ahead(row))
        makeAhead(*found, nullptr);
}

bool RowWriter::mayPark(Row &row)
{
    if (!journal_)
        return true;
    const AheadTag *found = ahead(row);
    return found && found->renameId != 0 && !found->unrecorded;
}

RowWriter::AheadTag *RowWriter::ahead(Row &row)
{
    Row *const rows = ahead_.rows;
    if (!rows || &row < rows || &row >= rows + ahead_.tags.size())
        return nullptr;
    return &ahead_.tags[size_t(&row - rows)];
}

void RowWriter::endAhead(AheadBatch &batch)
{
    if (journal_ && batch.recording)
        journal_->finishSync();
    if (journal_ && !batch.tags.empty()) {
        for (AheadTag &ahead : batch.tags) {
            if (ahead.id != 0 && !ahead.used)
                journal_->markDone(ahead.id, false, ahead.change.fileName);
            if (ahead.renameId != 0)
                journal_->markDone(ahead.renameId, false, QString());
        }
        journal_->flushDone();
    }
    batch.rows = nullptr;
    batch.tags.clear();
    batch.recording = false;
}

void RowWriter::endTagsAhead()
{
    folder_.batch = false;
    closeFolder();
    endAhead(ahead_);
    endAhead(staged_);
}

RowOutcome RowWriter::writeTags(WriteKind kind, Row &row, FileChange *planned, struct stat *state,
                                int *held)
{
    if (held)
        *held = -1;
    RowOutcome outcome;
    QString dir = rowCell(row, F::Dir);
    const QString oldName = rowCell(row, F::Old);
    const QString ext = rowCell(row, F::Ext);
    const std::array<QStringView, 3> parts{dir, oldName, ext};
    // No file is opened by a name the system would cut at its NUL.
    if (anyPart(parts, holdsNul)) {
        outcome.message = WriteMessage::NulInName();
        outcome.failed = true;
        return outcome;
    }
    if (anyPart(parts, HasForbiddenFirst)) {
        outcome.message = WriteMessage::ForbiddenFirst();
        outcome.failed = true;
    }
    if (!outcome.failed && !dir.isEmpty()
        && (HasForbiddenSecond(oldName) || HasForbiddenSecond(rowCell(row, F::New)))) {
        outcome.message = WriteMessage::ForbiddenSecond();
        outcome.failed = true;
        return outcome;
    }
    const QString fileName = RowFileName(slot(row, F::Dir), dir, oldName, ext);
    // One open tells that the file is there, its state for the check
    // against the reading and the mode a failed write must leave it with;
    // the tag is read through it and, when held, written through it too.
    // A file that cannot be opened to write is opened to read, and one that
    // cannot be opened at all is looked at by its name.
    struct stat info {};
    ReadOnlyFile file;
    bool opened = false;
    if (held && !fileName.isEmpty()) {
        const int fd = openInFolder(encodeFileName(fileName), O_RDWR, &info);
        if (fd >= 0)
            file.adopt(fd, info);
        opened = fd >= 0;
    }
    if (!fileName.isEmpty() && !opened && !file.open(fileName, &info) && info.st_mode == 0)
        stat(encodeFileName(fileName).constData(), &info);
    if (fileName.isEmpty() || info.st_mode == 0 || S_ISDIR(info.st_mode)) {
        outcome.message = WriteMessage::NoFile();
        outcome.failed = true;
    }
    if (!outcome.failed && changedSinceRead(row, info)) {
        tagNotChanged(outcome, WriteFailure::Changed);
        return outcome;
    }
    if (state && !outcome.failed)
        *state = info;
    // A file the reading would not read a tag from gets none.
    WriteFailure failure = WriteFailure::None;
    refusal_.clear();
    if (!outcome.failed
        && (!takesTag(fileName, {}, &info)
            || !writeTag(kind == WriteKind::Tag1 ? 1 : 2, row, fileName, &info, planned, &failure,
                         &file)))
        tagNotChanged(outcome, failure, refusal_);
    // The file as the row leaves it: a planned change not yet made leaves it
    // as it is until it is made; a change made at once is looked at again.
    if (!outcome.failed && (planned || !stampOf(fileName, &outcome.written)))
        outcome.written = planned ? stampOfInfo(info) : FileStamp();
    if (opened && !outcome.failed && planned && !planned->isEmpty() && !planned->rewrite)
        *held = file.release();
    return outcome;
}

bool RowWriter::prepareFolder(const QString &newFolder, QString &message)
{
    // Rows of one folder follow each other: its existence is looked up once.
    if (newFolder != knownFolder_ && !FolderExists(newFolder)) {
        if (!createFolders_.yes([&] { return askFolder_(newFolder); })) {
            message = WriteMessage::NoNewFolder();
            return false;
        }
        if (!CreateFolders(newFolder, journal())) {
            message = WriteMessage::CannotCreateFolder();
            return false;
        }
        message.clear();
    }
    knownFolder_ = newFolder;
    return true;
}

bool RowWriter::changedSinceRead(const Row &row, const struct stat &info) const
{
    if (!settings_.ReadStamps)
        return false;
    const FileStamp *read = settings_.ReadStamps->find(row);
    return read && !unchangedSince(*read, stampOfInfo(info));
}

bool RowWriter::mayReplace(const QString &newPath)
{
    // A file of another row, or one this job gave its name, is no file to
    // replace: one of the two would be lost.
    if (jobFile_ && jobFile_(newPath))
        return false;
    return replaceFiles_.yes([&] { return askReplace_(newPath); });
}

RenameTarget RenameTargetOf(Row &row) { return RenameTargetOf(row, slot(row, F::Dir)); }

RenameTarget RenameTargetOf(const Row &row, Cell &dirCell)
{
    RenameTarget target;
    QString dir = dirCell.toString();
    const QString oldName = rowCell(row, F::Old);
    const QString newName = rowCell(row, F::New);
    const QString ext = rowCell(row, F::Ext);
    // The names are looked at part by part, never joined only to be looked at.
    const std::array<QStringView, 4> parts{dir, oldName, newName, ext};
    if (anyPart(parts, holdsNul)) {
        target.message = WriteMessage::NulInName();
        target.failed = true;
        return target;
    }
    if (anyPart(parts, HasForbiddenFirst)) {
        target.message = WriteMessage::ForbiddenFirst();
        target.failed = true;
        return target;
    }
    if (!dir.isEmpty() && (HasForbiddenSecond(oldName) || HasForbiddenSecond(newName))) {
        target.message = WriteMessage::ForbiddenSecond();
        target.failed = true;
        return target;
    }
    target.oldPath = RowFileName(dirCell, dir, oldName, ext);
    target.newPath.reserve(dir.size() + newName.size() + 1 + ext.size());
    target.newPath += dir;
    target.newPath += newName;
    if (!ext.isEmpty()) {
        target.newPath += QLatin1Char('.');
        target.newPath += ext;
    }
    const qsizetype slash = target.newPath.lastIndexOf(QLatin1Char('/'));
    // A name of blanks and dots would be hidden, and the next such row
    // would replace it: there is no new name.
    if (slash < 0)
        return target;
    if (isNoName(QStringView(newName).mid(newName.lastIndexOf(QLatin1Char('/')) + 1)))
        target.message = WriteMessage::NoNewName();
    else
        target.newFolder = target.newPath.left(slash + 1);
    return target;
}

RowOutcome RowWriter::apply(Row &row, const QString &parked)
{
    RowOutcome outcome;
    bool fileKept = true;
    const AheadTag *const planned = ahead(row);
    // The plan took the row's names from the same cells.
    const RenameTarget target =
        planned && planned->targeted ? planned->target : RenameTargetOf(row);
    // Where the file is now: its own name, or the temporary one.
    const QString oldPath = parked.isEmpty() ? target.oldPath : parked;
    const QString &newPath = target.newPath;
    // The file's state as the row begins: that it is there, and the mode a
    // failed write of its tag leaves it with. As the job found it before its
    // first change, when no other step can have touched the file since;
    // else looked at now.
    struct stat oldInfo {};
    const auto lookAtFile = [&] {
        if (planned && planned->missing)
            return false;
        if (planned && planned->lasting && parked.isEmpty()) {
            oldInfo = planned->state;
            return true;
        }
        return stat(encodeFileName(oldPath).constData(), &oldInfo) == 0;
    };

    if (target.failed) {
        outcome.message = target.message;
        outcome.failed = true;
    } else if (oldPath.isEmpty() || !lookAtFile() || !S_ISREG(oldInfo.st_mode)) {
        // A folder, a pipe or a device a row names (rows made by hand) is
        // no file of a music collection to rename.
        outcome.message = WriteMessage::NoFile();
        outcome.failed = true;
    } else if (const AheadTag *found = ahead(row);
               (found && found->stale)
               || ((!found || !found->lasting) && parked.isEmpty()
                   && changedSinceRead(row, oldInfo))) {
        // Neither its tag nor its name: the row's cells are older than
        // the file. A file another row names too is looked at as it is
        // now, after that row's step may have changed it.
        outcome.message = WriteMessage::ChangedElsewhere();
        outcome.failed = true;
    } else if (target.newFolder.isEmpty()) {
        outcome.message = target.message.isEmpty() ? WriteMessage::NoNewPath() : target.message;
    } else if (prepareFolder(target.newFolder, outcome.message)) {
        fileKept = false;
    }
    // The file is there and the row's cells may go to it.
    const bool checked = !outcome.failed;

    // The file's stamp once its tag is written, while it is known without
    // looking again.
    FileStamp stamp = S_ISREG(oldInfo.st_mode) ? stampOfInfo(oldInfo) : FileStamp();
    bool stampKnown = true;
    if (!outcome.failed) {
        // A file the reading would not read a tag from is only renamed.
        const int version = settings_.TagView;
        WriteFailure failure = WriteFailure::None;
        // A parked file had its change made before it was parked
        // (writeTagAhead), at the name the change was planned for.
        if (AheadTag *found = ahead(row)) {
            makeAhead(*found, &oldInfo, &stamp);
            if (found->failed)
                tagNotChanged(outcome, found->failure, found->refusal);
        } else if ((version == 1 || version == 2 || hasPictures(target.oldPath))
                   && takesTag(oldPath, target.oldPath)) {
            stampKnown = false;
            if (!writeTag(version, row, oldPath, nullptr, nullptr, &failure, nullptr,
                          target.oldPath))
                tagNotChanged(outcome, failure, refusal_);
        }
    }

    if (!fileKept) {
        bool replace = false;
        bool copied = !settings_.MoveFiles;
        // A file already at its new name has nothing to move; a copy onto
        // itself fails like any copy onto an existing file.
        const auto place = [&] {
            return settings_.MoveFiles
                       ? newPath == oldPath || renameInFolder(oldPath, newPath, replace)
                             || RenameFile(oldPath, newPath, replace, &copied, journal())
                       : CopyFileTo(oldPath, newPath, replace, journal());
        };
        // The new name is taken as free; only when another file holds it
        // is it asked about. The file system decides whether it is another
        // file: a change of letter case only, on a file system that ignores
        // case, is the same file.
        const bool unrecorded = planned && planned->unrecorded;
        bool done = !unrecorded && place();
        int placeError = done ? 0 : errno;
        if (!done && !unrecorded && FileExists(newPath) && !SameFile(oldPath, newPath)) {
            if (mayReplace(newPath)) {
                // The existing file goes in the same step as the new one
                // takes its name, so there is no moment without either.
                replace = true;
                done = place();
                placeError = done ? 0 : errno;
            } else {
                fileKept = true;
                QString message = WriteMessage::TargetExists();
                appendMessage(message, outcome.message);
                outcome.message = message;
            }
        }
        if (done && (copied || !stampKnown))
            stampKnown = stampOf(newPath, &stamp);
        else if (done && !copied)
            stamp.ctimeNs = 0; // a rename sets the change time, not looked at again
        AheadTag *found = ahead(row);
        if (found && found->renameId != 0) {
            journal_->markDone(found->renameId, done, done ? newPath : oldPath,
                               done ? &stamp : nullptr);
            found->renameId = 0;
        }
        if (done) {
            std::swap(slot(row, F::Old), slot(row, F::New));
            outcome.renamed = true;
            outcome.placed = stamp;
        } else if (!fileKept) {
            // What failed comes first, a failed tag after it.
            fileKept = true;
            QString message =
                replace ? WriteMessage::CannotReplace() : WriteMessage::ChangeImpossible();
            // A move or a copy the journal could not keep is not made.
            const bool journalFailed = unrecorded || (journal_ && journal_->error());
            const QString why = WriteMessage::Failure(
                journalFailed ? journalFailure() : writeFailureOf(placeError), true);
            // A tag that failed for the same reason says it once.
            if (!outcome.message.startsWith(why))
                appendMessage(message, why);
            appendMessage(message, outcome.message);
            outcome.message = message;
        }
    }

    if (checked && (stampKnown || stampOf(outcome.renamed ? newPath : oldPath, &stamp)))
        outcome.written = stamp;
    if (fileKept || outcome.failed) {
        if (outcome.message.isEmpty())
            outcome.message = WriteMessage::ChangeImpossible();
        outcome.failed = true;
    }
    return outcome;
}

} // namespace qm
