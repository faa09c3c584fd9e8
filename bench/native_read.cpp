// Reading the tags and stream data of many FLAC and Opus files through the
// format layer, as the jobs will: the file's first bytes (more when the walk
// asks for them) and, for Ogg, its last 64 KiB for the end granule. Against the
// least any reader must do, a C loop that opens each file and reads the same
// head and tail, and against TagLib's FileRef when it is installed; ratios in
// the same run. The two source files are made once with ffmpeg, then copied.
//
//   bench_native_read [file count per format, default 5000] [folder to use]

#include "formats/flacmeta.h"
#include "formats/ogg.h"
#include "taggedfolder.h"

#include <QByteArray>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#ifdef QM_HAVE_TAGLIB
#include <fileref.h>
#include <tag.h>
#endif

#include <algorithm>
#include <functional>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr qint64 kHead = 64 * 1024;
constexpr qint64 kTail = 64 * 1024;

bool makeSource(const QString &path, const QStringList &codec)
{
    QStringList args{QStringLiteral("-v"),
                     QStringLiteral("error"),
                     QStringLiteral("-y"),
                     QStringLiteral("-f"),
                     QStringLiteral("lavfi"),
                     QStringLiteral("-i"),
                     QStringLiteral("sine=frequency=440:duration=3"),
                     QStringLiteral("-ac"),
                     QStringLiteral("2")};
    args << codec;
    for (const char *tag : {"title=Звезда по имени Солнце", "artist=Кино", "album=Звезда",
                            "date=1989", "track=7", "genre=Rock"})
        args << QStringLiteral("-metadata") << QString::fromUtf8(tag);
    args << path;
    return qm::bench::runTool(QStringLiteral("ffmpeg"), args) && QFile::exists(path);
}

// Reads up to `count` bytes at `from` into `buffer`, whose capacity is kept
// from file to file: a fresh 64 KiB buffer per file costs more than the read.
bool readAt(QFile &file, qint64 from, qint64 count, QByteArray *buffer)
{
    buffer->resize(count);
    if (!file.seek(from))
        return false;
    const qint64 got = file.read(buffer->data(), count);
    if (got < 0)
        return false;
    buffer->resize(got);
    return true;
}

// The head, grown while the walk asks for more, and the tail.
bool readEnds(const QString &path, QByteArray *head, QByteArray *tail, qint64 *size,
              const std::function<qm::Walk(QByteArrayView, qint64, qint64 *)> &walk)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    *size = file.size();
    if (!readAt(file, 0, std::min(kHead, *size), head))
        return false;
    qint64 needed = 0;
    qm::Walk result;
    while ((result = walk(*head, *size, &needed)) == qm::Walk::NeedMore && needed > head->size()
           && head->size() < *size)
        if (!readAt(file, 0, std::min(needed, *size), head))
            return false;
    if (result != qm::Walk::Ok)
        return false;
    return !tail || readAt(file, std::max<qint64>(0, *size - kTail), std::min(kTail, *size), tail);
}

int readFlac(const QStringList &paths)
{
    int valid = 0;
    QByteArray head;
    for (const QString &path : paths) {
        qint64 size = 0;
        qm::flac::Metadata meta;
        qm::Fault fault = qm::Fault::None;
        const auto walk = [&](QByteArrayView bytes, qint64 fileSize, qint64 *needed) {
            meta = {};
            return qm::flac::parse(bytes, fileSize, &meta, needed, &fault);
        };
        if (!readEnds(path, &head, nullptr, &size, walk))
            continue;
        const qm::NativeRead read = qm::flac::readResult(meta);
        if (!read.fields[0].isEmpty() || read.duration > 0)
            ++valid;
    }
    return valid;
}

int readOpus(const QStringList &paths)
{
    int valid = 0;
    QByteArray head, tail;
    for (const QString &path : paths) {
        qint64 size = 0;
        qm::ogg::StreamHeaders headers;
        qm::Fault fault = qm::Fault::None;
        const auto walk = [&](QByteArrayView bytes, qint64 fileSize, qint64 *needed) {
            headers = {};
            return qm::ogg::parseHeaders(bytes, fileSize, &headers, needed, &fault);
        };
        if (!readEnds(path, &head, &tail, &size, walk))
            continue;
        const auto granule = qm::ogg::lastGranule(tail, headers.serial);
        const qm::NativeRead read = qm::ogg::readResult(headers, granule, size);
        if (read.duration > 0)
            ++valid;
    }
    return valid;
}

double timed(const std::function<void()> &run)
{
    QElapsedTimer timer;
    timer.start();
    run();
    return timer.nsecsElapsed() / 1e9;
}

void cLoop(const QList<QByteArray> &paths, bool withTail)
{
    static char head[kHead];
    static char tail[kTail];
    long sink = 0;
    for (const QByteArray &path : paths) {
        const int fd = ::open(path.constData(), O_RDONLY);
        if (fd < 0)
            continue;
        sink += ::read(fd, head, sizeof head);
        if (withTail
            && (::lseek(fd, -long(sizeof tail), SEEK_END) >= 0 || ::lseek(fd, 0, SEEK_SET) >= 0))
            sink += ::read(fd, tail, sizeof tail);
        ::close(fd);
    }
    if (sink == 0)
        std::fprintf(stderr, "nothing read\n");
}

#ifdef QM_HAVE_TAGLIB
int taglib(const QList<QByteArray> &paths)
{
    int valid = 0;
    for (const QByteArray &path : paths) {
        TagLib::FileRef file(path.constData(), true, TagLib::AudioProperties::Fast);
        if (!file.isNull() && !file.tag()->title().isEmpty() && file.audioProperties())
            ++valid;
    }
    return valid;
}
#endif

bool run(const QString &folder, const QString &suffix, const QStringList &codec, int count,
         int (*ours)(const QStringList &), bool withTail)
{
    const QString source = QDir(folder).filePath(QStringLiteral("source.") + suffix);
    if (!QFile::exists(source) && !makeSource(source, codec)) {
        std::fprintf(stderr, "ffmpeg could not make %s\n", qPrintable(source));
        return false;
    }
    QStringList paths;
    QList<QByteArray> cPaths;
    for (int i = 0; i < count; ++i) {
        const QString path = QDir(folder).filePath(
            QStringLiteral("file%1.").arg(i, 5, 10, QLatin1Char('0')) + suffix);
        if (!QFile::exists(path) && !QFile::copy(source, path)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return false;
        }
        paths << path;
        cPaths << QFile::encodeName(path);
    }
    // Warm the page cache, then the best of alternating rounds.
    cLoop(cPaths, withTail);
    int valid = ours(paths);
    double base = 1e9, mine = 1e9;
    for (int round = 0; round < 7; ++round) {
        base = std::min(base, timed([&] { cLoop(cPaths, withTail); }));
        mine = std::min(mine, timed([&] { valid = ours(paths); }));
    }
    std::printf("%s files: %d (read: %d)\n", qPrintable(suffix), count, valid);
    std::printf("  C loop, open + 64 KiB head%s: %.3f s\n", withTail ? " + 64 KiB tail" : "", base);
    std::printf("  format layer, tags and stream: %.3f s (ratio %.2f)\n", mine, mine / base);
#ifdef QM_HAVE_TAGLIB
    double peer = 1e9;
    int peerValid = 0;
    for (int round = 0; round < 3; ++round)
        peer = std::min(peer, timed([&] { peerValid = taglib(cPaths); }));
    std::printf("  TagLib FileRef, tag and fast properties: %.3f s (ratio %.2f, read: %d)\n", peer,
                peer / base, peerValid);
#endif
    return valid == count;
}

} // namespace

int main(int argc, char **argv)
{
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5000;
    QTemporaryDir temp;
    const QString folder = argc > 2 ? QString::fromLocal8Bit(argv[2]) : temp.path();
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "cannot use folder %s\n", qPrintable(folder));
        return 1;
    }
    const bool flac = run(folder, QStringLiteral("flac"),
                          {QStringLiteral("-c:a"), QStringLiteral("flac")}, count, readFlac, false);
    const bool opus =
        run(folder, QStringLiteral("opus"), {QStringLiteral("-c:a"), QStringLiteral("libopus")},
            count, readOpus, true);
    return flac && opus ? 0 : 1;
}
