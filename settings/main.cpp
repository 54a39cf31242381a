// DCS_4100: edits the dash camera's settings and clock and writes them for its card.

#include "platform/window/DisplayCheck.h"
#include "settings/DCS_4100App.h"

#include <QApplication>

int main(int argc, char** argv) {
    platform::ExitQuietlyWithoutDisplay("DCS_4100");
    QApplication app(argc, argv);
    platform::DisplayReached();
    settings::CDCS_4100App theApp;
    return theApp.InitInstance();
}
