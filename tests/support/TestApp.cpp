#include "TestApp.h"

#include <gtest/gtest.h>

#include <memory>

// Sanitizer builds: fontconfig keeps caches that it never frees.
extern "C" __attribute__((used, visibility("default"))) const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}

namespace testsupport {
namespace {

class AppEnvironment : public ::testing::Environment {
public:
    void TearDown() override { Slot().reset(); }
    static std::unique_ptr<QApplication>& Slot() {
        static std::unique_ptr<QApplication> app;
        return app;
    }
};

// Registered while the program loads, never while GoogleTest walks its environments. GoogleTest
// owns the environment.
const bool kAppEnvironmentRegistered =
    (::testing::AddGlobalTestEnvironment(new AppEnvironment), true);

}  // namespace

QApplication& EnsureApp() {
    static int argc = 1;
    static char name[] = "roadplayer-tests";
    static char* argv[] = {name, nullptr};
    std::unique_ptr<QApplication>& app = AppEnvironment::Slot();
    if (!app) {
        app = std::make_unique<QApplication>(argc, argv);
    }
    return *app;
}

}  // namespace testsupport
