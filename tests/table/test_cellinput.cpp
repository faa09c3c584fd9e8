#include "table/cellinput.h"

#include <gtest/gtest.h>

using namespace qm;
using F = FieldNumber;

TEST(CellBoxRules, LimitsAndTheId3v1Track)
{
    EXPECT_EQ(cellLengthLimit(F::Com, true, false, "5"), 28);
    EXPECT_EQ(cellLengthLimit(F::Tit, false, true, ""), 0);
    EXPECT_EQ(normalizedId3v1Track("300"), "255");
    EXPECT_EQ(normalizedId3v1Track("99999999999999"), "255");
    EXPECT_EQ(normalizedId3v1Track("07"), "07");
    EXPECT_EQ(normalizedId3v1Track("-3"), "");
    EXPECT_EQ(genreItemIndex({"", "Blues", "Rock"}, "rock"), 2);
}
