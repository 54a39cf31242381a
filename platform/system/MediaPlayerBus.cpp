#include "platform/system/MediaPlayerBus.h"

#include "platform/system/Log.h"
#include "platform/system/SessionBus.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDBusAbstractAdaptor>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QStringList>

#include <cmath>
#include <cstdlib>

namespace platform {

namespace {

constexpr char kObjectPath[] = "/org/mpris/MediaPlayer2";
constexpr char kNamePrefix[] = "org.mpris.MediaPlayer2.";
constexpr char kPlayerInterface[] = "org.mpris.MediaPlayer2.Player";
constexpr char kPropertiesInterface[] = "org.freedesktop.DBus.Properties";
constexpr char kNoTrack[] = "/org/mpris/MediaPlayer2/TrackList/NoTrack";
constexpr char kTrackPathPrefix[] = "/org/roadplayer/track/";
constexpr double kMinimumRate = 0.5;
constexpr double kMaximumRate = 2.0;
// A position further than this from where playback would have taken it is a jump (Seeked).
constexpr int64_t kJumpUs = 1'000'000;
constexpr int64_t kUsPerMs = 1000;

QString StatusName(MediaPlayerState::Status status) {
    switch (status) {
        case MediaPlayerState::Status::Playing:
            return QStringLiteral("Playing");
        case MediaPlayerState::Status::Paused:
            return QStringLiteral("Paused");
        case MediaPlayerState::Status::Stopped:
            break;
    }
    return QStringLiteral("Stopped");
}

// org.mpris.MediaPlayer2: who the player is. It cannot be quit from the desktop, since quitting
// asks the user first.
class RootAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ CanQuit)
    Q_PROPERTY(bool CanRaise READ CanRaise)
    Q_PROPERTY(bool HasTrackList READ HasTrackList)
    Q_PROPERTY(QString Identity READ Identity)
    Q_PROPERTY(QString DesktopEntry READ DesktopEntry)
    Q_PROPERTY(QStringList SupportedUriSchemes READ SupportedUriSchemes)
    Q_PROPERTY(QStringList SupportedMimeTypes READ SupportedMimeTypes)

public:
    explicit RootAdaptor(MediaPlayerBus* bus) : QDBusAbstractAdaptor(bus), m_bus(bus) {}

    bool CanQuit() const { return false; }
    bool CanRaise() const { return true; }
    bool HasTrackList() const { return false; }
    QString Identity() const { return m_bus->Identity(); }
    QString DesktopEntry() const { return m_bus->DesktopEntry(); }
    // OpenUri opens nothing, so no scheme or type is offered.
    QStringList SupportedUriSchemes() const { return {}; }
    QStringList SupportedMimeTypes() const { return {}; }

public slots:
    void Raise() { m_bus->Target().Raise(); }
    void Quit() { qCInfo(lcSystem) << "media controls: Quit is not offered"; }

private:
    MediaPlayerBus* m_bus;
};

// org.mpris.MediaPlayer2.Player: the transport and what plays.
class PlayerAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ PlaybackStatus)
    Q_PROPERTY(double Rate READ Rate)
    Q_PROPERTY(QVariantMap Metadata READ Metadata)
    Q_PROPERTY(double Volume READ Volume)
    Q_PROPERTY(qlonglong Position READ Position)
    Q_PROPERTY(double MinimumRate READ MinimumRate)
    Q_PROPERTY(double MaximumRate READ MaximumRate)
    Q_PROPERTY(bool CanGoNext READ CanGoNext)
    Q_PROPERTY(bool CanGoPrevious READ CanGoPrevious)
    Q_PROPERTY(bool CanPlay READ CanPlay)
    Q_PROPERTY(bool CanPause READ CanPause)
    Q_PROPERTY(bool CanSeek READ CanSeek)
    Q_PROPERTY(bool CanControl READ CanControl)

public:
    explicit PlayerAdaptor(MediaPlayerBus* bus) : QDBusAbstractAdaptor(bus), m_bus(bus) {
        connect(bus, &MediaPlayerBus::Seeked, this, &PlayerAdaptor::Seeked);
    }

    QString PlaybackStatus() const { return StatusName(m_bus->State().status); }
    double Rate() const { return m_bus->State().rate; }
    QVariantMap Metadata() const { return m_bus->Metadata(); }
    double Volume() const { return m_bus->State().volume; }
    qlonglong Position() const { return m_bus->State().positionUs; }
    double MinimumRate() const { return kMinimumRate; }
    double MaximumRate() const { return kMaximumRate; }
    bool CanGoNext() const { return m_bus->State().canGoNext; }
    bool CanGoPrevious() const { return m_bus->State().canGoPrevious; }
    bool CanPlay() const { return m_bus->State().canPlay; }
    bool CanPause() const { return m_bus->State().canPause; }
    bool CanSeek() const { return m_bus->State().canSeek; }
    bool CanControl() const { return true; }

public slots:
    void Next() { m_bus->Target().Next(); }
    void Previous() { m_bus->Target().Previous(); }
    void Pause() { m_bus->Target().Pause(); }
    void PlayPause() { m_bus->Target().PlayPause(); }
    void Stop() { m_bus->Target().Stop(); }
    void Play() { m_bus->Target().Play(); }
    void Seek(qlonglong offsetUs) { m_bus->Target().SeekBy(offsetUs); }
    void SetPosition(const QDBusObjectPath& trackId, qlonglong positionUs) {
        // A position for a recording that is no longer open is ignored, as the interface asks.
        const MediaPlayerState state = m_bus->State();
        if (trackId.path() != MediaPlayerBus::TrackId(state.url) || positionUs < 0 ||
            positionUs > state.lengthUs) {
            qCInfo(lcSystem) << "media controls: position" << positionUs << "for" << trackId.path()
                             << "ignored";
            return;
        }
        m_bus->Target().SeekTo(positionUs);
    }
    void OpenUri(const QString& uri) {
        qCInfo(lcSystem) << "media controls: OpenUri is not offered, ignored" << uri;
    }

signals:
    void Seeked(qlonglong Position);  // NOLINT: the interface names its argument

private:
    MediaPlayerBus* m_bus;
};

}  // namespace

MediaPlayerBus::MediaPlayerBus(Player& player, QObject* parent)
    : QObject(parent), m_player(player), m_connection(QString()) {
    new RootAdaptor(this);
    new PlayerAdaptor(this);
}

MediaPlayerBus::~MediaPlayerBus() {
    if (m_running) {
        m_connection.unregisterObject(QString::fromLatin1(kObjectPath));
        m_connection.unregisterService(m_busName);
    }
    if (!m_connectionName.isEmpty()) {
        QDBusConnection::disconnectFromBus(m_connectionName);
    }
}

bool MediaPlayerBus::Start(const QString& name, const QString& identity,
                           const QString& desktopEntry) {
    if (m_running) {
        return true;
    }
    m_identity = identity;
    m_desktopEntry = desktopEntry;
    m_connectionName = QStringLiteral("roadplayer-mpris-%1").arg(reinterpret_cast<quintptr>(this));
    m_connection = ConnectToSessionBus(m_connectionName);
    if (!m_connection.isConnected()) {
        static bool logged = false;
        if (!logged) {
            logged = true;
            qCWarning(lcSystem) << "no session bus: the desktop's media controls cannot reach the"
                                << "player" << m_connection.lastError().message();
        }
        return false;
    }
    m_busName = QString::fromLatin1(kNamePrefix) + name;
    // A second player on another display takes a name of its own, as the interface allows.
    if (!m_connection.registerService(m_busName)) {
        m_busName += QStringLiteral(".instance%1").arg(QCoreApplication::applicationPid());
        if (!m_connection.registerService(m_busName)) {
            qCWarning(lcSystem) << "media controls: the bus refused the name" << m_busName;
            return false;
        }
    }
    if (!m_connection.registerObject(QString::fromLatin1(kObjectPath), this,
                                     QDBusConnection::ExportAdaptors)) {
        qCWarning(lcSystem) << "media controls: the bus refused the player object";
        m_connection.unregisterService(m_busName);
        return false;
    }
    m_running = true;
    m_last = m_player.State();
    m_sinceLast.start();
    return true;
}

QString MediaPlayerBus::TrackId(const QString& url) {
    if (url.isEmpty()) {
        return QString::fromLatin1(kNoTrack);
    }
    return QString::fromLatin1(kTrackPathPrefix) +
           QString::fromLatin1(
               QCryptographicHash::hash(url.toUtf8(), QCryptographicHash::Md5).toHex());
}

QVariantMap MediaPlayerBus::Metadata() const {
    return MetadataOf(m_player.State());
}

QVariantMap MediaPlayerBus::MetadataOf(const MediaPlayerState& state) const {
    QVariantMap metadata;
    metadata.insert(QStringLiteral("mpris:trackid"),
                    QVariant::fromValue(QDBusObjectPath(TrackId(state.url))));
    if (state.url.isEmpty()) {
        return metadata;
    }
    metadata.insert(QStringLiteral("mpris:length"), static_cast<qlonglong>(state.lengthUs));
    metadata.insert(QStringLiteral("xesam:title"), state.title);
    metadata.insert(QStringLiteral("xesam:url"), state.url);
    if (!state.artUrl.isEmpty()) {
        metadata.insert(QStringLiteral("mpris:artUrl"), state.artUrl);
    }
    if (!state.createdUtc.isEmpty()) {
        metadata.insert(QStringLiteral("xesam:contentCreated"), state.createdUtc);
    }
    return metadata;
}

QVariantMap MediaPlayerBus::ChangedProperties(const MediaPlayerState& now) const {
    QVariantMap changed;
    const MediaPlayerState& was = m_last;
    if (now.status != was.status) {
        changed.insert(QStringLiteral("PlaybackStatus"), StatusName(now.status));
    }
    if (now.rate != was.rate) {
        changed.insert(QStringLiteral("Rate"), now.rate);
    }
    if (now.volume != was.volume) {
        changed.insert(QStringLiteral("Volume"), now.volume);
    }
    const QVariantMap metadata = MetadataOf(now);
    if (metadata != MetadataOf(was)) {
        changed.insert(QStringLiteral("Metadata"), metadata);
    }
    const struct {
        const char* name;
        bool now;
        bool was;
    } flags[] = {
        {"CanGoNext", now.canGoNext, was.canGoNext},
        {"CanGoPrevious", now.canGoPrevious, was.canGoPrevious},
        {"CanPlay", now.canPlay, was.canPlay},
        {"CanPause", now.canPause, was.canPause},
        {"CanSeek", now.canSeek, was.canSeek},
    };
    for (const auto& flag : flags) {
        if (flag.now != flag.was) {
            changed.insert(QString::fromLatin1(flag.name), flag.now);
        }
    }
    return changed;
}

bool MediaPlayerBus::Jumped(const MediaPlayerState& now) const {
    if (now.url.isEmpty() || now.url != m_last.url) {
        return false;
    }
    int64_t expectedUs = m_last.positionUs;
    if (m_last.status == MediaPlayerState::Status::Playing) {
        expectedUs += static_cast<int64_t>(static_cast<double>(m_sinceLast.elapsed() * kUsPerMs) *
                                           m_last.rate);
    }
    return std::llabs(now.positionUs - expectedUs) > kJumpUs;
}

void MediaPlayerBus::Refresh() {
    if (!m_running) {
        return;
    }
    const MediaPlayerState now = m_player.State();
    const QVariantMap changed = ChangedProperties(now);
    if (!changed.isEmpty()) {
        QDBusMessage signal = QDBusMessage::createSignal(QString::fromLatin1(kObjectPath),
                                                         QString::fromLatin1(kPropertiesInterface),
                                                         QStringLiteral("PropertiesChanged"));
        signal << QString::fromLatin1(kPlayerInterface) << changed << QStringList();
        if (!m_connection.send(signal)) {
            qCInfo(lcSystem) << "media controls: a change could not be signalled";
        }
    }
    if (Jumped(now)) {
        emit Seeked(now.positionUs);
    }
    m_last = now;
    m_sinceLast.restart();
}

}  // namespace platform

#include "MediaPlayerBus.moc"
