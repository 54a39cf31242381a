// Prints the logical drives as the programs see them: root, type and label, one per line,
// tab-separated. With --watch it then prints each drive notice ("added ROOT", "removed ROOT").

#include "platform/system/DriveWatcher.h"
#include "platform/system/Drives.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>
#include <cstring>

namespace {

// A label is one field of a tab-separated line: control characters become spaces.
QString FieldText(QString text) {
    for (QChar& c : text) {
        if (c.category() == QChar::Other_Control) {
            c = u' ';
        }
    }
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    bool watch = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--watch") == 0) {
            watch = true;
        } else {
            std::fprintf(stderr, "usage: drives [--watch]\n");
            return 2;
        }
    }
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QStringList skipped;
    platform::ParseVirtualDrives(qEnvironmentVariable(platform::kVirtualDrivesVariable), &skipped);
    for (const QString& entry : skipped) {
        std::fprintf(stderr, "drives: skipped %s\n", entry.toLocal8Bit().constData());
    }
    for (const platform::DriveInfo& drive : platform::ListDrives()) {
        out << FieldText(drive.root) << '\t' << platform::DriveTypeName(drive.type) << '\t'
            << FieldText(drive.label) << '\n';
    }
    out.flush();
    if (!watch) {
        return 0;
    }
    platform::DriveWatcher watcher;
    watcher.SetHandler([&out](uint32_t code, const QString& root) {
        out << (code == platform::kDriveAddedCode ? "added " : "removed ") << root << '\n';
        out.flush();
    });
    watcher.Start();
    return app.exec();
}
