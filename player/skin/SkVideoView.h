#pragma once
// The view a camera's video is shown in; its skin gives only placement. The video renderer
// paints the whole window, so the view never erases it: with no renderer attached it is
// black, never the window background that would flash between two pictures. GUI thread only.

#include "player/skin/SkWidget.h"

namespace player {

class SkVideoView : public SkWidget {
public:
    void DrawItem(platform::gfx::Dc& dc, const platform::DrawItemInfo& info) override;
};

}  // namespace player
