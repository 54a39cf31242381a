#pragma once
// The owner-drawn skin button: seven state images, an optional label, push or check
// behaviour, checked and hover flags. GUI thread only.

#include "player/skin/SkWidget.h"
#include "player/skin/SkinImage.h"
#include "player/skin/SkinText.h"
#include "player/skin/StyleWords.h"

#include <array>
#include <memory>

namespace player {

class SkButton : public SkWidget {
public:
    // No state or an empty name: false, nothing changed. Otherwise the slot's image is created
    // if absent and loaded; a failed load keeps it without picture and returns false.
    bool SetStateImage(ButtonState state, const ImageSpec& spec);
    // Creates the label if absent and stores the values (its font is made again at next draw).
    bool SetLabel(const TextSpec& spec);

    SkinImage* StateImage(ButtonState state) const;
    SkinText* Label() const { return m_label.get(); }

    ButtonBehaviour BehaviourMode() const { return m_behaviour; }
    void SetBehaviourMode(ButtonBehaviour behaviour) { m_behaviour = behaviour; }
    bool Checked() const { return m_checked; }
    void SetChecked(bool checked) { m_checked = checked; }
    bool Hover() const { return m_hover; }
    void SetHover(bool hover) { m_hover = hover; }

    // Also discards every state rendering: each is composed again over the new background.
    void ReceiveBackground(const platform::gfx::Dc& background) override;

private:
    std::array<std::unique_ptr<SkinImage>, kButtonStateCount> m_states;
    std::unique_ptr<SkinText> m_label;
    ButtonBehaviour m_behaviour = ButtonBehaviour::Push;
    bool m_checked = false;
    bool m_hover = false;
};

}  // namespace player
