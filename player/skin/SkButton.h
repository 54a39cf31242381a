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
    bool SetStateImage(ButtonState state, const ImageSpec& desc);
    // Creates the label if absent and stores the values (its font is made again at next draw).
    bool SetLabel(const TextSpec& desc);

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

    // Window half. The state drawn for the ODS_ bits of a whole-item draw.
    ButtonState StateFor(unsigned drawState) const;
    void DrawItem(platform::gfx::Dc& dc, const platform::DrawItemInfo& info) override;
    // Draws state s onto dc: its image over the background copy, then the label.
    void PaintState(platform::gfx::Dc& dc, ButtonState state);
    // Draws state s onto the window at once.
    void PaintNow(ButtonState state);
    void OnMouseHover();
    void OnMouseLeave();
    // A release inside toggles the checked flag (it shows only in check mode).
    bool OnLButtonUp(QPoint point) override;

protected:
    QWidget* CreateWindow() override;

private:
    bool ShowsChecked() const;

    std::array<std::unique_ptr<SkinImage>, kButtonStateCount> m_states;
    std::unique_ptr<SkinText> m_label;
    ButtonBehaviour m_behaviour = ButtonBehaviour::Push;
    bool m_checked = false;
    bool m_hover = false;
};

}  // namespace player
