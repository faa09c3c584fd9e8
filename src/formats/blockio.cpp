#include "formats/blockio.h"

#include <QFile>

namespace qm {

bool readUpTo(QFile &file, qint64 pos, qint64 length, QByteArray *out)
{
    out->clear();
    if (pos < 0 || length < 0 || !file.seek(pos))
        return false;
    out->resize(length);
    const qint64 got = file.read(out->data(), length);
    if (got < 0) {
        out->clear();
        return false;
    }
    out->resize(got);
    return true;
}

bool readAt(QFile &file, qint64 pos, qint64 length, QByteArray *out)
{
    return readUpTo(file, pos, length, out) && out->size() == length;
}

bool writeAt(QFile &file, qint64 pos, const QByteArray &bytes)
{
    return pos >= 0 && file.seek(pos) && file.write(bytes) == bytes.size();
}

bool makeWritable(const QString &fileName)
{
    const QFile::Permissions perms = QFile::permissions(fileName);
    if (perms & QFile::WriteOwner)
        return true;
    return QFile::setPermissions(fileName, perms | QFile::WriteOwner);
}

} // namespace qm
