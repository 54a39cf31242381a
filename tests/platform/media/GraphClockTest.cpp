// The graph clock following the sound device: a device reports what it plays in coarse blocks
// and may stall; the clock takes the drift smoothly and never jumps by a frame. The clock reads
// a time source the test moves, so nothing sleeps.

#include "platform/media/GraphClock.h"

#include <gtest/gtest.h>

#include <memory>

using platform::media::GraphClock;
using platform::media::REFERENCE_TIME;

namespace {

constexpr REFERENCE_TIME kMs = platform::media::FromMilliseconds(1);

class GraphClockAudio : public ::testing::Test {
protected:
    void SetUp() override {
        m_clock.SetRendererCount(0);
        m_clock.SetRunning(true);
        ASSERT_TRUE(m_clock.IsTicking());
    }

    using TimePoint = GraphClock::Monotonic::time_point;

    REFERENCE_TIME Elapsed(TimePoint from) const {
        return platform::media::Units100ns(m_wall - from);
    }
    void Advance(int ms) { m_wall += std::chrono::milliseconds(ms); }

    // Feeds one heard time and checks that the clock moved by what the wall clock did, give or
    // take a tenth of the time since the last sample (its largest slew).
    void Follow(REFERENCE_TIME heard) {
        const auto wall = m_wall;
        const REFERENCE_TIME before = m_clock.Now();
        m_clock.FollowAudio(heard);
        const REFERENCE_TIME after = m_clock.Now();
        const REFERENCE_TIME slew = (after - m_lastSample) / 10 + kMs / 10;
        m_lastSample = before;
        EXPECT_GE(after - before, -slew);
        EXPECT_LE(after - before, Elapsed(wall) + slew);
    }

    REFERENCE_TIME m_lastSample = 0;
    TimePoint m_wall{std::chrono::seconds(1)};
    GraphClock m_clock{[this] { return m_wall; }};
};

}  // namespace

TEST_F(GraphClockAudio, FollowsADeviceReportingInBlocksWithoutJumping) {
    // The device plays 40 ms ahead of the clock but reports only every 80 ms of sound.
    constexpr REFERENCE_TIME kBlock = 80 * kMs;
    const REFERENCE_TIME start = m_clock.Now();
    const auto wall = m_wall;
    m_lastSample = start;
    for (int i = 0; i < 300; ++i) {
        Advance(2);
        const REFERENCE_TIME device = start + Elapsed(wall) + 40 * kMs;
        const REFERENCE_TIME reported = device - device % kBlock;
        Follow(reported);
    }
    // Near the freshest reports: within one block of the device.
    const REFERENCE_TIME gap = m_clock.Now() - (start + Elapsed(wall));
    EXPECT_GT(gap, 40 * kMs - kBlock);
    EXPECT_LT(gap, 40 * kMs + 5 * kMs);
}

TEST_F(GraphClockAudio, AStalledDeviceDoesNotHoldTheClockBack) {
    const REFERENCE_TIME start = m_clock.Now();
    const auto wall = m_wall;
    m_lastSample = start;
    for (int i = 0; i < 200; ++i) {
        Advance(3);
        Follow(start);  // the device took nothing since the start
    }
    // At most a tenth slower than the wall clock while it slewed, then no longer following.
    EXPECT_GE(m_clock.Now() - start, Elapsed(wall) * 8 / 10);
}

TEST_F(GraphClockAudio, ASeekForgetsWhatWasHeard) {
    // Before the seek the device ran far ahead.
    for (int i = 0; i < 20; ++i) {
        Advance(2);
        m_clock.FollowAudio(m_clock.Now() + 200 * kMs);
    }
    m_clock.SetRendererCount(1);
    const int serial = m_clock.Seek(5000 * kMs);
    m_clock.FollowAudio(9000 * kMs);  // the clock stands until the renderers are ready
    EXPECT_EQ(m_clock.Now(), 5000 * kMs);
    m_clock.RendererReady(serial);
    const auto wall = m_wall;
    for (int i = 0; i < 20; ++i) {
        Advance(2);
        m_clock.FollowAudio(m_clock.Now());
    }
    // In step with the sound since: not pulled ahead by what was heard before.
    EXPECT_LE(m_clock.Now(), 5000 * kMs + Elapsed(wall) + kMs);
}

// The clock of a graph cued to play on after another: it stands at its start until the
// leader's time reaches the offset, then moves with the leader (paused with it, at its rate);
// left to itself it runs on from where it stood, at that rate, without a step.
TEST_F(GraphClockAudio, AFollowerStandsUntilTheLeaderArrivesAndRunsOnWhenLeft) {
    auto leader = std::make_shared<GraphClock>([this] { return m_wall; });
    leader->SetRendererCount(0);
    leader->SetRate(2.0);
    leader->SetRunning(true);
    GraphClock follower([this] { return m_wall; });
    follower.SetRendererCount(0);
    follower.Follow(leader, 1000 * kMs);
    follower.SetRunning(true);
    const struct {
        int advanceMs;
        REFERENCE_TIME now;
        bool started;
    } steps[] = {{0, 0, false}, {400, 0, false}, {100, 0, true}, {50, 100 * kMs, true}};
    for (const auto& step : steps) {
        Advance(step.advanceMs);
        EXPECT_EQ(follower.Now(), step.now) << leader->Now();
        EXPECT_EQ(follower.LeaderReached(), step.started) << leader->Now();
        EXPECT_EQ(follower.IsTicking(), step.started) << leader->Now();
        EXPECT_EQ(follower.Rate(), 2.0);
    }
    leader->SetRunning(false);
    Advance(100);
    EXPECT_EQ(follower.Now(), 100 * kMs);
    EXPECT_FALSE(follower.IsTicking());
    leader->SetRunning(true);

    follower.Unfollow();
    leader->Seek(0);
    Advance(50);
    EXPECT_EQ(follower.Now(), 200 * kMs);
    EXPECT_EQ(follower.Rate(), 2.0);
    EXPECT_TRUE(follower.LeaderReached());
}
