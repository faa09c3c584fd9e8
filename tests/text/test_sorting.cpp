#include <gtest/gtest.h>

#include <QStringList>
#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

#include "table/rowtable.h"
#include "text/rowsort.h"
#include "text/sortkeys.h"

using namespace qm;
using F = FieldNumber;

namespace {

// One file row per entry: the given cells, Old the entry's first place
// when not given, so an order can be read back from Old alone.
RowTable rowsWith(const QList<QList<std::pair<F, QString>>> &rows)
{
    RowTable t;
    for (const auto &cells : rows) {
        const int r = t.appendRows(1);
        t.setCell(r, F::Old, QString::number(r));
        for (const auto &[field, text] : cells)
            t.setCell(r, field, text);
    }
    return t;
}

RowTable column(F field, const QStringList &texts)
{
    QList<QList<std::pair<F, QString>>> rows;
    for (const QString &text : texts)
        rows.append({{field, text}});
    return rowsWith(rows);
}

QStringList texts(const RowTable &t, F field)
{
    QStringList out;
    for (int r = 1; r <= t.lastFileRow(); ++r)
        out << t.cell(r, field);
    return out;
}

QStringList sortedBy(RowTable t, const SortKeys &keys, F shown)
{
    const auto order = sortedRowOrder(t, keys);
    EXPECT_TRUE(order.has_value());
    if (order)
        applyRowOrder(t, *order);
    return texts(t, shown);
}

} // namespace

TEST(SortKeys, EachCommandHasItsTieBreaksAndSeparateNumberingPutsDirFirst)
{
    struct Case {
        F column;
        bool separate;
        SortKeys keys;
    };
    const Case cases[] = {
        {F::Dir, false, {F::Dir, F::Old, F::Ext}},
        {F::Old, false, {F::Old, F::Ext, F::Dir}},
        {F::New, false, {F::New, F::Ext, F::Dir}},
        {F::Ext, false, {F::Ext, F::Old, F::Dir}},
        {F::Siz, false, {F::Siz, F::Old, F::Dir}},
        {F::Dur, false, {F::Dur, F::Old, F::Dir}},
        {F::Inf, false, {F::Inf, F::Old, F::Dir}},
        {F::Tit, false, {F::Tit}},
        {F::Xxx, false, {F::Xxx}},
        {F::No, false, {}},
        {F::Dir, true, {F::Dir, F::Old, F::Ext}},
        {F::Old, true, {F::Dir, F::Old, F::Ext, F::Dir}},
        {F::Trc, true, {F::Dir, F::Trc}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(sortKeysFor(c.column, c.separate), c.keys)
            << columnCode(c.column).toStdString() << c.separate;
    for (F f : {F::Siz, F::Trc, F::Yea, F::Dur})
        EXPECT_TRUE(isNumericSortKey(f));
    for (F f : {F::Ory, F::Inf, F::Tit, F::Dir})
        EXPECT_FALSE(isNumericSortKey(f));
}

TEST(SortKeys, NumberOfACell)
{
    const std::pair<const char *, double> numbers[] = {
        {"03:45", 3.45},   {"1:02:03", 102.03}, {"4.52 Mb", 4.52},
        {"2005", 2005},    {"1/12", 1.12},      {"12", 12},
        {"-7", 7},         {"v2.0", 2.0},       {"3221225472", 3221225472.0},
        {"4,52 Mb", 4.52}, {"1 2 3", 12.3},
    };
    for (const auto &[text, value] : numbers) {
        const auto n = cellNumber(QString::fromUtf8(text));
        ASSERT_TRUE(n.has_value()) << text;
        EXPECT_DOUBLE_EQ(*n, value) << text;
        EXPECT_EQ(cellNumber(QByteArrayView(text)), n) << text;
    }
    for (const char *garbage : {"", "abc", ".", "x:", "Mb"})
        EXPECT_FALSE(cellNumber(QString::fromUtf8(garbage)).has_value()) << garbage;
    // From UTF-8 a character counts as its UTF-16 units, as in a QString.
    for (const char *text : {"é5:3", "𝄞5:3", "5𝄞3:4", "ё1.2.3"})
        EXPECT_EQ(cellNumber(QByteArrayView(text)), cellNumber(QString::fromUtf8(text))) << text;
}

TEST(SortKeys, OnlyWholeTracksOneToNineAreZeroFilled)
{
    RowTable t = column(F::Trc, {"3", "12", "1/12", "", "0", "07", "9", "x"});
    EXPECT_TRUE(zeroFillTracks(t));
    EXPECT_EQ(texts(t, F::Trc), QStringList({"03", "12", "1/12", "", "0", "07", "09", "x"}));
    EXPECT_FALSE(zeroFillTracks(t));
}

TEST(RowSort, NumbersAreOrderedAsNumbersWithEmptyCellsFirst)
{
    // Sizes past 2^24 and 2^31 bytes must keep their order.
    const QStringList sizes = {"3221225472", "16777217", "",    "16777216",
                               "2147483648", "900",      "abc", "4294967296"};
    EXPECT_EQ(sortedBy(column(F::Siz, sizes), {F::Siz}, F::Siz),
              QStringList({"", "abc", "900", "16777216", "16777217", "2147483648", "3221225472",
                           "4294967296"}));
    EXPECT_EQ(sortedBy(column(F::Dur, {"1:02:03", "03:45", "10:00", "0:59"}), {F::Dur}, F::Dur),
              QStringList({"0:59", "03:45", "10:00", "1:02:03"}));
}

TEST(RowSort, TextIgnoresCaseAndKeepsEqualRowsInOrder)
{
    // «b», «A», «a»: case ignored, «A» stays above «a».
    EXPECT_EQ(sortedBy(column(F::Tit, {"b", "A", "a"}), {F::Tit}, F::Tit),
              QStringList({"A", "a", "b"}));
    EXPECT_EQ(sortedBy(column(F::Tit, {"a", "B", "A", "b"}), {F::Tit}, F::Tit),
              QStringList({"a", "A", "B", "b"}));
    // Cyrillic in its alphabet order, ё beside е, capitals beside small letters.
    EXPECT_EQ(sortedBy(column(F::Art, {"Ж", "ё", "е", "Ё", "а", "Я"}), {F::Art}, F::Art),
              QStringList({"а", "е", "ё", "Ё", "Ж", "Я"}));
    // Rows equal in every key keep their order, whatever the table's size.
    QStringList many;
    for (int i = 0; i < 300; ++i)
        many << (i % 2 ? "x" : "X");
    RowTable t = column(F::Tit, many);
    const auto order = sortedRowOrder(t, {F::Tit});
    ASSERT_TRUE(order);
    EXPECT_TRUE(std::is_sorted(order->begin(), order->end()));
}

TEST(RowSort, LaterKeysOrderOnlyRowsEqualInEarlierOnes)
{
    RowTable t = rowsWith({
        {{F::Dir, "/b/"}, {F::Old, "x"}, {F::Ext, "mp3"}},
        {{F::Dir, "/A/"}, {F::Old, "y"}, {F::Ext, "mp3"}},
        {{F::Dir, "/a/"}, {F::Old, "x"}, {F::Ext, "mp3"}},
        {{F::Dir, "/a/"}, {F::Old, "x"}, {F::Ext, "wav"}},
        {{F::Dir, "/a/"}, {F::Old, "x"}, {F::Ext, "MP3"}},
    });
    // Folders equal but for case are one group, ordered by name and extension.
    applyRowOrder(t, *sortedRowOrder(t, sortKeysFor(F::Dir, false)));
    EXPECT_EQ(texts(t, F::Dir), QStringList({"/a/", "/a/", "/a/", "/A/", "/b/"}));
    EXPECT_EQ(texts(t, F::Ext), QStringList({"mp3", "MP3", "wav", "mp3", "mp3"}));
    // Under separate numbering a sort by name keeps each folder together.
    applyRowOrder(t, *sortedRowOrder(t, sortKeysFor(F::Old, true)));
    EXPECT_EQ(texts(t, F::Old), QStringList({"x", "x", "x", "y", "x"}));
    EXPECT_EQ(texts(t, F::Dir), QStringList({"/a/", "/a/", "/a/", "/A/", "/b/"}));
}

TEST(RowSort, StopLeavesNoOrderAndShortTablesSortAtOnce)
{
    RowTable t = column(F::Tit, {"b", "a"});
    int reports = 0;
    EXPECT_FALSE(sortedRowOrder(t, {F::Tit}, {[&](int, int, int, int) { return ++reports < 2; }}));
    RowTable one = column(F::Tit, {"z"});
    EXPECT_EQ(sortedRowOrder(one, {F::Tit}), RowOrder({1}));
    RowTable none;
    EXPECT_EQ(sortedRowOrder(none, {F::Tit}), RowOrder());
}

TEST(RowSort, ShuffleIsAPermutationAndApplyMovesWholeRows)
{
    QStringList names;
    for (int i = 1; i <= 500; ++i)
        names << QString::number(i);
    RowTable t = column(F::Tit, names);
    const RowOrder order = shuffledRowOrder(t, 42);
    RowOrder sorted = order;
    std::sort(sorted.begin(), sorted.end());
    RowOrder identity(500);
    for (int i = 0; i < 500; ++i)
        identity[size_t(i)] = i + 1;
    EXPECT_EQ(sorted, identity);
    EXPECT_NE(order, identity);
    applyRowOrder(t, order);
    for (int r = 1; r <= 500; ++r) {
        EXPECT_EQ(t.cell(r, F::Tit), QString::number(order[size_t(r - 1)]));
        EXPECT_EQ(t.cell(r, F::Old), t.cell(r, F::Tit)); // the row moved whole
    }
    EXPECT_EQ(t.rowCount(), 502);
    EXPECT_TRUE(t.cell(t.blankRow(), F::Tit).isEmpty());
}

TEST(RowSort, OrderIsTheCollatorsAndTheNumbersOverMixedTexts)
{
    // Texts of every kind the ranking treats apart (plain ASCII, Cyrillic,
    // other scripts, ё/е and й/и in either place, accents, case, punctuation, digits, control and
    // zero-width characters, a lone surrogate, empty cells), drawn at random
    // into three keys, against a plain stable sort by the collator and the
    // cells' numbers.
    const QStringList pool = {
        "",           "a",        "A",
        "b",          "B",        "ab",
        "aB",         "a b",      "a-b",
        "a_b",        "a.b",      "ab ",
        " ab",        "abc",      "Abc",
        "z",          "Z9",       "9",
        "10",         "09",       "1:02:03",
        "03:45",      "4.52 Mb",  "4,52 Mb",
        "~",          "!",        "(x)",
        "[x]",        "ch",       "ci",
        "hz",         "ll",       "aa",
        "å",          "á",        "ä",
        "Ä",          "e",        "é",
        "е",          "ё",        "Ё",
        "Е",          "ж",        "Ж",
        "ёлка",       "елка",     "Ёлка",
        "еловый",     "Любовь",   "любовь 2",
        "night 12",   "night 2",  "River",
        "river",      "a\tb",     "a\u0001b",
        "a\u200Bb",   "ab\u0301", "\u00C5ngstr",
        "日本",       "𝄞 5",      QString(QChar(0xD800)) + "x",
        "\uFEFFbom",  "-7",       "v2.0",
        "3221225472", "её",       "ёе",
        "ее",         "ий",       "йи",
        "ѐб",         "еа",       "Ѐ",
        "ї",          "і",        "Ўа",
        "уб",         "ё б",      "е-а",
    };
    const F keys[] = {F::Tit, F::Siz, F::Old};
    quint64 x = 0x9E3779B97F4A7C15ull;
    const auto next = [&x] {
        x ^= x << 13;
        x ^= x >> 7;
        x ^= x << 17;
        return x;
    };
    RowTable t;
    for (int i = 0; i < 3000; ++i) {
        const int r = t.appendRows(1);
        t.setCell(r, F::Dir, QString::number(r)); // the row's first place
        for (F key : keys)
            t.setCell(r, key, pool[qsizetype(next() % quint64(pool.size()))]);
    }
    // Locales whose tailorings join, reorder or ignore ASCII letters too.
    const QLocale system;
    for (const char *locale : {"en_US", "ru_RU", "cs_CZ", "hu_HU", "da_DK", "lt_LT", "sv_SE"}) {
        QLocale::setDefault(QLocale(QString::fromLatin1(locale)));
        const QCollator collator = textCollator();
        const auto compare = [&](int a, int b, F key) {
            const QString x = t.cell(a, key), y = t.cell(b, key);
            if (!isNumericSortKey(key))
                return collator.compare(x, y);
            const double inf = std::numeric_limits<double>::infinity();
            const double m = cellNumber(x).value_or(-inf), n = cellNumber(y).value_or(-inf);
            return m < n ? -1 : n < m ? 1 : 0;
        };
        for (const SortKeys &order : {SortKeys{F::Tit}, SortKeys{F::Siz}, SortKeys{F::Tit, F::Old},
                                      SortKeys{F::Old, F::Siz, F::Tit}}) {
            RowOrder expected(size_t(t.fileRowCount()));
            std::iota(expected.begin(), expected.end(), 1);
            std::stable_sort(expected.begin(), expected.end(), [&](int a, int b) {
                for (F key : order)
                    if (const int c = compare(a, b, key))
                        return c < 0;
                return false;
            });
            EXPECT_EQ(sortedRowOrder(t, order), expected) << locale << " " << order.size();
        }
    }
    QLocale::setDefault(system);
}
