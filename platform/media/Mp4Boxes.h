#pragma once
// Reading and writing the ISO base media boxes that index a recording: the top-level layout of
// a file, a healthy recording's sample tables, and a new index over recovered samples.
// Plain values and functions; any thread.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace platform::media {

using ByteSpan = std::span<const uint8_t>;

constexpr uint32_t FourCc(const char (&text)[5]) {
    return (static_cast<uint32_t>(static_cast<uint8_t>(text[0])) << 24) |
           (static_cast<uint32_t>(static_cast<uint8_t>(text[1])) << 16) |
           (static_cast<uint32_t>(static_cast<uint8_t>(text[2])) << 8) |
           static_cast<uint32_t>(static_cast<uint8_t>(text[3]));
}

uint32_t ReadBe32(const uint8_t* data);
uint64_t ReadBe64(const uint8_t* data);

struct Box {
    uint32_t type = 0;
    uint64_t offset = 0;  // of the header, within the span it was found in
    uint64_t size = 0;    // header included
    ByteSpan body;
};

// The boxes laid one after another in data; stops at the first that does not fit.
std::vector<Box> ChildBoxes(ByteSpan data);
std::optional<Box> FindChild(ByteSpan data, uint32_t type);

// Where a file's media data lies. A power loss leaves the data box with size 0 (the writer
// fills it in last), a size past the end, or the file cut before its end.
struct FileLayout {
    uint64_t mdatHeader = 0;  // offset of the data box's header
    uint64_t mdatStart = 0;   // first payload byte
    uint64_t mdatEnd = 0;     // one past the last payload byte present in the file
    int mdatHeaderSize = 0;   // 8, or 16 with a 64-bit size; 0: no data box
    std::optional<Box> moov;  // the index, when whole
};
FileLayout ReadFileLayout(ByteSpan file);

// One sample-to-chunk run of a track, as the index lists it.
struct ChunkRun {
    uint64_t offset = 0;
    uint32_t samples = 0;
};

using DurationRun = std::pair<uint32_t, uint32_t>;  // (count, delta)

// A track of a healthy recording: what its index says, enough to rebuild one like it.
struct TrackTable {
    uint32_t handler = 0;         // 'vide', 'soun', 'text', 'sbtl', ...
    uint32_t codec = 0;           // first sample entry's four characters ('avc1', 'mp4a', ...)
    uint32_t timescale = 0;       // of the media
    uint32_t constantSize = 0;    // the size of every sample, when the index gives one
    std::vector<uint32_t> sizes;  // per sample, when the sizes vary
    std::vector<DurationRun> durations;
    std::vector<ChunkRun> chunks;
    bool hasSyncTable = false;
    bool reorders = false;      // pictures stored in decoding order, with composition offsets
    int nalLengthSize = 0;      // 1, 2 or 4 for length-prefixed video; 0 otherwise
    uint64_t editDelay = 0;     // empty edits before the media, in the movie's timescale
    int64_t editMediaTime = 0;  // where the first edit of media starts, in the media's
    uint64_t SampleCount() const;
    // The duration of most samples: the one to continue with past the reference's end.
    uint32_t SteadyDelta() const;
};

// The time table of a track's first count samples: the reference's own, continued past its
// end with the steady duration (the reference's last sample may be cut short).
std::vector<DurationRun> DurationRuns(const TrackTable& table, uint64_t count, uint64_t* duration);

struct MovieIndex {
    uint32_t timescale = 0;
    std::vector<TrackTable> tracks;  // in the order of the index (= the demuxer's streams)
};

// Parses a whole index box; nullopt when it lacks what a rebuild needs.
std::optional<MovieIndex> ParseMovieIndex(const Box& moov, std::string* why);

// One recovered sample of a track.
struct RecoveredSample {
    uint64_t offset = 0;
    uint32_t size = 0;
    uint32_t units = 1;  // samples of the index it stands for (raw sound counts frames)
    bool key = false;
    int64_t order = 0;  // a picture's place in display order, when the track reorders
};

struct RecoveredChunk {
    uint64_t offset = 0;
    uint32_t units = 0;
};

struct RecoveredTrack {
    std::vector<RecoveredSample> samples;
    std::vector<RecoveredChunk> chunks;
    uint64_t units = 0;
    uint64_t duration = 0;  // in the media's timescale
};

// A copy of the reference's index whose sample tables, durations and edits describe the
// recovered samples instead (composition offsets from the pictures' order, where the track
// reorders); sample descriptions and everything else are kept as they are.
std::vector<uint8_t> BuildMovieIndex(const Box& referenceMoov, const MovieIndex& reference,
                                     const std::vector<RecoveredTrack>& tracks);

}  // namespace platform::media
