#include "platform/gfx/Blit.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>

namespace platform::gfx {

namespace {

// Nearest source pixel for destination offset d of n, sampling at pixel centres.
int SourceOffset(int d, int n, int sn) {
    return static_cast<int>((2 * static_cast<int64_t>(d) + 1) * sn / (2 * static_cast<int64_t>(n)));
}

bool ScaledCopy(Dc& dst, int x, int y, int w, int h, const Dc& srcDc, int sx, int sy, int sw,
                int sh, std::optional<uint32_t> keyRgb) {
    if (dst.IsNull() || srcDc.IsNull() || w <= 0 || h <= 0 || sw <= 0 || sh <= 0) {
        return false;
    }
    // A copy within one bitmap must read the pixels as they were before it.
    const QImage src = &srcDc == &dst ? srcDc.Bitmap().copy() : srcDc.Bitmap();
    QImage& out = dst.Bitmap();
    const int x0 = std::max(x, 0);
    const int x1 = static_cast<int>(std::min<int64_t>(int64_t{x} + w, out.width()));
    const int y0 = std::max(y, 0);
    const int y1 = static_cast<int>(std::min<int64_t>(int64_t{y} + h, out.height()));
    for (int dy = y0; dy < y1; ++dy) {
        const int py = sy + SourceOffset(dy - y, h, sh);
        if (py < 0 || py >= src.height()) {
            continue;
        }
        const auto* in = reinterpret_cast<const uint32_t*>(src.constScanLine(py));
        auto* row = reinterpret_cast<uint32_t*>(out.scanLine(dy));
        for (int dx = x0; dx < x1; ++dx) {
            const int px = sx + SourceOffset(dx - x, w, sw);
            if (px < 0 || px >= src.width()) {
                continue;
            }
            const uint32_t pixel = in[px] | 0xFF000000u;
            if (keyRgb && pixel == *keyRgb) {
                continue;
            }
            row[dx] = pixel;
        }
    }
    return true;
}

}  // namespace

bool BitBlt(Dc& dst, int x, int y, int w, int h, const Dc& src, int sx, int sy) {
    if (dst.IsNull() || src.IsNull() || w <= 0 || h <= 0) {
        return false;
    }
    // Clip against the source, then against the destination, moving both origins together.
    // 64-bit, so far-off skin coordinates cannot overflow.
    const int64_t left = std::max<int64_t>({0, -int64_t{sx}, -int64_t{x}});
    const int64_t top = std::max<int64_t>({0, -int64_t{sy}, -int64_t{y}});
    const int64_t right =
        std::min<int64_t>({w, int64_t{src.Width()} - sx, int64_t{dst.Width()} - x});
    const int64_t bottom =
        std::min<int64_t>({h, int64_t{src.Height()} - sy, int64_t{dst.Height()} - y});
    if (left >= right || top >= bottom) {
        return true;
    }
    const QImage copy = &src == &dst ? src.Bitmap().copy() : QImage();
    const QImage& in = &src == &dst ? copy : src.Bitmap();
    QImage& out = dst.Bitmap();
    const size_t bytes = static_cast<size_t>(right - left) * sizeof(uint32_t);
    for (int64_t row = top; row < bottom; ++row) {
        const auto* from =
            reinterpret_cast<const uint32_t*>(in.constScanLine(static_cast<int>(sy + row))) + sx +
            left;
        auto* to = reinterpret_cast<uint32_t*>(out.scanLine(static_cast<int>(y + row))) + x + left;
        std::memcpy(to, from, bytes);
    }
    return true;
}

bool StretchBlt(Dc& dst, int x, int y, int w, int h, const Dc& src, int sx, int sy, int sw,
                int sh) {
    return ScaledCopy(dst, x, y, w, h, src, sx, sy, sw, sh, std::nullopt);
}

bool TransparentBlt(Dc& dst, int x, int y, int w, int h, const Dc& src, int sx, int sy, int sw,
                    int sh, ColorRef key) {
    return ScaledCopy(dst, x, y, w, h, src, sx, sy, sw, sh, RgbFromColorRef(key));
}

}  // namespace platform::gfx
