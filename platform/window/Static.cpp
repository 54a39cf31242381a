#include "platform/window/Static.h"

#include <QEvent>
#include <QPainter>

namespace platform {

Static::Static(QWidget* parent) : QWidget(parent) {}

void Static::DrawItem(QPainter&, const DrawItemInfo&) {}

bool Static::event(QEvent* event) {
    if (event->type() == QEvent::WindowTitleChange) {
        update();
    }
    return QWidget::event(event);
}

void Static::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    DrawItem(painter, DrawItemInfo{ODA_DRAWENTIRE, isEnabled() ? 0u : ODS_DISABLED, 0, rect()});
}

}  // namespace platform
