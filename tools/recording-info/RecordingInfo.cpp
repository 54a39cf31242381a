#include "tools/recording-info/RecordingInfo.h"

#include "platform/media/GraphInterfaces.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QImageWriter>
#include <QThread>

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

}  // namespace

RecordingInfo::RecordingInfo() {
    m_frontView.resize(kViewWidth, kViewHeight);
    m_rearView.resize(kViewWidth, kViewHeight);
    m_player.AttachViews(&m_frontView, &m_rearView);
}

bool RecordingInfo::Open(const QString& path) {
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
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < kFrameWaitMs) {
        QCoreApplication::processEvents();
        const REFERENCE_TIME shown =
            ShownSampleTime(graph->GraphBuilder(), graph->VideoStreamCount());
        const bool plausible = shown >= 0 && shown <= target && target - shown < kMaxFrameGap100ns;
        if (plausible && (shown != shownBefore || timer.elapsed() > kSameFrameGraceMs)) {
            return true;
        }
        QThread::msleep(5);
    }
    return false;
}

bool RecordingInfo::SaveFrame(int positionMs, const QString& jpegPath) {
    CPlayGraph* graph = m_player.Graph();
    if (graph == nullptr || graph->VideoStreamCount() < 1 || graph->VideoStreamCount() > 2) {
        m_error = QStringLiteral("the recording has no picture to save");
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
    QImageWriter writer(jpegPath, "jpeg");
    writer.setQuality(kJpegQuality);
    if (!writer.write(image)) {
        m_error = QStringLiteral("cannot write %1: %2").arg(jpegPath, writer.errorString());
        return false;
    }
    return true;
}
