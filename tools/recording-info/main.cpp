// recording-info FILE [--telemetry] [--incidents] [--frame MS OUT.jpg|OUT.png] [--gpx OUT.gpx]
//                [--csv OUT.csv] [--repair OUT.mp4 [--reference REF]]: what the player sees in a
// recording, its incidents, its GPS track, or a playable copy of one a power loss cut;
// --clip (ClipOption.h): a clip. recording-info FILE FILE... --gpx OUT.gpx: a trip's track;
// recording-info --trips FOLDER...: the trips in folders.
#include "player/telemetry/MarksOfRecording.h"
#include "tools/recording-info/ClipOption.h"
#include "tools/recording-info/Incidents.h"
#include "tools/recording-info/RecordingInfo.h"
#include "tools/recording-info/Repair.h"
#include "tools/recording-info/TrackFiles.h"
#include "tools/recording-info/TripList.h"

#include <QApplication>
#include <QStringList>
#include <QTextStream>

#include <optional>

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

struct Options {
    QString path;
    QStringList morePaths;  // further recordings of a trip (--gpx only)
    QStringList tripFolders;
    bool telemetry = false;
    bool incidents = false;
    std::optional<int> frameMs;
    QString framePath;
    QString gpxPath;
    QString csvPath;
    QString repairPath;
    QString referencePath;
};

std::optional<Options> ParseOptions(const QStringList& arguments) {
    Options options;
    if (arguments.size() > 2 && arguments[1] == "--trips") {
        options.tripFolders = arguments.mid(2);
        return options;
    }
    for (int i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == "--telemetry") {
            options.telemetry = true;
        } else if (argument == "--incidents") {
            options.incidents = true;
        } else if (argument == "--frame" && i + 2 < arguments.size()) {
            bool ok = false;
            const int ms = arguments[i + 1].toInt(&ok);
            if (!ok || ms < 0) {
                return std::nullopt;
            }
            options.frameMs = ms;
            options.framePath = arguments[i + 2];
            i += 2;
        } else if ((argument == "--gpx" || argument == "--csv") && i + 1 < arguments.size()) {
            (argument == "--gpx" ? options.gpxPath : options.csvPath) = arguments[++i];
        } else if (argument == "--repair" && i + 1 < arguments.size()) {
            options.repairPath = arguments[++i];
        } else if (argument == "--reference" && i + 1 < arguments.size()) {
            options.referencePath = arguments[++i];
        } else if (!argument.startsWith("--") && options.path.isEmpty()) {
            options.path = argument;
        } else if (!argument.startsWith("--")) {
            options.morePaths << argument;
        } else {
            return std::nullopt;
        }
    }
    if (options.path.isEmpty() ||
        (options.repairPath.isEmpty() && !options.referencePath.isEmpty())) {
        return std::nullopt;
    }
    // Several recordings make one trip track and nothing else.
    if (!options.morePaths.isEmpty() &&
        (options.gpxPath.isEmpty() || options.telemetry || options.incidents || options.frameMs ||
         !options.csvPath.isEmpty() || !options.repairPath.isEmpty())) {
        return std::nullopt;
    }
    return options;
}

}  // namespace

int main(int argc, char* argv[]) {
    // The views are never shown; no display is needed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    // Nothing is heard; the graph runs on its silent clock without asking for a sound server.
    qputenv("ROADPLAYER_AUDIO_DEVICE", "none");
    QApplication application(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    if (IsClipCommand(QApplication::arguments())) {
        return RunClipCommand(QApplication::arguments(), out, err);
    }
    const std::optional<Options> options = ParseOptions(QApplication::arguments());
    if (!options) {
        err << "usage: recording-info FILE [--telemetry] [--incidents] "
               "[--frame MS OUT.jpg|OUT.png] [--gpx OUT.gpx] [--csv OUT.csv]\n"
               "       recording-info FILE --repair OUT.mp4 [--reference REF]\n"
               "       recording-info FILE FILE... --gpx OUT.gpx\n"
               "       recording-info --trips FOLDER [FOLDER...]\n"
               "       "
            << kClipUsage;
        return kExitUsage;
    }
    if (const QString replaced = ReplacedInput(
            {options->repairPath, options->framePath, options->gpxPath, options->csvPath},
            {options->path, options->referencePath});
        !replaced.isEmpty()) {
        err << "recording-info: " << replaced << '\n';
        return kExitFailure;
    }
    if (!options->tripFolders.isEmpty() || !options->morePaths.isEmpty()) {
        QString error;
        const bool done = options->tripFolders.isEmpty()
                              ? WriteTripGpx(QStringList{options->path} + options->morePaths,
                                             options->gpxPath, &error)
                              : WriteTrips(options->tripFolders, out, &error);
        out.flush();
        if (!done) {
            err << "recording-info: " << error << '\n';
            return kExitFailure;
        }
        return kExitOk;
    }
    if (!options->repairPath.isEmpty()) {
        QString error;
        if (!RepairRecording(options->path, options->referencePath, options->repairPath, out,
                             error)) {
            err << "recording-info: " << error << '\n';
            return kExitFailure;
        }
        return kExitOk;
    }
    RecordingInfo info;
    if (!info.Open(options->path)) {
        info.WriteFoundStreams(out);
        out.flush();
        err << "recording-info: " << info.Error() << '\n';
        return kExitFailure;
    }
    info.WriteSummary(out);
    if (options->telemetry) {
        info.WriteTelemetryCsv(out);
    }
    if (options->incidents) {
        WriteIncidents(info.Telemetry(), out);
    }
    out.flush();
    const struct {
        const QString& path;
        TrackFormat format;
    } tracks[] = {{options->gpxPath, TrackFormat::Gpx}, {options->csvPath, TrackFormat::Csv}};
    const std::vector<player::RecordingMark> marks =
        options->gpxPath.isEmpty() && options->csvPath.isEmpty()
            ? std::vector<player::RecordingMark>{}
            : player::MarksOfRecording(info.Telemetry(), options->path);
    for (const auto& track : tracks) {
        QString error;
        if (!track.path.isEmpty() && !WriteTrackFile(info.Telemetry(), options->path, marks,
                                                     track.format, track.path, &error)) {
            err << "recording-info: " << error << '\n';
            return kExitFailure;
        }
    }
    if (options->frameMs && !info.SaveFrame(*options->frameMs, options->framePath)) {
        err << "recording-info: " << info.Error() << '\n';
        return kExitFailure;
    }
    return kExitOk;
}
