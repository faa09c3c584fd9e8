// quillmark-cli: reads files into rows, edits rows as the editor box does,
// and applies rows to the disk, with rows travelling as JSON Lines between
// the three subcommands.
#include "cli/commands.h"
#include "journal/journal.h"

#include <QCoreApplication>

#include <cstdio>

namespace {

const char kUsage[] =
    "Usage: quillmark-cli read [OPTIONS] PATH...\n"
    "       quillmark-cli edit [--show COL]... [--set COL=TEXT]... [--dedupe visible|all]...\n"
    "                          [--sort COL]... [--shuffle] [--numbers-separate]\n"
    "                          [--case COL=MODE]... [--replace COL FIND REPLACEMENT]...\n"
    "                          [--translit COL]... [--restore COL]... [--alphabet NAME]\n"
    "       quillmark-cli apply [OPTIONS] < rows\n"
    "       quillmark-cli --help | --version\n"
    "\n"
    "Rows travel as JSON Lines: one object per file with the column codes\n"
    "No Dir Old New Ext Siz Dur Inf Tit Trc Art Alb Yea Gen Com Ope Tt1 Oal Ory\n"
    "Cop Slt Enc Cmp Lan Xxx as keys, every value a string.\n"
    "\n"
    "read: a file becomes one row, a folder is scanned; then names are split,\n"
    "file information and a tag are read and the rows numbered.\n"
    "  --tag 0|1|2           tag to read: none, ID3v1, ID3v2 (default 2)\n"
    "  --no-info             do not read file information\n"
    "  --mask TEXT           file mask of the folder scan (default \"Все файлы <*.*>\")\n"
    "  --no-subfolders       do not scan subfolders\n"
    "  --case-sensitive      compare the mask with letter case\n"
    "  --all-formats         read tags and information of every file, not only *.mp3\n"
    "  --numbers 01|1        numbering style (default 01)\n"
    "  --format jsonl|tsv    output format (default jsonl)\n"
    "\n"
    "edit: reads rows on standard input; the options apply in order.\n"
    "  --show COL            print the editor text of the whole column COL\n"
    "  --set COL=TEXT        type TEXT into the editor over the column COL\n"
    "                        (metasymbols such as %TR, and <var>); prints the rows\n"
    "  --dedupe visible|all  remove the rows repeating an earlier one in the shown\n"
    "                        columns or in all of them; prints the rows\n"
    "  --sort COL            sort the rows by COL as the window's sort command of\n"
    "                        that column does (with its tie-break columns); prints\n"
    "                        the rows\n"
    "  --shuffle             put the rows in a random order; prints the rows\n"
    "  --case COL=MODE       letter case of the column COL (or all data columns for\n"
    "                        \"all\"): upper, lower, sentence (first letter of the\n"
    "                        text) or words (first letter of every word); prints the rows\n"
    "  --replace COL FIND REPLACEMENT\n"
    "                        replace every occurrence of FIND in the column COL (or\n"
    "                        all data columns for \"all\"); prints the rows\n"
    "  --translit COL        replace the symbols of the column COL (or all data\n"
    "                        columns for \"all\") by the current alphabet; prints the rows\n"
    "  --restore COL         turn replaced symbols of COL back, the longest change\n"
    "                        first; prints the rows\n"
    "  --alphabet NAME       the alphabet of --translit and --restore instead of the\n"
    "                        current one (Runeswap.ini beside TagQuill.ini; without\n"
    "                        that file the built-in \"Транслит\")\n"
    "  --case-sensitive      --replace compares letter case\n"
    "  --whole-cell          --replace only cells whose whole text is FIND\n"
    "  --numbers 01|1        numbering style for rows renumbered (default 01)\n"
    "  --numbers-separate    number each folder from 1: the rows are first sorted\n"
    "                        by folder, and every later sort keeps folders together\n"
    "\n"
    "apply: reads rows on standard input, applies them and prints them.\n"
    "  --write-tag 1|2       write the ID3v1 or ID3v2 tag of every row\n"
    "  --rename              rename the files to New (Old and New swap)\n"
    "  --tag 0|1|2           tag written on the way by --rename (default 0)\n"
    "  --copy                copy instead of moving to a new folder\n"
    "  --all-formats         write tags to every file with MPEG audio or an ID3\n"
    "                        tag in it, not only *.mp3 (as read --all-formats)\n"
    "  --create-folders yes|no   create missing folders (default no)\n"
    "  --replace yes|no      replace existing files (default no)\n"
    "\n"
    "Failed rows go to standard error as \"old path<TAB>message\".\n"
    "Exit status: 0 all rows done, 1 some rows failed, 2 bad usage or input.\n"
    "Settings are read from TagQuill.ini in $QUILLMARK_CONFIG_DIR, else the\n"
    "window's settings folder.\n";

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quillmark-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QM_VERSION));
    using namespace qm::cli;

    QStringList args = QCoreApplication::arguments().mid(1);
    if (args.isEmpty()) {
        std::fputs(kUsage, stderr);
        return ExitUsage;
    }
    const QString command = args.takeFirst();
    if (command == QLatin1String("--help") || command == QLatin1String("-h")
        || command == QLatin1String("help")) {
        std::fputs(kUsage, stdout);
        return ExitOk;
    }
    if (command == QLatin1String("--version")) {
        std::fputs("quillmark-cli " QM_VERSION "\n", stdout);
        return ExitOk;
    }
    if (args.contains(QLatin1String("--help"))) {
        std::fputs(kUsage, stdout);
        return ExitOk;
    }
    // A write job killed midway left files to put back before any is read.
    qm::journal::recover();

    QStringList switches;
    QStringList valued;
    QStringList threeValued;
    int (*run)(const Arguments &) = nullptr;
    if (command == QLatin1String("read")) {
        switches = {QStringLiteral("no-info"), QStringLiteral("no-subfolders"),
                    QStringLiteral("case-sensitive"), QStringLiteral("all-formats")};
        valued = {QStringLiteral("tag"), QStringLiteral("mask"), QStringLiteral("numbers"),
                  QStringLiteral("format")};
        run = runRead;
    } else if (command == QLatin1String("edit")) {
        switches = {QStringLiteral("shuffle"), QStringLiteral("numbers-separate"),
                    QStringLiteral("case-sensitive"), QStringLiteral("whole-cell")};
        valued = {
            QStringLiteral("show"),     QStringLiteral("set"),     QStringLiteral("dedupe"),
            QStringLiteral("numbers"),  QStringLiteral("sort"),    QStringLiteral("case"),
            QStringLiteral("translit"), QStringLiteral("restore"), QStringLiteral("alphabet")};
        threeValued = {QStringLiteral("replace")};
        run = runEdit;
    } else if (command == QLatin1String("apply")) {
        switches = {QStringLiteral("rename"), QStringLiteral("copy"),
                    QStringLiteral("all-formats")};
        valued = {QStringLiteral("write-tag"), QStringLiteral("tag"),
                  QStringLiteral("create-folders"), QStringLiteral("replace")};
        run = runApply;
    } else {
        const QByteArray text =
            "quillmark-cli: unknown command \"" + command.toUtf8() + "\" (try --help)\n";
        std::fputs(text.constData(), stderr);
        return ExitUsage;
    }
    Arguments parsed;
    QString error;
    if (!parseArguments(args, switches, valued, parsed, error, threeValued)) {
        const QByteArray text = "quillmark-cli " + command.toUtf8() + ": " + error.toUtf8() + "\n";
        std::fputs(text.constData(), stderr);
        return ExitUsage;
    }
    return run(parsed);
}
