#pragma once
// The test program's one application: a QApplication (offscreen under ctest), made on the first
// call and destroyed by a GoogleTest environment after the last test, so nothing of Qt's that a
// test left behind outlives it. Every test that needs Qt's event loop, fonts or widgets calls
// EnsureApp() first. GUI thread only.

#include <QApplication>

namespace testsupport {

QApplication& EnsureApp();

// A fixture's first member, so the application exists before the fixture's own widgets.
struct AppFirst {
    AppFirst() { EnsureApp(); }
};

}  // namespace testsupport
