#include "jobs/writemessage.h"

namespace qm {

QString WriteMessage::ForbiddenFirst()
{
    return tr("Недопустимые символы в имени файла (*?\"<>|)");
}
QString WriteMessage::ForbiddenSecond() { return tr("Недопустимые символы в имени файла (:/)"); }
QString WriteMessage::NoFile() { return tr("Не существует файл"); }
QString WriteMessage::NoNewPath() { return tr("Отсутствует новый путь"); }
QString WriteMessage::NoNewName()
{
    return tr("Новое имя пусто или состоит только из точек и пробелов");
}
QString WriteMessage::NoNewFolder() { return tr("Не существует новая папка"); }
QString WriteMessage::CannotCreateFolder() { return tr("Не удается создать папку"); }
QString WriteMessage::TargetExists() { return tr("Файл с новым именем уже существует"); }
QString WriteMessage::CannotReplace() { return tr("Не удается заменить файл"); }
QString WriteMessage::TagNotChanged() { return tr("Не изменен Tag."); }
QString WriteMessage::DiskFull() { return tr("Недостаточно места на диске"); }
QString WriteMessage::NoPermission() { return tr("Нет прав на запись в файл"); }
QString WriteMessage::ChangeImpossible() { return tr("Изменение невозможно"); }
QString WriteMessage::ChangedElsewhere()
{
    return tr("Файл изменён другой программой после чтения");
}
QString WriteMessage::HardLinks()
{
    return tr("У файла несколько жёстких ссылок, новый тег разделил бы их");
}
QString WriteMessage::NameTooLong() { return tr("Слишком длинное имя файла"); }
QString WriteMessage::NoFolderPermission() { return tr("Нет прав на запись в папку"); }
QString WriteMessage::NulInName() { return tr("Нулевой символ в имени файла"); }
QString WriteMessage::JournalNotWritten() { return tr("Не удалось записать журнал"); }
QString WriteMessage::JournalDiskFull()
{
    return tr("Не удалось записать журнал: нет места на его диске");
}
QString WriteMessage::JournalUnavailable(const QString &folder, const QString &reason)
{
    return tr("Журнал записи недоступен в папке %1 (%2). Файлы не изменены.").arg(folder, reason);
}
QString WriteMessage::Lyrics3FieldTooLong() { return tr("Поле Lyrics3 длиннее 99999 байт"); }
QString WriteMessage::CodepageCannotHold(const QString &name)
{
    return tr("В кодовой странице %1 нет символов текста").arg(name);
}
QString WriteMessage::TagDamaged(id3v2::Damage damage)
{
    // In the order of id3v2::Damage.
    static const char *const texts[] = {
        nullptr,
        QT_TRANSLATE_NOOP("qm::WriteMessage", "Неизвестная версия ID3v2"),
        QT_TRANSLATE_NOOP("qm::WriteMessage", "Тег поврежден: он длиннее файла"),
        QT_TRANSLATE_NOOP("qm::WriteMessage", "Тег поврежден: кадр выходит за конец тега"),
        QT_TRANSLATE_NOOP("qm::WriteMessage",
                          "Тег поврежден: байты, которые не являются ни кадром, ни заполнением"),
        QT_TRANSLATE_NOOP("qm::WriteMessage",
                          "Тег поврежден: флаг расширенного заголовка без заголовка"),
        QT_TRANSLATE_NOOP("qm::WriteMessage", "Тег поврежден: расширенный заголовок длиннее тега"),
        QT_TRANSLATE_NOOP("qm::WriteMessage",
                          "Тег поврежден: имена кадров версии 2.2 в теге более новой версии"),
        QT_TRANSLATE_NOOP("qm::WriteMessage", "Тег поврежден: кадр, который не удается разобрать"),
        QT_TRANSLATE_NOOP("qm::WriteMessage", "Сжатый тег ID3v2.2"),
    };
    static_assert(std::size(texts) == size_t(id3v2::Damage::CompressedTag) + 1);
    const char *text = texts[size_t(damage)];
    return text ? tr(text) : QString();
}
QString WriteMessage::WriteNewNames() { return tr("Напишите новые имена файлов."); }
QString WriteMessage::ErrorCaption() { return tr("Ошибка"); }

QString WriteMessage::CreateFolderQuestion(const QString &folder)
{
    return tr("Папка %1 не существует. \nСоздать новую папку?").arg(folder);
}

QString WriteMessage::ReplaceFileQuestion(const QString &path)
{
    return tr("Файл %1 уже существует.\nЗаменить существующий файл?").arg(path);
}

QString WriteMessage::ChangedFilesQuestion(int count)
{
    return tr("Файлов, измененных другой программой после чтения: %1. Записать их все равно?")
        .arg(count);
}

QStringList ErrorTable::entry(const Row &row, const ColumnLayout &layout, const QString &message)
{
    QStringList cells;
    cells.reserve(kColumnCount + 1);
    for (int position = 0; position < kColumnCount; ++position)
        cells.append(row[size_t(toInt(layout.fieldAt(position)))]);
    cells.append(message);
    return cells;
}

QString WriteMessage::Failure(WriteFailure failure, bool ofFolder)
{
    switch (failure) {
    case WriteFailure::DiskFull:
        return DiskFull();
    case WriteFailure::NoPermission:
        return ofFolder ? NoFolderPermission() : NoPermission();
    case WriteFailure::NoFolderPermission:
        return NoFolderPermission();
    case WriteFailure::Changed:
        return ChangedElsewhere();
    case WriteFailure::HardLinked:
        return HardLinks();
    case WriteFailure::NameTooLong:
        return NameTooLong();
    case WriteFailure::BadName:
        return NulInName();
    case WriteFailure::NoJournal:
        return JournalNotWritten();
    case WriteFailure::JournalFull:
        return JournalDiskFull();
    default:
        return {};
    }
}

} // namespace qm
