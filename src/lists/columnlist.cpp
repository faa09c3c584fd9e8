#include "lists/columnlist.h"

#include <array>

namespace qm {

namespace {

struct Header {
    FieldNumber field;
    const char16_t *text;
};

// In the order the reader tests them: "#Orig. artist" before "#Orig. title",
// and every text ends where no longer one begins with it.
constexpr std::array<Header, 24> kHeaders{{
    {FieldNumber::Dir, u"#Path"},         {FieldNumber::Old, u"#Old name"},
    {FieldNumber::New, u"#New name"},     {FieldNumber::Ext, u"#Expansion"},
    {FieldNumber::Siz, u"#Size"},         {FieldNumber::Dur, u"#Duration"},
    {FieldNumber::Inf, u"#FileInfo"},     {FieldNumber::Tit, u"#Title"},
    {FieldNumber::Art, u"#Artist"},       {FieldNumber::Alb, u"#Album"},
    {FieldNumber::Com, u"#Comment"},      {FieldNumber::Trc, u"#Track"},
    {FieldNumber::Yea, u"#Year"},         {FieldNumber::Gen, u"#Genre"},
    {FieldNumber::Ope, u"#Orig. artist"}, {FieldNumber::Tt1, u"#Orig. title"},
    {FieldNumber::Oal, u"#Orig. album"},  {FieldNumber::Ory, u"#Orig. year"},
    {FieldNumber::Cop, u"#Copyright"},    {FieldNumber::Slt, u"#Lyrics"},
    {FieldNumber::Enc, u"#Encoder"},      {FieldNumber::Cmp, u"#Composer"},
    {FieldNumber::Lan, u"#Language"},     {FieldNumber::Xxx, u"#URL"},
}};

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
    for (const Header &h : kHeaders)
        if (h.field == f)
            return QString::fromUtf16(h.text);
    return {};
}

std::optional<FieldNumber> ColumnListHeaderField(QStringView line)
{
    for (const Header &h : kHeaders)
        if (line.startsWith(QStringView(h.text)))
            return h.field;
    return std::nullopt;
}

bool IsColumnListMarker(QStringView line)
{
    return ColumnListHeaderField(line) || line.startsWith(u"#Tag") || line.startsWith(u"#EXTM3U");
}

QString ColumnListValueLine(const QString &cell)
{
    QString line = cell;
    line.replace(QLatin1String("\r\n"), QLatin1String(" "));
    line.replace(u'\r', u' ');
    line.replace(u'\n', u' ');
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
