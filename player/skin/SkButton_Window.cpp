// SkButton's window behaviour: the state table, painting a state, hover and leave repaints,
// and the checked flag toggled by a release inside.

#include "player/skin/SkButton.h"

#include "player/skin/SkButtonWindow.h"
#include "player/skin/SkMemDC.h"
#include "player/skin/SkinDraw.h"

namespace player {

namespace gfx = platform::gfx;

QWidget* SkButton::CreateWindow() {
    return new SkButtonWindow(*this);
}

bool SkButton::ShowsChecked() const {
    return m_behaviour == ButtonBehaviour::Check && m_checked;
}

ButtonState SkButton::StateFor(unsigned drawState) const {
    const bool checked = ShowsChecked();
    if (drawState & platform::ODS_FOCUS) {
        if (drawState & platform::ODS_SELECTED) {
            return checked ? ButtonState::Pushed2 : ButtonState::Pushed;
        }
        if (checked) {
            return m_hover ? ButtonState::Hover2 : ButtonState::Checked;
        }
        return m_hover ? ButtonState::Hover : ButtonState::Normal;
    }
    if (drawState & platform::ODS_DISABLED) {
        return ButtonState::Disabled;
    }
    return checked ? ButtonState::Checked : ButtonState::Normal;
}

void SkButton::DrawItem(gfx::Dc& dc, const platform::DrawItemInfo& info) {
    if (info.action != platform::ODA_DRAWENTIRE) {
        return;
    }
    PaintState(dc, StateFor(info.state));
}

void SkButton::PaintState(gfx::Dc& dc, ButtonState state) {
    const gfx::Rect client = ClientRect();
    SkMemDC memory(dc, client, true);
    if (SkinImage* image = StateImage(state)) {
        RenderImage(*image, &memory.Dc(), client, &BackgroundCopy(), false);
        BlitImage(client, *image, &memory.Dc());
    }
    if (m_label) {
        DrawSkinText(client, *m_label, &memory.Dc());
    }
}

void SkButton::PaintNow(ButtonState state) {
    if (Window() == nullptr) {
        return;
    }
    PaintState(Surface(), state);
    PresentNow();
}

void SkButton::OnMouseHover() {
    if (m_hover) {
        return;
    }
    m_hover = true;
    PaintNow(ShowsChecked() ? ButtonState::Hover2 : ButtonState::Hover);
}

void SkButton::OnMouseLeave() {
    if (!m_hover) {
        return;
    }
    m_hover = false;
    const auto* window = static_cast<const platform::Button*>(Window());
    const bool pushed = window != nullptr && window->GetState() == platform::BST_PUSHED;
    const bool checked = ShowsChecked();
    if (pushed) {
        PaintNow(checked ? ButtonState::Pushed2 : ButtonState::Pushed);
    } else {
        PaintNow(checked ? ButtonState::Checked : ButtonState::Normal);
    }
}

bool SkButton::OnLButtonUp(QPoint point) {
    const gfx::Rect client = ClientRect();
    if (point.x() >= 0 && point.y() >= 0 && point.x() < client.Width() &&
        point.y() < client.Height()) {
        m_checked = !m_checked;
    }
    return false;
}

}  // namespace player
