// Map view cost benchmark: real-time playback at 1x of a two-camera recording (1280x720 front,
// 640x360 rear, 30 fps, AAC, telemetry; made by make-sample-card) through the player's graph
// owner, with the map view shown at the main area's size and fed the position every 100 ms
// and the route once, against the same playback with the map view hidden (its page loaded,
// the window collapsed as the layout does). Rounds alternate, so load from elsewhere hits
// both. Reports late and dropped frames of both cameras and the CPU time of the player
// process and of the browser engine's helper processes.
// Usage: mapview-bench [--length SECONDS] [--rounds N] [--keep DIR]

#include "platform/media/GraphInterfaces.h"
#include "platform/window/ControlContainer.h"
#include "platform/window/Dialog.h"
#include "player/playback/VideoPlayer.h"
#include "player/telemetry/SkWebBrowser.h"
#include "player/telemetry/TextData.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <map>
#include <thread>
#include <vector>

using namespace platform::media;
using player::CPlayGraph;
using player::CTextData;
using player::CVideoPlayer;

namespace {

constexpr int kFps = 30;
constexpr int kTickMs = 100;
constexpr int kFrontId = 1001;
constexpr int kRearId = 1002;
constexpr int kMapId = 1007;
// The main window's normal layout: main area, second area; the map at the main area's size.
constexpr std::array kItems = {
    platform::DialogItem{kFrontId, platform::ChildKind::Static, 0, 0, 768, 432},
    platform::DialogItem{kRearId, platform::ChildKind::Static, 776, 0, 352, 198},
    platform::DialogItem{kMapId, platform::ChildKind::Custom, 1136, 0, 768, 432},
};
constexpr platform::DialogTemplate kTemplate{990, "mapview-bench",        1904,
                                             432, platform::kDialogPopup, kItems};

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// CPU seconds of every process descended from this one (the browser engine's helpers), by pid.
std::map<int, double> HelperCpu() {
    std::map<int, int> parentOf;
    std::map<int, double> cpu;
    const double ticks = static_cast<double>(sysconf(_SC_CLK_TCK));
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool isPid = false;
        const int pid = entry.toInt(&isPid);
        if (!isPid) {
            continue;
        }
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly)) {
            continue;
        }
        const QByteArray text = stat.readAll();
        // Fields after the command name, which may hold spaces: state ppid ... utime stime.
        const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
        if (fields.size() < 13) {
            continue;
        }
        parentOf[pid] = fields[1].toInt();
        cpu[pid] = (fields[11].toDouble() + fields[12].toDouble()) / ticks;
    }
    std::map<int, double> helpers;
    for (const auto& [pid, seconds] : cpu) {
        for (int p = parentOf[pid]; p > 1; p = parentOf.count(p) ? parentOf[p] : 0) {
            if (p == getpid()) {
                helpers[pid] = seconds;
                break;
            }
        }
    }
    return helpers;
}

double HelperCpuSince(const std::map<int, double>& before) {
    double total = 0;
    for (const auto& [pid, seconds] : HelperCpu()) {
        const auto it = before.find(pid);
        total += seconds - (it != before.end() ? it->second : 0.0);
    }
    return total;
}

QString MakeClip(const QString& dir, int seconds) {
    QProcess tool;
    tool.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    tool.start(QStringLiteral(ROADPLAYER_TOOLS_DIR "/make-sample-card"),
               {dir, "--categories", "normal", "--count", "normal=1", "--length",
                QString::number(seconds), "--size", "1280x720", "--rear-size", "640x360", "--fps",
                QString::number(kFps), "--cameras", "2", "--audio", "aac"});
    if (!tool.waitForFinished(-1) || tool.exitCode() != 0) {
        return {};
    }
    const QStringList files = QDir(dir + "/NORMAL").entryList(QDir::Files, QDir::Name);
    return files.isEmpty() ? QString() : dir + "/NORMAL/" + files.first();
}

RendererStats Stats(CPlayGraph* graph, const char* name) {
    RendererStats stats;
    IBaseFilter* raw = nullptr;
    if (graph->GraphBuilder()->FindFilterByName(QString::fromLatin1(name), &raw) == S_OK) {
        const auto renderer = ComPtr<IBaseFilter>::Attach(raw);
        if (const auto source = QueryInterface<IRendererStats>(renderer)) {
            source->GetRendererStats(&stats);
        }
    }
    return stats;
}

struct Round {
    bool mapShown = false;
    double wallSeconds = 0;
    double playerCpu = 0;
    double helperCpu = 0;
    int64_t shown = 0;
    int64_t dropped = 0;
    int64_t late = 0;
    int pushes = 0;
    bool soundDevice = false;
    double TotalCpu() const { return playerCpu + helperCpu; }
};

// The window of the views and the map, with its page loaded once for all rounds.
struct Stage {
    platform::Dialog window{kTemplate};
    player::SkWebBrowser map;
    CTextData store;

    bool Load(const QString& page) {
        window.Create(nullptr);
        window.show();
        if (!map.SubclassDlgItem(kMapId, window)) {
            return false;
        }
        map.SetData(&store);
        // As the player does on a machine without a connection; there is none to measure here.
        map.SetTilesEnabled(false);
        QSignalSpy finished(&map, &player::SkWebBrowser::PageFinished);
        map.Navigate(page);
        return finished.wait(60000) && finished.first().first().toBool();
    }
    void ShowMap(bool shown) {
        QWidget* view = map.Window();
        view->setGeometry(shown ? QRect(1136, 0, 768, 432) : QRect(0, 0, 0, 0));
    }
};

Round Play(Stage& stage, const QString& clip, bool mapShown) {
    Round round;
    round.mapShown = mapShown;
    CVideoPlayer player;
    player.AttachViews(stage.window.GetDlgItem(kFrontId), stage.window.GetDlgItem(kRearId));
    if (player.Open(clip) != 1) {
        return round;
    }
    CPlayGraph* graph = player.Graph();
    stage.store.LoadFromSource(graph->Source());
    stage.ShowMap(mapShown);
    stage.map.ShowRoute();
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        round.pushes += stage.map.ShowPosition(static_cast<uint32_t>(graph->GetPositionMs()));
    });
    const REFERENCE_TIME duration = graph->GetDuration();
    const auto helpersBefore = HelperCpu();
    const double cpuBefore = CpuSeconds();
    QElapsedTimer timer;
    timer.start();
    graph->Run();
    tick.start(kTickMs);
    while (graph->GetPosition() < duration && timer.elapsed() < 600'000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    tick.stop();
    round.wallSeconds = timer.elapsed() / 1000.0;
    round.playerCpu = CpuSeconds() - cpuBefore;
    round.helperCpu = HelperCpuSince(helpersBefore);
    const RendererStats front = Stats(graph, CPlayGraph::kFrontRendererName);
    const RendererStats rear = Stats(graph, CPlayGraph::kRearRendererName);
    round.shown = front.framesRendered + rear.framesRendered;
    round.dropped = front.framesDropped + rear.framesDropped;
    round.late = front.framesLate + rear.framesLate;
    round.soundDevice = Stats(graph, CPlayGraph::kAudioRendererName).deviceActive;
    player.Release();
    return round;
}

void Print(const char* label, const Round& r, int frames) {
    std::printf(
        "    %-11s wall %6.2f s  cpu: player %6.2f s + browser %5.2f s = %5.0f%% of one core  "
        "frames shown %lld of %d, dropped %lld, late %lld  (positions pushed %d)\n",
        label, r.wallSeconds, r.playerCpu, r.helperCpu,
        100.0 * r.TotalCpu() / std::max(0.001, r.wallSeconds), static_cast<long long>(r.shown),
        2 * frames, static_cast<long long>(r.dropped), static_cast<long long>(r.late), r.pushes);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    // As the player starts: the engine is loaded late, without a shared graphics context.
    platform::EnableControlContainer();
    QApplication app(argc, argv);
    player::SkWebBrowser::SetEngineModule(
        QStringLiteral(ROADPLAYER_PROGRAM_DIR "/roadplayer-mapengine"));
    int seconds = 30;
    int rounds = 2;
    QString keep;
    const QStringList arguments = app.arguments();
    for (int i = 1; i + 1 < arguments.size(); ++i) {
        if (arguments[i] == "--length") {
            seconds = std::max(5, arguments[i + 1].toInt());
        } else if (arguments[i] == "--rounds") {
            rounds = std::max(1, arguments[i + 1].toInt());
        } else if (arguments[i] == "--keep") {
            keep = arguments[i + 1];
        }
    }
    QTemporaryDir temporary;
    if (qEnvironmentVariableIsEmpty("ROADPLAYER_REGISTRY_DIR")) {
        // The graph owner writes a setting; a benchmark leaves the user's settings alone.
        qputenv("ROADPLAYER_REGISTRY_DIR", QFile::encodeName(temporary.filePath("registry")));
    }
    const QString dir = keep.isEmpty() ? temporary.path() : keep;
    const QStringList existing = QDir(dir + "/NORMAL").entryList(QDir::Files, QDir::Name);
    const QString clip =
        existing.isEmpty() ? MakeClip(dir, seconds) : dir + "/NORMAL/" + existing.first();
    if (clip.isEmpty()) {
        std::fprintf(stderr, "mapview-bench: make-sample-card failed\n");
        return 1;
    }
    Stage stage;
    if (!stage.Load(QStringLiteral(ROADPLAYER_PROGRAM_DIR "/mappage/map.html"))) {
        std::fprintf(stderr, "mapview-bench: the map page did not load\n");
        return 1;
    }
    const int frames = seconds * kFps;
    std::printf(
        "clip: %s (%d s, 1280x720 + 640x360 @ %d fps, AAC); views 768x432 and 352x198, map "
        "768x432\n",
        qPrintable(clip), seconds, kFps);
    std::vector<Round> hidden;
    std::vector<Round> shown;
    for (int i = 0; i < rounds; ++i) {
        hidden.push_back(Play(stage, clip, false));
        shown.push_back(Play(stage, clip, true));
    }
    std::printf("real-time playback at 1x (sound %s), %d rounds each, alternating:\n",
                hidden.front().soundDevice ? "device" : "silent clock", rounds);
    for (int i = 0; i < rounds; ++i) {
        Print("map hidden", hidden[static_cast<size_t>(i)], frames);
        Print("map shown", shown[static_cast<size_t>(i)], frames);
    }
    auto worst = [](const std::vector<Round>& all) {
        int64_t faults = 0;
        for (const Round& r : all) {
            faults = std::max(faults, r.dropped + r.late);
        }
        return faults;
    };
    auto medianCpu = [](std::vector<Round> all) {
        std::sort(all.begin(), all.end(),
                  [](const Round& a, const Round& b) { return a.TotalCpu() < b.TotalCpu(); });
        return all[all.size() / 2];
    };
    const Round h = medianCpu(hidden);
    const Round s = medianCpu(shown);
    std::printf(
        "late + dropped frames, worst round: map hidden %lld, map shown %lld (target 0 at 1x)\n",
        static_cast<long long>(worst(hidden)), static_cast<long long>(worst(shown)));
    std::printf(
        "median cpu: map hidden %.0f%%, map shown %.0f%% of one core; the map view costs %.0f%% "
        "(player %+.2f s, browser %+.2f s over %d s)\n",
        100.0 * h.TotalCpu() / std::max(0.001, h.wallSeconds),
        100.0 * s.TotalCpu() / std::max(0.001, s.wallSeconds),
        100.0 * (s.TotalCpu() / std::max(0.001, s.wallSeconds) -
                 h.TotalCpu() / std::max(0.001, h.wallSeconds)),
        s.playerCpu - h.playerCpu, s.helperCpu - h.helperCpu, seconds);
    return 0;
}
