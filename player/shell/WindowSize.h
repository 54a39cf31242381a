#pragma once
// Where the front video goes in the maximised layout, from the screen size in pixels: 144
// pixels of the screen height stay for the bars, and the picture's top is 49 pixels down.
// All divisions truncate toward zero. Any thread.

#include "player/skin/SkinGeometry.h"

#include <QSize>

namespace player {

// At the recording's real size (1280 x 720) when the screen is tall enough, else as tall as
// fits, 16:9.
SkinRect RealSizeVideoRect(QSize screen);
// As wide as the screen, 16:9, unless that is too tall.
SkinRect MaximisedVideoRect(QSize screen);

}  // namespace player
