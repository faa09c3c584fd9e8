#include "jobs/tagwrite.h"

#include "formats/id3v2frames.h"
#include "formats/pathcodec.h"
#include "formats/tagfields.h"
#include "formats/utf8sequence.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <tuple>
#include <type_traits>

#include <sys/stat.h>

namespace qm {

bool SaveKeepingMode(const QString &fileName, const std::function<bool()> &save,
                     const struct stat *known)
{
    QByteArray name;
    struct stat before {};
    bool haveMode = known != nullptr;
    if (known) {
        before = *known;
    } else {
        name = encodeFileName(fileName);
        haveMode = stat(name.constData(), &before) == 0;
    }
    if (save())
        return true;
    if (name.isEmpty())
        name = encodeFileName(fileName);
    struct stat after {};
    if (haveMode && stat(name.constData(), &after) == 0 && after.st_mode != before.st_mode)
        chmod(name.constData(), before.st_mode & 07777);
    return false;
}

namespace {

using F = FieldNumber;

// What reading put in each cell (the last write of a cell wins); cells it
// did not write are empty. Kept as cells, compared with the row's cells
// without a QString each.
using ShownCells = std::array<Cell, kColumnCount>;
ShownCells shownCells(CellWrites &writes)
{
    ShownCells shown;
    for (auto &[field, text] : writes)
        shown[size_t(toInt(field))] = std::move(text);
    return shown;
}

// What reading the tag of `version` shows in the cells, every field read
// and tracks without the leading zero.
template <typename Tag>
ShownCells readBack(const Tag &tag, const ReadSettings &settings, int version)
{
    ReadSettings all = settings;
    all.TagView = version;
    all.Numbers01 = false;
    all.Tag1ReadFields.fill(true);
    all.Tag2ReadFields.fill(true);
    CellWrites writes;
    // Every field cleared, then filled: room for both without regrowing.
    writes.reserve(2 * kColumnCount);
    if constexpr (std::is_same_v<Tag, TID3v1>)
        ReadTag1Step(tag, true, all, writes);
    else
        ReadTag2Step(tag, true, all, writes);
    return shownCells(writes);
}

// Which cells of a row change the tag of `version`: a cell that reading did
// not fill says nothing about the file, and one that still shows what
// reading put there leaves the field as the file has it. The leading zero of
// the numbering style is no change of a track.
class CellChanges {
public:
    CellChanges(const Row &row, const ReadSettings &settings, int version, ShownCells shown,
                int track)
        : row_(row), settings_(settings),
          view_(settings.TagView == 1 || settings.TagView == 2 ? settings.TagView : version),
          shown_(std::move(shown)), track_(track)
    {}
    bool operator()(F field) const
    {
        if (!FieldIsRead(settings_, view_, field))
            return false;
        const Cell &text = row_[size_t(toInt(field))];
        const Cell &shown = shown_[size_t(toInt(field))];
        return !(text == shown)
               && (field != F::Trc
                   || text.toString() != TrackCellText(shown.toString(), track_, true));
    }

private:
    const Row &row_;
    const ReadSettings &settings_;
    int view_; // the view whose reading filled the cells
    ShownCells shown_;
    int track_;
};

bool sameFields(const TID3v1 &a, const TID3v1 &b)
{
    const auto fieldsOf = [](const TID3v1 &tag) {
        return std::tie(tag.FGetTitle(), tag.FGetArtist(), tag.FGetAlbum(), tag.FGetYear(),
                        tag.FGetComment(), tag.FGetLyricsAuthor(), tag.FGetLyrics(),
                        tag.FGetExtArtist(), tag.FGetExtAlbum(), tag.FGetExtTitle(),
                        tag.FGetComment2(), tag.FGetImageLinks());
    };
    return fieldsOf(a) == fieldsOf(b) && a.FGetTrack() == b.FGetTrack()
           && a.FGetGenreID() == b.FGetGenreID();
}

bool sameFields(const TID3v2 &a, const TID3v2 &b)
{
    return std::all_of(std::begin(kTagFields), std::end(kTagFields),
                       [&](const TagFieldRow &row) { return a.*row.member == b.*row.member; });
}

// What reading a tag for writing keeps, so that planning its save need not
// read and parse the file a second time.
template <typename Tag> struct KeptRead {};
template <> struct KeptRead<TID3v2> {
    TID3v2::SaveRead read;
};

bool readForWrite(TID3v1 &tag, const QString &fileName, const ReadSettings &settings,
                  KeptRead<TID3v1> &, ReadOnlyFile *)
{
    tag.FSetUseLyrics2(settings.ReadLyrics2);
    return tag.ReadFromFile(fileName);
}

// `opened`, when given, is the file already open on `fileName`.
bool readForWrite(TID3v2 &tag, const QString &fileName, const ReadSettings &,
                  KeptRead<TID3v2> &kept, ReadOnlyFile *opened)
{
    return opened ? tag.ReadForSave(*opened, fileName, &kept.read)
                  : tag.ReadForSave(fileName, &kept.read);
}

bool planSave(const TID3v1 &tag, const QString &fileName, FileChange *planned, KeptRead<TID3v1> &)
{
    return tag.PlanSave(fileName, planned);
}

bool planSave(const TID3v2 &tag, const QString &fileName, FileChange *planned,
              KeptRead<TID3v2> &kept)
{
    return tag.PlanSave(fileName, planned, &kept.read);
}

// The record field whose setter derives the Lyrics3 long form in the column
// `longForm`; none for the Lyrics3 fields of their own.
std::optional<F> recordFieldOfLongForm(F longForm)
{
    switch (longForm) {
    case F::Tt1:
        return F::Tit;
    case F::Ope:
        return F::Art;
    case F::Oal:
        return F::Alb;
    case F::Ory:
        return F::Com;
    default:
        return std::nullopt;
    }
}

// What a Lyrics3 field becomes when the row changes the record field it is
// the long form of: the form the setter derived from the new text; when the
// new text needs none, the old one is dropped where it was the old text's
// long form (it would tell a stale text) and kept where it is a text of its
// own (an INF that is no comment).
QString longFormAfterEdit(const TID3v1 &before, const TID3v1 &after,
                          const QString &(TID3v1::*longForm)() const, F recordField)
{
    if (!(after.*longForm)().isEmpty())
        return (after.*longForm)();
    const QString &oldRecord = (before.*kTagFields[tagFieldRow(recordField)].id3v1)();
    const QString &old = (before.*longForm)();
    return !oldRecord.isEmpty() && old.startsWith(oldRecord) ? QString() : old;
}

// The changed cells into the tag read from the file.
void applyCells(TID3v1 &tag, const Row &row, const ReadSettings &settings)
{
    const TID3v1 before = tag;
    const CellChanges changes(row, settings, 1, readBack(tag, settings, 1), tag.FGetTrack());
    for (int at = 0; at < kId3v1RecordRows; ++at) {
        const F field = tagFieldColumn(at);
        if (!changes(field))
            continue;
        const QString &text = rowCell(row, field);
        if (field == F::Trc) {
            bool isNumber = false;
            const int track = text.toInt(&isNumber);
            tag.FSetTrack(quint8(isNumber ? track & 0xFF : 0));
        } else {
            // The setter is taken out first: GCC's bounds sanitizer checks a
            // call through an array element's member pointer with an index
            // it never computed.
            const auto setText = kTagFields[at].id3v1Set;
            (tag.*setText)(field == F::Yea ? text.left(4) : text);
        }
    }
    // The Lyrics3 fields are the row's own where it changes them; else they
    // follow the record field the row changed, so that the two never tell
    // different texts; else the file's.
    for (int at = kId3v1RecordRows; at < kId3v1Rows; ++at) {
        const F field = tagFieldColumn(at);
        const TagFieldRow &fieldRow = kTagFields[at];
        const auto set = [&](const QString &text) { (tag.*fieldRow.id3v1Set)(text); };
        const std::optional<F> record = recordFieldOfLongForm(field);
        if (settings.ReadLyrics2 && changes(field))
            set(rowCell(row, field));
        else if (record && changes(*record))
            set(longFormAfterEdit(before, tag, fieldRow.id3v1, *record));
        else
            set((before.*fieldRow.id3v1)());
    }
}

// Whether `cell` is the cell that `text` makes, without making it. Cells
// compare as they hold their text, and a text is held as its UTF-8 unless
// it has a lone surrogate (then as its UTF-16): so a UTF-8 cell holds it
// when the bytes are the text's UTF-8, and a UTF-16 one when the units are.
bool holdsText(const Cell &cell, QStringView text)
{
    return cell.visit([text](auto held) {
        if constexpr (std::is_same_v<decltype(held), QStringView>) {
            return held == text;
        } else {
            const char *at = held.data();
            const char *const end = at + held.size();
            for (qsizetype i = 0; i < text.size(); ++i) {
                char32_t code = text[i].unicode();
                if (code < 0x80) {
                    if (at == end || *at != char(code))
                        return false;
                    ++at;
                    continue;
                }
                if (QChar::isSurrogate(code)) {
                    if (!QChar::isHighSurrogate(code) || i + 1 == text.size()
                        || !text[i + 1].isLowSurrogate())
                        return false;
                    code = QChar::surrogateToUcs4(char16_t(code), text[++i].unicode());
                }
                struct {
                    char bytes[4];
                    int count = 0;
                    void append(char byte) { bytes[count++] = byte; }
                } encoded;
                appendUtf8(encoded, code);
                if (end - at < encoded.count
                    || std::memcmp(at, encoded.bytes, size_t(encoded.count)) != 0)
                    return false;
                at += encoded.count;
            }
            return at == end;
        }
    });
}

// As CellChanges over readBack(tag, settings, 2), each field's shown text
// taken from the tag itself just before the field's own change: reading
// every field shows each member as it is (a track without its leading
// zero is the member too), and nothing when there is no tag.
void applyCells(TID3v2 &tag, const Row &row, const ReadSettings &settings)
{
    const int view = settings.TagView == 1 || settings.TagView == 2 ? settings.TagView : 2;
    const bool present = tag.FGetTagPresent();
    const int track = tag.FGetTrack();
    bool trackChanged = false;
    for (int at = 0; at < kTagFieldRows; ++at) {
        const F field = tagFieldColumn(at);
        if (!FieldIsRead(settings, view, field))
            continue;
        const Cell &text = row[size_t(toInt(field))];
        QString &member = tag.*kTagFields[at].member;
        const QStringView shown = present ? QStringView(member) : QStringView();
        bool changed = !holdsText(text, shown);
        if (changed && field == F::Trc) {
            changed = text.toString() != TrackCellText(shown.toString(), track, true);
            trackChanged = changed;
        }
        // A file name that is not UTF-8 (put in by %ON) holds its bytes as
        // characters of their own: the tag gets the text they stand for, not
        // private-use characters no other program reads.
        if (changed)
            member = id3v2::trimmedField(readableFileName(rowCell(row, field)));
    }
    // The number read with the old text would otherwise stand in for an
    // emptied one.
    if (trackChanged)
        tag.FSetTrack(id3v2::trackNumber(tag.FGetTrackString()));
}

template <typename Tag>
bool writeTagStep(Tag &tag, const Row &row, const QString &fileName, const ReadSettings &settings,
                  const struct stat *known, FileChange *planned, ChangeRecorder *recorder,
                  WriteFailure *failure, ReadOnlyFile *opened)
{
    KeptRead<Tag> kept;
    if (!readForWrite(tag, fileName, settings, kept, opened))
        return false;
    const Tag before = tag;
    applyCells(tag, row, settings);
    if (sameFields(tag, before))
        return true;
    if (planned)
        return planSave(tag, fileName, planned, kept);
    return SaveKeepingMode(
        fileName,
        [&] {
            if (tag.SaveToFile(fileName, recorder))
                return true;
            if (failure)
                *failure = tag.FGetSaveFailure();
            return false;
        },
        known);
}

} // namespace

bool WriteTagStep(TID3v1 &tag, const Row &row, const QString &fileName,
                  const ReadSettings &settings, const struct stat *known, FileChange *planned,
                  ChangeRecorder *recorder, WriteFailure *failure, ReadOnlyFile *opened)
{
    return writeTagStep(tag, row, fileName, settings, known, planned, recorder, failure, opened);
}

bool WriteTagStep(TID3v2 &tag, const Row &row, const QString &fileName,
                  const ReadSettings &settings, const struct stat *known, FileChange *planned,
                  ChangeRecorder *recorder, WriteFailure *failure, ReadOnlyFile *opened)
{
    return writeTagStep(tag, row, fileName, settings, known, planned, recorder, failure, opened);
}

bool WriteNativeTagStep(NativeFile &file, const Row &row, const QString &fileName,
                        const ReadSettings &settings, const struct stat *known, FileChange *planned,
                        ChangeRecorder *recorder, WriteFailure *failure, Fault *fault)
{
    *fault = Fault::None;
    if (!file.read(fileName)) {
        *fault = file.fault();
        return false;
    }
    // The comments seen as the ID3v2 view sees them, so that a cell changes
    // its field exactly as it would change an ID3v2 tag's.
    TID3v2 tag;
    NativeTagView(file.result().fields, &tag);
    const TID3v2 before = tag;
    applyCells(tag, row, settings);
    if (sameFields(tag, before))
        return true;
    FileChange change;
    if (!file.planFields(NativeFieldsOf(tag), &change)) {
        *fault = file.fault();
        return false;
    }
    if (planned) {
        *planned = std::move(change);
        return true;
    }
    return change.isEmpty()
           || SaveKeepingMode(
               fileName, [&] { return applyRecordedChange(change, recorder, failure); }, known);
}

bool WriteTag1Step(TID3v1 &tag, const Row &row, const QString &fileName,
                   const ReadSettings &settings)
{
    return writeTagStep(tag, row, fileName, settings, nullptr, nullptr, nullptr, nullptr, nullptr);
}

} // namespace qm
