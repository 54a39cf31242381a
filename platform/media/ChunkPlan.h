#pragma once
// The order in which a camera lays its tracks' samples into the media data: the reference's own
// chunks, continued past their end for a recording longer than the reference. The continuation
// interleaves the tracks by time in the packets the camera writes, when that rule gives the
// reference's layout exactly; otherwise it repeats the reference's last steady cycle of chunks.
// One object per walk; one thread.

#include "platform/media/Mp4Boxes.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace platform::media {

struct PlannedChunk {
    size_t track = 0;
    uint32_t samples = 0;
};

class ChunkPlan {
public:
    explicit ChunkPlan(const MovieIndex& index);

    // The chunk at c in file order; none past the plan's end.
    std::optional<PlannedChunk> At(size_t c);

    // Where the reference's own last chunks and the continuation part ways (the reference's last
    // samples come in another order than a longer recording's), the walk looks at which track's
    // sample the data holds and picks. SIZE_MAX: no choice is left.
    size_t ForkAt() const { return m_fork; }
    size_t ContinuationTrack() const { return m_continuationTrack; }
    size_t ReferenceTrack() const { return m_tail.front().track; }
    void Choose(bool continuation);

    // Whether the chunk's length is a guess (a continuation past the reference's end): the walk
    // may find that the chunk starts late or ends early.
    bool Loose(size_t c) const { return c >= m_looseFrom; }

private:
    // A track's next sample and when it is due, in the reference's time line.
    struct TrackClock {
        uint64_t count = 0;       // samples in the reference
        uint32_t packet = 1;      // samples the camera writes at once
        uint32_t steady = 0;      // duration past the reference's end
        double startSeconds = 0;  // of media time 0, from the edits
        uint64_t next = 0;        // the next sample's number
        int64_t decodeTime = 0;   // its decoding time, in media ticks
        size_t run = 0;           // where it lies in the reference's time table
        uint64_t inRun = 0;
    };
    enum class Mode { None, Time, Cycle };

    void StartTime(bool bounded);
    std::optional<PlannedChunk> NextByTime();
    std::optional<PlannedChunk> NextContinuation();
    double DueSeconds(size_t track) const;
    size_t DueTrack() const;
    void Advance(size_t track, uint64_t samples);
    bool TimeRuleHolds();
    bool FindCycle();
    void SplitAtFork();

    const MovieIndex& m_index;
    std::vector<PlannedChunk> m_reference;  // the reference's chunks in file order
    std::vector<PlannedChunk> m_chunks;     // the plan so far
    std::vector<PlannedChunk> m_tail;       // the reference's own from the fork on
    Mode m_mode = Mode::None;
    std::vector<TrackClock> m_clocks;
    bool m_bounded = false;
    size_t m_cycleStart = 0;  // the cycle: m_reference[m_cycleStart, m_cycleEnd)
    size_t m_cycleEnd = 0;
    size_t m_generated = 0;                 // continuation chunks produced in cycle mode
    std::optional<PlannedChunk> m_pending;  // the continuation's next chunk, or what is left of it
    size_t m_fork = SIZE_MAX;
    size_t m_looseFrom = SIZE_MAX;
    size_t m_continuationTrack = 0;
};

}  // namespace platform::media
