#include "PictureButton.h"

#include "settings/Bitmaps.h"

#include <QPainter>

namespace settings {

PictureButton::PictureButton(QWidget* parent) : platform::Button(parent) {
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

void PictureButton::DrawItem(QPainter& painter, const platform::DrawItemInfo& info) {
    painter.drawPixmap(0, 0, (info.state & platform::ODS_SELECTED) ? m_pressed : m_normal);
}

}  // namespace settings
