#include "tools/recording-info/ClipOption.h"

#include "platform/media/ClipExporter.h"
#include "platform/media/StreamProbe.h"
#include "player/catalogue/ClipNames.h"
#include "player/telemetry/ClipTelemetry.h"
#include "tools/recording-info/ClipSpan.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <map>
#include <optional>

#include <unistd.h>

using namespace platform::media;

const char kClipUsage[] =
    "recording-info --clip OUT.mp4 --from FILE:MS --to FILE:MS [--layout copy|front|side|pip]\n"
    "                      [--corner tl|tr|bl|br] [--overlay] [--units kmh|mph] [--no-location]\n"
    "                      [--preset NAME]\n";

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
constexpr int kProgressIntervalMs = 250;

volatile std::sig_atomic_t g_interrupted = 0;

void OnInterrupt(int /*signal*/) {
    g_interrupted = 1;
}

struct Position {
    QString path;
    int64_t ms = 0;
};

struct ClipOptions {
    QString out;
    Position from;
    Position to;
    ClipLayout layout = ClipLayout::Copy;
    ClipCorner corner = ClipCorner::BottomRight;
    bool overlay = false;
    player::SpeedUnit unit = player::SpeedUnit::Kmh;
    bool withoutLocation = false;
    QString preset;
};

// FILE:MS, split at the last colon (a path may hold colons).
std::optional<Position> ParsePosition(const QString& text) {
    const qsizetype colon = text.lastIndexOf(QLatin1Char(':'));
    bool ok = false;
    const qlonglong ms = colon > 0 ? text.mid(colon + 1).toLongLong(&ok) : 0;
    if (!ok || ms < 0) {
        return std::nullopt;
    }
    return Position{text.left(colon), ms};
}

template <typename Value>
bool Choose(const std::map<QString, Value>& choices, const QString& text, Value* value) {
    const auto it = choices.find(text);
    return it != choices.end() && (*value = it->second, true);
}

std::optional<ClipOptions> ParseClipOptions(const QStringList& arguments) {
    static const std::map<QString, ClipLayout> layouts = {
        {QStringLiteral("copy"), ClipLayout::Copy},
        {QStringLiteral("front"), ClipLayout::Front},
        {QStringLiteral("side"), ClipLayout::SideBySide},
        {QStringLiteral("pip"), ClipLayout::PictureInPicture}};
    static const std::map<QString, ClipCorner> corners = {
        {QStringLiteral("tl"), ClipCorner::TopLeft},
        {QStringLiteral("tr"), ClipCorner::TopRight},
        {QStringLiteral("bl"), ClipCorner::BottomLeft},
        {QStringLiteral("br"), ClipCorner::BottomRight}};
    static const std::map<QString, player::SpeedUnit> units = {
        {QStringLiteral("kmh"), player::SpeedUnit::Kmh},
        {QStringLiteral("mph"), player::SpeedUnit::Mph}};
    ClipOptions options;
    bool hasFrom = false;
    bool hasTo = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& name = arguments[i];
        if (name == QLatin1String("--overlay")) {
            options.overlay = true;
            continue;
        }
        if (name == QLatin1String("--no-location")) {
            options.withoutLocation = true;
            continue;
        }
        if (i + 1 >= arguments.size()) {
            return std::nullopt;
        }
        const QString& value = arguments[++i];
        std::optional<Position> position;
        bool ok = true;
        if (name == QLatin1String("--clip")) {
            options.out = value;
        } else if (name == QLatin1String("--from") || name == QLatin1String("--to")) {
            position = ParsePosition(value);
            ok = position.has_value();
            if (ok) {
                (name == QLatin1String("--from") ? options.from : options.to) = *position;
                (name == QLatin1String("--from") ? hasFrom : hasTo) = true;
            }
        } else if (name == QLatin1String("--layout")) {
            ok = Choose(layouts, value, &options.layout);
        } else if (name == QLatin1String("--corner")) {
            ok = Choose(corners, value, &options.corner);
        } else if (name == QLatin1String("--units")) {
            ok = Choose(units, value, &options.unit);
        } else if (name == QLatin1String("--preset")) {
            options.preset = value;
        } else {
            ok = false;
        }
        if (!ok) {
            return std::nullopt;
        }
    }
    if (options.out.isEmpty() || !hasFrom || !hasTo ||
        (options.overlay && options.layout == ClipLayout::Copy)) {
        return std::nullopt;
    }
    return options;
}

// The overlay's cues of every recording, by the request's indexes.
std::vector<ClipOverlayCue> OverlayCues(const QStringList& recordings, const ClipOptions& options) {
    std::vector<ClipOverlayCue> cues;
    const player::ClipOverlayOptions overlay{options.unit, !options.withoutLocation};
    for (int i = 0; i < recordings.size(); ++i) {
        player::CTextData telemetry;
        player::LoadRecordingTelemetry(recordings[i], &telemetry);
        StreamCounts streams;
        ProbeStreams(recordings[i], &streams);
        const std::vector<ClipOverlayCue> own =
            player::ClipOverlayCues(i, player::RecordingStartTime(recordings[i]),
                                    std::max<int64_t>(streams.durationMs, 0), telemetry, overlay);
        cues.insert(cues.end(), own.begin(), own.end());
    }
    return cues;
}

QString ProgressLine(const ClipProgress& progress) {
    QString line = QStringLiteral("\rclip: %1 %").arg(static_cast<int>(progress.fraction * 100), 3);
    if (progress.remainingMs >= 0 && progress.fraction < 1.0) {
        line += QStringLiteral(", %1 s left").arg((progress.remainingMs + 999) / 1000);
    }
    return line + QStringLiteral("      ");
}

// Runs the export on its worker and waits, showing progress and passing on an interrupt.
ClipOutcome RunExport(ClipRequest request) {
    const bool terminal = ::isatty(STDERR_FILENO) == 1;
    g_interrupted = 0;
    struct sigaction action {};
    action.sa_handler = &OnInterrupt;
    struct sigaction previous {};
    sigaction(SIGINT, &action, &previous);
    ClipExport clip;
    QEventLoop loop;
    QObject::connect(&clip, &ClipExport::Finished, &loop, &QEventLoop::quit);
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        if (g_interrupted != 0) {
            clip.Cancel();
        }
        if (terminal) {
            std::fputs(qPrintable(ProgressLine(clip.Progress())), stderr);
        }
    });
    tick.start(kProgressIntervalMs);
    clip.Start(std::move(request));
    loop.exec();
    sigaction(SIGINT, &previous, nullptr);
    if (terminal) {
        std::fputs(qPrintable(ProgressLine(clip.Progress()) + QLatin1Char('\n')), stderr);
    }
    return clip.Outcome();
}

}  // namespace

bool IsClipCommand(const QStringList& arguments) {
    return arguments.contains(QStringLiteral("--clip"));
}

int RunClipCommand(const QStringList& arguments, QTextStream& out, QTextStream& err) {
    const std::optional<ClipOptions> options = ParseClipOptions(arguments);
    if (!options) {
        err << "usage: " << kClipUsage << "(--overlay needs a layout other than copy)\n";
        return kExitUsage;
    }
    ClipRequest request;
    QString error;
    if (!ClipRecordings(options->from.path, options->to.path, &request.recordings, &error) ||
        !RecordingsFollowEachOther(request.recordings, &error)) {
        err << "recording-info: " << error << '\n';
        return kExitFailure;
    }
    request.from = {0, options->from.ms};
    request.to = {static_cast<int>(request.recordings.size()) - 1, options->to.ms};
    request.target = options->out;
    request.layout = options->layout;
    request.corner = options->corner;
    request.preset = options->preset;
    request.withoutLocation = options->withoutLocation;
    if (options->withoutLocation) {
        request.telemetry = &player::WithoutGpsLines;
    }
    if (options->overlay) {
        request.overlay = OverlayCues(request.recordings, *options);
    }
    const ClipOutcome outcome = RunExport(std::move(request));
    if (outcome.status != ClipStatus::Done) {
        err << "recording-info: " << outcome.reason << '\n';
        return kExitFailure;
    }
    out << "wrote " << options->out << " (" << QFileInfo(options->out).size() << " bytes)\n";
    return kExitOk;
}
