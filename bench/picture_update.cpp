// Peak memory of the update that writes a row's tag together with the
// picture that waited for it, on one large FLAC file (its audio stands for
// a long recording), against the same update of the tag alone. Each run is
// a process of its own, started for it, so its peak resident memory
// (ru_maxrss) is its own; the file is copied fresh before each run.
//
//   bench_picture_update [size in MB, default 200] [rounds, default 3] [folder]
//
// The FLAC file is made here without an encoder: its metadata blocks
// (STREAMINFO, a Vorbis comment, padding) and then "audio" bytes that begin
// with a frame sync, which is all the formats layer reads of it.

#include "session/session.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace qm;

namespace {

QByteArray block(int type, const QByteArray &data, bool last)
{
    QByteArray header(4, '\0');
    header[0] = char(type | (last ? 0x80 : 0));
    header[1] = char(data.size() >> 16);
    header[2] = char(data.size() >> 8);
    header[3] = char(data.size());
    return header + data;
}

QByteArray littleEndian(quint32 value)
{
    QByteArray bytes(4, '\0');
    for (int i = 0; i < 4; ++i)
        bytes[i] = char(value >> (8 * i));
    return bytes;
}

bool makeFlac(const QString &path, qint64 megabytes)
{
    // 44.1 kHz, stereo, 16 bit; the sample count and MD5 left zero.
    QByteArray info(34, '\0');
    info[0] = 0x10, info[2] = 0x10; // block sizes 4096
    const quint32 rate = 44100;
    info[10] = char(rate >> 12);
    info[11] = char(rate >> 4);
    // Then 2 channels and 16 bits, stored less one: 1 in three bits, 15 in five.
    info[12] = char(((rate & 0xF) << 4) | (1 << 1));
    info[13] = char(0xF0);
    const QByteArray vendor = "bench";
    const QByteArray entry = "TITLE=Old";
    const QByteArray comment = littleEndian(quint32(vendor.size())) + vendor + littleEndian(1)
                               + littleEndian(quint32(entry.size())) + entry;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write("fLaC");
    file.write(block(0, info, false));
    file.write(block(4, comment, false));
    file.write(block(1, QByteArray(8192, '\0'), true));
    QByteArray chunk(1 << 20, '\0');
    for (qsizetype i = 0; i < chunk.size(); ++i)
        chunk[i] = char((i * 2654435761u) >> 13);
    chunk[0] = char(0xFF);
    chunk[1] = char(0xF8);
    for (qint64 i = 0; i < megabytes; ++i)
        if (file.write(chunk) != chunk.size())
            return false;
    return file.flush();
}

// One update in a process of its own: the file's title, and with `picture`
// the picture waiting for it. Returns the child's peak RSS in MB, or -1.
double runUpdate(const QString &file, const QString &data, const QString &picture)
{
    const pid_t child = fork();
    if (child < 0)
        return -1;
    if (child == 0) {
        int argc = 1;
        char name[] = "bench";
        char *argv[] = {name, nullptr};
        QCoreApplication app(argc, argv);
        qputenv("QUILLMARK_DATA_DIR", QFile::encodeName(data));
        Session session;
        SessionState state;
        state.tagView = TagView::Id3v2;
        session.setState(state);
        session.addPaths({file});
        session.waitForJobs();
        if (session.table().fileRowCount() != 1)
            _exit(2);
        session.editCell(1, FieldNumber::Tit, QStringLiteral("New"));
        session.closeEdit();
        if (!picture.isEmpty()) {
            PictureCommand command;
            command.image = picture;
            session.pendPictures({file}, command);
            session.waitForJobs();
            if (session.pendingPictures(file).isEmpty())
                _exit(3);
        }
        session.write(1, 1, WriteKind::Tag2, true);
        session.waitForJobs();
        _exit(session.pendingPictures(file).isEmpty() ? 0 : 4);
    }
    int status = 0;
    struct rusage usage {};
    if (wait4(child, &status, 0, &usage) != child || !WIFEXITED(status)
        || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "the update failed (status %d)\n", status);
        return -1;
    }
    return double(usage.ru_maxrss) / 1024.0;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    const qint64 megabytes = argc > 1 ? std::max(1, atoi(argv[1])) : 200;
    const int rounds = argc > 2 ? std::max(1, atoi(argv[2])) : 3;
    QTemporaryDir temporary;
    const QString folder = argc > 3 ? QString::fromLocal8Bit(argv[3]) : temporary.path();
    const QString master = folder + QStringLiteral("/master.flac");
    const QString work = folder + QStringLiteral("/work.flac");
    const QString picture = folder + QStringLiteral("/cover.png");
    QImage image(1000, 1000, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb(x * 7, y * 13, (x ^ y) & 0xFF));
    if (!makeFlac(master, megabytes) || !image.save(picture, "PNG")) {
        std::fprintf(stderr, "cannot make the files in %s\n", qPrintable(folder));
        return 1;
    }
    std::printf("one FLAC file of %lld MB, a %lld KB PNG picture, %d rounds\n",
                QFileInfo(master).size() >> 20, QFileInfo(picture).size() >> 10, rounds);
    std::vector<double> alone, withPicture, ratios;
    for (int round = 0; round < rounds; ++round) {
        double peaks[2] = {};
        for (int mode = 0; mode < 2; ++mode) {
            QFile::remove(work);
            if (!QFile::copy(master, work))
                return 1;
            peaks[mode] =
                runUpdate(work, folder + QStringLiteral("/data"), mode == 1 ? picture : QString());
            if (peaks[mode] < 0)
                return 1;
        }
        alone.push_back(peaks[0]);
        withPicture.push_back(peaks[1]);
        ratios.push_back(peaks[1] / peaks[0]);
    }
    std::printf("peak RSS, tag alone (baseline):   %8.1f MB\n", median(alone));
    std::printf("peak RSS, tag and picture:        %8.1f MB\n", median(withPicture));
    std::printf("ratio (median of rounds):         %8.2f  (range %.2f .. %.2f)\n", median(ratios),
                *std::min_element(ratios.begin(), ratios.end()),
                *std::max_element(ratios.begin(), ratios.end()));
    return 0;
}
