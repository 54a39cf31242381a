// bench/seek: seek latency as the user meets it, from the time slider's release (the seek the
// slider makes) to the front view painting the picture at the new position, paused and while
// playing, and from a trip strip's click into another recording (that recording opened, run and
// sought, as the window does) to its picture, against the ffmpeg program finding and decoding
// the frame at the same positions in the same run (`ffmpeg -ss T -i FILE -map 0:v:0 -frames:v 1
// -f null -`, its whole run).
//
// seek-bench [--clip FILE] [--keep DIR] [--positions N]
// Without --clip a 30 s two-camera 1080p30 clip is made with make-sample-card (kept in DIR
// with --keep, and taken from there next time). Positions spread over the recording's real
// length. Besides wall times it prints the CPU time each seek took (all threads of the
// process), which a loaded machine stretches less. Exit 1 when the median seek is not faster.
#include "bench/support/BenchSupport.h"
#include "platform/media/ComponentRegistry.h"
#include "platform/media/GraphInterfaces.h"
#include "player/playback/VideoPlayer.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

using namespace platform::media;
using namespace player;

namespace {

constexpr int kClipSeconds = 30;
constexpr int kFps = 30;
constexpr REFERENCE_TIME kFrame = kUnitsPerSecond / kFps;
constexpr int kTimeoutMs = 10000;

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

double ElapsedMs(const QElapsedTimer& timer) {
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

double CpuMs() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

QString MakeClip(const QString& dir) {
    const QStringList existing = QDir(dir + "/NORMAL").entryList(QDir::Files, QDir::Name);
    if (!existing.isEmpty()) {
        return dir + "/NORMAL/" + existing.first();
    }
    QProcess tool;
    tool.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    tool.start(QStringLiteral(ROADPLAYER_TOOLS_DIR "/make-sample-card"),
               {dir, "--categories", "normal", "--count", "normal=1", "--length",
                QString::number(kClipSeconds), "--size", "1920x1080", "--rear-size", "1920x1080",
                "--fps", QString::number(kFps), "--cameras", "2", "--audio", "aac"});
    if (!tool.waitForFinished(-1) || tool.exitCode() != 0) {
        return {};
    }
    const QStringList files = QDir(dir + "/NORMAL").entryList(QDir::Files, QDir::Name);
    return files.isEmpty() ? QString() : dir + "/NORMAL/" + files.first();
}

// The reference: a whole ffmpeg run that seeks to the position and decodes its frame.
double ReferenceMs(const QString& clip, int positionMs) {
    QElapsedTimer timer;
    timer.start();
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"),
                 {"-v", "error", "-nostdin", "-ss", QString::number(positionMs / 1000.0, 'f', 3),
                  "-i", clip, "-map", "0:v:0", "-frames:v", "1", "-f", "null", "-"});
    if (!ffmpeg.waitForFinished(kTimeoutMs) || ffmpeg.exitCode() != 0) {
        return -1;
    }
    return ElapsedMs(timer);
}

// Ends an event loop when the view paints a picture from the awaited span of media time.
class PaintWatch final : public QObject {
public:
    PaintWatch(QWidget* view, IRendererStats* stats) : m_view(view), m_stats(stats) {
        // Installed after the renderer's own painter, so it sees each paint event first.
        view->installEventFilter(this);
    }
    ~PaintWatch() override { m_view->removeEventFilter(this); }
    PaintWatch(const PaintWatch&) = delete;
    PaintWatch& operator=(const PaintWatch&) = delete;

    // The first picture painted with a start in [from, to]; false after kTimeoutMs.
    bool Await(REFERENCE_TIME from, REFERENCE_TIME to, QEventLoop& loop) {
        m_from = from;
        m_to = to;
        m_loop = &loop;
        QTimer timeout;
        timeout.setSingleShot(true);
        QObject::connect(&timeout, &QTimer::timeout, &loop, [&loop] { loop.exit(1); });
        timeout.start(kTimeoutMs);
        const bool painted = loop.exec() == 0;
        m_loop = nullptr;
        return painted;
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (m_loop != nullptr && watched == m_view && event->type() == QEvent::Paint) {
            RendererStats stats;
            m_stats->GetRendererStats(&stats);
            if (stats.lastSampleTime >= m_from && stats.lastSampleTime <= m_to) {
                // Quits once the renderer's painter (next in line) has drawn the picture.
                QMetaObject::invokeMethod(
                    m_loop, [loop = m_loop] { loop->exit(0); }, Qt::QueuedConnection);
                m_loop = nullptr;
            }
        }
        return false;
    }

private:
    QWidget* m_view;
    IRendererStats* m_stats;
    QEventLoop* m_loop = nullptr;
    REFERENCE_TIME m_from = 0;
    REFERENCE_TIME m_to = 0;
};

ComPtr<IRendererStats> FrontRendererStats(CPlayGraph* graph) {
    FilterList filters;
    graph->GraphBuilder()->EnumFilters(&filters);
    for (const auto& filter : filters) {  // the front renderer is added before the rear one
        if (QueryInterface<IVMRWindowlessControl>(filter)) {
            return QueryInterface<IRendererStats>(filter);
        }
    }
    return {};
}

// How each seek is made.
enum class SeekKind { Paused, Playing, IntoAnotherRecording };

const char* KindName(SeekKind kind) {
    switch (kind) {
        case SeekKind::Paused:
            return "paused";
        case SeekKind::Playing:
            return "playing";
        case SeekKind::IntoAnotherRecording:
            break;
    }
    return "into another recording";
}

struct Figures {
    std::vector<double> oursMs;
    std::vector<double> oursCpuMs;
    std::vector<double> referenceMs;
    bool complete = true;
};

// Seeks to every position in turn, each followed by the reference at the same position. Into
// another recording the clip is opened anew each time (the graph of the one before released,
// as an opening does), run and sought.
Figures Measure(const QString& clip, const std::vector<int>& positionsMs, SeekKind kind) {
    const bool playing = kind != SeekKind::Paused;
    QWidget front;
    QWidget rear;
    front.resize(768, 432);
    rear.resize(352, 198);
    front.show();
    rear.show();
    CVideoPlayer player;
    player.AttachViews(&front, &rear);
    Figures figures;
    if (player.Open(clip) != 1) {
        figures.complete = false;
        return figures;
    }
    CPlayGraph* graph = player.Graph();
    graph->Run();
    if (!playing) {
        graph->Pause();
    }
    auto watch = std::make_unique<PaintWatch>(&front, FrontRendererStats(graph).Get());
    QEventLoop loop;
    // The first seek warms the caches and is not counted.
    for (size_t i = 0; i <= positionsMs.size(); ++i) {
        const int positionMs = positionsMs[i == 0 ? positionsMs.size() / 2 : i - 1];
        const REFERENCE_TIME target = FromMilliseconds(positionMs);
        QElapsedTimer timer;
        timer.start();
        if (kind == SeekKind::IntoAnotherRecording) {
            watch.reset();
            if (player.Open(clip) != 1) {
                figures.complete = false;
                continue;
            }
            player.Graph()->Run();
            watch = std::make_unique<PaintWatch>(&front, FrontRendererStats(player.Graph()).Get());
        }
        const double cpuBefore = CpuMs();
        player.SeekToMs(positionMs);  // what the slider's release does
        // Paused, the frame at the position; playing, it or one soon after it.
        const bool painted =
            watch->Await(target - kFrame + 1, playing ? target + 10 * kFrame : target, loop);
        const double oursMs = ElapsedMs(timer);
        const double oursCpuMs = CpuMs() - cpuBefore;
        if (i == 0) {
            continue;
        }
        const double referenceMs = ReferenceMs(clip, positionMs);
        if (!painted || referenceMs < 0) {
            figures.complete = false;
            continue;
        }
        figures.oursMs.push_back(oursMs);
        figures.oursCpuMs.push_back(oursCpuMs);
        figures.referenceMs.push_back(referenceMs);
    }
    watch.reset();
    player.Release();
    return figures;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QTemporaryDir work;
    if (qEnvironmentVariableIsEmpty("ROADPLAYER_REGISTRY_DIR")) {
        qputenv("ROADPLAYER_REGISTRY_DIR", (work.path() + "/registry").toUtf8());
    }
    if (qEnvironmentVariableIsEmpty("ROADPLAYER_AUDIO_DEVICE")) {
        qputenv("ROADPLAYER_AUDIO_DEVICE", "none");
    }
    QApplication application(argc, argv);
    QString clip;
    QString keep;
    int count = 10;
    const QStringList arguments = QApplication::arguments();
    for (int i = 1; i + 1 < arguments.size(); i += 2) {
        if (arguments[i] == "--clip") {
            clip = arguments[i + 1];
        } else if (arguments[i] == "--keep") {
            keep = arguments[i + 1];
        } else if (arguments[i] == "--positions") {
            count = std::max(1, arguments[i + 1].toInt());
        }
    }
    if (clip.isEmpty()) {
        clip = MakeClip(keep.isEmpty() ? work.path() + "/card" : keep);
        if (clip.isEmpty()) {
            std::fprintf(stderr, "seek-bench: make-sample-card failed\n");
            return 2;
        }
    }
    const bench::ClipInfo info = bench::DescribeClip(clip);
    if (info.seconds < 3) {
        std::fprintf(stderr, "seek-bench: %s is no recording of 3 s or more\n", qPrintable(clip));
        return 2;
    }
    // Positions back and forth over the clip, at varying distances from the key frames.
    const int spanMs = static_cast<int>(info.seconds * 1000) - 2000;
    std::vector<int> positionsMs;
    for (int i = 0; i < count; ++i) {
        const int slot = (i * 7) % count;
        positionsMs.push_back(500 + slot * spanMs / count + (i * 137) % 1000);
    }
    std::printf("clip: %s (%s); %d positions, views 768x432 and 352x198; load average %s\n",
                qPrintable(clip), qPrintable(info.description), count,
                qPrintable(bench::LoadAverage()));
    std::printf(
        "seek: slider release to the front view painting the new picture, against\n"
        "      ffmpeg -ss T -i FILE -map 0:v:0 -frames:v 1 -f null - (whole run)\n");
    bool met = true;
    for (const SeekKind kind :
         {SeekKind::Paused, SeekKind::Playing, SeekKind::IntoAnotherRecording}) {
        const Figures f = Measure(clip, positionsMs, kind);
        if (f.oursMs.empty()) {
            std::printf("  %s: no seek completed\n", KindName(kind));
            return 2;
        }
        const double ours = Median(f.oursMs);
        const double reference = Median(f.referenceMs);
        met = met && f.complete && ours < reference;
        std::printf(
            "  %-7s median %.1f ms (min %.1f, max %.1f; cpu median %.1f ms) | ffmpeg median %.1f "
            "ms (min %.1f, max %.1f) | ratio %.2f: %s%s; load average %s\n",
            KindName(kind), ours, *std::min_element(f.oursMs.begin(), f.oursMs.end()),
            *std::max_element(f.oursMs.begin(), f.oursMs.end()), Median(f.oursCpuMs), reference,
            *std::min_element(f.referenceMs.begin(), f.referenceMs.end()),
            *std::max_element(f.referenceMs.begin(), f.referenceMs.end()), ours / reference,
            ours < reference ? "faster" : "NOT FASTER", f.complete ? "" : " (INCOMPLETE)",
            qPrintable(bench::LoadAverage()));
    }
    return met ? 0 : 1;
}
