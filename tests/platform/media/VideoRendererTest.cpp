// The windowless video renderer: its view, painting, current image and native size.

#include "MediaTestSupport.h"

#include "tools/make-sample-card/FrameCode.h"

#include <gtest/gtest.h>

#include <QEvent>
#include <QPainter>

#include <cstdlib>

using namespace mediatest;

namespace {

class VideoRendererTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        qputenv("ROADPLAYER_AUDIO_DEVICE", "none");
        testsupport::EnsureApp();
    }

    void Open(QSize viewSize, const QString& clipSize = QStringLiteral("320x180")) {
        ClipOptions options;
        options.audio = "none";
        options.lengthSeconds = 3;
        options.size = clipSize;
        const QString clip = MakeClip(m_dir, options);
        ASSERT_FALSE(clip.isEmpty());
        ASSERT_TRUE(m_graph.Build(clip, viewSize));
        m_front = QueryInterface<IVMRWindowlessControl>(m_graph.renderers[0]);
    }

    // Counts the paint events of a view.
    class PaintCounter : public QObject {
    public:
        bool eventFilter(QObject* /*watched*/, QEvent* event) override {
            count += event->type() == QEvent::Paint ? 1 : 0;
            return false;
        }
        int count = 0;
    };

    QTemporaryDir m_dir;
    PlaybackGraph m_graph;
    ComPtr<IVMRWindowlessControl> m_front;
};

}  // namespace

TEST_F(VideoRendererTest, CurrentImageIsABottomUpPackedDib) {
    Open(QSize(320, 180));
    BYTE* dib = reinterpret_cast<BYTE*>(1);
    EXPECT_EQ(m_front->GetCurrentImage(&dib), E_FAIL);
    EXPECT_EQ(dib, nullptr);
    EXPECT_EQ(m_front->GetCurrentImage(nullptr), E_POINTER);

    m_graph.control->StopWhenReady();
    ASSERT_EQ(m_graph.Seek(1000 * kMs), S_OK);
    ASSERT_TRUE(m_graph.WaitCued());
    const struct {
        size_t renderer;
        int width;
        int height;
    } cases[] = {{0, 320, 180}, {1, 160, 90}};
    for (const auto& c : cases) {
        ASSERT_EQ(QueryInterface<IVMRWindowlessControl>(m_graph.renderers[c.renderer])
                      ->GetCurrentImage(&dib),
                  S_OK);
        BITMAPINFOHEADER header;
        std::memcpy(&header, dib, sizeof header);
        EXPECT_EQ(header.biSize, 40u);
        EXPECT_EQ(header.biWidth, c.width);
        EXPECT_EQ(header.biHeight, c.height);
        EXPECT_EQ(header.biPlanes, 1);
        EXPECT_EQ(header.biBitCount, 32);
        EXPECT_EQ(header.biCompression, 0u);
        // Read bottom-up the code is there; read top-down (rows as stored) it is not.
        EXPECT_EQ(framecode::DecodeFrameCode(DibToImage(dib)), 15);
        const QImage asStored(dib + 40, c.width, c.height, c.width * 4, QImage::Format_RGB32);
        EXPECT_EQ(framecode::DecodeFrameCode(asStored), -1);
        CoTaskMemFree(dib);

        LONG width = 0;
        LONG height = 0;
        QueryInterface<IVMRWindowlessControl>(m_graph.renderers[c.renderer])
            ->GetNativeVideoSize(&width, &height, nullptr, nullptr);
        EXPECT_EQ(width, c.width);
        EXPECT_EQ(height, c.height);
    }
}

TEST_F(VideoRendererTest, PaintsItselfStretchedIntoItsView) {
    Open(QSize(200, 150));
    m_graph.control->StopWhenReady();
    ASSERT_TRUE(m_graph.WaitCued());
    for (const REFERENCE_TIME target : {REFERENCE_TIME{0}, 2000 * kMs}) {
        ASSERT_EQ(m_graph.Seek(target), S_OK);
        ASSERT_TRUE(m_graph.WaitCued());
        Pump(100);
        const QImage shown = m_graph.views[0]->grab().toImage();
        ASSERT_EQ(shown.size(), QSize(200, 150));
        EXPECT_EQ(framecode::DecodeFrameCode(shown),
                  static_cast<int>(target / (kUnitsPerSecond / 15)));
        // Stretched: the picture reaches every edge of the view.
        EXPECT_NE(shown.pixelColor(1, 1), QColor(Qt::black));
        EXPECT_NE(shown.pixelColor(198, 2), QColor(Qt::black));
    }
    // Letter-boxed, a tall view keeps bars above and below the picture.
    m_graph.views[0]->resize(200, 300);
    const RECT tall{0, 0, 200, 300};
    m_front->SetVideoPosition(nullptr, &tall);
    m_front->SetAspectRatioMode(VMR_ARMODE_LETTER_BOX);
    Pump(50);
    const QImage boxed = m_graph.views[0]->grab().toImage();
    EXPECT_EQ(boxed.pixelColor(100, 5), QColor(Qt::black));
    EXPECT_EQ(boxed.pixelColor(100, 295), QColor(Qt::black));
}

// Every way a picture is shrunk (halved in 2x2 blocks, libswscale's area filter, both, neither)
// averages it: the view shows the full picture as Qt's smooth scaling shrinks it.
TEST_F(VideoRendererTest, ShrunkPicturesAverageTheFullPicture) {
    Open(QSize(320, 180), QStringLiteral("640x360"));
    m_graph.control->StopWhenReady();
    ASSERT_TRUE(m_graph.WaitCued());
    const QSize sizes[] = {{320, 180}, {160, 90}, {200, 112}, {150, 84},
                           {400, 226}, {75, 41},  {640, 360}, {101, 57}};
    for (const QSize size : sizes) {
        SCOPED_TRACE(QStringLiteral("%1x%2").arg(size.width()).arg(size.height()).toStdString());
        m_graph.views[0]->resize(size);
        const RECT client{0, 0, size.width(), size.height()};
        m_front->SetVideoPosition(nullptr, &client);
        ASSERT_EQ(m_graph.Seek(1000 * kMs), S_OK);  // converted anew at the new size
        ASSERT_TRUE(m_graph.WaitCued());
        Pump(100);
        const QImage shown =
            m_graph.views[0]->grab().toImage().convertToFormat(QImage::Format_RGB32);
        BYTE* dib = nullptr;
        ASSERT_EQ(m_front->GetCurrentImage(&dib), S_OK);
        const QImage expected =
            DibToImage(dib).scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        CoTaskMemFree(dib);
        ASSERT_EQ(shown.size(), size);
        double difference = 0;
        for (int y = 0; y < size.height(); ++y) {
            for (int x = 0; x < size.width(); ++x) {
                const QRgb a = shown.pixel(x, y);
                const QRgb b = expected.pixel(x, y);
                difference += std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) +
                              std::abs(qBlue(a) - qBlue(b));
            }
        }
        const double mean = difference / (3.0 * size.width() * size.height());
        // Measured 0.6 to 3.2 (the odd sizes, converted bilinearly); a plane mixed up is tens.
        EXPECT_LT(mean, 6.0);
        if (size.width() >= 160) {
            EXPECT_EQ(framecode::DecodeFrameCode(shown), 15);
        }
    }
}

TEST_F(VideoRendererTest, RepaintVideoDrawsWithTheCallersPainter) {
    Open(QSize(320, 180));
    m_graph.control->StopWhenReady();
    ASSERT_EQ(m_graph.Seek(500 * kMs), S_OK);
    ASSERT_TRUE(m_graph.WaitCued());
    QImage canvas(320, 180, QImage::Format_RGB32);
    canvas.fill(Qt::red);
    QPainter painter(&canvas);
    EXPECT_EQ(m_front->RepaintVideo(m_graph.views[0].get(), &painter), S_OK);
    EXPECT_EQ(m_front->RepaintVideo(m_graph.views[1].get(), &painter), E_INVALIDARG);
    EXPECT_EQ(m_front->RepaintVideo(m_graph.views[0].get(), nullptr), E_POINTER);
    painter.end();
    EXPECT_EQ(framecode::DecodeFrameCode(canvas), 7);
    EXPECT_NE(canvas.pixelColor(0, 0), QColor(Qt::red));
}

TEST_F(VideoRendererTest, EveryNewFrameRepaintsTheView) {
    Open(QSize(160, 90));
    PaintCounter counter;
    m_graph.views[0]->installEventFilter(&counter);
    m_graph.control->Run();
    ASSERT_TRUE(m_graph.WaitCued());
    Pump(1000);
    // About 15 frames a second; every one asked for a paint of its own.
    EXPECT_GE(counter.count, 10);
    EXPECT_LE(counter.count, 30);
    m_graph.views[0]->removeEventFilter(&counter);
}

TEST_F(VideoRendererTest, OnlyWindowlessModeAndKnownAspectModes) {
    Open(QSize(160, 90));
    auto config = QueryInterface<IVMRFilterConfig>(m_graph.renderers[0]);
    EXPECT_EQ(config->SetRenderingMode(VMRMode_Windowed), E_INVALIDARG);
    EXPECT_EQ(config->SetRenderingMode(VMRMode_Windowless), S_OK);
    EXPECT_EQ(m_front->SetAspectRatioMode(7), E_INVALIDARG);
    const RECT inverted{10, 10, 0, 0};
    EXPECT_EQ(m_front->SetVideoPosition(nullptr, &inverted), E_INVALIDARG);
}
