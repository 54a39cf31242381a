#include "player/skin/SkSlider.h"

#include "SkinWindowFixture.h"

#include <QTest>

namespace skintest {
namespace {

using player::SkSlider;

void Drag(QWidget* window, std::initializer_list<int> xs) {
    QTest::mousePress(window, Qt::LeftButton, {}, QPoint(*xs.begin(), 10));
    for (auto it = xs.begin() + 1; it != xs.end(); ++it) {
        QMouseEvent move(QEvent::MouseMove, QPointF(*it, 10), window->mapToGlobal(QPointF(*it, 10)),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window, &move);
    }
    QTest::mouseRelease(window, Qt::LeftButton, {}, QPoint(*(xs.end() - 1), 10));
    QCoreApplication::processEvents();
}

TEST_F(SkinWindowTest, SliderLaysOutTrackFillAndThumb) {
    auto window = MakeShownWindow();
    SkSlider* slider = window->Find<SkSlider>("t.slider.time");
    ASSERT_NE(slider, nullptr);
    EXPECT_EQ(slider->Window()->width(), 220);
    EXPECT_EQ(slider->TrackRect(), (player::SkinRect{10, 0, 200, 20}));
    EXPECT_EQ(slider->FillLength(), 100);
    EXPECT_EQ(slider->ThumbRect(), (player::SkinRect{100, 0, 10, 20}));
    const QImage shown = window->grab().toImage();
    // The slider sits at (10, 100): filled track, thumb, then the empty track.
    EXPECT_EQ(shown.pixel(10 + 50, 110), qRgb(240, 240, 240));
    EXPECT_EQ(shown.pixel(10 + 105, 110), qRgb(0, 0, 255));
    EXPECT_EQ(shown.pixel(10 + 150, 110), qRgb(10, 10, 10));
    EXPECT_EQ(shown.pixel(10 + 5, 110), kBlue);  // the margin shows the background
}

TEST_F(SkinWindowTest, SliderMouseMapsToTheRangeAndPostsEachChangeOnce) {
    auto window = MakeShownWindow();
    SkSlider* slider = window->Find<SkSlider>("t.slider.time");
    const auto address = reinterpret_cast<platform::WParam>(static_cast<player::SkWidget*>(slider));
    Drag(slider->Window(), {5});
    EXPECT_EQ(slider->Value(), 0);
    ASSERT_EQ(window->posted.size(), 1u);
    EXPECT_EQ(window->posted[0].msg, platform::WM_USER);
    EXPECT_EQ(window->posted[0].wParam, address);
    EXPECT_EQ(window->posted[0].lParam, 0);
    window->posted.clear();
    // 60 -> 25, 61 -> 25 (same value: no notice), 215 and 300 -> the maximum once.
    Drag(slider->Window(), {60, 61, 215, 300});
    EXPECT_EQ(slider->Value(), 100);
    ASSERT_EQ(window->posted.size(), 2u);
    EXPECT_EQ(window->posted[0].lParam, 25);
    EXPECT_EQ(window->posted[1].lParam, 100);
    EXPECT_FALSE(slider->Dragging());
    window->posted.clear();
    QMouseEvent move(QEvent::MouseMove, QPointF(50, 10), QPointF(), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(slider->Window(), &move);
    QCoreApplication::processEvents();
    EXPECT_TRUE(window->posted.empty());
}

TEST_F(SkinWindowTest, SliderValueSetByCodeIsClampedAndPostsNothing) {
    auto window = MakeShownWindow();
    SkSlider* slider = window->Find<SkSlider>("t.slider.time");
    slider->SetValue(150);
    EXPECT_EQ(slider->Value(), 100);
    slider->SetValue(-3);
    EXPECT_EQ(slider->Value(), 0);
    QCoreApplication::processEvents();
    EXPECT_TRUE(window->posted.empty());
}

TEST_F(SkinWindowTest, SliderWithoutTrackLengthIgnoresTheMouse) {
    auto window = MakeShownWindow();
    SkSlider* slider = window->Find<SkSlider>("t.slider.time");
    ASSERT_TRUE(slider->SetRange(100, 0, {110, 0, 110, 0}, 50, 20));
    EXPECT_EQ(slider->TrackRect().w, 0);
    Drag(slider->Window(), {5, 150});
    EXPECT_EQ(slider->Value(), 50);
    EXPECT_TRUE(window->posted.empty());
    window->grab();  // painting a zero-length track must not fail either
}

// Points are 2-pixel lines on their value, stretches are blended over the track, values beyond
// the range sit at its ends; the skin may name a kind's colour.
TEST_F(SkinWindowTest, SliderMarksLieOverTheTrackAtTheirValues) {
    auto window = MakeShownWindow();
    SkSlider* slider = window->Find<SkSlider>("t.slider.time");
    EXPECT_EQ(slider->MarkColour("clip"), 0xFFFFC800u);
    EXPECT_FALSE(slider->MarkColour("bookmark").has_value());
    slider->SetValue(0);
    slider->SetMarks("clip", {{60, 80, 0x80FF0000u}, {20, 20, 0xFF00FF00u}});
    slider->SetMarks("other", {{150, 150, 0xFFFF00FFu}});
    // The track starts 20 pixels into the window, 2 pixels a value.
    QImage shown = window->grab().toImage();
    EXPECT_EQ(shown.pixel(59, 110), qRgb(0, 255, 0));
    EXPECT_EQ(shown.pixel(60, 110), qRgb(0, 255, 0));
    EXPECT_EQ(shown.pixel(58, 110), qRgb(10, 10, 10));
    EXPECT_EQ(shown.pixel(61, 110), qRgb(10, 10, 10));
    const QColor stretch = shown.pixelColor(160, 110);
    EXPECT_NEAR(stretch.red(), 133, 3);
    EXPECT_LE(stretch.green(), 8);
    EXPECT_EQ(shown.pixel(139, 110), qRgb(10, 10, 10));
    EXPECT_EQ(shown.pixel(180, 110), qRgb(10, 10, 10));
    EXPECT_EQ(shown.pixel(219, 110), qRgb(255, 0, 255));

    slider->SetMarks("clip", {});
    EXPECT_EQ(slider->Marks("other").size(), 1u) << "each group keeps its own marks";
    shown = window->grab().toImage();
    EXPECT_EQ(shown.pixel(60, 110), qRgb(10, 10, 10));
    EXPECT_EQ(shown.pixel(160, 110), qRgb(10, 10, 10));
    EXPECT_EQ(shown.pixel(219, 110), qRgb(255, 0, 255));
}

}  // namespace
}  // namespace skintest

namespace skintest {
namespace {

TEST_F(SkinWindowTest, VerticalSliderFillsAndMapsFromTheTop) {
    auto window = MakeShownWindow();
    SkSlider* slider = window->Find<SkSlider>("t.slider.time");
    slider->SetVertical(true);
    ASSERT_TRUE(slider->SetRange(100, 0, {0, 0, 0, 0}, 50, 20));
    EXPECT_EQ(slider->TrackRect(), (player::SkinRect{0, 0, 220, 20}));
    EXPECT_EQ(slider->FillLength(), 10);
    window->grab();
    EXPECT_EQ(slider->ThumbRect(), (player::SkinRect{0, 10, 10, 20}));
    QTest::mousePress(slider->Window(), Qt::LeftButton, {}, QPoint(100, 15));
    QTest::mouseRelease(slider->Window(), Qt::LeftButton, {}, QPoint(100, 15));
    EXPECT_EQ(slider->Value(), 75);
}

}  // namespace
}  // namespace skintest
