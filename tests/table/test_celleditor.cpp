#include "edittesthelpers.h"
#include "table/celleditor.h"

#include <gtest/gtest.h>

using namespace qm;
using namespace qm::test;
using F = FieldNumber;

namespace {

// The New cells of every file row, analysed with the given scan fields.
QString analyseNew(CellEditor &editor, const RowTable &t, const QList<F> &scan)
{
    return editor.computeEditorText(t, columnRect(t, F::New, 1, t.lastFileRow()), scan);
}

RowTable trackTitle()
{
    return tableOf({{{F::New, "01 - Song"}, {F::Trc, "01"}, {F::Tit, "Song"}},
                    {{F::New, "02 - Other"}, {F::Trc, "02"}, {F::Tit, "Other"}}});
}

} // namespace

TEST(EditorInference, FieldsFromBothEndsAndTheVariableMiddle)
{
    RowTable t = trackTitle();
    CellEditor editor;
    EXPECT_EQ(analyseNew(editor, t, {F::Trc, F::Tit}), "%TR - %TT");
    EXPECT_TRUE(editor.variableParts().isEmpty());
    // The scan order decides between fields holding the same value.
    EXPECT_EQ(analyseNew(editor, t, defaultScanFields()), "%NS - %TT");

    RowTable years = tableOf({{{F::New, "Song (2001)"}, {F::Yea, "2001"}},
                              {{F::New, "Other (1999)"}, {F::Yea, "1999"}}});
    EXPECT_EQ(analyseNew(editor, years, {F::Yea}), "<var> (%YE)");
    EXPECT_EQ(editor.variableParts(), QStringList({"Song", "Other"}));

    // Adjacent codes at the end.
    RowTable pair = tableOf({{{F::New, "x AB"}, {F::Art, "A"}, {F::Alb, "B"}},
                             {{F::New, "y CD"}, {F::Art, "C"}, {F::Alb, "D"}}});
    EXPECT_EQ(analyseNew(editor, pair, {F::Art, F::Alb}), "<var> %AR%AL");
}

TEST(EditorInference, CaseEmptyFieldsAndSelectedColumns)
{
    // A-Z compare without case, other letters exactly; Alb is empty in every
    // row and never shows up, Art is empty in one row only.
    RowTable t =
        tableOf({{{F::New, "ARTIST-01-Пе"}, {F::Art, "Artist"}, {F::Trc, "01"}, {F::Tit, "пе"}},
                 {{F::New, "-02-Пе"}, {F::Trc, "02"}, {F::Tit, "пе"}}});
    CellEditor editor;
    EXPECT_EQ(analyseNew(editor, t, {F::Alb, F::Art, F::Trc, F::Tit}), "%AR-%TR-Пе");

    // A column inside the selection is not looked for; cells come column by
    // column, and a selection reaching the blank last row leaves it out.
    RowTable two =
        tableOf({{{F::Ext, "mp3"}, {F::Tit, "mp3"}}, {{F::Ext, "ogg"}, {F::Tit, "ogg"}}});
    EXPECT_EQ(editor.computeEditorText(two, columnsRect(two, F::Ext, F::Tit, 1, two.blankRow()),
                                       {F::Tit}),
              "<var>");
    EXPECT_EQ(editor.variableParts(), QStringList({"mp3", "ogg", "mp3", "ogg"}));
}

TEST(EditorInference, OverlappingPrefixAndSuffixStillReproduceEveryCell)
{
    // In "ab" the prefix "a" and the suffix "b" of "aab" would overlap.
    RowTable t = tableOf({{{F::New, "aab"}}, {{F::New, "ab"}}});
    CellEditor editor;
    EXPECT_EQ(analyseNew(editor, t, {}), "a<var>b");
    editor.applyText(t, "a<var>bx");
    EXPECT_EQ(columnTexts(t, F::New), QStringList({"aabx", "abx", ""}));

    // A value found at the end must not reach into the common prefix.
    RowTable v = tableOf({{{F::New, "ab"}, {F::Tit, "ab"}}, {{F::New, "ac"}, {F::Tit, "c"}}});
    EXPECT_EQ(analyseNew(editor, v, {F::Tit}), "a<var>");
    editor.applyText(v, "a<var>!");
    EXPECT_EQ(columnTexts(v, F::New), QStringList({"ab!", "ac!", ""}));
}

TEST(EditorInference, ACharacterBeyondTheBmpIsNeverSplit)
{
    // 😀 and 😁 share their first UTF-16 unit, 🈀 and 😀 their last.
    CellEditor editor;
    RowTable front = tableOf({{{F::New, "😀x"}}, {{F::New, "😁y"}}});
    EXPECT_EQ(analyseNew(editor, front, {}), "<var>");
    editor.applyText(front, "Z<var>");
    EXPECT_EQ(columnTexts(front, F::New), QStringList({"Z😀x", "Z😁y", ""}));

    RowTable back = tableOf({{{F::New, "a🈀"}}, {{F::New, "b😀"}}});
    EXPECT_EQ(analyseNew(editor, back, {}), "<var>");
    RowTable both = tableOf({{{F::New, "😀a😀"}}, {{F::New, "😀b😀"}}});
    EXPECT_EQ(analyseNew(editor, both, {}), "😀<var>😀");
}

TEST(EditorExpansion, CodesBeforeAndAfterTheVariablePart)
{
    RowTable t = trackTitle();
    CellEditor editor;
    analyseNew(editor, t, {F::Trc, F::Tit});
    editor.applyText(t, "%TR. %TT");
    EXPECT_EQ(columnTexts(t, F::New), QStringList({"01. Song", "02. Other", ""}));

    RowTable y =
        tableOf({{{F::New, "Song (2001)"}, {F::Yea, "2001"}, {F::Trc, "1"}, {F::Art, "A"}},
                 {{F::New, "Other (1999)"}, {F::Yea, "1999"}, {F::Trc, "2"}, {F::Art, "B"}}});
    analyseNew(editor, y, {F::Yea});
    editor.applyText(y, "<var> [%YE]");
    EXPECT_EQ(columnTexts(y, F::New), QStringList({"Song [2001]", "Other [1999]", ""}));
    editor.applyText(y, "%AR%TR: <var> %YE-%TR%AR");
    EXPECT_EQ(columnTexts(y, F::New), QStringList({"A1: Song 2001-1A", "B2: Other 1999-2B", ""}));
    // Only the first "<var>" stands for the middle part.
    editor.applyText(y, "<var>=<var>");
    EXPECT_EQ(columnTexts(y, F::New), QStringList({"Song=<var>", "Other=<var>", ""}));

    // One empty cell makes the whole text variable.
    RowTable e = tableOf({{{F::Tit, "T"}}, {{F::New, "abc"}, {F::Tit, "T"}}});
    EXPECT_EQ(analyseNew(editor, e, defaultScanFields()), "<var>");
    editor.applyText(e, "x<var>");
    EXPECT_EQ(columnTexts(e, F::New), QStringList({"x", "xabc", ""}));
}

TEST(EditorExpansion, LiteralTextEmptyTextAndTheBaseline)
{
    RowTable t = tableOf({{{F::Ext, "mp3"}, {F::Tit, "One"}}, {{F::Ext, "ogg"}, {F::Tit, "Two"}}});
    CellEditor editor;
    // A code of a selected column, lower-case letters and broken codes stay.
    editor.computeEditorText(t, columnsRect(t, F::Ext, F::Tit, 1, 2), {});
    editor.applyText(t, "%TT %tt %E %");
    EXPECT_EQ(columnTexts(t, F::Tit), QStringList({"%TT %tt %E %", "%TT %tt %E %", ""}));
    EXPECT_EQ(columnTexts(t, F::Ext), columnTexts(t, F::Tit));
    for (const QString text : {"%%TT", "<var>%", "%T%TTT", "<var>%T%TTT", "%%%"})
        editor.applyText(t, text); // odd neighbours of codes do not break anything

    // Without a variable part "<var>" is literal; the baseline writes nothing.
    RowTable same = tableOf({{{F::New, "a"}}, {{F::New, "a"}}});
    editor.computeEditorText(same, columnRect(same, F::New, 1, 2));
    EXPECT_EQ(editor.baseline(), "a");
    editor.applyText(same, "a<var>");
    EXPECT_EQ(columnTexts(same, F::New), QStringList({"a<var>", "a<var>", ""}));
    same.setCell(1, F::New, "changed elsewhere");
    editor.setBaseline("b");
    editor.applyText(same, "b");
    EXPECT_EQ(same.cell(1, F::New), "changed elsewhere");
    editor.applyText(same, "");
    EXPECT_EQ(columnTexts(same, F::New), QStringList({"", "", ""}));
}

TEST(EditorUndo, UndoGoesBackOneStepAndAgainRedoes)
{
    RowTable t = tableOf({{{F::New, "abX"}}, {{F::New, "abY"}}});
    CellEditor editor;
    const QString shown = analyseNew(editor, t, {});
    EXPECT_EQ(editor.editBoxText(t, shown, 2, 0, "c"), "abc<var>");
    EXPECT_EQ(columnTexts(t, F::New), QStringList({"abcX", "abcY", ""}));
    EXPECT_EQ(editor.undo(t, "abc<var>"), "ab<var>");
    EXPECT_EQ(columnTexts(t, F::New), QStringList({"abX", "abY", ""}));
    EXPECT_EQ(editor.undo(t, "ab<var>"), "abc<var>");
    EXPECT_EQ(columnTexts(t, F::New), QStringList({"abcX", "abcY", ""}));

    EXPECT_EQ(editor.editBoxText(t, "abc<var>", 0, 3, editorPasteText("%NS\r\nsecond")),
              "%NS<var>");
    EXPECT_EQ(columnTexts(t, F::New), QStringList({"01X", "02Y", ""}));
    for (QChar c : {u'Z', u'7', u'_', u'.', u'\b', u'ж'})
        EXPECT_TRUE(CellEditor::storesUndoText(c)) << int(c.unicode());
    for (QChar c : {u' ', u'-', u'%'})
        EXPECT_FALSE(CellEditor::storesUndoText(c)) << int(c.unicode());
}

TEST(EditorExit, TypingIntoTheBlankRowAddsARowAndEmptiedRowsGo)
{
    RowTable t = tableOf({{{F::New, "a"}}, {{F::New, "b"}}});
    CellEditor editor;
    const CellRect blank = columnRect(t, F::New, t.blankRow(), t.blankRow());
    EXPECT_EQ(editor.computeEditorText(t, blank), "");
    editor.applyText(t, "c");
    editor.finishEditing(t, blank, Numbering{});
    EXPECT_EQ(columnTexts(t, F::New), QStringList({"a", "b", "c", ""}));
    EXPECT_EQ(t.cell(3, F::No), "03");
    EXPECT_TRUE(editor.baseline().isEmpty());

    const CellRect first = columnRect(t, F::New, 1, 2);
    editor.computeEditorText(t, first);
    editor.applyText(t, "");
    editor.finishEditing(t, first, Numbering{});
    EXPECT_EQ(columnTexts(t, F::New), QStringList({"c", ""}));
    EXPECT_EQ(t.cell(1, F::No), "01");
}
