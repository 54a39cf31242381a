#include "player/playback/PlayGraph.h"
#include "player/playback/VideoPlayer.h"

#include "GraphQueries.h"
#include "platform/media/ComponentRegistry.h"
#include "player/catalogue/RecoveryReferences.h"
#include "tests/support/Clips.h"
#include "tests/support/TestApp.h"
#include "tools/make-sample-card/FrameCode.h"

#include <QDir>
#include <QFile>
#include <QWidget>

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

using namespace player;

using namespace platform::media;
using testgraph::WaitFor;

class PlayGraphTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        qputenv("ROADPLAYER_REGISTRY_DIR", (m_dir.path() + "/registry").toUtf8());
        m_front.resize(320, 180);
        m_rear.resize(160, 90);
        m_player.AttachViews(&m_front, &m_rear);
    }

    CPlayGraph* OpenClip(const QStringList& options) {
        const QString clip = testsupport::MakeClip(
            m_dir.path(), options + QStringList{"--length", "2", "--fps", "10", "--frame-code"});
        if (clip.isEmpty() || m_player.Open(clip) != 1) {
            return nullptr;
        }
        return m_player.Graph();
    }

    ComPtr<IMediaSeeking> Seeking(CPlayGraph* graph) {
        return QueryInterface<IMediaSeeking>(static_cast<IUnknown*>(graph->GraphBuilder()));
    }

    // The frame code the view shows, -1 while there is no picture.
    static int FrameShown(CPlayGraph* graph, int view) {
        QImage image;
        return graph->GetCurrentImage(view, &image) == 1 ? framecode::DecodeFrameCode(image) : -1;
    }

    testsupport::AppFirst m_application;
    QTemporaryDir m_dir;
    QWidget m_front;
    QWidget m_rear;
    CVideoPlayer m_player;
};

TEST_F(PlayGraphTest, StateRulesOfTheTransportCalls) {
    CPlayGraph* empty = m_player.Graph();  // the object AttachViews makes: nothing built
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->State(), GraphState::NotBuilt);
    EXPECT_EQ(empty->Run(), VFW_E_WRONG_STATE);
    EXPECT_EQ(empty->Stop(), VFW_E_WRONG_STATE);
    EXPECT_EQ(empty->StepFrame(), 0);
    QImage image;
    EXPECT_EQ(empty->GetCurrentImage(0, &image), 0);  // nothing to hand out is no success
    EXPECT_TRUE(image.isNull());

    CPlayGraph* graph = OpenClip({"--cameras", "1", "--audio", "none"});
    ASSERT_NE(graph, nullptr);
    ASSERT_EQ(graph->State(), GraphState::Stopped);
    EXPECT_EQ(graph->Stop(), VFW_E_WRONG_STATE);
    EXPECT_EQ(graph->State(), GraphState::Stopped);
    EXPECT_TRUE(SUCCEEDED(graph->Run()));
    EXPECT_EQ(graph->State(), GraphState::Running);
    EXPECT_EQ(graph->Run(), VFW_E_WRONG_STATE);
    EXPECT_TRUE(SUCCEEDED(graph->Pause()));
    EXPECT_EQ(graph->State(), GraphState::Paused);
    EXPECT_TRUE(SUCCEEDED(graph->Run()));
    EXPECT_TRUE(SUCCEEDED(graph->Stop()));
    EXPECT_EQ(graph->State(), GraphState::Stopped);
    EXPECT_EQ(graph->Stop(), VFW_E_WRONG_STATE);
}

TEST_F(PlayGraphTest, RunClampsTheStoredRateUnlessItIsExactlyOne) {
    CPlayGraph* graph = OpenClip({"--cameras", "1", "--audio", "aac"});
    ASSERT_NE(graph, nullptr);
    const auto seeking = Seeking(graph);
    ASSERT_TRUE(seeking);
    struct Case {
        float stored;
        float applied;
    };
    for (const Case c : {Case{0.2f, 0.5f}, Case{0.4f, 0.5f}, Case{2.0f, 2.0f}, Case{1.0f, 1.0f},
                         Case{3.5f, 2.0f}, Case{0.75f, 0.75f}, Case{0.0f, 0.5f}}) {
        graph->StoreRate(c.stored);
        ASSERT_TRUE(SUCCEEDED(graph->Run())) << c.stored;
        double rate = 0;
        ASSERT_EQ(seeking->GetRate(&rate), S_OK);
        EXPECT_EQ(rate, static_cast<double>(c.applied)) << c.stored;
        EXPECT_EQ(graph->Rate(), c.applied) << c.stored;
        ASSERT_TRUE(SUCCEEDED(graph->Pause()));
    }
}

TEST_F(PlayGraphTest, RunCentresTheBalance) {
    CPlayGraph* graph = OpenClip({"--cameras", "1", "--audio", "pcm"});
    ASSERT_NE(graph, nullptr);
    const auto audio = QueryInterface<IBasicAudio>(static_cast<IUnknown*>(graph->GraphBuilder()));
    ASSERT_TRUE(audio);
    audio->put_Balance(-4000);
    ASSERT_TRUE(SUCCEEDED(graph->Run()));
    LONG balance = 1;
    audio->get_Balance(&balance);
    EXPECT_EQ(balance, 0);
}

TEST_F(PlayGraphTest, RunAtTheEndStartsFromTheBeginning) {
    CPlayGraph* graph = OpenClip({"--cameras", "2", "--audio", "none"});
    ASSERT_NE(graph, nullptr);
    const int64_t durationMs = platform::media::ToMilliseconds(graph->GetDuration());
    ASSERT_GT(durationMs, 1000);
    ASSERT_TRUE(SUCCEEDED(graph->Run()));
    graph->SeekTo(graph->GetDuration() - 2000000);  // 0.2 s before the end
    ASSERT_TRUE(WaitFor([&] { return graph->GetPositionMs() == durationMs; }));
    ASSERT_TRUE(SUCCEEDED(graph->Pause()));

    ASSERT_TRUE(SUCCEEDED(graph->Run()));
    QCoreApplication::processEvents();
    EXPECT_LT(graph->GetPositionMs(), 500);
    EXPECT_TRUE(WaitFor([&] {
        const int frame = FrameShown(graph, 0);
        return frame >= 0 && frame < 5;
    }));
}

TEST_F(PlayGraphTest, BothViewsShowTheirPictureAndStepFrameAdvancesOne) {
    CPlayGraph* graph = OpenClip({"--cameras", "2", "--audio", "aac"});
    ASSERT_NE(graph, nullptr);
    ASSERT_TRUE(WaitFor([&] { return FrameShown(graph, 0) == 0 && FrameShown(graph, 1) == 0; }));
    QImage front;
    QImage rear;
    ASSERT_EQ(graph->GetCurrentImage(0, &front), 1);
    ASSERT_EQ(graph->GetCurrentImage(1, &rear), 1);
    EXPECT_EQ(front.size(), QSize(320, 180));  // native sizes of the two cameras
    EXPECT_EQ(rear.size(), QSize(160, 90));
    EXPECT_EQ(graph->GetCurrentImage(2, &front), 0);

    m_player.SeekToMs(1000);
    ASSERT_TRUE(SUCCEEDED(graph->Pause()));
    ASSERT_TRUE(WaitFor([&] { return FrameShown(graph, 0) == 10; }));
    ASSERT_EQ(graph->StepFrame(), 1);
    EXPECT_TRUE(WaitFor([&] { return FrameShown(graph, 0) == 11; }));
    EXPECT_EQ(graph->State(), GraphState::Paused);

    // Back one frame at a time, down to the first, which has nothing before it.
    for (const int frame : {10, 9}) {
        ASSERT_EQ(graph->StepFrameBack(), 1);
        EXPECT_TRUE(WaitFor([&] { return FrameShown(graph, 0) == frame; })) << frame;
    }
    m_player.SeekToMs(0);
    ASSERT_TRUE(WaitFor([&] { return FrameShown(graph, 0) == 0; }));
    EXPECT_EQ(graph->StepFrameBack(), 0);
    ASSERT_TRUE(SUCCEEDED(graph->Run()));
    EXPECT_EQ(graph->StepFrameBack(), 0);  // only while paused
}

TEST_F(PlayGraphTest, OneVideoGraphHasNoRearPicture) {
    CPlayGraph* graph = OpenClip({"--cameras", "1", "--audio", "none"});
    ASSERT_NE(graph, nullptr);
    ASSERT_TRUE(WaitFor([&] { return FrameShown(graph, 0) == 0; }));
    QImage rear;
    EXPECT_EQ(graph->GetCurrentImage(1, &rear), 0);
    m_front.resize(400, 300);
    graph->RepaintViews();  // refits to the new size without disturbing the picture
    EXPECT_EQ(FrameShown(graph, 0), 0);
}

// A packed DIB of the given header fields with pixels numbered row by row as stored.
std::vector<uint8_t> MakeDib(int32_t width, int32_t height, uint16_t bits = 32,
                             uint32_t size = 40) {
    BITMAPINFOHEADER header{};
    header.biSize = size;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = bits;
    const int rows = height < 0 ? -height : height;
    std::vector<uint8_t> dib(sizeof(header) + static_cast<size_t>(std::max(width, 0)) * rows * 4);
    std::memcpy(dib.data(), &header, sizeof(header));
    for (size_t i = sizeof(header), n = 0; i + 3 < dib.size(); i += 4, ++n) {
        dib[i] = static_cast<uint8_t>(n);  // blue: pixel index in storage order
        dib[i + 1] = 0x20;                 // green
        dib[i + 2] = 0x40;                 // red
        dib[i + 3] = 0x00;                 // padding
    }
    return dib;
}

TEST(PackedDib, BottomUpRowsBecomeTopDown) {
    const std::vector<uint8_t> dib = MakeDib(3, 2);
    const QImage image = CPlayGraph::ImageFromPackedDib(dib.data());
    ASSERT_EQ(image.size(), QSize(3, 2));
    // Stored row 0 is the bottom row.
    EXPECT_EQ(image.pixel(0, 1), qRgb(0x40, 0x20, 0));
    EXPECT_EQ(image.pixel(2, 1), qRgb(0x40, 0x20, 2));
    EXPECT_EQ(image.pixel(0, 0), qRgb(0x40, 0x20, 3));
    EXPECT_EQ(qAlpha(image.pixel(1, 0)), 0xFF);

    const std::vector<uint8_t> topDown = MakeDib(3, -2);
    const QImage same = CPlayGraph::ImageFromPackedDib(topDown.data());
    ASSERT_EQ(same.size(), QSize(3, 2));
    EXPECT_EQ(same.pixel(0, 0), qRgb(0x40, 0x20, 0));
}

TEST(PackedDib, HeadersItCannotTakeGiveNoImage) {
    for (const std::vector<uint8_t>& dib :
         {MakeDib(0, 2), MakeDib(-3, 2), MakeDib(3, 0), MakeDib(3, 2, 24), MakeDib(3, 2, 32, 12),
          MakeDib(3, 2, 32, 124)}) {
        EXPECT_TRUE(CPlayGraph::ImageFromPackedDib(dib.data()).isNull());
    }
    EXPECT_TRUE(CPlayGraph::ImageFromPackedDib(nullptr).isNull());
}

}  // namespace

namespace {

TEST_F(PlayGraphTest, TearDownRemovesItsFiltersAndWhateverIsLeftUnconnected) {
    CPlayGraph* graph = OpenClip({"--cameras", "2", "--audio", "aac"});
    ASSERT_NE(graph, nullptr);
    const ComPtr<IGraphBuilder> manager(graph->GraphBuilder());  // outlives the teardown
    const auto loose = CreateComponent<IBaseFilter>(CLSID_BrightnessFilter);
    const auto wiredA = CreateComponent<IBaseFilter>(CLSID_SourceFilter);
    const auto wiredB = CreateComponent<IBaseFilter>(CLSID_VideoDecoder);
    ASSERT_TRUE(loose && wiredA && wiredB);
    ASSERT_EQ(QueryInterface<IFileSourceFilter>(wiredA)->Load(graph->Path(), nullptr), S_OK);
    ASSERT_EQ(manager->AddFilter(loose.Get(), "loose"), S_OK);
    ASSERT_EQ(manager->AddFilter(wiredA.Get(), "wired A"), S_OK);
    ASSERT_EQ(manager->AddFilter(wiredB.Get(), "wired B"), S_OK);
    ComPtr<IPin> out;
    ComPtr<IPin> in;
    ASSERT_EQ(wiredA->FindPin("Video 1", out.ReleaseAndGetAddressOf()), S_OK);
    ASSERT_EQ(wiredB->FindPin("In", in.ReleaseAndGetAddressOf()), S_OK);
    ASSERT_EQ(manager->Connect(out.Get(), in.Get()), S_OK);

    m_player.Release();
    EXPECT_EQ(m_player.Graph(), nullptr);
    // The player's own filters and the unconnected one are gone; a wired pair stays.
    EXPECT_EQ(testgraph::FilterNames(manager.Get()), (QStringList{"wired A", "wired B"}));
}

}  // namespace

namespace {

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

// A power loss leaves the newest recording without its index: it plays, pictures and
// telemetry, from what its healthy sibling tells of the camera; alone it is refused.
TEST_F(PlayGraphTest, CutRecordingPlaysBesideAHealthySiblingAndIsRefusedAlone) {
    const QString first = testsupport::MakeClip(
        m_dir.path(), {"--categories", "normal", "--count", "normal=2", "--length", "2", "--fps",
                       "10", "--frame-code", "--cut", "70"});
    ASSERT_FALSE(first.isEmpty());
    const QDir folder = QFileInfo(first).dir();
    const QStringList names = folder.entryList({"*.mp4"}, QDir::Files, QDir::Name);
    ASSERT_EQ(names.size(), 2);
    const QString cut = folder.filePath(names[1]);
    const QByteArray before = ReadAll(cut);

    m_player.SetReferenceFinder(&RecoveryReferences);
    ASSERT_EQ(m_player.Open(cut), 1);
    CPlayGraph* graph = m_player.Graph();
    EXPECT_EQ(graph->VideoStreamCount(), 2);
    const int64_t durationMs = ToMilliseconds(graph->GetDuration());
    EXPECT_GT(durationMs, 500);
    EXPECT_LT(durationMs, 2000);
    const auto telemetry = QueryInterface<ITelemetrySource>(graph->Source());
    ASSERT_TRUE(telemetry);
    char line[256];
    int length = sizeof line;
    int timeMs = -1;
    ASSERT_EQ(telemetry->ReadTextLine(line, &length, &timeMs), S_OK);
    EXPECT_TRUE(line[0] == 'G' || line[0] == 'M') << line;
    EXPECT_EQ(timeMs, 0);
    ASSERT_TRUE(SUCCEEDED(graph->Run()));
    EXPECT_TRUE(WaitFor([&] { return FrameShown(graph, 0) >= 5 && FrameShown(graph, 1) >= 5; }));
    m_player.Release();
    EXPECT_EQ(ReadAll(cut), before);

    QTemporaryDir lone;
    ASSERT_TRUE(QDir(lone.path()).mkpath("NORMAL"));
    const QString alone = lone.path() + "/NORMAL/" + names[1];
    ASSERT_TRUE(QFile::copy(cut, alone));
    EXPECT_EQ(m_player.Open(alone), 0);
}
