#include "platform/media/DecoderFilter.h"

#include "platform/media/ComponentRegistry.h"
#include "platform/media/Log.h"

namespace platform::media {

namespace {
constexpr size_t kPacketQueueVideo = 48;
constexpr size_t kPacketQueueAudio = 96;
constexpr int kVideoThreads = 2;
constexpr char kInputPinName[] = "In";
constexpr char kOutputPinName[] = "Out";
}  // namespace

DecoderFilter::DecoderFilter(Kind kind)
    : FilterBase(kind == Kind::Video ? CLSID_VideoDecoder : CLSID_AacDecoder), m_kind(kind) {
    m_input = AddInputPin(QString::fromLatin1(kInputPinName),
                          kind == Kind::Video ? kPacketQueueVideo : kPacketQueueAudio,
                          [this](const MediaType& type) { return AcceptsInput(type); });
    m_output = AddOutputPin(QString::fromLatin1(kOutputPinName), [this] { return OutputTypes(); });
}

DecoderFilter::~DecoderFilter() {
    RequestStop();
    JoinStreaming();
}

bool DecoderFilter::CodecsAvailable(Kind kind) {
    if (kind == Kind::Video) {
        return avcodec_find_decoder(AV_CODEC_ID_H264) != nullptr;
    }
    return avcodec_find_decoder(AV_CODEC_ID_AAC) != nullptr;
}

bool DecoderFilter::AcceptsInput(const MediaType& type) const {
    if (!type.format || !type.format->codec || type.format->decoded) {
        return false;
    }
    if (m_kind == Kind::Video) {
        return type.majortype == MEDIATYPE_Video &&
               avcodec_find_decoder(type.format->codec->codec_id) != nullptr;
    }
    // Uncompressed audio goes to the renderer directly; any other sound this build decodes.
    return type.majortype == MEDIATYPE_Audio && type.subtype != MEDIASUBTYPE_PCM &&
           avcodec_find_decoder(type.format->codec->codec_id) != nullptr;
}

std::vector<MediaType> DecoderFilter::OutputTypes() const {
    const MediaType in = m_input->ConnectedType();
    if (!in.format) {
        return {};
    }
    auto format = std::make_shared<StreamFormat>();
    format->codec.reset(avcodec_parameters_alloc());
    if (!format->codec ||
        avcodec_parameters_copy(format->codec.get(), in.format->codec.get()) < 0) {
        return {};
    }
    format->timeBase = in.format->timeBase;
    format->frameRate = in.format->frameRate;
    format->startOffset = in.format->startOffset;
    format->decoded = true;
    return {MediaType{in.majortype,
                      m_kind == Kind::Video ? MEDIASUBTYPE_DecodedVideo : MEDIASUBTYPE_PCM,
                      format}};
}

HRESULT DecoderFilter::StartStreaming(int serial) {
    JoinStreaming();
    const MediaType in = m_input->ConnectedType();
    if (!in.format) {
        return S_OK;  // unconnected: idle
    }
    const AVCodec* decoder = avcodec_find_decoder(in.format->codec->codec_id);
    CodecContextPtr codec(avcodec_alloc_context3(decoder));
    if (decoder == nullptr || !codec ||
        avcodec_parameters_to_context(codec.get(), in.format->codec.get()) < 0) {
        qCWarning(lcMedia) << "no decoder for" << avcodec_get_name(in.format->codec->codec_id);
        return E_FAIL;
    }
    codec->pkt_timebase = in.format->timeBase;
    if (m_kind == Kind::Video) {
        codec->thread_count = kVideoThreads;
        codec->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
    }
    if (const int opened = avcodec_open2(codec.get(), decoder, nullptr); opened < 0) {
        qCWarning(lcMedia) << "the" << decoder->name
                           << "decoder does not open:" << AvErrorText(opened);
        return E_FAIL;
    }
    m_codec = std::move(codec);
    m_format = in.format;
    m_thread = std::thread([this, serial] { DecodeLoop(serial); });
    return S_OK;
}

void DecoderFilter::JoinStreaming() {
    if (m_thread.joinable()) {
        m_thread.join();
    }
    m_codec.reset();
}

REFERENCE_TIME DecoderFilter::FrameDuration(const AVFrame* frame) const {
    if (m_kind == Kind::Audio) {
        return frame->sample_rate > 0
                   ? av_rescale(frame->nb_samples, kUnitsPerSecond, frame->sample_rate)
                   : 0;
    }
    if (frame->pkt_duration > 0) {
        return av_rescale_q(frame->pkt_duration, m_format->timeBase, kReferenceTimeBase);
    }
    const AVRational rate = m_format->frameRate;
    return rate.num > 0 ? av_rescale(kUnitsPerSecond, rate.den, rate.num) : 0;
}

bool DecoderFilter::DeliverFrames(int serial) {
    for (;;) {
        FramePtr frame(av_frame_alloc());
        if (!frame) {
            return false;
        }
        const int received = avcodec_receive_frame(m_codec.get(), frame.get());
        if (received < 0) {
            return true;  // needs input, or drained
        }
        auto sample = std::make_unique<MediaSample>();
        sample->kind = MediaSample::Kind::Frame;
        sample->serial = serial;
        sample->start = ToReferenceTime(frame->best_effort_timestamp, m_format->timeBase,
                                        m_format->startOffset);
        sample->duration = FrameDuration(frame.get());
        sample->frame = std::move(frame);
        if (!m_output->Deliver(std::move(sample))) {
            return false;
        }
    }
}

void DecoderFilter::DecodeLoop(int serial) {
    while (SamplePtr sample = m_input->Queue().Get()) {
        if (sample->serial != serial) {
            avcodec_flush_buffers(m_codec.get());
            serial = sample->serial;
        }
        if (sample->kind == MediaSample::Kind::EndOfStream) {
            avcodec_send_packet(m_codec.get(), nullptr);
            const bool open = DeliverFrames(serial);
            avcodec_flush_buffers(m_codec.get());
            if (!open || !m_output->Deliver(MakeEndOfStream(serial))) {
                return;
            }
            continue;
        }
        if (!sample->packet) {
            continue;
        }
        // A damaged packet is skipped; the decoder resynchronises at the next key frame.
        int sent = avcodec_send_packet(m_codec.get(), sample->packet.get());
        if (sent == AVERROR(EAGAIN)) {
            if (!DeliverFrames(serial)) {
                return;
            }
            sent = avcodec_send_packet(m_codec.get(), sample->packet.get());
        }
        if (sent < 0) {
            qCWarning(lcMedia) << "packet at" << ToMilliseconds(sample->start)
                               << "ms skipped:" << AvErrorText(sent);
        }
        if (!DeliverFrames(serial)) {
            return;
        }
    }
}

}  // namespace platform::media
