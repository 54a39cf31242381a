// The map page as the player loads it: from the program folder, in a browser without network.

#include "tests/support/TestApp.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QEventLoop>
#include <QImage>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>
#include <QVariant>
#include <QWebEnginePage>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineView>

#include <cmath>
#include <memory>

namespace {

// Stands in for the tile server: tile requests are sent to a server on the loopback address
// that answers every request with one picture, so the online path runs without network.
class TileServer : public QWebEngineUrlRequestInterceptor {
public:
    bool serving = false;

    bool Start() {
        QImage tile(256, 256, QImage::Format_RGB32);
        tile.fill(qRgb(90, 120, 90));
        QBuffer buffer(&m_png);
        buffer.open(QIODevice::WriteOnly);
        tile.save(&buffer, "PNG");
        QObject::connect(&m_server, &QTcpServer::newConnection, [this] { Answer(); });
        return m_server.listen(QHostAddress::LocalHost);
    }

    void interceptRequest(QWebEngineUrlRequestInfo& info) override {
        if (serving && info.requestUrl().host() == QLatin1String("tile.openstreetmap.org")) {
            QUrl local = info.requestUrl();
            local.setScheme(QStringLiteral("http"));
            local.setHost(QStringLiteral("127.0.0.1"));
            local.setPort(m_server.serverPort());
            info.redirect(local);
        }
    }

private:
    void Answer() {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) {
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                if (!socket->readAll().contains("\r\n\r\n"))
                    return;
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
};

constexpr char kMapPage[] = TEST_PROGRAM_DIR "/mappage/map.html";

class MapPage : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // Root in CI needs the sandbox off; the unreachable proxy keeps the page off the network.
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS",
                "--no-sandbox --disable-gpu --proxy-server=127.0.0.1:9");
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
        testsupport::EnsureApp();
    }

    void SetUp() override {
        // The size of the second view area of the main window.
        m_view = std::make_unique<QWebEngineView>();
        m_view->resize(352, 198);
        m_view->show();
        m_page = m_view->page();
        // As the player's map view must: a page from a local file may fetch tiles from the web.
        m_page->settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, true);
        ASSERT_TRUE(m_tiles.Start());
        m_page->setUrlRequestInterceptor(&m_tiles);
        QEventLoop loop;
        bool ok = false;
        QObject::connect(m_page, &QWebEnginePage::loadFinished, &loop, [&](bool finished) {
            ok = finished;
            loop.quit();
        });
        QTimer::singleShot(30000, &loop, &QEventLoop::quit);
        m_view->load(QUrl::fromLocalFile(QString::fromLatin1(kMapPage)));
        loop.exec();
        ASSERT_TRUE(ok) << "the map page did not load from " << kMapPage;
    }

    QVariant Run(const QString& script) {
        QVariant result;
        QEventLoop loop;
        m_page->runJavaScript(script, [&](const QVariant& v) {
            result = v;
            loop.quit();
        });
        QTimer::singleShot(10000, &loop, &QEventLoop::quit);
        loop.exec();
        return result;
    }

    QVariantMap State() { return Run(QStringLiteral("RoadMap.State()")).toMap(); }

    // A layer's pixel at a page position, as "r,g,b": "route" or "marker" (which moves).
    QString LayerPixel(const char* layer, double x, double y) {
        return Run(QStringLiteral(
                       "(() => { const r = window.devicePixelRatio || 1;"
                       " const c = document.getElementById('%3'), b = c.getBoundingClientRect();"
                       " const d = c.getContext('2d').getImageData(Math.round((%1 - b.left) * r),"
                       " Math.round((%2 - b.top) * r), 1, 1).data;"
                       " return d[0] + ',' + d[1] + ',' + d[2]; })()")
                       .arg(x)
                       .arg(y)
                       .arg(QLatin1String(layer)))
            .toString();
    }
    QString RoutePixel(double x, double y) { return LayerPixel("route", x, y); }
    QString MarkerPixel(double x, double y) { return LayerPixel("marker", x, y); }

    TileServer m_tiles;
    std::unique_ptr<QWebEngineView> m_view;
    QWebEnginePage* m_page = nullptr;
};

TEST_F(MapPage, DrawCurrentPutsTheMarkerAtThePositionWithoutNetwork) {
    // Exactly as the player formats it: longitude first, "%lf" strings.
    EXPECT_EQ(Run(QStringLiteral("DrawCurrent('127.037500', '37.408333')")).toString(), "ok");
    const QVariantMap s = State();
    EXPECT_DOUBLE_EQ(s["lon"].toDouble(), 127.0375);
    EXPECT_DOUBLE_EQ(s["lat"].toDouble(), 37.408333);
    EXPECT_EQ(s["tilesShown"].toInt(), 0);
    // The view follows the vehicle: the marker is in the middle of the page...
    EXPECT_NEAR(s["markerX"].toDouble(), s["width"].toDouble() / 2, 0.5);
    EXPECT_NEAR(s["markerY"].toDouble(), s["height"].toDouble() / 2, 0.5);
    // ...and drawn there, in the marker's colour.
    EXPECT_EQ(MarkerPixel(s["markerX"].toDouble(), s["markerY"].toDouble()), "79,163,224");
    EXPECT_TRUE(
        s["text"].toString().startsWith(QString::fromUtf8("37.408333\u00b0 N, 127.037500\u00b0 E")))
        << s["text"].toString().toStdString();
}

TEST_F(MapPage, TheRouteJoinsNearPositionsAndBreaksAtJumps) {
    Run(QStringLiteral("DrawCurrent('127.037500', '37.408333')"));
    Run(QStringLiteral("DrawCurrent('127.037500', '37.408333')"));  // repeated ticks add nothing
    Run(QStringLiteral("DrawCurrent('127.038500', '37.408333')"));  // about 90 m east
    QVariantMap s = State();
    EXPECT_EQ(s["routePoints"].toInt(), 2);
    EXPECT_EQ(s["routePieces"].toInt(), 1);
    const QVariantMap first = Run(QStringLiteral("RoadMap.ScreenOf(127.0375, 37.408333)")).toMap();
    const double midX = (first["x"].toDouble() + s["markerX"].toDouble()) / 2;
    EXPECT_EQ(RoutePixel(midX, s["markerY"].toDouble()), "240,204,96");

    Run(QStringLiteral("DrawCurrent('126.978000', '37.566500')"));  // another recording, 20 km away
    s = State();
    EXPECT_EQ(s["routePoints"].toInt(), 3);
    EXPECT_EQ(s["routePieces"].toInt(), 2);
    EXPECT_NEAR(s["markerX"].toDouble(), s["width"].toDouble() / 2, 0.5);
}

TEST_F(MapPage, UnreadableOrImpossiblePositionsAreIgnored) {
    Run(QStringLiteral("DrawCurrent('127.037500', '37.408333')"));
    const char* bad[] = {"DrawCurrent('abc', '37.4')", "DrawCurrent('', '')",
                         "DrawCurrent('181', '10')", "DrawCurrent('10', '-91')", "DrawCurrent()"};
    for (const char* call : bad)
        EXPECT_EQ(Run(QString::fromLatin1(call)).toString(), "ignored") << call;
    const QVariantMap s = State();
    EXPECT_DOUBLE_EQ(s["lon"].toDouble(), 127.0375);
    EXPECT_EQ(s["routePoints"].toInt(), 1);
}

TEST_F(MapPage, WithoutAPositionThePageSaysItIsWaiting) {
    const QVariantMap s = State();
    EXPECT_TRUE(s["lon"].isNull());
    EXPECT_EQ(s["text"].toString(), "Waiting for a GPS position");
}

TEST_F(MapPage, WithTheTileServerReachableTheTileUnderTheMarkerIsShownWithAttribution) {
    m_tiles.serving = true;
    Run(QStringLiteral("DrawCurrent('127.037500', '37.408333')"));
    QVariantMap s;
    for (int i = 0; i < 100 && (s = State())["tilesShown"].toInt() == 0; ++i) {
        QEventLoop wait;
        QTimer::singleShot(50, &wait, &QEventLoop::quit);
        wait.exec();
    }
    ASSERT_GT(s["tilesShown"].toInt(), 0);
    // The zoom-16 tile that holds the position lies under the marker.
    const double pi = std::acos(-1.0);
    const double phi = 37.408333 * pi / 180;
    const int n = 1 << s["zoom"].toInt();
    const int tx = static_cast<int>(std::floor((127.0375 + 180) / 360 * n));
    const int ty = static_cast<int>(
        std::floor((1 - std::log(std::tan(phi) + 1 / std::cos(phi)) / pi) / 2 * n));
    // Tiles arrive in any order: the one under the marker may come after the first.
    QString src;
    for (int i = 0; i < 100 && src.isEmpty(); ++i) {
        src = Run(QStringLiteral(
                      "(() => { for (const img of document.querySelectorAll('#tiles img')) {"
                      " const r = img.getBoundingClientRect();"
                      " if (img.dataset.state === 'loaded' && r.left <= %1 && %1 < r.right && "
                      "r.top <= %2 && %2 < r.bottom)"
                      " return img.src; } return ''; })()")
                      .arg(s["markerX"].toDouble())
                      .arg(s["markerY"].toDouble()))
                  .toString();
        if (src.isEmpty()) {
            QEventLoop wait;
            QTimer::singleShot(50, &wait, &QEventLoop::quit);
            wait.exec();
        }
    }
    EXPECT_TRUE(
        src.endsWith(QStringLiteral("/%1/%2/%3.png").arg(s["zoom"].toInt()).arg(tx).arg(ty)))
        << src.toStdString();
    EXPECT_FALSE(Run(QStringLiteral("document.getElementById('attribution').hidden")).toBool());
    EXPECT_FALSE(s["text"].toString().contains(QStringLiteral("offline")));
}

TEST_F(MapPage, OfflineGraticuleIsDrawnAndSavedForALook) {
    Run(QStringLiteral("DrawCurrent('127.037500', '37.408333')"));
    Run(QStringLiteral("DrawCurrent('127.038200', '37.408900')"));
    const QString url =
        Run(QStringLiteral(
                "(() => { const g = document.getElementById('grid'), r = "
                "document.getElementById('route'), m = document.getElementById('marker');"
                " const c = document.createElement('canvas'); c.width = g.width; c.height = "
                "g.height; const b = m.getBoundingClientRect(), k = window.devicePixelRatio || 1;"
                " const x = c.getContext('2d'); x.drawImage(g, 0, 0); x.drawImage(r, 0, 0);"
                " x.drawImage(m, b.left * k, b.top * k);"
                " return c.toDataURL('image/png'); })()"))
            .toString();
    const QByteArray png = QByteArray::fromBase64(url.section(',', 1).toLatin1());
    QImage image;
    ASSERT_TRUE(image.loadFromData(png, "PNG"));
    // Some graticule line is lighter than the ground.
    int lighter = 0;
    for (int x = 0; x < image.width(); ++x)
        lighter += qGreen(image.pixel(x, image.height() / 3)) > 20;
    EXPECT_GT(lighter, 0);
    image.save(
        QDir(QStringLiteral(TEST_BINARY_DIR)).filePath(QStringLiteral("mappage-offline.png")));
}

// A route of 12 fixes heading east, a second apart, speeding up from 0 to 77 km/h.
constexpr double kStepDegrees = 0.0005;
QString FixLongitude(int i) {
    return QString::number(127.0375 + i * kStepDegrees, 'f', 6);
}
QString RouteJson() {
    QStringList points;
    for (int i = 0; i < 12; ++i) {
        points
            << QStringLiteral("[%1,37.408333,%2,%3]").arg(FixLongitude(i)).arg(i * 7).arg(i * 1000);
    }
    return QLatin1Char('[') + points.join(QLatin1Char(',')) + QLatin1Char(']');
}

TEST_F(MapPage, TheRouteIsColouredBySpeedAndTheMarkerMovesAlongIt) {
    EXPECT_EQ(Run(QStringLiteral("ShowRoute('%1')").arg(RouteJson())).toString(), "12");
    QVariantMap s = State();
    EXPECT_TRUE(s["routeGiven"].toBool());
    EXPECT_EQ(s["routePoints"].toInt(), 12);
    EXPECT_EQ(s["topSpeed"].toInt(), 80);
    EXPECT_TRUE(s["legendShown"].toBool());
    EXPECT_EQ(Run(QStringLiteral("document.getElementById('legend-top').textContent")).toString(),
              "80");
    // The whole route is in sight.
    for (const int i : {0, 11}) {
        const QVariantMap p =
            Run(QStringLiteral("RoadMap.ScreenOf(%1, 37.408333)").arg(FixLongitude(i))).toMap();
        EXPECT_GE(p["x"].toDouble(), 0);
        EXPECT_LE(p["x"].toDouble(), s["width"].toDouble());
    }
    // Slow and fast stretches differ in colour, each as the legend says.
    for (const int i : {1, 9}) {
        const QVariantMap a =
            Run(QStringLiteral("RoadMap.ScreenOf(%1, 37.408333)").arg(FixLongitude(i))).toMap();
        const QVariantMap b =
            Run(QStringLiteral("RoadMap.ScreenOf(%1, 37.408333)").arg(FixLongitude(i + 1))).toMap();
        const QString expected = Run(QStringLiteral("RoadMap.RouteColour(%1)").arg(i)).toString();
        EXPECT_EQ(QStringLiteral("rgb(") +
                      RoutePixel((a["x"].toDouble() + b["x"].toDouble()) / 2, a["y"].toDouble()) +
                      QStringLiteral(")"),
                  expected)
            << i;
    }
    EXPECT_NE(Run(QStringLiteral("RoadMap.RouteColour(1)")),
              Run(QStringLiteral("RoadMap.RouteColour(9)")));
    // In mph the legend's top is the fastest fix's 47.8 mph rounded up, its unit named.
    EXPECT_EQ(Run(QStringLiteral("SetSpeedUnit('mph')")).toString(), "mph");
    EXPECT_EQ(State()["topSpeed"].toInt(), 60);
    EXPECT_EQ(Run(QStringLiteral("document.getElementById('legend-top').textContent + ' ' + "
                                 "document.getElementById('legend-unit').textContent"))
                  .toString(),
              "60 mph");
    Run(QStringLiteral("SetSpeedUnit('km/h')"));
    EXPECT_EQ(State()["topSpeed"].toInt(), 80);

    // Positions move the marker along the route and add nothing to it.
    EXPECT_EQ(Run(QStringLiteral("DrawCurrent('%1', '37.408333')").arg(FixLongitude(6))).toString(),
              "ok");
    s = State();
    EXPECT_EQ(s["routeIndex"].toInt(), 6);
    EXPECT_EQ(s["routePoints"].toInt(), 12);
    EXPECT_EQ(MarkerPixel(s["markerX"].toDouble(), s["markerY"].toDouble()), "79,163,224");

    // An empty route goes back to the trail of positions; text that is no route changes nothing.
    EXPECT_EQ(Run(QStringLiteral("ShowRoute('{')")).toString(), "ignored");
    EXPECT_TRUE(State()["routeGiven"].toBool());
    EXPECT_EQ(Run(QStringLiteral("ShowRoute('[]')")).toString(), "0");
    s = State();
    EXPECT_FALSE(s["routeGiven"].toBool());
    EXPECT_FALSE(s["legendShown"].toBool());
    EXPECT_EQ(s["routePoints"].toInt(), 0);
}

TEST_F(MapPage, AClickNearTheRoutePicksTheNearestFix) {
    Run(QStringLiteral("ShowRoute('%1')").arg(RouteJson()));
    auto click = [&](double x, double y) {
        return Run(
            QStringLiteral(
                "(() => { const m = document.getElementById('map');"
                " const o = {clientX: %1, clientY: %2, button: 0, pointerId: 1, bubbles: true};"
                " m.dispatchEvent(new PointerEvent('pointerdown', o));"
                " m.dispatchEvent(new PointerEvent('pointerup', o));"
                " return RoadMap.State().lastRouteClick; })()")
                .arg(x)
                .arg(y));
    };
    const QVariantMap a =
        Run(QStringLiteral("RoadMap.ScreenOf(%1, 37.408333)").arg(FixLongitude(8))).toMap();
    const QVariantMap b =
        Run(QStringLiteral("RoadMap.ScreenOf(%1, 37.408333)").arg(FixLongitude(9))).toMap();
    const double ax = a["x"].toDouble();
    const double bx = b["x"].toDouble();
    const double y = a["y"].toDouble();
    EXPECT_EQ(click(ax + (bx - ax) * 0.3, y + 3).toInt(), 8000);
    EXPECT_EQ(click(ax + (bx - ax) * 0.7, y - 3).toInt(), 9000);
    EXPECT_TRUE(click(ax, y + 40).isNull()) << "too far from the route";
}

TEST_F(MapPage, TilesAreFetchedOnlyWhileThePlayerAllowsIt) {
    m_tiles.serving = true;
    EXPECT_EQ(Run(QStringLiteral("SetTilesEnabled('0')")).toString(), "off");
    Run(QStringLiteral("DrawCurrent('127.037500', '37.408333')"));
    const QString count = QStringLiteral("document.querySelectorAll('#tiles img').length");
    QEventLoop wait;
    QTimer::singleShot(300, &wait, &QEventLoop::quit);
    wait.exec();
    EXPECT_EQ(Run(count).toInt(), 0);
    EXPECT_FALSE(State()["tilesEnabled"].toBool());
    EXPECT_EQ(Run(QStringLiteral("SetTilesEnabled('1')")).toString(), "on");
    QVariantMap s;
    for (int i = 0; i < 100 && (s = State())["tilesShown"].toInt() == 0; ++i) {
        QEventLoop pause;
        QTimer::singleShot(50, &pause, &QEventLoop::quit);
        pause.exec();
    }
    EXPECT_GT(s["tilesShown"].toInt(), 0);
}

}  // namespace
