#include "WaveOutVolume.h"

#include <atomic>

namespace platform {
namespace {
std::atomic<uint32_t> g_waveOutVolume{0xFFFFFFFFu};
}

void SetWaveOutVolume(uint32_t leftRight) {
    g_waveOutVolume.store(leftRight);
}
uint32_t GetWaveOutVolume() {
    return g_waveOutVolume.load();
}

}  // namespace platform
