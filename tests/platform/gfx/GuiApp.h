#pragma once
// Text drawing needs a QGuiApplication (font database); tests that draw text include this once.

#include <QGuiApplication>

#include <gtest/gtest.h>

#include <memory>

namespace testsupport {

class GuiAppEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        if (QGuiApplication::instance() == nullptr) {
            static int argc = 1;
            static char name[] = "test";
            static char* argv[] = {name, nullptr};
            m_app = std::make_unique<QGuiApplication>(argc, argv);
        }
    }
    void TearDown() override { m_app.reset(); }

private:
    std::unique_ptr<QGuiApplication> m_app;
};

inline const bool kGuiAppRegistered =
    (::testing::AddGlobalTestEnvironment(new GuiAppEnvironment), true);

}  // namespace testsupport
