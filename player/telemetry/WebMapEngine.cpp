// The map engine module: the map page in a Qt WebEngine view, with a web channel by which the
// page reports clicks on the route and nothing else, and the player's tile keeper.

#include "player/telemetry/KeptTileScheme.h"
#include "player/telemetry/MapEngine.h"

#include <QChildEvent>
#include <QCoreApplication>
#include <QFile>
#include <QOpenGLContext>
#include <QPointer>
#include <QUrl>
#include <QWebChannel>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <QWebEngineView>

// The toolkit's context shared by all others; the engine, when linked, has it made as the
// application starts (exported by Qt Gui for this use).
QT_BEGIN_NAMESPACE
Q_GUI_EXPORT void qt_gl_set_global_share_context(QOpenGLContext* context);
Q_GUI_EXPORT QOpenGLContext* qt_gl_global_share_context();
QT_END_NAMESPACE

namespace player {

namespace {

// What the engine would have had made at the application's start, made now: it composes its
// pages with the toolkit through this context. One that cannot be made is kept too: the engine
// then composes in software.
void ShareGraphicsContext() {
    if (qt_gl_global_share_context() != nullptr) {
        return;
    }
    auto* context = new QOpenGLContext(QCoreApplication::instance());
    context->create();
    qt_gl_set_global_share_context(context);
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
}

constexpr char kChannelObjectName[] = "roadPlayer";
constexpr char kChannelLibrary[] = ":/qtwebchannel/qwebchannel.js";
// Makes the player's object known to the page as window.roadPlayer.
constexpr char kChannelStart[] =
    "\nnew QWebChannel(qt.webChannelTransport, function (channel) {"
    " window.roadPlayer = channel.objects.roadPlayer; });\n";
// Tells the page where to ask for its tiles (before its own script runs).
constexpr char kTilesStart[] = "window.roadPlayerTiles = '%1';\n";

// What the page may call in the player, and nothing more.
class MapBridge : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;
    Q_INVOKABLE void RouteClicked(double timeMs) { emit Clicked(timeMs); }

signals:
    void Clicked(double timeMs);
};

// Keeps drops off the widgets the engine puts in the view as pages render: a file dropped on
// the map goes to the window (the page would open it in place of the map).
class NoDrops : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::ChildPolished) {
            if (auto* child = qobject_cast<QWidget*>(static_cast<QChildEvent*>(event)->child())) {
                child->setAcceptDrops(false);
            }
        }
        return QObject::eventFilter(watched, event);
    }
};

class WebMapEngine : public MapEngine {
public:
    WebMapEngine(QWidget* window, const MapEngineEvents& events);
    ~WebMapEngine() override { delete m_view.data(); }

    void Load(const QUrl& url) override { m_view->load(url); }
    void RunScript(const QString& source, std::function<void(const QString&)> done) override;
    QWebEngineView* View() const override { return m_view; }

private:
    // A child of the map view's window: deleted here first, or with the window.
    QPointer<QWebEngineView> m_view;
};

WebMapEngine::WebMapEngine(QWidget* window, const MapEngineEvents& events)
    : m_view(new QWebEngineView(window)) {
    QWebEngineProfile* profile = QWebEngineProfile::defaultProfile();
    KeptTileScheme::InstallFor(profile);
    auto* page = new QWebEnginePage(profile, m_view);
    // The page comes from a local file and its tiles from the web.
    page->settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, true);

    auto* bridge = new MapBridge(page);
    QObject::connect(bridge, &MapBridge::Clicked, page, [clicked = events.routeClicked](double ms) {
        if (clicked) {
            clicked(ms);
        }
    });
    auto* channel = new QWebChannel(page);
    channel->registerObject(QString::fromLatin1(kChannelObjectName), bridge);
    page->setWebChannel(channel);
    QFile library(QString::fromLatin1(kChannelLibrary));
    if (library.open(QIODevice::ReadOnly)) {
        QWebEngineScript script;
        script.setName(QStringLiteral("roadplayer-channel"));
        script.setInjectionPoint(QWebEngineScript::DocumentCreation);
        script.setWorldId(QWebEngineScript::MainWorld);
        script.setSourceCode(QString::fromLatin1(kTilesStart).arg(KeptTileScheme::Prefix()) +
                             QString::fromUtf8(library.readAll()) +
                             QString::fromLatin1(kChannelStart));
        page->scripts().insert(script);
    }

    QObject::connect(page, &QWebEnginePage::loadFinished, page,
                     [finished = events.loadFinished](bool ok) {
                         if (finished) {
                             finished(ok);
                         }
                     });
    m_view->setPage(page);
    m_view->setContextMenuPolicy(Qt::NoContextMenu);  // no back, reload or view source
    m_view->setAcceptDrops(false);
    m_view->installEventFilter(new NoDrops(m_view));
    m_view->setGeometry(window->rect());
    m_view->show();
}

void WebMapEngine::RunScript(const QString& source, std::function<void(const QString&)> done) {
    m_view->page()->runJavaScript(source, QWebEngineScript::MainWorld,
                                  [done = std::move(done)](const QVariant& result) {
                                      if (done) {
                                          done(result.toString());
                                      }
                                  });
}

}  // namespace

}  // namespace player

extern "C" Q_DECL_EXPORT player::MapEngine* RoadPlayerCreateMapEngine(
    QWidget* window, const player::MapEngineEvents& events) {
    if (window == nullptr) {
        return nullptr;
    }
    player::KeptTileScheme::Register();
    player::ShareGraphicsContext();
    return new player::WebMapEngine(window, events);
}

#include "WebMapEngine.moc"
