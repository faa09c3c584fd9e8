#include "text/lettercase.h"

#include "table/rowtable.h"

namespace qm {

namespace {

// In this order, as the settings and the help list them; "№" is U+2116.
constexpr char16_t kWordDelimiters[] = u" ,;:.!?()-_\r\n\"\\&#@[]\t\u2116$%^*=+/|{}<>`~";

bool isAsciiDigit(char32_t c) { return c >= U'0' && c <= U'9'; }

bool opensWord(char32_t previous) { return isAsciiDigit(previous) || isWordDelimiter(previous); }

// Replaces the code point at `i` (of `size` code units) by its capital:
// the title-case form, which is the capital of ordinary letters and keeps
// digraphs such as "ǆ" readable.
void capitalizeAt(QString &text, qsizetype i, char32_t c)
{
    const char32_t upper = QChar::toTitleCase(c);
    if (upper == c)
        return;
    if (QChar::requiresSurrogates(upper)) {
        if (!QChar::requiresSurrogates(c))
            return; // would change the length
        text[i] = QChar(QChar::highSurrogate(upper));
        text[i + 1] = QChar(QChar::lowSurrogate(upper));
    } else if (!QChar::requiresSurrogates(c)) {
        text[i] = QChar(char16_t(upper));
    }
}

} // namespace

QStringView wordDelimiters()
{
    return QStringView(kWordDelimiters, std::size(kWordDelimiters) - 1);
}

bool isWordDelimiter(char32_t c)
{
    return c <= 0xFFFF && wordDelimiters().contains(QChar(char16_t(c)));
}

QString convertCase(const QString &text, CaseMode mode)
{
    switch (mode) {
    case CaseMode::Upper:
        return text.toUpper();
    case CaseMode::Lower:
        return text.toLower();
    case CaseMode::Sentence:
    case CaseMode::Words:
        break;
    }
    QString result = text;
    char32_t previous = U' '; // the first character opens a word
    for (qsizetype i = 0; i < result.size();) {
        char32_t c = result[i].unicode();
        qsizetype width = 1;
        if (result[i].isHighSurrogate() && i + 1 < result.size()
            && result[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(result[i], result[i + 1]);
            width = 2;
        }
        if (mode == CaseMode::Sentence) {
            if (!isAsciiDigit(c) && !isWordDelimiter(c)) {
                capitalizeAt(result, i, c);
                break;
            }
        } else if (opensWord(previous)) {
            capitalizeAt(result, i, c);
        }
        previous = c;
        i += width;
    }
    return result;
}

CellRect convertCase(RowTable &table, const CellRect &selection, CaseMode mode)
{
    const CellRect cells = selection.fileCells(table);
    if (cells.isEmpty())
        return {};
    cells.forEachCell([&](int column, int row) {
        const QString &text = table.cellAt(row, column);
        QString converted = convertCase(text, mode);
        if (converted != text)
            table.setCellAt(row, column, converted);
    });
    return cells;
}

} // namespace qm
