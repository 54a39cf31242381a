#include "platform/window/Button.h"

#include <QCursor>
#include <QPainter>

namespace platform {

Button::Button(QWidget* parent) : QAbstractButton(parent) {
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    m_hoverTimer.setSingleShot(true);
    connect(&m_hoverTimer, &QTimer::timeout, this,
            [this] { OnMouseHover(mapFromGlobal(QCursor::pos())); });
}

unsigned Button::GetState() const {
    unsigned state = 0;
    if (isDown()) {
        state |= BST_PUSHED;
    }
    if (hasFocus()) {
        state |= BST_FOCUS;
    }
    if (isChecked()) {
        state |= BST_CHECKED;
    }
    return state;
}

unsigned Button::DrawState() const {
    unsigned state = 0;
    if (hasFocus()) {
        state |= ODS_FOCUS;
    }
    if (isDown()) {
        state |= ODS_SELECTED;
    }
    if (!isEnabled()) {
        state |= ODS_DISABLED;
    }
    return state;
}

void Button::TrackMouseEvent(unsigned flags, int hoverMs) {
    if (flags & TME_HOVER) {
        m_hoverTimer.start(std::max(0, hoverMs));
    }
    if (flags & TME_LEAVE) {
        m_trackLeave = true;
    }
}

void Button::DrawItem(QPainter& painter, const DrawItemInfo& info) {
    painter.fillRect(info.rect, palette().button());
    painter.setPen(palette().buttonText().color());
    painter.drawRect(info.rect.adjusted(0, 0, -1, -1));
    painter.drawText(info.rect, Qt::AlignCenter, text());
}

void Button::OnMouseHover(QPoint) {}

void Button::OnMouseLeave() {}

void Button::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    DrawItem(painter, DrawItemInfo{ODA_DRAWENTIRE, DrawState(), 0, rect()});
}

void Button::leaveEvent(QEvent* event) {
    m_hoverTimer.stop();
    if (m_trackLeave) {
        m_trackLeave = false;
        OnMouseLeave();
    }
    QAbstractButton::leaveEvent(event);
}

}  // namespace platform
