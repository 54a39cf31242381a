#include "player/telemetry/MapRoute.h"

#include "platform/media/ComponentRegistry.h"
#include "platform/media/GraphInterfaces.h"
#include "player/telemetry/TextData.h"
#include "tests/support/Clips.h"
#include "tests/support/TestApp.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>

namespace player {
namespace {

using namespace platform::media;

CGPSData Fix(double latitude, double longitude, bool valid = true) {
    CGPSData fix;
    fix.latitude = latitude;
    fix.longitude = longitude;
    fix.valid = valid ? 1 : 0;
    return fix;
}

TEST(MapRoute, PositionsGoToThePageInDecimalDegreesLongitudeFirst) {
    EXPECT_EQ(DrawCurrentCall(Fix(3724.5, 12702.25)),
              QStringLiteral("javascript:DrawCurrent('127.037500', '37.408333')"));
    EXPECT_EQ(DrawCurrentCall(Fix(-3724.5, -12702.25)),
              QStringLiteral("javascript:DrawCurrent('-127.037500', '-37.408333')"));
    EXPECT_EQ(DrawCurrentCall(Fix(0, 0)),
              QStringLiteral("javascript:DrawCurrent('0.000000', '0.000000')"));
    // A card's values out of all range are shown at the globe's edge, not as long numbers.
    EXPECT_EQ(DrawCurrentCall(Fix(1e300, -1e32)),
              QStringLiteral("javascript:DrawCurrent('-180.000000', '90.000000')"));
    EXPECT_EQ(DrawCurrentCall(Fix(std::nan(""), 1e5)),
              QStringLiteral("javascript:DrawCurrent('180.000000', '0.000000')"));
    EXPECT_NEAR(ToDecimalDegrees(4807.038), 48.1173, 1e-9);
}

TEST(MapRoute, TheRouteOfARecordingHoldsEveryValidFix) {
    testsupport::EnsureApp();
    QTemporaryDir dir;
    const QString clip = testsupport::MakeClip(dir.path(), {"--length", "6", "--cameras", "1"});
    ASSERT_FALSE(clip.isEmpty());
    auto source = CreateComponent<IBaseFilter>(CLSID_SourceFilter);
    ASSERT_EQ(QueryInterface<IFileSourceFilter>(source)->Load(clip, nullptr), S_OK);
    CTextData store;
    store.LoadFromSource(source.Get());
    ASSERT_EQ(store.GPSList().size(), 6U);
    store.AddLine("GPRMC,123519,V,4807.038,N,01131.000,E,022.4,084.4,230394", 6500);
    store.AddLine("GPRMC,123520,A,9999.000,N,01131.000,E,022.4,084.4,230394", 6600);
    store.AddLine("GPRMC,123521,A,4807.038,N,01131.000,E,1e32,084.4,230394", 6700);

    const std::vector<RoutePoint> route = RouteOf(store);
    ASSERT_EQ(route.size(), 7U) << "the fix with status V and the one off the globe are left out";
    EXPECT_EQ(route.back().speedKmh, kMaxShownSpeedKmh) << "1e32 knots are shown at the bound";
    const QJsonArray json = QJsonDocument::fromJson(RouteJson(route).toUtf8()).array();
    ASSERT_EQ(json.size(), 7);
    auto fix = store.GPSList().begin();
    for (int i = 0; i < 6; ++i, ++fix) {
        const QJsonArray point = json[i].toArray();
        ASSERT_EQ(point.size(), 4);
        EXPECT_NEAR(point[0].toDouble(), ToDecimalDegrees(fix->longitude), 1e-6);
        EXPECT_NEAR(point[1].toDouble(), ToDecimalDegrees(fix->latitude), 1e-6);
        EXPECT_NEAR(point[2].toDouble(), fix->speed, 0.05);
        EXPECT_EQ(point[3].toInt(), fix->time);
        EXPECT_EQ(point[3].toInt(), i * 1000);
    }
    EXPECT_EQ(json[6].toArray()[2].toDouble(), kMaxShownSpeedKmh);
    EXPECT_EQ(RouteJson({}), QStringLiteral("[]"));
}

}  // namespace
}  // namespace player
