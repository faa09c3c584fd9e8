#pragma once

#include <QByteArray>
#include <QString>

class QFile;

namespace qm {

// Small positioned reads and writes for the tag and stream readers. All
// return false on any error and never throw.

// Reads exactly `length` bytes at `pos` into *out.
bool readAt(QFile &file, qint64 pos, qint64 length, QByteArray *out);
// Reads up to `length` bytes at `pos`; *out holds what the file had there.
bool readUpTo(QFile &file, qint64 pos, qint64 length, QByteArray *out);
bool writeAt(QFile &file, qint64 pos, const QByteArray &bytes);
// "Set the file's attributes to normal": make it writable for its owner,
// leaving the other mode bits as they were.
bool makeWritable(const QString &fileName);

} // namespace qm
