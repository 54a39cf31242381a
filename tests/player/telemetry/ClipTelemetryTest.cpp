#include "player/telemetry/ClipTelemetry.h"

#include "player/telemetry/FixValues.h"
#include "tests/support/Clips.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <iterator>

namespace {

using namespace player;
using platform::media::ClipOverlayCue;
using platform::media::ClipOverlayCueAt;

// Fixes at 0, 1000 and 1400 ms (10, 20 and 30 knots) and an invalid one at 2000.
void AddFixes(CTextData& store) {
    store.AddLine("GPRMC,053000.00,A,3724.0060,N,12701.8079,E,010.0,047.7,170525,,,A", 0);
    store.AddLine("M,X+0.07,Y+0.06,Z+0.97", 0);
    store.AddLine("GPRMC,053001.00,A,3724.0120,N,12701.8120,E,020.0,047.7,170525,,,A", 1000);
    store.AddLine("GPRMC,053001.40,A,3724.0180,S,12701.8160,W,030.0,047.7,170525,,,A", 1400);
    store.AddLine("GPRMC,053002.00,V,3724.0240,N,12701.8200,E,040.0,047.7,170525,,,A", 2000);
}

TEST(ClipTelemetryTest, EachMomentShowsItsClockAndTheLatestFixAtOrBeforeIt) {
    CTextData store;
    AddFixes(store);
    const std::vector<CGPSData> fixes(store.GPSList().begin(), store.GPSList().end());
    const QDateTime start(QDate(2025, 5, 17), QTime(14, 30, 0), Qt::UTC);
    const std::vector<ClipOverlayCue> kmh =
        ClipOverlayCues(1, start, 3000, store, {SpeedUnit::Kmh, true});
    const std::vector<ClipOverlayCue> mph =
        ClipOverlayCues(1, start, 3000, store, {SpeedUnit::Mph, true});
    const std::vector<ClipOverlayCue> unplaced =
        ClipOverlayCues(1, start, 3000, store, {SpeedUnit::Kmh, false});
    struct Case {
        int64_t ms;
        int fix;  // index into the store's fixes
        const char* clock;
    };
    const Case cases[] = {
        {0, 0, "14:30:00"},    {999, 0, "14:30:00"},  {1000, 1, "14:30:01"},
        {1399, 1, "14:30:01"}, {1400, 2, "14:30:01"}, {2999, 2, "14:30:02"},  // 2000: invalid
    };
    for (const Case& c : cases) {
        const CGPSData& fix = fixes[static_cast<size_t>(c.fix)];
        const ClipOverlayCue* cue = ClipOverlayCueAt(kmh, {1, c.ms});
        ASSERT_NE(cue, nullptr) << c.ms;
        ASSERT_EQ(cue->lines.size(), 3) << c.ms;
        EXPECT_EQ(cue->lines[0], QStringLiteral("2025-05-17 %1").arg(c.clock)) << c.ms;
        EXPECT_EQ(cue->lines[1], QString::asprintf("%.1f km/h", fix.speed)) << c.ms;
        EXPECT_TRUE(cue->lines[2].startsWith(
            QString::number(std::abs(ToDecimalDegrees(fix.latitude)), 'f', 5)))
            << c.ms;
        EXPECT_EQ(ClipOverlayCueAt(mph, {1, c.ms})->lines[1],
                  QString::asprintf("%.1f mph", fix.speed / 1.609344))
            << c.ms;
        EXPECT_EQ(ClipOverlayCueAt(unplaced, {1, c.ms})->lines, QStringList{cue->lines[0]}) << c.ms;
    }
    EXPECT_TRUE(ClipOverlayCueAt(kmh, {1, 1400})->lines[2].contains(" S  "));
    // Another recording's cues do not apply; before the first cue none is on show.
    EXPECT_EQ(ClipOverlayCueAt(kmh, {0, 2000}), nullptr);
    EXPECT_EQ(ClipOverlayCueAt(kmh, {2, 0}), &kmh.back());
}

TEST(ClipTelemetryTest, SamplesLoseTheirGpsLinesOnly) {
    const struct {
        const char* sample;
        const char* kept;
    } cases[] = {
        {"GPRMC,053000.00,A,3724.0060,N\nM,X+0.07,Y+0.06,Z+0.97", "M,X+0.07,Y+0.06,Z+0.97"},
        {"M,1\nGPRMC,1\nM,2", "M,1\nM,2"},
        {"GPRMC,053000.00,A", ""},
        {"", ""},
        {"other\nM,3", "other\nM,3"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(WithoutGpsLines(c.sample), QByteArray(c.kept)) << c.sample;
    }
    // A recording read from its file gives the store what the camera wrote: a GPS line a
    // second and a G-sensor line every 100 ms.
    QTemporaryDir dir;
    const QString clip = testsupport::MakeClip(dir.path(), {"--length", "2"});
    ASSERT_FALSE(clip.isEmpty());
    CTextData store;
    EXPECT_EQ(LoadRecordingTelemetry(clip, &store), 22);
    EXPECT_EQ(store.GPSList().size(), 2U);
    EXPECT_EQ(store.GSensorList().size(), 20U);
}

}  // namespace
