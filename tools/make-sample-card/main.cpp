// make-sample-card: writes a dash-camera card with synthetic recordings for demos and tests.

#include "tools/make-sample-card/CardOptions.h"
#include "tools/make-sample-card/CardWriter.h"
#include "tools/make-sample-card/DriveModel.h"

#include <QGuiApplication>

extern "C" {
#include <libavutil/log.h>
}

#include <cstdio>

namespace {

constexpr int kExitWriteFailure = 1;
constexpr int kExitBadOptions = 2;

// Qt's own notes (font and runtime-folder set-up) are noise for a command-line tool.
void QuietQtMessages(QtMsgType type, const QMessageLogContext& /*context*/,
                     const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg) {
        std::fprintf(stderr, "make-sample-card: %s\n", message.toLocal8Bit().constData());
    }
}

void PrintLine(std::FILE* stream, const QString& text) {
    std::fprintf(stream, "%s\n", text.toLocal8Bit().constData());
}

}  // namespace

int main(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    const samplecard::ParseResult parsed = samplecard::ParseCardOptions(arguments);
    if (parsed.status == samplecard::ParseStatus::Help) {
        std::fputs(samplecard::HelpText().toLocal8Bit().constData(), stdout);
        return 0;
    }
    if (parsed.status == samplecard::ParseStatus::Error) {
        PrintLine(stderr, QStringLiteral("make-sample-card: %1 (see --help)").arg(parsed.error));
        return kExitBadOptions;
    }
    // Text on pictures needs the font machinery of a GUI application, never a display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(QuietQtMessages);
    int qtArgc = 1;
    QGuiApplication application(qtArgc, argv);
    av_log_set_level(AV_LOG_ERROR);

    const samplecard::CardResult result = samplecard::WriteCard(parsed.options);
    if (!result.ok) {
        PrintLine(stderr, QStringLiteral("make-sample-card: %1").arg(result.error));
        return kExitWriteFailure;
    }
    for (const QString& path : result.written) {
        PrintLine(stdout, QStringLiteral("wrote %1").arg(path));
    }
    if (parsed.options.incidents || parsed.options.demo) {
        const int lengthSeconds = parsed.options.lengthSeconds;
        for (const samplecard::IncidentLabel& label :
             samplecard::IncidentLabels(samplecard::PlanCard(parsed.options), lengthSeconds)) {
            PrintLine(stdout, QStringLiteral("incident\t%1\t%2\t%3\t%4")
                                  .arg(label.relativePath)
                                  .arg(label.peakMs)
                                  .arg(QLatin1String(label.kind))
                                  .arg(label.peakG, 0, 'f', 2));
        }
    }
    return 0;
}
