#pragma once

#include "formats/codepage.h"
#include "formats/fileio.h"
#include "options/options.h"
#include "table/cell.h"
#include "table/columns.h"
#include "table/rowtable.h"

#include <QString>

#include <array>
#include <utility>
#include <vector>

namespace qm {

class NativeFile;
class TID3v1;
class TID3v2;
class TMPEGaudio;

// The update job's reading kinds, by the numbers that name them.
enum class ReadKind : int {
    Tag1 = 1,
    Tag2 = 2,
    Info = 105,         // file information
    InfoAfterAdd = 108, // file information, then the current view's tag
};

// What the reading kinds take from the options and the window, copied when
// the job is created so that the job's thread never looks at them.
struct ReadSettings {
    bool FormatRead = true; // "Читать Tag и информацию только для *.mp3, ..."
    bool ReadLyrics2 = true; // "Читать Lyrics 2"
    std::array<bool, 3> InfoReadFields{true, true, true};
    std::array<bool, 13> Tag1ReadFields{true, true, true, true, true, true, true,
                                        true, true, true, true, true, true};
    std::array<bool, 17> Tag2ReadFields{true, true, true, true, true, true, true, true, true,
                                        true, true, true, true, true, true, true, true};
    int TagView = 0;        // 0 none, 1 the ID3v1 view, 2 the ID3v2 view
    bool Numbers01 = false; // numbering style "01, 02, 03, .."
    // The 8-bit code page of the files whose old tags are not in the
    // options' one.
    FileCodepages Codepages;

    // The options' read lists and ticks, with the window's tag view and
    // numbering style.
    static ReadSettings From(const Options &options, qm::TagView tagView, bool numbers01);
};

// The reading kinds that complete rows just added, in order: the file
// information (kind 108, whose stream analysis reads the view's tag in the
// same pass) when `fileInfo`, and the view's tag kind when that pass does
// not read it (no information read, or only the size).
std::vector<ReadKind> AddedRowsReadKinds(const ReadSettings &settings, bool fileInfo);

// Cell writes of one row, in the order the steps make them; the cells are
// made on the reading thread, so the runner's thread only takes them over.
using CellWrites = std::vector<std::pair<FieldNumber, Cell>>;

// A file name from a name cell and an Ext cell. An empty Ext adds no dot:
// "README" is a different file from "README." here, and the name split gives
// an empty Ext exactly for names without a dot.
QString WithExtension(const QString &name, const QString &ext);

// The file a row stands for: Dir + Old + "." + Ext. A Dir gets a trailing
// "/" when it lacks one (DirLacksSeparator); the fixed text is left in `dir` for
// the caller to write back to the row.
QString BuildFileName(QString &dir, const QString &oldName, const QString &ext);
// The file of a row, by BuildFileName; the row's own Dir stays as it is.
QString RowFileName(const Row &row);

// True when FormatRead skips the file: its extension is none of the formats
// the program reads (".mp3", ".flac", ".ogg", ".oga", ".opus"; letter case
// aside).
bool SkippedByFormat(const ReadSettings &settings, const QString &fileName);

// Whether reading the tag of `version` (1 or 2) fills the cell of `field`
// from the file: the field is in that version's read list and ticked there
// (the Lyrics3 fields of ID3v1 also need "Читать Lyrics 2"). A field outside
// the list counts as read, since the reading leaves its cell alone.
bool FieldIsRead(const ReadSettings &settings, int version, FieldNumber field);

// The Trc cell of a track text: with "0" in front of a track 1 to 9 in the
// numbering style "01, 02, 03, .." unless the text already starts with "0".
QString TrackCellText(const QString &trackString, int track, bool numbers01);

// Empties the tag cells the current view uses before a tag is read into them.
void ClearTagCells(const ReadSettings &settings, CellWrites &cells);

// The tag steps fill the cells from a tag object that has read its file (or
// from one that failed, `loaded` false: only ClearTagCells then).
void ReadTag1Step(const TID3v1 &tag, bool loaded, const ReadSettings &settings, CellWrites &cells);
void ReadTag2Step(const TID3v2 &tag, bool loaded, const ReadSettings &settings, CellWrites &cells);
// The same for a FLAC, Ogg or Opus file read (`loaded`) or not: its
// comments in the ID3v2 view; in the ID3v1 view, which does not apply to
// them, and for a file that could not be walked, the reason in Com.
void ReadNativeTagStep(const NativeFile &file, bool loaded, int version,
                       const ReadSettings &settings, CellWrites &cells);

// Playing time in whole seconds: "n:ss" below an hour, "h:nn:ss" from an hour
// on. Hours go on counting past a day instead of wrapping like a time of day.
QString DurationText(double seconds);
Cell DurationCell(double seconds);

// The stream description shown in Inf, e.g. "MPEG 1 Layer III. CBR, 128 kbps,
// 44100 Hz, Joint Stereo. Frame len=417, ..." (the analysis must be valid).
Cell InformationCell(const TMPEGaudio &stream);

// Reads one file into the cells of a row for `kind`. The reader objects are
// kept between rows so a job allocates them once.
class FileReader {
public:
    FileReader(ReadKind kind, const ReadSettings &settings);
    ~FileReader();
    FileReader(const FileReader &) = delete;
    FileReader &operator=(const FileReader &) = delete;

    // False when the row is skipped (FormatRead in the tag kinds): its cells
    // stay as they are and the status line is not touched. *stamp, when
    // given, gets the file's stamp as it was opened when the read filled tag
    // cells from it (size -1 when it could not be opened), and is left alone
    // by a read of no tag.
    bool read(const QString &fileName, CellWrites &cells, FileStamp *stamp = nullptr);

private:
    void readInfo(const QString &fileName, CellWrites &cells, FileStamp *stamp);

    ReadKind kind_;
    ReadSettings settings_;
    TID3v1 *tag1_ = nullptr;
    TID3v2 *tag2_ = nullptr;
    TMPEGaudio *stream_ = nullptr;
    NativeFile *native_ = nullptr;
};

} // namespace qm
