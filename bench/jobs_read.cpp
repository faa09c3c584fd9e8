// Adding a folder of tagged MP3 files and reading their information and
// ID3v2 tags into the table, through the job runner as the window does it,
// against a plain C loop that opens each file and reads its first 4 KiB and
// last 143 bytes. Prints both times and their ratio.
//
//   bench_jobs_read [file count, default 10000] [folder of MP3 files to use]

#include "taggedfolder.h"

#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

using namespace qm;
using namespace qm::bench;

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? std::max(1, atoi(argv[1])) : 10000;
    QTemporaryDir temp;
    QString files =
        argc > 2 ? QString::fromLocal8Bit(argv[2]) : temp.path() + QStringLiteral("/files");
    if (argc <= 2 && (!temp.isValid() || !makeTaggedFolder(temp.path(), count))) {
        std::fprintf(stderr, "could not make the sample folder (ffmpeg, lame, mid3v2)\n");
        return 1;
    }
    plainReadLoop(QFile::encodeName(files)); // warm the page cache
    const qint64 floor = plainReadLoop(QFile::encodeName(files));
    RowTable table;
    qint64 addOnly = 0;
    const qint64 jobs = addAndReadWithJobs(files, table, &addOnly);
    if (table.fileRowCount() == 0 || table.cell(1, FieldNumber::Dur).isEmpty()) {
        std::fprintf(stderr, "the table was not filled as expected\n");
        return 1;
    }
    std::printf("files: %d\n", table.fileRowCount());
    std::printf("plain C loop (head and tail of each file): %.1f ms\n", floor / 1e6);
    std::printf("add job (folder scan into the table):      %.1f ms\n", addOnly / 1e6);
    std::printf("add job + information and ID3v2 read:      %.1f ms\n", jobs / 1e6);
    std::printf("ratio: %.2f\n", double(jobs) / double(floor));
    return 0;
}
