// A lossless clip: every stream copied packet for packet from the key frame at or before the
// start to the end, each recording's timestamps moved onto the clip's timeline.
#include "platform/media/ClipModes.h"
#include "platform/media/ClipOutput.h"
#include "platform/media/Log.h"
#include "platform/media/MediaSample.h"

#include <array>

namespace platform::media {

namespace {

enum Role { kFront, kRear, kAudio, kRoleCount };

struct CopiedStream {
    int out = -1;          // output stream; -1: not copied
    bool started = false;  // in the recording being read (video waits for a key frame)
    bool done = false;     // reached the end
    int64_t lastDts = INT64_MIN;
};

class Remuxer {
public:
    Remuxer(const ClipRequest& request, ClipSources& sources, ClipExportControl& control)
        : m_request(request), m_sources(sources), m_control(control), m_output(request.target) {}

    ClipOutcome Run();

private:
    bool Prepare();
    bool CopyRecording(int index);
    // Writes or drops one packet of a camera or the sound; false on a failed write.
    bool CopyPacket(const ClipSource& source, Role role, AVPacket* packet, bool last);
    bool Finished() const;
    int RoleOf(const ClipSource& source, int stream) const;

    const ClipRequest& m_request;
    ClipSources& m_sources;
    ClipExportControl& m_control;
    ClipOutput m_output;
    std::array<CopiedStream, kRoleCount> m_streams;
    PacketPtr m_packet{av_packet_alloc()};
    REFERENCE_TIME m_zero = 0;      // the key frame the clip starts with, on the timeline
    REFERENCE_TIME m_readFrom = 0;  // the recording being read starts to count here
    REFERENCE_TIME m_furthest = 0;  // the latest time read in the last recording
    int m_packets = 0;
    ClipOutcome m_failure;
};

int Remuxer::RoleOf(const ClipSource& source, int stream) const {
    if (stream == source.front) {
        return kFront;
    }
    if (stream == source.rear) {
        return kRear;
    }
    return stream == source.audio ? kAudio : -1;
}

bool Remuxer::Prepare() {
    const ClipSource& first = m_sources.At(0);
    const AVFormatContext* input = first.context.get();
    const std::array<int, kRoleCount> streams{first.front, first.rear, first.audio};
    // PCM sound is kept in QuickTime's flavour of the container, as the camera does.
    const bool quickTime =
        first.audio >= 0 && avformat_query_codec(av_guess_format("mp4", nullptr, nullptr),
                                                 input->streams[first.audio]->codecpar->codec_id,
                                                 FF_COMPLIANCE_NORMAL) != 1;
    if (!m_packet) {
        m_failure = {ClipStatus::Failed, QStringLiteral("out of memory")};
        return false;
    }
    if (!m_output.Create(quickTime, &m_failure)) {
        return false;
    }
    for (int role = 0; role < kRoleCount; ++role) {
        const int stream = streams[static_cast<size_t>(role)];
        if (stream < 0) {
            continue;
        }
        const AVStream* source = input->streams[stream];
        AVStream* copy = m_output.AddStream(source->codecpar, source->time_base);
        if (copy == nullptr) {
            m_failure = {ClipStatus::Failed, QStringLiteral("out of memory")};
            return false;
        }
        copy->avg_frame_rate = source->avg_frame_rate;
        m_streams[static_cast<size_t>(role)].out = copy->index;
    }
    if (first.telemetry >= 0 &&
        !m_output.AddTelemetry(input->streams[first.telemetry]->codecpar, &m_failure)) {
        return false;
    }
    return m_output.Begin(m_request.withoutLocation ? nullptr : input->metadata, &m_failure);
}

bool Remuxer::CopyPacket(const ClipSource& source, Role role, AVPacket* packet, bool last) {
    CopiedStream& copy = m_streams[static_cast<size_t>(role)];
    const int stream = packet->stream_index;
    const REFERENCE_TIME time =
        source.Time(stream, packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts);
    const REFERENCE_TIME decodeTime =
        packet->dts != AV_NOPTS_VALUE ? source.Time(stream, packet->dts) : time;
    const bool video = role != kAudio;
    // A picture whose decoding starts before the end is kept, as later pictures before the
    // end may refer to it.
    if (last && (video ? decodeTime : time) >= m_sources.End()) {
        copy.done = true;
        return true;
    }
    if (copy.done || time < m_readFrom ||
        (video && !copy.started && (packet->flags & AV_PKT_FLAG_KEY) == 0)) {
        return true;
    }
    copy.started = true;
    AVStream* out = m_output.Format()->streams[copy.out];
    const AVRational sourceBase = source.context->streams[stream]->time_base;
    const int64_t dts = av_rescale_q(decodeTime - m_zero, kReferenceTimeBase, out->time_base);
    if (dts <= copy.lastDts) {
        // The previous recording's sound ran on past its pictures' end; its sound stands.
        return true;
    }
    copy.lastDts = dts;
    packet->pts = av_rescale_q(time - m_zero, kReferenceTimeBase, out->time_base);
    packet->dts = dts;
    packet->duration = av_rescale_q(packet->duration, sourceBase, out->time_base);
    packet->stream_index = copy.out;
    packet->pos = -1;
    m_control.Report(time - m_zero, m_sources.End() - m_zero);
    return m_output.Write(packet, &m_failure);
}

bool Remuxer::Finished() const {
    for (const CopiedStream& stream : m_streams) {
        if (stream.out >= 0 && !stream.done) {
            return false;
        }
    }
    return m_output.TelemetryStream() < 0 || m_furthest >= m_sources.End() + kClipTailRead;
}

bool Remuxer::CopyRecording(int index) {
    const ClipSource& source = m_sources.At(index);
    const bool last = index == m_sources.Count() - 1;
    m_readFrom = index == 0 ? m_zero : source.offset;
    const REFERENCE_TIME until = last ? m_sources.End() : source.offset + source.length;
    for (CopiedStream& stream : m_streams) {
        stream.started = false;
    }
    while (m_sources.Read(index, m_packet.get(), &m_failure)) {
        const PacketPtr::pointer packet = m_packet.get();
        const int role = RoleOf(source, packet->stream_index);
        bool ok = true;
        if (packet->stream_index == source.telemetry) {
            ok = m_output.CopyTelemetry(source, packet, m_readFrom, until, m_zero,
                                        m_request.telemetry, &m_failure);
        } else if (role >= 0) {
            ok = CopyPacket(source, static_cast<Role>(role), packet, last);
        }
        if (last && packet->pts != AV_NOPTS_VALUE) {
            m_furthest = std::max(m_furthest, source.Time(packet->stream_index, packet->pts));
        }
        av_packet_unref(packet);
        if (m_control.Cancelled()) {
            m_failure = {ClipStatus::Cancelled, QStringLiteral("cancelled")};
            return false;
        }
        if (!ok ||
            (++m_packets % kClipTargetCheckInterval == 0 && !m_output.CheckTarget(&m_failure))) {
            return false;
        }
        if (last && Finished()) {
            return true;
        }
    }
    return m_failure.reason.isEmpty();
}

ClipOutcome Remuxer::Run() {
    if (!Prepare()) {
        return m_failure;
    }
    m_zero = m_sources.KeyFrameTime(m_sources.Start());
    m_sources.SeekFirst(m_zero);
    for (int i = 0; i < m_sources.Count(); ++i) {
        if (!CopyRecording(i)) {
            return m_failure;
        }
    }
    if (!m_output.Finish(&m_failure)) {
        return m_failure;
    }
    m_control.Report(1, 1);
    qCInfo(lcMedia) << "clip" << m_request.target << "copied from" << ToMilliseconds(m_zero)
                    << "ms";
    return {ClipStatus::Done, {}};
}

}  // namespace

ClipOutcome RemuxClip(const ClipRequest& request, ClipSources& sources,
                      ClipExportControl& control) {
    return Remuxer(request, sources, control).Run();
}

}  // namespace platform::media
