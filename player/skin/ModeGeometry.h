#pragma once
// A control's placement for one window mode, with the one-shot show and enable requests that
// window code sets before applying the mode. Plain value.

#include "player/skin/SkinGeometry.h"

#include <cstdint>

namespace player {

struct ModeGeometry {
    uint32_t anchorFlags = 0;  // 0 places like left + top
    SkinRect rect;             // 0, 0, 0, 0 unless the skin gives it
    int32_t showRequest = 0;   // 0 off, nonzero on; reset by every apply
    int32_t enableRequest = 0;
};

}  // namespace player
