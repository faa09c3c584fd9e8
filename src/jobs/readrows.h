#pragma once

#include "jobs/folderscan.h"
#include "jobs/readkinds.h"
#include "table/numbering.h"
#include "table/rowtable.h"

#include <functional>
#include <memory>
#include <vector>

namespace qm {

// What adding paths and reading the new rows takes: the folder scan, the
// reads that complete a new row and the style of its number.
struct RowReadSettings {
    ScanSettings scan;
    ReadSettings read;
    bool fileInfo = false;
    NumberStyle numbers = NumberStyle::LeadingZero;
    // Files read at most at once. More than one are used only while the
    // reads wait for the disk (a cold cache), where they pay.
    int threads = 1;
    // Told of each folder the scan cannot list (ScanFolders).
    FolderUnlisted unlisted;
};

// Completes a new row whose Dir and Old hold the folder and the whole file
// name: the name split into Old, Ext and New, then the reads an add
// follows with (AddedRowsReadKinds), in their order.
class AddedRowReader {
public:
    AddedRowReader(const ReadSettings &settings, bool fileInfo);
    // *stamp, when given, gets what the file was as it was read: the stamp
    // of the read's own open, or of a look at the file when no read opened
    // it (size -1 when it is no regular file).
    void complete(Row &row, FileStamp *stamp = nullptr);

private:
    std::vector<std::unique_ptr<FileReader>> readers_;
    CellWrites cells_;
    Cell dirCell_; // the folder of the last row, kept so that its handle stays its own
    QString dir_;  // and as text, with the trailing slash
};

// Called with each finished row in table order and what its file was as it
// was read (null when it is no regular file); false stops the reading.
using RowSink = std::function<bool(const Row &row, const FileStamp *stamp)>;

// The rows that adding `paths` to an empty table and reading them gives (a
// file becomes a row, a folder is scanned; one running number over all),
// made without the table: each row goes to `sink` as soon as it is read, so
// memory stays flat however many files there are. False when the sink
// stopped it.
bool ReadPathRows(const QStringList &paths, const RowReadSettings &settings, const RowSink &sink);

} // namespace qm
