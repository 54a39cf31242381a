#include "player/skin/SkinGeometry.h"

#include "player/skin/StyleWords.h"

namespace player {

namespace {

// Products are taken in 64 bits and wrapped back, which is what 32-bit code computes without
// the undefined behaviour of a signed overflow.
int32_t Wrap(int64_t value) {
    return static_cast<int32_t>(static_cast<uint32_t>(value));
}

int32_t Percent(int32_t value, int32_t of) {
    return Wrap(int64_t{value} * of / 100);
}

}  // namespace

SkinRect ResolveRect(const SkinRect& rect, int32_t parentW, int32_t parentH, uint32_t anchorFlags) {
    SkinRect out = rect;
    if (anchorFlags & kAnchorPercent) {
        out.x = Percent(rect.x, parentW);
        out.y = Percent(rect.y, parentH);
        out.w = Percent(rect.w, parentW);
        out.h = Percent(rect.h, parentH);
    } else if (anchorFlags & kAnchorWRatio) {
        out.w = Percent(rect.w, parentW);
        out.h = Percent(rect.h, out.w);
        out.x = Wrap((int64_t{parentW} - out.w) / 2);
        out.y = Wrap((int64_t{parentH} - out.h) / 2);
    } else if (anchorFlags & kAnchorHRatio) {
        out.h = Percent(rect.h, parentH);
        out.w = Percent(rect.w, out.h);
        out.x = Wrap((int64_t{parentW} - out.w) / 2);
        out.y = Wrap((int64_t{parentH} - out.h) / 2);
    } else {
        if (anchorFlags & kAnchorCenter) {
            out.x = Wrap(int64_t{out.x} + parentW / 2);
        }
        if (anchorFlags & kAnchorRight) {
            out.x = Wrap(int64_t{parentW} - out.x);
        }
        if (anchorFlags & kAnchorMiddle) {
            out.y = Wrap(int64_t{out.y} + parentH / 2);
        }
        if (anchorFlags & kAnchorBottom) {
            out.y = Wrap(int64_t{parentH} - out.y);
        }
        if (out.w == kFullExtent) {
            out.w = parentW;
        }
        if (out.h == kFullExtent) {
            out.h = parentH;
        }
    }
    return out;
}

}  // namespace player
