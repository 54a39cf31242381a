#include "platform/media/PictureOrder.h"

#include "platform/media/BitReader.h"

#include <algorithm>
#include <limits>

namespace platform::media {

namespace {

constexpr size_t kSliceHeadBytes = 96;  // well past the order count in any slice header
constexpr int kMaxLog2 = 16;
constexpr uint32_t kMaxRefFrameOffsets = 255;
constexpr int kMaxSubLayers = 7;
constexpr int kProfileBits = 88;                    // a profile's fields before its level
constexpr int64_t kMaxExpected = int64_t{1} << 60;  // leaves room for the offsets added to it

bool HasChromaFields(uint32_t profile) {
    static const uint32_t kHigh[] = {100, 110, 122, 244, 44, 83, 86, 118, 128, 138, 139, 134, 135};
    return std::find(std::begin(kHigh), std::end(kHigh), profile) != std::end(kHigh);
}

void SkipScalingList(BitReader& bits, int size) {
    int64_t last = 8;
    int64_t next = 8;
    for (int j = 0; j < size && !bits.Overrun(); ++j) {
        if (next != 0) {
            next = ((last + bits.Se()) % 256 + 256) % 256;
        }
        last = next == 0 ? last : next;
    }
}

bool ReadAvcSps(BitReader& bits, PictureOrder::AvcSps* sps, uint32_t* id) {
    const uint32_t profile = bits.Bits(8);
    bits.Skip(16);
    *id = bits.Ue();
    if (HasChromaFields(profile)) {
        const uint32_t chroma = bits.Ue();
        if (chroma > 3) {
            return false;
        }
        sps->separateColourPlane = chroma == 3 && bits.Flag();
        bits.Ue();
        bits.Ue();
        bits.Skip(1);
        if (bits.Flag()) {
            for (int i = 0; i < (chroma != 3 ? 8 : 12) && !bits.Overrun(); ++i) {
                if (bits.Flag()) {
                    SkipScalingList(bits, i < 6 ? 16 : 64);
                }
            }
        }
    }
    sps->log2MaxFrameNum = static_cast<int>(std::min<uint32_t>(bits.Ue(), kMaxLog2)) + 4;
    const uint32_t pocType = bits.Ue();
    sps->pocType = static_cast<int>(std::min<uint32_t>(pocType, 3));
    if (pocType == 0) {
        sps->log2MaxPocLsb = static_cast<int>(std::min<uint32_t>(bits.Ue(), kMaxLog2)) + 4;
    } else if (pocType == 1) {
        sps->deltaAlwaysZero = bits.Flag();
        sps->offsetForNonRef = bits.Se();
        sps->offsetTopToBottom = bits.Se();
        const uint32_t count = bits.Ue();
        if (count > kMaxRefFrameOffsets) {
            return false;
        }
        for (uint32_t i = 0; i < count && !bits.Overrun(); ++i) {
            sps->offsetForRefFrame.push_back(bits.Se());
        }
    }
    bits.Ue();
    bits.Skip(1);
    bits.Ue();
    bits.Ue();
    sps->frameMbsOnly = bits.Flag();
    return !bits.Overrun() && *id < 32 && pocType <= 2 && sps->log2MaxFrameNum <= kMaxLog2 &&
           sps->log2MaxPocLsb <= kMaxLog2;
}

bool ReadHevcSps(BitReader& bits, PictureOrder::HevcSps* sps, uint32_t* id) {
    bits.Skip(4);
    const int subLayers = static_cast<int>(bits.Bits(3));
    bits.Skip(1 + kProfileBits + 8);
    if (subLayers >= kMaxSubLayers) {
        return false;
    }
    bool profile[kMaxSubLayers] = {};
    bool level[kMaxSubLayers] = {};
    for (int i = 0; i < subLayers; ++i) {
        profile[i] = bits.Flag();
        level[i] = bits.Flag();
    }
    if (subLayers > 0) {
        bits.Skip(2 * static_cast<size_t>(8 - subLayers));
    }
    for (int i = 0; i < subLayers; ++i) {
        bits.Skip((profile[i] ? kProfileBits : 0) + (level[i] ? 8 : 0));
    }
    *id = bits.Ue();
    const uint32_t chroma = bits.Ue();
    sps->separateColourPlane = chroma == 3 && bits.Flag();
    bits.Ue();
    bits.Ue();
    if (bits.Flag()) {
        for (int i = 0; i < 4; ++i) {
            bits.Ue();
        }
    }
    bits.Ue();
    bits.Ue();
    sps->log2MaxPocLsb = static_cast<int>(std::min<uint32_t>(bits.Ue(), kMaxLog2)) + 4;
    return !bits.Overrun() && *id < 16 && chroma <= 3 && sps->log2MaxPocLsb <= kMaxLog2;
}

// The order count's most significant part, from the least significant one and the previous
// picture's, as both codecs derive it.
int64_t OrderMsb(int64_t lsb, int64_t prevLsb, int64_t prevMsb, int64_t maxLsb) {
    if (lsb < prevLsb && prevLsb - lsb >= maxLsb / 2) {
        return prevMsb + maxLsb;
    }
    if (lsb > prevLsb && lsb - prevLsb > maxLsb / 2) {
        return prevMsb - maxLsb;
    }
    return prevMsb;
}

// Type 1 order counts: the expected count of the frame from the cycle of reference offsets.
std::optional<int64_t> ExpectedOrder(const PictureOrder::AvcSps& sps, int64_t absFrameNum,
                                     bool reference) {
    int64_t expected = 0;
    const auto cycle = static_cast<int64_t>(sps.offsetForRefFrame.size());
    if (absFrameNum > 0 && cycle > 0) {
        int64_t perCycle = 0;
        for (const int32_t offset : sps.offsetForRefFrame) {
            perCycle += offset;
        }
        const int64_t cycles = (absFrameNum - 1) / cycle;
        const int64_t inCycle = (absFrameNum - 1) % cycle;
        if (__builtin_mul_overflow(cycles, perCycle, &expected) || expected > kMaxExpected ||
            expected < -kMaxExpected) {
            return std::nullopt;
        }
        for (int64_t i = 0; i <= inCycle; ++i) {
            expected += sps.offsetForRefFrame[static_cast<size_t>(i)];
        }
    }
    return reference ? expected : expected + sps.offsetForNonRef;
}

std::optional<int64_t> Key(int64_t period, int64_t poc) {
    constexpr int64_t kLow = std::numeric_limits<int32_t>::min();
    constexpr int64_t kHigh = std::numeric_limits<int32_t>::max();
    if (poc < kLow || poc > kHigh || period > kHigh) {
        return std::nullopt;
    }
    return period * (int64_t{1} << 32) + (poc - kLow);
}

}  // namespace

PictureOrder::PictureOrder(bool hevc, ByteSpan record) : m_hevc(hevc) {
    // avcC: sequence sets after byte 5, picture sets after them; hvcC: arrays after byte 22.
    const auto nalUnits = [&](size_t at, size_t count) {
        for (size_t i = 0; i < count && at + 2 <= record.size(); ++i) {
            const size_t size = (size_t{record[at]} << 8) | record[at + 1];
            if (at + 2 + size > record.size()) {
                return record.size();
            }
            AddParameterSet(record.subspan(at + 2, size));
            at += 2 + size;
        }
        return at;
    };
    if (!hevc && record.size() > 6) {
        const size_t at = nalUnits(6, record[5] & 31U);
        if (at < record.size()) {
            nalUnits(at + 1, record[at]);
        }
    } else if (hevc && record.size() > 23) {
        size_t at = 23;
        for (size_t array = 0; array < record[22] && at + 3 <= record.size(); ++array) {
            at = nalUnits(at + 3, (size_t{record[at + 1]} << 8) | record[at + 2]);
        }
    }
    Commit();
}

void PictureOrder::Begin() {
    m_changed.reset();
    m_next = m_state;
}

void PictureOrder::Commit() {
    if (m_changed) {
        m_tables = std::move(*m_changed);
        m_changed.reset();
    }
    m_state = m_next;
}

void PictureOrder::AddParameterSet(ByteSpan nal) {
    if (nal.size() < (m_hevc ? 3U : 2U)) {
        return;
    }
    const int type = m_hevc ? (nal[0] >> 1) & 63 : nal[0] & 31;
    const bool sps = type == (m_hevc ? 33 : 7);
    if (!sps && type != (m_hevc ? 34 : 8)) {
        return;
    }
    BitReader bits(nal.subspan(m_hevc ? 2 : 1));
    uint32_t id = 0;
    AvcSps avcSps;
    HevcSps hevcSps;
    if (sps && !(m_hevc ? ReadHevcSps(bits, &hevcSps, &id) : ReadAvcSps(bits, &avcSps, &id))) {
        return;
    }
    AvcPps avcPps;
    HevcPps hevcPps;
    if (!sps) {
        id = bits.Ue();
        const uint32_t spsId = bits.Ue();
        avcPps.sps = hevcPps.sps = spsId;
        if (m_hevc) {
            bits.Skip(1);  // dependent slices: absent from a picture's first slice
            hevcPps.outputFlag = bits.Flag();
            hevcPps.extraSliceHeaderBits = static_cast<int>(bits.Bits(3));
        } else {
            bits.Skip(1);
            avcPps.bottomFieldOrder = bits.Flag();
        }
        if (bits.Overrun() || spsId >= (m_hevc ? 16U : 32U) || id >= (m_hevc ? 64U : 256U)) {
            return;
        }
    }
    if (!m_changed) {
        m_changed = m_tables;
    }
    Tables& tables = *m_changed;
    if (m_hevc && sps) {
        tables.hevcSps[id] = hevcSps;
    } else if (m_hevc) {
        tables.hevcPps[id] = hevcPps;
    } else if (sps) {
        tables.avcSps[id] = std::move(avcSps);
    } else {
        tables.avcPps[id] = avcPps;
    }
}

std::optional<int64_t> PictureOrder::ReadPicture(ByteSpan slice) {
    return m_hevc ? ReadHevcPicture(slice) : ReadAvcPicture(slice);
}

// What an H.264 slice header says of its picture's order.
struct PictureOrder::AvcSlice {
    bool reference = false;
    bool idr = false;
    bool field = false;
    bool bottom = false;
    uint32_t frameNum = 0;
    int64_t lsb = 0;
    int64_t delta[2] = {0, 0};  // of the order count, and of the bottom field's
};

std::optional<int64_t> PictureOrder::ReadAvcPicture(ByteSpan slice) {
    if (slice.size() < 2) {
        return std::nullopt;
    }
    AvcSlice head;
    head.reference = (slice[0] & 0x60) != 0;
    head.idr = (slice[0] & 31) == 5;
    BitReader bits(slice.subspan(1), kSliceHeadBytes);
    bits.Ue();
    bits.Ue();
    const uint32_t ppsId = bits.Ue();
    const Tables& tables = Current();
    if (bits.Overrun() || ppsId >= tables.avcPps.size() || !tables.avcPps[ppsId] ||
        !tables.avcSps[tables.avcPps[ppsId]->sps]) {
        return std::nullopt;
    }
    const AvcPps& pps = *tables.avcPps[ppsId];
    const AvcSps& sps = *tables.avcSps[pps.sps];
    bits.Skip(sps.separateColourPlane ? 2 : 0);
    head.frameNum = bits.Bits(sps.log2MaxFrameNum);
    head.field = !sps.frameMbsOnly && bits.Flag();
    head.bottom = head.field && bits.Flag();
    if (head.idr) {
        bits.Ue();
    }
    const bool bottomDelta = pps.bottomFieldOrder && !head.field;
    if (sps.pocType == 0) {
        head.lsb = bits.Bits(sps.log2MaxPocLsb);
        head.delta[1] = bottomDelta ? bits.Se() : 0;
    } else if (sps.pocType == 1 && !sps.deltaAlwaysZero) {
        head.delta[0] = bits.Se();
        head.delta[1] = bottomDelta ? bits.Se() : 0;
    }
    if (bits.Overrun()) {
        return std::nullopt;
    }
    return AvcOrder(sps, head);
}

std::optional<int64_t> PictureOrder::AvcOrder(const AvcSps& sps, const AvcSlice& head) {
    State& s = m_next;
    if (head.idr) {
        s.period += 1;
        s.prevMsb = s.prevLsb = s.prevFrameNumOffset = 0;
        s.prevFrameNum = 0;
    }
    int64_t top = 0;
    int64_t second = 0;  // the bottom field's, or the field's own for a field
    if (sps.pocType == 0) {
        const int64_t msb =
            OrderMsb(head.lsb, s.prevLsb, s.prevMsb, int64_t{1} << sps.log2MaxPocLsb);
        top = msb + head.lsb;
        second = head.field ? top : top + head.delta[1];
        if (head.reference) {
            s.prevMsb = msb;
            s.prevLsb = head.lsb;
        }
    } else {
        const int64_t frameNumOffset =
            head.idr ? 0
                     : s.prevFrameNumOffset +
                           (s.prevFrameNum > head.frameNum ? int64_t{1} << sps.log2MaxFrameNum : 0);
        const int64_t absolute = frameNumOffset + head.frameNum;
        if (sps.pocType == 1) {
            const int64_t frames = sps.offsetForRefFrame.empty() ? 0 : absolute;
            const std::optional<int64_t> expected = ExpectedOrder(
                sps, !head.reference && frames > 0 ? frames - 1 : frames, head.reference);
            if (!expected) {
                return std::nullopt;
            }
            top = *expected + head.delta[0];
            second = head.field ? top + (head.bottom ? sps.offsetTopToBottom : 0)
                                : top + sps.offsetTopToBottom + head.delta[1];
        } else {
            top = second = head.idr ? 0 : 2 * absolute - (head.reference ? 0 : 1);
        }
        s.prevFrameNumOffset = frameNumOffset;
    }
    s.prevFrameNum = head.frameNum;
    s.started = true;
    return Key(s.period, head.field ? (head.bottom ? second : top) : std::min(top, second));
}

std::optional<int64_t> PictureOrder::ReadHevcPicture(ByteSpan slice) {
    if (slice.size() < 3) {
        return std::nullopt;
    }
    const int type = (slice[0] >> 1) & 63;
    const int temporalId = (slice[1] & 7) - 1;
    BitReader bits(slice.subspan(2), kSliceHeadBytes);
    if (!bits.Flag()) {
        return std::nullopt;  // not the picture's first slice
    }
    const bool irap = type >= 16 && type <= 23;
    bits.Skip(irap ? 1 : 0);
    const uint32_t ppsId = bits.Ue();
    const Tables& tables = Current();
    if (bits.Overrun() || ppsId >= tables.hevcPps.size() || !tables.hevcPps[ppsId] ||
        !tables.hevcSps[tables.hevcPps[ppsId]->sps]) {
        return std::nullopt;
    }
    const HevcPps& pps = *tables.hevcPps[ppsId];
    const HevcSps& sps = *tables.hevcSps[pps.sps];
    bits.Skip(static_cast<size_t>(pps.extraSliceHeaderBits));
    bits.Ue();
    bits.Skip((pps.outputFlag ? 1 : 0) + (sps.separateColourPlane ? 2 : 0));
    const bool idr = type == 19 || type == 20;
    const int64_t lsb = idr ? 0 : bits.Bits(sps.log2MaxPocLsb);
    if (bits.Overrun()) {
        return std::nullopt;
    }
    State& s = m_next;
    // An instantaneous refresh, a broken link, or a clean random access that starts the stream
    // (or follows its end) starts the order counts anew.
    int64_t msb = 0;
    if (irap && (type <= 20 || !s.started || s.endOfSequence)) {
        s.period += 1;
    } else {
        const int64_t maxLsb = int64_t{1} << sps.log2MaxPocLsb;
        const int64_t prevLsb = s.prevAnchorPoc & (maxLsb - 1);
        msb = OrderMsb(lsb, prevLsb, s.prevAnchorPoc - prevLsb, maxLsb);
    }
    const int64_t poc = msb + lsb;
    const bool leading = type >= 6 && type <= 9;
    const bool subLayerNonReference = type <= 14 && type % 2 == 0;
    if (temporalId == 0 && !leading && !subLayerNonReference) {
        s.prevAnchorPoc = poc;
    }
    s.started = true;
    s.endOfSequence = false;
    return Key(s.period, poc);
}

}  // namespace platform::media
