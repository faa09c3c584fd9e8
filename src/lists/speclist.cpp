#include "lists/speclist.h"

#include "lists/listfile.h"

namespace qm {

namespace {

QString folderName(QString dir)
{
    while (dir.endsWith(u'/'))
        dir.chop(1);
    return dir.mid(dir.lastIndexOf(u'/') + 1);
}

bool startsFolder(const RowTable &table, int row)
{
    bool ok = false;
    return table.cell(row, FieldNumber::No).trimmed().toInt(&ok) == 1 && ok;
}

} // namespace

QString ExpandSpecTemplate(const RowTable &table, int row, QStringView tmpl, int folderNumber,
                           bool leadingZero)
{
    QString out;
    qsizetype p = 0;
    while (p < tmpl.size()) {
        if (tmpl[p] != u'%' || p + 2 >= tmpl.size()) {
            out += tmpl[p++];
            continue;
        }
        const QString code = tmpl.sliced(p, 3).toString().toUpper();
        if (code == kFolderNumberCode) {
            if (leadingZero && folderNumber < 10)
                out += u'0';
            out += QString::number(folderNumber);
        } else if (code == kFolderNameCode) {
            out += folderName(table.cell(row, FieldNumber::Dir));
        } else if (const auto f = fieldByTemplateCode(code)) {
            out += table.cell(row, *f);
        } else {
            out += tmpl[p++];
            continue;
        }
        p += 3;
    }
    return out;
}

QStringList SpecListLines(const RowTable &table, const SpecListTemplates &templates,
                          SpecListNumbering numbering)
{
    QStringList lines;
    const bool titles = templates.titles && numbering.separate;
    int folder = 0;
    for (int row = 1; row <= table.lastFileRow(); ++row) {
        if (numbering.separate && startsFolder(table, row)) {
            ++folder;
            if (titles)
                lines.append(SingleLine(ExpandSpecTemplate(table, row, templates.title, folder,
                                                           numbering.leadingZero)));
        }
        // One line a row also when a cell (a comment, lyrics) holds line
        // breaks.
        lines.append(SingleLine(
            ExpandSpecTemplate(table, row, templates.row, folder, numbering.leadingZero)));
    }
    return lines;
}

} // namespace qm
