#pragma once
// The display order of H.264 and HEVC pictures that a track stores in decoding order: each
// picture's order count, read from its first slice header with the parameter sets it names and
// derived as a decoder derives it. Parameter sets come from the track's configuration record
// and from the samples. One object per track; one thread.

#include "platform/media/Mp4Boxes.h"

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace platform::media {

class PictureOrder {
public:
    // record: the track's avcC or hvcC body (the decoder configuration).
    PictureOrder(bool hevc, ByteSpan record);

    // A sample is read unit by unit between Begin and Commit; Begin forgets what a sample read
    // before it and never committed changed.
    void Begin();
    // A NAL unit, header included; ignored unless it is a sequence or picture parameter set.
    void AddParameterSet(ByteSpan nal);
    // The display key of the picture whose first slice (header included) this is: increasing in
    // display order across the track. Null when the header cannot be read.
    std::optional<int64_t> ReadPicture(ByteSpan slice);
    void EndOfSequence() { m_next.endOfSequence = true; }
    void Commit();

    struct AvcSps {
        int log2MaxFrameNum = 4;
        int pocType = 0;
        int log2MaxPocLsb = 4;
        bool deltaAlwaysZero = false;
        bool frameMbsOnly = true;
        bool separateColourPlane = false;
        int32_t offsetForNonRef = 0;
        int32_t offsetTopToBottom = 0;
        std::vector<int32_t> offsetForRefFrame;
    };
    struct AvcPps {
        uint32_t sps = 0;
        bool bottomFieldOrder = false;
    };
    struct HevcSps {
        int log2MaxPocLsb = 4;
        bool separateColourPlane = false;
    };
    struct HevcPps {
        uint32_t sps = 0;
        bool outputFlag = false;
        int extraSliceHeaderBits = 0;
    };

private:
    struct Tables {
        std::array<std::optional<AvcSps>, 32> avcSps;
        std::array<std::optional<AvcPps>, 256> avcPps;
        std::array<std::optional<HevcSps>, 16> hevcSps;
        std::array<std::optional<HevcPps>, 64> hevcPps;
    };
    // What the next picture's order depends on: the pictures before it.
    struct State {
        int64_t period = 0;  // order counts restart at each
        int64_t prevMsb = 0;
        int64_t prevLsb = 0;
        int64_t prevFrameNumOffset = 0;
        uint32_t prevFrameNum = 0;
        int64_t prevAnchorPoc = 0;  // HEVC: of the last picture of temporal layer 0 others refer to
        bool started = false;
        bool endOfSequence = false;
    };

    struct AvcSlice;

    const Tables& Current() const { return m_changed ? *m_changed : m_tables; }
    std::optional<int64_t> ReadAvcPicture(ByteSpan slice);
    std::optional<int64_t> AvcOrder(const AvcSps& sps, const AvcSlice& head);
    std::optional<int64_t> ReadHevcPicture(ByteSpan slice);

    bool m_hevc;
    Tables m_tables;
    std::optional<Tables> m_changed;  // copied on the first parameter set of an uncommitted sample
    State m_state;
    State m_next;
};

}  // namespace platform::media
