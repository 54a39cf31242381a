#include "player/skin/SkButtonWindow.h"

#include "player/skin/SkButton.h"

#include <QMouseEvent>

namespace player {

namespace {
constexpr int kHoverTimeMs = 1;
}

SkButtonWindow::SkButtonWindow(SkButton& owner) : m_owner(owner) {
    // The button is never erased: its paint covers it from the button's own pixels.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
}

void SkButtonWindow::DrawItem(QPainter& painter, const platform::DrawItemInfo& info) {
    m_owner.PaintWindow(painter, info);
}

void SkButtonWindow::OnMouseHover(QPoint) {
    m_owner.OnMouseHover();
}

void SkButtonWindow::OnMouseLeave() {
    m_owner.OnMouseLeave();
}

void SkButtonWindow::mouseMoveEvent(QMouseEvent* event) {
    TrackMouseEvent(platform::TME_HOVER | platform::TME_LEAVE, kHoverTimeMs);
    platform::Button::mouseMoveEvent(event);
}

void SkButtonWindow::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        m_owner.OnLButtonUp(event->position().toPoint());
    }
    platform::Button::mouseReleaseEvent(event);
}

}  // namespace player
