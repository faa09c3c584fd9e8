#pragma once

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusObjectPath>
#include <QMutex>
#include <QObject>
#include <QStringList>
#include <QThread>
#include <QVariantMap>

// Stand-ins for players on the test's private bus. Each lives on a thread of
// its own, so that the controller's blocking calls from the test's thread
// are answered; `silent` makes it take calls and never answer them.

struct FakeState {
    mutable QMutex mutex;
    QStringList calls;
    QStringList urls;         // the list, as URLs
    QList<qlonglong> lengths; // in microseconds, where the default (60 s and up) will not do
    bool silent = false;
    void log(const QString &call)
    {
        QMutexLocker lock(&mutex);
        calls.append(call);
    }
    QStringList takeCalls()
    {
        QMutexLocker lock(&mutex);
        return std::exchange(calls, {});
    }
};

class FakeAudacious : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.atheme.audacious")
public:
    FakeState state;

public slots:
    void Clear();
    void AddUrl(const QString &url);
    void Jump(uint position);
    void Play();
    int Length();
    QString SongFilename(uint position);
    QString SongTitle(uint position);
    int SongLength(uint position);

private:
    bool ignored();
};

class FakeMpris : public QObject {
    Q_OBJECT
public:
    FakeMpris(bool hasTrackList, bool canEdit);
    FakeState state;
    bool hasTrackList;
    bool canEdit;
    int nextId = 1;
    QStringList ids;
};

class MprisRoot : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool HasTrackList READ hasTrackList)
    Q_PROPERTY(QString Identity READ identity)
public:
    explicit MprisRoot(FakeMpris *player) : QDBusAbstractAdaptor(player), p(player) {}
    bool hasTrackList() const { return p->hasTrackList; }
    QString identity() const { return QStringLiteral("Fake"); }
    FakeMpris *p;
};

class MprisPlayer : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
public:
    explicit MprisPlayer(FakeMpris *player) : QDBusAbstractAdaptor(player), p(player) {}
    FakeMpris *p;
public slots:
    void OpenUri(const QString &uri);
    void Play();
};

class MprisTrackList : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.TrackList")
    Q_PROPERTY(QList<QDBusObjectPath> Tracks READ tracks)
    Q_PROPERTY(bool CanEditTracks READ canEditTracks)
public:
    explicit MprisTrackList(FakeMpris *player) : QDBusAbstractAdaptor(player), p(player) {}
    QList<QDBusObjectPath> tracks() const;
    bool canEditTracks() const { return p->canEdit; }
    FakeMpris *p;
public slots:
    void AddTrack(const QString &uri, const QDBusObjectPath &after, bool setAsCurrent);
    void RemoveTrack(const QDBusObjectPath &id);
    QList<QVariantMap> GetTracksMetadata(const QList<QDBusObjectPath> &ids);
};

// A fake player owning `service` on a connection and thread of its own.
class FakeService {
public:
    FakeService(const QString &service, const QString &path, QObject *object);
    ~FakeService();
    bool registered() const { return registered_; }

private:
    QString connectionName_;
    QString service_;
    QThread thread_;
    QObject *object_;
    bool registered_ = false;
};

// Runs the test program again under dbus-run-session, so that every test
// talks to a bus of its own and never to the user's session; returns only
// when already there (or, failing, never).
void RestartOnPrivateBus(int argc, char **argv);
