// A journal damaged by a crash goes through the reader and the recovery
// planner: neither may crash, and a restore is planned only from records
// that check out, within the file it is planned for.

#include "journal/journalformat.h"
#include "journal/recovery.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace qm::journal;
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const JobLog log = parseJournal(bytes);
    if (log.goodBytes > bytes.size())
        std::abort();
    // The file each entry is judged on: the fuzz bytes themselves.
    const QByteArray file = bytes.toByteArray();
    FileView view;
    view.exists = true;
    view.stamp = qm::FileStamp{1, 1, file.size(), 0};
    view.read = [&file](qint64 pos, qint64 length, QByteArray *out) {
        *out = pos >= 0 && length >= 0 ? file.mid(pos, length) : QByteArray();
        return true;
    };
    for (const Entry &e : log.entries) {
        const Decision d = decide(e, view);
        qm::FileChange back;
        if (d.verdict == Verdict::Torn && restoringChange(e, view, &back)
            && (back.offset < 0 || back.offset + back.oldBytes.size() > back.oldSize
                || back.newSize != e.oldSize))
            std::abort();
    }
    return 0;
}
