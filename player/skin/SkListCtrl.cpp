#include "player/skin/SkListCtrl.h"

namespace player {

bool SkListCtrl::SetRowFont(const QString& face, int32_t size, uint32_t format, uint32_t textColour,
                            uint32_t selectedColour) {
    m_font.reset();
    m_fontFace = face;
    m_fontSize = size;
    m_format = format;
    m_textColour = textColour;
    m_selectedColour = selectedColour;
    return true;
}

void SkListCtrl::SetColumnWidth(int32_t index, int32_t width) {
    if (index >= 0 && width >= 0) {
        m_columnWidths[index] = width;
    }
}

bool SkListCtrl::SetBackgroundImage(const ImageSpec& desc) {
    if (!m_background) {
        m_background = std::make_unique<SkinImage>();
    }
    if (!m_background->Load(desc)) {
        m_background.reset();
        return false;
    }
    return true;
}

}  // namespace player
