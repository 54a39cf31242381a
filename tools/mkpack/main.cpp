// mkpack: builds, checks and lists resource packs.

#include "tools/mkpack/PackCheck.h"
#include "tools/mkpack/PackWriter.h"

#include <QApplication>
#include <QStringList>
#include <QTextStream>

#include <cstdio>

namespace {

// Qt's own notes (runtime folder, fonts) are noise for a command-line tool; the project's
// categories stay, for whoever switches them on.
void QuietQtMessages(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    const bool ours =
        context.category != nullptr && QByteArray(context.category).startsWith("roadplayer.");
    if (ours || type == QtCriticalMsg || type == QtFatalMsg) {
        std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
    }
}

constexpr char kUsage[] = "usage: mkpack build DIR OUT.PACK | mkpack check PACK | mkpack list PACK";

int RunBuild(const QString& folder, const QString& outPath, QTextStream& out, QTextStream& err) {
    mkpack::PackContents contents;
    QStringList skipped;
    QString error;
    if (!mkpack::CollectFolder(folder, contents, skipped, error) ||
        !mkpack::WritePackFile(outPath, contents, error)) {
        err << "mkpack build: " << error << Qt::endl;
        return 1;
    }
    for (const QString& name : skipped) {
        out << "skipped (not a text or image entry): " << name << Qt::endl;
    }
    out << "wrote " << outPath << ": " << contents.texts.size() << " texts, "
        << contents.images.size() << " images" << Qt::endl;
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    // The application object lets QImage find its format plugins (JPEG, GIF); the check parses
    // skins, whose texts need fonts, so it is a GUI application that never needs a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    qInstallMessageHandler(QuietQtMessages);
    QApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const QStringList args = QApplication::arguments().mid(1);
    if (args.size() == 3 && args[0] == QLatin1String("build")) {
        return RunBuild(args[1], args[2], out, err);
    }
    if (args.size() == 2 && args[0] == QLatin1String("check")) {
        return mkpack::RunCheck(args[1], out, err);
    }
    if (args.size() == 2 && args[0] == QLatin1String("list")) {
        return mkpack::RunList(args[1], out, err);
    }
    err << kUsage << Qt::endl;
    return 2;
}
