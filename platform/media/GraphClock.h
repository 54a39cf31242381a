#pragma once
// The graph's clock and shared streaming state: media time (frozen, or advancing with the
// monotonic clock scaled by the rate once the graph runs and every renderer holds its first
// sample), the serial of the current flush generation, pending frame steps and the audio
// levels. Shared by the graph and its filters; any thread may call. One mutex, never held
// while calling out, except into the clock it follows (which never calls back).

#include "platform/media/Com.h"

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

namespace platform::media {

class GraphClock {
public:
    enum class WaitResult { Due, Stale, Step, Aborted };
    using Monotonic = std::chrono::steady_clock;
    // Where the clock reads the time that passes; tests hand in one they move themselves.
    // Waits still sleep on the real clock.
    using TimeSource = std::function<Monotonic::time_point()>;

    GraphClock() : GraphClock([] { return Monotonic::now(); }) {}
    explicit GraphClock(TimeSource now) : m_now(std::move(now)) {}

    // ---- readers (any thread) ----
    REFERENCE_TIME Now() const;
    bool IsTicking() const;
    double Rate() const;
    int Serial() const;
    REFERENCE_TIME SegmentStart() const;  // the position the current generation started at
    bool IsAborted() const;

    // ---- the graph (owner thread) ----
    // Seamless sequence: from now on the clock stands at its position until leader's time
    // passes offset, then runs on as leader's time less offset (a graph cued to play on where
    // the leader's recording ends). Lock order: this clock's mutex, then the leader's.
    void Follow(std::shared_ptr<GraphClock> leader, REFERENCE_TIME offset);
    // Runs on by itself, at the leader's rate, from where following left it.
    void Unfollow();
    // Following: the leader has reached this clock's position (it plays on); otherwise true.
    bool LeaderReached() const;
    void SetRunning(bool running);
    // Freezes the clock at target until every renderer is ready again; returns the new serial.
    int Seek(REFERENCE_TIME target);
    void SetRendererCount(int count);
    void SetRate(double rate);
    void Abort();
    void Restart();
    void RequestStep(int frames);
    void CancelStep();
    // Waits up to timeout for every renderer of the current generation to be ready.
    bool WaitReady(std::chrono::milliseconds timeout) const;
    bool AllReady() const;

    // ---- decoder threads ----
    // The largest stream's decoder has the picture at the target of this generation (or its
    // stream ended): the others, held back so it gets the processor first, go on.
    void NoteMainPrerolled(int serial);
    // Waits up to timeout for that; false when it did not come (another seek, or the wait ran
    // out).
    bool WaitMainPrerolled(int serial, std::chrono::milliseconds timeout) const;

    // ---- renderer threads ----
    void RendererReady(int serial);
    // Waits until media time reaches time. Step is returned only to the stepping renderer
    // when a frame step is pending and the clock stands.
    WaitResult WaitUntil(REFERENCE_TIME time, int serial, bool stepper);
    // Following: waits until the leader's time is within margin of this clock's position
    // (Due at once when not following).
    WaitResult WaitForLeader(REFERENCE_TIME margin, int serial);
    // Waits while nothing changes, up to timeout (for polling renderers).
    void WaitChange(std::chrono::milliseconds timeout);
    // The stepping renderer showed the frame at time: the clock stands there now.
    void CompleteStep(REFERENCE_TIME time, int serial);
    // The audio device's estimate of the time being heard, taken every few milliseconds. The
    // estimate moves in coarse steps (sound servers report their reads in blocks), so the
    // clock follows them smoothed over the last samples, slewing a little at a time and never
    // by a frame at once. The clock is then the best estimate of the time being heard.
    void FollowAudio(REFERENCE_TIME heard);
    // The device's sound started over: forget the samples taken so far.
    void RestartAudio();

    // Free run (benchmarks): every sample is due at once and nothing is dropped; without
    // pictures the video renderers take frames without converting them (to measure decoding).
    void SetFreeRun(bool freeRun, bool pictures = true) {
        m_freeRun = freeRun;
        m_freeRunPictures = pictures;
    }
    bool IsFreeRun() const { return m_freeRun; }
    bool SkipsPictures() const { return m_freeRun && !m_freeRunPictures; }

    // Audio levels (IBasicAudio), read by the audio renderer.
    std::atomic<LONG> volume{0};
    std::atomic<LONG> balance{0};

private:
    REFERENCE_TIME NowLocked() const;
    void UpdateTickingLocked();
    void ResetAudioLocked();
    // Following: running, every renderer ready, not aborted.
    bool LinkedLocked() const;
    // How long a renderer waits for time before it looks again.
    std::chrono::microseconds WaitLocked(REFERENCE_TIME time, REFERENCE_TIME now) const;

    static constexpr size_t kAudioWindow = 32;

    const TimeSource m_now;
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    bool m_running = false;
    bool m_ticking = false;
    bool m_aborted = false;
    double m_rate = 1.0;
    REFERENCE_TIME m_anchorMedia = 0;
    Monotonic::time_point m_anchorMono{};
    int m_serial = 1;
    REFERENCE_TIME m_segmentStart = 0;
    int m_rendererCount = 0;
    int m_readyCount = 0;
    int m_pendingSteps = 0;
    int m_mainPrerolled = 0;  // the last generation whose main picture is decoded
    std::array<REFERENCE_TIME, kAudioWindow> m_audioOffsets{};  // heard - clock, newest last
    size_t m_audioCount = 0;
    size_t m_audioNext = 0;
    REFERENCE_TIME m_audioLastSample = 0;  // media time of the last sample
    std::shared_ptr<GraphClock> m_leader;  // set while following
    REFERENCE_TIME m_leaderOffset = 0;     // leader's time at this clock's 0
    std::atomic<bool> m_freeRun{false};
    std::atomic<bool> m_freeRunPictures{true};
};

}  // namespace platform::media
