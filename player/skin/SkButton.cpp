#include "player/skin/SkButton.h"

namespace player {

namespace {

bool IsState(ButtonState state) {
    const auto index = static_cast<int32_t>(state);
    return index >= 0 && index < kButtonStateCount;
}

}  // namespace

bool SkButton::SetStateImage(ButtonState state, const ImageSpec& desc) {
    if (!IsState(state) || desc.name.IsEmpty()) {
        return false;
    }
    auto& slot = m_states[static_cast<size_t>(state)];
    if (!slot) {
        slot = std::make_unique<SkinImage>();
    }
    return slot->Load(desc);
}

bool SkButton::SetLabel(const TextSpec& desc) {
    if (!m_label) {
        m_label = std::make_unique<SkinText>();
    }
    m_label->Set(desc);
    return true;
}

SkinImage* SkButton::StateImage(ButtonState state) const {
    return IsState(state) ? m_states[static_cast<size_t>(state)].get() : nullptr;
}

void SkButton::ReceiveBackground(const platform::gfx::Dc& background) {
    SkWidget::ReceiveBackground(background);
    for (const auto& image : m_states) {
        if (image) {
            image->DiscardRendering();
        }
    }
}

}  // namespace player
