#pragma once

#include "formats/filechange.h"
#include "formats/fileio.h"
#include "formats/flacmeta.h"
#include "formats/nativetag.h"
#include "formats/ogg.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QString>

namespace qm {

class TID3v2;

// The files whose tags are Vorbis comments, told by their extension.
enum class NativeKind { None, Flac, Ogg };
NativeKind NativeKindOf(QStringView fileName);
inline bool IsNativeFile(QStringView fileName)
{
    return NativeKindOf(fileName) != NativeKind::None;
}

// A FLAC, Ogg Vorbis or Opus file's comments and stream, read through the
// format layer. One object reads file after file with the same buffers.
class NativeFile {
public:
    // False when the file cannot be opened (fault() None) or walked (the
    // fault says why). *stamp gets the file's stamp as it was opened (size
    // -1 when it could not be).
    bool read(const QString &fileName, FileStamp *stamp = nullptr);
    Fault fault() const { return fault_; }
    const NativeRead &result() const { return result_; }
    qint64 size() const { return size_; }

    // The change that gives the file read last the comment with `fields`
    // (only the fields that differ from the ones read change their
    // entries); empty when the file already holds them. False with the
    // fault when the file cannot take them or could not be read again.
    bool planFields(const TagFields &fields, FileChange *change);

private:
    bool readFlac(ReadOnlyFile &file);
    bool readOgg(ReadOnlyFile &file);
    // Reads the first bytes until `walk` stops asking for more.
    template <typename Walker> bool walkHead(ReadOnlyFile &file, Walker walk);

    NativeKind kind_ = NativeKind::None;
    QString fileName_;
    qint64 size_ = 0;
    FileStamp stamp_;
    Fault fault_ = Fault::None;
    QByteArray head_;
    QByteArray tail_;
    flac::Metadata flac_;
    ogg::StreamHeaders ogg_;
    NativeRead result_;
};

// The ID3v2 view's fields of a native read, as a tag the read and write
// steps of the ID3v2 view take.
void NativeTagView(const TagFields &fields, TID3v2 *tag);
TagFields NativeFieldsOf(const TID3v2 &tag);

// Texts about these files, in the user's language.
class NativeMessage {
    Q_DECLARE_TR_FUNCTIONS(qm::NativeMessage)

public:
    // Why a file was not read or written.
    static QString FaultText(Fault fault);
    // The ID3v1 view has no fields in them.
    static QString NoId3v1();
};

} // namespace qm
