#pragma once
// The map view (skin type "map"): the map page in an embedded browser engine, fed the GPS
// position of the playback position and the route of the open recording or of its trip. The page
// draws without network and only lays map tiles under its drawing when asked to and they load. The
// engine (the map engine module, MapEngine.h) is loaded and started at the first Navigate, so a
// window that never shows the page pays nothing for it. GUI thread only.

#include "player/skin/SkWidget.h"
#include "player/telemetry/MapRoute.h"
#include "player/telemetry/ReadoutSettings.h"
#include "player/telemetry/RecordingMarks.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

class QWebEngineView;

namespace player {

class MapEngine;
class TypeFactory;

class SkWebBrowser : public QObject, public SkWidget {
    Q_OBJECT

public:
    using ScriptResult = std::function<void(const QString& result)>;

    SkWebBrowser();
    ~SkWebBrowser() override;

    // Registers this widget for the skin word "map".
    static void Register(TypeFactory& factory);
    // Where the map engine module is (a file path); by default it is looked for beside the
    // program. For programs that live elsewhere (tests, benchmarks); set before Navigate.
    static void SetEngineModule(const QString& path);

    // The main window's telemetry store, set once; it is refilled for every recording.
    void SetData(const CTextData* data) { m_data = data; }

    // Starts loading the page (a URL or a local file path). False when the widget has no
    // window yet or the engine cannot be loaded. Sets PageLoaded, which means that navigation
    // was started.
    bool Navigate(const QString& url);
    bool PageLoaded() const { return m_pageLoaded; }
    // The page has finished loading and takes calls.
    bool PageReady() const { return m_pageReady; }

    // Calls a function of the page from a call text (see ParseScriptCall). Returns at once:
    // false, and nothing is called, for an unreadable text or a page not ready; otherwise
    // `done` (if any) later receives the function's result as a string ("" when it returned
    // nothing, threw or does not exist).
    bool CallScript(const QString& callText, ScriptResult done = {});

    // Pushes the position of the first fix after positionMs to the page's DrawCurrent. A fix
    // whose status is not valid, a position after the last fix or an empty store pushes
    // nothing. True when a position was sent. The position is kept and given again when the
    // page is loaded anew (or finishes loading only after playback stopped).
    bool ShowPosition(uint32_t positionMs);

    // Gives the page every valid fix of the store in one call (ShowRoute), to be drawn as a
    // line coloured by speed; kept and given again whenever the page is loaded anew. A new
    // route forgets the kept position.
    void ShowRoute();
    // Gives the page a trip's whole route instead (times on the trip's timeline), the current
    // recording's part [fromMs, toMs) emphasised; a click then reports a trip time. Kept and
    // given again like the recording's route.
    void ShowTripRoute(std::vector<RoutePoint> route, int32_t fromMs, int32_t toMs);
    // Moves the emphasis of the trip route shown to another recording's part.
    void SetRoutePart(int32_t fromMs, int32_t toMs);
    const std::vector<RoutePoint>& Route() const { return m_route; }
    // The route given is a trip's.
    bool ShowsTrip() const { return m_part.has_value(); }

    // Gives the page an icon per mark (ShowMarks: kind and name) at the route's fix nearest it
    // in time (within kMaxMarkToFixMs; others are left out); kept and given again like the
    // route, and forgotten with it. Call after ShowRoute (or ShowTripRoute, times on the trip's
    // timeline); the same marks again are not sent again.
    void ShowMarks(const std::vector<RecordingMark>& marks);
    // The marks' JSON as the page gets it: [longitude, latitude, kind, name] each.
    const QString& MarksJson() const { return m_marksJson; }

    // Whether the page may fetch map tiles (the machine is online); kept like the route.
    void SetTilesEnabled(bool enabled);
    bool TilesEnabled() const { return m_tilesEnabled; }

    // The unit of the page's speed legend; kept like the route once given.
    void SetSpeedUnit(SpeedUnit unit);

    // The engine's view once Navigate made it; none before.
    QWebEngineView* View() const;

signals:
    // The user clicked the route: the time (ms from the start) of the nearest fix.
    void RouteClicked(qint32 timeMs);
    // The page finished loading (ok) or failed to.
    void PageFinished(bool ok);

protected:
    QWidget* CreateWindow() override;

private:
    bool CreateEngine();
    void OnLoadFinished(bool ok);
    void OnRouteClickedByPage(double timeMs);
    bool CallFunction(const QString& function, const QStringList& arguments, ScriptResult done);
    void SendRoute();
    void SendMarks();
    void SendPart();
    void SendTiles();
    void SendSpeedUnit();
    void SendPosition();

    const CTextData* m_data = nullptr;
    std::unique_ptr<MapEngine> m_engine;
    bool m_pageLoaded = false;
    bool m_pageReady = false;
    bool m_tilesEnabled = true;
    SpeedUnit m_speedUnit = SpeedUnit::Kmh;
    bool m_speedUnitGiven = false;
    std::vector<RoutePoint> m_route;
    bool m_routeGiven = false;
    QString m_marksJson;                                // empty: none given yet
    std::optional<std::pair<int32_t, int32_t>> m_part;  // of a trip route: from, to (ms)
    QString m_positionCall;  // the DrawCurrent call of the position last shown; "" for none
};

}  // namespace player
