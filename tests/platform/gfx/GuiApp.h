#pragma once
// Text drawing needs the application (its font database): a test file that draws text includes
// this once, and the test program's application (tests/support) exists before its first test.

#include "tests/support/TestApp.h"

#include <gtest/gtest.h>

namespace testsupport {

class AppBeforeTests : public ::testing::Environment {
public:
    void SetUp() override { EnsureApp(); }
};

inline const bool kAppBeforeTests = (::testing::AddGlobalTestEnvironment(new AppBeforeTests), true);

}  // namespace testsupport
