// mkpack: builds, checks and lists resource packs.

#include "tools/mkpack/PackCheck.h"
#include "tools/mkpack/PackWriter.h"

#include <QCoreApplication>
#include <QStringList>
#include <QTextStream>

#include <cstdio>

namespace {

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
    // The application object lets QImage find its format plugins (JPEG, GIF).
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const QStringList args = QCoreApplication::arguments().mid(1);
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
