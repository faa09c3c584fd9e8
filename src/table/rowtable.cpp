#include "table/rowtable.h"

#include "table/largepages.h"

#include <algorithm>
#include <cstring>
#include <type_traits>

namespace qm {
namespace {

// A width beyond any screen only comes from a broken settings file; capped
// so that summing the columns cannot overflow the view's geometry.
constexpr int kMaxColumnWidth = 10000;

// Blanks and control characters (everything up to U+0020) do not make a
// cell count as filled.
bool isBlankText(const QString &s)
{
    return std::all_of(s.cbegin(), s.cend(), [](QChar c) { return c.unicode() <= 0x20; });
}

bool isEmptyFileRow(const Row &row)
{
    for (int f = 0; f < kColumnCount; ++f) {
        if (f != toInt(FieldNumber::No) && !isBlankText(row[size_t(f)]))
            return false;
    }
    return true;
}

} // namespace

RowTable::RowTable() : rows_(2)
{
    width_.fill(kDefaultColumnWidth);
    setLayout(layout_);
    buildHeaderRow();
}

void RowTable::setLayout(const ColumnLayout &layout)
{
    layout_ = layout;
    for (int f = 0; f < kColumnCount; ++f) {
        int &w = width_[size_t(f)];
        if (layout_.position(toField(f)) < layout_.noPosition())
            w = kHiddenColumnWidth;
        else if (w < 0)
            w = kDefaultColumnWidth;
    }
}

int RowTable::width(FieldNumber f) const
{
    return layout_.position(f) < layout_.noPosition() ? kHiddenColumnWidth
                                                      : width_[size_t(toInt(f))];
}

void RowTable::setWidth(FieldNumber f, int width)
{
    if (layout_.position(f) < layout_.noPosition())
        return;
    width_[size_t(toInt(f))] = std::clamp(width, 0, kMaxColumnWidth);
}

QString RowTable::colWidthsText() const
{
    QString text;
    for (int p = 0; p < kColumnCount; ++p) {
        if (p > 0)
            text += u',';
        text += QString::number(widthAt(p));
    }
    return text;
}

QList<FieldNumber> RowTable::readColWidths(QStringView text)
{
    const QList<QStringView> items = text.isEmpty() ? QList<QStringView>() : text.split(u',');
    const int no = layout_.noPosition();
    for (int p = 0; p < kColumnCount && p < items.size(); ++p) {
        if (p < no)
            continue; // a hidden column stays hidden, whatever width was saved
        bool ok = false;
        int w = items[p].trimmed().toInt(&ok);
        if (!ok)
            w = kDefaultColumnWidth;
        if (w < 0)
            w = width(FieldNumber::No);
        setWidthAt(p, w);
    }
    return hiddenFields();
}

QList<FieldNumber> RowTable::hiddenFields() const
{
    QList<FieldNumber> hidden;
    for (int p = 0; p < layout_.noPosition(); ++p)
        hidden << layout_.fieldAt(p);
    return hidden;
}

void RowTable::buildHeaderRow()
{
    Row &header = rows_.front();
    for (int f = 0; f < kColumnCount; ++f)
        header[size_t(f)] = headerCaption(toField(f));
}

void RowTable::setLyricsHeaders(bool lyricsView)
{
    for (FieldNumber f : {FieldNumber::Cop, FieldNumber::Ory})
        setCell(0, f, fieldName(f, lyricsView));
}

int RowTable::appendRows(int count)
{
    const int first = blankRow();
    if (count <= 0)
        return first;
    // Grown as the vector would grow itself, with the new room advised.
    const size_t needed = rows_.size() + size_t(count);
    if (needed > rows_.capacity())
        reserveInLargePages(rows_, std::max(needed, 2 * rows_.capacity()));
    rows_.insert(rows_.end() - 1, size_t(count), Row{});
    return first;
}

void RowTable::reserveRows(int count)
{
    reserveInLargePages(rows_, rows_.size() + size_t(std::max(count, 0)));
}

int RowTable::appendFileRow(const QString &dir, const QString &fileName)
{
    const int r = appendRows(1);
    if (dir != lastDirText_) {
        lastDirText_ = dir;
        lastDir_ = dir;
    }
    setCell(r, FieldNumber::Dir, lastDir_);
    setCell(r, FieldNumber::Old, fileName);
    return r;
}

void RowTable::clearBlankRow() { rows_.back() = Row{}; }

void RowTable::removeAllFileRows()
{
    rows_.erase(rows_.begin() + 1, rows_.end() - 1);
    clearBlankRow();
}

int RowTable::setColumnShown(int position, bool show)
{
    if (!layout_.isValidPosition(position) || position == layout_.noPosition())
        return layout_.noPosition();
    const FieldNumber f = layout_.fieldAt(position);
    const bool wasShown = position > layout_.noPosition();
    const int result = layout_.setShown(position, show);
    if (wasShown != show)
        width_[size_t(toInt(f))] = show ? kDefaultColumnWidth : kHiddenColumnWidth;
    return result;
}

bool RowTable::applyColumnMove(int from, int to) { return layout_.move(from, to); }

void RowTable::clearColumnData(int position)
{
    if (!layout_.isValidPosition(position))
        return;
    const size_t f = size_t(toInt(layout_.fieldAt(position)));
    for (size_t r = 1; r < rows_.size(); ++r)
        rows_[r][f].clear();
}

int RowTable::deleteEmptyRows(int first, int last)
{
    first = std::max(first, 1);
    last = std::min(last, lastFileRow());
    if (first > last)
        return 0;
    const auto begin = rows_.begin() + first;
    const auto end = rows_.begin() + last + 1;
    const auto firstEmpty = std::find_if(begin, end, isEmptyFileRow);
    if (firstEmpty == end)
        return 0;
    const int smallest = int(firstEmpty - rows_.begin());
    const auto kept = std::remove_if(firstEmpty, end, isEmptyFileRow);
    rows_.erase(kept, end);
    clearBlankRow();
    return smallest;
}

// A cell is one word whose move only copies the word and empties the
// source, and a copy of the word owns nothing until the source is dropped:
// so a row is relocated by copying its bytes, provided every row ends up
// held exactly once (a permutation), and no cell's count is touched.
static_assert(sizeof(Cell) == sizeof(std::uintptr_t) && alignof(Cell) == alignof(std::uintptr_t));
static_assert(sizeof(Row) == kColumnCount * sizeof(Cell));

bool RowTable::reorderFileRows(std::span<const int> order)
{
    // Cycle by cycle, one row's bytes held aside: each row is read once from
    // where it was and written once where it goes. Within a cycle a row's
    // new place is the place the row before it left, still in the cache, so
    // only the reads are scattered; the rows to read are fetched a few steps
    // ahead along the cycle.
    constexpr int kAhead = 16;
    const auto bytesOf = [this](size_t file) {
        return static_cast<void *>(rows_[file + 1].data());
    };
    const auto fetch = [this](size_t file) { prefetchRow(rows_[file + 1]); };
    // Copied bytes would hold a row twice, and free its texts twice, if
    // `order` were not a permutation of the file rows: such an order leaves
    // the table as it is.
    std::vector<char> placed(order.size(), 0);
    if (order.size() != size_t(std::max(fileRowCount(), 0)))
        return false;
    for (const int row : order) {
        if (row < 1 || size_t(row) > order.size() || placed[size_t(row - 1)] != 0)
            return false;
        placed[size_t(row - 1)] = 1;
    }
    std::fill(placed.begin(), placed.end(), 0);
    alignas(Row) unsigned char held[sizeof(Row)];
    for (size_t start = 0; start < order.size(); ++start) {
        if (placed[start] != 0)
            continue;
        size_t ahead = start;
        for (int k = 0; k < kAhead; ++k) {
            ahead = size_t(order[ahead] - 1);
            fetch(ahead);
        }
        std::memcpy(held, bytesOf(start), sizeof(Row));
        size_t target = start;
        for (;;) {
            placed[target] = 1;
            const size_t source = size_t(order[target] - 1);
            if (source == start) {
                std::memcpy(bytesOf(target), held, sizeof(Row));
                break;
            }
            ahead = size_t(order[ahead] - 1);
            fetch(ahead);
            std::memcpy(bytesOf(target), bytesOf(source), sizeof(Row));
            target = source;
        }
    }
    return true;
}

void RowTable::splitAddedNames(int first, int last)
{
    first = std::max(first, 1);
    last = std::min(last, lastFileRow());
    for (int r = first; r <= last; ++r)
        splitFileName(rows_[size_t(r)]);
}

bool DirLacksSeparator(QStringView dir)
{
    if (dir.isEmpty() || dir.endsWith(u'/'))
        return false;
    return !(dir.endsWith(u'\\') && !dir.contains(u'/'));
}

void releaseRows(std::vector<Row> &rows)
{
    for (size_t r = 0; r < rows.size(); ++r) {
        if (r + kTextsAhead < rows.size())
            prefetchTexts(rows[r + kTextsAhead]);
        rows[r] = Row();
    }
    rows.clear();
}

bool sameRow(const Row &a, const Row &b)
{
    for (size_t f = 0; f < a.size(); ++f) {
        if (f != size_t(toInt(FieldNumber::No)) && !(a[f] == b[f]))
            return false;
    }
    return true;
}

void splitFileName(Row &row)
{
    Cell &oldCell = row[size_t(toInt(FieldNumber::Old))];
    Cell &ext = row[size_t(toInt(FieldNumber::Ext))];
    // Cut where the name is held, UTF-8 or UTF-16, without decoding it: a
    // dot is one byte in UTF-8 and never part of another character.
    Cell name = oldCell.visit([&ext](auto text) {
        constexpr bool utf8 = std::is_same_v<decltype(text), QByteArrayView>;
        qsizetype dot = -1;
        if constexpr (utf8)
            dot = text.lastIndexOf('.');
        else
            dot = text.lastIndexOf(u'.');
        // A name ending in a dot keeps it: with an empty Ext no dot is added
        // back, and "name." and "name" are different files here.
        if (dot < 0 || dot == text.size() - 1) {
            ext.clear();
            return Cell();
        }
        if constexpr (utf8) {
            ext = Cell::fromValidUtf8(text.sliced(dot + 1));
            return Cell::fromValidUtf8(text.first(dot));
        } else {
            ext = Cell(text.sliced(dot + 1));
            return Cell(text.first(dot));
        }
    });
    // The cut name replaces Old only now: the view read Old's own text.
    if (!ext.isEmpty())
        oldCell = std::move(name);
    // New shares Old's text.
    row[size_t(toInt(FieldNumber::New))] = oldCell;
}

void RowTable::setCarried(bool fileInfo, int tagVersion)
{
    carriedFileInfo_ = fileInfo;
    carriedTagVersion_ = tagVersion;
}

} // namespace qm
