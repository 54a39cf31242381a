#include "player/telemetry/SkWebBrowser.h"

#include "player/skin/TypeFactory.h"
#include "player/telemetry/Log.h"
#include "player/telemetry/MapEngine.h"
#include "player/telemetry/ScriptCall.h"
#include "player/telemetry/TextData.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibrary>

#include <algorithm>
#include <cstdio>

namespace player {

namespace {

const QString kShowRoute = QStringLiteral("ShowRoute");
const QString kShowMarks = QStringLiteral("ShowMarks");
const QString kSetTilesEnabled = QStringLiteral("SetTilesEnabled");
const QString kSetSpeedUnit = QStringLiteral("SetSpeedUnit");
const QString kShowRoutePart = QStringLiteral("ShowRoutePart");
QString g_engineModule;  // empty: beside the program

// The engine and the toolkit remark that the engine is loaded after the application started,
// that it composes without a graphics backend and (as root) without its sandbox: by design
// (MapEngine.h), so these notices go to the map's log, not to the terminal. The engine speaks
// whenever it likes, so the filter stays for the process once the engine has started.
constexpr const char* kExpectedNotices[] = {
    "Qt WebEngine seems to be initialized from a plugin",
    "Attribute Qt::AA_ShareOpenGLContexts must be set before",
    "WebEngineContext used before QtWebEngineCore::initialize()",
    "No suitable graphics backend found",
    "Sandboxing disabled by user.",
};
QtMessageHandler g_previousHandler = nullptr;

void QuietEngineNotices(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    // Its start-up report too (graphics and switches).
    bool expected = type == QtInfoMsg && context.category != nullptr &&
                    qstrcmp(context.category, "qt.webenginecontext") == 0;
    for (const char* notice : kExpectedNotices) {
        expected = expected || text.startsWith(QLatin1String(notice));
    }
    if (expected) {
        qCDebug(lcTelemetry) << "engine:" << text;
        return;
    }
    if (g_previousHandler != nullptr) {
        g_previousHandler(type, context, text);
    } else {
        std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, text)));
    }
}

void QuietEngineFromNowOn() {
    static const bool installed = [] {
        g_previousHandler = qInstallMessageHandler(QuietEngineNotices);
        return true;
    }();
    Q_UNUSED(installed);
}

// The module stays loaded for the process: engines made by it may live until its end.
CreateMapEngineFunction LoadEngineModule() {
    static CreateMapEngineFunction create = [] {
        QLibrary module(g_engineModule.isEmpty()
                            ? QDir(QCoreApplication::applicationDirPath())
                                  .filePath(QString::fromLatin1(kMapEngineModuleName))
                            : g_engineModule);
        auto function =
            reinterpret_cast<CreateMapEngineFunction>(module.resolve(kCreateMapEngineSymbol));
        if (function == nullptr) {
            qCWarning(lcTelemetry) << "the map engine cannot be loaded:" << module.errorString();
        }
        return function;
    }();
    return create;
}

}  // namespace

SkWebBrowser::SkWebBrowser() = default;

void SkWebBrowser::SetEngineModule(const QString& path) {
    g_engineModule = path;
}

bool SkWebBrowser::CreateEngine() {
    QuietEngineFromNowOn();
    const CreateMapEngineFunction create = LoadEngineModule();
    MapEngineEvents events;
    events.loadFinished = [this](bool ok) { OnLoadFinished(ok); };
    events.routeClicked = [this](double timeMs) { OnRouteClickedByPage(timeMs); };
    m_engine.reset(create != nullptr ? create(Window(), events) : nullptr);
    return m_engine != nullptr;
}

SkWebBrowser::~SkWebBrowser() {
    // The engine's page goes before the signals it might still deliver here.
    m_engine.reset();
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
    if (!m_pageReady || !m_engine) {
        qCDebug(lcTelemetry) << "page not ready, call dropped:" << function;
        return false;
    }
    m_engine->RunScript(ScriptInvocation({function, arguments}), std::move(done));
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
    m_positionCall = DrawCurrentCall(*fix);
    return CallScript(m_positionCall);
}

void SkWebBrowser::SendPosition() {
    if (!m_positionCall.isEmpty()) {
        CallScript(m_positionCall);
    }
}

void SkWebBrowser::ShowRoute() {
    m_route = m_data != nullptr ? RouteOf(*m_data) : std::vector<RoutePoint>();
    m_routeGiven = true;
    m_part.reset();
    m_positionCall.clear();
    // Marks belong to a route: the page drops its own with the new route.
    m_marksJson.clear();
    SendRoute();
}

void SkWebBrowser::ShowMarks(const std::vector<RecordingMark>& marks) {
    QString json = RouteMarksJson(m_route, marks);
    if (json == m_marksJson) {
        return;  // the page has these; a new route or page clears what was sent
    }
    m_marksJson = std::move(json);
    SendMarks();
}

void SkWebBrowser::SendMarks() {
    if (!m_marksJson.isEmpty() && m_pageReady) {
        CallFunction(kShowMarks, {m_marksJson}, {});
    }
}

void SkWebBrowser::ShowTripRoute(std::vector<RoutePoint> route, int32_t fromMs, int32_t toMs) {
    m_route = std::move(route);
    m_routeGiven = true;
    m_part = std::make_pair(fromMs, toMs);
    m_positionCall.clear();
    m_marksJson.clear();  // the trip's marks come on its timeline
    SendRoute();
}

void SkWebBrowser::SetRoutePart(int32_t fromMs, int32_t toMs) {
    if (!m_part || *m_part == std::make_pair(fromMs, toMs)) {
        return;
    }
    m_part = std::make_pair(fromMs, toMs);
    SendPart();
}

void SkWebBrowser::SendRoute() {
    if (!m_routeGiven || !m_pageReady) {
        return;
    }
    QStringList arguments{RouteJson(m_route)};
    if (m_part) {
        arguments << QString::number(m_part->first) << QString::number(m_part->second);
    }
    CallFunction(kShowRoute, arguments, {});
}

void SkWebBrowser::SendPart() {
    if (m_part && m_pageReady) {
        CallFunction(kShowRoutePart,
                     {QString::number(m_part->first), QString::number(m_part->second)}, {});
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

void SkWebBrowser::SetSpeedUnit(SpeedUnit unit) {
    m_speedUnit = unit;
    m_speedUnitGiven = true;
    SendSpeedUnit();
}

void SkWebBrowser::SendSpeedUnit() {
    if (m_pageReady && m_speedUnitGiven) {
        CallFunction(kSetSpeedUnit, {SpeedUnitName(m_speedUnit)}, {});
    }
}

void SkWebBrowser::OnLoadFinished(bool ok) {
    m_pageReady = ok;
    if (ok) {
        // A page loaded anew knows nothing yet: hand it what it was given before.
        SendTiles();
        SendSpeedUnit();
        SendRoute();
        SendMarks();
        SendPosition();
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
