#pragma once
// What every skin widget has in common: it exists without a window until it is bound to its
// dialog's child, and keeps its own copy of the window background under itself.
// GUI thread only.

#include "player/skin/IBGTransfer.h"
#include "platform/gfx/Dc.h"

#include <QPointer>
#include <QRect>
#include <QWidget>

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

protected:
    // The window's rectangle in its parent's client coordinates; empty when unbound.
    QRect WindowRectInParent() const;

private:
    QPointer<QWidget> m_window;
    platform::gfx::Dc m_backgroundCopy;
};

}  // namespace player
