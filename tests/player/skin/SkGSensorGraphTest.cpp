#include "player/skin/SkGSensorGraph.h"

#include "SkinWindowFixture.h"
#include "platform/window/Dialog.h"

#include <functional>

namespace skintest {
namespace {

using player::GraphSample;
using player::GSensorTrace;
using player::SkGSensorGraph;

constexpr QRgb kXColour = qRgb(232, 112, 104);
constexpr QRgb kYColour = qRgb(122, 204, 140);
constexpr QRgb kZColour = qRgb(104, 166, 240);
constexpr QRgb kCursorColour = qRgb(240, 204, 96);
constexpr int kWidth = 1000;
constexpr int kHeight = 244;

constexpr std::array kGraphItems = {
    platform::DialogItem{1301, platform::ChildKind::Static, 0, 0, kWidth, kHeight},
};
constexpr platform::DialogTemplate kGraphTemplate{
    901, "graph", kWidth, kHeight, platform::kDialogPopup, kGraphItems};

// A graph bound to a window of its own, with the band of the example: startpos 10, top 20,
// height 200, and a cursor band to 990 (980 pixels a minute).
class GraphTest : public SkinWindowTest {
protected:
    void SetUp() override {
        SkinWindowTest::SetUp();
        m_dialog = std::make_unique<platform::Dialog>(kGraphTemplate);
        m_dialog->Create(nullptr);
        m_dialog->show();
        ASSERT_TRUE(m_graph.SubclassDlgItem(1301, *m_dialog));
        m_graph.SetPen(GSensorTrace::X, {0xFF000000u | kXColour, 1});
        m_graph.SetPen(GSensorTrace::Y, {0xFF000000u | kYColour, 1});
        m_graph.SetPen(GSensorTrace::Z, {0xFF000000u | kZColour, 1});
        m_graph.SetPen(GSensorTrace::Time, {0xFF000000u | kCursorColour, 1});
        ASSERT_TRUE(m_graph.SetBand({10, 990, 20, 200}));
    }
    void TearDown() override {
        m_dialog.reset();
        SkinWindowTest::TearDown();
    }

    // One paint of the graph, as a tick's invalidation gives.
    QImage Paint() { return m_graph.Window()->grab().toImage(); }

    // Readings every 100 ms from 0 to lastMs; the x axis from xOf(time), y and z at 0.
    static std::vector<GraphSample> Readings(int32_t lastMs, const std::function<int(int)>& xOf) {
        std::vector<GraphSample> samples;
        for (int32_t t = 0; t <= lastMs; t += 100) {
            samples.push_back({xOf(t), 0, 0, t});
        }
        return samples;
    }

    std::unique_ptr<platform::Dialog> m_dialog;
    SkGSensorGraph m_graph;
};

// The cursor's column for an offset into the page, computed as the graph does: the division
// first, in double precision, then truncated (so 30,000 ms gives 499, not 500).
int CursorX(int offsetMs) {
    return static_cast<int>(980.0 / 60000 * offsetMs + 10);
}

// Like a GDI line, the cursor covers the band's top row and stops above its bottom one.
constexpr int kCursorPixels = 200;

int CountInColumn(const QImage& image, int x, QRgb colour) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        count += image.pixel(x, y) == colour;
    }
    return count;
}

TEST_F(GraphTest, OneGAtHalfAMinuteIsDrawnAtTheExamplePixel) {
    // The reading at 30,000 ms, then one 2 s later at the same value, so the line bends there.
    m_graph.SetSamples({{64, 0, 0, 30000}, {64, 0, 0, 32000}});
    QImage image = Paint();
    // 30,000 x 0.0157666... + 10 = 482.99 -> 482; 120 - 64 x 200 / 256 = 70.
    EXPECT_EQ(image.pixel(482, 70), kXColour);
    EXPECT_NE(image.pixel(481, 69), kXColour);
    EXPECT_NE(image.pixel(482, 69), kXColour);
    EXPECT_NE(image.pixel(482, 71), kXColour);
    EXPECT_EQ(image.pixel(10, 120), kZColour) << "y and z run along the centre line, z last";
    EXPECT_EQ(CountInColumn(image, CursorX(30000), kCursorColour), 0)
        << "the first paint draws no cursor";

    m_graph.SetPosition(30000);
    image = Paint();
    const int x = CursorX(30000);
    EXPECT_EQ(x, 499);
    EXPECT_EQ(CountInColumn(image, x, kCursorColour), kCursorPixels);
    EXPECT_EQ(image.pixel(x, 20), kCursorColour);
    EXPECT_EQ(image.pixel(x, 219), kCursorColour);
    EXPECT_EQ(image.pixel(482, 70), kXColour) << "the cached page is kept under the cursor";

    m_graph.SetPosition(0);
    image = Paint();
    EXPECT_EQ(CountInColumn(image, 10, kCursorColour), 0) << "offset 0 draws no cursor";
}

// Readings no sensor gives (a card's bad data) are drawn at the band's edges: nothing of the
// traces lands above or below the band.
TEST_F(GraphTest, ReadingsBeyondTwoGStayInTheBand) {
    m_graph.SetSamples(
        {{99999, -9999, 0, 10000}, {128, -128, 0, 20000}, {INT32_MAX, INT32_MIN, 0, 30000}});
    const QImage image = Paint();
    int outside = 0;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const QRgb p = image.pixel(x, y);
            outside += (y < 20 || y > 220) && (p == kXColour || p == kYColour);
        }
    }
    EXPECT_EQ(outside, 0);
    // 10,000 ms x 0.0157666... + 10 = 167.7 -> 167: x at the top edge, y at the bottom one.
    EXPECT_EQ(image.pixel(167, 20), kXColour);
    EXPECT_EQ(image.pixel(167, 220), kYColour);
}

TEST_F(GraphTest, TheMinuteEndsAfterSixtyThousandMilliseconds) {
    std::vector<GraphSample> samples = Readings(59500, [](int) { return 0; });
    samples.push_back({64, 0, 0, 60000});   // still page 0, at its right edge
    samples.push_back({-64, 0, 0, 60001});  // the first reading of page 1
    samples.push_back({-64, 0, 0, 61000});
    m_graph.SetSamples(samples);
    QImage image = Paint();
    EXPECT_EQ(m_graph.LastPage(), 1);
    // 60,000 ms x 0.0157666... is 945.99..., so the minute ends in column 955.
    EXPECT_GT(CountInColumn(image, 955, kXColour), 0) << "the reading at 60,000 ms is on page 0";
    EXPECT_EQ(CountInColumn(image, 956, kXColour), 0) << "nothing after 60,000 ms on page 0";

    m_graph.SetPosition(61000);
    image = Paint();
    EXPECT_EQ(m_graph.CurrentPage(), 1);
    EXPECT_EQ(CountInColumn(image, 500, kCursorColour), 0) << "no cursor on the paint that pages";
    // Page 1 starts with the reading at 60,001 ms: 1 ms in, at x 10, down at 170.
    EXPECT_EQ(image.pixel(10, 169), kXColour);
    EXPECT_EQ(CountInColumn(image, 955, kXColour), 0);
}

TEST_F(GraphTest, FortySecondsNeverChangePageAndTheCursorFollows) {
    m_graph.SetSamples(Readings(40000, [](int) { return 32; }));
    Paint();
    for (const int32_t position : {0, 30000, 59000, 61000, 70000, 120000, 300000}) {
        m_graph.SetPosition(position);
        const QImage image = Paint();
        EXPECT_EQ(m_graph.CurrentPage(), 0) << position;
        EXPECT_EQ(m_graph.LastPage(), 0);
        const int x = CursorX(position);
        if (position > 0 && x < kWidth) {
            EXPECT_EQ(CountInColumn(image, x, kCursorColour), kCursorPixels) << position;
        }
    }
}

// x is +64 on even minutes and -64 on odd ones, so a page shows which minute it holds.
int MinuteSign(int timeMs) {
    return (timeMs / 60000) % 2 == 0 ? 64 : -64;
}

void ExpectMinute(const QImage& image, int minute) {
    const int y = minute % 2 == 0 ? 70 : 170;
    EXPECT_EQ(image.pixel(500, y), kXColour) << "page of minute " << minute;
    EXPECT_NE(image.pixel(500, 240 - y), kXColour) << "page of minute " << minute;
}

TEST_F(GraphTest, ForwardOnePagePerPaintBackInOneStep) {
    m_graph.SetSamples(Readings(239900, MinuteSign));
    ExpectMinute(Paint(), 0);
    m_graph.SetPosition(200000);  // minute 3
    for (int page = 1; page <= 3; ++page) {
        const QImage image = Paint();
        EXPECT_EQ(m_graph.CurrentPage(), page);
        ExpectMinute(image, page);
    }
    QImage image = Paint();
    EXPECT_EQ(m_graph.CurrentPage(), 3);
    EXPECT_EQ(CountInColumn(image, CursorX(20000), kCursorColour), kCursorPixels);

    m_graph.SetPosition(70000);  // back to minute 1
    image = Paint();
    EXPECT_EQ(m_graph.CurrentPage(), 1);
    ExpectMinute(image, 1);
    EXPECT_EQ(CountInColumn(image, CursorX(10000), kCursorColour), kCursorPixels);

    // New data starts again at page 0.
    m_graph.SetSamples(Readings(239900, MinuteSign));
    image = Paint();
    EXPECT_EQ(m_graph.CurrentPage(), 0);
    ExpectMinute(image, 0);
}

TEST_F(GraphTest, AFifteenMinuteRecordingPagesToItsEnd) {
    m_graph.SetSamples(Readings(899900, MinuteSign));
    Paint();
    m_graph.SetPosition(899000);
    for (int page = 1; page <= 14; ++page) {
        const QImage image = Paint();
        ASSERT_EQ(m_graph.CurrentPage(), page);
        ExpectMinute(image, page);
    }
    EXPECT_EQ(m_graph.LastPage(), 14);
    QImage image = Paint();
    EXPECT_EQ(m_graph.CurrentPage(), 14);
    EXPECT_EQ(CountInColumn(image, CursorX(59000), kCursorColour), kCursorPixels);

    m_graph.SetPosition(700000);  // minute 11, past the ten pages a fixed table would hold
    image = Paint();
    EXPECT_EQ(m_graph.CurrentPage(), 11);
    ExpectMinute(image, 11);

    // Past the last reading the pages are empty, and nothing is read beyond the readings.
    m_graph.SetPosition(899000);
    for (int i = 0; i < 3; ++i) {
        Paint();
    }
    m_graph.SetPosition(1000000);
    Paint();
    image = Paint();
    EXPECT_EQ(m_graph.CurrentPage(), 16);
    EXPECT_EQ(CountInColumn(image, 500, kXColour), 0);
}

TEST_F(GraphTest, WithoutReadingsOnlyTheBackgroundIsDrawn) {
    m_graph.SetSamples({});
    m_graph.SetPosition(30000);
    Paint();
    const QImage image = Paint();
    EXPECT_EQ(CountInColumn(image, 300, kXColour) + CountInColumn(image, 300, kZColour), 0);
    EXPECT_EQ(CountInColumn(image, 500, kCursorColour), 0);
}

}  // namespace
}  // namespace skintest
