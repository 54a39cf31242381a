// Playback benchmark on a 30 s two-camera 1080p30 H.264 + AAC clip made by make-sample-card:
// (a) decode + convert in free run, CPU time against the ffmpeg program decoding the same
//     video streams and scaling each to its view (area filter) into BGRA in the same run, and
//     decoding alone against ffmpeg decoding alone;
// (b) real-time playback at 1x and 2x into offscreen views: late and dropped frames, CPU use
//     and peak memory.
// Usage: playback-bench [--length SECONDS] [--keep DIR] [--view WxH] [--rounds N] [--only free-run]

#include "platform/media/ComponentRegistry.h"
#include "platform/media/FilterGraph.h"
#include "platform/media/GraphInterfaces.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QWidget>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <thread>
#include <vector>

using namespace platform::media;

namespace {

constexpr int kFps = 30;
// The player's views in its normal window; --view WxH sets both to one size.
QSize kViewSize(768, 432);
QSize kRearViewSize(352, 198);

double CpuSeconds(int who) {
    rusage usage{};
    getrusage(who, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

long PeakMemoryKiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:")) {
            return line.mid(6).trimmed().split(' ').first().toLong();
        }
    }
    return -1;
}

void Pump(int ms) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

QString MakeClip(const QString& dir, int seconds) {
    QProcess tool;
    tool.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    tool.start(QStringLiteral(ROADPLAYER_TOOLS_DIR "/make-sample-card"),
               {dir, "--categories", "normal", "--length", QString::number(seconds), "--size",
                "1920x1080", "--rear-size", "1920x1080", "--fps", QString::number(kFps),
                "--cameras", "2", "--audio", "aac"});
    if (!tool.waitForFinished(-1) || tool.exitCode() != 0) {
        return {};
    }
    const QStringList files = QDir(dir + "/NORMAL").entryList(QDir::Files, QDir::Name);
    return files.isEmpty() ? QString() : dir + "/NORMAL/" + files.first();
}

ComPtr<IPin> Pin(IBaseFilter* filter, const QString& name) {
    IPin* pin = nullptr;
    filter->FindPin(name, &pin);
    return ComPtr<IPin>::Attach(pin);
}

ComPtr<IPin> FirstPin(IBaseFilter* filter) {
    PinList pins;
    filter->EnumPins(&pins);
    return pins.empty() ? ComPtr<IPin>() : pins.front();
}

// The player's two-camera graph, with views of its own.
struct Player {
    ComPtr<IGraphBuilder> graph = CreateComponent<IGraphBuilder>(CLSID_FilterGraph);
    std::vector<ComPtr<IBaseFilter>> renderers;
    std::vector<std::unique_ptr<QWidget>> views;

    bool Build(const QString& path, bool withSound) {
        auto source = CreateComponent<IBaseFilter>(CLSID_SourceFilter);
        graph->AddFilter(source.Get(), "source");
        if (QueryInterface<IFileSourceFilter>(source)->Load(path, nullptr) != S_OK) {
            return false;
        }
        for (int i = 1; i <= 2; ++i) {
            auto decoder = CreateComponent<IBaseFilter>(CLSID_VideoDecoder);
            auto renderer = CreateComponent<IBaseFilter>(CLSID_VideoMixingRenderer);
            graph->AddFilter(decoder.Get(), QStringLiteral("decoder %1").arg(i));
            graph->AddFilter(renderer.Get(), QStringLiteral("renderer %1").arg(i));
            const QSize size = i == 1 ? kViewSize : kRearViewSize;
            auto view = std::make_unique<QWidget>();
            view->resize(size);
            view->show();
            auto windowless = QueryInterface<IVMRWindowlessControl>(renderer);
            const RECT client{0, 0, size.width(), size.height()};
            windowless->SetVideoPosition(nullptr, &client);
            windowless->SetVideoClippingWindow(view.get());
            if (graph->Connect(Pin(source.Get(), QStringLiteral("Video %1").arg(i)).Get(),
                               Pin(decoder.Get(), "In").Get()) != S_OK ||
                graph->Connect(Pin(decoder.Get(), "Out").Get(), FirstPin(renderer.Get()).Get()) !=
                    S_OK) {
                return false;
            }
            renderers.push_back(renderer);
            views.push_back(std::move(view));
        }
        if (withSound) {
            auto decoder = CreateComponent<IBaseFilter>(CLSID_AacDecoder);
            auto sound = CreateComponent<IBaseFilter>(CLSID_DSoundRender);
            graph->AddFilter(decoder.Get(), "CoreAAC Decoder");
            graph->AddFilter(sound.Get(), "DirectSound Audio Renderer");
            graph->Connect(Pin(source.Get(), "Audio").Get(), Pin(decoder.Get(), "In").Get());
            graph->Connect(Pin(decoder.Get(), "Out").Get(), FirstPin(sound.Get()).Get());
            renderers.push_back(sound);
        }
        return true;
    }
    RendererStats Stats(size_t i) const {
        RendererStats stats;
        QueryInterface<IRendererStats>(renderers[i])->GetRendererStats(&stats);
        return stats;
    }
};

struct Figures {
    double wallSeconds = 0;
    double cpuSeconds = 0;
};

// The ffmpeg program on the same streams with the engine's decoder thread count; pictures
// true: each stream also scaled to its view (area filter) into BGRA, as the engine converts.
Figures ReferenceDecode(const QString& clip, bool pictures) {
    QStringList arguments{"-v", "error", "-threads", "2", "-i", clip};
    if (pictures) {
        const auto scale = [](const char* stream, QSize size, const char* label) {
            return QStringLiteral("[0:v:%1]scale=%2:%3:flags=area,format=bgra[%4]")
                .arg(stream)
                .arg(size.width())
                .arg(size.height())
                .arg(label);
        };
        arguments << "-filter_complex"
                  << scale("0", kViewSize, "a") + ";" + scale("1", kRearViewSize, "b") << "-map"
                  << "[a]"
                  << "-f"
                  << "null"
                  << "-"
                  << "-map"
                  << "[b]"
                  << "-f"
                  << "null"
                  << "-";
    } else {
        arguments << "-map"
                  << "0:v"
                  << "-f"
                  << "null"
                  << "-";
    }
    const double before = CpuSeconds(RUSAGE_CHILDREN);
    QElapsedTimer timer;
    timer.start();
    QProcess ffmpeg;
    ffmpeg.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    ffmpeg.start(QStringLiteral("ffmpeg"), arguments);
    ffmpeg.waitForFinished(-1);
    return {timer.elapsed() / 1000.0, CpuSeconds(RUSAGE_CHILDREN) - before};
}

// pictures false: the renderers take the frames without converting them to the views.
Figures FreeRunDecode(const QString& clip, int frames, bool* complete, bool pictures) {
    Player player;
    *complete = false;
    if (!player.Build(clip, false)) {
        return {};
    }
    static_cast<FilterGraph*>(player.graph.Get())->SetFreeRun(true, pictures);
    const double before = CpuSeconds(RUSAGE_SELF);
    QElapsedTimer timer;
    timer.start();
    QueryInterface<IMediaControl>(player.graph)->Run();
    while (timer.elapsed() < 600'000) {
        Pump(20);
        if (player.Stats(0).framesRendered >= frames && player.Stats(1).framesRendered >= frames) {
            *complete = true;
            break;
        }
    }
    return {timer.elapsed() / 1000.0, CpuSeconds(RUSAGE_SELF) - before};
}

struct PlaybackFigures {
    Figures time;
    RendererStats front;
    RendererStats rear;
    bool soundDevice = false;
};

PlaybackFigures RealTime(const QString& clip, double rate) {
    Player player;
    PlaybackFigures figures;
    if (!player.Build(clip, true)) {
        return figures;
    }
    auto seeking = QueryInterface<IMediaSeeking>(player.graph);
    seeking->SetRate(rate);
    REFERENCE_TIME duration = 0;
    seeking->GetDuration(&duration);
    const double before = CpuSeconds(RUSAGE_SELF);
    QElapsedTimer timer;
    timer.start();
    QueryInterface<IMediaControl>(player.graph)->Run();
    REFERENCE_TIME position = 0;
    while (position < duration && timer.elapsed() < 600'000) {
        Pump(50);
        seeking->GetCurrentPosition(&position);
    }
    figures.time = {timer.elapsed() / 1000.0, CpuSeconds(RUSAGE_SELF) - before};
    figures.front = player.Stats(0);
    figures.rear = player.Stats(1);
    figures.soundDevice = player.Stats(2).deviceActive;
    return figures;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    int seconds = 30;
    int freeRunRounds = 3;
    bool freeRunOnly = false;
    QString keep;
    const QStringList arguments = app.arguments();
    for (int i = 1; i + 1 < arguments.size(); ++i) {
        if (arguments[i] == "--length") {
            seconds = arguments[i + 1].toInt();
        } else if (arguments[i] == "--view") {
            kViewSize = QSize(arguments[i + 1].section('x', 0, 0).toInt(),
                              arguments[i + 1].section('x', 1, 1).toInt());
            kRearViewSize = kViewSize;
        } else if (arguments[i] == "--rounds") {
            freeRunRounds = std::max(1, arguments[i + 1].toInt());
        } else if (arguments[i] == "--only" && arguments[i + 1] == "free-run") {
            freeRunOnly = true;
        } else if (arguments[i] == "--keep") {
            keep = arguments[i + 1];
        }
    }
    QTemporaryDir temporary;
    const QString dir = keep.isEmpty() ? temporary.path() : keep;
    QString clip;
    const QStringList existing = QDir(dir + "/NORMAL").entryList(QDir::Files, QDir::Name);
    clip = existing.isEmpty() ? MakeClip(dir, seconds) : dir + "/NORMAL/" + existing.first();
    if (clip.isEmpty()) {
        std::fprintf(stderr, "playback-bench: make-sample-card failed\n");
        return 1;
    }
    const int frames = seconds * kFps;
    std::printf("clip: %s (%d s, two cameras 1920x1080 @ %d fps, AAC), views %dx%d and %dx%d\n",
                qPrintable(clip), seconds, kFps, kViewSize.width(), kViewSize.height(),
                kRearViewSize.width(), kRearViewSize.height());

    // Rounds alternate the references and the engine so that load from elsewhere hits all;
    // the round with the median ratio is reported.
    struct Round {
        Figures reference;  // ffmpeg: decode, scale and convert to the views
        Figures ours;
        Figures referenceDecode;  // ffmpeg: decode only
        Figures decodeOnly;
        bool complete = false;
        double Ratio() const { return ours.cpuSeconds / std::max(0.001, reference.cpuSeconds); }
        double DecodeRatio() const {
            return decodeOnly.cpuSeconds / std::max(0.001, referenceDecode.cpuSeconds);
        }
    };
    std::vector<Round> rounds;
    for (int i = 0; i < freeRunRounds; ++i) {
        Round round;
        round.reference = ReferenceDecode(clip, true);
        round.ours = FreeRunDecode(clip, frames, &round.complete, true);
        round.referenceDecode = ReferenceDecode(clip, false);
        bool decoded = false;
        round.decodeOnly = FreeRunDecode(clip, frames, &decoded, false);
        round.complete = round.complete && decoded;
        rounds.push_back(round);
    }
    std::sort(rounds.begin(), rounds.end(),
              [](const Round& a, const Round& b) { return a.Ratio() < b.Ratio(); });
    const Round& median = rounds[rounds.size() / 2];
    std::printf(
        "(a) free run, decode + convert of %d frames x 2 cameras%s; median of %d rounds (ratios "
        "%.2f..%.2f)\n",
        frames, median.complete ? "" : " (INCOMPLETE)", freeRunRounds, rounds.front().Ratio(),
        rounds.back().Ratio());
    std::printf(
        "    ffmpeg -threads 2, scale=flags=area,format=bgra to both views, null outputs:\n"
        "            cpu %.2f s, wall %.2f s\n",
        median.reference.cpuSeconds, median.reference.wallSeconds);
    std::printf("    engine: cpu %.2f s, wall %.2f s (%.0f frames/s)\n", median.ours.cpuSeconds,
                median.ours.wallSeconds, 2.0 * frames / std::max(0.001, median.ours.wallSeconds));
    std::printf("    cpu-time ratio engine / ffmpeg: %.2f (target <= 1.00): %s\n", median.Ratio(),
                median.Ratio() <= 1.0 ? "met" : "MISSED");
    std::printf(
        "    decode only (engine renderers take the frames unconverted; ffmpeg -map 0:v -f null):\n"
        "            engine cpu %.2f s, ffmpeg cpu %.2f s, ratio %.2f\n",
        median.decodeOnly.cpuSeconds, median.referenceDecode.cpuSeconds, median.DecodeRatio());
    std::printf("    conversion to the views: engine %.2f s, ffmpeg %.2f s of cpu\n",
                median.ours.cpuSeconds - median.decodeOnly.cpuSeconds,
                median.reference.cpuSeconds - median.referenceDecode.cpuSeconds);
    if (freeRunOnly) {
        return 0;
    }

    for (const double rate : {1.0, 2.0}) {
        const PlaybackFigures f = RealTime(clip, rate);
        const int64_t shown = f.front.framesRendered + f.rear.framesRendered;
        const int64_t dropped = f.front.framesDropped + f.rear.framesDropped;
        const int64_t late = f.front.framesLate + f.rear.framesLate;
        std::printf(
            "(b) real time at %.0fx (sound %s): wall %.2f s, cpu %.2f s = %.0f%% of one core\n",
            rate, f.soundDevice ? "device" : "silent clock", f.time.wallSeconds, f.time.cpuSeconds,
            100.0 * f.time.cpuSeconds / std::max(0.001, f.time.wallSeconds));
        std::printf("    frames shown %lld of %d, dropped %lld (%.2f%%), late %lld\n",
                    static_cast<long long>(shown), 2 * frames, static_cast<long long>(dropped),
                    100.0 * static_cast<double>(dropped) / (2.0 * frames),
                    static_cast<long long>(late));
    }
    // At 2x a 30 fps clip asks for 60 pictures a second per view, which a 60 Hz screen shows,
    // so a skipped frame is a fault at both rates and counts.
    std::printf(
        "    (shown: pictures put up for the view; dropped: skipped because the next frame was "
        "already due;\n"
        "     late: shown over a frame interval after its time; counted on both views, at 2x "
        "too)\n");
    std::printf("peak memory (VmHWM): %ld MiB\n", PeakMemoryKiB() / 1024);
    return 0;
}
