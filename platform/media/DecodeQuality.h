#pragma once
// How much decoding work a video decoder skips to keep up with the clock, in stages: full
// quality; the loop filter skipped on all but key frames; non-reference frames skipped as well.
// Key frames are always decoded whole. At rates above 1x the loop filter is skipped from the
// start; a decoder that falls behind steps up one stage at a time, and one that has kept well
// ahead for a while steps back down. Pictures before a seek's target, which are never shown,
// skip non-reference frames at every stage. The decode thread only.

#include "platform/media/MediaTime.h"

#include <cstdint>
#include <vector>

namespace platform::media {

class DecodeQuality {
public:
    enum class Stage { Full, NoLoopFilter, NoNonReference };

    // Before each packet: how far the packet's time lies ahead of the clock (negative when it
    // is due already), the frame interval, and the rate. Only packets decoded while the clock
    // ticks move the stage.
    Stage Update(REFERENCE_TIME lead, REFERENCE_TIME frameInterval, double rate);
    // The clock stands (paused, cueing): the lowest stage the rate allows.
    Stage Standing(double rate);
    Stage Current() const { return m_stage; }

    // What each video decoder gets from the pixels a second its stream asks for (0: not a
    // decoder): its share of the cores in threads, at least one (two cameras already fill two
    // cores, so more would only queue), and whether it lets the largest stream's decoder reach
    // a seek's target first (the main area's camera, whose picture the user waits for).
    struct Share {
        int threads = 0;
        bool background = false;
    };
    static std::vector<Share> ShareCores(const std::vector<double>& pixelRates, int cores);

private:
    Stage m_stage = Stage::Full;
    int m_packetsSinceChange = 0;
    int m_packetsAhead = 0;  // in a row, with the lead well above the low mark
};

}  // namespace platform::media
