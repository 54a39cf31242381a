// The window half every skin widget shares: binding to a template child, the window surface
// that paints are drawn into, and the default input handling.

#include "player/skin/SkWidget.h"

#include "platform/gfx/Blit.h"
#include "platform/window/Dialog.h"
#include "player/skin/SkMemDC.h"
#include "player/skin/SkStaticWindow.h"

#include <QPainter>

namespace player {

namespace gfx = platform::gfx;

bool SkWidget::SubclassDlgItem(int id, platform::Dialog& dialog) {
    std::unique_ptr<QWidget> window(CreateWindow());
    if (!window || !dialog.SubclassDlgItem(id, window.get())) {
        return false;
    }
    SetWindow(window.release());
    if (!m_tip.isEmpty()) {
        Window()->setToolTip(m_tip);
    }
    return true;
}

void SkWidget::SetTip(const QString& tip) {
    m_tip = tip;
    if (Window() != nullptr) {
        Window()->setToolTip(tip);
    }
}

QWidget* SkWidget::CreateWindow() {
    return new SkStaticWindow(*this);
}

gfx::Rect SkWidget::ClientRect() const {
    const QWidget* window = Window();
    return window == nullptr ? gfx::Rect{} : gfx::Rect{0, 0, window->width(), window->height()};
}

gfx::Dc& SkWidget::Surface() {
    const gfx::Rect client = ClientRect();
    if (m_surface.Width() != client.Width() || m_surface.Height() != client.Height()) {
        m_surface = gfx::Dc(client.Width(), client.Height(),
                            Window() != nullptr ? Window()->logicalDpiY() : gfx::kDefaultDpi);
    }
    return m_surface;
}

void SkWidget::PaintWindow(QPainter& painter, const platform::DrawItemInfo& info) {
    gfx::Dc& surface = Surface();
    if (!m_presentOnly) {
        DrawItem(surface, info);
    }
    painter.drawImage(0, 0, surface.Bitmap());
}

void SkWidget::PresentNow() {
    if (Window() == nullptr || !Window()->isVisible()) {
        return;
    }
    m_presentOnly = true;
    Window()->repaint();
    m_presentOnly = false;
}

void SkWidget::Invalidate() {
    if (Window() != nullptr) {
        Window()->update();
    }
}

void SkWidget::DrawItem(gfx::Dc& dc, const platform::DrawItemInfo&) {
    SkMemDC memory(dc, ClientRect(), false);
    gfx::BitBlt(memory.Dc(), 0, 0, memory.Rect().Width(), memory.Rect().Height(), BackgroundCopy(),
                0, 0);
}

bool SkWidget::OnLButtonDown(QPoint) {
    return false;
}

bool SkWidget::OnLButtonUp(QPoint) {
    return false;
}

bool SkWidget::OnMouseMove(QPoint) {
    return false;
}

}  // namespace player
