#pragma once
// The bits of an H.264 or HEVC NAL unit's payload as its syntax reads them: fixed-width fields
// and exp-Golomb numbers, over at most the first maxBytes with the emulation-prevention bytes
// taken out. A read past the end gives zeros and sets Overrun(). Plain value; any thread.

#include "platform/media/Mp4Boxes.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace platform::media {

class BitReader {
public:
    explicit BitReader(ByteSpan payload, size_t maxBytes = 1024) {
        m_bytes.reserve(std::min(payload.size(), maxBytes));
        int zeros = 0;
        for (size_t i = 0; i < payload.size() && m_bytes.size() < maxBytes; ++i) {
            if (zeros >= 2 && payload[i] == 3) {
                zeros = 0;
                continue;
            }
            zeros = payload[i] == 0 ? zeros + 1 : 0;
            m_bytes.push_back(payload[i]);
        }
    }

    // count: 0 to 32.
    uint32_t Bits(int count) {
        uint32_t value = 0;
        for (int i = 0; i < count; ++i) {
            if (m_bit >= m_bytes.size() * 8) {
                m_overrun = true;
                return 0;
            }
            value = (value << 1) | ((m_bytes[m_bit / 8] >> (7 - m_bit % 8)) & 1U);
            ++m_bit;
        }
        return value;
    }
    bool Flag() { return Bits(1) != 0; }
    void Skip(size_t count) {
        m_bit += count;
        m_overrun = m_overrun || m_bit > m_bytes.size() * 8;
    }
    // Unsigned exp-Golomb of up to 32 bits; longer codes count as an overrun.
    uint32_t Ue() {
        int zeros = 0;
        while (!m_overrun && Bits(1) == 0) {
            if (++zeros > 31) {
                m_overrun = true;
            }
        }
        if (m_overrun) {
            return 0;
        }
        return static_cast<uint32_t>((uint64_t{1} << zeros) - 1 + Bits(zeros));
    }
    int32_t Se() {
        const uint32_t code = Ue();
        const auto magnitude = static_cast<int64_t>((uint64_t{code} + 1) / 2);
        return static_cast<int32_t>((code & 1U) != 0 ? magnitude : -magnitude);
    }
    bool Overrun() const { return m_overrun; }

private:
    std::vector<uint8_t> m_bytes;
    size_t m_bit = 0;
    bool m_overrun = false;
};

}  // namespace platform::media
