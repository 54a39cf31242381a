#include "player/catalogue/ClipNames.h"

#include <QString>

#include <gtest/gtest.h>

namespace player {
namespace {

TEST(ClipNamesTest, ProposedNameCarriesTheCameraTimesOfTheSpan) {
    struct Case {
        QString first;
        int64_t startMs;
        QString last;
        int64_t endMs;
        QString name;
    };
    const Case cases[] = {
        {"NOR_250517_143000_F.mp4", 1500, "NOR_250517_143000_F.mp4", 2999,
         "NOR_250517_143000_F_clip_143001-143002.mp4"},
        {"/card/NORMAL/NOR_250517_143000_F.mp4", 59000, "/card/NORMAL/NOR_250517_143100_F.mp4",
         20500, "NOR_250517_143000_F_clip_143059-143120.mp4"},
        {"EVT_250517_143000_R.mkv", 75000, "EVT_250517_143000_R.mkv", 3'600'000,
         "EVT_250517_143000_R_clip_143115-153000.mp4"},
        // Across midnight, and a recording named on another day.
        {"NOR_250517_235950_F.mp4", 5000, "NOR_250518_000050_F.mp4", 0,
         "NOR_250517_235950_F_clip_235955-000050.mp4"},
        // Without complete, real keys a recording counts from 00:00:00.
        {"clip.mp4", 65000, "clip.mp4", 125000, "clip_clip_000105-000205.mp4"},
        {"NOR_251317_143000_F.mp4", 0, "NOR_251317_143000_F.mp4", 1000,
         "NOR_251317_143000_F_clip_000000-000001.mp4"},
        {"NOR_250517_1430", 0, "NOR_250517_1430", 1000, "NOR_250517_1430_clip_000000-000001.mp4"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ProposeClipName(c.first, c.startMs, c.last, c.endMs), c.name)
            << c.first.toStdString();
    }
    EXPECT_EQ(RecordingStartTime(u"x/NOR_250517_143000_F.mp4"),
              QDateTime(QDate(2025, 5, 17), QTime(14, 30), Qt::UTC));
    EXPECT_FALSE(RecordingStartTime(u"NOR_250517_246000_F.mp4").isValid());
}

}  // namespace
}  // namespace player
