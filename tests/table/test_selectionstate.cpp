#include "edittesthelpers.h"
#include "table/selectionstate.h"

#include <gtest/gtest.h>

using namespace qm;
using namespace qm::test;
using F = FieldNumber;

TEST(EditorSelectionState, CommandsFollowTheSelectionAndSeparateNumbering)
{
    RowTable t = tableOf({{{F::Dir, "/a"}, {F::New, "x"}}, {{F::Dir, "/a"}}});
    SelectionState s = selectionState(t, columnRect(t, F::New, 1, 2), false, true);
    EXPECT_FALSE(s.pasteFromColumn[size_t(toInt(F::New))]);
    EXPECT_TRUE(s.pasteNameEnabled && s.copyEnabled && s.pasteEnabled && !s.folderLocked);
    s = selectionState(t, columnsRect(t, F::Old, F::New, 2, 2), false, false);
    EXPECT_FALSE(s.pasteNameEnabled || s.copyEnabled || s.pasteEnabled);
    s = selectionState(t, columnsRect(t, F::Dir, F::New, 1, 2), true, true);
    EXPECT_EQ(s.status, folderLockedMessage());
    EXPECT_FALSE(s.pasteEnabled || s.cutEnabled || s.deleteEnabled || s.replaceEnabled);
    s = selectionState(t, CellRect{1, 1, kColumnCount - 1, 2}, true, true);
    EXPECT_TRUE(s.folderLocked && s.cutEnabled && s.deleteEnabled);
}
