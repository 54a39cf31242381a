#include "player/shell/PlaybackSession.h"

#include "player/shell/ShellLog.h"

namespace player {

CPlaybackSession::CPlaybackSession(Host& host) : m_host(host) {
    m_seekGuard.setSingleShot(true);
    m_seekGuard.setInterval(kSeekGuardMs);
    QObject::connect(&m_seekGuard, &QTimer::timeout, [this] { ApplyPendingSeek(); });
}

CPlaybackSession::~CPlaybackSession() {
    m_seekGuard.stop();
    m_player.Release();
}

void CPlaybackSession::Update(ControlEvent event) const {
    if (m_controls != nullptr) {
        m_controls->UpdateControls(event);
    }
}

bool CPlaybackSession::OpenRecording(const QString& path) {
    if (m_player.Open(path) == 0) {
        qCInfo(lcShell) << "the graph refused" << path;
        m_host.ShowRefused();
        return false;
    }
    CPlayGraph* graph = m_player.Graph();
    if (graph == nullptr || m_player.GetDurationMs() == 0) {
        qCInfo(lcShell) << "no duration for" << path;
        if (graph != nullptr) {
            graph->Stop();
        }
        m_player.Release();
        m_host.ShowRefused();
        return false;
    }
    m_telemetry.LoadFromSource(graph->Source());
    if (m_controls != nullptr) {
        // Every opening starts at the user's own level.
        m_controls->ApplyUserVolume();
        m_controls->SetRecordingFacts(graph->VideoStreamCount(), !m_telemetry.GPSList().empty(),
                                      !m_telemetry.GSensorList().empty());
    }
    m_host.ShowOpened(path);
    return true;
}

bool CPlaybackSession::Start(const QString& path) {
    if (!OpenRecording(path)) {
        Close(CloseReason::Stop);
        return false;
    }
    m_player.Graph()->Run();
    m_host.ArmTick();
    m_pausedByUser = false;
    Update(ControlEvent::Started);
    return true;
}

bool CPlaybackSession::PlayPath(const QString& path) {
    m_currentPath = path;
    return !path.isEmpty() && Start(path);
}

bool CPlaybackSession::OpenRow(int32_t row, RowOpening how) {
    const QString path = m_host.RowPath(row);
    if (how == RowOpening::DoubleClick) {
        // A click beside the rows keeps what is open (and its snapshot name).
        if (path.isEmpty()) {
            return false;
        }
        m_currentPath = path;
        m_currentRow = row;
        if (!Start(path)) {
            return false;
        }
        m_host.SelectRow(row);
        return true;
    }
    m_currentRow = row;
    m_currentPath = path;
    bool playing = false;
    // Play takes a row without a path to the opening, which refuses it and closes.
    if (!path.isEmpty() || how == RowOpening::Play) {
        m_host.SelectRow(row);
        playing = Start(path);
    }
    if (how == RowOpening::Advance) {
        m_host.ScrollToRow(row);
    }
    return playing;
}

void CPlaybackSession::Previous() {
    if (m_currentRow <= 0 || m_currentRow - 1 >= m_host.RowCount()) {
        return;
    }
    OpenRow(m_currentRow - 1, RowOpening::Advance);
}

void CPlaybackSession::Next() {
    if (m_currentRow + 1 >= m_host.RowCount()) {
        Close(CloseReason::Stop);
        return;
    }
    OpenRow(m_currentRow + 1, RowOpening::Advance);
}

void CPlaybackSession::AdvanceAtEnd() {
    const int32_t count = m_host.RowCount();
    if (count == 0) {
        // Nothing listed to go on to (a recording opened by path): it rests at its end, and
        // Play starts it again.
        if (CPlayGraph* graph = m_player.Graph()) {
            graph->Pause();
        }
        m_pausedByUser = true;
        Update(ControlEvent::Position);
        Update(ControlEvent::Paused);
        return;
    }
    // Through the whole list and round again from the first row.
    OpenRow(m_currentRow + 1 < count ? m_currentRow + 1 : 0, RowOpening::Advance);
}

void CPlaybackSession::Close(CloseReason reason) {
    m_host.KillTick();
    m_seekGuard.stop();
    m_pendingSeekMs.reset();
    if (CPlayGraph* graph = m_player.Graph()) {
        graph->Stop();
        // A removed card's file cannot be read any more; the others are rewound first.
        if (reason == CloseReason::Stop && graph->HasGraphManager()) {
            graph->SeekTo(0);
            graph->Stop();
        }
    }
    m_player.Release();
    m_currentRow = -1;
    m_pausedByUser = false;
    switch (reason) {
        case CloseReason::Stop:
            m_host.ShowClosed();
            Update(ControlEvent::Stopped);
            break;
        case CloseReason::CardRemoved:
            m_host.ShowClosed();
            Update(ControlEvent::Reset);
            break;
        case CloseReason::Quit:
            break;
    }
}

bool CPlaybackSession::PlayPause() {
    if (m_controls == nullptr) {
        return false;
    }
    switch (m_controls->PlayPause()) {
        case CControlState::PlayResult::Resumed:
            m_host.ArmTick();
            m_pausedByUser = false;
            return true;
        case CControlState::PlayResult::Paused:
            m_pausedByUser = true;
            return true;
        case CControlState::PlayResult::NothingPlaying:
            break;
    }
    return false;
}

void CPlaybackSession::SeekTo(int32_t positionMs) {
    // A drag sends a notice per pixel; the graph gets at most one seek per guard period, and
    // always the last position.
    m_pendingSeekMs = positionMs;
    if (!m_seekGuard.isActive()) {
        ApplyPendingSeek();
    }
}

void CPlaybackSession::ApplyPendingSeek() {
    if (!m_pendingSeekMs.has_value()) {
        return;
    }
    const int32_t positionMs = *m_pendingSeekMs;
    m_pendingSeekMs.reset();
    if (m_controls != nullptr) {
        m_controls->OnTimeSlider(positionMs);
    }
    m_seekGuard.start();
}

std::optional<int64_t> CPlaybackSession::Tick() {
    CPlayGraph* graph = m_player.Graph();
    if (graph == nullptr || graph->State() == GraphState::NotBuilt) {
        return std::nullopt;
    }
    const int64_t positionMs = graph->GetPositionMs();
    if (positionMs >= static_cast<int64_t>(m_player.GetDurationMs())) {
        AdvanceAtEnd();
        return std::nullopt;
    }
    Update(ControlEvent::Position);
    return positionMs;
}

bool CPlaybackSession::PauseForDialog() {
    CPlayGraph* graph = m_player.Graph();
    if (graph == nullptr || graph->State() != GraphState::Running) {
        return false;
    }
    graph->Pause();
    Update(ControlEvent::Paused);
    return true;
}

void CPlaybackSession::ResumeAfterDialog(bool wasRunning) {
    // The card may have gone meanwhile, and the recording with it.
    CPlayGraph* graph = m_player.Graph();
    if (wasRunning && graph != nullptr && graph->State() == GraphState::Paused) {
        graph->Run();
        m_host.ArmTick();
        Update(ControlEvent::Resumed);
    }
}

}  // namespace player
