#include "player/telemetry/FixValues.h"

#include "player/telemetry/TextData.h"

#include <gtest/gtest.h>

#include <iterator>

namespace {

using namespace player;

// The readout at playback positions of a store: a fix's speed and the camera's local clock,
// an hour of 24 or more shown on the next day, and "--" where there is no valid fix.
TEST(GpsReadoutText, ShowsSpeedAndLocalClockOfTheFixAtThePosition) {
    CTextData store;
    // 23:59:59 UTC on 31 Dec 2025 is 08:59:59 on 1 Jan 2026 at the camera (hour 32).
    store.AddLine("GPRMC,235959,A,3733.600,N,12658.800,E,022.4,084.4,311225,,", 500);
    store.AddLine("GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W", 1000);
    store.AddLine("GPRMC,123520,V,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W", 2000);
    store.AddLine("GPRMC,150000,A,4807.038,N,01131.000,E,000.0,084.4,280225,,", 3000);
    // Values no camera writes are kept as read and shown within range.
    store.AddLine("GPRMC,150000,A,4807.038,N,01131.000,E,1e32,084.4,280225,,", 3500);
    store.AddLine("GPRMC,150000,A,4807.038,N,01131.000,E,-5,084.4,280225,,", 4000);
    ASSERT_EQ(store.GPSList().front().hour, 32);
    struct Case {
        uint32_t positionMs;
        const char* text;
    };
    const Case cases[] = {
        {0, "--"},                                 // before the first fix
        {500, "41.5 km/h  2026-01-01 08:59:59"},   // 22.4 knots = 41.4848 km/h
        {1999, "41.5 km/h  2094-03-23 21:35:19"},  // the fix last received
        {2500, "--"},                              // the fix there is not valid
        {3000, "0.0 km/h  2025-03-01 00:00:00"},   // 15 h UTC on 28 Feb is midnight at the camera
        {3500, "999.9 km/h  2025-03-01 00:00:00"},
        {4000, "0.0 km/h  2025-03-01 00:00:00"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(GpsReadoutText(store.FindGPSAtOrBefore(c.positionMs)).toStdString(), c.text)
            << c.positionMs;
    }
    EXPECT_EQ(FixTimeUtc(store.GPSList().front()),
              QDateTime(QDate(2025, 12, 31), QTime(23, 59, 59), Qt::UTC));
    EXPECT_EQ(GpsReadoutText(nullptr).toStdString(), "--");
    EXPECT_GT(std::prev(store.GPSList().end(), 2)->speed, 1e32);
}

TEST(FixTimeUtc, IsInvalidForDatesAndTimesThatCannotBe) {
    struct Case {
        int32_t year, month, day, hour, minute, second;
        bool valid;
    };
    const Case cases[] = {
        {24, 2, 29, 9, 0, 0, true},   {25, 2, 29, 9, 0, 0, false}, {25, 13, 1, 9, 0, 0, false},
        {25, 1, 0, 9, 0, 0, false},   {25, 1, 1, 8, 0, 0, false},  {25, 1, 1, 33, 0, 0, false},
        {25, 1, 1, 32, 59, 59, true}, {25, 1, 1, 9, 60, 0, false}, {100, 1, 1, 9, 0, 0, false},
        {-1, 1, 1, 9, 0, 0, false},
    };
    for (const Case& c : cases) {
        CGPSData fix;
        fix.year = c.year;
        fix.month = c.month;
        fix.day = c.day;
        fix.hour = c.hour;
        fix.minute = c.minute;
        fix.second = c.second;
        fix.valid = 1;
        EXPECT_EQ(FixTimeUtc(fix).isValid(), c.valid)
            << c.year << '-' << c.month << '-' << c.day << ' ' << c.hour << ':' << c.minute;
        EXPECT_EQ(FixTimeLocal(fix).isValid(), c.valid);
    }
}

}  // namespace
