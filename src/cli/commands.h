#pragma once

#include <QString>
#include <QStringList>

#include <utility>

namespace qm::cli {

// Exit statuses: every row succeeded, some rows failed, bad usage or
// unreadable input.
enum ExitStatus : int { ExitOk = 0, ExitRowsFailed = 1, ExitUsage = 2 };

// The options of one subcommand in the order given: name without dashes
// and value (empty for a switch), and the other arguments.
struct Arguments {
    QList<std::pair<QString, QString>> options;
    // For an option of three values, the second and third, at the option's
    // index; empty for the others.
    QList<QStringList> moreValues;
    QStringList operands;

    bool has(const QString &name) const;
    // The last value given for `name`, or `fallback`.
    QString value(const QString &name, const QString &fallback = {}) const;
};

// Splits `args` into options and operands. `switches` take no value,
// `valued` take one ("--name VALUE" or "--name=VALUE"); "--" ends the
// options; `threeValued` take three ("--name A B C"). False with the reason
// in `error` for anything else.
bool parseArguments(const QStringList &args, const QStringList &switches, const QStringList &valued,
                    Arguments &out, QString &error, const QStringList &threeValued = {});

int runRead(const Arguments &args);
int runEdit(const Arguments &args);
int runApply(const Arguments &args);
int runHistory(const Arguments &args);
int runUndo(const Arguments &args);
int runExport(const Arguments &args);
// The rows' files to the music player: its list replaced and played from the
// first (play) or appended to (enqueue). 1 when no player could be reached.
int runPlay(const Arguments &args);
int runEnqueue(const Arguments &args);
// picture list|extract|set|shrink|remove: the pictures of MP3, FLAC, Ogg
// Vorbis and Opus files.
int runPicture(const Arguments &args);

} // namespace qm::cli
