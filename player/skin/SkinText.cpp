#include "player/skin/SkinText.h"

namespace player {

void SkinText::Set(const TextSpec& desc) {
    m_spec = desc;
    m_font.reset();
}

}  // namespace player
