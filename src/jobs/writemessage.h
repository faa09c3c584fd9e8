#pragma once

#include "formats/filechange.h"
#include "formats/id3v2frames.h"
#include "table/rowtable.h"

#include <QCoreApplication>
#include <QString>
#include <QStringList>

#include <vector>

namespace qm {

// Texts of the write job: the error table's messages, the questions and the
// message box of kind 117, in the user's language.
class WriteMessage {
    Q_DECLARE_TR_FUNCTIONS(qm::WriteMessage)

public:
    static QString ForbiddenFirst();
    static QString ForbiddenSecond();
    static QString NoFile();
    static QString NoNewPath();
    // New gives no name: empty, or dots and blanks only.
    static QString NoNewName();
    static QString NoNewFolder();
    static QString CannotCreateFolder();
    static QString TargetExists();
    static QString CannotReplace();
    static QString TagNotChanged();
    // Why a tag was not written, in front of TagNotChanged where it is known.
    static QString DiskFull();
    static QString NoPermission();
    static QString ChangeImpossible();
    // More reasons, in front of TagNotChanged or ChangeImpossible.
    static QString ChangedElsewhere();
    static QString HardLinks();
    static QString NameTooLong();
    static QString NoFolderPermission();
    static QString NulInName();
    static QString JournalNotWritten();
    static QString JournalDiskFull();
    // Why a change failed, where it is known; `ofFolder` for a rename, which
    // needs the right to write the folder, not the file. Empty otherwise.
    static QString Failure(WriteFailure failure, bool ofFolder = false);
    // The write does not start: the journal cannot be kept in `folder`.
    static QString JournalUnavailable(const QString &folder, const QString &reason);
    // Why an ID3v2 tag is not rewritten: bytes of it that were not
    // understood; empty for Damage::None.
    static QString TagDamaged(id3v2::Damage damage);
    // Why an ID3v1 tag is not written: Lyrics3 states no longer field.
    static QString Lyrics3FieldTooLong();
    // Why an ID3v1 tag is not written: the code page chosen for the file
    // (`name`) has no place for characters of the row's text.
    static QString CodepageCannotHold(const QString &name);
    static QString WriteNewNames();
    static QString ErrorCaption();

    // "Папка <folder> не существует. \nСоздать новую папку?"
    static QString CreateFolderQuestion(const QString &folder);
    // "Файл <path> уже существует.\nЗаменить существующий файл?"
    static QString ReplaceFileQuestion(const QString &path);
    // Before a write: `count` of its files were changed by another program
    // since their rows were read.
    static QString ChangedFilesQuestion(int count);
};

// The rows the write job could not apply, each with the cells of its table
// row at their current positions followed by the message (the error
// window's table without its header).
struct ErrorTable {
    int columnCount = kColumnCount + 1;
    std::vector<QStringList> rows;

    // One row of the table: the cells by position, then the message.
    static QStringList entry(const Row &row, const ColumnLayout &layout, const QString &message);
};

} // namespace qm
