#include "table/celleditor.h"

#include <algorithm>
#include <optional>
#include <type_traits>
#include <utility>

namespace qm {
namespace {

const QString kVar = QString::fromUtf16(kVarPlaceholder);

bool isBlankText(QStringView s)
{
    return std::all_of(s.begin(), s.end(), [](QChar c) { return c.unicode() <= 0x20; });
}

char16_t foldLatin(char16_t c)
{
    return (c >= u'A' && c <= u'Z') ? char16_t(c + (u'a' - u'A')) : c;
}

// Only A-Z fold: other letters of the code page compare exactly.
bool equalIgnoringLatinCase(QStringView a, QStringView b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        const char16_t x = a[i].unicode();
        const char16_t y = b[i].unicode();
        if (x != y && foldLatin(x) != foldLatin(y))
            return false;
    }
    return true;
}

bool columnInRange(const RowTable &table, const CellRect &cells, FieldNumber f)
{
    const int p = table.layout().position(f);
    return p >= cells.left && p <= cells.right;
}

// A selected cell during the analysis: the part of its text between the
// common prefix and the common suffix found so far, with the values cut out
// of it. The working text of the cell is always prefix + middle + suffix.
struct WorkCell {
    const QChar *data;
    qsizetype head;
    qsizetype tail;
    int row;

    QStringView middle() const { return QStringView(data + head, tail - head); }
    qsizetype size() const { return tail - head; }
};

struct Match {
    FieldNumber field;
    qsizetype at; // forward: prefix length; backward: suffix length
    bool backward;
};

// Every step is one pass over the cells that changes them as it goes and
// takes the change back in the rare pass that fails half way: with 100,000
// cells the passes, not the comparisons, are what costs.
class Analysis {
public:
    Analysis(const RowTable &table, std::vector<WorkCell> cells, QList<FieldNumber> fields)
        : table_(table), cells_(std::move(cells)), fields_(std::move(fields)),
          lastFailure_(size_t(fields_.size()), 0)
    {}

    void run()
    {
        bool backward = false;
        for (;;) {
            while (matchAnyField(backward)) {}
            if (emptyCount_ > 0) {
                // A cell is used up: whatever the others still hold varies.
                variable_ = variable_ || emptyCount_ < cells_.size();
                return;
            }
            if (!backward) {
                if (!takeCommonCharacter(false)) {
                    backward = true;
                    variable_ = true;
                } else if (emptyCount_ > 0) {
                    variable_ = emptyCount_ < cells_.size();
                    return;
                }
            } else if (!takeCommonCharacter(true)) {
                return;
            }
        }
    }

    QString result() const
    {
        QString out;
        out.reserve(prefix_.size() + suffix_.size() + kVar.size() + 3 * qsizetype(matches_.size()));
        qsizetype done = 0;
        for (const Match &m : matches_) {
            if (m.backward)
                continue;
            out += QStringView(prefix_).sliced(done, m.at - done);
            out += templateCode(m.field);
            done = m.at;
        }
        out += QStringView(prefix_).sliced(done);
        if (variable_)
            out += kVar;
        // Later backward matches lie further left.
        done = 0;
        for (auto it = matches_.rbegin(); it != matches_.rend(); ++it) {
            if (!it->backward)
                continue;
            const qsizetype at = suffix_.size() - it->at;
            out += QStringView(suffix_).sliced(done, at - done);
            out += templateCode(it->field);
            done = at;
        }
        out += QStringView(suffix_).sliced(done);
        return out;
    }

    // Made as cells at once: for a whole column the parts are as many as
    // its rows, and a QString of each would only be copied into a cell.
    std::vector<Cell> variableParts() const
    {
        std::vector<Cell> parts;
        if (!variable_)
            return parts;
        parts.reserve(cells_.size());
        for (const WorkCell &c : cells_)
            parts.emplace_back(c.middle());
        return parts;
    }

private:
    // The literal step, on cells that are none of them empty. A character
    // beyond the BMP is taken whole: half of its surrogate pair in the
    // editor text and the other half in the variable parts is no text.
    bool takeCommonCharacter(bool backward)
    {
        const WorkCell &first = cells_.front();
        const QStringView end = backward
                                    ? first.middle().last(std::min<qsizetype>(2, first.size()))
                                    : first.middle().first(std::min<qsizetype>(2, first.size()));
        const bool pair = end.size() == 2 && end[0].isHighSurrogate() && end[1].isLowSurrogate();
        const QStringView c = pair ? end : backward ? end.last(1) : end.first(1);
        size_t i = 0;
        size_t emptied = 0;
        for (; i < cells_.size(); ++i) {
            WorkCell &w = cells_[i];
            if (w.size() < c.size()
                || (backward ? w.middle().last(c.size()) : w.middle().first(c.size())) != c)
                break;
            backward ? w.tail -= c.size() : w.head += c.size();
            emptied += w.size() == 0;
        }
        if (i < cells_.size()) {
            for (size_t j = 0; j < i; ++j)
                backward ? cells_[j].tail += c.size() : cells_[j].head -= c.size();
            return false;
        }
        emptyCount_ += emptied;
        if (backward)
            suffix_.prepend(c);
        else
            prefix_ += c;
        return true;
    }

    bool holdsValue(const WorkCell &c, const QString &v, bool backward) const
    {
        if (v.size() > c.size())
            return false;
        const QStringView mid = c.middle();
        return equalIgnoringLatinCase(backward ? mid.last(v.size()) : mid.first(v.size()), v);
    }

    // The field step: tries the fields in order at the scan position; the
    // first that every cell holds there is cut out and reported.
    bool matchAnyField(bool backward)
    {
        for (qsizetype k = 0; k < fields_.size(); ++k) {
            const FieldNumber f = fields_[k];
            // The cell that refused this field last time most likely
            // refuses again: ask it first.
            size_t &witness = lastFailure_[size_t(k)];
            if (!holdsValue(cells_[witness], table_.cell(cells_[witness].row, f), backward))
                continue;
            size_t i = 0;
            size_t emptied = 0;
            for (; i < cells_.size(); ++i) {
                WorkCell &w = cells_[i];
                const QString &v = table_.cell(w.row, f);
                if (!holdsValue(w, v, backward))
                    break;
                if (v.isEmpty())
                    continue;
                backward ? w.tail -= v.size() : w.head += v.size();
                emptied += w.size() == 0;
            }
            if (i < cells_.size()) {
                for (size_t j = 0; j < i; ++j) {
                    WorkCell &w = cells_[j];
                    const qsizetype n = table_.cell(w.row, f).size();
                    backward ? w.tail += n : w.head -= n;
                }
                witness = i;
                continue;
            }
            emptyCount_ += emptied;
            matches_.push_back({f, backward ? suffix_.size() : prefix_.size(), backward});
            return true;
        }
        return false;
    }

    const RowTable &table_;
    std::vector<WorkCell> cells_;
    QList<FieldNumber> fields_;
    std::vector<size_t> lastFailure_;
    std::vector<Match> matches_;
    QString prefix_;
    QString suffix_;
    size_t emptyCount_ = 0; // cells whose middle is used up
    bool variable_ = false;
};

// A code found in the typed text and where its value goes.
struct CodeAt {
    FieldNumber field;
    qsizetype at;
};

std::optional<FieldNumber> codeAt(QStringView text, qsizetype i, const RowTable &table,
                                  const CellRect &cells)
{
    if (i < 0 || i + 3 > text.size() || text[i] != u'%')
        return std::nullopt;
    const auto f = fieldByTemplateCode(text.sliced(i, 3));
    if (!f || columnInRange(table, cells, *f))
        return std::nullopt;
    return f;
}

// Takes the codes out of the part before "<var>"; each value goes back at
// the index its code had.
QString stripPrefixCodes(QStringView text, const RowTable &table, const CellRect &cells,
                         std::vector<CodeAt> &codes)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size();) {
        if (const auto f = codeAt(text, i, table, cells)) {
            codes.push_back({*f, out.size()});
            i += 3;
        } else {
            out += text[i++];
        }
    }
    return out;
}

// Takes the codes out of the part after "<var>", scanning from its end; each
// value goes back at the same distance from the end of the cell. A removal
// can join the characters around it into a new code, which is then taken
// too. `at` is 1 for a code that ended the text, 0 for one followed by one
// character, and so on.
QString stripSuffixCodes(QStringView text, const RowTable &table, const CellRect &cells,
                         std::vector<CodeAt> &codes)
{
    QString s = text.toString();
    for (qsizetype end = s.size() - 1; end >= 2;) {
        if (const auto f = codeAt(s, end - 2, table, cells)) {
            codes.push_back({*f, end - (s.size() - 1) + 1});
            s.remove(end - 2, 3);
            end = std::min(end, s.size() - 1);
        } else {
            --end;
        }
    }
    return s;
}

// The value a code puts into a cell. In the columns that make the file's
// path only a "/" typed in the template makes a folder: a value's own "/"
// ("AC/DC") becomes "-", and a track "01/05" gives its number alone.
QString codeValue(const RowTable &table, int row, FieldNumber code, bool namesPath)
{
    QString value = table.cell(row, code);
    if (!namesPath)
        return value;
    // Looked for inline: a call per code and cell is felt over a whole table.
    const qsizetype slash = std::find(value.cbegin(), value.cend(), u'/') - value.cbegin();
    if (slash == value.size())
        return value;
    if (code == FieldNumber::Trc)
        value.truncate(slash);
    value.replace(u'/', u'-');
    return value;
}

bool namesPath(FieldNumber f)
{
    return f == FieldNumber::Dir || f == FieldNumber::New || f == FieldNumber::Ext;
}

} // namespace

QList<FieldNumber> defaultScanFields()
{
    using F = FieldNumber;
    return {F::No, F::Old, F::Ext, F::Tit, F::Trc, F::Art, F::Alb, F::Yea};
}

CellRect editorCells(const RowTable &table, const CellRect &selection)
{
    CellRect r = selection.fileCells(table);
    if (selection.top == table.blankRow() && selection.bottom >= table.blankRow())
        r.top = r.bottom = table.blankRow();
    return r;
}

int promoteBlankRow(RowTable &table)
{
    const int blank = table.blankRow();
    if (std::all_of(table.row(blank).begin(), table.row(blank).end(),
                    [](const QString &s) { return isBlankText(s); }))
        return 0;
    const int row = table.appendRows(1);
    std::swap(table.row(row), table.row(row + 1));
    return row;
}

QString CellEditor::computeEditorText(const RowTable &table, const CellRect &selection,
                                      const QList<FieldNumber> &scanFields)
{
    cells_ = editorCells(table, selection);
    variableParts_.clear();
    baseline_.clear();
    if (cells_.isEmpty())
        return baseline_;

    const size_t count = size_t(cells_.columnCount()) * size_t(cells_.rowCount());
    const auto cellOf = [&table](int column, int row) -> const Cell & {
        return table.row(row)[size_t(toInt(table.layout().fieldAt(column)))];
    };
    // Looked at as cells, not texts, and only until both kinds are found: a
    // whole table is selected after every add.
    bool anyEmpty = false;
    bool anyFilled = false;
    for (int column = cells_.left; column <= cells_.right && !(anyEmpty && anyFilled); ++column) {
        for (int row = cells_.top; row <= cells_.bottom && !(anyEmpty && anyFilled); ++row)
            (cellOf(column, row).isEmpty() ? anyEmpty : anyFilled) = true;
    }
    if (anyEmpty) {
        if (anyFilled) {
            baseline_ = kVar;
            variableParts_.reserve(count);
            cells_.forEachCell(
                [&](int column, int row) { variableParts_.push_back(cellOf(column, row)); });
        }
        return baseline_;
    }
    // The table keeps no UTF-16 text to point into: the selected cells are
    // read into one buffer, which lives as long as the analysis.
    // The buffer is made in its exact size (a cell's UTF-16 length counted
    // from its UTF-8 bytes), not grown to twice what it needs.
    qsizetype units = 0;
    cells_.forEachCell([&](int column, int row) {
        units += cellOf(column, row).visit([](auto text) {
            if constexpr (std::is_same_v<decltype(text), QByteArrayView>) {
                qsizetype n = 0;
                for (const char byte : text) // each lead byte, one more for four bytes
                    n += ((uchar(byte) & 0xC0) != 0x80) + (uchar(byte) >= 0xF0);
                return n;
            } else
                return text.size();
        });
    });
    QString texts;
    texts.reserve(units);
    std::vector<WorkCell> cells;
    cells.reserve(count);
    cells_.forEachCell([&](int column, int row) {
        const qsizetype start = texts.size();
        texts += table.cellAt(row, column);
        cells.push_back({nullptr, start, texts.size(), row});
    });
    for (WorkCell &cell : cells) {
        cell.data = texts.constData() + cell.head;
        cell.tail -= cell.head;
        cell.head = 0;
    }

    // A field outside the selection that is empty in every selected row
    // would match everywhere without telling anything.
    QList<FieldNumber> fields;
    for (FieldNumber f : scanFields) {
        if (!isFieldNumber(toInt(f)) || columnInRange(table, cells_, f) || fields.contains(f))
            continue;
        bool filled = false;
        for (int r = cells_.top; r <= cells_.bottom && !filled; ++r)
            filled = !table.cell(r, f).isEmpty();
        if (filled)
            fields << f;
    }

    Analysis analysis(table, std::move(cells), fields);
    analysis.run();
    baseline_ = analysis.result();
    variableParts_ = analysis.variableParts();
    return baseline_;
}

void CellEditor::applyText(RowTable &table, const QString &boxText) const
{
    CellRect cells = cells_;
    cells.bottom = std::min(cells.bottom, table.blankRow());
    if (cells.isEmpty() || cells.top < 1)
        return;
    if (boxText.isEmpty()) {
        cells.forEachCell([&](int column, int row) { table.setCellAt(row, column, QString()); });
        return;
    }
    if (boxText == baseline_)
        return;

    const qsizetype var = variableParts_.empty() ? -1 : boxText.indexOf(kVar);
    const bool split = var >= 0;
    const QStringView prefixText = split ? QStringView(boxText).first(var) : QStringView(boxText);
    const QStringView suffixText =
        split ? QStringView(boxText).sliced(var + kVar.size()) : QStringView();
    std::vector<CodeAt> prefixCodes;
    std::vector<CodeAt> suffixCodes;
    const QString prefix = stripPrefixCodes(prefixText, table, cells, prefixCodes);
    const QString suffix = stripSuffixCodes(suffixText, table, cells, suffixCodes);

    qsizetype k = 0;
    cells.forEachCell([&](int column, int row) {
        const bool path = namesPath(table.layout().fieldAt(column));
        QString text = prefix;
        for (auto it = prefixCodes.rbegin(); it != prefixCodes.rend(); ++it)
            text.insert(std::min(it->at, text.size()), codeValue(table, row, it->field, path));
        if (split && size_t(k) < variableParts_.size())
            text += variableParts_[size_t(k)].toString();
        text += suffix;
        for (auto it = suffixCodes.rbegin(); it != suffixCodes.rend(); ++it)
            text.insert(std::clamp(text.size() + it->at - 1, qsizetype(0), text.size()),
                        codeValue(table, row, it->field, path));
        table.setCellAt(row, column, text);
        ++k;
    });
}

bool CellEditor::storesUndoText(QChar typed)
{
    const char16_t c = typed.unicode();
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9')
           || c == u'_' || c == u'.' || c == u'\b' || c >= 128;
}

QString CellEditor::undo(RowTable &table, const QString &boxText)
{
    QString text = std::exchange(baseline_, boxText);
    applyText(table, text);
    return text;
}

QString CellEditor::editBoxText(RowTable &table, const QString &boxText, qsizetype from,
                                qsizetype length, const QString &insertion)
{
    baseline_ = boxText;
    from = std::clamp(from, qsizetype(0), boxText.size());
    length = std::clamp(length, qsizetype(0), boxText.size() - from);
    QString text = boxText;
    text.replace(from, length, insertion);
    applyText(table, text);
    return text;
}

QString editorPasteText(const QString &clipboard)
{
    qsizetype end = 0;
    while (end < clipboard.size() && clipboard[end] != u'\r' && clipboard[end] != u'\n')
        ++end;
    return clipboard.first(end);
}

void CellEditor::finishEditing(RowTable &table, const CellRect &selection,
                               const Numbering &numbering)
{
    int from = 0;
    if (selection.bottom >= table.blankRow() && selection.top <= table.blankRow())
        from = promoteBlankRow(table);
    const int removed = table.deleteEmptyRows(selection.top, selection.bottom);
    if (removed > 0)
        from = from > 0 ? std::min(from, removed) : removed;
    if (from > 0)
        renumberRows(table, from, numbering.style, numbering.scope);
    baseline_.clear();
}

} // namespace qm
