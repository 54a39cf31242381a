// Playback benchmark on a two-camera recording (by default a 30 s 1080p30 H.264 + AAC clip made
// by make-sample-card; --clip FILE takes any other):
// (a) decode + convert in free run, CPU time against the ffmpeg program decoding the same
//     video streams and scaling each to its view (area filter) into BGRA in the same run, and
//     decoding alone against ffmpeg decoding alone;
// (b) real-time playback at 1x and 2x into offscreen views: late and dropped frames, what the
//     decoders skipped to keep up, CPU use and peak memory; --busy N runs N busy processes
//     beside it (a machine already loaded).
// Usage: playback-bench [--clip FILE | --keep DIR] [--length SECONDS] [--view WxH] [--rounds N]
//                       [--only free-run|real-time] [--busy N]

#include "bench/support/BenchSupport.h"
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

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <thread>
#include <vector>

using namespace platform::media;
using bench::LoadAverage;

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

// Processes that keep a core each busy while they live: a machine loaded from elsewhere.
class BusyCores {
public:
    explicit BusyCores(int count) {
        for (int i = 0; i < count; ++i) {
            const pid_t pid = fork();
            if (pid == 0) {
                volatile unsigned long spin = 0;
                for (;;) {
                    spin = spin + 1;
                }
            }
            if (pid > 0) {
                m_pids.push_back(pid);
            }
        }
    }
    ~BusyCores() {
        for (const pid_t pid : m_pids) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
    }
    BusyCores(const BusyCores&) = delete;
    BusyCores& operator=(const BusyCores&) = delete;

private:
    std::vector<pid_t> m_pids;
};

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
    std::vector<ComPtr<IBaseFilter>> decoders;
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
            decoders.push_back(decoder);
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
    DecoderStats Decoding(size_t i) const {
        DecoderStats stats;
        if (const auto decoder = QueryInterface<IDecoderStats>(decoders[i])) {
            decoder->GetDecoderStats(&stats);
        }
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
Figures FreeRunDecode(const QString& clip, const int frames[2], bool* complete, bool pictures) {
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
        if (player.Stats(0).framesRendered >= frames[0] &&
            player.Stats(1).framesRendered >= frames[1]) {
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
    DecoderStats frontDecoder;
    DecoderStats rearDecoder;
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
    figures.frontDecoder = player.Decoding(0);
    figures.rearDecoder = player.Decoding(1);
    figures.soundDevice = player.Stats(2).deviceActive;
    return figures;
}

void PrintRealTime(double rate, const PlaybackFigures& f, int frames, const QString& loadBefore) {
    const int64_t shown = f.front.framesRendered + f.rear.framesRendered;
    const int64_t dropped = f.front.framesDropped + f.rear.framesDropped;
    const int64_t late = f.front.framesLate + f.rear.framesLate;
    const int64_t missing = std::max<int64_t>(0, frames - shown);
    std::printf(
        "(b) real time at %.0fx (sound %s; load average %s before, %s after): wall %.2f s, cpu "
        "%.2f s = %.0f%% of one core\n",
        rate, f.soundDevice ? "device" : "silent clock", qPrintable(loadBefore),
        qPrintable(LoadAverage()), f.time.wallSeconds, f.time.cpuSeconds,
        100.0 * f.time.cpuSeconds / std::max(0.001, f.time.wallSeconds));
    std::printf(
        "    frames shown %lld of %d, not shown %lld (%.2f%%: %lld dropped by the renderers, %lld "
        "skipped by the decoders), late %lld\n",
        static_cast<long long>(shown), frames, static_cast<long long>(missing),
        100.0 * static_cast<double>(missing) / std::max(1, frames), static_cast<long long>(dropped),
        static_cast<long long>(std::max<int64_t>(0, missing - dropped)),
        static_cast<long long>(late));
    for (const auto& [name, d] : {std::pair{"front", f.frontDecoder}, {"rear", f.rearDecoder}}) {
        std::printf(
            "    %s decoder: %d threads, %lld pictures; loop filter skipped on %lld packets, "
            "non-reference frames skipped over %lld\n",
            name, d.threads, static_cast<long long>(d.framesDecoded),
            static_cast<long long>(d.packetsNoLoopFilter),
            static_cast<long long>(d.packetsNoNonReference));
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    int seconds = 30;
    int freeRunRounds = 3;
    bool freeRun = true;
    bool realTime = true;
    int busy = 0;
    QString keep;
    QString clip;
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
        } else if (arguments[i] == "--only") {
            freeRun = arguments[i + 1] == "free-run";
            realTime = arguments[i + 1] == "real-time";
        } else if (arguments[i] == "--keep") {
            keep = arguments[i + 1];
        } else if (arguments[i] == "--clip") {
            clip = arguments[i + 1];
        } else if (arguments[i] == "--busy") {
            busy = std::max(0, arguments[i + 1].toInt());
        }
    }
    QTemporaryDir temporary;
    if (clip.isEmpty()) {
        const QString dir = keep.isEmpty() ? temporary.path() : keep;
        const QStringList existing = QDir(dir + "/NORMAL").entryList(QDir::Files, QDir::Name);
        clip = existing.isEmpty() ? MakeClip(dir, seconds) : dir + "/NORMAL/" + existing.first();
    }
    const bench::ClipInfo info = clip.isEmpty() ? bench::ClipInfo{} : bench::DescribeClip(clip);
    if (info.frames[0] <= 0 || info.frames[1] <= 0) {
        std::fprintf(stderr, "playback-bench: no two-camera recording (%s)\n", qPrintable(clip));
        return 1;
    }
    const int frames = info.frames[0] + info.frames[1];
    std::printf("clip: %s (%s), views %dx%d and %dx%d; %d cores; load average %s\n",
                qPrintable(clip), qPrintable(info.description), kViewSize.width(),
                kViewSize.height(), kRearViewSize.width(), kRearViewSize.height(),
                static_cast<int>(std::thread::hardware_concurrency()), qPrintable(LoadAverage()));

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
    for (int i = 0; freeRun && i < freeRunRounds; ++i) {
        Round round;
        round.reference = ReferenceDecode(clip, true);
        round.ours = FreeRunDecode(clip, info.frames, &round.complete, true);
        round.referenceDecode = ReferenceDecode(clip, false);
        bool decoded = false;
        round.decodeOnly = FreeRunDecode(clip, info.frames, &decoded, false);
        round.complete = round.complete && decoded;
        rounds.push_back(round);
    }
    if (freeRun) {
        std::sort(rounds.begin(), rounds.end(),
                  [](const Round& a, const Round& b) { return a.Ratio() < b.Ratio(); });
        const Round& median = rounds[rounds.size() / 2];
        std::printf(
            "(a) free run, decode + convert of %d frames, both cameras%s; median of %d rounds "
            "(ratios %.2f..%.2f); load average %s after\n",
            frames, median.complete ? "" : " (INCOMPLETE)", freeRunRounds, rounds.front().Ratio(),
            rounds.back().Ratio(), qPrintable(LoadAverage()));
        std::printf(
            "    ffmpeg -threads 2, scale=flags=area,format=bgra to both views, null outputs:\n"
            "            cpu %.2f s, wall %.2f s\n",
            median.reference.cpuSeconds, median.reference.wallSeconds);
        std::printf("    engine: cpu %.2f s, wall %.2f s (%.0f frames/s)\n", median.ours.cpuSeconds,
                    median.ours.wallSeconds, frames / std::max(0.001, median.ours.wallSeconds));
        std::printf("    cpu-time ratio engine / ffmpeg: %.2f (target <= 1.00): %s\n",
                    median.Ratio(), median.Ratio() <= 1.0 ? "met" : "MISSED");
        std::printf(
            "    decode only (engine renderers take the frames unconverted; ffmpeg -map 0:v -f "
            "null):\n"
            "            engine cpu %.2f s, ffmpeg cpu %.2f s, ratio %.2f\n",
            median.decodeOnly.cpuSeconds, median.referenceDecode.cpuSeconds, median.DecodeRatio());
        std::printf("    conversion to the views: engine %.2f s, ffmpeg %.2f s of cpu\n",
                    median.ours.cpuSeconds - median.decodeOnly.cpuSeconds,
                    median.reference.cpuSeconds - median.referenceDecode.cpuSeconds);
    }
    if (!realTime) {
        return 0;
    }

    if (busy > 0) {
        std::printf("(b) with %d busy process%s beside the player\n", busy, busy == 1 ? "" : "es");
    }
    for (const double rate : {1.0, 2.0}) {
        const QString loadBefore = LoadAverage();
        PlaybackFigures f;
        {
            const BusyCores load(busy);
            f = RealTime(clip, rate);
        }
        PrintRealTime(rate, f, frames, loadBefore);
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
