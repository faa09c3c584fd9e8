#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace qm {

// One entry of a player's list: the file (a local path, or the player's URL
// for anything else), its length in seconds (-1: unknown) and the text the
// player shows for it.
struct PlayListEntry {
    QString path;
    int seconds = -1;
    QString title;
    friend bool operator==(const PlayListEntry &, const PlayListEntry &) = default;
};

// The text shown when no player could be reached, in the user's language.
QString PlayerNotFoundText();
// The text shown when the player was found but did not do what it was
// asked (took no files, gave no list).
QString PlayerRefusedText();

// What a command asks of the player; a player that cannot do it is passed
// over when one is looked for.
enum class PlayerNeed { Play, Add, List };

// The remote control of the music player, a separate program. Every command
// looks for the player again (find), so a player closed or restarted in
// between is simply found anew.
class PlayerControl {
public:
    virtual ~PlayerControl() = default;

    // Looks for a running player that can do `need`; when there is none it
    // starts one and waits for it. True when one was found.
    virtual bool find(PlayerNeed need) = 0;
    // Starts the player anew, even when one runs, without waiting for it.
    virtual bool start() = 0;
    // On the player found last: its list becomes `files` in this order and
    // plays from the first; `files` appended to its list; its list.
    virtual bool play(const QStringList &files) = 0;
    virtual bool enqueue(const QStringList &files) = 0;
    virtual std::optional<QList<PlayListEntry>> playList() = 0;
};

// The lines of `entries` as an m3u play list.
QStringList PlayListLines(const QList<PlayListEntry> &entries);
// Writes `entries` as an m3u play list ("#EXTM3U", "#EXTINF:" seconds ","
// title, path), replacing `path` only once the whole file is written.
bool WritePlayList(const QList<PlayListEntry> &entries, const QString &path);

} // namespace qm
