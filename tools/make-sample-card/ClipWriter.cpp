#include "tools/make-sample-card/ClipWriter.h"

#include "platform/media/AvHandles.h"
#include "tools/make-sample-card/EngineSound.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/error.h>
#include <libavutil/opt.h>
}

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

namespace samplecard {

namespace {

// Default style of the text track; players need a sample description, nobody shows it.
constexpr const char* kTextTrackStyle =
    "[Script Info]\nScriptType: v4.00+\nPlayResX: 384\nPlayResY: 288\n\n"
    "[V4+ Styles]\nFormat: Name, Fontname, Fontsize, PrimaryColour, SecondaryColour, "
    "OutlineColour, "
    "BackColour, Bold, Italic, Underline, StrikeOut, ScaleX, ScaleY, Spacing, Angle, BorderStyle, "
    "Outline, Shadow, Alignment, MarginL, MarginR, MarginV, Encoding\n"
    "Style: Default,Arial,16,&Hffffff,&Hffffff,&H0,&H0,0,0,0,0,100,100,0,0,1,1,0,2,10,10,10,0\n\n"
    "[Events]\nFormat: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\n";
constexpr int kPcmFrameSamples = 1024;
constexpr int kMp4TextTimeScale = 90000;
constexpr int kAacBitRate = 96000;
constexpr const char* kDefaultPreset = "ultrafast";

using platform::media::AvErrorText;
using CodecPtr = platform::media::CodecContextPtr;
using FormatPtr = platform::media::OutputFormatPtr;
using platform::media::FramePtr;
using platform::media::PacketPtr;

struct Track {
    AVStream* stream = nullptr;
    CodecPtr encoder;
};

// Owns the output file and the encoders of one recording.
class ClipEncoder {
public:
    ClipEncoder(const ClipContent& content, QString& error) : m_content(content), m_error(error) {}

    bool Open(const QString& path);
    bool AddVideo(Track& track, FrameSize size);
    bool AddAudio();
    bool AddText();
    bool Begin(const QString& path);
    bool EncodeVideo(Track& track, const SceneRenderer& scene, int frameIndex,
                     const YuvPicture& bar);
    bool EncodeAudioUntil(std::size_t endSample);
    bool WriteTextUntil(int endMs);
    bool Finish();

    Track m_front;
    Track m_rear;

private:
    bool Fail(const QString& what, int code) {
        m_error = code != 0 ? QStringLiteral("%1: %2").arg(what, AvErrorText(code)) : what;
        return false;
    }
    bool Drain(Track& track);
    bool Flush(Track& track);

    const ClipContent& m_content;
    QString& m_error;
    FormatPtr m_format;
    Track m_audio;
    AVStream* m_text = nullptr;
    PacketPtr m_packet{av_packet_alloc()};
    std::size_t m_audioDone = 0;
    std::size_t m_textDone = 0;
};

bool ClipEncoder::Open(const QString& path) {
    AVFormatContext* format = nullptr;
    const int code = avformat_alloc_output_context2(&format, nullptr,
                                                    MuxerName(m_content.container, m_content.audio),
                                                    path.toUtf8().constData());
    if (code < 0 || format == nullptr) {
        return Fail(QStringLiteral("cannot set up the container"), code);
    }
    m_format.reset(format);
    return m_packet != nullptr || Fail(QStringLiteral("out of memory"), 0);
}

bool ClipEncoder::AddVideo(Track& track, FrameSize size) {
    const bool hevc = m_content.codec == VideoCodec::Hevc;
    const AVCodec* codec = avcodec_find_encoder_by_name(hevc ? "libx265" : "libx264");
    const bool h264 = codec != nullptr;
    if (!h264 && !hevc) {
        codec = avcodec_find_encoder(AV_CODEC_ID_MPEG4);
    }
    track.stream = avformat_new_stream(m_format.get(), nullptr);
    track.encoder.reset(avcodec_alloc_context3(codec));
    if (codec == nullptr || track.stream == nullptr || !track.encoder) {
        return Fail(QStringLiteral("no video encoder"), 0);
    }
    AVCodecContext* c = track.encoder.get();
    c->width = size.width;
    c->height = size.height;
    c->pix_fmt = AV_PIX_FMT_YUV420P;
    c->time_base = {1, m_content.fps};
    c->framerate = {m_content.fps, 1};
    c->gop_size = m_content.fps;  // a key frame every second keeps seeking quick
    c->thread_count = m_content.encoderThreads;
    if (h264) {
        const QByteArray preset =
            m_content.preset.isEmpty() ? QByteArray(kDefaultPreset) : m_content.preset.toUtf8();
        av_opt_set(c->priv_data, "preset", preset.constData(), 0);
        av_opt_set(c->priv_data, "crf", "23", 0);
        if (hevc) {
            // Pictures in display order, like a camera's, and a quiet encoder.
            av_opt_set(c->priv_data, "x265-params", "bframes=0:log-level=none", 0);
        }
    } else {
        c->flags |= AV_CODEC_FLAG_QSCALE;
        c->global_quality = FF_QP2LAMBDA * 4;
    }
    if ((m_format->oformat->flags & AVFMT_GLOBALHEADER) != 0) {
        c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    }
    int code = avcodec_open2(c, codec, nullptr);
    if (code < 0) {
        return Fail(QStringLiteral("cannot open the video encoder"), code);
    }
    code = avcodec_parameters_from_context(track.stream->codecpar, c);
    track.stream->time_base = c->time_base;
    track.stream->avg_frame_rate = c->framerate;
    return code >= 0 || Fail(QStringLiteral("video stream"), code);
}

bool ClipEncoder::AddAudio() {
    if (m_content.audio == AudioKind::None) {
        return true;
    }
    const bool aac = m_content.audio == AudioKind::Aac;
    const AVCodec* codec = avcodec_find_encoder(aac ? AV_CODEC_ID_AAC : AV_CODEC_ID_PCM_S16LE);
    m_audio.stream = avformat_new_stream(m_format.get(), nullptr);
    m_audio.encoder.reset(avcodec_alloc_context3(codec));
    if (codec == nullptr || m_audio.stream == nullptr || !m_audio.encoder) {
        return Fail(QStringLiteral("no audio encoder"), 0);
    }
    AVCodecContext* c = m_audio.encoder.get();
    c->sample_rate = kAudioSampleRate;
    c->sample_fmt = aac ? AV_SAMPLE_FMT_FLTP : AV_SAMPLE_FMT_S16;
    av_channel_layout_default(&c->ch_layout, 1);
    c->time_base = {1, kAudioSampleRate};
    if (aac) {
        c->bit_rate = kAacBitRate;
    }
    if ((m_format->oformat->flags & AVFMT_GLOBALHEADER) != 0) {
        c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    }
    int code = avcodec_open2(c, codec, nullptr);
    if (code < 0) {
        return Fail(QStringLiteral("cannot open the audio encoder"), code);
    }
    code = avcodec_parameters_from_context(m_audio.stream->codecpar, c);
    m_audio.stream->time_base = c->time_base;
    return code >= 0 || Fail(QStringLiteral("audio stream"), code);
}

bool ClipEncoder::AddText() {
    if (m_content.telemetry.empty() || !ContainerCarriesTelemetry(m_content.container)) {
        return true;
    }
    m_text = avformat_new_stream(m_format.get(), nullptr);
    if (m_text == nullptr) {
        return Fail(QStringLiteral("out of memory"), 0);
    }
    m_text->time_base = {1, 1000};
    if (m_content.container == Container::Mkv) {
        m_text->codecpar->codec_type = AVMEDIA_TYPE_SUBTITLE;
        m_text->codecpar->codec_id = AV_CODEC_ID_SUBRIP;
        return true;
    }
    // The MP4 muxer compares a text track's end with other tracks' times in their own units
    // and closes the text sample with an empty one when the end looks earlier; a time base
    // finer than any audio or video one keeps touching samples from being split that way.
    m_text->time_base = {1, kMp4TextTimeScale};
    // The MP4 text track needs its sample description, which the encoder builds.
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_MOV_TEXT);
    CodecPtr encoder(avcodec_alloc_context3(codec));
    if (codec == nullptr || !encoder) {
        return Fail(QStringLiteral("no text track encoder"), 0);
    }
    const std::size_t styleSize = std::strlen(kTextTrackStyle);
    encoder->subtitle_header = static_cast<std::uint8_t*>(av_mallocz(styleSize + 1));
    if (encoder->subtitle_header == nullptr) {
        return Fail(QStringLiteral("out of memory"), 0);
    }
    std::memcpy(encoder->subtitle_header, kTextTrackStyle, styleSize);
    encoder->subtitle_header_size = static_cast<int>(styleSize);
    encoder->time_base = {1, 1000};
    int code = avcodec_open2(encoder.get(), codec, nullptr);
    if (code >= 0) {
        code = avcodec_parameters_from_context(m_text->codecpar, encoder.get());
    }
    return code >= 0 || Fail(QStringLiteral("cannot set up the text track"), code);
}

bool ClipEncoder::Begin(const QString& path) {
    if ((m_format->oformat->flags & AVFMT_NOFILE) == 0) {
        const int code = avio_open(&m_format->pb, path.toUtf8().constData(), AVIO_FLAG_WRITE);
        if (code < 0) {
            return Fail(QStringLiteral("cannot create %1").arg(path), code);
        }
    }
    av_dict_set(&m_format->metadata, "comment", "make-sample-card", 0);
    const int code = avformat_write_header(m_format.get(), nullptr);
    return code >= 0 || Fail(QStringLiteral("cannot write the header"), code);
}

bool ClipEncoder::Drain(Track& track) {
    for (;;) {
        int code = avcodec_receive_packet(track.encoder.get(), m_packet.get());
        if (code == AVERROR(EAGAIN) || code == AVERROR_EOF) {
            return true;
        }
        if (code < 0) {
            return Fail(QStringLiteral("encoding failed"), code);
        }
        av_packet_rescale_ts(m_packet.get(), track.encoder->time_base, track.stream->time_base);
        m_packet->stream_index = track.stream->index;
        code = av_interleaved_write_frame(m_format.get(), m_packet.get());
        if (code < 0) {
            return Fail(QStringLiteral("write failed"), code);
        }
    }
}

bool ClipEncoder::Flush(Track& track) {
    if (!track.encoder) {
        return true;
    }
    const int code = avcodec_send_frame(track.encoder.get(), nullptr);
    return (code >= 0 || Fail(QStringLiteral("encoding failed"), code)) && Drain(track);
}

bool ClipEncoder::EncodeVideo(Track& track, const SceneRenderer& scene, int frameIndex,
                              const YuvPicture& bar) {
    FramePtr frame(av_frame_alloc());
    if (!frame) {
        return Fail(QStringLiteral("out of memory"), 0);
    }
    frame->format = AV_PIX_FMT_YUV420P;
    frame->width = scene.Width();
    frame->height = scene.Height();
    int code = av_frame_get_buffer(frame.get(), 0);
    if (code < 0) {
        return Fail(QStringLiteral("out of memory"), code);
    }
    const double timeS = static_cast<double>(frameIndex) / m_content.fps;
    const DriveSample drive = SampleAt(m_content.drive, timeS);
    const CameraMotion motion{drive.distanceM, drive.curvaturePerM,
                              ImpactJoltG(m_content.clip, m_content.lengthSeconds, timeS)};
    scene.Compose(frame.get(), motion, bar, frameIndex);
    frame->pts = frameIndex;
    code = avcodec_send_frame(track.encoder.get(), frame.get());
    return (code >= 0 || Fail(QStringLiteral("encoding failed"), code)) && Drain(track);
}

bool ClipEncoder::EncodeAudioUntil(std::size_t endSample) {
    if (!m_audio.encoder) {
        return true;
    }
    AVCodecContext* c = m_audio.encoder.get();
    const std::size_t frameSamples =
        c->frame_size > 0 ? static_cast<std::size_t>(c->frame_size) : kPcmFrameSamples;
    endSample = std::min(endSample, m_content.sound.size());
    while (m_audioDone < endSample) {
        const std::size_t n = std::min(frameSamples, m_content.sound.size() - m_audioDone);
        FramePtr frame(av_frame_alloc());
        if (!frame) {
            return Fail(QStringLiteral("out of memory"), 0);
        }
        frame->format = c->sample_fmt;
        frame->sample_rate = c->sample_rate;
        frame->nb_samples = static_cast<int>(n);
        int code = av_channel_layout_copy(&frame->ch_layout, &c->ch_layout);
        if (code >= 0) {
            code = av_frame_get_buffer(frame.get(), 0);
        }
        if (code < 0) {
            return Fail(QStringLiteral("out of memory"), code);
        }
        const float* source = m_content.sound.data() + m_audioDone;
        if (c->sample_fmt == AV_SAMPLE_FMT_FLTP) {
            std::memcpy(frame->data[0], source, n * sizeof(float));
        } else {
            auto* target = reinterpret_cast<std::int16_t*>(frame->data[0]);
            for (std::size_t i = 0; i < n; ++i) {
                target[i] = static_cast<std::int16_t>(
                    std::lround(std::clamp(source[i], -1.0F, 1.0F) * 32767.0F));
            }
        }
        // Only MP4 keeps the encoder's priming before zero (in its edit list); elsewhere the
        // muxer would move every track, telemetry included, later by the priming instead.
        const int priming = m_content.container == Container::Mp4 ? 0 : c->initial_padding;
        frame->pts = static_cast<std::int64_t>(m_audioDone) + priming;
        m_audioDone += n;
        code = avcodec_send_frame(c, frame.get());
        if ((code < 0 && !Fail(QStringLiteral("audio encoding failed"), code)) || !Drain(m_audio)) {
            return false;
        }
    }
    return true;
}

bool ClipEncoder::WriteTextUntil(int endMs) {
    if (m_text == nullptr) {
        return true;
    }
    const bool movText = m_text->codecpar->codec_id == AV_CODEC_ID_MOV_TEXT;
    while (m_textDone < m_content.telemetry.size() &&
           m_content.telemetry[m_textDone].startMs <= endMs) {
        const TelemetrySample& sample = m_content.telemetry[m_textDone++];
        // A timed-text sample starts with its text length (16 bits, big-endian).
        const std::size_t prefix = movText ? 2 : 0;
        const std::size_t size = prefix + sample.text.size();
        int code = av_new_packet(m_packet.get(), static_cast<int>(size));
        if (code < 0) {
            return Fail(QStringLiteral("out of memory"), code);
        }
        if (movText) {
            m_packet->data[0] = static_cast<std::uint8_t>(sample.text.size() >> 8);
            m_packet->data[1] = static_cast<std::uint8_t>(sample.text.size() & 0xff);
        }
        std::memcpy(m_packet->data + prefix, sample.text.data(), sample.text.size());
        m_packet->pts = sample.startMs;
        m_packet->dts = sample.startMs;
        m_packet->duration = sample.durationMs;
        m_packet->flags |= AV_PKT_FLAG_KEY;
        m_packet->stream_index = m_text->index;
        av_packet_rescale_ts(m_packet.get(), {1, 1000}, m_text->time_base);
        code = av_interleaved_write_frame(m_format.get(), m_packet.get());
        if (code < 0) {
            return Fail(QStringLiteral("write failed"), code);
        }
    }
    return true;
}

bool ClipEncoder::Finish() {
    if (!WriteTextUntil(m_content.lengthSeconds * 1000) ||
        !EncodeAudioUntil(m_content.sound.size()) || !Flush(m_audio) || !Flush(m_front) ||
        !Flush(m_rear)) {
        return false;
    }
    int code = av_write_trailer(m_format.get());
    if (code < 0) {
        return Fail(QStringLiteral("cannot finish the file"), code);
    }
    if (m_format->pb != nullptr) {
        code = avio_closep(&m_format->pb);
        if (code < 0) {
            return Fail(QStringLiteral("cannot close the file"), code);
        }
    }
    return true;
}

BarText BarFor(const ClipContent& content, int second) {
    const DriveSample sample = SampleAt(content.drive, second);
    return {content.clip.start.addSecs(second), static_cast<int>(std::lround(sample.speedKmh)),
            sample.latitudeDeg, sample.longitudeDeg};
}

}  // namespace

const char* MuxerName(Container container, AudioKind audio) {
    switch (container) {
        case Container::Mkv:
            return "matroska";
        case Container::Avi:
            return "avi";
        case Container::Mp4:
            break;
    }
    return audio == AudioKind::Pcm ? "mov" : "mp4";
}

bool ContainerCarriesTelemetry(Container container) {
    return container != Container::Avi;
}

bool WriteClip(const QString& path, const ClipContent& content, QString& error) {
    if (content.front == nullptr || content.fps <= 0) {
        error = QStringLiteral("nothing to write");
        return false;
    }
    ClipEncoder encoder(content, error);
    if (!encoder.Open(path) ||
        !encoder.AddVideo(encoder.m_front, {content.front->Width(), content.front->Height()}) ||
        (content.rear != nullptr &&
         !encoder.AddVideo(encoder.m_rear, {content.rear->Width(), content.rear->Height()})) ||
        !encoder.AddAudio() || !encoder.AddText() || !encoder.Begin(path)) {
        return false;
    }
    const int frames = content.lengthSeconds * content.fps;
    int barSecond = -1;
    YuvPicture frontBar;
    YuvPicture rearBar;
    for (int i = 0; i < frames; ++i) {
        const int second = i / content.fps;
        if (second != barSecond) {
            barSecond = second;
            frontBar = content.front->RenderBar(BarFor(content, second));
            if (content.rear != nullptr) {
                rearBar = content.rear->RenderBar(BarFor(content, second));
            }
        }
        const auto timeMs = static_cast<int>(static_cast<std::int64_t>(i) * 1000 / content.fps);
        const auto audioEnd = static_cast<std::size_t>(static_cast<std::int64_t>(i + 1) *
                                                       kAudioSampleRate / content.fps);
        if (!encoder.WriteTextUntil(timeMs) || !encoder.EncodeAudioUntil(audioEnd) ||
            !encoder.EncodeVideo(encoder.m_front, *content.front, i, frontBar) ||
            (content.rear != nullptr &&
             !encoder.EncodeVideo(encoder.m_rear, *content.rear, i, rearBar))) {
            return false;
        }
    }
    return encoder.Finish();
}

}  // namespace samplecard
