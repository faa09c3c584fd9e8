#include "app/commands.h"

#include <QAction>
#include <QActionGroup>
#include <QIcon>
#include <QKeyEvent>
#include <QKeySequence>

#include "app/appicons.h"

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
constexpr CommandSpec kCommands[] = {
    // File
    {"aNewList", "File", "&Новый список", "Создать новый список", "Ctrl+N", 1, -1, kNone,
     "document-new"},
    {"aOpenList", "File", "&Открыть список...", "Открыть список", "Ctrl+O", 2, -1, kNone,
     "document-open"},
    {"aSaveList", "File", "&Сохранить список...", "Сохранить cписок", "Ctrl+S", 3, -1, kNone,
     "document-save"},
    {"aSpecList", "File", "С&пециальный список...", "", "", 4, -1, kNone, "document-export"},
    {"aAddFiles", "File", "&Файлы...", "Добавить в таблицу новые файлы", "", 5, -1, kNone,
     "list-add"},
    {"aAddDirectory", "File", "&Директорию...", "Добавить в таблицу новые файлы из папки", "", 6,
     -1, kNone, "quillmark-add-folder"},
    {"aAddList", "File", "&Список...", "Добавить в таблицу новые файлы из списка", "", 7, -1, kNone,
     "document-import"},
    {"aAddWinampList", "File", "Список &Winamp", "", "", 8, -1, kNone, "quillmark-add-playlist"},
    {"aRun", "File", "&Запустить выбранный файл",
     "Запустить файл, соответствующий выбранной строке", "Ctrl+R", 9, -1, kReady, "system-run"},
    {"aWinampPlay", "File", "Воспроизвести в Winamp", "Воспроизвести выбранные файлы в Winamp", "",
     10, -1, kNone, "media-playback-start"},
    {"aWinampAdd", "File", "Добавить в Winamp",
     "Добавить выбранные файлы в список воспроизведения Winamp", "", 11, -1, kNone,
     "media-playlist-append"},
    {"aWinampOpen", "File", "Открыть Winamp", "Запустить Winamp", "", 12, -1, kNone,
     "multimedia-player"},
    {"aWriteID3v1Tag", "File", "Записать ID3v1 Tag", "Записать ID3v1 Tag (Ctrl+W)", "Ctrl+W", 13,
     -1, kNone, "quillmark-write-id3v1"},
    {"aWriteID3v2Tag", "File", "Записать ID3v2 Tag", "Записать ID3v2 Tag (Ctrl+W)", "", 14, -1,
     kNone, "quillmark-write-id3v2"},
    {"aUpdate", "File", "&Обновить", "Обновить все файлы (Ctrl+U)", "Ctrl+U", 15, -1, kNone,
     "quillmark-update-all"},
    {"aUpdateSel", "File", "Обновить выделенные", "Обновить выделенные файлы (Ctrl+U)", "", 16, -1,
     kNone, "quillmark-update-selected"},
    {"aUndoUpdate", "File", "Отменить последнее обновление", "Отменить последнее обновление файлов",
     "", 19, -1, kNone, "quillmark-update-undo"},
    {"aExit", "File", "&Выход", "Выйти из программы", "Ctrl+Q", 17, -1, kReady, "application-exit"},
    // Edit
    {"aCut", "Edit", "Вы&резать", "Вырезать выделенные ячейки", "Ctrl+X", 20, -1, kNone,
     "edit-cut"},
    {"aCopy", "Edit", "&Копировать", "Копировать выделенные ячейки", "Ctrl+C", 21, -1, kNone,
     "edit-copy"},
    {"aPasteIn", "Edit", "&Вставить в", "Встаить в выделенные ячейки", "Ctrl+V", 22, -1, kNone,
     "edit-paste"},
    {"aPaste", "Edit", "В&ставить", "Вставить ячейки", "Ctrl+P", 23, -1, kNone,
     "quillmark-paste-cells"},
    {"aClearSelect", "Edit", "Очистить выделенное", "Очистить выделенные ячейки", "Ctrl+L", 24, -1,
     kNone, "edit-clear"},
    {"aDeleteSelect", "Edit", "&Удалить выделенное", "Удалить выделенные ячейки", "Ctrl+Del", 25,
     -1, kNone, "edit-delete"},
    {"aSelectAll", "Edit", "В&ыделить все", "Выделить все ячейки", "Ctrl+A", 26, -1, kNone,
     "edit-select-all"},
    {"aFind", "Edit", "Найти", "Найти", "Ctrl+F", 27, -1, kNone, "edit-find"},
    {"aUndo", "Edit", "&Отменить", "Отменить последнее изменение таблицы", "Ctrl+Z", 128, -1, kNone,
     "edit-undo"},
    {"aRedo", "Edit", "&Повторить", "Повторить отменённое изменение таблицы", "Ctrl+Shift+Z", 129,
     -1, kNone, "edit-redo"},
    {"aFReplace", "Edit", "Заменить", "", "", 28, -1, kNone, "edit-find-replace"},
    // View
    {"aFileInfo", "View", "Информация о файле", "Скрыть информацию о файле", "Ctrl+I", 30, -1,
     kCheckable | kReady, "quillmark-view-info"},
    {"aID3v1Tag", "View", "ID3v1 &Tag", "Показать ID3v1 Tag", "", 31, -1, kCheckable | kReady,
     "quillmark-view-id3v1"},
    {"aID3v2Tag", "View", "ID3v2 Tag", "Скрыть ID3v2 Tag", "Ctrl+T", 32, -1, kCheckable | kReady,
     "quillmark-view-id3v2"},
    {"aOptions", "View", "Настройки...", "Настройки параметров Tag", "", 33, -1, kNone,
     "preferences-system"},
    {"aStayOnTop", "View", "Поверх остальных окон", "Показывать программу поверх остальных окон",
     "", 34, -1, kCheckable | kReady, ""},
    {"aNombers01", "View", "&01, 02, 03, ..", "", "", 35, -1, kChecked | kReady, ""},
    {"aNombers1", "View", "&1, 2, 3, ..", "", "", 36, -1, kCheckable | kReady, ""},
    {"aNombersSeparate", "View", "&Раздельная для каждой папки",
     "Раздельная нумерация для каждой папки", "", 18, -1, kCheckable,
     "quillmark-numbering-per-folder"},
    {"aVisibleBarFile", "View", "Файл", "", "", 40, -1, kChecked | kReady, ""},
    {"aVisibleBarEdit", "View", "Редактирование", "", "", 41, -1, kChecked | kReady, ""},
    {"aVisibleBarNombers", "View", "Нумерация", "", "", 42, -1, kChecked | kReady, ""},
    {"aVisibleBarTag", "View", "Информация и теги", "", "", 43, -1, kChecked | kReady, ""},
    {"aVisibleBarUpdate", "View", "Обновление и запуск", "", "", 44, -1, kChecked | kReady, ""},
    {"aVisibleBarReplace", "View", "Замена символов", "", "", 45, -1, kChecked | kReady, ""},
    {"aVisibleBarCellsEditor", "View", "Редактор ячеек", "", "", 46, -1, kChecked | kReady, ""},
    {"aVisibleAll", "View", "Показать все", "", "", 47, -1, kReady, ""},
    {"aVisibleDir", "View", "Путь", "", "", 50, 1, kChecked | kReady, ""},
    {"aVisibleOld", "View", "Старое имя", "", "", 51, 2, kChecked | kReady, ""},
    {"aVisibleNew", "View", "Новое имя", "", "", 52, 3, kChecked | kReady, ""},
    {"aVisibleExt", "View", "Расширение", "", "", 53, 4, kChecked | kReady, ""},
    {"aVisibleSiz", "View", "Размер", "", "", 54, 5, kChecked | kReady, ""},
    {"aVisibleDur", "View", "Длительность", "", "", 55, 6, kChecked | kReady, ""},
    {"aVisibleInf", "View", "Информация", "", "", 56, 7, kChecked | kReady, ""},
    {"aVisibleTit", "View", "Заголовок", "", "", 57, 8, kChecked | kReady, ""},
    {"aVisibleTrc", "View", "Трек", "", "", 58, 9, kChecked | kReady, ""},
    {"aVisibleArt", "View", "Артист", "", "", 59, 10, kChecked | kReady, ""},
    {"aVisibleAlb", "View", "Альбом", "", "", 60, 11, kChecked | kReady, ""},
    {"aVisibleYea", "View", "Год", "", "", 61, 12, kChecked | kReady, ""},
    {"aVisibleGen", "View", "Жанр", "", "", 62, 13, kChecked | kReady, ""},
    {"aVisibleCom", "View", "Комментарий", "", "", 63, 14, kChecked | kReady, ""},
    {"aVisibleOpe", "View", "Ориг. артист", "", "", 64, 15, kChecked | kReady, ""},
    {"aVisibleTt1", "View", "Ориг. заголовок", "", "", 65, 16, kChecked | kReady, ""},
    {"aVisibleOal", "View", "Ориг. альбом", "", "", 66, 17, kChecked | kReady, ""},
    {"aVisibleOry", "View", "Ориг. год", "", "", 67, 18, kChecked | kReady, ""},
    {"aVisibleCop", "View", "Авторское пр.", "", "", 68, 19, kChecked | kReady, ""},
    {"aVisibleSlt", "View", "Текст", "", "", 69, 20, kChecked | kReady, ""},
    {"aVisibleEnc", "View", "Кодировщик", "", "", 70, 21, kChecked | kReady, ""},
    {"aVisibleCmp", "View", "Композитор", "", "", 71, 22, kChecked | kReady, ""},
    {"aVisibleLan", "View", "Язык", "", "", 72, 23, kChecked | kReady, ""},
    {"aVisibleXxx", "View", "Ссылка", "", "", 73, 24, kChecked | kReady, ""},
    {"aSortByDirectory", "View", "По &пути", "", "", 80, 1, kNone, ""},
    {"aSortByOldName", "View", "По &старому имени", "", "", 81, 2, kNone, ""},
    {"aSortByNewName", "View", "По &новому имени", "", "", 82, 3, kNone, ""},
    {"aSortByExt", "View", "По &расширению", "", "", 83, 4, kNone, ""},
    {"aSortBySiz", "View", "По размеру", "", "", 84, 5, kNone, ""},
    {"aSortByDur", "View", "По длительности", "", "", 85, 6, kNone, ""},
    {"aSortByInf", "View", "По информации", "", "", 86, 7, kNone, ""},
    {"aSortByTitle", "View", "По &заголовку", "", "", 87, 8, kNone, ""},
    {"aSortByTrack", "View", "По номеру &трека", "", "", 88, 9, kNone, ""},
    {"aSortByArtist", "View", "По имени &артиста", "", "", 89, 10, kNone, ""},
    {"aSortByAlbum", "View", "По названию а&льбома", "", "", 90, 11, kNone, ""},
    {"aSortByYear", "View", "По &году", "", "", 91, 12, kNone, ""},
    {"aSortByGenre", "View", "По &жанру", "", "", 92, 13, kNone, ""},
    {"aSortByComment", "View", "По &комментарию", "", "", 93, 14, kNone, ""},
    {"aSortByOpe", "View", "По ориг. артисту", "", "", 94, 15, kNone, ""},
    {"aSortByTt1", "View", "По ориг. заголовоку", "", "", 95, 16, kNone, ""},
    {"aSortByOal", "View", "По ориг. альбому", "", "", 96, 17, kNone, ""},
    {"aSortByOry", "View", "По ориг. году", "", "", 97, 18, kNone, ""},
    {"aSortByCop", "View", "По авторскому пр.", "", "", 98, 19, kNone, ""},
    {"aSortBySlt", "View", "По тексту", "", "", 99, 20, kNone, ""},
    {"aSortByEnc", "View", "По кодировщику", "", "", 100, 21, kNone, ""},
    {"aSortByCmp", "View", "По композитору", "", "", 101, 22, kNone, ""},
    {"aSortByLan", "View", "По языку", "", "", 102, 23, kNone, ""},
    {"aSortByXxx", "View", "По ссылке", "", "", 103, 24, kNone, ""},
    {"aSortRandom", "View", "&Произвольно", "", "", 104, -1, kNone, ""},
    // Symbol replacement
    {"aUpperCase", "Replace", "Все заглавные", "Все заглавные", "", 110, -1, kNone,
     "quillmark-case-upper"},
    {"aLowerCase", "Replace", "Все строчные", "Все строчные", "", 111, -1, kNone,
     "quillmark-case-lower"},
    {"aUpLowerCase", "Replace", "Строка с заглавной", "Строка с заглавной", "", 112, -1, kNone,
     "quillmark-case-sentence"},
    {"aUpUpCase", "Replace", "Слово с заглавной", "Слово с заглавной", "", 113, -1, kNone,
     "quillmark-case-words"},
    {"aAlphabetEditor", "Replace", "Редактор алфавита", "Редактор алфавита", "", 114, -1, kNone,
     "accessories-character-map"},
    {"aReplace", "Replace", "&Заменить", "Заменить символы", "", 115, -1, kNone,
     "quillmark-replace-symbols"},
    {"aRestore", "Replace", "&Восстановить", "Восстановить замененные символы", "", 116, -1, kNone,
     "quillmark-restore-symbols"},
    {"aVariantsRestore", "Replace", "Варианты восстановления", "", "", 117, -1, kNone, ""},
    // Paste from column: image index = field number of the source column
    {"aPNo", "PasteFrom", "", "Добавить номер в позицию курсора", "", 0, 0, kNone, ""},
    {"aPDir", "PasteFrom", "", "Добавить путь", "", 1, 1, kNone, ""},
    {"aPName", "PasteFrom", "", "Добавить старое имя", "", 2, 2, kFace, ""},
    {"aPOldName", "PasteFrom", "Старое имя", "Добавить старое имя", "", 2, 2, kNone, ""},
    {"aPNewName", "PasteFrom", "Новое имя", "Добавить новое имя", "", 3, 3, kNone, ""},
    {"aPExt", "PasteFrom", "Расширение", "Добавить расширение", "", 4, 4, kNone, ""},
    {"aPFileInf", "PasteFrom", "", "Добавить размер файла", "", 5, 5, kFace, ""},
    {"aPSiz", "PasteFrom", "Размер", "Добавить размер", "", 5, 5, kNone, ""},
    {"aPDur", "PasteFrom", "Длительность", "Добавить длительность", "", 6, 6, kNone, ""},
    {"aPInf", "PasteFrom", "Информация", "Добавить информацию", "", 7, 7, kNone, ""},
    {"aPTag", "PasteFrom", "", "Добавить заголовок", "", 8, 8, kFace, ""},
    {"aPTitle", "PasteFrom", "Заголовок", "Добавить заголовок", "", 8, 8, kNone, ""},
    {"aPTrack", "PasteFrom", "Номер трека", "Добавить номер трека", "", 9, 9, kNone, ""},
    {"aPArtist", "PasteFrom", "Имя артиста", "Добавить имя артиста", "", 10, 10, kNone, ""},
    {"aPAlbum", "PasteFrom", "Название альбома", "Добавить название альбома", "", 11, 11, kNone,
     ""},
    {"aPYear", "PasteFrom", "Год", "Добавить год", "", 12, 12, kNone, ""},
    {"aPGenre", "PasteFrom", "Жанр", "Добавить жанр", "", 13, 13, kNone, ""},
    {"aPComment", "PasteFrom", "Комментарий", "Добавить комментарий", "", 14, 14, kNone, ""},
    {"aPOpe", "PasteFrom", "Ориг. артист", "Добавить ориг. артиста", "", 15, 15, kNone, ""},
    {"aPTt1", "PasteFrom", "Ориг. заголовок", "Добавить ориг. заголовок", "", 16, 16, kNone, ""},
    {"aPOal", "PasteFrom", "Ориг. альбом", "Добавить ориг. альбом", "", 17, 17, kNone, ""},
    {"aPOry", "PasteFrom", "Ориг. год", "Добавить ориг. год", "", 18, 18, kNone, ""},
    {"aPCop", "PasteFrom", "Авторское пр.", "Добавить авторское пр.", "", 19, 19, kNone, ""},
    {"aPSlt", "PasteFrom", "Текст", "Добавить тексты", "", 20, 20, kNone, ""},
    {"aPEnc", "PasteFrom", "Кодировщик", "Добавить кодировщик", "", 21, 21, kNone, ""},
    {"aPCmp", "PasteFrom", "Композитор", "Добавить композитора", "", 22, 22, kNone, ""},
    {"aPLan", "PasteFrom", "Язык", "Добавить язык", "", 23, 23, kNone, ""},
    {"aPXxx", "PasteFrom", "Ссылка", "Добавить ссылку", "", 24, 24, kNone, ""},
    // Editor box context menu
    {"aEditUndo", "TextEdit", "&Отменить", "", "", 120, -1, kNone, "edit-undo"},
    {"aEditCut", "TextEdit", "&Вырезать", "", "", 121, -1, kNone, "edit-cut"},
    {"aEditCopy", "TextEdit", "&Копировать", "", "", 122, -1, kNone, "edit-copy"},
    {"aEditPaste", "TextEdit", "Вс&тавить", "", "", 123, -1, kNone, "edit-paste"},
    {"aEditDelete", "TextEdit", "&Удалить", "", "", 124, -1, kNone, "edit-delete"},
    {"aEditSelectAll", "TextEdit", "Выделить в&се", "", "", 125, -1, kNone, "edit-select-all"},
    // Help
    {"aAbout", "Help", "&О программе...", "О программе", "", 130, -1, kNone, "help-about"},
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
static_assert(sizeof(NamedCommands) == std::size(kNamed) * sizeof(QAction *),
              "every member has its name");

} // namespace

CommandSet::CommandSet(QObject *parent) : QObject(parent)
{
    nombersStyle_ = new QActionGroup(this);
    nombersStyle_->setExclusive(true);
    commands_.reserve(int(std::size(kCommands)));
    for (const CommandSpec &spec : kCommands) {
        auto *action = new QAction(QString::fromUtf8(spec.caption), this);
        action->setObjectName(QString::fromLatin1(spec.name));
        const QString hint = QString::fromUtf8(spec.hint);
        action->setToolTip(hint.isEmpty() ? action->text().remove(QLatin1Char('&')) : hint);
        action->setStatusTip(hint);
        if (*spec.key)
            action->setShortcut(QKeySequence(QString::fromLatin1(spec.key)));
        action->setProperty(kImageProperty, spec.image);
        action->setProperty(kCategoryProperty, QString::fromLatin1(spec.category));
        if (spec.tag >= 0)
            action->setProperty(kTagProperty, spec.tag);
        if (spec.flags & kCheckable)
            action->setCheckable(true);
        if ((spec.flags & kChecked) == kChecked)
            action->setChecked(true);
        action->setIcon(commandIcon(QString::fromLatin1(spec.icon)));
        setPending(action, !(spec.flags & kReady));
        commands_.append(action);
        byName_.insert(action->objectName(), action);
        if (spec.tag >= 0 && !(spec.flags & kFace)) {
            auto &family = QLatin1String(spec.category) == QLatin1String("PasteFrom") ? pastes_
                           : QLatin1String(spec.name).startsWith(QLatin1String("aSortBy"))
                               ? sorts_
                               : columns_;
            if (!family[size_t(spec.tag)])
                family[size_t(spec.tag)] = action;
        }
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
    for (int n = 1; n < kColumnCount; ++n) {
        const QString code = columnCode(toField(n));
        need(QStringLiteral("aVisible") + code, columns_[size_t(n)]);
        need(QStringLiteral("aSortBy") + code, sorts_[size_t(n)]);
        need(QStringLiteral("aP") + code, pastes_[size_t(n)]);
    }
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
