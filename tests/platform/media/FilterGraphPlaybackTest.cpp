// Graph transport on generated clips with frame codes and the silent audio clock: position,
// pause, seek, frame step, rate, the end, stop and cue.

#include "MediaTestSupport.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>

using namespace mediatest;

namespace {

constexpr int kFps = 15;
constexpr REFERENCE_TIME kFrame = kUnitsPerSecond / kFps;

class Playback : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        qputenv("ROADPLAYER_AUDIO_DEVICE", "none");
        testsupport::EnsureApp();
    }

    // A clip of the given length with both cameras and sound.
    void Open(int seconds, const char* audio = "aac") {
        ClipOptions options;
        options.lengthSeconds = seconds;
        options.fps = kFps;
        options.audio = audio;
        m_clip = MakeClip(m_dir, options);
        ASSERT_FALSE(m_clip.isEmpty());
        ASSERT_TRUE(m_graph.Build(m_clip));
        ASSERT_EQ(m_graph.renderers.size(), 2u);
    }

    // Frame number at a position, as the writer numbered them.
    static int FrameAt(REFERENCE_TIME position) { return static_cast<int>(position / kFrame); }

    QTemporaryDir m_dir;
    QString m_clip;
    PlaybackGraph m_graph;
};

}  // namespace

TEST_F(Playback, CueShowsTheFirstFrameAndStaysStopped) {
    Open(3);
    EXPECT_EQ(m_graph.ShownFrame(), -1);
    ASSERT_EQ(m_graph.control->StopWhenReady(), S_OK);
    ASSERT_TRUE(m_graph.WaitCued());
    EXPECT_EQ(m_graph.ShownFrame(0), 0);
    EXPECT_EQ(m_graph.ShownFrame(1), 0);
    OAFilterState state = -1;
    m_graph.control->GetState(0, &state);
    EXPECT_EQ(state, State_Stopped);
    Pump(300);
    EXPECT_EQ(m_graph.Position(), 0);
    EXPECT_EQ(m_graph.Duration(), 3 * kUnitsPerSecond);
}

TEST_F(Playback, PositionFollowsTheClockAndPauseHoldsIt) {
    Open(4);
    ASSERT_TRUE(SUCCEEDED(m_graph.control->Run()));
    ASSERT_TRUE(m_graph.WaitCued());
    QElapsedTimer timer;
    timer.start();
    Pump(2000);
    const double expectedMs = static_cast<double>(timer.elapsed());
    EXPECT_NEAR(ToSeconds(m_graph.Position()) * 1000.0, expectedMs, 100.0);

    ASSERT_EQ(m_graph.control->Pause(), S_OK);
    const REFERENCE_TIME held = m_graph.Position();
    Pump(150);
    const int picture = m_graph.ShownFrame();
    Pump(500);
    EXPECT_EQ(m_graph.Position(), held);
    EXPECT_EQ(m_graph.ShownFrame(), picture);
    EXPECT_NEAR(picture, FrameAt(held), 1);
}

TEST_F(Playback, SeekShowsTheFrameAtTheTargetInEveryState) {
    Open(4);
    const REFERENCE_TIME targets[] = {2500 * kMs, 0, 1234 * kMs, 3900 * kMs, 700 * kMs};
    // Stopped before anything was cued, cued-and-stopped, paused, running.
    for (int state = 0; state < 4; ++state) {
        if (state == 1) {
            m_graph.control->StopWhenReady();
        } else if (state == 2) {
            m_graph.control->Pause();
        } else if (state == 3) {
            m_graph.control->Run();
        }
        for (const REFERENCE_TIME target : targets) {
            ASSERT_EQ(m_graph.Seek(target), S_OK);
            ASSERT_TRUE(m_graph.WaitCued());
            if (state == 3) {
                m_graph.control->Pause();  // look at the landing picture, not at the ones after it
                ASSERT_TRUE(m_graph.WaitCued());
                EXPECT_NEAR(m_graph.ShownFrame(0), FrameAt(target), 3)
                    << "running, target " << target;
                m_graph.control->Run();
                continue;
            }
            for (size_t view = 0; view < 2; ++view) {
                EXPECT_NEAR(m_graph.ShownFrame(view), FrameAt(target), 1)
                    << "state " << state << " target " << target;
            }
            EXPECT_EQ(m_graph.Position(), target);
        }
    }
}

TEST_F(Playback, SeekBeyondTheEndShowsTheLastFrame) {
    Open(2);
    m_graph.control->StopWhenReady();
    REFERENCE_TIME beyond = FromSeconds(60);
    ASSERT_EQ(m_graph.Seek(beyond), S_OK);
    ASSERT_TRUE(m_graph.WaitCued());
    EXPECT_EQ(m_graph.Position(), m_graph.Duration());
    EXPECT_EQ(m_graph.ShownFrame(), 2 * kFps - 1);
}

TEST_F(Playback, StepAdvancesExactlyOneFrame) {
    Open(3);
    auto step = QueryInterface<IVideoFrameStep>(m_graph.graph);
    ASSERT_EQ(step->CanStep(1, nullptr), S_OK);
    m_graph.control->Pause();
    ASSERT_EQ(m_graph.Seek(1000 * kMs), S_OK);
    ASSERT_TRUE(m_graph.WaitCued());
    int frame = m_graph.ShownFrame();
    ASSERT_EQ(frame, kFps);
    // The player passes 0xFFFFFFFF; each call is one frame, on both views.
    for (const DWORD count : {0xFFFFFFFFu, 1u, 0xFFFFFFFFu}) {
        ASSERT_EQ(step->Step(count, nullptr), S_OK);
        ASSERT_TRUE(WaitFor([&] { return m_graph.ShownFrame() != frame; }, 5000));
        Pump(100);
        EXPECT_EQ(m_graph.ShownFrame(0), frame + 1);
        EXPECT_EQ(m_graph.ShownFrame(1), frame + 1);
        EXPECT_NEAR(static_cast<double>(m_graph.Position()),
                    (frame + 1) * static_cast<double>(kUnitsPerSecond) / kFps, kMs);
        frame = m_graph.ShownFrame();
    }
    // Running picks up from the stepped position.
    m_graph.control->Run();
    Pump(300);
    EXPECT_GT(m_graph.Position(), frame * kFrame);
}

TEST_F(Playback, DoubleRateRunsTwiceAsFast) {
    Open(5);
    auto seeking = m_graph.seeking;
    EXPECT_EQ(seeking->SetRate(0.4), E_INVALIDARG);
    EXPECT_EQ(seeking->SetRate(2.5), E_INVALIDARG);
    for (const double rate : {2.0, 0.5}) {
        ASSERT_EQ(m_graph.Seek(0), S_OK);
        ASSERT_EQ(seeking->SetRate(rate), S_OK);
        double stored = 0;
        seeking->GetRate(&stored);
        EXPECT_EQ(stored, rate);
        m_graph.control->Run();
        ASSERT_TRUE(m_graph.WaitCued());
        Pump(100);
        const REFERENCE_TIME from = m_graph.Position();
        QElapsedTimer timer;
        timer.start();
        Pump(1500);
        const double media = ToSeconds(m_graph.Position() - from) * 1000.0;
        const double wall = static_cast<double>(timer.elapsed());
        EXPECT_NEAR(media / wall, rate, rate * 0.05) << rate;
        m_graph.control->Pause();
    }
}

TEST_F(Playback, TheEndIsTheDurationAndStays) {
    Open(2);
    m_graph.seeking->SetRate(2.0);
    m_graph.control->Run();
    ASSERT_TRUE(WaitFor([&] { return m_graph.Position() == m_graph.Duration(); }, 5000));
    Pump(400);
    EXPECT_EQ(m_graph.Position(), m_graph.Duration());
    EXPECT_EQ(m_graph.ShownFrame(), 2 * kFps - 1);
    // From the end, a seek to the start plays again.
    ASSERT_EQ(m_graph.Seek(0), S_OK);
    Pump(300);
    EXPECT_LT(m_graph.Position(), m_graph.Duration());
}

TEST_F(Playback, StopKeepsThePositionForTheNextRun) {
    Open(4);
    m_graph.control->Run();
    ASSERT_TRUE(m_graph.WaitCued());
    Pump(800);
    ASSERT_EQ(m_graph.control->Stop(), S_OK);
    const REFERENCE_TIME kept = m_graph.Position();
    EXPECT_GT(kept, 500 * kMs);
    Pump(300);
    EXPECT_EQ(m_graph.Position(), kept);
    OAFilterState state = -1;
    m_graph.control->GetState(0, &state);
    EXPECT_EQ(state, State_Stopped);
    m_graph.control->Run();
    ASSERT_TRUE(m_graph.WaitCued());
    Pump(200);
    EXPECT_GE(m_graph.Position(), kept);
    EXPECT_LT(m_graph.Position(), kept + 400 * kMs);
}

TEST_F(Playback, ShownFrameAndSoundClockStayInStep) {
    Open(4);
    m_graph.control->Run();
    ASSERT_TRUE(m_graph.WaitCued());
    Pump(300);
    int checked = 0;
    for (int i = 0; i < 40; ++i) {
        Pump(37);
        const RendererStats video = m_graph.Stats(m_graph.renderers[0]);
        const RendererStats audio = m_graph.Stats(m_graph.audioRenderer);
        if (audio.lastSampleTime < 0 || m_graph.Position() >= m_graph.Duration()) {
            continue;
        }
        EXPECT_LE(std::llabs(video.lastSampleTime - audio.lastSampleTime), kFrame) << i;
        ++checked;
    }
    EXPECT_GT(checked, 20);
    EXPECT_EQ(m_graph.Stats(m_graph.renderers[0]).framesDropped, 0);
}

TEST_F(Playback, GraphWithoutSoundAndPcmSoundPlay) {
    for (const char* audio : {"none", "pcm"}) {
        QTemporaryDir dir;
        ClipOptions options;
        options.audio = audio;
        options.fps = kFps;
        PlaybackGraph graph;
        ASSERT_TRUE(graph.Build(MakeClip(dir, options)));
        EXPECT_EQ(static_cast<bool>(graph.audioRenderer), QString(audio) == "pcm");
        graph.control->Run();
        ASSERT_TRUE(WaitFor([&] { return graph.Position() == graph.Duration(); }, 6000)) << audio;
        EXPECT_EQ(graph.ShownFrame(1), 2 * kFps - 1);
    }
}

TEST_F(Playback, TeardownWhileRunningEndsCleanly) {
    Open(3);
    m_graph.control->Run();
    Pump(300);
    FilterList filters;
    m_graph.graph->EnumFilters(&filters);
    for (const auto& filter : filters) {
        EXPECT_EQ(m_graph.graph->RemoveFilter(filter.Get()), S_OK);
    }
    m_graph.graph->EnumFilters(&filters);
    EXPECT_TRUE(filters.empty());
    EXPECT_EQ(m_graph.source->Stop(), S_OK);
    // The last picture stays with its renderer.
    EXPECT_GE(m_graph.ShownFrame(), 0);
}
