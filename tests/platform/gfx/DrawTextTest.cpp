#include "platform/gfx/DrawText.h"

#include "platform/gfx/Font.h"
#include "tests/platform/gfx/GuiApp.h"

#include <QFontInfo>
#include <QFontMetrics>

#include <gtest/gtest.h>

namespace platform::gfx {
namespace {

constexpr QRgb kBackground = 0xFF000000;

std::unique_ptr<Font> TestFont(int pixels = 16, int weight = kFontWeightNormal,
                               bool italic = false) {
    LogFont logFont;
    logFont.height = -pixels;
    logFont.weight = weight;
    logFont.italic = italic;
    logFont.faceName = QStringLiteral("Arial");
    return Font::Create(logFont);
}

// Bounding box of every pixel that is not background; null when nothing was drawn.
QRect Ink(const Dc& dc) {
    QRect box;
    for (int y = 0; y < dc.Height(); ++y) {
        for (int x = 0; x < dc.Width(); ++x) {
            if (dc.Bitmap().pixel(x, y) != kBackground) {
                box |= QRect(x, y, 1, 1);
            }
        }
    }
    return box;
}

Dc Drawn(const QString& text, Rect box, uint32_t format, const Font& font, int w = 200,
         int h = 100) {
    Dc dc(w, h);
    dc.SelectFont(&font);
    dc.SetTextColor(0xFFFFFF);
    DrawText(dc, text, box, format);
    return dc;
}

TEST(DrawTextTest, FacesAndStylesAreRealised) {
    const auto font = TestFont(20, kFontWeightBold, true);
    const QFontInfo info(font->QtFont());
    EXPECT_EQ(info.family(), QStringLiteral("Liberation Sans"));
    EXPECT_EQ(info.pixelSize(), 20);
    EXPECT_TRUE(info.bold());
    EXPECT_TRUE(info.italic());
    LogFont longFace;
    longFace.faceName = QString(40, u'x');
    EXPECT_EQ(Font::Create(longFace)->Describe().faceName.size(), kMaxFaceNameLength);
}

TEST(DrawTextTest, CalcRectMeasuresLines) {
    const auto font = TestFont();
    const QFontMetrics metrics(font->QtFont());
    const int line = metrics.height();
    struct Case {
        QString text;
        uint32_t format;
        int boxWidth;
        int lines;
    } cases[] = {
        {QStringLiteral("A\nB"), kDtWordBreak, 200, 2},
        {QStringLiteral("A\r\nB\rC"), kDtWordBreak, 200, 3},
        {QStringLiteral("A\nB"), kDtSingleLine, 200, 1},
        {QStringLiteral("alpha beta gamma"), kDtWordBreak, 200, 1},
        {QStringLiteral("alpha beta gamma"), kDtWordBreak,
         metrics.horizontalAdvance("alpha beta") + 2, 2},
        {QStringLiteral("alpha beta gamma"), 0, 10, 1},  // no word break: no wrapping
    };
    for (const Case& c : cases) {
        Dc dc(10, 10);
        dc.SelectFont(font.get());
        Rect box{5, 7, 5 + c.boxWidth, 7};
        const int height = DrawText(dc, c.text, box, c.format | kDtCalcRect);
        EXPECT_EQ(height, c.lines * line) << c.text.toStdString();
        EXPECT_EQ(box.bottom, 7 + c.lines * line) << c.text.toStdString();
        EXPECT_EQ(Ink(dc), QRect()) << "measuring draws nothing";
    }
    Dc dc(10, 10);
    dc.SelectFont(font.get());
    Rect box{3, 0, 400, 0};
    DrawText(dc, QStringLiteral("Wide"), box, kDtSingleLine | kDtCalcRect);
    EXPECT_EQ(box.right, 3 + metrics.horizontalAdvance(QStringLiteral("Wide")));
}

TEST(DrawTextTest, AlignmentPlacesTheInk) {
    const auto font = TestFont();
    const Rect box{0, 0, 200, 100};
    const QRect left = Ink(Drawn("H", box, kDtSingleLine, *font));
    const QRect centre = Ink(Drawn("H", box, kDtSingleLine | kDtCenter | kDtVCenter, *font));
    const QRect right = Ink(Drawn("H", box, kDtSingleLine | kDtRight | kDtBottom, *font));
    const QRect multiCentre = Ink(Drawn("H", box, kDtWordBreak | kDtVCenter, *font));
    ASSERT_FALSE(left.isNull());
    EXPECT_LT(left.left(), 5);
    EXPECT_LT(left.top(), 10);
    EXPECT_NEAR(centre.center().x(), 100, 2);
    EXPECT_NEAR(centre.center().y(), 50, 4);
    EXPECT_GT(right.right(), 193);
    EXPECT_GT(right.bottom(), 90);
    EXPECT_EQ(multiCentre.top(), left.top()) << "vertical centring needs a single line";
}

TEST(DrawTextTest, EndEllipsisCutsTheLongestFittingPrefix) {
    const auto font = TestFont();
    const QFontMetrics metrics(font->QtFont());
    const QString text = QStringLiteral("recording_front_camera.mp4");
    const int width = 90;
    ASSERT_GT(metrics.horizontalAdvance(text), width);
    const Rect box{0, 0, width, 30};
    const Dc elided = Drawn(text, box, kDtSingleLine | kDtEndEllipsis, *font);
    int matches = 0;
    for (qsizetype n = 0; n < text.size(); ++n) {
        const QString candidate = text.left(n) + QStringLiteral("...");
        if (Drawn(candidate, box, kDtSingleLine, *font).Bitmap() == elided.Bitmap()) {
            ++matches;
            EXPECT_LE(metrics.horizontalAdvance(candidate), width);
            EXPECT_GT(metrics.horizontalAdvance(text.left(n + 1) + "..."), width);
        }
    }
    EXPECT_EQ(matches, 1);
    const Dc fits = Drawn("abc", box, kDtSingleLine | kDtEndEllipsis, *font);
    EXPECT_EQ(fits.Bitmap(), Drawn("abc", box, kDtSingleLine, *font).Bitmap());
}

TEST(DrawTextTest, PrefixesAndClipping) {
    const auto font = TestFont();
    const Rect box{0, 0, 200, 100};
    EXPECT_EQ(Drawn("a&&b", box, kDtSingleLine, *font).Bitmap(),
              Drawn("a&b", box, kDtSingleLine | kDtNoPrefix, *font).Bitmap());
    EXPECT_EQ(Drawn("&xy", box, kDtSingleLine, *font).Bitmap(),
              Drawn("xy", box, kDtSingleLine | kDtNoPrefix, *font).Bitmap());
    const Rect narrow{0, 0, 8, 100};
    EXPECT_LE(Ink(Drawn("WWWW", narrow, kDtSingleLine, *font)).right(), 7);
    EXPECT_GT(Ink(Drawn("WWWW", narrow, kDtSingleLine | kDtNoClip, *font)).right(), 20);
}

TEST(DrawTextTest, EditControlHidesAPartlyVisibleLastLine) {
    const auto font = TestFont();
    const int line = QFontMetrics(font->QtFont()).height();
    const Rect box{0, 0, 200, line + line / 2};
    const QRect ink = Ink(Drawn("one\ntwo", box, kDtWordBreak | kDtEditControl, *font));
    EXPECT_LT(ink.bottom(), line);
    const QRect plain = Ink(Drawn("one\ntwo", box, kDtWordBreak, *font));
    EXPECT_GE(plain.bottom(), line);
}

TEST(DrawTextTest, OneLineTextShowsWhatWouldBreakTheLineAsReplacements) {
    const QChar bad(QChar::ReplacementCharacter);
    struct Case {
        QString name;
        QString shown;
    };
    const Case cases[] = {
        {"NOR_1.mp4", "NOR_1.mp4"},
        {"a\nb\rc\td", QString("a%1b%1c%1d").arg(bad)},
        {QString("a") + QChar(0x2028) + QChar(0x85) + QChar(0x7f), QString("a") + bad + bad + bad},
        {QString("\u00e9\U0001F600"), QString("\u00e9\U0001F600")},  // text, a pair included
        {QString("x") + QChar(0xDCFF) + QChar(0xD83D), QString("x") + bad + bad},  // lone halves
    };
    for (const Case& c : cases) {
        EXPECT_EQ(OneLineText(c.name), c.shown) << c.name.toStdString();
    }
}

}  // namespace
}  // namespace platform::gfx
