#pragma once
// One QApplication for the whole test program (tests run offscreen). It is deleted by a test
// environment after the last test, before static destruction could outrun it.

#include <QApplication>

#include <gtest/gtest.h>

#include <memory>

class TestAppEnvironment : public ::testing::Environment {
public:
    void TearDown() override { App().reset(); }
    static std::unique_ptr<QApplication>& App() {
        static std::unique_ptr<QApplication> app;
        return app;
    }
};

inline void EnsureTestApp() {
    static int argc = 1;
    static char name[] = "qt_widget_tests";
    static char* argv[] = {name, nullptr};
    if (!TestAppEnvironment::App()) {
        TestAppEnvironment::App() = std::make_unique<QApplication>(argc, argv);
        ::testing::AddGlobalTestEnvironment(new TestAppEnvironment);
    }
}
