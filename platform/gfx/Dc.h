#pragma once
// A memory device context: an opaque 32-bit RGB bitmap plus the drawing state a GDI context
// carries (selected font, text colour, vertical DPI). GUI thread only.

#include <QImage>

#include <cstdint>

namespace platform::gfx {

class Font;

inline constexpr int kDefaultDpi = 96;

// GDI colour order: red | green << 8 | blue << 16.
using ColorRef = uint32_t;

constexpr ColorRef ColorRefFromArgb(uint32_t argb) {
    return ((argb >> 16) & 0xFFu) | (argb & 0xFF00u) | ((argb & 0xFFu) << 16);
}
constexpr uint32_t RgbFromColorRef(ColorRef color) {
    return 0xFF000000u | ((color & 0xFFu) << 16) | (color & 0xFF00u) | ((color >> 16) & 0xFFu);
}

// Bitmaps larger than this on either side are refused (an empty context results), so a
// malformed skin cannot ask for gigabytes.
inline constexpr int kMaxBitmapSide = 16384;

struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int Width() const { return Clamped(int64_t{right} - left); }
    int Height() const { return Clamped(int64_t{bottom} - top); }

private:
    static int Clamped(int64_t v) {
        return v > INT32_MAX ? INT32_MAX : (v < INT32_MIN ? INT32_MIN : static_cast<int>(v));
    }
};

class Dc {
public:
    Dc() = default;  // no bitmap: every drawing on it does nothing
    // A black bitmap of the given size; a size below 1 or above kMaxBitmapSide gives no bitmap.
    Dc(int width, int height, int dpiY = kDefaultDpi);

    // A new context with a new bitmap, taking over this one's DPI (CreateCompatibleDC + bitmap).
    Dc CreateCompatible(int width, int height) const { return Dc(width, height, m_dpiY); }

    bool IsNull() const { return m_bitmap.isNull(); }
    int Width() const { return m_bitmap.width(); }
    int Height() const { return m_bitmap.height(); }
    int LogPixelsY() const { return m_dpiY; }
    void SetLogPixelsY(int dpiY) { m_dpiY = dpiY > 0 ? dpiY : kDefaultDpi; }

    QImage& Bitmap() { return m_bitmap; }
    const QImage& Bitmap() const { return m_bitmap; }

    // Selection returns what was selected before; the font must outlive its selection.
    const Font* SelectFont(const Font* font);
    const Font* SelectedFont() const { return m_font; }
    ColorRef SetTextColor(ColorRef color);
    ColorRef TextColor() const { return m_textColor; }

    void Fill(uint32_t rgb);

private:
    QImage m_bitmap;  // Format_RGB32: alpha is always 0xFF, as GDI ignores it
    int m_dpiY = kDefaultDpi;
    const Font* m_font = nullptr;
    ColorRef m_textColor = 0;
};

}  // namespace platform::gfx
