#include "platform/media/ClipSources.h"

#include "platform/media/FormatReader.h"
#include "platform/media/Log.h"
#include "platform/media/MediaSample.h"

#include <QFileInfo>

#include <algorithm>
#include <cstring>

namespace platform::media {

namespace {

constexpr int kReadsPerPresenceCheck = 64;

int Interrupted(void* cancel) {
    return static_cast<const std::atomic<bool>*>(cancel)->load() ? 1 : 0;
}

QString NameOf(const QString& path) {
    return QFileInfo(path).fileName();
}

// Video streams that are pictures of a camera (cover pictures are not).
std::vector<int> CameraStreams(const AVFormatContext* context) {
    std::vector<int> streams;
    for (unsigned i = 0; i < context->nb_streams; ++i) {
        const AVStream* stream = context->streams[i];
        if (stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO &&
            (stream->disposition & AV_DISPOSITION_ATTACHED_PIC) == 0) {
            streams.push_back(static_cast<int>(i));
        }
    }
    return streams;
}

bool SameVideo(const AVCodecParameters* a, const AVCodecParameters* b, bool sameCoding) {
    if (a->codec_id != b->codec_id || a->width != b->width || a->height != b->height) {
        return false;
    }
    return !sameCoding ||
           (a->extradata_size == b->extradata_size &&
            (a->extradata_size == 0 ||
             std::memcmp(a->extradata, b->extradata, static_cast<size_t>(a->extradata_size)) == 0));
}

}  // namespace

REFERENCE_TIME ClipSource::Time(int stream, int64_t timestamp) const {
    if (timestamp == AV_NOPTS_VALUE) {
        return -1;
    }
    return offset +
           av_rescale_q(timestamp, context->streams[stream]->time_base, kReferenceTimeBase) -
           startOffset;
}

int64_t ClipSource::Timestamp(int stream, REFERENCE_TIME time) const {
    return av_rescale_q(time - offset + startOffset, kReferenceTimeBase,
                        context->streams[stream]->time_base);
}

bool ClipSources::OpenOne(const QString& path, ClipSource* source, ClipOutcome* failure) {
    source->path = path;
    HRESULT error = S_OK;
    source->context = OpenRecording(path, &m_interrupt, &error);
    if (!source->context) {
        *failure = {ClipStatus::SourceFailed,
                    error == VFW_E_NOT_FOUND
                        ? QStringLiteral("%1 does not exist").arg(path)
                        : QStringLiteral("%1 is no recording that can be read").arg(path)};
        return false;
    }
    AVFormatContext* context = source->context.get();
    const std::vector<int> cameras = CameraStreams(context);
    if (cameras.empty()) {
        *failure = {ClipStatus::SourceFailed, QStringLiteral("%1 has no picture").arg(path)};
        return false;
    }
    source->front = cameras[0];
    source->rear = cameras.size() > 1 ? cameras[1] : -1;
    source->audio = av_find_best_stream(context, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    source->audio = std::max(source->audio, -1);
    source->telemetry = FindTelemetryStream(context);
    source->startOffset =
        context->start_time != AV_NOPTS_VALUE
            ? av_rescale_q(context->start_time, AV_TIME_BASE_Q, kReferenceTimeBase)
            : 0;
    const AVStream* front = context->streams[source->front];
    if (front->duration != AV_NOPTS_VALUE && front->duration > 0) {
        const int64_t first = front->start_time != AV_NOPTS_VALUE ? front->start_time : 0;
        source->length =
            av_rescale_q(first + front->duration, front->time_base, kReferenceTimeBase) -
            source->startOffset;
    } else if (context->duration > 0) {
        source->length = av_rescale_q(context->duration, AV_TIME_BASE_Q, kReferenceTimeBase);
    }
    if (source->length <= 0) {
        *failure = {ClipStatus::SourceFailed,
                    QStringLiteral("%1 does not say how long it is").arg(path)};
        return false;
    }
    return true;
}

bool ClipSources::Matches(const ClipSource& first, const ClipSource& other,
                          ClipOutcome* failure) const {
    // A copy needs the same coding too: the clip's tracks keep the first one's description.
    const bool copy = m_copy;
    const AVFormatContext* a = first.context.get();
    const AVFormatContext* b = other.context.get();
    bool same =
        (first.rear < 0) == (other.rear < 0) && (first.audio < 0) == (other.audio < 0) &&
        SameVideo(a->streams[first.front]->codecpar, b->streams[other.front]->codecpar, copy);
    if (same && first.rear >= 0) {
        same = SameVideo(a->streams[first.rear]->codecpar, b->streams[other.rear]->codecpar, copy);
    }
    if (same && first.audio >= 0) {
        const AVCodecParameters* x = a->streams[first.audio]->codecpar;
        const AVCodecParameters* y = b->streams[other.audio]->codecpar;
        same = x->codec_id == y->codec_id && x->sample_rate == y->sample_rate &&
               x->ch_layout.nb_channels == y->ch_layout.nb_channels;
    }
    if (!same) {
        *failure = {ClipStatus::Unsupported,
                    QStringLiteral("%1 and %2 were recorded in different formats")
                        .arg(NameOf(first.path), NameOf(other.path))};
    }
    return same;
}

bool ClipSources::Open(const ClipRequest& request, const std::atomic<bool>* cancel,
                       ClipOutcome* failure) {
    const int count = static_cast<int>(request.recordings.size());
    const ClipPoint from = request.from;
    const ClipPoint to = request.to;
    if (from.recording < 0 || to.recording >= count || from.recording > to.recording ||
        from.ms < 0 || to.ms < 0 || (from.recording == to.recording && from.ms >= to.ms)) {
        *failure = {ClipStatus::BadRequest,
                    QStringLiteral("the clip's end is not after its start")};
        return false;
    }
    if (cancel != nullptr) {
        m_interrupt.callback = &Interrupted;
        m_interrupt.opaque = const_cast<std::atomic<bool>*>(cancel);
    }
    m_firstRecording = from.recording;
    m_copy = request.layout == ClipLayout::Copy;
    m_sources.clear();
    m_sources.resize(static_cast<size_t>(to.recording) - static_cast<size_t>(from.recording) + 1);
    REFERENCE_TIME offset = 0;
    for (int i = 0; i < Count(); ++i) {
        ClipSource& source = At(i);
        if (!OpenOne(request.recordings[from.recording + i], &source, failure) ||
            (i > 0 && !Matches(At(0), source, failure))) {
            return false;
        }
        source.offset = offset;
        offset += source.length;
    }
    m_start = FromMilliseconds(from.ms);
    if (m_start >= At(0).length) {
        *failure = {ClipStatus::BadRequest,
                    QStringLiteral("the clip starts after the end of %1").arg(NameOf(At(0).path))};
        return false;
    }
    const ClipSource& last = At(Count() - 1);
    m_end = last.offset + std::min(FromMilliseconds(to.ms), last.length);
    if (m_end <= m_start) {
        *failure = {ClipStatus::BadRequest,
                    QStringLiteral("the clip's end is not after its start")};
        return false;
    }
    return true;
}

ClipPoint ClipSources::PointAt(REFERENCE_TIME time) const {
    int index = Count() - 1;
    while (index > 0 && time < At(index).offset) {
        --index;
    }
    return {m_firstRecording + index, ToMilliseconds(time - At(index).offset)};
}

REFERENCE_TIME ClipSources::KeyFrameTime(REFERENCE_TIME before) const {
    const ClipSource& first = At(0);
    REFERENCE_TIME time = before;
    for (const int stream : {first.front, first.rear}) {
        if (stream < 0) {
            continue;
        }
        AVStream* video = first.context->streams[stream];
        const AVIndexEntry* entry = avformat_index_get_entry_from_timestamp(
            video, first.Timestamp(stream, time), AVSEEK_FLAG_BACKWARD);
        // Without an index entry, only the recording's start is sure to be a key frame.
        time = entry != nullptr ? std::min(time, first.Time(stream, entry->timestamp)) : 0;
    }
    return std::max<REFERENCE_TIME>(time, 0);
}

void ClipSources::SeekFirst(REFERENCE_TIME time) {
    ClipSource& first = At(0);
    const int code = av_seek_frame(first.context.get(), first.front,
                                   first.Timestamp(first.front, time), AVSEEK_FLAG_BACKWARD);
    if (code < 0) {
        // Read from the start instead: slower, but what is before the time is skipped anyway.
        qCInfo(lcMedia) << "clip: cannot seek" << first.path << ":" << AvErrorText(code);
        av_seek_frame(first.context.get(), -1, 0, AVSEEK_FLAG_BACKWARD);
    }
}

bool ClipSources::Read(int index, AVPacket* packet, ClipOutcome* failure) {
    ClipSource& source = At(index);
    if (++m_readsSinceCheck >= kReadsPerPresenceCheck) {
        m_readsSinceCheck = 0;
        if (!QFileInfo::exists(source.path)) {
            *failure = {ClipStatus::SourceFailed,
                        QStringLiteral("%1 is gone (was its card removed?)").arg(source.path)};
            return false;
        }
    }
    const int code = av_read_frame(source.context.get(), packet);
    if (code == AVERROR_EOF) {
        return false;
    }
    if (code < 0) {
        *failure = {code == AVERROR_EXIT ? ClipStatus::Cancelled : ClipStatus::SourceFailed,
                    code == AVERROR_EXIT
                        ? QStringLiteral("cancelled")
                        : QStringLiteral("cannot read %1: %2").arg(source.path, AvErrorText(code))};
        return false;
    }
    return true;
}

}  // namespace platform::media
