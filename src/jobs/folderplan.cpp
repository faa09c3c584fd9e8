#include "jobs/folderplan.h"

#include "formats/codepage.h"
#include "formats/pathcodec.h"
#include "jobs/fileops.h"
#include "jobs/writemessage.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QStringDecoder>

#include <algorithm>
#include <map>

#include <dirent.h>
#include <sys/stat.h>

namespace qm {

namespace {

// Files that make an album: one of them left behind means the album does
// not move whole.
bool isAudioName(const QString &name)
{
    static const QSet<QString> audio{
        QStringLiteral("mp3"), QStringLiteral("mp2"),  QStringLiteral("mp1"),
        QStringLiteral("mpa"), QStringLiteral("flac"), QStringLiteral("ogg"),
        QStringLiteral("oga"), QStringLiteral("opus"), QStringLiteral("m4a"),
        QStringLiteral("mp4"), QStringLiteral("aac"),  QStringLiteral("wav"),
        QStringLiteral("aif"), QStringLiteral("aiff"), QStringLiteral("ape"),
        QStringLiteral("wv"),  QStringLiteral("wma"),  QStringLiteral("mpc"),
        QStringLiteral("dsf"), QStringLiteral("dff"),  QStringLiteral("tta"),
    };
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot > 0 && audio.contains(name.mid(dot + 1).toLower());
}

// The names in `folder` ("." and ".." left out), as the name codec reads
// them; `files` only: regular files alone.
QStringList entriesOf(const QString &folder, bool files)
{
    QStringList names;
    const QByteArray path = encodeFileName(folder);
    DIR *dir = ::opendir(path.constData());
    if (!dir)
        return names;
    while (const dirent *entry = ::readdir(dir)) {
        const QByteArrayView name(entry->d_name);
        if (name == "." || name == "..")
            continue;
        if (files) {
            struct stat info {};
            const QByteArray full = QByteArray(path + '/').append(name);
            if (::lstat(full.constData(), &info) != 0 || !S_ISREG(info.st_mode))
                continue;
        }
        names.append(decodeFileName(name));
    }
    ::closedir(dir);
    return names;
}

QString joined(const QString &folder, const QString &name)
{
    return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}

QString cleaned(const QString &path) { return QDir::cleanPath(path); }

// The text of one list entry named anew, or empty when it names no moved
// file.
QString renamedEntry(QString name, const QString &folder, const QString &newFolder,
                     const QHash<QString, QString> &moved)
{
    // A list made on Windows separates with "\", and keeps doing so.
    const bool backslashes = name.contains(QLatin1Char('\\')) && !name.contains(QLatin1Char('/'));
    if (backslashes)
        name.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const bool absolute = name.startsWith(QLatin1Char('/'));
    const auto to = moved.constFind(cleaned(absolute ? name : joined(folder, name)));
    if (to == moved.constEnd())
        return {};
    QString text = absolute ? *to : QDir(newFolder).relativeFilePath(*to);
    if (backslashes)
        text.replace(QLatin1Char('/'), QLatin1Char('\\'));
    return text;
}

// Where the file name of a cue sheet's FILE line is, within the line.
bool cueFileName(QByteArrayView line, qsizetype *begin, qsizetype *end)
{
    qsizetype at = 0;
    while (at < line.size() && (line[at] == ' ' || line[at] == '\t'))
        ++at;
    if (line.size() - at < 5 || qstrnicmp(line.data() + at, "FILE", 4) != 0
        || (line[at + 4] != ' ' && line[at + 4] != '\t'))
        return false;
    at += 5;
    while (at < line.size() && (line[at] == ' ' || line[at] == '\t'))
        ++at;
    if (at < line.size() && line[at] == '"') {
        const qsizetype close = line.indexOf('"', at + 1);
        if (close < 0)
            return false;
        *begin = at + 1;
        *end = close;
        return true;
    }
    // Unquoted, the name runs up to the file type after it.
    qsizetype last = line.size();
    while (last > at && (line[last - 1] == ' ' || line[last - 1] == '\t'))
        --last;
    const qsizetype type =
        std::max(line.lastIndexOf(' ', last - 1), line.lastIndexOf('\t', last - 1));
    *begin = at;
    *end = type > at ? type : last;
    return *end > *begin;
}

} // namespace

QString FolderOfFile(const QString &path)
{
    const QString clean = cleaned(path);
    const qsizetype slash = clean.lastIndexOf(QLatin1Char('/'));
    if (slash < 0)
        return QStringLiteral(".");
    return slash == 0 ? QStringLiteral("/") : clean.left(slash);
}

bool IsCueSheet(const QString &path)
{
    return path.endsWith(QLatin1String(".cue"), Qt::CaseInsensitive);
}

bool IsListOfFiles(const QString &path)
{
    return path.endsWith(QLatin1String(".m3u"), Qt::CaseInsensitive)
           || path.endsWith(QLatin1String(".m3u8"), Qt::CaseInsensitive);
}

QByteArray RenameListEntries(const QByteArray &bytes, bool cueSheet, const QString &folder,
                             const QString &newFolder, const QHash<QString, QString> &moved)
{
    // A list saved as "Unicode" by a Windows program (a ripper's cue sheet)
    // is UTF-16 after its byte order mark: its entries are renamed as text,
    // and it is written back as it came.
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        const auto encoding =
            bytes.startsWith("\xFF\xFE") ? QStringConverter::Utf16LE : QStringConverter::Utf16BE;
        QStringDecoder decoder(encoding);
        const QString text = decoder.decode(QByteArrayView(bytes).sliced(2));
        if (decoder.hasError())
            return {};
        const QByteArray renamed =
            RenameListEntries(text.toUtf8(), cueSheet, folder, newFolder, moved);
        if (renamed.isEmpty())
            return {};
        QStringEncoder encoder(encoding);
        return bytes.first(2) + QByteArray(encoder.encode(QString::fromUtf8(renamed)));
    }
    QStringDecoder probe(QStringDecoder::Utf8);
    const QString decoded = probe.decode(bytes); // decodes only when made a QString
    const bool utf8 = !probe.hasError();
    QByteArray out;
    bool changed = false;
    qsizetype at = 0;
    while (at < bytes.size()) {
        qsizetype next = bytes.indexOf('\n', at);
        next = next < 0 ? bytes.size() : next + 1;
        QByteArrayView line = QByteArrayView(bytes).sliced(at, next - at);
        // The line's end, "\n" or "\r\n" or none, stays as it is.
        qsizetype textEnd = line.size();
        while (textEnd > 0 && (line[textEnd - 1] == '\n' || line[textEnd - 1] == '\r'))
            --textEnd;
        qsizetype begin = 0, end = 0;
        // A UTF-8 mark before the first line is no part of it.
        if (at == 0 && line.startsWith("\xEF\xBB\xBF"))
            begin = 3;
        bool entry = false;
        if (cueSheet) {
            qsizetype from = 0, to = 0;
            entry = cueFileName(line.sliced(begin, textEnd - begin), &from, &to);
            end = begin + to;
            begin += from;
        } else {
            entry = textEnd > begin && line[begin] != '#';
            end = textEnd;
        }
        QString renamed;
        if (entry) {
            const QByteArrayView name = line.sliced(begin, end - begin);
            renamed = renamedEntry(utf8 ? QString::fromUtf8(name) : LegacyCodepage::decode(name),
                                   folder, newFolder, moved);
        }
        if (!renamed.isEmpty() && (utf8 || LegacyCodepage::canEncode(renamed))) {
            out += line.first(begin);
            out += utf8 ? renamed.toUtf8() : LegacyCodepage::encode(renamed);
            out += line.sliced(end);
            changed = true;
        } else {
            out += line;
        }
        at = next;
    }
    return changed ? out : QByteArray();
}

std::vector<CompanionMove> PlanCompanions(const std::vector<FileMove> &moves,
                                          const QSet<QString> &tableFiles,
                                          const QStringList &patterns)
{
    std::vector<CompanionMove> companions;
    if (moves.empty() || patterns.isEmpty())
        return companions;
    struct Album {
        QSet<QString> targets; // the new folders of its files
        QSet<QString> moving;  // its files that move, by name
    };
    std::map<QString, Album> albums;
    QHash<QString, QString> moved;
    for (const FileMove &move : moves) {
        const QString from = cleaned(move.from);
        const QString to = cleaned(move.to);
        moved.insert(from, to);
        Album &album = albums[FolderOfFile(from)];
        album.targets.insert(FolderOfFile(to));
        album.moving.insert(from.mid(from.lastIndexOf(QLatin1Char('/')) + 1));
    }
    // A file of the table that stays keeps its album where it is.
    for (const QString &file : tableFiles) {
        const auto album = albums.find(FolderOfFile(file));
        if (album != albums.end() && !moved.contains(file))
            album->second.targets.insert(album->first);
    }
    std::vector<QRegularExpression> wildcards;
    for (const QString &pattern : patterns)
        wildcards.push_back(
            QRegularExpression::fromWildcard(pattern.trimmed(), Qt::CaseInsensitive));
    for (const auto &[folder, album] : albums) {
        if (album.targets.size() != 1 || *album.targets.cbegin() == folder)
            continue;
        const QString target = *album.targets.cbegin();
        QStringList others;
        bool whole = true;
        for (const QString &name : entriesOf(folder, true)) {
            if (album.moving.contains(name))
                continue;
            const bool matches =
                std::any_of(wildcards.cbegin(), wildcards.cend(),
                            [&](const QRegularExpression &w) { return w.match(name).hasMatch(); });
            if (matches)
                others.append(name);
            else if (isAudioName(name))
                whole = false;
        }
        if (!whole)
            continue;
        others.sort();
        for (const QString &name : std::as_const(others)) {
            CompanionMove move;
            move.from = joined(folder, name);
            move.to = joined(target, name);
            struct stat info {};
            if (::lstat(encodeFileName(move.to).constData(), &info) == 0) {
                move.left = WriteMessage::TargetExists();
            } else if (IsCueSheet(name) || IsListOfFiles(name)) {
                QFile file(move.from);
                // Lists are small; a huge "list" is someone else's file.
                if (file.open(QIODevice::ReadOnly) && file.size() < (qint64(4) << 20)) {
                    move.oldBytes = file.readAll();
                    move.newBytes =
                        RenameListEntries(move.oldBytes, IsCueSheet(name), folder, target, moved);
                    if (move.newBytes.isEmpty())
                        move.oldBytes.clear();
                }
            }
            companions.push_back(std::move(move));
        }
    }
    return companions;
}

QString CommonFolder(const QStringList &folders)
{
    if (folders.isEmpty())
        return {};
    QStringList common = cleaned(folders.first()).split(QLatin1Char('/'));
    for (const QString &folder : folders) {
        const QStringList parts = cleaned(folder).split(QLatin1Char('/'));
        qsizetype n = 0;
        while (n < common.size() && n < parts.size() && common[n] == parts[n])
            ++n;
        common.resize(n);
    }
    QString joinedParts = common.join(QLatin1Char('/'));
    if (joinedParts.isEmpty())
        return common.isEmpty() ? QString() : QStringLiteral("/");
    return joinedParts;
}

QStringList EmptiedFolders(const QStringList &sources, const QString &root,
                           const QSet<QString> &gone)
{
    QStringList removed;
    if (root.isEmpty())
        return removed;
    const QString top = cleaned(root);
    const QString prefix = top.endsWith(QLatin1Char('/')) ? top : top + QLatin1Char('/');
    const auto inside = [&](const QString &folder) {
        return folder == top || folder.startsWith(prefix);
    };
    const auto empty = [&](const QString &folder) {
        if (!FolderExists(folder))
            return false;
        const QStringList names = entriesOf(folder, false);
        return std::all_of(names.cbegin(), names.cend(), [&](const QString &name) {
            const QString path = joined(folder, name);
            return gone.contains(path) || removed.contains(path);
        });
    };
    QStringList ordered;
    for (const QString &source : sources)
        ordered.append(cleaned(source));
    ordered.removeDuplicates();
    std::sort(ordered.begin(), ordered.end(), [](const QString &a, const QString &b) {
        return a.count(QLatin1Char('/')) > b.count(QLatin1Char('/'));
    });
    for (const QString &source : std::as_const(ordered)) {
        QString folder = source;
        for (bool first = true; inside(folder) && (first || folder != top); first = false) {
            if (removed.contains(folder) || !empty(folder))
                break;
            removed.append(folder);
            folder = FolderOfFile(folder);
        }
    }
    return removed;
}

} // namespace qm
