#include "lists/listfile.h"

#include "formats/codepage.h"
#include "formats/fileio.h"
#include "formats/pathcodec.h"
#include "settings/unicodetext.h"

#include <QCoreApplication>
#include <QFile>
#include <QRandomGenerator>
#include <QStringDecoder>

#include <cerrno>
#include <optional>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qm {
namespace {

constexpr char kNameChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

// Writes all of `bytes` into what is at `path` as it is, without a
// temporary file.
bool writeInPlace(const QByteArray &path, const QByteArray &bytes)
{
    int fd;
    do {
        fd = ::open(path.constData(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return false;
    const bool written = writeAll(fd, bytes);
    return ::close(fd) == 0 && written;
}

} // namespace

QString CannotOpenFileText()
{
    return QCoreApplication::translate("qm::ListFile", "Не удается открыть файл: \n");
}

QString CannotCreateFileText()
{
    return QCoreApplication::translate("qm::ListFile", "Не удается создать файл: \n");
}

QStringList ListTextLines(QByteArrayView bytes, bool utf8Only)
{
    QString text;
    if (std::optional<QString> utf16 = Utf16Text(bytes)) {
        text = std::move(*utf16);
    } else {
        if (bytes.startsWith("\xEF\xBB\xBF"))
            bytes = bytes.sliced(3);
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        text = utf8.decode(bytes);
        if (utf8.hasError() && !utf8Only)
            text = LegacyCodepage::decode(bytes);
    }

    QStringList lines;
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (c != u'\r' && c != u'\n')
            continue;
        lines.append(text.mid(start, i - start));
        if (c == u'\r' && i + 1 < n && text[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < n)
        lines.append(text.mid(start));
    return lines;
}

QByteArray ListTextBytes(const QStringList &lines)
{
    QByteArray out;
    for (const QString &line : lines) {
        out += line.toUtf8();
        out += "\r\n";
    }
    return out;
}

QString SingleLine(const QString &text)
{
    QString line = text;
    line.replace(QLatin1String("\r\n"), QLatin1String(" "));
    line.replace(u'\r', u' ');
    line.replace(u'\n', u' ');
    return line;
}

bool ReadListFile(const QString &path, QStringList &lines)
{
    lines.clear();
    ReadOnlyFile file;
    QByteArray bytes;
    if (!file.open(path) || !file.readUpTo(0, file.size(), &bytes))
        return false;
    lines = ListTextLines(bytes, path.endsWith(QLatin1String(".m3u8"), Qt::CaseInsensitive));
    return true;
}

bool WriteListFile(const QString &path, const QStringList &lines)
{
    return WriteWholeFile(path, ListTextBytes(lines));
}

bool WriteWholeFile(const QString &path, const QByteArray &bytes)
{
    // By the name's own bytes, as every file of the table: a list saved into
    // a folder named in Windows-1251 lands there (QSaveFile would look for
    // another name). A list written over a link goes to the linked file.
    QByteArray target = encodeFileName(path);
    if (char *real = ::realpath(target.constData(), nullptr)) {
        target = real;
        ::free(real);
    }
    struct stat old {};
    const bool replaces = ::stat(target.constData(), &old) == 0;
    // A pipe or a device (/dev/stdout, a FIFO, /dev/null) takes the bytes as
    // they are written: a file renamed over it would take its name, and
    // whoever reads it would never see them.
    if (replaces && !S_ISREG(old.st_mode) && !S_ISDIR(old.st_mode))
        return writeInPlace(target, bytes);
    // The new list is complete and on disk before it takes the name. The
    // write job's prefix: a copy left by a killed process is cleared with
    // its temporaries.
    QByteArray temporary;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 16; ++attempt) {
        temporary = target.left(target.lastIndexOf('/') + 1) + ".quillmark-";
        for (int i = 0; i < 6; ++i)
            temporary +=
                kNameChars[QRandomGenerator::global()->bounded(int(sizeof kNameChars) - 1)];
        // A new list gets the usual mode of a new file, the umask applied.
        fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            return false;
    }
    if (fd < 0)
        return false;
    QFile file;
    bool ok = file.open(fd, QIODevice::WriteOnly, QFileDevice::DontCloseHandle)
              && file.write(bytes) == bytes.size() && file.flush();
    file.close();
    ok = ok && (!replaces || ::fchmod(fd, old.st_mode & 07777) == 0) && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::rename(temporary.constData(), target.constData()) == 0;
    if (!ok)
        ::unlink(temporary.constData());
    return ok;
}

} // namespace qm
