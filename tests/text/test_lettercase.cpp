#include "edittesthelpers.h"
#include "text/lettercase.h"

#include <gtest/gtest.h>

using namespace qm;
using namespace qm::test;
using F = FieldNumber;

TEST(LetterCase, FourModesOverDelimitersDigitsAndScripts)
{
    struct Case {
        const char16_t *text;
        CaseMode mode;
        const char16_t *expected;
    };
    const Case cases[] = {
        {u"the end", CaseMode::Words, u"The End"},
        {u"2nd part", CaseMode::Words, u"2Nd Part"},
        {u"rock'n'roll", CaseMode::Words, u"Rock'n'roll"},
        {u"a1b2", CaseMode::Words, u"A1B2"},
        {u"ёлка-палка", CaseMode::Words, u"Ёлка-Палка"},
        {u"СЛОВО с ЗАГЛАВНОЙ", CaseMode::Words, u"СЛОВО С ЗАГЛАВНОЙ"},
        // Every delimiter opens a word; "№" is one of them.
        {u"a,b;c:d.e!f?g(h)i-j_k\"l\\m&n#o@p[q]r\ts№t$u%v^w*x=y+z/a|b{c}d<e>f`g~h\ri\nj",
         CaseMode::Words,
         u"A,B;C:D.E!F?G(H)I-J_K\"L\\M&N#O@P[Q]R\tS№T$U%V^W*X=Y+Z/A|B{C}D<E>F`G~H\rI\nJ"},
        // Only ASCII digits count: an Arabic-Indic three opens no word.
        {u"\u0663a 3b", CaseMode::Words, u"\u0663a 3B"},
        {u"01 - the end", CaseMode::Sentence, u"01 - The end"},
        {u"...hello", CaseMode::Sentence, u"...Hello"},
        {u"123", CaseMode::Sentence, u"123"},
        {u"", CaseMode::Sentence, u""},
        {u"«ёлка» Палка", CaseMode::Sentence, u"«ёлка» Палка"}, // « is a character of its own
        {u"ωμέγα and ǆungla", CaseMode::Words, u"Ωμέγα And ǅungla"},
        {u"Ёлка Straße ΑΒΓ", CaseMode::Lower, u"ёлка straße αβγ"},
        {u"ёлка straße 1a", CaseMode::Upper, u"ЁЛКА STRASSE 1A"},
        {u"𐐨𐐯 ok", CaseMode::Words, u"𐐀𐐯 Ok"}, // a letter outside the 16-bit range
    };
    for (const Case &c : cases) {
        EXPECT_EQ(convertCase(QString::fromUtf16(c.text), c.mode), QString::fromUtf16(c.expected))
            << QString::fromUtf16(c.text).toStdString();
    }
    EXPECT_EQ(wordDelimiters().size(), 36);
}

TEST(LetterCase, SelectionLeavesTheBlankLastRowAndOtherColumnsAlone)
{
    RowTable t = tableOf({{{F::Tit, "one"}, {F::Art, "x"}}, {{F::Tit, "two"}, {F::Art, "y"}}});
    t.setCell(t.blankRow(), F::Tit, "blank");
    const CellRect changed =
        convertCase(t, columnRect(t, F::Tit, 1, t.blankRow()), CaseMode::Upper);
    EXPECT_EQ(columnTexts(t, F::Tit), QStringList({"ONE", "TWO", "blank"}));
    EXPECT_EQ(columnTexts(t, F::Art), QStringList({"x", "y", ""}));
    EXPECT_EQ(changed.top, 1);
    EXPECT_EQ(changed.bottom, 2);

    EXPECT_TRUE(convertCase(t, columnRect(t, F::Tit, t.blankRow(), t.blankRow()), CaseMode::Lower)
                    .isEmpty());
    EXPECT_EQ(t.cell(t.blankRow(), F::Tit), "blank");
    RowTable empty;
    EXPECT_TRUE(convertCase(empty, columnRect(empty, F::Tit, 1, 1), CaseMode::Words).isEmpty());
}
