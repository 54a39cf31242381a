#include "platform/gfx/Dc.h"

namespace platform::gfx {

Dc::Dc(int width, int height, int dpiY) : m_dpiY(dpiY > 0 ? dpiY : kDefaultDpi) {
    if (width < 1 || height < 1 || width > kMaxBitmapSide || height > kMaxBitmapSide) {
        return;
    }
    m_bitmap = QImage(width, height, QImage::Format_RGB32);
    m_bitmap.fill(0xFF000000u);
}

const Font* Dc::SelectFont(const Font* font) {
    const Font* previous = m_font;
    m_font = font;
    return previous;
}

ColorRef Dc::SetTextColor(ColorRef color) {
    const ColorRef previous = m_textColor;
    m_textColor = color;
    return previous;
}

void Dc::Fill(uint32_t rgb) {
    if (!IsNull()) {
        m_bitmap.fill(0xFF000000u | rgb);
    }
}

}  // namespace platform::gfx
