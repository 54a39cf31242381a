#include "platform/media/ClipOutput.h"

#include "platform/media/FormatReader.h"
#include "platform/media/Log.h"
#include "platform/media/MediaSample.h"

#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace platform::media {

namespace {

constexpr int kIoBufferBytes = 256 * 1024;
constexpr AVRational kTelemetryTimeBase{1, 90000};  // finer than any sound or picture's
constexpr int kMaxTextBytes = 0xffff;               // a timed-text sample's length field

// The sample description a text track needs; players show nothing of it.
constexpr char kTextTrackStyle[] =
    "[Script Info]\nScriptType: v4.00+\nPlayResX: 384\nPlayResY: 288\n\n"
    "[V4+ Styles]\nFormat: Name, Fontname, Fontsize, PrimaryColour, SecondaryColour, "
    "OutlineColour, BackColour, Bold, Italic, Underline, StrikeOut, ScaleX, ScaleY, Spacing, "
    "Angle, BorderStyle, Outline, Shadow, Alignment, MarginL, MarginR, MarginV, Encoding\n"
    "Style: Default,Arial,16,&Hffffff,&Hffffff,&H0,&H0,0,0,0,0,100,100,0,0,1,1,0,2,10,10,10,0\n\n"
    "[Events]\nFormat: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\n";

// The file's own error, in the user's words.
ClipOutcome FileFailure(const ClipFile& file) {
    const QString name = QFileInfo(file.Target()).fileName();
    switch (file.ErrorCode()) {
        case ENOSPC:
        case EDQUOT:
            return {ClipStatus::DiskFull,
                    QStringLiteral("the disk holding %1 is full (%2)").arg(name, file.Error())};
        case EFBIG:
            return {ClipStatus::DiskFull,
                    QStringLiteral("%1 grew larger than its disk takes a file (%2)")
                        .arg(name, file.Error())};
        case ENOENT:
        case ENODEV:
        case ENXIO:
        case EIO:
        case ESTALE:
            return {ClipStatus::TargetFailed,
                    QStringLiteral("the folder of %1 is gone (%2)").arg(name, file.Error())};
        default:
            return {ClipStatus::TargetFailed,
                    QStringLiteral("cannot write %1: %2").arg(file.Target(), file.Error())};
    }
}

}  // namespace

ClipOutput::ClipOutput(const QString& target) : m_file(target) {}

ClipOutput::~ClipOutput() {
    m_format.reset();
    m_io.reset();
    m_file.Discard();
}

int ClipOutput::WritePacket(void* opaque, uint8_t* data, int size) {
    auto* file = static_cast<ClipFile*>(opaque);
    return file->Write(data, size) ? size : AVERROR(file->ErrorCode());
}

int64_t ClipOutput::SeekFile(void* opaque, int64_t offset, int whence) {
    auto* file = static_cast<ClipFile*>(opaque);
    if ((whence & AVSEEK_SIZE) != 0) {
        return file->Size();
    }
    const int64_t at = file->Seek(offset, whence & ~AVSEEK_FORCE);
    return at >= 0 ? at : AVERROR(file->ErrorCode());
}

bool ClipOutput::Fail(const QString& what, int code, ClipOutcome* failure) const {
    if (m_file.ErrorCode() != 0) {
        *failure = FileFailure(m_file);
    } else if (!m_file.FolderExists()) {
        *failure = {ClipStatus::TargetFailed,
                    QStringLiteral("the folder of %1 is gone").arg(m_file.Target())};
    } else {
        *failure = {ClipStatus::Failed, QStringLiteral("%1: %2").arg(what, AvErrorText(code))};
    }
    return false;
}

bool ClipOutput::Create(bool quickTime, ClipOutcome* failure) {
    if (!m_file.Create()) {
        *failure = FileFailure(m_file);
        return false;
    }
    AVFormatContext* format = nullptr;
    const int code =
        avformat_alloc_output_context2(&format, nullptr, quickTime ? "mov" : "mp4", nullptr);
    if (code < 0 || format == nullptr || !m_packet) {
        *failure = {ClipStatus::Failed, QStringLiteral("cannot set up the container")};
        return false;
    }
    m_format.reset(format);
    auto* buffer = static_cast<uint8_t*>(av_malloc(kIoBufferBytes));
    AVIOContext* io = buffer == nullptr
                          ? nullptr
                          : avio_alloc_context(buffer, kIoBufferBytes, 1, &m_file, nullptr,
                                               &ClipOutput::WritePacket, &ClipOutput::SeekFile);
    if (io == nullptr) {
        av_free(buffer);
        *failure = {ClipStatus::Failed, QStringLiteral("out of memory")};
        return false;
    }
    m_io.reset(io);
    m_format->pb = io;
    m_format->flags |= AVFMT_FLAG_CUSTOM_IO;
    return true;
}

AVStream* ClipOutput::AddStream(const AVCodecParameters* codec, AVRational timeBase) {
    AVStream* stream = avformat_new_stream(m_format.get(), nullptr);
    if (stream == nullptr || avcodec_parameters_copy(stream->codecpar, codec) < 0) {
        return nullptr;
    }
    stream->codecpar->codec_tag = 0;
    stream->time_base = timeBase;
    return stream;
}

bool ClipOutput::AddTelemetry(const AVCodecParameters* source, ClipOutcome* failure) {
    AVStream* stream = avformat_new_stream(m_format.get(), nullptr);
    if (stream == nullptr) {
        *failure = {ClipStatus::Failed, QStringLiteral("out of memory")};
        return false;
    }
    stream->time_base = kTelemetryTimeBase;
    m_telemetry = stream->index;
    if (source != nullptr && source->codec_id == AV_CODEC_ID_MOV_TEXT) {
        if (avcodec_parameters_copy(stream->codecpar, source) < 0) {
            *failure = {ClipStatus::Failed, QStringLiteral("out of memory")};
            return false;
        }
        stream->codecpar->codec_tag = 0;
        return true;
    }
    // The description is what the timed-text encoder makes of a plain style.
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_MOV_TEXT);
    CodecContextPtr encoder(codec != nullptr ? avcodec_alloc_context3(codec) : nullptr);
    const size_t styleBytes = sizeof kTextTrackStyle - 1;
    if (encoder) {
        encoder->subtitle_header = static_cast<uint8_t*>(av_mallocz(styleBytes + 1));
    }
    if (!encoder || encoder->subtitle_header == nullptr) {
        *failure = {ClipStatus::Unsupported, QStringLiteral("no timed-text encoder")};
        return false;
    }
    std::memcpy(encoder->subtitle_header, kTextTrackStyle, styleBytes);
    encoder->subtitle_header_size = static_cast<int>(styleBytes);
    encoder->time_base = {1, 1000};
    int code = avcodec_open2(encoder.get(), codec, nullptr);
    if (code >= 0) {
        code = avcodec_parameters_from_context(stream->codecpar, encoder.get());
    }
    if (code < 0) {
        *failure = {ClipStatus::Failed,
                    QStringLiteral("cannot set up the telemetry track: %1").arg(AvErrorText(code))};
        return false;
    }
    return true;
}

bool ClipOutput::Begin(const AVDictionary* tags, ClipOutcome* failure) {
    if (tags != nullptr) {
        av_dict_copy(&m_format->metadata, tags, 0);
    }
    const int code = avformat_write_header(m_format.get(), nullptr);
    return code >= 0 || Fail(QStringLiteral("cannot write the clip's header"), code, failure);
}

bool ClipOutput::Write(AVPacket* packet, ClipOutcome* failure) {
    const int code = av_interleaved_write_frame(m_format.get(), packet);
    return code >= 0 || Fail(QStringLiteral("cannot write the clip"), code, failure);
}

bool ClipOutput::CopyTelemetry(const ClipSource& source, const AVPacket* packet,
                               REFERENCE_TIME from, REFERENCE_TIME to, REFERENCE_TIME zero,
                               const TelemetryRewrite& rewrite, ClipOutcome* failure) {
    const int stream = packet->stream_index;
    const REFERENCE_TIME start =
        source.Time(stream, packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts);
    if (m_telemetry < 0 || start < from || start >= to) {
        return true;
    }
    const AVCodecID codec = source.context->streams[stream]->codecpar->codec_id;
    QByteArray text;
    if (codec != AV_CODEC_ID_MOV_TEXT || rewrite) {
        for (const std::string& line : SplitTelemetrySample(codec, packet->data, packet->size)) {
            text += QByteArray::fromStdString(line) + '\n';
        }
        text.chop(1);
        if (rewrite) {
            text = rewrite(text);
        }
        if (text.isEmpty()) {
            return true;
        }
    }
    // A timed-text sample starts with its text length (16 bits, big-endian); a sample copied
    // as it is keeps its style boxes after the text.
    const bool copied = codec == AV_CODEC_ID_MOV_TEXT && !rewrite;
    const int length = static_cast<int>(std::min<qsizetype>(text.size(), kMaxTextBytes));
    if (av_new_packet(m_packet.get(), copied ? packet->size : length + 2) < 0) {
        *failure = {ClipStatus::Failed, QStringLiteral("out of memory")};
        return false;
    }
    if (copied) {
        std::memcpy(m_packet->data, packet->data, static_cast<size_t>(packet->size));
    } else {
        m_packet->data[0] = static_cast<uint8_t>(length >> 8);
        m_packet->data[1] = static_cast<uint8_t>(length & 0xff);
        std::memcpy(m_packet->data + 2, text.constData(), static_cast<size_t>(length));
    }
    const AVRational sourceBase = source.context->streams[stream]->time_base;
    REFERENCE_TIME duration = av_rescale_q(packet->duration, sourceBase, kReferenceTimeBase);
    duration = std::min(duration > 0 ? duration : to - start, to - start);
    const AVRational timeBase = m_format->streams[m_telemetry]->time_base;
    m_packet->pts = av_rescale_q(start - zero, kReferenceTimeBase, timeBase);
    if (m_packet->pts <= m_lastTelemetry) {
        // Overlaps the previous recording's last sample: that one stands.
        av_packet_unref(m_packet.get());
        return true;
    }
    m_lastTelemetry = m_packet->pts;
    m_packet->dts = m_packet->pts;
    m_packet->duration = av_rescale_q(duration, kReferenceTimeBase, timeBase);
    m_packet->flags |= AV_PKT_FLAG_KEY;
    m_packet->stream_index = m_telemetry;
    return Write(m_packet.get(), failure);
}

bool ClipOutput::CheckTarget(ClipOutcome* failure) const {
    if (m_file.FolderExists()) {
        return true;
    }
    *failure = {ClipStatus::TargetFailed,
                QStringLiteral("the folder of %1 is gone").arg(m_file.Target())};
    return false;
}

bool ClipOutput::Finish(ClipOutcome* failure) {
    int code = av_write_trailer(m_format.get());
    if (code >= 0) {
        avio_flush(m_format->pb);
        code = m_format->pb->error;
    }
    if (code < 0) {
        return Fail(QStringLiteral("cannot finish the clip"), code, failure);
    }
    if (!CheckTarget(failure)) {
        return false;
    }
    if (!m_file.Commit()) {
        *failure = FileFailure(m_file);
        return false;
    }
    return true;
}

}  // namespace platform::media
