#include "fakeplayers.h"

#include <QDBusConnectionInterface>
#include <QUrl>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include <unistd.h>

bool FakeAudacious::ignored()
{
    if (!state.silent)
        return false;
    setDelayedReply(true);
    return true;
}

void FakeAudacious::Clear()
{
    if (ignored())
        return;
    state.log(QStringLiteral("Clear"));
    QMutexLocker lock(&state.mutex);
    state.urls.clear();
}

void FakeAudacious::AddUrl(const QString &url)
{
    if (ignored())
        return;
    state.log(QStringLiteral("AddUrl ") + url);
    QMutexLocker lock(&state.mutex);
    state.urls.append(url);
}

void FakeAudacious::Jump(uint position)
{
    if (!ignored())
        state.log(QStringLiteral("Jump %1").arg(position));
}

void FakeAudacious::Play()
{
    if (!ignored())
        state.log(QStringLiteral("Play"));
}

int FakeAudacious::Length()
{
    if (ignored())
        return 0;
    QMutexLocker lock(&state.mutex);
    return int(state.urls.size());
}

QString FakeAudacious::SongFilename(uint position)
{
    if (ignored())
        return {};
    QMutexLocker lock(&state.mutex);
    // Audacious gives local files as paths.
    return QUrl(state.urls.value(position)).toLocalFile();
}

QString FakeAudacious::SongTitle(uint position)
{
    if (ignored())
        return {};
    return QStringLiteral("Artist - Song %1").arg(position + 1);
}

int FakeAudacious::SongLength(uint position)
{
    if (ignored())
        return 0;
    // The second entry's length is not known yet.
    return position == 1 ? -1 : int(60 + position);
}

FakeMpris::FakeMpris(bool hasTrackList, bool canEdit) : hasTrackList(hasTrackList), canEdit(canEdit)
{
    new MprisRoot(this);
    new MprisPlayer(this);
    if (hasTrackList)
        new MprisTrackList(this);
}

void MprisPlayer::OpenUri(const QString &uri) { p->state.log(QStringLiteral("OpenUri ") + uri); }

void MprisPlayer::Play() { p->state.log(QStringLiteral("Play")); }

QList<QDBusObjectPath> MprisTrackList::tracks() const
{
    QMutexLocker lock(&p->state.mutex);
    QList<QDBusObjectPath> result;
    for (const QString &id : p->ids)
        result.append(QDBusObjectPath(id));
    return result;
}

void MprisTrackList::AddTrack(const QString &uri, const QDBusObjectPath &after, bool setAsCurrent)
{
    p->state.log(QStringLiteral("AddTrack %1 %2").arg(uri).arg(setAsCurrent));
    QMutexLocker lock(&p->state.mutex);
    const QString id = QStringLiteral("/fake/track/%1").arg(p->nextId++);
    const qsizetype at = p->ids.indexOf(after.path()) + 1; // NoTrack: the front
    p->ids.insert(at, id);
    p->state.urls.insert(at, uri);
}

void MprisTrackList::RemoveTrack(const QDBusObjectPath &id)
{
    p->state.log(QStringLiteral("RemoveTrack"));
    QMutexLocker lock(&p->state.mutex);
    const qsizetype at = p->ids.indexOf(id.path());
    if (at >= 0) {
        p->ids.removeAt(at);
        p->state.urls.removeAt(at);
    }
}

QList<QVariantMap> MprisTrackList::GetTracksMetadata(const QList<QDBusObjectPath> &ids)
{
    QMutexLocker lock(&p->state.mutex);
    QList<QVariantMap> result;
    for (const QDBusObjectPath &id : ids) {
        const qsizetype at = p->ids.indexOf(id.path());
        if (at < 0)
            continue;
        QVariantMap track;
        track.insert(QStringLiteral("mpris:trackid"), QVariant::fromValue(id));
        track.insert(QStringLiteral("xesam:url"), p->state.urls[at]);
        track.insert(QStringLiteral("xesam:title"), QStringLiteral("Song %1").arg(at + 1));
        track.insert(QStringLiteral("xesam:artist"), QStringList{QStringLiteral("Artist")});
        track.insert(QStringLiteral("mpris:length"), at < p->state.lengths.size()
                                                         ? p->state.lengths[at]
                                                         : qlonglong(at + 60) * 1000000);
        result.append(track);
    }
    return result;
}

FakeService::FakeService(const QString &service, const QString &path, QObject *object)
    : connectionName_(QStringLiteral("fake ") + service), service_(service), object_(object)
{
    QDBusConnection bus =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, connectionName_);
    // Registered before it moves: the bus gives the object a helper child,
    // which has to be made in the object's own thread to move with it.
    registered_ =
        bus.registerObject(path, object_,
                           QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties
                               | QDBusConnection::ExportAdaptors);
    object_->moveToThread(&thread_);
    thread_.start();
    registered_ = registered_ && bus.registerService(service);
}

FakeService::~FakeService()
{
    // Released by a call of its own, so the next look at the bus no longer
    // finds it.
    QDBusConnection(connectionName_).unregisterService(service_);
    // The object goes first, in its own thread, while its connection can
    // still drop it: closing the connection first let the bus's thread
    // disconnect from an object already deleted here.
    QMetaObject::invokeMethod(
        object_, [object = object_] { delete object; }, Qt::BlockingQueuedConnection);
    thread_.quit();
    thread_.wait();
    QDBusConnection::disconnectFromBus(connectionName_);
}

void RestartOnPrivateBus(int argc, char **argv)
{
    if (qEnvironmentVariable("QM_PRIVATE_BUS") == QLatin1String("1"))
        return;
    setenv("QM_PRIVATE_BUS", "1", 1);
    std::vector<char *> args{const_cast<char *>("dbus-run-session"), const_cast<char *>("--")};
    for (int i = 0; i < argc; ++i)
        args.push_back(argv[i]);
    args.push_back(nullptr);
    execvp("dbus-run-session", args.data());
    std::fprintf(stderr, "dbus-run-session could not be started\n");
    std::exit(1);
}
