#pragma once

#include "options/options.h"
#include "table/rowtable.h"

#include <QStringList>

#include <optional>

namespace qm {

// The m3u play list: "#EXTM3U", then per file an optional
// "#EXTINF:" seconds "," display text line and the path line.

// Seconds of a Dur cell ("3:07", "1:02:03"): brought to h:mm:ss and read as a
// time of day; empty or invalid gives 0.
int DurationSeconds(const QString &dur);
// "n:ss" below one hour, else "h:nn:ss".
QString DurationText(int seconds);

// Appends "/" to every Dir cell of the file rows that lacks it
// (DirLacksSeparator). True when a cell changed.
bool CompleteDirSeparators(RowTable &table);

// The lines of the play list of every file row, saved as `listPath`. With a
// tag view "#EXTINF:" S "," Art " - " Tit for every row, otherwise
// "#EXTINF:" S "," New for the rows with a duration. A path under the list's
// folder (letter case compared) is written relative to it, any other in
// full; "Dir Old.Ext", or "Dir Old" for an empty Ext.
QStringList M3uLines(const RowTable &table, TagView view, const QString &listPath);

// The path line of a file in a play list: the path itself, or, for a name
// whose bytes are not UTF-8 or that holds a line break, the file URL of its
// bytes. The list is UTF-8 text, one path a line: such bytes would either
// become other characters there or make the whole list read as another
// code page, and a break would make two lines; a URL reaches the file from
// any player and from ResolveM3uPath.
QString M3uPathLine(const QString &path);

// A path line of a play list as folder (ending with "/") and name: a
// file:// URL is decoded; a line written on Windows (with "\" and no "/")
// is split at "\" or ":" — a drive-letter folder stays as it is, a folder
// from the drive's root starts at "/", a relative one resolves against the
// list's folder like a relative line written here.
struct M3uPath {
    QString dir;
    QString name;
};
M3uPath ResolveM3uPath(const QString &line, const QString &listFolder);

// The seconds of an "#EXTINF:" line: the whole number between the colon and
// the first comma. Nothing when there is none; -1 (or any negative, or a
// number too large for an int) is an unknown length.
std::optional<int> ExtinfSeconds(QStringView line);

// A play list by its name: ".m3u" or ".m3u8", in any case.
bool IsPlayListName(const QString &path);

} // namespace qm
