#include "formats/pictures.h"

#include <gtest/gtest.h>

using namespace qm;
using namespace qm::pictures;

namespace {

Picture pictureOf(quint32 type, const QByteArray &data, const QString &description = {})
{
    Picture picture;
    picture.type = type;
    picture.mime = "image/png";
    picture.description = description;
    picture.data = data;
    return picture;
}

} // namespace

TEST(Pictures, EditPlansKeepAndPlaceByKindTypeAndIndex)
{
    const QList<quint32> types{3, 4, 3};
    struct Case {
        PictureEdit edit;
        QList<bool> keep;
        qsizetype insertAt;
    } cases[] = {
        {{PictureEdit::Set, pictureOf(3, "x")}, {false, true, false}, 0},
        {{PictureEdit::Set, pictureOf(5, "x")}, {true, true, true}, 3},
        {{PictureEdit::ReplaceIndex, pictureOf(3, "x"), 2}, {true, true, false}, 2},
        {{PictureEdit::RemoveIndex, {}, 1}, {true, false, true}, -1},
        {{PictureEdit::RemoveIndex, {}, 7}, {true, true, true}, -1},
        {{PictureEdit::RemoveType, {}, 0, 3}, {false, true, false}, -1},
        {{PictureEdit::RemoveType, {}, 0, 9}, {true, true, true}, -1},
        {{PictureEdit::RemoveAll, {}}, {false, false, false}, -1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(int(c.edit.kind));
        const EditPlan plan = planEdit(types, c.edit);
        EXPECT_EQ(plan.keep, c.keep);
        EXPECT_EQ(plan.insertAt, c.insertAt);
    }
    EXPECT_FALSE(planEdit({}, {PictureEdit::RemoveAll, {}}).changes());
}

// A new front cover takes the old one's place; every other frame keeps its
// bytes, flags and place.
TEST(Pictures, Id3v2EditKeepsEveryOtherFrame)
{
    const Picture back = pictureOf(4, "back", u"Rückseite"_qs);
    Picture parsed;
    ASSERT_TRUE(parseApic(buildApic(back), &parsed));
    EXPECT_EQ(parsed, back);

    id3v2::TagContent content;
    const id3v2::Frame priv{"PRIV", 0x0040, "owner\0data"};
    content.otherFrames = {priv,
                           {"APIC", 0, buildApic(pictureOf(3, "old"))},
                           {"GEOB", 0, "object"},
                           {"APIC", 0, buildApic(back)}};
    ASSERT_TRUE(editId3v2(content, {PictureEdit::Set, pictureOf(3, "new")}));
    ASSERT_EQ(content.otherFrames.size(), 4);
    EXPECT_EQ(content.otherFrames[0].data, priv.data);
    EXPECT_EQ(content.otherFrames[0].flags, priv.flags);
    EXPECT_EQ(content.otherFrames[2].id, "GEOB");
    const QList<Picture> now = id3v2Pictures(content);
    ASSERT_EQ(now.size(), 2);
    EXPECT_EQ(now[0].data, "new");
    EXPECT_EQ(now[1], back);
    EXPECT_FALSE(editId3v2(content, {PictureEdit::RemoveType, {}, 0, 9}));
}

// FLAC pictures live in PICTURE blocks and, rarely, in the comment: a new
// one becomes a block after the others, removing all takes both.
TEST(Pictures, FlacEditsBlocksAndCommentPictures)
{
    flac::Metadata meta;
    meta.comment.vendor = "v";
    meta.comment.entries = {"TITLE=t", "METADATA_BLOCK_PICTURE="
                                           + vorbis::buildPicture(pictureOf(4, "c")).toBase64()};
    meta.blocks = {{flac::StreamInfoBlock, QByteArray(34, 'i')},
                   {flac::VorbisCommentBlock, vorbis::buildComment(meta.comment)},
                   {flac::PaddingBlock, {}}};
    meta.commentBlock = 1;
    ASSERT_EQ(flacPictures(meta).size(), 1);

    QList<flac::Block> blocks;
    ASSERT_TRUE(editFlac(meta, {PictureEdit::Set, pictureOf(3, "f")}, &blocks));
    ASSERT_EQ(blocks.size(), 3); // padding left out
    EXPECT_EQ(blocks[1].data, meta.blocks[1].data);
    EXPECT_EQ(blocks[2].type, flac::PictureBlock);

    meta.blocks = blocks;
    ASSERT_TRUE(editFlac(meta, {PictureEdit::RemoveAll, {}}, &blocks));
    ASSERT_EQ(blocks.size(), 2);
    vorbis::Comment left;
    ASSERT_TRUE(vorbis::parseComment(blocks[1].data, &left, nullptr, nullptr));
    EXPECT_EQ(left.entries, QList<QByteArray>{"TITLE=t"});
}

// A compressed frame is unpacked only to the size a picture may have: the
// size it claims is never allocated blindly.
TEST(Pictures, CompressedFrameClaimingHugeSizeIsNotUnpacked)
{
    id3v2::TagContent content;
    const QByteArray packed = qCompress(buildApic(pictureOf(3, "data")));
    content.otherFrames = {{"APIC", 0x0080, packed},
                           {"APIC", 0x0080, QByteArray::fromHex("fffffff0") + packed.sliced(4)}};
    const QList<Picture> found = id3v2Pictures(content);
    ASSERT_EQ(found.size(), 2);
    EXPECT_EQ(found[0].data, "data");
    EXPECT_TRUE(found[1].data.isEmpty());
}
