#pragma once
// FFmpeg objects held by RAII, for the engine, the tools and their tests alike: each type owns
// its object through std::unique_ptr with the library's own free function. An object belongs to
// one thread at a time.

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/dict.h>
#include <libavutil/error.h>
#include <libavutil/frame.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <QString>

#include <memory>

namespace platform::media {

struct AvDeleter {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
    void operator()(AVCodecParameters* parameters) const { avcodec_parameters_free(&parameters); }
    void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
    void operator()(SwsContext* context) const { sws_freeContext(context); }
    void operator()(SwrContext* context) const { swr_free(&context); }
    void operator()(AVAudioFifo* fifo) const { av_audio_fifo_free(fifo); }
};

// A demuxer opened with avformat_open_input.
struct InputFormatDeleter {
    void operator()(AVFormatContext* context) const { avformat_close_input(&context); }
};
// A muxer from avformat_alloc_output_context2, with the file it may have opened (a custom I/O
// context belongs to whoever made it).
struct OutputFormatDeleter {
    void operator()(AVFormatContext* context) const {
        if (context->pb != nullptr && (context->oformat->flags & AVFMT_NOFILE) == 0 &&
            (context->flags & AVFMT_FLAG_CUSTOM_IO) == 0) {
            avio_closep(&context->pb);
        }
        avformat_free_context(context);
    }
};

// A custom I/O context from avio_alloc_context, with its buffer.
struct IoContextDeleter {
    void operator()(AVIOContext* io) const {
        av_freep(&io->buffer);
        avio_context_free(&io);
    }
};

using PacketPtr = std::unique_ptr<AVPacket, AvDeleter>;
using FramePtr = std::unique_ptr<AVFrame, AvDeleter>;
using CodecParametersPtr = std::unique_ptr<AVCodecParameters, AvDeleter>;
using CodecContextPtr = std::unique_ptr<AVCodecContext, AvDeleter>;
using SwsContextPtr = std::unique_ptr<SwsContext, AvDeleter>;
using SwrContextPtr = std::unique_ptr<SwrContext, AvDeleter>;
using AudioFifoPtr = std::unique_ptr<AVAudioFifo, AvDeleter>;
using FormatContextPtr = std::unique_ptr<AVFormatContext, InputFormatDeleter>;
using OutputFormatPtr = std::unique_ptr<AVFormatContext, OutputFormatDeleter>;
using IoContextPtr = std::unique_ptr<AVIOContext, IoContextDeleter>;

// An option dictionary, freed with the object; pass Slot() where FFmpeg takes AVDictionary**.
class AvDictionary {
public:
    AvDictionary() = default;
    ~AvDictionary() { av_dict_free(&m_dictionary); }
    AvDictionary(const AvDictionary&) = delete;
    AvDictionary& operator=(const AvDictionary&) = delete;

    bool Set(const char* key, const char* value) {
        return av_dict_set(&m_dictionary, key, value, 0) >= 0;
    }
    AVDictionary** Slot() { return &m_dictionary; }

private:
    AVDictionary* m_dictionary = nullptr;
};

// FFmpeg's text for an error code, for messages and logs.
inline QString AvErrorText(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return QString::fromUtf8(text);
}

}  // namespace platform::media
