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

} // namespace

TEST(EditorInference, FieldsFoundFromBothEndsBecomeCodes)
{
    RowTable t = tableOf({{{F::New, "01 - Song"}, {F::Trc, "01"}, {F::Tit, "Song"}},
                          {{F::New, "02 - Other"}, {F::Trc, "02"}, {F::Tit, "Other"}}});
    CellEditor editor;
    EXPECT_EQ(analyseNew(editor, t, {F::Trc, F::Tit}), "%TR - %TT");
    EXPECT_TRUE(editor.variableParts().isEmpty());
    // The scan order decides between fields holding the same value.
    EXPECT_EQ(analyseNew(editor, t, defaultScanFields()), "%NS - %TT");

    RowTable years = tableOf({{{F::New, "Song (2001)"}, {F::Yea, "2001"}},
                              {{F::New, "Other (1999)"}, {F::Yea, "1999"}}});
    EXPECT_EQ(analyseNew(editor, years, {F::Yea}), "<var> (%YE)");
    EXPECT_EQ(editor.variableParts(), QStringList({"Song", "Other"}));

    RowTable plain = tableOf({{{F::New, "abX"}}, {{F::New, "abY"}}});
    EXPECT_EQ(analyseNew(editor, plain, defaultScanFields()), "ab<var>");
    EXPECT_EQ(editor.variableParts(), QStringList({"X", "Y"}));
}

TEST(EditorInference, SeveralCodesCaseAndEmptyFields)
{
    // Codes at both ends and in the middle; A-Z compare without case; Alb is
    // empty in every row and never shows up; Art is empty in one row only.
    RowTable t = tableOf({{{F::New, "ARTIST-01-One"}, {F::Art, "Artist"}, {F::Trc, "01"}, {F::Tit, "One"}},
                          {{F::New, "-02-Two"}, {F::Trc, "02"}, {F::Tit, "Two"}}});
    CellEditor editor;
    EXPECT_EQ(analyseNew(editor, t, {F::Alb, F::Art, F::Trc, F::Tit}), "%AR-%TR-%TT");
    EXPECT_TRUE(editor.variableParts().isEmpty());

    // Other letters keep their case.
    RowTable cyr = tableOf({{{F::New, "ПЕСНЯ"}, {F::Tit, "песня"}}, {{F::New, "ПЕСНЯ"}, {F::Tit, "песня"}}});
    EXPECT_EQ(analyseNew(editor, cyr, {F::Tit}), "ПЕСНЯ");

    // Two codes next to each other at the end.
    RowTable pair = tableOf({{{F::New, "x AB"}, {F::Art, "A"}, {F::Alb, "B"}},
                             {{F::New, "y CD"}, {F::Art, "C"}, {F::Alb, "D"}}});
    EXPECT_EQ(analyseNew(editor, pair, {F::Art, F::Alb}), "<var> %AR%AL");
    EXPECT_EQ(editor.variableParts(), QStringList({"x", "y"}));
}

TEST(EditorInference, EmptyCellsAndSelectedColumns)
{
    RowTable t = tableOf({{{F::New, ""}, {F::Tit, "T"}}, {{F::New, "abc"}, {F::Tit, "T"}}});
    CellEditor editor;
    EXPECT_EQ(analyseNew(editor, t, defaultScanFields()), "<var>");
    EXPECT_EQ(editor.variableParts(), QStringList({"", "abc"}));

    RowTable empty = tableOf({{}, {}});
    EXPECT_EQ(analyseNew(editor, empty, defaultScanFields()), "");
    EXPECT_TRUE(editor.variableParts().isEmpty());

    // A column inside the selection is not looked for; cells are taken column
    // by column.
    RowTable two = tableOf({{{F::Ext, "mp3"}, {F::Tit, "mp3"}}, {{F::Ext, "ogg"}, {F::Tit, "ogg"}}});
    EXPECT_EQ(editor.computeEditorText(two, columnsRect(two, F::Ext, F::Tit, 1, 2), {F::Tit, F::Ext}), "<var>");
    EXPECT_EQ(editor.variableParts(), QStringList({"mp3", "ogg", "mp3", "ogg"}));

    // A selection reaching the blank last row leaves it out.
    EXPECT_EQ(editor.computeEditorText(two, columnRect(two, F::Ext, 1, two.blankRow()), {}), "<var>");
    EXPECT_EQ(editor.variableParts().size(), 2);
}

TEST(EditorInference, OverlappingPrefixAndSuffixStillReproduceEveryCell)
{
    // "ab" is a prefix "a" and a suffix "b" that share no character only in
    // the longer cell: the template must not count a character twice.
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

TEST(EditorExpansion, CodesBeforeAndAfterTheVariablePart)
{
    RowTable t = tableOf({{{F::New, "01 - Song"}, {F::Trc, "01"}, {F::Tit, "Song"}, {F::Art, "A1"}},
                          {{F::New, "02 - Other"}, {F::Trc, "02"}, {F::Tit, "Other"}, {F::Art, "A2"}}});
    CellEditor editor;
    analyseNew(editor, t, {F::Trc, F::Tit});
    editor.applyText(t, "%TR. %TT");
    EXPECT_EQ(columnTexts(t, F::New), QStringList({"01. Song", "02. Other", ""}));

    RowTable y = tableOf({{{F::New, "Song (2001)"}, {F::Yea, "2001"}, {F::Trc, "1"}, {F::Art, "A"}},
                          {{F::New, "Other (1999)"}, {F::Yea, "1999"}, {F::Trc, "2"}, {F::Art, "B"}}});
    analyseNew(editor, y, {F::Yea});
    editor.applyText(y, "<var> [%YE]");
    EXPECT_EQ(columnTexts(y, F::New), QStringList({"Song [2001]", "Other [1999]", ""}));
    // Codes on both sides, adjacent codes, a code ending the text.
    editor.applyText(y, "%AR%TR: <var> %YE-%TR%AR");
    EXPECT_EQ(columnTexts(y, F::New), QStringList({"A1: Song 2001-1A", "B2: Other 1999-2B", ""}));

    RowTable plain = tableOf({{{F::New, "abX"}}, {{F::New, "abY"}}});
    analyseNew(editor, plain, {});
    editor.applyText(plain, "abc<var>");
    EXPECT_EQ(columnTexts(plain, F::New), QStringList({"abcX", "abcY", ""}));
    // A second "<var>" is literal text after the split.
    editor.applyText(plain, "<var>=<var>");
    EXPECT_EQ(columnTexts(plain, F::New), QStringList({"X=<var>", "Y=<var>", ""}));
}

TEST(EditorExpansion, LiteralTextEmptyTextAndTheBaseline)
{
    RowTable t = tableOf({{{F::Ext, "mp3"}, {F::Tit, "One"}}, {{F::Ext, "ogg"}, {F::Tit, "Two"}}});
    CellEditor editor;
    // A code of a selected column, lower-case letters and broken codes stay
    // as typed; without a variable part "<var>" is literal too.
    editor.computeEditorText(t, columnsRect(t, F::Ext, F::Tit, 1, 2), {});
    editor.applyText(t, "%TT %tt %E %");
    EXPECT_EQ(columnTexts(t, F::Tit), QStringList({"%TT %tt %E %", "%TT %tt %E %", ""}));
    EXPECT_EQ(columnTexts(t, F::Ext), QStringList({"%TT %tt %E %", "%TT %tt %E %", ""}));

    RowTable same = tableOf({{{F::New, "a"}}, {{F::New, "a"}}});
    editor.computeEditorText(same, columnRect(same, F::New, 1, 2));
    EXPECT_EQ(editor.baseline(), "a");
    editor.applyText(same, "a<var>");
    EXPECT_EQ(columnTexts(same, F::New), QStringList({"a<var>", "a<var>", ""}));

    // The baseline itself writes nothing; the empty text empties the cells.
    same.setCell(1, F::New, "changed elsewhere");
    editor.setBaseline("b");
    editor.applyText(same, "b");
    EXPECT_EQ(same.cell(1, F::New), "changed elsewhere");
    editor.applyText(same, "");
    EXPECT_EQ(columnTexts(same, F::New), QStringList({"", "", ""}));
}

TEST(EditorExpansion, EmptyOrOneSidedVariablePartsFollowTheCells)
{
    RowTable t = tableOf({{{F::New, ""}}, {{F::New, "abc"}}});
    CellEditor editor;
    analyseNew(editor, t, {});
    editor.applyText(t, "x<var>");
    EXPECT_EQ(columnTexts(t, F::New), QStringList({"x", "xabc", ""}));

    // Codes with odd neighbours do not break the expansion.
    for (const QString text : {"%", "%%TT", "<var>%", "%T%TTT", "<var>%T%TTT", "%%%"}) {
        analyseNew(editor, t, {});
        editor.applyText(t, text);
        EXPECT_EQ(t.rowCount(), 4) << text.toStdString();
    }
}

TEST(EditorUndo, UndoSwapsWithTheTextBeforeTheKeyAndRedoes)
{
    RowTable t = tableOf({{{F::New, "abX"}}, {{F::New, "abY"}}});
    CellEditor editor;
    const QString shown = analyseNew(editor, t, {});
    ASSERT_TRUE(CellEditor::storesUndoText(u'c'));
    editor.setBaseline(shown);
    editor.applyText(t, "abc<var>");
    EXPECT_EQ(editor.undo(t, "abc<var>"), "ab<var>");
    EXPECT_EQ(columnTexts(t, F::New), QStringList({"abX", "abY", ""}));
    EXPECT_EQ(editor.undo(t, "ab<var>"), "abc<var>");
    EXPECT_EQ(columnTexts(t, F::New), QStringList({"abcX", "abcY", ""}));

    for (QChar c : {u'a', u'Z', u'7', u'_', u'.', u'\b', u'ж'})
        EXPECT_TRUE(CellEditor::storesUndoText(c)) << int(c.unicode());
    for (QChar c : {u' ', u'-', u'%', u'<'})
        EXPECT_FALSE(CellEditor::storesUndoText(c)) << int(c.unicode());
}

TEST(EditorExit, TypingIntoTheBlankRowAddsARowAndEmptiedRowsGo)
{
    RowTable t = tableOf({{{F::New, "a"}}, {{F::New, "b"}}});
    const Numbering numbering;
    CellEditor editor;
    const CellRect blank = columnRect(t, F::New, t.blankRow(), t.blankRow());
    EXPECT_EQ(editor.computeEditorText(t, blank), "");
    editor.applyText(t, "c");
    editor.finishEditing(t, blank, numbering);
    EXPECT_EQ(t.fileRowCount(), 3);
    EXPECT_EQ(columnTexts(t, F::New), QStringList({"a", "b", "c", ""}));
    EXPECT_EQ(t.cell(3, F::No), "03");
    EXPECT_TRUE(editor.baseline().isEmpty());

    const CellRect first = columnRect(t, F::New, 1, 2);
    editor.computeEditorText(t, first);
    editor.applyText(t, "");
    editor.finishEditing(t, first, numbering);
    EXPECT_EQ(columnTexts(t, F::New), QStringList({"c", ""}));
    EXPECT_EQ(t.cell(1, F::No), "01");
}

TEST(SelectionStateTest, CommandsFollowTheSelectionAndSeparateNumbering)
{
    RowTable t = tableOf({{{F::Dir, "/a"}, {F::New, "x"}}, {{F::Dir, "/a"}}});
    SelectionState s = selectionState(t, columnRect(t, F::New, 1, 2), false, true);
    EXPECT_FALSE(s.pasteFromColumn[size_t(toInt(F::New))]);
    EXPECT_TRUE(s.pasteFromColumn[size_t(toInt(F::Old))]);
    EXPECT_TRUE(s.pasteNameEnabled);
    EXPECT_TRUE(s.copyEnabled && s.cutEnabled && s.pasteEnabled && !s.folderLocked);

    s = selectionState(t, columnsRect(t, F::Old, F::New, 2, 2), false, false);
    EXPECT_FALSE(s.pasteNameEnabled);
    EXPECT_FALSE(s.copyEnabled || s.pasteEnabled);
    EXPECT_TRUE(selectionState(t, columnRect(t, F::Gen, 1, 1), false, false).genreList);

    s = selectionState(t, columnsRect(t, F::Dir, F::New, 1, 2), true, true);
    EXPECT_TRUE(s.folderLocked);
    EXPECT_EQ(s.status, folderLockedMessage());
    EXPECT_FALSE(s.pasteEnabled || s.cutEnabled || s.deleteEnabled || s.replaceEnabled);
    s = selectionState(t, CellRect{1, 1, kColumnCount - 1, 2}, true, true);
    EXPECT_TRUE(s.folderLocked && s.cutEnabled && s.deleteEnabled);
    EXPECT_FALSE(selectionState(t, columnRect(t, F::New, 1, 2), true, true).folderLocked);
}

TEST(CellBoxRules, LimitsTrackAndKeys)
{
    EXPECT_EQ(cellLengthLimit(F::Tit, true, false, ""), 30);
    EXPECT_EQ(cellLengthLimit(F::Yea, true, false, ""), 4);
    EXPECT_EQ(cellLengthLimit(F::Com, true, false, ""), 30);
    EXPECT_EQ(cellLengthLimit(F::Com, true, false, "5"), 28);
    EXPECT_EQ(cellLengthLimit(F::Tit, false, true, ""), 0);
    EXPECT_EQ(cellLengthLimit(F::Dur, false, true, ""), 8);

    EXPECT_EQ(normalizedId3v1Track("300"), "255");
    EXPECT_EQ(normalizedId3v1Track("99999999999999"), "255");
    EXPECT_EQ(normalizedId3v1Track("07"), "07");
    EXPECT_EQ(normalizedId3v1Track("1a"), "");
    EXPECT_EQ(normalizedId3v1Track("-3"), "");

    EXPECT_FALSE(cellAcceptsChar(F::Trc, true, u'a'));
    EXPECT_TRUE(cellAcceptsChar(F::Trc, false, u'a'));
    EXPECT_TRUE(cellAcceptsChar(F::Dur, false, u':'));
    EXPECT_FALSE(cellAcceptsChar(F::Siz, false, u':'));
    EXPECT_TRUE(cellAcceptsChar(F::Siz, false, u'\b'));

    EXPECT_EQ(genreItemIndex({"", "Blues", "Rock"}, "rock"), 2);
    EXPECT_EQ(genreItemIndex({"", "Blues"}, "Polka"), -1);
}
