#include "platform/media/SampleValidator.h"

#include "platform/media/BitReader.h"
#include "platform/media/PictureOrder.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace platform::media {

namespace {

constexpr uint32_t kMaxNalSize = 16U << 20;
constexpr uint32_t kMaxTextSize = 4096;
constexpr int kMaxAacFrameBytesPerChannel = 768;  // 6144 bits, the format's own limit
constexpr int kMaxPpsId = 255;
constexpr int kMaxSliceType = 9;
constexpr size_t kNalHeadBytes = 16;  // enough for a slice's first three numbers
// Trial decodes fail by design; their complaints go below every log level.
constexpr int kQuietTrials = AV_LOG_TRACE;

struct NalUnit {
    SampleVerdict verdict = SampleVerdict::Invalid;
    uint32_t total = 0;  // prefix included
    bool vcl = false;
    bool firstOfPicture = false;  // a slice that starts a picture
    bool startsUnit = false;      // a non-picture unit that may only open an access unit
    bool endsUnit = false;        // may follow the picture inside its access unit
    bool key = false;
    int type = -1;
};

// Length-prefixed H.264 or HEVC access units whose NAL headers are legal and consistent. Where
// the track reorders pictures, each picture's display order is read from its slice header.
class NalValidator final : public SampleValidator {
public:
    NalValidator(const AVCodecParameters* codec, int lengthSize, bool reorders,
                 uint64_t largestSample)
        : m_lengthSize(lengthSize),
          m_hevc(codec->codec_id == AV_CODEC_ID_HEVC),
          m_largestSample(largestSample) {
        if (reorders) {
            m_order.emplace(
                m_hevc, ByteSpan(codec->extradata, codec->extradata != nullptr
                                                       ? static_cast<size_t>(codec->extradata_size)
                                                       : 0));
        }
        const AVCodec* decoder = avcodec_find_decoder(codec->codec_id);
        m_decoder.reset(avcodec_alloc_context3(decoder));
        if (m_decoder && avcodec_parameters_to_context(m_decoder.get(), codec) >= 0) {
            m_decoder->log_level_offset = kQuietTrials;
            m_decoder->thread_count = 1;
            m_decoder->err_recognition = AV_EF_EXPLODE | AV_EF_BITSTREAM | AV_EF_BUFFER;
            if (avcodec_open2(m_decoder.get(), decoder, nullptr) < 0) {
                m_decoder.reset();
            }
        }
    }

    bool Ready() const { return m_decoder != nullptr; }

    bool LooksLikeStart(ByteSpan data) const override {
        const NalUnit nal = Parse(data);
        return nal.verdict != SampleVerdict::Invalid && !nal.endsUnit &&
               (!nal.vcl || nal.firstOfPicture);
    }

    SampleCheck Check(ByteSpan data, const SampleValidator* /*next*/) override {
        SampleCheck check;
        NalUnit nal = Parse(data);
        if (nal.verdict != SampleVerdict::Valid || (nal.vcl && !nal.firstOfPicture) ||
            nal.endsUnit) {
            check.verdict =
                nal.verdict == SampleVerdict::Valid ? SampleVerdict::Invalid : nal.verdict;
            return check;
        }
        uint32_t size = 0;
        bool picture = false;
        int pictureType = -1;
        if (m_order) {
            m_order->Begin();
        }
        bool ordered = !m_order;
        for (;;) {
            if (m_order) {
                ordered = ReadOrder(data.subspan(size, nal.total), nal, &check) || ordered;
            }
            size += nal.total;
            check.key = check.key || nal.key;
            if (nal.vcl) {
                picture = true;
                pictureType = nal.type;
            }
            nal = Parse(data.subspan(size));
            const bool continues =
                picture
                    ? (nal.vcl && !nal.firstOfPicture && nal.type == pictureType) || nal.endsUnit
                    : nal.startsUnit || (nal.vcl && nal.firstOfPicture);
            // A unit that would end past any sample the camera writes is none of this one's: the
            // next sample's bytes (sound, most often) read as a unit's length.
            const bool believable = size + uint64_t{nal.total} <= m_largestSample;
            if (!continues || nal.verdict == SampleVerdict::Invalid || !believable) {
                break;
            }
            if (nal.verdict == SampleVerdict::Truncated) {
                check.verdict = SampleVerdict::Truncated;
                return check;
            }
        }
        if (!picture) {
            check.verdict = size == data.size() ? SampleVerdict::Truncated : SampleVerdict::Invalid;
            return check;
        }
        // A track starts with a key picture; a picture before one would decode as garbage. The
        // first must decode cleanly with the reference's parameter sets, or the reference is
        // another camera's (its pictures would come out wrong).
        if ((!m_seenKey && (!check.key || !DecodesCleanly(data.first(size)))) || !ordered) {
            check.verdict = SampleVerdict::Invalid;
            return check;
        }
        check.verdict = SampleVerdict::Valid;
        check.size = size;
        return check;
    }

    void Accept() override {
        m_seenKey = true;
        if (m_order) {
            m_order->Commit();
        }
    }

private:
    // Feeds one whole unit (prefix included) to the picture order; true when it was the
    // picture's first slice and its order was read.
    bool ReadOrder(ByteSpan unit, const NalUnit& nal, SampleCheck* check) {
        const ByteSpan body = unit.subspan(static_cast<size_t>(m_lengthSize));
        if (nal.vcl && nal.firstOfPicture) {
            const std::optional<int64_t> order = m_order->ReadPicture(body);
            check->order = order.value_or(0);
            return order.has_value();
        }
        if (nal.type == (m_hevc ? 36 : 10)) {
            m_order->EndOfSequence();
        } else {
            m_order->AddParameterSet(body);
        }
        return false;
    }

    bool DecodesCleanly(ByteSpan sample) {
        PacketPtr packet(av_packet_alloc());
        FramePtr frame(av_frame_alloc());
        if (!packet || !frame || av_new_packet(packet.get(), static_cast<int>(sample.size())) < 0) {
            return false;
        }
        std::memcpy(packet->data, sample.data(), sample.size());
        packet->flags |= AV_PKT_FLAG_KEY;
        avcodec_flush_buffers(m_decoder.get());
        if (avcodec_send_packet(m_decoder.get(), packet.get()) < 0 ||
            avcodec_send_packet(m_decoder.get(), nullptr) < 0) {
            return false;
        }
        const int received = avcodec_receive_frame(m_decoder.get(), frame.get());
        return received >= 0 && (frame->flags & AV_FRAME_FLAG_CORRUPT) == 0 &&
               frame->decode_error_flags == 0 && frame->width == m_decoder->width &&
               frame->height == m_decoder->height;
    }

    NalUnit Parse(ByteSpan data) const {
        NalUnit nal;
        const auto prefix = static_cast<size_t>(m_lengthSize);
        const size_t header = m_hevc ? 2 : 1;
        if (data.size() < prefix + header) {
            nal.verdict = SampleVerdict::Truncated;
            return nal;
        }
        uint32_t length = 0;
        for (size_t i = 0; i < prefix; ++i) {
            length = (length << 8) | data[i];
        }
        if (length < header || length > kMaxNalSize) {
            return nal;
        }
        const ByteSpan unit = data.subspan(prefix, std::min<size_t>(length, data.size() - prefix));
        if (!(m_hevc ? ParseHevcHeader(unit, &nal) : ParseAvcHeader(unit, &nal))) {
            nal.verdict = SampleVerdict::Invalid;
            return nal;
        }
        nal.total = static_cast<uint32_t>(prefix) + length;
        nal.verdict = data.size() < nal.total ? SampleVerdict::Truncated : SampleVerdict::Valid;
        return nal;
    }

    static bool ParseAvcHeader(ByteSpan unit, NalUnit* nal) {
        const uint8_t byte = unit[0];
        const int refIdc = (byte >> 5) & 3;
        nal->type = byte & 31;
        if ((byte & 0x80) != 0) {
            return false;
        }
        switch (nal->type) {
            case 1:
            case 5: {
                if (nal->type == 5 && refIdc == 0) {
                    return false;
                }
                BitReader bits(unit.subspan(1), kNalHeadBytes);
                const uint32_t firstMb = bits.Ue();
                const uint32_t sliceType = bits.Ue();
                const uint32_t ppsId = bits.Ue();
                if (bits.Overrun() || sliceType > kMaxSliceType || ppsId > kMaxPpsId) {
                    return false;
                }
                nal->vcl = true;
                nal->firstOfPicture = firstMb == 0;
                nal->key = nal->type == 5;
                return true;
            }
            case 7:
            case 8:
                nal->startsUnit = true;
                return refIdc != 0;
            case 6:
            case 9:
                nal->startsUnit = true;
                return refIdc == 0;
            case 10:
            case 11:
            case 12:
                nal->endsUnit = true;
                return refIdc == 0;
            default:
                return false;
        }
    }

    static bool ParseHevcHeader(ByteSpan unit, NalUnit* nal) {
        if ((unit[0] & 0x80) != 0 || (((unit[0] & 1) << 5) | (unit[1] >> 3)) != 0 ||
            (unit[1] & 7) == 0) {
            return false;
        }
        nal->type = (unit[0] >> 1) & 63;
        const int t = nal->type;
        if (t <= 9 || (t >= 16 && t <= 21)) {
            if (unit.size() < 3) {
                return false;
            }
            nal->vcl = true;
            nal->firstOfPicture = (unit[2] & 0x80) != 0;
            nal->key = t >= 16;
            return true;
        }
        if ((t >= 32 && t <= 35) || t == 39) {
            nal->startsUnit = true;
            return true;
        }
        if (t >= 36 && t <= 40) {
            nal->endsUnit = true;
            return true;
        }
        return false;
    }

    int m_lengthSize;
    bool m_hevc;
    uint64_t m_largestSample;
    bool m_seenKey = false;
    CodecContextPtr m_decoder;
    std::optional<PictureOrder> m_order;
};

// AAC frames carry no length: the decoder finds where a frame ends. A frame is accepted when
// exactly its bytes decode, to as many samples and channels as the reference's frames.
class AacValidator final : public SampleValidator {
public:
    AacValidator(const AVCodecParameters* codec, uint32_t constantSize, int frameSamples)
        : m_constantSize(constantSize), m_frameSamples(frameSamples) {
        const AVCodec* decoder = avcodec_find_decoder(codec->codec_id);
        m_decoder.reset(avcodec_alloc_context3(decoder));
        m_channels = std::max(1, codec->ch_layout.nb_channels);
        if (m_decoder) {
            m_decoder->log_level_offset = kQuietTrials;
        }
        if (!m_decoder || avcodec_parameters_to_context(m_decoder.get(), codec) < 0 ||
            avcodec_open2(m_decoder.get(), decoder, nullptr) < 0) {
            m_decoder.reset();
        }
    }

    bool Ready() const { return m_decoder && m_packet && m_frame; }

    SampleCheck Check(ByteSpan data, const SampleValidator* next) override {
        SampleCheck check;
        const size_t maxFrame = static_cast<size_t>(kMaxAacFrameBytesPerChannel) * m_channels;
        const size_t region =
            m_constantSize != 0 ? m_constantSize : std::min(data.size(), maxFrame);
        if (data.size() < region || region == 0) {
            check.verdict = SampleVerdict::Truncated;
            return check;
        }
        // Before another track's sample (most frames: the camera interleaves a frame or two
        // with each picture) the frame ends where that sample may start and exactly the bytes
        // before it decode; one decode finds it where the decoder cannot tell.
        if (next != nullptr && m_constantSize == 0) {
            if (const size_t end = EndBefore(data, region, *next); end != 0) {
                check.verdict = SampleVerdict::Valid;
                check.size = static_cast<uint32_t>(end);
                check.key = true;
                return check;
            }
        }
        int remaining = -1;
        const Outcome outcome = Decode(data.first(region), &remaining);
        if (outcome == Outcome::Failed) {
            check.verdict =
                data.size() < maxFrame ? SampleVerdict::Truncated : SampleVerdict::Invalid;
            return check;
        }
        // The decoder reports the bytes it has left of a packet after a frame: its first frame
        // ended there. Otherwise the frame is sought by its length.
        const bool told = remaining > 0 && static_cast<size_t>(remaining) < region;
        size_t size = told ? region - static_cast<size_t>(remaining) : region;
        if (!told && outcome != Outcome::Exact) {
            size = next != nullptr && m_constantSize != 0 ? EndBefore(data, region, *next) : 0;
        }
        if (size == 0) {
            size = SmallestDecodable(data.first(region));
            if (size == 0 || Decode(data.first(size), nullptr) != Outcome::Exact) {
                check.verdict = SampleVerdict::Invalid;
                return check;
            }
        }
        check.verdict = SampleVerdict::Valid;
        check.size = static_cast<uint32_t>(size);
        check.key = true;
        return check;
    }

private:
    enum class Outcome { Failed, Exact, Longer };

    // Decodes one packet of exactly these bytes. remaining (may be null) receives the bytes
    // the decoder still held after its first frame, or -1.
    Outcome Decode(ByteSpan bytes, int* remaining) {
        avcodec_flush_buffers(m_decoder.get());
        if (av_new_packet(m_packet.get(), static_cast<int>(bytes.size())) < 0) {
            return Outcome::Failed;
        }
        std::memcpy(m_packet->data, bytes.data(), bytes.size());
        const int sent = avcodec_send_packet(m_decoder.get(), m_packet.get());
        av_packet_unref(m_packet.get());
        if (sent < 0 || avcodec_receive_frame(m_decoder.get(), m_frame.get()) < 0) {
            return Outcome::Failed;
        }
        const bool fits =
            m_frame->nb_samples == m_frameSamples && m_frame->ch_layout.nb_channels == m_channels;
        av_frame_unref(m_frame.get());
        if (!fits) {
            return Outcome::Failed;
        }
        const int next = avcodec_receive_frame(m_decoder.get(), m_frame.get());
        if (remaining != nullptr && next >= 0 && m_frame->pkt_size > 0) {
            *remaining = m_frame->pkt_size;
        }
        av_frame_unref(m_frame.get());
        return next == AVERROR(EAGAIN) ? Outcome::Exact : Outcome::Longer;
    }

    // The last frame before another track's sample ends where that sample may start and the
    // frame's bytes decode exactly; 0 when no such place is found.
    size_t EndBefore(ByteSpan data, size_t region, const SampleValidator& next) {
        for (size_t end = 1; end < region; ++end) {
            if (next.LooksLikeStart(data.subspan(end)) &&
                Decode(data.first(end), nullptr) == Outcome::Exact) {
                return end;
            }
        }
        return 0;
    }

    // Too few bytes never decode, enough always do: the frame's length is the smallest that
    // decodes.
    size_t SmallestDecodable(ByteSpan bytes) {
        size_t low = 1;
        size_t high = bytes.size();
        while (low < high) {
            const size_t middle = low + (high - low) / 2;
            if (Decode(bytes.first(middle), nullptr) != Outcome::Failed) {
                high = middle;
            } else {
                low = middle + 1;
            }
        }
        return Decode(bytes.first(low), nullptr) != Outcome::Failed ? low : 0;
    }

    CodecContextPtr m_decoder;
    PacketPtr m_packet{av_packet_alloc()};
    FramePtr m_frame{av_frame_alloc()};
    uint32_t m_constantSize;
    int m_frameSamples;
    int m_channels = 1;
};

// Raw sound: every byte sequence of the right length is sound.
class RawValidator final : public SampleValidator {
public:
    explicit RawValidator(uint32_t size) : m_size(size) {}
    SampleCheck Check(ByteSpan data, const SampleValidator* /*next*/) override {
        SampleCheck check;
        check.verdict = data.size() < m_size ? SampleVerdict::Truncated : SampleVerdict::Valid;
        check.size = m_size;
        check.key = true;
        return check;
    }
    bool IsWeak() const override { return true; }

private:
    uint32_t m_size;
};

// Timed text: a 16-bit length, then telemetry lines, each starting with its kind.
class TextValidator final : public SampleValidator {
public:
    bool LooksLikeStart(ByteSpan data) const override {
        if (data.size() < 3) {
            return data.size() == 2 && data[0] == 0 && data[1] == 0;
        }
        const uint32_t length = (static_cast<uint32_t>(data[0]) << 8) | data[1];
        return length == 0 || (length <= kMaxTextSize && (data[2] == 'G' || data[2] == 'M'));
    }

    SampleCheck Check(ByteSpan data, const SampleValidator* /*next*/) override {
        SampleCheck check;
        if (data.size() < 2) {
            check.verdict = SampleVerdict::Truncated;
            return check;
        }
        const uint32_t length = (static_cast<uint32_t>(data[0]) << 8) | data[1];
        if (length > kMaxTextSize) {
            return check;
        }
        if (data.size() < 2 + length) {
            check.verdict = SampleVerdict::Truncated;
            return check;
        }
        const ByteSpan text = data.subspan(2, length);
        bool lineStart = true;
        for (const uint8_t c : text) {
            if (lineStart && c != 'G' && c != 'M') {
                return check;
            }
            if (c != '\n' && c != '\r' && (c < 0x20 || c > 0x7e)) {
                return check;
            }
            lineStart = c == '\n';
        }
        check.verdict = SampleVerdict::Valid;
        check.size = 2 + length;
        check.key = true;
        return check;
    }
};

// The largest sample a track may hold: several times the reference's largest (a busier scene
// than the reference's), with room for small ones.
uint64_t LargestSample(const TrackTable& table) {
    constexpr uint64_t kFactor = 4;
    constexpr uint64_t kSlack = uint64_t{256} << 10;
    const uint32_t largest = table.sizes.empty()
                                 ? table.constantSize
                                 : *std::max_element(table.sizes.begin(), table.sizes.end());
    return kFactor * largest + kSlack;
}

bool IsRawSound(AVCodecID codec) {
    return codec >= AV_CODEC_ID_FIRST_AUDIO && codec < AV_CODEC_ID_ADPCM_IMA_QT;
}

}  // namespace

std::unique_ptr<SampleValidator> MakeSampleValidator(const TrackTable& table,
                                                     const AVCodecParameters* codec) {
    const bool pictures =
        codec->codec_id == AV_CODEC_ID_H264 || codec->codec_id == AV_CODEC_ID_HEVC;
    if (table.reorders && !pictures) {
        return nullptr;  // no order to read composition offsets from
    }
    switch (codec->codec_id) {
        case AV_CODEC_ID_H264:
        case AV_CODEC_ID_HEVC:
            if (table.nalLengthSize == 0 || table.nalLengthSize == 3) {
                return nullptr;
            }
            if (auto nal = std::make_unique<NalValidator>(codec, table.nalLengthSize,
                                                          table.reorders, LargestSample(table));
                nal->Ready()) {
                return nal;
            }
            return nullptr;
        case AV_CODEC_ID_AAC: {
            const int frameSamples =
                table.durations.empty() ? 1024 : static_cast<int>(table.durations.front().second);
            auto aac = std::make_unique<AacValidator>(codec, table.constantSize, frameSamples);
            return aac->Ready() ? std::move(aac) : nullptr;
        }
        case AV_CODEC_ID_MOV_TEXT:
            return std::make_unique<TextValidator>();
        default:
            if (IsRawSound(codec->codec_id) && table.constantSize != 0) {
                return std::make_unique<RawValidator>(table.constantSize);
            }
            return nullptr;
    }
}

}  // namespace platform::media
