#pragma once

#include "formats/codepage.h"
#include "formats/fileio.h"
#include "jobs/filestamps.h"
#include "table/rowtable.h"

#include <QByteArray>
#include <QString>

#include <cstdio>
#include <functional>
#include <optional>

namespace qm::cli {

// Rows travel between the subcommands as JSON Lines: one object per file
// row with the 25 column codes as keys in field-number order, every value a
// string. The tab-separated form has a header line of the codes and escapes
// tab, line feed, carriage return and backslash as \t, \n, \r, \\.
enum class RowFormat { JsonLines, Tsv };

// What each row's file was when the row was read, by the file's path:
// rows carry it as the key "Read", "DEVICE:INODE:SIZE:MTIME_NS:CTIME_NS", which
// apply checks before it writes, so that a file another program changed
// since is never overwritten with the row's stale cells. A row without it
// (made by hand, or a tab-separated one) is written as it says.
// The states are the session's (Session::readStamps): while a
// CarriedStamps lives, the rows written out carry those it holds; none
// otherwise.
const FileStamps &readStamps();
class CarriedStamps {
public:
    explicit CarriedStamps(const FileStamps &stamps);
    ~CarriedStamps();
    CarriedStamps(const CarriedStamps &) = delete;
    CarriedStamps &operator=(const CarriedStamps &) = delete;
};
// The 8-bit code page each row's file was read in, when it is not the
// options' one (read --codepage, or a file's own choice): rows carry it as
// the key "Codepage", so that apply writes the row's text back in it. A row
// without it is in the options' code page. While a CarriedCodepages lives,
// the rows written out carry those of its choice; none otherwise.
class CarriedCodepages {
public:
    explicit CarriedCodepages(const FileCodepages &codepages);
    ~CarriedCodepages();
    CarriedCodepages(const CarriedCodepages &) = delete;
    CarriedCodepages &operator=(const CarriedCodepages &) = delete;
};

// Appends one row as a JSON object and a line feed, with its "Read" key
// when its file's state is known and its "Codepage" key when it has one.
void appendJsonRow(QByteArray &out, const Row &row);
// The same with the "Read" key of `read`, none when it is null.
void appendJsonRow(QByteArray &out, const Row &row, const FileStamp *read);
// Appends `key` (with what goes before it: "{\"name\":" or ",\"name\":")
// and the text as a JSON string, a file name's bytes as the rows carry them.
void appendJsonText(QByteArray &out, QByteArrayView key, const QString &text);
// Appends the header line of the tab-separated form.
void appendTsvHeader(QByteArray &out);
void appendTsvRow(QByteArray &out, const Row &row);

// A cell of the tab-separated form with its escapes undone; false when the
// text holds a backslash that starts no known escape.
bool unescapeTsv(QStringView text, QString &out);

// Reads rows from `in` to its end, each handed to `add` as soon as it is
// read with its "Read" state and its "Codepage" (else empty) when it
// carries them. JSON Lines are taken, or
// the tab-separated form when the first line is its header. Blank lines are
// skipped; a key that is not a column code, a value that is not a string, a
// code page that is no single-byte one, or a line that is no object fails
// with the line number in `error`, the rows before it handed on.
using RowInput =
    std::function<void(Row &&row, const std::optional<FileStamp> &read, const QString &codepage)>;
bool readRows(std::FILE *in, const RowInput &add, QString &error);

// Writes rows to `out` in the format as they come, in slices, so that a
// long run of rows never waits in memory.
class RowWriter {
public:
    RowWriter(std::FILE *out, RowFormat format);
    // False once a write has failed.
    bool add(const Row &row);
    // A row with what its file was as it was read, for a row that is not
    // in readStamps (a JSON row's "Read" key; none when null).
    bool add(const Row &row, const FileStamp *read);
    bool finish();

private:
    bool writeBuffer();

    std::FILE *out_;
    RowFormat format_;
    QByteArray buffer_;
};

// Writes every file row of the table to `out` in the format.
bool writeRows(std::FILE *out, const RowTable &table, RowFormat format);

} // namespace qm::cli
