#pragma once
// The window of SkButton: an owner-drawn push button whose paints, hover and leave notices
// and releases go to the skin button; its clicks reach the dialog as commands. GUI thread only.

#include "platform/window/Button.h"

namespace player {

class SkButton;

class SkButtonWindow : public platform::Button {
    Q_OBJECT

public:
    explicit SkButtonWindow(SkButton& owner);

protected:
    void DrawItem(QPainter& painter, const platform::DrawItemInfo& info) override;
    void OnMouseHover(QPoint point) override;
    void OnMouseLeave() override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    SkButton& m_owner;  // outlives the window: it deletes the window when destroyed
};

}  // namespace player
