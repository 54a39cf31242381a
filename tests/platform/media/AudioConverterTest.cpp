// Sound of any decoded layout turned into the device's 48 kHz stereo, stretched to the rate.

#include "platform/media/AudioConverter.h"

#include "platform/media/AudioOutput.h"

extern "C" {
#include <libavutil/channel_layout.h>
}

#include <gtest/gtest.h>

#include <cmath>

using namespace platform::media;

namespace {

// A frame of a 440 Hz tone at half scale.
FramePtr ToneFrame(AVSampleFormat format, int sampleRate, int channels, int samples) {
    FramePtr frame(av_frame_alloc());
    frame->format = format;
    frame->sample_rate = sampleRate;
    frame->nb_samples = samples;
    av_channel_layout_default(&frame->ch_layout, channels);
    if (av_frame_get_buffer(frame.get(), 0) < 0) {
        return nullptr;
    }
    const bool planar = av_sample_fmt_is_planar(format) != 0;
    for (int i = 0; i < samples; ++i) {
        const double value = 0.5 * std::sin(2 * M_PI * 440.0 * i / sampleRate);
        for (int ch = 0; ch < channels; ++ch) {
            const int plane = planar ? ch : 0;
            const int index = planar ? i : i * channels + ch;
            if (format == AV_SAMPLE_FMT_S16 || format == AV_SAMPLE_FMT_S16P) {
                reinterpret_cast<int16_t*>(frame->data[plane])[index] =
                    static_cast<int16_t>(value * 32767);
            } else {
                reinterpret_cast<float*>(frame->data[plane])[index] = static_cast<float>(value);
            }
        }
    }
    return frame;
}

TEST(AudioConverter, AnyLayoutBecomesDeviceStereoStretchedToTheRate) {
    const struct {
        AVSampleFormat format;
        int sampleRate;
        int channels;
        double rate;
    } cases[] = {
        {AV_SAMPLE_FMT_FLTP, 48000, 2, 1.0},  // AAC's own output
        {AV_SAMPLE_FMT_S16, 44100, 1, 1.0},   // PCM mono at another rate
        {AV_SAMPLE_FMT_FLTP, 48000, 6, 1.0},  // 5.1 mixed down
        {AV_SAMPLE_FMT_FLTP, 48000, 2, 2.0},  // twice as fast: half the sound
        {AV_SAMPLE_FMT_S16P, 32000, 2, 0.5},  // half as fast: twice the sound
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << av_get_sample_fmt_name(c.format) << " " << c.sampleRate
                                        << " Hz x" << c.channels << " at " << c.rate);
        AudioConverter converter;
        std::vector<int16_t> out;
        const int perFrame = c.sampleRate / 10;
        for (int i = 0; i < 20; ++i) {  // two seconds
            const FramePtr frame = ToneFrame(c.format, c.sampleRate, c.channels, perFrame);
            ASSERT_TRUE(frame);
            ASSERT_TRUE(converter.Convert(frame.get(), c.rate, &out));
        }
        ASSERT_EQ(out.size() % AudioOutput::kChannels, 0u);
        const double seconds =
            static_cast<double>(out.size() / AudioOutput::kChannels) / AudioOutput::kSampleRate;
        // The tempo filter holds back a little at the end.
        EXPECT_NEAR(seconds, 2.0 / c.rate, 0.15 / c.rate);
        // Still a tone near half scale on both sides, not silence or noise.
        double left = 0;
        double right = 0;
        for (size_t i = 0; i + 1 < out.size(); i += 2) {
            left = std::max(left, std::abs(out[i] / 32768.0));
            right = std::max(right, std::abs(out[i + 1] / 32768.0));
        }
        EXPECT_GT(left, 0.2);
        EXPECT_LT(left, 0.8);
        EXPECT_GT(right, 0.2);
    }
}

TEST(AudioConverter, SoundItCannotTakeIsRefusedAndTheNextIsTaken) {
    AudioConverter converter;
    std::vector<int16_t> out;
    const FramePtr broken = ToneFrame(AV_SAMPLE_FMT_S16, 48000, 2, 480);
    ASSERT_TRUE(broken);
    broken->sample_rate = 0;
    EXPECT_FALSE(converter.Convert(broken.get(), 1.0, &out));
    EXPECT_TRUE(out.empty());
    const FramePtr good = ToneFrame(AV_SAMPLE_FMT_S16, 48000, 2, 4800);
    ASSERT_TRUE(good);
    EXPECT_TRUE(converter.Convert(good.get(), 1.0, &out));
}

}  // namespace
