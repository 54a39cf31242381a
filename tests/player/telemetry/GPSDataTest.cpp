#include "player/telemetry/GPSData.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace player;

struct GpsCase {
    const char* name;
    const char* line;
    bool complete;
    int32_t year, month, day, hour, minute, second, valid;
    double latitude, longitude;
    float speed, course;
};

const GpsCase kGpsCases[] = {
    {"RmcExample", "GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W", true, 94, 3,
     23, 21, 35, 19, 1, 4807.038, 1131.0, static_cast<float>(22.4 * 1.852), 84.4f},
    {"SouthWest", "GPRMC,123519,A,4807.038,S,01131.000,W,022.4,084.4,230394,003.1,W", true, 94, 3,
     23, 21, 35, 19, 1, -4807.038, -1131.0, static_cast<float>(22.4 * 1.852), 84.4f},
    {"StatusVoid", "GPRMC,123519,V,4807.038,N,01131.000,E,022.4,084.4,230394", true, 94, 3, 23, 21,
     35, 19, 0, 4807.038, 1131.0, static_cast<float>(22.4 * 1.852), 84.4f},
    {"LastSecondOfDayNoWrap", "GPRMC,235959,A,3724.500,N,12702.250,E,0,0,311226", true, 26, 12, 31,
     32, 59, 59, 1, 3724.5, 12702.25, 0.0f, 0.0f},
    {"FractionIgnored", "GPRMC,010203.875,A,1.5,N,2.5,E,1,2,010100", true, 0, 1, 1, 10, 2, 3, 1,
     1.5, 2.5, 1.852f, 2.0f},
    {"AllFieldsEmpty", "G,,,,,,,,,", true, 0, 0, 0, 9, 0, 0, 0, 0.0, 0.0, 0.0f, 0.0f},
    {"ShortLineStopsAtStatus", "GPRMC,123519,A", false, 0, 0, 0, 21, 35, 19, 1, 0.0, 0.0, 0.0f,
     0.0f},
    {"OnlyTag", "GPRMC", false, 0, 0, 0, 0, 0, 0, 0, 0.0, 0.0, 0.0f, 0.0f},
    {"NineFieldsNoDate", "GPRMC,123519,A,1,N,2,E,3,4", false, 0, 0, 0, 21, 35, 19, 1, 1.0, 2.0,
     static_cast<float>(3 * 1.852), 4.0f},
    {"TrailingCommaIsEmptyDate", "GPRMC,123519,A,1,N,2,E,3,4,", true, 0, 0, 0, 21, 35, 19, 1, 1.0,
     2.0, static_cast<float>(3 * 1.852), 4.0f},
    {"ShortTimeAndDate", "GPRMC,12,A,1,N,2,E,3,4,2", true, 0, 0, 2, 21, 0, 0, 1, 1.0, 2.0,
     static_cast<float>(3 * 1.852), 4.0f},
    {"NonDigitPairs", "GPRMC,1a:b59,A,1,n,2,e,x,y,ab0394", true, 94, 3, 0, 10, 0, 59, 1, -1.0, -2.0,
     0.0f, 0.0f},
    {"LowercaseStatusInvalid", "GPRMC,000000,a,1,N,2,E,3,4,5", true, 0, 0, 5, 9, 0, 0, 0, 1.0, 2.0,
     static_cast<float>(3 * 1.852), 4.0f},
    {"SignsAndBlanksInNumbers", "G,000000,A, -12.5,N,+3e2,E,  1.0,-5,010101", true, 1, 1, 1, 9, 0,
     0, 1, -12.5, 300.0, 1.852f, -5.0f},
};

class GpsParse : public testing::TestWithParam<GpsCase> {};

TEST_P(GpsParse, FillsEveryField) {
    const GpsCase& c = GetParam();
    CGPSData fix;
    fix.latitude = 99;  // leftovers of an earlier parse must not survive
    EXPECT_EQ(fix.Parse(c.line, 5000), c.complete);
    EXPECT_EQ(fix.year, c.year);
    EXPECT_EQ(fix.month, c.month);
    EXPECT_EQ(fix.day, c.day);
    EXPECT_EQ(fix.hour, c.hour);
    EXPECT_EQ(fix.minute, c.minute);
    EXPECT_EQ(fix.second, c.second);
    EXPECT_EQ(fix.valid, c.valid);
    EXPECT_DOUBLE_EQ(fix.latitude, c.latitude);
    EXPECT_DOUBLE_EQ(fix.longitude, c.longitude);
    EXPECT_EQ(fix.speed, static_cast<double>(c.speed));
    EXPECT_EQ(fix.course, static_cast<double>(c.course));
    EXPECT_EQ(fix.time, 5000);
}

INSTANTIATE_TEST_SUITE_P(Lines, GpsParse, testing::ValuesIn(kGpsCases),
                         [](const testing::TestParamInfo<GpsCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(GpsParse, SpeedIsRoundedThroughSinglePrecision) {
    CGPSData fix;
    fix.Parse("GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394", 0);
    EXPECT_NEAR(fix.speed, 41.4848, 1e-5);
    EXPECT_NE(fix.speed, 22.4 * 1.852);  // the double product is not what is stored
    EXPECT_NE(fix.course, 84.4);
}

TEST(GpsParse, LineLongerThanBufferIsCutAt1023Characters) {
    // The date sits beyond the 1,023rd character, so the line counts as ending before it.
    std::string line = "GPRMC,123519,A,1,N,2,E,3,4" + std::string(1100, ' ') + ",230394";
    CGPSData fix;
    EXPECT_FALSE(fix.Parse(line.c_str(), 0));
    EXPECT_EQ(fix.day, 0);
}

TEST(GpsParse, NullLineGivesEmptyRecordWithTime) {
    CGPSData fix;
    EXPECT_FALSE(fix.Parse(nullptr, 7));
    EXPECT_EQ(fix.time, 7);
    EXPECT_EQ(fix.hour, 0);
}

}  // namespace
