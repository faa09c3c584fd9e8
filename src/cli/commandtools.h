#pragma once

// What the subcommands share: error output, the session of standard input's
// rows, and the naming of columns on the command line.

#include "cli/commands.h"
#include "cli/rowstream.h"
#include "table/columns.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace qm {
class RowTable;
class Session;
} // namespace qm

namespace qm::cli {

// `text` and a line end on standard error, at once.
void printError(const QString &text);
// "quillmark-cli: text" on standard error; the usage error's status.
int usageError(const QString &text);
// The rows of standard input and the window's options, for edit and apply;
// the code pages the rows carry are taken unless `rowCodepages` is false.
bool loadSession(Session &session, bool rowCodepages = true);
// The value of --`name` (or `fallback`) when it is one of `choices`; a usage
// error printed otherwise.
bool parseChoice(const Arguments &args, const QString &name, const QStringList &choices,
                 const QString &fallback, QString &out);
// A column named by its code ("New") or its template code ("%ON").
std::optional<FieldNumber> columnByName(const QString &name);
// The data columns COL names: one, or for "all" New and the tag columns.
std::optional<QList<FieldNumber>> dataColumns(const QString &name);
// The table's rows on standard output; 1 when they cannot be written.
int writeOut(const RowTable &table, RowFormat format);

} // namespace qm::cli
