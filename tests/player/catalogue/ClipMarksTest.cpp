#include "player/catalogue/ClipMarks.h"

#include <gtest/gtest.h>

#include <optional>

namespace player {
namespace {

// Three recordings of 60, 45 and 60 s: boundaries at 60 s and 105 s, 165 s in all.
CClipTimeline Trip() {
    return CClipTimeline({{"/c/A.mp4", 60000}, {"/c/B.mp4", 45000}, {"/c/C.mp4", 60000}});
}

TEST(ClipMarksTest, ClipPressChoosesItsSpanWithinTheTimeline) {
    struct Case {
        const char* what;
        std::optional<int64_t> in;
        std::optional<int64_t> out;
        int64_t position;
        std::optional<ClipSpan> incident;
        std::optional<ClipSpan> span;
    };
    const Case cases[] = {
        {"both marks, across a boundary", 50000, 70000, 10000, {}, ClipSpan{50000, 70000}},
        {"no marks: 30 s either side", {}, {}, 80000, {}, ClipSpan{50000, 110000}},
        {"no marks near the start", {}, {}, 10000, {}, ClipSpan{0, 40000}},
        {"no marks near the end", {}, {}, 160000, {}, ClipSpan{130000, 165000}},
        {"an incident plays", {}, {}, 81000, ClipSpan{80000, 82500}, ClipSpan{50000, 112500}},
        {"marks win over an incident", 1000, 2000, 81000, ClipSpan{80000, 82500},
         ClipSpan{1000, 2000}},
        {"in, then played on", 20000, {}, 50000, {}, ClipSpan{20000, 50000}},
        {"in at the position", 20000, {}, 20500, {}, ClipSpan{20000, 80000}},
        {"in, position before it", 20000, {}, 5000, {}, ClipSpan{20000, 80000}},
        {"in near the end", 150000, {}, 150000, {}, ClipSpan{150000, 165000}},
        {"out, position before it", {}, 100000, 40000, {}, ClipSpan{40000, 100000}},
        {"out at the position", {}, 100000, 100000, {}, ClipSpan{40000, 100000}},
        {"out near the start", {}, 30000, 40000, {}, ClipSpan{0, 30000}},
        {"out at the very start", {}, 0, 0, {}, std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ChooseClipSpan(Trip(), c.in, c.out, c.position, c.incident), c.span) << c.what;
    }
    EXPECT_EQ(ChooseClipSpan(CClipTimeline(), {}, {}, 0, {}), std::nullopt);
}

TEST(ClipMarksTest, MarksKeepTheirOrderAndGoWithAnotherTimeline) {
    CClipMarks marks;
    marks.Follow(Trip());
    EXPECT_FALSE(marks.SetIn({"/c/other.mp4", 1000})) << "not on the timeline";
    ASSERT_TRUE(marks.SetIn({"/c/A.mp4", 50000}));
    ASSERT_TRUE(marks.SetOut({"/c/B.mp4", 10000}));
    EXPECT_EQ(marks.InMs(), 50000);
    EXPECT_EQ(marks.OutMs(), 70000);
    // An in mark after the out mark drops it, and an out mark before the in mark drops that.
    ASSERT_TRUE(marks.SetIn({"/c/C.mp4", 0}));
    EXPECT_EQ(marks.InMs(), 105000);
    EXPECT_FALSE(marks.Out().has_value());
    ASSERT_TRUE(marks.SetOut({"/c/B.mp4", 45000}));
    EXPECT_FALSE(marks.In().has_value()) << "the end of B is the start of C";
    ASSERT_TRUE(marks.SetIn({"/c/A.mp4", 99999}));
    EXPECT_EQ(marks.InMs(), 60000) << "held within its recording";

    // A timeline holding the marks' recordings keeps them (a trip that grew), one without
    // them drops them.
    EXPECT_FALSE(marks.Follow(CClipTimeline({{"/c/A.mp4", 60000}, {"/c/B.mp4", 45000}})));
    EXPECT_EQ(marks.InMs(), 60000);
    EXPECT_EQ(marks.OutMs(), 105000);
    EXPECT_TRUE(marks.Follow(CClipTimeline({{"/c/B.mp4", 45000}})));
    EXPECT_FALSE(marks.In().has_value());
    EXPECT_FALSE(marks.Out().has_value());
    EXPECT_FALSE(marks.Follow(CClipTimeline({{"/c/C.mp4", 60000}}))) << "no marks to drop";
}

TEST(ClipMarksTest, RangeTakesTheRecordingsBetweenItsEnds) {
    struct Case {
        ClipSpan span;
        QStringList recordings;
        platform::media::ClipPoint from;
        platform::media::ClipPoint to;
    };
    const Case cases[] = {
        {{50000, 70000}, {"/c/A.mp4", "/c/B.mp4"}, {0, 50000}, {1, 10000}},
        {{10000, 20000}, {"/c/A.mp4"}, {0, 10000}, {0, 20000}},
        // On a boundary the start lies in the later recording, the end in the earlier one.
        {{60000, 105000}, {"/c/B.mp4"}, {0, 0}, {0, 45000}},
        {{0, 165000}, {"/c/A.mp4", "/c/B.mp4", "/c/C.mp4"}, {0, 0}, {2, 60000}},
        {{59000, 106000}, {"/c/A.mp4", "/c/B.mp4", "/c/C.mp4"}, {0, 59000}, {2, 1000}},
    };
    for (const Case& c : cases) {
        const ClipRange range = RangeOf(Trip(), c.span);
        SCOPED_TRACE(c.span.fromMs);
        EXPECT_EQ(range.recordings, c.recordings);
        EXPECT_EQ(range.from.recording, c.from.recording);
        EXPECT_EQ(range.from.ms, c.from.ms);
        EXPECT_EQ(range.to.recording, c.to.recording);
        EXPECT_EQ(range.to.ms, c.to.ms);
        EXPECT_EQ(range.lengthMs, c.span.toMs - c.span.fromMs);
        EXPECT_EQ(range.durationsMs.size(), static_cast<size_t>(c.recordings.size()));
    }
    EXPECT_EQ(ClipRangeText(RangeOf(Trip(), {50000, 70000})),
              "From 00:00:50 in A.mp4 to 00:00:10 in B.mp4 (20 s)");
    EXPECT_EQ(ClipRangeText(RangeOf(Trip(), {10000, 75500})),
              "From 00:00:10 in A.mp4 to 00:00:15 in B.mp4 (66 s)");
    EXPECT_EQ(ClipRangeText(RangeOf(Trip(), {10000, 20000})),
              "From 00:00:10 to 00:00:20 in A.mp4 (10 s)");
}

}  // namespace
}  // namespace player
