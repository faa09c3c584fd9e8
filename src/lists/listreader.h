#pragma once

#include "table/rowtable.h"

#include <QString>
#include <QStringList>

#include <functional>

namespace qm {

// The rules a list file is read by.
enum class ListKind {
    Columns,  // the column-list rules, switching to the m3u rules at "#EXTM3U"
    PlayList, // the m3u rules
};

// The add job's reading of a list file, one line at a time on the window's
// thread, by the rules of its ListKind. New rows are filled from the table's
// blank last row on; each value or path line past the last file row adds
// one.
class ListReader {
public:
    // A column that the list fills is to be shown (its view command, when it
    // is hidden).
    using ShowColumn = std::function<void(FieldNumber)>;

    ListReader(RowTable &table, ListKind kind, const QString &listPath, ShowColumn showColumn = {});

    // The tag layout the whole list announces before its lines are read:
    // 0 for a play list (a first line "#EXTM3U"), else 1 for a line "#Tag 1"
    // (without regard to case), else 2 for a line "#Tag 2", else 0. A play
    // list's artist and title go into the cells of whatever view is on.
    static int AnnouncedTagVersion(ListKind kind, const QStringList &lines);

    // Reads one line. False when the line ends the reading (an "#EXTINF"
    // line without a whole number of seconds).
    bool readLine(const QString &line);
    // After the last line: the common folder of an "#Old name" line goes into
    // Dir of every new row.
    void finish();

    ListKind kind() const { return kind_; }
    int firstRow() const { return firstRow_; }
    int filesAdded() const { return filesAdded_; }
    // Stream URLs of a play list, passed over.
    int streamsSkipped() const { return streamsSkipped_; }
    bool carriedFileInfo() const { return carriedFileInfo_; }
    int carriedTagVersion() const { return carriedTagVersion_; }

private:
    void readHeadedLine(const QString &line);
    bool readM3uLine(const QString &line);
    // The row the next value goes to, added when it lies past the last file
    // row.
    int valueRow();
    void show(FieldNumber f);

    RowTable &table_;
    ListKind kind_;
    QString listFolder_;
    ShowColumn showColumn_;
    int firstRow_;
    int currentRow_;
    FieldNumber target_ = FieldNumber::New;
    QString commonFolder_;
    int filesAdded_ = 0;
    int streamsSkipped_ = 0;
    bool carriedFileInfo_ = false;
    int carriedTagVersion_ = 0;
};

// Empties every row from `first` on whose file is a device or a pipe
// (/dev/sda, a FIFO) that a list named: no file of the table, and one that
// a rename would move. A folder scan passes such names over; a name that is
// not there stays.
void ClearDeviceRows(RowTable &table, int first);

} // namespace qm
