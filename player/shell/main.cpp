// RoadPlayer: plays the dash camera's recordings from its card, with their telemetry.

#include "platform/system/FilePaths.h"
#include "platform/window/ControlContainer.h"
#include "platform/window/DisplayCheck.h"
#include "player/shell/RoadPlayerApp.h"

#include <QApplication>
#include <QStringList>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(player::CRoadPlayerApp::Usage(), stdout);
            return 0;
        }
    }
    // Without a display the toolkit would abort with a page of advice; one line says it.
    if (const QString missing = player::CRoadPlayerApp::MissingDisplay(); !missing.isEmpty()) {
        std::fprintf(stderr, "RoadPlayer: %s\n", missing.toLocal8Bit().constData());
        return 1;
    }
    platform::ExitQuietlyWithoutDisplay("RoadPlayer");
    platform::EnableControlContainer();
    QApplication app(argc, argv);
    platform::DisplayReached();
    // The toolkit's own arguments are gone from argv by now; a recording's name keeps the
    // bytes it has on the disk (the toolkit's list would replace those that are not UTF-8).
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments << platform::DecodePath(argv[i], std::strlen(argv[i]));
    }
    player::CRoadPlayerApp theApp;
    const int status = theApp.InitInstance(arguments);
    theApp.ExitInstance();
    return status;
}
