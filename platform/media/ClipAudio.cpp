#include "platform/media/ClipAudio.h"

#include "platform/media/MediaSample.h"

#include <algorithm>
#include <array>

namespace platform::media {

namespace {

constexpr int kFifoSamples = 8192;
constexpr int64_t kSilenceChunk = 4096;

}  // namespace

bool ClipAudio::Prepare(const ClipSource& first, REFERENCE_TIME start, REFERENCE_TIME end,
                        ClipOutput* output, ClipOutcome* failure) {
    m_output = output;
    const AVCodecParameters* source = first.context->streams[first.audio]->codecpar;
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_AAC);
    m_encoder.reset(codec != nullptr ? avcodec_alloc_context3(codec) : nullptr);
    if (!m_encoder || !m_decoded || !m_converted || !m_packet) {
        *failure = {ClipStatus::Unsupported, QStringLiteral("no AAC encoder")};
        return false;
    }
    AVCodecContext* c = m_encoder.get();
    c->sample_rate = source->sample_rate;
    if (av_channel_layout_copy(&c->ch_layout, &source->ch_layout) < 0 ||
        c->ch_layout.nb_channels <= 0) {
        av_channel_layout_default(&c->ch_layout, 1);
    }
    c->sample_fmt = AV_SAMPLE_FMT_FLTP;
    c->bit_rate = kClipAudioBitRate;
    c->time_base = {1, c->sample_rate};
    if ((output->Format()->oformat->flags & AVFMT_GLOBALHEADER) != 0) {
        c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    }
    int code = avcodec_open2(c, codec, nullptr);
    CodecParametersPtr parameters(avcodec_parameters_alloc());
    if (code >= 0 && parameters) {
        code = avcodec_parameters_from_context(parameters.get(), c);
    }
    AVStream* stream =
        code >= 0 && parameters ? output->AddStream(parameters.get(), c->time_base) : nullptr;
    m_fifo.reset(av_audio_fifo_alloc(c->sample_fmt, c->ch_layout.nb_channels, kFifoSamples));
    if (stream == nullptr || !m_fifo) {
        *failure = {ClipStatus::Failed,
                    QStringLiteral("cannot set up the sound encoder: %1").arg(AvErrorText(code))};
        return false;
    }
    m_stream = stream->index;
    m_start = start;
    m_total = av_rescale_q(end - start, kReferenceTimeBase, c->time_base);
    return true;
}

bool ClipAudio::BeginRecording(const ClipSource& source, ClipOutcome* failure) {
    const AVStream* stream = source.context->streams[source.audio];
    const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
    m_decoder.reset(codec != nullptr ? avcodec_alloc_context3(codec) : nullptr);
    int code = m_decoder ? avcodec_parameters_to_context(m_decoder.get(), stream->codecpar)
                         : AVERROR_DECODER_NOT_FOUND;
    if (code >= 0) {
        m_decoder->pkt_timebase = stream->time_base;
        code = avcodec_open2(m_decoder.get(), codec, nullptr);
    }
    SwrContext* resampler = nullptr;
    if (code >= 0) {
        code = swr_alloc_set_opts2(&resampler, &m_encoder->ch_layout, m_encoder->sample_fmt,
                                   m_encoder->sample_rate, &m_decoder->ch_layout,
                                   m_decoder->sample_fmt, m_decoder->sample_rate, 0, nullptr);
    }
    m_resampler.reset(resampler);
    if (code >= 0) {
        code = swr_init(resampler);
    }
    if (code < 0) {
        *failure = {ClipStatus::Unsupported, QStringLiteral("cannot decode the sound of %1: %2")
                                                 .arg(source.path, AvErrorText(code))};
        return false;
    }
    return true;
}

bool ClipAudio::Decode(const ClipSource& source, const AVPacket* packet, ClipOutcome* failure) {
    if (Done()) {
        return true;
    }
    // A damaged packet costs a moment of sound, not the clip.
    if (avcodec_send_packet(m_decoder.get(), packet) < 0) {
        return true;
    }
    return Receive(source, failure);
}

bool ClipAudio::EndRecording(const ClipSource& source, ClipOutcome* failure) {
    if (!m_decoder) {
        return true;
    }
    avcodec_send_packet(m_decoder.get(), nullptr);
    const bool ok = Receive(source, failure);
    m_decoder.reset();
    return ok;
}

bool ClipAudio::Receive(const ClipSource& source, ClipOutcome* failure) {
    while (avcodec_receive_frame(m_decoder.get(), m_decoded.get()) >= 0) {
        const bool ok = Place(source, m_decoded.get(), failure);
        av_frame_unref(m_decoded.get());
        if (!ok) {
            return false;
        }
    }
    return true;
}

bool ClipAudio::Place(const ClipSource& source, AVFrame* frame, ClipOutcome* failure) {
    av_frame_unref(m_converted.get());
    m_converted->format = m_encoder->sample_fmt;
    m_converted->sample_rate = m_encoder->sample_rate;
    if (av_channel_layout_copy(&m_converted->ch_layout, &m_encoder->ch_layout) < 0 ||
        swr_convert_frame(m_resampler.get(), m_converted.get(), frame) < 0) {
        *failure = {ClipStatus::Failed, QStringLiteral("cannot convert the sound")};
        return false;
    }
    const int64_t timestamp = frame->best_effort_timestamp;
    const int64_t first = timestamp == AV_NOPTS_VALUE
                              ? m_next
                              : av_rescale_q(source.Time(source.audio, timestamp) - m_start,
                                             kReferenceTimeBase, m_encoder->time_base);
    // A gap between recordings is silence; sound before the start or overlapping is dropped.
    WriteSilence(std::min(first, m_total));
    const int64_t skip = std::max<int64_t>(0, m_next - first);
    const int64_t take = std::min<int64_t>(m_converted->nb_samples - skip, m_total - m_next);
    if (take > 0) {
        std::array<uint8_t*, AV_NUM_DATA_POINTERS> planes{};
        const int bytes = av_get_bytes_per_sample(m_encoder->sample_fmt);
        for (int c = 0; c < m_encoder->ch_layout.nb_channels && c < AV_NUM_DATA_POINTERS; ++c) {
            planes[static_cast<size_t>(c)] = m_converted->extended_data[c] + skip * bytes;
        }
        av_audio_fifo_write(m_fifo.get(), reinterpret_cast<void**>(planes.data()),
                            static_cast<int>(take));
        m_next += take;
    }
    return EncodeFrames(false, failure);
}

void ClipAudio::WriteSilence(int64_t until) {
    const int channels = m_encoder->ch_layout.nb_channels;
    std::vector<uint8_t> silent;
    std::array<uint8_t*, AV_NUM_DATA_POINTERS> planes{};
    while (m_next < until) {
        const int count = static_cast<int>(std::min(kSilenceChunk, until - m_next));
        int lineSize = 0;
        if (silent.empty()) {
            silent.resize(static_cast<size_t>(av_samples_get_buffer_size(
                &lineSize, channels, static_cast<int>(kSilenceChunk), m_encoder->sample_fmt, 1)));
            av_samples_fill_arrays(planes.data(), &lineSize, silent.data(), channels,
                                   static_cast<int>(kSilenceChunk), m_encoder->sample_fmt, 1);
            av_samples_set_silence(planes.data(), 0, static_cast<int>(kSilenceChunk), channels,
                                   m_encoder->sample_fmt);
        }
        av_audio_fifo_write(m_fifo.get(), reinterpret_cast<void**>(planes.data()), count);
        m_next += count;
    }
}

bool ClipAudio::EncodeFrames(bool all, ClipOutcome* failure) {
    const int frameSize = m_encoder->frame_size > 0 ? m_encoder->frame_size : 1024;
    while (av_audio_fifo_size(m_fifo.get()) >= (all ? 1 : frameSize)) {
        FramePtr frame(av_frame_alloc());
        const int count = std::min(frameSize, av_audio_fifo_size(m_fifo.get()));
        if (!frame) {
            *failure = {ClipStatus::Failed, QStringLiteral("out of memory")};
            return false;
        }
        frame->format = m_encoder->sample_fmt;
        frame->sample_rate = m_encoder->sample_rate;
        frame->nb_samples = count;
        if (av_channel_layout_copy(&frame->ch_layout, &m_encoder->ch_layout) < 0 ||
            av_frame_get_buffer(frame.get(), 0) < 0) {
            *failure = {ClipStatus::Failed, QStringLiteral("out of memory")};
            return false;
        }
        av_audio_fifo_read(m_fifo.get(), reinterpret_cast<void**>(frame->extended_data), count);
        frame->pts = m_encoded;
        m_encoded += count;
        if (!Send(frame.get(), failure)) {
            return false;
        }
    }
    return true;
}

bool ClipAudio::Send(AVFrame* frame, ClipOutcome* failure) {
    int code = avcodec_send_frame(m_encoder.get(), frame);
    while (code >= 0) {
        code = avcodec_receive_packet(m_encoder.get(), m_packet.get());
        if (code == AVERROR(EAGAIN) || code == AVERROR_EOF) {
            return true;
        }
        if (code >= 0) {
            AVStream* stream = m_output->Format()->streams[m_stream];
            av_packet_rescale_ts(m_packet.get(), m_encoder->time_base, stream->time_base);
            m_packet->stream_index = m_stream;
            if (!m_output->Write(m_packet.get(), failure)) {
                return false;
            }
        }
    }
    *failure = {ClipStatus::Failed,
                QStringLiteral("cannot encode the sound: %1").arg(AvErrorText(code))};
    return false;
}

bool ClipAudio::Finish(ClipOutcome* failure) {
    // Sound that ended early is followed by silence, so that it lasts as long as the pictures.
    WriteSilence(m_total);
    return EncodeFrames(true, failure) && Send(nullptr, failure);
}

}  // namespace platform::media
