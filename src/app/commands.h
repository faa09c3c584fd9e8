#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>

class QAction;
class QActionGroup;
class QKeyEvent;

namespace qm {

// Every user operation of the main window is a named QAction; menus, tool
// buttons and context menus only point to these, so checked, enabled and
// visible states show everywhere at once.
class CommandSet : public QObject {
  Q_OBJECT
 public:
  // Dynamic properties carried by every command.
  static constexpr const char* kImageProperty = "imageIndex";
  static constexpr const char* kTagProperty = "Tag";
  static constexpr const char* kCategoryProperty = "category";
  // Set on commands whose work arrives later: they stay invisible whatever
  // the views say, so nothing is shown that does nothing.
  static constexpr const char* kPendingProperty = "pendingWork";

  // The images of aNombersSeparate while separate numbering is off / on.
  static constexpr int kNombersSeparateOffImage = 18;
  static constexpr int kNombersSeparateOnImage = 19;

  explicit CommandSet(QObject* parent = nullptr);

  // The command of that name; nullptr for an unknown name.
  QAction* find(const QString& name) const;
  // Like find, for names that are known to exist.
  QAction* operator[](const QString& name) const;
  const QList<QAction*>& all() const { return commands_; }
  QActionGroup* nombersStyleGroup() const { return nombersStyle_; }

  static int imageOf(const QAction* action);
  static bool isPending(const QAction* action);
  // Marks a command as doing its work now (a later feature connects it).
  static void setPending(QAction* action, bool pending);
  // Shows the command when `inUse` and its work exists; hides it otherwise.
  static void setInUse(QAction* action, bool inUse);

  // The show/hide command of a column given by its code ("Dir" .. "Xxx").
  QAction* visibleCommand(const QString& columnCode) const;

  // The command whose shortcut the key is, whatever its state; nullptr when
  // the key belongs to no command.
  QAction* commandForKey(const QKeyEvent* key) const;
  // Keys a text box keeps for its own text although commands of the table
  // carry them too: clipboard, select all, undo and redo.
  static bool isTextEditKey(const QKeyEvent* key);
  // The command a key runs while an editor box has the focus: any command
  // key but the text-edit keys. The box must never take it for one of its
  // line-edit bindings (on X11 Ctrl+U erases the line, Ctrl+W a word).
  QAction* commandOverTextBox(const QKeyEvent* key) const;
  // Whether the command's shortcut is live now (enabled and shown).
  static bool keyRuns(const QAction* action);

 private:
  QList<QAction*> commands_;
  QHash<QString, QAction*> byName_;
  QActionGroup* nombersStyle_ = nullptr;
};

}  // namespace qm
