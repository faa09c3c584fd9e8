<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ru">
<context>
    <name>main</name>
    <message>
        <source>Правка имён файлов и тегов ID3v1 и ID3v2 у многих аудиофайлов сразу.</source>
        <translation>Edits the file names and ID3v1 and ID3v2 tags of many audio files at once.</translation>
    </message>
    <message>
        <source>файл</source>
        <translation>file</translation>
    </message>
    <message>
        <source>Файл, который становится первой строкой таблицы.</source>
        <translation>A file that becomes the first row of the table.</translation>
    </message>
    <message>
        <source>[файл...]</source>
        <translation>[file...]</translation>
    </message>
</context>
<context>
    <name>qm::CellEditorBar</name>
    <message>
        <source>Окно редактирования выделенных ячеек</source>
        <translation>Edit box for the selected cells</translation>
    </message>
</context>
<context>
    <name>qm::ColumnViews</name>
    <message>
        <source>Показать информацию о файлах</source>
        <translation>Show file info</translation>
    </message>
    <message>
        <source>Скрыть информацию о файлах</source>
        <translation>Hide file info</translation>
    </message>
    <message>
        <source>Скрыть %1</source>
        <translation>Hide %1</translation>
    </message>
    <message>
        <source>Показать %1</source>
        <translation>Show %1</translation>
    </message>
</context>
<context>
    <name>qm::CommandSet</name>
    <message>
        <source>&amp;Новый список</source>
        <translation>&amp;New list</translation>
    </message>
    <message>
        <source>Создать новый список</source>
        <translation>Create a new list</translation>
    </message>
    <message>
        <source>&amp;Открыть список...</source>
        <translation>&amp;Open list...</translation>
    </message>
    <message>
        <source>Открыть список</source>
        <translation>Open a list</translation>
    </message>
    <message>
        <source>&amp;Сохранить список...</source>
        <translation>&amp;Save list...</translation>
    </message>
    <message>
        <source>Сохранить cписок</source>
        <translation>Save the list</translation>
    </message>
    <message>
        <source>С&amp;пециальный список...</source>
        <translation>S&amp;pecial list...</translation>
    </message>
    <message>
        <source>&amp;Файлы...</source>
        <translation>&amp;Files...</translation>
    </message>
    <message>
        <source>Добавить в таблицу новые файлы</source>
        <translation>Add new files to the table</translation>
    </message>
    <message>
        <source>&amp;Директорию...</source>
        <translation>F&amp;older...</translation>
    </message>
    <message>
        <source>Добавить в таблицу новые файлы из папки</source>
        <translation>Add new files from a folder to the table</translation>
    </message>
    <message>
        <source>&amp;Список...</source>
        <translation>&amp;List...</translation>
    </message>
    <message>
        <source>Добавить в таблицу новые файлы из списка</source>
        <translation>Add new files from a list to the table</translation>
    </message>
    <message>
        <source>Список &amp;Winamp</source>
        <translation>&amp;Winamp list</translation>
    </message>
    <message>
        <source>&amp;Запустить выбранный файл</source>
        <translation>&amp;Run selected file</translation>
    </message>
    <message>
        <source>Запустить файл, соответствующий выбранной строке</source>
        <translation>Open the file of the selected row</translation>
    </message>
    <message>
        <source>Воспроизвести в Winamp</source>
        <translation>Play in Winamp</translation>
    </message>
    <message>
        <source>Воспроизвести выбранные файлы в Winamp</source>
        <translation>Play the selected files in Winamp</translation>
    </message>
    <message>
        <source>Добавить в Winamp</source>
        <translation>Add to Winamp</translation>
    </message>
    <message>
        <source>Добавить выбранные файлы в список воспроизведения Winamp</source>
        <translation>Add the selected files to the Winamp playlist</translation>
    </message>
    <message>
        <source>Открыть Winamp</source>
        <translation>Open Winamp</translation>
    </message>
    <message>
        <source>Запустить Winamp</source>
        <translation>Start Winamp</translation>
    </message>
    <message>
        <source>Записать ID3v1 Tag</source>
        <translation>Write ID3v1 Tag</translation>
    </message>
    <message>
        <source>Записать ID3v1 Tag (Ctrl+W)</source>
        <translation>Write ID3v1 Tag (Ctrl+W)</translation>
    </message>
    <message>
        <source>Записать ID3v2 Tag</source>
        <translation>Write ID3v2 Tag</translation>
    </message>
    <message>
        <source>Записать ID3v2 Tag (Ctrl+W)</source>
        <translation>Write ID3v2 Tag (Ctrl+W)</translation>
    </message>
    <message>
        <source>&amp;Обновить</source>
        <translation>&amp;Update</translation>
    </message>
    <message>
        <source>Обновить все файлы (Ctrl+U)</source>
        <translation>Update all files (Ctrl+U)</translation>
    </message>
    <message>
        <source>Обновить выделенные</source>
        <translation>Update selected</translation>
    </message>
    <message>
        <source>Обновить выделенные файлы (Ctrl+U)</source>
        <translation>Update the selected files (Ctrl+U)</translation>
    </message>
    <message>
        <source>Отменить последнее обновление</source>
        <translation>Undo last update</translation>
    </message>
    <message>
        <source>Отменить последнее обновление файлов</source>
        <translation>Undo the last update of the files</translation>
    </message>
    <message>
        <source>&amp;Выход</source>
        <translation>E&amp;xit</translation>
    </message>
    <message>
        <source>Выйти из программы</source>
        <translation>Quit the program</translation>
    </message>
    <message>
        <source>Вы&amp;резать</source>
        <translation>Cu&amp;t</translation>
    </message>
    <message>
        <source>Вырезать выделенные ячейки</source>
        <translation>Cut the selected cells</translation>
    </message>
    <message>
        <source>&amp;Копировать</source>
        <translation>&amp;Copy</translation>
    </message>
    <message>
        <source>Копировать выделенные ячейки</source>
        <translation>Copy the selected cells</translation>
    </message>
    <message>
        <source>&amp;Вставить в</source>
        <translation>&amp;Paste into</translation>
    </message>
    <message>
        <source>Встаить в выделенные ячейки</source>
        <translation>Paste into the selected cells</translation>
    </message>
    <message>
        <source>В&amp;ставить</source>
        <translation>Pa&amp;ste</translation>
    </message>
    <message>
        <source>Вставить ячейки</source>
        <translation>Paste cells</translation>
    </message>
    <message>
        <source>Очистить выделенное</source>
        <translation>Clear selected</translation>
    </message>
    <message>
        <source>Очистить выделенные ячейки</source>
        <translation>Clear the selected cells</translation>
    </message>
    <message>
        <source>&amp;Удалить выделенное</source>
        <translation>&amp;Delete selected</translation>
    </message>
    <message>
        <source>Удалить выделенные ячейки</source>
        <translation>Delete the selected cells</translation>
    </message>
    <message>
        <source>В&amp;ыделить все</source>
        <translation>Select &amp;all</translation>
    </message>
    <message>
        <source>Выделить все ячейки</source>
        <translation>Select all cells</translation>
    </message>
    <message>
        <source>Найти</source>
        <translation>Find</translation>
    </message>
    <message>
        <source>&amp;Отменить</source>
        <translation>&amp;Undo</translation>
    </message>
    <message>
        <source>Отменить последнее изменение таблицы</source>
        <translation>Undo the last change to the table</translation>
    </message>
    <message>
        <source>&amp;Повторить</source>
        <translation>&amp;Redo</translation>
    </message>
    <message>
        <source>Повторить отменённое изменение таблицы</source>
        <translation>Redo the undone change to the table</translation>
    </message>
    <message>
        <source>Заменить</source>
        <translation>Replace</translation>
    </message>
    <message>
        <source>Информация о файле</source>
        <translation>File info</translation>
    </message>
    <message>
        <source>Скрыть информацию о файле</source>
        <translation>Hide file info</translation>
    </message>
    <message>
        <source>Показать ID3v1 Tag</source>
        <translation>Show ID3v1 Tag</translation>
    </message>
    <message>
        <source>Скрыть ID3v2 Tag</source>
        <translation>Hide ID3v2 Tag</translation>
    </message>
    <message>
        <source>Настройки...</source>
        <translation>Options...</translation>
    </message>
    <message>
        <source>Настройки параметров Tag</source>
        <translation>Tag options</translation>
    </message>
    <message>
        <source>Поверх остальных окон</source>
        <translation>Stay on top</translation>
    </message>
    <message>
        <source>Показывать программу поверх остальных окон</source>
        <translation>Keep the program above other windows</translation>
    </message>
    <message>
        <source>&amp;Раздельная для каждой папки</source>
        <translation>&amp;Separate for each folder</translation>
    </message>
    <message>
        <source>Раздельная нумерация для каждой папки</source>
        <translation>Separate numbering for each folder</translation>
    </message>
    <message>
        <source>Файл</source>
        <translation>File</translation>
    </message>
    <message>
        <source>Редактирование</source>
        <translation>Editing</translation>
    </message>
    <message>
        <source>Нумерация</source>
        <translation>Numbering</translation>
    </message>
    <message>
        <source>Информация и теги</source>
        <translation>Info and tags</translation>
    </message>
    <message>
        <source>Обновление и запуск</source>
        <translation>Update and run</translation>
    </message>
    <message>
        <source>Замена символов</source>
        <translation>Character replacement</translation>
    </message>
    <message>
        <source>Редактор ячеек</source>
        <translation>Cell editor</translation>
    </message>
    <message>
        <source>Показать все</source>
        <translation>Show all</translation>
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
        <source>Размер</source>
        <translation>Size</translation>
    </message>
    <message>
        <source>Длительность</source>
        <translation>Duration</translation>
    </message>
    <message>
        <source>Информация</source>
        <translation>Info</translation>
    </message>
    <message>
        <source>Заголовок</source>
        <translation>Title</translation>
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
        <source>Авторское пр.</source>
        <translation>Copyright</translation>
    </message>
    <message>
        <source>Текст</source>
        <translation>Lyrics</translation>
    </message>
    <message>
        <source>Кодировщик</source>
        <translation>Encoded by</translation>
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
    <message>
        <source>&amp;Произвольно</source>
        <translation>&amp;Random</translation>
    </message>
    <message>
        <source>Все заглавные</source>
        <translation>All uppercase</translation>
    </message>
    <message>
        <source>Все строчные</source>
        <translation>All lowercase</translation>
    </message>
    <message>
        <source>Строка с заглавной</source>
        <translation>Sentence case</translation>
    </message>
    <message>
        <source>Слово с заглавной</source>
        <translation>Capitalize each word</translation>
    </message>
    <message>
        <source>Редактор алфавита</source>
        <translation>Alphabet editor</translation>
    </message>
    <message>
        <source>&amp;Заменить</source>
        <translation>&amp;Replace</translation>
    </message>
    <message>
        <source>Заменить символы</source>
        <translation>Replace characters</translation>
    </message>
    <message>
        <source>&amp;Восстановить</source>
        <translation>Re&amp;store</translation>
    </message>
    <message>
        <source>Восстановить замененные символы</source>
        <translation>Restore the replaced characters</translation>
    </message>
    <message>
        <source>Варианты восстановления</source>
        <translation>Restore variants</translation>
    </message>
    <message>
        <source>Добавить номер в позицию курсора</source>
        <translation>Insert the number at the cursor</translation>
    </message>
    <message>
        <source>Добавить путь</source>
        <translation>Insert path</translation>
    </message>
    <message>
        <source>Добавить старое имя</source>
        <translation>Insert old name</translation>
    </message>
    <message>
        <source>Добавить новое имя</source>
        <translation>Insert new name</translation>
    </message>
    <message>
        <source>Добавить расширение</source>
        <translation>Insert extension</translation>
    </message>
    <message>
        <source>Добавить размер файла</source>
        <translation>Insert file size</translation>
    </message>
    <message>
        <source>Добавить размер</source>
        <translation>Insert size</translation>
    </message>
    <message>
        <source>Добавить длительность</source>
        <translation>Insert duration</translation>
    </message>
    <message>
        <source>Добавить информацию</source>
        <translation>Insert info</translation>
    </message>
    <message>
        <source>Добавить заголовок</source>
        <translation>Insert title</translation>
    </message>
    <message>
        <source>Номер трека</source>
        <translation>Track number</translation>
    </message>
    <message>
        <source>Добавить номер трека</source>
        <translation>Insert track number</translation>
    </message>
    <message>
        <source>Имя артиста</source>
        <translation>Artist name</translation>
    </message>
    <message>
        <source>Добавить имя артиста</source>
        <translation>Insert artist name</translation>
    </message>
    <message>
        <source>Название альбома</source>
        <translation>Album title</translation>
    </message>
    <message>
        <source>Добавить название альбома</source>
        <translation>Insert album title</translation>
    </message>
    <message>
        <source>Добавить год</source>
        <translation>Insert year</translation>
    </message>
    <message>
        <source>Добавить жанр</source>
        <translation>Insert genre</translation>
    </message>
    <message>
        <source>Добавить комментарий</source>
        <translation>Insert comment</translation>
    </message>
    <message>
        <source>Добавить ориг. артиста</source>
        <translation>Insert orig. artist</translation>
    </message>
    <message>
        <source>Добавить ориг. заголовок</source>
        <translation>Insert orig. title</translation>
    </message>
    <message>
        <source>Добавить ориг. альбом</source>
        <translation>Insert orig. album</translation>
    </message>
    <message>
        <source>Добавить ориг. год</source>
        <translation>Insert orig. year</translation>
    </message>
    <message>
        <source>Добавить авторское пр.</source>
        <translation>Insert copyright</translation>
    </message>
    <message>
        <source>Добавить тексты</source>
        <translation>Insert lyrics</translation>
    </message>
    <message>
        <source>Добавить кодировщик</source>
        <translation>Insert encoder</translation>
    </message>
    <message>
        <source>Добавить композитора</source>
        <translation>Insert composer</translation>
    </message>
    <message>
        <source>Добавить язык</source>
        <translation>Insert language</translation>
    </message>
    <message>
        <source>Добавить ссылку</source>
        <translation>Insert URL</translation>
    </message>
    <message>
        <source>&amp;Вырезать</source>
        <translation>Cu&amp;t</translation>
    </message>
    <message>
        <source>Вс&amp;тавить</source>
        <translation>&amp;Paste</translation>
    </message>
    <message>
        <source>&amp;Удалить</source>
        <translation>&amp;Delete</translation>
    </message>
    <message>
        <source>Выделить в&amp;се</source>
        <translation>Select &amp;all</translation>
    </message>
    <message>
        <source>&amp;О программе...</source>
        <translation>&amp;About...</translation>
    </message>
    <message>
        <source>О программе</source>
        <translation>About</translation>
    </message>
</context>
<context>
    <name>qm::CoverPanel</name>
    <message>
        <source>Другая</source>
        <translation>Other</translation>
    </message>
    <message>
        <source>Значок файла</source>
        <translation>File icon</translation>
    </message>
    <message>
        <source>Другой значок</source>
        <translation>Other file icon</translation>
    </message>
    <message>
        <source>Передняя обложка</source>
        <translation>Front cover</translation>
    </message>
    <message>
        <source>Задняя обложка</source>
        <translation>Back cover</translation>
    </message>
    <message>
        <source>Страница буклета</source>
        <translation>Leaflet page</translation>
    </message>
    <message>
        <source>Носитель</source>
        <translation>Media</translation>
    </message>
    <message>
        <source>Ведущий исполнитель</source>
        <translation>Lead artist</translation>
    </message>
    <message>
        <source>Исполнитель</source>
        <translation>Artist</translation>
    </message>
    <message>
        <source>Дирижёр</source>
        <translation>Conductor</translation>
    </message>
    <message>
        <source>Группа</source>
        <translation>Band</translation>
    </message>
    <message>
        <source>Композитор</source>
        <translation>Composer</translation>
    </message>
    <message>
        <source>Автор слов</source>
        <translation>Lyricist</translation>
    </message>
    <message>
        <source>Место записи</source>
        <translation>Recording location</translation>
    </message>
    <message>
        <source>Во время записи</source>
        <translation>During recording</translation>
    </message>
    <message>
        <source>Во время исполнения</source>
        <translation>During performance</translation>
    </message>
    <message>
        <source>Кадр из видео</source>
        <translation>Video screen capture</translation>
    </message>
    <message>
        <source>Яркая цветная рыба</source>
        <translation>A bright coloured fish</translation>
    </message>
    <message>
        <source>Иллюстрация</source>
        <translation>Illustration</translation>
    </message>
    <message>
        <source>Логотип группы</source>
        <translation>Band logotype</translation>
    </message>
    <message>
        <source>Логотип издателя</source>
        <translation>Publisher logotype</translation>
    </message>
    <message>
        <source>Картинки</source>
        <translation>Pictures</translation>
    </message>
    <message>
        <source>Картинки текущего файла; перетащите сюда картинку, чтобы установить её выделенным файлам</source>
        <translation>The current file&apos;s pictures; drop a picture here to set it on the selected files</translation>
    </message>
    <message>
        <source>Тип %1</source>
        <translation>Type %1</translation>
    </message>
    <message>
        <source>%1, %2, %3×%4, %5 байт</source>
        <translation>%1, %2, %3×%4, %5 bytes</translation>
    </message>
    <message>
        <source>Картинка не читается</source>
        <translation>The picture cannot be read</translation>
    </message>
    <message>
        <source>Нет файла</source>
        <translation>No file</translation>
    </message>
    <message>
        <source>Нет картинок</source>
        <translation>No pictures</translation>
    </message>
    <message>
        <source>Изменено, будет записано при обновлении</source>
        <translation>Changed, to be written by the update</translation>
    </message>
</context>
<context>
    <name>qm::GridEditing</name>
    <message>
        <source>Нажмите для выделения или перемещения строк в таблице</source>
        <translation>Click to select or move rows of the table</translation>
    </message>
</context>
<context>
    <name>qm::GridModel</name>
    <message>
        <source>Кодовая страница старых тегов: %1</source>
        <translation>Code page of the old tags: %1</translation>
    </message>
</context>
<context>
    <name>qm::InfoPanel</name>
    <message>
        <source>Стоп</source>
        <translation>Stop</translation>
    </message>
</context>
<context>
    <name>qm::JobControl</name>
    <message>
        <source>Предупреждение</source>
        <translation>Warning</translation>
    </message>
    <message>
        <source>При отмене сортировки некоторые данные будут утеряны! 
Остановить сортировку?</source>
        <translation>Some data will be lost if sorting is cancelled! 
Stop sorting?</translation>
    </message>
</context>
<context>
    <name>qm::ListCommands</name>
    <message>
        <source>Все файлы (*)</source>
        <translation>All files (*)</translation>
    </message>
    <message>
        <source>Текстовые файлы (*.txt)</source>
        <translation>Text files (*.txt)</translation>
    </message>
    <message>
        <source>Список аудио файлов (*.m3u *.m3u8)</source>
        <translation>Audio file list (*.m3u *.m3u8)</translation>
    </message>
    <message>
        <source>Обычный список (*.txt)</source>
        <translation>Plain list (*.txt)</translation>
    </message>
    <message>
        <source>Специальный список (*.txt)</source>
        <translation>Special list (*.txt)</translation>
    </message>
    <message>
        <source>Список аудио файлов (*.m3u)</source>
        <translation>Audio file list (*.m3u)</translation>
    </message>
    <message>
        <source>Открытие списка</source>
        <translation>Open list</translation>
    </message>
    <message>
        <source>Сохранение списка</source>
        <translation>Save list</translation>
    </message>
    <message>
        <source>Список</source>
        <translation>List</translation>
    </message>
    <message>
        <source>Сохранено строк: %1 (%2)</source>
        <translation>Rows saved: %1 (%2)</translation>
    </message>
</context>
<context>
    <name>qm::MessageBoxQuestions</name>
    <message>
        <source>Предупреждение</source>
        <translation>Warning</translation>
    </message>
</context>
<context>
    <name>qm::MovePlanDialog</name>
    <message>
        <source>План обновления</source>
        <translation>Update plan</translation>
    </message>
    <message>
        <source>Файлов: %1, остальных файлов альбомов: %2 (остаются: %3), создать папок: %4, удалить папок: %5</source>
        <translation>Files: %1, other album files: %2 (staying: %3), folders to create: %4, folders to remove: %5</translation>
    </message>
    <message>
        <source>Действие</source>
        <translation>Action</translation>
    </message>
    <message>
        <source>Файл</source>
        <translation>File</translation>
    </message>
    <message>
        <source>Новое имя</source>
        <translation>New name</translation>
    </message>
    <message>
        <source>Выполнить</source>
        <translation>Run</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>переименовать</source>
        <translation>rename</translation>
    </message>
    <message>
        <source>переместить</source>
        <translation>move</translation>
    </message>
    <message>
        <source>копировать</source>
        <translation>copy</translation>
    </message>
    <message>
        <source>переместить с альбомом</source>
        <translation>move with the album</translation>
    </message>
    <message>
        <source>оставить</source>
        <translation>leave</translation>
    </message>
    <message>
        <source>переписать имена файлов в .cue</source>
        <translation>name the files anew in the .cue</translation>
    </message>
    <message>
        <source>переписать имена файлов в списке</source>
        <translation>name the files anew in the play list</translation>
    </message>
    <message>
        <source>создать папку</source>
        <translation>create folder</translation>
    </message>
    <message>
        <source>удалить опустевшую папку</source>
        <translation>remove emptied folder</translation>
    </message>
</context>
<context>
    <name>qm::PictureCommands</name>
    <message>
        <source>Картинки (*.jpg *.jpeg *.png *.gif *.bmp *.webp);;Все файлы (*)</source>
        <translation>Pictures (*.jpg *.jpeg *.png *.gif *.bmp *.webp);;All files (*)</translation>
    </message>
    <message>
        <source>&amp;Картинки</source>
        <translation>&amp;Pictures</translation>
    </message>
    <message>
        <source>Панель &amp;картинок</source>
        <translation>&amp;Picture panel</translation>
    </message>
    <message>
        <source>Показать или скрыть картинки текущего файла</source>
        <translation>Show or hide the current file&apos;s pictures</translation>
    </message>
    <message>
        <source>&amp;Установить картинку...</source>
        <translation>&amp;Set picture...</translation>
    </message>
    <message>
        <source>Установить картинку из файла выделенным файлам</source>
        <translation>Set a picture from a file on the selected files</translation>
    </message>
    <message>
        <source>Картинки из &amp;папок</source>
        <translation>Pictures from &amp;folders</translation>
    </message>
    <message>
        <source>Установить каждому выделенному файлу картинку его папки (cover.jpg, folder.jpg, front.jpg …)</source>
        <translation>Set each selected file&apos;s folder picture on it (cover.jpg, folder.jpg, front.jpg …)</translation>
    </message>
    <message>
        <source>&amp;Уменьшить большие картинки</source>
        <translation>S&amp;hrink large pictures</translation>
    </message>
    <message>
        <source>Уменьшить картинки выделенных файлов, большие заданного размера</source>
        <translation>Shrink the selected files&apos; pictures larger than the chosen size</translation>
    </message>
    <message>
        <source>У&amp;далить картинки</source>
        <translation>&amp;Remove pictures</translation>
    </message>
    <message>
        <source>Удалить все картинки выделенных файлов</source>
        <translation>Remove every picture of the selected files</translation>
    </message>
    <message>
        <source>&amp;Сохранить картинку...</source>
        <translation>&amp;Save picture...</translation>
    </message>
    <message>
        <source>Сохранить картинку текущего файла в файл</source>
        <translation>Save the current file&apos;s picture to a file</translation>
    </message>
    <message>
        <source>&amp;Размер картинок...</source>
        <translation>Picture si&amp;ze...</translation>
    </message>
    <message>
        <source>Наибольший размер стороны и качество JPEG уменьшенных картинок</source>
        <translation>The longest side and the JPEG quality of shrunk pictures</translation>
    </message>
    <message>
        <source>Не удается записать файл %1: %2</source>
        <translation>Cannot write the file %1: %2</translation>
    </message>
    <message>
        <source>Картинка для выделенных файлов</source>
        <translation>Picture for the selected files</translation>
    </message>
    <message>
        <source>Сохранить картинку</source>
        <translation>Save picture</translation>
    </message>
    <message>
        <source> точек</source>
        <translation> pixels</translation>
    </message>
    <message>
        <source>PNG сохранять как JPEG</source>
        <translation>Save PNG as JPEG</translation>
    </message>
    <message>
        <source>Наибольшая сторона:</source>
        <translation>Longest side:</translation>
    </message>
    <message>
        <source>Качество JPEG:</source>
        <translation>JPEG quality:</translation>
    </message>
    <message>
        <source>и ещё %1</source>
        <translation>and %1 more</translation>
    </message>
    <message>
        <source>Картинки не изменены в файлах: %1</source>
        <translation>Pictures not changed in files: %1</translation>
    </message>
    <message>
        <source>Уменьшение больших картинок:</source>
        <translation>Shrinking large pictures:</translation>
    </message>
</context>
<context>
    <name>qm::PlayerCommands</name>
    <message>
        <source>Воспроизведение выбранных файлов в Winamp...</source>
        <translation>Playing the selected files in Winamp...</translation>
    </message>
    <message>
        <source>Добавление выбранных файлов в список воспроизведения Winamp...</source>
        <translation>Adding the selected files to the Winamp playlist...</translation>
    </message>
    <message>
        <source>Запуск Winamp...</source>
        <translation>Starting Winamp...</translation>
    </message>
    <message>
        <source>Не удается создать файл %1</source>
        <translation>Cannot create file %1</translation>
    </message>
</context>
<context>
    <name>qm::RenamingPage</name>
    <message>
        <source>Перемещать с альбомом его остальные файлы</source>
        <translation>Move an album&apos;s other files with it</translation>
    </message>
    <message>
        <source>Показывать план перед перемещением файлов</source>
        <translation>Show the plan before moving files</translation>
    </message>
    <message>
        <source>Когда все файлы папки уходят в одну новую папку, с ними уходят обложки, .cue, .log и другие файлы по шаблонам ниже</source>
        <translation>When all files of a folder go to one new folder, covers, .cue, .log and the other files matching the patterns below go with them</translation>
    </message>
    <message>
        <source>Шаблоны остальных файлов альбома (через «;»):</source>
        <translation>Patterns of an album&apos;s other files (separated by “;”):</translation>
    </message>
</context>
<context>
    <name>qm::ScanGridModel</name>
    <message>
        <source>Вкл</source>
        <translation>On</translation>
    </message>
    <message>
        <source>Сканируемое поле</source>
        <translation>Scanned field</translation>
    </message>
</context>
<context>
    <name>qm::TfrmAbout</name>
    <message>
        <source>О программе</source>
        <translation>About</translation>
    </message>
    <message>
        <source>&lt;h3&gt;Quillmark v2&lt;/h3&gt;&lt;p&gt;Версия %1&lt;/p&gt;&lt;p&gt;Правка имён файлов и тегов ID3v1 и ID3v2 у многих аудиофайлов сразу.&lt;/p&gt;&lt;p&gt;Программа предоставляется «как есть», без каких-либо гарантий.&lt;/p&gt;&lt;p&gt;Собрана с Qt %2; Qt распространяется на условиях GNU LGPL версии 3 (подробности — кнопка «О Qt»).&lt;/p&gt;&lt;p&gt;Папка настроек: %3&lt;/p&gt;</source>
        <translation>&lt;h3&gt;Quillmark v2&lt;/h3&gt;&lt;p&gt;Version %1&lt;/p&gt;&lt;p&gt;Edits the file names and ID3v1 and ID3v2 tags of many audio files at once.&lt;/p&gt;&lt;p&gt;The program is provided “as is”, without warranty of any kind.&lt;/p&gt;&lt;p&gt;Built with Qt %2; Qt is distributed under the terms of the GNU LGPL version 3 (for details, see the “About Qt” button).&lt;/p&gt;&lt;p&gt;Settings folder: %3&lt;/p&gt;</translation>
    </message>
    <message>
        <source>О Qt</source>
        <translation>About Qt</translation>
    </message>
</context>
<context>
    <name>qm::TfrmAddDirectory</name>
    <message>
        <source>Все файлы &lt;*.*&gt;</source>
        <translation>All files &lt;*.*&gt;</translation>
    </message>
    <message>
        <source>Инструкция по заданию маски:

Комментарий&lt;Маска_поиска1/Маска_поиска2/Маска_поиска3/...&gt;
или
Маска_поиска1/Маска_поиска2/Маска_поиска3/...

В маске поиска недопустимо использовать символы: /\:&quot;&lt;&gt;
(эти символы будут приняты как разделители масок)

Дополнительные символы маски:
  ? - любой символ
  * - любая последовательность символов или их отсутствие</source>
        <translation>How to write a mask:

Comment&lt;Search_mask1/Search_mask2/Search_mask3/...&gt;
or
Search_mask1/Search_mask2/Search_mask3/...

A search mask must not contain the characters: /\:&quot;&lt;&gt;
(they are taken as mask separators)

Special mask characters:
  ? - any character
  * - any sequence of characters, or none</translation>
    </message>
    <message>
        <source>Инструкция по заданию маски:

Комментарий&lt;Маска_поиска1|Маска_поиска2|Маска_поиска3|...&gt;
или
Маска_поиска1|Маска_поиска2|Маска_поиска3|...

В маске поиска недопустимо использовать символы: /\:&quot;&lt;&gt;|
(эти символы будут приняты как разделители масок)

Дополнительные символы маски:
	? - любой символ
	* - любая последовательность символов или их отсутствие</source>
        <translation>How to write a mask:

Comment&lt;Search_mask1|Search_mask2|Search_mask3|...&gt;
or
Search_mask1|Search_mask2|Search_mask3|...

A search mask must not contain the characters: /\:&quot;&lt;&gt;|
(they are taken as mask separators)

Special mask characters:
	? - any character
	* - any sequence of characters, or none</translation>
    </message>
    <message>
        <source>Сканирование директории</source>
        <translation>Scan folder</translation>
    </message>
    <message>
        <source>Директория для поиска файлов</source>
        <translation>Folder to search for files</translation>
    </message>
    <message>
        <source>Маска поиска файлов</source>
        <translation>File search mask</translation>
    </message>
    <message>
        <source>Аудио файлы &lt;*.mp3|*.wma|*.vqf|*.asf|*.ogg|*.lqt|*.wav|*.mid&gt;</source>
        <translation>Audio files &lt;*.mp3|*.wma|*.vqf|*.asf|*.ogg|*.lqt|*.wav|*.mid&gt;</translation>
    </message>
    <message>
        <source>Видео файлы &lt;*.avi|*.mpg|*.mp2|*.wmv|*.asf|*.3gp&gt;</source>
        <translation>Video files &lt;*.avi|*.mpg|*.mp2|*.wmv|*.asf|*.3gp&gt;</translation>
    </message>
    <message>
        <source>Графические файлы &lt;*.jpg|*.bmp|*.gif|*.psd&gt;</source>
        <translation>Image files &lt;*.jpg|*.bmp|*.gif|*.psd&gt;</translation>
    </message>
    <message>
        <source>Текстовые файлы &lt;*.txt|*.doc|*.rtf|*.htm|*.inf|*.diz&gt;</source>
        <translation>Text files &lt;*.txt|*.doc|*.rtf|*.htm|*.inf|*.diz&gt;</translation>
    </message>
    <message>
        <source>Учитывать регистр</source>
        <translation>Match case</translation>
    </message>
    <message>
        <source>Учитывать регистр букв в маске поиска</source>
        <translation>Match letter case in the search mask</translation>
    </message>
    <message>
        <source>Просматривать вложенные папки</source>
        <translation>Scan subfolders</translation>
    </message>
    <message>
        <source>Добавить</source>
        <translation>Add</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Неверно указана директория для просмотра файлов!</source>
        <translation>The folder to scan for files is not valid!</translation>
    </message>
    <message>
        <source>Выберите папку</source>
        <translation>Choose a folder</translation>
    </message>
    <message>
        <source>Аудио файлы &lt;*.mp3|*.flac|*.ogg|*.oga|*.opus|*.wma|*.vqf|*.asf|*.lqt|*.wav|*.mid&gt;</source>
        <translation>Audio files &lt;*.mp3|*.flac|*.ogg|*.oga|*.opus|*.wma|*.vqf|*.asf|*.lqt|*.wav|*.mid&gt;</translation>
    </message>
</context>
<context>
    <name>qm::TfrmAlphabetEditor</name>
    <message>
        <source>Имя алфавита</source>
        <translation>Alphabet name</translation>
    </message>
    <message>
        <source>Введите имя алфавита</source>
        <translation>Enter the alphabet name</translation>
    </message>
    <message>
        <source>Редактор алфавита</source>
        <translation>Alphabet editor</translation>
    </message>
    <message>
        <source>Название алфавита</source>
        <translation>Alphabet name</translation>
    </message>
    <message>
        <source>Очистить</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>Удалить алфавит</source>
        <translation>Delete alphabet</translation>
    </message>
    <message>
        <source>Сохранить алфавит</source>
        <translation>Save alphabet</translation>
    </message>
    <message>
        <source>Сохранить изменения в алфавите &quot;%1&quot;?</source>
        <translation>Save the changes to alphabet &quot;%1&quot;?</translation>
    </message>
    <message>
        <source>Подтведите</source>
        <translation>Confirm</translation>
    </message>
    <message>
        <source>Алфавит с этим именем уже существует,заменить его?</source>
        <translation>An alphabet with this name already exists, replace it?</translation>
    </message>
    <message>
        <source>Подтвердитe</source>
        <translation>Confirm</translation>
    </message>
    <message>
        <source>Вы хотите удалить текущий алфавит?</source>
        <translation>Do you want to delete the current alphabet?</translation>
    </message>
    <message>
        <source>Символ</source>
        <translation>Character</translation>
    </message>
    <message>
        <source>Замена</source>
        <translation>Replacement</translation>
    </message>
    <message>
        <source>Имя алфавита не может содержать «=» и начинаться с «;» или «[».</source>
        <translation>An alphabet name cannot contain “=” or begin with “;” or “[”.</translation>
    </message>
</context>
<context>
    <name>qm::TfrmCodepage</name>
    <message>
        <source>Кодовая страница</source>
        <translation>Code Page</translation>
    </message>
    <message>
        <source>Как в настройках (%1)</source>
        <translation>As in the options (%1)</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Старые теги файлов выделенных строк читать в кодовой странице:</source>
        <translation>Read the old tags of the selected rows&apos; files in the code page:</translation>
    </message>
</context>
<context>
    <name>qm::TfrmError</name>
    <message>
        <source>Ошибка</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>Не удалось изменить файлы:</source>
        <translation>Could not change the files:</translation>
    </message>
    <message>
        <source>Таблица с неизмененными файлами</source>
        <translation>Table of the unchanged files</translation>
    </message>
    <message>
        <source>Удалить измененные</source>
        <translation>Remove changed</translation>
    </message>
    <message>
        <source>Удалить измененные файлы из таблицы (будьте осторожны)</source>
        <translation>Remove the changed files from the table (be careful)</translation>
    </message>
    <message>
        <source>Закрыть</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>&amp;Копировать</source>
        <translation>&amp;Copy</translation>
    </message>
    <message>
        <source>В&amp;ыделить все</source>
        <translation>Select &amp;all</translation>
    </message>
</context>
<context>
    <name>qm::TfrmFind</name>
    <message>
        <source>Найти и заменить</source>
        <translation>Find and replace</translation>
    </message>
    <message>
        <source>Найти</source>
        <translation>Find</translation>
    </message>
    <message>
        <source>Заменить</source>
        <translation>Replace</translation>
    </message>
    <message>
        <source>Параметры</source>
        <translation>Options</translation>
    </message>
    <message>
        <source>Заменить:</source>
        <translation>Replace:</translation>
    </message>
    <message>
        <source>Учитывать регистр</source>
        <translation>Match case</translation>
    </message>
    <message>
        <source>Слово целиком</source>
        <translation>Whole words only</translation>
    </message>
    <message>
        <source>Везде</source>
        <translation>Everywhere</translation>
    </message>
    <message>
        <source>Вперед</source>
        <translation>Forward</translation>
    </message>
    <message>
        <source>Назад</source>
        <translation>Backward</translation>
    </message>
    <message>
        <source>В выделенном</source>
        <translation>In selection</translation>
    </message>
    <message>
        <source>Порядок поиска:</source>
        <translation>Search order:</translation>
    </message>
    <message>
        <source>По столбцам</source>
        <translation>By columns</translation>
    </message>
    <message>
        <source>По строкам</source>
        <translation>By rows</translation>
    </message>
    <message>
        <source>Найти:</source>
        <translation>Find:</translation>
    </message>
    <message>
        <source>Поиск</source>
        <translation>Search</translation>
    </message>
    <message>
        <source>Найти далее</source>
        <translation>Find next</translation>
    </message>
    <message>
        <source>Заменить все</source>
        <translation>Replace all</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Поиск завершен. Повторить поиск с начала?</source>
        <translation>Search finished. Search again from the start?</translation>
    </message>
    <message>
        <source>Поиск завершен. Повторить поиск с конца?</source>
        <translation>Search finished. Search again from the end?</translation>
    </message>
    <message>
        <source>Подтвердитe</source>
        <translation>Confirm</translation>
    </message>
</context>
<context>
    <name>qm::TfrmOptions</name>
    <message>
        <source>Файл</source>
        <translation>File</translation>
    </message>
    <message>
        <source>Редактирование</source>
        <translation>Editing</translation>
    </message>
    <message>
        <source>Нумерация</source>
        <translation>Numbering</translation>
    </message>
    <message>
        <source>Информация и теги</source>
        <translation>Info and tags</translation>
    </message>
    <message>
        <source>Обновление и запуск</source>
        <translation>Update and run</translation>
    </message>
    <message>
        <source>Замена символов</source>
        <translation>Character replacement</translation>
    </message>
    <message>
        <source>Редактор ячек</source>
        <translation>Cell editor</translation>
    </message>
    <message>
        <source>Настройки</source>
        <translation>Options</translation>
    </message>
    <message>
        <source>Основные</source>
        <translation>General</translation>
    </message>
    <message>
        <source>Скан. ячеек</source>
        <translation>Cell scan</translation>
    </message>
    <message>
        <source>Закрыть</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Информация:</source>
        <translation>Info:</translation>
    </message>
    <message>
        <source>Считываемые поля:</source>
        <translation>Fields read:</translation>
    </message>
    <message>
        <source>Отображаемые поля:</source>
        <translation>Fields shown:</translation>
    </message>
    <message>
        <source>Кодовая страница текста в ID3v1, Lyrics и простых кадрах ID3v2</source>
        <translation>Code page of the text in ID3v1, Lyrics and plain ID3v2 frames</translation>
    </message>
    <message>
        <source>Кодовая страница тегов:</source>
        <translation>Tag code page:</translation>
    </message>
    <message>
        <source>Панели:</source>
        <translation>Toolbars:</translation>
    </message>
    <message>
        <source>Вкл</source>
        <translation>On</translation>
    </message>
    <message>
        <source>Читать Lyrics 2</source>
        <translation>Read Lyrics 2</translation>
    </message>
    <message>
        <source>Выделить все</source>
        <translation>Select all</translation>
    </message>
    <message>
        <source>Снять выделение</source>
        <translation>Clear all</translation>
    </message>
    <message>
        <source>Включить все</source>
        <translation>Turn all on</translation>
    </message>
    <message>
        <source>Выключить все</source>
        <translation>Turn all off</translation>
    </message>
    <message>
        <source>По умолчанию</source>
        <translation>Defaults</translation>
    </message>
    <message>
        <source>Читать Tag и информацию только для *.mp3, *.flac, *.ogg, *.opus</source>
        <translation>Read Tag and info for *.mp3, *.flac, *.ogg, *.opus only</translation>
    </message>
    <message>
        <source>Текст ID3v1 записывается в этой кодовой странице.</source>
        <translation>ID3v1 text is written in this code page.</translation>
    </message>
    <message>
        <source>2.3</source>
        <translation>2.3</translation>
    </message>
    <message>
        <source>2.4</source>
        <translation>2.4</translation>
    </message>
    <message>
        <source>Как в файле</source>
        <translation>As in the file</translation>
    </message>
    <message>
        <source>2.4 пишет текст в UTF-8, дату в TDRC и несколько значений раздельно; «Как в файле» оставляет теги 2.4 в 2.4, остальные пишет в 2.3</source>
        <translation>2.4 writes text in UTF-8, the date as TDRC and several values apart; “As in the file” keeps 2.4 tags in 2.4 and writes the others as 2.3</translation>
    </message>
    <message>
        <source>Версия ID3v2 при записи:</source>
        <translation>ID3v2 version when writing:</translation>
    </message>
    <message>
        <source>&amp;Переименовывание</source>
        <translation>&amp;Renaming</translation>
    </message>
</context>
<context>
    <name>qm::TfrmRepairEncoding</name>
    <message>
        <source>Исправить кодировку</source>
        <translation>Repair Encoding</translation>
    </message>
    <message>
        <source>Ячейка</source>
        <translation>Cell</translation>
    </message>
    <message>
        <source>Текст</source>
        <translation>Text</translation>
    </message>
    <message>
        <source>Исправление</source>
        <translation>Repair</translation>
    </message>
    <message>
        <source>Применить</source>
        <translation>Apply</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Ячейки с текстом в другой кодировке:</source>
        <translation>Cells with text in another encoding:</translation>
    </message>
</context>
<context>
    <name>qm::TfrmSpecList</name>
    <message>
        <source>Доступно если в таблице содержится ID3 Tag</source>
        <translation>Available when the table holds an ID3 Tag</translation>
    </message>
    <message>
        <source>Доступно только при раздельной нумерации</source>
        <translation>Available only with separate numbering</translation>
    </message>
    <message>
        <source>Номер папки (%NF)-&gt;</source>
        <translation>Folder number (%NF)-&gt;</translation>
    </message>
    <message>
        <source>Номер строки (%NS)-&gt;</source>
        <translation>Row number (%NS)-&gt;</translation>
    </message>
    <message>
        <source>Новое имя (%NN)-&gt;</source>
        <translation>New name (%NN)-&gt;</translation>
    </message>
    <message>
        <source>Папка (%FN)-&gt;</source>
        <translation>Folder (%FN)-&gt;</translation>
    </message>
    <message>
        <source>Старое имя (%ON)-&gt;</source>
        <translation>Old name (%ON)-&gt;</translation>
    </message>
    <message>
        <source>Путь (%PA)-&gt;</source>
        <translation>Path (%PA)-&gt;</translation>
    </message>
    <message>
        <source>Расширение (%EX)-&gt;</source>
        <translation>Extension (%EX)-&gt;</translation>
    </message>
    <message>
        <source>Размер (%SZ)-&gt;</source>
        <translation>Size (%SZ)-&gt;</translation>
    </message>
    <message>
        <source>Длительность (%DU)-&gt;</source>
        <translation>Duration (%DU)-&gt;</translation>
    </message>
    <message>
        <source>Информация (%IN)-&gt;</source>
        <translation>Info (%IN)-&gt;</translation>
    </message>
    <message>
        <source>&lt;-(%AR) Артист</source>
        <translation>&lt;-(%AR) Artist</translation>
    </message>
    <message>
        <source>&lt;-(%TT) Заголовок</source>
        <translation>&lt;-(%TT) Title</translation>
    </message>
    <message>
        <source>&lt;-(%AL) Альбом</source>
        <translation>&lt;-(%AL) Album</translation>
    </message>
    <message>
        <source>&lt;-(%CO) Комментарий</source>
        <translation>&lt;-(%CO) Comment</translation>
    </message>
    <message>
        <source>&lt;-(%YE) Год</source>
        <translation>&lt;-(%YE) Year</translation>
    </message>
    <message>
        <source>&lt;-(%GE) Жанр</source>
        <translation>&lt;-(%GE) Genre</translation>
    </message>
    <message>
        <source>&lt;-(%TR) Трек</source>
        <translation>&lt;-(%TR) Track</translation>
    </message>
    <message>
        <source>&lt;-(%OA) Ориг. артист</source>
        <translation>&lt;-(%OA) Orig. artist</translation>
    </message>
    <message>
        <source>&lt;-(%OT) Ориг. заголов</source>
        <translation>&lt;-(%OT) Orig. title</translation>
    </message>
    <message>
        <source>&lt;-(%OL) Ориг. альбом</source>
        <translation>&lt;-(%OL) Orig. album</translation>
    </message>
    <message>
        <source>&lt;-(%OY) Ориг. год</source>
        <translation>&lt;-(%OY) Orig. year</translation>
    </message>
    <message>
        <source>&lt;-(%TX) Текст</source>
        <translation>&lt;-(%TX) Lyrics</translation>
    </message>
    <message>
        <source>&lt;-(%CM) Композитор</source>
        <translation>&lt;-(%CM) Composer</translation>
    </message>
    <message>
        <source>&lt;-(%EN) Кодировщик</source>
        <translation>&lt;-(%EN) Encoded by</translation>
    </message>
    <message>
        <source>&lt;-(%CP) Авторское пр.</source>
        <translation>&lt;-(%CP) Copyright</translation>
    </message>
    <message>
        <source>&lt;-(%LN) Язык</source>
        <translation>&lt;-(%LN) Language</translation>
    </message>
    <message>
        <source>&lt;-(%XX) Ссылка</source>
        <translation>&lt;-(%XX) URL</translation>
    </message>
    <message>
        <source>Cпециальный список</source>
        <translation>Special list</translation>
    </message>
    <message>
        <source>Заголовок для папки</source>
        <translation>Folder heading</translation>
    </message>
    <message>
        <source>Строка списка</source>
        <translation>List line</translation>
    </message>
    <message>
        <source>Сохранить</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>&lt;-(%OY) Комментарий 2</source>
        <translation>&lt;-(%OY) Comment 2</translation>
    </message>
    <message>
        <source>&lt;-(%CP) Автор</source>
        <translation>&lt;-(%CP) Author</translation>
    </message>
</context>
<context>
    <name>qm::TfrmTagEditor</name>
    <message>
        <source>Файл</source>
        <translation>File</translation>
    </message>
    <message>
        <source>Редактирование</source>
        <translation>Editing</translation>
    </message>
    <message>
        <source>Нумерация</source>
        <translation>Numbering</translation>
    </message>
    <message>
        <source>Информация и теги</source>
        <translation>Info and tags</translation>
    </message>
    <message>
        <source>Обновление и запуск</source>
        <translation>Update and run</translation>
    </message>
    <message>
        <source>Замена символов</source>
        <translation>Character replacement</translation>
    </message>
    <message>
        <source>Редактор ячеек</source>
        <translation>Cell editor</translation>
    </message>
    <message>
        <source>Для добавления файлов или содержимого папок в таблицу можно перетаскивать выбранные объекты на форму</source>
        <translation>To add files or the contents of folders to the table, drag them onto the window</translation>
    </message>
    <message>
        <source>Упорядочить строки</source>
        <translation>Sort rows</translation>
    </message>
    <message>
        <source>Общая нумерация для каждой папки</source>
        <translation>Common numbering for all folders</translation>
    </message>
    <message>
        <source>Раздельная нумерация для каждой папки</source>
        <translation>Separate numbering for each folder</translation>
    </message>
    <message>
        <source>Открытие файлов</source>
        <translation>Open files</translation>
    </message>
    <message>
        <source>&amp;Файл</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>&amp;Добавить в таблицу</source>
        <translation>&amp;Add to table</translation>
    </message>
    <message>
        <source>Записать Tag</source>
        <translation>Write Tag</translation>
    </message>
    <message>
        <source>Только выделенные</source>
        <translation>Selected only</translation>
    </message>
    <message>
        <source>Записать только выделенные файлы</source>
        <translation>Write the selected files only</translation>
    </message>
    <message>
        <source>&amp;Замена</source>
        <translation>Re&amp;place</translation>
    </message>
    <message>
        <source>Регистр &amp;букв</source>
        <translation>Letter &amp;case</translation>
    </message>
    <message>
        <source>Алфавит</source>
        <translation>Alphabet</translation>
    </message>
    <message>
        <source>&amp;Правка</source>
        <translation>&amp;Edit</translation>
    </message>
    <message>
        <source>Удалить &amp;повторяющиеся</source>
        <translation>Remove dup&amp;licates</translation>
    </message>
    <message>
        <source>Удалить повторяющиеся строки из списка</source>
        <translation>Remove duplicate rows from the list</translation>
    </message>
    <message>
        <source>Данные в видимых столбцах</source>
        <translation>Data in visible columns</translation>
    </message>
    <message>
        <source>Данные во всех столбцах</source>
        <translation>Data in all columns</translation>
    </message>
    <message>
        <source>&amp;Упорядочить строки</source>
        <translation>S&amp;ort rows</translation>
    </message>
    <message>
        <source>&amp;Вид</source>
        <translation>&amp;View</translation>
    </message>
    <message>
        <source>Панели инструментов</source>
        <translation>Toolbars</translation>
    </message>
    <message>
        <source>Столбцы таблицы</source>
        <translation>Table columns</translation>
    </message>
    <message>
        <source>&amp;Нумерация</source>
        <translation>&amp;Numbering</translation>
    </message>
    <message>
        <source>&amp;Переименовывание</source>
        <translation>&amp;Renaming</translation>
    </message>
    <message>
        <source>&amp;Перемещать файлы</source>
        <translation>&amp;Move files</translation>
    </message>
    <message>
        <source>&amp;Копировать файлы</source>
        <translation>&amp;Copy files</translation>
    </message>
    <message>
        <source>&amp;Обновить</source>
        <translation>&amp;Update</translation>
    </message>
    <message>
        <source>&amp;Заменить</source>
        <translation>&amp;Replace</translation>
    </message>
    <message>
        <source>Тип нумерации строк таблицы</source>
        <translation>Numbering style of the table rows</translation>
    </message>
    <message>
        <source>Запуск выбранного файла...</source>
        <translation>Opening the selected file...</translation>
    </message>
    <message>
        <source>Файл или директория %1
не существует!</source>
        <translation>File or folder %1
does not exist!</translation>
    </message>
    <message>
        <source>Не найдена программа, чтобы открыть файл %1</source>
        <translation>No program was found to open the file %1</translation>
    </message>
    <message>
        <source>Все файлы (*);;Аудио файлы (*.mp3 *.flac *.ogg *.oga *.opus *.wma *.vqf *.asf *.lqt *.wav *.mid);;Видео файлы (*.avi *.mpg *.mp2 *.wmv *.asf);;Графические файлы (*.jpg *.bmp *.gif *.psd);;Текстовые файлы (*.txt *.doc *.rtf *.htm *.inf *.diz)</source>
        <translation>All files (*);;Audio files (*.mp3 *.flac *.ogg *.oga *.opus *.wma *.vqf *.asf *.lqt *.wav *.mid);;Video files (*.avi *.mpg *.mp2 *.wmv *.asf);;Image files (*.jpg *.bmp *.gif *.psd);;Text files (*.txt *.doc *.rtf *.htm *.inf *.diz)</translation>
    </message>
    <message>
        <source>Исправить кодировку…</source>
        <translation>Repair Encoding…</translation>
    </message>
    <message>
        <source>Исправить текст, прочитанный в другой кодировке</source>
        <translation>Repair text that was read in another encoding</translation>
    </message>
    <message>
        <source>Текста в другой кодировке нет</source>
        <translation>No text in another encoding</translation>
    </message>
    <message>
        <source>Кодовая страница…</source>
        <translation>Code Page…</translation>
    </message>
    <message>
        <source>Кодовая страница старых тегов файлов выделенных строк</source>
        <translation>The code page of the old tags of the selected rows&apos; files</translation>
    </message>
    <message>
        <source>Картинки</source>
        <translation>Pictures</translation>
    </message>
</context>
<context>
    <name>qm::TfrmVariantsRestore</name>
    <message>
        <source>Варианты восстановления</source>
        <translation>Restore variants</translation>
    </message>
    <message>
        <source>Применить</source>
        <translation>Apply</translation>
    </message>
    <message>
        <source>Попустить</source>
        <translation>Skip</translation>
    </message>
    <message>
        <source>Подтвердитe</source>
        <translation>Confirm</translation>
    </message>
    <message>
        <source>Поиск символов завершен. Начать поиск с начала?</source>
        <translation>Character search finished. Start again from the beginning?</translation>
    </message>
</context>
<context>
    <name>qm::WriteCommands</name>
    <message>
        <source>Копии файлов и файлы, заменённые при обновлении, не восстанавливаются.</source>
        <translation>File copies and files replaced by the update are not restored.</translation>
    </message>
    <message>
        <source>Нет обновлений для отмены.</source>
        <translation>There is no update to undo.</translation>
    </message>
    <message>
        <source>Отменить обновление от %1 (изменено файлов: %2)?
Файлам будут возвращены прежние имена и теги.
</source>
        <translation>Undo the update of %1 (files changed: %2)?
The files get their former names and tags back.
</translation>
    </message>
    <message>
        <source>Подтверждение</source>
        <translation>Confirmation</translation>
    </message>
    <message>
        <source>Не удалось отменить обновление: %1</source>
        <translation>Could not undo the update: %1</translation>
    </message>
    <message>
        <source>Обновление отменено. Возвращено файлов: %1.
</source>
        <translation>Update undone. Files restored: %1.
</translation>
    </message>
    <message>
        <source>; переименовано: %1</source>
        <translation>; renamed: %1</translation>
    </message>
    <message>
        <source>; с ошибками: %1</source>
        <translation>; failed: %1</translation>
    </message>
    <message>
        <source>Файлам, переименованным последним обновлением, будут возвращены прежние имена (файлов: %1).
Продолжить?</source>
        <translation>The files the last update renamed will get their previous names back (files: %1).
Continue?</translation>
    </message>
    <message>
        <source>dd.MM.yyyy hh:mm:ss</source>
        <comment>date and time of an update</comment>
        <translation>yyyy-MM-dd hh:mm:ss</translation>
    </message>
</context>
</TS>
