#pragma once
// The window of SkListCtrl: the report list whose erase and rows the skin list draws.
// GUI thread only.

#include "platform/window/ListCtrl.h"

namespace player {

class SkListCtrl;

class SkListWindow : public platform::ListCtrl {
    Q_OBJECT

public:
    explicit SkListWindow(SkListCtrl& owner);

protected:
    void DrawItem(QPainter& painter, const platform::DrawItemInfo& info) override;
    void OnEraseBackground(QPainter& painter, const QRect& rect) override;

private:
    SkListCtrl& m_owner;  // outlives the window: it deletes the window when destroyed
};

}  // namespace player
