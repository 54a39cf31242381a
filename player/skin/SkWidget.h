#pragma once
// What every skin widget has in common: it exists without a window until it is bound to its
// dialog's child, and keeps its own copy of the window background under itself.
// GUI thread only.

#include "platform/gfx/Dc.h"
#include "platform/window/WinTypes.h"
#include "player/skin/IBGTransfer.h"

#include <QPainter>
#include <QPointer>
#include <QRect>
#include <QWidget>

namespace platform {
class Dialog;
}

namespace player {

class SkWidget : public IBGTransfer {
public:
    SkWidget() = default;
    ~SkWidget() override;  // destroys the window if it still exists
    SkWidget(const SkWidget&) = delete;
    SkWidget& operator=(const SkWidget&) = delete;

    // The window the widget was bound to; none before binding.
    QWidget* Window() const { return m_window; }
    void SetWindow(QWidget* window) { m_window = window; }

    // Shared behaviour: the background copy becomes the part of background under the window.
    void ReceiveBackground(const platform::gfx::Dc& background) override;
    const platform::gfx::Dc& BackgroundCopy() const { return m_backgroundCopy; }

    // The hint the window shows when the pointer rests on it; empty for none. Set before
    // binding, or it reaches the window at the next SetTip.
    void SetTip(const QString& tip);
    const QString& Tip() const { return m_tip; }

    // Window half. The widget's window takes the place of the dialog's child `id`; false
    // (and no window) when the dialog has no such child.
    bool SubclassDlgItem(int id, platform::Dialog& dialog);
    // Draws the whole widget onto dc, the window's surface (owner draw). The base shows the
    // background copy.
    virtual void DrawItem(platform::gfx::Dc& dc, const platform::DrawItemInfo& info);
    // Left button and mouse moves in client coordinates; false lets them pass to the dialog.
    virtual bool OnLButtonDown(QPoint point);
    virtual bool OnLButtonUp(QPoint point);
    virtual bool OnMouseMove(QPoint point);
    // The window's paint: DrawItem onto the surface, then the surface onto the screen.
    void PaintWindow(QPainter& painter, const platform::DrawItemInfo& info);
    // Shows what was drawn onto the surface outside DrawItem at once (a paint on a client
    // context).
    void PresentNow();
    // The window's pixels as last drawn, sized to the window (black when new).
    platform::gfx::Dc& Surface();
    platform::gfx::Rect ClientRect() const;
    void Invalidate();

protected:
    // The window class of this widget, made at binding; the base makes an owner-drawn static.
    virtual QWidget* CreateWindow();
    // The window's rectangle in its parent's client coordinates; empty when unbound.
    QRect WindowRectInParent() const;

private:
    QPointer<QWidget> m_window;
    platform::gfx::Dc m_backgroundCopy;
    platform::gfx::Dc m_surface;
    QString m_tip;
    bool m_presentOnly = false;
};

}  // namespace player
