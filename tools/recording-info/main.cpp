// recording-info FILE [--telemetry] [--frame MS OUT.jpg|OUT.png]: what the player sees in a file.
#include "tools/recording-info/RecordingInfo.h"

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
    bool telemetry = false;
    std::optional<int> frameMs;
    QString framePath;
};

std::optional<Options> ParseOptions(const QStringList& arguments) {
    Options options;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == "--telemetry") {
            options.telemetry = true;
        } else if (argument == "--frame" && i + 2 < arguments.size()) {
            bool ok = false;
            const int ms = arguments[i + 1].toInt(&ok);
            if (!ok || ms < 0) {
                return std::nullopt;
            }
            options.frameMs = ms;
            options.framePath = arguments[i + 2];
            i += 2;
        } else if (!argument.startsWith("--") && options.path.isEmpty()) {
            options.path = argument;
        } else {
            return std::nullopt;
        }
    }
    if (options.path.isEmpty()) {
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
    const std::optional<Options> options = ParseOptions(QApplication::arguments());
    if (!options) {
        err << "usage: recording-info FILE [--telemetry] [--frame MS OUT.jpg|OUT.png]\n";
        return kExitUsage;
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
    out.flush();
    if (options->frameMs && !info.SaveFrame(*options->frameMs, options->framePath)) {
        err << "recording-info: " << info.Error() << '\n';
        return kExitFailure;
    }
    return kExitOk;
}
