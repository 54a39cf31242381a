#include "tools/recording-info/RecordingInfo.h"

#include "platform/media/GraphInterfaces.h"
#include "platform/system/AtomicFile.h"
#include "platform/system/RegularFile.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageWriter>
#include <QThread>

#include <limits>
#include <string_view>

using namespace platform::media;
using namespace player;

namespace {

constexpr int kViewWidth = 640;
constexpr int kViewHeight = 360;
constexpr int kFrameWaitMs = 5000;
constexpr int kJpegQuality = 92;
constexpr int kSameFrameGraceMs = 300;
constexpr REFERENCE_TIME kMaxFrameGap100ns = FromMilliseconds(1000);

// The picture shown by the front renderer, as far as the renderer tells.
REFERENCE_TIME ShownSampleTime(IGraphBuilder* graph, int videoCount) {
    IBaseFilter* raw = nullptr;
    const char* name =
        videoCount == 1 ? CPlayGraph::kRendererOneVideoName : CPlayGraph::kFrontRendererName;
    if (graph == nullptr || FAILED(graph->FindFilterByName(QString::fromLatin1(name), &raw))) {
        return -1;
    }
    const auto renderer = ComPtr<IBaseFilter>::Attach(raw);
    const auto stats = QueryInterface<IRendererStats>(renderer);
    RendererStats values;
    if (!stats || FAILED(stats->GetRendererStats(&values))) {
        return -1;
    }
    return values.lastSampleTime;
}

// Why the player would not play a container holding these streams; empty when it would.
QString Refusal(const StreamCounts& streams) {
    if (streams.video == 0) {
        return QStringLiteral("it has no video stream");
    }
    if (streams.video > 2) {
        return QStringLiteral("it has %1 video streams; the player plays one or two")
            .arg(streams.video);
    }
    if (!streams.undecodableVideo.empty()) {
        const uint32_t tag = streams.undecodableVideo.front();
        const char fourcc[4] = {static_cast<char>(tag & 0xff), static_cast<char>((tag >> 8) & 0xff),
                                static_cast<char>((tag >> 16) & 0xff),
                                static_cast<char>((tag >> 24) & 0xff)};
        return QStringLiteral("its video codec (tag '%1') is unknown to the player")
            .arg(QString::fromLatin1(fourcc, 4).trimmed());
    }
    return {};
}

}  // namespace

RecordingInfo::RecordingInfo() {
    m_frontView.resize(kViewWidth, kViewHeight);
    m_rearView.resize(kViewWidth, kViewHeight);
    m_player.AttachViews(&m_frontView, &m_rearView);
}

bool RecordingInfo::Open(const QString& path) {
    QFile file;
    QString reason;
    switch (platform::OpenRegularFile(path, std::numeric_limits<int64_t>::max(), file, &reason)) {
        case platform::FileReadStatus::Ok:
        case platform::FileReadStatus::TooLarge:
            break;
        case platform::FileReadStatus::Missing:
            m_error = QStringLiteral("the file does not exist: %1").arg(path);
            return false;
        case platform::FileReadStatus::NotRegular:
        case platform::FileReadStatus::Failed:
            m_error = QStringLiteral("cannot read %1: %2").arg(path, reason);
            return false;
    }
    file.close();
    StreamCounts streams;
    if (!ProbeStreams(path, &streams)) {
        m_error = QStringLiteral("not a recording the player can open: %1").arg(path);
        return false;
    }
    m_streams = streams;
    if (const QString refusal = Refusal(streams); !refusal.isEmpty()) {
        m_error = QStringLiteral("the player will not play %1: %2").arg(path, refusal);
        return false;
    }
    if (m_player.Open(path) != 1) {
        m_error = QStringLiteral("not a recording the player can open: %1").arg(path);
        return false;
    }
    m_durationMs = m_player.GetDurationMs();
    if (m_durationMs == 0) {
        m_error = QStringLiteral("the recording has no duration: %1").arg(path);
        return false;
    }
    m_telemetry.LoadFromSource(m_player.Graph()->Source());
    return true;
}

void RecordingInfo::WriteFoundStreams(QTextStream& out) const {
    if (!m_streams) {
        return;
    }
    out << "video streams: " << m_streams->video << '\n'
        << "audio streams: " << m_streams->audio << '\n';
    if (m_streams->durationMs >= 0) {
        out << "duration ms: " << m_streams->durationMs << '\n';
    }
}

QString RecordingInfo::AudioKind() const {
    const int audio = m_player.Graph() != nullptr ? m_player.Graph()->AudioCount() : 0;
    if (audio == 0) {
        return QStringLiteral("none");
    }
    return audio >= CPlayGraph::kPcmAudioThreshold ? QStringLiteral("PCM") : QStringLiteral("AAC");
}

void RecordingInfo::WriteSummary(QTextStream& out) const {
    const CPlayGraph* graph = m_player.Graph();
    out << "video streams: " << (graph != nullptr ? graph->VideoStreamCount() : 0) << '\n'
        << "audio: " << AudioKind() << '\n'
        << "duration ms: " << m_durationMs << '\n'
        << "gps samples: " << m_telemetry.GPSList().size() << '\n'
        << "g-sensor samples: " << m_telemetry.GSensorList().size() << '\n';
}

void RecordingInfo::WriteTelemetryCsv(QTextStream& out) const {
    out << "kind,time_ms,year,month,day,hour,minute,second,valid,latitude,longitude,speed_kmh,"
           "course\n";
    for (const CGPSData& fix : m_telemetry.GPSList()) {
        out << "G," << fix.time << ',' << fix.year << ',' << fix.month << ',' << fix.day << ','
            << fix.hour << ',' << fix.minute << ',' << fix.second << ',' << fix.valid << ','
            << QString::number(fix.latitude, 'f', 4) << ','
            << QString::number(fix.longitude, 'f', 4) << ',' << QString::number(fix.speed, 'g', 7)
            << ',' << QString::number(fix.course, 'g', 7) << '\n';
    }
    out << "kind,time_ms,x,y,z\n";
    for (const CGSensorData& reading : m_telemetry.GSensorList()) {
        out << "M," << reading.time << ',' << reading.x << ',' << reading.y << ',' << reading.z
            << '\n';
    }
}

// The seek is carried out by the engine's threads: wait until the front renderer shows a frame
// that starts at or shortly before the position. A frame that was already on show before the
// seek counts only after a grace period, in case it is the right one.
bool RecordingInfo::WaitForFrameAt(int positionMs, REFERENCE_TIME shownBefore) {
    CPlayGraph* graph = m_player.Graph();
    const REFERENCE_TIME target = FromMilliseconds(positionMs);
    // The picture on show at a position started at most one frame interval before it; a video
    // that ends early shows an older one, which is not the picture asked for.
    const double intervalMs = m_streams ? m_streams->frameIntervalMs : 0.0;
    const REFERENCE_TIME maxGap = intervalMs > 0.0
                                      ? FromSeconds(intervalMs / 1000.0) + FromMilliseconds(1)
                                      : kMaxFrameGap100ns;
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < kFrameWaitMs) {
        QCoreApplication::processEvents();
        const REFERENCE_TIME shown =
            ShownSampleTime(graph->GraphBuilder(), graph->VideoStreamCount());
        const bool plausible = shown >= 0 && shown <= target && target - shown < maxGap;
        if (plausible && (shown != shownBefore || timer.elapsed() > kSameFrameGraceMs)) {
            return true;
        }
        QThread::msleep(5);
    }
    return false;
}

const char* RecordingInfo::PictureFormat(const QString& picturePath) {
    const QString suffix = QFileInfo(picturePath).suffix().toLower();
    if (suffix == QLatin1String("jpg") || suffix == QLatin1String("jpeg")) {
        return "jpeg";
    }
    return suffix == QLatin1String("png") ? "png" : nullptr;
}

bool RecordingInfo::SaveFrame(int positionMs, const QString& picturePath) {
    CPlayGraph* graph = m_player.Graph();
    if (graph == nullptr || graph->VideoStreamCount() < 1 || graph->VideoStreamCount() > 2) {
        m_error = QStringLiteral("the recording has no picture to save");
        return false;
    }
    const char* format = PictureFormat(picturePath);
    if (format == nullptr) {
        m_error = QStringLiteral("%1: the picture's name must end in .jpg, .jpeg or .png")
                      .arg(picturePath);
        return false;
    }
    if (static_cast<uint64_t>(positionMs) > m_durationMs) {
        m_error = QStringLiteral("%1 ms is beyond the recording's duration of %2 ms")
                      .arg(positionMs)
                      .arg(m_durationMs);
        return false;
    }
    const REFERENCE_TIME shownBefore =
        ShownSampleTime(graph->GraphBuilder(), graph->VideoStreamCount());
    m_player.SeekToMs(positionMs);
    QImage image;
    if (!WaitForFrameAt(positionMs, shownBefore) || graph->GetCurrentImage(0, &image) != 1) {
        m_error = QStringLiteral("no picture at %1 ms").arg(positionMs);
        return false;
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(std::string_view(format) == "jpeg" ? kJpegQuality : -1);
    QString reason;
    if (!writer.write(image)) {
        m_error = QStringLiteral("cannot encode the picture: %1").arg(writer.errorString());
        return false;
    }
    if (!platform::WriteFileAtomically(picturePath, bytes, &reason)) {
        m_error = QStringLiteral("cannot write %1").arg(reason);
        return false;
    }
    return true;
}
