#include "edittesthelpers.h"
#include "settings/inifile.h"
#include "text/alphabet.h"
#include "text/alphabetbook.h"
#include "text/commatext.h"
#include "text/variants.h"

#include <QDir>
#include <QFile>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace qm;
using namespace qm::test;

namespace {

QString fileText(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

TEST(Alphabet, BuiltinTranslitHasTheThirtyThreePairsInOrder)
{
    const AlphabetPairs &pairs = builtinAlphabet();
    ASSERT_EQ(pairs.size(), 33u);
    EXPECT_EQ(pairs.front(), (AlphabetPair{u"а"_qs, u"a"_qs}));
    EXPECT_EQ(pairs[26], (AlphabetPair{u"щ"_qs, u"sh'"_qs}));
    EXPECT_EQ(pairs[27], (AlphabetPair{u"ъ"_qs, u"`"_qs}));
    EXPECT_EQ(pairs[29], (AlphabetPair{u"ь"_qs, u"'"_qs}));
    EXPECT_EQ(pairs.back(), (AlphabetPair{u"я"_qs, u"ya"_qs}));
    // The file's columns: header, 33 items, the blank last row.
    const QStringList symbols = symbolColumn(pairs);
    EXPECT_EQ(symbols.size(), 35);
    EXPECT_EQ(symbols.front(), u"Символ"_qs);
    EXPECT_EQ(symbols.back(), QString());
    EXPECT_EQ(pairsFromColumns(symbols, changeColumn(pairs)), pairs);
}

TEST(Alphabet, ReplaceAndRestoreByTranslit)
{
    const AlphabetMap map(builtinAlphabet());
    const std::pair<const char16_t *, const char16_t *> replaced[] = {
        {u"Щука", u"SH'uka"}, {u"Жизнь", u"Jizn'"}, {u"Ёж", u"Ej"},
        {u"ЮЛЯ", u"YULYA"},   {u"ё", u"e"},         {u"Track 07 - abc", u"Track 07 - abc"},
        {u"", u""},           {u"𐐨ы", u"𐐨i"},
    };
    for (const auto &[text, expected] : replaced)
        EXPECT_EQ(map.replace(QString::fromUtf16(text)), QString::fromUtf16(expected))
            << QString::fromUtf16(text).toStdString();

    const std::pair<const char16_t *, const char16_t *> restored[] = {
        {u"SH'uka", u"Щука"}, {u"Shema", u"Шема"}, {u"ezh", u"езх"}, // no pair has "zh"
        {u"sh'", u"щ"},       {u"sh", u"ш"},       {u"s'", u"сь"},
        {u"e", u"е"},                           // the first row with "e" wins
        {u"Ceh", u"Цех"},     {u"Сeh", u"Сех"}, // a Cyrillic С stays
        {u"42 ёж", u"42 ёж"}, {u"YULYA", u"ЮЛЯ"},
    };
    for (const auto &[text, expected] : restored)
        EXPECT_EQ(map.restore(QString::fromUtf16(text)), QString::fromUtf16(expected))
            << QString::fromUtf16(text).toStdString();
}

TEST(Alphabet, FirstRowWinsAndEmptyChangesDropSymbols)
{
    const AlphabetMap map(
        {{u"x"_qs, u"1"_qs}, {u"X"_qs, u"2"_qs}, {u"y"_qs, QString()}, {u"z"_qs, u"1"_qs}});
    EXPECT_EQ(map.replace(u"xXyz"_qs), u"111"_qs);
    EXPECT_EQ(map.restore(u"1"_qs), u"x"_qs);
}

TEST(AlphabetGrid, EditingRules)
{
    AlphabetGrid grid;
    grid.setText(0, AlphabetGrid::Symbol, u"ab"_qs);
    EXPECT_EQ(grid.text(0, AlphabetGrid::Symbol), u"a"_qs);
    EXPECT_EQ(grid.rowCount(), 2); // typing into the blank row added one
    grid.setText(0, AlphabetGrid::Change, u"abcd"_qs);
    EXPECT_EQ(grid.text(0, AlphabetGrid::Change), u"abc"_qs);
    grid.setText(1, AlphabetGrid::Symbol, u"b"_qs);
    grid.setText(1, AlphabetGrid::Change, u"B"_qs);
    EXPECT_EQ(grid.rowCount(), 3);
    EXPECT_TRUE(grid.modified());

    // Blank rows go; moves of or onto the blank row do not stand.
    const AlphabetPairs before = grid.pairs();
    EXPECT_FALSE(grid.moveRow(2, 0));
    EXPECT_FALSE(grid.moveRow(0, 2));
    EXPECT_EQ(grid.pairs(), before);
    EXPECT_TRUE(grid.moveRow(1, 0));
    EXPECT_EQ(grid.pairs(), (AlphabetPairs{{u"b"_qs, u"B"_qs}, {u"a"_qs, u"abc"_qs}}));
    grid.setText(0, AlphabetGrid::Symbol, QString());
    grid.setText(0, AlphabetGrid::Change, u" \t"_qs);
    EXPECT_EQ(grid.rowCount(), 2);
    EXPECT_EQ(grid.pairs(), (AlphabetPairs{{u"a"_qs, u"abc"_qs}}));

    grid.clear();
    EXPECT_EQ(grid.rowCount(), 1);
    grid.load(builtinAlphabet());
    EXPECT_FALSE(grid.modified());
    EXPECT_EQ(grid.rowCount(), 34);
}

TEST(AlphabetBook, MissingFileGivesTranslitAndSaveWritesCommaTextWithCrLf)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"Runeswap.ini"_qs);
    AlphabetBook book(path);
    EXPECT_FALSE(book.load());
    EXPECT_EQ(book.names(), QStringList{u"Транслит"_qs});
    EXPECT_EQ(book.pairs(), builtinAlphabet());
    ASSERT_TRUE(book.save(book.pairs()));
    const QString text = fileText(path);
    EXPECT_TRUE(text.contains(u"[Alphabet]\r\nAlphabets Names=Транслит\r\nCurrent Alphabet=0\r\n"
                              u"Транслит Symbols=Символ,а,б,в,"_qs))
        << text.toStdString();
    EXPECT_TRUE(text.contains(u",yu,ya,\r\n"_qs)) << text.toStdString();

    // A second alphabet whose name needs quotes survives a reload.
    const AlphabetPairs mine{{u"a"_qs, u"α"_qs}, {u"b"_qs, u"β, \"x\""_qs}};
    EXPECT_EQ(book.addName(u"My greek"_qs), 0);
    ASSERT_TRUE(book.save(mine));
    AlphabetBook again(path);
    ASSERT_TRUE(again.load());
    EXPECT_EQ(again.names(), (QStringList{u"My greek"_qs, u"Транслит"_qs}));
    EXPECT_EQ(again.currentName(), u"My greek"_qs);
    EXPECT_EQ(again.pairs(), mine);
    EXPECT_TRUE(fileText(path).contains(u"Alphabets Names=\"My greek\",Транслит"_qs));

    // Switching away saves the table being left, and back finds it again.
    ASSERT_TRUE(again.select(1, {{u"c"_qs, u"γ"_qs}}));
    EXPECT_EQ(again.pairs(), builtinAlphabet());
    ASSERT_TRUE(again.select(0, again.pairs()));
    EXPECT_EQ(again.pairs(), (AlphabetPairs{{u"c"_qs, u"γ"_qs}}));

    EXPECT_TRUE(again.removeCurrent());
    EXPECT_EQ(again.names(), QStringList{u"Транслит"_qs});
    EXPECT_FALSE(again.removeCurrent());
    EXPECT_FALSE(fileText(path).contains(u"My greek"_qs));
}

TEST(AlphabetBook, TwoWindowsKeepEachOthersAlphabets)
{
    // Two windows read the file at start; what one saves or removes later
    // survives the other's next change.
    QTemporaryDir dir;
    const QString path = dir.filePath(u"Runeswap.ini"_qs);
    AlphabetBook first(path);
    AlphabetBook second(path);
    first.load();
    second.load();
    const AlphabetPairs mine{{u"a"_qs, u"α"_qs}};
    first.addName(u"Mine"_qs);
    ASSERT_TRUE(first.save(mine));
    second.addName(u"Other"_qs);
    ASSERT_TRUE(second.save({{u"o"_qs, u"ο"_qs}}));
    EXPECT_EQ(second.names(), (QStringList{u"Mine"_qs, u"Other"_qs, u"Транслит"_qs}));
    EXPECT_EQ(second.currentName(), u"Other"_qs);
    ASSERT_TRUE(second.select(second.indexOf(u"Транслит"_qs), second.pairs()));
    EXPECT_EQ(second.currentName(), u"Транслит"_qs);

    ASSERT_TRUE(first.removeCurrent());
    EXPECT_EQ(first.names(), (QStringList{u"Other"_qs, u"Транслит"_qs}));
    ASSERT_TRUE(second.save(second.pairs()));
    AlphabetBook reread(path);
    ASSERT_TRUE(reread.load());
    EXPECT_EQ(reread.names(), (QStringList{u"Other"_qs, u"Транслит"_qs}));
    EXPECT_EQ(reread.readPairs(u"Other"_qs), (AlphabetPairs{{u"o"_qs, u"ο"_qs}}));
    EXPECT_FALSE(fileText(path).contains(u"Mine"_qs));
}

TEST(AlphabetBook, MissingKeysLegacyCodePageAndUnwritableFile)
{
    // Missing keys: the names default to "Транслит", a table to empty.
    AlphabetBook book;
    book.parse("[Alphabet]\r\nCurrent Alphabet=7\r\n");
    EXPECT_EQ(book.names(), QStringList{u"Транслит"_qs});
    EXPECT_EQ(book.current(), 0);
    EXPECT_TRUE(book.pairs().empty());

    // A file of the Windows program, in Windows-1251.
    IniFile::setLegacyDecoder([](QByteArrayView bytes) {
        return QStringDecoder("windows-1251").decode(bytes).operator QString();
    });
    QTemporaryDir dir;
    const QString path = dir.filePath(u"Runeswap.ini"_qs);
    const QString legacy =
        u"[Alphabet]\r\nAlphabets Names=Транслит\r\nCurrent Alphabet=0\r\n"
        u"Транслит Symbols=Символ,ж,\"\"\r\nТранслит Changes=Замена,zh,\"\"\r\n"_qs;
    ASSERT_TRUE(writeBytes(path, QStringEncoder("windows-1251").encode(legacy)));
    AlphabetBook windows(path);
    ASSERT_TRUE(windows.load());
    IniFile::setLegacyDecoder(nullptr);
    EXPECT_EQ(windows.pairs(), (AlphabetPairs{{u"ж"_qs, u"zh"_qs}}));

    // A folder where the file should be: the write fails, the table holds.
    AlphabetBook blocked(dir.path());
    EXPECT_FALSE(blocked.save({{u"q"_qs, u"k"_qs}}));
    EXPECT_EQ(blocked.pairs(), (AlphabetPairs{{u"q"_qs, u"k"_qs}}));
}

TEST(Variants, GroupsOfTranslitAndTheWalk)
{
    const VariantGroups groups = variantGroups(builtinAlphabet());
    EXPECT_EQ(groups.keys, (QStringList{u"е"_qs, u"ё"_qs, u"и"_qs}));
    ASSERT_EQ(groups.groups.size(), 3u);
    EXPECT_EQ(groups.groups[0], (QStringList{u"е"_qs, u"ё"_qs, u"э"_qs}));
    EXPECT_EQ(groups.groups[1], (QStringList{u"ё"_qs, u"э"_qs}));
    EXPECT_EQ(groups.groups[2], (QStringList{u"и"_qs, u"ы"_qs}));
    EXPECT_EQ(groups.alternatives(u"Е"_qs), (QStringList{u"Е"_qs, u"Ё"_qs, u"Э"_qs}));
    EXPECT_TRUE(groups.alternatives(u"э"_qs).isEmpty());
    EXPECT_TRUE(variantGroups({{u"a"_qs, u"1"_qs}, {u"b"_qs, u"2"_qs}}).groups.empty());

    RowTable table = tableOf({{{FieldNumber::Tit, u"Сех"_qs}},
                              {{FieldNumber::Tit, u"нет"_qs}},
                              {{FieldNumber::Tit, u"иЕ"_qs}}});
    const CellRect all = columnRect(table, FieldNumber::Tit, 1, table.rowCount() - 1);
    VariantWalk walk(builtinAlphabet());
    walk.restart(all);
    auto stop = walk.next(table, all);
    ASSERT_TRUE(stop);
    EXPECT_EQ(stop->row, 1);
    EXPECT_EQ(stop->position, 1);
    EXPECT_EQ(stop->alternatives, (QStringList{u"е"_qs, u"ё"_qs, u"э"_qs}));
    // A longer text: the walk goes on after the replaced position.
    ASSERT_TRUE(walk.apply(table, u"ээ"_qs));
    EXPECT_EQ(table.cell(1, FieldNumber::Tit), u"Сээх"_qs);
    EXPECT_EQ(walk.next(table, all)->row, 2);
    stop = walk.next(table, all);
    EXPECT_EQ(stop->character, u"и"_qs);
    stop = walk.next(table, all);
    EXPECT_EQ(stop->alternatives, (QStringList{u"Е"_qs, u"Ё"_qs, u"Э"_qs}));
    EXPECT_FALSE(walk.next(table, all));
    walk.restart(all);
    EXPECT_EQ(walk.next(table, all)->row, 2);
}

TEST(Variants, ApplyFollowsTheStopsRowWhenRowsMove)
{
    RowTable table = tableOf({{{FieldNumber::Tit, u"Пир"_qs}}, {{FieldNumber::Tit, u"Мир"_qs}}});
    const CellRect all = columnRect(table, FieldNumber::Tit, 1, 2);
    VariantWalk walk(builtinAlphabet());
    walk.restart(all);
    walk.next(table, all);
    ASSERT_EQ(walk.next(table, all)->row, 2);
    std::vector<Row> rows = table.rows();
    rows.erase(rows.begin() + 1); // the row above is deleted, the rest renumbered
    table.replaceRows(rows);
    table.setCell(1, FieldNumber::No, u"1"_qs);
    ASSERT_TRUE(walk.apply(table, u"ы"_qs));
    EXPECT_EQ(columnTexts(table, FieldNumber::Tit), (QStringList{u"Мыр"_qs, QString()}));
    // A row edited meanwhile is not written; its cell is reviewed again.
    table.setCell(1, FieldNumber::Tit, u"Бис"_qs);
    EXPECT_FALSE(walk.apply(table, u"и"_qs));
    EXPECT_EQ(walk.next(table, all)->text, u"Бис"_qs);
}
