#pragma once

// The journal's folder as its parts share it: one file and one lock per job,
// numbered. Internal to the journal.

#include "journal/journalformat.h"

#include <QList>
#include <QLockFile>
#include <QPair>
#include <QString>

#include <memory>

namespace qm::journal {

// The user's journal folder when `folder` is empty.
QString folderOrDefault(const QString &folder);
QString jobFile(const QString &folder, quint64 number);
// The job's lock, or null when another process holds it.
std::unique_ptr<QLockFile> lockJob(const QString &folder, quint64 number);
// The job numbers in the folder, oldest first.
QList<quint64> jobNumbers(const QString &folder);
// Appends records to a settled job's file and syncs them.
bool appendDurably(const QString &fileName, const QByteArray &bytes);
JobLog readJob(const QString &fileName);
// A finished job's file ends in its closing (or undone) record, which has
// no payload: known without reading the whole file.
bool isFinished(const QString &fileName);
// Whether the journal's file holds more than the records that check out
// and a record begins after the damage: not the torn last record a crash
// leaves, but damage in the middle.
bool isDamaged(const QString &fileName, const JobLog &log);
bool renameNoReplace(const QString &from, const QString &to);

// The temporary name a parked file takes: this prefix, kParkRandom
// characters, "-" and its own name.
inline constexpr char kParkPrefix[] = ".quillmark-";
inline constexpr int kParkRandom = 6;

using FileId = QPair<quint64, quint64>;
inline FileId idOf(const FileStamp &stamp) { return {stamp.device, stamp.inode}; }

} // namespace qm::journal
