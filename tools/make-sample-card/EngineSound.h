#pragma once
// Synthesises a recording's sound: an engine whose pitch follows the speed, with road noise,
// or a pure test tone. Any thread.

#include "tools/make-sample-card/DriveModel.h"

#include <vector>

namespace samplecard {

inline constexpr int kAudioSampleRate = 48000;

// Mono samples in [-1, 1] for lengthSeconds; toneHz > 0 gives a sine of that frequency.
std::vector<float> SynthesizeAudio(const std::vector<DriveSample>& drive, int lengthSeconds,
                                   double toneHz, int seed);

}  // namespace samplecard
