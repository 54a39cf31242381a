#include "player/skin/SkWidget.h"

#include "platform/gfx/Blit.h"
#include "platform/window/Window.h"

namespace player {

SkWidget::~SkWidget() {
    platform::DestroyWindow(m_window.data());
}

QRect SkWidget::WindowRectInParent() const {
    return m_window ? m_window->geometry() : QRect();
}

void SkWidget::ReceiveBackground(const platform::gfx::Dc& background) {
    const QRect area = WindowRectInParent();
    m_backgroundCopy = background.CreateCompatible(area.width(), area.height());
    platform::gfx::BitBlt(m_backgroundCopy, 0, 0, area.width(), area.height(), background, area.x(),
                          area.y());
}

}  // namespace player
