#include "formats/pictures.h"

#include "formats/id3v2encoding.h"

#include <QtEndian>

namespace qm::pictures {

namespace {

constexpr char kPictureEntry[] = "METADATA_BLOCK_PICTURE";

// 2.3 frame flags that put bytes in front of a frame's data.
constexpr quint16 kCompressed = 0x0080;
constexpr quint16 kEncrypted = 0x0040;
constexpr quint16 kGrouped = 0x0020;
// The largest picture a compressed frame is unpacked to (the largest image
// the program takes).
constexpr quint32 kMaxUnpacked = 16u << 20;

// The frame's data without what its flags put in front, decompressed; none
// when it is encrypted or does not decompress.
std::optional<QByteArray> plainApic(const id3v2::Frame &frame)
{
    if (frame.flags & kEncrypted)
        return std::nullopt;
    QByteArrayView data = frame.data;
    const qsizetype front =
        ((frame.flags & kCompressed) ? 4 : 0) + ((frame.flags & kGrouped) ? 1 : 0);
    if (data.size() < front)
        return std::nullopt;
    if (!(frame.flags & kCompressed))
        return data.sliced(front).toByteArray();
    // The size it claims is allocated at once: no picture that big is ever
    // shown or written, so a frame that claims more is not unpacked.
    const quint32 claimed = qFromBigEndian<quint32>(data.data());
    if (claimed > kMaxUnpacked)
        return std::nullopt;
    // qUncompress takes the four-byte size in front of the zlib stream, which
    // is what the frame holds when it has no group byte.
    QByteArray packed = data.first(4).toByteArray();
    packed += data.sliced(front);
    QByteArray plain = qUncompress(packed);
    if (plain.isEmpty())
        return std::nullopt;
    return plain;
}

bool isApic(const id3v2::Frame &frame) { return frame.id == "APIC"; }

// Walks `items`, of which `isPicture` picks the pictures, by the plan:
// pictures that go are left out, `made` comes in at its place.
template <typename Item, typename IsPicture>
QList<Item> applyPlan(const QList<Item> &items, IsPicture isPicture, const EditPlan &plan,
                      const Item &made)
{
    QList<Item> out;
    qsizetype index = 0;
    for (const Item &item : items) {
        if (!isPicture(item)) {
            out.append(item);
            continue;
        }
        if (index == plan.insertAt)
            out.append(made);
        if (plan.keep.value(index))
            out.append(item);
        ++index;
    }
    if (plan.insertAt >= index)
        out.append(made);
    return out;
}

bool isPictureEntry(const QByteArray &entry)
{
    if (vorbis::entryName(entry) != kPictureEntry)
        return false;
    const auto decoded = QByteArray::fromBase64Encoding(entry.sliced(entry.indexOf('=') + 1));
    Picture picture;
    return decoded && vorbis::parsePicture(*decoded, &picture, nullptr);
}

QList<quint32> typesOf(const QList<Picture> &pictures)
{
    QList<quint32> types;
    for (const Picture &picture : pictures)
        types.append(picture.type);
    return types;
}

} // namespace

EditPlan planEdit(const QList<quint32> &types, const PictureEdit &edit)
{
    EditPlan plan;
    plan.keep.fill(true, types.size());
    for (qsizetype i = 0; i < types.size(); ++i) {
        switch (edit.kind) {
        case PictureEdit::Set:
            if (types[i] == edit.picture.type) {
                plan.keep[i] = false;
                if (plan.insertAt < 0)
                    plan.insertAt = i;
            }
            break;
        case PictureEdit::ReplaceIndex:
            if (i == edit.index) {
                plan.keep[i] = false;
                plan.insertAt = i;
            }
            break;
        case PictureEdit::RemoveIndex:
            plan.keep[i] = i != edit.index;
            break;
        case PictureEdit::RemoveType:
            plan.keep[i] = types[i] != edit.type;
            break;
        case PictureEdit::RemoveAll:
            plan.keep[i] = false;
            break;
        }
    }
    if (edit.kind == PictureEdit::Set && plan.insertAt < 0)
        plan.insertAt = types.size();
    return plan;
}

bool parseApic(QByteArrayView data, Picture *picture)
{
    if (data.size() < 4)
        return false;
    const quint8 encoding = quint8(data[0]);
    if (encoding > id3v2::EncUtf8)
        return false;
    const qsizetype mimeEnd = data.indexOf('\0', 1);
    if (mimeEnd < 0 || mimeEnd + 1 >= data.size())
        return false;
    Picture read;
    read.mime = data.sliced(1, mimeEnd - 1).toByteArray();
    read.type = quint8(data[mimeEnd + 1]);
    qsizetype at = mimeEnd + 2;
    read.description = id3v2::readString(encoding, data, at);
    if (at > data.size())
        return false;
    read.data = data.sliced(at).toByteArray();
    *picture = std::move(read);
    return true;
}

QByteArray buildApic(const Picture &picture)
{
    const quint8 encoding = id3v2::encodingFor({picture.description});
    QByteArray out(1, char(encoding));
    out += picture.mime;
    out += '\0';
    out += char(quint8(picture.type));
    id3v2::appendString(out, encoding, picture.description, true);
    out += picture.data;
    return out;
}

QList<Picture> id3v2Pictures(const id3v2::TagContent &content)
{
    QList<Picture> found;
    for (const id3v2::Frame &frame : content.otherFrames) {
        if (!isApic(frame))
            continue;
        Picture picture;
        const std::optional<QByteArray> data = plainApic(frame);
        if (!data || !parseApic(*data, &picture)) {
            // Its type is in the clear only when nothing stands in front.
            picture = {};
            const qsizetype mimeEnd = frame.data.indexOf('\0', 1);
            if (!(frame.flags & (kCompressed | kEncrypted | kGrouped)) && mimeEnd > 0
                && mimeEnd + 1 < frame.data.size())
                picture.type = quint8(frame.data[mimeEnd + 1]);
        }
        found.append(std::move(picture));
    }
    return found;
}

bool editId3v2(id3v2::TagContent &content, const PictureEdit &edit)
{
    const EditPlan plan = planEdit(typesOf(id3v2Pictures(content)), edit);
    if (!plan.changes())
        return false;
    const id3v2::Frame made{QByteArrayLiteral("APIC"), 0, buildApic(edit.picture)};
    content.otherFrames = applyPlan(content.otherFrames, isApic, plan, made);
    // A tag written as 2.4 takes its other frames from their sources.
    id3v2::RawFrame raw;
    raw.id = made.id;
    raw.payload = made.data;
    content.otherSources = applyPlan(
        content.otherSources, [](const id3v2::RawFrame &frame) { return frame.id == "APIC"; }, plan,
        raw);
    return true;
}

bool editComment(vorbis::Comment &comment, const PictureEdit &edit)
{
    const EditPlan plan = planEdit(typesOf(vorbis::pictures(comment)), edit);
    if (!plan.changes())
        return false;
    const QByteArray made =
        QByteArray(kPictureEntry) + '=' + vorbis::buildPicture(edit.picture).toBase64();
    comment.entries = applyPlan(comment.entries, isPictureEntry, plan, made);
    return true;
}

QList<Picture> flacPictures(const flac::Metadata &meta)
{
    QList<Picture> found;
    for (const flac::Block &block : meta.blocks) {
        Picture picture;
        if (block.type == flac::PictureBlock && vorbis::parsePicture(block.data, &picture, nullptr))
            found.append(std::move(picture));
    }
    return found + vorbis::pictures(meta.comment);
}

bool editFlac(const flac::Metadata &meta, const PictureEdit &edit, QList<flac::Block> *blocks)
{
    const auto isPictureBlock = [](const flac::Block &block) {
        Picture picture;
        return block.type == flac::PictureBlock
               && vorbis::parsePicture(block.data, &picture, nullptr);
    };
    qsizetype inBlocks = 0;
    for (const flac::Block &block : meta.blocks)
        inBlocks += isPictureBlock(block) ? 1 : 0;
    const EditPlan plan = planEdit(typesOf(flacPictures(meta)), edit);
    if (!plan.changes())
        return false;
    // The blocks' share of the plan, a new picture always among them; the
    // comment's share, which never gets one.
    EditPlan blockPlan{plan.keep.first(inBlocks), std::min(plan.insertAt, inBlocks)};
    EditPlan commentPlan{plan.keep.sliced(inBlocks), -1};
    QList<flac::Block> kept;
    for (const flac::Block &block : meta.blocks) {
        if (block.type != flac::PaddingBlock)
            kept.append(block);
    }
    // Without a picture block before, a new one goes after the other blocks.
    const flac::Block made{flac::PictureBlock, vorbis::buildPicture(edit.picture)};
    const bool appended = inBlocks == 0 && plan.insertAt >= 0;
    if (appended)
        blockPlan.insertAt = -1;
    *blocks = applyPlan(kept, isPictureBlock, blockPlan, made);
    if (appended)
        blocks->append(made);
    if (commentPlan.changes()) {
        vorbis::Comment comment = meta.comment;
        comment.entries = applyPlan(comment.entries, isPictureEntry, commentPlan, QByteArray());
        for (flac::Block &block : *blocks) {
            if (block.type == flac::VorbisCommentBlock)
                block.data = vorbis::buildComment(comment);
        }
    }
    return true;
}

const char *typeName(quint32 type)
{
    static const char *const names[] = {"Other",
                                        "File icon",
                                        "Other file icon",
                                        "Front cover",
                                        "Back cover",
                                        "Leaflet page",
                                        "Media",
                                        "Lead artist",
                                        "Artist",
                                        "Conductor",
                                        "Band",
                                        "Composer",
                                        "Lyricist",
                                        "Recording location",
                                        "During recording",
                                        "During performance",
                                        "Screen capture",
                                        "Bright coloured fish",
                                        "Illustration",
                                        "Band logotype",
                                        "Publisher logotype"};
    return type <= kLastType ? names[type] : "Unknown";
}

} // namespace qm::pictures
