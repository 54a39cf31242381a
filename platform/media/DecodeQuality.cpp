#include "platform/media/DecodeQuality.h"

#include <algorithm>
#include <cmath>

namespace platform::media {

namespace {
// The renderer holds six frames: a decoder that keeps up is blocked about that far ahead.
constexpr REFERENCE_TIME kBehindFrames = 3;  // below: step up
constexpr REFERENCE_TIME kAheadFrames = 5;   // at or above, long enough: step down
// A stage gets this many packets to show its effect before the next step up.
constexpr int kSettlePackets = 8;
// Two seconds at 30 fps kept ahead before quality comes back one stage.
constexpr int kRecoverPackets = 60;

DecodeQuality::Stage Floor(double rate) {
    return rate > 1.0 ? DecodeQuality::Stage::NoLoopFilter : DecodeQuality::Stage::Full;
}

DecodeQuality::Stage Step(DecodeQuality::Stage stage, int by) {
    const int next = std::clamp(static_cast<int>(stage) + by, 0,
                                static_cast<int>(DecodeQuality::Stage::NoNonReference));
    return static_cast<DecodeQuality::Stage>(next);
}
}  // namespace

std::vector<DecodeQuality::Share> DecodeQuality::ShareCores(const std::vector<double>& pixelRates,
                                                            int cores) {
    double total = 0;
    double largest = 0;
    for (const double rate : pixelRates) {
        total += std::max(0.0, rate);
        largest = std::max(largest, rate);
    }
    std::vector<Share> shares;
    shares.reserve(pixelRates.size());
    for (const double rate : pixelRates) {
        Share share;
        if (rate > 0) {
            share.threads = std::clamp(static_cast<int>(std::lround(cores * rate / total)), 1,
                                       std::max(1, cores));
            share.background = rate < largest;
        }
        shares.push_back(share);
    }
    return shares;
}

DecodeQuality::Stage DecodeQuality::Standing(double rate) {
    m_stage = Floor(rate);
    m_packetsSinceChange = 0;
    m_packetsAhead = 0;
    return m_stage;
}

DecodeQuality::Stage DecodeQuality::Update(REFERENCE_TIME lead, REFERENCE_TIME frameInterval,
                                           double rate) {
    const Stage floor = Floor(rate);
    ++m_packetsSinceChange;
    Stage next = std::max(m_stage, floor);
    if (frameInterval > 0 && lead < kBehindFrames * frameInterval) {
        m_packetsAhead = 0;
        if (m_packetsSinceChange >= kSettlePackets) {
            next = Step(next, 1);
        }
    } else if (frameInterval > 0 && lead >= kAheadFrames * frameInterval) {
        if (++m_packetsAhead >= kRecoverPackets) {
            m_packetsAhead = 0;
            next = std::max(Step(next, -1), floor);
        }
    } else {
        m_packetsAhead = 0;
    }
    if (next != m_stage) {
        m_stage = next;
        m_packetsSinceChange = 0;
    }
    return m_stage;
}

}  // namespace platform::media
