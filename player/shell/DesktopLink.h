#pragma once
// The player on the desktop: the session bus's media controls (platform/system) answered with
// the main window's actions, each only where its button could act, and the window's state
// (what plays and where, the front camera's picture) published to them; and the desktop's
// notices, through the same bus. Owned by the main window; UI thread only.

#include "platform/system/DesktopNotices.h"
#include "platform/system/MediaPlayerBus.h"

#include <QElapsedTimer>
#include <QString>
#include <QThreadPool>
#include <QTimer>

#include <cstdint>
#include <functional>

namespace player {

class CRoadPlayerDlg;

class CDesktopLink final : private platform::MediaPlayerBus::Player {
public:
    // The bus name's last part and the program's desktop entry.
    static constexpr char kBusName[] = "RoadPlayer";
    static constexpr char kDesktopEntry[] = "roadplayer";
    // The desktop is told of changes this often; the picture is renewed at most once a second.
    static constexpr int kRefreshMs = 250;
    static constexpr int kArtIntervalMs = 1000;

    explicit CDesktopLink(CRoadPlayerDlg& window);
    ~CDesktopLink();
    CDesktopLink(const CDesktopLink&) = delete;
    CDesktopLink& operator=(const CDesktopLink&) = delete;

    // Joins the session bus; without one the player goes on as before (logged once).
    void Start();
    bool MediaControlsRunning() const { return m_bus.Running(); }
    platform::DesktopNotices& Notices() { return m_notices; }
    // The file that holds the front camera's picture last published; empty for none.
    const QString& ArtPath() const { return m_artPath; }

private:
    // What the desktop's media controls ask (platform::MediaPlayerBus::Player).
    platform::MediaPlayerState State() const override;
    void Play() override;
    void Pause() override;
    void PlayPause() override;
    void Stop() override;
    void Next() override;
    void Previous() override;
    void SeekBy(int64_t offsetUs) override;
    void SeekTo(int64_t positionUs) override;
    void Raise() override;

    // The desktop's call is answered at once; the action runs from the event loop, since it
    // may show a message.
    void Later(std::function<void(CRoadPlayerDlg&)> action);
    bool Playing() const;
    void Refresh();
    void RenewArt();
    void PublishArt(const QString& path, const QString& recording);

    CRoadPlayerDlg& m_window;
    platform::MediaPlayerBus m_bus;
    platform::DesktopNotices m_notices;
    QTimer m_refresh;
    QString m_artPath;
    QString m_artRecording;  // the recording the picture comes from
    int64_t m_artPositionMs = -1;
    QElapsedTimer m_sinceArt;
    uint32_t m_artNumber = 0;
    // Last member: gone first, once the picture it may still be writing is written.
    QThreadPool m_artWriter;
};

}  // namespace player
