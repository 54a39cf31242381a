#include "player/shell/WindowSize.h"

#include <gtest/gtest.h>

namespace player {
namespace {

TEST(WindowSizeTest, FrontViewOfTheMaximisedLayoutPerScreen) {
    struct Case {
        QSize screen;
        SkinRect realSize;
        SkinRect maximised;
    };
    const Case cases[] = {
        {{1920, 1080}, {320, 157, 1280, 720}, {128, 49, 1664, 936}},
        {{1366, 768}, {128, 49, 1109, 624}, {128, 49, 1109, 624}},
        // Real size keeps its height and is cut to the screen's width.
        {{1024, 768}, {0, 49, 1024, 624}, {0, 73, 1024, 576}},
        // The screen's height is the limit exactly.
        {{1280, 864}, {0, 49, 1280, 720}, {0, 49, 1280, 720}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(RealSizeVideoRect(c.screen), c.realSize) << c.screen.width();
        EXPECT_EQ(MaximisedVideoRect(c.screen), c.maximised) << c.screen.width();
    }
}

}  // namespace
}  // namespace player
