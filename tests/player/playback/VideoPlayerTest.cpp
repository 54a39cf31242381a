#include "player/playback/VideoPlayer.h"

#include "GraphQueries.h"
#include "platform/media/ComponentRegistry.h"
#include "platform/system/SettingsStore.h"
#include "tests/support/Clips.h"
#include "tests/support/TestApp.h"

#include <QFile>
#include <QWidget>

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using namespace player;

using namespace platform::media;
using testgraph::FilterNames;
using testgraph::Links;

class VideoPlayerTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        qputenv("ROADPLAYER_REGISTRY_DIR", (m_dir.path() + "/registry").toUtf8());
        m_front.resize(320, 180);
        m_rear.resize(160, 90);
    }

    QString Clip(const QStringList& options) {
        return testsupport::MakeClip(m_dir.path(), options + QStringList{"--length", "2"});
    }

    testsupport::AppFirst m_application;
    QTemporaryDir m_dir;
    QWidget m_front;
    QWidget m_rear;
};

TEST_F(VideoPlayerTest, ConstructionWritesUsingDShowToMachineScope) {
    CVideoPlayer player;
    EXPECT_EQ(platform::ReadRegistryDword(platform::RegistryScope::Machine, "SOFTWARE\\Lumetra",
                                          "usingDShow"),
              1u);
    EXPECT_EQ(player.Graph(), nullptr);
    EXPECT_EQ(player.ViewCount(), 0);
}

TEST_F(VideoPlayerTest, UnwritableMachineScopeIsSkippedSilently) {
    QFile blocker(m_dir.path() + "/file");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    qputenv("ROADPLAYER_REGISTRY_DIR", (m_dir.path() + "/file/registry").toUtf8());
    CVideoPlayer player;
    player.AttachViews(&m_front, &m_rear);
    EXPECT_FALSE(platform::ReadRegistryDword(platform::RegistryScope::Machine, "SOFTWARE\\Lumetra",
                                             "usingDShow"));
    ASSERT_NE(player.Graph(), nullptr);
}

TEST_F(VideoPlayerTest, CheckComponentsNamesTheFirstMissingOne) {
    struct Case {
        const char* name;
        const CLSID* disabled;
        bool attach;
        int expected;
    };
    const Case cases[] = {
        {"all present", nullptr, true, CVideoPlayer::kComponentsComplete},
        {"no views yet", nullptr, false, CVideoPlayer::kNoSourceFilter},
        {"source", &CLSID_SourceFilter, true, CVideoPlayer::kNoSourceFilter},
        {"video decoder", &CLSID_VideoDecoder, true, CVideoPlayer::kNoVideoDecoder},
        {"aac decoder", &CLSID_AacDecoder, true, CVideoPlayer::kNoAacDecoder},
        {"brightness", &CLSID_BrightnessFilter, true, CVideoPlayer::kNoBrightnessFilter},
    };
    for (const Case& c : cases) {
        if (c.disabled != nullptr) {
            ASSERT_TRUE(SetComponentDisabled(*c.disabled, true)) << c.name;
        }
        CVideoPlayer player;
        if (c.attach) {
            player.AttachViews(&m_front, &m_rear);
        }
        EXPECT_EQ(player.CheckComponents(), c.expected) << c.name;
        if (c.disabled != nullptr) {
            SetComponentDisabled(*c.disabled, false);
        }
    }
}

TEST_F(VideoPlayerTest, OpenBuildsTheGraphForEachCameraAndAudioKind) {
    const QString src = CPlayGraph::kSourceName;
    struct Case {
        QStringList options;
        int videoCount;
        QStringList filters;
        QStringList links;
    };
    const Case cases[] = {
        {{"--cameras", "1", "--audio", "pcm"},
         1,
         {"DAZuvevaDidudIdovez", "DirectSound Audio Renderer", "FFDShow Decoder1",
          "Mixing Renderer9"},
         {src + ":Audio -> DirectSound Audio Renderer", src + ":Video 1 -> FFDShow Decoder1",
          "FFDShow Decoder1:* -> Mixing Renderer9"}},
        {{"--cameras", "1", "--audio", "aac"},
         1,
         {"COREAAC AUDIO", "DAZuvevaDidudIdovez", "DirectSound Audio Renderer", "FFDShow Decoder1",
          "Mixing Renderer9"},
         {"COREAAC AUDIO:* -> DirectSound Audio Renderer", src + ":Audio -> COREAAC AUDIO",
          src + ":Video 1 -> FFDShow Decoder1", "FFDShow Decoder1:* -> Mixing Renderer9"}},
        {{"--cameras", "2", "--audio", "none"},
         2,
         {"DAZuvevaDidudIdovez", "FFDShow Decoder1", "FFDShow Decoder2", "Mixing Renderer9-1",
          "Mixing Renderer9-2"},
         {src + ":Video 1 -> FFDShow Decoder1", src + ":Video 2 -> FFDShow Decoder2",
          "FFDShow Decoder1:* -> Mixing Renderer9-1", "FFDShow Decoder2:* -> Mixing Renderer9-2"}},
        {{"--cameras", "2", "--audio", "aac"},
         2,
         {"CoreAAC Decoder", "DAZuvevaDidudIdovez", "DirectSound Audio Renderer",
          "FFDShow Decoder1", "FFDShow Decoder2", "Mixing Renderer9-1", "Mixing Renderer9-2"},
         {"CoreAAC Decoder:* -> DirectSound Audio Renderer", src + ":Audio -> CoreAAC Decoder",
          src + ":Video 1 -> FFDShow Decoder1", src + ":Video 2 -> FFDShow Decoder2",
          "FFDShow Decoder1:* -> Mixing Renderer9-1", "FFDShow Decoder2:* -> Mixing Renderer9-2"}},
    };
    for (const Case& c : cases) {
        const QString clip = Clip(c.options);
        ASSERT_FALSE(clip.isEmpty()) << c.options.join(' ').toStdString();
        CVideoPlayer player;
        player.AttachViews(&m_front, &m_rear);
        ASSERT_EQ(player.Open(clip), 1);
        CPlayGraph* graph = player.Graph();
        ASSERT_NE(graph, nullptr);
        EXPECT_EQ(graph->VideoStreamCount(), c.videoCount);
        EXPECT_EQ(graph->State(), GraphState::Stopped);
        EXPECT_TRUE(graph->IsBuilt());
        EXPECT_NEAR(static_cast<double>(player.GetDurationMs()), 2000.0, 100.0);
        EXPECT_EQ(FilterNames(graph->GraphBuilder()), c.filters);
        // Decoder output pins are named by the engine; only where they lead matters.
        QStringList links;
        for (const QString& link : Links(graph->GraphBuilder())) {
            const bool fromDecoder = link.startsWith("FFDShow") || link.startsWith("CoreAAC") ||
                                     link.startsWith("COREAAC");
            links << (fromDecoder ? link.section(':', 0, 0) + ":* -> " + link.section(" -> ", 1)
                                  : link);
        }
        QStringList expected = c.links;
        expected.sort();
        EXPECT_EQ(links, expected) << c.options.join(' ').toStdString();
    }
}

TEST_F(VideoPlayerTest, SourcesWithoutOneOrTwoVideoStreamsGetNoDecoders) {
    const QString clip = Clip({"--cameras", "2", "--audio", "aac"});
    ASSERT_FALSE(clip.isEmpty());
    // Streams of the clip: 0 front, 1 rear, 2 sound, 3 telemetry.
    const QString none = m_dir.path() + "/none.mp4";
    const QString three = m_dir.path() + "/three.mp4";
    ASSERT_TRUE(testsupport::Remux(clip, none, {2, 3}));
    ASSERT_TRUE(testsupport::Remux(clip, three, {0, 1, 0, 2}));
    for (const auto& [path, count] : {std::pair{none, 0}, std::pair{three, 3}}) {
        CVideoPlayer player;
        player.AttachViews(&m_front, &m_rear);
        EXPECT_EQ(player.Open(path), 1) << count;
        ASSERT_NE(player.Graph(), nullptr);
        EXPECT_EQ(player.Graph()->VideoStreamCount(), count);
        EXPECT_EQ(FilterNames(player.Graph()->GraphBuilder()), QStringList{"DAZuvevaDidudIdovez"});
        EXPECT_FALSE(player.Graph()->IsBuilt());
    }
}

TEST_F(VideoPlayerTest, RefusedFilesAndMissingViewsFailTheOpen) {
    QFile junk(m_dir.path() + "/junk.mp4");
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write(QByteArray(4096, '\x5a'));
    junk.close();
    const QString clip = Clip({"--cameras", "1"});

    CVideoPlayer player;
    EXPECT_EQ(player.Open(clip), 0);  // no views yet
    player.AttachViews(&m_front, &m_rear);
    EXPECT_EQ(player.Open(QString()), 0);
    EXPECT_EQ(player.Open(junk.fileName()), 0);
    EXPECT_EQ(player.Graph(), nullptr);
    EXPECT_EQ(player.Open(m_dir.path() + "/missing.mp4"), 0);
    EXPECT_EQ(player.GetDurationMs(), 0u);

    ASSERT_EQ(player.Open(clip), 1);
    EXPECT_GT(player.GetDurationMs(), 0u);
    player.Release();
    player.Release();
    EXPECT_EQ(player.Graph(), nullptr);
    EXPECT_EQ(player.GetDurationMs(), 0u);
}

TEST_F(VideoPlayerTest, RelativeSeeksClampToTheRecording) {
    const QString clip = Clip({"--cameras", "1", "--audio", "none"});
    CVideoPlayer player;
    player.AttachViews(&m_front, &m_rear);
    ASSERT_EQ(player.Open(clip), 1);
    CPlayGraph* graph = player.Graph();
    const int64_t durationMs = static_cast<int64_t>(player.GetDurationMs());

    // Stopped: relative seeks do nothing.
    player.SeekToMs(800);
    player.SeekBack(1.0);
    EXPECT_EQ(graph->GetPositionMs(), 800);

    ASSERT_TRUE(SUCCEEDED(graph->Run()));
    ASSERT_TRUE(SUCCEEDED(graph->Pause()));
    struct Case {
        int startMs;
        bool forward;
        double seconds;
        int64_t expectedMs;
    };
    for (const Case c :
         {Case{400, false, 1.0, 0}, Case{static_cast<int>(durationMs) - 600, true, 1.0, durationMs},
          Case{1500, false, 1.0, 500}, Case{200, true, 1.0, 1200}, Case{0, false, 0.5, 0}}) {
        player.SeekToMs(c.startMs);
        c.forward ? player.SeekForward(c.seconds) : player.SeekBack(c.seconds);
        EXPECT_EQ(graph->GetPositionMs(), c.expectedMs) << c.startMs << (c.forward ? " +" : " -");
    }
}

TEST_F(VideoPlayerTest, SetRatePausesStoresAndRunsAgainOnlyWhenRunning) {
    const QString clip = Clip({"--cameras", "1", "--audio", "none"});
    CVideoPlayer player;
    player.AttachViews(&m_front, &m_rear);
    ASSERT_EQ(player.Open(clip), 1);
    CPlayGraph* graph = player.Graph();
    const auto seeking = QueryInterface<IMediaSeeking>(
        static_cast<IUnknown*>(static_cast<IGraphBuilder*>(graph->GraphBuilder())));
    ASSERT_TRUE(seeking);

    ASSERT_TRUE(SUCCEEDED(graph->Run()));
    player.SetRate(0.25f);
    EXPECT_EQ(graph->State(), GraphState::Running);
    EXPECT_EQ(graph->Rate(), 0.5f);
    double rate = 0;
    seeking->GetRate(&rate);
    EXPECT_EQ(rate, 0.5);

    ASSERT_TRUE(SUCCEEDED(graph->Pause()));
    player.SetRate(2.0f);
    EXPECT_EQ(graph->State(), GraphState::Paused);
    EXPECT_EQ(graph->Rate(), 2.0f);
    seeking->GetRate(&rate);
    EXPECT_EQ(rate, 0.5);  // applied only at the next Run
    ASSERT_TRUE(SUCCEEDED(graph->Run()));
    seeking->GetRate(&rate);
    EXPECT_EQ(rate, 2.0);
}

}  // namespace
