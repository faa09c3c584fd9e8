#pragma once

#include "formats/filechange.h"
#include "formats/id3v1.h"
#include "formats/id3v2.h"
#include "jobs/nativefile.h"
#include "jobs/readkinds.h"
#include "table/rowtable.h"

#include <QString>

#include <functional>

struct stat;

namespace qm {

// A cell of a row, as text.
inline QString rowCell(const Row &row, FieldNumber field)
{
    return row[size_t(toInt(field))].toString();
}

// The tag of the file with the row's changes, saved only when they change
// it: a file that already holds them keeps its bytes and its time, and one
// without a tag gets none that holds nothing. Only the cells that the
// reading by `settings` filled and that now say something else change their
// fields; the other fields stay as the file has them.
// With `planned` the change is only planned, for the caller to make;
// otherwise it is made here, told to `recorder` first when there is one.
// `known` is the file's state from a stat just made, or null; *failure says
// why a save failed, where that is known; `opened` is the file already open
// on `fileName`, or null. False when the tag could not be written; the file
// is then exactly as it was, permissions included.
bool WriteTagStep(TID3v1 &tag, const Row &row, const QString &fileName,
                  const ReadSettings &settings, const struct stat *known = nullptr,
                  FileChange *planned = nullptr, ChangeRecorder *recorder = nullptr,
                  WriteFailure *failure = nullptr, ReadOnlyFile *opened = nullptr);
bool WriteTagStep(TID3v2 &tag, const Row &row, const QString &fileName,
                  const ReadSettings &settings, const struct stat *known = nullptr,
                  FileChange *planned = nullptr, ChangeRecorder *recorder = nullptr,
                  WriteFailure *failure = nullptr, ReadOnlyFile *opened = nullptr);

// The same for the comments of a FLAC, Ogg Vorbis or Opus file, through
// the ID3v2 view's fields. On false, *fault says why the file could not be
// read or its comments rebuilt (None when the file could not be opened or
// the change itself failed).
bool WriteNativeTagStep(NativeFile &file, const Row &row, const QString &fileName,
                        const ReadSettings &settings, const struct stat *known, FileChange *planned,
                        ChangeRecorder *recorder, WriteFailure *failure, Fault *fault);

// The row's cells into the ID3v1 tag the file holds, and the tag to the file.
bool WriteTag1Step(TID3v1 &tag, const Row &row, const QString &fileName,
                   const ReadSettings &settings = {});

// The tag classes make a read-only file writable before they write; when
// `save` then fails, the file gets its old mode back, so that a failed
// write leaves no trace at all. `known` is the file's state from a stat the
// caller just made, or null to look here.
bool SaveKeepingMode(const QString &fileName, const std::function<bool()> &save,
                     const struct stat *known = nullptr);

} // namespace qm
