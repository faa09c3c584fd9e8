// quillmark-cli picture: lists, extracts, sets and removes the pictures of
// files; the changes run as the window's picture commands do, through the
// session's job and the journal.

#include "cli/commands.h"
#include "cli/commandtools.h"
#include "cli/rowstream.h"
#include "jobs/picturejob.h"
#include "session/session.h"
#include "settings/settingspath.h"

#include <QHash>

#include <cstdio>

namespace qm::cli {

namespace {

int usage(const QString &text)
{
    printError(QStringLiteral("quillmark-cli picture: ") + text);
    return ExitUsage;
}

// The value of `name` as a number in [low, high], or `fallback` when it is
// not given; nothing when it is not such a number.
std::optional<int> numberOption(const Arguments &args, const QString &name, int low, int high,
                                int fallback)
{
    if (!args.has(name))
        return fallback;
    bool ok = false;
    const int value = args.value(name).toInt(&ok);
    if (!ok || value < low || value > high)
        return std::nullopt;
    return value;
}

int listPictures(const QStringList &files)
{
    bool failed = false;
    QByteArray out;
    for (const QString &path : files) {
        QList<pictures::Picture> found;
        QString reason;
        if (!ReadFilePictures(path, &found, &reason)) {
            printError(path + QLatin1Char('\t') + reason);
            failed = true;
            continue;
        }
        for (qsizetype i = 0; i < found.size(); ++i) {
            const pictures::Picture &picture = found[i];
            pictures::ImageInfo info{picture.mime, int(picture.width), int(picture.height),
                                     picture.data.size()};
            QString ignored;
            pictures::probeImage(picture.data, &info, &ignored);
            appendJsonText(out, "{\"file\":", path);
            out += ",\"index\":" + QByteArray::number(i)
                   + ",\"type\":" + QByteArray::number(picture.type);
            appendJsonText(out, ",\"mime\":", QString::fromLatin1(picture.mime));
            out += ",\"width\":" + QByteArray::number(info.width)
                   + ",\"height\":" + QByteArray::number(info.height)
                   + ",\"size\":" + QByteArray::number(picture.data.size());
            appendJsonText(out, ",\"description\":", picture.description);
            out += "}\n";
        }
    }
    if (std::fwrite(out.constData(), 1, size_t(out.size()), stdout) != size_t(out.size()))
        return ExitRowsFailed;
    return failed ? ExitRowsFailed : ExitOk;
}

int extractPicture(const QString &path, const QString &output, int index)
{
    QList<pictures::Picture> found;
    QString reason;
    if (!ReadFilePictures(path, &found, &reason)) {
        printError(path + QLatin1Char('\t') + reason);
        return ExitRowsFailed;
    }
    if (index >= found.size()) {
        printError(path + QLatin1Char('\t') + PictureMessage::NoSuchPicture());
        return ExitRowsFailed;
    }
    if (!WritePictureFile(path, output, found[index].data, &reason)) {
        printError(output + QLatin1Char('\t') + reason);
        return ExitRowsFailed;
    }
    return ExitOk;
}

int changePictures(const QStringList &files, const PictureCommand &command, const QString &version)
{
    if (files.isEmpty())
        return usage(QStringLiteral("no files given"));
    Session session;
    // The ID3v2 version of the window's options, unless asked otherwise.
    session.loadSettings(settingsFilePath());
    if (!version.isEmpty())
        session.options().setId3v2WriteVersion(version == QLatin1String("keep") ? 0
                                                                                : version.toInt());
    QList<PictureFailure> failures;
    QObject::connect(
        &session, &Session::picturesChanged,
        [&](const QStringList &, const QList<PictureFailure> &failed) { failures = failed; });
    session.changePictures(files, command);
    session.waitForJobs();
    for (const PictureFailure &failure : std::as_const(failures))
        printError(failure.path + QLatin1Char('\t') + failure.message);
    return failures.isEmpty() ? ExitOk : ExitRowsFailed;
}

} // namespace

int runPicture(const Arguments &args)
{
    if (args.operands.isEmpty())
        return usage(QStringLiteral("list, extract, set or remove?"));
    const QString action = args.operands[0];
    QStringList rest = args.operands.mid(1);
    // The options each action takes: one it would pass over leaves the
    // action doing something else than asked (extract --type would take
    // picture 0 of any type, shrink --type every picture).
    static const QHash<QString, QStringList> actionOptions{
        {QStringLiteral("list"), {}},
        {QStringLiteral("extract"), {QStringLiteral("index")}},
        {QStringLiteral("set"),
         {QStringLiteral("type"), QStringLiteral("max-size"), QStringLiteral("quality"),
          QStringLiteral("to-jpeg"), QStringLiteral("from-folder"), QStringLiteral("no-journal"),
          QStringLiteral("id3v2")}},
        {QStringLiteral("shrink"),
         {QStringLiteral("max-size"), QStringLiteral("quality"), QStringLiteral("to-jpeg"),
          QStringLiteral("no-journal"), QStringLiteral("id3v2")}},
        {QStringLiteral("remove"),
         {QStringLiteral("index"), QStringLiteral("type"), QStringLiteral("all"),
          QStringLiteral("no-journal"), QStringLiteral("id3v2")}}};
    if (const auto taken = actionOptions.constFind(action); taken != actionOptions.constEnd()) {
        for (const auto &option : args.options) {
            if (!taken->contains(option.first))
                return usage(QStringLiteral("--%1 does not apply to %2").arg(option.first, action));
        }
    }
    const std::optional<int> index = numberOption(args, QStringLiteral("index"), 0, 1 << 20, 0);
    const std::optional<int> type =
        numberOption(args, QStringLiteral("type"), 0, int(pictures::kLastType), 3);
    const std::optional<int> maxSize =
        numberOption(args, QStringLiteral("max-size"), 1, pictures::kMaxSide, 0);
    const std::optional<int> quality = numberOption(args, QStringLiteral("quality"), 0, 100, 90);
    if (!index)
        return usage(QStringLiteral("--index takes a number from 0"));
    if (!type)
        return usage(QStringLiteral("--type takes a picture type from 0 to 20"));
    if (!maxSize)
        return usage(
            QStringLiteral("--max-size takes pixels from 1 to %1").arg(pictures::kMaxSide));
    if (!quality)
        return usage(QStringLiteral("--quality takes 0 to 100"));
    QString version;
    if (!parseChoice(args, QStringLiteral("id3v2"),
                     {QStringLiteral("3"), QStringLiteral("4"), QStringLiteral("keep"), QString()},
                     QString(), version))
        return ExitUsage;

    if (action == QLatin1String("list")) {
        if (rest.isEmpty())
            return usage(QStringLiteral("list needs files"));
        return listPictures(rest);
    }
    if (action == QLatin1String("extract")) {
        if (rest.size() != 2)
            return usage(QStringLiteral("extract takes FILE OUTPUT"));
        return extractPicture(rest[0], rest[1], *index);
    }
    PictureCommand command;
    command.noJournal = args.has(QStringLiteral("no-journal"));
    command.shrink.maxSide = *maxSize;
    command.shrink.jpegQuality = *quality;
    command.shrink.pngToJpeg = args.has(QStringLiteral("to-jpeg"));
    command.type = quint32(*type);
    if (action == QLatin1String("set")) {
        if (args.has(QStringLiteral("from-folder"))) {
            command.kind = PictureCommand::SetFromFolder;
        } else {
            if (rest.isEmpty())
                return usage(QStringLiteral("set needs IMAGE (or --from-folder) and files"));
            command.kind = PictureCommand::SetImage;
            command.image = rest.takeFirst();
        }
        return changePictures(rest, command, version);
    }
    if (action == QLatin1String("shrink")) {
        if (*maxSize == 0)
            return usage(QStringLiteral("shrink needs --max-size"));
        command.kind = PictureCommand::Shrink;
        return changePictures(rest, command, version);
    }
    if (action == QLatin1String("remove")) {
        const int ways = int(args.has(QStringLiteral("index")))
                         + int(args.has(QStringLiteral("type")))
                         + int(args.has(QStringLiteral("all")));
        if (ways != 1)
            return usage(QStringLiteral("remove takes one of --index N, --type N, --all"));
        command.kind = PictureCommand::Remove;
        command.removal.kind = args.has(QStringLiteral("all")) ? pictures::PictureEdit::RemoveAll
                               : args.has(QStringLiteral("index"))
                                   ? pictures::PictureEdit::RemoveIndex
                                   : pictures::PictureEdit::RemoveType;
        command.removal.index = *index;
        command.removal.type = quint32(*type);
        return changePictures(rest, command, version);
    }
    return usage(
        QStringLiteral("unknown action \"%1\": list, extract, set, shrink or remove").arg(action));
}

} // namespace qm::cli
