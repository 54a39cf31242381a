#pragma once
// What travels between the engine's filters: stream formats and samples (compressed packets,
// decoded frames, end-of-stream marks), FFmpeg objects held by RAII. Internal.

#include "platform/media/AvHandles.h"
#include "platform/media/Com.h"

#include <memory>

namespace platform::media {

// Media time as an FFmpeg time base.
inline constexpr AVRational kReferenceTimeBase{1, static_cast<int>(kUnitsPerSecond)};

// The engine's description of a stream, shared read-only by the pins that carry it.
struct StreamFormat {
    CodecParametersPtr codec;        // of the compressed stream (also kept after decoding)
    AVRational timeBase{1, 1000};    // of the timestamps in packets and frames
    AVRational frameRate{0, 1};      // video: average frame rate, when known
    REFERENCE_TIME startOffset = 0;  // subtracted so that the recording starts at 0
    bool decoded = false;            // frames (true) or packets (false)
};

struct MediaSample {
    enum class Kind { Packet, Frame, EndOfStream };
    Kind kind = Kind::Packet;
    int serial = 0;               // the flush generation it belongs to
    REFERENCE_TIME start = 0;     // presentation time from the start of the recording
    REFERENCE_TIME duration = 0;  // 0 when unknown
    PacketPtr packet;
    FramePtr frame;
};
using SamplePtr = std::unique_ptr<MediaSample>;

inline SamplePtr MakeEndOfStream(int serial) {
    auto sample = std::make_unique<MediaSample>();
    sample->kind = MediaSample::Kind::EndOfStream;
    sample->serial = serial;
    return sample;
}

// Converts a timestamp of the stream's time base to media time (AV_NOPTS_VALUE gives -1).
inline REFERENCE_TIME ToReferenceTime(int64_t ts, AVRational timeBase, REFERENCE_TIME offset) {
    if (ts == AV_NOPTS_VALUE) {
        return -1;
    }
    return av_rescale_q(ts, timeBase, kReferenceTimeBase) - offset;
}

}  // namespace platform::media
