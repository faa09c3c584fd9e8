#include "text/alphabet.h"

#include <algorithm>

namespace qm {

const AlphabetPairs &builtinAlphabet()
{
    static const AlphabetPairs pairs = [] {
        const QStringList symbols = QStringLiteral(u"а б в г д е ё ж з и й к л м н о п р с т у ф х "
                                                   u"ц ч ш щ ъ ы ь э ю я")
                                        .split(u' ');
        const QStringList changes =
            QStringLiteral(
                u"a b v g d e e j z i y k l m n o p r s t u f h c ch sh sh' ` i ' e yu ya")
                .split(u' ');
        AlphabetPairs result;
        for (qsizetype i = 0; i < symbols.size(); ++i)
            result.push_back({symbols[i], changes[i]});
        return result;
    }();
    return pairs;
}

QStringList symbolColumn(const AlphabetPairs &pairs)
{
    QStringList column{kSymbolHeader};
    for (const AlphabetPair &pair : pairs)
        column << pair.symbol;
    column << QString();
    return column;
}

QStringList changeColumn(const AlphabetPairs &pairs)
{
    QStringList column{kChangeHeader};
    for (const AlphabetPair &pair : pairs)
        column << pair.change;
    column << QString();
    return column;
}

AlphabetPairs pairsFromColumns(const QStringList &symbols, const QStringList &changes)
{
    AlphabetPairs pairs;
    for (qsizetype row = 1; row < symbols.size(); ++row) {
        AlphabetPair pair{symbols[row], row < changes.size() ? changes[row] : QString()};
        if (!pair.symbol.trimmed().isEmpty() || !pair.change.trimmed().isEmpty())
            pairs.push_back(std::move(pair));
    }
    return pairs;
}

QStringList splitCharacters(const QString &text)
{
    QStringList characters;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype length =
            text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate() ? 2
                                                                                             : 1;
        characters << text.mid(i, length);
        i += length - 1;
    }
    return characters;
}

QString leftCharacters(const QString &text, int count)
{
    const QStringList characters = splitCharacters(text);
    return characters.size() <= count ? text : characters.mid(0, count).join(QString());
}

bool isCapital(const QString &character) { return character != character.toLower(); }

AlphabetMap::AlphabetMap(const AlphabetPairs &pairs) : pairs_(pairs)
{
    for (int row = 0; row < int(pairs.size()); ++row) {
        // An empty symbol or change never matches a character.
        // The first row with a symbol or change wins.
        const QString symbol = pairs[row].symbol.toCaseFolded();
        if (!symbol.isEmpty() && !bySymbol_.contains(symbol))
            bySymbol_.insert(symbol, row);
        const QString change = pairs[row].change.toCaseFolded();
        if (!change.isEmpty() && !byChange_.contains(change))
            byChange_.insert(change, row);
    }
}

QString AlphabetMap::replace(const QString &text) const
{
    QString result;
    for (const QString &x : splitCharacters(text)) {
        const auto found = bySymbol_.constFind(x.toCaseFolded());
        if (found == bySymbol_.constEnd()) {
            result += x;
            continue;
        }
        const QString &change = pairs_[*found].change;
        result += isCapital(x) ? change.toUpper() : change;
    }
    return result;
}

QString AlphabetMap::restore(const QString &text) const
{
    const QStringList characters = splitCharacters(text);
    QString result;
    qsizetype p = 0;
    while (p < characters.size()) {
        qsizetype matched = 0;
        int row = -1;
        for (qsizetype length = std::min<qsizetype>(kMaxChangeLength, characters.size() - p);
             length > 0 && row < 0; --length) {
            const QString piece = characters.mid(p, length).join(QString());
            const auto found = byChange_.constFind(piece.toCaseFolded());
            if (found != byChange_.constEnd()) {
                row = *found;
                matched = length;
            }
        }
        if (row < 0) {
            result += characters[p++];
            continue;
        }
        const QString &symbol = pairs_[row].symbol;
        result += isCapital(characters[p]) ? symbol.toUpper() : symbol;
        p += matched;
    }
    return result;
}

bool isBlankText(const QString &text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() <= u' '; });
}

void AlphabetGrid::load(const AlphabetPairs &pairs)
{
    rows_.assign(pairs.begin(), pairs.end());
    rows_.emplace_back();
    modified_ = false;
}

AlphabetPairs AlphabetGrid::pairs() const
{
    return pairsFromColumns(symbolColumn(rows_), changeColumn(rows_));
}

QString AlphabetGrid::text(int row, Column column) const
{
    if (row < 0 || row >= rowCount())
        return {};
    return column == Symbol ? rows_[row].symbol : rows_[row].change;
}

void AlphabetGrid::setText(int row, Column column, const QString &text)
{
    if (row < 0 || row >= rowCount())
        return;
    modified_ = true;
    AlphabetPair &pair = rows_[row];
    if (column == Symbol)
        pair.symbol = leftCharacters(text, kMaxSymbolLength);
    else
        pair.change = leftCharacters(text, kMaxChangeLength);
    const bool blank = isBlankText(pair.symbol + pair.change);
    if (row == rowCount() - 1)
        rows_.emplace_back();
    if (blank)
        rows_.erase(rows_.begin() + row);
}

bool AlphabetGrid::moveRow(int from, int to)
{
    const int last = rowCount() - 1;
    if (from < 0 || to < 0 || from > last || to > last || from == to)
        return false;
    modified_ = true;
    if (from == last || to == last)
        return false;
    AlphabetPair moved = std::move(rows_[from]);
    rows_.erase(rows_.begin() + from);
    rows_.insert(rows_.begin() + to, std::move(moved));
    return true;
}

void AlphabetGrid::clear()
{
    modified_ = true;
    rows_.assign(1, AlphabetPair{});
}

} // namespace qm
