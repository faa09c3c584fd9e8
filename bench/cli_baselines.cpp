// The two whole-process baselines of bench/cli_read.sh, each a small program
// over the MP3 files of a folder (its subfolders included), printing one
// line per file so that its output costs like the command line's:
//
//   bench_cli_baselines plain FOLDER   open each file, read its first 4 KiB,
//                                      4 KiB at the first audio frame when
//                                      the ID3v2 tag is longer, and the
//                                      last 143 bytes (the floor)
//   bench_cli_baselines taglib FOLDER  read title, artist, album, year,
//                                      track, genre, comment and the audio
//                                      properties with TagLib
//   bench_cli_baselines fileref FOLDER the same through TagLib's FileRef,
//                                      which tells the format by the name
//                                      (FLAC, Ogg Vorbis, Opus, ...)
//   bench_cli_baselines copy           copy standard input to standard
//                                      output (the floor of a filter such
//                                      as `quillmark-cli edit`)

#ifdef QM_HAVE_TAGLIB
#include <audioproperties.h>
#include <fileref.h>
#include <mpegfile.h>
#include <tag.h>
#endif

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

void listFiles(const std::string &folder, std::vector<std::string> &files)
{
    DIR *dir = opendir(folder.c_str());
    if (!dir)
        return;
    std::vector<std::string> subfolders;
    while (const dirent *entry = readdir(dir)) {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0)
            continue;
        const std::string path = folder + '/' + entry->d_name;
        if (entry->d_type == DT_DIR)
            subfolders.push_back(path);
        else
            files.push_back(path);
    }
    closedir(dir);
    for (const std::string &sub : subfolders)
        listFiles(sub, files);
}

int plain(const std::vector<std::string> &files)
{
    static char buffer[4096];
    for (const std::string &path : files) {
        const int fd = open(path.c_str(), O_RDONLY);
        if (fd < 0)
            continue;
        struct stat info {};
        fstat(fd, &info);
        long bytes = pread(fd, buffer, sizeof buffer, 0);
        // A tag longer than the first block: 4 KiB at the first audio frame.
        if (bytes >= 10 && std::memcmp(buffer, "ID3", 3) == 0) {
            const auto b = reinterpret_cast<const unsigned char *>(buffer);
            const long tagEnd = 10
                                + (long(b[6] & 0x7f) << 21 | long(b[7] & 0x7f) << 14
                                   | long(b[8] & 0x7f) << 7 | long(b[9] & 0x7f));
            if (tagEnd + 4 > bytes)
                bytes += pread(fd, buffer, sizeof buffer, tagEnd);
        }
        if (info.st_size > 143)
            bytes += pread(fd, buffer, 143, info.st_size - 143);
        close(fd);
        std::printf("%s\t%ld\t%ld\n", path.c_str(), long(info.st_size), bytes);
    }
    return 0;
}

#ifdef QM_HAVE_TAGLIB
void printTags(const std::string &path, const TagLib::Tag *tag,
               const TagLib::AudioProperties *audio)
{
    std::printf("%s\t%s\t%s\t%s\t%u\t%u\t%s\t%s\t%d\t%d\t%d\t%d\n", path.c_str(),
                tag->title().toCString(true), tag->artist().toCString(true),
                tag->album().toCString(true), tag->year(), tag->track(),
                tag->genre().toCString(true), tag->comment().toCString(true),
                audio ? audio->lengthInMilliseconds() : 0, audio ? audio->bitrate() : 0,
                audio ? audio->sampleRate() : 0, audio ? audio->channels() : 0);
}

int taglib(const std::vector<std::string> &files)
{
    for (const std::string &path : files) {
        TagLib::MPEG::File file(path.c_str(), true, TagLib::AudioProperties::Average);
        if (file.isValid())
            printTags(path, file.tag(), file.audioProperties());
    }
    return 0;
}

int fileref(const std::vector<std::string> &files)
{
    for (const std::string &path : files) {
        const TagLib::FileRef file(path.c_str(), true, TagLib::AudioProperties::Average);
        if (!file.isNull())
            printTags(path, file.tag(), file.audioProperties());
    }
    return 0;
}
#endif

} // namespace

int copy()
{
    static char buffer[1 << 16];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, stdin)) > 0) {
        if (std::fwrite(buffer, 1, n, stdout) != n)
            return 1;
    }
    return 0;
}

int main(int argc, char **argv)
{
    if (argc == 2 && std::strcmp(argv[1], "copy") == 0)
        return copy();
    if (argc != 3) {
        std::fprintf(stderr, "usage: bench_cli_baselines plain|taglib|fileref FOLDER | copy\n");
        return 2;
    }
    std::vector<std::string> files;
    listFiles(argv[2], files);
    if (std::strcmp(argv[1], "plain") == 0)
        return plain(files);
#ifdef QM_HAVE_TAGLIB
    if (std::strcmp(argv[1], "taglib") == 0)
        return taglib(files);
    if (std::strcmp(argv[1], "fileref") == 0)
        return fileref(files);
#endif
    std::fprintf(stderr, "unknown baseline %s (TagLib needs libtag1-dev)\n", argv[1]);
    return 2;
}
