#include "player/telemetry/TrackExport.h"

#include <QXmlStreamReader>

#include <gtest/gtest.h>

namespace {

using namespace player;

// Only fixes another program can place in time and on the globe go into a track; the GPX
// carries each with its UTC time and escapes the recording's name.
TEST(TrackExport, KeepsPlaceableFixesAndWritesThemAsGpx) {
    CTextData store;
    const char* lines[] = {
        "GPRMC,235959,A,3733.6000,N,12658.8000,E,022.4,084.4,311225,,",  // kept
        "GPRMC,000000,V,3733.6000,N,12658.8000,E,022.4,084.4,010126,,",  // not valid
        "GPRMC,000001,A,9533.6000,N,12658.8000,E,022.4,084.4,010126,,",  // latitude 95
        "GPRMC,000002,A,3733.6000,N,12658.8000,E,022.4,084.4,300226,,",  // 30 February
        "GPRMC,000003,A,3733.6000,S,12658.8000,W,000.0,000.0,010126,,",  // kept
        "GPRMC,000004,A,3733.6000,N,12658.8000,E,022.4,084.4",           // no date
    };
    int32_t timeMs = 0;
    for (const char* line : lines) {
        store.AddLine(line, timeMs += 1000);
    }
    const std::vector<TrackPoint> track = TrackOf(store);
    ASSERT_EQ(track.size(), 2u);
    EXPECT_NEAR(track[0].latitude, 37.56, 1e-9);
    EXPECT_NEAR(track[0].longitude, 126.98, 1e-9);
    EXPECT_EQ(track[0].timeMs, 1000);
    EXPECT_EQ(track[1].utc, QDateTime(QDate(2026, 1, 1), QTime(0, 0, 3), Qt::UTC));
    EXPECT_NEAR(track[1].latitude, -37.56, 1e-9);

    const QByteArray gpx = TrackGpx(track, QStringLiteral("NOR <&> \"1\""));
    QXmlStreamReader xml(gpx);
    QStringList seen;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement) {
            continue;
        }
        if (xml.name() == u"gpx") {
            EXPECT_EQ(xml.namespaceUri(), u"http://www.topografix.com/GPX/1/1");
            EXPECT_EQ(xml.attributes().value("version"), u"1.1");
        } else if (xml.name() == u"name") {
            seen << xml.readElementText();
        } else if (xml.name() == u"trkpt") {
            seen << xml.attributes().value("lat").toString() + ',' +
                        xml.attributes().value("lon").toString();
        } else if (xml.name() == u"time" || xml.name() == u"speed") {
            seen << xml.readElementText();
        }
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    EXPECT_EQ(seen.join(' ').toStdString(),
              "2025-12-31T23:59:59Z NOR <&> \"1\" 37.5600000,126.9800000 2025-12-31T23:59:59Z "
              "41.4848 -37.5600000,-126.9800000 2026-01-01T00:00:03Z 0");
    EXPECT_EQ(TrackCsv({}), "time_ms,utc,latitude,longitude,speed_kmh,course\n");
}

}  // namespace
