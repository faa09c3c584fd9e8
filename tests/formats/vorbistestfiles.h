#pragma once

// FLAC, Ogg Vorbis and Opus files made at run time by ffmpeg and tagged by
// mutagen, and what the formats' own tools say about them.

#include "testfiles.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <ostream>

namespace qm::test {

enum class Kind { Flac, Vorbis, Opus };

struct Format {
    Kind kind;
    const char *name;
    const char *suffix;
    const char *encoder;
};

inline const Format kFormats[] = {
    {Kind::Flac, "FLAC", "flac", "flac"},
    {Kind::Vorbis, "Vorbis", "ogg", "libvorbis"},
    {Kind::Opus, "Opus", "opus", "libopus"},
};

inline void PrintTo(const Format &format, std::ostream *os) { *os << format.name; }

// A 1.5 s tone in the format, tagged through mutagen with comments of every
// kind: the table's fields (COMMENT only as DESCRIPTION, two artists, the
// track count apart), comments the table does not show, and a picture. The
// file's bytes, empty when a tool failed (the reason in *error).
QByteArray makeTagged(const Format &format, const QString &path, QString *error,
                      const QStringList &extra = {});

// What mutagen reads: {"comments": [[name, value], ..], "pictures": [md5],
// "length": seconds} or {"error": text}.
QJsonObject vorbisRead(const QString &path);

// The audio as ffmpeg decodes it, as an md5.
QByteArray audioMd5(const QString &path);

// The format's own checker passes the file without a warning.
void expectValid(const Format &format, const QString &path);

// Skips (or fails) the test without ffmpeg, mutagen, flac, ogginfo and
// opusinfo; the caller returns when it did.
void requireVorbisTools();

} // namespace qm::test
