#include "player/telemetry/TrackExport.h"

#include "player/telemetry/FixValues.h"

#include <QTemporaryDir>
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
    EXPECT_EQ(TrackCsv({}), "time_ms,utc,latitude,longitude,speed_kmh,course,event\n");
}

// Marks go to the point nearest them: a GPX waypoint each (at the mark's own time) and the
// CSV's event column; a mark with no point within 2 s has no place in either.
TEST(TrackExport, MarksBecomeWaypointsAndEvents) {
    CTextData store;
    store.AddLine("GPRMC,101500,A,3733.6000,N,12658.8000,E,022.4,084.4,170525,,", 1000);
    store.AddLine("GPRMC,101501,A,3733.7000,N,12658.8000,E,022.4,084.4,170525,,", 2000);
    Incident braking;
    braking.peakMs = 1400;
    braking.kind = IncidentKind::Braking;
    braking.peakG = 0.614;
    const std::vector<RecordingMark> marks =
        MarksOf({braking}, {{2900, "stop, \"here\""}, {4100, "too late"}, {1500, {}}});
    const std::vector<TrackPoint> track = TrackOf(store);

    QXmlStreamReader xml(TrackGpx(track, QStringLiteral("NOR"), marks));
    QStringList waypoints;
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"wpt") {
            QString text = xml.attributes().value("lat").toString();
            while (!(xml.readNext() == QXmlStreamReader::EndElement && xml.name() == u"wpt")) {
                if (xml.isStartElement() && xml.name() != u"extensions") {
                    text += ' ' + xml.readElementText();
                }
            }
            waypoints << text;
        } else if (xml.isStartElement() && xml.name() == u"trk") {
            EXPECT_EQ(waypoints.size(), 3) << "waypoints come before the track";
        }
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    EXPECT_EQ(waypoints.join(" | ").toStdString(),
              "37.5600000 2025-05-17T10:15:00Z braking harsh braking, 0.61 g incident 1400 0.61 | "
              "37.5600000 2025-05-17T10:15:00Z bookmark bookmark 1500 | "
              "37.5616667 2025-05-17T10:15:01Z stop, \"here\" bookmark 2900");
    const QList<QByteArray> rows = TrackCsv(track, marks).split('\n');
    ASSERT_EQ(rows.size(), 4);
    EXPECT_TRUE(rows[1].endsWith(",84.4,braking; bookmark")) << rows[1].constData();
    EXPECT_TRUE(rows[2].endsWith(",\"stop, \"\"here\"\"\"")) << rows[2].constData();
}

// The texts of the elements of a GPX track point, by name ("time", "speed", "speed_mph").
QMap<QString, QString> FirstPointOf(const QByteArray& gpx) {
    QMap<QString, QString> values;
    QXmlStreamReader xml(gpx);
    bool inPoint = false;
    while (!xml.atEnd() && !(xml.isEndElement() && xml.name() == u"trkpt")) {
        if (xml.readNext() != QXmlStreamReader::StartElement) {
            continue;
        }
        inPoint = inPoint || xml.name() == u"trkpt";
        if (inPoint && xml.name() != u"trkpt" && xml.name() != u"extensions") {
            values[xml.name().toString()] = xml.readElementText();
        }
    }
    return values;
}

// A fix at 23:30 UTC: the readout shows the camera's clock in its zone, in the chosen unit; the
// track files keep the fix's UTC and km/h whatever the settings, and add the speed in mph.
TEST(TrackExport, ZoneAndUnitChangeTheReadoutButNotTheUtcOrKmh) {
    CTextData store;
    store.AddLine("GPRMC,233000,A,3733.6000,N,12658.8000,E,022.4,084.4,170525,,", 1000);
    const CGPSData& fix = store.GPSList().front();
    struct Case {
        int32_t zoneMinutes;
        SpeedUnit unit;
        const char* readout;
        const char* mph;  // the GPX's and CSV's added field, "" for none
    };
    const Case cases[] = {
        {540, SpeedUnit::Kmh, "41.5 km/h  2025-05-18 08:30:00", ""},
        {540, SpeedUnit::Mph, "25.8 mph  2025-05-18 08:30:00", "25.77746"},
        {-300, SpeedUnit::Kmh, "41.5 km/h  2025-05-17 18:30:00", ""},
        {-300, SpeedUnit::Mph, "25.8 mph  2025-05-17 18:30:00", "25.77746"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.readout);
        EXPECT_EQ(GpsReadoutText(&fix, {c.unit, c.zoneMinutes}).toStdString(), c.readout);
        const std::vector<TrackPoint> track = TrackOf(store);
        ASSERT_EQ(track.size(), 1u);
        const QMap<QString, QString> point = FirstPointOf(TrackGpx(track, "NOR", {}, c.unit));
        EXPECT_EQ(point["time"], "2025-05-17T23:30:00Z");
        EXPECT_EQ(point["speed"], "41.4848");
        EXPECT_EQ(point.value("speed_mph"), c.mph);
        const QList<QByteArray> csv = TrackCsv(track, {}, c.unit).split('\n');
        EXPECT_EQ(csv[0].contains(",speed_mph,"), *c.mph != 0);
        EXPECT_TRUE(csv[1].startsWith("1000,2025-05-17T23:30:00Z,")) << csv[1].toStdString();
    }
}

// The settings survive the store; what is missing or out of range reads as the default.
TEST(ReadoutSettings, AreKeptInTheSettingsStore) {
    QTemporaryDir registry;
    qputenv("ROADPLAYER_REGISTRY_DIR", registry.path().toUtf8());
    EXPECT_EQ(LoadReadoutSettings(), ReadoutSettings{});
    EXPECT_EQ(LoadReadoutSettings().cameraZoneMinutes, 540);
    ASSERT_TRUE(SaveReadoutSettings({SpeedUnit::Mph, -300}));
    EXPECT_EQ(LoadReadoutSettings(), (ReadoutSettings{SpeedUnit::Mph, -300}));
    ASSERT_TRUE(SaveReadoutSettings({SpeedUnit::Kmh, 15 * 60}));
    EXPECT_EQ(LoadReadoutSettings(), ReadoutSettings{});
    EXPECT_EQ(ZoneName(-570).toStdString(), "UTC-09:30");
    EXPECT_EQ(ZoneName(345).toStdString(), "UTC+05:45");
    qunsetenv("ROADPLAYER_REGISTRY_DIR");
}

}  // namespace
