#pragma once
// The browser engine behind the map view: a page view filling the view's window, script calls
// into the page, and the page's notices. It is made by the map engine module, the one part of
// the programs that links the engine, loaded when a page is first shown, so a window that
// never shows one (or has not yet) does not pay the engine's start-up. GUI thread only.

#include <QString>

#include <functional>

class QUrl;
class QWebEngineView;
class QWidget;

namespace player {

// What the page tells its map view.
struct MapEngineEvents {
    std::function<void(bool ok)> loadFinished;
    // The user clicked the route: the time of the nearest fix, as the page says it.
    std::function<void(double timeMs)> routeClicked;
};

class MapEngine {
public:
    MapEngine() = default;
    virtual ~MapEngine() = default;
    MapEngine(const MapEngine&) = delete;
    MapEngine& operator=(const MapEngine&) = delete;

    virtual void Load(const QUrl& url) = 0;
    // Runs script in the page; `done` (if any) later gets its value as a string.
    virtual void RunScript(const QString& source, std::function<void(const QString&)> done) = 0;
    virtual QWebEngineView* View() const = 0;
};

// The module's entry point, found by this name: a new engine whose view fills `window` (and is
// deleted with the engine), or none.
inline constexpr char kCreateMapEngineSymbol[] = "RoadPlayerCreateMapEngine";
using CreateMapEngineFunction = MapEngine* (*)(QWidget* window, const MapEngineEvents& events);
// The module's name without prefix or suffix, beside the program.
inline constexpr char kMapEngineModuleName[] = "roadplayer-mapengine";

}  // namespace player
