#include "player/shell/WindowSize.h"

namespace player {

namespace {

constexpr int32_t kRealWidth = 1280;
constexpr int32_t kRealHeight = 720;
constexpr int32_t kBarsHeight = 144;
constexpr int32_t kTopOffset = 49;

// Centres w x h on the screen, cut to it where it does not fit.
SkinRect Centre(int32_t cx, int32_t cy, int32_t w, int32_t h) {
    SkinRect r{0, 0, w, h};
    if (cx >= w) {
        r.x = (cx - w) / 2;
    } else {
        r.w = cx;
    }
    if (cy >= h) {
        r.y = (cy - h - kBarsHeight) / 2 + kTopOffset;
    } else {
        r.h = cy;
    }
    return r;
}

}  // namespace

SkinRect RealSizeVideoRect(QSize screen) {
    const int32_t cx = screen.width();
    const int32_t cy = screen.height();
    int32_t w = kRealWidth;
    int32_t h = kRealHeight;
    if (cy < kRealHeight + kBarsHeight) {
        h = cy - kBarsHeight;
        w = h * 16 / 9;
    }
    return Centre(cx, cy, w, h);
}

SkinRect MaximisedVideoRect(QSize screen) {
    const int32_t cx = screen.width();
    const int32_t cy = screen.height();
    int32_t w = cx;
    int32_t h = cx * 9 / 16;
    if (cy < h + kBarsHeight) {
        h = cy - kBarsHeight;
        w = h * 16 / 9;
    }
    return Centre(cx, cy, w, h);
}

}  // namespace player
