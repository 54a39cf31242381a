// skin-preview PACK WINDOW MODE OUT.png [--state NAME=VALUE ...] [--screen WxH] [--maximised]

#include "platform/gfx/ImageFile.h"
#include "platform/system/AtomicFile.h"
#include "player/pack/ImageCache.h"
#include "tools/skin-preview/SkinPreview.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    // The window is built offscreen unless the caller chose a platform.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    const player::ImageCache::Scope images;
    QString error;
    const auto parsed = skinpreview::ParseArguments(app.arguments().mid(1), error);
    if (!parsed) {
        std::fprintf(stderr,
                     "skin-preview: %s\nusage: skin-preview PACK WINDOW MODE OUT.png "
                     "[--state NAME=VALUE ...] [--screen WxH] [--maximised]\n",
                     qPrintable(error));
        return 1;
    }
    const auto& [request, outPath] = *parsed;
    const auto result = skinpreview::RenderPreview(request, error);
    if (!result) {
        std::fprintf(stderr, "skin-preview: %s\n", qPrintable(error));
        return 2;
    }
    for (const QString& warning : result->warnings) {
        std::fprintf(stderr, "skin-preview: warning: %s\n", qPrintable(warning));
    }
    const QByteArray png = platform::gfx::EncodeImage(result->image, "png");
    QString reason = QStringLiteral("the picture cannot be encoded");
    if (png.isEmpty() || !platform::WriteFileAtomically(outPath, png, &reason)) {
        std::fprintf(stderr, "skin-preview: cannot write %s\n", qPrintable(reason));
        return 2;
    }
    std::printf("%s: %s mode %d, %dx%d, %d controls\n", qPrintable(outPath),
                qPrintable(request.window), request.mode, result->image.width(),
                result->image.height(), result->controls);
    return 0;
}
