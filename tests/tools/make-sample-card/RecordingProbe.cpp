#include "RecordingProbe.h"

#include "platform/media/AvHandles.h"
#include "tools/make-sample-card/FrameCode.h"

#include <QImage>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <memory>

namespace probe {

namespace {

using InputPtr = platform::media::FormatContextPtr;
using CodecPtr = platform::media::CodecContextPtr;
using platform::media::FramePtr;
using platform::media::PacketPtr;
using platform::media::SwsContextPtr;

InputPtr Open(const QString& path) {
    AVFormatContext* c = nullptr;
    if (avformat_open_input(&c, path.toUtf8().constData(), nullptr, nullptr) < 0) {
        return nullptr;
    }
    InputPtr input(c);
    if (avformat_find_stream_info(c, nullptr) < 0) {
        return nullptr;
    }
    return input;
}

CodecPtr OpenDecoder(const AVStream* stream) {
    const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
    CodecPtr c(avcodec_alloc_context3(codec));
    if (!codec || !c || avcodec_parameters_to_context(c.get(), stream->codecpar) < 0 ||
        avcodec_open2(c.get(), codec, nullptr) < 0) {
        return nullptr;
    }
    return c;
}

// Sends every packet of one stream through the decoder and hands out each frame.
template <typename OnFrame>
void DecodeStream(AVFormatContext* input, int index, AVCodecContext* decoder, OnFrame onFrame) {
    PacketPtr packet(av_packet_alloc());
    FramePtr frame(av_frame_alloc());
    const auto drain = [&] {
        while (avcodec_receive_frame(decoder, frame.get()) >= 0) {
            onFrame(frame.get());
        }
    };
    while (av_read_frame(input, packet.get()) >= 0) {
        if (packet->stream_index == index) {
            avcodec_send_packet(decoder, packet.get());
            drain();
        }
        av_packet_unref(packet.get());
    }
    avcodec_send_packet(decoder, nullptr);
    drain();
}

}  // namespace

Recording Read(const QString& path) {
    Recording out;
    InputPtr input = Open(path);
    if (!input) {
        return out;
    }
    out.opened = true;
    int text = -1;
    for (unsigned i = 0; i < input->nb_streams; ++i) {
        const AVCodecParameters* p = input->streams[i]->codecpar;
        out.streams.push_back({p->codec_type, p->codec_id, p->width, p->height});
        if (text < 0 && p->codec_type == AVMEDIA_TYPE_SUBTITLE) {
            text = static_cast<int>(i);
        }
    }
    PacketPtr packet(av_packet_alloc());
    while (text >= 0 && av_read_frame(input.get(), packet.get()) >= 0) {
        if (packet->stream_index == text) {
            const AVStream* s = input->streams[text];
            std::string body(reinterpret_cast<const char*>(packet->data),
                             static_cast<std::size_t>(packet->size));
            if (s->codecpar->codec_id == AV_CODEC_ID_MOV_TEXT && body.size() >= 2) {
                const std::size_t length = (static_cast<unsigned char>(body[0]) << 8) |
                                           static_cast<unsigned char>(body[1]);
                body = body.substr(2, length);
            }
            const auto timeMs =
                static_cast<int>(av_rescale_q(packet->pts, s->time_base, {1, 1000}));
            std::size_t start = 0;
            while (!body.empty() && start <= body.size()) {
                const std::size_t end = std::min(body.find('\n', start), body.size());
                out.telemetry.push_back({timeMs, body.substr(start, end - start)});
                start = end + 1;
            }
        }
        av_packet_unref(packet.get());
    }
    return out;
}

std::vector<int> FrameCodes(const QString& path, int streamIndex) {
    std::vector<int> codes;
    InputPtr input = Open(path);
    if (!input || streamIndex >= static_cast<int>(input->nb_streams)) {
        return codes;
    }
    CodecPtr decoder = OpenDecoder(input->streams[streamIndex]);
    if (!decoder) {
        return codes;
    }
    DecodeStream(input.get(), streamIndex, decoder.get(), [&](const AVFrame* frame) {
        QImage image(frame->width, frame->height, QImage::Format_RGB32);
        const SwsContextPtr sws(sws_getContext(
            frame->width, frame->height, static_cast<AVPixelFormat>(frame->format), frame->width,
            frame->height, AV_PIX_FMT_BGRA, SWS_BILINEAR, nullptr, nullptr, nullptr));
        uint8_t* dst[] = {image.bits()};
        const int dstStride[] = {static_cast<int>(image.bytesPerLine())};
        sws_scale(sws.get(), frame->data, frame->linesize, 0, frame->height, dst, dstStride);
        codes.push_back(DecodeFrameCode(image));
    });
    return codes;
}

std::vector<float> AudioSamples(const QString& path, int& sampleRate) {
    std::vector<float> samples;
    InputPtr input = Open(path);
    const int index =
        input ? av_find_best_stream(input.get(), AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0) : -1;
    CodecPtr decoder = index >= 0 ? OpenDecoder(input->streams[index]) : nullptr;
    if (!decoder) {
        return samples;
    }
    sampleRate = decoder->sample_rate;
    DecodeStream(input.get(), index, decoder.get(), [&](const AVFrame* frame) {
        for (int i = 0; i < frame->nb_samples; ++i) {
            if (frame->format == AV_SAMPLE_FMT_FLTP) {
                samples.push_back(reinterpret_cast<const float*>(frame->data[0])[i]);
            } else if (frame->format == AV_SAMPLE_FMT_S16) {
                samples.push_back(reinterpret_cast<const int16_t*>(frame->data[0])[i] / 32768.0F);
            }
        }
    });
    return samples;
}

}  // namespace probe
