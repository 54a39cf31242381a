#pragma once
// One QApplication for the whole test program (tests run offscreen).

#include <QApplication>

inline void EnsureTestApp() {
    static int argc = 1;
    static char name[] = "platform_window_tests";
    static char* argv[] = {name, nullptr};
    static QApplication app(argc, argv);
}
