// The map view in a real browser engine, offscreen and off the network: a test page that
// records every call it receives, and the default map page with a generated recording.
#include "player/telemetry/SkWebBrowser.h"

#include "platform/media/ComponentRegistry.h"
#include "platform/media/GraphInterfaces.h"
#include "platform/window/Dialog.h"
#include "player/telemetry/RecordingMarks.h"
#include "player/telemetry/TextData.h"
#include "player/telemetry/TripTelemetry.h"
#include "tests/support/Clips.h"
#include "tests/support/TestApp.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QThreadPool>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>

#include <gtest/gtest.h>

#include <array>
#include <functional>

// Readable failure messages.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace player {
namespace {

constexpr int kMapId = 1007;
constexpr std::array kItems = {
    platform::DialogItem{kMapId, platform::ChildKind::Custom, 0, 0, 640, 360},
};
constexpr platform::DialogTemplate kTemplate{903, "map", 640, 360, platform::kDialogPopup, kItems};

constexpr char kRecordingPage[] = R"(<!DOCTYPE html>
<html><body><script>
window.calls = [];
window.hacked = false;
function Record() { calls.push(['Record', ...arguments]); return 'got ' + arguments.length; }
function Foo() { calls.push(['Foo', ...arguments]); }
function DrawCurrent(lon, lat) { calls.push(['DrawCurrent', lon, lat]); return 'ok'; }
function ShowRoute(json) { calls.push(['ShowRoute', json]); return 'route'; }
function SetTilesEnabled(on) { calls.push(['SetTilesEnabled', on]); }
</script></body></html>
)";

class MapView : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // Root in CI needs the sandbox off; the unreachable proxy keeps the page off the network.
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS",
                "--no-sandbox --disable-gpu --proxy-server=127.0.0.1:9");
        // The tile keeper fetches through the desktop's proxy: the same dead end, but for the
        // local tile server.
        qputenv("http_proxy", "http://127.0.0.1:9");
        qputenv("https_proxy", "http://127.0.0.1:9");
        qputenv("no_proxy", "127.0.0.1");
        static QTemporaryDir cache;
        qputenv("XDG_CACHE_HOME", cache.path().toUtf8());
        QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
        testsupport::EnsureApp();
        SkWebBrowser::SetEngineModule(QStringLiteral(TEST_PROGRAM_DIR "/roadplayer-mapengine"));
    }

    void SetUp() override {
        m_dialog = std::make_unique<platform::Dialog>(kTemplate);
        m_dialog->Create(nullptr);
        m_dialog->show();
        ASSERT_TRUE(m_map.SubclassDlgItem(kMapId, *m_dialog));
        m_map.SetData(&m_store);
    }
    void TearDown() override { m_dialog.reset(); }

    static bool WaitFor(const std::function<bool()>& done, int ms = 30000) {
        QElapsedTimer timer;
        timer.start();
        while (!done()) {
            if (timer.elapsed() > ms) {
                return false;
            }
            QTest::qWait(20);
        }
        return true;
    }

    bool Load(const QString& url) {
        QSignalSpy finished(&m_map, &SkWebBrowser::PageFinished);
        if (!m_map.Navigate(url)) {
            return false;
        }
        return finished.wait(30000) && finished.first().first().toBool();
    }

    QString WriteRecordingPage() {
        const QString path = m_dir.filePath(QStringLiteral("record.html"));
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(kRecordingPage);
        return path;
    }

    // Runs script in the page and waits for its value.
    QVariant Evaluate(const QString& script) {
        QVariant result;
        bool done = false;
        m_map.View()->page()->runJavaScript(script, [&](const QVariant& v) {
            result = v;
            done = true;
        });
        WaitFor([&] { return done; }, 10000);
        return result;
    }

    // The calls the test page has received, as JSON text.
    QString Calls() { return Evaluate(QStringLiteral("JSON.stringify(calls)")).toString(); }

    // CallScript, waiting for the page's answer.
    QString Call(const QString& text) {
        QString result = QStringLiteral("<no answer>");
        bool done = false;
        if (!m_map.CallScript(text, [&](const QString& r) {
                result = r;
                done = true;
            })) {
            return QStringLiteral("<not sent>");
        }
        WaitFor([&] { return done; }, 10000);
        return result;
    }

    QTemporaryDir m_dir;
    CTextData m_store;
    std::unique_ptr<platform::Dialog> m_dialog;
    SkWebBrowser m_map;
};

TEST_F(MapView, CallsReachThePageAsPlainStrings) {
    EXPECT_FALSE(m_map.PageLoaded());
    EXPECT_FALSE(m_map.CallScript(QStringLiteral("Record(1)"))) << "no page yet";
    ASSERT_TRUE(Load(WriteRecordingPage()));
    EXPECT_TRUE(m_map.PageLoaded());

    EXPECT_EQ(Call(QStringLiteral("javascript:Record('1.5', '2.5')")), QStringLiteral("got 2"));
    EXPECT_EQ(Call(QStringLiteral("Foo ( a b )")), QString());
    // Tokens that would end a string literal, start a template or close the script tag.
    EXPECT_EQ(Call(QStringLiteral("Record(\\ +(window.hacked=true)// `${window.hacked=true}` "
                                  "</script> \\u0027\n)")),
              QStringLiteral("got 7"));
    EXPECT_EQ(Call(QStringLiteral("Missing(1)")), QString()) << "no such function";
    EXPECT_EQ(Call(QStringLiteral("(1)")), QStringLiteral("<not sent>"));

    // The page is first told the tiles setting, as after every load.
    EXPECT_EQ(Calls(), QStringLiteral(R"([["SetTilesEnabled","1"],)"
                                      R"(["Record","1.5","2.5"],["Foo","a","b"],)"
                                      R"(["Record","\\","+","window.hacked=true","//",)"
                                      R"("`${window.hacked=true}`","</script>","\\u0027\n"]])"));
    EXPECT_FALSE(Evaluate(QStringLiteral("window.hacked")).toBool());
}

TEST_F(MapView, PositionsRouteAndTilesArePushedAndGivenAgainAfterAReload) {
    m_store.AddLine("GPRMC,010000,A,3724.5,N,12702.25,E,10,0,170525", 1000);
    m_store.AddLine("GPRMC,010001,A,3724.5,S,12702.25,E,10,0,170525", 2000);
    m_store.AddLine("GPRMC,010002,V,3725.0,N,12702.25,E,10,0,170525", 3000);
    EXPECT_FALSE(m_map.ShowPosition(0)) << "no page yet";
    m_map.ShowRoute();
    m_map.SetTilesEnabled(false);
    const QString page = WriteRecordingPage();
    ASSERT_TRUE(Load(page));
    // What the page was given before it loaded arrives once it has.
    ASSERT_TRUE(WaitFor([&] { return Calls().count(QStringLiteral("\"ShowRoute\"")) == 1; }));

    EXPECT_TRUE(m_map.ShowPosition(0));      // the fix at 1000
    EXPECT_TRUE(m_map.ShowPosition(1999));   // the fix at 2000, south
    EXPECT_FALSE(m_map.ShowPosition(2500));  // the fix at 3000 has status V
    EXPECT_FALSE(m_map.ShowPosition(3000));  // after the last fix
    EXPECT_EQ(Call(QStringLiteral("Record()")), QStringLiteral("got 0"));  // the queue is through
    const QJsonArray calls = QJsonDocument::fromJson(Calls().toUtf8()).array();
    ASSERT_EQ(calls.size(), 5) << Calls().toStdString();
    EXPECT_EQ(calls[0].toArray(), QJsonArray({"SetTilesEnabled", "0"}));
    EXPECT_EQ(calls[1].toArray()[0], "ShowRoute");
    const QJsonArray route =
        QJsonDocument::fromJson(calls[1].toArray()[1].toString().toUtf8()).array();
    EXPECT_EQ(route, QJsonDocument::fromJson("[[127.0375,37.408333,18.5,1000],"
                                             "[127.0375,-37.408333,18.5,2000]]")
                         .array());
    EXPECT_EQ(calls[2].toArray(), QJsonArray({"DrawCurrent", "127.037500", "37.408333"}));
    EXPECT_EQ(calls[3].toArray(), QJsonArray({"DrawCurrent", "127.037500", "-37.408333"}));

    // A page that finishes loading after playback stopped still shows where it stopped.
    ASSERT_TRUE(Load(page));
    ASSERT_TRUE(WaitFor([&] { return Calls().contains(QStringLiteral("DrawCurrent")); }));
    EXPECT_TRUE(Calls().startsWith(QStringLiteral(R"([["SetTilesEnabled","0"],["ShowRoute",)")));
    EXPECT_TRUE(Calls().endsWith(QStringLiteral(R"(["DrawCurrent","127.037500","-37.408333"]])")))
        << Calls().toStdString();
}

QString MakeRecording(const QString& folder, CTextData& store) {
    const QString clip = testsupport::MakeClip(
        folder, {"--length", "40", "--cameras", "1", "--audio", "none", "--fps", "5"});
    if (clip.isEmpty()) {
        return {};
    }
    using namespace platform::media;
    auto source = CreateComponent<IBaseFilter>(CLSID_SourceFilter);
    if (QueryInterface<IFileSourceFilter>(source)->Load(clip, nullptr) != S_OK) {
        return {};
    }
    store.LoadFromSource(source.Get());
    return clip;
}

TEST_F(MapView, TheMapPageDrawsTheRouteAndAClickOnItSeeks) {
    ASSERT_FALSE(MakeRecording(m_dir.path(), m_store).isEmpty());
    ASSERT_EQ(m_store.GPSList().size(), 40U);
    ASSERT_TRUE(Load(QStringLiteral(TEST_PROGRAM_DIR "/mappage/map.html")));
    m_map.ShowRoute();
    ASSERT_EQ(m_map.Route().size(), 40U);
    ASSERT_TRUE(WaitFor(
        [&] { return Evaluate(QStringLiteral("RoadMap.State().routePoints")).toInt() == 40; }));
    EXPECT_TRUE(Evaluate(QStringLiteral("RoadMap.State().legendShown")).toBool());
    EXPECT_TRUE(m_map.ShowPosition(9500));
    ASSERT_TRUE(WaitFor(
        [&] { return Evaluate(QStringLiteral("RoadMap.State().routeIndex")).toInt() == 10; }));

    // The position box and the legend cover none of the graticule's degrees.
    const QVariantMap state = Evaluate(QStringLiteral("RoadMap.State()")).toMap();
    const auto box = [](const QVariant& v) {
        const QVariantMap m = v.toMap();
        return QRectF(QPointF(m["left"].toDouble(), m["top"].toDouble()),
                      QPointF(m["right"].toDouble(), m["bottom"].toDouble()));
    };
    const QVariantList labels = state["gridLabels"].toList();
    EXPECT_GE(state["panels"].toList().size(), 2);
    EXPECT_FALSE(labels.isEmpty());
    for (const QVariant& label : labels) {
        for (const QVariant& panel : state["panels"].toList()) {
            EXPECT_FALSE(box(label).intersects(box(panel)))
                << box(label).x() << "," << box(label).y() << " under a panel at " << box(panel).x()
                << "," << box(panel).y();
        }
    }

    // A click a third of the way from fix 30 to fix 31 seeks to fix 30's time.
    const RoutePoint& a = m_map.Route()[30];
    const RoutePoint& b = m_map.Route()[31];
    auto screenOf = [&](const RoutePoint& p) {
        const QVariantMap s = Evaluate(QStringLiteral("RoadMap.ScreenOf(%1, %2)")
                                           .arg(p.longitude, 0, 'f', 6)
                                           .arg(p.latitude, 0, 'f', 6))
                                  .toMap();
        return QPointF(s["x"].toDouble(), s["y"].toDouble());
    };
    const QPointF from = screenOf(a);
    const QPointF to = screenOf(b);
    ASSERT_TRUE(QRectF(0, 0, 640, 360).contains(from)) << from.x() << "," << from.y();
    const QPoint click = (from + (to - from) / 3).toPoint();
    QSignalSpy clicked(&m_map, &SkWebBrowser::RouteClicked);
    QWidget* input = m_map.View()->focusProxy();
    ASSERT_NE(input, nullptr);
    QTest::mouseClick(input, Qt::LeftButton, {}, click);
    ASSERT_TRUE(clicked.wait(10000));
    EXPECT_EQ(clicked.first().first().toInt(), a.timeMs);
    EXPECT_EQ(a.timeMs, 30000);

    // Away from the route a click is only a click on the map.
    clicked.clear();
    QTest::mouseClick(input, Qt::LeftButton, {}, QPoint(320, 320));
    EXPECT_FALSE(clicked.wait(1000));

    // Marks stand at the fix nearest each, by name and kind; one far from every fix is left
    // out, and a note reaches the page as it was typed.
    Incident braking;
    braking.peakMs = 20400;
    braking.kind = IncidentKind::Braking;
    const QString note = QStringLiteral("it's \"here\" </script>");
    m_map.ShowMarks(MarksOf({braking}, {{25000, note}, {90000, {}}}));
    ASSERT_TRUE(WaitFor([&] { return Evaluate("RoadMap.Marks().length").toInt() == 2; }));
    const QVariantList marks = Evaluate(QStringLiteral("RoadMap.Marks()")).toList();
    EXPECT_EQ(marks[0].toMap()["kind"], "braking");
    EXPECT_EQ(marks[1].toMap()["kind"], "bookmark");
    EXPECT_EQ(marks[1].toMap()["label"].toString(), note);
    const QPointF at = screenOf(m_map.Route()[20]);
    EXPECT_NEAR(marks[0].toMap()["x"].toDouble(), at.x(), 0.01);
    EXPECT_NEAR(marks[0].toMap()["y"].toDouble(), at.y(), 0.01);
    QTest::qWait(300);
    const QImage shown = m_map.View()->grab().toImage();
    const QRgb icon = shown.pixel((at + QPointF(4, 0)).toPoint());
    EXPECT_TRUE(qRed(icon) > 200 && qGreen(icon) < 110 && qBlue(icon) < 100)
        << qRed(icon) << "," << qGreen(icon) << "," << qBlue(icon);
    // A new route drops the marks of the one before.
    m_map.ShowRoute();
    EXPECT_TRUE(m_map.MarksJson().isEmpty());
    ASSERT_TRUE(WaitFor([&] { return Evaluate("RoadMap.Marks().length").toInt() == 0; }));
    m_map.ShowMarks(MarksOf({braking}, {}));

    QTest::qWait(300);
    m_map.View()->grab().save(QStringLiteral(TEST_BINARY_DIR "/mapview-route.png"));
}

// Two recordings of a drive read as a trip: the page gets the whole route with the recording
// that plays emphasised, and a click on the other recording's part reports a trip time there.
TEST_F(MapView, TheTripRouteShowsTheRecordingThatPlaysAndAClickSeeksAcrossRecordings) {
    const QString first = testsupport::MakeClip(
        m_dir.path(), {"--categories", "normal", "--count", "normal=2", "--length", "20",
                       "--cameras", "1", "--audio", "none", "--fps", "5"});
    ASSERT_FALSE(first.isEmpty());
    const QDir folder = QFileInfo(first).dir();
    QStringList paths;
    for (const QString& name : folder.entryList({"*.mp4"}, QDir::Files, QDir::Name)) {
        paths << folder.filePath(name);
    }
    ASSERT_EQ(paths.size(), 2);
    CTripTelemetry telemetry;
    QSignalSpy arrived(&telemetry, &CTripTelemetry::Arrived);
    telemetry.Request(paths);
    ASSERT_TRUE(arrived.wait(30000));
    ASSERT_EQ(telemetry.Paths(), paths);
    ASSERT_EQ(telemetry.Fixes().size(), 2U);
    const std::vector<RoutePoint> route =
        TripRouteOf({{0, telemetry.Fixes()[0]}, {20000, telemetry.Fixes()[1]}});
    ASSERT_EQ(route.size(), 40U);
    EXPECT_EQ(route[30].timeMs, 30000);

    ASSERT_TRUE(Load(QStringLiteral(TEST_PROGRAM_DIR "/mappage/map.html")));
    m_map.ShowTripRoute(route, 0, 20000);
    EXPECT_TRUE(m_map.ShowsTrip());
    const auto part = [&] {
        return Evaluate(QStringLiteral("JSON.stringify(RoadMap.State().routePart)")).toString();
    };
    ASSERT_TRUE(WaitFor([&] { return part() == QStringLiteral("[0,20000]"); }));
    m_map.SetRoutePart(20000, 40000);
    ASSERT_TRUE(WaitFor([&] { return part() == QStringLiteral("[20000,40000]"); }));
    EXPECT_EQ(Evaluate(QStringLiteral("RoadMap.State().routePoints")).toInt(), 40);

    const QVariantMap at = Evaluate(QStringLiteral("RoadMap.ScreenOf(%1, %2)")
                                        .arg(route[30].longitude, 0, 'f', 6)
                                        .arg(route[30].latitude, 0, 'f', 6))
                               .toMap();
    QSignalSpy clicked(&m_map, &SkWebBrowser::RouteClicked);
    QTest::mouseClick(m_map.View()->focusProxy(), Qt::LeftButton, {},
                      QPoint(qRound(at["x"].toDouble()), qRound(at["y"].toDouble())));
    ASSERT_TRUE(clicked.wait(10000));
    EXPECT_EQ(clicked.first().first().toInt(), 30000);

    QTest::qWait(300);
    m_map.View()->grab().save(QStringLiteral(TEST_BINARY_DIR "/mapview-trip.png"));

    // A recording's own route again: no trip, no part.
    m_map.ShowRoute();
    EXPECT_FALSE(m_map.ShowsTrip());
    ASSERT_TRUE(WaitFor([&] { return part() == QStringLiteral("null"); }));
}

// Stands in for a tile server on the loopback address: one green picture for every request.
class LocalTileServer {
public:
    bool Start() {
        QImage tile(256, 256, QImage::Format_RGB32);
        tile.fill(qRgb(90, 120, 90));
        QBuffer buffer(&m_png);
        buffer.open(QIODevice::WriteOnly);
        tile.save(&buffer, "PNG");
        QObject::connect(&m_server, &QTcpServer::newConnection, [this] { Answer(); });
        return m_server.listen(QHostAddress::LocalHost);
    }
    void Stop() { m_server.close(); }
    quint16 Port() const { return m_server.serverPort(); }
    int Requests() const { return m_requests; }

private:
    void Answer() {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) {
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                if (!socket->readAll().contains("\r\n\r\n")) {
                    return;
                }
                ++m_requests;
                socket->write(
                    "HTTP/1.1 200 OK\r\nContent-Type: image/png\r\nConnection: close\r\n"
                    "Content-Length: " +
                    QByteArray::number(m_png.size()) + "\r\n\r\n" + m_png);
                socket->disconnectFromHost();
            });
            QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    }

    QTcpServer m_server;
    QByteArray m_png;
    int m_requests = 0;
};

// The map page as shipped, its tiles asked of the local server instead.
QString MapPageWithTilesFrom(const QString& folder, quint16 port) {
    const QDir shipped(QStringLiteral(TEST_PROGRAM_DIR "/mappage"));
    QDir(folder).mkpath(QStringLiteral("."));
    for (const QString& name : shipped.entryList(QDir::Files)) {
        QFile file(shipped.filePath(name));
        file.open(QIODevice::ReadOnly);
        QByteArray text = file.readAll();
        text.replace("https://tile.openstreetmap.org/",
                     "http://127.0.0.1:" + QByteArray::number(port) + '/');
        QFile copy(QDir(folder).filePath(name));
        copy.open(QIODevice::WriteOnly);
        copy.write(text);
    }
    return QDir(folder).filePath(QStringLiteral("map.html"));
}

// Tiles load from the server online and are kept; once the server is gone they show from the
// keep, online (the web fails) and offline alike, and the page says so.
TEST_F(MapView, TilesShownOnlineStillShowOnceTheServerIsGone) {
    LocalTileServer server;
    ASSERT_TRUE(server.Start());
    const QString page =
        MapPageWithTilesFrom(m_dir.filePath(QStringLiteral("page")), server.Port());
    const auto state = [&] { return Evaluate(QStringLiteral("RoadMap.State()")).toMap(); };
    const auto showsTiles = [&](bool kept) {
        return WaitFor([&] {
            Evaluate(QStringLiteral("DrawCurrent('127.037500', '37.408333')"));
            const QVariantMap s = state();
            return s["tilesShown"].toInt() > 0 &&
                   s["keptShown"].toInt() == (kept ? s["tilesShown"].toInt() : 0);
        });
    };
    // The addresses the page's tiles came from, one per line.
    const auto sources = [&] {
        return Evaluate(QStringLiteral("[...document.querySelectorAll('#tiles img')]"
                                       ".filter(i => i.dataset.state === 'loaded')"
                                       ".map(i => i.src).join('\\n')"))
            .toString()
            .split(QLatin1Char('\n'));
    };
    ASSERT_TRUE(Load(page));
    ASSERT_TRUE(showsTiles(false));
    EXPECT_GT(server.Requests(), 0);
    EXPECT_FALSE(state()["text"].toString().contains(QStringLiteral("offline")));
    QThreadPool::globalInstance()->waitForDone();
    const QDir kept(qEnvironmentVariable("XDG_CACHE_HOME") + QStringLiteral("/RoadPlayer/tiles"));
    EXPECT_GT(kept.entryList(QDir::Files).size(), 0);

    server.Stop();
    // As after a new start: the engine's own cache holds nothing.
    QWebEngineProfile::defaultProfile()->clearHttpCache();
    ASSERT_TRUE(Load(page));
    ASSERT_TRUE(showsTiles(true));
    EXPECT_TRUE(state()["text"].toString().endsWith(QStringLiteral("offline map (kept tiles)")))
        << state()["text"].toString().toStdString();

    // Offline the page asks the keep alone.
    m_map.SetTilesEnabled(false);
    ASSERT_TRUE(WaitFor([&] { return !state()["tilesEnabled"].toBool(); }));
    ASSERT_TRUE(showsTiles(true));
    for (const QString& source : sources()) {
        EXPECT_TRUE(source.startsWith(QStringLiteral("roadplayer-tile:kept?url=http")))
            << source.toStdString();
    }
}

}  // namespace
}  // namespace player
