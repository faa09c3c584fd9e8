#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

namespace qm {

// File names are bytes; the program holds them as QString. A name that is
// not valid UTF-8 (Windows-1251 names from old players and archives) must
// still reach exactly its own file, so the conversion is reversible: valid
// UTF-8 decodes as usual, and each byte of an invalid sequence becomes the
// code point U+F700 + byte (U+F780..U+F7FF), which encodes back to that one
// byte. The decoder never produces those code points from valid UTF-8 (their
// own UTF-8 bytes are escaped one by one instead), so
// encodeFileName(decodeFileName(bytes)) == bytes for every name.
//
// Lone surrogates U+DC80..U+DCFF would be the customary choice, but the
// program's text tools do not carry them: QRegularExpression refuses to
// match in such a string and toUtf8() (settings, lists, the CLI's output)
// turns them into '?'. Private-use characters pass through all of those
// unchanged. A name that really contains U+F780..U+F7FF is still read and
// written correctly; only typing such a character into a new name gives the
// raw byte instead.
QString decodeFileName(QByteArrayView bytes);
QByteArray encodeFileName(QStringView name);

// True when the name holds bytes that are not UTF-8.
bool hasRawBytes(QStringView name);
// The character that stands for a byte of a name that is not UTF-8.
QChar rawByteChar(uchar byte);

// For showing: the raw bytes decoded through the legacy 8-bit code page
// (Windows-1251 by default), so an old Cyrillic name reads as it was meant.
// Display only: the result does not lead back to the file.
QString readableFileName(const QString &name);

// The desktop's file dialogs reach the program through Qt, which decodes a
// name that is not UTF-8 with U+FFFD in place of its bytes: a path that
// leads to no file. The name on disk that Qt shows as `qtName`, found
// folder by folder; `qtName` itself when it holds no U+FFFD or no single
// name on disk matches.
QString fileNameFromQt(const QString &qtName);

// A file URL (a drop, a file manager's list) carries the bytes of the name
// percent-encoded, also those that are not UTF-8: the name of its local
// file, and back.
QString fileNameOfUrl(const QUrl &url);
QUrl urlOfFileName(const QString &name);

} // namespace qm
