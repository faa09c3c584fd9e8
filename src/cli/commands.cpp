#include "cli/commands.h"
#include "cli/commandtools.h"

#include "cli/rowstream.h"
#include "formats/codepage.h"
#include "formats/pathcodec.h"
#include "jobs/fileops.h"
#include "jobs/readkinds.h"
#include "jobs/writejob.h"
#include "jobs/writeplan.h"
#include "lists/columnlist.h"
#include "lists/listfile.h"
#include "lists/m3u.h"
#include "player/dbusplayer.h"
#include "session/session.h"
#include "settings/settingspath.h"

#include <QDateTime>
#include <QFile>
#include <QThread>

#include <algorithm>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

namespace qm::cli {

namespace {

// The file of an error table's row.
QString errorRowPath(const QStringList &entry, const ColumnLayout &layout)
{
    QString dir = entry.value(layout.position(FieldNumber::Dir));
    return BuildFileName(dir, entry.value(layout.position(FieldNumber::Old)),
                         entry.value(layout.position(FieldNumber::Ext)));
}

// Each row as "path<TAB>message"; true when there was any.
bool printErrorRows(const ErrorTable &errors, const ColumnLayout &layout)
{
    for (const QStringList &entry : errors.rows)
        printError(errorRowPath(entry, layout) + QLatin1Char('\t') + entry.value(kColumnCount));
    return !errors.rows.empty();
}

bool readStandardInput(Session &session, bool rowCodepages)
{
    QString error;
    // Rows written to a file take a few hundred bytes each; room for what
    // the file may hold is reserved up front (only what the rows use is
    // ever touched). A pipe's rows grow the table as they come.
    struct stat input {};
    if (fstat(fileno(stdin), &input) == 0 && S_ISREG(input.st_mode))
        session.reserveOutsideRows(int(std::min<off_t>(input.st_size / 256, 1'000'000)));
    // Rows of one folder or album repeat most of their cells (Dir, Art, Alb,
    // Inf, ...): a cell equal to the one above shares its text, so 100,000
    // rows hold each repeated text once rather than once a row.
    const auto add = [&session, rowCodepages](Row &&row, const std::optional<FileStamp> &read,
                                              const QString &codepage) {
        const RowTable &table = session.table();
        if (table.lastFileRow() >= 1) {
            const Row &above = table.row(table.lastFileRow());
            for (size_t i = 0; i < row.size(); ++i) {
                if (row[i] == above[i])
                    row[i] = above[i];
            }
        }
        session.appendOutsideRow(std::move(row), read, rowCodepages ? codepage : QString());
    };
    if (!readRows(stdin, add, error)) {
        printError(QStringLiteral("quillmark-cli: standard input, ") + error);
        return false;
    }
    return true;
}

// Named on the command line, a play list is read as a list, and so is a
// text file that begins like a column list (a header, "#Tag" or "#EXTM3U"
// line); any other file is a file to add.
bool isListFile(const QString &path)
{
    if (!FileExists(path))
        return false;
    if (IsPlayListName(path))
        return true;
    if (!path.endsWith(QLatin1String(".txt"), Qt::CaseInsensitive))
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QStringList lines = ListTextLines(file.read(4096));
    return !lines.isEmpty() && IsColumnListMarker(lines.first());
}

int sendToPlayer(const Arguments &args, bool replace)
{
    if (!args.operands.isEmpty())
        return usageError((replace ? QStringLiteral("play") : QStringLiteral("enqueue"))
                          + QStringLiteral(" reads its rows from standard input"));
    Session session;
    if (!loadSession(session))
        return ExitUsage;
    DBusPlayerControl player(ReadPlayerSettings(settingsFilePath()));
    // The player is looked for (and started) even for no rows, as the
    // window's commands do; an empty list is never sent, so that play does
    // not empty the player's list.
    if (!player.find(replace ? PlayerNeed::Play : PlayerNeed::Add)) {
        printError(QStringLiteral("quillmark-cli: ") + PlayerNotFoundText());
        return ExitRowsFailed;
    }
    const QStringList files = session.playerFiles(1, session.table().lastFileRow());
    if (files.isEmpty())
        return ExitOk;
    if (!(replace ? player.play(files) : player.enqueue(files))) {
        printError(QStringLiteral("quillmark-cli: ") + PlayerRefusedText());
        return ExitRowsFailed;
    }
    return ExitOk;
}

// Files read at most at once by `read`, used only while the reads wait for
// the disk: a waiting thread needs no processor, and four reads side by side
// read a cold folder faster than two on a machine of two cores;
// QUILLMARK_READ_THREADS sets another number.
int readThreads()
{
    bool ok = false;
    const int asked = qEnvironmentVariableIntValue("QUILLMARK_READ_THREADS", &ok);
    if (ok && asked >= 1)
        return std::min(asked, 16);
    return std::clamp(2 * QThread::idealThreadCount(), 1, 4);
}

// Nothing was read into the row: no size where the file information was
// read, else no tag cell where a tag was. A file that cannot be read gives
// such a row, and only such a row is looked at again.
bool nothingRead(const Row &row, const SessionState &state)
{
    if (state.fileInfo)
        return row[size_t(toInt(FieldNumber::Siz))].isEmpty();
    if (state.tagView == TagView::None)
        return false;
    for (int n = 0; n < kColumnCount; ++n) {
        if (isTagField(toField(n)) && !row[size_t(n)].isEmpty())
            return false;
    }
    return true;
}

// The value of --codepage: a single-byte code page, or none given.
bool parseCodepage(const Arguments &args, QString &out)
{
    out = args.value(QStringLiteral("codepage")).trimmed();
    if (out.isEmpty() || LegacyCodepage::isKnown(out))
        return true;
    usageError(QStringLiteral("--codepage takes a single-byte code page, not \"%1\"").arg(out));
    return false;
}

} // namespace

void printError(const QString &text)
{
    // The paths in a message are given by their own bytes, also those that
    // are not UTF-8, so that the line names the file.
    const QByteArray bytes = encodeFileName(text + QLatin1Char('\n'));
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fflush(stderr);
}

int usageError(const QString &text)
{
    printError(QStringLiteral("quillmark-cli: ") + text);
    return ExitUsage;
}

// The rows of standard input and the window's options, for edit and apply.
bool loadSession(Session &session, bool rowCodepages)
{
    if (!readStandardInput(session, rowCodepages))
        return false;
    // The options of the settings file the window uses; a missing file
    // leaves the defaults, as on the window's first start.
    session.loadSettings(settingsFilePath());
    return true;
}

bool parseChoice(const Arguments &args, const QString &name, const QStringList &choices,
                 const QString &fallback, QString &out)
{
    out = args.value(name, fallback);
    if (choices.contains(out))
        return true;
    usageError(
        QStringLiteral("--%1 takes %2, not \"%3\"").arg(name, choices.join(QLatin1Char('|')), out));
    return false;
}

// A column named by its code ("New") or its template code ("%ON").
std::optional<FieldNumber> columnByName(const QString &name)
{
    if (auto field = fieldByCode(name))
        return field;
    return fieldByTemplateCode(name);
}

// The data columns COL names: one, or for "all" New and the tag columns.
// The columns that name the file as it is (Dir, Old, Ext) and the file
// information stay out: changed, they name no file and apply fails.
std::optional<QList<FieldNumber>> dataColumns(const QString &name)
{
    if (name == QLatin1String("all")) {
        QList<FieldNumber> all{FieldNumber::New};
        for (int n = 1; n < kColumnCount; ++n) {
            if (isTagField(toField(n)))
                all.append(toField(n));
        }
        return all;
    }
    const auto field = columnByName(name);
    if (!field || *field == FieldNumber::No)
        return std::nullopt;
    return QList<FieldNumber>{*field};
}

int writeOut(const RowTable &table, RowFormat format)
{
    if (!writeRows(stdout, table, format)) {
        printError(QStringLiteral("quillmark-cli: cannot write standard output"));
        return ExitRowsFailed;
    }
    return ExitOk;
}

bool Arguments::has(const QString &name) const
{
    for (const auto &option : options) {
        if (option.first == name)
            return true;
    }
    return false;
}

QString Arguments::value(const QString &name, const QString &fallback) const
{
    for (auto it = options.crbegin(); it != options.crend(); ++it) {
        if (it->first == name)
            return it->second;
    }
    return fallback;
}

bool parseArguments(const QStringList &args, const QStringList &switches, const QStringList &valued,
                    Arguments &out, QString &error, const QStringList &threeValued)
{
    bool optionsEnded = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &arg = args[i];
        if (optionsEnded || !arg.startsWith(QLatin1String("--"))) {
            if (!optionsEnded && arg.startsWith(QLatin1Char('-')) && arg.size() > 1) {
                error = QStringLiteral("unknown option \"%1\"").arg(arg);
                return false;
            }
            out.operands.append(arg);
            continue;
        }
        if (arg.size() == 2) {
            optionsEnded = true;
            continue;
        }
        const qsizetype equals = arg.indexOf(QLatin1Char('='));
        const QString name = arg.mid(2, equals < 0 ? -1 : equals - 2);
        if (switches.contains(name)) {
            if (equals >= 0) {
                error = QStringLiteral("--%1 takes no value").arg(name);
                return false;
            }
            out.options.append({name, QString()});
            out.moreValues.append(QStringList());
        } else if (threeValued.contains(name)) {
            QStringList values;
            if (equals >= 0)
                values.append(arg.mid(equals + 1));
            while (values.size() < 3 && i + 1 < args.size())
                values.append(args[++i]);
            if (values.size() < 3) {
                error = QStringLiteral("--%1 needs three values").arg(name);
                return false;
            }
            out.options.append({name, values.takeFirst()});
            out.moreValues.append(values);
        } else if (valued.contains(name)) {
            if (equals >= 0) {
                out.options.append({name, arg.mid(equals + 1)});
            } else if (i + 1 < args.size()) {
                out.options.append({name, args[++i]});
            } else {
                error = QStringLiteral("--%1 needs a value").arg(name);
                return false;
            }
            out.moreValues.append(QStringList());
        } else {
            error = QStringLiteral("unknown option \"--%1\"").arg(name);
            return false;
        }
    }
    return true;
}

int runRead(const Arguments &args)
{
    QString tag, numbers, format, codepage;
    if (!parseCodepage(args, codepage)
        || !parseChoice(args, QStringLiteral("tag"),
                        {QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("2")},
                        QStringLiteral("2"), tag)
        || !parseChoice(args, QStringLiteral("numbers"),
                        {QStringLiteral("01"), QStringLiteral("1")}, QStringLiteral("01"), numbers)
        || !parseChoice(args, QStringLiteral("format"),
                        {QStringLiteral("jsonl"), QStringLiteral("tsv")}, QStringLiteral("jsonl"),
                        format))
        return ExitUsage;
    if (args.operands.isEmpty())
        return usageError(QStringLiteral("read needs at least one file or folder"));
    for (const QString &path : args.operands) {
        struct stat info {};
        if (::stat(encodeFileName(path).constData(), &info) != 0) {
            // One that is there but out of reach says why.
            if (errno != ENOENT && errno != ENOTDIR)
                return usageError(path + QStringLiteral(": ")
                                  + QString::fromLocal8Bit(std::strerror(errno)));
            return usageError(QStringLiteral("no such file or folder: ") + path);
        }
        if (!S_ISDIR(info.st_mode) && !S_ISREG(info.st_mode))
            return usageError(QStringLiteral("neither a file nor a folder: ") + path);
    }

    const NumberStyle style =
        numbers == QLatin1String("1") ? NumberStyle::Plain : NumberStyle::LeadingZero;
    SessionState state;
    state.numbering = {style, NumberScope::WholeTable};
    state.tagView = TagView(tag.toInt());
    state.fileInfo = !args.has(QStringLiteral("no-info"));
    state.scan.filter = args.value(QStringLiteral("mask"), QStringLiteral(u"Все файлы <*.*>"));
    state.scan.caseSensitive = args.has(QStringLiteral("case-sensitive"));
    state.scan.scanSubFolders = !args.has(QStringLiteral("no-subfolders"));
    state.allFormats = args.has(QStringLiteral("all-formats"));
    state.codepage = codepage;

    Session session;
    const CarriedStamps carried(session.readStamps());
    session.loadSettings(settingsFilePath());
    session.setState(state);
    // Rows read in another code page than the options' one say so, and
    // apply writes them back in it.
    const FileCodepages codepages = session.fileCodepages();
    const CarriedCodepages carriedCodepages(codepages);
    const RowFormat rowFormat =
        format == QLatin1String("tsv") ? RowFormat::Tsv : RowFormat::JsonLines;
    // A file or a folder that cannot be read gives its row with nothing
    // read, or no rows, as in the window; here it is also said, and the
    // status tells it.
    bool unreadable = false;
    const auto tell = [&unreadable](const QString &path, int error) {
        printError(path + QLatin1Char('\t') + QString::fromLocal8Bit(std::strerror(error)));
        unreadable = true;
    };
    const auto tellIfUnreadable = [&tell](const Row &row) {
        const QString path = RowFileName(row);
        if (::access(encodeFileName(path).constData(), R_OK) != 0)
            tell(path, errno);
    };
    if (std::none_of(args.operands.cbegin(), args.operands.cend(), isListFile)) {
        // Files and folders alone: each row is written as soon as it is
        // read, and no table is kept.
        RowWriter writer(stdout, rowFormat);
        // Each row carries what its file was as it was read.
        const bool written = session.readPathRows(
                                 args.operands, readThreads(),
                                 [&](const Row &row, const FileStamp *stamp) {
                                     if (nothingRead(row, state))
                                         tellIfUnreadable(row);
                                     return writer.add(row, stamp);
                                 },
                                 tell)
                             && writer.finish();
        if (!written)
            printError(QStringLiteral("quillmark-cli: cannot write standard output"));
        return written && !unreadable ? ExitOk : ExitRowsFailed;
    }
    bool listFailed = false;
    QObject::connect(&session, &Session::listReadFailed, [&listFailed](const QString &message) {
        printError(message);
        listFailed = true;
    });
    // In the order given: a file becomes a row at once, a folder is scanned
    // as the add-directory dialog does, a list file is read by the list
    // rules as the window's "open list" reads it; the rows are then read.
    QStringList paths;
    const auto addPaths = [&session, &paths] {
        if (paths.isEmpty())
            return;
        session.addPaths(paths);
        session.waitForJobs();
        paths.clear();
    };
    for (const QString &path : args.operands) {
        if (!isListFile(path)) {
            paths.append(path);
            continue;
        }
        addPaths();
        session.addList(path, ListKind::Columns);
        session.waitForJobs();
    }
    addPaths();
    if (listFailed)
        return ExitUsage;
    // A file a list names that cannot be read is said as well; its row
    // still goes out. A list's own cells do not tell that its file was
    // read: without the size, the file is looked at.
    for (int row = 1; row <= session.table().lastFileRow(); ++row) {
        const Row &cells = std::as_const(session).table().row(row);
        session.stampRow(cells);
        if (cells[size_t(toInt(FieldNumber::Siz))].isEmpty() || nothingRead(cells, state))
            tellIfUnreadable(cells);
    }
    const int written = writeOut(session.table(), rowFormat);
    return written == ExitOk && unreadable ? ExitRowsFailed : written;
}

int runExport(const Arguments &args)
{
    QString format, tag, numbers;
    if (!parseChoice(args, QStringLiteral("format"),
                     {QStringLiteral("list"), QStringLiteral("m3u"), QStringLiteral("special")},
                     QString(), format)
        || !parseChoice(args, QStringLiteral("tag"),
                        {QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("2")},
                        QStringLiteral("2"), tag)
        || !parseChoice(args, QStringLiteral("numbers"),
                        {QStringLiteral("01"), QStringLiteral("1")}, QStringLiteral("01"), numbers))
        return ExitUsage;
    if (args.operands.size() != 1)
        return usageError(QStringLiteral("export needs one output file"));

    SessionState state;
    state.tagView = TagView(tag.toInt());
    // The rows carry their durations: a play list takes them as they are.
    state.fileInfo = true;
    state.numbering = {numbers == QLatin1String("1") ? NumberStyle::Plain
                                                     : NumberStyle::LeadingZero,
                       args.has(QStringLiteral("numbers-separate")) ? NumberScope::PerFolder
                                                                    : NumberScope::WholeTable};
    Session session;
    if (!loadSession(session))
        return ExitUsage;
    session.setState(state);
    SpecListTemplates templates;
    templates.row = args.value(QStringLiteral("template"), templates.row);
    templates.title = args.value(QStringLiteral("title-template"), templates.title);
    templates.titles = !args.has(QStringLiteral("no-titles"));
    bool saved = false;
    QObject::connect(&session, &Session::listSaved, [&saved](const QString &path, bool ok) {
        saved = ok;
        if (!ok)
            printError(CannotCreateFileText() + path);
    });
    const Session::ListFormat listFormat =
        format == QLatin1String("list")  ? Session::ListFormat::Column
        : format == QLatin1String("m3u") ? Session::ListFormat::M3u
                                         : Session::ListFormat::Special;
    session.saveList(args.operands.first(), listFormat, templates);
    session.waitForJobs();
    return saved ? ExitOk : ExitUsage;
}

namespace {

// The command line answers every question the same way and sends the
// error boxes to standard error.
class CommandLineAnswers : public FixedAnswers {
public:
    using FixedAnswers::FixedAnswers;
    void showError(const QString &text) override
    {
        FixedAnswers::showError(text);
        printError(text);
    }
};

// The operations apply would make, one JSON line each, and the rows it
// would fail; nothing changes. The status is apply's: 1 when a row fails.
int printPlan(const Session &session, bool moveFiles, bool createFolders, bool replaceFiles)
{
    const RowTable &table = session.table();
    WriteSettings settings = session.writeSettings(moveFiles);
    // A row whose file another program changed since it was read fails, as
    // in apply.
    settings.ReadStamps = std::make_shared<const FileStamps>(session.readStamps());
    QByteArray out;
    bool failing = false;
    for (const PlannedOperation &step :
         PlanUpdate(table, 1, table.lastFileRow(), settings, createFolders, replaceFiles)) {
        failing = failing || step.kind == PlannedOperation::Fail;
        // The paths as the rows carry them, a byte that is not UTF-8
        // included; the keys in the order they always had.
        appendJsonText(out, "{\"from\":", step.from);
        appendJsonText(out, ",\"op\":", OperationName(step.kind));
        if (!step.reason.isEmpty())
            appendJsonText(out, ",\"reason\":", step.reason);
        if (!step.to.isEmpty())
            appendJsonText(out, ",\"to\":", step.to);
        out += "}\n";
    }
    if (std::fwrite(out.constData(), 1, size_t(out.size()), stdout) != size_t(out.size()))
        return ExitRowsFailed;
    return failing ? ExitRowsFailed : ExitOk;
}

} // namespace

int runApply(const Arguments &args)
{
    QString tag, createFolders, replace, version, codepage;
    const QStringList yesNo{QStringLiteral("yes"), QStringLiteral("no")};
    if (!parseCodepage(args, codepage)
        || !parseChoice(args, QStringLiteral("tag"),
                        {QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("2")},
                        QStringLiteral("0"), tag)
        || !parseChoice(args, QStringLiteral("create-folders"), yesNo, QStringLiteral("no"),
                        createFolders)
        || !parseChoice(args, QStringLiteral("replace"), yesNo, QStringLiteral("no"), replace)
        || !parseChoice(
            args, QStringLiteral("id3v2"),
            {QStringLiteral("3"), QStringLiteral("4"), QStringLiteral("keep"), QString()},
            QString(), version))
        return ExitUsage;
    QList<WriteKind> kinds;
    for (const auto &[name, value] : args.options) {
        if (name != QLatin1String("write-tag"))
            continue;
        if (value != QLatin1String("1") && value != QLatin1String("2"))
            return usageError(QStringLiteral("--write-tag takes 1|2, not \"%1\"").arg(value));
        const WriteKind kind = value == QLatin1String("1") ? WriteKind::Tag1 : WriteKind::Tag2;
        if (!kinds.contains(kind))
            kinds.append(kind);
    }
    if (args.has(QStringLiteral("rename")))
        kinds.append(WriteKind::Apply);
    if (kinds.isEmpty())
        return usageError(QStringLiteral("apply needs --write-tag or --rename"));
    // The plan is of renames: without them it would print nothing and say
    // all is well while the tags still wait to be written.
    if (args.has(QStringLiteral("dry-run")) && !args.has(QStringLiteral("rename")))
        return usageError(QStringLiteral("--dry-run plans the renames of --rename"));
    if (!args.operands.isEmpty())
        return usageError(QStringLiteral("apply reads its rows from standard input"));

    Session session;
    const CarriedStamps carried(session.readStamps());
    // The code page asked for here is the one every file's 8-bit text is
    // written in, over the one each row was read in: the cells hold the
    // text itself, so that is a conversion the script asked for, never
    // text spoilt, and the only way to move old tags to another code page.
    if (!loadSession(session, codepage.isEmpty()))
        return ExitUsage;
    // A script's moves do not follow a tick in the window.
    session.options().setMoveCompanions(args.has(QStringLiteral("move-companions")));
    const RowTable &table = session.table();
    if (!version.isEmpty())
        session.options().setId3v2WriteVersion(version == QLatin1String("keep") ? 0
                                                                                : version.toInt());
    if (args.has(QStringLiteral("dry-run")))
        return printPlan(session, !args.has(QStringLiteral("copy")),
                         createFolders == QLatin1String("yes"), replace == QLatin1String("yes"));
    SessionState state;
    state.tagView = TagView(tag.toInt());
    state.allFormats = args.has(QStringLiteral("all-formats"));
    state.noJournal = args.has(QStringLiteral("no-journal"));
    state.codepage = codepage;
    // The rows' files as they were read: one changed since is left alone.
    const auto stamps = std::make_shared<FileStamps>(session.readStamps());
    state.readStamps = stamps;
    session.setState(state);
    // No write without its journal, unless asked: a journal that cannot be
    // kept stops the whole apply before any file is touched.
    if (!state.noJournal) {
        QString why;
        if (!journal::JobJournal::canStart(&why))
            return usageError(WriteMessage::JournalUnavailable(journal::journalFolder(), why)
                              + QStringLiteral(" (--no-journal writes without it)"));
    }
    CommandLineAnswers answers(
        createFolders == QLatin1String("yes") ? Answer::YesToAll : Answer::NoToAll,
        replace == QLatin1String("yes") ? Answer::YesToAll : Answer::NoToAll);
    session.setQuestions(&answers);
    bool failed = false;
    QSet<QString> failedPaths;
    QObject::connect(&session, &Session::writeEnded, [&](const ErrorTable &errors) {
        failed = printErrorRows(errors, table.layout()) || failed;
        for (const QStringList &entry : errors.rows)
            failedPaths.insert(errorRowPath(entry, table.layout()));
    });
    // The rows go on with their files as each write left them (as the job
    // saw them, else looked at again); a row that failed keeps the state it
    // came with, so that it fails again.
    const auto restamp = [&] {
        session.restampWrittenRows(failedPaths);
        *stamps = session.readStamps();
    };
    for (const WriteKind kind : kinds) {
        session.write(1, table.lastFileRow(), kind, !args.has(QStringLiteral("copy")));
        session.waitForJobs();
        restamp();
    }
    // A box of the write job (no new names given) means nothing was applied.
    if (!answers.errors.isEmpty())
        failed = true;
    // Under the files' names after the renames.
    const FileCodepages codepages = session.fileCodepages();
    const CarriedCodepages carriedCodepages(codepages);
    const int written = writeOut(table, RowFormat::JsonLines);
    return failed ? ExitRowsFailed : written;
}

int runHistory(const Arguments &args)
{
    if (!args.operands.isEmpty())
        return usageError(QStringLiteral("history takes no arguments"));
    QByteArray out;
    for (const journal::JobSummary &job : Session::updateHistory()) {
        const QString line = QStringLiteral("%1\t%2\t%3\t%4\t%5\n")
                                 .arg(job.number)
                                 .arg(QDateTime::fromMSecsSinceEpoch(job.startedMs)
                                          .toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")))
                                 .arg(job.kind)
                                 .arg(job.files)
                                 .arg(job.undone ? QStringLiteral("undone") : QStringLiteral("-"));
        out += line.toUtf8();
    }
    if (std::fwrite(out.constData(), 1, size_t(out.size()), stdout) != size_t(out.size()))
        return ExitRowsFailed;
    return ExitOk;
}

int runUndo(const Arguments &args)
{
    if (args.operands.size() > 1)
        return usageError(QStringLiteral("undo takes at most one job number"));
    quint64 number = 0;
    if (!args.operands.isEmpty()) {
        bool ok = false;
        number = args.operands[0].toULongLong(&ok);
        if (!ok || number == 0)
            return usageError(
                QStringLiteral("not a job number: \"%1\" (see history)").arg(args.operands[0]));
    }
    // Jobs whose every row failed are passed over, and said so.
    QList<quint64> skipped;
    if (number == 0)
        journal::lastUndoable({}, &skipped);
    for (quint64 job : std::as_const(skipped)) {
        const QByteArray line =
            QStringLiteral("skipped job %1: it changed no file\n").arg(job).toUtf8();
        std::fputs(line.constData(), stdout);
    }
    Session session;
    UndoResult result;
    QObject::connect(&session, &Session::undoEnded, [&](const UndoResult &r) { result = r; });
    session.undoUpdate(number);
    session.waitForJobs();
    if (!result.error.isEmpty()) {
        printError(QStringLiteral("quillmark-cli undo: ") + result.error);
        return ExitRowsFailed;
    }
    if (result.number == 0) {
        if (number == 0)
            return usageError(QStringLiteral("nothing to undo"));
        for (const journal::JobSummary &job : Session::updateHistory())
            if (job.number == number && job.undone)
                return usageError(QStringLiteral("job %1 is undone already").arg(number));
        return usageError(QStringLiteral("no job %1 in the journal (see history)").arg(number));
    }
    const QByteArray done = QStringLiteral("undone job %1: %2 files put back\n")
                                .arg(result.number)
                                .arg(result.restored)
                                .toUtf8();
    std::fputs(done.constData(), stdout);
    return printErrorRows(result.leftAlone, session.table().layout()) ? ExitRowsFailed : ExitOk;
}

int runPlay(const Arguments &args) { return sendToPlayer(args, true); }

int runEnqueue(const Arguments &args) { return sendToPlayer(args, false); }

} // namespace qm::cli
