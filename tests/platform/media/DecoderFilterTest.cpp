// The decoders: every written frame comes out once, in order; damaged recordings end cleanly;
// the stages of skipped work and the share of the cores.

#include "MediaTestSupport.h"

#include "platform/media/ComObject.h"
#include "platform/media/DecodeQuality.h"

#include <gtest/gtest.h>

#include <QFile>

#include <tuple>
#include <vector>

using namespace mediatest;

namespace {

struct DecodeGraph {
    ComPtr<IGraphBuilder> graph = CreateComponent<IGraphBuilder>(CLSID_FilterGraph);
    ComPtr<IBaseFilter> source = CreateComponent<IBaseFilter>(CLSID_SourceFilter);
    std::vector<ComPtr<FrameCollector>> video;
    ComPtr<FrameCollector> audio;
    HRESULT loaded = E_FAIL;

    explicit DecodeGraph(const QString& path) {
        graph->AddFilter(source.Get(), "source");
        loaded = QueryInterface<IFileSourceFilter>(source)->Load(path, nullptr);
        if (FAILED(loaded)) {
            return;
        }
        for (int i = 1; auto pin = PinByName(source.Get(), QStringLiteral("Video %1").arg(i));
             ++i) {
            auto decoder = CreateComponent<IBaseFilter>(CLSID_VideoDecoder);
            auto sink = MakeCom<FrameCollector>(true);
            graph->AddFilter(decoder.Get(), QStringLiteral("decoder %1").arg(i));
            graph->AddFilter(sink.Get(), QStringLiteral("sink %1").arg(i));
            EXPECT_EQ(graph->Connect(pin.Get(), PinByName(decoder.Get(), "In").Get()), S_OK);
            EXPECT_EQ(graph->Connect(PinByName(decoder.Get(), "Out").Get(),
                                     PinByName(sink.Get(), "In").Get()),
                      S_OK);
            video.push_back(sink);
        }
        if (auto pin = PinByName(source.Get(), "Audio")) {
            auto decoder = CreateComponent<IBaseFilter>(CLSID_AacDecoder);
            audio = MakeCom<FrameCollector>(false);
            graph->AddFilter(decoder.Get(), "audio decoder");
            graph->AddFilter(audio.Get(), "audio sink");
            if (graph->Connect(pin.Get(), PinByName(decoder.Get(), "In").Get()) == S_OK) {
                EXPECT_EQ(graph->Connect(PinByName(decoder.Get(), "Out").Get(),
                                         PinByName(audio.Get(), "In").Get()),
                          S_OK);
            }
        }
    }

    bool RunToEnd(int timeoutMs) {
        EXPECT_TRUE(SUCCEEDED(QueryInterface<IMediaControl>(graph)->Run()));
        bool ended = true;
        for (auto& sink : video) {
            ended = sink->WaitForEnd(timeoutMs) && ended;
        }
        return ended;
    }
};

std::vector<int> Sequence(int count) {
    std::vector<int> numbers(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        numbers[static_cast<size_t>(i)] = i;
    }
    return numbers;
}

}  // namespace

TEST(DecoderFilter, EveryWrittenFrameComesOutInOrder) {
    const struct {
        int cameras;
        const char* container;
        const char* audio;
        int fps;
    } cases[] = {{2, "mp4", "aac", 15}, {1, "mkv", "pcm", 25}, {2, "avi", "none", 10}};
    for (const auto& c : cases) {
        QTemporaryDir dir;
        ClipOptions options;
        options.cameras = c.cameras;
        options.container = c.container;
        options.audio = c.audio;
        options.fps = c.fps;
        const QString clip = MakeClip(dir, options);
        ASSERT_FALSE(clip.isEmpty());
        DecodeGraph decode(clip);
        ASSERT_EQ(decode.loaded, S_OK);
        ASSERT_EQ(static_cast<int>(decode.video.size()), c.cameras);
        ASSERT_TRUE(decode.RunToEnd(60000)) << c.container;
        const int frames = c.fps * options.lengthSeconds;
        for (auto& sink : decode.video) {
            EXPECT_EQ(sink->FrameCodes(), Sequence(frames)) << c.container;
            const auto times = sink->Times();
            ASSERT_EQ(static_cast<int>(times.size()), frames);
            for (int i = 0; i < frames; ++i) {
                const double frame = static_cast<double>(kUnitsPerSecond) / c.fps;
                EXPECT_NEAR(static_cast<double>(times[static_cast<size_t>(i)]), i * frame,
                            frame / 2);
            }
        }
        if (QString(c.audio) == "aac") {
            ASSERT_TRUE(decode.audio);
            ASSERT_TRUE(decode.audio->WaitForEnd(10000));
            // 48 kHz sound over the clip's length, give or take the codec's padding.
            EXPECT_NEAR(static_cast<double>(decode.audio->AudioSamples()),
                        48000.0 * options.lengthSeconds, 4096.0);
        }
    }
}

TEST(DecoderFilter, RecordingCutByPowerLossYieldsWhatIsReadable) {
    for (const char* container : {"mp4", "mkv", "avi"}) {
        QTemporaryDir dir;
        ClipOptions options;
        options.container = container;
        options.lengthSeconds = 3;
        const QString clip = MakeClip(dir, options);
        ASSERT_FALSE(clip.isEmpty());
        QFile file(clip);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        file.close();
        const QString cut = dir.filePath(QStringLiteral("cut.") + container);
        QFile out(cut);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(bytes.left(bytes.size() * 6 / 10));
        out.close();

        DecodeGraph decode(cut);
        if (FAILED(decode.loaded)) {
            continue;  // refused with an error code: also a sound answer
        }
        ASSERT_TRUE(decode.RunToEnd(30000)) << container;
        const int frames = options.fps * options.lengthSeconds;
        for (auto& sink : decode.video) {
            const auto codes = sink->FrameCodes();
            // Pictures come in order; one hit by the cut may repeat its predecessor (the
            // decoder conceals what is missing).
            for (size_t i = 0; i < codes.size(); ++i) {
                EXPECT_GE(codes[i], 0);
                EXPECT_LT(codes[i], frames);
                if (i > 0) {
                    EXPECT_GE(codes[i], codes[i - 1]);
                }
            }
            EXPECT_LE(static_cast<int>(codes.size()), frames);
        }
    }
}

TEST(DecodeQuality, StepsUpWhileBehindAndBackOnceWellAhead) {
    using Stage = DecodeQuality::Stage;
    constexpr REFERENCE_TIME kFrame = kUnitsPerSecond / 30;
    // Runs of packets with the same lead (in frames) at a rate, and the stage after each run.
    const struct {
        const char* what;
        std::vector<std::tuple<int, double, double, Stage>> runs;  // packets, lead, rate, stage
    } cases[] = {
        {"keeping up at 1x", {{200, 7, 1.0, Stage::Full}}},
        {"keeping up at 2x", {{200, 7, 2.0, Stage::NoLoopFilter}}},
        {"one step per eight packets behind",
         {{7, 1, 1.0, Stage::Full},
          {1, 1, 1.0, Stage::NoLoopFilter},
          {8, -2, 1.0, Stage::NoNonReference},
          {100, -5, 1.0, Stage::NoNonReference}}},
        {"two seconds well ahead per step down",
         {{16, 0, 1.0, Stage::NoNonReference},
          {59, 6, 1.0, Stage::NoNonReference},
          {1, 6, 1.0, Stage::NoLoopFilter},
          {60, 6, 1.0, Stage::Full}}},
        {"a lead between the marks holds the stage and restarts the count",
         {{8, 2, 1.0, Stage::NoLoopFilter},
          {50, 6, 1.0, Stage::NoLoopFilter},
          {1, 4, 1.0, Stage::NoLoopFilter},
          {59, 6, 1.0, Stage::NoLoopFilter},
          {1, 6, 1.0, Stage::Full}}},
        {"at 2x the loop filter stays off",
         {{16, 0, 2.0, Stage::NoNonReference}, {200, 7, 2.0, Stage::NoLoopFilter}}},
    };
    for (const auto& c : cases) {
        DecodeQuality quality;
        EXPECT_EQ(quality.Standing(std::get<2>(c.runs.front())),
                  std::get<2>(c.runs.front()) > 1.0 ? Stage::NoLoopFilter : Stage::Full);
        for (const auto& [packets, lead, rate, stage] : c.runs) {
            Stage now = quality.Current();
            for (int i = 0; i < packets; ++i) {
                now = quality.Update(static_cast<REFERENCE_TIME>(lead * kFrame), kFrame, rate);
            }
            EXPECT_EQ(now, stage) << c.what;
        }
        EXPECT_EQ(quality.Standing(1.0), Stage::Full) << c.what;
    }
}

TEST(DecodeQuality, CoresAreSharedByThePixelsEachStreamAsksFor) {
    constexpr double k4K = 3840.0 * 2160 * 30;
    constexpr double k1080 = 1920.0 * 1080 * 30;
    constexpr double k720 = 1280.0 * 720 * 30;
    constexpr double k360 = 640.0 * 360 * 30;
    const struct {
        std::vector<double> rates;
        int cores;
        std::vector<int> threads;
        std::vector<bool> background;
    } cases[] = {
        {{k4K, k1080}, 2, {2, 1}, {false, true}},
        {{k1080, k1080}, 2, {1, 1}, {false, false}},
        {{k720, 0, k360}, 2, {2, 0, 1}, {false, false, true}},
        {{k4K, k1080}, 8, {6, 2}, {false, true}},
        {{k1080}, 1, {1}, {false}},
        {{0}, 4, {0}, {false}},
    };
    for (const auto& c : cases) {
        const auto shares = DecodeQuality::ShareCores(c.rates, c.cores);
        ASSERT_EQ(shares.size(), c.rates.size());
        for (size_t i = 0; i < shares.size(); ++i) {
            EXPECT_EQ(shares[i].threads, c.threads[i]) << c.cores << " cores, stream " << i;
            EXPECT_EQ(shares[i].background, c.background[i]) << c.cores << " cores, stream " << i;
        }
    }
}
