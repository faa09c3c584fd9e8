#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace qm {

// List files as text lines. Read: UTF-16 when it has a byte-order mark or
// begins as UTF-16 text, else UTF-8 when the bytes are valid UTF-8 (a
// byte-order mark is skipped), otherwise the legacy code page, so lists made
// by the Windows program load; lines end with CR LF, LF or CR, and a break at
// the very end opens no further line. Written: UTF-8 without byte-order mark,
// CR LF after every line, the last included.
QStringList ListTextLines(QByteArrayView bytes, bool utf8Only = false);
QByteArray ListTextBytes(const QStringList &lines);
// A cell's text as one line of a list: each line break a blank.
QString SingleLine(const QString &text);

// False when the file cannot be read; `lines` is then empty. An ".m3u8"
// list is UTF-8 whatever its bytes, unless they are UTF-16.
bool ReadListFile(const QString &path, QStringList &lines);
// Written whole through a temporary file renamed over the target, so a
// failed save leaves an existing file as it was; a pipe or a device
// (/dev/stdout) is written into. False when it cannot be created or
// written.
bool WriteListFile(const QString &path, const QStringList &lines);
// The same for any bytes (a picture taken out of a file).
bool WriteWholeFile(const QString &path, const QByteArray &bytes);

// The messages in front of a list file's path when it cannot be read or
// written, in the user's language.
QString CannotOpenFileText();
QString CannotCreateFileText();

} // namespace qm
