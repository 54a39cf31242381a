#include "player/skin/SkDialog.h"

#include "SkinWindowFixture.h"
#include "platform/window/Window.h"
#include "player/skin/SkButton.h"
#include "player/skin/SkImage.h"
#include "player/skin/SkMemDC.h"
#include "player/skin/SkWebPlaceholder.h"
#include "player/skin/TypeFactory.h"

#include <QTest>

namespace skintest {
namespace {

TEST_F(SkinWindowTest, PlacesTheWindowByTheSkinRectangle) {
    TestWindow alone;
    ASSERT_TRUE(alone.LoadSkin(QByteArray(kTestSkin)));
    alone.Create(nullptr);
    EXPECT_EQ(alone.geometry(), QRect(760, 390, 400, 300));
    EXPECT_EQ(alone.windowTitle(), "Test Window");

    QWidget parent(nullptr, Qt::FramelessWindowHint);
    parent.setGeometry(100, 50, 1000, 800);
    parent.show();
    TestWindow owned;
    ASSERT_TRUE(owned.LoadSkin(QByteArray(kTestSkin)));
    owned.Create(&parent);
    EXPECT_EQ(owned.geometry(), QRect(400, 300, 400, 300));
}

TEST_F(SkinWindowTest, WithoutSkinTheTemplateLayoutStays) {
    TestWindow window;
    EXPECT_FALSE(window.LoadSkin(QByteArray()));
    EXPECT_EQ(window.Skin(), nullptr);
    window.Create(nullptr);
    EXPECT_EQ(window.size(), QSize(100, 100));
    EXPECT_FALSE(window.GetDlgItem(1006)->isHidden());
}

TEST_F(SkinWindowTest, BindsDefinedControlsAndHidesRegisteredOnesWithout) {
    auto window = MakeShownWindow();
    EXPECT_TRUE(window->GetDlgItem(1006)->isHidden());
    EXPECT_EQ(window->Skin()->FindControlWindow(player::NameKey("t.button.orphan")), nullptr);
    QWidget* text = window->WindowOf("t.text.title");
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(window->GetDlgItem(1002), text);
    EXPECT_EQ(platform::GetWindowText(text), "Hi");
    EXPECT_EQ(window->WindowOf("t.image.logo")->geometry(), QRect(210, 10, 40, 40));
}

class OwnMap : public player::SkWidget {};

// A window that shows pages makes its own widget for the word "map".
class MapShowingWindow : public TestWindow {
protected:
    void OnRegisterTypes(player::TypeFactory& factory) override {
        factory.Register(QStringLiteral("map"), [] {
            return std::make_unique<player::SkContainer>(std::make_unique<OwnMap>());
        });
    }
};

TEST_F(SkinWindowTest, AWindowMayMakeItsOwnWidgetForATypeWord) {
    TestWindow plain;
    ASSERT_TRUE(plain.LoadSkin(QByteArray(kTestSkin)));
    EXPECT_NE(plain.Find<player::SkWebPlaceholder>("t.web.map"), nullptr);
    MapShowingWindow own;
    ASSERT_TRUE(own.LoadSkin(QByteArray(kTestSkin)));
    EXPECT_NE(own.Find<OwnMap>("t.web.map"), nullptr);
    EXPECT_NE(own.Find<player::SkButton>("t.button.play"), nullptr) << "other words stay";
}

TEST_F(SkinWindowTest, BackgroundImagesOfTheModeInDocumentOrder) {
    auto window = MakeShownWindow();
    QImage shown = window->grab().toImage();
    // Red covers the window, then blue its left half.
    EXPECT_EQ(shown.pixel(100, 290), kBlue);
    EXPECT_EQ(shown.pixel(390, 290), kRed);
    EXPECT_EQ(window->CachedBackground().Bitmap().pixel(100, 290), kBlue);
    window->SetBackgroundMode(1);
    EXPECT_TRUE(window->IsDirty());
    shown = window->grab().toImage();
    EXPECT_EQ(shown.pixel(100, 290), kGreen);
    EXPECT_EQ(shown.pixel(390, 290), kGreen);
    EXPECT_FALSE(window->IsDirty());
}

TEST_F(SkinWindowTest, SettingTheCurrentModeDoesNothing) {
    auto window = MakeShownWindow();
    QCoreApplication::processEvents();
    const int paints = window->paints;
    window->SetBackgroundMode(0);
    EXPECT_FALSE(window->IsDirty());
    QCoreApplication::processEvents();
    EXPECT_EQ(window->paints, paints);
    window->SetBackgroundMode(1);
    QCoreApplication::processEvents();
    EXPECT_GT(window->paints, paints);
}

TEST_F(SkinWindowTest, BackgroundDragsTheWindowOnlyWhileEnabled) {
    for (const bool enabled : {true, false}) {
        SCOPED_TRACE(enabled);
        auto window = MakeShownWindow();
        window->SetDragEnabled(enabled);
        window->move(100, 100);
        QTest::mousePress(window.get(), Qt::LeftButton, {}, QPoint(380, 280));
        QCoreApplication::processEvents();
        QMouseEvent move(QEvent::MouseMove, QPointF(400, 290),
                         window->mapToGlobal(QPointF(400, 290)), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QApplication::sendEvent(window.get(), &move);
        QTest::mouseRelease(window.get(), Qt::LeftButton, {}, QPoint(400, 290));
        EXPECT_EQ(window->pos(), enabled ? QPoint(120, 110) : QPoint(100, 100));
    }
}

TEST_F(SkinWindowTest, TransparentPartsShowTheWindowBackground) {
    auto window = MakeShownWindow();
    const QImage shown = window->grab().toImage();
    // The keyed image over red: its key colour shows the red background, its centre white.
    EXPECT_EQ(shown.pixel(212, 12), kRed);
    EXPECT_EQ(shown.pixel(230, 30), qRgb(255, 255, 255));
    // The play button's normal image is white at alpha 128 over red.
    EXPECT_TRUE(Near(shown.pixel(240, 75), qRgb(228, 128, 128)))
        << std::hex << shown.pixel(240, 75);
    // The text is drawn transparently over blue.
    EXPECT_EQ(shown.pixel(155, 35), kBlue);
    int lit = 0;
    for (int y = 10; y < 40; ++y) {
        for (int x = 10; x < 60; ++x) {
            lit += qRed(shown.pixel(x, y)) > 128 ? 1 : 0;
        }
    }
    EXPECT_GT(lit, 10);
}

TEST_F(SkinWindowTest, EmptyWindowTextDrawsOnlyTheBackground) {
    auto window = MakeShownWindow();
    platform::SetWindowText(window->WindowOf("t.text.title"), QString());
    const QImage shown = window->grab().toImage();
    for (int y = 10; y < 40; ++y) {
        for (int x = 10; x < 160; ++x) {
            ASSERT_EQ(shown.pixel(x, y), kBlue) << x << "," << y;
        }
    }
}

TEST_F(SkinWindowTest, ImageKeepsItsFirstCompositionAcrossTransfers) {
    auto window = MakeShownWindow();
    window->SetBackgroundMode(1);
    const QImage shown = window->grab().toImage();
    // The button is composed again over green; the image keeps the red it was composed over.
    EXPECT_TRUE(Near(shown.pixel(240, 75), qRgb(128, 228, 128)))
        << std::hex << shown.pixel(240, 75);
    EXPECT_EQ(shown.pixel(212, 12), kRed);
    EXPECT_EQ(shown.pixel(380, 5), kGreen);
}

TEST_F(SkinWindowTest, MemoryContextCopiesOrFillsAndWritesBackOnClose) {
    platform::gfx::Dc target(10, 10);
    target.Fill(0x0000FF);
    {
        player::SkMemDC copied(target, platform::gfx::Rect{2, 2, 6, 6}, true);
        EXPECT_EQ(copied.Dc().Width(), 4);
        EXPECT_EQ(copied.Dc().Bitmap().pixel(0, 0), qRgb(0, 0, 255));
        copied.Dc().Fill(0x00FF00);
        EXPECT_EQ(target.Bitmap().pixel(3, 3), qRgb(0, 0, 255));
    }
    EXPECT_EQ(target.Bitmap().pixel(3, 3), qRgb(0, 255, 0));
    EXPECT_EQ(target.Bitmap().pixel(1, 1), qRgb(0, 0, 255));
    {
        player::SkMemDC filled(target, std::nullopt, false);
        EXPECT_EQ(filled.Dc().Bitmap().pixel(3, 3), qRgb(255, 255, 255));
    }
    EXPECT_EQ(target.Bitmap().pixel(9, 9), qRgb(255, 255, 255));
}

}  // namespace
}  // namespace skintest
