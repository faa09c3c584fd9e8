#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

#include <vector>

namespace qm {

// One row of an alphabet: a symbol of one character and the text of up to
// three characters that stands for it (empty: the symbol is dropped).
struct AlphabetPair {
    QString symbol;
    QString change;
    friend bool operator==(const AlphabetPair &, const AlphabetPair &) = default;
};

inline constexpr int kMaxSymbolLength = 1;
inline constexpr int kMaxChangeLength = 3;

// The column headers the alphabet file keeps in front of each column.
inline const QString kSymbolHeader = QStringLiteral(u"Символ");
inline const QString kChangeHeader = QStringLiteral(u"Замена");
inline const QString kBuiltinAlphabetName = QStringLiteral(u"Транслит");

// The pairs of an alphabet in the user's order; when a symbol or a change
// occurs in more than one row, the first row wins.
using AlphabetPairs = std::vector<AlphabetPair>;

// The built-in "Транслит": 33 Cyrillic letters written in Latin letters.
const AlphabetPairs &builtinAlphabet();

// The two columns as the alphabet file keeps them: the header, one item
// per pair and an empty item for the blank row the user types into.
QStringList symbolColumn(const AlphabetPairs &pairs);
QStringList changeColumn(const AlphabetPairs &pairs);
// Back from the columns: the header row is left out, and so are rows
// blank in both columns; a shorter change column leaves changes empty.
AlphabetPairs pairsFromColumns(const QStringList &symbols, const QStringList &changes);

// Characters are code points here: a symbol outside the basic plane is
// one character, never half of one.
QStringList splitCharacters(const QString &text);
// The first `count` characters of `text`.
QString leftCharacters(const QString &text, int count);

// Replace and restore by one alphabet. Lookups ignore letter case.
class AlphabetMap {
public:
    explicit AlphabetMap(const AlphabetPairs &pairs);

    // Every character that is a symbol becomes its change, in capitals
    // when the character is a capital; other characters stay.
    QString replace(const QString &text) const;
    // The longest change (3, 2, then 1 characters) at each place turns back
    // into its symbol, a capital when the change starts with one.
    QString restore(const QString &text) const;

private:
    AlphabetPairs pairs_;
    QHash<QString, int> bySymbol_; // folded symbol -> first row
    QHash<QString, int> byChange_; // folded change -> first row
};

// A character that differs from its small-letter form.
bool isCapital(const QString &character);

// Blank: nothing but blanks and control characters.
bool isBlankText(const QString &text);

// The editor's table of pairs with its editing rules. Row 0 is the first
// pair; the last row is always blank and is where a new pair is typed.
class AlphabetGrid {
public:
    enum Column { Symbol, Change };

    AlphabetGrid() : rows_(1) {}

    // Fills the table with `pairs` and clears the modified flag.
    void load(const AlphabetPairs &pairs);
    // The rows that are not blank, in order.
    AlphabetPairs pairs() const;

    int rowCount() const { return int(rows_.size()); }
    QString text(int row, Column column) const;
    bool modified() const { return modified_; }
    void setModified(bool modified) { modified_ = modified; }

    // Text typed into a cell: a symbol is cut to 1 character and a change to
    // 3; typing into the blank last row adds a new one below; a row left
    // blank in both cells is deleted.
    void setText(int row, Column column, const QString &text);
    // A row dragged from `from` to `to`. A move of the blank last row, or
    // onto it, does not stand: false, and the table is as it was.
    bool moveRow(int from, int to);
    // Empties the table down to the blank row.
    void clear();

private:
    std::vector<AlphabetPair> rows_;
    bool modified_ = false;
};

} // namespace qm
