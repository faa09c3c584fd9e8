#pragma once

#include "jobs/rowwriter.h"
#include "table/rowtable.h"

#include <QString>

#include <vector>

namespace qm {

// One operation an update would make, as shown before it is made.
struct PlannedOperation {
    enum Kind {
        Rename,        // a file renamed in its folder
        Move,          // a file moved into another folder
        Copy,          // a file copied
        Companion,     // one of an album's other files moved with it
        CompanionLeft, // one that stays, with the reason
        CueRewrite,    // a cue sheet naming the moved files anew
        ListRewrite,   // a play list likewise
        MakeFolder,
        RemoveFolder,
        Fail, // a row the job would fail, with the job's message as the reason
    };
    Kind kind = Rename;
    QString from; // the file or folder
    QString to;   // where it goes, for the files that go
    QString reason;
};

// The name of the kind in the command line's plan ("move", "mkdir", ...).
QString OperationName(PlannedOperation::Kind kind);

// What kind 117 over rows [first, last] would do with `settings`, without
// doing any of it: the rows' renames, moves or copies in table order, the
// folders it would make (with `createFolders`; without, the rows that
// need one fail), the albums' other files and the folders it would leave
// empty. A row the job would fail for its names, a missing file or folder, a
// name another file holds (unless `replaceFiles`) or a file changed since
// its row was read (by settings.ReadStamps, when given) is a Fail.
std::vector<PlannedOperation> PlanUpdate(const RowTable &table, int first, int last,
                                         const WriteSettings &settings, bool createFolders,
                                         bool replaceFiles);

} // namespace qm
