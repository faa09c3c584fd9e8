#include "formats/pathcodec.h"
#include "formats/utf8sequence.h"

#include "formats/codepage.h"

#include <QFile>
#include <QStringList>

#include <dirent.h>

namespace qm {
namespace {

constexpr char16_t kRawBase = 0xF700;
constexpr char16_t kRawFirst = 0xF780;
constexpr char16_t kRawLast = 0xF7FF;

bool isRaw(char16_t ch) { return ch >= kRawFirst && ch <= kRawLast; }

bool continuation(uchar b) { return (b & 0xC0) == 0x80; }

} // namespace

int utf8SequenceAt(const uchar *p, const uchar *end, char32_t &code)
{
    const uchar b = p[0];
    int length = 0;
    char32_t min = 0;
    if (b >= 0xC2 && b <= 0xDF) {
        length = 2;
        code = b & 0x1F;
        min = 0x80;
    } else if (b >= 0xE0 && b <= 0xEF) {
        length = 3;
        code = b & 0x0F;
        min = 0x800;
    } else if (b >= 0xF0 && b <= 0xF4) {
        length = 4;
        code = b & 0x07;
        min = 0x10000;
    } else {
        return 0;
    }
    if (end - p < length)
        return 0;
    for (int i = 1; i < length; ++i) {
        if (!continuation(p[i]))
            return 0;
        code = (code << 6) | (p[i] & 0x3F);
    }
    if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return length;
}

QString decodeFileName(QByteArrayView bytes)
{
    // Written in place: a name never takes more UTF-16 units than it has
    // bytes, and every file of a folder read is named this way.
    QString name(bytes.size(), Qt::Uninitialized);
    char16_t *const start = reinterpret_cast<char16_t *>(name.data());
    char16_t *out = start;
    const auto *p = reinterpret_cast<const uchar *>(bytes.data());
    const uchar *end = p + bytes.size();
    while (p < end) {
        if (*p < 0x80) {
            *out++ = char16_t(*p++);
            continue;
        }
        char32_t code = 0;
        const int length = utf8SequenceAt(p, end, code);
        if (length > 0 && !(code >= kRawFirst && code <= kRawLast)) {
            if (QChar::requiresSurrogates(code)) {
                *out++ = QChar::highSurrogate(code);
                *out++ = QChar::lowSurrogate(code);
            } else {
                *out++ = char16_t(code);
            }
            p += length;
        } else {
            *out++ = char16_t(kRawBase + *p++);
        }
    }
    name.truncate(out - start);
    return name;
}

QByteArray encodeFileName(QStringView name)
{
    // Nearly every name holds no raw byte: one conversion, one buffer.
    if (!hasRawBytes(name))
        return name.toUtf8();
    QByteArray bytes;
    bytes.reserve(name.size());
    qsizetype runStart = 0;
    for (qsizetype i = 0; i <= name.size(); ++i) {
        if (i < name.size() && !isRaw(name.at(i).unicode()))
            continue;
        bytes += name.sliced(runStart, i - runStart).toUtf8();
        if (i < name.size())
            bytes += char(name.at(i).unicode() - kRawBase);
        runStart = i + 1;
    }
    return bytes;
}

bool hasRawBytes(QStringView name)
{
    for (const QChar ch : name) {
        if (isRaw(ch.unicode()))
            return true;
    }
    return false;
}

QChar rawByteChar(uchar byte) { return QChar(char16_t(kRawBase + byte)); }

QString readableFileName(const QString &name)
{
    if (!hasRawBytes(name))
        return name;
    QString shown;
    QByteArray run;
    for (const QChar ch : name) {
        if (isRaw(ch.unicode())) {
            run += char(ch.unicode() - kRawBase);
            continue;
        }
        if (!run.isEmpty()) {
            shown += LegacyCodepage::decode(run);
            run.clear();
        }
        shown += ch;
    }
    if (!run.isEmpty())
        shown += LegacyCodepage::decode(run);
    return shown;
}

QString fileNameFromQt(const QString &qtName)
{
    if (!qtName.contains(QChar::ReplacementCharacter))
        return qtName;
    const QStringList parts = qtName.split(u'/');
    QByteArray path;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        if (i > 0)
            path += '/';
        if (!parts[i].contains(QChar::ReplacementCharacter)) {
            path += encodeFileName(parts[i]);
            continue;
        }
        DIR *dir = opendir(path.isEmpty() ? "." : path.constData());
        if (!dir)
            return qtName;
        QByteArray found;
        int matches = 0;
        while (const dirent *entry = readdir(dir)) {
            if (QFile::decodeName(entry->d_name) == parts[i]) {
                found = entry->d_name;
                ++matches;
            }
        }
        closedir(dir);
        if (matches != 1)
            return qtName;
        path += found;
    }
    return decodeFileName(path);
}

QString fileNameOfUrl(const QUrl &url)
{
    if (!url.isLocalFile())
        return {};
    if (!url.host().isEmpty())
        return url.toLocalFile();
    return decodeFileName(QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()));
}

QUrl urlOfFileName(const QString &name)
{
    QUrl url;
    url.setScheme(QStringLiteral("file"));
    url.setPath(QString::fromLatin1(encodeFileName(name).toPercentEncoding("/")),
                QUrl::TolerantMode);
    return url;
}

} // namespace qm
