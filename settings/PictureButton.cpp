#include "PictureButton.h"

#include "settings/Bitmaps.h"

#include <QPainter>

namespace settings {

PictureButton::PictureButton(int id, QWidget* parent) : QAbstractButton(parent), m_id(id) {
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PictureButton::LoadBitmaps(int normalId, int pressedId) {
    if (normalId == m_normalId && pressedId == m_pressedId) {
        return;
    }
    m_normalId = normalId;
    m_pressedId = pressedId;
    m_normal = LoadBitmap(normalId);
    m_pressed = LoadBitmap(pressedId);
    update();
}

void PictureButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawPixmap(0, 0, isDown() ? m_pressed : m_normal);
}

}  // namespace settings
