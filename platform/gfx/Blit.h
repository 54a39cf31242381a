#pragma once
// Pixel copies between memory contexts: BitBlt, StretchBlt and TransparentBlt of msimg32.
// Copies are clipped to both bitmaps; a negative or zero size copies nothing. GUI thread only.

#include "platform/gfx/Dc.h"

namespace platform::gfx {

// Copies w x h pixels from (sx, sy) of src to (x, y) of dst. src may be dst.
bool BitBlt(Dc& dst, int x, int y, int w, int h, const Dc& src, int sx, int sy);

// Copies the source rectangle scaled to the destination rectangle (nearest pixel).
bool StretchBlt(Dc& dst, int x, int y, int w, int h, const Dc& src, int sx, int sy, int sw, int sh);

// As StretchBlt, but source pixels whose colour is exactly key are left out.
bool TransparentBlt(Dc& dst, int x, int y, int w, int h, const Dc& src, int sx, int sy, int sw,
                    int sh, ColorRef key);

}  // namespace platform::gfx
