#include "player/skin/SkTripStrip.h"

#include "SkinWindowFixture.h"

#include <QTest>

namespace skintest {
namespace {

using player::SkTripStrip;

// The strip sits at (10, 260), 220 x 20, its track 10 px in from each side: 200 px.
constexpr int kStripLeft = 10;
constexpr int kStripTop = 260;

QRgb StripPixel(const QImage& shown, int x) {
    return shown.pixel(kStripLeft + x, kStripTop + 10);
}

TEST_F(SkinWindowTest, TripStripDrawsSegmentsCurrentAndCursor) {
    auto window = MakeShownWindow();
    auto* strip = window->Find<SkTripStrip>("t.strip.trip");
    ASSERT_NE(strip, nullptr);
    // 60 s, 60 s and 80 s over 200 px: 60, 60 and 80 px, 2 px open between two.
    strip->SetTrip({60000, 60000, 80000}, 1);
    strip->SetPosition(90000);
    const QImage shown = window->grab().toImage();
    EXPECT_EQ(StripPixel(shown, 10 + 30), qRgb(10, 10, 10)) << "another recording";
    EXPECT_EQ(StripPixel(shown, 10 + 75), qRgb(240, 240, 240)) << "the current one";
    EXPECT_EQ(StripPixel(shown, 10 + 90), qRgb(0, 0, 255)) << "the cursor at 90 s";
    EXPECT_EQ(StripPixel(shown, 10 + 160), qRgb(10, 10, 10));
    EXPECT_EQ(StripPixel(shown, 10 + 59), kBlue) << "open between two segments";
    EXPECT_EQ(StripPixel(shown, 5), kBlue) << "the margin";
    // Marks at trip times by kind, over the segments and under the cursor; one with an end
    // shades a band to it.
    strip->SetMarks(
        {{30000, "braking", "brake"}, {90000, "braking", {}}, {150000, "clip", "clip", 170000}});
    const QImage marked = window->grab().toImage();
    EXPECT_EQ(StripPixel(marked, 10 + 30), qRgb(255, 0, 0));
    EXPECT_EQ(marked.pixel(kStripLeft + 10 + 30, kStripTop + 1), qRgb(10, 10, 10)) << "margin";
    EXPECT_EQ(StripPixel(marked, 10 + 90), qRgb(0, 0, 255)) << "the cursor above a mark";
    EXPECT_EQ(StripPixel(marked, 10 + 150), qRgb(255, 255, 255)) << "the band's start";
    EXPECT_NEAR(qRed(StripPixel(marked, 10 + 160)), 102, 3) << "the band shades the segment";
    EXPECT_EQ(StripPixel(marked, 10 + 172), qRgb(10, 10, 10)) << "past the band's end";
    // The pointer names the marks within reach of their bars (the track starts 10 px in).
    EXPECT_EQ(strip->MarkLabelAt(10 + 30 + 3), "brake");
    EXPECT_EQ(strip->MarkLabelAt(10 + 30 + 5), "");
    EXPECT_EQ(strip->MarkLabelAt(10 + 150), "clip");
    EXPECT_EQ(strip->MarkLabelAt(10 + 160), "") << "a stretch is not named along its length";
    strip->SetTrip({}, -1);
    EXPECT_EQ(StripPixel(window->grab().toImage(), 10 + 75), kBlue) << "no trip, no segments";
}

TEST_F(SkinWindowTest, TripStripPostsTheTripTimeUnderThePointer) {
    auto window = MakeShownWindow();
    auto* strip = window->Find<SkTripStrip>("t.strip.trip");
    ASSERT_NE(strip, nullptr);
    strip->SetTrip({60000, 60000, 80000}, 0);
    const auto address = reinterpret_cast<platform::WParam>(static_cast<player::SkWidget*>(strip));
    QWidget* view = strip->Window();
    // Pressed at the left margin, dragged to 50 s and past the end, released there.
    QTest::mousePress(view, Qt::LeftButton, {}, QPoint(5, 10));
    for (const int x : {60, 300}) {
        QMouseEvent move(QEvent::MouseMove, QPointF(x, 10), view->mapToGlobal(QPointF(x, 10)),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view, &move);
    }
    EXPECT_TRUE(strip->Dragging());
    strip->SetPosition(1000);  // the tick does not move what the hand holds
    EXPECT_EQ(strip->Position(), 200000);
    QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(300, 10));
    QCoreApplication::processEvents();
    EXPECT_FALSE(strip->Dragging());
    std::vector<platform::LParam> times;
    for (const Posted& posted : window->posted) {
        EXPECT_EQ(posted.msg, platform::WM_USER);
        EXPECT_EQ(posted.wParam, address);
        times.push_back(posted.lParam);
    }
    // The release tells the end of the drag even when it did not move on.
    EXPECT_EQ(times, (std::vector<platform::LParam>{0, 50000, 200000, 200000}));
}

}  // namespace
}  // namespace skintest
