#include "player/skin/SkStaticWindow.h"

#include "player/skin/SkWidget.h"

#include <QMouseEvent>

namespace player {

SkStaticWindow::SkStaticWindow(SkWidget& owner) : m_owner(owner) {
    // Every paint covers the whole window from the widget's own pixels.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
}

void SkStaticWindow::DrawItem(QPainter& painter, const platform::DrawItemInfo& info) {
    m_owner.PaintWindow(painter, info);
}

void SkStaticWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && m_owner.OnLButtonDown(event->position().toPoint())) {
        event->accept();
        return;
    }
    event->ignore();
}

void SkStaticWindow::mouseMoveEvent(QMouseEvent* event) {
    if (m_owner.OnMouseMove(event->position().toPoint())) {
        event->accept();
        return;
    }
    event->ignore();
}

void SkStaticWindow::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && m_owner.OnLButtonUp(event->position().toPoint())) {
        event->accept();
        return;
    }
    event->ignore();
}

}  // namespace player
