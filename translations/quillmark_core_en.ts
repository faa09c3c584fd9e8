<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ru">
<context>
    <name>ImageText</name>
    <message>
        <source>формат не распознан</source>
        <translation>format not recognised</translation>
    </message>
    <message>
        <source>данные картинки повреждены</source>
        <translation>the image data is damaged</translation>
    </message>
    <message>
        <source>Картинка слишком велика: %1 байт (не больше %2)</source>
        <translation>Picture too large: %1 bytes (at most %2)</translation>
    </message>
    <message>
        <source>Картинка слишком велика: %1×%2 точек (не больше %3 по стороне)</source>
        <translation>Picture too large: %1×%2 pixels (at most %3 a side)</translation>
    </message>
    <message>
        <source>Не картинка: %1</source>
        <translation>Not a picture: %1</translation>
    </message>
</context>
<context>
    <name>Journal</name>
    <message>
        <source>не удается создать папку журнала</source>
        <translation>cannot make the journal folder</translation>
    </message>
    <message>
        <source>не удается записать журнал</source>
        <translation>cannot write the journal</translation>
    </message>
    <message>
        <source>не удается начать журнал</source>
        <translation>cannot start a journal</translation>
    </message>
    <message>
        <source>нет такой папки</source>
        <translation>no such folder</translation>
    </message>
    <message>
        <source>часть пути не является папкой</source>
        <translation>a part of the path is not a folder</translation>
    </message>
    <message>
        <source>на месте папки уже есть файл</source>
        <translation>a file stands where the folder should be</translation>
    </message>
    <message>
        <source>нет прав на запись</source>
        <translation>no permission to write</translation>
    </message>
    <message>
        <source>файловая система только для чтения</source>
        <translation>read-only file system</translation>
    </message>
    <message>
        <source>нет места на диске</source>
        <translation>no space left on the disk</translation>
    </message>
    <message>
        <source>слишком длинный путь</source>
        <translation>path too long</translation>
    </message>
    <message>
        <source>слишком много символических ссылок в пути</source>
        <translation>too many symbolic links in the path</translation>
    </message>
    <message>
        <source>ошибка ввода-вывода</source>
        <translation>input/output error</translation>
    </message>
</context>
<context>
    <name>Recovery</name>
    <message>
        <source>не удалось вернуть прежние байты</source>
        <translation>could not put the old bytes back</translation>
    </message>
    <message>
        <source>восстановление не тронуло %1: %2</source>
        <translation>recovery left %1 alone: %2</translation>
    </message>
    <message>
        <source>восстановление оставило %1: это может быть ваш файл</source>
        <translation>recovery kept %1: it may be a file of yours</translation>
    </message>
    <message>
        <source>журнал задания %1 поврежден: завершены только изменения, записанные до повреждения</source>
        <translation>the journal of job %1 is damaged: only the changes recorded before the damage were settled</translation>
    </message>
    <message>
        <source>журнал задания %1 поврежден на байте %2 из %3: ничего не возвращено</source>
        <translation>the journal of job %1 is damaged at byte %2 of %3; nothing was put back</translation>
    </message>
    <message>
        <source>не удалось вернуть файл</source>
        <translation>could not put it back</translation>
    </message>
    <message>
        <source>нет файла ни под одним из двух имен</source>
        <translation>neither name exists</translation>
    </message>
    <message>
        <source>заняты оба имени</source>
        <translation>both names exist</translation>
    </message>
    <message>
        <source>файл не найден</source>
        <translation>the file is gone</translation>
    </message>
    <message>
        <source>под этим именем другой файл</source>
        <translation>another file has the name</translation>
    </message>
    <message>
        <source>файл с тех пор изменен</source>
        <translation>changed since</translation>
    </message>
    <message>
        <source>не удалось вернуть папку</source>
        <translation>could not bring the folder back</translation>
    </message>
</context>
<context>
    <name>qm::Columns</name>
    <message>
        <source>№     </source>
        <translation>No.   </translation>
    </message>
    <message>
        <source>Путь</source>
        <translation>Path</translation>
    </message>
    <message>
        <source>Старое имя</source>
        <translation>Old name</translation>
    </message>
    <message>
        <source>Новое имя</source>
        <translation>New name</translation>
    </message>
    <message>
        <source>Расширение</source>
        <translation>Extension</translation>
    </message>
    <message>
        <source>Размер, байт</source>
        <translation>Size, bytes</translation>
    </message>
    <message>
        <source>Длительность</source>
        <translation>Duration</translation>
    </message>
    <message>
        <source>Информация</source>
        <translation>Information</translation>
    </message>
    <message>
        <source>Заголовок</source>
        <translation>Title</translation>
    </message>
    <message>
        <source>Трек</source>
        <translation>Track</translation>
    </message>
    <message>
        <source>Артист</source>
        <translation>Artist</translation>
    </message>
    <message>
        <source>Альбом</source>
        <translation>Album</translation>
    </message>
    <message>
        <source>Год</source>
        <translation>Year</translation>
    </message>
    <message>
        <source>Жанр</source>
        <translation>Genre</translation>
    </message>
    <message>
        <source>Комментарий</source>
        <translation>Comment</translation>
    </message>
    <message>
        <source>Ориг. артист</source>
        <translation>Orig. artist</translation>
    </message>
    <message>
        <source>Ориг. заголовок</source>
        <translation>Orig. title</translation>
    </message>
    <message>
        <source>Ориг. альбом</source>
        <translation>Orig. album</translation>
    </message>
    <message>
        <source>Ориг. год</source>
        <translation>Orig. year</translation>
    </message>
    <message>
        <source>Авторское право</source>
        <translation>Copyright</translation>
    </message>
    <message>
        <source>Текст</source>
        <translation>Lyrics</translation>
    </message>
    <message>
        <source>Кодировщик</source>
        <translation>Encoder</translation>
    </message>
    <message>
        <source>Композитор</source>
        <translation>Composer</translation>
    </message>
    <message>
        <source>Язык</source>
        <translation>Language</translation>
    </message>
    <message>
        <source>Ссылка</source>
        <translation>URL</translation>
    </message>
</context>
<context>
    <name>qm::FieldNames</name>
    <message>
        <source>Номер строки</source>
        <translation>Row number</translation>
    </message>
    <message>
        <source>Путь</source>
        <translation>Path</translation>
    </message>
    <message>
        <source>По &amp;пути</source>
        <translation>By &amp;path</translation>
    </message>
    <message>
        <source>Старое имя</source>
        <translation>Old name</translation>
    </message>
    <message>
        <source>По &amp;старому имени</source>
        <translation>By &amp;old name</translation>
    </message>
    <message>
        <source>Новое имя</source>
        <translation>New name</translation>
    </message>
    <message>
        <source>По &amp;новому имени</source>
        <translation>By &amp;new name</translation>
    </message>
    <message>
        <source>Расширение</source>
        <translation>Extension</translation>
    </message>
    <message>
        <source>По &amp;расширению</source>
        <translation>By &amp;extension</translation>
    </message>
    <message>
        <source>Размер</source>
        <translation>Size</translation>
    </message>
    <message>
        <source>По размеру</source>
        <translation>By size</translation>
    </message>
    <message>
        <source>Длительность</source>
        <translation>Duration</translation>
    </message>
    <message>
        <source>По длительности</source>
        <translation>By duration</translation>
    </message>
    <message>
        <source>Информация</source>
        <translation>Info</translation>
    </message>
    <message>
        <source>По информации</source>
        <translation>By info</translation>
    </message>
    <message>
        <source>Заголовок</source>
        <translation>Title</translation>
    </message>
    <message>
        <source>По &amp;заголовку</source>
        <translation>By &amp;title</translation>
    </message>
    <message>
        <source>Трек</source>
        <translation>Track</translation>
    </message>
    <message>
        <source>По номеру &amp;трека</source>
        <translation>By trac&amp;k number</translation>
    </message>
    <message>
        <source>Артист</source>
        <translation>Artist</translation>
    </message>
    <message>
        <source>По имени &amp;артиста</source>
        <translation>By &amp;artist name</translation>
    </message>
    <message>
        <source>Альбом</source>
        <translation>Album</translation>
    </message>
    <message>
        <source>По названию а&amp;льбома</source>
        <translation>By a&amp;lbum title</translation>
    </message>
    <message>
        <source>Год</source>
        <translation>Year</translation>
    </message>
    <message>
        <source>По &amp;году</source>
        <translation>By &amp;year</translation>
    </message>
    <message>
        <source>Жанр</source>
        <translation>Genre</translation>
    </message>
    <message>
        <source>По &amp;жанру</source>
        <translation>By &amp;genre</translation>
    </message>
    <message>
        <source>Комментарий</source>
        <translation>Comment</translation>
    </message>
    <message>
        <source>По &amp;комментарию</source>
        <translation>By &amp;comment</translation>
    </message>
    <message>
        <source>Ориг. артист</source>
        <translation>Orig. artist</translation>
    </message>
    <message>
        <source>По ориг. артисту</source>
        <translation>By orig. artist</translation>
    </message>
    <message>
        <source>Ориг. заголовок</source>
        <translation>Orig. title</translation>
    </message>
    <message>
        <source>По ориг. заголовоку</source>
        <translation>By orig. title</translation>
    </message>
    <message>
        <source>Ориг. альбом</source>
        <translation>Orig. album</translation>
    </message>
    <message>
        <source>По ориг. альбому</source>
        <translation>By orig. album</translation>
    </message>
    <message>
        <source>Ориг. год</source>
        <translation>Orig. year</translation>
    </message>
    <message>
        <source>Комментарий 2</source>
        <translation>Comment 2</translation>
    </message>
    <message>
        <source>По ориг. году</source>
        <translation>By orig. year</translation>
    </message>
    <message>
        <source>По комментарию 2</source>
        <translation>By comment 2</translation>
    </message>
    <message>
        <source>Авторское пр.</source>
        <translation>Copyright</translation>
    </message>
    <message>
        <source>Автор</source>
        <translation>Author</translation>
    </message>
    <message>
        <source>По авторскому пр.</source>
        <translation>By copyright</translation>
    </message>
    <message>
        <source>По автору</source>
        <translation>By author</translation>
    </message>
    <message>
        <source>Текст</source>
        <translation>Lyrics</translation>
    </message>
    <message>
        <source>По тексту</source>
        <translation>By lyrics</translation>
    </message>
    <message>
        <source>Кодировщик</source>
        <translation>Encoded by</translation>
    </message>
    <message>
        <source>По кодировщику</source>
        <translation>By encoder</translation>
    </message>
    <message>
        <source>Композитор</source>
        <translation>Composer</translation>
    </message>
    <message>
        <source>По композитору</source>
        <translation>By composer</translation>
    </message>
    <message>
        <source>Язык</source>
        <translation>Language</translation>
    </message>
    <message>
        <source>По языку</source>
        <translation>By language</translation>
    </message>
    <message>
        <source>Ссылка</source>
        <translation>URL</translation>
    </message>
    <message>
        <source>По ссылке</source>
        <translation>By URL</translation>
    </message>
</context>
<context>
    <name>qm::ListFile</name>
    <message>
        <source>Не удается открыть файл: 
</source>
        <translation>Cannot open the file: 
</translation>
    </message>
    <message>
        <source>Не удается создать файл: 
</source>
        <translation>Cannot create the file: 
</translation>
    </message>
</context>
<context>
    <name>qm::NativeMessage</name>
    <message>
        <source>Содержимое файла не соответствует его расширению</source>
        <translation>The file&apos;s contents do not match its extension</translation>
    </message>
    <message>
        <source>Повреждён тег ID3v2 перед данными FLAC</source>
        <translation>The ID3v2 tag in front of the FLAC data is damaged</translation>
    </message>
    <message>
        <source>Файл обрывается внутри заголовков</source>
        <translation>The file ends inside its headers</translation>
    </message>
    <message>
        <source>Блок метаданных FLAC нарушает формат</source>
        <translation>A FLAC metadata block breaks the format</translation>
    </message>
    <message>
        <source>Повреждён блок комментариев</source>
        <translation>The comment block is damaged</translation>
    </message>
    <message>
        <source>Повреждён блок картинки</source>
        <translation>The picture block is damaged</translation>
    </message>
    <message>
        <source>После метаданных FLAC нет звуковых данных</source>
        <translation>No audio follows the FLAC metadata</translation>
    </message>
    <message>
        <source>Повреждена страница Ogg</source>
        <translation>An Ogg page is damaged</translation>
    </message>
    <message>
        <source>Неверная контрольная сумма страницы Ogg</source>
        <translation>An Ogg page fails its checksum</translation>
    </message>
    <message>
        <source>Страницы Ogg не складываются в пакеты</source>
        <translation>The Ogg pages do not join into packets</translation>
    </message>
    <message>
        <source>Повреждён заголовок потока</source>
        <translation>The stream&apos;s header is damaged</translation>
    </message>
    <message>
        <source>Звук начинается на странице заголовков: файл не перезаписывается</source>
        <translation>The audio starts on a header page: the file is not rewritten</translation>
    </message>
    <message>
        <source>Страницы другого потока среди заголовков: файл не перезаписывается</source>
        <translation>Another stream&apos;s pages lie among the headers: the file is not rewritten</translation>
    </message>
    <message>
        <source>Комментарии не помещаются в блок FLAC</source>
        <translation>The comments do not fit in a FLAC block</translation>
    </message>
    <message>
        <source>ID3v1 не применяется к файлам FLAC, Ogg и Opus</source>
        <translation>ID3v1 does not apply to FLAC, Ogg and Opus files</translation>
    </message>
</context>
<context>
    <name>qm::PictureMessage</name>
    <message>
        <source>Не удается прочитать файл</source>
        <translation>Cannot read the file</translation>
    </message>
    <message>
        <source>Файл не MP3, FLAC, Ogg Vorbis или Opus</source>
        <translation>The file is not MP3, FLAC, Ogg Vorbis or Opus</translation>
    </message>
    <message>
        <source>Теги файла повреждены или непонятны, картинки не изменены</source>
        <translation>The file&apos;s tags are damaged or not understood; pictures not changed</translation>
    </message>
    <message>
        <source>Картинка не помещается в блок метаданных FLAC, картинки не изменены</source>
        <translation>The picture does not fit into a FLAC metadata block; pictures not changed</translation>
    </message>
    <message>
        <source>В папке файла нет картинки (cover.jpg, folder.jpg, front.jpg …)</source>
        <translation>The file&apos;s folder has no picture (cover.jpg, folder.jpg, front.jpg …)</translation>
    </message>
    <message>
        <source>В файле нет картинки с таким номером</source>
        <translation>The file has no picture of that number</translation>
    </message>
    <message>
        <source>Не удается прочитать картинку %1</source>
        <translation>Cannot read the picture %1</translation>
    </message>
    <message>
        <source>Картинки не изменены</source>
        <translation>Pictures not changed</translation>
    </message>
    <message>
        <source>Картинки изменены в файлах: %1/%2</source>
        <translation>Pictures changed in files: %1/%2</translation>
    </message>
    <message>
        <source>Картинки ждут обновления в файлах: %1/%2</source>
        <translation>Pictures waiting for the update in files: %1/%2</translation>
    </message>
    <message>
        <source>Картинку нельзя записать в файл, из которого она взята</source>
        <translation>The picture cannot be written over the file it is taken from</translation>
    </message>
</context>
<context>
    <name>qm::PlayerControl</name>
    <message>
        <source>Проигрыватель не найден</source>
        <translation>Player not found</translation>
    </message>
    <message>
        <source>Проигрыватель не выполнил команду</source>
        <translation>The player did not carry out the command</translation>
    </message>
</context>
<context>
    <name>qm::RepairTexts</name>
    <message>
        <source>Windows-1251 как Latin-1</source>
        <translation>Windows-1251 as Latin-1</translation>
    </message>
    <message>
        <source>Windows-1251 как Windows-1252</source>
        <translation>Windows-1251 as Windows-1252</translation>
    </message>
    <message>
        <source>KOI8-R как Latin-1</source>
        <translation>KOI8-R as Latin-1</translation>
    </message>
    <message>
        <source>CP866 как Latin-1</source>
        <translation>CP866 as Latin-1</translation>
    </message>
    <message>
        <source>UTF-8 как Latin-1</source>
        <translation>UTF-8 as Latin-1</translation>
    </message>
    <message>
        <source>UTF-8 как Windows-1252</source>
        <translation>UTF-8 as Windows-1252</translation>
    </message>
    <message>
        <source>UTF-8 как Latin-1 дважды</source>
        <translation>UTF-8 as Latin-1 twice</translation>
    </message>
    <message>
        <source>KOI8-R как Windows-1251</source>
        <translation>KOI8-R as Windows-1251</translation>
    </message>
    <message>
        <source>CP866 как Windows-1251</source>
        <translation>CP866 as Windows-1251</translation>
    </message>
    <message>
        <source>UTF-8 как Windows-1251</source>
        <translation>UTF-8 as Windows-1251</translation>
    </message>
    <message>
        <source>Windows-1252 как Windows-1251</source>
        <translation>Windows-1252 as Windows-1251</translation>
    </message>
    <message>
        <source>Windows-1251 в UTF-16</source>
        <translation>Windows-1251 in UTF-16</translation>
    </message>
    <message>
        <source>Имя файла в Windows-1251</source>
        <translation>File name in Windows-1251</translation>
    </message>
    <message>
        <source>Имя файла в KOI8-R</source>
        <translation>File name in KOI8-R</translation>
    </message>
    <message>
        <source>Имя файла в CP866</source>
        <translation>File name in CP866</translation>
    </message>
</context>
<context>
    <name>qm::RowMoves</name>
    <message>
        <source>Для перемещения строки можно использовать клавишы [Ctrl] + [Up] или [Down]</source>
        <translation>To move a row, you can use the keys [Ctrl] + [Up] or [Down]</translation>
    </message>
</context>
<context>
    <name>qm::SelectionState</name>
    <message>
        <source>Нельзя изменить путь при данной нумерации!</source>
        <translation>The path cannot be changed with this numbering!</translation>
    </message>
</context>
<context>
    <name>qm::Session</name>
    <message>
        <source>Не удалось вернуть файл</source>
        <translation>Could not restore the file</translation>
    </message>
    <message>
        <source>Файл не найден</source>
        <translation>File not found</translation>
    </message>
    <message>
        <source>Прежнее имя файла занято</source>
        <translation>The former file name is taken</translation>
    </message>
    <message>
        <source>Файл изменён после обновления</source>
        <translation>The file was changed after the update</translation>
    </message>
    <message>
        <source>Отмена обновления...</source>
        <translation>Undoing the update...</translation>
    </message>
    <message>
        <source>Возвращено файлов: </source>
        <translation>Files restored: </translation>
    </message>
    <message>
        <source>Не удалось записать файл алфавитов %1</source>
        <translation>Could not write the alphabet file %1</translation>
    </message>
</context>
<context>
    <name>qm::StatusPhrase</name>
    <message>
        <source>Добавлено файлов: </source>
        <translation>Files added: </translation>
    </message>
    <message>
        <source>Удалено повторяющихся строк: </source>
        <translation>Duplicate rows removed: </translation>
    </message>
    <message>
        <source>Изменено строк: </source>
        <translation>Rows changed: </translation>
    </message>
    <message>
        <source>Упорядочено строк: </source>
        <translation>Rows sorted: </translation>
    </message>
    <message>
        <source>Прочитано информации </source>
        <translation>File information read </translation>
    </message>
    <message>
        <source>Прочитано ID3v1 Tag: </source>
        <translation>ID3v1 Tags read: </translation>
    </message>
    <message>
        <source>Прочитано ID3v2 Tag: </source>
        <translation>ID3v2 Tags read: </translation>
    </message>
    <message>
        <source>Обработано файлов: </source>
        <translation>Files processed: </translation>
    </message>
    <message>
        <source>пропущено потоков: </source>
        <translation>streams skipped: </translation>
    </message>
</context>
<context>
    <name>qm::WriteMessage</name>
    <message>
        <source>Недопустимые символы в имени файла (*?&quot;&lt;&gt;|)</source>
        <translation>Invalid characters in the file name (*?&quot;&lt;&gt;|)</translation>
    </message>
    <message>
        <source>Недопустимые символы в имени файла (:/)</source>
        <translation>Invalid characters in the file name (:/)</translation>
    </message>
    <message>
        <source>Не существует файл</source>
        <translation>The file does not exist</translation>
    </message>
    <message>
        <source>Отсутствует новый путь</source>
        <translation>The new path is missing</translation>
    </message>
    <message>
        <source>Не существует новая папка</source>
        <translation>The new folder does not exist</translation>
    </message>
    <message>
        <source>Не удается создать папку</source>
        <translation>Cannot create the folder</translation>
    </message>
    <message>
        <source>Файл с новым именем уже существует</source>
        <translation>A file with the new name already exists</translation>
    </message>
    <message>
        <source>Не удается заменить файл</source>
        <translation>Cannot replace the file</translation>
    </message>
    <message>
        <source>Не изменен Tag.</source>
        <translation>Tag not changed.</translation>
    </message>
    <message>
        <source>Недостаточно места на диске</source>
        <translation>Not enough disk space</translation>
    </message>
    <message>
        <source>Нет прав на запись в файл</source>
        <translation>No permission to write the file</translation>
    </message>
    <message>
        <source>Изменение невозможно</source>
        <translation>The change is not possible</translation>
    </message>
    <message>
        <source>Напишите новые имена файлов.</source>
        <translation>Enter the new file names.</translation>
    </message>
    <message>
        <source>Ошибка</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>Папка %1 не существует. 
Создать новую папку?</source>
        <translation>The folder %1 does not exist. 
Create a new folder?</translation>
    </message>
    <message>
        <source>Файл %1 уже существует.
Заменить существующий файл?</source>
        <translation>The file %1 already exists.
Replace the existing file?</translation>
    </message>
    <message>
        <source>Файл изменён другой программой после чтения</source>
        <translation>The file was changed by another program after it was read</translation>
    </message>
    <message>
        <source>У файла несколько жёстких ссылок, новый тег разделил бы их</source>
        <translation>The file has several hard links: a new tag would split them</translation>
    </message>
    <message>
        <source>Слишком длинное имя файла</source>
        <translation>The file name is too long</translation>
    </message>
    <message>
        <source>Нулевой символ в имени файла</source>
        <translation>NUL character in the file name</translation>
    </message>
    <message>
        <source>Не удалось записать журнал</source>
        <translation>The journal could not be written</translation>
    </message>
    <message>
        <source>Журнал записи недоступен в папке %1 (%2). Файлы не изменены.</source>
        <translation>The write journal cannot be kept in the folder %1 (%2). No file was changed.</translation>
    </message>
    <message>
        <source>Нет прав на запись в папку</source>
        <translation>No permission to write the folder</translation>
    </message>
    <message>
        <source>Не удалось записать журнал: нет места на его диске</source>
        <translation>The journal could not be written: its disk is full</translation>
    </message>
    <message>
        <source>Новое имя пусто или состоит только из точек и пробелов</source>
        <translation>The new name is empty or only dots and blanks</translation>
    </message>
    <message>
        <source>Неизвестная версия ID3v2</source>
        <translation>Unknown ID3v2 version</translation>
    </message>
    <message>
        <source>Тег поврежден: он длиннее файла</source>
        <translation>The tag is damaged: it claims more bytes than the file has</translation>
    </message>
    <message>
        <source>Тег поврежден: кадр выходит за конец тега</source>
        <translation>The tag is damaged: a frame runs past the tag&apos;s end</translation>
    </message>
    <message>
        <source>Тег поврежден: байты, которые не являются ни кадром, ни заполнением</source>
        <translation>The tag is damaged: bytes that are neither a frame nor padding</translation>
    </message>
    <message>
        <source>Тег поврежден: флаг расширенного заголовка без заголовка</source>
        <translation>The tag is damaged: the extended header flag without the extended header</translation>
    </message>
    <message>
        <source>Тег поврежден: расширенный заголовок длиннее тега</source>
        <translation>The tag is damaged: an extended header longer than the tag</translation>
    </message>
    <message>
        <source>Тег поврежден: имена кадров версии 2.2 в теге более новой версии</source>
        <translation>The tag is damaged: version 2.2 frame ids in a later version&apos;s tag</translation>
    </message>
    <message>
        <source>Тег поврежден: кадр, который не удается разобрать</source>
        <translation>The tag is damaged: a frame that cannot be taken apart</translation>
    </message>
    <message>
        <source>Сжатый тег ID3v2.2</source>
        <translation>Compressed ID3v2.2 tag</translation>
    </message>
    <message>
        <source>Поле Lyrics3 длиннее 99999 байт</source>
        <translation>A Lyrics3 field longer than 99999 bytes</translation>
    </message>
    <message>
        <source>В кодовой странице %1 нет символов текста</source>
        <translation>The code page %1 cannot hold characters of the text</translation>
    </message>
    <message>
        <source>Файлов, измененных другой программой после чтения: %1. Записать их все равно?</source>
        <translation>Files changed by another program after they were read: %1. Write them anyway?</translation>
    </message>
</context>
</TS>
