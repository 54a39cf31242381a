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

// Marks lie over the track at their values in their kind's colour (the skin's default for a
// kind it does not name), inside the look's margins; marks outside the range are not drawn.
TEST_F(SkinWindowTest, SliderMarksAreDrawnOverTheTrackByKind) {
    auto window = MakeShownWindow();
    SkSlider* slider = window->Find<SkSlider>("t.slider.time");
    const auto red = qRgb(255, 0, 0);
    EXPECT_EQ(slider->MarkLookOf().width, 2);
    slider->SetMarks({{25, "braking", "harsh braking", {}},
                      {75, "bookmark", {}, {}},
                      {90, "impact", {}, {}},
                      {150, "braking", {}, {}}});
    const QImage shown = window->grab().toImage();
    // Value 25 is client pixel 60, so the bar covers 59 and 60; the slider sits at (10, 100).
    EXPECT_EQ(shown.pixel(10 + 59, 110), red);
    EXPECT_EQ(shown.pixel(10 + 60, 110), red);
    EXPECT_EQ(shown.pixel(10 + 61, 110), qRgb(240, 240, 240));  // the filled track beside it
    EXPECT_EQ(shown.pixel(10 + 59, 104), red);
    EXPECT_EQ(shown.pixel(10 + 59, 103), qRgb(240, 240, 240));  // the top margin
    EXPECT_EQ(shown.pixel(10 + 59, 116), qRgb(240, 240, 240));  // the bottom margin
    EXPECT_EQ(shown.pixel(10 + 160, 110), qRgb(0, 255, 0));
    EXPECT_EQ(shown.pixel(10 + 190, 110), qRgb(255, 255, 255));
    EXPECT_EQ(shown.pixel(10 + 209, 110), qRgb(10, 10, 10));  // 150 lies past the end

    // A skin without the look draws none.
    slider->SetMarkLook({});
    const QImage plain = window->grab().toImage();
    EXPECT_EQ(plain.pixel(10 + 59, 110), qRgb(240, 240, 240));
    EXPECT_EQ(plain.pixel(10 + 160, 110), qRgb(10, 10, 10));
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

// A mark's stretch is shaded in its kind's colour over the track, inside the look's margins,
// held to the range, with the bars standing over it.
TEST_F(SkinWindowTest, SliderMarkStretchesAreShadedUnderTheBars) {
    auto window = MakeShownWindow();
    SkSlider* slider = window->Find<SkSlider>("t.slider.time");
    slider->SetValue(0);
    slider->SetMarks({{60, "braking", {}, 80}, {90, "impact", {}, 150}, {70, "bookmark", {}, {}}});
    const QImage shown = window->grab().toImage();
    // Value v is client pixel 10 + 2v; the slider sits at (10, 100) over the empty track.
    const QColor stretch = shown.pixelColor(10 + 165, 110);
    EXPECT_NEAR(stretch.red(), 102, 3);
    EXPECT_LE(stretch.green(), 8);
    EXPECT_EQ(shown.pixel(10 + 165, 103), qRgb(10, 10, 10));  // the top margin
    EXPECT_EQ(shown.pixel(10 + 129, 110), qRgb(255, 0, 0));   // the bar at its start
    EXPECT_EQ(shown.pixel(10 + 149, 110), qRgb(0, 255, 0));   // a bar within it
    EXPECT_EQ(shown.pixel(10 + 127, 110), qRgb(10, 10, 10));
    EXPECT_EQ(shown.pixel(10 + 171, 110), qRgb(10, 10, 10));  // no bar at its end
    EXPECT_NEAR(shown.pixelColor(10 + 205, 110).blue(), 102, 3) << "held to the range";
    EXPECT_EQ(shown.pixel(10 + 215, 110), shown.pixel(10 + 215, 97)) << "the background past it";
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
