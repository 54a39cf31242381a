#pragma once
// The view a camera's video is shown in; its skin gives only placement. GUI thread only.

#include "player/skin/SkWidget.h"

namespace player {

class SkVideoView : public SkWidget {};

}  // namespace player
