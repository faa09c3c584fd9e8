#include "vorbistestfiles.h"

#include <QJsonDocument>

using namespace Qt::Literals::StringLiterals;

namespace qm::test {

namespace {

// Tags a file through mutagen with comments of every kind: the table's
// fields (COMMENT only as DESCRIPTION, two artists, the track count apart),
// comments the table does not show, and a picture.
const char kTagger[] = R"PY(
import base64, struct, sys, zlib, mutagen
from mutagen.flac import Picture
def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
png = (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", 64, 64, 8, 0, 0, 0, 0))
       + chunk(b"IDAT", zlib.compress(bytes(range(65)) * 64)) + chunk(b"IEND", b""))
f = mutagen.File(sys.argv[1])
f.tags.clear() if f.tags is not None else f.add_tags()
for key, value in [("TITLE", "Caf\xe9"), ("ARTIST", "\u041a\u0438\u043d\u043e"), ("artist", "Two"),
                   ("REPLAYGAIN_TRACK_GAIN", "-6.5 dB"), ("ALBUM", "Album \u2603"),
                   ("TRACKNUMBER", "3"), ("TRACKTOTAL", "12"), ("DATE", "2004"),
                   ("GENRE", "Rock"), ("DESCRIPTION", "Words"), ("COMPOSER", "C"),
                   ("MUSICBRAINZ_TRACKID", "0f0e")]:
    f.tags.append((key, value))
p = Picture()
p.type, p.mime, p.desc, p.data = 3, "image/png", "Cover", png
if sys.argv[1].endswith(".flac"):
    f.add_picture(p)
else:
    f.tags.append(("METADATA_BLOCK_PICTURE", base64.b64encode(p.write()).decode()))
f.save()
)PY";

// What mutagen reads: {"comments": [[name, value], ..], "pictures": [md5],
// "length": seconds} or {"error": text}.
const char kReader[] = R"PY(
import base64, hashlib, json, sys, mutagen
from mutagen.flac import Picture
try:
    f = mutagen.File(sys.argv[1])
    comments, pictures = [], []
    for key, value in f.tags:
        if key.upper() == "METADATA_BLOCK_PICTURE":
            pictures.append(hashlib.md5(Picture(base64.b64decode(value)).data).hexdigest())
        else:
            comments.append([key, value])
    pictures += [hashlib.md5(p.data).hexdigest() for p in getattr(f, "pictures", [])]
    print(json.dumps({"comments": comments, "pictures": pictures, "length": f.info.length}))
except Exception as e:
    print(json.dumps({"error": "%s: %s" % (type(e).__name__, e)}))
)PY";

} // namespace

QJsonObject vorbisRead(const QString &path)
{
    const CommandResult r =
        runCommand(QString::fromLatin1(kPython), {u"-c"_s, QString::fromUtf8(kReader), path});
    if (!r.ok())
        return {{u"error"_s, QString::fromLocal8Bit(r.err)}};
    return QJsonDocument::fromJson(r.out).object();
}

QByteArray audioMd5(const QString &path)
{
    const CommandResult r = runCommand(u"ffmpeg"_s, {u"-v"_s, u"error"_s, u"-i"_s, path, u"-map"_s,
                                                     u"0:a"_s, u"-f"_s, u"md5"_s, u"-"_s});
    return r.ok() ? r.out.trimmed() : QByteArray();
}

void expectValid(const Format &format, const QString &path)
{
    CommandResult r;
    if (format.kind == Kind::Flac)
        r = runCommand(u"flac"_s, {u"-t"_s, u"-s"_s, path});
    else
        r = runCommand(format.kind == Kind::Opus ? u"opusinfo"_s : u"ogginfo"_s, {path});
    EXPECT_TRUE(r.ok()) << r.err.toStdString();
    for (const QByteArray &line : r.out.split('\n'))
        EXPECT_FALSE(line.contains("WARNING") || line.contains("ERROR")) << line.toStdString();
}

QByteArray makeTagged(const Format &format, const QString &path, QString *error,
                      const QStringList &extra)
{
    const CommandResult made =
        runCommand(u"ffmpeg"_s, QStringList{u"-v"_s, u"error"_s, u"-f"_s, u"lavfi"_s, u"-i"_s,
                                            u"sine=frequency=440:duration=1.5"_s, u"-ac"_s, u"2"_s,
                                            u"-c:a"_s, QString::fromLatin1(format.encoder)}
                                    + extra + QStringList{path});
    const CommandResult tagged =
        runCommand(QString::fromLatin1(kPython), {u"-c"_s, QString::fromUtf8(kTagger), path});
    *error = QString::fromLocal8Bit(made.err + tagged.err);
    return made.ok() && tagged.ok() ? readAll(path) : QByteArray();
}

void requireVorbisTools()
{
    QM_REQUIRE_TOOL(u"ffmpeg"_s);
    QM_REQUIRE_MUTAGEN();
    for (const char *tool : {"flac", "ogginfo", "opusinfo"})
        QM_REQUIRE_TOOL(QString::fromLatin1(tool));
}

} // namespace qm::test
