// The main window's transport: the play button, the slider notices and the playback tick.

#include "player/shell/RoadPlayerDlg.h"

#include "player/resources/Resource.h"

#include <QGuiApplication>

namespace player {

void CRoadPlayerDlg::OnPlay() {
    switch (m_controlState->PlayPause()) {
        case CControlState::PlayResult::Resumed:
            ArmTick();
            m_pausedByUser = 0;
            break;
        case CControlState::PlayResult::Paused:
            m_pausedByUser = 1;
            break;
        case CControlState::PlayResult::NothingPlaying:
            PlaySelectedRow();
            break;
    }
}

void CRoadPlayerDlg::OnSliderNotice(SkWidget* slider, int32_t value) {
    if (slider == nullptr) {
        return;
    }
    if (slider == FindWidget(kMainSliderTime)) {
        OnTimeSlider(value);
    } else if (slider == FindWidget(kMainSliderSpeed)) {
        m_controlState->OnSpeedSlider(value);
    } else if (slider == FindWidget(kMainSliderVolume)) {
        m_controlState->OnVolumeSlider(value);
    }
}

void CRoadPlayerDlg::OnTimeSlider(int32_t positionMs) {
    // A drag sends a notice per pixel; the graph gets at most one seek per guard period, and
    // always the last position.
    m_pendingSeekMs = positionMs;
    if (!IsTimerActive(kSeekGuardTimerId)) {
        ApplyPendingSeek();
    }
}

void CRoadPlayerDlg::ApplyPendingSeek() {
    if (!m_pendingSeekMs.has_value()) {
        KillTimer(kSeekGuardTimerId);
        return;
    }
    const int32_t positionMs = *m_pendingSeekMs;
    m_pendingSeekMs.reset();
    m_controlState->OnTimeSlider(positionMs);
    SetTimer(kSeekGuardTimerId, kSeekGuardMs);
}

void CRoadPlayerDlg::ArmTick() {
    SetTimer(kPlaybackTimerId, kPlaybackTimerMs);
}

void CRoadPlayerDlg::Tick() {
    // While the left button is held (a drag of the time slider) the display stays as it is;
    // the timer keeps running, so the tick comes again.
    if (QGuiApplication::mouseButtons() & Qt::LeftButton) {
        return;
    }
    KillTimer(kPlaybackTimerId);
    CPlayGraph* graph = m_player.Graph();
    if (graph == nullptr || graph->State() == GraphState::NotBuilt) {
        return;
    }
    const int64_t positionMs = graph->GetPositionMs();
    const auto durationMs = static_cast<int64_t>(m_player.GetDurationMs());
    if (positionMs >= durationMs) {
        AdvanceAtEnd();
    } else {
        m_controlState->UpdateControls(kEventPosition);
        ArmTick();
        ShowViewsAt(positionMs);
    }
}

}  // namespace player
