#include "platform/gfx/Graphics.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace platform::gfx {
namespace {

QImage Solid(int w, int h, QRgb argb) {
    QImage image(w, h, QImage::Format_ARGB32);
    image.fill(argb);
    return image;
}

void ExpectNear(QRgb actual, QRgb expected, int tolerance = 1) {
    EXPECT_LE(std::abs(qRed(actual) - qRed(expected)), tolerance) << std::hex << actual;
    EXPECT_LE(std::abs(qGreen(actual) - qGreen(expected)), tolerance) << std::hex << actual;
    EXPECT_LE(std::abs(qBlue(actual) - qBlue(expected)), tolerance) << std::hex << actual;
}

TEST(GraphicsTest, ColourMatrixScalesEachChannel) {
    struct Case {
        uint32_t colour;
        QRgb background;
        QRgb expected;
    } cases[] = {
        {0xFFFFFFFF, qRgb(0, 0, 0), qRgb(200, 100, 40)},       // default: unchanged
        {0xFF808080, qRgb(0, 0, 0), qRgb(100, 50, 20)},        // 128 halves
        {0xFFFF0000, qRgb(0, 0, 0), qRgb(200, 0, 0)},          // only red kept
        {0x80FFFFFF, qRgb(0, 0, 0), qRgb(100, 50, 20)},        // half alpha over black
        {0x80FFFFFF, qRgb(100, 200, 60), qRgb(150, 150, 50)},  // half alpha blends
        {0x00FFFFFF, qRgb(9, 8, 7), qRgb(9, 8, 7)},            // invisible
    };
    for (const Case& c : cases) {
        const QImage prepared = ApplyImageAttributes(Solid(4, 4, qRgb(200, 100, 40)),
                                                     ImageAttributes::FromArgb(c.colour));
        Dc dc(4, 4);
        dc.Fill(c.background);
        DrawImage(dc, prepared, QRect(0, 0, 4, 4), QRect(0, 0, 4, 4));
        SCOPED_TRACE(testing::Message() << std::hex << c.colour);
        ExpectNear(dc.Bitmap().pixel(2, 2), c.expected);
    }
}

TEST(GraphicsTest, ColourKeyClearsOnlyTheExactColour) {
    QImage picture = Solid(3, 1, qRgb(255, 0, 255));
    picture.setPixel(1, 0, qRgb(255, 1, 255));
    picture.setPixel(2, 0, qRgb(0, 0, 255));
    ImageAttributes attributes;
    attributes.colourKeyRgb = 0xFF00FF;
    const QImage prepared = ApplyImageAttributes(picture, attributes);
    Dc dc(3, 1);
    dc.Fill(qRgb(11, 22, 33));
    DrawImage(dc, prepared, QRect(0, 0, 3, 1), QRect(0, 0, 3, 1));
    EXPECT_EQ(dc.Bitmap().pixel(0, 0), qRgb(11, 22, 33));
    EXPECT_EQ(dc.Bitmap().pixel(1, 0), qRgb(255, 1, 255));
    EXPECT_EQ(dc.Bitmap().pixel(2, 0), qRgb(0, 0, 255));
}

TEST(GraphicsTest, KeyIsTestedBeforeTheMatrix) {
    // The key names the picture's colour even when the skin colour darkens it.
    ImageAttributes attributes = ImageAttributes::FromArgb(0xFF808080);
    attributes.colourKeyRgb = 0xFF00FF;
    const QImage prepared = ApplyImageAttributes(Solid(1, 1, qRgb(255, 0, 255)), attributes);
    EXPECT_EQ(qAlpha(prepared.pixel(0, 0)), 0);
}

TEST(GraphicsTest, FillBlendsTranslucentColours) {
    Dc dc(2, 2);
    dc.Fill(qRgb(0, 0, 200));
    FillRectangle(dc, QRect(0, 0, 1, 2), 0x80FF0000);
    ExpectNear(dc.Bitmap().pixel(0, 0), qRgb(128, 0, 100));
    EXPECT_EQ(dc.Bitmap().pixel(1, 0), qRgb(0, 0, 200));
}

TEST(GraphicsTest, EmptySourceOrDestinationDrawsNothing) {
    const QImage picture = ApplyImageAttributes(Solid(2, 2, qRgb(255, 255, 255)), {});
    Dc dc(2, 2);
    DrawImage(dc, picture, QRect(0, 0, 2, 2), QRect(0, 0, 0, 2));
    DrawImage(dc, picture, QRect(0, 0, 0, 2), QRect(0, 0, 2, 2));
    EXPECT_EQ(dc.Bitmap().pixel(0, 0), qRgb(0, 0, 0));
}

}  // namespace
}  // namespace platform::gfx
