#include "player/telemetry/TripTrack.h"

#include "player/telemetry/FixValues.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using namespace player;

// A fix heading north from 37 degrees, one thousandth of a degree (about 111.2 m) a step.
CGPSData Fix(int step, int32_t timeMs, bool valid = true) {
    CGPSData fix;
    fix.latitude = 3700.0 + step * 0.06;  // ddmm.mmmm: 0.001 degree is 0.06 minutes
    fix.longitude = 12700.0;
    fix.valid = valid ? 1 : 0;
    fix.time = timeMs;
    return fix;
}

// Two recordings of a trip, the second starting at 60 s on its timeline; an invalid fix in
// the first is no place the car was.
TEST(TripDistance, SumsTheStretchesUpToATripTime) {
    const double step = GreatCircleMetres(37.0, 127.0, 37.001, 127.0);
    EXPECT_NEAR(step, 111.19, 0.01);
    const CTripDistance distance(
        {{0, {Fix(0, 0), Fix(7, 500, false), Fix(1, 1000)}}, {60000, {Fix(2, 0), Fix(3, 1000)}}});
    struct Case {
        int64_t tripMs;
        double steps;
    };
    const Case cases[] = {{-1, 0},    {0, 0},     {999, 0},   {1000, 1},
                          {59999, 1}, {60000, 2}, {61000, 3}, {1000000, 3}};
    for (const Case& c : cases) {
        EXPECT_NEAR(distance.MetresAt(c.tripMs), c.steps * step, 0.01) << c.tripMs;
    }
    EXPECT_NEAR(distance.TotalMetres(), 3 * step, 0.01);
    EXPECT_EQ(CTripDistance().MetresAt(5000), 0.0);
}

TEST(TripDistance, FiguresShowElapsedTimeAndDistanceInTheSpeedUnit) {
    struct Case {
        int64_t elapsedMs;
        double metres;
        SpeedUnit unit;
        const char* text;
    };
    const Case cases[] = {
        {0, 0, SpeedUnit::Kmh, "trip 00:00:00  0.0 km"},
        {3723999, 12345, SpeedUnit::Kmh, "trip 01:02:03  12.3 km"},
        {-5, std::nan(""), SpeedUnit::Kmh, "trip 00:00:00  0.0 km"},
        {3723999, 12345, SpeedUnit::Mph, "trip 01:02:03  7.7 mi"},
        {0, 1609.344, SpeedUnit::Mph, "trip 00:00:00  1.0 mi"},
        {-5, std::nan(""), SpeedUnit::Mph, "trip 00:00:00  0.0 mi"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TripFiguresText(c.elapsedMs, c.metres, c.unit).toStdString(), c.text)
            << c.elapsedMs << ' ' << c.metres;
    }
}

}  // namespace
