#pragma once

#include <QString>
#include <QStringView>

#include "table/selection.h"

namespace qm {

class RowTable;

// The four letter-case modes, in the order of their commands.
enum class CaseMode {
    Upper,    // "Все заглавные"
    Lower,    // "Все строчные"
    Sentence, // "Строка с заглавной": the first letter of the text
    Words,    // "Слово с заглавной": the first letter of every word
};

// The 36 characters that end a word.
QStringView wordDelimiters();
bool isWordDelimiter(char32_t c);

// The text in `mode`. Letter case is Unicode's, so every script a tag may
// hold converts; only ASCII 0-9 count as digits. The sentence and word
// modes change single letters in place and leave the others as they are.
QString convertCase(const QString &text, CaseMode mode);

// Converts the cells of `selection` (clipped to data columns and file rows,
// so the blank last row stays out), column by column. Returns the rows
// touched; empty when the rectangle holds no file cell.
CellRect convertCase(RowTable &table, const CellRect &selection, CaseMode mode);

} // namespace qm
