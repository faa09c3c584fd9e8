#include "lists/listreader.h"

#include "lists/columnlist.h"
#include "lists/m3u.h"

#include <QFileInfo>

namespace qm {

namespace {

// A URL of a scheme other than "file" ("http://radio/stream"); a Windows
// drive letter ("D:\x.mp3") is none.
bool isStreamLine(const QString &line)
{
    const qsizetype colon = line.indexOf(QLatin1String("://"));
    if (colon < 2 || line.startsWith(QLatin1String("file:"), Qt::CaseInsensitive))
        return false;
    for (qsizetype i = 0; i < colon; ++i) {
        const QChar c = line[i];
        if (!(c.isLetterOrNumber() && c.unicode() < 128) && c != u'+' && c != u'-' && c != u'.')
            return false;
    }
    return line[0].isLetter();
}

} // namespace

ListReader::ListReader(RowTable &table, char kind, const QString &listPath, ShowColumn showColumn)
    : m_table(table), m_kind(kind), m_showColumn(std::move(showColumn)),
      m_firstRow(table.blankRow()), m_currentRow(m_firstRow)
{
    m_listFolder = QFileInfo(listPath).absolutePath();
    if (!m_listFolder.endsWith(u'/'))
        m_listFolder += u'/';
}

int ListReader::AnnouncedTagVersion(char kind, const QStringList &lines)
{
    // A play list's display text is no tag: the view stays as it is.
    if (kind == 'p' || (!lines.isEmpty() && lines.first() == QLatin1String("#EXTM3U")))
        return 0;
    bool tag2 = false;
    for (const QString &line : lines) {
        if (line.compare(QLatin1String("#Tag 1"), Qt::CaseInsensitive) == 0)
            return 1;
        tag2 = tag2 || line.compare(QLatin1String("#Tag 2"), Qt::CaseInsensitive) == 0;
    }
    return tag2 ? 2 : 0;
}

bool ListReader::readLine(const QString &line)
{
    if (m_kind == 'p')
        return readM3uLine(line);
    readHeadedLine(line);
    return true;
}

void ListReader::finish()
{
    // An "#EXTINF" line at the end, without its path line, names no file.
    if (m_kind == 'p' && m_currentRow <= m_table.lastFileRow())
        m_table.row(m_currentRow) = Row{};
    if (m_commonFolder.isEmpty())
        return;
    for (int row = m_firstRow; row <= m_table.lastFileRow(); ++row)
        m_table.setCell(row, FieldNumber::Dir, m_commonFolder);
}

int ListReader::valueRow()
{
    const int row = m_currentRow++;
    if (row > m_table.lastFileRow()) {
        m_table.appendRows(1);
        ++m_filesAdded;
    }
    return row;
}

void ListReader::show(FieldNumber f)
{
    if (m_showColumn && !m_table.layout().isShown(f))
        m_showColumn(f);
}

void ListReader::readHeadedLine(const QString &line)
{
    if (!line.startsWith(u'#')) {
        m_table.setCell(valueRow(), m_target, line);
        return;
    }
    if (const auto field = ColumnListHeaderField(line)) {
        const FieldNumber f = *field;
        m_target = f;
        if (f == FieldNumber::Old && line.size() > 9)
            m_commonFolder = line.mid(10);
        const ColumnGroup group = columnGroup(f);
        if (group == ColumnGroup::FileInfo)
            m_carriedFileInfo = true;
        else if (group == ColumnGroup::Id3v2Only)
            m_carriedTagVersion = 2;
        else if (isTagField(f) && m_carriedTagVersion == 0)
            m_carriedTagVersion = 2;
        if (columnGroup(f) != ColumnGroup::Basic)
            show(f);
        m_currentRow = m_firstRow;
        return;
    }
    if (line.startsWith(u"#Tag")) {
        const QChar digit = line.size() > 5 ? line[5] : QChar();
        m_carriedTagVersion = digit.isDigit() && digit.unicode() < 128 ? digit.digitValue() : 0;
        return;
    }
    if (line.startsWith(u"#EXTM3U")) {
        m_kind = 'p';
        return;
    }
    m_table.setCell(valueRow(), m_target, ColumnListCell(line));
}

bool ListReader::readM3uLine(const QString &line)
{
    if (line.startsWith(u"#EXTINF")) {
        const std::optional<int> seconds = ExtinfSeconds(line);
        if (!seconds)
            return false;
        m_carriedFileInfo = true;
        show(FieldNumber::Art);
        show(FieldNumber::Tit);
        show(FieldNumber::Dur);
        const int row = m_currentRow;
        if (row > m_table.lastFileRow())
            m_table.appendRows(1);
        m_table.setCell(row, FieldNumber::Dur, *seconds >= 0 ? DurationText(*seconds) : QString());
        const QString text = line.mid(line.indexOf(u',') + 1);
        const qsizetype dash = text.indexOf(QLatin1String(" - "));
        if (dash >= 0) {
            m_table.setCell(row, FieldNumber::Art, text.left(dash));
            m_table.setCell(row, FieldNumber::Tit, text.mid(dash + 3));
        } else {
            m_table.setCell(row, FieldNumber::Tit, text);
        }
        return true;
    }
    // Comments, the header and the other extended lines (#EXTALB, #PLAYLIST,
    // ...) that players write today carry nothing for the table, and a blank
    // line names no file.
    if (line.startsWith(u'#') || line.trimmed().isEmpty())
        return true;
    if (isStreamLine(line)) {
        // A stream is no file to tag: its row, with what an "#EXTINF" line
        // put there, is left for the next entry.
        ++m_streamsSkipped;
        if (m_currentRow <= m_table.lastFileRow())
            m_table.row(m_currentRow) = Row{};
        return true;
    }
    const M3uPath path = ResolveM3uPath(line, m_listFolder);
    const int row = m_currentRow++;
    if (row > m_table.lastFileRow())
        m_table.appendRows(1);
    ++m_filesAdded;
    m_table.setCell(row, FieldNumber::Dir, path.dir);
    m_table.setCell(row, FieldNumber::Old, path.name);
    return true;
}

} // namespace qm
