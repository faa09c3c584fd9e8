#include "app/commands.h"

#include "app/appicons.h"

#include <QAction>
#include <QActionGroup>
#include <QIcon>
#include <QKeyEvent>
#include <QKeySequence>

namespace qm {
namespace {

enum Flags : unsigned {
    kNone = 0,
    kCheckable = 1,
    kChecked = 2 | kCheckable,
    kReady = 4, // its work exists already; every other command starts hidden
    kFace = 8,  // a drop-down's face: shares its Tag with its first sub-command
};

struct CommandSpec {
    const char *name;
    const char *category;
    const char *caption;
    const char *hint;
    const char *key;
    int image; // stable identity; drop-down buttons and the settings refer to it
    int tag;   // -1: none
    unsigned flags;
    // commandIcon's name: a freedesktop icon name, or one of the program's own
    const char *icon;
};

// Image identities are part of the settings file format: never renumber.
// The paste-from-column commands form their own image list, numbered by the
// field number of their source column.
constexpr CommandSpec kLeadCommands[] = {
    // File
    {"aNewList", "File", QT_TRANSLATE_NOOP("qm::CommandSet", "&Новый список"),
     QT_TRANSLATE_NOOP("qm::CommandSet", "Создать новый список"), "Ctrl+N", 1, -1, kNone,
     "document-new"},
    {"aOpenList", "File", QT_TRANSLATE_NOOP("qm::CommandSet", "&Открыть список..."),
     QT_TRANSLATE_NOOP("qm::CommandSet", "Открыть список"), "Ctrl+O", 2, -1, kNone,
     "document-open"},
    {"aSaveList", "File", QT_TRANSLATE_NOOP("qm::CommandSet", "&Сохранить список..."),
     QT_TRANSLATE_NOOP("qm::CommandSet", "Сохранить cписок"), "Ctrl+S", 3, -1, kNone,
     "document-save"},
    {"aSpecList", "File", QT_TRANSLATE_NOOP("qm::CommandSet", "С&пециальный список..."), "", "", 4,
     -1, kNone, "document-export"},
    {"aAddFiles", "File", QT_TRANSLATE_NOOP("qm::CommandSet", "&Файлы..."),
     QT_TRANSLATE_NOOP("qm::CommandSet", "Добавить в таблицу новые файлы"), "", 5, -1, kNone,
     "list-add"},
    {"aAddDirectory", "File", QT_TRANSLATE_NOOP("qm::CommandSet", "&Директорию..."),
     QT_TRANSLATE_NOOP("qm::CommandSet", "Добавить в таблицу новые файлы из папки"), "", 6, -1,
     kNone, "quillmark-add-folder"},
    {"aAddList", "File", QT_TRANSLATE_NOOP("qm::CommandSet", "&Список..."),
     QT_TRANSLATE_NOOP("qm::CommandSet", "Добавить в таблицу новые файлы из списка"), "", 7, -1,
     kNone, "document-import"},
    {"aAddWinampList", "File", QT_TRANSLATE_NOOP("qm::CommandSet", "Список &Winamp"), "", "", 8, -1,
     kNone, "quillmark-add-playlist"},
    {"aRun", "File", QT_TRANSLATE_NOOP("qm::CommandSet", "&Запустить выбранный файл"),
     QT_TRANSLATE_NOOP("qm::CommandSet", "Запустить файл, соответствующий выбранной строке"),
     "Ctrl+R", 9, -1, kReady, "system-run"},
    {"aWinampPlay", "File", QT_TRANSLATE_NOOP("qm::CommandSet", "Воспроизвести в Winamp"),
     QT_TRANSLATE_NOOP("qm::CommandSet", "Воспроизвести выбранные файлы в Winamp"), "", 10, -1,
     kNone, "media-playback-start"},
    {"aWinampAdd", "File", QT_TRANSLATE_NOOP("qm::CommandSet", "Добавить в Winamp"),
     QT_TRANSLATE_NOOP("qm::CommandSet",
                       "Добавить выбранные файлы в список воспроизведения Winamp"),
     "", 11, -1, kNone, "media-playlist-append"},
    {"aWinampOpen", "File", QT_TRANSLATE_NOOP("qm::CommandSet", "Открыть Winamp"),
     QT_TRANSLATE_NOOP("qm::CommandSet", "Запустить Winamp"), "", 12, -1, kNone,
     "multimedia-player"},
    {"aWriteID3v1Tag", "File", QT_TRANSLATE_NOOP("qm::CommandSet", "Записать ID3v1 Tag"),
     QT_TRANSLATE_NOOP("qm::CommandSet", "Записать ID3v1 Tag (Ctrl+W)"), "Ctrl+W", 13, -1, kNone,
     "quillmark-write-id3v1"},
    {"aWriteID3v2Tag", "File", QT_TRANSLATE_NOOP("qm::CommandSet", "Записать ID3v2 Tag"),
     QT_TRANSLATE_NOOP("qm::CommandSet", "Записать ID3v2 Tag (Ctrl+W)"), "", 14, -1, kNone,
     "quillmark-write-id3v2"},
    {"aUpdate", "File", QT_TRANSLATE_NOOP("qm::CommandSet", "&Обновить"),
     QT_TRANSLATE_NOOP("qm::CommandSet", "Обновить все файлы (Ctrl+U)"), "Ctrl+U", 15, -1, kNone,
     "quillmark-update-all"},
    {"aUpdateSel", "File", QT_TRANSLATE_NOOP("qm::CommandSet", "Обновить выделенные"),
     QT_TRANSLATE_NOOP("qm::CommandSet", "Обновить выделенные файлы (Ctrl+U)"), "", 16, -1, kNone,
     "quillmark-update-selected"},
    {"aUndoUpdate", "File", QT_TRANSLATE_NOOP("qm::CommandSet", "Отменить последнее обновление"),
     QT_TRANSLATE_NOOP("qm::CommandSet", "Отменить последнее обновление файлов"), "", 19, -1, kNone,
     "quillmark-update-undo"},
    {"aExit", "File", QT_TRANSLATE_NOOP("qm::CommandSet", "&Выход"),
     QT_TRANSLATE_NOOP("qm::CommandSet", "Выйти из программы"), "Ctrl+Q", 17, -1, kReady,
     "application-exit"},
    // Edit
    {"aCut", "Edit", QT_TRANSLATE_NOOP("qm::CommandSet", "Вы&резать"),
     QT_TRANSLATE_NOOP("qm::CommandSet", "Вырезать выделенные ячейки"), "Ctrl+X", 20, -1, kNone,
     "edit-cut"},
    {"aCopy", "Edit", QT_TRANSLATE_NOOP("qm::CommandSet", "&Копировать"),
     QT_TRANSLATE_NOOP("qm::CommandSet", "Копировать выделенные ячейки"), "Ctrl+C", 21, -1, kNone,
     "edit-copy"},
    {"aPasteIn", "Edit", QT_TRANSLATE_NOOP("qm::CommandSet", "&Вставить в"),
     QT_TRANSLATE_NOOP("qm::CommandSet", "Встаить в выделенные ячейки"), "Ctrl+V", 22, -1, kNone,
     "edit-paste"},
    {"aPaste", "Edit", QT_TRANSLATE_NOOP("qm::CommandSet", "В&ставить"),
     QT_TRANSLATE_NOOP("qm::CommandSet", "Вставить ячейки"), "Ctrl+P", 23, -1, kNone,
     "quillmark-paste-cells"},
    {"aClearSelect", "Edit", QT_TRANSLATE_NOOP("qm::CommandSet", "Очистить выделенное"),
     QT_TRANSLATE_NOOP("qm::CommandSet", "Очистить выделенные ячейки"), "Ctrl+L", 24, -1, kNone,
     "edit-clear"},
    {"aDeleteSelect", "Edit", QT_TRANSLATE_NOOP("qm::CommandSet", "&Удалить выделенное"),
     QT_TRANSLATE_NOOP("qm::CommandSet", "Удалить выделенные ячейки"), "Ctrl+Del", 25, -1, kNone,
     "edit-delete"},
    {"aSelectAll", "Edit", QT_TRANSLATE_NOOP("qm::CommandSet", "В&ыделить все"),
     QT_TRANSLATE_NOOP("qm::CommandSet", "Выделить все ячейки"), "Ctrl+A", 26, -1, kNone,
     "edit-select-all"},
    {"aFind", "Edit", QT_TRANSLATE_NOOP("qm::CommandSet", "Найти"),
     QT_TRANSLATE_NOOP("qm::CommandSet", "Найти"), "Ctrl+F", 27, -1, kNone, "edit-find"},
    {"aUndo", "Edit", QT_TRANSLATE_NOOP("qm::CommandSet", "&Отменить"),
     QT_TRANSLATE_NOOP("qm::CommandSet", "Отменить последнее изменение таблицы"), "Ctrl+Z", 128, -1,
     kNone, "edit-undo"},
    {"aRedo", "Edit", QT_TRANSLATE_NOOP("qm::CommandSet", "&Повторить"),
     QT_TRANSLATE_NOOP("qm::CommandSet", "Повторить отменённое изменение таблицы"), "Ctrl+Shift+Z",
     129, -1, kNone, "edit-redo"},
    {"aFReplace", "Edit", QT_TRANSLATE_NOOP("qm::CommandSet", "Заменить"), "", "", 28, -1, kNone,
     "edit-find-replace"},
    // View
    {"aFileInfo", "View", QT_TRANSLATE_NOOP("qm::CommandSet", "Информация о файле"),
     QT_TRANSLATE_NOOP("qm::CommandSet", "Скрыть информацию о файле"), "Ctrl+I", 30, -1,
     kCheckable | kReady, "quillmark-view-info"},
    {"aID3v1Tag", "View", "ID3v1 &Tag", QT_TRANSLATE_NOOP("qm::CommandSet", "Показать ID3v1 Tag"),
     "", 31, -1, kCheckable | kReady, "quillmark-view-id3v1"},
    {"aID3v2Tag", "View", "ID3v2 Tag", QT_TRANSLATE_NOOP("qm::CommandSet", "Скрыть ID3v2 Tag"),
     "Ctrl+T", 32, -1, kCheckable | kReady, "quillmark-view-id3v2"},
    {"aOptions", "View", QT_TRANSLATE_NOOP("qm::CommandSet", "Настройки..."),
     QT_TRANSLATE_NOOP("qm::CommandSet", "Настройки параметров Tag"), "", 33, -1, kNone,
     "preferences-system"},
    {"aStayOnTop", "View", QT_TRANSLATE_NOOP("qm::CommandSet", "Поверх остальных окон"),
     QT_TRANSLATE_NOOP("qm::CommandSet", "Показывать программу поверх остальных окон"), "", 34, -1,
     kCheckable | kReady, ""},
    {"aNombers01", "View", "&01, 02, 03, ..", "", "", 35, -1, kChecked | kReady, ""},
    {"aNombers1", "View", "&1, 2, 3, ..", "", "", 36, -1, kCheckable | kReady, ""},
    {"aNombersSeparate", "View",
     QT_TRANSLATE_NOOP("qm::CommandSet", "&Раздельная для каждой папки"),
     QT_TRANSLATE_NOOP("qm::CommandSet", "Раздельная нумерация для каждой папки"), "", 18, -1,
     kCheckable, "quillmark-numbering-per-folder"},
    {"aVisibleBarFile", "View", QT_TRANSLATE_NOOP("qm::CommandSet", "Файл"), "", "", 40, -1,
     kChecked | kReady, ""},
    {"aVisibleBarEdit", "View", QT_TRANSLATE_NOOP("qm::CommandSet", "Редактирование"), "", "", 41,
     -1, kChecked | kReady, ""},
    {"aVisibleBarNombers", "View", QT_TRANSLATE_NOOP("qm::CommandSet", "Нумерация"), "", "", 42, -1,
     kChecked | kReady, ""},
    {"aVisibleBarTag", "View", QT_TRANSLATE_NOOP("qm::CommandSet", "Информация и теги"), "", "", 43,
     -1, kChecked | kReady, ""},
    {"aVisibleBarUpdate", "View", QT_TRANSLATE_NOOP("qm::CommandSet", "Обновление и запуск"), "",
     "", 44, -1, kChecked | kReady, ""},
    {"aVisibleBarReplace", "View", QT_TRANSLATE_NOOP("qm::CommandSet", "Замена символов"), "", "",
     45, -1, kChecked | kReady, ""},
    {"aVisibleBarCellsEditor", "View", QT_TRANSLATE_NOOP("qm::CommandSet", "Редактор ячеек"), "",
     "", 46, -1, kChecked | kReady, ""},
    {"aVisibleAll", "View", QT_TRANSLATE_NOOP("qm::CommandSet", "Показать все"), "", "", 47, -1,
     kReady, ""},
};

// The show/hide and sort commands of the columns come from the field
// catalogue between these two tables (CommandSet::addColumnCommands).
constexpr CommandSpec kTrailCommands[] = {
    {"aSortRandom", "View", QT_TRANSLATE_NOOP("qm::CommandSet", "&Произвольно"), "", "", 104, -1,
     kNone, ""},
    // Symbol replacement
    {"aUpperCase", "Replace", QT_TRANSLATE_NOOP("qm::CommandSet", "Все заглавные"),
     QT_TRANSLATE_NOOP("qm::CommandSet", "Все заглавные"), "", 110, -1, kNone,
     "quillmark-case-upper"},
    {"aLowerCase", "Replace", QT_TRANSLATE_NOOP("qm::CommandSet", "Все строчные"),
     QT_TRANSLATE_NOOP("qm::CommandSet", "Все строчные"), "", 111, -1, kNone,
     "quillmark-case-lower"},
    {"aUpLowerCase", "Replace", QT_TRANSLATE_NOOP("qm::CommandSet", "Строка с заглавной"),
     QT_TRANSLATE_NOOP("qm::CommandSet", "Строка с заглавной"), "", 112, -1, kNone,
     "quillmark-case-sentence"},
    {"aUpUpCase", "Replace", QT_TRANSLATE_NOOP("qm::CommandSet", "Слово с заглавной"),
     QT_TRANSLATE_NOOP("qm::CommandSet", "Слово с заглавной"), "", 113, -1, kNone,
     "quillmark-case-words"},
    {"aAlphabetEditor", "Replace", QT_TRANSLATE_NOOP("qm::CommandSet", "Редактор алфавита"),
     QT_TRANSLATE_NOOP("qm::CommandSet", "Редактор алфавита"), "", 114, -1, kNone,
     "accessories-character-map"},
    {"aReplace", "Replace", QT_TRANSLATE_NOOP("qm::CommandSet", "&Заменить"),
     QT_TRANSLATE_NOOP("qm::CommandSet", "Заменить символы"), "", 115, -1, kNone,
     "quillmark-replace-symbols"},
    {"aRestore", "Replace", QT_TRANSLATE_NOOP("qm::CommandSet", "&Восстановить"),
     QT_TRANSLATE_NOOP("qm::CommandSet", "Восстановить замененные символы"), "", 116, -1, kNone,
     "quillmark-restore-symbols"},
    {"aVariantsRestore", "Replace", QT_TRANSLATE_NOOP("qm::CommandSet", "Варианты восстановления"),
     "", "", 117, -1, kNone, ""},
    // Paste from column: image index = field number of the source column
    {"aPNo", "PasteFrom", "",
     QT_TRANSLATE_NOOP("qm::CommandSet", "Добавить номер в позицию курсора"), "", 0, 0, kNone, ""},
    {"aPDir", "PasteFrom", "", QT_TRANSLATE_NOOP("qm::CommandSet", "Добавить путь"), "", 1, 1,
     kNone, ""},
    {"aPName", "PasteFrom", "", QT_TRANSLATE_NOOP("qm::CommandSet", "Добавить старое имя"), "", 2,
     2, kFace, ""},
    {"aPOldName", "PasteFrom", QT_TRANSLATE_NOOP("qm::CommandSet", "Старое имя"),
     QT_TRANSLATE_NOOP("qm::CommandSet", "Добавить старое имя"), "", 2, 2, kNone, ""},
    {"aPNewName", "PasteFrom", QT_TRANSLATE_NOOP("qm::CommandSet", "Новое имя"),
     QT_TRANSLATE_NOOP("qm::CommandSet", "Добавить новое имя"), "", 3, 3, kNone, ""},
    {"aPExt", "PasteFrom", QT_TRANSLATE_NOOP("qm::CommandSet", "Расширение"),
     QT_TRANSLATE_NOOP("qm::CommandSet", "Добавить расширение"), "", 4, 4, kNone, ""},
    {"aPFileInf", "PasteFrom", "", QT_TRANSLATE_NOOP("qm::CommandSet", "Добавить размер файла"), "",
     5, 5, kFace, ""},
    {"aPSiz", "PasteFrom", QT_TRANSLATE_NOOP("qm::CommandSet", "Размер"),
     QT_TRANSLATE_NOOP("qm::CommandSet", "Добавить размер"), "", 5, 5, kNone, ""},
    {"aPDur", "PasteFrom", QT_TRANSLATE_NOOP("qm::CommandSet", "Длительность"),
     QT_TRANSLATE_NOOP("qm::CommandSet", "Добавить длительность"), "", 6, 6, kNone, ""},
    {"aPInf", "PasteFrom", QT_TRANSLATE_NOOP("qm::CommandSet", "Информация"),
     QT_TRANSLATE_NOOP("qm::CommandSet", "Добавить информацию"), "", 7, 7, kNone, ""},
    {"aPTag", "PasteFrom", "", QT_TRANSLATE_NOOP("qm::CommandSet", "Добавить заголовок"), "", 8, 8,
     kFace, ""},
    {"aPTitle", "PasteFrom", QT_TRANSLATE_NOOP("qm::CommandSet", "Заголовок"),
     QT_TRANSLATE_NOOP("qm::CommandSet", "Добавить заголовок"), "", 8, 8, kNone, ""},
    {"aPTrack", "PasteFrom", QT_TRANSLATE_NOOP("qm::CommandSet", "Номер трека"),
     QT_TRANSLATE_NOOP("qm::CommandSet", "Добавить номер трека"), "", 9, 9, kNone, ""},
    {"aPArtist", "PasteFrom", QT_TRANSLATE_NOOP("qm::CommandSet", "Имя артиста"),
     QT_TRANSLATE_NOOP("qm::CommandSet", "Добавить имя артиста"), "", 10, 10, kNone, ""},
    {"aPAlbum", "PasteFrom", QT_TRANSLATE_NOOP("qm::CommandSet", "Название альбома"),
     QT_TRANSLATE_NOOP("qm::CommandSet", "Добавить название альбома"), "", 11, 11, kNone, ""},
    {"aPYear", "PasteFrom", QT_TRANSLATE_NOOP("qm::CommandSet", "Год"),
     QT_TRANSLATE_NOOP("qm::CommandSet", "Добавить год"), "", 12, 12, kNone, ""},
    {"aPGenre", "PasteFrom", QT_TRANSLATE_NOOP("qm::CommandSet", "Жанр"),
     QT_TRANSLATE_NOOP("qm::CommandSet", "Добавить жанр"), "", 13, 13, kNone, ""},
    {"aPComment", "PasteFrom", QT_TRANSLATE_NOOP("qm::CommandSet", "Комментарий"),
     QT_TRANSLATE_NOOP("qm::CommandSet", "Добавить комментарий"), "", 14, 14, kNone, ""},
    {"aPOpe", "PasteFrom", QT_TRANSLATE_NOOP("qm::CommandSet", "Ориг. артист"),
     QT_TRANSLATE_NOOP("qm::CommandSet", "Добавить ориг. артиста"), "", 15, 15, kNone, ""},
    {"aPTt1", "PasteFrom", QT_TRANSLATE_NOOP("qm::CommandSet", "Ориг. заголовок"),
     QT_TRANSLATE_NOOP("qm::CommandSet", "Добавить ориг. заголовок"), "", 16, 16, kNone, ""},
    {"aPOal", "PasteFrom", QT_TRANSLATE_NOOP("qm::CommandSet", "Ориг. альбом"),
     QT_TRANSLATE_NOOP("qm::CommandSet", "Добавить ориг. альбом"), "", 17, 17, kNone, ""},
    {"aPOry", "PasteFrom", QT_TRANSLATE_NOOP("qm::CommandSet", "Ориг. год"),
     QT_TRANSLATE_NOOP("qm::CommandSet", "Добавить ориг. год"), "", 18, 18, kNone, ""},
    {"aPCop", "PasteFrom", QT_TRANSLATE_NOOP("qm::CommandSet", "Авторское пр."),
     QT_TRANSLATE_NOOP("qm::CommandSet", "Добавить авторское пр."), "", 19, 19, kNone, ""},
    {"aPSlt", "PasteFrom", QT_TRANSLATE_NOOP("qm::CommandSet", "Текст"),
     QT_TRANSLATE_NOOP("qm::CommandSet", "Добавить тексты"), "", 20, 20, kNone, ""},
    {"aPEnc", "PasteFrom", QT_TRANSLATE_NOOP("qm::CommandSet", "Кодировщик"),
     QT_TRANSLATE_NOOP("qm::CommandSet", "Добавить кодировщик"), "", 21, 21, kNone, ""},
    {"aPCmp", "PasteFrom", QT_TRANSLATE_NOOP("qm::CommandSet", "Композитор"),
     QT_TRANSLATE_NOOP("qm::CommandSet", "Добавить композитора"), "", 22, 22, kNone, ""},
    {"aPLan", "PasteFrom", QT_TRANSLATE_NOOP("qm::CommandSet", "Язык"),
     QT_TRANSLATE_NOOP("qm::CommandSet", "Добавить язык"), "", 23, 23, kNone, ""},
    {"aPXxx", "PasteFrom", QT_TRANSLATE_NOOP("qm::CommandSet", "Ссылка"),
     QT_TRANSLATE_NOOP("qm::CommandSet", "Добавить ссылку"), "", 24, 24, kNone, ""},
    // Editor box context menu
    {"aEditUndo", "TextEdit", QT_TRANSLATE_NOOP("qm::CommandSet", "&Отменить"), "", "", 120, -1,
     kNone, "edit-undo"},
    {"aEditCut", "TextEdit", QT_TRANSLATE_NOOP("qm::CommandSet", "&Вырезать"), "", "", 121, -1,
     kNone, "edit-cut"},
    {"aEditCopy", "TextEdit", QT_TRANSLATE_NOOP("qm::CommandSet", "&Копировать"), "", "", 122, -1,
     kNone, "edit-copy"},
    {"aEditPaste", "TextEdit", QT_TRANSLATE_NOOP("qm::CommandSet", "Вс&тавить"), "", "", 123, -1,
     kNone, "edit-paste"},
    {"aEditDelete", "TextEdit", QT_TRANSLATE_NOOP("qm::CommandSet", "&Удалить"), "", "", 124, -1,
     kNone, "edit-delete"},
    {"aEditSelectAll", "TextEdit", QT_TRANSLATE_NOOP("qm::CommandSet", "Выделить в&се"), "", "",
     125, -1, kNone, "edit-select-all"},
    // Help
    {"aAbout", "Help", QT_TRANSLATE_NOOP("qm::CommandSet", "&О программе..."),
     QT_TRANSLATE_NOOP("qm::CommandSet", "О программе"), "", 130, -1, kNone, "help-about"},
};

// Each member of NamedCommands with its command's name.
struct NamedSlot {
    const char *name;
    QAction *NamedCommands::*member;
};

constexpr NamedSlot kNamed[] = {
    {"aNewList", &NamedCommands::aNewList},
    {"aOpenList", &NamedCommands::aOpenList},
    {"aSaveList", &NamedCommands::aSaveList},
    {"aSpecList", &NamedCommands::aSpecList},
    {"aAddFiles", &NamedCommands::aAddFiles},
    {"aAddDirectory", &NamedCommands::aAddDirectory},
    {"aAddList", &NamedCommands::aAddList},
    {"aAddWinampList", &NamedCommands::aAddWinampList},
    {"aRun", &NamedCommands::aRun},
    {"aWinampPlay", &NamedCommands::aWinampPlay},
    {"aWinampAdd", &NamedCommands::aWinampAdd},
    {"aWinampOpen", &NamedCommands::aWinampOpen},
    {"aWriteID3v1Tag", &NamedCommands::aWriteID3v1Tag},
    {"aWriteID3v2Tag", &NamedCommands::aWriteID3v2Tag},
    {"aUpdate", &NamedCommands::aUpdate},
    {"aUpdateSel", &NamedCommands::aUpdateSel},
    {"aUndoUpdate", &NamedCommands::aUndoUpdate},
    {"aExit", &NamedCommands::aExit},
    {"aCut", &NamedCommands::aCut},
    {"aCopy", &NamedCommands::aCopy},
    {"aPasteIn", &NamedCommands::aPasteIn},
    {"aPaste", &NamedCommands::aPaste},
    {"aClearSelect", &NamedCommands::aClearSelect},
    {"aDeleteSelect", &NamedCommands::aDeleteSelect},
    {"aSelectAll", &NamedCommands::aSelectAll},
    {"aFind", &NamedCommands::aFind},
    {"aUndo", &NamedCommands::aUndo},
    {"aRedo", &NamedCommands::aRedo},
    {"aFReplace", &NamedCommands::aFReplace},
    {"aFileInfo", &NamedCommands::aFileInfo},
    {"aID3v1Tag", &NamedCommands::aID3v1Tag},
    {"aID3v2Tag", &NamedCommands::aID3v2Tag},
    {"aOptions", &NamedCommands::aOptions},
    {"aStayOnTop", &NamedCommands::aStayOnTop},
    {"aNombers01", &NamedCommands::aNombers01},
    {"aNombers1", &NamedCommands::aNombers1},
    {"aNombersSeparate", &NamedCommands::aNombersSeparate},
    {"aVisibleAll", &NamedCommands::aVisibleAll},
    {"aSortRandom", &NamedCommands::aSortRandom},
    {"aUpperCase", &NamedCommands::aUpperCase},
    {"aLowerCase", &NamedCommands::aLowerCase},
    {"aUpLowerCase", &NamedCommands::aUpLowerCase},
    {"aUpUpCase", &NamedCommands::aUpUpCase},
    {"aAlphabetEditor", &NamedCommands::aAlphabetEditor},
    {"aReplace", &NamedCommands::aReplace},
    {"aRestore", &NamedCommands::aRestore},
    {"aVariantsRestore", &NamedCommands::aVariantsRestore},
    {"aPNo", &NamedCommands::aPNo},
    {"aPDir", &NamedCommands::aPDir},
    {"aPName", &NamedCommands::aPName},
    {"aPOldName", &NamedCommands::aPOldName},
    {"aPNewName", &NamedCommands::aPNewName},
    {"aPExt", &NamedCommands::aPExt},
    {"aPFileInf", &NamedCommands::aPFileInf},
    {"aPTag", &NamedCommands::aPTag},
    {"aEditUndo", &NamedCommands::aEditUndo},
    {"aEditCut", &NamedCommands::aEditCut},
    {"aEditCopy", &NamedCommands::aEditCopy},
    {"aEditPaste", &NamedCommands::aEditPaste},
    {"aEditDelete", &NamedCommands::aEditDelete},
    {"aEditSelectAll", &NamedCommands::aEditSelectAll},
    {"aAbout", &NamedCommands::aAbout},
};
// NamedCommands holds nothing but QAction pointers: its size counts them.
// NOLINTNEXTLINE(bugprone-sizeof-expression)
static_assert(sizeof(NamedCommands) == std::size(kNamed) * sizeof(QAction *),
              "every member has its name");

// A column's show/hide and sort commands have the images of their field
// number past these bases: aVisibleDir 50 .. aVisibleXxx 73, aSortByDirectory
// 80 .. aSortByXxx 103.
constexpr int kVisibleImageBase = 49;
constexpr int kSortImageBase = 79;

// The command of a row; `caption` is its caption translated.
QAction *makeCommand(QObject *owner, const CommandSpec &spec, const QString &caption)
{
    auto *action = new QAction(caption, owner);
    action->setObjectName(QString::fromLatin1(spec.name));
    const QString hint = CommandSet::tr(spec.hint);
    action->setToolTip(hint.isEmpty() ? action->text().remove(QLatin1Char('&')) : hint);
    action->setStatusTip(hint);
    action->setProperty(CommandSet::kHintSourceProperty,
                        QString::fromUtf8(*spec.hint ? spec.hint : spec.caption).remove(u'&'));
    if (*spec.key)
        action->setShortcut(QKeySequence(QString::fromLatin1(spec.key)));
    action->setProperty(CommandSet::kImageProperty, spec.image);
    action->setProperty(CommandSet::kCategoryProperty, QString::fromLatin1(spec.category));
    if (spec.tag >= 0)
        action->setProperty(CommandSet::kTagProperty, spec.tag);
    if (spec.flags & kCheckable)
        action->setCheckable(true);
    if ((spec.flags & kChecked) == kChecked)
        action->setChecked(true);
    action->setIcon(commandIcon(QString::fromLatin1(spec.icon)));
    CommandSet::setPending(action, !(spec.flags & kReady));
    return action;
}

} // namespace

QAction *CommandSet::add(QAction *action)
{
    commands_.append(action);
    byName_.insert(action->objectName(), action);
    return action;
}

void CommandSet::addColumnCommands()
{
    for (int n = 1; n < kColumnCount; ++n) {
        const FieldNumber f = toField(n);
        const QByteArray name = visibleCommandName(f).toLatin1();
        const CommandSpec spec{name.constData(),      "View", columnInfo(f).name, "", "",
                               kVisibleImageBase + n, n,      kChecked | kReady,  ""};
        columns_[size_t(n)] = add(makeCommand(this, spec, fieldName(f)));
    }
    for (int n = 1; n < kColumnCount; ++n) {
        const FieldNumber f = toField(n);
        const QByteArray name = sortCommandName(f).toLatin1();
        const CommandSpec spec{name.constData(),
                               "View",
                               columnInfo(f).sortCaption,
                               "",
                               "",
                               kSortImageBase + n,
                               n,
                               kNone,
                               ""};
        sorts_[size_t(n)] = add(makeCommand(this, spec, sortCaption(f)));
    }
}

CommandSet::CommandSet(QObject *parent) : QObject(parent)
{
    nombersStyle_ = new QActionGroup(this);
    nombersStyle_->setExclusive(true);
    commands_.reserve(int(std::size(kLeadCommands) + std::size(kTrailCommands)) + 2 * kColumnCount);
    for (const CommandSpec &spec : kLeadCommands)
        add(makeCommand(this, spec, tr(spec.caption)));
    addColumnCommands();
    for (const CommandSpec &spec : kTrailCommands) {
        QAction *action = add(makeCommand(this, spec, tr(spec.caption)));
        // A paste family's first member; the drop-down faces share its tag.
        if (spec.tag >= 0 && !(spec.flags & kFace) && !pastes_[size_t(spec.tag)])
            pastes_[size_t(spec.tag)] = action;
    }
    resolve();
    // Both redo keys of the desktops.
    named_.aRedo->setShortcuts(
        {QKeySequence(QStringLiteral("Ctrl+Shift+Z")), QKeySequence(QStringLiteral("Ctrl+Y"))});
    nombersStyle_->addAction(named_.aNombers01);
    nombersStyle_->addAction(named_.aNombers1);
}

void CommandSet::resolve()
{
    const auto need = [this](const QString &name, QAction *action) {
        if (!action)
            unresolved_.append(name);
        Q_ASSERT_X(action, "CommandSet", qPrintable(name));
        return action;
    };
    for (const NamedSlot &slot : kNamed) {
        const QString name = QString::fromLatin1(slot.name);
        named_.*slot.member = need(name, byName_.value(name));
    }
    for (int i = 0; i < kBarCount; ++i) {
        const QString name = QStringLiteral("aVisibleBar") + barName(i);
        toolBars_[size_t(i)] = need(name, byName_.value(name));
    }
    for (int n = 1; n < kColumnCount; ++n)
        need(QStringLiteral("aP") + columnCode(toField(n)), pastes_[size_t(n)]);
}

QAction *CommandSet::find(const QString &name) const { return byName_.value(name); }

QAction *CommandSet::operator[](const QString &name) const
{
    QAction *action = byName_.value(name);
    Q_ASSERT_X(action, "CommandSet", qPrintable(name));
    return action;
}

QAction *CommandSet::visibleCommand(const QString &columnCode) const
{
    return find(QStringLiteral("aVisible") + columnCode);
}

QAction *CommandSet::commandForKey(const QKeyEvent *key) const
{
    if (key->key() == 0 || key->key() == Qt::Key_unknown)
        return nullptr;
    const QKeySequence pressed(
        QKeyCombination(key->modifiers() & ~Qt::KeypadModifier, Qt::Key(key->key())));
    for (QAction *action : commands_)
        if (action->shortcuts().contains(pressed))
            return action;
    return nullptr;
}

bool CommandSet::isTextEditKey(const QKeyEvent *key)
{
    for (auto standard : {QKeySequence::Cut, QKeySequence::Copy, QKeySequence::Paste,
                          QKeySequence::SelectAll, QKeySequence::Undo, QKeySequence::Redo})
        if (key->matches(standard))
            return true;
    return false;
}

QAction *CommandSet::commandOverTextBox(const QKeyEvent *key) const
{
    return isTextEditKey(key) ? nullptr : commandForKey(key);
}

bool CommandSet::keyRuns(const QAction *action)
{
    return action->isEnabled() && action->isVisible();
}

int CommandSet::imageOf(const QAction *action)
{
    return action ? action->property(kImageProperty).toInt() : -1;
}

bool CommandSet::isPending(const QAction *action)
{
    return action->property(kPendingProperty).toBool();
}

void CommandSet::setPending(QAction *action, bool pending)
{
    action->setProperty(kPendingProperty, pending);
    if (pending)
        action->setVisible(false);
}

void CommandSet::setInUse(QAction *action, bool inUse)
{
    action->setVisible(inUse && !isPending(action));
}

} // namespace qm
