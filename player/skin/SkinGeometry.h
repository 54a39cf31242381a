#pragma once
// Skin rectangles and their placement inside a parent (ResolveRect). Any thread.

#include <cstdint>

namespace player {

// A width or height of kFullExtent means the parent's full extent.
inline constexpr int32_t kFullExtent = 65536;

struct SkinRect {
    int32_t x = 0;
    int32_t y = 0;
    int32_t w = 0;
    int32_t h = 0;
    friend bool operator==(const SkinRect&, const SkinRect&) = default;
};

inline constexpr SkinRect kFullSkinRect{0, 0, kFullExtent, kFullExtent};

// Places rect inside a parent of parentW x parentH by the anchor flags (StyleWords.h).
// 32-bit signed arithmetic, division truncating toward zero; results wrap as 32-bit values.
SkinRect ResolveRect(const SkinRect& rect, int32_t parentW, int32_t parentH, uint32_t anchorFlags);

}  // namespace player
