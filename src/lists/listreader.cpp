#include "lists/listreader.h"

#include "formats/pathcodec.h"
#include "lists/columnlist.h"
#include "lists/m3u.h"

#include <QFileInfo>

#include <algorithm>
#include <sys/stat.h>

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

ListReader::ListReader(RowTable &table, ListKind kind, const QString &listPath,
                       ShowColumn showColumn)
    : table_(table), kind_(kind), showColumn_(std::move(showColumn)), firstRow_(table.blankRow()),
      currentRow_(firstRow_)
{
    listFolder_ = QFileInfo(listPath).absolutePath();
    if (!listFolder_.endsWith(u'/'))
        listFolder_ += u'/';
}

int ListReader::AnnouncedTagVersion(ListKind kind, const QStringList &lines)
{
    // A play list's display text is no tag: the view stays as it is.
    if (kind == ListKind::PlayList
        || (!lines.isEmpty() && lines.first() == QLatin1String("#EXTM3U")))
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
    if (kind_ == ListKind::PlayList)
        return readM3uLine(line);
    readHeadedLine(line);
    return true;
}

void ListReader::finish()
{
    // An "#EXTINF" line at the end, without its path line, names no file.
    if (kind_ == ListKind::PlayList && currentRow_ <= table_.lastFileRow())
        table_.row(currentRow_) = Row{};
    if (commonFolder_.isEmpty())
        return;
    for (int row = firstRow_; row <= table_.lastFileRow(); ++row)
        table_.setCell(row, FieldNumber::Dir, commonFolder_);
}

int ListReader::valueRow()
{
    const int row = currentRow_++;
    if (row > table_.lastFileRow()) {
        table_.appendRows(1);
        ++filesAdded_;
    }
    return row;
}

void ListReader::show(FieldNumber f)
{
    if (showColumn_ && !table_.layout().isShown(f))
        showColumn_(f);
}

void ListReader::readHeadedLine(const QString &line)
{
    if (!line.startsWith(u'#')) {
        table_.setCell(valueRow(), target_, line);
        return;
    }
    if (const auto field = ColumnListHeaderField(line)) {
        const FieldNumber f = *field;
        target_ = f;
        if (f == FieldNumber::Old && line.size() > 9)
            commonFolder_ = line.mid(10);
        const ColumnGroup group = columnGroup(f);
        if (group == ColumnGroup::FileInfo)
            carriedFileInfo_ = true;
        else if (group == ColumnGroup::Id3v2Only)
            carriedTagVersion_ = 2;
        else if (isTagField(f) && carriedTagVersion_ == 0)
            carriedTagVersion_ = 2;
        if (columnGroup(f) != ColumnGroup::Basic)
            show(f);
        currentRow_ = firstRow_;
        return;
    }
    if (line.startsWith(u"#Tag")) {
        const QChar digit = line.size() > 5 ? line[5] : QChar();
        carriedTagVersion_ = digit.isDigit() && digit.unicode() < 128 ? digit.digitValue() : 0;
        return;
    }
    if (line.startsWith(u"#EXTM3U")) {
        kind_ = ListKind::PlayList;
        return;
    }
    table_.setCell(valueRow(), target_, ColumnListCell(line));
}

bool ListReader::readM3uLine(const QString &line)
{
    if (line.startsWith(u"#EXTINF")) {
        const std::optional<int> seconds = ExtinfSeconds(line);
        if (!seconds)
            return false;
        carriedFileInfo_ = true;
        show(FieldNumber::Art);
        show(FieldNumber::Tit);
        show(FieldNumber::Dur);
        const int row = currentRow_;
        if (row > table_.lastFileRow())
            table_.appendRows(1);
        table_.setCell(row, FieldNumber::Dur, *seconds >= 0 ? DurationText(*seconds) : QString());
        const QString text = line.mid(line.indexOf(u',') + 1);
        const qsizetype dash = text.indexOf(QLatin1String(" - "));
        if (dash >= 0) {
            table_.setCell(row, FieldNumber::Art, text.left(dash));
            table_.setCell(row, FieldNumber::Tit, text.mid(dash + 3));
        } else {
            table_.setCell(row, FieldNumber::Tit, text);
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
        ++streamsSkipped_;
        if (currentRow_ <= table_.lastFileRow())
            table_.row(currentRow_) = Row{};
        return true;
    }
    const M3uPath path = ResolveM3uPath(line, listFolder_);
    const int row = currentRow_++;
    if (row > table_.lastFileRow())
        table_.appendRows(1);
    ++filesAdded_;
    table_.setCell(row, FieldNumber::Dir, path.dir);
    table_.setCell(row, FieldNumber::Old, path.name);
    return true;
}

void ClearDeviceRows(RowTable &table, int first)
{
    for (int row = std::max(first, 1); row <= table.lastFileRow(); ++row) {
        QString path = table.cell(row, FieldNumber::Dir) + table.cell(row, FieldNumber::Old);
        if (const QString &ext = table.cell(row, FieldNumber::Ext); !ext.isEmpty())
            path += u'.' + ext;
        struct stat info {};
        if (!path.isEmpty() && ::stat(encodeFileName(path).constData(), &info) == 0
            && !S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode))
            table.row(row) = Row{};
    }
}

} // namespace qm
