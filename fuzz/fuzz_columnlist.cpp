// Feeds arbitrary bytes to the column-list reader, then checks that the
// table it gives is written and read back to the same cells (line breaks
// cannot occur, since the cells come from single lines).
#include "lists/columnlist.h"
#include "lists/listfile.h"
#include "lists/listreader.h"

#include <cstdint>
#include <cstdlib>

namespace {

bool holdsText(const QString &cell)
{
    for (const QChar c : cell)
        if (c > u' ')
            return true;
    return false;
}

qm::RowTable readList(const QStringList &lines)
{
    qm::RowTable table;
    qm::ListReader reader(table, qm::ListKind::Columns, QStringLiteral("/list/list.txt"));
    for (const QString &line : lines)
        if (reader.kind() != qm::ListKind::Columns || !reader.readLine(line))
            break;
    reader.finish();
    return table;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const qm::RowTable table = readList(qm::ListTextLines(bytes));
    // A list that switched to play-list rules is not a column list any more.
    const qm::RowTable back = readList(
        qm::ListTextLines(qm::ListTextBytes(qm::ColumnListLines(table, qm::TagView::None))));
    // Columns without text are left out, so only cells with text must match.
    for (int row = 1; row <= table.lastFileRow() && row <= back.lastFileRow(); ++row)
        for (int f = 1; f < qm::kColumnCount; ++f)
            if (holdsText(table.cell(row, qm::toField(f)))
                && back.cell(row, qm::toField(f)) != table.cell(row, qm::toField(f)))
                std::abort();
    return 0;
}
