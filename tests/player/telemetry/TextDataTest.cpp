#include "player/telemetry/TextData.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace {

using namespace player;

constexpr const char* kRmc = "GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W";

TEST(TextDataAddLine, ClassifiesByFirstCharacterOnly) {
    struct Case {
        const char* line;
        size_t gsensor;
        size_t gps;
    };
    const Case cases[] = {
        {"M,X+0.50,Y-1.00,Z+0.02", 1, 0},
        {kRmc, 0, 1},
        {"GPRMC", 0, 1},
        {"M", 1, 0},
        {"", 0, 0},
        {"g,1,2", 0, 0},
        {"m,X+0.50", 0, 0},
        {" M,X+0.50", 0, 0},
        {"$GPRMC,123519", 0, 0},
        {"XYZ", 0, 0},
    };
    for (const Case& c : cases) {
        CTextData store;
        EXPECT_EQ(store.AddLine(c.line, 10), 0) << c.line;
        EXPECT_EQ(store.GSensorList().size(), c.gsensor) << c.line;
        EXPECT_EQ(store.GPSList().size(), c.gps) << c.line;
    }
}

TEST(TextDataAddLine, KeepsDeliveryOrderAndAppendsVoidFixes) {
    CTextData store;
    store.AddLine("M,X+1.00,Y+0.00,Z+0.00", 300);
    store.AddLine("GPRMC,123519,V,,,,,,,", 200);
    store.AddLine("M,X+2.00,Y+0.00,Z+0.00", 100);
    store.AddLine(kRmc, 50);
    ASSERT_EQ(store.GSensorList().size(), 2u);
    EXPECT_EQ(store.GSensorList().front().x, 64);
    EXPECT_EQ(store.GSensorList().back().time, 100);  // never sorted
    ASSERT_EQ(store.GPSList().size(), 2u);
    EXPECT_EQ(store.GPSList().front().valid, 0);
    EXPECT_EQ(store.GPSList().back().time, 50);

    store.Clear();
    EXPECT_TRUE(store.GSensorList().empty());
    EXPECT_TRUE(store.GPSList().empty());
}

TEST(TextDataFindGPS, FirstSampleStrictlyAfterOrLastAtOrBeforePosition) {
    CTextData store;
    for (int32_t t : {500, 1000, 2000}) {
        store.AddLine(kRmc, t);
    }
    struct Case {
        uint32_t positionMs;
        int32_t after;       // the map's fix; -1: none
        int32_t atOrBefore;  // the readout's fix
    };
    for (const Case c :
         {Case{0, 500, -1}, Case{999, 1000, 500}, Case{1000, 2000, 1000}, Case{1999, 2000, 1000},
          Case{2000, -1, 2000}, Case{0xFFFFFFFFu, -1, 2000}}) {
        for (const auto& [fix, expected] :
             {std::pair{store.FindGPS(c.positionMs), c.after},
              std::pair{store.FindGPSAtOrBefore(c.positionMs), c.atOrBefore}}) {
            if (expected < 0) {
                EXPECT_EQ(fix, nullptr) << c.positionMs;
            } else {
                ASSERT_NE(fix, nullptr) << c.positionMs;
                EXPECT_EQ(fix->time, expected) << c.positionMs;
            }
        }
    }
    EXPECT_EQ(CTextData().FindGPS(0), nullptr);
    EXPECT_EQ(CTextData().FindGPSAtOrBefore(0), nullptr);
}

TEST(TextDataFindGPS, ComparesTimesAsUnsigned) {
    CTextData store;
    store.AddLine(kRmc, -1);  // 0xFFFFFFFF: later than every position
    const CGPSData* fix = store.FindGPS(4000000000u);
    ASSERT_NE(fix, nullptr);
    EXPECT_EQ(fix->time, -1);
}

// A telemetry source answering from a script; checks the caller's buffer contract on each call.
struct ScriptedSource {
    struct Answer {
        std::optional<int32_t> result;
        std::string line;
        int timeMs = 0;
        bool fillWholeBuffer = false;
    };
    std::vector<Answer> answers;
    std::optional<Answer> afterScript;  // repeated once the script is used up
    int calls = 0;
    bool contractKept = true;

    CTextData::ReadLineFn Reader() {
        return [this](char* buffer, int* length, int* timeMs) -> std::optional<int32_t> {
            contractKept = contractKept && *length == 1024 && *timeMs == 0 &&
                           std::all_of(buffer, buffer + 1024, [](char ch) { return ch == 0; });
            const size_t index = static_cast<size_t>(calls++);
            const Answer& a = index < answers.size() ? answers[index] : *afterScript;
            if (a.fillWholeBuffer) {
                std::memset(buffer, 'M', 1024);
            } else {
                std::memcpy(buffer, a.line.c_str(), a.line.size() + 1);
            }
            *length = static_cast<int>(a.line.size());
            *timeMs = a.timeMs;
            return a.result;
        };
    }
};

constexpr int32_t kFail = static_cast<int32_t>(0x80004005);  // E_FAIL

TEST(TextDataLoad, ReadsUntilEndOfLines) {
    CTextData store;
    store.AddLine(kRmc, 1);  // stale samples of the previous recording
    ScriptedSource source;
    source.answers = {{0, "M,X+0.50,Y-1.00,Z+0.02", 0},
                      {0, kRmc, 1000},
                      {0, "", 1000},
                      {0, "M,X+1.00,Y+1.00,Z+1.00", 1100},
                      {38, "", 0}};
    EXPECT_EQ(store.LoadLines(source.Reader()), 4);
    EXPECT_EQ(source.calls, 5);
    EXPECT_TRUE(source.contractKept);
    ASSERT_EQ(store.GSensorList().size(), 2u);
    EXPECT_EQ(store.GSensorList().back().time, 1100);
    ASSERT_EQ(store.GPSList().size(), 1u);
    EXPECT_EQ(store.GPSList().front().time, 1000);
}

TEST(TextDataLoad, EndsOnEveryKindOfSourceThatHasNoMoreLines) {
    struct Case {
        const char* name;
        std::vector<ScriptedSource::Answer> answers;
        std::optional<ScriptedSource::Answer> afterScript;
        int expectedCalls;
        size_t expectedGSensor;
    };
    const ScriptedSource::Answer line{0, "M,X+1.00,Y+0.00,Z+0.00", 5};
    const ScriptedSource::Answer fail{kFail, "", 0};
    std::vector<ScriptedSource::Answer> fifteenFails(15, fail);
    std::vector<ScriptedSource::Answer> retriesThenLine = fifteenFails;
    retriesThenLine.push_back(line);
    retriesThenLine.push_back({38, "", 0});
    const Case cases[] = {
        {"EndOnFirstRead", {{38, "", 0}}, std::nullopt, 1, 0},
        {"NoInterface", {{std::nullopt, "", 0}}, std::nullopt, 1, 0},
        {"InterfaceLostMidway", {line, {std::nullopt, "", 0}}, std::nullopt, 2, 1},
        {"AlwaysFailing", {}, fail, CTextData::kMaxOtherAnswersInRow, 0},
        {"AlwaysOne", {line}, ScriptedSource::Answer{1, "", 0}, 1 + 16, 1},
        {"FailuresBelowLimitAreRetried", retriesThenLine, std::nullopt, 17, 1},
    };
    for (const Case& c : cases) {
        CTextData store;
        ScriptedSource source;
        source.answers = c.answers;
        source.afterScript = c.afterScript;
        store.LoadLines(source.Reader());
        EXPECT_EQ(source.calls, c.expectedCalls) << c.name;
        EXPECT_EQ(store.GSensorList().size(), c.expectedGSensor) << c.name;
        EXPECT_TRUE(store.GPSList().empty()) << c.name;
    }
}

TEST(TextDataLoad, UnterminatedLineIsCutInsideTheBuffer) {
    CTextData store;
    ScriptedSource source;
    ScriptedSource::Answer full{0, "", 7};
    full.fillWholeBuffer = true;
    source.answers = {full, {38, "", 0}};
    EXPECT_EQ(store.LoadLines(source.Reader()), 1);
    ASSERT_EQ(store.GSensorList().size(), 1u);
    EXPECT_EQ(store.GSensorList().front().time, 7);
}

TEST(TextDataLoad, MissingReaderLeavesStoreEmpty) {
    CTextData store;
    store.AddLine(kRmc, 1);
    EXPECT_EQ(store.LoadLines({}), 0);
    EXPECT_TRUE(store.GPSList().empty());
}

}  // namespace
