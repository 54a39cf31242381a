#include "player/telemetry/SkWebBrowser.h"

#include "player/skin/TypeFactory.h"
#include "player/telemetry/Log.h"
#include "player/telemetry/ScriptCall.h"
#include "player/telemetry/TextData.h"

#include <QWebEngineView>

#include <algorithm>

namespace player {

namespace {

const QString kShowRoute = QStringLiteral("ShowRoute");
const QString kSetTilesEnabled = QStringLiteral("SetTilesEnabled");

}  // namespace

SkWebBrowser::SkWebBrowser() = default;

SkWebBrowser::~SkWebBrowser() {
    // The engine's page goes before the signals it might still deliver here.
    delete m_view.data();
}

void SkWebBrowser::Register(TypeFactory& factory) {
    factory.Register(QStringLiteral("map"), [] {
        return std::make_unique<SkContainer>(std::make_unique<SkWebBrowser>());
    });
}

bool SkWebBrowser::CallScript(const QString& callText, ScriptResult done) {
    const std::optional<ScriptCall> call = ParseScriptCall(callText);
    if (!call) {
        qCDebug(lcTelemetry) << "unreadable script call dropped:" << callText;
        return false;
    }
    return CallFunction(call->function, call->arguments, std::move(done));
}

bool SkWebBrowser::CallFunction(const QString& function, const QStringList& arguments,
                                ScriptResult done) {
    if (!m_pageReady || m_view == nullptr) {
        qCDebug(lcTelemetry) << "page not ready, call dropped:" << function;
        return false;
    }
    RunScript(ScriptInvocation({function, arguments}), std::move(done));
    return true;
}

bool SkWebBrowser::ShowPosition(uint32_t positionMs) {
    if (m_data == nullptr || m_data->GPSList().empty()) {
        return false;
    }
    const CGPSData* fix = m_data->FindGPS(positionMs);
    if (fix == nullptr || fix->valid == 0) {
        return false;
    }
    return CallScript(DrawCurrentCall(*fix));
}

void SkWebBrowser::ShowRoute() {
    m_route = m_data != nullptr ? RouteOf(*m_data) : std::vector<RoutePoint>();
    m_routeGiven = true;
    SendRoute();
}

void SkWebBrowser::SendRoute() {
    if (m_routeGiven && m_pageReady) {
        CallFunction(kShowRoute, {RouteJson(m_route)}, {});
    }
}

void SkWebBrowser::SetTilesEnabled(bool enabled) {
    m_tilesEnabled = enabled;
    SendTiles();
}

void SkWebBrowser::SendTiles() {
    if (m_pageReady) {
        CallFunction(kSetTilesEnabled, {m_tilesEnabled ? QStringLiteral("1") : QStringLiteral("0")},
                     {});
    }
}

void SkWebBrowser::OnLoadFinished(bool ok) {
    m_pageReady = ok;
    if (ok) {
        // A page loaded anew knows nothing yet: hand it what it was given before.
        SendTiles();
        SendRoute();
    } else {
        qCDebug(lcTelemetry) << "the map page did not load";
    }
    emit PageFinished(ok);
}

void SkWebBrowser::OnRouteClickedByPage(double timeMs) {
    // Only a fix of the route shown is a place to go; a click that raced a new route is not.
    const auto known = std::find_if(m_route.begin(), m_route.end(), [timeMs](const RoutePoint& p) {
        return static_cast<double>(p.timeMs) == timeMs;
    });
    if (known == m_route.end()) {
        qCDebug(lcTelemetry) << "route click on a time the route does not have dropped:" << timeMs;
        return;
    }
    emit RouteClicked(known->timeMs);
}

}  // namespace player
