#include "testfiles.h"

#include <QDir>
#include <QJsonArray>
#include <QFile>
#include <QJsonDocument>
#include <QProcess>
#include <QStandardPaths>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace qm::test {

bool haveTool(const QString &program) { return !QStandardPaths::findExecutable(program).isEmpty(); }

bool haveMutagen()
{
    static const bool have = runCommand(QString::fromLatin1(kPython),
                                        {QStringLiteral("-c"), QStringLiteral("import mutagen")})
                                 .ok();
    return have;
}

CommandResult runCommand(const QString &program, const QStringList &args, int timeoutMs)
{
    CommandResult result;
    QProcess process;
    process.start(program, args);
    if (!process.waitForStarted(timeoutMs))
        return result;
    result.started = true;
    process.closeWriteChannel();
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        return result;
    }
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return result;
}

TempFolder::TempFolder() : dir_(QDir::tempPath() + QStringLiteral("/qm-test-XXXXXX")) {}

bool makeMp3(const QString &path, const Mp3Options &options, QString *error)
{
    const QString wav = path + QStringLiteral(".tone.wav");
    const CommandResult tone = runCommand(
        QStringLiteral("ffmpeg"),
        {QStringLiteral("-nostdin"), QStringLiteral("-v"), QStringLiteral("error"),
         QStringLiteral("-y"), QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
         QStringLiteral("sine=frequency=440:sample_rate=%1:duration=%2")
             .arg(options.sampleRate)
             .arg(options.seconds),
         QStringLiteral("-ac"), QString::number(options.channels), wav});
    if (!tone.ok()) {
        if (error)
            *error = QStringLiteral("ffmpeg: ") + QString::fromLocal8Bit(tone.err);
        return false;
    }
    QStringList args = {QStringLiteral("--quiet")};
    args += options.lameArgs;
    args << wav << path;
    const CommandResult enc = runCommand(QStringLiteral("lame"), args);
    QFile::remove(wav);
    if (!enc.ok()) {
        if (error)
            *error = QStringLiteral("lame: ") + QString::fromLocal8Bit(enc.err);
        return false;
    }
    return true;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

bool writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return file.write(bytes) == bytes.size() && file.flush();
}

bool setImmutable(const QString &folder, bool on)
{
    const int fd =
        ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    int flags = 0;
    bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
    ok = ok && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    ::close(fd);
    return ok;
}

namespace {

const char kMutagenScript[] = R"PY(
import json, sys
import mutagen.mp3, mutagen.id3
out = {}
try:
    f = mutagen.mp3.MP3(sys.argv[1])
    i = f.info
    out["info"] = {"length": i.length, "bitrate": i.bitrate,
                   "sample_rate": i.sample_rate, "channels": i.channels,
                   "version": i.version, "layer": i.layer, "mode": i.mode,
                   "bitrate_mode": int(i.bitrate_mode)}
    tags = {}
    version = ""
    if f.tags is not None:
        version = ".".join(str(v) for v in f.tags.version)
        for key, frame in f.tags.items():
            d = {"id": frame.FrameID}
            if hasattr(frame, "text"):
                # Lyrics hold one string where text frames hold a list.
                text = frame.text
                d["text"] = [text] if isinstance(text, str) else [str(t) for t in text]
            for attr in ("desc", "lang", "mime", "owner", "url"):
                if hasattr(frame, attr):
                    d[attr] = str(getattr(frame, attr))
            if hasattr(frame, "type") and frame.FrameID == "APIC":
                d["type"] = int(frame.type)
            if hasattr(frame, "data"):
                d["data_size"] = len(frame.data)
            if hasattr(frame, "count"):
                d["count"] = frame.count
            if hasattr(frame, "encoding"):
                d["encoding"] = int(frame.encoding)
            tags[key] = d
    out["tags"] = tags
    out["version"] = version
except Exception as e:
    out = {"error": "%s: %s" % (type(e).__name__, e)}
print(json.dumps(out))
)PY";

QJsonObject parseJson(const QByteArray &bytes)
{
    const QJsonDocument doc = QJsonDocument::fromJson(bytes);
    return doc.isObject() ? doc.object() : QJsonObject{};
}

} // namespace

bool tagWithEightBitTitle(const QString &path, const QByteArray &title)
{
    // mutagen would rebuild an ID3v1 tag from the frames: it comes after.
    return runCommand(kPython,
                      {QStringLiteral("-c"),
                       QStringLiteral("import sys\n"
                                      "from mutagen.id3 import ID3, TIT2\n"
                                      "b = bytes.fromhex(sys.argv[2])\n"
                                      "t = ID3()\n"
                                      "t.add(TIT2(encoding=0, text=b.decode('latin-1')))\n"
                                      "t.save(sys.argv[1], v2_version=3, v1=0)\n"
                                      "with open(sys.argv[1], 'ab') as f:\n"
                                      "    f.write(b'TAG' + b.ljust(30, b'\\0')\n"
                                      "            + b'Artist'.ljust(30, b'\\0') + bytes(30)\n"
                                      "            + b'2001' + bytes(30) + bytes([255]))\n"),
                       path, QString::fromLatin1(title.toHex())})
        .ok();
}

QJsonObject mutagenRead(const QString &path)
{
    const CommandResult r =
        runCommand(QString::fromLatin1(kPython),
                   {QStringLiteral("-c"), QString::fromLatin1(kMutagenScript), path});
    if (!r.ok())
        return QJsonObject{{QStringLiteral("error"), QString::fromLocal8Bit(r.err)}};
    return parseJson(r.out);
}

QString mutagenText(const QJsonObject &read, const QString &frameId)
{
    const QJsonObject tags = read.value(QStringLiteral("tags")).toObject();
    for (auto it = tags.begin(); it != tags.end(); ++it) {
        const QJsonObject frame = it.value().toObject();
        if (frame.value(QStringLiteral("id")).toString() != frameId)
            continue;
        QStringList texts;
        for (const auto &t : frame.value(QStringLiteral("text")).toArray())
            texts << t.toString();
        return texts.join(QLatin1Char('/'));
    }
    return {};
}

QJsonObject ffprobe(const QString &path)
{
    const CommandResult r =
        runCommand(QStringLiteral("ffprobe"),
                   {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-print_format"),
                    QStringLiteral("json"), QStringLiteral("-show_format"),
                    QStringLiteral("-show_streams"), path});
    return r.ok() ? parseJson(r.out) : QJsonObject{};
}

} // namespace qm::test
