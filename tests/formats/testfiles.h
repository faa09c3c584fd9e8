#pragma once

// Helpers for tests that work on real files: a temporary folder, short MP3
// files encoded by lame, external commands, and what mutagen and ffprobe
// read from a file, as JSON.

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "requiretools.h"

#include <ostream>

// Readable QString values in assertion messages.
inline void PrintTo(const QString &text, std::ostream *os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace qm::test {

// Skips the current test with a message when a program is not on PATH (fails
// it where the tools are required).
#define QM_REQUIRE_TOOL(tool)                                                                      \
    do {                                                                                           \
        if (!::qm::test::haveTool(tool))                                                           \
            QM_MISSING_TOOL("needs " << QString(tool).toStdString()                                \
                                     << ", which is not installed");                               \
    } while (0)

// The interpreter that has mutagen; the python3 first on PATH may not.
inline constexpr const char *kPython = "/usr/bin/python3";

bool haveTool(const QString &program);
// True when kPython can import mutagen.
bool haveMutagen();

#define QM_REQUIRE_MUTAGEN()                                                                       \
    do {                                                                                           \
        if (!::qm::test::haveMutagen())                                                            \
            QM_MISSING_TOOL("needs python3-mutagen for /usr/bin/python3");                         \
    } while (0)

struct CommandResult {
    bool started = false;
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
    bool ok() const { return started && exitCode == 0; }
};

CommandResult runCommand(const QString &program, const QStringList &args, int timeoutMs = 60000);

// A folder removed with everything in it when the object goes.
class TempFolder {
public:
    TempFolder();
    bool isValid() const { return dir_.isValid(); }
    QString path() const { return dir_.path(); }
    QString file(const QString &name) const { return dir_.filePath(name); }

private:
    QTemporaryDir dir_;
};

struct Mp3Options {
    double seconds = 1.0;
    int sampleRate = 44100; // of the tone; lame resamples only if told to
    int channels = 2;
    QStringList lameArgs = {QStringLiteral("-b"), QStringLiteral("128")};
};

// Encodes a sine tone made by ffmpeg into an MP3 with lame. Returns false
// (with the reason in *error) when a tool fails.
bool makeMp3(const QString &path, const Mp3Options &options = {}, QString *error = nullptr);

QByteArray readAll(const QString &path);
bool writeAll(const QString &path, const QByteArray &bytes);

// A folder nobody may change, root included (a read-only one stops every
// other user); false where the file system or the rights do not allow it.
bool setImmutable(const QString &folder, bool on);

// What mutagen reads: {"error": text} on failure, else
// {"tags": {HashKey: {"id", "text": [..], "desc", "lang", "data_size", ...}},
//  "version": "2.3.0" or "", "info": {"length", "bitrate", "sample_rate",
//  "channels", "version", "layer", "mode", "bitrate_mode"}}.
// ID3v1 fields appear as ID3v2 frames when the file has no ID3v2 tag.
QJsonObject mutagenRead(const QString &path);
// The texts of the first frame with this id in a mutagenRead result, joined
// by "/"; a null string when there is no such frame.
QString mutagenText(const QJsonObject &read, const QString &frameId);

// Tags the existing file `path` as an old 8-bit tagger did: the bytes of
// `title` in an ID3v2.3 Latin-1 TIT2 frame (mutagen's) and in the title of
// an ID3v1 tag after it (artist "Artist", year "2001").
bool tagWithEightBitTitle(const QString &path, const QByteArray &title);

// "Привет мир" and "Другой" in the 8-bit code pages of old Russian tags.
struct EightBitCase {
    const char *codepage;
    QByteArray title;
    QByteArray artist;
};
inline const EightBitCase kEightBitCases[] = {
    {"KOI8-R", "\xf0\xd2\xc9\xd7\xc5\xd4\x20\xcd\xc9\xd2", "\xe4\xd2\xd5\xc7\xcf\xca"},
    {"IBM866", "\x8f\xe0\xa8\xa2\xa5\xe2\x20\xac\xa8\xe0", "\x84\xe0\xe3\xa3\xae\xa9"},
    {"windows-1251", "\xcf\xf0\xe8\xe2\xe5\xf2\x20\xec\xe8\xf0", "\xc4\xf0\xf3\xe3\xee\xe9"},
};

// ffprobe -show_format -show_streams as JSON; an empty object on failure.
QJsonObject ffprobe(const QString &path);

} // namespace qm::test
