#include "platform/media/FormatReader.h"

#include "platform/media/Log.h"
#include "platform/media/MediaTime.h"
#include "platform/system/FilePaths.h"
#include "platform/system/RegularFile.h"

#include <algorithm>
#include <limits>

#include <unistd.h>

namespace platform::media {

namespace {

// Containers a camera writes; anything else (and every protocol but local files) is refused
// so that odd bytes never reach a demuxer nobody meant to expose.
constexpr char kFormatWhitelist[] = "mov,matroska,avi,mpegts";
constexpr char kProtocolWhitelist[] = "file";
constexpr int kAssTextField = 8;  // ReadOrder,Layer,Style,Name,MarginL,MarginR,MarginV,Effect,Text

bool HasPlayableStream(const AVFormatContext* context) {
    for (unsigned i = 0; i < context->nb_streams; ++i) {
        const AVCodecParameters* codec = context->streams[i]->codecpar;
        if (codec->codec_type == AVMEDIA_TYPE_VIDEO && codec->codec_id != AV_CODEC_ID_NONE &&
            codec->width > 0 && codec->height > 0) {
            return true;
        }
        if (codec->codec_type == AVMEDIA_TYPE_AUDIO && codec->codec_id != AV_CODEC_ID_NONE &&
            codec->sample_rate > 0 && codec->ch_layout.nb_channels > 0) {
            return true;
        }
    }
    return false;
}

void AppendLines(std::string_view text, std::vector<std::string>* lines) {
    size_t begin = 0;
    while (begin <= text.size()) {
        size_t end = text.find('\n', begin);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        std::string_view line = text.substr(begin, end - begin);
        while (!line.empty() && (line.back() == '\r' || line.back() == '\0')) {
            line.remove_suffix(1);
        }
        if (!line.empty()) {
            lines->emplace_back(line);
        }
        begin = end + 1;
    }
}

// The container opened (its header and index read), whatever it holds.
FormatContextPtr OpenInput(const QString& path, const AVIOInterruptCB* interrupt, HRESULT* error) {
    *error = S_OK;
    AVFormatContext* raw = avformat_alloc_context();
    if (raw == nullptr) {
        *error = E_OUTOFMEMORY;
        return nullptr;
    }
    if (interrupt != nullptr) {
        raw->interrupt_callback = *interrupt;
    }
    AvDictionary options;
    options.Set("format_whitelist", kFormatWhitelist);
    const int opened = OpenCheckedInput(&raw, path, nullptr, &options, error);
    if (*error == VFW_E_NOT_FOUND) {
        return nullptr;
    }
    if (opened < 0) {
        qCWarning(lcMedia) << "open" << path
                           << "failed: not a recording container:" << AvErrorText(opened);
        *error = VFW_E_UNKNOWN_FILE_TYPE;  // avformat_open_input freed the context
        return nullptr;
    }
    return FormatContextPtr(raw);
}

// The container opened and its streams probed, whatever they hold.
FormatContextPtr OpenContainer(const QString& path, const AVIOInterruptCB* interrupt,
                               HRESULT* error) {
    FormatContextPtr context = OpenInput(path, interrupt, error);
    if (!context) {
        return nullptr;
    }
    if (const int probed = avformat_find_stream_info(context.get(), nullptr); probed < 0) {
        qCWarning(lcMedia) << "open" << path
                           << "failed: its streams cannot be read:" << AvErrorText(probed);
        *error = VFW_E_INVALID_FILE_FORMAT;
        return nullptr;
    }
    return context;
}

}  // namespace

int OpenCheckedInput(AVFormatContext** context, const QString& path, const AVInputFormat* format,
                     AvDictionary* options, HRESULT* error) {
    int fd = -1;
    QString why;
    if (path.isEmpty() ||
        platform::OpenRegularDescriptor(path, std::numeric_limits<int64_t>::max(), &fd, &why) !=
            platform::FileReadStatus::Ok) {
        qCWarning(lcMedia) << "open" << path << "failed:" << (path.isEmpty() ? "no path" : why);
        *error = VFW_E_NOT_FOUND;
        FormatContextPtr unopened(*context);  // freed as avformat_open_input frees on failure
        *context = nullptr;
        return AVERROR(ENOENT);
    }
    // The checked descriptor's own file, whatever now stands at the path.
    const QByteArray url = QByteArrayLiteral("file:/proc/self/fd/") + QByteArray::number(fd);
    options->Set("protocol_whitelist", kProtocolWhitelist);
    const int opened = avformat_open_input(context, url.constData(), format, options->Slot());
    ::close(fd);
    return opened;
}

FormatContextPtr OpenRecording(const QString& path, const AVIOInterruptCB* interrupt,
                               HRESULT* error) {
    FormatContextPtr context = OpenContainer(path, interrupt, error);
    if (context && !HasPlayableStream(context.get())) {
        qCWarning(lcMedia) << "open" << path << "failed: no video or sound stream it can play";
        *error = VFW_E_INVALID_FILE_FORMAT;
        return nullptr;
    }
    return context;
}

bool ProbeStreams(const QString& path, StreamCounts* counts) {
    *counts = StreamCounts{};
    HRESULT error = S_OK;
    const FormatContextPtr context = OpenContainer(path, nullptr, &error);
    if (!context) {
        return false;
    }
    if (context->duration > 0) {
        counts->durationMs = context->duration / (AV_TIME_BASE / 1000);
    }
    for (unsigned i = 0; i < context->nb_streams; ++i) {
        const AVStream* stream = context->streams[i];
        const AVCodecParameters* codec = stream->codecpar;
        switch (codec->codec_type) {
            case AVMEDIA_TYPE_VIDEO:
                if ((stream->disposition & AV_DISPOSITION_ATTACHED_PIC) != 0) {
                    continue;
                }
                ++counts->video;
                if (codec->codec_id == AV_CODEC_ID_NONE ||
                    avcodec_find_decoder(codec->codec_id) == nullptr) {
                    counts->undecodableVideo.push_back(codec->codec_tag);
                }
                if (counts->video == 1 && stream->avg_frame_rate.num > 0 &&
                    stream->avg_frame_rate.den > 0) {
                    counts->frameIntervalMs = 1000.0 / av_q2d(stream->avg_frame_rate);
                }
                break;
            case AVMEDIA_TYPE_AUDIO:
                ++counts->audio;
                break;
            case AVMEDIA_TYPE_SUBTITLE:
                ++counts->text;
                break;
            default:
                break;
        }
    }
    return true;
}

bool ProbeIndexDuration(const QString& path, int64_t* durationMs) {
    RouteFfmpegLog();  // callers need not have made a graph before
    *durationMs = -1;
    HRESULT error = S_OK;
    const FormatContextPtr context = OpenInput(path, nullptr, &error);
    if (!context) {
        return false;
    }
    // The header gives the whole duration for some containers, the tracks' for others.
    REFERENCE_TIME longest =
        context->duration > 0 ? av_rescale_q(context->duration, AV_TIME_BASE_Q, kReferenceTimeBase)
                              : -1;
    for (unsigned i = 0; context->duration <= 0 && i < context->nb_streams; ++i) {
        const AVStream* stream = context->streams[i];
        if (stream->duration > 0) {
            longest = std::max(
                longest, av_rescale_q(stream->duration, stream->time_base, kReferenceTimeBase));
        }
    }
    *durationMs = longest > 0 ? ToMilliseconds(longest) : -1;
    return *durationMs > 0;
}

bool ReadRecordingTelemetry(const QString& path, std::vector<TelemetryText>* lines) {
    RouteFfmpegLog();
    lines->clear();
    HRESULT error = S_OK;
    const FormatContextPtr context = OpenRecording(path, nullptr, &error);
    if (!context) {
        return false;
    }
    const int stream = FindTelemetryStream(context.get());
    for (TelemetryLine& line : ReadTelemetryLines(context.get(), stream)) {
        lines->push_back(TelemetryText{line.timeMs, std::move(line.text)});
    }
    return true;
}

int FindTelemetryStream(const AVFormatContext* context) {
    for (unsigned i = 0; i < context->nb_streams; ++i) {
        const AVCodecParameters* codec = context->streams[i]->codecpar;
        if (codec->codec_type != AVMEDIA_TYPE_SUBTITLE) {
            continue;
        }
        const AVCodecDescriptor* descriptor = avcodec_descriptor_get(codec->codec_id);
        if (descriptor != nullptr && (descriptor->props & AV_CODEC_PROP_TEXT_SUB) != 0) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

std::vector<std::string> SplitTelemetrySample(AVCodecID codec, const uint8_t* data, int size) {
    std::vector<std::string> lines;
    if (data == nullptr || size <= 0) {
        return lines;
    }
    std::string_view text(reinterpret_cast<const char*>(data), static_cast<size_t>(size));
    if (codec == AV_CODEC_ID_MOV_TEXT) {
        // 16-bit big-endian text length, the text, then optional style boxes.
        if (size < 2) {
            return lines;
        }
        const size_t length = (static_cast<size_t>(data[0]) << 8) | data[1];
        text = text.substr(2, std::min(length, text.size() - 2));
        AppendLines(text, &lines);
        return lines;
    }
    if (codec == AV_CODEC_ID_ASS || codec == AV_CODEC_ID_SSA) {
        size_t position = 0;
        for (int field = 0; field < kAssTextField && position != std::string_view::npos; ++field) {
            position = text.find(',', position);
            if (position != std::string_view::npos) {
                ++position;
            }
        }
        if (position == std::string_view::npos) {
            return lines;
        }
        const std::string_view field = text.substr(position);
        std::string body;
        body.reserve(field.size());
        for (size_t i = 0; i < field.size(); ++i) {
            if (field[i] == '\\' && i + 1 < field.size() && field[i + 1] == 'N') {
                body.push_back('\n');
                ++i;
            } else {
                body.push_back(field[i]);
            }
        }
        AppendLines(body, &lines);
        return lines;
    }
    AppendLines(text, &lines);
    return lines;
}

std::vector<TelemetryLine> ReadTelemetryLines(const QString& path, int streamIndex) {
    std::vector<TelemetryLine> result;
    HRESULT error = S_OK;
    FormatContextPtr context = OpenRecording(path, nullptr, &error);
    return context ? ReadTelemetryLines(context.get(), streamIndex) : result;
}

std::vector<TelemetryLine> ReadRecordingTelemetry(const QString& path) {
    HRESULT error = S_OK;
    const FormatContextPtr context = OpenRecording(path, nullptr, &error);
    return context ? ReadTelemetryLines(context.get(), FindTelemetryStream(context.get()))
                   : std::vector<TelemetryLine>();
}

std::vector<TelemetryLine> ReadTelemetryLines(AVFormatContext* context, int streamIndex) {
    std::vector<TelemetryLine> result;
    if (streamIndex < 0 || streamIndex >= static_cast<int>(context->nb_streams)) {
        return result;
    }
    for (unsigned i = 0; i < context->nb_streams; ++i) {
        context->streams[i]->discard =
            static_cast<int>(i) == streamIndex ? AVDISCARD_DEFAULT : AVDISCARD_ALL;
    }
    const AVStream* stream = context->streams[streamIndex];
    PacketPtr packet(av_packet_alloc());
    while (packet && av_read_frame(context, packet.get()) >= 0) {
        if (packet->stream_index == streamIndex) {
            const int64_t ts = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
            const int64_t ms =
                ts == AV_NOPTS_VALUE ? 0 : av_rescale_q(ts, stream->time_base, AVRational{1, 1000});
            const int timeMs = static_cast<int>(std::clamp<int64_t>(ms, INT32_MIN, INT32_MAX));
            for (std::string& line :
                 SplitTelemetrySample(stream->codecpar->codec_id, packet->data, packet->size)) {
                result.push_back(TelemetryLine{timeMs, std::move(line)});
            }
        }
        av_packet_unref(packet.get());
    }
    std::stable_sort(
        result.begin(), result.end(),
        [](const TelemetryLine& a, const TelemetryLine& b) { return a.timeMs < b.timeMs; });
    return result;
}

}  // namespace platform::media
