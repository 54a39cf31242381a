// DCS_4100: edits the dash camera's settings and clock and writes them for its card.

#include "settings/DCS_4100App.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    settings::CDCS_4100App theApp;
    return theApp.InitInstance();
}
