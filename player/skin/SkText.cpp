#include "player/skin/SkText.h"

namespace player {

bool SkText::SetText(const TextSpec& spec) {
    if (!m_text) {
        m_text = std::make_unique<SkinText>();
    }
    TextSpec kept = spec;
    kept.rect = kFullSkinRect;
    m_text->Set(kept);
    return true;
}

}  // namespace player
