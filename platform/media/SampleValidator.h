#pragma once
// Tells whether the bytes at a position of a damaged recording's media data are a whole,
// believable sample of one track, and how long it is. One validator per track; one thread.

#include "platform/media/AvHandles.h"
#include "platform/media/Mp4Boxes.h"

#include <memory>

namespace platform::media {

enum class SampleVerdict { Valid, Truncated, Invalid };

struct SampleCheck {
    SampleVerdict verdict = SampleVerdict::Invalid;
    uint32_t size = 0;
    bool key = false;
    int64_t order = 0;  // a picture's place in display order, when the track reorders
};

class SampleValidator {
public:
    virtual ~SampleValidator() = default;
    // data runs from the candidate sample's first byte to the end of the bytes present; next
    // (may be null) is the validator of the track whose sample follows this one. Checking
    // changes nothing, so the same sample may be checked again over more bytes.
    virtual SampleCheck Check(ByteSpan data, const SampleValidator* next) = 0;
    // The walk kept the sample last found valid.
    virtual void Accept() {}
    // A quick look whether a sample of this track may start here (false: cannot tell).
    virtual bool LooksLikeStart(ByteSpan /*data*/) const { return false; }
    // Whether a valid verdict proves little (raw sound): such samples are dropped when the
    // walk stops at bytes that do not validate right after them.
    virtual bool IsWeak() const { return false; }
};

// The validator for a track of the reference, or null when its codec cannot be validated.
std::unique_ptr<SampleValidator> MakeSampleValidator(const TrackTable& table,
                                                     const AVCodecParameters* codec);

}  // namespace platform::media
