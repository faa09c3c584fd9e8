#pragma once

#include <QObject>
#include <memory>

class QAction;

namespace qm {

class PlayerControl;
class TfrmTagEditor;

// The player commands: aWinampPlay (the selected files replace the player's
// list and play), aWinampAdd (they are appended), aWinampOpen (the player
// is started) and aAddWinampList (the player's list, written as
// "winamp.m3u" in the settings folder, is added to the table). The player
// is the one named by the key "Player" of section Main (a D-Bus name such
// as "org.mpris.MediaPlayer2.vlc"), else whichever runs, else Audacious,
// started and waited for.
class PlayerCommands : public QObject {
    Q_OBJECT
public:
    explicit PlayerCommands(TfrmTagEditor &window);
    ~PlayerCommands() override;

    // Tests drive a player of their own.
    void setPlayer(std::unique_ptr<PlayerControl> player);
    // Where the player's list is written.
    QString listPath() const;

private:
    void sendExecute(bool replace);
    void openExecute();
    void addListExecute();
    void showStatus(const QString &text);
    PlayerControl &player();

    TfrmTagEditor &window_;
    std::unique_ptr<PlayerControl> player_;
};

// Makes the window's player commands (found again as its child
// "playerCommands").
PlayerCommands *connectPlayerCommands(TfrmTagEditor &window);

} // namespace qm
