#include "formats/id3v2to24.h"

#include "formats/id3v2encoding.h"
#include "formats/id3v2fieldframes.h"
#include "formats/id3v2framewalk.h"
#include "formats/id3v2synchdata.h"
#include "formats/id3v2to23.h"

#include <QRegularExpression>

#include <algorithm>

namespace qm::id3v2 {
namespace {

void appendFrame(QByteArray &out, QByteArrayView id, quint16 flags, QByteArrayView data)
{
    out.append(id);
    appendSyncsafe(out, quint32(data.size()));
    appendBigEndian(out, flags, 2);
    out.append(data);
}

// The frame with its flags and extra bytes in 2.4 order (group, method,
// data length); a frame of a 2.4 tag comes out as it was, unless it was
// unsynchronised.
void appendRawFrame(QByteArray &out, const RawFrame &frame, QByteArrayView id)
{
    const bool lengthIndicator = frame.lengthIndicator || frame.compressed;
    const quint8 format = (frame.grouped ? 0x40 : 0) | (frame.compressed ? 0x08 : 0)
                          | (frame.encrypted ? 0x04 : 0) | (lengthIndicator ? 0x01 : 0);
    const quint16 flags = quint16((frame.status >> 1) << 8 | format);
    if (format == 0) {
        appendFrame(out, id, flags, frame.payload);
        return;
    }
    QByteArray data;
    if (frame.grouped)
        data.append(char(frame.group));
    if (frame.encrypted)
        data.append(char(frame.method));
    if (lengthIndicator)
        appendSyncsafe(data, frame.plainSize);
    data.append(frame.payload);
    appendFrame(out, id, flags, data);
}

// A text frame of several values, each its own string as 2.4 separates them.
void appendTextFrame(QByteArray &out, QByteArrayView id, const QStringList &values)
{
    QByteArray data(1, char(EncUtf8));
    for (qsizetype i = 0; i < values.size(); ++i)
        appendString(data, EncUtf8, values[i], i + 1 < values.size());
    appendFrame(out, id, 0, data);
}

const RawFrame *findFrame(const QList<RawFrame> &frames, const char *id)
{
    for (const RawFrame &frame : frames)
        if (frame.id == id)
            return &frame;
    return nullptr;
}

QStringList frameTexts(const RawFrame *frame)
{
    if (!frame)
        return {};
    const std::optional<QByteArray> plain = plainPayload(*frame);
    if (!plain || plain->isEmpty() || uchar(plain->at(0)) > EncUtf8)
        return {};
    return readStrings(uchar(plain->at(0)), *plain, 1);
}

QString firstText(const RawFrame *frame) { return frameTexts(frame).value(0); }

// A 2.3 year with the day, month and time of its TDAT and TIME frames, as
// the one timestamp 2.4 has.
QString timestamp(const QString &year, const QList<RawFrame> &others)
{
    static const QRegularExpression fourDigits(QStringLiteral("^\\d{4}$"));
    QString stamp = year;
    const QString date = firstText(findFrame(others, "TDAT"));
    if (!fourDigits.match(year).hasMatch() || !fourDigits.match(date).hasMatch())
        return stamp;
    stamp += u'-' + date.mid(2, 2) + u'-' + date.first(2);
    const QString time = firstText(findFrame(others, "TIME"));
    if (fourDigits.match(time).hasMatch())
        stamp += u'T' + time.first(2) + u':' + time.mid(2, 2);
    return stamp;
}

// The frame a field gets from its text alone.
void appendFieldFrame(QByteArray &out, const TagContent &content, int field)
{
    const QString &text = content.fields[field];
    if (text.isEmpty())
        return;
    QByteArray data(1, char(EncUtf8));
    if (field == Comment || field == Lyrics) {
        const QByteArray &language =
            field == Comment ? content.commentLanguage : content.lyricsLanguage;
        data.append(language.size() == 3 ? language : QByteArray("eng"));
        appendString(data, EncUtf8,
                     field == Comment ? content.commentDescription : content.lyricsDescription,
                     true);
        appendString(data, EncUtf8, text, false);
        appendFrame(out, frameIdOfField(field), 0, data);
        return;
    }
    if (field == Link) {
        appendString(data, EncUtf8, content.linkDescription, true);
        data.append(urlBytes(text));
        appendFrame(out, frameIdOfField(field), 0, data);
        return;
    }
    const char *id = field == Year ? "TDRC" : field == OrigYear ? "TDOR" : frameIdOfField(field);
    appendTextFrame(out, id, {text});
}

// A field that keeps what was read: a 2.4 tag's frames as they were; from
// older tags, the year with its date as TDRC, the original year as TDOR,
// and repeated text frames as one frame of several values.
void appendKeptField(QByteArray &out, const TagContent &content, int field)
{
    const QList<RawFrame> &sources = content.fieldSources[field];
    if (content.major < 4) {
        // A 2.4 date the tag had beside the 2.3 frame holds the whole date.
        if (field == Year && sources.first().id == "TYER") {
            if (const RawFrame *date = findFrame(sources, "TDRC"))
                appendRawFrame(out, *date, "TDRC");
            else
                appendTextFrame(out, "TDRC",
                                {timestamp(content.fields[Year], content.otherSources)});
            return;
        }
        if (field == OrigYear && sources.first().id == "TORY") {
            const RawFrame *date = findFrame(sources, "TDOR");
            appendRawFrame(out, date ? *date : sources.first(), "TDOR");
            return;
        }
        if (sources.size() > 1 && sources.first().id.startsWith('T')) {
            QStringList values;
            for (const RawFrame &frame : sources)
                values += frameTexts(&frame);
            appendTextFrame(out, sources.first().id, values);
            return;
        }
    }
    for (const RawFrame &frame : sources)
        appendRawFrame(out, frame, frame.id);
}

// Frames a 2.4 tag does not have: those whose meaning the rewritten tag's
// layout breaks, and the 2.3 frames 2.4 withdrew (their content, where it
// has one, is in the frames that replace them).
bool isDropped(const QByteArray &id, quint8 major)
{
    if (id == "SEEK" || id == "ASPI" || id == "SIGN")
        return true;
    static const char *const withdrawn[] = {"TYER", "TDAT", "TIME", "TRDA", "TSIZ", "RVAD", "EQUA"};
    return major < 4
           && std::any_of(std::begin(withdrawn), std::end(withdrawn),
                          [&id](const char *w) { return id == w; });
}

} // namespace

QByteArray buildFrames24(const TagContent &content)
{
    QByteArray out;
    for (int field = 0; field < FieldCount; ++field) {
        if (!content.edited[field] && !content.fieldSources[field].isEmpty())
            appendKeptField(out, content, field);
        else
            appendFieldFrame(out, content, field);
    }
    for (const RawFrame &frame : content.otherSources) {
        if (isDropped(frame.id, content.major))
            continue;
        if (!frame.compressed && !frame.encrypted)
            if (const auto data = chapterForVersion(frame.id, frame.payload, content.major, 4)) {
                RawFrame converted = frame;
                converted.payload = *data;
                appendRawFrame(out, converted, frame.id);
                continue;
            }
        appendRawFrame(out, frame, content.major < 4 && frame.id == "IPLS" ? "TIPL" : frame.id);
    }
    return out;
}

} // namespace qm::id3v2
