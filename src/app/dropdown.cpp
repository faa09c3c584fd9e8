#include "app/dropdown.h"

#include <QAction>
#include <QMenu>
#include <QToolBar>
#include <QToolButton>

#include "app/commands.h"

namespace qm {

DropDownCommand::DropDownCommand(const QString &name, const QString &caption, QAction *face,
                                 const QList<QAction *> &subCommands, QMenu *menu, QObject *parent)
    : QObject(parent), face_(face), subCommands_(subCommands), menu_(menu)
{
    setObjectName(name);
    if (!face_) {
        face_ = new QAction(caption, this);
        face_->setObjectName(name);
    }
    ownHint_ = hint();
    ownTip_ = face_->toolTip();
    for (QAction *sub : subCommands_) {
        // Running a sub-command from anywhere (menu, shortcut, the button)
        // first makes it the button's choice.
        connect(sub, &QAction::triggered, this, [this, sub] { choose(sub); });
    }
    connect(face_, &QAction::triggered, this, [this] {
        if (QAction *sub = current())
            sub->trigger();
    });
    // A plain button starts with its first sub-command; a command that is a
    // button itself starts with its own image and hint.
    if (face == nullptr && !subCommands_.isEmpty())
        choose(subCommands_.first());
}

int DropDownCommand::image() const { return CommandSet::imageOf(face_); }

QString DropDownCommand::hint() const
{
    return face_->property(CommandSet::kHintSourceProperty).toString();
}

QAction *DropDownCommand::current() const { return subCommandOf(image()); }

QAction *DropDownCommand::subCommandOf(int image) const
{
    for (QAction *sub : subCommands_) {
        if (CommandSet::imageOf(sub) == image)
            return sub;
    }
    return nullptr;
}

void DropDownCommand::choose(QAction *subCommand)
{
    restore(CommandSet::imageOf(subCommand),
            subCommand->property(CommandSet::kHintSourceProperty).toString());
    emit chosen(subCommand);
}

void DropDownCommand::restore(int image, const QString &hint)
{
    face_->setProperty(CommandSet::kImageProperty, image);
    face_->setProperty(CommandSet::kHintSourceProperty, hint);
    QString shown = hint == ownHint_ && !hint.isEmpty() ? ownTip_ : hint;
    for (QAction *sub : subCommands_) {
        if (CommandSet::imageOf(sub) == image) {
            face_->setIcon(sub->icon());
            if (sub->property(CommandSet::kHintSourceProperty).toString() == hint)
                shown = sub->toolTip();
            break;
        }
    }
    face_->setToolTip(shown);
    face_->setStatusTip(shown);
}

void DropDownCommand::refreshVisibility()
{
    bool any = false;
    for (QAction *sub : subCommands_)
        any = any || sub->isVisible();
    face_->setVisible(any);
    if (toolBarSlot_)
        toolBarSlot_->setVisible(any);
}

QToolButton *DropDownCommand::addTo(QToolBar *bar)
{
    auto *button = new QToolButton(bar);
    button->setObjectName(QStringLiteral("tbt") + QString(objectName()).remove(QLatin1Char(' ')));
    button->setDefaultAction(face_);
    button->setMenu(menu_);
    button->setPopupMode(QToolButton::MenuButtonPopup);
    button->setToolButtonStyle(bar->toolButtonStyle());
    toolBarSlot_ = bar->addWidget(button);
    return button;
}

} // namespace qm
