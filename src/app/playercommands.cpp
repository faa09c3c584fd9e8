#include "app/playercommands.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>

#include "app/commands.h"
#include "app/gridediting.h"
#include "app/infopanel.h"
#include "app/mainwindow.h"
#include "player/dbusplayer.h"
#include "settings/settingspath.h"

namespace qm {

PlayerCommands::PlayerCommands(TfrmTagEditor &window) : QObject(&window), window_(window)
{
    const NamedCommands &c = window.commands().named();
    for (QAction *action : {c.aWinampPlay, c.aWinampAdd, c.aWinampOpen, c.aAddWinampList}) {
        CommandSet::setPending(action, false);
        CommandSet::setInUse(action, true);
    }
    connect(c.aWinampPlay, &QAction::triggered, this, [this] { sendExecute(true); });
    connect(c.aWinampAdd, &QAction::triggered, this, [this] { sendExecute(false); });
    connect(c.aWinampOpen, &QAction::triggered, this, &PlayerCommands::openExecute);
    connect(c.aAddWinampList, &QAction::triggered, this, &PlayerCommands::addListExecute);
}

PlayerCommands::~PlayerCommands() = default;

PlayerCommands *connectPlayerCommands(TfrmTagEditor &window)
{
    auto *commands = new PlayerCommands(window);
    commands->setObjectName(QStringLiteral("playerCommands"));
    return commands;
}

void PlayerCommands::setPlayer(std::unique_ptr<PlayerControl> player)
{
    player_ = std::move(player);
}

PlayerControl &PlayerCommands::player()
{
    // Made on first use: the bus is not touched before a player command.
    if (!player_)
        player_ = std::make_unique<DBusPlayerControl>(ReadPlayerSettings(window_.settingsPath()));
    return *player_;
}

QString PlayerCommands::listPath() const
{
    return QFileInfo(window_.settingsPath()).absoluteDir().filePath(QStringLiteral("winamp.m3u"));
}

void PlayerCommands::showStatus(const QString &text) { window_.infoPanel()->setStatusText(text); }

void PlayerCommands::sendExecute(bool replace)
{
    GridEditing &editing = window_.editing();
    const CellRect selection = editing.selection();
    // Nothing but the blank last row: an empty list would empty the
    // player's.
    if (selection.isEmpty() || selection.top > window_.session().table().lastFileRow())
        return;
    if (!player().find(replace ? PlayerNeed::Play : PlayerNeed::Add)) {
        showStatus(PlayerNotFoundText());
        return;
    }
    // The whole rows are what is sent, and they are shown so.
    editing.selectRows(selection.top, selection.bottom);
    editing.refreshSelectionState();
    showStatus(replace ? tr("Воспроизведение выбранных файлов в Winamp...")
                       : tr("Добавление выбранных файлов в список воспроизведения Winamp..."));
    const QStringList files = window_.session().playerFiles(selection.top, selection.bottom);
    if (files.isEmpty())
        return;
    const bool sent = replace ? player().play(files) : player().enqueue(files);
    if (!sent)
        showStatus(PlayerRefusedText());
}

void PlayerCommands::openExecute()
{
    showStatus(tr("Запуск Winamp..."));
    if (!player().start())
        showStatus(PlayerNotFoundText());
}

void PlayerCommands::addListExecute()
{
    if (window_.session().busy())
        return;
    if (!player().find(PlayerNeed::List)) {
        showStatus(PlayerNotFoundText());
        return;
    }
    std::optional<QList<PlayListEntry>> list = player().playList();
    if (!list) {
        showStatus(PlayerRefusedText());
        return;
    }
    // What the player shows is its own display text, made up from the folder
    // and the file name for an untagged file: artist and title are read from
    // the files, as every other field.
    for (PlayListEntry &entry : *list)
        entry.title.clear();
    const QString path = listPath();
    if (!WritePlayList(*list, path)) {
        showStatus(tr("Не удается создать файл %1").arg(path));
        return;
    }
    window_.session().addList(path, ListKind::PlayList);
}

} // namespace qm
