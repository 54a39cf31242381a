#include "player/skin/SkinGeometry.h"

#include "player/skin/StyleWords.h"

#include <gtest/gtest.h>

namespace player {
namespace {

TEST(SkinGeometryTest, ResolveRect) {
    struct Case {
        SkinRect rect;
        int32_t w, h;
        uint32_t flags;
        SkinRect expected;
    } cases[] = {
        {{10, 20, 65536, 30}, 200, 100, 0x11, {10, 20, 200, 30}},
        {{-50, 0, 100, 100}, 300, 80, ParseAnchorWords(u"center top"), {100, 0, 100, 100}},
        {{20, 10, 30, 40}, 200, 100, ParseAnchorWords(u"right bottom"), {180, 90, 30, 40}},
        {{10, 10, 50, 50}, 300, 200, ParseAnchorWords(u"percent"), {30, 20, 150, 100}},
        {{0, 0, 50, 50}, 400, 300, ParseAnchorWords(u"wratio"), {100, 100, 200, 100}},
        {{0, 0, 50, 50}, 400, 300, ParseAnchorWords(u"hratio"), {162, 75, 75, 150}},
        {{10, 10, 50, 50},
         300,
         200,
         ParseAnchorWords(u"percent center middle"),
         {30, 20, 150, 100}},
        {{5, -5, 65536, 65536}, 101, 51, 0x22, {55, 20, 101, 51}},             // W / 2 truncates
        {{0, 0, 10, 10}, 200, 100, 0, {0, 0, 10, 10}},                         // 0 places like 0x11
        {{-7, 0, 10, 10}, -9, 5, ParseAnchorWords(u"percent"), {0, 0, 0, 0}},  // toward zero
        {{INT32_MAX, 0, 1, 1}, 100, 0, ParseAnchorWords(u"center"), {INT32_MIN + 49, 0, 1, 1}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ResolveRect(c.rect, c.w, c.h, c.flags), c.expected)
            << c.rect.x << "," << c.rect.y << "," << c.rect.w << "," << c.rect.h << " in " << c.w
            << "x" << c.h << " flags " << std::hex << c.flags;
    }
}

}  // namespace
}  // namespace player
