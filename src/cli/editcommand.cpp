// quillmark-cli edit: the rows of standard input changed by the session's
// own edits, step by step in the order of the options.

#include "cli/commands.h"
#include "cli/commandtools.h"
#include "cli/rowstream.h"
#include "session/session.h"

#include <algorithm>
#include <cstdio>

namespace qm::cli {

namespace {

// One step of quillmark-cli edit: an option and what it names.
struct EditStep {
    enum class Action {
        Show,
        Set,
        Dedupe,
        Sort,
        Shuffle,
        Case,
        Replace,
        AlphabetReplace,
        Restore,
        Repair,
        ShowRepairs
    };
    Action action;
    FieldNumber field;
    QString text;
    DuplicateKey key;
    QList<FieldNumber> columns = {};
    CaseMode mode = CaseMode::Upper;
    QStringList texts = {};
};

struct ReplaceOptions {
    bool caseSensitive = false;
    bool wholeCell = false;
};

// The steps of edit's options, in their order; every column is named
// before anything is read or changed. A usage error's status when one is
// not right; `changes` tells whether any step changes rows.
std::optional<int> parseEditSteps(const Arguments &args, QList<EditStep> &steps, bool &changes)
{
    using Action = EditStep::Action;
    const QStringList caseModes{QStringLiteral("upper"), QStringLiteral("lower"),
                                QStringLiteral("sentence"), QStringLiteral("words")};
    for (qsizetype index = 0; index < args.options.size(); ++index) {
        const auto &[name, value] = args.options[index];
        if (name == QLatin1String("case")) {
            const qsizetype equals = value.indexOf(QLatin1Char('='));
            const auto columns = dataColumns(value.left(equals));
            const qsizetype mode = caseModes.indexOf(value.mid(equals + 1));
            if (equals < 0 || mode < 0)
                return usageError(
                    QStringLiteral("--case takes COL=upper|lower|sentence|words, not \"%1\"")
                        .arg(value));
            if (!columns)
                return usageError(
                    QStringLiteral("not a data column: \"%1\"").arg(value.left(equals)));
            steps.append({Action::Case, FieldNumber::No, QString(), DuplicateKey::AllColumns,
                          *columns, CaseMode(mode)});
            changes = true;
            continue;
        }
        if (name == QLatin1String("replace")) {
            const auto columns = dataColumns(value);
            if (!columns)
                return usageError(QStringLiteral("not a data column: \"%1\"").arg(value));
            steps.append({Action::Replace, FieldNumber::No, QString(), DuplicateKey::AllColumns,
                          *columns, CaseMode::Upper, args.moreValues.value(index)});
            changes = true;
            continue;
        }
        static const QHash<QString, Action> columnActions{
            {QStringLiteral("translit"), Action::AlphabetReplace},
            {QStringLiteral("restore"), Action::Restore},
            {QStringLiteral("repair"), Action::Repair},
            {QStringLiteral("show-repairs"), Action::ShowRepairs}};
        if (const auto action = columnActions.constFind(name); action != columnActions.constEnd()) {
            const auto columns = dataColumns(value);
            if (!columns)
                return usageError(QStringLiteral("not a data column: \"%1\"").arg(value));
            steps.append({*action, FieldNumber::No, QString(), DuplicateKey::AllColumns, *columns});
            changes = changes || *action != Action::ShowRepairs;
            continue;
        }
        if (name == QLatin1String("dedupe")) {
            if (value != QLatin1String("visible") && value != QLatin1String("all"))
                return usageError(
                    QStringLiteral("--dedupe takes visible|all, not \"%1\"").arg(value));
            steps.append({Action::Dedupe, FieldNumber::No, QString(),
                          value == QLatin1String("all") ? DuplicateKey::AllColumns
                                                        : DuplicateKey::VisibleColumns});
            changes = true;
            continue;
        }
        if (name == QLatin1String("shuffle")) {
            steps.append({Action::Shuffle, FieldNumber::No, QString(), DuplicateKey::AllColumns});
            changes = true;
            continue;
        }
        if (name == QLatin1String("sort")) {
            const auto field = columnByName(value);
            if (!field || *field == FieldNumber::No)
                return usageError(QStringLiteral("not a data column: \"%1\"").arg(value));
            steps.append({Action::Sort, *field, QString(), DuplicateKey::AllColumns});
            changes = true;
            continue;
        }
        if (name != QLatin1String("show") && name != QLatin1String("set"))
            continue;
        const bool set = name == QLatin1String("set");
        const qsizetype equals = set ? value.indexOf(QLatin1Char('=')) : value.size();
        if (equals < 0)
            return usageError(QStringLiteral("--set takes COL=TEXT, not \"%1\"").arg(value));
        const auto field = columnByName(value.left(equals));
        if (!field || *field == FieldNumber::No)
            return usageError(QStringLiteral("not a data column: \"%1\"").arg(value.left(equals)));
        steps.append({set ? Action::Set : Action::Show, *field,
                      set ? value.mid(equals + 1) : QString(), DuplicateKey::AllColumns});
        changes = changes || set;
    }
    return std::nullopt;
}

// One step of edit on the session, as the window's command does it; a
// shown column's editor text is added to `shown`.
void runEditStep(Session &session, const EditStep &step, const ReplaceOptions &replace,
                 QByteArray &shown)
{
    using Action = EditStep::Action;
    const RowTable &table = session.table();
    if (step.action == Action::Case) {
        for (const FieldNumber field : step.columns) {
            const int position = table.layout().position(field);
            session.convertCase(CellRect{position, 1, position, table.lastFileRow()}, step.mode);
        }
        return;
    }
    if (step.action == Action::AlphabetReplace || step.action == Action::Restore) {
        for (const FieldNumber field : step.columns) {
            const int position = table.layout().position(field);
            const CellRect column{position, 1, position, table.lastFileRow()};
            if (step.action == Action::AlphabetReplace)
                session.replaceByAlphabet(column);
            else
                session.restoreByAlphabet(column);
            session.waitForJobs();
        }
        return;
    }
    if (step.action == Action::Repair || step.action == Action::ShowRepairs) {
        const QList<SuspectCell> cells = session.suspectCells(step.columns, 1, table.lastFileRow());
        if (step.action == Action::ShowRepairs) {
            // A name's bytes that are not UTF-8 go as the rows carry them.
            for (const SuspectCell &cell : cells) {
                appendJsonText(shown, "{\"column\":", columnCode(cell.field));
                appendJsonText(shown, ",\"kind\":", repairKindId(cell.proposal.kind));
                appendJsonText(shown, ",\"proposal\":", cell.proposal.text);
                shown += ",\"row\":" + QByteArray::number(cell.row);
                appendJsonText(shown, ",\"text\":", cell.text);
                shown += "}\n";
            }
            return;
        }
        QList<CellRepair> repairs;
        for (const SuspectCell &cell : cells)
            repairs.append({cell.row, cell.field, cell.text, cell.proposal.text});
        session.applyRepairs(repairs);
        return;
    }
    if (step.action == Action::Replace) {
        session.replaceInColumns(step.columns, step.texts.value(0), step.texts.value(1),
                                 replace.caseSensitive, replace.wholeCell);
        return;
    }
    if (step.action == Action::Dedupe || step.action == Action::Sort
        || step.action == Action::Shuffle) {
        if (step.action == Action::Dedupe)
            session.removeDuplicates(step.key);
        else if (step.action == Action::Sort)
            session.sortRows(step.field);
        else
            session.shuffleRows();
        session.waitForJobs();
        return;
    }
    const QString text = session.setColumnText(
        step.field, step.action == Action::Set ? std::optional(step.text) : std::nullopt);
    if (step.action == Action::Show) {
        shown += text.toUtf8();
        shown += '\n';
    }
}

} // namespace

int runEdit(const Arguments &args)
{
    QString numbers;
    if (!parseChoice(args, QStringLiteral("numbers"), {QStringLiteral("01"), QStringLiteral("1")},
                     QStringLiteral("01"), numbers))
        return ExitUsage;
    QList<EditStep> steps;
    bool changes = false;
    if (const auto usage = parseEditSteps(args, steps, changes))
        return *usage;
    if (!args.operands.isEmpty())
        return usageError(QStringLiteral("edit reads its rows from standard input"));
    // Numbered per folder, the rows must stay together by folder, which a
    // random order undoes (the window offers no random order then).
    if (args.has(QStringLiteral("numbers-separate")) && args.has(QStringLiteral("shuffle")))
        return usageError(QStringLiteral("--shuffle and --numbers-separate exclude each other"));
    // A path typed over the folders would leave their numbers and their
    // grouping behind: the window's editor box takes no typing there then.
    if (args.has(QStringLiteral("numbers-separate"))
        && std::any_of(steps.cbegin(), steps.cend(), [](const EditStep &step) {
               return step.action == EditStep::Action::Set && step.field == FieldNumber::Dir;
           }))
        return usageError(QStringLiteral("--set Dir and --numbers-separate exclude each other"));

    Session session;
    const CarriedStamps carried(session.readStamps());
    if (!loadSession(session))
        return ExitUsage;
    const FileCodepages codepages = session.fileCodepages();
    const CarriedCodepages carriedCodepages(codepages);
    // The rows keep the numbers they came with until a step renumbers them.
    SessionState state;
    state.numbering.style =
        numbers == QLatin1String("1") ? NumberStyle::Plain : NumberStyle::LeadingZero;
    session.setState(state);
    if (args.has(QStringLiteral("numbers-separate"))) {
        // As the window's command: rows grouped by folder, then numbered.
        session.setNumberScope(NumberScope::PerFolder);
        session.waitForJobs();
        changes = true;
    }
    // The window's alphabets, read but never written from here.
    session.openAlphabets(alphabetFilePath(), false);
    if (args.has(QStringLiteral("alphabet"))) {
        const QString alphabet = args.value(QStringLiteral("alphabet"));
        if (!session.alphabets().pick(session.alphabets().indexOf(alphabet)))
            return usageError(QStringLiteral("no alphabet named \"%1\" (there are: %2)")
                                  .arg(alphabet, session.alphabets().names().join(u", ")));
    }
    QByteArray shown;
    const ReplaceOptions replace{args.has(QStringLiteral("case-sensitive")),
                                 args.has(QStringLiteral("whole-cell"))};
    for (const EditStep &step : steps)
        runEditStep(session, step, replace, shown);
    if (!shown.isEmpty()
        && std::fwrite(shown.constData(), 1, size_t(shown.size()), stdout) != size_t(shown.size()))
        return ExitRowsFailed;
    std::fflush(stdout);
    // Without a step that prints something of its own the rows go on as
    // they came (tab-separated ones as JSON Lines), so that a pipeline
    // whose edit has no step left still hands its rows to the next command.
    const bool printsRows =
        changes || std::none_of(steps.cbegin(), steps.cend(), [](const EditStep &step) {
            return step.action == EditStep::Action::Show
                   || step.action == EditStep::Action::ShowRepairs;
        });
    return printsRows ? writeOut(session.table(), RowFormat::JsonLines) : ExitOk;
}

} // namespace qm::cli
