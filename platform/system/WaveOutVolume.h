#pragma once
// The process-wide wave-out volume: low word left, high word right, each 0..0xFFFF.
// Set by the player's volume slider, read by the audio renderer. Any thread may call.

#include <cstdint>

namespace platform {

void SetWaveOutVolume(uint32_t leftRight);
uint32_t GetWaveOutVolume();  // 0xFFFFFFFF (both full) until set

}  // namespace platform
