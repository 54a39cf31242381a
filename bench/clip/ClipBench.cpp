// bench/clip: the clip exporter against the ffmpeg program doing the same work in the same run,
// rounds alternating, on two recordings of a 1080p30 front and 720p30 rear camera with AAC
// sound and telemetry, the span crossing from the first into the second:
// (a) lossless: the exporter's copy against `ffmpeg -f concat -i LIST -map 0 -c copy` over a
//     concat list with the same in and out points; wall time, target at most 1.2x;
// (b) rendered: the exporter's layout (picture in picture by default) against ffmpeg with the
//     same filter graph and encoder settings (libx264 preset, CRF, key frame interval, AAC
//     bit rate); CPU time, target at most 1.1x; and the exporter's wall time against the span
//     (real time or faster), also with the burned-in text.
//
// clip-bench [--length SECONDS] [--keep DIR] [--rounds N] [--layout pip|side|front]
//            [--preset NAME] [--only lossless|rendered]
#include "platform/media/ClipExporter.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <vector>

using namespace platform::media;

namespace {

constexpr int kFps = 30;

double CpuSeconds(int who) {
    rusage usage{};
    getrusage(who, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double LoadAverage() {
    QFile file(QStringLiteral("/proc/loadavg"));
    return file.open(QIODevice::ReadOnly) ? file.readAll().split(' ').first().toDouble() : -1.0;
}

struct Figures {
    double wallSeconds = 0;
    double cpuSeconds = 0;
    bool ok = false;
};

// Two recordings that follow each other, made once (kept in dir).
QStringList MakeRecordings(const QString& dir, int seconds) {
    const auto list = [&] {
        QStringList paths;
        for (const QString& name :
             QDir(dir + "/NORMAL").entryList({"*.mp4"}, QDir::Files, QDir::Name)) {
            paths << dir + "/NORMAL/" + name;
        }
        return paths;
    };
    if (list().size() == 2) {
        return list();
    }
    QProcess tool;
    tool.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    tool.start(QStringLiteral(ROADPLAYER_TOOLS_DIR "/make-sample-card"),
               {dir, "--categories", "normal", "--count", "normal=2", "--length",
                QString::number(seconds), "--size", "1920x1080", "--rear-size", "1280x720", "--fps",
                QString::number(kFps), "--audio", "aac"});
    if (!tool.waitForFinished(-1) || tool.exitCode() != 0) {
        return {};
    }
    return list();
}

Figures Ffmpeg(const QStringList& arguments) {
    const double before = CpuSeconds(RUSAGE_CHILDREN);
    QElapsedTimer timer;
    timer.start();
    QProcess ffmpeg;
    ffmpeg.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    ffmpeg.start(QStringLiteral("ffmpeg"),
                 QStringList{"-v", "error", "-nostdin", "-y"} + arguments);
    const bool ok = ffmpeg.waitForFinished(-1) && ffmpeg.exitCode() == 0;
    return {timer.elapsed() / 1000.0, CpuSeconds(RUSAGE_CHILDREN) - before, ok};
}

Figures Engine(const ClipRequest& request) {
    const double before = CpuSeconds(RUSAGE_SELF);
    QElapsedTimer timer;
    timer.start();
    ClipExportControl control;
    const ClipOutcome outcome = ExportClip(request, control);
    if (outcome.status != ClipStatus::Done) {
        std::fprintf(stderr, "clip-bench: %s\n", qPrintable(outcome.reason));
    }
    return {timer.elapsed() / 1000.0, CpuSeconds(RUSAGE_SELF) - before,
            outcome.status == ClipStatus::Done};
}

// Burned-in text as a front end gives it: a clock, a speed and a place, changing each second.
std::vector<ClipOverlayCue> Cues(int seconds) {
    std::vector<ClipOverlayCue> cues;
    for (int recording = 0; recording < 2; ++recording) {
        for (int s = 0; s < seconds; ++s) {
            cues.push_back({{recording, s * 1000LL},
                            {QStringLiteral("2025-05-17 14:%1:%2")
                                 .arg(30 + (recording * seconds + s) / 60)
                                 .arg((recording * seconds + s) % 60, 2, 10, QLatin1Char('0')),
                             QStringLiteral("%1 km/h").arg(40.0 + s % 17, 0, 'f', 1),
                             QString::fromUtf8("37.%1\u00b0 N  127.%2\u00b0 E")
                                 .arg(40020 + s)
                                 .arg(3028 + s)}});
        }
    }
    return cues;
}

struct Round {
    Figures reference;
    Figures ours;
    Figures withText;
    double Ratio(bool cpu) const {
        return cpu ? ours.cpuSeconds / std::max(0.001, reference.cpuSeconds)
                   : ours.wallSeconds / std::max(0.001, reference.wallSeconds);
    }
};

// Runs the rounds and returns them ordered by ratio; the median one is reported.
std::vector<Round> RunRounds(int count, bool cpu, const std::function<Round()>& round) {
    std::vector<Round> rounds;
    for (int i = 0; i < count; ++i) {
        rounds.push_back(round());
    }
    std::sort(rounds.begin(), rounds.end(),
              [cpu](const Round& a, const Round& b) { return a.Ratio(cpu) < b.Ratio(cpu); });
    return rounds;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    int seconds = 30;
    int rounds = 3;
    QString keep;
    QString only;
    QString preset = QString::fromLatin1(kDefaultClipPreset);
    ClipLayout layout = ClipLayout::PictureInPicture;
    const QStringList arguments = app.arguments();
    for (int i = 1; i + 1 < arguments.size(); ++i) {
        const QString& value = arguments[i + 1];
        if (arguments[i] == "--length") {
            seconds = std::max(2, value.toInt());
        } else if (arguments[i] == "--rounds") {
            rounds = std::max(1, value.toInt());
        } else if (arguments[i] == "--keep") {
            keep = value;
        } else if (arguments[i] == "--only") {
            only = value;
        } else if (arguments[i] == "--preset") {
            preset = value;
        } else if (arguments[i] == "--layout") {
            layout = value == "side"    ? ClipLayout::SideBySide
                     : value == "front" ? ClipLayout::Front
                                        : ClipLayout::PictureInPicture;
        }
    }
    QTemporaryDir temporary;
    const QString dir = keep.isEmpty() ? temporary.path() : keep;
    const QStringList recordings = MakeRecordings(dir, seconds);
    if (recordings.size() != 2) {
        std::fprintf(stderr, "clip-bench: make-sample-card failed\n");
        return 1;
    }
    const QString out = temporary.path() + "/out";
    QDir().mkpath(out);
    const int64_t halfMs = seconds * 500LL;
    std::printf(
        "recordings: %s, %s (%d s each; 1920x1080 front, 1280x720 rear, %d fps, AAC, "
        "telemetry)\nspan: %.1f s from the middle of the first into the second; load "
        "average at the start %.1f\n",
        qPrintable(recordings[0]), qPrintable(recordings[1]), seconds, kFps, seconds * 1.0,
        LoadAverage());

    QFile list(out + "/span.ffconcat");
    if (!list.open(QIODevice::WriteOnly)) {
        return 1;
    }
    list.write(
        QStringLiteral("ffconcat version 1.0\nfile '%1'\ninpoint %2\nfile '%3'\noutpoint %2\n")
            .arg(recordings[0])
            .arg(halfMs / 1000.0, 0, 'f', 3)
            .arg(recordings[1])
            .toUtf8());
    list.close();
    ClipRequest request;
    request.recordings = recordings;
    request.from = {0, halfMs};
    request.to = {1, halfMs};
    request.preset = preset;
    const QStringList concat{"-f", "concat", "-safe", "0", "-i", list.fileName()};
    int missed = 0;

    if (only.isEmpty() || only == "lossless") {
        request.layout = ClipLayout::Copy;
        request.target = out + "/ours-copy.mp4";
        const QString theirs = out + "/ffmpeg-copy.mp4";
        const QStringList reference = concat + QStringList{"-map", "0", "-c", "copy", theirs};
        Engine(request);  // both read the recordings once before any round counts
        Ffmpeg(reference);
        const std::vector<Round> copies = RunRounds(std::max(rounds, 5), false, [&] {
            Round round;
            round.reference = Ffmpeg(reference);
            round.ours = Engine(request);
            return round;
        });
        const Round& median = copies[copies.size() / 2];
        std::printf(
            "(a) lossless, median of %zu rounds (wall ratios %.2f..%.2f)\n"
            "    ffmpeg -f concat -map 0 -c copy: wall %.3f s, cpu %.3f s%s\n"
            "    exporter:                        wall %.3f s, cpu %.3f s%s (%.0fx real time)\n"
            "    wall-time ratio exporter / ffmpeg: %.2f (target <= 1.20): %s\n",
            copies.size(), copies.front().Ratio(false), copies.back().Ratio(false),
            median.reference.wallSeconds, median.reference.cpuSeconds,
            median.reference.ok ? "" : " (FAILED)", median.ours.wallSeconds, median.ours.cpuSeconds,
            median.ours.ok ? "" : " (FAILED)", seconds / std::max(0.001, median.ours.wallSeconds),
            median.Ratio(false), median.Ratio(false) <= 1.2 ? "met" : "MISSED");
        missed += median.Ratio(false) <= 1.2 ? 0 : 1;
    }

    if (only.isEmpty() || only == "rendered") {
        request.layout = layout;
        request.corner = ClipCorner::BottomRight;
        QString graph = ClipFilterGraph(layout, request.corner, {1920, 1080}, {1280, 720});
        graph.replace("[f]", "[0:v:0]").replace("[r]", "[0:v:1]");
        const QString theirs = out + "/ffmpeg-rendered.mp4";
        const QStringList reference =
            concat + QStringList{"-filter_complex",
                                 graph,
                                 "-map",
                                 "[out]",
                                 "-map",
                                 "0:a",
                                 "-map",
                                 "0:s",
                                 "-c:v",
                                 "libx264",
                                 "-preset",
                                 preset,
                                 "-crf",
                                 QString::number(kClipCrf),
                                 "-g",
                                 QString::number(kFps * kClipKeyFrameSeconds),
                                 "-c:a",
                                 "aac",
                                 "-b:a",
                                 QString::number(kClipAudioBitRate),
                                 "-c:s",
                                 "copy",
                                 theirs};
        const std::vector<ClipOverlayCue> cues = Cues(seconds);
        const std::vector<Round> renders = RunRounds(rounds, true, [&] {
            Round round;
            round.reference = Ffmpeg(reference);
            request.overlay.clear();
            request.target = out + "/ours-rendered.mp4";
            round.ours = Engine(request);
            request.overlay = cues;
            request.target = out + "/ours-overlay.mp4";
            round.withText = Engine(request);
            return round;
        });
        const Round& median = renders[renders.size() / 2];
        const double speed = seconds / std::max(0.001, median.withText.wallSeconds);
        std::printf(
            "(b) rendered (%s, preset %s), median of %zu rounds (cpu ratios %.2f..%.2f)\n"
            "    ffmpeg, same graph and settings: cpu %.2f s, wall %.2f s%s\n"
            "    exporter:                        cpu %.2f s, wall %.2f s%s\n"
            "    exporter with burned-in text:    cpu %.2f s, wall %.2f s%s = %.2fx real time\n"
            "    cpu-time ratio exporter / ffmpeg: %.2f (target <= 1.10): %s\n"
            "    real time (with text): %s; cpu per second of clip %.2f s on 2 cores\n",
            qPrintable(graph), qPrintable(preset), renders.size(), renders.front().Ratio(true),
            renders.back().Ratio(true), median.reference.cpuSeconds, median.reference.wallSeconds,
            median.reference.ok ? "" : " (FAILED)", median.ours.cpuSeconds, median.ours.wallSeconds,
            median.ours.ok ? "" : " (FAILED)", median.withText.cpuSeconds,
            median.withText.wallSeconds, median.withText.ok ? "" : " (FAILED)", speed,
            median.Ratio(true), median.Ratio(true) <= 1.1 ? "met" : "MISSED",
            speed >= 1.0 ? "met" : "MISSED", median.withText.cpuSeconds / seconds);
        missed += (median.Ratio(true) <= 1.1 ? 0 : 1) + (speed >= 1.0 ? 0 : 1);
    }
    std::printf("load average at the end %.1f\n", LoadAverage());
    return missed == 0 ? 0 : 1;
}
