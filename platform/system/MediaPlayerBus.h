#pragma once
// The desktop's media controls: a player on the session bus (MPRIS 2: org.mpris.MediaPlayer2
// and its .Player interface, through Qt D-Bus). The desktop's calls reach the Player given;
// Refresh tells the desktop what changed since it last asked. Each object has a bus connection
// of its own, made by Start. GUI thread only.

#include <QDBusConnection>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QVariantMap>

#include <cstdint>

namespace platform {

// What the desktop is shown of the player, read again at every Refresh.
struct MediaPlayerState {
    enum class Status { Stopped, Playing, Paused };

    Status status = Status::Stopped;
    int64_t positionUs = 0;
    double rate = 1.0;
    double volume = 1.0;  // 0..1
    bool canGoNext = false;
    bool canGoPrevious = false;
    bool canPlay = false;
    bool canPause = false;
    bool canSeek = false;
    // The open recording; an empty url means none is open.
    QString url;
    QString title;
    QString artUrl;      // a file URL, or empty
    QString createdUtc;  // ISO 8601 in UTC, or empty
    int64_t lengthUs = 0;
};

class MediaPlayerBus : public QObject {
    Q_OBJECT

public:
    // What the desktop asks of the player; each call comes from the event loop.
    class Player {
    public:
        virtual MediaPlayerState State() const = 0;
        virtual void Play() = 0;
        virtual void Pause() = 0;
        virtual void PlayPause() = 0;
        virtual void Stop() = 0;
        virtual void Next() = 0;
        virtual void Previous() = 0;
        // A move by offsetUs from the position (negative: back).
        virtual void SeekBy(int64_t offsetUs) = 0;
        // A move to positionUs of the recording open now.
        virtual void SeekTo(int64_t positionUs) = 0;
        virtual void Raise() = 0;

    protected:
        ~Player() = default;
    };

    explicit MediaPlayerBus(Player& player, QObject* parent = nullptr);
    ~MediaPlayerBus() override;
    MediaPlayerBus(const MediaPlayerBus&) = delete;
    MediaPlayerBus& operator=(const MediaPlayerBus&) = delete;

    // Connects to the session bus and takes "org.mpris.MediaPlayer2.<name>" (with an instance
    // suffix when another process holds it). False without a session bus (logged once per
    // process) or when the bus refuses the player; the program goes on without it.
    bool Start(const QString& name, const QString& identity, const QString& desktopEntry);
    bool Running() const { return m_running; }
    const QString& BusName() const { return m_busName; }

    // Signals PropertiesChanged for what differs from the state last signalled, and Seeked
    // when the position jumped.
    void Refresh();

    // The root interface's fixed answers.
    const QString& Identity() const { return m_identity; }
    const QString& DesktopEntry() const { return m_desktopEntry; }
    // The Player interface's answers, read from the player now.
    MediaPlayerState State() const { return m_player.State(); }
    QVariantMap Metadata() const;
    Player& Target() { return m_player; }
    // The object path of a recording, from its URL; the "no track" path without one.
    static QString TrackId(const QString& url);

signals:
    void Seeked(qlonglong positionUs);

private:
    QVariantMap MetadataOf(const MediaPlayerState& state) const;
    QVariantMap ChangedProperties(const MediaPlayerState& now) const;
    bool Jumped(const MediaPlayerState& now) const;

    Player& m_player;
    QDBusConnection m_connection;
    QString m_connectionName;
    QString m_busName;
    QString m_identity;
    QString m_desktopEntry;
    bool m_running = false;
    MediaPlayerState m_last;
    QElapsedTimer m_sinceLast;
};

}  // namespace platform
