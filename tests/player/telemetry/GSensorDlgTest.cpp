// The G-sensor window on the default pack's "GSENSOR" skin, fed a store as the main window
// feeds it.
#include "player/telemetry/GSensorDlg.h"

#include "player/pack/ImageCache.h"
#include "player/pack/ResourcePack.h"
#include "player/profile/AppProfile.h"
#include "player/skin/SkGSensorGraph.h"
#include "player/telemetry/TextData.h"
#include "tests/support/Clips.h"
#include "tests/support/TestApp.h"

#include <QTest>

#include <gtest/gtest.h>

#include <cmath>

namespace player {
namespace {

// The default skin's pens.
constexpr QRgb kXColour = qRgb(232, 112, 104);
constexpr QRgb kYColour = qRgb(122, 204, 140);
constexpr QRgb kZColour = qRgb(104, 166, 240);
constexpr QRgb kCursorColour = qRgb(240, 204, 96);

// A 90 s drive: braking and accelerating on x, curves on y, gravity and bumps on z.
void FillDrive(CTextData& store) {
    for (int t = 0; t <= 90000; t += 100) {
        const double s = t / 1000.0;
        char line[64];
        std::snprintf(line, sizeof line, "M,X%+5.2f,Y%+5.2f,Z%+5.2f", 0.6 * std::sin(s / 4),
                      0.4 * std::sin(s / 2.5 + 1), 1.0 + 0.15 * std::sin(s * 3));
        store.AddLine(line, t);
    }
}

int Count(const QImage& image, QRgb colour) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            count += image.pixel(x, y) == colour;
        }
    }
    return count;
}

class GSensorWindow : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        testsupport::EnsureApp();
        s_pack = new ResourcePack;
        s_profile = new AppProfile;
        s_loaded = s_pack->OpenPack(QStringLiteral(TEST_PROGRAM_DIR "/VDATA.PACK")) &&
                   s_profile->LoadProfile(s_pack, QStringLiteral(TEST_PROGRAM_DIR)) &&
                   LoadPackImages(s_pack, ImageCache::Instance());
    }
    static void TearDownTestSuite() {
        delete s_profile;
        delete s_pack;
    }

    void SetUp() override {
        ASSERT_TRUE(s_loaded) << "the built pack does not load";
        const QByteArray* script = s_profile->GetScript(NameKey(kGSensorSkinName));
        ASSERT_NE(script, nullptr);
        ASSERT_TRUE(m_window.LoadSkin(*script));
        m_window.Create(nullptr);
    }

    QImage GraphPaint() { return m_window.Graph()->Window()->grab().toImage(); }

    static ResourcePack* s_pack;
    static AppProfile* s_profile;
    static bool s_loaded;
    CGSensorDlg m_window;
};

ResourcePack* GSensorWindow::s_pack = nullptr;
AppProfile* GSensorWindow::s_profile = nullptr;
bool GSensorWindow::s_loaded = false;

TEST_F(GSensorWindow, PlotsTheStoreWithACursorAndSavesALook) {
    EXPECT_TRUE(m_window.isHidden()) << "the main window shows it once it has readings";
    ASSERT_NE(m_window.Graph(), nullptr);
    CTextData store;
    FillDrive(store);
    m_window.SetData(&store);
    m_window.show();
    m_window.SetPosition(25000);
    GraphPaint();  // the page
    const QImage graph = GraphPaint();
    EXPECT_GT(Count(graph, kXColour), 300);
    EXPECT_GT(Count(graph, kYColour), 300);
    EXPECT_GT(Count(graph, kZColour), 300);
    // Cursor band of the skin: 44 to 990, from 12 down 208 (the last row is not drawn).
    const int cursorX = static_cast<int>((990.0 - 44) / 60000 * 25000 + 44);
    for (const int y : {12, 100, 219}) {
        EXPECT_EQ(graph.pixel(cursorX, y), kCursorColour) << y;
    }
    const QImage window = m_window.grab().toImage();
    EXPECT_TRUE(window.save(QStringLiteral(TEST_BINARY_DIR "/gsensor-window.png")));

    // The next recording's store: the page is drawn again from its readings.
    CTextData quiet;
    quiet.AddLine("M,X+0.00,Y+0.00,Z+0.00", 0);
    quiet.AddLine("M,X+0.00,Y+0.00,Z+0.00", 30000);
    m_window.SetData(&quiet);
    GraphPaint();
    const QImage flat = GraphPaint();
    EXPECT_LT(Count(flat, kXColour) + Count(flat, kYColour), Count(graph, kXColour));
    m_window.SetData(nullptr);  // nothing to show: the graph keeps what it had
    EXPECT_EQ(GraphPaint(), flat);
}

TEST_F(GSensorWindow, TheExitButtonOnlyHidesTheWindow) {
    m_window.show();
    QWidget* exit = m_window.GetDlgItem(kGSensorExitId);
    ASSERT_NE(exit, nullptr);
    EXPECT_EQ(exit->geometry(), QRect(976, 4, 36, 36));
    EXPECT_EQ(m_window.Graph()->Window()->geometry(), QRect(10, 54, 1000, 244));
    QTest::mouseClick(exit, Qt::LeftButton, {}, QPoint(18, 18));
    EXPECT_TRUE(m_window.isHidden());
    m_window.show();
    EXPECT_TRUE(m_window.isVisible());
    EXPECT_NE(m_window.Graph(), nullptr);
}

}  // namespace
}  // namespace player
