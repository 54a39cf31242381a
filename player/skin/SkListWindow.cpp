#include "player/skin/SkListWindow.h"

#include "platform/gfx/Blit.h"
#include "player/skin/SkListCtrl.h"

#include <QPainter>

#include <algorithm>

namespace player {

namespace gfx = platform::gfx;

SkListWindow::SkListWindow(SkListCtrl& owner) : m_owner(owner) {
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setAttribute(Qt::WA_NoSystemBackground);
}

void SkListWindow::OnEraseBackground(QPainter& painter, const QRect& rect) {
    gfx::Dc dc(rect.width(), rect.height(), logicalDpiY());
    m_owner.EraseBackground(dc);
    painter.drawImage(rect.topLeft(), dc.Bitmap());
}

void SkListWindow::DrawItem(QPainter& painter, const platform::DrawItemInfo& info) {
    // The row is drawn over what the erase left under it: the background copy.
    // Out to the list's right end, which a row's flag may reach past the columns.
    const int width = std::max(info.rect.width(), viewport()->width() - info.rect.x());
    gfx::Dc row(width, info.rect.height(), logicalDpiY());
    gfx::BitBlt(row, 0, 0, width, info.rect.height(), m_owner.BackgroundCopy(), info.rect.x(),
                info.rect.y());
    platform::DrawItemInfo local = info;
    local.rect = QRect(0, 0, info.rect.width(), info.rect.height());
    m_owner.DrawRow(*this, row, local);
    painter.drawImage(info.rect.topLeft(), row.Bitmap());
}

}  // namespace player
