#include "jobs/folderscan.h"

#include "jobs/fileops.h"
#include "formats/pathcodec.h"

#include <QVarLengthArray>

#include <algorithm>
#include <cerrno>
#include <deque>
#include <set>
#include <utility>
#include <vector>

#include <dirent.h>
#include <sys/stat.h>

namespace qm {

namespace {

const QString MaskDelimiters = QStringLiteral("/\\:\"<>|");

bool sameChar(QChar maskChar, QChar nameChar)
{
    return maskChar == QLatin1Char('?') || maskChar == nameChar;
}

// Compares one mask with a name from the left; see FileFilter.
bool maskAccepts(QStringView mask, QStringView name)
{
    qsizetype m = 0;
    qsizetype n = 0;
    const qsizetype maskLength = mask.size();
    const qsizetype nameLength = name.size();
    while (m < maskLength) {
        if (mask[m] != QLatin1Char('*')) {
            if (n >= nameLength || !sameChar(mask[m], name[n]))
                return false;
            if (m == maskLength - 1)
                return true;
            ++m;
            ++n;
            continue;
        }
        const qsizetype nextStar = mask.indexOf(QLatin1Char('*'), m + 1);
        if (nextStar < 0) {
            if (m == maskLength - 1)
                return true;
            const qsizetype restLength = maskLength - m - 1;
            if (nameLength < restLength)
                return false;
            n = nameLength - restLength;
            ++m;
            continue;
        }
        const QStringView segment = mask.mid(m + 1, nextStar - m - 1);
        qsizetype place = n;
        for (;; ++place) {
            if (place + segment.size() > nameLength)
                return false;
            qsizetype i = 0;
            while (i < segment.size() && sameChar(segment[i], name[place + i]))
                ++i;
            if (i == segment.size())
                break;
        }
        n = place + segment.size();
        m = nextStar;
    }
    return false;
}

QString folderWithSlash(const QString &folder)
{
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

char16_t asciiLowered(char16_t c) { return c >= 'A' && c <= 'Z' ? char16_t(c + 32) : c; }

// A folder entry with a key that decides most comparisons of its name
// without letter case in one step: the first eight characters folded, when
// the whole name is ASCII (as most names are), where folding is lowering.
struct Entry {
    QString name;
    quint64 prefix = 0;
    bool ascii = true;
    unsigned char type = DT_UNKNOWN;

    static Entry of(const char *name, unsigned char type)
    {
        Entry entry{decodeFileName(name), 0, true, type};
        for (int i = 0; name[i] != 0; ++i) {
            const uchar c = uchar(name[i]);
            if (c >= 0x80) {
                entry.ascii = false;
                break;
            }
            if (i < 8)
                entry.prefix |= quint64(asciiLowered(c)) << (56 - 8 * i);
        }
        return entry;
    }
};

// Name order without letter case, then with it: the same answers as
// QString::compare with Qt::CaseInsensitive and then operator<, which
// names beyond ASCII still go through.
bool entryBefore(const Entry &a, const Entry &b)
{
    if (!a.ascii || !b.ascii) {
        const int folded = a.name.compare(b.name, Qt::CaseInsensitive);
        return folded != 0 ? folded < 0 : a.name < b.name;
    }
    // The key pads with zero bytes, below every character: a name that
    // starts another comes first, as it does without the key.
    if (a.prefix != b.prefix)
        return a.prefix < b.prefix;
    const char16_t *x = reinterpret_cast<const char16_t *>(a.name.constData());
    const char16_t *y = reinterpret_cast<const char16_t *>(b.name.constData());
    const qsizetype common = std::min(a.name.size(), b.name.size());
    int exact = 0; // the first difference with letter case
    for (qsizetype i = 0; i < common; ++i) {
        const uchar cx = uchar(x[i]);
        const uchar cy = uchar(y[i]);
        if (cx == cy)
            continue;
        const char16_t lx = asciiLowered(cx);
        const char16_t ly = asciiLowered(cy);
        if (lx != ly)
            return lx < ly;
        if (exact == 0)
            exact = cx < cy ? -1 : 1;
    }
    if (a.name.size() != b.name.size())
        return a.name.size() < b.name.size();
    return exact < 0;
}

} // namespace

FileFilter::FileFilter(const QString &filter, bool caseSensitive) : caseSensitive_(caseSensitive)
{
    QString text = filter;
    const qsizetype open = text.indexOf(QLatin1Char('<'));
    const qsizetype close = text.indexOf(QLatin1Char('>'));
    if (open >= 0 && close >= 0 && open < close)
        text = text.mid(open + 1, close - open);
    if (!caseSensitive)
        text = text.toLower();
    QString mask;
    for (const QChar c : std::as_const(text)) {
        if (MaskDelimiters.contains(c)) {
            if (!mask.isEmpty())
                masks_.append(mask);
            mask.clear();
        } else {
            mask.append(c);
        }
    }
    if (!mask.isEmpty())
        masks_.append(mask);
}

bool FileFilter::matches(const QString &fileName) const
{
    const auto accepts = [this](QStringView name) {
        return std::any_of(masks_.cbegin(), masks_.cend(),
                           [name](const QString &mask) { return maskAccepts(mask, name); });
    };
    if (caseSensitive_)
        return accepts(fileName);
    // An ASCII name (most) is lowered on the stack, where lowering is
    // ASCII's own; every file found is filtered.
    QVarLengthArray<char16_t, 256> lowered(fileName.size());
    for (qsizetype i = 0; i < fileName.size(); ++i) {
        const char16_t c = fileName.at(i).unicode();
        if (c >= 0x80)
            return accepts(fileName.toLower());
        lowered[i] = asciiLowered(c);
    }
    return accepts(QStringView(lowered.constData(), lowered.size()));
}

bool MatchesFilter(const QString &filter, bool caseSensitive, const QString &fileName)
{
    return FileFilter(filter, caseSensitive).matches(fileName);
}

void ScanFolders(const QStringList &folders, const ScanSettings &settings, const FileFound &onFile,
                 const FolderUnlisted &onUnlisted)
{
    const FileFilter filter(settings.filter, settings.caseSensitive);
    // An empty item would turn into "/" and scan the whole file system.
    std::deque<QString> queue;
    for (const QString &folder : folders) {
        if (!folder.isEmpty())
            queue.push_back(folder);
    }
    std::set<std::pair<dev_t, ino_t>> listed;
    while (!queue.empty()) {
        const QString folder = folderWithSlash(queue.front());
        queue.pop_front();
        const QByteArray folderBytes = encodeFileName(folder);
        DIR *dir = opendir(folderBytes.constData());
        if (!dir) {
            if (onUnlisted)
                onUnlisted(folder, errno);
            continue;
        }
        struct stat folderStat {};
        if (fstat(dirfd(dir), &folderStat) != 0
            || !listed.insert({folderStat.st_dev, folderStat.st_ino}).second) {
            closedir(dir);
            continue;
        }
        // Listed in name order (letter case aside), as the file systems the
        // program was made for list a folder, and as users expect rows to
        // arrive; readdir's own order is the file system's hash order.
        std::vector<Entry> entries;
        while (const dirent *entry = readdir(dir)) {
            const char *name = entry->d_name;
            if (name[0] == '.'
                && (name[1] == 0 || (name[1] == '.' && name[2] == 0) || IsTemporaryCopy(name)))
                continue;
            entries.push_back(Entry::of(name, entry->d_type));
        }
        closedir(dir);
        std::sort(entries.begin(), entries.end(), entryBefore);
        for (const Entry &entry : entries) {
            bool isFolder = entry.type == DT_DIR;
            bool isFile = entry.type == DT_REG;
            if (entry.type == DT_UNKNOWN || entry.type == DT_LNK) {
                struct stat target {};
                if (stat((folderBytes + encodeFileName(entry.name)).constData(), &target) == 0) {
                    isFolder = S_ISDIR(target.st_mode);
                    isFile = S_ISREG(target.st_mode);
                }
            }
            if (isFolder) {
                if (settings.scanSubFolders)
                    queue.push_back(folder + entry.name);
            } else if (isFile && filter.matches(entry.name) && !onFile(folder, entry.name)) {
                return;
            }
        }
    }
}

} // namespace qm
