#include "lists/m3u.h"

#include "formats/pathcodec.h"
#include "lists/listfile.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

#include <algorithm>

namespace qm {

namespace {

QString folderOf(const QString &listPath)
{
    QString folder = QFileInfo(listPath).absolutePath();
    if (!folder.endsWith(u'/'))
        folder += u'/';
    return folder;
}

// The line of a play list in `folder` that names `path`: relative to the
// folder when it reads back as the same file, else whole. A line that
// begins with "#" is a comment to every reader ("#1 Hit.mp3"), a relative
// "AC\DC.mp3" would read as a Windows folder, "file:x.mp3" as x.mp3.
QString pathEntry(const QString &path, const QString &folder)
{
    const QString line = M3uPathLine(path);
    if (line == path && path.startsWith(folder)) {
        const QString relative = path.mid(folder.size());
        const M3uPath back = ResolveM3uPath(relative, folder);
        if (!relative.startsWith(u'#') && back.dir + back.name == path)
            return relative;
    }
    return line.startsWith(u'#') ? QLatin1String("./") + line : line;
}

} // namespace

int DurationSeconds(const QString &dur)
{
    QString d = dur;
    if (d.isEmpty())
        d = QStringLiteral("00:00:00");
    else if (d.size() <= 4)
        d.prepend(QLatin1String("00:0"));
    else if (d.size() == 5)
        d.prepend(QLatin1String("00:"));
    else if (d.size() <= 7)
        d.prepend(u'0');
    const QStringList parts = d.split(u':');
    if (parts.size() != 3)
        return 0;
    bool ok[3];
    const int h = parts[0].toInt(&ok[0]);
    const int m = parts[1].toInt(&ok[1]);
    const int s = parts[2].toInt(&ok[2]);
    if (!ok[0] || !ok[1] || !ok[2] || h < 0 || h > 23 || m < 0 || m > 59 || s < 0 || s > 59)
        return 0;
    return h * 3600 + m * 60 + s;
}

QString DurationText(int seconds)
{
    const int h = seconds / 3600;
    const int m = seconds / 60 % 60;
    const int s = seconds % 60;
    if (h == 0)
        return QStringLiteral("%1:%2").arg(m).arg(s, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1:%2:%3")
        .arg(h)
        .arg(m, 2, 10, QLatin1Char('0'))
        .arg(s, 2, 10, QLatin1Char('0'));
}

bool CompleteDirSeparators(RowTable &table)
{
    bool changed = false;
    for (int row = 1; row <= table.lastFileRow(); ++row) {
        const QString &dir = table.cell(row, FieldNumber::Dir);
        if (DirLacksSeparator(dir)) {
            table.setCell(row, FieldNumber::Dir, dir + u'/');
            changed = true;
        }
    }
    return changed;
}

QStringList M3uLines(const RowTable &table, TagView view, const QString &listPath)
{
    // Letter case tells folders apart here: /x/MUSIC is not /x/music.
    const QString folder = folderOf(listPath);
    QStringList lines{QStringLiteral("#EXTM3U")};
    for (int row = 1; row <= table.lastFileRow(); ++row) {
        const int seconds = DurationSeconds(table.cell(row, FieldNumber::Dur));
        const QString extinf = QStringLiteral("#EXTINF:%1,").arg(seconds);
        if (view != TagView::None)
            lines.append(extinf
                         + SingleLine(table.cell(row, FieldNumber::Art) + QLatin1String(" - ")
                                      + table.cell(row, FieldNumber::Tit)));
        else if (seconds > 0)
            lines.append(extinf + SingleLine(table.cell(row, FieldNumber::New)));
        QString dir = table.cell(row, FieldNumber::Dir);
        if (DirLacksSeparator(dir))
            dir += u'/';
        // A file without an extension is "name", a different file from "name.".
        const QString &ext = table.cell(row, FieldNumber::Ext);
        QString path = dir + table.cell(row, FieldNumber::Old);
        if (!ext.isEmpty())
            path += u'.' + ext;
        lines.append(pathEntry(path, folder));
    }
    return lines;
}

QString M3uPathLine(const QString &path)
{
    const bool plain = !hasRawBytes(path) && !path.contains(u'\n') && !path.contains(u'\r');
    return plain ? path : QString::fromLatin1(urlOfFileName(path).toEncoded());
}

M3uPath ResolveM3uPath(const QString &line, const QString &listFolder)
{
    QString path = line;
    // A URL carries the name's bytes percent-encoded, also bytes that are
    // not UTF-8 (a Latin-1 "caf%E9"), and players write "file:/x" as well
    // as "file:///x".
    if (path.startsWith(QLatin1String("file:"), Qt::CaseInsensitive)) {
        const QUrl url(path);
        if (url.isLocalFile())
            path = fileNameOfUrl(url);
    }
    const bool windows = path.contains(u'\\') && !path.contains(u'/');
    qsizetype cut =
        windows ? qMax(path.lastIndexOf(u'\\'), path.lastIndexOf(u':')) : path.lastIndexOf(u'/');
    const QString folder = path.left(cut + 1);
    M3uPath out{{}, path.mid(cut + 1)};
    if (windows && folder.mid(1, 2) == QLatin1String(":\\"))
        out.dir = folder;
    else if (windows && folder.startsWith(u'\\'))
        out.dir = u'/' + folder.mid(1).replace(u'\\', u'/');
    else if (windows)
        out.dir = listFolder + QString(folder).replace(u'\\', u'/');
    else if (folder.startsWith(u'/'))
        out.dir = folder;
    else
        out.dir = listFolder + folder;
    return out;
}

std::optional<int> ExtinfSeconds(QStringView line)
{
    const qsizetype comma = line.indexOf(u',');
    if (comma < 8)
        return std::nullopt;
    const QStringView number = line.sliced(8, comma - 8).trimmed();
    bool ok = false;
    const int seconds = number.toInt(&ok);
    if (ok)
        return seconds;
    // A whole number too large for any length (a player's garbage, a
    // stream's counter) still leads its entry in: only the length is unknown.
    QStringView digits = number;
    if (digits.startsWith(u'-') || digits.startsWith(u'+'))
        digits = digits.sliced(1);
    const bool whole = !digits.isEmpty() && std::all_of(digits.begin(), digits.end(), [](QChar c) {
        return c >= u'0' && c <= u'9';
    });
    if (!whole)
        return std::nullopt;
    return -1;
}

bool IsPlayListName(const QString &path)
{
    return path.endsWith(QLatin1String(".m3u"), Qt::CaseInsensitive)
           || path.endsWith(QLatin1String(".m3u8"), Qt::CaseInsensitive);
}

} // namespace qm
