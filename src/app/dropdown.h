#pragma once

#include <QList>
#include <QObject>
#include <QString>

class QAction;
class QMenu;
class QToolBar;
class QToolButton;

namespace qm {

// A tool button that repeats the last sub-command chosen from its menu. The
// button carries the image and hint of that sub-command; the image index is
// what identifies the choice again after a restart.
class DropDownCommand : public QObject {
    Q_OBJECT
public:
    // `face` is the action the button shows (a command of its own such as
    // aPName, or nullptr for a plain button that gets an action of its own
    // with `caption`). `subCommands` are searched in order on a click.
    DropDownCommand(const QString &name, const QString &caption, QAction *face,
                    const QList<QAction *> &subCommands, QMenu *menu, QObject *parent);

    QAction *face() const { return face_; }
    QMenu *menu() const { return menu_; }
    const QList<QAction *> &subCommands() const { return subCommands_; }
    int image() const;
    // The hint as the settings keep it: the untranslated text, so the file
    // reads the same whatever the language shown.
    QString hint() const;
    // The sub-command a click runs: the first whose image is the button's.
    QAction *current() const;
    // The first sub-command with that image, or nullptr.
    QAction *subCommandOf(int image) const;

    // Puts the sub-command's image and hint on the button.
    void choose(QAction *subCommand);
    // Restores a saved choice; an image of no sub-command keeps the icon.
    // A hint that is the sub-command's shows as its translated hint; any
    // other text shows as it is.
    void restore(int image, const QString &hint);
    // Shows the button exactly when one of its sub-commands is shown.
    void refreshVisibility();

    // Puts the button on a tool bar; its place there follows refreshVisibility.
    QToolButton *addTo(QToolBar *bar);

signals:
    void chosen(QAction *subCommand);

private:
    QAction *face_;
    QList<QAction *> subCommands_;
    QMenu *menu_;
    QAction *toolBarSlot_ = nullptr;
    // A face that is a command of its own: its hint untranslated and shown.
    QString ownHint_;
    QString ownTip_;
};

} // namespace qm
