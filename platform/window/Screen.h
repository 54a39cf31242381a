#pragma once
// Screen metrics: the primary screen's size in pixels, or the size a tool or test set in its
// place so layouts made for another screen can be built offscreen. GUI thread only.

#include <QSize>

namespace platform {

QSize PrimaryScreenSize();
// An empty size removes the override.
void SetScreenSizeOverride(QSize size);
QSize ScreenSizeOverride();

}  // namespace platform
