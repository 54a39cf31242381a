#include "platform/media/DecoderFilter.h"

#include "platform/media/ComponentRegistry.h"
#include "platform/media/Log.h"

#include <algorithm>

namespace platform::media {

namespace {
constexpr size_t kPacketQueueVideo = 48;
constexpr size_t kPacketQueueAudio = 96;
constexpr int kVideoThreads = 2;  // when the graph gives no number
// After a seek the smaller streams' decoders start only once the main picture is decoded,
// waiting at most this long: the main camera's picture comes first.
constexpr std::chrono::milliseconds kHoldForMain{400};
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

HRESULT DecoderFilter::QueryExtra(const IID& iid, void** object) {
    if (iid != IDecoderStats::kIid || m_kind != Kind::Video) {
        return E_NOINTERFACE;
    }
    *object = static_cast<IDecoderStats*>(this);
    AddRef();
    return S_OK;
}

HRESULT DecoderFilter::GetDecoderStats(DecoderStats* stats) {
    if (stats == nullptr) {
        return E_POINTER;
    }
    std::lock_guard lock(m_statsMutex);
    *stats = m_stats;
    return S_OK;
}

double DecoderFilter::VideoPixelRate() const {
    const MediaType in = m_input->ConnectedType();
    if (m_kind != Kind::Video || !in.format || !m_output->IsConnected()) {
        return 0;
    }
    const AVRational rate = in.format->frameRate;
    const double fps = rate.num > 0 && rate.den > 0 ? av_q2d(rate) : 30.0;
    return static_cast<double>(in.format->codec->width) * in.format->codec->height * fps;
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
        codec->thread_count = m_threads > 0 ? m_threads : kVideoThreads;
        codec->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
        m_quality.Standing(m_clock ? m_clock->Rate() : 1.0);
        std::lock_guard lock(m_statsMutex);
        m_stats = DecoderStats{};
        m_stats.threads = codec->thread_count;
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
        if (m_kind == Kind::Video) {
            if (sample->start + std::max<REFERENCE_TIME>(sample->duration, 1) >
                m_clock->SegmentStart()) {
                NoteMainPrerolled(serial);
            }
            std::lock_guard lock(m_statsMutex);
            ++m_stats.framesDecoded;
        }
        if (!m_output->Deliver(std::move(sample))) {
            return false;
        }
    }
}

void DecoderFilter::ChooseSkipping(const MediaSample& sample) {
    const double rate = m_clock->Rate();
    const REFERENCE_TIME interval = av_rescale_q(
        1, av_inv_q(m_format->frameRate.num > 0 ? m_format->frameRate : AVRational{30, 1}),
        kReferenceTimeBase);
    const REFERENCE_TIME end = sample.start + std::max(sample.duration, interval);
    DecodeQuality::Stage stage = m_quality.Current();
    bool preroll = false;
    if (end <= m_clock->SegmentStart()) {
        preroll = true;  // before a seek's target: never shown
    } else if (m_clock->IsTicking() && !m_clock->IsFreeRun()) {
        stage = m_quality.Update(sample.start - m_clock->Now(), interval, rate);
    } else {
        stage = m_quality.Standing(rate);
    }
    const bool noLoopFilter = stage != DecodeQuality::Stage::Full;
    const bool noNonReference = preroll || stage == DecodeQuality::Stage::NoNonReference;
    m_codec->skip_loop_filter = noLoopFilter ? AVDISCARD_NONKEY : AVDISCARD_DEFAULT;
    m_codec->skip_frame = noNonReference ? AVDISCARD_NONREF : AVDISCARD_DEFAULT;
    std::lock_guard lock(m_statsMutex);
    m_stats.packetsNoLoopFilter += noLoopFilter ? 1 : 0;
    m_stats.packetsNoNonReference += noNonReference && !preroll ? 1 : 0;
}

void DecoderFilter::NoteMainPrerolled(int serial) {
    if (!m_background && m_kind == Kind::Video && serial != m_notedSerial) {
        m_notedSerial = serial;
        m_clock->NoteMainPrerolled(serial);
    }
}

void DecoderFilter::HoldForMain(const MediaSample& sample, int serial) {
    if (!m_background || serial == m_heldSerial) {
        return;
    }
    m_heldSerial = serial;
    if (sample.start >= m_clock->SegmentStart()) {
        return;  // no seek to catch up with: nothing to wait for
    }
    // Meanwhile the source fills this decoder's queue and then waits: the main decoder has
    // its own queue of as many packets, more than a second of pictures, to reach its target.
    m_clock->WaitMainPrerolled(serial, kHoldForMain);
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
            NoteMainPrerolled(serial);
            avcodec_flush_buffers(m_codec.get());
            if (!open || !m_output->Deliver(MakeEndOfStream(serial))) {
                return;
            }
            continue;
        }
        if (!sample->packet) {
            continue;
        }
        if (m_kind == Kind::Video) {
            HoldForMain(*sample, serial);
            ChooseSkipping(*sample);
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
