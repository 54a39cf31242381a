#include "platform/media/ChunkPlan.h"

#include <algorithm>
#include <numeric>
#include <utility>

namespace platform::media {

namespace {

constexpr uint32_t kMaxRunSamples = 1U << 20;  // of one continuation chunk
constexpr size_t kMaxCycle = 16;               // chunks in a steady cycle

}  // namespace

ChunkPlan::ChunkPlan(const MovieIndex& index) : m_index(index) {
    struct Placed {
        uint64_t offset;
        PlannedChunk chunk;
    };
    std::vector<Placed> placed;
    for (size_t t = 0; t < index.tracks.size(); ++t) {
        for (const ChunkRun& chunk : index.tracks[t].chunks) {
            if (chunk.samples > 0) {
                placed.push_back(Placed{chunk.offset, PlannedChunk{t, chunk.samples}});
            }
        }
    }
    std::stable_sort(placed.begin(), placed.end(),
                     [](const Placed& a, const Placed& b) { return a.offset < b.offset; });
    for (const Placed& p : placed) {
        m_reference.push_back(p.chunk);
    }
    if (TimeRuleHolds()) {
        m_mode = Mode::Time;
        StartTime(false);
    } else if (FindCycle()) {
        m_mode = Mode::Cycle;
    }
    SplitAtFork();
}

std::optional<PlannedChunk> ChunkPlan::At(size_t c) {
    while (c >= m_chunks.size()) {
        std::optional<PlannedChunk> next = std::exchange(m_pending, std::nullopt);
        if (!next) {
            next = NextContinuation();
        }
        if (!next) {
            return std::nullopt;
        }
        m_chunks.push_back(*next);
    }
    return m_chunks[c];
}

void ChunkPlan::Choose(bool continuation) {
    if (continuation) {
        m_looseFrom = m_fork;
    } else {
        m_chunks.resize(m_fork);
        m_chunks.insert(m_chunks.end(), m_tail.begin(), m_tail.end());
        m_mode = Mode::None;
        m_pending.reset();
    }
    m_tail.clear();
    m_fork = SIZE_MAX;
}

void ChunkPlan::StartTime(bool bounded) {
    m_bounded = bounded;
    m_clocks.assign(m_index.tracks.size(), TrackClock{});
    for (size_t t = 0; t < m_index.tracks.size(); ++t) {
        const TrackTable& table = m_index.tracks[t];
        TrackClock& clock = m_clocks[t];
        // Chunks gather whole packets (the last may be cut short).
        uint32_t packet = 0;
        for (size_t c = 0; c + 1 < table.chunks.size(); ++c) {
            packet = std::gcd(packet, table.chunks[c].samples);
        }
        clock.packet = std::clamp<uint32_t>(packet, 1, kMaxRunSamples);
        for (const ChunkRun& chunk : table.chunks) {
            clock.count += chunk.samples;
        }
        clock.steady = table.SteadyDelta();
        clock.startSeconds = static_cast<double>(table.editDelay) / m_index.timescale;
        clock.decodeTime = -table.editMediaTime;
    }
}

double ChunkPlan::DueSeconds(size_t track) const {
    return m_clocks[track].startSeconds +
           static_cast<double>(m_clocks[track].decodeTime) / m_index.tracks[track].timescale;
}

// The track whose next packet is due first (the lower one on a tie); SIZE_MAX when all ended.
size_t ChunkPlan::DueTrack() const {
    size_t due = SIZE_MAX;
    for (size_t t = 0; t < m_clocks.size(); ++t) {
        const TrackClock& clock = m_clocks[t];
        const bool beyond = clock.next >= clock.count;
        if (clock.count == 0 || (beyond && (m_bounded || clock.steady == 0))) {
            continue;
        }
        if (due == SIZE_MAX || DueSeconds(t) < DueSeconds(due)) {
            due = t;
        }
    }
    return due;
}

void ChunkPlan::Advance(size_t track, uint64_t samples) {
    TrackClock& clock = m_clocks[track];
    const std::vector<DurationRun>& runs = m_index.tracks[track].durations;
    const auto add = [&](uint64_t count, uint32_t delta) {
        clock.decodeTime =
            static_cast<int64_t>(static_cast<uint64_t>(clock.decodeTime) + count * delta);
        clock.next += count;
    };
    while (samples > 0) {
        // The reference's own durations up to its last sample, whose own may be cut short.
        if (clock.next + 1 >= clock.count || clock.run >= runs.size()) {
            add(samples, clock.steady);
            return;
        }
        if (clock.inRun >= runs[clock.run].first) {
            ++clock.run;
            clock.inRun = 0;
            continue;
        }
        const uint64_t take =
            std::min({samples, runs[clock.run].first - clock.inRun, clock.count - 1 - clock.next});
        add(take, runs[clock.run].second);
        clock.inRun += take;
        samples -= take;
    }
}

std::optional<PlannedChunk> ChunkPlan::NextByTime() {
    const size_t track = DueTrack();
    if (track == SIZE_MAX) {
        return std::nullopt;
    }
    PlannedChunk run{track, 0};
    do {
        const TrackClock& clock = m_clocks[track];
        const uint64_t samples =
            m_bounded ? std::min<uint64_t>(clock.packet, clock.count - clock.next) : clock.packet;
        run.samples += static_cast<uint32_t>(samples);
        Advance(track, samples);
    } while (run.samples < kMaxRunSamples && DueTrack() == track);
    return run;
}

std::optional<PlannedChunk> ChunkPlan::NextContinuation() {
    if (m_mode == Mode::Time) {
        return NextByTime();
    }
    if (m_mode == Mode::Cycle) {
        const size_t j = m_generated++;
        return j < m_cycleEnd
                   ? m_reference[j]
                   : m_reference[m_cycleStart + (j - m_cycleEnd) % (m_cycleEnd - m_cycleStart)];
    }
    return std::nullopt;
}

// Whether interleaving by time, packet by packet, gives the reference's own layout.
bool ChunkPlan::TimeRuleHolds() {
    if (m_reference.empty() || m_index.timescale == 0) {
        return false;
    }
    StartTime(true);
    size_t r = 0;
    uint32_t left = m_reference[0].samples;
    while (const std::optional<PlannedChunk> run = NextByTime()) {
        for (uint32_t samples = run->samples; samples > 0;) {
            if (r == m_reference.size() || m_reference[r].track != run->track) {
                return false;
            }
            const uint32_t take = std::min(samples, left);
            samples -= take;
            left -= take;
            if (left == 0 && ++r < m_reference.size()) {
                left = m_reference[r].samples;
            }
        }
    }
    return r == m_reference.size();
}

// A cycle of chunks that repeats (by track) right before the tail, where the camera's last
// writes of each track lie.
bool ChunkPlan::FindCycle() {
    size_t tail = m_reference.size();
    std::vector<bool> seen(m_index.tracks.size(), false);
    for (size_t c = m_reference.size(); c-- > 0;) {
        if (!seen[m_reference[c].track]) {
            seen[m_reference[c].track] = true;
            tail = c;
        }
    }
    for (size_t p = 1; p <= kMaxCycle && 2 * p <= tail; ++p) {
        bool repeats = true;
        for (size_t j = tail - 2 * p; j < tail - p && repeats; ++j) {
            repeats = m_reference[j].track == m_reference[j + p].track;
        }
        if (repeats) {
            m_cycleStart = tail - p;
            m_cycleEnd = tail;
            return true;
        }
    }
    return false;
}

// The plan is the reference's chunks as long as the continuation agrees with them sample for
// sample; where they part, the fork.
void ChunkPlan::SplitAtFork() {
    size_t r = 0;
    uint32_t used = 0;  // of m_reference[r], agreed
    std::optional<PlannedChunk> next = NextContinuation();
    while (r < m_reference.size() && next && next->track == m_reference[r].track) {
        const uint32_t take = std::min(next->samples, m_reference[r].samples - used);
        used += take;
        next->samples -= take;
        if (used == m_reference[r].samples) {
            m_chunks.push_back(m_reference[r]);
            ++r;
            used = 0;
        }
        if (next->samples == 0) {
            next = NextContinuation();
        }
    }
    if (used > 0) {
        m_chunks.push_back(PlannedChunk{m_reference[r].track, used});
    }
    if (r < m_reference.size()) {
        m_tail.push_back(PlannedChunk{m_reference[r].track, m_reference[r].samples - used});
        m_tail.insert(m_tail.end(), m_reference.begin() + static_cast<ptrdiff_t>(r) + 1,
                      m_reference.end());
    }
    m_pending = next;
    if (!m_tail.empty() && m_pending) {
        m_fork = m_chunks.size();
        m_continuationTrack = m_pending->track;
    } else if (!m_tail.empty()) {
        m_chunks.insert(m_chunks.end(), m_tail.begin(), m_tail.end());
        m_tail.clear();
    } else if (m_mode != Mode::None) {
        m_looseFrom = m_chunks.size();
    }
}

}  // namespace platform::media
