// The folder a batch of writes or renames holds open, so that its files
// are opened and renamed by their names in it.

#include "jobs/rowwriter.h"

#include "formats/fileio.h"
#include "formats/pathcodec.h"

#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

namespace qm {

int RowWriter::openInFolder(const QByteArray &path, int flags, struct stat *info)
{
    const qsizetype slash = path.lastIndexOf('/');
    if (!folder_.batch || slash < 0 || slash + 1 == path.size() || path.contains('\0'))
        return openRegular(path, flags, info);
    if (!holdFolder(QByteArrayView(path.constData(), slash + 1)))
        return openRegular(path, flags, info);
    return openRegularAt(folder_.fd, path.constData() + slash + 1, flags, info);
}

bool RowWriter::holdFolder(QByteArrayView folder)
{
    if (folder_.fd >= 0 && folder == QByteArrayView(folder_.path))
        return true;
    closeFolder();
    folder_.path = folder.toByteArray();
    folder_.fd = ::open(folder_.path.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    return folder_.fd >= 0;
}

bool RowWriter::renameInFolder(const QString &from, const QString &to, bool replace)
{
    if (!folder_.batch || holdsNul(from) || holdsNul(to))
        return false;
    const QByteArray source = encodeFileName(from);
    const QByteArray target = encodeFileName(to);
    const qsizetype slash = source.lastIndexOf('/');
    if (slash < 0 || slash + 1 == source.size() || target.lastIndexOf('/') != slash
        || slash + 1 == target.size()
        || QByteArrayView(source).first(slash) != QByteArrayView(target).first(slash)
        || !holdFolder(QByteArrayView(source.constData(), slash + 1)))
        return false;
    const char *const oldName = source.constData() + slash + 1;
    const char *const newName = target.constData() + slash + 1;
    return replace ? ::renameat(folder_.fd, oldName, folder_.fd, newName) == 0
                   : ::renameat2(folder_.fd, oldName, folder_.fd, newName, RENAME_NOREPLACE) == 0;
}

void RowWriter::closeFolder()
{
    if (folder_.fd >= 0)
        ::close(folder_.fd);
    folder_.fd = -1;
    folder_.path.clear();
}

} // namespace qm
