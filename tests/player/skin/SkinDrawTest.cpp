#include "player/skin/SkinDraw.h"

#include "platform/gfx/DrawText.h"
#include "player/pack/ImageCache.h"
#include "player/skin/SkinImage.h"
#include "player/skin/SkinText.h"
#include "player/skin/StyleWords.h"
#include "tests/platform/gfx/GuiApp.h"

#include <QFontInfo>
#include <QFontMetrics>

#include <gtest/gtest.h>

#include <cstdlib>

namespace player {
namespace {

namespace gfx = platform::gfx;

// Every pixel a different opaque colour, so a copy shows where each pixel came from.
QImage Coded(int w, int h) {
    QImage image(w, h, QImage::Format_ARGB32);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            image.setPixel(x, y, qRgb(x * 10, y * 10, 99));
        }
    }
    return image;
}

QImage Solid(int w, int h, QRgb colour) {
    QImage image(w, h, QImage::Format_ARGB32);
    image.fill(colour);
    return image;
}

NameKey Install(const char* name, const QImage& picture) {
    ImageCache::Instance().InsertImage(NameKey(name), picture);
    return NameKey(name);
}

gfx::Dc Filled(int w, int h, QRgb colour) {
    gfx::Dc dc(w, h);
    dc.Fill(colour);
    return dc;
}

void ExpectNear(QRgb actual, QRgb expected) {
    EXPECT_LE(std::abs(qRed(actual) - qRed(expected)), 1) << std::hex << actual;
    EXPECT_LE(std::abs(qGreen(actual) - qGreen(expected)), 1) << std::hex << actual;
    EXPECT_LE(std::abs(qBlue(actual) - qBlue(expected)), 1) << std::hex << actual;
}

const gfx::Rect kParent{0, 0, 100, 30};

// Renders desc at 100 x 30 over background (or black) and returns the rendering's pixels.
QImage Rendered(const ImageSpec& desc, const gfx::Dc* background, bool deferKey = false) {
    SkinImage image;
    image.Load(desc);
    const gfx::Dc target(100, 30);
    RenderImage(image, &target, kParent, background, deferKey);
    EXPECT_TRUE(image.IsRendered());
    return image.Rendering().Bitmap();
}

TEST(SkinDrawTest, ColourMatrixAndAlphaOverTheBackgroundCopy) {
    ImageSpec desc;
    desc.name = Install("draw/solid.png", Solid(4, 4, qRgb(200, 100, 40)));
    const gfx::Dc background = Filled(100, 30, qRgb(0, 0, 200));
    desc.colour = 0xFF808080;
    ExpectNear(Rendered(desc, &background).pixel(50, 10), qRgb(100, 50, 20));
    desc.colour = 0x80FFFFFF;
    ExpectNear(Rendered(desc, &background).pixel(50, 10), qRgb(100, 50, 120));
    ExpectNear(Rendered(desc, nullptr).pixel(50, 10), qRgb(100, 50, 20));  // over black
}

TEST(SkinDrawTest, ImageWithoutPictureIsAColourFill) {
    ImageSpec desc;
    desc.colour = 0x80FF0000;
    const gfx::Dc background = Filled(100, 30, qRgb(0, 0, 200));
    ExpectNear(Rendered(desc, &background).pixel(0, 0), qRgb(128, 0, 100));
    desc.colour = 0xFFFFFFFF;
    EXPECT_EQ(Rendered(desc, nullptr).pixel(99, 29), qRgb(255, 255, 255));
}

TEST(SkinDrawTest, ColourKeyAtRenderTimeOrDeferredToTheCopy) {
    QImage picture = Solid(2, 1, qRgb(255, 0, 255));
    picture.setPixel(1, 0, qRgb(255, 0, 254));
    ImageSpec desc;
    desc.name = Install("draw/keyed.png", picture);
    desc.colourKeyEnabled = true;
    desc.colourKey = 0xFFFF00FF;
    desc.dest = {0, 0, 2, 1};
    const gfx::Dc background = Filled(100, 30, qRgb(0, 128, 0));

    const QImage now = Rendered(desc, &background);
    EXPECT_EQ(now.pixel(0, 0), qRgb(0, 128, 0)) << "the key shows the background";
    EXPECT_EQ(now.pixel(1, 0), qRgb(255, 0, 254)) << "only the exact key colour";

    SkinImage deferred;
    deferred.Load(desc);
    gfx::Dc target = Filled(100, 30, qRgb(0, 0, 255));
    RenderImage(deferred, &target, kParent, nullptr, true);
    EXPECT_TRUE(deferred.DeferredKey());
    EXPECT_EQ(deferred.Rendering().Bitmap().pixel(0, 0), qRgb(255, 0, 255)) << "kept for later";
    BlitImage(kParent, deferred, &target);
    EXPECT_EQ(target.Bitmap().pixel(0, 0), qRgb(0, 0, 255)) << "left out by the copy";
    EXPECT_EQ(target.Bitmap().pixel(1, 0), qRgb(255, 0, 254));

    desc.colourKeyEnabled = false;
    SkinImage unkeyed;
    unkeyed.Load(desc);
    gfx::Dc plain = Filled(100, 30, qRgb(0, 0, 255));
    RenderImage(unkeyed, &plain, kParent, nullptr, true);
    BlitImage(kParent, unkeyed, &plain);
    EXPECT_EQ(plain.Bitmap().pixel(0, 0), qRgb(255, 0, 255)) << "no key: a plain copy";
}

TEST(SkinDrawTest, ButtonFaceKeepsItsCorners) {
    const QImage picture = Coded(20, 20);
    ImageSpec desc;
    desc.name = Install("draw/face.png", picture);
    desc.drawMode = static_cast<int32_t>(DrawMode::ButtonFace);
    const QImage face = Rendered(desc, nullptr);
    ASSERT_EQ(face.size(), QSize(100, 30));
    for (int y = 0; y < 30; ++y) {
        for (int x = 0; x < 100; ++x) {
            // Corners 10 x 10 map one to one; between them the source row or column 10.
            const int sx = x < 10 ? x : (x >= 90 ? x - 80 : 10);
            const int sy = y < 10 ? y : (y >= 20 ? y - 10 : 10);
            ASSERT_EQ(face.pixel(x, y), picture.pixel(sx, sy)) << x << "," << y;
        }
    }
}

TEST(SkinDrawTest, PatternTilesAreCutAtTheEdges) {
    const QImage picture = Coded(7, 5);
    ImageSpec desc;
    desc.name = Install("draw/tile.png", picture);
    desc.drawMode = static_cast<int32_t>(DrawMode::Pattern);
    const QImage tiled = Rendered(desc, nullptr);
    for (int y = 0; y < 30; ++y) {
        for (int x = 0; x < 100; ++x) {
            ASSERT_EQ(tiled.pixel(x, y), picture.pixel(x % 7, y % 5)) << x << "," << y;
        }
    }
    desc.source = {2, 1, 3, 2};  // tiles of a part of the picture
    const QImage part = Rendered(desc, nullptr);
    EXPECT_EQ(part.pixel(0, 0), picture.pixel(2, 1));
    EXPECT_EQ(part.pixel(4, 3), picture.pixel(3, 2));
    EXPECT_EQ(part.pixel(99, 29), picture.pixel(2 + 99 % 3, 1 + 29 % 2));
}

TEST(SkinDrawTest, StretchAndUnknownDrawModes) {
    const QImage picture = Coded(4, 2);
    ImageSpec desc;
    desc.name = Install("draw/stretch.png", picture);
    desc.dest = {0, 0, 8, 4};
    desc.source = {2, 0, 2, 2};
    const QImage stretched = Rendered(desc, nullptr);
    EXPECT_EQ(stretched.pixel(0, 0), picture.pixel(2, 0));
    EXPECT_EQ(stretched.pixel(7, 3), picture.pixel(3, 1));
    const gfx::Dc background = Filled(100, 30, qRgb(1, 2, 3));
    desc.drawMode = 5;
    EXPECT_EQ(Rendered(desc, &background).pixel(3, 3), qRgb(1, 2, 3)) << "background stays";
    EXPECT_EQ(Rendered(desc, nullptr).pixel(3, 3), qRgb(0, 0, 0)) << "black without one";
}

TEST(SkinDrawTest, RenderingIsCachedUntilDiscarded) {
    ImageSpec desc;
    desc.colour = 0x80FFFFFF;
    desc.dest = {10, 5, 20, 10};
    desc.anchorFlags = kAnchorRight | kAnchorTop;  // x is measured from the right edge
    SkinImage image;
    image.Load(desc);
    const gfx::Dc target(100, 30);
    const gfx::Dc dark = Filled(100, 30, qRgb(0, 0, 0));
    const gfx::Dc light = Filled(100, 30, qRgb(0, 0, 254));
    RenderImage(image, &target, kParent, &dark, false);
    RenderImage(image, &target, kParent, &light, false);
    EXPECT_EQ(image.Rendering().Width(), 20);
    ExpectNear(image.Rendering().Bitmap().pixel(0, 0), qRgb(128, 128, 128));  // still the first
    image.DiscardRendering();
    EXPECT_FALSE(image.IsRendered());
    RenderImage(image, &target, kParent, &light, false);
    ExpectNear(image.Rendering().Bitmap().pixel(0, 0), qRgb(128, 128, 255));
    gfx::Dc onto(100, 30);
    BlitImage(kParent, image, &onto);
    EXPECT_EQ(onto.Bitmap().pixel(90, 5), image.Rendering().Bitmap().pixel(0, 0));
    EXPECT_EQ(onto.Bitmap().pixel(89, 5), qRgb(0, 0, 0));
    gfx::Dc scaled(100, 30);
    BlitImage(kParent, image, &scaled, SkinRect{0, 0, 40, 20}, SkinRect{0, 0, 20, 10});
    EXPECT_EQ(scaled.Bitmap().pixel(39, 19), image.Rendering().Bitmap().pixel(19, 9));
    RenderImage(image, nullptr, kParent, nullptr, false);  // no target: nothing, no crash
}

// Bounding box of pixels that differ from black.
QRect Ink(const gfx::Dc& dc) {
    QRect box;
    for (int y = 0; y < dc.Height(); ++y) {
        for (int x = 0; x < dc.Width(); ++x) {
            if (dc.Bitmap().pixel(x, y) != qRgb(0, 0, 0)) {
                box |= QRect(x, y, 1, 1);
            }
        }
    }
    return box;
}

bool RowHasInk(const gfx::Dc& dc, int y) {
    for (int x = 0; x < dc.Width(); ++x) {
        if (dc.Bitmap().pixel(x, y) != qRgb(0, 0, 0)) {
            return true;
        }
    }
    return false;
}

gfx::Dc DrawnText(const QString& text, uint32_t format, int w = 200, int h = 100) {
    SkinText skinText;
    skinText.Set(TextSpec{kFullSkinRect, text, QStringLiteral("Arial"), 12, 0xFFFFFFFF, format});
    gfx::Dc dc(w, h);
    EXPECT_TRUE(DrawSkinText(gfx::Rect{0, 0, w, h}, skinText, &dc));
    return dc;
}

TEST(SkinDrawTest, WrappedTextIsCentredByItsMeasuredHeight) {
    const gfx::Dc dc = DrawnText(QStringLiteral("A\\nB"), kFormatWordBreak | kFormatVCenter);
    const QRect ink = Ink(dc);
    ASSERT_FALSE(ink.isNull());
    int bands = 0;
    for (int y = ink.top(); y <= ink.bottom(); ++y) {
        if (RowHasInk(dc, y) && (y == ink.top() || !RowHasInk(dc, y - 1))) {
            ++bands;
        }
    }
    EXPECT_EQ(bands, 2) << "two lines";
    const auto font = CreateSkinFont(false, QStringLiteral("Arial"), &dc, 12, false, false, false);
    const int lineHeight = QFontMetrics(font->QtFont()).height();
    const int top = (100 - 2 * lineHeight) / 2;
    EXPECT_GE(ink.top(), top);
    EXPECT_LE(ink.bottom(), top + 2 * lineHeight);
    EXPECT_LT(ink.top(), top + lineHeight / 2);
    // The same in "/n" spelling; and "\r" is dropped under word break.
    EXPECT_EQ(DrawnText("A/nB", kFormatWordBreak | kFormatVCenter).Bitmap(), dc.Bitmap());
    EXPECT_EQ(DrawnText("A\\rB", kFormatWordBreak).Bitmap(),
              DrawnText("AB", kFormatWordBreak).Bitmap());
    const QRect single = Ink(DrawnText("A\\nB", kFormatVCenter));
    EXPECT_NEAR(single.center().y(), 50, 4) << "one line: the text's own vertical centring";
}

TEST(SkinDrawTest, WordEllipsisEndsATooLongLine) {
    const QString text = QStringLiteral("NOR_240101_120000_F.mp4");
    const gfx::Dc elided = DrawnText(text, kFormatWordEllipsis, 90, 20);
    EXPECT_NE(elided.Bitmap(), DrawnText(text, 0, 90, 20).Bitmap());
    int matches = 0;
    for (qsizetype n = 1; n < text.size(); ++n) {
        if (DrawnText(text.left(n) + "...", 0, 90, 20).Bitmap() == elided.Bitmap()) {
            ++matches;
        }
    }
    EXPECT_EQ(matches, 1) << "a prefix of the text followed by three dots";
    EXPECT_LT(Ink(DrawnText(text, kFormatWordEllipsis | kFormatWordBreak, 90, 20)).right(), 90);
}

TEST(SkinDrawTest, TextColourAlignmentAndEmptyText) {
    SkinText red;
    red.Set(TextSpec{kFullSkinRect, "I", "Arial", 20, 0x00FF0000, kFormatRight | kFormatBottom});
    gfx::Dc dc(60, 40);
    ASSERT_TRUE(DrawSkinText(gfx::Rect{0, 0, 60, 40}, red, &dc));
    const QRect ink = Ink(dc);
    EXPECT_GT(ink.right(), 50);
    EXPECT_GT(ink.bottom(), 30);
    bool sawRed = false;
    for (int y = ink.top(); y <= ink.bottom(); ++y) {
        sawRed |= dc.Bitmap().pixel(ink.center().x(), y) == qRgb(255, 0, 0);
    }
    EXPECT_TRUE(sawRed) << "the alpha byte is dropped";
    SkinText empty;
    empty.Set(TextSpec{});
    gfx::Dc untouched(10, 10);
    EXPECT_TRUE(DrawSkinText(gfx::Rect{0, 0, 10, 10}, empty, &untouched));
    EXPECT_TRUE(Ink(untouched).isNull());
    EXPECT_FALSE(DrawSkinText(gfx::Rect{0, 0, 10, 10}, red, nullptr));
}

TEST(SkinDrawTest, SkinFonts) {
    const gfx::Dc dc(1, 1);
    const auto font = CreateSkinFont(true, QStringLiteral("Arial"), &dc, 12, true, true, true);
    const QFontInfo info(font->QtFont());
    EXPECT_TRUE(info.bold());
    EXPECT_TRUE(info.italic());
    EXPECT_TRUE(font->QtFont().underline());
    EXPECT_TRUE(font->QtFont().strikeOut());
    EXPECT_EQ(info.family(), QStringLiteral("Liberation Sans"));
    struct Case {
        int32_t points;
        int dpi;
        int pixels;
    } cases[] = {{9, 96, 12}, {9, 120, 15}, {10, 144, 20}, {11, 96, 14}, {12, 72, 12}};
    for (const Case& c : cases) {
        const gfx::Dc target(1, 1, c.dpi);
        const auto sized = CreateSkinFont(false, "Arial", &target, c.points, false, false, false);
        EXPECT_EQ(sized->Describe().height, -c.pixels) << c.points << "pt at " << c.dpi;
        EXPECT_EQ(QFontInfo(sized->QtFont()).pixelSize(), c.pixels);
        EXPECT_EQ(sized->Describe().weight, 400);
    }
    EXPECT_EQ(CreateSkinFont(false, "Arial", nullptr, 9, false, false, false), nullptr);
}

}  // namespace
}  // namespace player
