#pragma once
// The owner-drawn static: every paint asks DrawItem to draw the whole control, and a change of
// its window text repaints it. Mouse input passes through to the dialog, as for a static
// without the notify style; a subclass that handles the mouse takes it. GUI thread only.

#include "platform/window/WinTypes.h"

#include <QWidget>

namespace platform {

class Static : public QWidget {
    Q_OBJECT

public:
    explicit Static(QWidget* parent = nullptr);

protected:
    virtual void DrawItem(QPainter& painter, const DrawItemInfo& info);

    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace platform
