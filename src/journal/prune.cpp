#include "journal/journal.h"

#include "journal/journalfolder.h"

#include <QFile>
#include <QFileInfo>

namespace qm::journal {

void prune(const QString &folder)
{
    const QString dir = folderOrDefault(folder);
    const QList<quint64> numbers = jobNumbers(dir);
    qint64 total = 0;
    QList<qint64> sizes;
    for (quint64 n : numbers) {
        sizes.append(QFileInfo(jobFile(dir, n)).size());
        total += sizes.last();
    }
    int kept = int(numbers.size());
    // The newest job stays whatever its size: it is the one to undo.
    for (int i = 0; i + 1 < numbers.size() && (kept > kKeptJobs || total > kMaxBytes); ++i) {
        const QString name = jobFile(dir, numbers[i]);
        if (!isFinished(name))
            continue;
        const auto lock = lockJob(dir, numbers[i]);
        if (lock && QFile::remove(name)) {
            total -= sizes[i];
            --kept;
        }
    }
}

} // namespace qm::journal
