#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <array>

#include "app/mainsettings.h"
#include "table/columns.h"

class QAction;
class QActionGroup;
class QKeyEvent;

namespace qm {

// The commands the window's handlers reach one by one, by member rather than
// by name. CommandSet fills every member from its table once, when it is
// made, and reports a name the table lacks (CommandSet::unresolved).
struct NamedCommands {
    // File
    QAction *aNewList = nullptr;
    QAction *aOpenList = nullptr;
    QAction *aSaveList = nullptr;
    QAction *aSpecList = nullptr;
    QAction *aAddFiles = nullptr;
    QAction *aAddDirectory = nullptr;
    QAction *aAddList = nullptr;
    QAction *aAddWinampList = nullptr;
    QAction *aRun = nullptr;
    QAction *aWinampPlay = nullptr;
    QAction *aWinampAdd = nullptr;
    QAction *aWinampOpen = nullptr;
    QAction *aWriteID3v1Tag = nullptr;
    QAction *aWriteID3v2Tag = nullptr;
    QAction *aUpdate = nullptr;
    QAction *aUpdateSel = nullptr;
    QAction *aUndoUpdate = nullptr;
    QAction *aExit = nullptr;
    // Edit
    QAction *aCut = nullptr;
    QAction *aCopy = nullptr;
    QAction *aPasteIn = nullptr;
    QAction *aPaste = nullptr;
    QAction *aClearSelect = nullptr;
    QAction *aDeleteSelect = nullptr;
    QAction *aSelectAll = nullptr;
    QAction *aFind = nullptr;
    QAction *aUndo = nullptr;
    QAction *aRedo = nullptr;
    QAction *aFReplace = nullptr;
    // View
    QAction *aFileInfo = nullptr;
    QAction *aID3v1Tag = nullptr;
    QAction *aID3v2Tag = nullptr;
    QAction *aOptions = nullptr;
    QAction *aStayOnTop = nullptr;
    QAction *aNombers01 = nullptr;
    QAction *aNombers1 = nullptr;
    QAction *aNombersSeparate = nullptr;
    QAction *aVisibleAll = nullptr;
    QAction *aSortRandom = nullptr;
    // Symbol replacement
    QAction *aUpperCase = nullptr;
    QAction *aLowerCase = nullptr;
    QAction *aUpLowerCase = nullptr;
    QAction *aUpUpCase = nullptr;
    QAction *aAlphabetEditor = nullptr;
    QAction *aReplace = nullptr;
    QAction *aRestore = nullptr;
    QAction *aVariantsRestore = nullptr;
    // Paste from column: the buttons that stand for no single column or sit
    // outside a drop-down (the others: CommandSet::pasteCommand)
    QAction *aPNo = nullptr;
    QAction *aPDir = nullptr;
    QAction *aPName = nullptr;
    QAction *aPOldName = nullptr;
    QAction *aPNewName = nullptr;
    QAction *aPExt = nullptr;
    QAction *aPFileInf = nullptr;
    QAction *aPTag = nullptr;
    // Editor box context menu
    QAction *aEditUndo = nullptr;
    QAction *aEditCut = nullptr;
    QAction *aEditCopy = nullptr;
    QAction *aEditPaste = nullptr;
    QAction *aEditDelete = nullptr;
    QAction *aEditSelectAll = nullptr;
    // Help
    QAction *aAbout = nullptr;
};

// Every user operation of the main window is a named QAction; menus, tool
// buttons and context menus only point to these, so checked, enabled and
// visible states show everywhere at once.
class CommandSet : public QObject {
    Q_OBJECT
public:
    // Dynamic properties carried by every command.
    static constexpr const char *kImageProperty = "imageIndex";
    static constexpr const char *kTagProperty = "Tag";
    static constexpr const char *kCategoryProperty = "category";
    // The hint untranslated (the caption without "&" where a command has no
    // hint): what the settings keep of a drop-down button's choice.
    static constexpr const char *kHintSourceProperty = "hintSource";
    // Set on commands whose work arrives later: they stay invisible whatever
    // the views say, so nothing is shown that does nothing.
    static constexpr const char *kPendingProperty = "pendingWork";

    // The images of aNombersSeparate while separate numbering is off / on.
    static constexpr int kNombersSeparateOffImage = 18;
    static constexpr int kNombersSeparateOnImage = 19;

    explicit CommandSet(QObject *parent = nullptr);

    // The commands by member; every one is set.
    const NamedCommands &named() const { return named_; }
    // The names of NamedCommands and of the command families below that the
    // table lacks; empty (a test holds it so).
    const QStringList &unresolved() const { return unresolved_; }

    // The command of that name; nullptr for an unknown name. For names built
    // at run time; a fixed name is a member of named().
    QAction *find(const QString &name) const;
    // Like find, for names that are known to exist.
    QAction *operator[](const QString &name) const;
    const QList<QAction *> &all() const { return commands_; }
    QActionGroup *nombersStyleGroup() const { return nombersStyle_; }

    static int imageOf(const QAction *action);
    static bool isPending(const QAction *action);
    // Marks a command as doing its work now (a later feature connects it).
    static void setPending(QAction *action, bool pending);
    // Shows the command when `inUse` and its work exists; hides it otherwise.
    static void setInUse(QAction *action, bool inUse);

    // The show/hide command of a column given by its code ("Dir" .. "Xxx").
    QAction *visibleCommand(const QString &columnCode) const;
    // The command families: show/hide of a data column (aVisibleDir ..
    // aVisibleXxx) and sorting by it (aSortByDirectory .. aSortByXxx), made
    // from the field catalogue; looked up once when the set is made: pasting it into the editor box
    // (aPDir .. aPXxx, not the drop-down faces), showing a tool bar
    // (aVisibleBarFile .. , by the bar's design index). nullptr where a column
    // has no such command.
    QAction *columnCommand(FieldNumber f) const { return columns_[size_t(toInt(f))]; }
    QAction *sortCommand(FieldNumber f) const { return sorts_[size_t(toInt(f))]; }
    QAction *pasteCommand(FieldNumber f) const { return pastes_[size_t(toInt(f))]; }
    QAction *toolBarCommand(int index) const { return toolBars_[size_t(index)]; }

    // The command whose shortcut the key is, whatever its state; nullptr when
    // the key belongs to no command.
    QAction *commandForKey(const QKeyEvent *key) const;
    // Keys a text box keeps for its own text although commands of the table
    // carry them too: clipboard, select all, undo and redo.
    static bool isTextEditKey(const QKeyEvent *key);
    // The command a key runs while an editor box has the focus: any command
    // key but the text-edit keys. The box must never take it for one of its
    // line-edit bindings (on X11 Ctrl+U erases the line, Ctrl+W a word).
    QAction *commandOverTextBox(const QKeyEvent *key) const;
    // Whether the command's shortcut is live now (enabled and shown).
    static bool keyRuns(const QAction *action);

private:
    // Keeps the command and makes it findable by name.
    QAction *add(QAction *action);
    // The show/hide and sort commands of every column but No, from the
    // field catalogue.
    void addColumnCommands();
    // Fills named_ and the families, noting any name the table lacks.
    void resolve();

    QList<QAction *> commands_;
    QHash<QString, QAction *> byName_;
    NamedCommands named_;
    std::array<QAction *, kColumnCount> columns_{};
    std::array<QAction *, kColumnCount> sorts_{};
    std::array<QAction *, kColumnCount> pastes_{};
    std::array<QAction *, kBarCount> toolBars_{};
    QStringList unresolved_;
    QActionGroup *nombersStyle_ = nullptr;
};

} // namespace qm
