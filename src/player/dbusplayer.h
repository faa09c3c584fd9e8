#pragma once

#include "player/playercontrol.h"

#include <QDBusConnection>
#include <QDBusMessage>

namespace qm {

// How the player is found and started.
struct DBusPlayerSettings {
    // The bus name of the player to drive ("org.atheme.audacious",
    // "org.mpris.MediaPlayer2.vlc", ...); empty: the first running player
    // that can do what the command needs.
    QString service;
    // The program started when no player runs, looked up in PATH; empty:
    // the one the service names (audacious without a service).
    QString program;
    QStringList arguments;
    bool autoStart = true;
    // After a start the bus is looked at `tries` times, `waitMs` apart.
    int tries = 6;
    int waitMs = 1000;
    // How long one call waits for the player's answer.
    int callTimeoutMs = 3000;
    // Where a list is handed to a player that takes files only one at a
    // time (an MPRIS player without an editable track list); empty: in the
    // user's runtime folder. Made anew each time, never through a link.
    QString handOverList;
};

// The player the settings file names (key Player of section Main; missing
// file or key: any running player), for the window and quillmark-cli alike.
DBusPlayerSettings ReadPlayerSettings(const QString &settingsFile);

// The player on the D-Bus session bus: Audacious through its own interface
// org.atheme.audacious, any other player through MPRIS2
// (org.mpris.MediaPlayer2.*, with its TrackList interface where offered).
class DBusPlayerControl : public PlayerControl {
public:
    explicit DBusPlayerControl(DBusPlayerSettings settings = {},
                               const QDBusConnection &bus = QDBusConnection::sessionBus());

    bool find(PlayerNeed need) override;
    bool start() override;
    bool play(const QStringList &files) override;
    bool enqueue(const QStringList &files) override;
    std::optional<QList<PlayListEntry>> playList() override;

    // The bus name of the player found last (empty: none).
    QString found() const { return found_; }
    // The program a start runs.
    QString program() const;

    static bool isAudacious(const QString &service);
    static bool isMpris(const QString &service);

private:
    // The running players in the order they are tried: the configured one
    // alone, else Audacious's own interface, then the MPRIS players by name.
    QStringList candidates() const;
    bool offers(const QString &service, PlayerNeed need) const;
    QString lookOnBus(PlayerNeed need) const;
    // A property of an MPRIS player; invalid when it does not answer.
    QVariant property(const QString &service, const QString &interface, const QString &name) const;
    // A call on the player found last, waiting for its answer.
    QDBusMessage call(const QString &path, const QString &interface, const QString &method,
                      const QVariantList &arguments = {}) const;

    bool audaciousPlay(const QStringList &files);
    bool audaciousEnqueue(const QStringList &files);
    std::optional<QList<PlayListEntry>> audaciousList();
    bool mprisPlay(const QStringList &files);
    bool mprisEnqueue(const QStringList &files);
    std::optional<QList<PlayListEntry>> mprisList();
    // The ids of the player's tracks; nothing when it does not answer.
    std::optional<QStringList> mprisTracks();
    // Waits until the Audacious list holds `count` entries: it takes files
    // in on a thread of its own, and Play would start before them.
    void waitForLength(int count);
    QString handOverList() const;
    bool writeHandOverList(const QString &file, const QList<PlayListEntry> &entries) const;

    DBusPlayerSettings settings_;
    QDBusConnection bus_;
    QString found_;
};

} // namespace qm
