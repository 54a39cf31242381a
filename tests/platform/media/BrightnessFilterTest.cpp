// The brightness filter between a decoder and a renderer.

#include "MediaTestSupport.h"

#include <gtest/gtest.h>

using namespace mediatest;

TEST(BrightnessFilter, ShiftsThePictureLevels) {
    qputenv("ROADPLAYER_AUDIO_DEVICE", "none");
    testsupport::EnsureApp();
    QTemporaryDir dir;
    ClipOptions options;
    options.cameras = 1;
    options.audio = "none";
    const QString clip = MakeClip(dir, options);
    ASSERT_FALSE(clip.isEmpty());

    const auto meanGrey = [](const QImage& image) {
        double sum = 0;
        for (int y = 0; y < image.height() * 8 / 10; y += 2) {  // above the frame-code strip
            for (int x = 0; x < image.width(); x += 2) {
                sum += qGray(image.pixel(x, y));
            }
        }
        return sum / ((image.height() * 8 / 10 + 1) / 2 * ((image.width() + 1) / 2));
    };
    double unchanged = -1;
    const struct {
        LONG level;
        int compare;  // -1 darker than unchanged, 0 same, 1 brighter
    } cases[] = {{0, 0}, {40, 1}, {-40, -1}, {100, 1}, {-100, -1}};
    for (const auto& c : cases) {
        auto graph = CreateComponent<IGraphBuilder>(CLSID_FilterGraph);
        auto source = CreateComponent<IBaseFilter>(CLSID_SourceFilter);
        auto decoder = CreateComponent<IBaseFilter>(CLSID_VideoDecoder);
        auto brightness = CreateComponent<IBaseFilter>(CLSID_BrightnessFilter);
        auto renderer = CreateComponent<IBaseFilter>(CLSID_VideoMixingRenderer);
        ASSERT_TRUE(brightness);
        graph->AddFilter(source.Get(), "source");
        graph->AddFilter(decoder.Get(), "decoder");
        graph->AddFilter(brightness.Get(), "Lumetra Brightness 1");
        graph->AddFilter(renderer.Get(), "renderer");
        ASSERT_EQ(QueryInterface<IFileSourceFilter>(source)->Load(clip, nullptr), S_OK);
        PinList in;
        renderer->EnumPins(&in);
        ASSERT_EQ(graph->Connect(PinByName(source.Get(), "Video 1").Get(),
                                 PinByName(decoder.Get(), "In").Get()),
                  S_OK);
        // Its output offers nothing until its input knows the pictures.
        EXPECT_EQ(graph->Connect(PinByName(brightness.Get(), "XForm Out").Get(), in.front().Get()),
                  VFW_E_NO_ACCEPTABLE_TYPES);
        ASSERT_EQ(graph->Connect(PinByName(decoder.Get(), "Out").Get(),
                                 PinByName(brightness.Get(), "XForm In").Get()),
                  S_OK);
        ASSERT_EQ(graph->Connect(PinByName(brightness.Get(), "XForm Out").Get(), in.front().Get()),
                  S_OK);
        auto control = QueryInterface<IBrightnessControl>(brightness);
        ASSERT_TRUE(control);
        EXPECT_EQ(control->SetBrightness(101), E_INVALIDARG);
        ASSERT_EQ(control->SetBrightness(c.level), S_OK);

        QueryInterface<IMediaControl>(graph)->StopWhenReady();
        OAFilterState state;
        ASSERT_EQ(QueryInterface<IMediaControl>(graph)->GetState(10000, &state), S_OK);
        BYTE* dib = nullptr;
        ASSERT_EQ(QueryInterface<IVMRWindowlessControl>(renderer)->GetCurrentImage(&dib), S_OK);
        const QImage picture = DibToImage(dib);
        CoTaskMemFree(dib);
        const double grey = meanGrey(picture);
        if (c.compare == 0) {
            unchanged = grey;
            continue;
        }
        ASSERT_GE(unchanged, 0);
        if (c.compare > 0) {
            EXPECT_GT(grey, unchanged + 10) << c.level;
        } else {
            EXPECT_LT(grey, unchanged - 10) << c.level;
        }
        if (c.level == -100) {
            EXPECT_LT(grey, 20);
        }
        if (c.level == 100) {
            EXPECT_GT(grey, 235);
        }
    }
}
