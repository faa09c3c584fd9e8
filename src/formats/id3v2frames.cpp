#include "formats/id3v2frames.h"

#include "formats/id3v1.h"
#include "formats/id3v2encoding.h"
#include "formats/id3v2fieldframes.h"
#include "formats/id3v2framewalk.h"
#include "formats/id3v2synchdata.h"
#include "formats/id3v2to23.h"
#include "formats/id3v2to24.h"
#include "formats/tagfields.h"

#include <QScopeGuard>
#include <QStringList>

#include <algorithm>
#include <array>
#include <optional>
#include <span>

namespace qm::id3v2 {
namespace {

QString genreName(int index)
{
    if (index < 0 || index >= MAX_MUSIC_GENRES)
        return {};
    return QString::fromLatin1(aTAG_MusicGenre[index]);
}

} // namespace

QString trimmedField(const QString &value)
{
    qsizetype begin = 0;
    qsizetype end = value.size();
    while (begin < end && value.at(begin).unicode() <= 32)
        ++begin;
    while (end > begin && value.at(end - 1).unicode() <= 32)
        --end;
    return value.mid(begin, end - begin);
}

namespace {

// ---- the fields --------------------------------------------------------

constexpr quint32 idCode(const char *id)
{
    return quint32(uchar(id[0])) << 24 | quint32(uchar(id[1])) << 16 | quint32(uchar(id[2])) << 8
           | quint32(uchar(id[3]));
}

// The ids the fields are read from besides the text frames', as numbers.
constexpr quint32 kTdrc = idCode("TDRC");
constexpr quint32 kTdor = idCode("TDOR");
constexpr quint32 kTipl = idCode("TIPL");
constexpr quint32 kTmcl = idCode("TMCL");
constexpr quint32 kComm = idCode("COMM");
constexpr quint32 kUslt = idCode("USLT");
constexpr quint32 kWxxx = idCode("WXXX");

quint32 idNumber(QByteArrayView id) { return id.size() == 4 ? quint32(bigEndian(id, 0, 4)) : 0; }

// The fields kept in text frames ("T..."), by the frame id's four bytes as
// a number, sorted for a binary search: every frame of a tag is looked up
// here, some twice.
struct TextFrameField {
    quint32 code;
    int field;
};

constexpr auto textFrameFields()
{
    constexpr int count = [] {
        int n = 0;
        for (const TagFieldRow &row : kTagFields)
            n += row.frame[0] == 'T';
        return n;
    }();
    std::array<TextFrameField, count> fields{};
    int at = 0;
    for (const TagFieldRow &row : kTagFields) {
        if (row.frame[0] != 'T')
            continue;
        fields[at++] = {idCode(row.frame), row.id3v2};
    }
    std::sort(fields.begin(), fields.end(),
              [](TextFrameField a, TextFrameField b) { return a.code < b.code; });
    return fields;
}

} // namespace

int fieldOfTextFrame(QByteArrayView id)
{
    static constexpr auto fields = textFrameFields();
    if (id.size() != 4)
        return -1;
    const quint32 code = bigEndian(id, 0, 4);
    const auto *at = std::lower_bound(fields.begin(), fields.end(), code,
                                      [](TextFrameField f, quint32 c) { return f.code < c; });
    return at != fields.end() && at->code == code ? at->field : -1;
}

// The id as bytes; the ids of the fields' frames come from static text, so
// reading a tag allocates nothing for them.
QByteArray frameIdBytes(QByteArrayView id) { return frameIdBytes(id, fieldOfTextFrame(id)); }

QByteArray frameIdBytes(QByteArrayView id, int field)
{
    static const std::array<QByteArray, FieldCount> fieldIds = [] {
        std::array<QByteArray, FieldCount> ids;
        for (const TagFieldRow &row : kTagFields)
            ids[row.id3v2] = QByteArray::fromRawData(row.frame, 4);
        return ids;
    }();
    static const QByteArray otherIds[] = {QByteArrayLiteral("TDRC"), QByteArrayLiteral("TDOR")};
    if (field >= 0)
        return fieldIds[field];
    switch (idNumber(id)) {
    case kComm:
        return fieldIds[Comment];
    case kUslt:
        return fieldIds[Lyrics];
    case kWxxx:
        return fieldIds[Link];
    case kTdrc:
        return otherIds[0];
    case kTdor:
        return otherIds[1];
    default:
        break;
    }
    return id.toByteArray();
}

const char *frameIdOfField(int field) { return tagFieldOf(Field(field)).frame; }

// Frames whose data the fields are made of.
bool carriesField(QByteArrayView id) { return carriesField(id, fieldOfTextFrame(id)); }

bool carriesField(QByteArrayView id, int field)
{
    if (field >= 0)
        return true;
    switch (idNumber(id)) {
    case kTdrc:
    case kTdor:
    case kComm:
    case kUslt:
    case kWxxx:
        return true;
    default:
        return false;
    }
}

namespace {

// The frame's data before compression, viewed in place when it was not
// compressed (most frames); `inflated` holds it otherwise. False when it is
// encrypted or does not decompress.
bool plainView(const RawFrame &frame, std::optional<QByteArray> &inflated, QByteArrayView &plain)
{
    if (!frame.compressed && !frame.encrypted) {
        plain = frame.payload;
        return true;
    }
    inflated = plainPayload(frame);
    if (!inflated)
        return false;
    plain = *inflated;
    return true;
}

// False for a frame whose text cannot be read; its values otherwise.
bool textValues(const RawFrame &frame, TextValues &values)
{
    std::optional<QByteArray> inflated;
    QByteArrayView plain;
    if (!plainView(frame, inflated, plain) || plain.isEmpty() || uchar(plain[0]) > EncUtf8)
        return false;
    readStrings(uchar(plain[0]), plain, 1, values);
    return true;
}

// A comment, lyrics or link frame taken apart.
struct Described {
    qsizetype keptIndex = -1;
    QByteArray language;
    QString description;
    QString text;
};

std::optional<Described> describedText(const RawFrame &frame, bool link)
{
    std::optional<QByteArray> inflated;
    QByteArrayView plain;
    if (!plainView(frame, inflated, plain) || plain.isEmpty())
        return std::nullopt;
    const quint8 encoding = uchar(plain[0]);
    if (encoding > EncUtf8)
        return std::nullopt;
    Described result;
    qsizetype at = 1;
    if (!link) {
        if (plain.size() < 4)
            return std::nullopt;
        result.language = plain.sliced(1, 3).toByteArray();
        at = 4;
    }
    result.description = readString(encoding, plain, at);
    if (link) {
        const QByteArrayView url = plain.sliced(at);
        const qsizetype end = url.indexOf('\0');
        result.text = QString::fromLatin1(end < 0 ? url : url.first(end));
    } else {
        result.text = at < plain.size() ? readString(encoding, plain, at) : QString();
    }
    return result;
}

// Several values of a field as one text.
QString joinedValues(const TextValues &values)
{
    if (values.size() == 1)
        return values.first();
    QString joined;
    for (qsizetype i = 0; i < values.size(); ++i) {
        if (i > 0)
            joined += u'/';
        joined += values[i];
    }
    return joined;
}

// 2.4 dates are timestamps ("2004-05-12T10:20"); the year is their start.
QString yearOfTimestamp(const QString &timestamp)
{
    if (timestamp.size() > 4 && timestamp.first(4).toUInt() > 0 && !timestamp.at(4).isDigit())
        return timestamp.first(4);
    return timestamp;
}

QString referenceName(const QString &reference)
{
    if (reference == u"RX")
        return QStringLiteral("Remix");
    if (reference == u"CR")
        return QStringLiteral("Cover");
    if (reference.isEmpty() || reference.size() > 3)
        return {};
    bool ok = false;
    const int index = reference.toInt(&ok);
    if (!ok
        || !std::all_of(reference.cbegin(), reference.cend(), [](QChar c) { return c.isDigit(); }))
        return {};
    return genreName(index);
}

// The frames a content keeps for writing: those of a 2.3 write, of a 2.4
// write, or both when the version is not known yet.
struct KeptForms {
    bool v23 = true;
    bool v24 = true;
};

KeptForms keptForms(quint8 writtenMajor) { return {writtenMajor != 4, writtenMajor != 3}; }

TagContent contentOf(const TagHeader &header, BodySource &source, bool fieldsOnly,
                     KeptForms forms = {})
{
    TagContent content;
    const quint8 major = header.major;
    if (major < 2 || major > 4) {
        content.damage = Damage::UnknownVersion;
        return content;
    }
    content.major = major;
    // The list of the last tag read on this thread, its room kept (unless
    // a tag of very many frames made it big): one block for all the tags
    // a reader goes through.
    thread_local QList<RawFrame> spareFrames;
    QList<RawFrame> frames = std::move(spareFrames);
    frames.clear();
    readTagFrames(header, source, fieldsOnly, content.damage, frames);
    const auto keepRoom = qScopeGuard([&frames] {
        frames.clear();
        if (frames.capacity() <= 64)
            spareFrames = std::move(frames);
    });

    // Held in place, not on the heap: a tag is read for every file.
    std::array<std::optional<TextValues>, FieldCount> values;
    std::optional<TextValues> recorded;
    std::optional<TextValues> originallyReleased;
    std::optional<RawFrame> recordedFrame;
    std::optional<RawFrame> releasedFrame;
    QStringList people;
    // The frames without a field, for writing them back; the fields alone
    // need none of them.
    QList<RawFrame> kept;
    using Candidates = QVarLengthArray<Described, 2>;
    Candidates comments;
    Candidates lyrics;
    Candidates links;
    // A field's frame in the forms the write may need.
    const auto keepFieldFrame = [&content, &forms, major](int field, const RawFrame &frame) {
        if (forms.v23)
            if (std::optional<Frame> kept23 = keptFrame(frame, major))
                content.fieldFrames[field].append(*kept23);
        if (forms.v24)
            content.fieldSources[field].append(frame);
    };
    for (const RawFrame &frame : std::as_const(frames)) {
        const int field = frame.textField;
        const quint32 id = field >= 0 ? 0 : idNumber(frame.id);
        if (field >= 0 || id == kTdrc || id == kTdor || id == kTipl || id == kTmcl) {
            TextValues text;
            if (!textValues(frame, text)) {
                if (!fieldsOnly)
                    kept.append(frame);
            } else if (field >= 0) {
                // Repeated frames of a kind (invalid, but common) add their
                // values, as several values of one 2.4 frame do.
                if (values[field])
                    values[field]->append(text.constData(), text.size());
                else
                    values[field].emplace(std::move(text));
                if (!fieldsOnly)
                    keepFieldFrame(field, frame);
            } else if (id == kTdrc) {
                // emplace, not assignment: Qt 6.4's QVarLengthArray loses
                // the heap block of the array it is moved over.
                recorded.emplace(std::move(text));
                recordedFrame = frame;
            } else if (id == kTdor) {
                originallyReleased.emplace(std::move(text));
                releasedFrame = frame;
            } else if (!fieldsOnly) {
                for (QString &value : text)
                    people.append(std::move(value));
                if (forms.v24)
                    content.otherSources.append(frame);
            }
            continue;
        }
        Candidates *candidates = id == kComm   ? &comments
                                 : id == kUslt ? &lyrics
                                 : id == kWxxx ? &links
                                               : nullptr;
        if (candidates) {
            if (std::optional<Described> described = describedText(frame, id == kWxxx)) {
                described->keptIndex = kept.size();
                candidates->append(std::move(*described));
            }
        }
        if (!fieldsOnly)
            kept.append(frame);
    }

    // Of several frames the one without description carries the field,
    // else the first (a comment only without description: a described one
    // is some program's data, such as iTunNORM); the others stay as they are.
    QVarLengthArray<qsizetype, 3> taken;
    auto choose = [&](const Candidates &candidates, Field field,
                      bool undescribedOnly) -> std::optional<Described> {
        if (candidates.isEmpty())
            return std::nullopt;
        auto it = std::find_if(candidates.cbegin(), candidates.cend(),
                               [](const Described &d) { return d.description.isEmpty(); });
        if (it == candidates.cend() && undescribedOnly)
            return std::nullopt;
        const Described &chosen = it == candidates.cend() ? candidates.front() : *it;
        taken.append(chosen.keptIndex);
        if (!fieldsOnly)
            keepFieldFrame(field, kept[chosen.keptIndex]);
        return chosen;
    };
    if (const auto comment = choose(comments, Comment, true)) {
        content.fields[Comment] = comment->text;
        content.commentLanguage = comment->language;
        content.commentDescription = comment->description;
    }
    if (const auto text = choose(lyrics, Lyrics, false)) {
        content.fields[Lyrics] = text->text;
        content.lyricsLanguage = text->language;
        content.lyricsDescription = text->description;
    }
    if (const auto link = choose(links, Link, false)) {
        content.fields[Link] = link->text;
        content.linkDescription = link->description;
    }

    for (int field = 0; field < FieldCount; ++field)
        if (values[field] && field != Genre)
            content.fields[field] = joinedValues(*values[field]);
    if (values[Genre])
        content.fields[Genre] = genreFromValues(values[Genre]->constData(), values[Genre]->size());
    if (!values[Year] && recorded && !recorded->isEmpty())
        content.fields[Year] = yearOfTimestamp(recorded->front());
    if (!values[OrigYear] && originallyReleased && !originallyReleased->isEmpty())
        content.fields[OrigYear] = yearOfTimestamp(originallyReleased->front());
    for (QString &text : content.fields)
        if (!text.isEmpty())
            text = trimmedField(text);
    if (fieldsOnly)
        return content;

    for (qsizetype i = 0; i < kept.size(); ++i) {
        if (taken.contains(i))
            continue;
        if (forms.v23)
            if (std::optional<Frame> frame = keptFrame(kept[i], major))
                content.otherFrames.append(*frame);
        if (forms.v24)
            content.otherSources.append(kept[i]);
    }
    // A 2.4 date carries the field where no 2.3 frame does. Beside one (some
    // writers put both) it still holds the day and time: it goes with the
    // field, kept while the field is, as long as it tells the same year.
    const auto dateOf = [&content](Field field, const std::optional<TextValues> &date) {
        return date && !date->isEmpty()
               && trimmedField(date->front()).startsWith(content.fields[field]);
    };
    const bool recordedDate = dateOf(Year, recorded);
    if (forms.v24 && recordedDate)
        content.fieldSources[Year].append(*recordedFrame);
    if (forms.v24 && dateOf(OrigYear, originallyReleased))
        content.fieldSources[OrigYear].append(*releasedFrame);
    if (forms.v23 && recordedDate)
        appendDateFrames(content.otherFrames, recorded->front(), frames);
    if (forms.v23 && !people.isEmpty()) {
        const quint8 encoding = encodingFor(people);
        QByteArray data(1, char(encoding));
        for (const QString &text : std::as_const(people))
            appendString(data, encoding, text, true);
        content.otherFrames.append(Frame{"IPLS", 0, data});
    }
    return content;
}

} // namespace

TagContent parseTag(const TagHeader &header, QByteArrayView body)
{
    MemoryBody source(body);
    return contentOf(header, source, false);
}

TagContent parseTagFor(const TagHeader &header, QByteArrayView body, quint8 writtenMajor)
{
    MemoryBody source(body);
    return contentOf(header, source, false, keptForms(writtenMajor));
}

TagContent parseTagFields(const TagHeader &header, BodySource &body)
{
    return contentOf(header, body, true);
}

void setField(TagContent &content, Field field, const QString &text)
{
    if (content.fields[field] == text)
        return;
    content.fields[field] = text;
    content.fieldFrames[field].clear();
    content.edited[field] = true;
}

QByteArray buildFrames(const TagContent &content, quint8 major)
{
    if (major == 4)
        return buildFrames24(content);
    QByteArray out;
    // Room for the frames kept as they were and a generous guess for the
    // others, so that the tag is not regrown frame by frame.
    qsizetype room = 0;
    for (int field = 0; field < FieldCount; ++field) {
        for (const Frame &frame : content.fieldFrames[field])
            room += 10 + frame.data.size();
        if (content.fieldFrames[field].isEmpty() && !content.fields[field].isEmpty())
            room += 32 + 4 * content.fields[field].size();
    }
    for (const Frame &frame : content.otherFrames)
        room += 10 + frame.data.size();
    room += 4
            * (content.commentDescription.size() + content.lyricsDescription.size()
               + content.linkDescription.size());
    out.reserve(room);
    auto append = [&out](const QByteArray &id, quint16 flags, const QByteArray &data) {
        out.append(id);
        appendBigEndian(out, quint32(data.size()), 4);
        appendBigEndian(out, flags, 2);
        out.append(data);
    };
    for (int field = 0; field < FieldCount; ++field) {
        if (!content.fieldFrames[field].isEmpty()) {
            for (const Frame &frame : content.fieldFrames[field])
                append(frame.id, frame.flags, frame.data);
            continue;
        }
        const QString &text = content.fields[field];
        if (text.isEmpty())
            continue;
        if (field == Comment || field == Lyrics) {
            const QByteArray &language =
                field == Comment ? content.commentLanguage : content.lyricsLanguage;
            const QString &description =
                field == Comment ? content.commentDescription : content.lyricsDescription;
            const quint8 encoding = encodingFor({description, text});
            QByteArray data(1, char(encoding));
            data.append(language.size() == 3 ? language : QByteArray("eng"));
            appendString(data, encoding, description, true);
            appendString(data, encoding, text, false);
            append(frameIdOfField(field), 0, data);
        } else if (field == Link) {
            const quint8 encoding = encodingFor({content.linkDescription});
            QByteArray data(1, char(encoding));
            appendString(data, encoding, content.linkDescription, true);
            data.append(urlBytes(text));
            append(frameIdOfField(field), 0, data);
        } else {
            const Frame frame = textFrame(frameIdOfField(field), text);
            append(frame.id, 0, frame.data);
        }
    }
    for (const Frame &frame : content.otherFrames)
        append(frame.id, frame.flags, frame.data);
    return out;
}

QByteArray buildTag(QByteArrayView frames, qint64 totalSize, quint8 major)
{
    if (totalSize < HeaderSize + frames.size() || totalSize - HeaderSize > MaxBodySize)
        return {};
    QByteArray tag;
    tag.reserve(totalSize);
    tag.append("ID3\x03\x00\x00", 6);
    tag[3] = char(major);
    appendSyncsafe(tag, quint32(totalSize - HeaderSize));
    tag.append(frames);
    tag.append(totalSize - tag.size(), '\0');
    return tag;
}

qint64 paddedTotalSize(qint64 framesSize)
{
    // At least a kilobyte to spare, rounded up to whole 4 KiB blocks.
    constexpr qint64 block = 4096;
    const qint64 wanted = HeaderSize + framesSize + 1024;
    return (wanted + block - 1) / block * block;
}

QString genreFromFrameText(const QStringList &values)
{
    return genreFromValues(values.constData(), values.size());
}

QString genreFromValues(const QString *values, qsizetype count)
{
    // One value without references, the common case, is its own name or
    // the name its number stands for.
    if (count == 1) {
        QString rest = trimmedField(values[0]);
        if (!rest.startsWith(u'(')) {
            const QString name = rest.isEmpty() ? QString() : referenceName(rest);
            return name.isEmpty() ? rest : name;
        }
    }
    QStringList names;
    for (const QString &value : std::span<const QString>(values, size_t(count))) {
        QString rest = trimmedField(value);
        QStringList references;
        while (rest.startsWith(u'(') && !rest.startsWith(u"((")) {
            const qsizetype close = rest.indexOf(u')');
            if (close < 0)
                break;
            const QString name = referenceName(rest.mid(1, close - 1));
            if (name.isEmpty())
                break;
            references.append(name);
            rest = rest.mid(close + 1);
        }
        if (rest.startsWith(u"(("))
            rest.remove(0, 1); // "((" escapes a text that starts with "("
        // Text after the references refines them and is what the user sees.
        if (!rest.isEmpty()) {
            const QString name = references.isEmpty() ? referenceName(rest) : QString();
            names.append(name.isEmpty() ? rest : name);
        } else {
            names += references;
        }
    }
    names.removeDuplicates();
    return names.join(u'/');
}

quint16 trackNumber(const QString &trackString)
{
    bool ok = false;
    QStringView number(trackString);
    const qsizetype slash = number.indexOf(u'/');
    if (slash >= 0)
        number = number.first(slash);
    const uint value = number.trimmed().toUInt(&ok);
    return ok && value <= 0xFFFF ? quint16(value) : 0;
}

} // namespace qm::id3v2
