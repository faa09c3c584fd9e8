#include "jobs/readkinds.h"

#include "formats/fileio.h"
#include "formats/id3v1.h"
#include "formats/id3v2.h"
#include "formats/mpegaudio.h"
#include "formats/pathcodec.h"
#include "formats/tagfields.h"
#include "jobs/nativefile.h"
#include "table/rowtable.h"

#include <QVarLengthArray>

#include <algorithm>
#include <charconv>
#include <cmath>

namespace qm {

namespace {

using F = FieldNumber;

template <size_t N> void copyReadList(const FieldLists &lists, std::array<bool, N> &read)
{
    for (size_t i = 0; i < N; ++i)
        read[i] = int(i) < lists.size() && lists.isRead(int(i));
}

} // namespace

ReadSettings ReadSettings::From(const Options &options, qm::TagView tagView, bool numbers01)
{
    ReadSettings settings;
    settings.FormatRead = options.formatRead();
    settings.ReadLyrics2 = options.readLyrics2();
    copyReadList(options.lists(FieldView::FileInfo), settings.InfoReadFields);
    copyReadList(options.lists(FieldView::Id3v1), settings.Tag1ReadFields);
    copyReadList(options.lists(FieldView::Id3v2), settings.Tag2ReadFields);
    settings.TagView = int(tagView);
    settings.Numbers01 = numbers01;
    return settings;
}

std::vector<ReadKind> AddedRowsReadKinds(const ReadSettings &settings, bool fileInfo)
{
    std::vector<ReadKind> kinds;
    const auto &fields = settings.InfoReadFields;
    const bool sizeOnly = fields[0] && !fields[1] && !fields[2];
    if (fileInfo)
        kinds.push_back(ReadKind::InfoAfterAdd);
    if (settings.TagView == 1 && (!fileInfo || sizeOnly))
        kinds.push_back(ReadKind::Tag1);
    else if (settings.TagView == 2 && (!fileInfo || sizeOnly))
        kinds.push_back(ReadKind::Tag2);
    return kinds;
}

QString BuildFileName(QString &dir, const QString &oldName, const QString &ext)
{
    if (DirLacksSeparator(dir))
        dir += QLatin1Char('/');
    // Made in one piece of its exact size: paths are built for every row
    // read or written, and kept as the keys of the rows' stamps.
    QString path;
    path.reserve(dir.size() + oldName.size() + (ext.isEmpty() ? 0 : 1 + ext.size()));
    path += dir;
    path += oldName;
    if (!ext.isEmpty()) {
        path += QLatin1Char('.');
        path += ext;
    }
    return path;
}

QString RowFileName(const Row &row)
{
    QString dir = row[size_t(toInt(FieldNumber::Dir))];
    return BuildFileName(dir, row[size_t(toInt(FieldNumber::Old))],
                         row[size_t(toInt(FieldNumber::Ext))]);
}

QString WithExtension(const QString &name, const QString &ext)
{
    return ext.isEmpty() ? name : name + QLatin1Char('.') + ext;
}

namespace {

// fileName.endsWith(".mp3", Qt::CaseInsensitive), with an ASCII end (most)
// lowered at once.
bool isMp3Name(const QString &fileName)
{
    const qsizetype n = fileName.size();
    if (n >= 4) {
        const char16_t *end = reinterpret_cast<const char16_t *>(fileName.constData()) + n;
        if (end[-4] < 0x80 && end[-3] < 0x80 && end[-2] < 0x80 && end[-1] < 0x80)
            return end[-4] == u'.' && (end[-3] | 0x20) == u'm' && (end[-2] | 0x20) == u'p'
                   && end[-1] == u'3';
    }
    return fileName.endsWith(QLatin1String(".mp3"), Qt::CaseInsensitive);
}

} // namespace

bool SkippedByFormat(const ReadSettings &settings, const QString &fileName)
{
    return settings.FormatRead && !isMp3Name(fileName) && !IsNativeFile(fileName);
}

static_assert(std::tuple_size_v<decltype(ReadSettings::Tag1ReadFields)> == kId3v1Rows);
static_assert(std::tuple_size_v<decltype(ReadSettings::Tag2ReadFields)> == kTagFieldRows);

bool FieldIsRead(const ReadSettings &settings, int version, FieldNumber field)
{
    // The read lists go in the order of the tag field table.
    const int row = tagFieldRow(field);
    if (version == 1) {
        if (row < 0 || row >= kId3v1Rows)
            return true;
        return settings.Tag1ReadFields[size_t(row)]
               && (row < kId3v1RecordRows || settings.ReadLyrics2);
    }
    return row < 0 || settings.Tag2ReadFields[size_t(row)];
}

namespace {

// Whether the numbering style "01, 02, 03" puts a zero before this track.
bool TakesLeadingZero(const QString &trackString, int track, bool numbers01)
{
    return numbers01 && track >= 1 && track < 10 && !trackString.startsWith(QLatin1Char('0'));
}

} // namespace

QString TrackCellText(const QString &trackString, int track, bool numbers01)
{
    if (TakesLeadingZero(trackString, track, numbers01))
        return QLatin1Char('0') + trackString;
    return trackString;
}

namespace {

// TrackCellText as a cell, made without a QString on the way: every row
// read has one.
Cell TrackCell(const QString &trackString, int track, bool numbers01)
{
    if (!TakesLeadingZero(trackString, track, numbers01))
        return Cell(trackString);
    QVarLengthArray<char16_t, 16> text(trackString.size() + 1);
    text[0] = u'0';
    std::copy_n(reinterpret_cast<const char16_t *>(trackString.constData()), trackString.size(),
                text.data() + 1);
    return Cell(QStringView(text.constData(), text.size()));
}

} // namespace

void ClearTagCells(const ReadSettings &settings, CellWrites &cells)
{
    for (F f : {F::Tit, F::Art, F::Alb, F::Yea, F::Com, F::Trc, F::Gen})
        cells.emplace_back(f, QString());
    const bool id3v1View = settings.TagView == 1;
    if (!(id3v1View && !settings.ReadLyrics2)) {
        for (F f : {F::Ope, F::Tt1, F::Oal, F::Ory, F::Cop, F::Slt})
            cells.emplace_back(f, QString());
    }
    if (!id3v1View) {
        for (F f : {F::Cmp, F::Enc, F::Lan, F::Xxx})
            cells.emplace_back(f, QString());
    }
}

void ReadTag1Step(const TID3v1 &tag, bool loaded, const ReadSettings &settings, CellWrites &cells)
{
    ClearTagCells(settings, cells);
    if (!loaded)
        return;
    const auto &read = settings.Tag1ReadFields;
    if (tag.FGetTagPresent()) {
        for (int row = 0; row < kId3v1RecordRows; ++row) {
            if (!read[size_t(row)])
                continue;
            const F column = tagFieldColumn(row);
            if (column == F::Trc) {
                const QString track = tag.FGetTrackString();
                if (!track.isEmpty())
                    cells.emplace_back(F::Trc,
                                       TrackCell(track, tag.FGetTrack(), settings.Numbers01));
            } else if (column == F::Gen) {
                cells.emplace_back(F::Gen, tag.FGetGenre());
            } else {
                cells.emplace_back(column, (tag.*kTagFields[row].id3v1)());
            }
        }
    }
    // A Lyrics3 block without lyrics text shows none of its fields.
    if (tag.FGetHasLyrics() && settings.ReadLyrics2) {
        for (int row = kId3v1RecordRows; row < kId3v1Rows; ++row) {
            if (read[size_t(row)])
                cells.emplace_back(tagFieldColumn(row), (tag.*kTagFields[row].id3v1)());
        }
    }
}

void ReadTag2Step(const TID3v2 &tag, bool loaded, const ReadSettings &settings, CellWrites &cells)
{
    // Every field read gives its cell, empty or not: when all are read,
    // the cells cleared first would only be written again.
    const auto &read = settings.Tag2ReadFields;
    const bool allRead = std::all_of(read.cbegin(), read.cend(), [](bool r) { return r; });
    if (!loaded || !tag.FGetTagPresent() || !allRead)
        ClearTagCells(settings, cells);
    if (!loaded || !tag.FGetTagPresent())
        return;
    for (int row = 0; row < kTagFieldRows; ++row) {
        if (!settings.Tag2ReadFields[size_t(row)])
            continue;
        const F column = tagFieldColumn(row);
        const QString &text = tag.*kTagFields[row].member;
        if (column == F::Trc)
            cells.emplace_back(F::Trc, TrackCell(text, tag.FGetTrack(), settings.Numbers01));
        else
            cells.emplace_back(column, text);
    }
}

void ReadNativeTagStep(const NativeFile &file, bool loaded, int version,
                       const ReadSettings &settings, CellWrites &cells)
{
    if (version == 2 && loaded) {
        TID3v2 tag;
        NativeTagView(file.result().fields, &tag);
        ReadTag2Step(tag, true, settings, cells);
        return;
    }
    ClearTagCells(settings, cells);
    // A file that could not be opened reads as one without a tag, as MP3
    // files do.
    if (version == 1)
        cells.emplace_back(F::Com, NativeMessage::NoId3v1());
    else if (file.fault() != Fault::None)
        cells.emplace_back(F::Com, NativeMessage::FaultText(file.fault()));
}

namespace {

// Text made for every file read, built as UTF-8 on the stack and made a cell
// at once, without a QString on the way.
class CellText {
public:
    void add(QLatin1StringView ascii) { bytes_.append(ascii.data(), ascii.size()); }
    void add(const char *ascii) { add(QLatin1StringView(ascii)); }
    void add(char c) { bytes_.append(c); }
    void add(QStringView text)
    {
        if (std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; })) {
            for (const QChar c : text)
                bytes_.append(char(c.unicode()));
        } else {
            const QByteArray utf8 = text.toUtf8();
            bytes_.append(utf8.constData(), utf8.size());
        }
    }
    void number(qint64 n)
    {
        char digits[24];
        const auto end = std::to_chars(digits, digits + sizeof digits, n).ptr;
        bytes_.append(digits, end - digits);
    }
    void twoDigits(int n)
    {
        add(char('0' + n / 10));
        add(char('0' + n % 10));
    }
    void yesNo(bool value) { add(value ? "Yes" : "No"); }
    Cell cell() const { return Cell::fromValidUtf8(QByteArrayView(bytes_.data(), bytes_.size())); }

private:
    QVarLengthArray<char, 256> bytes_;
};

Cell numberCell(qint64 n)
{
    CellText text;
    text.number(n);
    return text.cell();
}

} // namespace

Cell DurationCell(double seconds)
{
    if (!std::isfinite(seconds) || seconds < 0 || seconds > 1e12)
        return Cell();
    const qint64 whole = std::llround(seconds * 1000) / 1000;
    const qint64 hours = whole / 3600;
    const int minutes = int(whole / 60 % 60);
    const int secs = int(whole % 60);
    CellText text;
    text.number(hours > 0 ? hours : minutes);
    if (hours > 0) {
        text.add(':');
        text.twoDigits(minutes);
    }
    text.add(':');
    text.twoDigits(secs);
    return text.cell();
}

QString DurationText(double seconds) { return DurationCell(seconds).toString(); }

FileReader::FileReader(ReadKind kind, const ReadSettings &settings)
    : kind_(kind), settings_(settings)
{
    if (kind == ReadKind::Tag1 || kind == ReadKind::Tag2) {
        tag1_ = new TID3v1;
        tag1_->FSetUseLyrics2(settings.ReadLyrics2);
        tag2_ = new TID3v2;
        // Its texts become cells at once, before the next read.
        tag2_->ViewTexts = true;
    } else {
        stream_ = new TMPEGaudio;
        stream_->ID3v1.FSetUseLyrics2(settings.ReadLyrics2);
        // The record's texts are shown only in the ID3v1 view.
        stream_->ReadId3v1Fields = kind == ReadKind::InfoAfterAdd && settings.TagView == 1;
        stream_->ID3v2.ViewTexts = true;
    }
    native_ = new NativeFile;
}

FileReader::~FileReader()
{
    delete tag1_;
    delete tag2_;
    delete stream_;
    delete native_;
}

bool FileReader::read(const QString &fileName, CellWrites &cells, FileStamp *stamp)
{
    const LegacyCodepage::Scope codepage(settings_.Codepages.forFile(fileName));
    if (stream_) {
        readInfo(fileName, cells, stamp);
        return true;
    }
    if (SkippedByFormat(settings_, fileName))
        return false;
    // The readers open only regular files (without blocking on a pipe), so a
    // pipe or a device reads as a file that cannot be opened.
    if (IsNativeFile(fileName)) {
        const bool loaded = kind_ == ReadKind::Tag2 && native_->read(fileName, stamp);
        ReadNativeTagStep(*native_, loaded, kind_ == ReadKind::Tag1 ? 1 : 2, settings_, cells);
    } else if (kind_ == ReadKind::Tag1)
        ReadTag1Step(*tag1_, tag1_->ReadFromFile(fileName, stamp), settings_, cells);
    else
        ReadTag2Step(*tag2_, tag2_->ReadFromFile(fileName, stamp), settings_, cells);
    return true;
}

Cell InformationCell(const TMPEGaudio &stream)
{
    CellText text;
    text.add(stream.VersionName());
    text.add(' ');
    text.add(stream.LayerName());
    text.add(stream.FGetVariableRate() ? ". VBR, " : ". CBR, ");
    text.number(stream.FGetBitRate());
    text.add(" kbps, ");
    text.number(stream.FGetSampleRate());
    text.add(" Hz, ");
    text.add(stream.ChannelModeName());
    text.add(". Frame len=");
    text.number(stream.Frame.FrameSize);
    text.add(", ");
    text.number(stream.FGetFrames());
    text.add(" frames. Private: ");
    text.yesNo(stream.Frame.PrivateBit);
    text.add(". CRC: ");
    text.yesNo(stream.Frame.CrcPresent);
    text.add(". Copyright: ");
    text.yesNo(stream.Frame.CopyrightBit);
    text.add(". Original: ");
    text.yesNo(stream.Frame.OriginalBit);
    text.add(". Emphasis: ");
    text.add(stream.EmphasisName());
    text.add(". Encoder: ");
    text.add(stream.EncoderName());
    if (const QStringView version = stream.EncoderVersion(); !version.isEmpty()) {
        text.add(' ');
        text.add(version);
    }
    return text.cell();
}

void FileReader::readInfo(const QString &fileName, CellWrites &cells, FileStamp *stamp)
{
    qint64 size = 0;
    Cell duration;
    Cell information;
    const auto &fields = settings_.InfoReadFields;
    const bool sizeOnly = fields[0] && !fields[1] && !fields[2];
    if (SkippedByFormat(settings_, fileName) || sizeOnly) {
        // Regular files only: a pipe or a device has no size to show.
        ReadOnlyFile file;
        if (file.open(fileName))
            size = file.size();
    } else if (IsNativeFile(fileName)) {
        const bool tagRead =
            kind_ == ReadKind::InfoAfterAdd && (settings_.TagView == 1 || settings_.TagView == 2);
        const bool loaded = native_->read(fileName, tagRead ? stamp : nullptr);
        size = native_->size();
        if (loaded)
            duration = DurationCell(native_->result().duration);
        if (fields[2] && loaded)
            information = native_->result().streamText;
        else if (fields[2] && native_->fault() != Fault::None)
            information = NativeMessage::FaultText(native_->fault());
        if (tagRead)
            ReadNativeTagStep(*native_, loaded, settings_.TagView, settings_, cells);
    } else if (const bool tagRead = kind_ == ReadKind::InfoAfterAdd
                                    && (settings_.TagView == 1 || settings_.TagView == 2);
               stream_->ReadFromFile(fileName, tagRead ? stamp : nullptr)) {
        size = stream_->FileLength;
        const bool valid = stream_->FGetValid();
        if (valid) {
            duration = DurationCell(stream_->FGetDuration());
            if (fields[2])
                information = InformationCell(*stream_);
        }
        if (kind_ == ReadKind::InfoAfterAdd && settings_.TagView == 1) {
            // An invalid stream may have ended the analysis before the tag
            // at the end of the file was read.
            const bool loaded = valid || stream_->ID3v1.ReadFromFile(fileName);
            ReadTag1Step(stream_->ID3v1, loaded, settings_, cells);
        } else if (kind_ == ReadKind::InfoAfterAdd && settings_.TagView == 2) {
            const bool loaded = valid || stream_->ID3v2.ReadFromFile(fileName);
            ReadTag2Step(stream_->ID3v2, loaded, settings_, cells);
        }
    }
    cells.emplace_back(F::Siz, size > 0 ? numberCell(size) : Cell());
    cells.emplace_back(F::Dur, std::move(duration));
    cells.emplace_back(F::Inf, std::move(information));
}

} // namespace qm
