#include "lists/columnlist.h"

#include "lists/listfile.h"

namespace qm {

namespace {

bool holdsText(const QString &cell)
{
    for (const QChar c : cell)
        if (c > u' ')
            return true;
    return false;
}

// A marker, or a marker behind one or more "#": written with one more.
bool needsEscape(QStringView text)
{
    while (true) {
        if (IsColumnListMarker(text))
            return true;
        if (!text.startsWith(u"##"))
            return false;
        text = text.sliced(1);
    }
}

} // namespace

QString ColumnListHeader(FieldNumber f)
{
    const char16_t *header = columnInfo(f).listHeader;
    return header ? QString::fromUtf16(header) : QString();
}

std::optional<FieldNumber> ColumnListHeaderField(QStringView line)
{
    // No header begins with another, so the order they are tried in does
    // not matter.
    for (int n = 0; n < kColumnCount; ++n) {
        const char16_t *header = columnInfo(toField(n)).listHeader;
        if (header && line.startsWith(QStringView(header)))
            return toField(n);
    }
    return std::nullopt;
}

bool IsColumnListMarker(QStringView line)
{
    return ColumnListHeaderField(line) || line.startsWith(u"#Tag") || line.startsWith(u"#EXTM3U");
}

QString ColumnListValueLine(const QString &cell)
{
    QString line = SingleLine(cell);
    if (needsEscape(line))
        line.prepend(u'#');
    return line;
}

QString ColumnListCell(const QString &valueLine)
{
    if (valueLine.startsWith(u'#') && needsEscape(QStringView(valueLine).sliced(1)))
        return valueLine.mid(1);
    return valueLine;
}

QStringList ColumnListLines(const RowTable &table, TagView view)
{
    QStringList lines;
    if (view == TagView::Id3v1)
        lines.append(QStringLiteral("#Tag 1"));
    else if (view == TagView::Id3v2)
        lines.append(QStringLiteral("#Tag 2"));
    const int last = table.lastFileRow();
    for (int position = 0; position < kColumnCount; ++position) {
        const FieldNumber f = table.layout().fieldAt(position);
        if (f == FieldNumber::No)
            continue;
        bool used = false;
        for (int row = 1; row <= last && !used; ++row)
            used = holdsText(table.cell(row, f));
        if (!used)
            continue;
        lines.append(ColumnListHeader(f));
        for (int row = 1; row <= last; ++row)
            lines.append(ColumnListValueLine(table.cell(row, f)));
    }
    return lines;
}

} // namespace qm
