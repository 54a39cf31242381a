#include "player/skin/SkinText.h"

namespace player {

void SkinText::Set(const TextSpec& spec) {
    m_spec = spec;
    m_font.reset();
}

}  // namespace player
