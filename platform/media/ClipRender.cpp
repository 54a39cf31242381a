// A rendered clip: both cameras decoded from the key frame before the start, laid out by the
// libavfilter graph, overlaid and encoded as one H.264 picture, frame-accurate at both ends:
// the first picture is the one on show at the start, the last the one on show before the end.
#include "platform/media/ClipAudio.h"
#include "platform/media/ClipLayoutGraph.h"
#include "platform/media/ClipModes.h"
#include "platform/media/ClipOutput.h"
#include "platform/media/ClipOverlay.h"
#include "platform/media/Log.h"
#include "platform/media/MediaSample.h"

extern "C" {
#include <libavutil/opt.h>
}

#include <QGuiApplication>

#include <array>
#include <cmath>

namespace platform::media {

namespace {

constexpr double kDefaultFps = 30.0;

// One camera's pictures while they are decoded and picked for the clip.
struct Camera {
    ClipLayoutGraph::Input input = ClipLayoutGraph::kFront;
    bool used = false;
    CodecContextPtr decoder;
    FramePtr held;         // the latest picture at or before the start
    bool started = false;  // a picture after the start went out
    bool done = false;     // a picture at or after the end came
    int64_t lastPts = INT64_MIN;
};

int StreamOf(const ClipSource& source, const Camera& camera) {
    return camera.input == ClipLayoutGraph::kFront ? source.front : source.rear;
}

CodecContextPtr OpenVideoDecoder(const AVStream* stream) {
    const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
    CodecContextPtr decoder(codec != nullptr ? avcodec_alloc_context3(codec) : nullptr);
    if (!decoder || avcodec_parameters_to_context(decoder.get(), stream->codecpar) < 0) {
        return nullptr;
    }
    decoder->pkt_timebase = stream->time_base;
    decoder->thread_count = 0;  // as many as the machine has
    decoder->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
    return avcodec_open2(decoder.get(), codec, nullptr) >= 0 ? std::move(decoder) : nullptr;
}

class Renderer {
public:
    Renderer(const ClipRequest& request, ClipSources& sources, ClipExportControl& control)
        : m_request(request),
          m_sources(sources),
          m_control(control),
          m_output(request.target),
          m_overlay(request.overlay, FrontSize(),
                    request.layout == ClipLayout::PictureInPicture &&
                        request.corner == ClipCorner::TopLeft) {
        m_cameras[1].input = ClipLayoutGraph::kRear;
    }

    ClipOutcome Run();

private:
    QSize FrontSize() const {
        const AVCodecParameters* front =
            m_sources.At(0).context->streams[m_sources.At(0).front]->codecpar;
        return {front->width, front->height};
    }
    bool Fail(ClipStatus status, const QString& reason) {
        m_failure = {status, reason};
        return false;
    }
    bool Prepare();
    bool OpenEncoder();
    bool RenderRecording(int index);
    bool BeginRecording(const ClipSource& source);
    bool EndRecording(const ClipSource& source);
    bool Decode(Camera& camera, const ClipSource& source, const AVPacket* packet);
    bool Take(Camera& camera, const ClipSource& source, AVFrame* frame);
    bool Emit(Camera& camera, AVFrame* frame, REFERENCE_TIME clipTime);
    bool Drain();
    bool Encode(AVFrame* frame);
    bool Finish();
    bool AllDone() const;

    const ClipRequest& m_request;
    ClipSources& m_sources;
    ClipExportControl& m_control;
    ClipOutput m_output;
    ClipOverlay m_overlay;
    ClipLayoutGraph m_graph;
    ClipAudio m_audio;
    bool m_withAudio = false;
    std::array<Camera, 2> m_cameras;
    CodecContextPtr m_encoder;
    int m_videoStream = -1;
    FramePtr m_decoded{av_frame_alloc()};
    FramePtr m_composed{av_frame_alloc()};
    PacketPtr m_packet{av_packet_alloc()};
    PacketPtr m_encodedPacket{av_packet_alloc()};
    REFERENCE_TIME m_furthest = 0;
    int m_steps = 0;
    ClipOutcome m_failure;
};

bool Renderer::OpenEncoder() {
    const ClipSource& first = m_sources.At(0);
    const AVStream* front = first.context->streams[first.front];
    const AVCodec* codec = avcodec_find_encoder_by_name("libx264");
    if (codec == nullptr) {
        codec = avcodec_find_encoder(AV_CODEC_ID_H264);
    }
    m_encoder.reset(codec != nullptr ? avcodec_alloc_context3(codec) : nullptr);
    if (!m_encoder) {
        return Fail(ClipStatus::Unsupported, QStringLiteral("no H.264 encoder"));
    }
    AVCodecContext* c = m_encoder.get();
    const QSize size = FrontSize();
    const double fps = front->avg_frame_rate.num > 0 ? av_q2d(front->avg_frame_rate) : kDefaultFps;
    c->width = size.width();
    c->height = size.height();
    c->pix_fmt = AV_PIX_FMT_YUV420P;
    c->time_base = kClipTimeBase;
    c->framerate = front->avg_frame_rate.num > 0 ? front->avg_frame_rate : AVRational{30, 1};
    c->gop_size = static_cast<int>(std::lround(fps * kClipKeyFrameSeconds));
    c->thread_count = 0;
    c->sample_aspect_ratio = {1, 1};
    if ((m_output.Format()->oformat->flags & AVFMT_GLOBALHEADER) != 0) {
        c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    }
    const QByteArray preset =
        m_request.preset.isEmpty() ? QByteArray(kDefaultClipPreset) : m_request.preset.toLatin1();
    av_opt_set(c->priv_data, "preset", preset.constData(), 0);
    av_opt_set_int(c->priv_data, "crf", kClipCrf, 0);
    int code = avcodec_open2(c, codec, nullptr);
    CodecParametersPtr parameters(avcodec_parameters_alloc());
    if (code >= 0 && parameters) {
        code = avcodec_parameters_from_context(parameters.get(), c);
    }
    AVStream* stream =
        code >= 0 && parameters ? m_output.AddStream(parameters.get(), c->time_base) : nullptr;
    if (stream == nullptr) {
        return Fail(ClipStatus::Unsupported,
                    QStringLiteral("cannot set up the H.264 encoder (preset %1): %2")
                        .arg(QString::fromLatin1(preset), AvErrorText(code)));
    }
    stream->avg_frame_rate = c->framerate;
    m_videoStream = stream->index;
    return true;
}

bool Renderer::Prepare() {
    const ClipSource& first = m_sources.At(0);
    const bool rear = m_request.layout != ClipLayout::Front;
    if (rear && first.rear < 0) {
        return Fail(ClipStatus::Unsupported,
                    QStringLiteral("the recordings hold no rear camera picture"));
    }
    if (!m_request.overlay.empty() &&
        qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) {
        return Fail(ClipStatus::Failed, QStringLiteral("text is drawn only in a GUI application"));
    }
    if (!m_decoded || !m_composed || !m_packet || !m_encodedPacket) {
        return Fail(ClipStatus::Failed, QStringLiteral("out of memory"));
    }
    m_cameras[0].used = true;
    m_cameras[1].used = rear;
    const AVCodecParameters* frontCodec = first.context->streams[first.front]->codecpar;
    const AVCodecParameters* rearCodec =
        rear ? first.context->streams[first.rear]->codecpar : nullptr;
    QString error;
    const QString graph =
        ClipFilterGraph(m_request.layout, m_request.corner, FrontSize(),
                        rear ? QSize(rearCodec->width, rearCodec->height) : QSize());
    if (!m_graph.Open(graph, frontCodec, rearCodec, &error)) {
        return Fail(ClipStatus::Unsupported, error);
    }
    m_withAudio = first.audio >= 0;
    if (!m_output.Create(false, &m_failure) || !OpenEncoder() ||
        (m_withAudio &&
         !m_audio.Prepare(first, m_sources.Start(), m_sources.End(), &m_output, &m_failure))) {
        return false;
    }
    if (first.telemetry >= 0 &&
        !m_output.AddTelemetry(first.context->streams[first.telemetry]->codecpar, &m_failure)) {
        return false;
    }
    return m_output.Begin(m_request.withoutLocation ? nullptr : first.context->metadata,
                          &m_failure);
}

bool Renderer::BeginRecording(const ClipSource& source) {
    for (Camera& camera : m_cameras) {
        if (camera.used) {
            camera.decoder = OpenVideoDecoder(source.context->streams[StreamOf(source, camera)]);
            if (!camera.decoder) {
                return Fail(ClipStatus::Unsupported,
                            QStringLiteral("cannot decode the pictures of %1").arg(source.path));
            }
        }
    }
    return !m_withAudio || m_audio.BeginRecording(source, &m_failure);
}

bool Renderer::EndRecording(const ClipSource& source) {
    for (Camera& camera : m_cameras) {
        if (camera.used && !camera.done && !Decode(camera, source, nullptr)) {
            return false;
        }
        camera.decoder.reset();
    }
    return !m_withAudio || m_audio.EndRecording(source, &m_failure);
}

bool Renderer::Decode(Camera& camera, const ClipSource& source, const AVPacket* packet) {
    // A damaged packet costs a picture or two, not the clip.
    if (avcodec_send_packet(camera.decoder.get(), packet) < 0 && packet != nullptr) {
        return true;
    }
    while (!camera.done && avcodec_receive_frame(camera.decoder.get(), m_decoded.get()) >= 0) {
        const bool ok = Take(camera, source, m_decoded.get());
        av_frame_unref(m_decoded.get());
        if (!ok) {
            return false;
        }
    }
    return true;
}

bool Renderer::Take(Camera& camera, const ClipSource& source, AVFrame* frame) {
    const REFERENCE_TIME time = source.Time(StreamOf(source, camera), frame->best_effort_timestamp);
    if (time >= m_sources.End()) {
        camera.done = true;
        return true;
    }
    if (time <= m_sources.Start()) {
        if (!camera.held) {
            camera.held.reset(av_frame_alloc());
        }
        av_frame_unref(camera.held.get());
        return camera.held && av_frame_ref(camera.held.get(), frame) >= 0;
    }
    if (!camera.started && camera.held && !Emit(camera, camera.held.get(), 0)) {
        return false;
    }
    camera.started = true;
    return Emit(camera, frame, time - m_sources.Start());
}

bool Renderer::Emit(Camera& camera, AVFrame* frame, REFERENCE_TIME clipTime) {
    const int64_t pts = av_rescale_q(clipTime, kReferenceTimeBase, kClipTimeBase);
    if (pts <= camera.lastPts) {
        return true;  // the previous recording's pictures ran on this long
    }
    camera.lastPts = pts;
    frame->pts = pts;
    if (!m_graph.Push(camera.input, frame)) {
        return Fail(ClipStatus::Failed, QStringLiteral("the layout refused a picture"));
    }
    return Drain();
}

bool Renderer::Drain() {
    bool ended = false;
    while (m_graph.Pull(m_composed.get(), &ended)) {
        bool ok = true;
        if (!m_request.overlay.empty()) {
            ok = av_frame_make_writable(m_composed.get()) >= 0;
            if (ok) {
                const REFERENCE_TIME time =
                    m_sources.Start() +
                    av_rescale_q(m_composed->pts, kClipTimeBase, kReferenceTimeBase);
                m_overlay.Draw(m_composed.get(), m_sources.PointAt(time));
            }
        }
        ok = ok && Encode(m_composed.get());
        av_frame_unref(m_composed.get());
        if (!ok) {
            return m_failure.reason.isEmpty()
                       ? Fail(ClipStatus::Failed, QStringLiteral("out of memory"))
                       : false;
        }
    }
    return true;
}

bool Renderer::Encode(AVFrame* frame) {
    if (frame != nullptr) {
        frame->pict_type = AV_PICTURE_TYPE_NONE;  // the sources' key frames are not the clip's
        m_control.Report(av_rescale_q(frame->pts, kClipTimeBase, kReferenceTimeBase),
                         m_sources.End() - m_sources.Start());
    }
    int code = avcodec_send_frame(m_encoder.get(), frame);
    while (code >= 0) {
        code = avcodec_receive_packet(m_encoder.get(), m_encodedPacket.get());
        if (code == AVERROR(EAGAIN) || code == AVERROR_EOF) {
            return true;
        }
        if (code >= 0) {
            if (m_encodedPacket->duration <= 0) {
                // The last picture then lasts a frame interval too.
                m_encodedPacket->duration =
                    av_rescale_q(1, av_inv_q(m_encoder->framerate), kClipTimeBase);
            }
            av_packet_rescale_ts(m_encodedPacket.get(), kClipTimeBase,
                                 m_output.Format()->streams[m_videoStream]->time_base);
            m_encodedPacket->stream_index = m_videoStream;
            if (!m_output.Write(m_encodedPacket.get(), &m_failure)) {
                return false;
            }
        }
    }
    return Fail(ClipStatus::Failed,
                QStringLiteral("cannot encode the pictures: %1").arg(AvErrorText(code)));
}

bool Renderer::AllDone() const {
    for (const Camera& camera : m_cameras) {
        if (camera.used && !camera.done) {
            return false;
        }
    }
    return (!m_withAudio || m_audio.Done()) &&
           (m_output.TelemetryStream() < 0 || m_furthest >= m_sources.End() + kClipTailRead);
}

bool Renderer::RenderRecording(int index) {
    const ClipSource& source = m_sources.At(index);
    const bool last = index == m_sources.Count() - 1;
    const REFERENCE_TIME readFrom = index == 0 ? m_sources.Start() : source.offset;
    const REFERENCE_TIME until = last ? m_sources.End() : source.offset + source.length;
    if (!BeginRecording(source)) {
        return false;
    }
    while (m_sources.Read(index, m_packet.get(), &m_failure)) {
        const AVPacket* packet = m_packet.get();
        const int stream = packet->stream_index;
        bool ok = true;
        if (stream == source.front || (stream == source.rear && m_cameras[1].used)) {
            Camera& camera = m_cameras[stream == source.front ? 0 : 1];
            ok = camera.done || Decode(camera, source, packet);
        } else if (stream == source.audio && m_withAudio) {
            ok = m_audio.Decode(source, packet, &m_failure);
        } else if (stream == source.telemetry) {
            ok = m_output.CopyTelemetry(source, packet, readFrom, until, m_sources.Start(),
                                        m_request.telemetry, &m_failure);
        }
        if (last && packet->pts != AV_NOPTS_VALUE) {
            m_furthest = std::max(m_furthest, source.Time(stream, packet->pts));
        }
        av_packet_unref(m_packet.get());
        if (m_control.Cancelled()) {
            return Fail(ClipStatus::Cancelled, QStringLiteral("cancelled"));
        }
        if (!ok ||
            (++m_steps % kClipTargetCheckInterval == 0 && !m_output.CheckTarget(&m_failure))) {
            return false;
        }
        if (last && AllDone()) {
            return true;
        }
    }
    return m_failure.reason.isEmpty() && EndRecording(source);
}

bool Renderer::Finish() {
    for (Camera& camera : m_cameras) {
        // A span shorter than a picture shows the one on show at its start.
        if (camera.used && !camera.started && camera.held && !Emit(camera, camera.held.get(), 0)) {
            return false;
        }
        if (camera.used && !m_graph.Push(camera.input, nullptr)) {
            return Fail(ClipStatus::Failed, QStringLiteral("the layout did not finish"));
        }
    }
    return Drain() && Encode(nullptr) && (!m_withAudio || m_audio.Finish(&m_failure)) &&
           m_output.Finish(&m_failure);
}

ClipOutcome Renderer::Run() {
    if (!Prepare()) {
        return m_failure;
    }
    // A picture shown at the start may be decoded after later ones (reordered coding).
    const AVStream* front = m_sources.At(0).context->streams[m_sources.At(0).front];
    const REFERENCE_TIME reorder =
        front->avg_frame_rate.num > 0
            ? FromSeconds(front->codecpar->video_delay / av_q2d(front->avg_frame_rate))
            : 0;
    m_sources.SeekFirst(m_sources.KeyFrameTime(m_sources.Start() - reorder));
    for (int i = 0; i < m_sources.Count(); ++i) {
        if (!RenderRecording(i)) {
            return m_failure;
        }
    }
    if (!Finish()) {
        return m_failure;
    }
    m_control.Report(1, 1);
    return {ClipStatus::Done, {}};
}

}  // namespace

ClipOutcome RenderClip(const ClipRequest& request, ClipSources& sources,
                       ClipExportControl& control) {
    return Renderer(request, sources, control).Run();
}

}  // namespace platform::media
