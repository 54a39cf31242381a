#include "tools/make-sample-card/EngineSound.h"

#include <cmath>
#include <random>

namespace samplecard {

namespace {

constexpr double kTwoPi = 6.28318530717958647692;
constexpr double kToneAmplitude = 0.5;
constexpr double kIdleFiringHz = 26.0;  // a four-cylinder engine at idle
constexpr double kFiringHzPerKmh = 0.9;
constexpr int kHarmonics = 6;
constexpr std::size_t kSamplesPerBlock = 480;  // the speed changes slowly: look it up every 10 ms

}  // namespace

std::vector<float> SynthesizeAudio(const std::vector<DriveSample>& drive, int lengthSeconds,
                                   double toneHz, int seed) {
    const std::size_t count = static_cast<std::size_t>(lengthSeconds) * kAudioSampleRate;
    std::vector<float> out(count);
    if (toneHz > 0.0) {
        for (std::size_t i = 0; i < count; ++i) {
            out[i] = static_cast<float>(
                kToneAmplitude *
                std::sin(kTwoPi * toneHz * static_cast<double>(i) / kAudioSampleRate));
        }
        return out;
    }
    std::mt19937 random(static_cast<std::uint32_t>(seed));
    std::uniform_real_distribution<double> white(-1.0, 1.0);
    double phase = 0.0;
    double rumble = 0.0;
    double speed = 0.0;
    for (std::size_t i = 0; i < count; ++i) {
        const double timeS = static_cast<double>(i) / kAudioSampleRate;
        if (i % kSamplesPerBlock == 0) {
            speed = SampleAt(drive, timeS).speedKmh;
        }
        // A parked car's engine is off: only the faint hum of the street is left.
        const double engineLevel = speed > 0.5 ? 1.0 : 0.0;
        const double firingHz = kIdleFiringHz + kFiringHzPerKmh * speed;
        phase = std::fmod(phase + kTwoPi * firingHz / kAudioSampleRate, kTwoPi * 2.0);
        // Harmonics k of one angle by the Chebyshev recurrence: two sines instead of six.
        const double angle = phase + 0.7;
        const double twoCos = 2.0 * std::cos(angle);
        double previous = 0.0;
        double current = std::sin(angle);
        double engine = 0.0;
        for (int k = 1; k <= kHarmonics; ++k) {
            engine += current / k;
            const double next = twoCos * current - previous;
            previous = current;
            current = next;
        }
        engine *= 0.75 + 0.25 * std::sin(phase / 2.0);  // uneven firing
        // Low-passed noise for tyres and wind, louder with speed.
        rumble += (white(random) - rumble) * 0.05;
        const double road = rumble * (0.15 + speed / 120.0);
        out[i] =
            static_cast<float>(0.22 * engineLevel * engine + road * 0.9 + 0.01 * white(random));
    }
    return out;
}

}  // namespace samplecard
