#include "platform/media/GraphClock.h"

#include <algorithm>
#include <cmath>

namespace platform::media {

namespace {
// Samples of the heard time needed before the clock follows them.
constexpr size_t kAudioMinSamples = 8;
// A gap beyond this is no drift but a device that stalled; its sound is lined up with the
// clock again (AudioOutput) rather than the clock dragged along.
constexpr REFERENCE_TIME kAudioIgnore = Units100ns(std::chrono::milliseconds(250));
// The clock closes a share of the gap per sample, and runs at most this much fast or slow
// doing so: a correction never makes a frame late.
constexpr double kAudioSlewShare = 0.1;
constexpr double kAudioMaxSlew = 0.1;
}  // namespace

bool GraphClock::LinkedLocked() const {
    return m_running && !m_aborted && m_readyCount >= m_rendererCount;
}

REFERENCE_TIME GraphClock::NowLocked() const {
    if (m_leader) {
        // Stands at its position until the leader gets there, then moves with it.
        return LinkedLocked() ? std::max(m_anchorMedia, m_leader->Now() - m_leaderOffset)
                              : m_anchorMedia;
    }
    if (!m_ticking) {
        return m_anchorMedia;
    }
    // Elapsed time in (fractional) 100 ns units, scaled by the rate.
    const std::chrono::duration<double, Duration100ns::period> elapsed = m_now() - m_anchorMono;
    return m_anchorMedia + static_cast<REFERENCE_TIME>(std::llround(elapsed.count() * m_rate));
}

void GraphClock::UpdateTickingLocked() {
    if (m_leader) {
        m_changed.notify_all();  // the leader's time is the time; nothing to anchor
        return;
    }
    const bool ticking = m_running && !m_aborted && m_readyCount >= m_rendererCount;
    if (ticking == m_ticking) {
        return;
    }
    if (ticking) {
        m_anchorMono = m_now();
        ResetAudioLocked();
    } else {
        m_anchorMedia = NowLocked();
    }
    m_ticking = ticking;
    m_changed.notify_all();
}

REFERENCE_TIME GraphClock::Now() const {
    std::lock_guard lock(m_mutex);
    return NowLocked();
}

bool GraphClock::IsTicking() const {
    std::lock_guard lock(m_mutex);
    if (m_leader) {
        return LinkedLocked() && m_leader->IsTicking() &&
               m_leader->Now() - m_leaderOffset >= m_anchorMedia;
    }
    return m_ticking;
}

double GraphClock::Rate() const {
    std::lock_guard lock(m_mutex);
    return m_leader ? m_leader->Rate() : m_rate;
}

void GraphClock::Follow(std::shared_ptr<GraphClock> leader, REFERENCE_TIME offset) {
    std::lock_guard lock(m_mutex);
    if (m_ticking) {
        m_anchorMedia = NowLocked();
    }
    m_ticking = false;
    m_leader = std::move(leader);
    m_leaderOffset = offset;
    ResetAudioLocked();
    m_changed.notify_all();
}

void GraphClock::Unfollow() {
    std::lock_guard lock(m_mutex);
    if (!m_leader) {
        return;
    }
    m_anchorMedia = NowLocked();
    m_rate = m_leader->Rate();
    m_leader.reset();
    UpdateTickingLocked();  // runs on from here at once when it was running
    m_changed.notify_all();
}

bool GraphClock::LeaderReached() const {
    std::lock_guard lock(m_mutex);
    return !m_leader || m_leader->Now() - m_leaderOffset >= m_anchorMedia;
}

int GraphClock::Serial() const {
    std::lock_guard lock(m_mutex);
    return m_serial;
}

REFERENCE_TIME GraphClock::SegmentStart() const {
    std::lock_guard lock(m_mutex);
    return m_segmentStart;
}

bool GraphClock::IsAborted() const {
    std::lock_guard lock(m_mutex);
    return m_aborted;
}

void GraphClock::SetRunning(bool running) {
    std::lock_guard lock(m_mutex);
    m_running = running;
    if (running) {
        m_pendingSteps = 0;
    }
    UpdateTickingLocked();
    m_changed.notify_all();
}

int GraphClock::Seek(REFERENCE_TIME target) {
    std::lock_guard lock(m_mutex);
    m_anchorMedia = target;
    m_ticking = false;
    m_segmentStart = target;
    m_readyCount = 0;
    m_pendingSteps = 0;
    ++m_serial;
    ResetAudioLocked();
    UpdateTickingLocked();
    m_changed.notify_all();
    return m_serial;
}

void GraphClock::SetRendererCount(int count) {
    std::lock_guard lock(m_mutex);
    m_rendererCount = count;
    UpdateTickingLocked();
}

void GraphClock::SetRate(double rate) {
    std::lock_guard lock(m_mutex);
    if (m_ticking) {
        m_anchorMedia = NowLocked();
        m_anchorMono = m_now();
    }
    m_rate = rate;
    m_changed.notify_all();
}

void GraphClock::Abort() {
    std::lock_guard lock(m_mutex);
    m_aborted = true;
    UpdateTickingLocked();
    m_changed.notify_all();
}

void GraphClock::Restart() {
    std::lock_guard lock(m_mutex);
    m_aborted = false;
    UpdateTickingLocked();
}

void GraphClock::RequestStep(int frames) {
    std::lock_guard lock(m_mutex);
    m_pendingSteps += frames;
    m_changed.notify_all();
}

void GraphClock::CancelStep() {
    std::lock_guard lock(m_mutex);
    m_pendingSteps = 0;
}

bool GraphClock::WaitReady(std::chrono::milliseconds timeout) const {
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, timeout,
                              [&] { return m_aborted || m_readyCount >= m_rendererCount; });
}

bool GraphClock::AllReady() const {
    std::lock_guard lock(m_mutex);
    return m_readyCount >= m_rendererCount;
}

void GraphClock::NoteMainPrerolled(int serial) {
    std::lock_guard lock(m_mutex);
    if (serial > m_mainPrerolled) {
        m_mainPrerolled = serial;
        m_changed.notify_all();
    }
}

bool GraphClock::WaitMainPrerolled(int serial, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [&] {
        return m_aborted || m_serial != serial || m_mainPrerolled >= serial;
    }) && m_mainPrerolled >= serial;
}

void GraphClock::RendererReady(int serial) {
    std::lock_guard lock(m_mutex);
    if (serial != m_serial) {
        return;
    }
    ++m_readyCount;
    UpdateTickingLocked();
    m_changed.notify_all();
}

GraphClock::WaitResult GraphClock::WaitUntil(REFERENCE_TIME time, int serial, bool stepper) {
    std::unique_lock lock(m_mutex);
    for (;;) {
        if (m_aborted) {
            return WaitResult::Aborted;
        }
        if (serial != m_serial) {
            return WaitResult::Stale;
        }
        const REFERENCE_TIME now = NowLocked();
        if (now >= time || m_freeRun) {
            return WaitResult::Due;
        }
        if (stepper && !m_ticking && !m_leader && m_pendingSteps > 0) {
            return WaitResult::Step;
        }
        m_changed.wait_for(lock, WaitLocked(time, now));
    }
}

GraphClock::WaitResult GraphClock::WaitForLeader(REFERENCE_TIME margin, int serial) {
    std::unique_lock lock(m_mutex);
    for (;;) {
        if (m_aborted) {
            return WaitResult::Aborted;
        }
        if (serial != m_serial) {
            return WaitResult::Stale;
        }
        if (!m_leader || m_leader->Now() - m_leaderOffset >= m_anchorMedia - margin) {
            return WaitResult::Due;
        }
        const bool moving = m_leader->IsTicking();
        const REFERENCE_TIME left = m_anchorMedia - margin + m_leaderOffset - m_leader->Now();
        const auto wait =
            std::chrono::duration_cast<std::chrono::microseconds>(
                Duration100ns(static_cast<REFERENCE_TIME>(
                    static_cast<double>(std::max<REFERENCE_TIME>(left, 0)) / m_leader->Rate()))) +
            std::chrono::microseconds(1);
        m_changed.wait_for(
            lock, moving ? std::min<std::chrono::microseconds>(wait, std::chrono::milliseconds(50))
                         : std::chrono::milliseconds(20));
    }
}

std::chrono::microseconds GraphClock::WaitLocked(REFERENCE_TIME time, REFERENCE_TIME now) const {
    REFERENCE_TIME left = time - now;
    double rate = m_rate;
    bool moving = m_ticking;
    if (m_leader) {
        // Nothing here hears the leader move: the wait is reckoned on its time.
        moving = LinkedLocked() && m_leader->IsTicking();
        left = time + m_leaderOffset - m_leader->Now();
        rate = m_leader->Rate();
        if (!moving) {
            return std::chrono::milliseconds(20);
        }
    }
    if (!moving) {
        return std::chrono::milliseconds(100);
    }
    const auto wait = std::chrono::duration_cast<std::chrono::microseconds>(
                          Duration100ns(static_cast<REFERENCE_TIME>(
                              static_cast<double>(std::max<REFERENCE_TIME>(left, 0)) / rate))) +
                      std::chrono::microseconds(1);
    return std::min<std::chrono::microseconds>(wait, std::chrono::milliseconds(50));
}

void GraphClock::WaitChange(std::chrono::milliseconds timeout) {
    std::unique_lock lock(m_mutex);
    m_changed.wait_for(lock, timeout);
}

void GraphClock::CompleteStep(REFERENCE_TIME time, int serial) {
    std::lock_guard lock(m_mutex);
    if (serial != m_serial || m_ticking) {
        return;
    }
    m_pendingSteps = std::max(0, m_pendingSteps - 1);
    m_anchorMedia = std::max(m_anchorMedia, time);
    m_changed.notify_all();
}

void GraphClock::ResetAudioLocked() {
    m_audioCount = 0;
    m_audioNext = 0;
}

void GraphClock::FollowAudio(REFERENCE_TIME heard) {
    std::lock_guard lock(m_mutex);
    if (!m_ticking) {
        ResetAudioLocked();
        return;
    }
    const REFERENCE_TIME now = NowLocked();
    const REFERENCE_TIME since =
        m_audioCount > 0 ? std::max<REFERENCE_TIME>(0, now - m_audioLastSample) : 0;
    m_audioLastSample = now;
    m_audioOffsets[m_audioNext] = heard - now;
    m_audioNext = (m_audioNext + 1) % kAudioWindow;
    m_audioCount = std::min(m_audioCount + 1, kAudioWindow);
    if (m_audioCount < kAudioMinSamples) {
        return;
    }
    // The estimate only moves when the device takes a block, so it lags between reads: the
    // upper quartile stands for the freshest readings and ignores a stray one.
    std::array<REFERENCE_TIME, kAudioWindow> sorted = m_audioOffsets;
    const auto end = sorted.begin() + static_cast<std::ptrdiff_t>(m_audioCount);
    const auto quartile = sorted.begin() + static_cast<std::ptrdiff_t>(m_audioCount * 3 / 4);
    std::nth_element(sorted.begin(), quartile, end);
    const REFERENCE_TIME gap = *quartile;
    if (std::llabs(gap) > kAudioIgnore) {
        return;
    }
    const auto limit = static_cast<REFERENCE_TIME>(static_cast<double>(since) * kAudioMaxSlew);
    const REFERENCE_TIME correction = std::clamp(
        static_cast<REFERENCE_TIME>(std::llround(static_cast<double>(gap) * kAudioSlewShare)),
        -limit, limit);
    m_anchorMedia = now + correction;
    m_anchorMono = m_now();
    // The stored samples were measured against the clock before this correction.
    for (size_t i = 0; i < m_audioCount; ++i) {
        m_audioOffsets[i] -= correction;
    }
}

void GraphClock::RestartAudio() {
    std::lock_guard lock(m_mutex);
    ResetAudioLocked();
}

}  // namespace platform::media
