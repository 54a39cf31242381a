#include "platform/gfx/Blit.h"

#include <gtest/gtest.h>

namespace platform::gfx {
namespace {

// A source whose every pixel encodes its own position, so a copy shows where it read from.
Dc PositionCoded(int w, int h) {
    Dc dc(w, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            dc.Bitmap().setPixel(x, y, qRgb(x, y, 7));
        }
    }
    return dc;
}

TEST(BlitTest, BitBltCopiesAndClipsAtEveryEdge) {
    struct Case {
        int x, y, w, h, sx, sy;
        QPoint probe;   // destination pixel to check
        QRgb expected;  // what it must hold afterwards (0xFF000000 = untouched black)
    } cases[] = {
        {2, 3, 4, 4, 1, 1, {2, 3}, qRgb(1, 1, 7)},
        {2, 3, 4, 4, 1, 1, {5, 6}, qRgb(4, 4, 7)},
        {2, 3, 4, 4, 1, 1, {6, 6}, 0xFF000000},       // right of the copied block
        {-2, -2, 5, 5, 0, 0, {0, 0}, qRgb(2, 2, 7)},  // destination left/top cut
        {0, 0, 5, 5, -3, 0, {2, 0}, 0xFF000000},      // source starts outside: not copied
        {0, 0, 5, 5, -3, 0, {3, 1}, qRgb(0, 1, 7)},
        {8, 8, 10, 10, 0, 0, {9, 9}, qRgb(1, 1, 7)},  // cut by the destination's far edges
        {0, 0, 0, 5, 0, 0, {0, 0}, 0xFF000000},       // empty width copies nothing
        {0, 0, 5, 5, 9, 9, {0, 0}, qRgb(9, 9, 7)},
        {0, 0, 5, 5, 9, 9, {1, 1}, 0xFF000000},  // beyond the source's far edge
    };
    for (const Case& c : cases) {
        const Dc src = PositionCoded(10, 10);
        Dc dst(10, 10);
        BitBlt(dst, c.x, c.y, c.w, c.h, src, c.sx, c.sy);
        EXPECT_EQ(dst.Bitmap().pixel(c.probe), c.expected)
            << c.x << "," << c.y << " " << c.w << "x" << c.h << " from " << c.sx << "," << c.sy;
    }
}

TEST(BlitTest, BitBltWithinOneBitmapReadsTheOldPixels) {
    Dc dc = PositionCoded(10, 1);
    BitBlt(dc, 1, 0, 9, 1, dc, 0, 0);  // shift right by one
    for (int x = 1; x < 10; ++x) {
        EXPECT_EQ(dc.Bitmap().pixel(x, 0), qRgb(x - 1, 0, 7)) << x;
    }
}

TEST(BlitTest, StretchBltScalesByNearestPixel) {
    const Dc src = PositionCoded(4, 2);
    Dc dst(8, 4);
    StretchBlt(dst, 0, 0, 8, 4, src, 0, 0, 4, 2);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 8; ++x) {
            EXPECT_EQ(dst.Bitmap().pixel(x, y), qRgb(x / 2, y / 2, 7)) << x << "," << y;
        }
    }
    Dc shrunk(2, 1);
    StretchBlt(shrunk, 0, 0, 2, 1, src, 0, 0, 4, 2);
    EXPECT_EQ(shrunk.Bitmap().pixel(0, 0), qRgb(1, 1, 7));
    EXPECT_EQ(shrunk.Bitmap().pixel(1, 0), qRgb(3, 1, 7));
}

TEST(BlitTest, TransparentBltLeavesOutExactlyTheKeyColour) {
    Dc src(3, 1);
    src.Bitmap().setPixel(0, 0, qRgb(255, 0, 255));
    src.Bitmap().setPixel(1, 0, qRgb(254, 0, 255));  // one step off the key: copied
    src.Bitmap().setPixel(2, 0, qRgb(10, 20, 30));
    Dc dst(3, 1);
    dst.Fill(qRgb(1, 2, 3));
    TransparentBlt(dst, 0, 0, 3, 1, src, 0, 0, 3, 1, ColorRefFromArgb(0xFFFF00FF));
    EXPECT_EQ(dst.Bitmap().pixel(0, 0), qRgb(1, 2, 3));
    EXPECT_EQ(dst.Bitmap().pixel(1, 0), qRgb(254, 0, 255));
    EXPECT_EQ(dst.Bitmap().pixel(2, 0), qRgb(10, 20, 30));
}

TEST(BlitTest, ColourOrderConversionsRoundTrip) {
    EXPECT_EQ(ColorRefFromArgb(0x800A141E), 0x1E140Au);
    EXPECT_EQ(RgbFromColorRef(0x1E140A), 0xFF0A141Eu);
}

TEST(BlitTest, OversizedOrEmptyBitmapsAreRefused) {
    EXPECT_TRUE(Dc(0, 5).IsNull());
    EXPECT_TRUE(Dc(kMaxBitmapSide + 1, 1).IsNull());
    Dc none;
    const Dc src = PositionCoded(2, 2);
    EXPECT_FALSE(BitBlt(none, 0, 0, 2, 2, src, 0, 0));
    EXPECT_FALSE(StretchBlt(none, 0, 0, 2, 2, src, 0, 0, 2, 2));
}

}  // namespace
}  // namespace platform::gfx
