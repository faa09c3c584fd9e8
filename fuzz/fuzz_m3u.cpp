// Feeds arbitrary bytes to the m3u reader: it must never crash, and every
// row it adds must carry a folder ending with a separator.
#include "lists/listfile.h"
#include "lists/listreader.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    qm::RowTable table;
    qm::ListReader reader(table, qm::ListKind::PlayList, QStringLiteral("/list/list.m3u"));
    for (const QString &line : qm::ListTextLines(bytes))
        if (!reader.readLine(line))
            break;
    reader.finish();
    for (int row = 1; row <= table.lastFileRow(); ++row) {
        const QString &dir = table.cell(row, qm::FieldNumber::Dir);
        if (!table.cell(row, qm::FieldNumber::Old).isEmpty() && !dir.endsWith(u'/')
            && !dir.endsWith(u'\\') && !dir.endsWith(u':'))
            std::abort();
    }
    return 0;
}
