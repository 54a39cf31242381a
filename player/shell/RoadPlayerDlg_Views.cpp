// The main window's telemetry views and view buttons: the map page in its web view, the
// G-sensor window, and what each of them gets when a recording opens and on every tick.

#include "player/shell/RoadPlayerDlg.h"

#include "platform/system/InternetState.h"
#include "platform/window/Window.h"
#include "player/profile/AppProfile.h"
#include "player/resources/Resource.h"
#include "player/shell/ShellLog.h"
#include "player/skin/SkGSensorGraph.h"
#include "player/skin/TypeFactory.h"
#include "player/telemetry/FixValues.h"
#include "player/telemetry/GSensorDlg.h"
#include "player/telemetry/SkWebBrowser.h"

#include <QTimer>

#include <algorithm>

namespace player {

void CRoadPlayerDlg::OnRegisterTypes(TypeFactory& factory) {
    SkWebBrowser::Register(factory);
}

SkWebBrowser* CRoadPlayerDlg::MapView() const {
    return dynamic_cast<SkWebBrowser*>(FindWidget(kMainWebMap));
}

void CRoadPlayerDlg::SetUpViews() {
    m_controlState->SetMapPageLoaded([this] {
        const SkWebBrowser* map = MapView();
        return map != nullptr && map->PageLoaded();
    });
    // The browser engine starts only when the map is first laid into an area.
    m_controlState->SetMapWanted([this] { StartMapViewSoon(); });
    SkWebBrowser* map = MapView();
    if (map == nullptr) {
        return;
    }
    map->SetData(&m_session.Telemetry());
    // A click on the route seeks as the time slider does, so clicks in a row coalesce too.
    connect(map, &SkWebBrowser::RouteClicked, this, [this](qint32 timeMs) {
        // On a trip's route the time is the trip's and may lie in another recording.
        if (const SkWebBrowser* shown = MapView(); shown != nullptr && shown->ShowsTrip()) {
            OnTripSeek(m_mapTrip, timeMs, false);
        } else if (m_session.Graph() != nullptr) {
            m_session.SeekTo(timeMs);
        }
    });
}

void CRoadPlayerDlg::StartMapViewSoon() {
    if (m_mapStartQueued) {
        return;
    }
    m_mapStartQueued = true;
    // The browser engine starts with the page; the window is on the screen before that.
    QTimer::singleShot(0, this, [this] {
        m_mapStartQueued = false;
        if (isVisible()) {
            LoadMapPage();
        }
    });
}

void CRoadPlayerDlg::StartMapViewIfShown() {
    const SkWebBrowser* map = MapView();
    const QWidget* window = map != nullptr ? map->Window() : nullptr;
    // A skin may show the map before any recording lays the views out.
    if (window != nullptr && !map->PageLoaded() && window->isVisible() &&
        !window->size().isEmpty()) {
        StartMapViewSoon();
    }
}

void CRoadPlayerDlg::LoadMapPage() {
    SkWebBrowser* map = MapView();
    if (map == nullptr || map->PageLoaded()) {
        return;
    }
    m_online = platform::IsConnectedToInternet();
    map->SetTilesEnabled(m_online);
    if (!map->Navigate(m_profile.MapPage())) {
        qCInfo(lcShell) << "the map page is not loaded: the map view has no window";
        return;
    }
    // A map waiting for its page left the second area empty.
    if (m_controlState->CurrentOpenState() == OpenState::Open) {
        m_controlState->LayoutViews();
    }
}

void CRoadPlayerDlg::ShowRecordingTelemetry() {
    ShowGpsReadout(0);
    if (m_gsensor) {
        if (m_session.Telemetry().GSensorList().empty()) {
            m_gsensor->ShowWindow(platform::ShowCommand::Hide);
        } else {
            m_gsensor->SetData(&m_session.Telemetry());
        }
    }
}

void CRoadPlayerDlg::ShowViewsAt(int64_t positionMs) {
    const auto ms = static_cast<uint32_t>(std::max<int64_t>(positionMs, 0));
    ShowGpsReadout(ms);
    ShowTripAt(ms);
    if (SkWebBrowser* map = MapView()) {
        // Tiles follow the connection; the page and the marker work without one. A page not
        // loaded yet gets the position kept here when it is.
        if (map->PageLoaded()) {
            const bool online = platform::IsConnectedToInternet();
            if (online != m_online) {
                m_online = online;
                map->SetTilesEnabled(online);
            }
        }
        map->ShowPosition(ms);
    }
    if (m_gsensor) {
        m_gsensor->SetPosition(static_cast<int32_t>(ms));
    }
}

void CRoadPlayerDlg::ShowGpsReadout(uint32_t positionMs) {
    const SkWidget* widget = FindWidget(kMainTextGps);
    QWidget* readout = widget != nullptr ? widget->Window() : nullptr;
    if (readout == nullptr) {
        return;
    }
    QString text = GpsReadoutText(m_session.Telemetry().FindGPSAtOrBefore(positionMs), m_readout,
                                  IncidentPlaying(positionMs));
    if (const QString trip = TripFigures(positionMs); !trip.isEmpty()) {
        text += QStringLiteral("  ") + trip;
    }
    if (platform::GetWindowText(readout) != text) {
        platform::SetWindowText(readout, text);
        readout->update();
    }
}

void CRoadPlayerDlg::OnViewButton(ControlEvent event) {
    m_controlState->UpdateControls(event);
    // A still picture moved to an area of another size is drawn again at that size.
    const CPlayGraph* graph = m_session.Graph();
    if (graph != nullptr && graph->State() != GraphState::Running) {
        SeekToOwnPosition();
    }
}

void CRoadPlayerDlg::OnGSensorButton() {
    if (!m_gsensor) {
        auto window = std::make_unique<CGSensorDlg>(this);
        const QByteArray* script =
            m_profile.GetScript(NameKey(QString::fromLatin1(kGSensorSkinName)));
        if (script == nullptr || script->isEmpty() || !window->LoadSkin(*script) ||
            !window->SkinComplete() || !window->Create(this)) {
            qCInfo(lcShell) << "no G-sensor window: the profile's" << kGSensorSkinName
                            << "skin is missing or cannot be read";
            return;
        }
        m_gsensor = std::move(window);
        ShowMarks();
        // A click on the curve plays from there, as the time slider does.
        if (SkGSensorGraph* graph = m_gsensor->Graph()) {
            graph->SetSeekHandler([this](int32_t timeMs) {
                if (m_session.Graph() != nullptr) {
                    m_session.SeekTo(timeMs);
                }
            });
        }
    }
    if (!m_controlState->HasGSensor()) {
        return;
    }
    m_gsensor->SetData(&m_session.Telemetry());
    if (CPlayGraph* graph = m_session.Graph()) {
        m_gsensor->SetPosition(static_cast<int32_t>(std::max<int64_t>(graph->GetPositionMs(), 0)));
    }
    m_gsensor->ShowWindow(platform::ShowCommand::Show);
    m_gsensor->raise();
    m_gsensor->activateWindow();
}

void CRoadPlayerDlg::HideGSensor() {
    if (m_gsensor) {
        m_gsensor->ShowWindow(platform::ShowCommand::Hide);
    }
}

}  // namespace player
