#include "lists/listfile.h"

#include "formats/codepage.h"

#include <QCoreApplication>
#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>

namespace qm {

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
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes = bytes.sliced(3);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (utf8.hasError() && !utf8Only)
        text = LegacyCodepage::decode(bytes);

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

bool ReadListFile(const QString &path, QStringList &lines)
{
    lines.clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return false;
    lines = ListTextLines(bytes, path.endsWith(QLatin1String(".m3u8"), Qt::CaseInsensitive));
    return true;
}

bool WriteListFile(const QString &path, const QStringList &lines)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray bytes = ListTextBytes(lines);
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace qm
