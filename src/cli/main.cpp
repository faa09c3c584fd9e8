// quillmark-cli: reads files into rows, edits rows as the editor box does,
// and applies rows to the disk, with rows travelling as JSON Lines between
// the three subcommands.
#include "cli/commands.h"
#include "formats/pathcodec.h"
#include "journal/journal.h"
#include "settings/language.h"

#include <QCoreApplication>

#include <cstdio>

namespace {

const char kUsage[] =
    "Usage: quillmark-cli read [OPTIONS] PATH...\n"
    "       quillmark-cli edit [--show COL]... [--set COL=TEXT]... [--dedupe visible|all]...\n"
    "                          [--sort COL]... [--shuffle] [--numbers-separate]\n"
    "                          [--case COL=MODE]... [--replace COL FIND REPLACEMENT]...\n"
    "                          [--translit COL]... [--restore COL]... [--alphabet NAME]\n"
    "                          [--repair COL]... [--show-repairs COL]...\n"
    "       quillmark-cli apply [OPTIONS] < rows\n"
    "       quillmark-cli history\n"
    "       quillmark-cli undo [NUMBER]\n"
    "       quillmark-cli export --format list|m3u|special [OPTIONS] OUTPUT < rows\n"
    "       quillmark-cli play|enqueue < rows\n"
    "       quillmark-cli picture list FILE...\n"
    "       quillmark-cli picture extract [--index N] FILE OUTPUT\n"
    "       quillmark-cli picture set [--type N] [--max-size PIXELS] IMAGE FILE...\n"
    "       quillmark-cli picture set --from-folder [--type N] [--max-size PIXELS] FILE...\n"
    "       quillmark-cli picture shrink --max-size PIXELS FILE...\n"
    "       quillmark-cli picture remove --index N | --type N | --all FILE...\n"
    "       quillmark-cli --help | --version\n"
    "\n"
    "Rows travel as JSON Lines: one object per file with the column codes\n"
    "No Dir Old New Ext Siz Dur Inf Tit Trc Art Alb Yea Gen Com Ope Tt1 Oal Ory\n"
    "Cop Slt Enc Cmp Lan Xxx as keys, every value a string. A byte of a file name\n"
    "that is not UTF-8 is written \\udcXX (U+DC80 + byte, Python's surrogateescape).\n"
    "A row made by read also carries \"Read\": its file's state as it was read\n"
    "(DEVICE:INODE:SIZE:MTIME_NS:CTIME_NS); edit passes it on, and apply leaves a\n"
    "file whose state differs since (another program wrote, renamed or replaced\n"
    "it, even one that kept the modification time) alone and fails its row. Rows\n"
    "without it (made by hand, or tab-separated) are applied as they say. A row\n"
    "read in another code page than the options' one (read\n"
    "--codepage) carries it as \"Codepage\"; edit passes it on, and apply writes the\n"
    "row's 8-bit text in it. Tab-separated rows carry neither key.\n"
    "\n"
    "read: a file becomes one row, a folder is scanned, a list file (*.m3u, *.m3u8\n"
    "play list, or *.txt column list whose first line is a \"#\" header) is read\n"
    "into rows; then names are split,\n"
    "file information and a tag are read and the rows numbered. A file that\n"
    "cannot be read (its row goes out with nothing read) or a folder that cannot\n"
    "be listed is named on standard error as \"path<TAB>reason\" (exit status 1).\n"
    "MP3 files carry ID3v1 and ID3v2 tags; FLAC, Ogg Vorbis and Opus files\n"
    "(*.flac, *.ogg, *.oga, *.opus) carry Vorbis comments, read and written as\n"
    "the ID3v2 tag's fields (--tag 2); the ID3v1 tag does not apply to them.\n"
    "  --tag 0|1|2           tag to read: none, ID3v1, ID3v2 (default 2)\n"
    "  --no-info             do not read file information\n"
    "  --mask TEXT           file mask of the folder scan (default \"Все файлы <*.*>\"):\n"
    "                        masks with * and ? separated by | or / (\"*.mp3|*.flac\"),\n"
    "                        optionally after a comment and between < and >\n"
    "  --no-subfolders       do not scan subfolders\n"
    "  --case-sensitive      compare the mask with letter case\n"
    "  --all-formats         read tags and information of every file, not only\n"
    "                        *.mp3, *.flac, *.ogg, *.oga and *.opus\n"
    "  --numbers 01|1        numbering style (default 01)\n"
    "  --format jsonl|tsv    output format (default jsonl)\n"
    "  --codepage NAME       8-bit code page of the files' old tags (ID3v1, Lyrics3,\n"
    "                        ID3v2 Latin-1 frames): windows-1251, KOI8-R, IBM866,\n"
    "                        windows-1252, ISO-8859-1...; default: the options' one\n"
    "\n"
    "edit: reads rows on standard input; the options apply in order. With none\n"
    "that changes rows or prints text of its own, the rows go out as they came.\n"
    "  --show COL            print the editor text of the whole column COL\n"
    "  --set COL=TEXT        type TEXT into the editor over the column COL\n"
    "                        (metasymbols such as %TR, and <var>); prints the rows\n"
    "  --dedupe visible|all  remove the rows repeating an earlier one in the shown\n"
    "                        columns or in all of them; prints the rows\n"
    "  --sort COL            sort the rows by COL as the window's sort command of\n"
    "                        that column does (with its tie-break columns); prints\n"
    "                        the rows\n"
    "  --shuffle             put the rows in a random order (not with\n"
    "                        --numbers-separate); prints the rows\n"
    "  --case COL=MODE       letter case of the column COL (or New and the tag\n"
    "                        columns for \"all\"): upper, lower, sentence (first letter of the\n"
    "                        text) or words (first letter of every word); prints the rows\n"
    "  --replace COL FIND REPLACEMENT\n"
    "                        replace every occurrence of FIND in the column COL (or\n"
    "                        New and the tag columns for \"all\"); prints the rows\n"
    "  --translit COL        replace the symbols of the column COL (or New and the\n"
    "                        tag columns for \"all\") by the current alphabet; prints the rows\n"
    "  --restore COL         turn replaced symbols of COL back, the longest change\n"
    "                        first; prints the rows\n"
    "  --alphabet NAME       the alphabet of --translit and --restore instead of the\n"
    "                        current one (Runeswap.ini beside TagQuill.ini; without\n"
    "                        that file the built-in \"Транслит\")\n"
    "  --repair COL          text of the column COL (or New and the tag columns for\n"
    "                        \"all\") read in the wrong code page (Windows-1251 shown\n"
    "                        as Latin-1, UTF-8 decoded twice, KOI8-R, CP866) replaced\n"
    "                        by its best reading; correct text stays; prints the rows\n"
    "  --show-repairs COL    print one JSON line per cell --repair would change:\n"
    "                        row (1 = first row), column, text, proposal and kind;\n"
    "                        changes nothing\n"
    "  --case-sensitive      --replace compares letter case\n"
    "  --whole-cell          --replace only cells whose whole text is FIND\n"
    "  --numbers 01|1        numbering style for rows renumbered (default 01)\n"
    "  --numbers-separate    number each folder from 1: the rows are first sorted\n"
    "                        by folder, and every later sort keeps folders together\n"
    "                        (not with --set Dir)\n"
    "\n"
    "apply: reads rows on standard input, applies them and prints them.\n"
    "  --write-tag 1|2       write the ID3v1 or ID3v2 tag of every row\n"
    "  --rename              rename the files to New (Old and New swap)\n"
    "  --tag 0|1|2           tag written on the way by --rename (default 0)\n"
    "  --id3v2 3|4|keep      ID3v2 version written: 2.3, 2.4 (UTF-8, TDRC, several\n"
    "                        values apart), or the file's own (2.4 stays 2.4, others\n"
    "                        become 2.3); default: the window's option, else 3\n"
    "  --codepage NAME       8-bit code page the files' old tags are read and the\n"
    "                        ID3v1 tag written in, over the rows' \"Codepage\";\n"
    "                        default: the rows' own, else the options' one\n"
    "  --copy                copy instead of moving to a new folder\n"
    "  --all-formats         write tags to every file with MPEG audio or an ID3\n"
    "                        tag in it, not only *.mp3 and the Vorbis comment\n"
    "                        formats (as read --all-formats)\n"
    "  --create-folders yes|no   create missing folders (default no)\n"
    "  --replace yes|no      replace existing files (default no)\n"
    "  --no-journal          write even when the journal cannot be kept (status 2\n"
    "                        without it); a write cut short by a crash then cannot\n"
    "                        be put back, and the job cannot be undone\n"
    "  --move-companions     when all files of a folder move into one new folder,\n"
    "                        its other files matching the options' companion\n"
    "                        patterns (covers, .cue, .log, ...) go with them, and\n"
    "                        cue sheets and play lists among them name the files\n"
    "                        anew; one whose name is taken stays, listed on\n"
    "                        standard error\n"
    "  --dry-run             with --rename: change nothing, print each planned\n"
    "                        operation as a JSON line {\"op\", \"from\", \"to\"}\n"
    "                        (op: rename, move, copy, companion, companion-left\n"
    "                        (with \"reason\"), cue-rewrite, playlist-rewrite,\n"
    "                        mkdir, rmdir), and each row apply would fail as\n"
    "                        {\"op\": \"fail\", \"from\", \"reason\"}, and then exit 1\n"
    "                        as apply would\n"
    "A move removes the folders it leaves without any entry, and their parents up\n"
    "to the deepest folder that holds all the rows' files (never above it).\n"
    "\n"
    "history: the journal's last write jobs, newest first, one line each:\n"
    "number, start time, kind, files changed, \"undone\" or \"-\" (tabs between).\n"
    "\n"
    "undo: puts back the names and tag bytes of the last write job not undone\n"
    "yet, or of job NUMBER, file by file while the file is still the one the\n"
    "job left; a file changed since is left alone and listed on standard\n"
    "error. Copies, and files replaced under --replace yes, are not put back.\n"
    "Jobs that changed no file (every row failed) are passed over, each said on\n"
    "a line \"skipped job N: it changed no file\". A job whose journal is damaged\n"
    "is not put back in part: undo says so and exits 1.\n"
    "Every command first settles a write job that a crash cut short (torn files\n"
    "get their old bytes back, temporaries go) and says on standard error what\n"
    "it had to leave alone.\n"
    "\n"
    "export: writes the rows of standard input to OUTPUT as a column list, an m3u\n"
    "play list or a special list (UTF-8, CR LF).\n"
    "  --tag 0|1|2           tag view: the list's \"#Tag\" line, the play list's\n"
    "                        \"#EXTINF\" text (default 2)\n"
    "  --template T          special list row template (default \"%NS.%TT\")\n"
    "  --title-template T    folder title template (default \"#%AL %YE\")\n"
    "  --numbers-separate    the rows are numbered per folder (as edit\n"
    "                        --numbers-separate numbers them): title lines and %NF\n"
    "  --no-titles           no folder title lines\n"
    "  --numbers 01|1        %NF with or without a leading zero (default 01)\n"
    "\n"
    "play: the music player's list becomes the rows' files, in row order, and\n"
    "plays from the first. enqueue: the files are appended to the player's list.\n"
    "The player is the one named by the Player key of [Main] in TagQuill.ini\n"
    "(a D-Bus name such as org.mpris.MediaPlayer2.vlc), else the first running\n"
    "one (Audacious, then any MPRIS2 player), else audacious is started.\n"
    "Exit status 1 when no player could be reached.\n"
    "\n"
    "picture: the pictures of MP3 (ID3v2 APIC), FLAC (PICTURE blocks) and Ogg\n"
    "Vorbis or Opus files (METADATA_BLOCK_PICTURE).\n"
    "  list                  one JSON line per picture: file, index (from 0), type,\n"
    "                        mime, width, height, size (bytes), description\n"
    "  extract               writes picture N (default 0) of FILE to OUTPUT as it is\n"
    "  set                   IMAGE (JPEG, PNG, ...) becomes the picture of type N\n"
    "                        (default 3, front cover), in place of the file's\n"
    "                        pictures of that type; its bytes go in as they are\n"
    "                        unless --max-size scales it down\n"
    "  --from-folder         set takes each file's folder picture, the first of\n"
    "                        cover, folder, front, album, albumart with .jpg,\n"
    "                        .jpeg or .png (letter case ignored)\n"
    "  shrink                pictures larger than --max-size on a side are scaled\n"
    "                        down\n"
    "  --max-size PIXELS     the longest side a new or shrunk picture keeps\n"
    "  --quality Q           JPEG quality of a scaled picture (default 90)\n"
    "  --to-jpeg             a scaled PNG becomes JPEG (else it stays PNG)\n"
    "  remove                removes picture N (--index), every picture of a type\n"
    "                        (--type) or all of them (--all)\n"
    "  --no-journal          change the files without the journal\n"
    "  --id3v2 3|4|keep      the ID3v2 version an MP3 file's rebuilt tag gets\n"
    "                        (default: the window's option)\n"
    "Images over 8000 pixels a side or 16 MB, and bytes that do not decode as an\n"
    "image, are refused. Every change goes through the journal: undo puts the\n"
    "old pictures back byte for byte. A file that fails is listed on standard\n"
    "error as \"path<TAB>message\" (exit status 1).\n"
    "\n"
    "Failed rows go to standard error as \"old path<TAB>message\".\n"
    "Exit status: 0 all rows done, 1 some rows failed, 2 bad usage or input.\n"
    "undo: 0 all files put back, 1 some left alone, 2 bad usage or no such job.\n"
    "The journal lives in $QUILLMARK_DATA_DIR/journal when set, else in\n"
    "$XDG_DATA_HOME/quillmark/journal.\n"
    "Settings are read from TagQuill.ini in $QUILLMARK_CONFIG_DIR, else the\n"
    "window's settings folder.\n";

// Whatever a command printed reaches standard output before the status is
// given: a full disk or a closed output makes a command that printed
// nothing wrong of its own fail, so that a script never takes lost output
// for a success.
int flushedStatus(int status)
{
    if ((std::fflush(stdout) != 0 || std::ferror(stdout)) && status == qm::cli::ExitOk) {
        std::fputs("quillmark-cli: cannot write standard output\n", stderr);
        return qm::cli::ExitRowsFailed;
    }
    return status;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quillmark-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QM_VERSION));
    // Row messages speak the user's language; the usage text stays English.
    qm::installTranslations(app, qm::programLanguage());
    using namespace qm::cli;

    // Decoded as file names are, so a path that is not UTF-8 names its file.
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args.append(qm::decodeFileName(argv[i]));
    if (args.isEmpty()) {
        std::fputs(kUsage, stderr);
        return ExitUsage;
    }
    const QString command = args.takeFirst();
    if (command == QLatin1String("--help") || command == QLatin1String("-h")
        || command == QLatin1String("help")) {
        std::fputs(kUsage, stdout);
        return flushedStatus(ExitOk);
    }
    if (command == QLatin1String("--version")) {
        std::fputs("quillmark-cli " QM_VERSION "\n", stdout);
        return flushedStatus(ExitOk);
    }
    QStringList switches;
    QStringList valued;
    QStringList threeValued;
    int (*run)(const Arguments &) = nullptr;
    if (command == QLatin1String("read")) {
        switches = {QStringLiteral("no-info"), QStringLiteral("no-subfolders"),
                    QStringLiteral("case-sensitive"), QStringLiteral("all-formats")};
        valued = {QStringLiteral("tag"), QStringLiteral("mask"), QStringLiteral("numbers"),
                  QStringLiteral("format"), QStringLiteral("codepage")};
        run = runRead;
    } else if (command == QLatin1String("edit")) {
        switches = {QStringLiteral("shuffle"), QStringLiteral("numbers-separate"),
                    QStringLiteral("case-sensitive"), QStringLiteral("whole-cell")};
        valued = {
            QStringLiteral("show"),     QStringLiteral("set"),         QStringLiteral("dedupe"),
            QStringLiteral("numbers"),  QStringLiteral("sort"),        QStringLiteral("case"),
            QStringLiteral("translit"), QStringLiteral("restore"),     QStringLiteral("alphabet"),
            QStringLiteral("repair"),   QStringLiteral("show-repairs")};
        threeValued = {QStringLiteral("replace")};
        run = runEdit;
    } else if (command == QLatin1String("apply")) {
        switches = {QStringLiteral("rename"),          QStringLiteral("copy"),
                    QStringLiteral("all-formats"),     QStringLiteral("no-journal"),
                    QStringLiteral("move-companions"), QStringLiteral("dry-run")};
        valued = {QStringLiteral("write-tag"),      QStringLiteral("tag"),
                  QStringLiteral("create-folders"), QStringLiteral("replace"),
                  QStringLiteral("id3v2"),          QStringLiteral("codepage")};
        run = runApply;
    } else if (command == QLatin1String("history")) {
        run = runHistory;
    } else if (command == QLatin1String("undo")) {
        run = runUndo;
    } else if (command == QLatin1String("export")) {
        switches = {QStringLiteral("numbers-separate"), QStringLiteral("no-titles")};
        valued = {QStringLiteral("format"), QStringLiteral("tag"), QStringLiteral("template"),
                  QStringLiteral("title-template"), QStringLiteral("numbers")};
        run = runExport;
    } else if (command == QLatin1String("picture")) {
        switches = {QStringLiteral("from-folder"), QStringLiteral("all"),
                    QStringLiteral("no-journal"), QStringLiteral("to-jpeg")};
        valued = {QStringLiteral("index"), QStringLiteral("type"), QStringLiteral("max-size"),
                  QStringLiteral("quality"), QStringLiteral("id3v2")};
        run = runPicture;
    } else if (command == QLatin1String("play")) {
        run = runPlay;
    } else if (command == QLatin1String("enqueue")) {
        run = runEnqueue;
    } else {
        const QByteArray text =
            "quillmark-cli: unknown command \"" + command.toUtf8() + "\" (try --help)\n";
        std::fputs(text.constData(), stderr);
        return ExitUsage;
    }
    // --help is an option like the others: the value of an option (a text
    // to find) or an operand after "--" (a file named so) is no question.
    switches.append(QStringLiteral("help"));
    Arguments parsed;
    QString error;
    if (!parseArguments(args, switches, valued, parsed, error, threeValued)) {
        const QByteArray text = "quillmark-cli " + command.toUtf8() + ": " + error.toUtf8() + "\n";
        std::fputs(text.constData(), stderr);
        return ExitUsage;
    }
    if (parsed.has(QStringLiteral("help"))) {
        std::fputs(kUsage, stdout);
        return flushedStatus(ExitOk);
    }
    // A write job killed midway left files to put back before any is read;
    // what recovery had to leave alone is said.
    for (const QString &line : qm::journal::leftAlone(qm::journal::recover())) {
        const QByteArray text = "quillmark-cli: " + line.toUtf8() + "\n";
        std::fputs(text.constData(), stderr);
    }
    return flushedStatus(run(parsed));
}
