#include "formats/vorbiscomment.h"

#include "formats/vorbisfields.h"

#include <QtEndian>

namespace qm::vorbis {
namespace {

// Little-endian and big-endian 32-bit fields with a bounds check: false when
// the bytes end first.
bool takeLe32(QByteArrayView bytes, qsizetype &at, quint32 &value)
{
    if (bytes.size() - at < 4)
        return false;
    value = qFromLittleEndian<quint32>(bytes.data() + at);
    at += 4;
    return true;
}

bool takeBe32(QByteArrayView bytes, qsizetype &at, quint32 &value)
{
    if (bytes.size() - at < 4)
        return false;
    value = qFromBigEndian<quint32>(bytes.data() + at);
    at += 4;
    return true;
}

// `length` bytes at `at`, when there are that many.
bool takeBytes(QByteArrayView bytes, qsizetype &at, quint32 length, QByteArray &out)
{
    if (quint64(bytes.size() - at) < length)
        return false;
    out = bytes.sliced(at, qsizetype(length)).toByteArray();
    at += qsizetype(length);
    return true;
}

void appendLe32(QByteArray &out, quint32 value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    out.append(bytes, 4);
}

void appendBe32(QByteArray &out, quint32 value)
{
    char bytes[4];
    qToBigEndian(value, bytes);
    out.append(bytes, 4);
}

bool fail(Fault *fault, Fault why)
{
    if (fault)
        *fault = why;
    return false;
}

// The entry's name is `name` (upper case), in any case. No copy is made:
// reading looks up every field's names in every entry.
bool nameIs(QByteArrayView entry, QByteArrayView name)
{
    return !name.isEmpty() && entry.size() > name.size() && entry[name.size()] == '='
           && entry.first(name.size()).compare(name, Qt::CaseInsensitive) == 0;
}

// Where the field was read from: the first name of its row the comment has.
const char *nameInUse(const Comment &comment, const VorbisFieldRow &row)
{
    for (const char *name : row.names)
        if (name)
            for (const QByteArray &entry : comment.entries)
                if (nameIs(entry, name))
                    return name;
    return row.names[0];
}

const char *trackTotalName(const Comment &comment)
{
    for (const char *name : kTrackTotalNames)
        for (const QByteArray &entry : comment.entries)
            if (nameIs(entry, name))
                return name;
    return kTrackTotalNames[0];
}

// Replaces the entries of `name` by one entry with `value` (none when it is
// empty) where the first of them stood.
void replaceEntries(Comment &comment, const char *name, const QString &value)
{
    qsizetype first = -1;
    for (qsizetype i = 0; i < comment.entries.size();) {
        if (nameIs(comment.entries[i], name)) {
            if (first < 0)
                first = i;
            comment.entries.removeAt(i);
        } else {
            ++i;
        }
    }
    if (value.isEmpty())
        return;
    const QByteArray entry = QByteArray(name) + '=' + value.toUtf8();
    comment.entries.insert(first < 0 ? comment.entries.size() : first, entry);
}

} // namespace

bool parseComment(QByteArrayView bytes, Comment *comment, qsizetype *used, Fault *fault)
{
    qsizetype at = 0;
    quint32 length = 0;
    Comment read;
    if (!takeLe32(bytes, at, length) || !takeBytes(bytes, at, length, read.vendor))
        return fail(fault, Fault::BadComment);
    quint32 count = 0;
    if (!takeLe32(bytes, at, count))
        return fail(fault, Fault::BadComment);
    // Each entry takes four bytes at least: a count beyond that is damage,
    // found before anything is reserved for it.
    if (quint64(count) * 4 > quint64(bytes.size() - at))
        return fail(fault, Fault::BadComment);
    read.entries.reserve(qsizetype(count));
    for (quint32 i = 0; i < count; ++i) {
        QByteArray entry;
        if (!takeLe32(bytes, at, length) || !takeBytes(bytes, at, length, entry))
            return fail(fault, Fault::BadComment);
        read.entries.append(entry);
    }
    *comment = std::move(read);
    if (used)
        *used = at;
    return true;
}

QByteArray buildComment(const Comment &comment)
{
    QByteArray out;
    appendLe32(out, quint32(comment.vendor.size()));
    out += comment.vendor;
    appendLe32(out, quint32(comment.entries.size()));
    for (const QByteArray &entry : comment.entries) {
        appendLe32(out, quint32(entry.size()));
        out += entry;
    }
    return out;
}

QByteArray entryName(QByteArrayView entry)
{
    const qsizetype equals = entry.indexOf('=');
    return equals < 0 ? QByteArray() : entry.first(equals).toByteArray().toUpper();
}

QString entryValue(QByteArrayView entry)
{
    const qsizetype equals = entry.indexOf('=');
    return equals < 0 ? QString() : QString::fromUtf8(entry.sliced(equals + 1));
}

QStringList values(const Comment &comment, QByteArrayView name)
{
    QStringList found;
    for (const QByteArray &entry : comment.entries)
        if (nameIs(entry, name))
            found.append(entryValue(entry));
    return found;
}

TagFields readFields(const Comment &comment)
{
    TagFields fields;
    for (const VorbisFieldRow &row : kVorbisFields) {
        const QStringList found = values(comment, nameInUse(comment, row));
        // "/" parts the track from the count: a number given twice (by a
        // tagger that added a comment instead of replacing it) stays one
        // number instead of passing for a track and its count.
        fields[row.field] = row.field == id3v2::TrackString ? found.value(0) : found.join(u'/');
    }
    QString &track = fields[id3v2::TrackString];
    const QStringList totals = values(comment, trackTotalName(comment));
    if (!totals.isEmpty() && !totals.first().isEmpty() && !track.contains(u'/'))
        track += u'/' + totals.first();
    return fields;
}

void setField(Comment &comment, id3v2::Field field, const QString &text)
{
    const QString value = id3v2::trimmedField(text);
    if (readFields(comment)[field] == value)
        return;
    const VorbisFieldRow &row = kVorbisFields[field];
    const char *name = nameInUse(comment, row);
    if (field != id3v2::TrackString) {
        // An emptied field goes under every name of its row: one left under
        // the other name would be read back in place of the cleared text.
        if (value.isEmpty())
            for (const char *other : row.names)
                if (other && other != name)
                    replaceEntries(comment, other, {});
        replaceEntries(comment, name, value);
        return;
    }
    const qsizetype slash = value.indexOf(u'/');
    const QString total = slash < 0 ? QString() : value.mid(slash + 1).trimmed();
    replaceEntries(comment, name, slash < 0 ? value : value.first(slash).trimmed());
    const char *totalName = trackTotalName(comment);
    for (const char *other : kTrackTotalNames)
        if (other != totalName)
            replaceEntries(comment, other, {});
    replaceEntries(comment, totalName, total);
}

bool parsePicture(QByteArrayView block, Picture *picture, Fault *fault)
{
    qsizetype at = 0;
    Picture read;
    quint32 length = 0;
    QByteArray description;
    const bool ok = takeBe32(block, at, read.type) && takeBe32(block, at, length)
                    && takeBytes(block, at, length, read.mime) && takeBe32(block, at, length)
                    && takeBytes(block, at, length, description) && takeBe32(block, at, read.width)
                    && takeBe32(block, at, read.height) && takeBe32(block, at, read.depth)
                    && takeBe32(block, at, read.colors) && takeBe32(block, at, length)
                    && takeBytes(block, at, length, read.data);
    if (!ok)
        return fail(fault, Fault::BadPicture);
    read.description = QString::fromUtf8(description);
    *picture = std::move(read);
    return true;
}

QByteArray buildPicture(const Picture &picture)
{
    QByteArray out;
    const QByteArray description = picture.description.toUtf8();
    appendBe32(out, picture.type);
    appendBe32(out, quint32(picture.mime.size()));
    out += picture.mime;
    appendBe32(out, quint32(description.size()));
    out += description;
    for (quint32 value : {picture.width, picture.height, picture.depth, picture.colors})
        appendBe32(out, value);
    appendBe32(out, quint32(picture.data.size()));
    out += picture.data;
    return out;
}

QList<Picture> pictures(const Comment &comment)
{
    QList<Picture> found;
    for (const QByteArray &entry : comment.entries) {
        if (entryName(entry) != "METADATA_BLOCK_PICTURE")
            continue;
        const auto decoded = QByteArray::fromBase64Encoding(
            QByteArrayView(entry).sliced(entry.indexOf('=') + 1).toByteArray());
        Picture picture;
        if (decoded && parsePicture(*decoded, &picture, nullptr))
            found.append(std::move(picture));
    }
    return found;
}

} // namespace qm::vorbis
