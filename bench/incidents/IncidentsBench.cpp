// bench/incidents: the incident detection's cost for one recording's readings, against the
// telemetry store's parse of the same lines in the same run (rounds alternate, so load from
// elsewhere hits both). The telemetry is a one-minute recording of make-sample-card's drive
// model with its incidents on a rough road: 600 'M' lines at 10 Hz and 60 'G' lines.
//
// incidents-bench [--minutes N] [--rounds N]
// Exit 1 when the median detection for one minute of readings takes 5 ms or more.
#include "player/telemetry/IncidentDetector.h"
#include "tools/make-sample-card/DriveModel.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr double kTargetMsPerMinute = 5.0;

struct Line {
    std::string text;
    int timeMs = 0;
};

std::vector<Line> MakeLines(int minutes) {
    const samplecard::ParseResult parsed =
        samplecard::ParseCardOptions({"card", "--incidents", "--categories", "normal", "--length",
                                      QString::number(minutes * 60)});
    std::vector<Line> lines;
    for (const samplecard::PlannedClip& planned : samplecard::SimulateCard(parsed.options)) {
        for (const samplecard::TelemetrySample& sample : samplecard::BuildTelemetry(
                 planned.clip, planned.drive, parsed.options.lengthSeconds)) {
            size_t from = 0;
            while (from <= sample.text.size()) {
                const size_t end = std::min(sample.text.find('\n', from), sample.text.size());
                lines.push_back({sample.text.substr(from, end - from), sample.startMs});
                from = end + 1;
            }
        }
    }
    return lines;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    int minutes = 1;
    int rounds = 501;
    for (int i = 1; i + 1 < arguments.size(); i += 2) {
        (arguments[i] == "--minutes" ? minutes : rounds) = std::max(1, arguments[i + 1].toInt());
    }
    const std::vector<Line> lines = MakeLines(minutes);
    player::CTextData store;
    std::vector<double> parseMs;
    std::vector<double> detectMs;
    size_t incidents = 0;
    for (int round = 0; round <= rounds; ++round) {  // round 0 warms the caches
        QElapsedTimer timer;
        timer.start();
        store.Clear();
        for (const Line& line : lines) {
            store.AddLine(line.text.c_str(), line.timeMs);
        }
        const double parsed = static_cast<double>(timer.nsecsElapsed()) / 1e6;
        timer.restart();
        incidents = player::DetectIncidents(player::MotionSeriesOf(store)).size();
        const double detected = static_cast<double>(timer.nsecsElapsed()) / 1e6;
        if (round > 0) {
            parseMs.push_back(parsed);
            detectMs.push_back(detected);
        }
    }
    const double perMinute = Median(detectMs) / minutes;
    std::printf("readings: %zu g-sensor, %zu gps, %d min; %zu incidents found\n",
                store.GSensorList().size(), store.GPSList().size(), minutes, incidents);
    std::printf("telemetry parse of the same lines (reference): median %.3f ms\n", Median(parseMs));
    std::printf(
        "detection (copy + detect): median %.3f ms (%.2f x the parse); %.3f ms per minute, "
        "target < %.1f ms\n",
        Median(detectMs), Median(detectMs) / Median(parseMs), perMinute, kTargetMsPerMinute);
    return perMinute < kTargetMsPerMinute ? 0 : 1;
}
