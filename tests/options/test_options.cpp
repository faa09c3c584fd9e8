#include "options/options.h"

#include <gtest/gtest.h>

using namespace qm;
using F = FieldNumber;

TEST(Options, DefaultsReadAndShowEverything)
{
    const Options o;
    EXPECT_TRUE(o.formatRead());
    EXPECT_TRUE(o.readLyrics2());
    EXPECT_EQ(o.lists(FieldView::FileInfo).items(), QList<F>({F::Siz, F::Dur, F::Inf}));
    EXPECT_EQ(o.lists(FieldView::Id3v1).size(), 13);
    EXPECT_EQ(o.lists(FieldView::Id3v2).size(), 17);
    EXPECT_EQ(o.lists(FieldView::Id3v2).indexOf(F::Cmp), 13);
    EXPECT_EQ(o.lists(FieldView::Id3v1).indexOf(F::Cmp), -1);
    for (FieldView v : {FieldView::FileInfo, FieldView::Id3v1, FieldView::Id3v2}) {
        for (F f : o.lists(v).items())
            EXPECT_TRUE(o.lists(v).isRead(f) && o.lists(v).isShown(f));
    }
}

TEST(Options, ShownFieldsAreReadAndOneFieldStaysRead)
{
    FieldLists l(Options::items(FieldView::FileInfo));
    EXPECT_FALSE(l.setShown(2, true)); // already shown
    bool shownChanged = false;
    EXPECT_TRUE(l.setRead(2, false, &shownChanged));
    EXPECT_TRUE(shownChanged);
    EXPECT_FALSE(l.isShown(2));
    EXPECT_TRUE(l.setShown(2, true));
    EXPECT_TRUE(l.isRead(2));

    EXPECT_TRUE(l.setRead(0, false));
    EXPECT_TRUE(l.setRead(1, false));
    EXPECT_FALSE(l.setRead(2, false)); // the last read item
    EXPECT_TRUE(l.isRead(2) && l.isShown(2));

    l.setAllRead(false);
    EXPECT_TRUE(l.isRead(0));
    EXPECT_FALSE(l.isShown(0) || l.isShown(1) || l.isShown(2));
    l.setAllShown(true);
    EXPECT_TRUE(l.isRead(1) && l.isRead(2));
}

TEST(Options, Lyrics2ReadingAddsAndDropsSixItems)
{
    Options o;
    FieldLists &v1 = o.lists(FieldView::Id3v1);
    v1.setShown(v1.indexOf(F::Slt), false);
    v1.setAllRead(false); // only Tit read
    v1.setRead(v1.indexOf(F::Cop), true);
    v1.setRead(0, false);
    o.setReadLyrics2(false);
    EXPECT_EQ(v1.items(), Options::items(FieldView::Id3v1, false));
    EXPECT_TRUE(v1.isRead(0)); // dropping Cop left nothing read
    EXPECT_FALSE(v1.isRead(F::Cop));

    o.setReadLyrics2(true);
    EXPECT_EQ(v1.items(), Options::items(FieldView::Id3v1));
    EXPECT_TRUE(v1.isRead(F::Slt) && v1.isShown(F::Slt));
    EXPECT_FALSE(v1.isShown(F::Tit));
}

TEST(Options, ColumnsOfferedByViewAndReadList)
{
    Options o;
    EXPECT_TRUE(o.isOffered(F::Dir, false, TagView::None));
    EXPECT_FALSE(o.isOffered(F::No, true, TagView::Id3v2));
    EXPECT_FALSE(o.isOffered(F::Siz, false, TagView::Id3v2));
    EXPECT_TRUE(o.isOffered(F::Siz, true, TagView::None));
    EXPECT_FALSE(o.isOffered(F::Tit, true, TagView::None));
    EXPECT_TRUE(o.isOffered(F::Xxx, false, TagView::Id3v2));
    EXPECT_FALSE(o.isOffered(F::Xxx, false, TagView::Id3v1));
    EXPECT_TRUE(o.isOffered(F::Slt, false, TagView::Id3v1));

    o.lists(FieldView::Id3v2).setRead(o.lists(FieldView::Id3v2).indexOf(F::Art), false);
    EXPECT_FALSE(o.isOffered(F::Art, false, TagView::Id3v2));
    EXPECT_TRUE(o.isOffered(F::Art, false, TagView::Id3v1));
    EXPECT_EQ(o.governingItem(F::Cop, true, TagView::Id3v2), (FieldItem{FieldView::Id3v2, 11}));

    o.setReadLyrics2(false);
    EXPECT_FALSE(o.isOffered(F::Slt, false, TagView::Id3v1));
    EXPECT_EQ(o.governingItem(F::Slt, true, TagView::Id3v1), std::nullopt);
    EXPECT_EQ(o.governingItem(F::Dur, true, TagView::Id3v1), (FieldItem{FieldView::FileInfo, 1}));
    EXPECT_EQ(o.governingItem(F::New, true, TagView::Id3v1), std::nullopt);
}
