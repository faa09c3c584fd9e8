#include <gtest/gtest.h>

#include <QStringList>
#include <algorithm>
#include <cmath>

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
    }
    for (const char *garbage : {"", "abc", ".", "x:", "Mb"})
        EXPECT_FALSE(cellNumber(QString::fromUtf8(garbage)).has_value()) << garbage;
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
