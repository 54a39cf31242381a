#pragma once
// The window of a static-based skin widget (image, text, slider, video, G-sensor graph, and
// the map until it has its own): paints through the widget and hands it the left button and
// mouse moves; what the widget does not take passes on to the dialog. GUI thread only.

#include "platform/window/Static.h"

namespace player {

class SkWidget;

class SkStaticWindow : public platform::Static {
    Q_OBJECT

public:
    explicit SkStaticWindow(SkWidget& owner);

protected:
    void DrawItem(QPainter& painter, const platform::DrawItemInfo& info) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    SkWidget& m_owner;  // outlives the window: it deletes the window when destroyed
};

}  // namespace player
