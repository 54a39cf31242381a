// SkWebBrowser's window and engine: a plain window until the first Navigate makes the browser
// view inside it, with a channel by which the page reports clicks on the route.

#include "player/telemetry/SkWebBrowser.h"

#include <QFile>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QUrl>
#include <QWebChannel>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <QWebEngineView>

namespace player {

namespace {

constexpr char kChannelObjectName[] = "roadPlayer";
constexpr char kChannelLibrary[] = ":/qtwebchannel/qwebchannel.js";
// Makes the player's object known to the page as window.roadPlayer.
constexpr char kChannelStart[] =
    "\nnew QWebChannel(qt.webChannelTransport, function (channel) {"
    " window.roadPlayer = channel.objects.roadPlayer; });\n";

// What the page may call in the player, and nothing more.
class MapBridge : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;
    Q_INVOKABLE void RouteClicked(double timeMs) { emit Clicked(timeMs); }

signals:
    void Clicked(double timeMs);
};

// Shows the widget's background until the view covers it; the view always fills it.
class SkWebWindow : public QWidget {
public:
    explicit SkWebWindow(SkWidget& owner) : m_owner(owner) {
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        m_owner.PaintWindow(painter,
                            platform::DrawItemInfo{platform::ODA_DRAWENTIRE, 0, 0, rect()});
    }
    void resizeEvent(QResizeEvent* event) override {
        for (QWidget* child : findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
            child->setGeometry(QRect(QPoint(0, 0), event->size()));
        }
    }

private:
    SkWidget& m_owner;  // deletes this window when destroyed
};

}  // namespace

QWebEngineView* SkWebBrowser::View() const {
    return m_view;
}

QWidget* SkWebBrowser::CreateWindow() {
    return new SkWebWindow(*this);
}

bool SkWebBrowser::Navigate(const QString& url) {
    if (Window() == nullptr) {
        return false;
    }
    if (m_view == nullptr) {
        CreateView();
    }
    m_pageReady = false;
    m_view->load(QUrl::fromUserInput(url, QString(), QUrl::AssumeLocalFile));
    m_pageLoaded = true;
    return true;
}

void SkWebBrowser::CreateView() {
    m_view = new QWebEngineView(Window());
    auto* page = new QWebEnginePage(QWebEngineProfile::defaultProfile(), m_view);
    // The page comes from a local file and its tiles from the web.
    page->settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, true);

    auto* bridge = new MapBridge(this);
    connect(bridge, &MapBridge::Clicked, this, &SkWebBrowser::OnRouteClickedByPage);
    auto* channel = new QWebChannel(page);
    channel->registerObject(QString::fromLatin1(kChannelObjectName), bridge);
    page->setWebChannel(channel);
    QFile library(QString::fromLatin1(kChannelLibrary));
    if (library.open(QIODevice::ReadOnly)) {
        QWebEngineScript script;
        script.setName(QStringLiteral("roadplayer-channel"));
        script.setInjectionPoint(QWebEngineScript::DocumentCreation);
        script.setWorldId(QWebEngineScript::MainWorld);
        script.setSourceCode(QString::fromUtf8(library.readAll()) +
                             QString::fromLatin1(kChannelStart));
        page->scripts().insert(script);
    }

    connect(page, &QWebEnginePage::loadFinished, this, &SkWebBrowser::OnLoadFinished);
    m_view->setPage(page);
    m_view->setContextMenuPolicy(Qt::NoContextMenu);  // no back, reload or view source
    m_view->setGeometry(Window()->rect());
    m_view->show();
}

void SkWebBrowser::RunScript(const QString& source, ScriptResult done) {
    m_view->page()->runJavaScript(source, QWebEngineScript::MainWorld,
                                  [done = std::move(done)](const QVariant& result) {
                                      if (done) {
                                          done(result.toString());
                                      }
                                  });
}

}  // namespace player

#include "SkWebBrowser_Window.moc"
