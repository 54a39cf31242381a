#include "platform/window/Screen.h"

#include <QGuiApplication>
#include <QScreen>

namespace platform {

namespace {
QSize& OverrideSlot() {
    static QSize size;
    return size;
}
}  // namespace

QSize PrimaryScreenSize() {
    if (!OverrideSlot().isEmpty()) {
        return OverrideSlot();
    }
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen == nullptr ? QSize() : screen->geometry().size();
}

void SetScreenSizeOverride(QSize size) {
    OverrideSlot() = size.isEmpty() ? QSize() : size;
}

QSize ScreenSizeOverride() {
    return OverrideSlot();
}

}  // namespace platform
