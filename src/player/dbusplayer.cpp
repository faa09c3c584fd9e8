#include "player/dbusplayer.h"

#include "formats/pathcodec.h"
#include "lists/listfile.h"
#include "settings/inifile.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>
#include <QUrl>

#include <algorithm>
#include <limits>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace qm {

namespace {

const QString kAudacious = QStringLiteral("org.atheme.audacious");
const QString kAudaciousPath = QStringLiteral("/org/atheme/audacious");
const QString kMprisPrefix = QStringLiteral("org.mpris.MediaPlayer2.");
const QString kMprisPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString kMprisRoot = QStringLiteral("org.mpris.MediaPlayer2");
const QString kMprisPlayer = QStringLiteral("org.mpris.MediaPlayer2.Player");
const QString kMprisTrackList = QStringLiteral("org.mpris.MediaPlayer2.TrackList");
const QString kNoTrack = QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack");

bool answered(const QDBusMessage &reply) { return reply.type() == QDBusMessage::ReplyMessage; }

QVariant firstArgument(const QDBusMessage &reply)
{
    return answered(reply) && !reply.arguments().isEmpty() ? reply.arguments().first() : QVariant();
}

QString fileUrl(const QString &path)
{
    return QString::fromLatin1(urlOfFileName(path).toEncoded());
}

// A player's file URL as a local path; any other URL stays as it is.
QString localPath(const QString &urlOrPath)
{
    if (!urlOrPath.startsWith(QLatin1String("file:")))
        return urlOrPath;
    const QUrl url(urlOrPath);
    return url.isLocalFile() ? fileNameOfUrl(url) : urlOrPath;
}

template <typename T> T demarshalled(const QVariant &value)
{
    if (value.canConvert<QDBusArgument>())
        return qdbus_cast<T>(value.value<QDBusArgument>());
    return value.value<T>();
}

} // namespace

QString DBusPlayerControl::handOverList() const
{
    if (!settings_.handOverList.isEmpty())
        return settings_.handOverList;
    // In the user's own runtime folder (Qt makes one, private, when the
    // session has none), where no one else can plant a link. Looked up only
    // here, as Qt warns when it has to make the folder.
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return folder.isEmpty() ? QString()
                            : QDir(folder).filePath(QStringLiteral("quillmark-play.m3u"));
}

bool DBusPlayerControl::writeHandOverList(const QString &file,
                                          const QList<PlayListEntry> &entries) const
{
    if (file.isEmpty())
        return false;
    // A new file of the user's alone, made where the name is free: whatever
    // lies under the name (a link included) is removed, never followed.
    const QByteArray path = encodeFileName(file);
    if (::unlink(path.constData()) != 0 && errno != ENOENT)
        return false;
    const int fd =
        ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    const QByteArray bytes = ListTextBytes(PlayListLines(entries));
    QFile list;
    bool ok = list.open(fd, QIODevice::WriteOnly, QFileDevice::DontCloseHandle)
              && list.write(bytes) == bytes.size() && list.flush();
    list.close();
    ok = ::close(fd) == 0 && ok;
    if (!ok)
        ::unlink(path.constData());
    return ok;
}

DBusPlayerSettings ReadPlayerSettings(const QString &settingsFile)
{
    DBusPlayerSettings settings;
    IniFile ini;
    if (QFileInfo::exists(settingsFile) && ini.load(settingsFile))
        settings.service = ini.readString(u"Main", u"Player").trimmed();
    return settings;
}

DBusPlayerControl::DBusPlayerControl(DBusPlayerSettings settings, const QDBusConnection &bus)
    : settings_(std::move(settings)), bus_(bus)
{}

bool DBusPlayerControl::isAudacious(const QString &service) { return service == kAudacious; }

bool DBusPlayerControl::isMpris(const QString &service)
{
    return service.startsWith(kMprisPrefix) && service.size() > kMprisPrefix.size();
}

QString DBusPlayerControl::program() const
{
    if (!settings_.program.isEmpty())
        return settings_.program;
    if (isMpris(settings_.service)) {
        // "org.mpris.MediaPlayer2.vlc.instance42" is started as "vlc".
        return settings_.service.mid(kMprisPrefix.size()).section(QLatin1Char('.'), 0, 0);
    }
    return QStringLiteral("audacious");
}

QStringList DBusPlayerControl::candidates() const
{
    if (!bus_.isConnected())
        return {};
    QDBusConnectionInterface *names = bus_.interface();
    if (!settings_.service.isEmpty()) {
        if (names->isServiceRegistered(settings_.service))
            return {settings_.service};
        return {};
    }
    const QStringList registered = names->registeredServiceNames().value();
    QStringList result;
    if (registered.contains(kAudacious))
        result.append(kAudacious);
    QStringList mpris;
    for (const QString &name : registered) {
        if (isMpris(name))
            mpris.append(name);
    }
    std::sort(mpris.begin(), mpris.end());
    return result + mpris;
}

QVariant DBusPlayerControl::property(const QString &service, const QString &interface,
                                     const QString &name) const
{
    QDBusMessage get = QDBusMessage::createMethodCall(
        service, kMprisPath, QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("Get"));
    get.setArguments({interface, name});
    return firstArgument(bus_.call(get, QDBus::Block, settings_.callTimeoutMs))
        .value<QDBusVariant>()
        .variant();
}

QDBusMessage DBusPlayerControl::call(const QString &path, const QString &interface,
                                     const QString &method, const QVariantList &arguments) const
{
    QDBusMessage message = QDBusMessage::createMethodCall(found_, path, interface, method);
    message.setArguments(arguments);
    return bus_.call(message, QDBus::Block, settings_.callTimeoutMs);
}

bool DBusPlayerControl::offers(const QString &service, PlayerNeed need) const
{
    if (isAudacious(service) || need == PlayerNeed::Play)
        return true;
    if (!isMpris(service)
        || !property(service, kMprisRoot, QStringLiteral("HasTrackList")).toBool())
        return false;
    return need == PlayerNeed::List
           || property(service, kMprisTrackList, QStringLiteral("CanEditTracks")).toBool();
}

QString DBusPlayerControl::lookOnBus(PlayerNeed need) const
{
    for (const QString &service : candidates()) {
        if (offers(service, need))
            return service;
    }
    return {};
}

bool DBusPlayerControl::find(PlayerNeed need)
{
    found_ = lookOnBus(need);
    if (found_.isEmpty() && settings_.autoStart && start()) {
        for (int i = 0; i < settings_.tries && found_.isEmpty(); ++i) {
            found_ = lookOnBus(need);
            if (found_.isEmpty())
                QThread::msleep(settings_.waitMs);
        }
    }
    return !found_.isEmpty();
}

bool DBusPlayerControl::start()
{
    const QString name = program();
    // startDetached would take a path relative to the working folder too.
    if (name.isEmpty()
        || (!name.contains(QLatin1Char('/')) && QStandardPaths::findExecutable(name).isEmpty()))
        return false;
    // Detached and with its own input and output: a player must not hold
    // the pipes of whoever ran the command, nor write into them.
    QProcess process;
    process.setProgram(name);
    process.setArguments(settings_.arguments);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    return process.startDetached();
}

bool DBusPlayerControl::play(const QStringList &files)
{
    if (isAudacious(found_))
        return audaciousPlay(files);
    return isMpris(found_) && mprisPlay(files);
}

bool DBusPlayerControl::enqueue(const QStringList &files)
{
    if (isAudacious(found_))
        return audaciousEnqueue(files);
    return isMpris(found_) && mprisEnqueue(files);
}

std::optional<QList<PlayListEntry>> DBusPlayerControl::playList()
{
    if (isAudacious(found_))
        return audaciousList();
    if (isMpris(found_))
        return mprisList();
    return std::nullopt;
}

bool DBusPlayerControl::audaciousPlay(const QStringList &files)
{
    if (!answered(call(kAudaciousPath, kAudacious, QStringLiteral("Clear"))))
        return false;
    if (!audaciousEnqueue(files))
        return false;
    waitForLength(int(files.size()));
    call(kAudaciousPath, kAudacious, QStringLiteral("Jump"), {0u});
    return answered(call(kAudaciousPath, kAudacious, QStringLiteral("Play")));
}

bool DBusPlayerControl::audaciousEnqueue(const QStringList &files)
{
    for (const QString &file : files) {
        if (!answered(call(kAudaciousPath, kAudacious, QStringLiteral("AddUrl"), {fileUrl(file)})))
            return false;
    }
    return true;
}

void DBusPlayerControl::waitForLength(int count)
{
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < settings_.callTimeoutMs) {
        const QVariant length =
            firstArgument(call(kAudaciousPath, kAudacious, QStringLiteral("Length")));
        if (!length.isValid() || length.toInt() >= count)
            return;
        QThread::msleep(20);
    }
}

std::optional<QList<PlayListEntry>> DBusPlayerControl::audaciousList()
{
    const QVariant length =
        firstArgument(call(kAudaciousPath, kAudacious, QStringLiteral("Length")));
    if (!length.isValid())
        return std::nullopt;
    QList<PlayListEntry> entries;
    for (uint i = 0; i < uint(std::max(0, length.toInt())); ++i) {
        const QVariant file =
            firstArgument(call(kAudaciousPath, kAudacious, QStringLiteral("SongFilename"), {i}));
        if (!file.isValid())
            return std::nullopt;
        PlayListEntry entry;
        entry.path = localPath(file.toString());
        const QVariant seconds =
            firstArgument(call(kAudaciousPath, kAudacious, QStringLiteral("SongLength"), {i}));
        entry.seconds = seconds.isValid() ? std::max(-1, seconds.toInt()) : -1;
        entry.title =
            firstArgument(call(kAudaciousPath, kAudacious, QStringLiteral("SongTitle"), {i}))
                .toString();
        entries.append(entry);
    }
    return entries;
}

std::optional<QStringList> DBusPlayerControl::mprisTracks()
{
    const QVariant value = property(found_, kMprisTrackList, QStringLiteral("Tracks"));
    if (!value.isValid())
        return std::nullopt;
    QStringList ids;
    for (const QDBusObjectPath &id : demarshalled<QList<QDBusObjectPath>>(value))
        ids.append(id.path());
    return ids;
}

bool DBusPlayerControl::mprisPlay(const QStringList &files)
{
    if (files.isEmpty())
        return true;
    if (!offers(found_, PlayerNeed::Add)) {
        // Without a list to edit, the player is handed the files as one
        // play list, which it opens in place of what it plays.
        QString uri = fileUrl(files.first());
        if (files.size() > 1) {
            QList<PlayListEntry> entries;
            for (const QString &file : files)
                entries.append({file, -1, QFileInfo(file).completeBaseName()});
            const QString list = handOverList();
            if (!writeHandOverList(list, entries))
                return false;
            uri = fileUrl(list);
        }
        return answered(call(kMprisPath, kMprisPlayer, QStringLiteral("OpenUri"), {uri}));
    }
    const std::optional<QStringList> old = mprisTracks();
    if (!old)
        return false;
    for (const QString &id : *old) {
        if (!answered(call(kMprisPath, kMprisTrackList, QStringLiteral("RemoveTrack"),
                           {QVariant::fromValue(QDBusObjectPath(id))})))
            return false;
    }
    // Each file goes in at the front, the last first, so the list ends in
    // row order with the first file current.
    for (qsizetype i = files.size() - 1; i >= 0; --i) {
        if (!answered(
                call(kMprisPath, kMprisTrackList, QStringLiteral("AddTrack"),
                     {fileUrl(files[i]), QVariant::fromValue(QDBusObjectPath(kNoTrack)), i == 0})))
            return false;
    }
    return answered(call(kMprisPath, kMprisPlayer, QStringLiteral("Play")));
}

bool DBusPlayerControl::mprisEnqueue(const QStringList &files)
{
    const std::optional<QStringList> old = mprisTracks();
    if (!old)
        return false;
    const QDBusObjectPath after(old->isEmpty() ? kNoTrack : old->last());
    // All go in right after the last old track, the last first.
    for (qsizetype i = files.size() - 1; i >= 0; --i) {
        if (!answered(call(kMprisPath, kMprisTrackList, QStringLiteral("AddTrack"),
                           {fileUrl(files[i]), QVariant::fromValue(after), false})))
            return false;
    }
    return true;
}

std::optional<QList<PlayListEntry>> DBusPlayerControl::mprisList()
{
    const std::optional<QStringList> ids = mprisTracks();
    if (!ids)
        return std::nullopt;
    if (ids->isEmpty())
        return QList<PlayListEntry>{};
    QList<QDBusObjectPath> paths;
    for (const QString &id : *ids)
        paths.append(QDBusObjectPath(id));
    const QDBusMessage reply =
        call(kMprisPath, kMprisTrackList, QStringLiteral("GetTracksMetadata"),
             {QVariant::fromValue(paths)});
    if (!answered(reply))
        return std::nullopt;
    QList<PlayListEntry> entries;
    for (const QVariantMap &track : demarshalled<QList<QVariantMap>>(firstArgument(reply))) {
        PlayListEntry entry;
        entry.path = localPath(track.value(QStringLiteral("xesam:url")).toString());
        if (entry.path.isEmpty())
            continue;
        const QVariant length = track.value(QStringLiteral("mpris:length"));
        // A stream's length may come as a negative or absurd number; it is
        // unknown then, rather than a wrapped int in the list's "#EXTINF".
        bool isNumber = false;
        const qlonglong seconds = length.toLongLong(&isNumber) / 1000000;
        entry.seconds = isNumber && seconds >= 0 && seconds <= std::numeric_limits<int>::max()
                            ? int(seconds)
                            : -1;
        const QString title = track.value(QStringLiteral("xesam:title")).toString();
        const QStringList artists =
            demarshalled<QStringList>(track.value(QStringLiteral("xesam:artist")));
        entry.title = artists.isEmpty()
                          ? title
                          : artists.join(QLatin1String(", ")) + QLatin1String(" - ") + title;
        entries.append(entry);
    }
    return entries;
}

} // namespace qm
