// The audio renderer on a real sound server: a 1 kHz tone reaches the sink's monitor, keeps
// its pitch at double rate, and volume 0 silences it. Needs the PulseAudio null sink that the
// test scripts start; skipped (with the reason) when no server answers.

#include "MediaTestSupport.h"

#include "platform/system/WaveOutVolume.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>

#include <cmath>
#include <numbers>

using namespace mediatest;

namespace {

constexpr char kMonitor[] = "roadplayer_null.monitor";
constexpr char kDefaultRuntime[] = "/tmp/roadplayer-pulse";
constexpr int kRate = 48000;

bool ServerAnswers() {
    return RunTool(QStringLiteral("pactl"), {QStringLiteral("info")}).exitCode == 0;
}

// Mean power of one frequency over 20 ms blocks (Goertzel); a pure tone's equals its RMS
// squared. Blocks keep a rare phase step (a resynchronisation) from cancelling the sum.
double PowerAt(const std::vector<int16_t>& samples, double hz) {
    constexpr size_t kBlock = kRate / 50;
    const double coefficient = 2.0 * std::cos(2.0 * std::numbers::pi * hz / kRate);
    double total = 0;
    size_t blocks = 0;
    for (size_t begin = 0; begin + kBlock <= samples.size(); begin += kBlock, ++blocks) {
        double s1 = 0;
        double s2 = 0;
        for (size_t i = begin; i < begin + kBlock; ++i) {
            const double s0 = samples[i] + coefficient * s1 - s2;
            s2 = s1;
            s1 = s0;
        }
        total += (s1 * s1 + s2 * s2 - coefficient * s1 * s2) * 2.0 /
                 (static_cast<double>(kBlock) * kBlock);
    }
    return blocks == 0 ? 0.0 : total / static_cast<double>(blocks);
}

double Rms(const std::vector<int16_t>& samples) {
    double sum = 0;
    for (const int16_t sample : samples) {
        sum += static_cast<double>(sample) * sample;
    }
    return samples.empty() ? 0.0 : std::sqrt(sum / static_cast<double>(samples.size()));
}

// Records the monitor of the null sink into a file for as long as it lives.
class MonitorRecorder {
public:
    explicit MonitorRecorder(const QString& file)
        : m_file(file),
          m_parec(QStringLiteral("parec"),
                  {QStringLiteral("-d"), QString::fromLatin1(kMonitor),
                   QStringLiteral("--format=s16le"), QStringLiteral("--rate=48000"),
                   QStringLiteral("--channels=1"), QStringLiteral("--raw"),
                   QStringLiteral("--latency-msec=20")},
                  file) {}
    bool WaitRecording() {
        return m_parec.Running() && WaitFor([&] { return Size() > 0; }, 5000);
    }
    qint64 Size() const { return QFileInfo(m_file).size() / 2; }
    // The samples recorded while the event loop runs for ms.
    std::vector<int16_t> Record(int ms) {
        const qint64 from = Size();
        Pump(ms);
        const qint64 to = Size();
        QFile file(m_file);
        if (!file.open(QIODevice::ReadOnly) || !file.seek(from * 2)) {
            return {};
        }
        const QByteArray bytes = file.read((to - from) * 2);
        std::vector<int16_t> samples(static_cast<size_t>(bytes.size()) / 2);
        std::memcpy(samples.data(), bytes.constData(), samples.size() * 2);
        return samples;
    }

private:
    QString m_file;
    BackgroundTool m_parec;
};

}  // namespace

TEST(AudioRenderer, PlaysTheToneOnTheSoundServer) {
    if (qEnvironmentVariableIsEmpty("PULSE_RUNTIME_PATH")) {
        qputenv("PULSE_RUNTIME_PATH", kDefaultRuntime);
    }
    qunsetenv("ROADPLAYER_AUDIO_DEVICE");
    if (!ServerAnswers()) {
        GTEST_SKIP() << "no PulseAudio server answers (scripts/start-services.sh starts one)";
    }
    testsupport::EnsureApp();
    QTemporaryDir dir;
    ClipOptions options;
    options.cameras = 1;
    options.lengthSeconds = 8;
    options.toneHz = 1000;
    options.size = "160x90";
    const QString clip = MakeClip(dir, options);
    ASSERT_FALSE(clip.isEmpty());
    PlaybackGraph graph;
    ASSERT_TRUE(graph.Build(clip, QSize(160, 90)));
    ASSERT_TRUE(graph.audioRenderer);
    auto audio = QueryInterface<IBasicAudio>(graph.graph);

    const struct {
        double rate;
        LONG volume;
        uint32_t waveOut;
        bool audible;
    } cases[] = {{1.0, 0, 0xFFFFFFFF, true},
                 {2.0, 0, 0xFFFFFFFF, true},
                 {1.0, -10000, 0xFFFFFFFF, false},
                 {1.0, 0, 0x00000000, false}};
    MonitorRecorder recorder(dir.filePath("monitor.raw"));
    ASSERT_TRUE(recorder.WaitRecording());
    for (const auto& c : cases) {
        ASSERT_EQ(graph.Seek(500 * kMs), S_OK);
        ASSERT_EQ(graph.seeking->SetRate(c.rate), S_OK);
        ASSERT_EQ(audio->put_Volume(c.volume), S_OK);
        platform::SetWaveOutVolume(c.waveOut);
        graph.control->Run();
        ASSERT_TRUE(graph.WaitCued());
        ASSERT_TRUE(graph.Stats(graph.audioRenderer).deviceActive);
        Pump(400);  // what was queued before the change has played out
        const std::vector<int16_t> recorded = recorder.Record(1000);
        graph.control->Pause();
        ASSERT_GT(recorded.size(), static_cast<size_t>(kRate / 2));
        const double rms = Rms(recorded);
        if (!c.audible) {
            EXPECT_LT(rms, 30.0) << "volume " << c.volume << " wave-out " << c.waveOut;
            continue;
        }
        EXPECT_GT(rms, 500.0) << c.rate;
        // Nearly all the power is at 1 kHz, none at the doubled pitch.
        const double tone = PowerAt(recorded, 1000.0);
        EXPECT_GT(tone, rms * rms * 0.8) << c.rate;
        EXPECT_LT(PowerAt(recorded, 2000.0), tone * 0.05) << c.rate;
        EXPECT_LT(PowerAt(recorded, 500.0), tone * 0.05) << c.rate;
        if (c.rate == 1.0) {
            // The picture shown and the sound heard stay within one frame of each other. A
            // sample whose picture changed while it was taken is taken again.
            graph.control->Run();
            Pump(200);
            int taken = 0;
            for (int i = 0; i < 60 && taken < 20; ++i) {
                Pump(37);
                const RendererStats video = graph.Stats(graph.renderers[0]);
                const RendererStats sound = graph.Stats(graph.audioRenderer);
                if (graph.Stats(graph.renderers[0]).lastSampleTime != video.lastSampleTime) {
                    continue;
                }
                ++taken;
                EXPECT_LE(std::llabs(video.lastSampleTime - sound.lastSampleTime),
                          kUnitsPerSecond / 15)
                    << i;
            }
            EXPECT_EQ(taken, 20);
            graph.control->Pause();
        }
    }
    platform::SetWaveOutVolume(0xFFFFFFFF);
}
