// The main window's transport: the play button, the slider notices and the playback tick.

#include "player/shell/RoadPlayerDlg.h"

#include "player/resources/Resource.h"
#include "player/skin/SkTripStrip.h"

#include <QGuiApplication>
#include <QTimer>

namespace player {

void CRoadPlayerDlg::OnPlay() {
    if (!m_session.PlayPause()) {
        PlaySelectedRow();
    }
}

void CRoadPlayerDlg::OnSliderNotice(SkWidget* slider, int32_t value) {
    if (slider == nullptr) {
        return;
    }
    m_session.SettleAdvance();
    if (slider == FindWidget(kMainSliderTime)) {
        m_session.SeekTo(value);
    } else if (slider == FindWidget(kMainSliderSpeed)) {
        m_controlState->OnSpeedSlider(value);
    } else if (slider == FindWidget(kMainSliderVolume)) {
        m_controlState->OnVolumeSlider(value);
    } else if (slider == FindWidget(kMainSliderBright)) {
        m_controlState->OnBrightSlider(value);
        RefreshStillPicture();
    } else if (const SkTripStrip* strip = TripStrip(); strip != nullptr && slider == strip) {
        OnTripSeek(m_shownTrip, value, strip->Dragging());
    }
}

void CRoadPlayerDlg::RefreshStillPicture() {
    // A still picture shows a change of its look only when drawn again; a drag's notices
    // come per pixel, so they share one redraw.
    const CPlayGraph* graph = m_session.Graph();
    if (graph == nullptr || graph->State() == GraphState::Running || m_stillRefreshQueued) {
        return;
    }
    m_stillRefreshQueued = true;
    QTimer::singleShot(kStillRefreshMs, this, [this] {
        m_stillRefreshQueued = false;
        const CPlayGraph* still = m_session.Graph();
        if (still != nullptr && still->State() != GraphState::Running) {
            SeekToOwnPosition();
        }
    });
}

void CRoadPlayerDlg::Tick() {
    // While the left button is held (a drag of the time slider) the display stays as it is;
    // the timer keeps running, so the tick comes again.
    if (QGuiApplication::mouseButtons() & Qt::LeftButton) {
        return;
    }
    KillTimer(kPlaybackTimerId);
    if (const std::optional<int64_t> positionMs = m_session.Tick()) {
        ArmTick();
        ShowViewsAt(*positionMs);
    }
}

}  // namespace player
