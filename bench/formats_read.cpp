// Reading tags and stream data of many MP3 files against the least any
// reader must do: a plain C loop that opens each file and reads its first
// 4 KiB and last 143 bytes. Both run over the same warm folder in the same
// run; the result is their ratio. When TagLib is installed, reading the
// same fields with it is measured too, as a peer to compare with.
//
//   bench_formats_read [file count, default 10000] [folder to use]

#include "formats/mpegaudio.h"

#include <QByteArray>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#ifdef QM_HAVE_TAGLIB
#include <mpegfile.h>
#include <tag.h>
#endif

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

QByteArray syncsafe(quint32 v)
{
    QByteArray b(4, '\0');
    for (int i = 0; i < 4; ++i)
        b[i] = char((v >> (21 - 7 * i)) & 0x7f);
    return b;
}

QByteArray textFrame(const char *id, const QByteArray &text)
{
    const QByteArray data = '\0' + text;
    QByteArray frame(id);
    for (int i = 0; i < 4; ++i)
        frame += char(data.size() >> (24 - 8 * i));
    return frame + QByteArray(2, '\0') + data;
}

// An ID3v2.3 tag with padding, a short MPEG 1 layer III stream and an
// ID3v1 record: the shape of a typical tagged MP3, made without any tool.
QByteArray makeFile(int n)
{
    QByteArray frames = textFrame("TIT2", "Title " + QByteArray::number(n))
                        + textFrame("TPE1", "Artist") + textFrame("TALB", "Album")
                        + textFrame("TRCK", QByteArray::number(n % 20 + 1))
                        + textFrame("TYER", "2024");
    frames += QByteArray(1024 - frames.size(), '\0');
    QByteArray file = QByteArray("ID3\x03\0\0", 6) + syncsafe(quint32(frames.size())) + frames;

    QByteArray audio("\xff\xfb\x90\x64", 4);
    audio += QByteArray(417 - 4, '\x55');
    file += audio.repeated(24);

    QByteArray record(128, '\0');
    record.replace(0, 3, "TAG");
    record.replace(3, 6, "Title ");
    record[127] = 17;
    return file + record;
}

double cLoop(const QList<QByteArray> &paths)
{
    QElapsedTimer timer;
    timer.start();
    char head[4096];
    char tail[143];
    long sink = 0;
    for (const QByteArray &path : paths) {
        const int fd = ::open(path.constData(), O_RDONLY);
        if (fd < 0)
            continue;
        sink += ::read(fd, head, sizeof head);
        if (::lseek(fd, -long(sizeof tail), SEEK_END) >= 0)
            sink += ::read(fd, tail, sizeof tail);
        ::close(fd);
    }
    if (sink == 0)
        std::fprintf(stderr, "nothing read\n");
    return timer.nsecsElapsed() / 1e9;
}

double quillmark(const QStringList &paths, int *valid)
{
    QElapsedTimer timer;
    timer.start();
    *valid = 0;
    for (const QString &path : paths) {
        qm::TMPEGaudio mpeg;
        if (mpeg.ReadFromFile(path) && mpeg.FGetValid() && !mpeg.ID3v2.FGetTitle().isEmpty()
            && mpeg.ID3v1.FGetTagPresent())
            ++*valid;
    }
    return timer.nsecsElapsed() / 1e9;
}

#ifdef QM_HAVE_TAGLIB
double taglib(const QList<QByteArray> &paths)
{
    QElapsedTimer timer;
    timer.start();
    int valid = 0;
    for (const QByteArray &path : paths) {
        TagLib::MPEG::File file(path.constData(), true, TagLib::AudioProperties::Fast);
        if (file.isValid() && !file.tag()->title().isEmpty() && file.audioProperties()
            && file.audioProperties()->bitrate() > 0)
            ++valid;
    }
    if (valid != paths.size())
        std::fprintf(stderr, "TagLib read %d of %d files\n", valid, int(paths.size()));
    return timer.nsecsElapsed() / 1e9;
}
#endif

} // namespace

int main(int argc, char **argv)
{
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10000;
    QTemporaryDir temp;
    const QString folder = argc > 2 ? QString::fromLocal8Bit(argv[2]) : temp.path();
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "cannot use folder %s\n", qPrintable(folder));
        return 1;
    }

    QStringList paths;
    QList<QByteArray> cPaths;
    for (int i = 0; i < count; ++i) {
        const QString path =
            QDir(folder).filePath(QStringLiteral("file%1.mp3").arg(i, 5, 10, QLatin1Char('0')));
        if (!QFile::exists(path)) {
            QFile file(path);
            if (!file.open(QIODevice::WriteOnly) || file.write(makeFile(i)) < 0) {
                std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
                return 1;
            }
        }
        paths << path;
        cPaths << QFile::encodeName(path);
    }

    // Warm the page cache, then take the best of alternating rounds: on a
    // shared machine single rounds vary by half, the best of several much
    // less.
    cLoop(cPaths);
    int valid = 0;
    quillmark(paths, &valid);
    double base = 1e9, ours = 1e9;
    for (int round = 0; round < 7; ++round) {
        base = std::min(base, cLoop(cPaths));
        ours = std::min(ours, quillmark(paths, &valid));
    }

    std::printf("files: %d (read fully: %d)\n", count, valid);
    std::printf("C loop, open + 4 KiB + 143 bytes: %.3f s\n", base);
    std::printf("TMPEGaudio::ReadFromFile (ID3v2, ID3v1, stream): %.3f s\n", ours);
    std::printf("ratio: %.2f\n", ours / base);
#ifdef QM_HAVE_TAGLIB
    taglib(cPaths);
    double peer = 1e9;
    for (int round = 0; round < 3; ++round)
        peer = std::min(peer, taglib(cPaths));
    std::printf("TagLib MPEG::File, tag and fast properties: %.3f s (ratio %.2f)\n", peer,
                peer / base);
#endif
    return valid == count ? 0 : 1;
}
