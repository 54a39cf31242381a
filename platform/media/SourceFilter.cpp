#include "platform/media/SourceFilter.h"

#include "platform/media/ComponentRegistry.h"
#include "platform/media/Log.h"

#include <algorithm>
#include <cstring>

namespace platform::media {

namespace {

constexpr char kVideoPinPrefix[] = "Video ";
constexpr char kAudioPinName[] = "Audio";
constexpr int kMaxPinNumber = 64;

bool IsPcm(AVCodecID codec) {
    return codec >= AV_CODEC_ID_FIRST_AUDIO && codec < AV_CODEC_ID_ADPCM_IMA_QT;
}

Guid SubtypeOf(const AVCodecParameters* codec) {
    switch (codec->codec_id) {
        case AV_CODEC_ID_H264:
            return MEDIASUBTYPE_H264;
        case AV_CODEC_ID_HEVC:
            return MEDIASUBTYPE_HEVC;
        case AV_CODEC_ID_MJPEG:
            return MEDIASUBTYPE_MJPG;
        case AV_CODEC_ID_AAC:
            return MEDIASUBTYPE_AAC;
        default:
            return IsPcm(codec->codec_id) ? MEDIASUBTYPE_PCM : MEDIASUBTYPE_Compressed;
    }
}

std::shared_ptr<const StreamFormat> DescribeStream(const AVStream* stream, REFERENCE_TIME offset) {
    auto format = std::make_shared<StreamFormat>();
    format->codec.reset(avcodec_parameters_alloc());
    if (!format->codec || avcodec_parameters_copy(format->codec.get(), stream->codecpar) < 0) {
        return nullptr;
    }
    format->timeBase = stream->time_base;
    format->frameRate =
        stream->avg_frame_rate.num > 0 ? stream->avg_frame_rate : stream->r_frame_rate;
    format->startOffset = offset;
    return format;
}

// The end of the last picture of any video stream, from the start of the recording; -1 when
// no video stream knows its length.
REFERENCE_TIME ProbePicturesEnd(const AVFormatContext* context, REFERENCE_TIME offset) {
    REFERENCE_TIME end = -1;
    for (unsigned i = 0; i < context->nb_streams; ++i) {
        const AVStream* stream = context->streams[i];
        if (stream->codecpar->codec_type != AVMEDIA_TYPE_VIDEO || stream->duration <= 0) {
            continue;
        }
        const int64_t start = stream->start_time != AV_NOPTS_VALUE ? stream->start_time : 0;
        end = std::max(end, ToReferenceTime(start + stream->duration, stream->time_base, offset));
    }
    return end;
}

REFERENCE_TIME ProbeDuration(const AVFormatContext* context) {
    if (context->duration > 0) {
        return av_rescale_q(context->duration, AV_TIME_BASE_Q, kReferenceTimeBase);
    }
    REFERENCE_TIME longest = -1;
    for (unsigned i = 0; i < context->nb_streams; ++i) {
        const AVStream* stream = context->streams[i];
        if (stream->duration > 0) {
            longest = std::max(
                longest, av_rescale_q(stream->duration, stream->time_base, kReferenceTimeBase));
        }
    }
    return longest;
}

}  // namespace

SourceFilter::SourceFilter() : FilterBase(CLSID_SourceFilter) {}

SourceFilter::~SourceFilter() {
    RequestStop();
    JoinStreaming();
}

HRESULT SourceFilter::QueryExtra(const IID& iid, void** object) {
    if (iid == IFileSourceFilter::kIid) {
        *object = static_cast<IFileSourceFilter*>(this);
    } else if (iid == ITelemetrySource::kIid) {
        *object = static_cast<ITelemetrySource*>(this);
    } else if (iid == IRecoverySource::kIid) {
        *object = static_cast<IRecoverySource*>(this);
    } else {
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

HRESULT SourceFilter::Load(const QString& path, const MediaType* /*type*/) {
    if (m_context) {
        return VFW_E_WRONG_STATE;
    }
    const AVIOInterruptCB interrupt{&SourceFilter::InterruptCallback, this};
    HRESULT error = S_OK;
    FormatContextPtr context = OpenRecording(path, &interrupt, &error);
    if (!context && m_referenceFinder && LacksIndex(path)) {
        context = OpenCutRecording(path, &interrupt);
    }
    if (!context) {
        return error;
    }
    m_path = path;
    m_context = std::move(context);
    m_startOffset = m_context->start_time != AV_NOPTS_VALUE && m_context->start_time > 0
                        ? av_rescale_q(m_context->start_time, AV_TIME_BASE_Q, kReferenceTimeBase)
                        : 0;
    m_duration = ProbeDuration(m_context.get());
    m_picturesEnd = ProbePicturesEnd(m_context.get(), m_startOffset);
    CreatePins();
    m_lines.clear();
    m_nextLine = 0;
    const int telemetry = FindTelemetryStream(m_context.get());
    if (m_textOption != 0 && telemetry >= 0 && m_recovered) {
        // Streaming starts with a seek, so the lines are read through the same demuxer.
        m_lines = ReadTelemetryLines(m_context.get(), telemetry);
        avformat_seek_file(m_context.get(), -1, INT64_MIN, 0, 0, AVSEEK_FLAG_BACKWARD);
    } else if (m_textOption != 0 && telemetry >= 0) {
        m_lines = ReadTelemetryLines(path, telemetry);
    }
    return S_OK;
}

FormatContextPtr SourceFilter::OpenCutRecording(const QString& path,
                                                const AVIOInterruptCB* interrupt) {
    auto recovered = RecoverWithCandidates(path, m_referenceFinder(path));
    if (!recovered) {
        qCWarning(lcMedia) << "open" << path
                           << "failed: its index is missing and cannot be rebuilt";
        return nullptr;
    }
    HRESULT error = S_OK;
    auto input = RecoveredInput::Open(recovered, interrupt, &error);
    if (!input) {
        return nullptr;
    }
    m_recovered = std::move(recovered);
    m_recoveredInput = std::move(input);
    return m_recoveredInput->TakeContext();
}

HRESULT SourceFilter::SetReferenceFinder(ReferenceFinder finder) {
    m_referenceFinder = std::move(finder);
    return S_OK;
}

void SourceFilter::CreatePins() {
    int videoCount = 0;
    bool audioDone = false;
    for (unsigned i = 0; i < m_context->nb_streams; ++i) {
        const AVStream* stream = m_context->streams[i];
        const AVCodecParameters* codec = stream->codecpar;
        const bool video = codec->codec_type == AVMEDIA_TYPE_VIDEO &&
                           (stream->disposition & AV_DISPOSITION_ATTACHED_PIC) == 0 &&
                           codec->width > 0 && codec->height > 0 && videoCount < kMaxPinNumber;
        const bool audio = codec->codec_type == AVMEDIA_TYPE_AUDIO && !audioDone &&
                           codec->sample_rate > 0 && codec->ch_layout.nb_channels > 0;
        if (!video && !audio) {
            continue;
        }
        auto format = DescribeStream(stream, m_startOffset);
        if (!format) {
            continue;
        }
        const QString name =
            video ? QString::fromLatin1(kVideoPinPrefix) + QString::number(++videoCount)
                  : QString::fromLatin1(kAudioPinName);
        audioDone = audioDone || audio;
        const MediaType type{video ? MEDIATYPE_Video : MEDIATYPE_Audio, SubtypeOf(codec), format};
        OutputPin* pin = AddOutputPin(name, [type] { return std::vector<MediaType>{type}; });
        m_routes.push_back(Route{static_cast<int>(i), pin, format});
    }
}

HRESULT SourceFilter::GetCurFile(QString* path, MediaType* type) {
    if (path == nullptr) {
        return E_POINTER;
    }
    *path = m_path;
    if (type != nullptr) {
        *type = MediaType{};
    }
    return m_context ? S_OK : E_FAIL;
}

HRESULT SourceFilter::SetTextOption(BYTE flag) {
    m_textOption = flag;
    return S_OK;
}

HRESULT SourceFilter::ReadTextLine(char* buffer, int* length, int* timeMs) {
    if (buffer == nullptr || length == nullptr || timeMs == nullptr) {
        return E_POINTER;
    }
    if (*length <= 0) {
        return E_INVALIDARG;
    }
    if (m_nextLine >= m_lines.size()) {
        buffer[0] = '\0';
        return ERROR_HANDLE_EOF;
    }
    const TelemetryLine& line = m_lines[m_nextLine++];
    const size_t copied = std::min(line.text.size(), static_cast<size_t>(*length - 1));
    std::memcpy(buffer, line.text.data(), copied);
    buffer[copied] = '\0';
    *length = static_cast<int>(copied);
    *timeMs = line.timeMs;
    return S_OK;
}

int SourceFilter::InterruptCallback(void* self) {
    return static_cast<SourceFilter*>(self)->m_stop.load() ? 1 : 0;
}

HRESULT SourceFilter::StartStreaming(int serial) {
    if (!m_context) {
        return S_OK;  // nothing loaded: nothing to stream
    }
    JoinStreaming();
    m_stop = false;
    for (unsigned i = 0; i < m_context->nb_streams; ++i) {
        m_context->streams[i]->discard = AVDISCARD_ALL;
    }
    for (const Route& route : m_routes) {
        if (route.pin->IsConnected()) {
            m_context->streams[route.streamIndex]->discard = AVDISCARD_DEFAULT;
        }
    }
    {
        std::lock_guard lock(m_seekMutex);
        m_seekPending = true;
        m_seekTarget = m_clock ? m_clock->SegmentStart() : 0;
        m_seekSerial = serial;
    }
    m_thread = std::thread([this, serial] { DemuxLoop(serial); });
    return S_OK;
}

void SourceFilter::RequestStop() {
    m_stop = true;
    m_seekChanged.notify_all();
    FilterBase::RequestStop();
}

void SourceFilter::JoinStreaming() {
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

void SourceFilter::SeekSource(REFERENCE_TIME target, int serial) {
    {
        std::lock_guard lock(m_seekMutex);
        m_seekPending = true;
        m_seekTarget = target;
        m_seekSerial = serial;
    }
    m_seekChanged.notify_all();
}

bool SourceFilter::ApplyPendingSeek(int* serial, bool* ended) {
    REFERENCE_TIME target = 0;
    {
        std::unique_lock lock(m_seekMutex);
        if (*ended) {
            m_seekChanged.wait(lock, [&] { return m_stop.load() || m_seekPending; });
        }
        if (!m_seekPending) {
            return false;
        }
        m_seekPending = false;
        target = m_seekTarget;
        *serial = m_seekSerial;
    }
    const int64_t ts = av_rescale_q(target + m_startOffset, kReferenceTimeBase, AV_TIME_BASE_Q);
    if (const int sought = avformat_seek_file(m_context.get(), -1, INT64_MIN, ts, ts, 0);
        sought < 0) {
        // Some files only seek to their start; reading from there still reaches the target.
        qCInfo(lcMedia) << "seek to" << ToMilliseconds(target)
                        << "ms reads from the start:" << AvErrorText(sought);
        avformat_seek_file(m_context.get(), -1, INT64_MIN, 0, 0, AVSEEK_FLAG_BACKWARD);
    }
    *ended = false;
    return true;
}

void SourceFilter::DeliverEndOfStream(int serial) {
    for (const Route& route : m_routes) {
        if (route.pin->IsConnected()) {
            route.pin->Deliver(MakeEndOfStream(serial));
        }
    }
}

void SourceFilter::DemuxLoop(int serial) {
    PacketPtr packet(av_packet_alloc());
    bool ended = false;
    while (packet && !m_stop) {
        ApplyPendingSeek(&serial, &ended);
        if (m_stop) {
            break;
        }
        const int read = av_read_frame(m_context.get(), packet.get());
        if (read == AVERROR(EAGAIN)) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            continue;
        }
        if (read < 0) {
            // End of file, or the rest is unreadable (a cut recording): end every stream.
            if (read != AVERROR_EOF) {
                qCWarning(lcMedia) << "reading" << m_path << "stopped:" << AvErrorText(read);
            }
            DeliverEndOfStream(serial);
            ended = true;
            continue;
        }
        const auto route = std::find_if(m_routes.begin(), m_routes.end(), [&](const Route& r) {
            return r.streamIndex == packet->stream_index;
        });
        if (route == m_routes.end() || !route->pin->IsConnected()) {
            av_packet_unref(packet.get());
            continue;
        }
        auto sample = std::make_unique<MediaSample>();
        sample->kind = MediaSample::Kind::Packet;
        sample->serial = serial;
        const AVRational timeBase = route->format->timeBase;
        const int64_t ts = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
        sample->start = ToReferenceTime(ts, timeBase, m_startOffset);
        sample->duration =
            packet->duration > 0 ? av_rescale_q(packet->duration, timeBase, kReferenceTimeBase) : 0;
        sample->packet.reset(av_packet_alloc());
        if (!sample->packet) {
            break;
        }
        av_packet_move_ref(sample->packet.get(), packet.get());
        if (!route->pin->Deliver(std::move(sample))) {
            break;
        }
    }
}

}  // namespace platform::media
