#include "player/skin/SkText.h"

namespace player {

bool SkText::SetText(const TextSpec& desc) {
    if (!m_text) {
        m_text = std::make_unique<SkinText>();
    }
    TextSpec kept = desc;
    kept.rect = kFullSkinRect;
    m_text->Set(kept);
    return true;
}

}  // namespace player
