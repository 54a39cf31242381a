#include "player/telemetry/GSensorData.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace {

using namespace player;

struct GSensorCase {
    const char* name;
    const char* line;
    int32_t x, y, z;
};

const GSensorCase kGSensorCases[] = {
    {"Example", "M,X+0.50,Y-1.00,Z+0.02", 32, -64, 1},
    {"AnySeparators", "M##+0.50@@-1.00  +0.02 trailing", 32, -64, 1},
    {"SmallNegativeTruncatesToZero", "M,X-0.01,Y+0.01,Z-0.99", 0, 0, -63},
    {"TwoG", "M,X+2.00,Y-2.00,Z+1.00", 128, -128, 64},
    {"TwelveCharactersNoThirdAxis", "M,X+1.00,Y-1", 64, -64, 0},
    {"EndsInsideSecondSeparator", "M,X+1.00,", 64, 0, 0},
    {"OnlyTag", "M", 0, 0, 0},
    {"GarbageReadsAsZero", "M,Xabcde,Y.....,Z-----", 0, 0, 0},
    {"ValueStopsAtFiveCharacters", "M,X1.2345678", 78, 4992, 0},  // "1.234", then "78"
    {"HugeValueClamped", "M,X1e999,Y99999,Z-1e99", 0, 6399936, INT32_MIN},
};

class GSensorParse : public testing::TestWithParam<GSensorCase> {};

TEST_P(GSensorParse, ReadsFixedColumns) {
    const GSensorCase& c = GetParam();
    const CGSensorData reading = CGSensorData::FromLine(c.line, 1200);
    EXPECT_EQ(reading.x, c.x);
    EXPECT_EQ(reading.y, c.y);
    EXPECT_EQ(reading.z, c.z);
    EXPECT_EQ(reading.time, 1200);
}

INSTANTIATE_TEST_SUITE_P(Lines, GSensorParse, testing::ValuesIn(kGSensorCases),
                         [](const testing::TestParamInfo<GSensorCase>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
