#include "jobs/nativefile.h"

#include "formats/filewindows.h"
#include "formats/id3v2.h"
#include "formats/tagfields.h"
#include "formats/vorbiscomment.h"

#include <algorithm>
#include <optional>

namespace qm {

namespace {

bool endsWith(QStringView name, QLatin1StringView ext)
{
    return name.size() > ext.size() && name.endsWith(ext, Qt::CaseInsensitive)
           && name[name.size() - ext.size() - 1] == QLatin1Char('.');
}

} // namespace

NativeKind NativeKindOf(QStringView fileName)
{
    // Every file read asks: an ASCII extension (most) is lowered and
    // compared at once; others go the way of Qt's folding, which also
    // takes some letters beyond ASCII for "s" or "k".
    const qsizetype dot = fileName.lastIndexOf(u'.');
    const QStringView ext = dot < 0 ? QStringView() : fileName.sliced(dot + 1);
    if (dot >= 0 && ext.size() <= 4
        && std::all_of(ext.begin(), ext.end(), [](QChar c) { return c.unicode() < 0x80; })) {
        char lowered[5] = {};
        for (qsizetype i = 0; i < ext.size(); ++i) {
            const char c = char(ext[i].unicode());
            lowered[i] = c >= 'A' && c <= 'Z' ? char(c + 32) : c;
        }
        const QByteArrayView name(lowered, ext.size());
        if (name == "flac")
            return NativeKind::Flac;
        if (name == "ogg" || name == "oga" || name == "opus")
            return NativeKind::Ogg;
        return NativeKind::None;
    }
    if (endsWith(fileName, QLatin1StringView("flac")))
        return NativeKind::Flac;
    for (const char *ext : {"ogg", "oga", "opus"}) {
        if (endsWith(fileName, QLatin1StringView(ext)))
            return NativeKind::Ogg;
    }
    return NativeKind::None;
}

template <typename Walker> bool NativeFile::walkHead(ReadOnlyFile &file, Walker walk)
{
    if (!file.readUpTo(0, qMin(size_, kHeadSize), &head_))
        return false;
    for (;;) {
        qint64 needed = 0;
        const Walk state = walk(head_, &needed);
        if (state == Walk::Ok)
            return true;
        if (state == Walk::Invalid)
            return false;
        if (needed > size_ || needed <= head_.size()) {
            fault_ = Fault::Truncated;
            return false;
        }
        if (!file.readUpTo(head_.size(), needed - head_.size(), &tail_)
            || tail_.size() != needed - head_.size()) {
            fault_ = Fault::Truncated;
            return false;
        }
        head_.append(tail_);
    }
}

bool NativeFile::readFlac(ReadOnlyFile &file)
{
    if (!walkHead(file, [this](const QByteArray &head, qint64 *needed) {
            return flac::parse(head, size_, &flac_, needed, &fault_);
        }))
        return false;
    result_ = flac::readResult(flac_);
    return true;
}

bool NativeFile::readOgg(ReadOnlyFile &file)
{
    if (!walkHead(file, [this](const QByteArray &head, qint64 *needed) {
            return ogg::parseHeaders(head, size_, &ogg_, needed, &fault_);
        }))
        return false;
    // The duration is the granule of the stream's last page, looked for in
    // the one buffer that serves file after file.
    const auto read = [&](qint64 pos, qint64 length, QByteArray *out) {
        if (!file.readUpTo(pos, length, &tail_))
            return false;
        *out = QByteArray::fromRawData(tail_.constData(), tail_.size());
        return true;
    };
    const std::optional<qint64> granule =
        ogg::lastGranuleIn(read, size_, ogg_.serial, ogg_.headerEnd);
    result_ = ogg::readResult(ogg_, granule, size_);
    return true;
}

bool NativeFile::read(const QString &fileName, FileStamp *stamp)
{
    fault_ = Fault::None;
    result_ = NativeRead();
    fileName_ = fileName;
    kind_ = NativeKindOf(fileName);
    ReadOnlyFile file;
    const bool opened = file.open(fileName);
    if (!opened || !file.stamp(&stamp_))
        stamp_ = FileStamp();
    if (stamp)
        *stamp = stamp_;
    size_ = file.size();
    if (!opened || kind_ == NativeKind::None)
        return false;
    return kind_ == NativeKind::Flac ? readFlac(file) : readOgg(file);
}

bool NativeFile::planFields(const TagFields &fields, FileChange *change)
{
    *change = FileChange();
    change->fileName = fileName_;
    change->oldSize = size_;
    change->newSize = size_;
    change->planned = stamp_;
    const bool isFlac = kind_ == NativeKind::Flac;
    vorbis::Comment comment = isFlac ? flac_.comment : ogg_.comment;
    for (int field = 0; field < id3v2::FieldCount; ++field) {
        if (fields[size_t(field)] != result_.fields[size_t(field)])
            vorbis::setField(comment, id3v2::Field(field), fields[size_t(field)]);
    }
    WritePlan plan;
    fault_ = Fault::None;
    if (!(isFlac ? flac::planWrite(flac_, comment, &plan, &fault_)
                 : ogg::planWrite(ogg_, comment, &plan, &fault_)))
        return false;
    if (plan.kind == WritePlan::Unchanged)
        return true;
    // The old bytes come from the file as it was read; applying the change
    // checks that it still is.
    ReadOnlyFile file;
    FileStamp now;
    if (!file.open(fileName_) || !file.stamp(&now) || !(now == stamp_)) {
        fault_ = Fault::Truncated;
        return false;
    }
    const auto readOld = [&](qint64 at, qint64 length) {
        return file.readUpTo(at, length, &change->oldBytes) && change->oldBytes.size() == length;
    };
    bool read = false;
    if (plan.kind == WritePlan::InPlace) {
        change->offset = plan.offset;
        change->newBytes = std::move(plan.bytes);
        read = readOld(plan.offset, change->newBytes.size());
    } else if (plan.sequenceShift == 0) {
        // The new start, then the old file's bytes from the audio on.
        change->rewrite = true;
        change->newBytes = std::move(plan.bytes);
        change->newSize = change->newBytes.size() + size_ - plan.audioFrom;
        read = readOld(0, plan.audioFrom);
    } else {
        // The stream's later pages get new numbers: the whole file is new.
        change->rewrite = true;
        read =
            readOld(0, size_) && applyWritePlan(change->oldBytes, plan, &change->newBytes, &fault_);
        change->newSize = change->newBytes.size();
        if (!read && fault_ != Fault::None)
            return false;
    }
    if (!read)
        fault_ = Fault::Truncated;
    return read;
}

void NativeTagView(const TagFields &fields, TID3v2 *tag)
{
    for (const TagFieldRow &row : kTagFields)
        tag->*row.member = fields[size_t(row.id3v2)];
    tag->Track = id3v2::trackNumber(tag->TrackString);
    tag->TagPresent = true;
}

TagFields NativeFieldsOf(const TID3v2 &tag)
{
    TagFields fields;
    for (const TagFieldRow &row : kTagFields)
        fields[size_t(row.id3v2)] = tag.*row.member;
    return fields;
}

QString NativeMessage::FaultText(Fault fault)
{
    switch (fault) {
    case Fault::None:
        return {};
    case Fault::NotThisFormat:
        return tr("Содержимое файла не соответствует его расширению");
    case Fault::BrokenId3v2:
        return tr("Повреждён тег ID3v2 перед данными FLAC");
    case Fault::Truncated:
        return tr("Файл обрывается внутри заголовков");
    case Fault::BadBlock:
        return tr("Блок метаданных FLAC нарушает формат");
    case Fault::BadComment:
        return tr("Повреждён блок комментариев");
    case Fault::BadPicture:
        return tr("Повреждён блок картинки");
    case Fault::NoAudioFrame:
        return tr("После метаданных FLAC нет звуковых данных");
    case Fault::BadPage:
        return tr("Повреждена страница Ogg");
    case Fault::BadChecksum:
        return tr("Неверная контрольная сумма страницы Ogg");
    case Fault::BrokenPacket:
        return tr("Страницы Ogg не складываются в пакеты");
    case Fault::BadHeader:
        return tr("Повреждён заголовок потока");
    case Fault::AudioOnHeaderPage:
        return tr("Звук начинается на странице заголовков: файл не перезаписывается");
    case Fault::InterleavedStreams:
        return tr("Страницы другого потока среди заголовков: файл не перезаписывается");
    case Fault::TagTooBig:
        return tr("Комментарии не помещаются в блок FLAC");
    }
    return {};
}

QString NativeMessage::NoId3v1() { return tr("ID3v1 не применяется к файлам FLAC, Ogg и Opus"); }

} // namespace qm
